#include "tools/cleanuptools.h"

#include "contacts/contacttable.h"
#include "ui/contactlistmodel.h"
#include "ui/textboxes.h"

#include <QHash>

#include <algorithm>
#include <iterator>
#include <optional>
#include <span>
#include <unordered_map>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace vecardia::tools {

namespace {

using Colour = ContactListModel::CellColour;
using Column = ContactListModel::Column;

// Lower case as QString::toLower gives it, without the Unicode tables for the usual contact texts: ASCII and
// Chinese characters (which have no case).
QString lowered(QString text)
{
    const auto plain = [](char16_t u) { return u < 0x80 || (u >= 0x3400 && u <= 0x9FFF); };
    if (!std::all_of(text.cbegin(), text.cend(), [&](QChar c) { return plain(c.unicode()); }))
        return std::move(text).toLower();
    if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() >= u'A' && c.unicode() <= u'Z'; })) {
        for (QChar &c : text) {
            if (c.unicode() >= u'A' && c.unicode() <= u'Z')
                c = QChar(c.unicode() + (u'a' - u'A'));
        }
    }
    return text;
}

// Walks the sorted rows as the row-by-row scan does: a row with a value heads a group, every later row with the
// same value is a repeat of it, and the walk goes on after the group's last repeat. `valueOfRow` numbers each row's
// compared value (values < `values`); -1 neither heads a group nor repeats one. `group` is told each head and its
// repeats in list order. Returns the number of rows from each head to its last repeat, heads included.
template<typename Group>
int walkGroups(const std::vector<int> &valueOfRow, int values, Group &&group)
{
    // The rows of each value, in list order, one value after the other in one array.
    const int n = int(valueOfRow.size());
    std::vector<int> begin(std::size_t(values) + 1, 0);
    for (int value : valueOfRow) {
        if (value >= 0)
            ++begin[std::size_t(value) + 1];
    }
    for (std::size_t value = 1; value < begin.size(); ++value)
        begin[value] += begin[value - 1];
    std::vector<int> rowsByValue(std::size_t(begin.back()));
    std::vector<int> filled(begin.begin(), begin.end() - 1);
    for (int row = 0; row < n; ++row) {
        if (const int value = valueOfRow[std::size_t(row)]; value >= 0)
            rowsByValue[std::size_t(filled[std::size_t(value)]++)] = row;
    }

    int counted = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const int value = valueOfRow[std::size_t(i)];
        if (value < 0)
            continue;
        const auto first = rowsByValue.begin() + begin[std::size_t(value)];
        const auto last = rowsByValue.begin() + begin[std::size_t(value) + 1];
        const auto after = std::upper_bound(first, last, i);
        if (after == last)
            continue;
        group(i, std::span<const int>(&*after, std::size_t(last - after)));
        counted += last[-1] - i + 1;
        i = last[-1];
    }
    return counted;
}

// Numbers the compared values of the sorted rows from the texts the sort saw: each distinct text is a value of its
// own, or, for names, texts equal after lower-casing are one value. Texts that `skip` names take no part.
template<typename Skip>
std::pair<std::vector<int>, int> valuesOf(const ContactListModel::SortedTexts &seen, bool lowerCase, Skip &&skip)
{
    QHash<QString, int> valueOfLower;
    std::vector<int> valueOfText(seen.texts.size(), -1);
    for (std::size_t id = 0; id < seen.texts.size(); ++id) {
        if (skip(seen.texts[id]))
            continue;
        if (!lowerCase) {
            valueOfText[id] = int(id);
            continue;
        }
        const QString lower = lowered(seen.texts[id]);
        auto at = valueOfLower.find(lower);
        if (at == valueOfLower.end())
            at = valueOfLower.insert(lower, int(valueOfLower.size()));
        valueOfText[id] = *at;
    }
    std::vector<int> valueOfRow;
    valueOfRow.reserve(seen.idOfRow.size());
    for (int id : seen.idOfRow)
        valueOfRow.push_back(valueOfText[std::size_t(id)]);
    return {std::move(valueOfRow), lowerCase ? int(valueOfLower.size()) : int(seen.texts.size())};
}

int columnOf(Repeat what)
{
    switch (what) {
    case Repeat::Name: return Column::NameColumn;
    case Repeat::Mobile: return Column::MobileColumn;
    case Repeat::Landline: return Column::LandlineColumn;
    }
    return Column::NameColumn;
}

// Sorted by the column as a header click sorts, colours reset, and the repeats of each group handed to `repeat`.
template<typename Repeats>
int walkRepeats(ContactListModel &list, Repeat what, Repeats &&repeats)
{
    const int column = columnOf(what);
    list.resetToBlack();
    ContactListModel::SortedTexts seen;
    list.sortOnHeaderClick(column, &seen);
    const int markedColumn = what == Repeat::Name ? int(Column::MobileColumn) : column;
    // Names are the same when they are after lower-casing; numbers only when they are to the letter.
    const auto [values, count] =
        valuesOf(seen, what == Repeat::Name, [](const QString &text) { return text.isEmpty(); });
    const int counted = walkGroups(values, count, [&](int head, auto rows) {
        for (int row : rows) {
            list.setColour(row, Column::NameColumn, Colour::Red, false);
            list.setColour(row, markedColumn, Colour::Red, false);
        }
        repeats(head, rows);
    });
    list.notifyAllChanged();
    return counted;
}

