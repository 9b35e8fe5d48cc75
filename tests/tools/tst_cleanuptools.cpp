// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/changeset.h"
#include "plainscans.h"
#include "tools/cleanuptools.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

using Colour = CellColour;

// Everything a tool can change: the rows in order with their cells and colours, and the records.
QString snapshot(const std::vector<QStringList> &rows, const ContactTable &table)
{
    QStringList out;
    for (const QStringList &row : rows)
        out << row.join(u'|');
    for (int i = 1; i <= table.upperIndex(); ++i) {
        const ContactRecord &r = table[i];
        out << QStringList{r.Name,    r.FullName, r.Mobile, r.Landline, QString::fromUtf8(r.Photo),
                           r.Starred, r.Email,    r.Kept}
                   .join(u'/');
    }
    return out.join(u'\n');
}

QString snapshot(const RowOrder &rows, const ContactTable &table)
{
    std::vector<QStringList> out;
    for (const ListRow &row : rows.rows()) {
        QStringList line{ContactTable::keyOf(row.index)};
        for (int column = 0; column < kContactColumns; ++column)
            line << cellText(table, row, column) + u'#' + QString::number(int(row.colour(column)));
        out.push_back(line);
    }
    return snapshot(out, table);
}

QString snapshot(const plain::List &list, const ContactTable &table)
{
    std::vector<QStringList> out;
    for (const plain::Row &row : list.rows) {
        QStringList line{ContactTable::keyOf(row.index)};
        for (int column = 0; column < kContactColumns; ++column)
            line << row.cells[std::size_t(column)] + u'#' + QString::number(int(row.colours[std::size_t(column)]));
        out.push_back(line);
    }
    return snapshot(out, table);
}

// A contact book of the kind the tools are for: case variants (full-width too), empty and blank cells, spaces, "+86"
// forms, area codes, numbers in the wrong column, names kept with their card's N, groups of 2 to 5.
ContactTable randomBook(QRandomGenerator &random, int size)
{
    static const QStringList names = {u"Anna"_s, u"anna"_s,  u"ANNA"_s, u"Ａnna"_s,  u"ａnna"_s,  u"anna "_s,
                                      u"李娜"_s, u"李 娜"_s, u"老师"_s, u"老师1"_s,  u"Office"_s, u"office"_s,
                                      u""_s,     u" "_s,     u"Bob"_s,  u"Ägir"_s,   u"ägir"_s,   u"İz"_s,
                                      u"iz"_s,   u"ǅ"_s,     u"ǆ"_s,    u" 张 三 "_s};
    static const QStringList numbers = {u"13800000000"_s,
                                        u"138 0000 0000"_s,
                                        u"+8613800000000"_s,
                                        u"+86 138 0000 0000"_s,
                                        u""_s,
                                        u" "_s,
                                        u"+86"_s,
                                        u"010-1234"_s,
                                        u"0101234"_s,
                                        u"139"_s,
                                        u"１３９"_s,
                                        u"ext A"_s,
                                        u"EXT a"_s,
                                        u"0755"_s,
                                        u"0755-1234"_s,
                                        u"075512345678"_s};
    ContactTable table;
    while (table.upperIndex() < size) {
        ContactRecord r;
        r.FullName = names[random.bounded(int(names.size()))];
        r.Mobile = numbers[random.bounded(int(numbers.size()))];
        r.Landline = random.bounded(3) == 0 ? numbers[random.bounded(int(numbers.size()))] : QString();
        r.Email = random.bounded(2) ? u"e"_s + QString::number(random.bounded(5)) : QString();
        if (random.bounded(4) == 0)
            r.Kept = u"N:Card;Own;;;\nORG:Acme\n"_s;
        if (!ContactTable::isLive(r))
            r.Mobile = u"10086"_s;
        const int copies = random.bounded(5) == 0 ? 2 + random.bounded(4) : 1; // groups of 2 to 5
        for (int c = 0; c < copies && table.upperIndex() < size; ++c)
            (void)table.append(ContactRecord(r));
    }
    return table;
}

// The records a list shows: all contacts or a search.
std::vector<int> shown(const ContactTable &table, int how)
{
    if (how == 0)
        return liveIndexes(table);
    return matchingIndexes(table, u"[全部]"_s, how == 1 ? u"a"_s : u"138"_s);
}

// The tool applied as the window applies it.
int run(tools::Outcome outcome, ContactTable &table, RowOrder &rows)
{
    applyChanges(outcome.changes, table, rows);
    return outcome.count;
}

} // namespace

class TestCleanupTools : public QObject {
    Q_OBJECT

    ContactTable m_table;
    RowOrder m_list;

    void book(const QList<ContactRecord> &records)
    {
        m_table.reset();
        for (const ContactRecord &r : records)
            (void)m_table.append(ContactRecord(r));
        m_list.fill(liveIndexes(m_table));
    }

    QStringList column(int c) const
    {
        QStringList texts;
        for (const ListRow &row : m_list.rows())
            texts << cellText(m_table, row, c);
        return texts;
    }

