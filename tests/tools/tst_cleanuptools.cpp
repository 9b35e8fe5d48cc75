#include "plainscans.h"
#include "tools/cleanuptools.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

using Colour = ContactListModel::CellColour;

// Everything a tool can change: the rows in order with their cells and colours, and the records.
QString snapshot(const ContactListModel &list, const ContactTable &table)
{
    QStringList out;
    for (int row = 0; row < list.rowCount(); ++row) {
        QString line = list.keyAt(row);
        for (int column = 0; column < list.columnCount(); ++column)
            line += u'|' + list.cell(row, column) + u'#' + QString::number(int(list.colour(row, column)));
        out << line;
    }
    for (int i = 1; i <= table.upperIndex(); ++i) {
        const ContactRecord &r = table[i];
        out << QStringList{r.Name, r.FullName, r.Mobile, r.Landline, r.Photo, r.Starred, r.Email}.join(u'/');
    }
    return out.join(u'\n');
}

// A contact book of the kind the tools are for: case variants, empty cells, spaces, "+86" forms, groups of 2 to 5.
ContactTable randomBook(QRandomGenerator &random, int size)
{
    static const QStringList names = {u"Anna"_s,  u"anna"_s, u"ANNA"_s,  u"Ａnna"_s,  u"anna "_s,  u"李娜"_s,
                                      u"李 娜"_s, u"老师"_s, u"老师1"_s, u"Office"_s, u"office"_s, u""_s,
                                      u"Bob"_s,   u"Ägir"_s, u"ägir"_s,  u"İz"_s,     u"iz"_s};
    static const QStringList numbers = {u"13800000000"_s,
                                        u"138 0000 0000"_s,
                                        u"+8613800000000"_s,
                                        u"+86 138 0000 0000"_s,
                                        u""_s,
                                        u"010-1234"_s,
                                        u"0101234"_s,
                                        u"139"_s,
                                        u"ext A"_s,
                                        u"EXT a"_s,
                                        u"075512345678"_s};
    ContactTable table;
    while (table.upperIndex() < size) {
        ContactRecord r;
        r.FullName = names[random.bounded(int(names.size()))];
        r.Mobile = numbers[random.bounded(int(numbers.size()))];
        r.Landline = random.bounded(3) == 0 ? numbers[random.bounded(int(numbers.size()))] : QString();
        r.Email = random.bounded(2) ? u"e"_s + QString::number(random.bounded(5)) : QString();
        if (!ContactTable::isLive(r))
            r.Mobile = u"10086"_s;
        const int copies = random.bounded(5) == 0 ? 2 + random.bounded(4) : 1; // groups of 2 to 5
        for (int c = 0; c < copies && table.upperIndex() < size; ++c)
            (void)table.append(ContactRecord(r));
    }
    return table;
}

// The same list shown for both: all contacts or a search.
void show(ContactListModel &list, int how)
{
    if (how == 0)
        list.showAll();
    else
        list.showMatches(u"[全部]"_s, how == 1 ? u"a"_s : u"138"_s);
}

} // namespace

class TestCleanupTools : public QObject {
    Q_OBJECT

    ContactTable m_table;
    ContactListModel *m_list = nullptr;

    void book(const QList<ContactRecord> &records)
    {
        delete m_list;
        m_table.reset();
        for (const ContactRecord &r : records)
            (void)m_table.append(ContactRecord(r));
        m_list = new ContactListModel(m_table);
        m_list->showAll();
    }

    QStringList column(int c) const
    {
        QStringList texts;
        for (int row = 0; row < m_list->rowCount(); ++row)
            texts << m_list->cell(row, c);
        return texts;
    }

private Q_SLOTS:
    void cleanup()
    {
        delete m_list;
        m_list = nullptr;
    }

    // The fast tools against the plain scans on thousands of random lists.
    void sameResultsAsThePlainScans()
    {
        QRandomGenerator random(20261208);
        for (int round = 0; round < 3000; ++round) {
            const int size = round % 100 == 0 ? 600 : random.bounded(40);
            const ContactTable book = randomBook(random, size);
            const int how = random.bounded(3);
            const int tool = random.bounded(6);
            const int runs = 1 + random.bounded(2); // running twice flips the sort, and finds blanked rows
            ContactTable fastTable = book, plainTable = book;
            ContactListModel fast(fastTable), plain(plainTable);
            show(fast, how);
            show(plain, how);
            for (int run = 0; run < runs; ++run) {
                int fastCount = 0, plainCount = 0;
                switch (tool) {
                case 0:
                    fastCount = tools::markRepeats(fast, tools::Repeat::Name);
                    plainCount = plain::mark(plain, plainTable, 0);
                    break;
                case 1:
                    fastCount = tools::markRepeats(fast, tools::Repeat::Mobile);
                    plainCount = plain::mark(plain, plainTable, 1);
                    break;
                case 2:
                    fastCount = tools::markRepeats(fast, tools::Repeat::Landline);
                    plainCount = plain::mark(plain, plainTable, 2);
                    break;
                case 3:
                    fastCount = tools::numberRepeatedNames(fast, fastTable);
                    plainCount = plain::numberNames(plain, plainTable);
                    break;
                default:
                    fastCount = tools::deleteFullDuplicates(fast, fastTable);
                    plainCount = plain::deleteDuplicates(plain, plainTable);
                    break;
                }
                QCOMPARE(fastCount, plainCount);
                QCOMPARE(snapshot(fast, fastTable), snapshot(plain, plainTable));
            }
        }
    }

