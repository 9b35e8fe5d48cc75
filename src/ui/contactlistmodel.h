#pragma once

#include "contacts/contacttable.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <array>
#include <memory>
#include <vector>

namespace vecardia {

// The rows of the contact list. Each row shows one record of the table and carries its key ("k" + index); the cells
// are copies of the record's texts that the list's own operations change in place, so sorting or filtering the
// list never moves a record. Qt Core only: colours are codes that the view turns into brushes.
class ContactListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { NameColumn, MobileColumn, LandlineColumn, PhotoColumn, EmailColumn, QQColumn, TempColumn };
    static constexpr int kContactColumns = 6;

    enum class CellColour : quint8 { Default, Black, Red };
    static constexpr int CellColourRole = Qt::UserRole + 1; // int value of CellColour
    static constexpr int KeyRole = Qt::UserRole + 2;        // "k" + index

    explicit ContactListModel(const ContactTable &table, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Fills: every row is thrown away and built again from the table.
    void showAll();                                               // every live record, by index
    void showMatches(const QString &choice, const QString &text); // records with a field that contains the text
    void showIndexes(const std::vector<int> &indexes);            // these records, in this order
    void clear();

    // A row for record `index` at the end of the list, in the contact row layout; returns its row.
    int appendRow(int index);
    // Writes the record's texts into its row again (the colours stay).
    void refreshRow(int row);
    void removeRowAt(int row);

    [[nodiscard]] int indexAt(int row) const { return m_rows[std::size_t(row)]->index; }
    [[nodiscard]] QString keyAt(int row) const { return ContactTable::keyOf(indexAt(row)); }
    [[nodiscard]] int rowOfIndex(int index) const;
    [[nodiscard]] int rowOfKey(QStringView key) const { return rowOfIndex(ContactTable::indexOfKey(key)); }
    [[nodiscard]] QList<int> listedIndexes() const; // in display order
    // The rows in the order of their records: their texts lie near each other in memory.
    [[nodiscard]] std::vector<int> rowsInTableOrder() const;

    [[nodiscard]] const QString &cell(int row, int column) const { return m_rows[std::size_t(row)]->cells[column]; }
    // Cell changes; a tool that changes many cells passes notify = false and calls notifyAllChanged() once.
    void setCell(int row, int column, const QString &text, bool notify = true);
    [[nodiscard]] CellColour colour(int row, int column) const { return m_rows[std::size_t(row)]->colours[column]; }
    void setColour(int row, int column, CellColour colour, bool notify = true);
    void notifyAllChanged();
    // The name, mobile and landline cells of every row turn black; the other cells keep their colours.
    void resetToBlack();

    // One sort by a column's texts, character by character in the Chinese collation's order of characters (letter
    // case ignored, Chinese in pinyin order, digits as characters, so 139… comes before 2). Texts that are equal
    // without regard to case end up next to each other. The list is not kept sorted afterwards.
    // What a sort saw of the column: its distinct texts, and for each row (in the new order) the number of its text.
    struct SortedTexts {
        std::vector<QString> texts;
        std::vector<int> idOfRow;
    };
    SortedTexts sortByColumn(int column, Qt::SortOrder order);
    // A header click: the direction flips, then the rows are sorted by that column. Returns the direction used.
    Qt::SortOrder sortOnHeaderClick(int column, SortedTexts *seen = nullptr);
    [[nodiscard]] Qt::SortOrder sortOrder() const { return m_sortOrder; }
    [[nodiscard]] int sortColumn() const { return m_sortColumn; } // -1 until the first sort

    // The temporary seventh column of the duplicate tools.
    void setTempColumn(bool shown);

    // The count label's text: rows listed, "/", the table's upper index, " 条".
    [[nodiscard]] QString countText() const;

    [[nodiscard]] static QString photoCell(const ContactRecord &record);
    [[nodiscard]] static QStringList headers();

private:
    struct Row {
        int index = 0;
        std::array<QString, 7> cells;
        std::array<CellColour, 7> colours{};
    };

    [[nodiscard]] std::unique_ptr<Row> makeRow(int index) const;
    void fill(const std::vector<int> &indexes);
    void rebuildRowOfIndex();

    const ContactTable &m_table;
    std::vector<std::unique_ptr<Row>> m_rows;        // by pointer, so that a sort moves pointers, not texts
    std::vector<int> m_rowOfIndex;                   // record index -> row, -1 when not listed
    Qt::SortOrder m_sortOrder = Qt::DescendingOrder; // the first header click sorts ascending
    int m_sortColumn = -1;
    bool m_tempColumn = false;
};

} // namespace vecardia
