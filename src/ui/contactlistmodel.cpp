#include "ui/contactlistmodel.h"

#include <QCollator>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <compare>
#include <numeric>
#include <unordered_map>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// The place of each text in the sort, equal places for texts that sort together. Characters are ordered by the
// Chinese collation (pinyin for Chinese, digits and signs as characters, letter case ignored), and texts character
// by character: the collation's order at a fraction of its cost.
std::vector<int> rankTexts(const std::vector<const QString *> &texts, Qt::SortOrder order)
{
    static const std::vector<char16_t> foldedUnit = [] {
        std::vector<char16_t> folded(0x10000);
        for (char32_t unit = 0; unit < 0x10000; ++unit)
            folded[unit] = char16_t(QChar::toCaseFolded(unit));
        return folded;
    }();
    std::vector<int> rankOfUnit(0x10000, -1);     // case-folded BMP character -> its rank (-1: not seen)
    std::unordered_map<char32_t, int> rankOfWide; // characters outside the BMP
    std::vector<char32_t> distinct;
    std::vector<char32_t> codes; // the case-folded characters of every text, one after the other
    std::vector<std::size_t> start(texts.size() + 1, 0);
    for (std::size_t id = 0; id < texts.size(); ++id) {
        const QString &text = *texts[id];
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t code = text[i].unicode();
            if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                code = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
                ++i;
            }
            code = code < 0x10000 ? foldedUnit[code] : QChar::toCaseFolded(code);
            codes.push_back(code);
            if (code < 0x10000) {
                if (rankOfUnit[code] < 0) {
                    rankOfUnit[code] = 0;
                    distinct.push_back(code);
                }
            } else if (rankOfWide.emplace(code, 0).second) {
                distinct.push_back(code);
            }
        }
        start[id + 1] = codes.size();
    }
    QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<QCollatorSortKey> charKeys;
    charKeys.reserve(distinct.size());
    for (char32_t code : distinct)
        charKeys.push_back(collator.sortKey(QString::fromUcs4(&code, 1)));
    std::vector<int> byKey(distinct.size());
    std::iota(byKey.begin(), byKey.end(), 0);
    std::stable_sort(byKey.begin(), byKey.end(),
                     [&](int a, int b) { return charKeys[std::size_t(a)].compare(charKeys[std::size_t(b)]) < 0; });
    for (std::size_t k = 0, rank = 0; k < byKey.size(); ++k) {
        if (k > 0 && charKeys[std::size_t(byKey[k - 1])].compare(charKeys[std::size_t(byKey[k])]) != 0)
            ++rank;
        const char32_t code = distinct[std::size_t(byKey[k])];
        (code < 0x10000 ? rankOfUnit[code] : rankOfWide[code]) = int(rank);
    }
    std::vector<int> ranks(codes.size());
    for (std::size_t i = 0; i < codes.size(); ++i)
        ranks[i] = codes[i] < 0x10000 ? rankOfUnit[codes[i]] : rankOfWide[codes[i]];

    // The first eight characters of each text packed into two numbers, so that most comparisons are two integer
    // comparisons (a rank + 1 per 16 bits, 0 after the end of a shorter text).
    constexpr std::size_t kPacked = 8;
    const bool packable = distinct.size() < 0xFFFF;
    std::vector<std::pair<quint64, quint64>> packed(texts.size());
    for (std::size_t id = 0; packable && id < texts.size(); ++id) {
        quint64 words[2] = {0, 0};
        for (std::size_t k = 0; k < kPacked && start[id] + k < start[id + 1]; ++k)
            words[k / 4] |= quint64(ranks[start[id] + k] + 1) << (48 - 16 * (k % 4));
        packed[id] = {words[0], words[1]};
    }
    // Texts equal by that order but different without regard to case must not interleave.
    const auto compare = [&](int a, int b) {
        const auto ia = std::size_t(a), ib = std::size_t(b);
        if (packed[ia] != packed[ib])
            return packed[ia] < packed[ib] ? -1 : 1;
        const std::size_t skip = packable ? kPacked : 0;
        const auto first = ranks.begin();
        const auto from = [&](std::size_t id) { return first + qsizetype(std::min(start[id] + skip, start[id + 1])); };
        const auto byChars = std::lexicographical_compare_three_way(from(ia), first + qsizetype(start[ia + 1]),
                                                                    from(ib), first + qsizetype(start[ib + 1]));
        if (byChars != 0)
            return byChars < 0 ? -1 : 1;
        return QString::compare(*texts[ia], *texts[ib], Qt::CaseInsensitive);
    };
    std::vector<int> byText(texts.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&](int a, int b) { return compare(a, b) < 0; });
    std::vector<int> rankOf(texts.size());
    int rank = 0;
    for (std::size_t k = 0; k < byText.size(); ++k) {
        if (k > 0 && compare(byText[k - 1], byText[k]) != 0)
            ++rank;
        rankOf[std::size_t(byText[k])] = order == Qt::AscendingOrder ? rank : -rank;
    }
    return rankOf;
}

} // namespace

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
    const Row &row = *m_rows[std::size_t(index.row())];
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

