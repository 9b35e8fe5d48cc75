// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

namespace vecardia {

// Qt's own dialogs and buttons (open, save, the input box, "OK", "Cancel") in Simplified Chinese, when Qt's
// translation is installed; in English otherwise. Returns whether it was found.
bool loadQtChinese(QCoreApplication &app);

} // namespace vecardia
