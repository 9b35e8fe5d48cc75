// SPDX-License-Identifier: GPL-3.0-or-later
// The HTTP control against a server of the test's own on 127.0.0.1: the order of its events, its ready states, the
// save of the body, and silence where a request fails without a response.
#include "net/uxmlhttp.h"

#include "support/httpserver.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;
using testing::HttpServer;

namespace {

// Every event of a control, in the order it came, with DownOK as each event saw it.
struct EventLog {
    QStringList events;
    QList<bool> downOK;
    int ticks = 0;

    explicit EventLog(uXMLHTTP &http)
    {
        QObject::connect(&http, &uXMLHTTP::OnReadyStateChange, [this] { ++ticks; });
        QObject::connect(&http, &uXMLHTTP::OnDateArrived, [this, &http] {
            events << u"arrived"_s;
            downOK << http.DownOK();
        });
        QObject::connect(&http, &uXMLHTTP::OnDateErr, [this, &http](const QString &text) {
            events << u"error[%1]"_s.arg(text);
            downOK << http.DownOK();
        });
    }
};

} // namespace

class TestUXmlHttp : public QObject {
    Q_OBJECT

    QNetworkAccessManager m_manager;

    // Waits until the control completed (DownOK), at most a few seconds.
    static bool completes(const uXMLHTTP &http)
    {
        return QTest::qWaitFor([&] { return http.DownOK(); }, 10000);
    }

private Q_SLOTS:
    void initTestCase() { useSystemProxies(m_manager); }

