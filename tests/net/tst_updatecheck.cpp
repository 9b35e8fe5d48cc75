// SPDX-License-Identifier: GPL-3.0-or-later
// How the update check reads a version file: the trimming and length rule, and the version weights.
#include "net/updatecheck.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

class TestUpdateCheck : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void runningWeight() { QCOMPARE(updatecheck::runningVersionWeight(), 20'000'801); }

    void versions_data()
    {
        QTest::addColumn<QString>("content"); // the version file as served
        QTest::addColumn<bool>("taken");      // passes the trimming and length rule
        QTest::addColumn<qint64>("weight");   // -1: not a version
        QTest::addColumn<bool>("newer");
        QTest::newRow("newer revision") << u"2.0.802"_s << true << 20'000'802LL << true;
        QTest::newRow("same") << u"2.0.801"_s << true << 20'000'801LL << false;
        QTest::newRow("older") << u"2.0.800"_s << true << 20'000'800LL << false;
        QTest::newRow("older major, larger parts") << u"1.999.9999"_s << true << 19'999'999LL << false;
        QTest::newRow("3.0.0") << u"3.0.0"_s << true << 30'000'000LL << true;
        QTest::newRow("newer minor") << u"2.1.0"_s << true << 20'010'000LL << true;
        QTest::newRow("spaces around") << u"  2.0.802 "_s << true << 20'000'802LL << true;
        QTest::newRow("line end after it") << u"2.0.802\r\n"_s << true << 20'000'802LL << true;
        QTest::newRow("leading zeros") << u"02.00.0802"_s << true << 20'000'802LL << true;
        QTest::newRow("two parts") << u"2.1"_s << true << -1LL << false;
        QTest::newRow("four parts") << u"2.0.8.1"_s << true << -1LL << false;
        QTest::newRow("not a number") << u"2.0.x"_s << true << -1LL << false;
        QTest::newRow("empty part") << u"2..802"_s << true << -1LL << false;
        QTest::newRow("sign") << u"2.0.-1"_s << true << -1LL << false;
        QTest::newRow("space inside") << u"2.0. 802"_s << true << -1LL << false;
        QTest::newRow("full-width digits") << u"２.0.802"_s << true << -1LL << false;
        QTest::newRow("ten characters") << u"2.0.801234"_s << true << 20'801'234LL << true;
        QTest::newRow("eleven characters") << u"2.0.8012345"_s << false << 28'012'345LL << true;
        QTest::newRow("an error page") << u"<html>Not Found</html>"_s << false << -1LL << false;
        QTest::newRow("empty") << QString() << false << -1LL << false;
        QTest::newRow("only spaces") << u"    "_s << false << -1LL << false;
        // Parts of nine digits still weigh exactly; longer ones are not taken as numbers.
        QTest::newRow("nine-digit parts")
            << u"999999999.999999999.999999999"_s << false
            << 999'999'999LL * 10'000'000 + 999'999'999LL * 10'000 + 999'999'999LL << true;
        QTest::newRow("ten-digit part") << u"1234567890.0.0"_s << false << -1LL << false;
    }
    void versions()
    {
        QFETCH(QString, content);
        QFETCH(bool, taken);
        QFETCH(qint64, weight);
        QFETCH(bool, newer);
        const std::optional<QString> version = updatecheck::publishedVersion(content);
        QCOMPARE(version.has_value(), taken);
        if (version)
            QCOMPARE(*version, content.trimmed());
        const QString text = content.trimmed();
        const std::optional<qint64> w = updatecheck::versionWeight(text);
        QCOMPARE(w.value_or(-1), weight);
        QCOMPARE(updatecheck::isNewer(text), newer);
    }
};

QTEST_GUILESS_MAIN(TestUpdateCheck)
#include "tst_updatecheck.moc"
