// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "shell/desktopdefaults.h"

#include <QString>
#include <QStringList>

namespace vecardia {

class SettingsStore;

// The default application of the vCard MIME types on freedesktop systems (GNOME, KDE, Xfce, xdg-open), by
// freedesktop.org's rules for associating MIME types with applications: the user's $XDG_CONFIG_HOME/mimeapps.list names
// the program's desktop entry, io.github.vecardia.Vecardia.desktop, which is the installed one or one written into
// $XDG_DATA_HOME/applications.
class FreedesktopDefaults final : public DesktopDefaults {
public:
    FreedesktopDefaults(SettingsStore &settings, QString executable);

    [[nodiscard]] bool isDefault() const override;
    bool makeDefault() override;
    bool restoreDefault() override;

    // The types a contact file comes as.
    static const QStringList &mimeTypes();
    [[nodiscard]] static QString desktopFileName();
    // The desktop entry the desktop would open a type with, by the order in which desktops read mimeapps.list files;
    // empty when none names an installed one.
    [[nodiscard]] static QString defaultApplication(const QString &mimeType);

private:
    bool ensureDesktopEntry() const;

    SettingsStore &m_settings;
    QString m_executable;
};

} // namespace vecardia
