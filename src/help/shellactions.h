// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

namespace vecardia {

// What the program asks of the desktop beyond its own windows: open an address with the program the user chose for
// it (web pages in the browser, mailto: links in the mail program), and start another program. Tests record the
// requests instead.
class ShellActions {
public:
    virtual ~ShellActions() = default;
    // False when no program took the address.
    virtual bool openUrl(const QUrl &url) = 0;
    // Starts `program` on its own, with its window in front; false when it could not be started.
    virtual bool startProgram(const QString &program, const QStringList &arguments) = 0;
};

// The desktop's own: QDesktopServices and a detached process.
class DesktopShellActions final : public ShellActions {
public:
    bool openUrl(const QUrl &url) override;
    bool startProgram(const QString &program, const QStringList &arguments) override;
};

} // namespace vecardia
