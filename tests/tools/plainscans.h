// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The cleanup tools as plain row-by-row scans over a list that holds copies of its cells, as the commands were first
// written: each group head compared with every later row. Slow (quadratic) and obviously right; the fast tools must
// give exactly the same lists, colours, records and counts.

#include "contacts/contacttable.h"
#include "contacts/keptlines.h"
#include "model/roworder.h"
#include "model/textrank.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace vecardia::plain {

struct Row {
    int index = 0;
    std::array<QString, 7> cells; // the contact row layout and the temporary seventh column
    std::array<CellColour, 7> colours{};
};

struct List {
    std::vector<Row> rows;
    bool ascending = false;

    [[nodiscard]] int rowCount() const { return int(rows.size()); }
    [[nodiscard]] const QString &cell(int row, int column) const
    {
        return rows[std::size_t(row)].cells[std::size_t(column)];
    }
    void setCell(int row, int column, const QString &text) { rows[std::size_t(row)].cells[std::size_t(column)] = text; }
    void setColour(int row, int column, CellColour colour)
    {
        rows[std::size_t(row)].colours[std::size_t(column)] = colour;
    }
};

// The list filled with these records: copies of their texts, black on white.
inline List listOf(const ContactTable &table, const std::vector<int> &indexes)
{
    List list;
    for (int index : indexes) {
        const ContactRecord &r = table[index];
        list.rows.push_back({index, {r.FullName, r.Mobile, r.Landline, photoCell(r), r.Email, r.QQ, QString()}, {}});
    }
    return list;
}

// A header click: the direction flips, then a stable sort of the rows by the column's texts.
inline void sortOnHeaderClick(List &list, int column)
{
    list.ascending = !list.ascending;
    std::vector<const QString *> texts;
    for (const Row &row : list.rows)
        texts.push_back(&row.cells[std::size_t(column)]);
    const std::vector<int> place = rankTexts(texts, list.ascending);
    std::vector<std::size_t> order(list.rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return place[a] < place[b]; });
    std::vector<Row> sorted;
    for (std::size_t from : order)
        sorted.push_back(list.rows[from]);
    list.rows = std::move(sorted);
}

inline void resetToBlack(List &list)
{
    for (Row &row : list.rows) {
        for (int column = 0; column < 3; ++column)
            row.colours[std::size_t(column)] = CellColour::Black;
    }
}

// 寻找LV重复项: from 1-based position `start` to the last row, rows whose cell in `column` equals `sought` exactly
// are marked red, or blanked with their records cleared. Returns the last position matched, or 0.
inline int 寻找LV重复项(List &list, ContactTable &table, int start, const QString &sought, int column, bool remove)
{
    if (sought.isEmpty())
        return 0;
    const int n = list.rowCount();
    int last = 0;
    for (int p = start; p <= n; ++p) {
        if (list.cell(p - 1, column) != sought)
            continue;
        if (remove) {
            for (int c = 0; c <= kTempColumn; ++c)
                list.setCell(p - 1, c, QString());
            table.清空数组单个数据(list.rows[std::size_t(p - 1)].index);
        } else {
            list.setColour(p - 1, 0, CellColour::Red);
            list.setColour(p - 1, column, CellColour::Red);
        }
        last = p;
    }
    return last;
}

// A new name goes with a new N: the card's own N, kept while the name was the card's, is dropped, or built anew in
// its line.
inline void rename(ContactRecord &r, const QString &name)
{
    if (r.FullName != name && !kept::nameLine(r.Kept).isEmpty())
        r.Kept = kept::renamed(r.Kept, name);
    r.FullName = name;
}

// 寻找LV重复项2: names equal after lower-casing; numbering appends 2, 3, … to the repeats.
inline int 寻找LV重复项2(List &list, ContactTable &table, int start, const QString &sought, bool numbering)
{
    if (sought.isEmpty())
        return 0;
    const int n = list.rowCount();
    int last = 0;
    int counter = 1;
    for (int p = start; p <= n; ++p) {
        if (list.cell(p - 1, 0).toLower() != sought.toLower())
            continue;
        list.setColour(p - 1, 0, CellColour::Red);
        list.setColour(p - 1, 1, CellColour::Red);
        if (numbering) {
            ++counter;
            const QString name = list.cell(p - 1, 0) + QString::number(counter);
            list.setCell(p - 1, 0, name);
            rename(table[list.rows[std::size_t(p - 1)].index], name);
        }
        last = p;
    }
    return last;
}

