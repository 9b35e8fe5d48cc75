// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/unix/inifileregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

const QString kExists = u"@key"_s;
const QString kDefault = u"@default"_s;

// A key name as one INI group level: "/" separates levels there, so it and "%" are written as %2F and %25.
QString escaped(const QString &name)
{
    QString out = name;
    out.replace(u'%', u"%25"_s).replace(u'/', u"%2F"_s);
    return out;
}

QString unescaped(const QString &name)
{
    QString out = name;
    out.replace(u"%2F"_s, u"/"_s).replace(u"%25"_s, u"%"_s);
    return out;
}

QString group(quint32 root, const QString &path)
{
    QString g = u"root-"_s + QString::number(root, 16);
    for (const QString &part : path.split(u'\\', Qt::SkipEmptyParts))
        g += u'/' + escaped(part);
    return g;
}

QString valueEntry(const QString &name)
{
    return name.isEmpty() ? kDefault : u'=' + escaped(name);
}

bool saved(QSettings &settings)
{
    settings.sync();
    return settings.status() == QSettings::NoError;
}

} // namespace

IniFileRegistry::IniFileRegistry(QString file) : m_file(std::move(file))
{
    if (m_file.isEmpty())
        m_file = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/vecardia/registry.ini"_s;
}

bool IniFileRegistry::keyExists(quint32 root, const QString &path) const
{
    if (path.isEmpty())
        return true; // the roots always exist
    const QSettings settings(m_file, QSettings::IniFormat);
    return settings.contains(group(root, path) + u'/' + kExists);
}

std::optional<QString> IniFileRegistry::value(quint32 root, const QString &path, const QString &name) const
{
    const QSettings settings(m_file, QSettings::IniFormat);
    const QString entry = group(root, path) + u'/' + valueEntry(name);
    if ((!path.isEmpty() && !settings.contains(group(root, path) + u'/' + kExists)) || !settings.contains(entry))
        return std::nullopt;
    return settings.value(entry).toString();
}

bool IniFileRegistry::createKey(quint32 root, const QString &path)
{
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QSettings settings(m_file, QSettings::IniFormat);
    QString up;
    for (const QString &part : path.split(u'\\', Qt::SkipEmptyParts)) {
        up = up.isEmpty() ? part : up + u'\\' + part;
        const QString marker = group(root, up) + u'/' + kExists;
        if (!settings.contains(marker))
            settings.setValue(marker, true);
    }
    return saved(settings);
}

bool IniFileRegistry::setValue(quint32 root, const QString &path, const QString &name, const QString &text)
{
    if (!keyExists(root, path))
        return false;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.setValue(group(root, path) + u'/' + valueEntry(name), text);
    return saved(settings);
}

bool IniFileRegistry::removeValue(quint32 root, const QString &path, const QString &name)
{
    QSettings settings(m_file, QSettings::IniFormat);
    const QString entry = group(root, path) + u'/' + valueEntry(name);
    if (!settings.contains(entry))
        return false;
    settings.remove(entry);
    return saved(settings);
}

QStringList IniFileRegistry::subKeys(quint32 root, const QString &path) const
{
    QSettings settings(m_file, QSettings::IniFormat);
    settings.beginGroup(group(root, path));
    QStringList below;
    for (const QString &child : settings.childGroups()) {
        if (settings.contains(child + u'/' + kExists))
            below << unescaped(child);
    }
    below.sort();
    return below;
}

bool IniFileRegistry::deleteKey(quint32 root, const QString &path)
{
    if (path.isEmpty() || !keyExists(root, path) || !subKeys(root, path).isEmpty())
        return false;
    QSettings settings(m_file, QSettings::IniFormat);
    settings.remove(group(root, path));
    return saved(settings);
}

} // namespace vecardia
