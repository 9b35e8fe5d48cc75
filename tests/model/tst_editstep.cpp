// SPDX-License-Identifier: GPL-3.0-or-later
// Undo steps below the window: a list kept compactly comes back exactly, and a step takes its records back and
// forth, appended ones at their own indexes.
#include "model/editstep.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

RowOrder randomRows(QRandomGenerator &random, int size, bool shuffled, int colourChance, bool gaps = true)
{
    std::vector<int> indexes;
    int index = 0;
    for (int i = 0; i < size; ++i) { // mostly runs, some gaps
        index += 1 + (gaps && random.bounded(10) == 0 ? random.bounded(5) : 0);
        indexes.push_back(index);
    }
    if (shuffled)
        for (int i = size - 1; i > 0; --i)
            std::swap(indexes[std::size_t(i)], indexes[std::size_t(random.bounded(i + 1))]);
    RowOrder rows;
    rows.fill(indexes);
    for (int row = 0; row < size; ++row) {
        if (colourChance && random.bounded(colourChance) == 0)
            rows[row].colours[std::size_t(random.bounded(3))] = CellColour(random.bounded(3));
        if (colourChance && random.bounded(colourChance) == 0)
            rows[row].blank = true;
    }
    rows.sortColumn = random.bounded(-1, 7);
    rows.ascending = random.bounded(2) == 1;
    return rows;
}

ContactTable tableOf(int contacts)
{
    ContactTable table;
    for (int i = 1; i <= contacts; ++i) {
        ContactRecord r;
        r.FullName = u"名%1"_s.arg(i);
        r.Mobile = u"138 %1"_s.arg(i);
        (void)table.append(std::move(r));
    }
    return table;
}

} // namespace

