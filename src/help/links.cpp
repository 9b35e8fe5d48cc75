// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/links.h"

#include "help/shellactions.h"
#include "product/product.h"

#include <QLocale>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

QUrl webAddress(const QString &address)
{
    return QUrl::fromUserInput(address);
}

} // namespace

void OpenInInternetExplorer(ShellActions &shell, const QString &address)
{
    (void)shell.openUrl(webAddress(address));
}

void OpenWebAddress(ShellActions &shell, const QString &address, bool newWindow)
{
    if (!newWindow && shell.openUrl(webAddress(address)))
        return;
    OpenInInternetExplorer(shell, address);
}

QString feedbackMailBody(const QString &date)
{
    // One field a line (CR LF, which the link carries as %0D%0A, RFC 6068); the blanks after each label leave the
    // user room to type.
    return QStringList{u"软件名称："_s + product::kTitle, u"姓名：          "_s, u"Email：           "_s,
                       u"联系地址：           "_s, u"邮编：              "_s, u"电话：                    "_s,
                       u"日期："_s + date}
        .join(u"\r\n"_s);
}

QUrl feedbackMailLink(const QString &mailAddress, const QString &date)
{
    const QString subject = u"我要对["_s + product::kTitle + u"]提建议"_s;
    const QByteArray link = "mailto:" + QUrl::toPercentEncoding(mailAddress, "@") +
                            "?subject=" + QUrl::toPercentEncoding(subject) +
                            "&body=" + QUrl::toPercentEncoding(feedbackMailBody(date));
    return QUrl::fromEncoded(link, QUrl::StrictMode);
}

void SendFeedbackMail(ShellActions &shell, const QString &mailAddress)
{
    const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    (void)shell.openUrl(feedbackMailLink(mailAddress, today));
}

} // namespace vecardia