    int run(tools::Outcome outcome) { return ::run(std::move(outcome), m_table, m_list); }
    void run(const ChangeSet &changes) { applyChanges(changes, m_table, m_list); }

private Q_SLOTS:
    // The fast tools against the plain scans on thousands of random lists.
    void sameResultsAsThePlainScans()
    {
        QRandomGenerator random(20261208);
        for (int round = 0; round < 3000; ++round) {
            const int size = round % 100 == 0 ? 600 : random.bounded(40);
            const ContactTable book = randomBook(random, size);
            const int how = random.bounded(3);
            const int tool = random.bounded(12);
            const int runs = 1 + random.bounded(2); // running twice flips the sort, and finds blanked rows
            ContactTable fastTable = book, plainTable = book;
            RowOrder fast;
            fast.fill(shown(book, how));
            plain::List plain = plain::listOf(book, shown(book, how));
            const QString code = QStringList{u"0755"_s, u"0101"_s, u"+86 "_s, u"075"_s}[random.bounded(4)];
            for (int r = 0; r < runs; ++r) {
                int fastCount = 0, plainCount = 0;
                switch (tool) {
                case 0:
                case 1:
                case 2: {
                    const tools::Repeat what = tool == 0   ? tools::Repeat::Name
                                               : tool == 1 ? tools::Repeat::Mobile
                                                           : tools::Repeat::Landline;
                    fastCount = ::run(tools::markRepeats(fastTable, fast, what), fastTable, fast);
                    plainCount = plain::mark(plain, plainTable, tool);
                    break;
                }
                case 3:
                    fastCount = ::run(tools::numberRepeatedNames(fastTable, fast), fastTable, fast);
                    plainCount = plain::numberNames(plain, plainTable);
                    break;
                case 4:
                    fastCount = ::run(tools::deleteFullDuplicates(fastTable, fast), fastTable, fast);
                    plainCount = plain::deleteDuplicates(plain, plainTable);
                    break;
                case 5:
                    applyChanges(tools::removeNameSpaces(fastTable, fast), fastTable, fast);
                    plain::removeNameSpaces(plain, plainTable);
                    break;
                case 6:
                case 7:
                    applyChanges(tools::removeNumberSpaces(fastTable, fast, tool == 7), fastTable, fast);
                    plain::removeNumberSpaces(plain, plainTable, tool == 7);
                    break;
                case 8:
                    fastCount = ::run(tools::deleteAreaCode(fastTable, fast, code), fastTable, fast);
                    plainCount = plain::deleteAreaCode(plain, plainTable, code);
                    break;
                case 9:
                    applyChanges(tools::moveLandlinesOutOfMobile(fastTable, fast), fastTable, fast);
                    plain::moveBetweenColumns(plain, plainTable, true);
                    break;
                default:
                    applyChanges(tools::moveMobilesOutOfLandline(fastTable, fast), fastTable, fast);
                    plain::moveBetweenColumns(plain, plainTable, false);
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
        QCOMPARE(run(tools::markRepeats(m_table, m_list, tools::Repeat::Mobile)), 3);
        int red = 0;
        for (int row = 0; row < m_list.size(); ++row) {
            const bool isRed = m_list[row].colour(1) == Colour::Red;
            QCOMPARE(m_list[row].colour(0), isRed ? Colour::Red : Colour::Black);
            red += isRed ? 1 : 0;
        }
        QCOMPARE(red, 2); // the head of the group of three stays black
        QCOMPARE(run(tools::markRepeats(m_table, m_list, tools::Repeat::Mobile)),
                 3); // again: the other direction, same count
    }

    void markingNamesIgnoresCase()
    {
        book({{.FullName = u"Office"_s, .Mobile = u"1"_s}, {.FullName = u"office"_s}, {.FullName = u"x"_s}});
        QCOMPARE(run(tools::markRepeats(m_table, m_list, tools::Repeat::Name)), 2);
        const int repeat = m_list[0].colour(0) == Colour::Red ? 0 : 1;
        QCOMPARE(m_list[repeat].colour(MobileColumn), Colour::Red);
    }

    void emptyListsCountNothing()
    {
        book({});
        QCOMPARE(run(tools::markRepeats(m_table, m_list, tools::Repeat::Name)), 0);
        QCOMPARE(run(tools::deleteFullDuplicates(m_table, m_list)), 0);
    }

    void numbering()
    {
        book({{.FullName = u"同事"_s},
              {.FullName = u"客户"_s},
              {.FullName = u"同事"_s},
              {.FullName = u"同事"_s},
              {.FullName = u"客户"_s},
              {.FullName = u"独"_s}});
        QCOMPARE(run(tools::numberRepeatedNames(m_table, m_list)), 5);
        QStringList names = column(0);
        names.sort();
        QCOMPARE(names, (QStringList{u"同事1"_s, u"同事2"_s, u"同事3"_s, u"客户1"_s, u"客户2"_s, u"独"_s}));
        QStringList records;
        for (int i = 1; i <= 6; ++i)
            records << m_table[i].FullName;
        records.sort();
        QCOMPARE(records, names);
    }

    // A new name goes with a new N: the card's own N, kept while the name was the card's, is dropped.
    void renamingDropsTheKeptName()
    {
        book({{.FullName = u"Ann Lee"_s, .Kept = u"N:Lee;Ann;;;\nORG:Acme\n"_s},
              {.FullName = u"Ann Lee"_s, .Kept = u"ORG:Other\n"_s},
              {.FullName = u"Bob"_s, .Kept = u"N:B;o;b;;\n"_s}});
        QCOMPARE(run(tools::numberRepeatedNames(m_table, m_list)), 2);
        QCOMPARE(m_table[1].Kept, u"ORG:Acme\n"_s);
        QCOMPARE(m_table[2].Kept, u"ORG:Other\n"_s);
        QCOMPARE(m_table[3].Kept, u"N:B;o;b;;\n"_s); // not renamed
    }

    void numberingDoesNotLookAtNewNames()
    {
        book({{.FullName = u"老师"_s}, {.FullName = u"老师"_s}, {.FullName = u"老师1"_s}});
        QCOMPARE(run(tools::numberRepeatedNames(m_table, m_list)), 2);
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
        QCOMPARE(run(tools::deleteFullDuplicates(m_table, m_list)), 2);
        QCOMPARE(m_list.size(), 5); // blanked rows stay until the list is rebuilt
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
        QCOMPARE(run(tools::deleteFullDuplicates(m_table, m_list)), 3);
        // Answered No: the blanked rows stay. A second run finds nothing new.
        QCOMPARE(run(tools::deleteFullDuplicates(m_table, m_list)), 0);
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
        run(tools::removeNumberSpaces(m_table, m_list, false));
        QCOMPARE(m_table[1].Mobile, cleaned);
        QCOMPARE(cellText(m_table, m_list[0], 1), cleaned);
        QCOMPARE(m_table[1].Landline, number);
        run(tools::removeNumberSpaces(m_table, m_list, true));
        QCOMPARE(m_table[1].Landline, cleaned);
        QCOMPARE(cellText(m_table, m_list[0], 2), cleaned);
    }

    void onlyListedContactsChange()
    {
        book({{.FullName = u"a b"_s, .Mobile = u"1 2"_s}, {.FullName = u"c d"_s, .Mobile = u"3 4"_s}});
        m_list.fill(matchingIndexes(m_table, u"姓名"_s, u"a"_s));
        run(tools::removeNameSpaces(m_table, m_list));
        run(tools::removeNumberSpaces(m_table, m_list, false));
        QCOMPARE(m_table[1].FullName, u"ab"_s);
        QCOMPARE(m_table[1].Mobile, u"12"_s);
        QCOMPARE(m_table[2].FullName, u"c d"_s);
        QCOMPARE(m_table[2].Mobile, u"3 4"_s);
        QCOMPARE(cellText(m_table, m_list[0], 0), u"ab"_s);
    }

    void areaCode()
    {
        book({{.Landline = u"075512345678"_s},
              {.Landline = u"0755-12345678"_s},
              {.Landline = u"(0755)1234"_s},
              {.Landline = u"755 1234"_s},
              {.Landline = u"0755"_s},
              {.Mobile = u"07551"_s}});
        QCOMPARE(run(tools::deleteAreaCode(m_table, m_list, u"0755"_s)), 3);
        QCOMPARE(m_table[1].Landline, u"12345678"_s);
        QCOMPARE(m_table[2].Landline, u"-12345678"_s);
        QCOMPARE(m_table[3].Landline, u"(0755)1234"_s);
        QCOMPARE(m_table[5].Landline, QString());
        QCOMPARE(m_table[6].Mobile, u"07551"_s);
        QCOMPARE(cellText(m_table, m_list[1], 2), u"-12345678"_s);
        QCOMPARE(run(tools::deleteAreaCode(m_table, m_list, u"abcd"_s)), 0);
    }

    void moves()
    {
        book({{.Mobile = u"075512345678"_s},
              {.Mobile = u"13800000000"_s},
              {.Mobile = u"+8613800000000"_s},
              {.Mobile = u"0755"_s, .Landline = u"010"_s},
              {.Landline = u"13900000000"_s}});
        run(tools::moveLandlinesOutOfMobile(m_table, m_list));
        QCOMPARE(m_table[1].Landline, u"075512345678"_s);
        QVERIFY(m_table[1].Mobile.isEmpty());
        QCOMPARE(m_table[2].Mobile, u"13800000000"_s);
        QCOMPARE(m_table[3].Landline, u"+8613800000000"_s);
        QCOMPARE(m_table[4].Mobile, u"0755"_s); // a landline already there is never overwritten
        QCOMPARE(cellText(m_table, m_list[0], 2), u"075512345678"_s);
        run(tools::moveMobilesOutOfLandline(m_table, m_list));
        QCOMPARE(m_table[5].Mobile, u"13900000000"_s);
        QVERIFY(m_table[5].Landline.isEmpty());
        QCOMPARE(cellText(m_table, m_list[4], 1), u"13900000000"_s);
    }
};

QTEST_GUILESS_MAIN(TestCleanupTools)
#include "tst_cleanuptools.moc"