// The marking commands; `column` 0 marks names.
inline int mark(List &list, ContactTable &table, int column)
{
    resetToBlack(list);
    sortOnHeaderClick(list, column);
    const int n = list.rowCount();
    int d = 0;
    for (int i = 1; i <= n; ++i) {
        if (list.rowCount() < i + 1)
            break;
        const QString cell = list.cell(i - 1, column);
        if (cell.isEmpty())
            continue;
        const int w = column == 0 ? 寻找LV重复项2(list, table, i + 1, cell, false)
                                  : 寻找LV重复项(list, table, i + 1, cell, column, false);
        if (w > 0) {
            d += w - i + 1;
            i = w;
        }
    }
    return d;
}

inline int numberNames(List &list, ContactTable &table)
{
    resetToBlack(list);
    sortOnHeaderClick(list, 0);
    const int n = list.rowCount();
    int d = 0;
    for (int i = 1; i <= n; ++i) {
        if (list.rowCount() < i + 1)
            break;
        const QString s = list.cell(i - 1, 0);
        if (s.isEmpty())
            continue;
        const int t = 寻找LV重复项2(list, table, i + 1, s, true);
        if (t > 0) {
            list.setCell(i - 1, 0, s + u'1');
            rename(table[list.rows[std::size_t(i - 1)].index], s + u'1');
            d += t - i + 1;
            i = t;
        }
    }
    return d;
}

inline int deleteDuplicates(List &list, ContactTable &table)
{
    for (int row = 0; row < list.rowCount(); ++row)
        list.setCell(row, 6, (list.cell(row, 0) + u'|' + list.cell(row, 1) + u'|' + list.cell(row, 2)).toLower());
    sortOnHeaderClick(list, 6);
    const int n = list.rowCount();
    for (int i = 1; i <= n; ++i) {
        if (list.rowCount() < i + 1)
            break;
        const QString key = list.cell(i - 1, 6);
        if (key.isEmpty() || key == u"||") // a row without name and numbers is nobody's duplicate
            continue;
        const int w = 寻找LV重复项(list, table, i + 1, key, 6, true);
        if (w > 0)
            i = w;
    }
    int m = 0;
    for (int row = 0; row < list.rowCount(); ++row) {
        m += list.cell(row, 6).isEmpty() ? 1 : 0;
        list.setCell(row, 6, QString()); // the temporary column goes
    }
    return m;
}

// 判断LV项目是否存在: the row that shows the record, found by its key, or -1.
inline int rowOfRecord(const List &list, int index)
{
    for (int row = 0; row < list.rowCount(); ++row) {
        if (list.rows[std::size_t(row)].index == index)
            return row;
    }
    return -1;
}

// The commands that go through the records from 1 to the upper index and change those the list shows.
template<typename Change>
void forRecordsWithRows(List &list, ContactTable &table, Change &&change)
{
    for (int index = 1; index <= table.upperIndex(); ++index) {
        if (const int row = rowOfRecord(list, index); row >= 0)
            change(table[index], list.rows[std::size_t(row)]);
    }
}

inline void removeNameSpaces(List &list, ContactTable &table)
{
    forRecordsWithRows(list, table, [](ContactRecord &r, Row &row) {
        rename(r, QString(r.FullName).remove(u' '));
        row.cells[0] = r.FullName;
    });
}

// Spaces removed, then "+86" at the very start.
inline void removeNumberSpaces(List &list, ContactTable &table, bool landline)
{
    forRecordsWithRows(list, table, [&](ContactRecord &r, Row &row) {
        QString &number = landline ? r.Landline : r.Mobile;
        number.remove(u' ');
        if (number.left(3) == u"+86")
            number = number.mid(3);
        row.cells[landline ? 2 : 1] = number;
    });
}

inline int deleteAreaCode(List &list, ContactTable &table, const QString &code)
{
    if (code.size() != 4)
        return 0;
    int count = 0;
    forRecordsWithRows(list, table, [&](ContactRecord &r, Row &row) {
        if (r.Landline.left(4) != code)
            return;
        r.Landline = r.Landline.mid(4);
        row.cells[2] = r.Landline;
        ++count;
    });
    return count;
}

// A number is a mobile number when it starts with "1"; nothing that is there already is overwritten.
inline void moveBetweenColumns(List &list, ContactTable &table, bool toLandline)
{
    forRecordsWithRows(list, table, [&](ContactRecord &r, Row &row) {
        QString &from = toLandline ? r.Mobile : r.Landline;
        QString &to = toLandline ? r.Landline : r.Mobile;
        const bool mobile = from.left(1) == u"1";
        if (!to.isEmpty() || mobile == toLandline)
            return;
        to = from;
        from.clear();
        row.cells[1] = r.Mobile;
        row.cells[2] = r.Landline;
    });
}

} // namespace vecardia::plain
