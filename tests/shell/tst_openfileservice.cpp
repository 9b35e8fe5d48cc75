// SPDX-License-Identifier: GPL-3.0-or-later
// The open-file service on a private session bus (the test runs under dbus-run-session): Execute, the freedesktop
// application interface that gapplication calls, `vecardia --execute`, and a second window.
#include "shell/unix/openfileservice.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

class TestOpenFileService : public QObject {
    Q_OBJECT

    QStringList m_opened;
    int m_raised = 0;
    std::unique_ptr<OpenFileService> m_service;

    // Calls Execute as another program would, and lets the service answer and open.
    QString callExecute(const QString &command)
    {
        QDBusInterface window(OpenFileService::serviceName(), u"/FormDDE"_s, u"io.github.vecardia.Vecardia.FormDDE"_s,
                              QDBusConnection::sessionBus());
        QDBusPendingCallWatcher watcher(window.asyncCall(u"Execute"_s, command));
        QSignalSpy answered(&watcher, &QDBusPendingCallWatcher::finished);
        if (!watcher.isFinished() && !answered.wait(10000))
            return u"<no answer>"_s;
        QTest::qWait(50); // the file opens once the call is answered
        const QDBusPendingReply<QString> reply = watcher;
        return reply.isError() ? reply.error().message() : reply.value();
    }

    // Runs a program while the service answers; its exit code and standard error.
    std::pair<int, QString> run(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        QSignalSpy finished(&process, &QProcess::finished);
        if (!finished.wait(30000)) {
            process.kill();
            process.waitForFinished();
            return {-1, u"<timed out>"_s};
        }
        QTest::qWait(50);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus: the suite runs this test under dbus-run-session (package dbus-daemon)");
    }

    void init()
    {
        m_opened.clear();
        m_raised = 0;
        m_service = std::make_unique<OpenFileService>([this](const QString &path) { m_opened << path; },
                                                      [this] { ++m_raised; });
        QVERIFY(m_service->start());
    }
    void cleanup() { m_service.reset(); }

    void executeOpensThePathWhole_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QStringList>("opened");
        QTest::newRow("a path") << u"/home/me/book.vcf"_s << QStringList{u"/home/me/book.vcf"_s};
        QTest::newRow("nothing") << QString() << QStringList();
        // Not trimmed, quotes kept: the open then says it cannot read such a file.
        QTest::newRow("quoted") << u"\"/home/me/my book.vcf\" "_s << QStringList{u"\"/home/me/my book.vcf\" "_s};
    }
    void executeOpensThePathWhole()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, opened);
        QCOMPARE(callExecute(command), u"accepted"_s);
        QCOMPARE(m_opened, opened);
    }

    // A second window finds the name taken and runs without the service; the first one still serves.
    void secondWindowRunsWithout()
    {
        OpenFileService second([](const QString &) {}, [] {});
        QVERIFY(!second.start());
        QVERIFY(!second.isServing());
        QCOMPARE(callExecute(u"/tmp/a.vcf"_s), u"accepted"_s);
        QCOMPARE(m_opened, QStringList{u"/tmp/a.vcf"_s});
    }

    // The desktop's own tool: gapplication launch APP FILE opens the file in the running window.
    void gapplicationLaunch()
    {
        const QString gapplication = QStandardPaths::findExecutable(u"gapplication"_s);
        if (gapplication.isEmpty())
            QSKIP("gapplication is not installed (package libglib2.0-bin)");
        const auto [code, err] = run(gapplication, {u"launch"_s, OpenFileService::serviceName(), u"/tmp/g b.vcf"_s});
        QVERIFY2(code == 0, qPrintable(err));
        QCOMPARE(m_opened, QStringList{u"/tmp/g b.vcf"_s});
        QVERIFY(m_raised > 0);
        QVERIFY(run(gapplication, {u"action"_s, OpenFileService::serviceName(), u"x"_s}).first == 0);
    }

    // vecardia --execute TEXT: quiet and 0 when the window took it; clear, on standard error, when there is none.
    void executeFromTheCommandLine()
    {
        auto [code, err] = run(QStringLiteral(VECARDIA_EXECUTABLE), {u"--execute"_s, u"/tmp/c.vcf"_s});
        QCOMPARE(code, 0);
        QVERIFY(err.isEmpty());
        QCOMPARE(m_opened, QStringList{u"/tmp/c.vcf"_s});

        m_service.reset(); // no window runs
        std::tie(code, err) = run(QStringLiteral(VECARDIA_EXECUTABLE), {u"--execute"_s, u"/tmp/d.vcf"_s});
        QCOMPARE(code, 1);
        QVERIFY2(err.contains(u"没有正在运行"_s), qPrintable(err));
    }
};

QTEST_GUILESS_MAIN(TestOpenFileService)
#include "tst_openfileservice.moc"
