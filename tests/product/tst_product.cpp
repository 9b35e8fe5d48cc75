// SPDX-License-Identifier: GPL-3.0-or-later
// The product's configuration: built-in values, vecardia.conf in the system's and the user's configuration
// folders, later files winning.
#include "product/product.h"

#include "support/tempfolder.h"

#include <QDir>
#include <QTest>
#include <QUrl>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

QString writeConf(const testing::TempFolder &folder, const QString &name, const QByteArray &text)
{
    QDir(folder.path()).mkpath(name + u"/vecardia"_s);
    return folder.write(name + u"/vecardia/vecardia.conf"_s, text);
}

} // namespace

class TestProduct : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The web site is the one the build names (the package and its metadata name the same); the maker's other
    // addresses are placeholders in the reserved domain.
    void builtInAddressesAreReserved()
    {
        const auto c = product::Configuration::builtIn();
        QCOMPARE(c.website, QStringLiteral(VECARDIA_WEBSITE));
        for (const QString &address : {c.website2, c.shop}) {
            const QUrl url(address);
            QVERIFY2(url.isValid() && url.host().endsWith(u".example"_s), qPrintable(address));
        }
        QVERIFY(c.supportMail.endsWith(u".example"_s));
        QVERIFY(!c.supportQQ.isEmpty());
        QVERIFY(!c.website2Name.isEmpty());
        QCOMPARE(c.updateCheck, VECARDIA_UPDATE_CHECK_DEFAULT != 0);
    }

    void pagesBelowTheWebsite_data()
    {
        QTest::addColumn<QString>("website");
        QTest::newRow("without /") << u"http://127.0.0.1:8000"_s;
        QTest::newRow("with /") << u"http://127.0.0.1:8000/"_s;
        QTest::newRow("with //") << u"http://127.0.0.1:8000//"_s;
    }
    void pagesBelowTheWebsite()
    {
        QFETCH(QString, website);
        product::Configuration c;
        c.website = website;
        QCOMPARE(c.productPage(), u"http://127.0.0.1:8000/vecardia/"_s);
        QCOMPARE(c.versionFile(), u"http://127.0.0.1:8000/vecardia/newver.txt"_s);
        QCOMPARE(c.afterSalesPage(), u"http://127.0.0.1:8000/afterservice.htm"_s);
    }

    void laterFilesWin()
    {
        testing::TempFolder dir;
        const QString system = writeConf(dir, u"system"_s,
                                         "[product]\nwebsite=https://distro.example\nshop=https://shop.distro.example\n"
                                         "support_qq=111\nupdate_check=false\n");
        const QString user = writeConf(dir, u"user"_s,
                                       "[product]\nwebsite=http://127.0.0.1:8000/\nwebsite2_name=卡舟论坛, 新站\n"
                                       "support_mail=me@home.example\n[other]\nshop=ignored\n");
        const auto c = product::readConfiguration({system, dir.filePath(u"missing.conf"_s), user});
        QCOMPARE(c.website, u"http://127.0.0.1:8000/"_s);
        QCOMPARE(c.shop, u"https://shop.distro.example"_s);
        QCOMPARE(c.supportQQ, u"111"_s);
        QCOMPARE(c.supportMail, u"me@home.example"_s);
        QCOMPARE(c.website2Name, u"卡舟论坛, 新站"_s); // a comma does not cut the value
        QCOMPARE(c.website2, product::Configuration::builtIn().website2);
        QCOMPARE(c.updateCheck, false);
    }

    void updateCheckValues_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<int>("check"); // -1: the built-in default
        QTest::newRow("true") << QByteArray("true") << 1;
        QTest::newRow("false") << QByteArray("false") << 0;
        QTest::newRow("FALSE, spaces") << QByteArray("  FALSE ") << 0;
        QTest::newRow("True") << QByteArray("True") << 1;
        for (const char *on : {"yes", "on", "1", "Yes"})
            QTest::newRow(on) << QByteArray(on) << 1;
        for (const char *off : {"no", "off", "0", "OFF"})
            QTest::newRow(off) << QByteArray(off) << 0;
        QTest::newRow("2") << QByteArray("2") << -1;
        QTest::newRow("empty") << QByteArray() << -1;
    }
    void updateCheckValues()
    {
        QFETCH(QByteArray, value);
        QFETCH(int, check);
        testing::TempFolder dir;
        const QString file = writeConf(dir, u"c"_s, "[product]\nupdate_check=" + value + "\n");
        const bool expected = check < 0 ? product::Configuration::builtIn().updateCheck : check == 1;
        QCOMPARE(product::readConfiguration({file}).updateCheck, expected);
    }

    // The configuration the package ships explains every key and sets none: a packaged program built without the
    // update check (as the README's package recipe builds it) makes no request unless a user asks for it.
    void shippedConfigurationSetsNothing()
    {
        const QString shipped = QStringLiteral(VECARDIA_SAMPLES) + u"/../data/vecardia.conf"_s;
        QVERIFY(QFile::exists(shipped));
        const product::Configuration read = product::readConfiguration({shipped});
        const product::Configuration built = product::Configuration::builtIn();
        QCOMPARE(read.updateCheck, built.updateCheck);
        QCOMPARE(QStringList({read.website, read.website2Name, read.website2, read.shop, read.supportMail,
                              read.supportQQ}),
                 QStringList({built.website, built.website2Name, built.website2, built.shop, built.supportMail,
                              built.supportQQ}));
        // Every key the program reads is there to be uncommented.
        const QByteArray text = testing::TempFolder::contents(shipped);
        for (const char *key : {"#update_check=", "#website=", "#website2_name=", "#website2=", "#shop=",
                                "#support_mail=", "#support_qq="})
            QVERIFY2(text.contains(key), key);
    }

    // A configuration that is there but cannot be read leaves the check off, whatever came before it; a FIFO does
    // not hang the start.
    void unreadableFileTurnsTheCheckOff()
    {
        testing::TempFolder dir;
        const QString on = writeConf(dir, u"on"_s, "[product]\nupdate_check=true\n");
        const QString fifo = dir.path() + u"/fifo.conf"_s;
        QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
        QCOMPARE(product::readConfiguration({on, fifo}).updateCheck, false);
        QCOMPARE(product::readConfiguration({on, dir.path() + u"/missing.conf"_s}).updateCheck, true);
    }

    // The first folder of XDG_CONFIG_DIRS is the most important of the system's, and the user's wins over all.
    void foldersInOrder()
    {
        testing::TempFolder dir;
        const QString first = writeConf(dir, u"first"_s, "[product]\nshop=first\nwebsite=first\n");
        const QString second = writeConf(dir, u"second"_s, "[product]\nshop=second\nwebsite=second\nsupport_qq=2\n");
        const QString user = writeConf(dir, u"user"_s, "[product]\nwebsite=user\n");
        qputenv("XDG_CONFIG_DIRS", (dir.filePath(u"first"_s) + u':' + dir.filePath(u"second"_s)).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", dir.filePath(u"user"_s).toLocal8Bit());
        QCOMPARE(product::configurationFiles(), (QStringList{second, first, user}));
        const auto c = product::readConfiguration(product::configurationFiles());
        QCOMPARE(c.website, u"user"_s);
        QCOMPARE(c.shop, u"first"_s);
        QCOMPARE(c.supportQQ, u"2"_s);
        QCOMPARE(product::configuration().website, u"user"_s); // this run's, read on first use
        product::setConfiguration(product::Configuration::builtIn());
        QCOMPARE(product::configuration().website, product::Configuration::builtIn().website);
    }
};

QTEST_GUILESS_MAIN(TestProduct)
#include "tst_product.moc"
