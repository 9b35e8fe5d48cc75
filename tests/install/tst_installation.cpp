// SPDX-License-Identifier: GPL-3.0-or-later
// What `cmake --install` puts where the desktop looks for it, and the desktop's own checks of the entry and the
// AppStream metadata (desktop-file-validate, appstreamcli).
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Ran {
    int code = -1;
    QString output;
};

Ran run(const QString &program, const QStringList &arguments, const QProcessEnvironment &environment = {})
{
    QProcess process;
    if (!environment.isEmpty())
        process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

} // namespace

class TestInstallation : public QObject {
    Q_OBJECT

    QTemporaryDir m_stage;

private Q_SLOTS:
    void initTestCase()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DESTDIR"_s, m_stage.path());
        const Ran install =
            run(QStringLiteral(VECARDIA_CMAKE),
                {u"--install"_s, QStringLiteral(VECARDIA_BUILD), u"--prefix"_s, u"/usr"_s}, environment);
        QVERIFY2(install.code == 0, qPrintable(install.output));
    }

    void filesInTheirPlaces_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *file :
             {"bin/vecardia", "bin/vecardia-cli", "share/applications/io.github.vecardia.Vecardia.desktop",
              "share/metainfo/io.github.vecardia.Vecardia.metainfo.xml",
              "share/icons/hicolor/scalable/apps/io.github.vecardia.Vecardia.svg",
              "share/icons/hicolor/48x48/apps/io.github.vecardia.Vecardia.png",
              "share/icons/hicolor/256x256/apps/io.github.vecardia.Vecardia.png"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }
    void filesInTheirPlaces()
    {
        QFETCH(QString, file);
        QVERIFY2(QFile::exists(m_stage.filePath(u"usr/"_s + file)), qPrintable(file));
    }

    // Both programs answer --help and --version without a display, as help2man and bug reports expect.
    void helpAndVersionNeedNoDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("says");
        for (const QString &program : {u"vecardia"_s, u"vecardia-cli"_s}) {
            QTest::newRow(qPrintable(program + u" --version"_s))
                << program << u"--version"_s << program + u" (卡舟手机电话簿管理器) 2.0.801\n"_s;
            QTest::newRow(qPrintable(program + u" --help"_s)) << program << u"--help"_s << u"用法："_s;
        }
    }
    void helpAndVersionNeedNoDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, says);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const QString &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            environment.remove(name);
        const Ran ran = run(m_stage.filePath(u"usr/bin/"_s + program), {option}, environment);
        QCOMPARE(ran.code, 0);
        QVERIFY2(ran.output.startsWith(says), qPrintable(ran.output));
    }

    // The package a distribution would take: lintian --pedantic finds no error and no warning in it.
    void packagePassesLintian()
    {
        const QString lintian = QStandardPaths::findExecutable(u"lintian"_s);
        if (lintian.isEmpty())
            QSKIP("lintian is not installed (scripts/install-deps installs it)");
        QTemporaryDir out;
        const QString cpack = QFileInfo(QStringLiteral(VECARDIA_CMAKE)).dir().filePath(u"cpack"_s);
        const Ran pack = run(cpack, {u"-G"_s, u"DEB"_s, u"-B"_s, out.path(), u"--config"_s,
                                     QStringLiteral(VECARDIA_BUILD) + u"/CPackConfig.cmake"_s});
        QVERIFY2(pack.code == 0, qPrintable(pack.output));
        const QStringList debs = QDir(out.path()).entryList({u"*.deb"_s}, QDir::Files);
        QCOMPARE(debs.size(), 1);
        const Ran ran = run(lintian, {u"--pedantic"_s, out.filePath(debs.first())});
        for (const QString &line : ran.output.split(u'\n'))
            QVERIFY2(!line.startsWith(u"E:"_s) && !line.startsWith(u"W:"_s), qPrintable(ran.output));
        // The manual pages are there to be read.
        QVERIFY(QFile::exists(m_stage.filePath(u"usr/share/man/man1/vecardia.1.gz"_s)));
        QVERIFY(QFile::exists(m_stage.filePath(u"usr/share/man/man1/vecardia-cli.1.gz"_s)));
        QVERIFY(QFile::exists(m_stage.filePath(u"etc/xdg/vecardia/vecardia.conf"_s)));
    }

    void desktopEntryIsValid()
    {
        const QString validate = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
        if (validate.isEmpty())
            QSKIP("desktop-file-validate is not installed (package desktop-file-utils)");
        const Ran ran =
            run(validate, {m_stage.filePath(u"usr/share/applications/io.github.vecardia.Vecardia.desktop"_s)});
        QVERIFY2(ran.code == 0 && ran.output.trimmed().isEmpty(), qPrintable(ran.output));
    }

    void metadataIsValid()
    {
        const QString appstream = QStandardPaths::findExecutable(u"appstreamcli"_s);
        if (appstream.isEmpty())
            QSKIP("appstreamcli is not installed (package appstream)");
        const Ran ran =
            run(appstream, {u"validate"_s, u"--no-net"_s,
                            m_stage.filePath(u"usr/share/metainfo/io.github.vecardia.Vecardia.metainfo.xml"_s)});
        QVERIFY2(ran.code == 0, qPrintable(ran.output));
    }
};

QTEST_GUILESS_MAIN(TestInstallation)
#include "tst_installation.moc"
