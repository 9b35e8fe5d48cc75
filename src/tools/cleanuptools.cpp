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

// Walks the sorted rows as the row-by-row scan does: a row with a value heads a group, every later row with the
// same value is a repeat of it, and the walk goes on after the group's last repeat. `keys` holds each row's compared
// value; an empty value neither heads a group nor repeats one. `group` is told each head and its repeats in list
// order. Returns the number of rows from each head to its last repeat, heads included.
template<typename Group>
int walkGroups(const std::vector<QString> &keys, Group &&group)
{
    // The rows of each value, in list order, one value after the other in one array.
    const int n = int(keys.size());
    QHash<QString, int> idOf;
    idOf.reserve(n);
    std::vector<int> idOfRow(std::size_t(n), -1);
    for (int row = 0; row < n; ++row) {
        const QString &key = keys[std::size_t(row)];
        if (key.isEmpty())
            continue;
        auto at = idOf.find(key);
        if (at == idOf.end())
            at = idOf.insert(key, int(idOf.size()));
        idOfRow[std::size_t(row)] = *at;
    }
    std::vector<int> begin(std::size_t(idOf.size()) + 1, 0);
    for (int id : idOfRow) {
        if (id >= 0)
            ++begin[std::size_t(id) + 1];
    }
    for (std::size_t id = 1; id < begin.size(); ++id)
        begin[id] += begin[id - 1];
    std::vector<int> rowsByValue(std::size_t(begin.back()));
    std::vector<int> filled(begin.begin(), begin.end() - 1);
    for (int row = 0; row < n; ++row) {
        if (const int id = idOfRow[std::size_t(row)]; id >= 0)
            rowsByValue[std::size_t(filled[std::size_t(id)]++)] = row;
    }

    int counted = 0;
    for (int i = 0; i + 1 < n; ++i) {
        const int id = idOfRow[std::size_t(i)];
        if (id < 0)
            continue;
        const auto first = rowsByValue.begin() + begin[std::size_t(id)];
        const auto last = rowsByValue.begin() + begin[std::size_t(id) + 1];
        const auto after = std::upper_bound(first, last, i);
        if (after == last)
            continue;
        group(i, std::span<const int>(&*after, std::size_t(last - after)));
        counted += last[-1] - i + 1;
        i = last[-1];
    }
    return counted;
}

std::vector<QString> columnKeys(const ContactListModel &list, int column, bool ignoreCase)
{
    std::vector<QString> keys;
    keys.reserve(std::size_t(list.rowCount()));
    for (int row = 0; row < list.rowCount(); ++row)
        keys.push_back(ignoreCase ? list.cell(row, column).toLower() : list.cell(row, column));
    return keys;
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
    list.sortOnHeaderClick(column);
    const int markedColumn = what == Repeat::Name ? int(Column::MobileColumn) : column;
    const int counted = walkGroups(columnKeys(list, column, what == Repeat::Name), [&](int head, auto rows) {
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
        const QString key = list.cell(row, Column::NameColumn) + u'|' + list.cell(row, Column::MobileColumn) + u'|' +
                            list.cell(row, Column::LandlineColumn);
        list.setCell(row, Column::TempColumn, key.toLower(), false);
    }
    list.sortOnHeaderClick(Column::TempColumn);

    // A row with no name and no numbers (one blanked before, say) is nobody's duplicate.
    std::vector<QString> keys = columnKeys(list, Column::TempColumn, false);
    for (QString &key : keys) {
        if (key == u"||")
            key.clear();
    }
    int blanked = 0;
    (void)walkGroups(keys, [&](int, auto rows) {
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
        const std::vector<int> *fewest = nullptr;
        static const std::vector<int> none;
        for (qsizetype at = 0; at + 3 <= query.size(); ++at) {
            const auto found = m_records.find(piece(query, at));
            const std::vector<int> &records = found == m_records.end() ? none : found->second;
            if (!fewest || records.size() < fewest->size())
                fewest = &records;
        }
        std::vector<int> result;
        result.reserve(fewest->size() + m_unindexed.size());
        std::set_union(fewest->begin(), fewest->end(), m_unindexed.begin(), m_unindexed.end(),
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

bool holds(const ContactRecord &record, const QString &query)
{
    return (!record.Mobile.isEmpty() && record.Mobile.contains(query, Qt::CaseInsensitive)) ||
           (!record.Landline.isEmpty() && record.Landline.contains(query, Qt::CaseInsensitive));
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
        const auto consider = [&](int record) {
            if (!holds(table[record], query))
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
