// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's update check against a server of the test's own on 127.0.0.1, and the Help menu's links.
#include "app/mainwindow.h"
#include "help/aboutdialog.h"
#include "model/contactlistmodel.h"
#include "net/uxmlhttp.h"
#include "product/product.h"

#include "support/httpserver.h"
#include "support/modal.h"
#include "support/tempfolder.h"
#include "support/testdesktop.h"
#include "support/testprompter.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;
using testing::HttpServer;

namespace {

product::Configuration pointedAt(const QString &website, bool updateCheck = true)
{
    product::Configuration c = product::Configuration::builtIn();
    c.website = website;
    c.website2 = u"https://second.example/"_s;
    c.updateCheck = updateCheck;
    return c;
}

} // namespace

class TestUpdates : public QObject {
    Q_OBJECT

    testing::TestPrompter m_prompter;
    std::unique_ptr<testing::TestDesktop> m_desktop;
    std::unique_ptr<HttpServer> m_server;

    // A window of the desktop under test; the configuration is read as it is made.
    std::unique_ptr<Form1> window()
    {
        auto w = std::make_unique<Form1>(m_prompter, &m_desktop->services);
        w->show();
        return w;
    }
    // The check runs until its request completed.
    static bool checked(Form1 &w)
    {
        return QTest::qWaitFor([&] { return w.uXMLHTTP2->DownOK(); }, 10000);
    }

private Q_SLOTS:
    void init()
    {
        m_prompter.forget();
        m_prompter.whenShown = nullptr;
        m_desktop = std::make_unique<testing::TestDesktop>();
        m_server = std::make_unique<HttpServer>();
        product::setConfiguration(pointedAt(m_server->base() + u"/"_s));
    }
    void cleanup()
    {
        m_server.reset();
        m_desktop.reset();
    }

