// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/contactlistmodel.h"

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

ContactListModel::ContactListModel(ContactTable &table, QObject *parent) : QAbstractTableModel(parent), m_table(table)
{
}

QStringList ContactListModel::headers()
{
    return {u"姓名"_s, u"手机"_s, u"座机"_s, u"相片"_s, u"邮箱"_s, u"QQ"_s};
}

int ContactListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int ContactListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kContactColumns;
}

QVariant ContactListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ListRow &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: {
        const QString &text = cellText(m_table, row, index.column());
        return text.size() <= kShownCharacters ? text : text.first(kShownCharacters) + u'…';
    }
    case CellColourRole: return int(row.colour(index.column()));
    case KeyRole: return ContactTable::keyOf(row.index);
    default: return {};
    }
}

QVariant ContactListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return {};
    return headers().at(section);
}

void ContactListModel::fill(const std::vector<int> &indexes)
{
    beginResetModel();
    m_rows.fill(indexes);
    endResetModel();
}

void ContactListModel::showAll()
{
    fill(liveIndexes(m_table));
}

void ContactListModel::showMatches(const QString &choice, const QString &text)
{
    fill(matchingIndexes(m_table, choice, text));
}

void ContactListModel::showIndexes(const std::vector<int> &indexes)
{
    fill(indexes);
}

void ContactListModel::clear()
{
    fill({});
}

int ContactListModel::appendRow(int index)
{
    const int row = m_rows.size();
    beginInsertRows({}, row, row);
    m_rows.append(index);
    endInsertRows();
    return row;
}

void ContactListModel::removeRowAt(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.removeAt(row);
    endRemoveRows();
}

void ContactListModel::recordChanged(int index)
{
    if (const int row = rowOfIndex(index); row >= 0)
        Q_EMIT dataChanged(this->index(row, 0), this->index(row, kContactColumns - 1), {Qt::DisplayRole});
}

QList<int> ContactListModel::listedIndexes() const
{
    QList<int> indexes;
    indexes.reserve(m_rows.size());
    for (const ListRow &row : m_rows.rows())
        indexes.append(row.index);
    return indexes;
}

void ContactListModel::notifyAllChanged()
{
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole, CellColourRole});
}

void ContactListModel::setRows(RowOrder rows)
{
    // The same records in another order (a sort): the view keeps its selection on the same records.
    bool sameRecords = rows.size() == m_rows.size();
    for (int row = 0; sameRecords && row < rows.size(); ++row)
        sameRecords = m_rows.rowOfIndex(rows.indexAt(row)) >= 0;
    if (!sameRecords) {
        beginResetModel();
        m_rows = std::move(rows);
        endResetModel();
        return;
    }
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> recordOf;
    recordOf.reserve(std::size_t(before.size()));
    for (const QModelIndex &p : before)
        recordOf.push_back(m_rows.indexAt(p.row()));
    m_rows = std::move(rows);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(m_rows.rowOfIndex(recordOf[std::size_t(i)]), before[i].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    notifyAllChanged();
}

void ContactListModel::showRows(RowOrder rows, const std::vector<int> &changedRecords)
{
    constexpr std::size_t kRowByRow = 64;
    if (!(rows == m_rows))
        setRows(std::move(rows)); // repaints every row
    else if (changedRecords.size() > kRowByRow)
        notifyAllChanged();
    else
        for (int index : changedRecords)
            recordChanged(index);
}

RowOrder ContactListModel::apply(const ChangeSet &changes)
{
    applyFieldChanges(changes, m_table);
    RowOrder before = m_rows;
    // A few changed records repaint their rows; more repaint the list once.
    constexpr std::size_t kRowByRow = 64;
    if (changes.rows)
        setRows(*changes.rows);
    else if (changes.fields().size() + changes.photos().size() > kRowByRow)
        notifyAllChanged();
    else
        for (int index : changes.changedRecords())
            recordChanged(index);
    return before;
}

Qt::SortOrder ContactListModel::sortOnHeaderClick(int column)
{
    RowOrder sorted = m_rows;
    (void)vecardia::sortOnHeaderClick(sorted, m_table, column);
    setRows(std::move(sorted));
    return sortOrder();
}

} // namespace vecardia
