// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/contactlistmodel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

using Colour = ContactListModel::CellColour;

QStringList column(const ContactListModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.cell(row, column);
    return texts;
}

QStringList keys(const ContactListModel &model)
{
    QStringList k;
    for (int row = 0; row < model.rowCount(); ++row)
        k << model.keyAt(row);
    return k;
}

} // namespace

class TestContactListModel : public QObject {
    Q_OBJECT

    ContactTable m_table;

private Q_SLOTS:
    void init()
    {
        m_table.reset();
        (void)m_table.append(ContactRecord{
            .FullName = u"张三"_s, .Mobile = u"+86 138 0000"_s, .Photo = "X:AA"_ba, .Email = u"Zhang@Example.com"_s});
        (void)m_table.append(ContactRecord{.FullName = u"Ann"_s, .Landline = u"010-1381"_s, .QQ = u"777"_s});
        (void)m_table.append(ContactRecord{.FullName = u"deleted"_s});
        m_table.清空数组单个数据(3);
        (void)m_table.append(ContactRecord{.Email = u"only@abc.com"_s});
        (void)m_table.append(ContactRecord{.FullName = u"bob"_s, .Mobile = u"139"_s});
    }

    void showAllListsLiveRecordsInIndexOrder()
    {
        ContactListModel model(m_table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.showAll();
        QCOMPARE(keys(model), (QStringList{u"k1"_s, u"k2"_s, u"k5"_s}));
        QCOMPARE(model.countText(), u"3/5 条"_s);
        QCOMPARE(model.data(model.index(0, ContactListModel::PhotoColumn)).toString(), u"有"_s);
        QCOMPARE(model.data(model.index(1, ContactListModel::PhotoColumn)).toString(), u"无"_s);
        QCOMPARE(model.data(model.index(1, ContactListModel::QQColumn)).toString(), u"777"_s);
        QCOMPARE(model.data(model.index(2, 0), ContactListModel::KeyRole).toString(), u"k5"_s);
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), u"手机"_s);
        QCOMPARE(model.columnCount(), 6);
    }

    void emptyTable()
    {
        ContactTable empty;
        ContactListModel model(empty);
        model.showAll();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.countText(), u"0/0 条"_s);
    }

    void showMatches_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("phones") << u"电话(手机和座机)"_s << u"138"_s << QStringList{u"k1"_s, u"k2"_s};
        QTest::newRow("all, any case") << u"[全部]"_s << u"ABC"_s << QStringList{u"k4"_s};
        QTest::newRow("e-mail ignores case") << u"邮箱"_s << u"zhang@"_s << QStringList{u"k1"_s};
        QTest::newRow("name") << u"姓名"_s << u"B"_s << QStringList{u"k5"_s};
        QTest::newRow("empty text, all") << u"[全部]"_s << QString() << QStringList{u"k1"_s, u"k2"_s, u"k4"_s, u"k5"_s};
        QTest::newRow("empty text, QQ") << u"QQ"_s << QString() << QStringList{u"k2"_s};
        QTest::newRow("name does not search phones") << u"姓名"_s << u"138"_s << QStringList();
        QTest::newRow("unknown choice") << u"其他"_s << u"a"_s << QStringList();
    }
    void showMatches()
    {
        QFETCH(QString, choice);
        QFETCH(QString, text);
        QFETCH(QStringList, keys);
        ContactListModel model(m_table);
        model.showMatches(choice, text);
        QCOMPARE(::keys(model), keys);
        QCOMPARE(model.countText(), QString::number(keys.size()) + u"/5 条"_s);
    }

    void headerClicksFlipTheDirection()
    {
        ContactListModel model(m_table);
        model.showAll();
        QCOMPARE(model.sortOnHeaderClick(ContactListModel::NameColumn), Qt::AscendingOrder);
        // The Chinese collation puts Chinese names first, in pinyin order, then Latin ones.
        QCOMPARE(column(model, 0), (QStringList{u"张三"_s, u"Ann"_s, u"bob"_s}));
        QCOMPARE(model.sortOnHeaderClick(ContactListModel::NameColumn), Qt::DescendingOrder);
        QCOMPARE(column(model, 0), (QStringList{u"bob"_s, u"Ann"_s, u"张三"_s}));
        // Rows keep their keys: the lookup follows the sort.
        QCOMPARE(model.rowOfIndex(1), 2);
        QCOMPARE(model.rowOfKey(u"k2"), 1);
        QCOMPARE(model.rowOfIndex(3), -1);
    }

    // A sort keeps each row's colours and keeps the view's selection on the same records.
    void sortKeepsColoursAndPersistentIndexes()
    {
        ContactListModel model(m_table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.showAll();
        ChangeSet red;
        red.rows = model.rows();
        (*red.rows)[2].colours[NameColumn] = Colour::Red; // bob
        (void)model.apply(red);
        const QPersistentModelIndex bob = model.index(2, 1);
        QCOMPARE(model.sortOnHeaderClick(ContactListModel::NameColumn), Qt::AscendingOrder);
        QCOMPARE(model.sortOnHeaderClick(ContactListModel::NameColumn), Qt::DescendingOrder);
        QCOMPARE(bob.row(), 0);
        QCOMPARE(model.colour(0, ContactListModel::NameColumn), Colour::Red);
        QCOMPARE(model.data(model.index(0, 0), ContactListModel::CellColourRole).toInt(), int(Colour::Red));
    }

    // A command's changes arrive in one step: the records change, the list shows them, and the list as it was
    // comes back for undoing.
    void applyChangesInOneStep()
    {
        ContactListModel model(m_table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.showAll();
        const RowOrder before = model.rows();
        ChangeSet changes;
        changes.set(m_table, 2, Field::Mobile, u"555"_s);
        changes.deleteContact(m_table, 5);
        changes.rows = model.rows();
        (*changes.rows)[2].blank = true;
        const RowOrder replaced = model.apply(changes);
        QVERIFY(replaced == before);
        QCOMPARE(m_table[2].Mobile, u"555"_s);
        QVERIFY(!m_table.isLive(5));
        QCOMPARE(model.cell(1, ContactListModel::MobileColumn), u"555"_s);
        // A blanked row shows nothing, not even the e-mail and QQ its record keeps.
        for (int column = 0; column < model.columnCount(); ++column)
            QVERIFY(model.data(model.index(2, column)).toString().isEmpty());
        QCOMPARE(model.rowCount(), 3);
    }

    // Whatever a change set touches, the views hear of every row whose cells it changed: a few records row by row,
    // many in one signal, however they fall.
    void applyReportsEveryChangedRow()
    {
        QRandomGenerator random(77);
        for (int round = 0; round < 300; ++round) {
            ContactTable table;
            for (int i = 0, n = 20 + random.bounded(120); i < n; ++i)
                (void)table.append(ContactRecord{.FullName = u"n"_s + QString::number(i), .Mobile = u"1"_s});
            ContactListModel model(table);
            model.showAll();
            const auto cells = [&] {
                std::vector<QStringList> all;
                for (int row = 0; row < model.rowCount(); ++row) {
                    QStringList line;
                    for (int c = 0; c < model.columnCount(); ++c)
                        line << model.cell(row, c);
                    all.push_back(line);
                }
                return all;
            };
            const std::vector<QStringList> before = cells();
            ChangeSet changes;
            const Field fields[] = {Field::FullName, Field::Mobile, Field::Landline, Field::Email, Field::QQ};
            for (int k = 1 + random.bounded(random.bounded(2) ? 8 : 100); k > 0; --k) {
                const int index = 1 + random.bounded(table.upperIndex());
                changes.set(table, index, fields[random.bounded(5)], u"x"_s + QString::number(k));
            }
            QSignalSpy data(&model, &QAbstractItemModel::dataChanged);
            QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
            QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
            (void)model.apply(changes);
            if (!reset.isEmpty() || !layout.isEmpty())
                continue; // every row is shown anew
            const std::vector<QStringList> after = cells();
            for (int row = 0; row < model.rowCount(); ++row) {
                for (int c = 0; c < model.columnCount(); ++c) {
                    if (after[std::size_t(row)][c] == before[std::size_t(row)][c])
                        continue;
                    const bool told = std::any_of(data.begin(), data.end(), [&](const QList<QVariant> &signal) {
                        const auto from = signal[0].value<QModelIndex>(), to = signal[1].value<QModelIndex>();
                        return from.row() <= row && row <= to.row() && from.column() <= c && c <= to.column();
                    });
                    QVERIFY2(told,
                             qPrintable(u"round %1: row %2, column %3 changed unheard"_s.arg(round).arg(row).arg(c)));
                }
            }
        }
    }

    // The list shows the records themselves: a change to a record is what the list shows.
    void cellsAreTheRecords()
    {
        ContactListModel model(m_table);
        model.showAll();
        m_table[1].FullName = u"李四"_s;
        QCOMPARE(model.data(model.index(0, 0)).toString(), u"李四"_s);
        m_table[1].Photo.clear();
        QCOMPARE(model.cell(0, ContactListModel::PhotoColumn), u"无"_s);
    }

    void resetToBlackLeavesOtherColumns()
    {
        RowOrder rows;
        rows.fill({1, 2});
        rows[0].colours = {Colour::Red, Colour::Red, Colour::Default};
        ListView1全部置为黑色字体(rows);
        QCOMPARE(rows[0].colour(ContactListModel::MobileColumn), Colour::Black);
        QCOMPARE(rows[1].colour(ContactListModel::LandlineColumn), Colour::Black);
        QCOMPARE(rows[0].colour(ContactListModel::EmailColumn), Colour::Default);
    }

    void appendRefreshAndRemove()
    {
        ContactListModel model(m_table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.showMatches(u"姓名"_s, u"Ann"_s);
        const int index = m_table.append(ContactRecord{.FullName = u"New"_s});
        QCOMPARE(model.appendRow(index), 1);
        QCOMPARE(model.countText(), u"2/6 条"_s);
        QCOMPARE(model.rowOfIndex(index), 1);
        QVERIFY(model.rows().判断LV项目是否存在(u"k6"));
        model.removeRowAt(0);
        QCOMPARE(keys(model), QStringList{u"k6"_s});
        QCOMPARE(model.rowOfIndex(2), -1);
        QCOMPARE(model.rowOfIndex(6), 0);
        QVERIFY(!model.rows().判断LV项目是否存在(u"k2"));
        QCOMPARE(model.listedIndexes(), QList<int>{6});
    }
};

QTEST_GUILESS_MAIN(TestContactListModel)
#include "tst_contactlistmodel.moc"
