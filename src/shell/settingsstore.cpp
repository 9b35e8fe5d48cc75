// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/settingsstore.h"

#include <QSettings>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// The folder under the user's configuration folder that holds the program's files.
const QString kFolder = u"vecardia"_s;

QString entry(const QString &section, const QString &key)
{
    return section + u'/' + key;
}

} // namespace

QString QSettingsStore::read(const QString &application, const QString &section, const QString &key,
                             const QString &fallback) const
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, kFolder, application);
    return settings.value(entry(section, key), fallback).toString();
}

bool QSettingsStore::write(const QString &application, const QString &section, const QString &key, const QString &value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, kFolder, application);
    settings.setValue(entry(section, key), value);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace vecardia
