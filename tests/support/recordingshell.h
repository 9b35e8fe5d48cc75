// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The desktop's shell as tests see it: it records every address opened and program started, and takes or refuses
// them as the test says.

#include "help/shellactions.h"

#include <QList>
#include <QUrl>

namespace vecardia::testing {

class RecordingShell final : public ShellActions {
public:
    bool opens = true;
    bool starts = true;
    QList<QUrl> opened;
    QList<std::pair<QString, QStringList>> started;

    bool openUrl(const QUrl &url) override
    {
        opened.append(url);
        return opens;
    }
    bool startProgram(const QString &program, const QStringList &arguments) override
    {
        started.append({program, arguments});
        return starts;
    }
};

} // namespace vecardia::testing
