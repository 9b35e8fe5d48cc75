// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

namespace vecardia {

class ShellActions;

// The maker's pages and the feedback mail. There is no Internet Explorer and no list of open shell windows here:
// "Internet Explorer" is the user's default browser.

// Opens an address in the browser. What became of it is not looked at.
void OpenInInternetExplorer(ShellActions &shell, const QString &address);
// Opens an address with its default program; with `newWindow`, or when that fails, in the browser.
void OpenWebAddress(ShellActions &shell, const QString &address, bool newWindow);

// The body of the feedback mail: the product, fields left blank for the user to fill in, and the date.
[[nodiscard]] QString feedbackMailBody(const QString &date);
// mailto:ADDRESS?subject=…&body=… with subject and body percent-encoded in UTF-8 (RFC 6068), so that every mail
// program shows them whole, spaces and all.
[[nodiscard]] QUrl feedbackMailLink(const QString &mailAddress, const QString &date);
// Opens the feedback mail to the support address in the user's mail program, dated today (the system's short date).
void SendFeedbackMail(ShellActions &shell, const QString &mailAddress);

} // namespace vecardia
