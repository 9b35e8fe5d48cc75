// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/registry.h"

namespace vecardia {

// The registry of this platform: a per-user key store in the configuration folder
// ($XDG_CONFIG_HOME/vecardia/registry.ini), kept by QSettings, which writes it atomically. Each key is an INI group
// named by its root and path; "@key" marks that it exists, "@default" holds its default value, and named values are
// "=" followed by the name.
class IniFileRegistry final : public RegistryBackend {
public:
    // The store at `file` (the user's one when empty).
    explicit IniFileRegistry(QString file = {});

    [[nodiscard]] bool keyExists(quint32 root, const QString &path) const override;
    [[nodiscard]] std::optional<QString> value(quint32 root, const QString &path, const QString &name) const override;
    bool createKey(quint32 root, const QString &path) override;
    bool setValue(quint32 root, const QString &path, const QString &name, const QString &text) override;
    bool removeValue(quint32 root, const QString &path, const QString &name) override;
    [[nodiscard]] QStringList subKeys(quint32 root, const QString &path) const override;
    bool deleteKey(quint32 root, const QString &path) override;

    [[nodiscard]] const QString &file() const { return m_file; }

private:
    QString m_file;
};

} // namespace vecardia
