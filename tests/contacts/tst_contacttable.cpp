// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contacttable.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

Q_DECLARE_METATYPE(vecardia::ContactRecord)

class TestContactTable : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsWithElementZeroOnly()
    {
        ContactTable table;
        QCOMPARE(table.upperIndex(), 0);
        QVERIFY(!table.contains(0));
        QVERIFY(!table.contains(1));
    }

    void appendKeepsIndexesStable()
    {
        ContactTable table;
        QCOMPARE(table.append(), 1);
        table[1].FullName = u"张三"_s;
        for (int i = 2; i <= 1000; ++i)
            QCOMPARE(table.append(), i); // growing never moves a record to another index
        QCOMPARE(table[1].FullName, u"张三"_s);
        QCOMPARE(table.upperIndex(), 1000);
        table.reset();
        QCOMPARE(table.upperIndex(), 0);
        QCOMPARE(table.append(), 1);
        QVERIFY(table[1].FullName.isEmpty());
    }

    void liveTest_data()
    {
        QTest::addColumn<ContactRecord>("record");
        QTest::addColumn<bool>("live");
        QTest::newRow("empty") << ContactRecord{} << false;
        QTest::newRow("name") << ContactRecord{.FullName = u"A"_s} << true;
        QTest::newRow("mobile") << ContactRecord{.Mobile = u"1"_s} << true;
        QTest::newRow("landline") << ContactRecord{.Landline = u"1"_s} << true;
        QTest::newRow("only e-mail and QQ") << ContactRecord{.Email = u"a@b"_s, .QQ = u"1"_s} << false;
        QTest::newRow("only N") << ContactRecord{.Name = u"A;B"_s} << false;
    }
    void liveTest()
    {
        QFETCH(ContactRecord, record);
        QFETCH(bool, live);
        QCOMPARE(ContactTable::isLive(record), live);
    }

    void keys_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("index");
        QTest::newRow("k1") << u"k1"_s << 1;
        QTest::newRow("k27") << u"k27"_s << 27;
        QTest::newRow("bare k") << u"k"_s << 0;
        QTest::newRow("garbage") << u"kx"_s << 0;
    }
    void keys()
    {
        QFETCH(QString, key);
        QFETCH(int, index);
        QCOMPARE(ContactTable::indexOfKey(key), index);
        if (index > 0)
            QCOMPARE(ContactTable::keyOf(index), key);
    }

    void clearOneRecordKeepsTheRest()
    {
        ContactTable table;
        const int i = table.append(ContactRecord{.Name = u"N"_s,
                                                 .FullName = u"FN"_s,
                                                 .Mobile = u"1"_s,
                                                 .Landline = u"2"_s,
                                                 .Photo = "P"_ba,
                                                 .Email = u"E"_s,
                                                 .QQ = u"Q"_s,
                                                 .Address = u"A"_s,
                                                 .Starred = u"S"_s,
                                                 .BigPhoto = QByteArray("B"),
                                                 .Categories = u"C|"_s});
        table.清空数组单个数据(i);
        QVERIFY(!table.isLive(i));
        QCOMPARE(
            table[i],
            (ContactRecord{
                .Email = u"E"_s, .QQ = u"Q"_s, .Address = u"A"_s, .BigPhoto = QByteArray("B"), .Categories = u"C|"_s}));
        QCOMPARE(table.upperIndex(), 1);
    }
};

QTEST_GUILESS_MAIN(TestContactTable)
#include "tst_contacttable.moc"
