// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contacttable.h"
#include "model/changeset.h"
#include "model/roworder.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <vector>

namespace vecardia {

// The contact list as a table model: the rows of a RowOrder, each showing its record of the table in the contact
// row layout. Every change to the list or to the records goes through here, so the view always shows what the
// table holds. Qt Core only: colours are codes that the view turns into brushes.
class ContactListModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    using CellColour = vecardia::CellColour;
    static constexpr int NameColumn = vecardia::NameColumn;
    static constexpr int MobileColumn = vecardia::MobileColumn;
    static constexpr int LandlineColumn = vecardia::LandlineColumn;
    static constexpr int PhotoColumn = vecardia::PhotoColumn;
    static constexpr int EmailColumn = vecardia::EmailColumn;
    static constexpr int QQColumn = vecardia::QQColumn;
    static constexpr int CellColourRole = Qt::UserRole + 1; // int value of CellColour
    static constexpr int KeyRole = Qt::UserRole + 2;        // "k" + index
    // The list draws at most this much of a cell: a field of many megabytes would stall every repaint.
    static constexpr qsizetype kShownCharacters = 4000;

    explicit ContactListModel(ContactTable &table, QObject *parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex &parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Fills: every row is thrown away and built again from the table.
    void showAll();                                               // every live record, by index
    void showMatches(const QString &choice, const QString &text); // records with a field that contains the text
    void showIndexes(const std::vector<int> &indexes);            // these records, in this order
    void clear();

    // A row for record `index` at the end of the list; returns its row.
    int appendRow(int index);
    void removeRowAt(int row);
    // The record's texts changed: its row, when listed, shows them again.
    void recordChanged(int index);

    // Applies a command's changes in one step and returns the list as it was before.
    RowOrder apply(const ChangeSet &changes);
    // Shows another list (the records are the same).
    void setRows(RowOrder rows);
    // Shows a list after its records changed (an undo or a redo): the rows, and the changed records' texts.
    void showRows(RowOrder rows, const std::vector<int> &changedRecords);

    [[nodiscard]] const RowOrder &rows() const { return m_rows; }
    [[nodiscard]] const ContactTable &table() const { return m_table; }
    [[nodiscard]] int indexAt(int row) const { return m_rows.indexAt(row); }
    [[nodiscard]] QString keyAt(int row) const { return ContactTable::keyOf(indexAt(row)); }
    [[nodiscard]] int rowOfIndex(int index) const { return m_rows.rowOfIndex(index); }
    [[nodiscard]] int rowOfKey(QStringView key) const { return rowOfIndex(ContactTable::indexOfKey(key)); }
    [[nodiscard]] QList<int> listedIndexes() const; // in display order
    [[nodiscard]] const QString &cell(int row, int column) const { return cellText(m_table, m_rows[row], column); }
    [[nodiscard]] CellColour colour(int row, int column) const { return m_rows[row].colour(column); }

    // A header click: the direction flips, then the rows are sorted by that column. Returns the direction used.
    Qt::SortOrder sortOnHeaderClick(int column);
    [[nodiscard]] Qt::SortOrder sortOrder() const
    {
        return m_rows.ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
    }
    [[nodiscard]] int sortColumn() const { return m_rows.sortColumn; } // -1 until the first sort after a fill

    [[nodiscard]] QString countText() const { return vecardia::countText(m_rows, m_table); }
    [[nodiscard]] static QStringList headers();

private:
    void fill(const std::vector<int> &indexes);
    void notifyAllChanged();

    ContactTable &m_table;
    RowOrder m_rows;
};

} // namespace vecardia
