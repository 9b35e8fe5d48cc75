// SPDX-License-Identifier: GPL-3.0-or-later
// The About box, the maker's links, the feedback mail and the system information, with a shell that records what
// would be opened or started.
#include "help/aboutdialog.h"
#include "help/links.h"
#include "help/sysinfo.h"
#include "shell/registry.h"

#include "support/recordingshell.h"
#include "support/tempfolder.h"
#include "support/testprompter.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>
#include <QUrlQuery>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

const QString kMsinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString kLocation = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const quint32 kMachine = Module3::RootKeyFromName(u"HKEY_LOCAL_MACHINE"_s);

product::Configuration configuration()
{
    product::Configuration c = product::Configuration::builtIn();
    c.website = u"http://127.0.0.1:8000/"_s;
    c.website2Name = u"第二站"_s;
    c.website2 = u"https://two.example/"_s;
    c.shop = u"https://shop.example/item?id=7"_s;
    c.supportMail = u"help@maker.example"_s;
    c.supportQQ = u"12345"_s;
    return c;
}

// The subject and body of a mailto: link, decoded.
// The mouse moving over a widget, as the window system reports it.
void hover(QWidget *widget, QPoint at)
{
    QMouseEvent move(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

std::pair<QString, QString> subjectAndBody(const QUrl &link)
{
    const QUrlQuery query(link);
    return {query.queryItemValue(u"subject"_s, QUrl::FullyDecoded),
            query.queryItemValue(u"body"_s, QUrl::FullyDecoded)};
}

} // namespace

class TestAbout : public QObject {
    Q_OBJECT

    testing::RecordingShell m_shell;
    testing::TestPrompter m_prompter;
    InMemoryRegistry m_registry;
    testing::TempFolder m_empty; // a PATH without system-information tools

    std::unique_ptr<frmAbout> about()
    {
        auto dialog = std::make_unique<frmAbout>(configuration(), m_shell, m_prompter, &m_registry);
        dialog->programFolders = {m_empty.path()};
        return dialog;
    }

private Q_SLOTS:
    void init()
    {
        m_shell = {};
        m_prompter.forget();
        m_registry = {};
    }

    void texts()
    {
        const auto dialog = about();
        QCOMPARE(dialog->windowTitle(), u"关于『卡舟手机电话簿管理器』 "_s);
        QCOMPARE(dialog->lsoftname->text(), u"卡舟手机电话簿管理器"_s);
        QCOMPARE(dialog->lblVersion->text(), u"版本 2.0.801"_s);
        QCOMPARE(dialog->Label1->text(), u"软件制作：卡舟软件"_s);
        QCOMPARE(dialog->Label2->text(), u"卡舟软件：http://127.0.0.1:8000/"_s);
        QCOMPARE(dialog->Label2->toolTip(), u"访问支持网站"_s);
        QCOMPARE(dialog->Label7->text(), u"第二站：https://two.example/"_s);
        QCOMPARE(dialog->Label4->text(), u"Email：help@maker.example"_s);
        QCOMPARE(dialog->Label4->toolTip(), u"给软件作者写邮件"_s);
        QCOMPARE(dialog->Label5->text(), u"QQ：12345"_s);
        QCOMPARE(dialog->Image2->toolTip(), u"去看看～～"_s);
        QCOMPARE(dialog->cmdOK->text(), u"确定"_s);
        QCOMPARE(dialog->cmdSysInfo->text(), u"系统信息(&S)..."_s);
        QVERIFY(!dialog->Image1->pixmap().isNull());
        QVERIFY(!dialog->Image2->pixmap().isNull());
        dialog->show();
        QVERIFY(!dialog->Line2->isVisible());
        // Nothing was opened by showing it.
        QVERIFY(m_shell.opened.isEmpty());
    }

    // A long address widens the box instead of being cut.
    void longAddressFits()
    {
        product::Configuration c = configuration();
        c.website = u"https://a-very-long-host-name-for-the-maker.example/and/a/long/path/"_s;
        frmAbout dialog(c, m_shell, m_prompter, &m_registry);
        dialog.show();
        QVERIFY(dialog.Label2->geometry().right() < dialog.width());
        QVERIFY(dialog.Label2->width() >= dialog.Label2->sizeHint().width());
        QVERIFY(dialog.cmdOK->geometry().right() < dialog.width());
    }

    void linkClicks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("opened");
        QTest::newRow("Label2: the maker's site") << u"Label2"_s << u"http://127.0.0.1:8000/"_s;
        QTest::newRow("Label7: the second site") << u"Label7"_s << u"https://two.example/"_s;
        QTest::newRow("Image2: the shop") << u"Image2"_s << u"https://shop.example/item?id=7"_s;
    }
    void linkClicks()
    {
        QFETCH(QString, link);
        QFETCH(QString, opened);
        const auto dialog = about();
        dialog->show();
        QTest::mouseClick(dialog->findChild<QLabel *>(link), Qt::LeftButton);
        QCOMPARE(m_shell.opened, QList<QUrl>{QUrl(opened)});
        QTest::mouseClick(dialog->Label5, Qt::LeftButton); // not a link
        QCOMPARE(m_shell.opened.size(), 1);
        QVERIFY(dialog->isVisible());
    }

    // "Email：" opens a mail to the support address whose subject and body every mail program shows whole.
    void feedbackMail()
    {
        const auto dialog = about();
        dialog->show();
        QTest::mouseClick(dialog->Label4, Qt::LeftButton);
        QCOMPARE(m_shell.opened.size(), 1);
        const QUrl link = m_shell.opened.first();
        QCOMPARE(link.scheme(), u"mailto"_s);
        QCOMPARE(link.path(), u"help@maker.example"_s);
        const auto [subject, body] = subjectAndBody(link);
        QCOMPARE(subject, u"我要对[卡舟手机电话簿管理器]提建议"_s);
        const QString today = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
        QCOMPARE(body, feedbackMailBody(today));
        QVERIFY(body.startsWith(u"软件名称：卡舟手机电话簿管理器\r\n姓名：          "_s));
        QVERIFY(body.endsWith(u"\r\n日期："_s + today));
        QVERIFY(link.toEncoded().contains("%0D%0A"));
        // RFC 6068: nothing in the query a mail program could cut at.
        const QByteArray encoded = link.toEncoded();
        QVERIFY(!encoded.contains(' '));
        QCOMPARE(encoded.count('&'), 1);
        QCOMPARE(encoded.count('?'), 1);
    }

    void feedbackBodyKeepsItsBlanks()
    {
        const QString body = feedbackMailBody(u"2026/12/8"_s);
        QCOMPARE(body, u"软件名称：卡舟手机电话簿管理器\r\n姓名："_s + QString(10, u' ') + u"\r\nEmail："_s +
                           QString(11, u' ') + u"\r\n联系地址："_s + QString(11, u' ') + u"\r\n邮编："_s +
                           QString(14, u' ') + u"\r\n电话："_s + QString(20, u' ') + u"\r\n日期：2026/12/8"_s);
        const auto [subject, decoded] = subjectAndBody(feedbackMailLink(u"a&b@maker.example"_s, u"2026/12/8"_s));
        QCOMPARE(decoded, body);
        QCOMPARE(subject, u"我要对[卡舟手机电话簿管理器]提建议"_s);
        QCOMPARE(feedbackMailLink(u"a&b@maker.example"_s, u"x"_s).path(), u"a&b@maker.example"_s);
    }

    // The underline follows the link under the mouse and goes when the mouse is over the box itself.
    void hoverUnderline()
    {
        const auto dialog = about();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        for (QLabel *link : {dialog->Label2, dialog->Label4, dialog->Label7}) {
            hover(link, QPoint(5, 5));
            QVERIFY(dialog->Line2->isVisible());
            QCOMPARE(dialog->Line2->geometry(), QRect(link->x(), link->geometry().bottom() + 1, link->width(), 1));
        }
        hover(dialog.get(), QPoint(dialog->width() - 5, 5));
        QVERIFY(!dialog->Line2->isVisible());
    }

    void okCloses()
    {
        const auto dialog = about();
        dialog->show();
        QTest::mouseClick(dialog->cmdOK, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));
    }

    // The system information: the registered program, else a tool on the PATH, else one plain message.
    void systemInformation_data()
    {
        QTest::addColumn<QString>("msinfoPath");  // MSINFO's PATH; "-" none
        QTest::addColumn<bool>("locationHasExe"); // "Shared Tools Location" names a folder with MSINFO32.EXE
        QTest::addColumn<QString>("toolOnPath");  // a tool in the searched folder; empty none
        QTest::addColumn<bool>("starts");         // the shell starts programs
        QTest::addColumn<QString>("started");     // what was started: "<folder>/…" or a path; empty nothing
        QTest::newRow("registered") << u"/opt/info/sysinfo"_s << true << u"hardinfo"_s << true
                                    << u"/opt/info/sysinfo"_s;
        QTest::newRow("in the tools' folder") << u"-"_s << true << u"hardinfo"_s << true << u"<folder>/MSINFO32.EXE"_s;
        QTest::newRow("a tool on the PATH") << u"-"_s << false << u"hardinfo"_s << true << u"<path>/hardinfo"_s;
        QTest::newRow("nothing") << u"-"_s << false << QString() << true << QString();
        QTest::newRow("the start fails") << u"/opt/info/sysinfo"_s << false << QString() << false
                                         << u"/opt/info/sysinfo"_s;
    }
    void systemInformation()
    {
        QFETCH(QString, msinfoPath);
        QFETCH(bool, locationHasExe);
        QFETCH(QString, toolOnPath);
        QFETCH(bool, starts);
        QFETCH(QString, started);
        testing::TempFolder tools, path;
        QVERIFY(m_registry.createKey(kMachine, kMsinfo));
        QVERIFY(m_registry.createKey(kMachine, kLocation));
        if (msinfoPath != u"-"_s)
            QVERIFY(m_registry.setValue(kMachine, kMsinfo, u"PATH"_s, msinfoPath));
        if (locationHasExe)
            tools.write(u"MSINFO32.EXE"_s, "MZ");
        QVERIFY(m_registry.setValue(kMachine, kLocation, u"MSINFO"_s, tools.path()));
        if (!toolOnPath.isEmpty()) {
            QFile tool(path.write(toolOnPath, "#!/bin/sh\n"));
            QVERIFY(tool.setPermissions(tool.permissions() | QFile::ExeOwner));
        }
        m_shell.starts = starts;
        const auto dialog = about();
        dialog->programFolders = {path.path()};
        QTest::mouseClick(dialog->cmdSysInfo, Qt::LeftButton);

        started.replace(u"<folder>"_s, tools.path()).replace(u"<path>"_s, path.path());
        QCOMPARE(m_shell.started.size(), started.isEmpty() ? 0 : 1);
        if (!started.isEmpty())
            QCOMPARE(m_shell.started.first(), std::make_pair(started, QStringList()));
        const bool told = started.isEmpty() || !starts;
        QCOMPARE(m_prompter.shown.size(), told ? 1 : 0);
        if (told) {
            QCOMPARE(m_prompter.shown.first().text, u"此时系统信息不可用"_s);
            QCOMPARE(m_prompter.shown.first().icon, Prompter::Icon::None);
            QCOMPARE(m_prompter.shown.first().buttons, Prompter::Buttons::Ok);
            QCOMPARE(m_prompter.shown.first().caption, u"卡舟手机电话簿管理器"_s);
        }
    }

    // The registered value is read as a 1024-byte buffer would take it: with its closing zero, in the system code
    // page.
    void keyValueBuffer()
    {
        QVERIFY(m_registry.createKey(kMachine, kMsinfo));
        QVERIFY(m_registry.setValue(kMachine, kMsinfo, u"PATH"_s, QString(1023, u'a')));
        QCOMPARE(GetKeyValue(m_registry, kMachine, kMsinfo, u"PATH"_s), std::optional(QString(1023, u'a')));
        QVERIFY(m_registry.setValue(kMachine, kMsinfo, u"PATH"_s, QString(1024, u'a')));
        QCOMPARE(GetKeyValue(m_registry, kMachine, kMsinfo, u"PATH"_s), std::nullopt);
        QVERIFY(m_registry.setValue(kMachine, kMsinfo, u"PATH"_s, QString(512, u'系'))); // two bytes each
        QCOMPARE(GetKeyValue(m_registry, kMachine, kMsinfo, u"PATH"_s), std::nullopt);
        QCOMPARE(GetKeyValue(m_registry, kMachine, kMsinfo, u"Other"_s), std::nullopt);
        QCOMPARE(GetKeyValue(m_registry, kMachine, kLocation, u"PATH"_s), std::nullopt);
        QCOMPARE(systemInformationProgram(nullptr, {m_empty.path()}), QString());
    }

    // A page opens with the default program; in a new window, or when that fails, in the browser.
    void openWebAddress_data()
    {
        QTest::addColumn<bool>("newWindow");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("tries");
        QTest::newRow("default program") << false << true << 1;
        QTest::newRow("default program fails") << false << false << 2;
        QTest::newRow("new window") << true << true << 1;
        QTest::newRow("new window fails") << true << false << 1;
    }
    void openWebAddress()
    {
        QFETCH(bool, newWindow);
        QFETCH(bool, opens);
        QFETCH(int, tries);
        m_shell.opens = opens;
        OpenWebAddress(m_shell, u"http://127.0.0.1:8000/vecardia/"_s, newWindow);
        QCOMPARE(m_shell.opened, QList<QUrl>(tries, QUrl(u"http://127.0.0.1:8000/vecardia/"_s)));
        m_shell.opened.clear();
        OpenInInternetExplorer(m_shell, u"www.kazhou.example/afterservice.htm"_s);
        QCOMPARE(m_shell.opened, QList<QUrl>{QUrl(u"http://www.kazhou.example/afterservice.htm"_s)});
    }
};

QTEST_MAIN(TestAbout)
#include "tst_about.moc"