class TestEditStep : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void snapshotsComeBackExactly_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("shuffled");
        QTest::addColumn<int>("colourChance"); // 1 in this many rows coloured and blanked; 0 none
        QTest::addColumn<bool>("gaps");        // records left out here and there
        QTest::newRow("empty") << 0 << false << 0 << false;
        QTest::newRow("one row") << 1 << false << 1 << false;
        QTest::newRow("in table order: a run") << 5000 << false << 0 << false;
        QTest::newRow("in table order with gaps: a bitmap") << 5000 << false << 7 << true;
        QTest::newRow("sorted, some red: packed") << 5000 << true << 20 << true;
        QTest::newRow("sorted, every row marked") << 3000 << true << 1 << true;
        QTest::newRow("a word's worth") << 64 << true << 3 << false;
    }
    void snapshotsComeBackExactly()
    {
        QFETCH(int, size);
        QFETCH(bool, shuffled);
        QFETCH(int, colourChance);
        QFETCH(bool, gaps);
        QRandomGenerator random(quint32(size * 7 + colourChance));
        for (int round = 0; round < 5; ++round) {
            const RowOrder rows = randomRows(random, size, shuffled, colourChance, gaps);
            const RowsSnapshot snapshot(rows);
            QCOMPARE(snapshot.size(), size);
            QVERIFY(snapshot.rows() == rows);
            QVERIFY(snapshot.equals(rows));
            if (size == 0)
                continue;
            // Any one difference is seen.
            RowOrder other = rows;
            other[random.bounded(size)].index += 1;
            QVERIFY(!snapshot.equals(other));
            other = rows;
            other[random.bounded(size)].blank ^= true;
            QVERIFY(!snapshot.equals(other));
            other = rows;
            other.ascending = !other.ascending;
            QVERIFY(!snapshot.equals(other));
            other = rows;
            other.append(1);
            QVERIFY(!snapshot.equals(other));
        }
    }

    // A list of 100,000 rows in a fraction of the RowOrder's eight bytes a row.
    void snapshotsAreSmall()
    {
        QRandomGenerator random(3);
        QVERIFY(RowsSnapshot(randomRows(random, 100000, false, 0, false)).bytes() < 1000);
        const RowOrder withGaps = randomRows(random, 100000, false, 0);
        QVERIFY(RowsSnapshot(withGaps).bytes() < 100000 / 8 * 2);
        const RowOrder sorted = randomRows(random, 100000, true, 50);
        QVERIFY2(RowsSnapshot(sorted).bytes() < 100000 * 3, qPrintable(QString::number(RowsSnapshot(sorted).bytes())));
    }

    void stepTakesFieldsBackAndForth()
    {
        ContactTable table = tableOf(3);
        RowOrder rows;
        rows.fill({1, 2, 3});
        EditStep step(u"删除姓名中的空格"_s, table, std::make_shared<const RowsSnapshot>(rows));
        ChangeSet first;
        first.set(table, 2, Field::Mobile, u"1382"_s);
        first.deleteContact(table, 3);
        applyFieldChanges(first, table);
        step.record(first);
        ChangeSet second; // the same field again: undo goes back to the value before the first change
        second.set(table, 2, Field::Mobile, u"13800002"_s);
        applyFieldChanges(second, table);
        step.record(second);
        RowOrder after = rows;
        after.removeAt(2);
        QVERIFY(step.finish(table, after));
        QCOMPARE(step.touchedRecords(), (std::vector<int>{2, 3}));
        const ContactTable done = table;

        step.undo(table);
        QCOMPARE(table[2].Mobile, u"138 2"_s);
        QCOMPARE(table[3].FullName, u"名3"_s);
        QVERIFY(step.rowsBefore()->rows() == rows);
        step.redo(table);
        QCOMPARE(table[2], done[2]);
        QCOMPARE(table[3], done[3]);
        QVERIFY(step.rowsAfter()->rows() == after);
    }

    void appendedRecordsLeaveAndComeBack()
    {
        ContactTable table = tableOf(2);
        RowOrder rows;
        rows.fill({1, 2});
        EditStep step(u"附加导入VCF文件"_s, table, std::make_shared<const RowsSnapshot>(rows));
        ContactRecord added;
        added.FullName = u"新"_s;
        const int index = table.append(std::move(added));
        (void)table.append(ContactRecord{});
        ChangeSet change; // the command changes what it appended, too
        change.set(table, index, Field::QQ, u"10001"_s);
        applyFieldChanges(change, table);
        step.record(change);
        rows.append(index);
        QVERIFY(step.finish(table, rows));
        QVERIFY(step.rowsBefore() != step.rowsAfter());

        step.undo(table);
        QCOMPARE(table.upperIndex(), 2);
        step.redo(table);
        QCOMPARE(table.upperIndex(), 4);
        QCOMPARE(table[index].FullName, u"新"_s);
        QCOMPARE(table[index].QQ, u"10001"_s);
        step.undo(table);
        step.redo(table);
        QCOMPARE(table[3].QQ, u"10001"_s);
        QCOMPARE(table[4], ContactRecord{});
    }

    // A command that changed nothing in the end is no step; the list before is shared, not copied.
    void nothingChanged()
    {
        ContactTable table = tableOf(2);
        RowOrder rows;
        rows.fill({1, 2});
        const auto before = std::make_shared<const RowsSnapshot>(rows);
        EditStep idle(u"删除空白项"_s, table, before);
        QVERIFY(!idle.finish(table, rows));
        QCOMPARE(idle.rowsAfter(), before);

        EditStep backAgain(u"保存全部信息"_s, table, before);
        ChangeSet there, back;
        there.set(table, 1, Field::Email, u"a@b.example"_s);
        applyFieldChanges(there, table);
        backAgain.record(there);
        back.set(table, 1, Field::Email, QString());
        applyFieldChanges(back, table);
        backAgain.record(back);
        QVERIFY(!backAgain.finish(table, rows));

        EditStep recoloured(u"红色标示重复姓名"_s, table, before);
        RowOrder red = rows;
        red[0].colours[0] = CellColour::Red;
        QVERIFY(recoloured.finish(table, red));
    }
};

QTEST_GUILESS_MAIN(TestEditStep)
#include "tst_editstep.moc"