    void versionFile_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("notice"); // Label11 afterwards; empty: nothing shown
        QTest::newRow("newer") << 200 << QByteArray("2.0.802") << u"最新版本：V2.0.802"_s;
        QTest::newRow("newer, spaces and line end") << 200 << QByteArray("  2.0.802 \n") << u"最新版本：V2.0.802"_s;
        QTest::newRow("3.0.0") << 200 << QByteArray("3.0.0") << u"最新版本：V3.0.0"_s;
        QTest::newRow("same") << 200 << QByteArray("2.0.801") << QString();
        QTest::newRow("older") << 200 << QByteArray("2.0.800") << QString();
        QTest::newRow("two parts") << 200 << QByteArray("2.1") << QString();
        QTest::newRow("four parts") << 200 << QByteArray("2.0.8.1") << QString();
        QTest::newRow("not a number") << 200 << QByteArray("2.0.x") << QString();
        QTest::newRow("empty") << 200 << QByteArray() << QString();
        QTest::newRow("eleven characters") << 200 << QByteArray("2.0.8020000") << QString();
        QTest::newRow("an error page with 200") << 200 << QByteArray("<html><body>Not here</body></html>") << QString();
        QTest::newRow("404") << 404 << QByteArray("2.0.802") << QString();
    }
    void versionFile()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, content);
        QFETCH(QString, notice);
        m_server->serve("/vecardia/newver.txt", status, content);
        const auto w = window();
        QList<QUrl> openedBeforeTheMessage{QUrl(u"<not shown>"_s)};
        m_prompter.whenShown = [&](const auto &) { openedBeforeTheMessage = m_desktop->shell.opened; };
        w->checkForUpdate();
        QVERIFY(checked(*w));
        QCOMPARE(m_server->requests.size(), 1);
        QCOMPARE(m_server->requests.first().path, QByteArray("/vecardia/newver.txt"));
        QCOMPARE(m_server->requests.first().method, QByteArray("GET"));
        if (notice.isEmpty()) {
            QVERIFY(!w->Label11->isVisible());
            QCOMPARE(m_prompter.shown.size(), 0);
            QCOMPARE(m_desktop->shell.opened.size(), 0);
            return;
        }
        QVERIFY(w->Label11->isVisible());
        QCOMPARE(w->Label11->text(), notice);
        QCOMPARE(m_prompter.shown.size(), 1);
        QCOMPARE(m_prompter.shown.first().text, u"有最新版本可以更新升级！要打开产品页面吗？"_s);
        QCOMPARE(m_prompter.shown.first().buttons, Prompter::Buttons::YesNo);
        QCOMPARE(m_prompter.shown.first().caption, u"卡舟手机电话簿管理器"_s);
        // The page opens once the message is closed.
        QCOMPARE(openedBeforeTheMessage, QList<QUrl>());
        QCOMPARE(m_desktop->shell.opened, QList<QUrl>{QUrl(m_server->url(u"/vecardia/"_s))});
        // The notice is a link to the same page, in the browser.
        QTest::mouseClick(w->Label11, Qt::LeftButton);
        QCOMPARE(m_desktop->shell.opened.size(), 2);
        QCOMPARE(m_desktop->shell.opened.last(), QUrl(m_server->url(u"/vecardia/"_s)));
        QCOMPARE(m_prompter.shown.size(), 1);
    }

    // "否" keeps the browser shut; the notice stays, a link to the page.
    void newerVersionDeclined()
    {
        m_server->serve("/vecardia/newver.txt", 200, "2.0.900");
        const auto w = window();
        m_prompter.answers.enqueue(Prompter::Answer::No);
        w->checkForUpdate();
        QVERIFY(checked(*w));
        QCOMPARE(m_prompter.shown.size(), 1);
        QCOMPARE(m_desktop->shell.opened.size(), 0);
        QCOMPARE(w->Label11->text(), u"最新版本：V2.0.900"_s);
    }

    // A version file is a few bytes: a longer body (an error page, or one that never ends) is given up after 1 KB
    // and says nothing; a redirect to another site is not followed.
    void boundedVersionFile()
    {
        m_server->serve("/vecardia/newver.txt", 200, "2.0.900" + QByteArray(2048, ' '));
        auto w = window();
        w->checkForUpdate();
        QVERIFY(checked(*w));
        QVERIFY(!w->Label11->isVisible());
        QCOMPARE(m_prompter.shown.size(), 0);

        testing::HttpServer elsewhere;
        elsewhere.serve("/newver.txt", 200, "2.0.900");
        m_server->redirect("/vecardia/newver.txt", elsewhere.url(u"/newver.txt"_s).toLatin1());
        w = window();
        w->checkForUpdate();
        QVERIFY(checked(*w));
        QVERIFY(elsewhere.requests.isEmpty());
        QVERIFY(!w->Label11->isVisible());
    }

    void redirectedVersionFile()
    {
        m_server->redirect("/vecardia/newver.txt", "/moved/newver.txt");
        m_server->serve("/moved/newver.txt", 200, "2.0.900");
        const auto w = window();
        w->checkForUpdate();
        QVERIFY(checked(*w));
        QCOMPARE(w->Label11->text(), u"最新版本：V2.0.900"_s);
    }

    // Timer1 fires once, a second after start-up, and starts the one check of this run.
    void startUpStartsIt()
    {
        m_server->serve("/vecardia/newver.txt", 200, "2.0.801");
        const auto w = window();
        QVERIFY(!w->Timer1->isActive());
        w->startUp({});
        QVERIFY(w->Timer1->isActive());
        QCOMPARE(w->Timer1->interval(), 1000);
        QVERIFY(m_server->requests.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests.size(), 1, 10000);
        QVERIFY(!w->Timer1->isActive());
        QTest::qWait(1200);
        QCOMPARE(m_server->requests.size(), 1);
    }

    void switchedOff()
    {
        product::setConfiguration(pointedAt(m_server->base(), false));
        m_server->serve("/vecardia/newver.txt", 200, "9.9.9");
        const auto w = window();
        w->startUp({});
        QTest::qWait(1500);
        w->checkForUpdate();
        QTest::qWait(100);
        QVERIFY(m_server->requests.isEmpty());
        QVERIFY(!w->Label11->isVisible());
    }

    // A server that never answers changes nothing, and the window works on meanwhile.
    void serverNeverAnswers()
    {
        HttpServer::Response hang;
        hang.hang = true;
        m_server->serve("/vecardia/newver.txt", hang);
        testing::TempFolder dir;
        const QString book = dir.write(u"a.vcf"_s, "BEGIN:VCARD\nVERSION:3.0\nFN:甲\nTEL;TYPE=CELL:138\nEND:VCARD\n");
        const auto w = window();
        w->checkForUpdate();
        QTRY_COMPARE_WITH_TIMEOUT(m_server->requests.size(), 1, 10000);
        w->打开单个VCF文件(book);
        QCOMPARE(w->listModel().rowCount(), 1);
        QTest::qWait(300);
        QVERIFY(!w->uXMLHTTP2->DownOK());
        QVERIFY(!w->Label11->isVisible());
        QVERIFY(m_prompter.shown.isEmpty());
    }

    void noServerIsSilent()
    {
        product::setConfiguration(pointedAt(u"http://127.0.0.1:%1"_s.arg(testing::closedPort())));
        const auto w = window();
        w->checkForUpdate();
        QVERIFY(checked(*w));
        QVERIFY(w->uXMLHTTP2->Status() > 600);
        QVERIFY(!w->Label11->isVisible());
        QVERIFY(m_prompter.shown.isEmpty());
        QVERIFY(m_desktop->shell.opened.isEmpty());
    }

    // A window without the desktop's services makes no request and opens nothing.
    void windowWithoutDesktop()
    {
        m_server->serve("/vecardia/newver.txt", 200, "9.9.9");
        Form1 w(m_prompter);
        w.show();
        QVERIFY(!w.uXMLHTTP2);
        w.checkForUpdate();
        QTest::qWait(100);
        QVERIFY(m_server->requests.isEmpty());
        for (const QString &item : {u"关于"_s, u"最新版本"_s, u"作者网站一"_s})
            QVERIFY(!w.findChild<QAction *>(u"menu"_s + item)->isEnabled());
    }

    void helpMenu_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("path"); // below the web site; "!" the second web site
        QTest::newRow("最新版本") << u"最新版本"_s << u"/vecardia/"_s;
        QTest::newRow("功能介绍及使用方法") << u"功能介绍及使用方法"_s << u"/vecardia/"_s;
        QTest::newRow("售后服务") << u"售后服务"_s << u"/afterservice.htm"_s;
        QTest::newRow("作者网站一") << u"作者网站一"_s << u"/"_s;
        QTest::newRow("作者网站二") << u"作者网站二"_s << u"!"_s;
    }
    void helpMenu()
    {
        QFETCH(QString, item);
        QFETCH(QString, path);
        const auto w = window();
        QAction *action = w->findChild<QAction *>(u"menu"_s + item);
        QVERIFY(action);
        QCOMPARE(action->text(), item);
        QVERIFY(action->isEnabled());
        action->trigger();
        const QUrl expected(path == u"!"_s ? u"https://second.example/"_s : m_server->url(path));
        QCOMPARE(m_desktop->shell.opened, QList<QUrl>{expected});
    }

    void aboutBox()
    {
        const auto w = window();
        bool shown = false;
        testing::whileOpen<frmAbout>(this, [&](frmAbout *about) {
            shown = true;
            QCOMPARE(about->windowTitle(), u"关于『卡舟手机电话簿管理器』 "_s);
            QCOMPARE(about->Label2->text(), u"卡舟软件："_s + m_server->base() + u"/"_s);
            QTest::mouseClick(about->Label2, Qt::LeftButton);
            QCOMPARE(m_desktop->shell.opened, QList<QUrl>{QUrl(m_server->base() + u"/"_s)});
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        });
        w->findChild<QAction *>(u"menu关于"_s)->trigger();
        QVERIFY(shown);
    }
};

QTEST_MAIN(TestUpdates)
#include "tst_updates.moc"
