#include "ui/contactlistmodel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
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
            .FullName = u"张三"_s, .Mobile = u"+86 138 0000"_s, .Photo = u"X:AA"_s, .Email = u"Zhang@Example.com"_s});
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

    void numbersSortAsText()
    {
        ContactTable table;
        for (const char16_t *m : {u"2", u"13912345678", u"139", u"+86139"})
            (void)table.append(ContactRecord{.Mobile = QString::fromUtf16(m)});
        ContactListModel model(table);
        model.showAll();
        model.sortByColumn(ContactListModel::MobileColumn, Qt::AscendingOrder);
        QCOMPARE(column(model, 1), (QStringList{u"+86139"_s, u"139"_s, u"13912345678"_s, u"2"_s}));
    }

    void chineseNamesInPinyinOrder()
    {
        ContactTable table;
        for (const char16_t *n : {u"张伟", u"王芳", u"李娜", u"陈静"})
            (void)table.append(ContactRecord{.FullName = QString::fromUtf16(n)});
        ContactListModel model(table);
        model.showAll();
        model.sortByColumn(ContactListModel::NameColumn, Qt::AscendingOrder);
        QCOMPARE(column(model, 0), (QStringList{u"陈静"_s, u"李娜"_s, u"王芳"_s, u"张伟"_s}));
    }

    // The duplicate tools scan neighbours: texts equal without regard to case must end up next to each other.
    void caseVariantsEndUpTogether()
    {
        QRandomGenerator random(99);
        const QStringList pool = {u"anna"_s,  u"Anna"_s, u"ANNA"_s, u"Ａnna"_s, u"anna "_s, u"ánna"_s,    u"李娜"_s,
                                  u"李 娜"_s, u""_s,     u"Bob"_s,  u"bob"_s,   u"13800"_s, u"+8613800"_s};
        for (int round = 0; round < 200; ++round) {
            ContactTable table;
            for (int i = 0; i < 40; ++i)
                (void)table.append(ContactRecord{.FullName = pool[random.bounded(int(pool.size()))], .Mobile = u"1"_s});
            ContactListModel model(table);
            model.showAll();
            model.sortByColumn(0, round % 2 ? Qt::AscendingOrder : Qt::DescendingOrder);
            const QStringList names = column(model, 0);
            QSet<QString> closed;
            for (qsizetype i = 0; i < names.size(); ++i) {
                const QString folded = names[i].toCaseFolded();
                if (i > 0 && names[i - 1].toCaseFolded() == folded)
                    continue;
                QVERIFY2(!closed.contains(folded), qPrintable(names.join(u',')));
                closed.insert(folded);
            }
        }
    }

    void sortKeepsColoursAndPersistentIndexes()
    {
        ContactListModel model(m_table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.showAll();
        model.setColour(2, ContactListModel::NameColumn, Colour::Red); // bob
        const QPersistentModelIndex bob = model.index(2, 1);
        model.sortByColumn(ContactListModel::NameColumn, Qt::DescendingOrder);
        QCOMPARE(bob.row(), 0);
        QCOMPARE(model.colour(0, ContactListModel::NameColumn), Colour::Red);
        QCOMPARE(model.data(model.index(0, 0), ContactListModel::CellColourRole).toInt(), int(Colour::Red));
    }

    void resetToBlackLeavesOtherColumns()
    {
        ContactListModel model(m_table);
        model.showAll();
        model.setColour(0, ContactListModel::MobileColumn, Colour::Red);
        model.setColour(0, ContactListModel::EmailColumn, Colour::Red);
        model.resetToBlack();
        QCOMPARE(model.colour(0, ContactListModel::MobileColumn), Colour::Black);
        QCOMPARE(model.colour(0, ContactListModel::NameColumn), Colour::Black);
        QCOMPARE(model.colour(0, ContactListModel::EmailColumn), Colour::Red);
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
        m_table[2].Mobile = u"555"_s;
        model.refreshRow(0);
        QCOMPARE(model.cell(0, ContactListModel::MobileColumn), u"555"_s);
        model.removeRowAt(0);
        QCOMPARE(keys(model), QStringList{u"k6"_s});
        QCOMPARE(model.rowOfIndex(2), -1);
        QCOMPARE(model.rowOfIndex(6), 0);
        QCOMPARE(model.listedIndexes(), QList<int>{6});
    }

    void tempColumn()
    {
        ContactListModel model(m_table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.showAll();
        model.setTempColumn(true);
        QCOMPARE(model.columnCount(), 7);
        QCOMPARE(model.headerData(6, Qt::Horizontal, Qt::DisplayRole).toString(), u"tmp"_s);
        model.setCell(0, ContactListModel::TempColumn, u"x"_s);
        model.setTempColumn(false);
        QCOMPARE(model.columnCount(), 6);
    }
};

QTEST_GUILESS_MAIN(TestContactListModel)
#include "tst_contactlistmodel.moc"
