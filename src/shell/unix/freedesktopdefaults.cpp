// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/unix/freedesktopdefaults.h"

#include "product/product.h"
#include "shell/settingsstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

const QString kDefaultsGroup = u"[Default Applications]"_s;
const QString kBackupSection = u"文件关联"_s;

// The settings keep "/" for their own groups: a type is named with "-" there.
QString backupKey(QString mimeType)
{
    return u"备份默认程序_"_s + mimeType.replace(u'/', u'-');
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

// The value of `key` in [Default Applications] of a mimeapps.list, or nothing.
std::optional<QString> defaultsEntry(const QStringList &lines, const QString &key)
{
    bool inGroup = false;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(u'['))
            inGroup = line == kDefaultsGroup;
        else if (inGroup && line.section(u'=', 0, 0).trimmed() == key && line.contains(u'='))
            return line.section(u'=', 1).trimmed();
    }
    return std::nullopt;
}

QString userMimeapps()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/mimeapps.list"_s;
}

// Sets (or, with an empty value, removes) `key` in [Default Applications] of the user's mimeapps.list. Every other
// line and group stays as it was; the file is replaced only once the new one is written whole.
bool setUserDefault(const QString &key, const QString &value)
{
    const QString path = userMimeapps();
    QStringList lines = fileLines(path);
    qsizetype group = -1, entry = -1, groupEnd = lines.size();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.startsWith(u'[')) {
            if (group >= 0 && groupEnd == lines.size())
                groupEnd = i;
            if (line == kDefaultsGroup && group < 0)
                group = i;
        } else if (group >= 0 && groupEnd == lines.size() && line.contains(u'=') &&
                   line.section(u'=', 0, 0).trimmed() == key) {
            entry = i;
        }
    }
    if (entry >= 0) {
        if (value.isEmpty())
            lines.removeAt(entry);
        else
            lines[entry] = key + u'=' + value;
    } else if (!value.isEmpty()) {
        if (group < 0) {
            if (!lines.isEmpty() && !lines.constLast().trimmed().isEmpty())
                lines << QString();
            lines << kDefaultsGroup;
            groupEnd = lines.size();
        }
        // After the group's last entry, before any blank lines that end it.
        qsizetype at = groupEnd;
        while (at > group + 1 && lines[at - 1].trimmed().isEmpty())
            --at;
        lines.insert(at, key + u'=' + value);
    } else {
        return true; // nothing to remove
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = (lines.join(u'\n') + u'\n').toUtf8();
    return file.write(text) == text.size() && file.commit();
}

// The mimeapps.list files in the order the desktop reads them: the user's before the system's.
QStringList mimeappsFiles()
{
    QStringList desktops;
    for (const QString &desktop : qEnvironmentVariable("XDG_CURRENT_DESKTOP").split(u':', Qt::SkipEmptyParts))
        desktops << desktop.toLower();
    QStringList folders = QStandardPaths::standardLocations(QStandardPaths::GenericConfigLocation);
    folders += QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    QStringList files;
    for (const QString &folder : folders) {
        for (const QString &desktop : desktops)
            files << folder + u'/' + desktop + u"-mimeapps.list"_s;
        files << folder + u"/mimeapps.list"_s;
    }
    return files;
}

bool isInstalled(const QString &desktopFile)
{
    return !QStandardPaths::locate(QStandardPaths::ApplicationsLocation, desktopFile).isEmpty();
}

// A path as the Exec key of a desktop entry takes it: quoted, with the characters the quotes do not protect escaped.
QString execArgument(const QString &path)
{
    QString quoted;
    for (const QChar c : path) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    // A desktop entry's string values escape backslashes once more.
    quoted.replace(u"\\"_s, u"\\\\"_s);
    return u'"' + quoted + u'"';
}

} // namespace

FreedesktopDefaults::FreedesktopDefaults(SettingsStore &settings, QString executable)
    : m_settings(settings), m_executable(std::move(executable))
{
}

const QStringList &FreedesktopDefaults::mimeTypes()
{
    static const QStringList types = {u"text/vcard"_s, u"text/x-vcard"_s, u"text/directory"_s};
    return types;
}

QString FreedesktopDefaults::desktopFileName()
{
    return product::kApplicationId + u".desktop"_s;
}

QString FreedesktopDefaults::defaultApplication(const QString &mimeType)
{
    for (const QString &file : mimeappsFiles()) {
        const std::optional<QString> entry = defaultsEntry(fileLines(file), mimeType);
        if (!entry)
            continue;
        for (const QString &id : entry->split(u';', Qt::SkipEmptyParts)) {
            if (isInstalled(id.trimmed()))
                return id.trimmed();
        }
    }
    return {};
}

bool FreedesktopDefaults::isDefault() const
{
    return defaultApplication(mimeTypes().first()) == desktopFileName();
}

bool FreedesktopDefaults::ensureDesktopEntry() const
{
    if (isInstalled(desktopFileName()))
        return true;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    QDir().mkpath(folder);
    QSaveFile file(folder + u'/' + desktopFileName());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QString entry = u"[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name="_s +
                          product::kTitle +
                          u"\n"
                          "Comment=Edit the contact books of mobile phones\n"
                          "Comment[zh_CN]=编辑手机电话簿\n"
                          "Icon="_s +
                          product::kApplicationId +
                          u"\n"
                          "Exec="_s +
                          execArgument(m_executable) +
                          u" %f\n"
                          "Terminal=false\n"
                          "MimeType="_s +
                          mimeTypes().join(u';') +
                          u";\n"
                          "Categories=Office;ContactManagement;\n"_s;
    const QByteArray bytes = entry.toUtf8();
    return file.write(bytes) == bytes.size() && file.commit();
}

bool FreedesktopDefaults::makeDefault()
{
    if (!ensureDesktopEntry())
        return false;
    bool ok = true;
    for (const QString &type : mimeTypes()) {
        const QString before = defaultsEntry(fileLines(userMimeapps()), type).value_or(QString());
        // The first backup stays: once ours, the type's handler before us is the one remembered.
        if (before.section(u';', 0, 0).trimmed() != desktopFileName())
            (void)m_settings.write(product::kTitle, kBackupSection, backupKey(type), before);
        ok = setUserDefault(type, desktopFileName() + u';') && ok;
    }
    return ok;
}

bool FreedesktopDefaults::restoreDefault()
{
    bool ok = true;
    for (const QString &type : mimeTypes()) {
        const QString now = defaultsEntry(fileLines(userMimeapps()), type).value_or(QString());
        if (now.section(u';', 0, 0).trimmed() != desktopFileName())
            continue; // another program was chosen since: it stays
        ok = setUserDefault(type, m_settings.read(product::kTitle, kBackupSection, backupKey(type))) && ok;
    }
    return ok;
}

} // namespace vecardia