    // A completed request raises one event: arrived for 200, an error with empty text for any other status.
    void completion_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("event");
        QTest::newRow("200") << 200 << QByteArray("2.0.802") << u"arrived"_s;
        QTest::newRow("200, empty") << 200 << QByteArray() << u"arrived"_s;
        QTest::newRow("404") << 404 << QByteArray("<html>not here</html>") << u"error[]"_s;
        QTest::newRow("500") << 500 << QByteArray("oops") << u"error[]"_s;
        QTest::newRow("204") << 204 << QByteArray() << u"error[]"_s;
    }
    void completion()
    {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(QString, event);
        HttpServer server;
        server.serve("/v", status, body);
        uXMLHTTP http(m_manager);
        EventLog log(http);
        QCOMPARE(http.ReadyState(), 0);
        QVERIFY(http.Open_(u"get"_s, server.url(u"/v"_s)));
        QCOMPARE(http.ReadyState(), 1);
        QVERIFY(!http.DownOK());
        http.Send_();
        QVERIFY(http.tmrReader->isActive());
        QCOMPARE(http.tmrReader->interval(), 10);
        QVERIFY(!http.DownOK()); // not before a tick saw it done
        QVERIFY(completes(http));
        QCOMPARE(log.events, QStringList{event});
        QCOMPARE(log.downOK, QList<bool>{true});
        QVERIFY(log.ticks >= 1);
        QVERIFY(!http.tmrReader->isActive());
        QCOMPARE(http.ReadyState(), 4);
        QCOMPARE(http.Status(), status);
        QCOMPARE(http.ResponseBody(), body);
        QCOMPARE(server.requests.size(), 1);
        QCOMPARE(server.requests.first().method, QByteArray("GET")); // in upper case, whatever it was given as
        // Nothing more once done.
        QTest::qWait(50);
        QCOMPARE(log.events.size(), 1);
    }

    void headersBothWays()
    {
        HttpServer server;
        HttpServer::Response response;
        response.reason = "Fine Thanks";
        response.headers = {{"Content-Type", "text/plain; charset=GBK"}, {"X-Answer", "42"}};
        QStringEncoder gbk("GBK");
        response.body = gbk.encode(u"最新版本"_s);
        server.serve("/h", response);
        uXMLHTTP http(m_manager);
        QVERIFY(http.Open_(u"POST"_s, server.url(u"/h"_s)));
        http.SetRequestHeader(u"X-Asked"_s, u"yes"_s);
        http.Send_("the body");
        QVERIFY(completes(http));
        QCOMPARE(server.requests.first().method, QByteArray("POST"));
        QCOMPARE(server.requests.first().headers.value("x-asked"), QByteArray("yes"));
        QCOMPARE(server.requests.first().body, QByteArray("the body"));
        QCOMPARE(http.StatusText(), u"Fine Thanks"_s);
        QCOMPARE(http.GetResponseHeader(u"x-answer"_s), u"42"_s);
        QCOMPARE(http.GetResponseHeader(u"X-Missing"_s), QString());
        QVERIFY(http.GetAllResponseHeaders().contains(u"X-Answer: 42\r\n"_s));
        QVERIFY(http.GetAllResponseHeaders().endsWith(u"\r\n"_s));
        QCOMPARE(http.ResponseText(), u"最新版本"_s); // in the charset the server named
    }

    void responseTextWithoutCharset()
    {
        HttpServer server;
        server.serve("/u8", 200, u"版本 2.0.802"_s.toUtf8());
        server.serve("/bom", 200, QByteArray("\xEF\xBB\xBF") + "2.0.802");
        uXMLHTTP http(m_manager);
        QVERIFY(http.Open_(u"GET"_s, server.url(u"/u8"_s)));
        http.Send_();
        QVERIFY(completes(http));
        QCOMPARE(http.ResponseText(), u"版本 2.0.802"_s);
        QVERIFY(http.Open_(u"GET"_s, server.url(u"/bom"_s)));
        QVERIFY(!http.DownOK()); // a new request is not done
        QCOMPARE(http.ResponseBody(), QByteArray());
        http.Send_();
        QVERIFY(completes(http));
        QCOMPARE(http.ResponseText(), u"2.0.802"_s);
    }

    void redirectIsFollowed()
    {
        HttpServer server;
        server.redirect("/old", "/new");
        server.serve("/new", 200, "moved here");
        uXMLHTTP http(m_manager);
        EventLog log(http);
        QVERIFY(http.Open_(u"GET"_s, server.url(u"/old"_s)));
        http.Send_();
        QVERIFY(completes(http));
        QCOMPARE(log.events, QStringList{u"arrived"_s});
        QCOMPARE(http.ResponseBody(), QByteArray("moved here"));
        QCOMPARE(server.requests.size(), 2);
    }

    // No response at all: the control completes with a status above 600 and raises nothing.
    void refusedConnectionIsSilent()
    {
        uXMLHTTP http(m_manager);
        EventLog log(http);
        QVERIFY(http.Open_(u"GET"_s, u"http://127.0.0.1:%1/v"_s.arg(testing::closedPort())));
        http.Send_();
        QVERIFY(completes(http));
        QVERIFY(http.Status() > 600);
        QCOMPARE(http.ReadyState(), 4);
        QCOMPARE(log.events, QStringList());
        QCOMPARE(http.ResponseBody(), QByteArray());
    }

    // A server that never answers keeps the control polling until Abort_, which drops the request.
    void neverAnsweredUntilAborted()
    {
        HttpServer server;
        HttpServer::Response hang;
        hang.hang = true;
        server.serve("/slow", hang);
        uXMLHTTP http(m_manager);
        EventLog log(http);
        QVERIFY(http.Open_(u"GET"_s, server.url(u"/slow"_s)));
        http.Send_();
        QVERIFY(QTest::qWaitFor([&] { return !server.requests.isEmpty(); }, 10000));
        const int ticks = log.ticks;
        QTest::qWait(100);
        QVERIFY(log.ticks > ticks); // still looking
        QVERIFY(http.ReadyState() < 4);
        QVERIFY(!http.DownOK());
        http.Abort_();
        QVERIFY(!http.tmrReader->isActive());
        QCOMPARE(http.ReadyState(), 0);
        QTest::qWait(50);
        QCOMPARE(log.events, QStringList());
        QVERIFY(!http.DownOK());
    }

    // Send_ starts polling only on a control that was opened once; a second Send_ sends nothing more.
    void sendWithoutOpen()
    {
        HttpServer server;
        server.serve("/v", 200, "x");
        uXMLHTTP http(m_manager);
        EventLog log(http);
        http.Send_();
        QVERIFY(!http.tmrReader->isActive());
        QTest::qWait(50);
        QCOMPARE(log.ticks, 0);
        QCOMPARE(http.ReadyState(), 0);

        QVERIFY(http.Open_(u"GET"_s, server.url(u"/v"_s)));
        http.Send_();
        QVERIFY(completes(http));
        http.Send_(); // armed: polls again, finds it done, and says so again; the server sees no second request
        QVERIFY(QTest::qWaitFor([&] { return log.events.size() == 2; }, 5000));
        QCOMPARE(server.requests.size(), 1);
    }

    void openRefusesWhatItCannotRequest_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QString>("url");
        QTest::newRow("no method") << QString() << u"http://127.0.0.1:1/"_s;
        QTest::newRow("relative") << u"GET"_s << u"vecardia/newver.txt"_s;
        QTest::newRow("empty") << u"GET"_s << QString();
        QTest::newRow("ftp") << u"GET"_s << u"ftp://127.0.0.1/newver.txt"_s;
        QTest::newRow("no host") << u"GET"_s << u"http:///vecardia/newver.txt"_s;
    }
    void openRefusesWhatItCannotRequest()
    {
        QFETCH(QString, method);
        QFETCH(QString, url);
        uXMLHTTP http(m_manager);
        QVERIFY(!http.Open_(method, url));
        http.Send_();
        QVERIFY(!http.tmrReader->isActive());
        QCOMPARE(http.ReadyState(), 0);
    }

    // The body of a 200 response goes to the save path, replacing a file there; an empty body writes nothing.
    void saveToFile_data()
    {
        QTest::addColumn<QString>("form"); // how the path is given
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("existing");
        QTest::newRow("path") << u"%1"_s << QByteArray("new body") << false;
        QTest::newRow("file URL over a file") << u"file://%1"_s << QByteArray("new body") << true;
        QTest::newRow("FILE URL, spaces") << u"  FILE://%1 "_s << QByteArray("new body") << true;
        QTest::newRow("empty body") << u"%1"_s << QByteArray() << true;
    }
    void saveToFile()
    {
        QFETCH(QString, form);
        QFETCH(QByteArray, body);
        QFETCH(bool, existing);
        testing::TempFolder dir;
        const QString path = dir.filePath(u"newver.txt"_s);
        if (existing)
            dir.write(u"newver.txt"_s, "old body");
        HttpServer server;
        server.serve("/v", 200, body);
        uXMLHTTP http(m_manager);
        EventLog log(http);
        QVERIFY(http.Open_(u"GET"_s, server.url(u"/v"_s), form.arg(path)));
        http.Send_();
        QVERIFY(completes(http));
        QCOMPARE(log.events, QStringList{u"arrived"_s});
        const QByteArray expected = !body.isEmpty() ? body
                                    : existing      ? QByteArray("old body")
                                                    : QByteArray("<missing>");
        QCOMPARE(testing::TempFolder::contents(path), expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"newver.txt"_s}); // nothing left beside it
    }

    void errorsAreNotSaved()
    {
        testing::TempFolder dir;
        HttpServer server;
        server.serve("/v", 404, "not found page");
        uXMLHTTP http(m_manager);
        QVERIFY(http.Open_(u"GET"_s, server.url(u"/v"_s), dir.filePath(u"out.txt"_s)));
        http.Send_();
        QVERIFY(completes(http));
        QVERIFY(!QFile::exists(dir.filePath(u"out.txt"_s)));
    }

    void pathExists_data()
    {
        QTest::addColumn<QString>("form");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("exists");
        QTest::newRow("a file") << u"%1"_s << u"a.txt"_s << true;
        QTest::newRow("spaces around") << u"  %1  "_s << u"a.txt"_s << true;
        QTest::newRow("file URL") << u"file://%1"_s << u"a.txt"_s << true;
        QTest::newRow("file URL, upper case") << u"FiLe://%1"_s << u"a.txt"_s << true;
        QTest::newRow("missing") << u"%1"_s << u"b.txt"_s << false;
        QTest::newRow("a folder") << u"%1"_s << u"sub"_s << false;
        QTest::newRow("empty") << u""_s << u"a.txt"_s << false;
        QTest::newRow("only spaces") << u"   "_s << u"a.txt"_s << false;
    }
    void pathExists()
    {
        QFETCH(QString, form);
        QFETCH(QString, name);
        QFETCH(bool, exists);
        testing::TempFolder dir;
        dir.write(u"a.txt"_s, "x");
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
        const QString path = form.contains(u"%1"_s) ? form.arg(dir.filePath(name)) : form;
        QCOMPARE(uXMLHTTP::PathExists(path), exists);
    }
};

QTEST_GUILESS_MAIN(TestUXmlHttp)
#include "tst_uxmlhttp.moc"
