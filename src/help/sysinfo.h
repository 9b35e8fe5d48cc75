// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vecardia {

class RegistryBackend;

// A string value of the registry layer as a 1024-byte read gives it: nothing when the key or the value is missing,
// or when the value with its closing zero takes more than 1024 bytes in the system code page.
[[nodiscard]] std::optional<QString> GetKeyValue(const RegistryBackend &registry, quint32 root, const QString &keyPath,
                                                 const QString &valueName);

// The system-information program to start: the one the registry layer names (MSINFO's "PATH", or MSINFO32.EXE in
// the folder "Shared Tools Location" names), else the first system-information tool found in `folders` (the PATH
// when empty); the empty text when there is none.
[[nodiscard]] QString systemInformationProgram(const RegistryBackend *registry, const QStringList &folders = {});

} // namespace vecardia