    void markingMobiles()
    {
        book({{.FullName = u"a"_s, .Mobile = u"1"_s},
              {.FullName = u"b"_s, .Mobile = u"2"_s},
              {.FullName = u"c"_s, .Mobile = u"1"_s},
              {.FullName = u"d"_s, .Mobile = u"1"_s},
              {.FullName = u"e"_s, .Mobile = u"1 "_s}});
        QCOMPARE(tools::markRepeats(*m_list, tools::Repeat::Mobile), 3);
        int red = 0;
        for (int row = 0; row < m_list->rowCount(); ++row) {
            const bool isRed = m_list->colour(row, 1) == Colour::Red;
            QCOMPARE(m_list->colour(row, 0), isRed ? Colour::Red : Colour::Black);
            red += isRed ? 1 : 0;
        }
        QCOMPARE(red, 2);                                                // the head of the group of three stays black
        QCOMPARE(tools::markRepeats(*m_list, tools::Repeat::Mobile), 3); // again: the other direction, same count
    }

    void markingNamesIgnoresCase()
    {
        book({{.FullName = u"Office"_s, .Mobile = u"1"_s}, {.FullName = u"office"_s}, {.FullName = u"x"_s}});
        QCOMPARE(tools::markRepeats(*m_list, tools::Repeat::Name), 2);
        const int repeat = m_list->colour(0, 0) == Colour::Red ? 0 : 1;
        QCOMPARE(m_list->colour(repeat, ContactListModel::MobileColumn), Colour::Red);
    }

    void emptyListsCountNothing()
    {
        book({});
        QCOMPARE(tools::markRepeats(*m_list, tools::Repeat::Name), 0);
        QCOMPARE(tools::deleteFullDuplicates(*m_list, m_table), 0);
        QCOMPARE(m_list->columnCount(), 6);
    }

    void numbering()
    {
        book({{.FullName = u"同事"_s},
              {.FullName = u"客户"_s},
              {.FullName = u"同事"_s},
              {.FullName = u"同事"_s},
              {.FullName = u"客户"_s},
              {.FullName = u"独"_s}});
        QCOMPARE(tools::numberRepeatedNames(*m_list, m_table), 5);
        QStringList names = column(0);
        names.sort();
        QCOMPARE(names, (QStringList{u"同事1"_s, u"同事2"_s, u"同事3"_s, u"客户1"_s, u"客户2"_s, u"独"_s}));
        QStringList records;
        for (int i = 1; i <= 6; ++i)
            records << m_table[i].FullName;
        records.sort();
        QCOMPARE(records, names);
    }

    void numberingDoesNotLookAtNewNames()
    {
        book({{.FullName = u"老师"_s}, {.FullName = u"老师"_s}, {.FullName = u"老师1"_s}});
        QCOMPARE(tools::numberRepeatedNames(*m_list, m_table), 2);
        QStringList names = column(0);
        names.sort();
        QCOMPARE(names, (QStringList{u"老师1"_s, u"老师1"_s, u"老师2"_s}));
    }

    void deleteDuplicatesKeepsOneOfEachGroup()
    {
        book({{.FullName = u"A"_s, .Mobile = u"1"_s, .Email = u"first"_s},
              {.FullName = u"a"_s, .Mobile = u"1"_s, .Email = u"second"_s},
              {.FullName = u"A"_s, .Mobile = u"1"_s, .Landline = u"2"_s},
              {.FullName = u"A"_s, .Mobile = u"1"_s},
              {.FullName = u"B"_s, .Mobile = u"+86 1"_s}});
        QCOMPARE(tools::deleteFullDuplicates(*m_list, m_table), 2);
        QCOMPARE(m_list->columnCount(), 6);
        QCOMPARE(m_list->rowCount(), 5); // blanked rows stay until the list is rebuilt
        QCOMPARE(int(m_table.isLive(1)) + int(m_table.isLive(2)) + int(m_table.isLive(4)), 1);
        QVERIFY(m_table.isLive(3) && m_table.isLive(5));
        // Cleared records keep their e-mail addresses.
        QCOMPARE(m_table[1].Email, u"first"_s);
        QCOMPARE(m_table[2].Email, u"second"_s);
    }

    void blankRowsAreNobodysDuplicate()
    {
        book({{.FullName = u"A"_s},
              {.FullName = u"A"_s},
              {.FullName = u"A"_s},
              {.FullName = u"B"_s},
              {.FullName = u"B"_s}});
        QCOMPARE(tools::deleteFullDuplicates(*m_list, m_table), 3);
        // Answered No: the blanked rows stay. A second run finds nothing new.
        QCOMPARE(tools::deleteFullDuplicates(*m_list, m_table), 0);
    }

