// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs checks on a modal dialog while it is open. The dialog is closed when the checks end, also when a check fails
// and returns early, so a failing check fails the test instead of leaving the dialog's event loop waiting forever.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <functional>

namespace vecardia::testing {

template<typename Dialog>
void whileOpen(QObject *context, std::function<void(Dialog *)> checks)
{
    QTimer::singleShot(0, context, [checks = std::move(checks)] {
        QPointer<Dialog> dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        // Closed however the checks end.
        struct Closer {
            QPointer<Dialog> &dialog;
            ~Closer()
            {
                if (dialog)
                    dialog->reject();
            }
        } closer{dialog};
        QVERIFY2(dialog, "the dialog did not open");
        checks(dialog);
    });
}

} // namespace vecardia::testing
