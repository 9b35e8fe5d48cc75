// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contacttable.h"
#include "tools/batchfind.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

class TestBatchFind : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void batchFind_data()
    {
        QTest::addColumn<QString>("lines");
        QTest::addColumn<QList<int>>("listed");
        QTest::addColumn<QStringList>("notFound");
        QTest::newRow("number and name") << u"13800000001 张三\r\n张三\r\n"_s << QList<int>{1}
                                         << QStringList{u"张三"_s};
        QTest::newRow("short query") << u"138"_s << QList<int>{1, 3} << QStringList();
        QTest::newRow("twice") << u"010-5\r\n010-5"_s << QList<int>{2} << QStringList();
        QTest::newRow("order of queries") << u"010\r\n13800000001\r\nzz"_s << QList<int>{2, 1} << QStringList{u"zz"_s};
        QTest::newRow("spaces inside") << u"  138 0000 0000  \r\n   \r\n"_s << QList<int>{1, 3} << QStringList();
        QTest::newRow("bare line feeds are one line") << u"010\nzz"_s << QList<int>{} << QStringList{u"010\nzz"_s};
        QTest::newRow("letters ignore case") << u"EXT"_s << QList<int>{3} << QStringList();
    }
    void batchFind()
    {
        QFETCH(QString, lines);
        QFETCH(QList<int>, listed);
        QFETCH(QStringList, notFound);
        ContactTable table;
        for (const ContactRecord &r :
             {ContactRecord{.FullName = u"张三"_s, .Mobile = u"13800000001"_s}, ContactRecord{.Landline = u"010-5"_s},
              ContactRecord{.Mobile = u"+86138 ext"_s}, ContactRecord{.Email = u"138@x"_s}})
            (void)table.append(ContactRecord(r));
        const tools::BatchFindResult found = tools::batchFind(table, lines);
        QCOMPARE(found.notFound, notFound);
        QCOMPARE(QList<int>(found.listed.begin(), found.listed.end()), listed);
    }

    // The index behind a large batch find never misses what a full scan finds.
    void batchFindIndexMatchesAFullScan()
    {
        QRandomGenerator random(7);
        ContactTable table;
        for (int i = 0; i < 5000; ++i) {
            ContactRecord r;
            r.Mobile = u"1"_s + QString::number(random.bounded(100000000));
            r.Landline = random.bounded(3) ? QString() : u"0"_s + QString::number(random.bounded(1000000)) + u"Ext"_s;
            (void)table.append(std::move(r));
        }
        QString lines;
        for (int q = 0; q < 300; ++q)
            lines += QString::number(random.bounded(100000)) + (q % 7 ? u""_s : u"ext"_s) + u"\r\n"_s;
        const tools::BatchFindResult found = tools::batchFind(table, lines);
        QList<int> expected;
        QStringList expectedMissing;
        for (const QString &line : lines.split(u"\r\n"_s, Qt::SkipEmptyParts)) {
            int hits = 0;
            for (int i = 1; i <= table.upperIndex(); ++i) {
                if (table[i].Mobile.contains(line, Qt::CaseInsensitive) ||
                    (!table[i].Landline.isEmpty() && table[i].Landline.contains(line, Qt::CaseInsensitive))) {
                    ++hits;
                    if (!expected.contains(i))
                        expected << i;
                }
            }
            if (hits == 0)
                expectedMissing << line;
        }
        QCOMPARE(QList<int>(found.listed.begin(), found.listed.end()), expected);
        QCOMPARE(found.notFound, expectedMissing);
    }

    void lineCounts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("empty") << QString() << 0;
        QTest::newRow("one") << u"138"_s << 1;
        QTest::newRow("trailing break") << u"138\r\n"_s << 2;
        QTest::newRow("bare line feed") << u"1\n2"_s << 1;
    }
    void lineCounts()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        QCOMPARE(tools::lineCount(text), lines);
    }
};

QTEST_GUILESS_MAIN(TestBatchFind)
#include "tst_batchfind.moc"
