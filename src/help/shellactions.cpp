// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/shellactions.h"

#include <QDesktopServices>
#include <QProcess>

namespace vecardia {

bool DesktopShellActions::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}

bool DesktopShellActions::startProgram(const QString &program, const QStringList &arguments)
{
    return QProcess::startDetached(program, arguments);
}

} // namespace vecardia
