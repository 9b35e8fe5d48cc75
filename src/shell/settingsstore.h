// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace vecardia {

// The per-user settings: text values by application name, section and key. The program always names itself by
// its product title. Values written are there at the next start.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The value, or `fallback` when there is none.
    [[nodiscard]] virtual QString read(const QString &application, const QString &section, const QString &key,
                                       const QString &fallback = {}) const = 0;
    // False when the value could not be stored.
    virtual bool write(const QString &application, const QString &section, const QString &key,
                       const QString &value) = 0;
};

// The settings in the user's configuration folder ($XDG_CONFIG_HOME/vecardia/<application>.ini), through QSettings.
class QSettingsStore final : public SettingsStore {
public:
    [[nodiscard]] QString read(const QString &application, const QString &section, const QString &key,
                               const QString &fallback = {}) const override;
    bool write(const QString &application, const QString &section, const QString &key, const QString &value) override;
};

} // namespace vecardia
