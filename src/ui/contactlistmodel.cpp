#include "ui/contactlistmodel.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

ContactListModel::ContactListModel(const ContactTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
}

QStringList ContactListModel::headers()
{
    return {u"姓名"_s, u"手机"_s, u"座机"_s, u"相片"_s, u"邮箱"_s, u"QQ"_s, u"tmp"_s};
}

QString ContactListModel::photoCell(const ContactRecord &record)
{
    static const QString yes = u"有"_s, no = u"无"_s;
    return record.Photo.isEmpty() ? no : yes;
}

int ContactListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ContactListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kContactColumns + (m_tempColumn ? 1 : 0);
}

QVariant ContactListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Row &row = m_rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return row.cells[index.column()];
    case CellColourRole: return int(row.colours[index.column()]);
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

ContactListModel::Row ContactListModel::makeRow(int index) const
{
    const ContactRecord &r = m_table[index];
    Row row;
    row.index = index;
    row.cells = {r.FullName, r.Mobile, r.Landline, photoCell(r), r.Email, r.QQ, QString()};
    return row;
}

void ContactListModel::fill(const std::vector<int> &indexes)
{
    beginResetModel();
    m_sortColumn = -1; // a fill shows the records in its own order
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rows.reserve(indexes.size());
    for (int index : indexes)
        m_rows.push_back(makeRow(index));
    rebuildRowOfIndex();
    endResetModel();
}

void ContactListModel::showAll()
{
    std::vector<int> indexes;
    indexes.reserve(std::size_t(m_table.upperIndex()));
    for (int i = 1; i <= m_table.upperIndex(); ++i) {
        if (m_table.isLive(i))
            indexes.push_back(i);
    }
    fill(indexes);
}

void ContactListModel::showMatches(const QString &choice, const QString &text)
{
    std::vector<QString ContactRecord::*> fields;
    if (choice == u"[全部]")
        fields = {&ContactRecord::Mobile, &ContactRecord::FullName, &ContactRecord::Landline, &ContactRecord::Email,
                  &ContactRecord::QQ};
    else if (choice == u"姓名")
        fields = {&ContactRecord::FullName};
    else if (choice.startsWith(u"电话"))
        fields = {&ContactRecord::Mobile, &ContactRecord::Landline};
    else if (choice == u"邮箱")
        fields = {&ContactRecord::Email};
    else if (choice == u"QQ")
        fields = {&ContactRecord::QQ};

    std::vector<int> indexes;
    for (int i = 1; i <= m_table.upperIndex() && !fields.empty(); ++i) {
        const ContactRecord &r = m_table[i];
        const bool match = std::any_of(fields.begin(), fields.end(), [&](QString ContactRecord::*field) {
            const QString &value = r.*field;
            return !value.isEmpty() && value.contains(text, Qt::CaseInsensitive);
        });
        if (match)
            indexes.push_back(i);
    }
    fill(indexes);
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
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.push_back(makeRow(index));
    if (std::size_t(index) >= m_rowOfIndex.size())
        m_rowOfIndex.resize(std::size_t(index) + 1, -1);
    m_rowOfIndex[std::size_t(index)] = row;
    endInsertRows();
    return row;
}

void ContactListModel::refreshRow(int row)
{
    Row &r = m_rows[std::size_t(row)];
    const Row fresh = makeRow(r.index);
    std::copy(fresh.cells.begin(), fresh.cells.begin() + kContactColumns, r.cells.begin());
    Q_EMIT dataChanged(index(row, 0), index(row, kContactColumns - 1), {Qt::DisplayRole});
}

void ContactListModel::removeRowAt(int row)
{
    beginRemoveRows({}, row, row);
    m_rows.erase(m_rows.begin() + row);
    rebuildRowOfIndex();
    endRemoveRows();
}

int ContactListModel::rowOfIndex(int index) const
{
    if (index < 0 || std::size_t(index) >= m_rowOfIndex.size())
        return -1;
    return m_rowOfIndex[std::size_t(index)];
}

QList<int> ContactListModel::listedIndexes() const
{
    QList<int> indexes;
    indexes.reserve(qsizetype(m_rows.size()));
    for (const Row &row : m_rows)
        indexes.append(row.index);
    return indexes;
}

void ContactListModel::setCell(int row, int column, const QString &text, bool notify)
{
    m_rows[std::size_t(row)].cells[column] = text;
    if (notify) {
        const QModelIndex at = index(row, column);
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

void ContactListModel::setColour(int row, int column, CellColour colour, bool notify)
{
    m_rows[std::size_t(row)].colours[column] = colour;
    if (notify) {
        const QModelIndex at = index(row, column);
        Q_EMIT dataChanged(at, at, {CellColourRole});
    }
}

void ContactListModel::notifyAllChanged()
{
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::DisplayRole, CellColourRole});
}

void ContactListModel::resetToBlack()
{
    for (Row &row : m_rows) {
        for (int column : {NameColumn, MobileColumn, LandlineColumn})
            row.colours[column] = CellColour::Black;
    }
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, LandlineColumn), {CellColourRole});
}

void ContactListModel::sortByColumn(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    m_sortOrder = order;
    m_sortColumn = column;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> oldRowOf;
    for (const QModelIndex &p : before)
        oldRowOf.push_back(m_rows[std::size_t(p.row())].index);

    // Sort keys once per row: comparing them is a byte comparison.
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_rows.size());
    for (const Row &row : m_rows)
        keys.push_back(collator.sortKey(row.cells[column]));
    std::vector<int> order_(m_rows.size());
    std::iota(order_.begin(), order_.end(), 0);
    const auto less = [&](int a, int b) {
        const int byKey = keys[std::size_t(a)].compare(keys[std::size_t(b)]);
        if (byKey != 0)
            return byKey < 0;
        // Texts the collation calls equal but that differ without regard to case must not interleave.
        return QString::compare(m_rows[std::size_t(a)].cells[column], m_rows[std::size_t(b)].cells[column],
                                Qt::CaseInsensitive) < 0;
    };
    if (order == Qt::AscendingOrder)
        std::stable_sort(order_.begin(), order_.end(), less);
    else
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) { return less(b, a); });

    std::vector<Row> sorted;
    sorted.reserve(m_rows.size());
    for (int from : order_)
        sorted.push_back(std::move(m_rows[std::size_t(from)]));
    m_rows = std::move(sorted);
    rebuildRowOfIndex();

    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(index(rowOfIndex(oldRowOf[std::size_t(i)]), before[i].column()));
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

Qt::SortOrder ContactListModel::sortOnHeaderClick(int column)
{
    const Qt::SortOrder order = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    sortByColumn(column, order);
    return order;
}

void ContactListModel::setTempColumn(bool shown)
{
    if (shown == m_tempColumn)
        return;
    if (shown) {
        beginInsertColumns({}, TempColumn, TempColumn);
        m_tempColumn = true;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, TempColumn, TempColumn);
        m_tempColumn = false;
        for (Row &row : m_rows)
            row.cells[TempColumn].clear();
        endRemoveColumns();
    }
}

QString ContactListModel::countText() const
{
    return QString::number(m_rows.size()) + u'/' + QString::number(m_table.upperIndex()) + u" 条"_s;
}

void ContactListModel::rebuildRowOfIndex()
{
    m_rowOfIndex.assign(std::size_t(m_table.upperIndex()) + 1, -1);
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        const int index = m_rows[row].index;
        if (index >= 0 && std::size_t(index) < m_rowOfIndex.size())
            m_rowOfIndex[std::size_t(index)] = int(row);
    }
}

} // namespace vecardia
