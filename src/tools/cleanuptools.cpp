// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/cleanuptools.h"

#include "contacts/contacttable.h"
#include "model/roworder.h"

#include <QHash>

#include <algorithm>
#include <span>

using namespace Qt::Literals::StringLiterals;

namespace vecardia::tools {

namespace {

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
int walkGroups(const std::vector<int> &valueOfRow, int values, Group &&group, const Progress &progress = {})
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
        if (progress)
            progress(i + 1, n);
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
std::pair<std::vector<int>, int> valuesOf(const SortedTexts &seen, bool lowerCase, Skip &&skip)
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
    case Repeat::Name: return NameColumn;
    case Repeat::Mobile: return MobileColumn;
    case Repeat::Landline: return LandlineColumn;
    }
    return NameColumn;
}

// Colours reset, sorted by the column as a header click sorts, and the repeats of each group marked red and handed
// to `repeats` (rows of the sorted list). The sorted, coloured list goes into the outcome's changes.
template<typename Repeats>
Outcome walkRepeats(const ContactTable &table, const RowOrder &rows, Repeat what, Repeats &&repeats)
{
    const int column = columnOf(what);
    RowOrder list = rows;
    ListView1全部置为黑色字体(list);
    const SortedTexts seen = sortOnHeaderClick(list, table, column);
    const int markedColumn = what == Repeat::Name ? int(MobileColumn) : column;
    // Names are the same when they are after lower-casing; numbers only when they are to the letter.
    const auto [values, count] =
        valuesOf(seen, what == Repeat::Name, [](const QString &text) { return text.isEmpty(); });
    Outcome outcome;
    outcome.count = walkGroups(values, count, [&](int head, auto repeatRows) {
        for (int row : repeatRows) {
            list[row].colours[NameColumn] = CellColour::Red;
            list[row].colours[std::size_t(markedColumn)] = CellColour::Red;
        }
        repeats(list, head, repeatRows, outcome.changes);
    });
    outcome.changes.rows = std::move(list);
    return outcome;
}

// Runs `change` on every record that the list shows, in table order.
template<typename Change>
ChangeSet forListedRecords(const ContactTable &table, const RowOrder &rows, Change &&change)
{
    ChangeSet changes;
    for (int index = 1; index <= table.upperIndex(); ++index) {
        if (rows.rowOfIndex(index) >= 0)
            change(changes, index, table[index]);
    }
    return changes;
}

QString withoutSpaces(QString text)
{
    return text.remove(u' ');
}

} // namespace

Outcome markRepeats(const ContactTable &table, const RowOrder &rows, Repeat what)
{
    return walkRepeats(table, rows, what, [](const RowOrder &, int, auto, ChangeSet &) {});
}

Outcome numberRepeatedNames(const ContactTable &table, const RowOrder &rows)
{
    return walkRepeats(table, rows, Repeat::Name,
                       [&](const RowOrder &list, int head, auto repeatRows, ChangeSet &changes) {
                           const auto rename = [&](int row, int number) {
                               const int index = list.indexAt(row);
                               changes.rename(table, index, table[index].FullName + QString::number(number));
                           };
                           int number = 1;
                           for (int row : repeatRows)
                               rename(row, ++number);
                           rename(head, 1);
                       });
}

Outcome deleteFullDuplicates(const ContactTable &table, const RowOrder &rows, const Progress &progress)
{
    // The temporary column's cells: name|mobile|landline, lower-cased.
    std::vector<QString> keys;
    keys.reserve(std::size_t(rows.size()));
    for (const ListRow &row : rows.rows()) {
        const QString &name = cellText(table, row, NameColumn);
        const QString &mobile = cellText(table, row, MobileColumn);
        const QString &landline = cellText(table, row, LandlineColumn);
        QString key;
        key.reserve(name.size() + mobile.size() + landline.size() + 2);
        key.append(name).append(u'|').append(mobile).append(u'|').append(landline);
        keys.push_back(lowered(std::move(key)));
    }
    std::vector<const QString *> texts;
    texts.reserve(keys.size());
    for (const QString &key : keys)
        texts.push_back(&key);
    RowOrder list = rows;
    const SortedTexts seen = sortRows(list, kTempColumn, !list.ascending, texts);

    // A row with no name and no numbers (one blanked before, say) is nobody's duplicate.
    const auto [values, count] =
        valuesOf(seen, false, [](const QString &key) { return key.isEmpty() || key == u"||"; });
    Outcome outcome;
    (void)walkGroups(
        values, count,
        [&](int, auto repeatRows) {
            for (int row : repeatRows) {
                list[row].blank = true;
                outcome.changes.deleteContact(table, list.indexAt(row));
                ++outcome.count;
            }
        },
        progress);
    outcome.changes.rows = std::move(list);
    return outcome;
}

ChangeSet removeNameSpaces(const ContactTable &table, const RowOrder &rows)
{
    return forListedRecords(table, rows, [&](ChangeSet &changes, int index, const ContactRecord &record) {
        changes.rename(table, index, withoutSpaces(record.FullName));
    });
}

ChangeSet removeNumberSpaces(const ContactTable &table, const RowOrder &rows, bool landline)
{
    return forListedRecords(table, rows, [&](ChangeSet &changes, int index, const ContactRecord &record) {
        QString number = withoutSpaces(landline ? record.Landline : record.Mobile);
        if (number.startsWith(u"+86"))
            number.remove(0, 3);
        changes.set(table, index, landline ? Field::Landline : Field::Mobile, number);
    });
}

Outcome deleteAreaCode(const ContactTable &table, const RowOrder &rows, const QString &code)
{
    Outcome outcome;
    if (!isAreaCode(code))
        return outcome;
    outcome.changes = forListedRecords(table, rows, [&](ChangeSet &changes, int index, const ContactRecord &record) {
        if (!record.Landline.startsWith(code))
            return;
        changes.set(table, index, Field::Landline, record.Landline.sliced(kAreaCodeLength));
        ++outcome.count;
    });
    return outcome;
}

ChangeSet moveLandlinesOutOfMobile(const ContactTable &table, const RowOrder &rows)
{
    return forListedRecords(table, rows, [&](ChangeSet &changes, int index, const ContactRecord &record) {
        if (!record.Landline.isEmpty() || record.Mobile.startsWith(u'1'))
            return;
        changes.set(table, index, Field::Landline, record.Mobile);
        changes.set(table, index, Field::Mobile, QString());
    });
}

ChangeSet moveMobilesOutOfLandline(const ContactTable &table, const RowOrder &rows)
{
    return forListedRecords(table, rows, [&](ChangeSet &changes, int index, const ContactRecord &record) {
        if (!record.Mobile.isEmpty() || !record.Landline.startsWith(u'1'))
            return;
        changes.set(table, index, Field::Mobile, record.Landline);
        changes.set(table, index, Field::Landline, QString());
    });
}

} // namespace vecardia::tools