    void numberSpaces_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("cleaned");
        QTest::newRow("spaces and +86") << u"+86 138 0000 0000"_s << u"13800000000"_s;
        QTest::newRow("+86 without spaces") << u"+8613800000000"_s << u"13800000000"_s;
        QTest::newRow("0086 stays") << u"0086 13800000000"_s << u"008613800000000"_s;
        QTest::newRow("+86 alone") << u"+86"_s << QString();
        QTest::newRow("+86 inside stays") << u"1+86"_s << u"1+86"_s;
        QTest::newRow("tab stays") << u"138\t0"_s << u"138\t0"_s;
    }
    void numberSpaces()
    {
        QFETCH(QString, number);
        QFETCH(QString, cleaned);
        book({{.FullName = u"x"_s, .Mobile = number, .Landline = number}});
        tools::removeNumberSpaces(*m_list, m_table, false);
        QCOMPARE(m_table[1].Mobile, cleaned);
        QCOMPARE(m_list->cell(0, 1), cleaned);
        QCOMPARE(m_table[1].Landline, number);
        tools::removeNumberSpaces(*m_list, m_table, true);
        QCOMPARE(m_table[1].Landline, cleaned);
        QCOMPARE(m_list->cell(0, 2), cleaned);
    }

    void onlyListedContactsChange()
    {
        book({{.FullName = u"a b"_s, .Mobile = u"1 2"_s}, {.FullName = u"c d"_s, .Mobile = u"3 4"_s}});
        m_list->showMatches(u"姓名"_s, u"a"_s);
        tools::removeNameSpaces(*m_list, m_table);
        tools::removeNumberSpaces(*m_list, m_table, false);
        QCOMPARE(m_table[1].FullName, u"ab"_s);
        QCOMPARE(m_table[1].Mobile, u"12"_s);
        QCOMPARE(m_table[2].FullName, u"c d"_s);
        QCOMPARE(m_table[2].Mobile, u"3 4"_s);
        QCOMPARE(m_list->cell(0, 0), u"ab"_s);
    }

    void areaCode()
    {
        book({{.Landline = u"075512345678"_s},
              {.Landline = u"0755-12345678"_s},
              {.Landline = u"(0755)1234"_s},
              {.Landline = u"755 1234"_s},
              {.Landline = u"0755"_s},
              {.Mobile = u"07551"_s}});
        QCOMPARE(tools::deleteAreaCode(*m_list, m_table, u"0755"_s), 3);
        QCOMPARE(m_table[1].Landline, u"12345678"_s);
        QCOMPARE(m_table[2].Landline, u"-12345678"_s);
        QCOMPARE(m_table[3].Landline, u"(0755)1234"_s);
        QCOMPARE(m_table[5].Landline, QString());
        QCOMPARE(m_table[6].Mobile, u"07551"_s);
        QCOMPARE(m_list->cell(1, 2), u"-12345678"_s);
        QCOMPARE(tools::deleteAreaCode(*m_list, m_table, u"abcd"_s), 0);
    }

    void moves()
    {
        book({{.Mobile = u"075512345678"_s},
              {.Mobile = u"13800000000"_s},
              {.Mobile = u"+8613800000000"_s},
              {.Mobile = u"0755"_s, .Landline = u"010"_s},
              {.Landline = u"13900000000"_s}});
        tools::moveLandlinesOutOfMobile(*m_list, m_table);
        QCOMPARE(m_table[1].Landline, u"075512345678"_s);
        QVERIFY(m_table[1].Mobile.isEmpty());
        QCOMPARE(m_table[2].Mobile, u"13800000000"_s);
        QCOMPARE(m_table[3].Landline, u"+8613800000000"_s);
        QCOMPARE(m_table[4].Mobile, u"0755"_s); // a landline already there is never overwritten
        QCOMPARE(m_list->cell(0, 2), u"075512345678"_s);
        tools::moveMobilesOutOfLandline(*m_list, m_table);
        QCOMPARE(m_table[5].Mobile, u"13900000000"_s);
        QVERIFY(m_table[5].Landline.isEmpty());
        QCOMPARE(m_list->cell(4, 1), u"13900000000"_s);
    }

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
        book({{.FullName = u"张三"_s, .Mobile = u"13800000001"_s},
              {.Landline = u"010-5"_s},
              {.Mobile = u"+86138 ext"_s},
              {.Email = u"138@x"_s}});
        QCOMPARE(tools::batchFind(*m_list, m_table, lines), notFound);
        QCOMPARE(m_list->listedIndexes(), listed);
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
        ContactListModel list(table);
        QString lines;
        for (int q = 0; q < 300; ++q)
            lines += QString::number(random.bounded(100000)) + (q % 7 ? u""_s : u"ext"_s) + u"\r\n"_s;
        const QStringList notFound = tools::batchFind(list, table, lines);
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
        QCOMPARE(list.listedIndexes(), expected);
        QCOMPARE(notFound, expectedMissing);
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

QTEST_GUILESS_MAIN(TestCleanupTools)
#include "tst_cleanuptools.moc"
