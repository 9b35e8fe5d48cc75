// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/sysinfo.h"

#include "shell/registry.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

constexpr qsizetype kValueBufferBytes = 1024;

// The desktops' system-information tools, the most thorough first.
const QStringList &knownTools()
{
    static const QStringList tools = {u"kinfocenter"_s, u"hardinfo2"_s, u"hardinfo"_s, u"gnome-system-monitor"_s,
                                      u"xfce4-taskmanager"_s};
    return tools;
}

} // namespace

std::optional<QString> GetKeyValue(const RegistryBackend &registry, quint32 root, const QString &keyPath,
                                   const QString &valueName)
{
    const std::optional<QString> text = registry.value(root, keyPath, valueName);
    if (!text)
        return std::nullopt;
    QStringEncoder gbk("GBK");
    const QByteArray bytes = gbk.encode(*text);
    if (bytes.size() + 1 > kValueBufferBytes)
        return std::nullopt;
    return text;
}

QString systemInformationProgram(const RegistryBackend *registry, const QStringList &folders)
{
    if (registry) {
        const quint32 machine = Module3::RootKeyFromName(u"HKEY_LOCAL_MACHINE"_s);
        if (const auto path =
                GetKeyValue(*registry, machine, u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s, u"PATH"_s))
            return *path;
        if (const auto folder =
                GetKeyValue(*registry, machine, u"SOFTWARE\\Microsoft\\Shared Tools Location"_s, u"MSINFO"_s)) {
            const QString program = QDir(*folder).filePath(u"MSINFO32.EXE"_s);
            if (QFileInfo(program).isFile())
                return program;
        }
    }
    for (const QString &tool : knownTools()) {
        if (const QString found = QStandardPaths::findExecutable(tool, folders); !found.isEmpty())
            return found;
    }
    return {};
}

} // namespace vecardia
