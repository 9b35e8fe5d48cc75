// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contacttable.h"

#include <QString>
#include <QStringView>

#include <array>
#include <vector>

namespace vecardia {

// The columns of the contact row layout.
enum Column : int { NameColumn, MobileColumn, LandlineColumn, PhotoColumn, EmailColumn, QQColumn };
inline constexpr int kContactColumns = 6;
// Duplicate removal sorts by a seventh column that exists only while it runs (its header is the seventh).
inline constexpr int kTempColumn = 6;

enum class CellColour : quint8 { Default, Black, Red };

// One row of the list: the record it shows, and what belongs to the list alone.
struct ListRow {
    int index = 0; // the record shown; the row's key is "k" + index
    // Only the name, mobile and landline cells are ever coloured (red marks, and the reset to black).
    std::array<CellColour, 3> colours{};
    bool blank = false; // blanked by duplicate removal: every cell empty until the list is filled again

    [[nodiscard]] CellColour colour(int column) const
    {
        return column >= 0 && column < int(colours.size()) ? colours[std::size_t(column)] : CellColour::Default;
    }
    friend bool operator==(const ListRow &, const ListRow &) = default;
};

// What the list shows: the rows in display order and the sort state. The cells are never copied: a row shows its
// record's texts, so the list and the table cannot disagree. Plain data, so the tools work on it without a model.
class RowOrder {
public:
    [[nodiscard]] int size() const { return int(m_rows.size()); }
    [[nodiscard]] bool isEmpty() const { return m_rows.empty(); }
    [[nodiscard]] const ListRow &operator[](int row) const { return m_rows[std::size_t(row)]; }
    [[nodiscard]] ListRow &operator[](int row) { return m_rows[std::size_t(row)]; }
    [[nodiscard]] const std::vector<ListRow> &rows() const { return m_rows; }
    [[nodiscard]] int indexAt(int row) const { return (*this)[row].index; }

    // A fill: these records, in this order, every row black on white and unsorted.
    void fill(const std::vector<int> &indexes);
    // These rows as they are (colours and blank marks included), in this order; the sort state is left alone.
    void assign(std::vector<ListRow> rows);
    void append(int index);
    void removeAt(int row);
    // Rows in a new order: row k of the result is row order[k] of this list.
    void permute(const std::vector<int> &order);

    // The row that shows a record, or -1; answered from an index kept with the rows.
    [[nodiscard]] int rowOfIndex(int index) const;
    // Whether the list holds the row with this key ("k" + index).
    [[nodiscard]] bool 判断LV项目是否存在(QStringView key) const
    {
        return rowOfIndex(ContactTable::indexOfKey(key)) >= 0;
    }
    // The record indexes in display order.
    [[nodiscard]] std::vector<int> indexes() const;
    // The rows in the order of their records, whose texts lie near each other in memory.
    [[nodiscard]] std::vector<int> rowsInTableOrder() const;

    // Sort state: the column of the last sort (-1 when the list is in the order it was filled) and its direction.
    // The list starts "descending", so the first header click sorts ascending.
    int sortColumn = -1;
    bool ascending = false;

    friend bool operator==(const RowOrder &a, const RowOrder &b)
    {
        return a.m_rows == b.m_rows && a.sortColumn == b.sortColumn && a.ascending == b.ascending;
    }

private:
    void indexRows() const;

    std::vector<ListRow> m_rows;
    mutable std::vector<int> m_rowOfIndex; // record index -> row + 1 (0: not listed); rebuilt when stale
    mutable bool m_indexed = true;
};

// What a cell shows: the record's text in the contact row layout ("有"/"无" for the photo), nothing for a blanked row.
[[nodiscard]] const QString &cellText(const ContactTable &table, const ListRow &row, int column);
[[nodiscard]] const QString &photoCell(const ContactRecord &record);

// The fills of the list. Show all: every live record, by index. Show matches: the records with a field, chosen by the
// search column, that contains the text (case ignored); no live test. Texts of the search column choice as the
// find bar offers them: "[全部]", "姓名", "电话(手机和座机)", "邮箱", "QQ".
[[nodiscard]] std::vector<int> liveIndexes(const ContactTable &table);
[[nodiscard]] std::vector<int> matchingIndexes(const ContactTable &table, const QString &choice, const QString &text);

// The count label's text: rows listed, "/", the table's upper index, " 条".
[[nodiscard]] QString countText(const RowOrder &rows, const ContactTable &table);

// The name, mobile and landline cells of every row turn black; the other cells keep their colours.
void ListView1全部置为黑色字体(RowOrder &rows);

// What a sort saw of the column: its distinct texts, and for each row (in the new order) the number of its text.
struct SortedTexts {
    std::vector<QString> texts;
    std::vector<int> idOfRow;
};

// One sort of every row by a text of each row (`textOfRow[row]`), in the list's sort order (textrank.h), recorded as
// a sort by `column`. Rows of equal texts keep their order. The list is not kept sorted afterwards.
SortedTexts sortRows(RowOrder &rows, int column, bool ascending, const std::vector<const QString *> &textOfRow);

// A header click: the direction flips, then the rows are sorted by the column's cells.
SortedTexts sortOnHeaderClick(RowOrder &rows, const ContactTable &table, int column);

} // namespace vecardia
