// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

class QIODevice;

namespace vecardia {

// vecardia-cli: the program's file commands in batch form. `args` excludes the program name; output goes to `out`,
// messages to `err`, both as UTF-8. Returns the process exit code: 0 done, 1 failed, 2 bad arguments.
[[nodiscard]] int runCli(const QStringList &args, QIODevice &out, QIODevice &err);

} // namespace vecardia