// Runs `change` on every record that the list shows, in table order, with its row.
template<typename Change>
void forListedRecords(ContactListModel &list, ContactTable &table, Change &&change)
{
    for (int index = 1; index <= table.upperIndex(); ++index) {
        const int row = list.rowOfIndex(index);
        if (row >= 0)
            change(table[index], row);
    }
    list.notifyAllChanged();
}

QString withoutSpaces(QString text)
{
    return text.remove(u' ');
}

} // namespace

int markRepeats(ContactListModel &list, Repeat what)
{
    return walkRepeats(list, what, [](int, auto) {});
}

int numberRepeatedNames(ContactListModel &list, ContactTable &table)
{
    const auto rename = [&](int row, const QString &name) {
        list.setCell(row, Column::NameColumn, name, false);
        table[list.indexAt(row)].FullName = name;
    };
    return walkRepeats(list, Repeat::Name, [&](int head, auto rows) {
        const QString headName = list.cell(head, Column::NameColumn);
        int number = 1;
        for (int row : rows)
            rename(row, list.cell(row, Column::NameColumn) + QString::number(++number));
        rename(head, headName + u'1');
    });
}

int deleteFullDuplicates(ContactListModel &list, ContactTable &table)
{
    list.setTempColumn(true);
    for (int row = 0; row < list.rowCount(); ++row) {
        const QString &name = list.cell(row, Column::NameColumn);
        const QString &mobile = list.cell(row, Column::MobileColumn);
        const QString &landline = list.cell(row, Column::LandlineColumn);
        QString key;
        key.reserve(name.size() + mobile.size() + landline.size() + 2);
        key.append(name).append(u'|').append(mobile).append(u'|').append(landline);
        list.setCell(row, Column::TempColumn, lowered(std::move(key)), false);
    }
    ContactListModel::SortedTexts seen;
    list.sortOnHeaderClick(Column::TempColumn, &seen);

    // A row with no name and no numbers (one blanked before, say) is nobody's duplicate.
    const auto [values, count] =
        valuesOf(seen, false, [](const QString &key) { return key.isEmpty() || key == u"||"; });
    int blanked = 0;
    (void)walkGroups(values, count, [&](int, auto rows) {
        for (int row : rows) {
            for (int column = 0; column <= Column::TempColumn; ++column)
                list.setCell(row, column, QString(), false);
            table.清空数组单个数据(list.indexAt(row));
            ++blanked;
        }
    });
    list.setTempColumn(false);
    list.notifyAllChanged();
    return blanked;
}

void removeNameSpaces(ContactListModel &list, ContactTable &table)
{
    forListedRecords(list, table, [&](ContactRecord &record, int row) {
        record.FullName.remove(u' ');
        list.setCell(row, Column::NameColumn, withoutSpaces(list.cell(row, Column::NameColumn)), false);
    });
}

void removeNumberSpaces(ContactListModel &list, ContactTable &table, bool landline)
{
    forListedRecords(list, table, [&](ContactRecord &record, int row) {
        QString &number = landline ? record.Landline : record.Mobile;
        number.remove(u' ');
        if (number.startsWith(u"+86"))
            number.remove(0, 3);
        list.setCell(row, landline ? Column::LandlineColumn : Column::MobileColumn, number, false);
    });
}

int deleteAreaCode(ContactListModel &list, ContactTable &table, const QString &code)
{
    int changed = 0;
    forListedRecords(list, table, [&](ContactRecord &record, int row) {
        if (code.size() != 4 || !record.Landline.startsWith(code))
            return;
        record.Landline.remove(0, 4);
        list.setCell(row, Column::LandlineColumn, record.Landline, false);
        ++changed;
    });
    return changed;
}

void moveLandlinesOutOfMobile(ContactListModel &list, ContactTable &table)
{
    forListedRecords(list, table, [&](ContactRecord &record, int row) {
        if (!record.Landline.isEmpty() || record.Mobile.startsWith(u'1'))
            return;
        record.Landline = record.Mobile;
        record.Mobile.clear();
        list.setCell(row, Column::MobileColumn, QString(), false);
        list.setCell(row, Column::LandlineColumn, record.Landline, false);
    });
}

void moveMobilesOutOfLandline(ContactListModel &list, ContactTable &table)
{
    forListedRecords(list, table, [&](ContactRecord &record, int row) {
        if (!record.Mobile.isEmpty() || !record.Landline.startsWith(u'1'))
            return;
        record.Mobile = record.Landline;
        record.Landline.clear();
        list.setCell(row, Column::LandlineColumn, QString(), false);
        list.setCell(row, Column::MobileColumn, record.Mobile, false);
    });
}