std::unique_ptr<ContactListModel::Row> ContactListModel::makeRow(int index) const
{
    const ContactRecord &r = m_table[index];
    auto row = std::make_unique<Row>();
    row->index = index;
    row->cells = {r.FullName, r.Mobile, r.Landline, photoCell(r), r.Email, r.QQ, QString()};
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
    Row &r = *m_rows[std::size_t(row)];
    const std::unique_ptr<Row> fresh = makeRow(r.index);
    std::copy(fresh->cells.begin(), fresh->cells.begin() + kContactColumns, r.cells.begin());
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
    for (const auto &row : m_rows)
        indexes.append(row->index);
    return indexes;
}

std::vector<int> ContactListModel::rowsInTableOrder() const
{
    std::vector<int> rows;
    rows.reserve(m_rows.size());
    for (int row : m_rowOfIndex) {
        if (row >= 0)
            rows.push_back(row);
    }
    return rows;
}

void ContactListModel::setCell(int row, int column, const QString &text, bool notify)
{
    m_rows[std::size_t(row)]->cells[column] = text;
    if (notify) {
        const QModelIndex at = index(row, column);
        Q_EMIT dataChanged(at, at, {Qt::DisplayRole});
    }
}

void ContactListModel::setColour(int row, int column, CellColour colour, bool notify)
{
    m_rows[std::size_t(row)]->colours[column] = colour;
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
    for (const auto &row : m_rows) {
        for (int column : {NameColumn, MobileColumn, LandlineColumn})
            row->colours[column] = CellColour::Black;
    }
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, LandlineColumn), {CellColourRole});
}

ContactListModel::SortedTexts ContactListModel::sortByColumn(int column, Qt::SortOrder order)
{
    SortedTexts seen;
    if (column < 0 || column >= columnCount())
        return seen;
    m_sortOrder = order;
    m_sortColumn = column;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> oldRowOf;
    for (const QModelIndex &p : before)
        oldRowOf.push_back(m_rows[std::size_t(p.row())]->index);

    // Each distinct text once: names and blank cells repeat a lot.
    QHash<QString, int> idOf;
    idOf.reserve(qsizetype(m_rows.size()));
    std::vector<int> idOfRow(m_rows.size());
    std::vector<const QString *> texts;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        const QString &text = m_rows[row]->cells[column];
        auto at = idOf.find(text);
        if (at == idOf.end()) {
            at = idOf.insert(text, int(texts.size()));
            texts.push_back(&text);
        }
        idOfRow[row] = *at;
    }

    const std::vector<int> rankOf = rankTexts(texts, order);
    // A stable sort by rank: rows of equal texts keep their order, as a stable sort by text would.
    std::vector<int> order_(m_rows.size());
    std::iota(order_.begin(), order_.end(), 0);
    std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
        return rankOf[std::size_t(idOfRow[std::size_t(a)])] < rankOf[std::size_t(idOfRow[std::size_t(b)])];
    });

    seen.texts.reserve(texts.size());
    for (const QString *text : texts)
        seen.texts.push_back(*text);
    seen.idOfRow.reserve(m_rows.size());
    for (int from : order_)
        seen.idOfRow.push_back(idOfRow[std::size_t(from)]);

    std::vector<std::unique_ptr<Row>> sorted;
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
    return seen;
}

Qt::SortOrder ContactListModel::sortOnHeaderClick(int column, SortedTexts *seen)
{
    const Qt::SortOrder order = m_sortOrder == Qt::DescendingOrder ? Qt::AscendingOrder : Qt::DescendingOrder;
    SortedTexts texts = sortByColumn(column, order);
    if (seen)
        *seen = std::move(texts);
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
        for (const auto &row : m_rows)
            row->cells[TempColumn].clear();
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
        const int index = m_rows[row]->index;
        if (index >= 0 && std::size_t(index) < m_rowOfIndex.size())
            m_rowOfIndex[std::size_t(index)] = int(row);
    }
}

} // namespace vecardia