int lineCount(const QString &text)
{
    return text.isEmpty() ? 0 : int(text.count(u"\r\n"_s)) + 1;
}

namespace {

// Which records may hold a query: three-character pieces of the case-folded numbers, each with the records that
// contain it. A query of three or more characters can only be inside records that hold every one of its pieces.
class NumberIndex {
public:
    explicit NumberIndex(const ContactTable &table)
    {
        for (int index = 1; index <= table.upperIndex(); ++index) {
            const ContactRecord &r = table[index];
            for (const QString *number : {&r.Mobile, &r.Landline}) {
                if (hasSurrogates(*number)) {
                    m_unindexed.push_back(index); // folded by code point, not unit: always checked
                    continue;
                }
                for (qsizetype at = 0; at + 3 <= number->size(); ++at) {
                    std::vector<int> &records = m_records[piece(*number, at)];
                    if (records.empty() || records.back() != index)
                        records.push_back(index);
                }
            }
        }
    }

    // Ascending record indexes that may contain the query, or nothing when every record must be looked at.
    [[nodiscard]] std::optional<std::vector<int>> candidates(const QString &query) const
    {
        if (query.size() < 3 || hasSurrogates(query))
            return std::nullopt;
        static const std::vector<int> none;
        std::vector<const std::vector<int> *> lists;
        for (qsizetype at = 0; at + 3 <= query.size(); ++at) {
            const auto found = m_records.find(piece(query, at));
            lists.push_back(found == m_records.end() ? &none : &found->second);
        }
        // Records that hold every piece, the rarest pieces first; a handful is few enough to look at.
        std::sort(lists.begin(), lists.end(), [](auto *a, auto *b) { return a->size() < b->size(); });
        std::vector<int> holding = *lists.front();
        std::vector<int> narrower;
        for (std::size_t k = 1; k < lists.size() && holding.size() > 8; ++k) {
            narrower.clear();
            std::set_intersection(holding.begin(), holding.end(), lists[k]->begin(), lists[k]->end(),
                                  std::back_inserter(narrower));
            holding.swap(narrower);
        }
        std::vector<int> result;
        result.reserve(holding.size() + m_unindexed.size());
        std::set_union(holding.begin(), holding.end(), m_unindexed.begin(), m_unindexed.end(),
                       std::back_inserter(result));
        result.erase(std::unique(result.begin(), result.end()), result.end());
        return result;
    }

private:
    static bool hasSurrogates(const QString &text)
    {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
    }
    static quint64 piece(const QString &text, qsizetype at)
    {
        return quint64(text[at].toCaseFolded().unicode()) << 32 | quint64(text[at + 1].toCaseFolded().unicode()) << 16 |
               quint64(text[at + 2].toCaseFolded().unicode());
    }

    std::unordered_map<quint64, std::vector<int>> m_records;
    std::vector<int> m_unindexed;
};

bool holds(const ContactRecord &record, const QString &query, Qt::CaseSensitivity cs)
{
    return (!record.Mobile.isEmpty() && record.Mobile.contains(query, cs)) ||
           (!record.Landline.isEmpty() && record.Landline.contains(query, cs));
}

// A query of digits and ASCII signs matches the same without regard to case as with it, and faster.
Qt::CaseSensitivity caseFor(const QString &query)
{
    const bool caseless =
        std::all_of(query.begin(), query.end(), [](QChar c) { return c.unicode() < 0x80 && !c.isLetter(); });
    return caseless ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

} // namespace

QStringList batchFind(ContactListModel &list, const ContactTable &table, const QString &lines)
{
    QStringList notFound;
    std::vector<int> listed;
    std::vector<bool> isListed(std::size_t(table.upperIndex()) + 1, false);
    std::optional<NumberIndex> index;
    for (const QString &line : lines.split(u"\r\n"_s)) {
        const QString trimmed = trimSpaces(line);
        if (trimmed.isEmpty())
            continue;
        const QString query = trimmed.section(u' ', 0, 0); // "number name" lines search for the number
        int hits = 0;
        const Qt::CaseSensitivity cs = caseFor(query);
        const auto consider = [&](int record) {
            if (!holds(table[record], query, cs))
                return;
            ++hits;
            if (!isListed[std::size_t(record)]) {
                isListed[std::size_t(record)] = true;
                listed.push_back(record);
            }
        };
        if (!index && query.size() >= 3 && table.upperIndex() > 2000)
            index.emplace(table);
        const std::optional<std::vector<int>> candidates = index ? index->candidates(query) : std::nullopt;
        if (candidates) {
            for (int record : *candidates)
                consider(record);
        } else {
            for (int record = 1; record <= table.upperIndex(); ++record)
                consider(record);
        }
        if (hits == 0)
            notFound << query;
    }
    list.showIndexes(listed);
    return notFound;
}

} // namespace vecardia::tools
