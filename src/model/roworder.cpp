// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/roworder.h"

#include "model/textrank.h"

#include <QHash>

#include <algorithm>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

void RowOrder::fill(const std::vector<int> &indexes)
{
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rows.reserve(indexes.size());
    for (int index : indexes)
        m_rows.push_back({.index = index});
    sortColumn = -1; // a fill shows the records in its own order
    m_indexed = false;
}

void RowOrder::assign(std::vector<ListRow> rows)
{
    m_rows = std::move(rows);
    m_indexed = false;
}

void RowOrder::append(int index)
{
    m_rows.push_back({.index = index});
    if (m_indexed) {
        if (std::size_t(index) >= m_rowOfIndex.size())
            m_rowOfIndex.resize(std::size_t(index) + 1, 0);
        m_rowOfIndex[std::size_t(index)] = size();
    }
}

void RowOrder::removeAt(int row)
{
    m_rows.erase(m_rows.begin() + row);
    m_indexed = false;
}

void RowOrder::permute(const std::vector<int> &order)
{
    std::vector<ListRow> sorted;
    sorted.reserve(m_rows.size());
    for (int from : order)
        sorted.push_back(m_rows[std::size_t(from)]);
    m_rows = std::move(sorted);
    m_indexed = false;
}

void RowOrder::indexRows() const
{
    int highest = 0;
    for (const ListRow &row : m_rows)
        highest = std::max(highest, row.index);
    m_rowOfIndex.assign(std::size_t(highest) + 1, 0);
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (const int index = m_rows[row].index; index >= 0)
            m_rowOfIndex[std::size_t(index)] = int(row) + 1;
    }
    m_indexed = true;
}

int RowOrder::rowOfIndex(int index) const
{
    if (!m_indexed)
        indexRows();
    if (index < 0 || std::size_t(index) >= m_rowOfIndex.size())
        return -1;
    return m_rowOfIndex[std::size_t(index)] - 1;
}

std::vector<int> RowOrder::indexes() const
{
    std::vector<int> out;
    out.reserve(m_rows.size());
    for (const ListRow &row : m_rows)
        out.push_back(row.index);
    return out;
}

std::vector<int> RowOrder::rowsInTableOrder() const
{
    if (!m_indexed)
        indexRows();
    std::vector<int> rows;
    rows.reserve(m_rows.size());
    for (int row : m_rowOfIndex) {
        if (row > 0)
            rows.push_back(row - 1);
    }
    return rows;
}

const QString &photoCell(const ContactRecord &record)
{
    static const QString yes = u"有"_s, no = u"无"_s;
    return record.Photo.isEmpty() ? no : yes;
}

const QString &cellText(const ContactTable &table, const ListRow &row, int column)
{
    static const QString none;
    if (row.blank || !table.contains(row.index))
        return none;
    const ContactRecord &r = table[row.index];
    switch (column) {
    case NameColumn: return r.FullName;
    case MobileColumn: return r.Mobile;
    case LandlineColumn: return r.Landline;
    case PhotoColumn: return photoCell(r);
    case EmailColumn: return r.Email;
    case QQColumn: return r.QQ;
    default: return none;
    }
}

std::vector<int> liveIndexes(const ContactTable &table)
{
    std::vector<int> indexes;
    indexes.reserve(std::size_t(table.upperIndex()));
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (table.isLive(i))
            indexes.push_back(i);
    }
    return indexes;
}

std::vector<int> matchingIndexes(const ContactTable &table, const QString &choice, const QString &text)
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
    for (int i = 1; i <= table.upperIndex() && !fields.empty(); ++i) {
        const ContactRecord &r = table[i];
        const bool match = std::any_of(fields.begin(), fields.end(), [&](QString ContactRecord::*field) {
            const QString &value = r.*field;
            return !value.isEmpty() && value.contains(text, Qt::CaseInsensitive);
        });
        if (match)
            indexes.push_back(i);
    }
    return indexes;
}

QString countText(const RowOrder &rows, const ContactTable &table)
{
    return QString::number(rows.size()) + u'/' + QString::number(table.upperIndex()) + u" 条"_s;
}

void ListView1全部置为黑色字体(RowOrder &rows)
{
    for (int row = 0; row < rows.size(); ++row)
        rows[row].colours.fill(CellColour::Black);
}

SortedTexts sortRows(RowOrder &rows, int column, bool ascending, const std::vector<const QString *> &textOfRow)
{
    // Each distinct text once: names and blank cells repeat a lot.
    const std::size_t n = std::size_t(rows.size());
    QHash<QString, int> idOf;
    idOf.reserve(qsizetype(n));
    std::vector<int> idOfRow(n);
    std::vector<const QString *> texts;
    for (std::size_t row = 0; row < n; ++row) {
        auto at = idOf.find(*textOfRow[row]);
        if (at == idOf.end()) {
            at = idOf.insert(*textOfRow[row], int(texts.size()));
            texts.push_back(textOfRow[row]);
        }
        idOfRow[row] = *at;
    }
    const std::vector<int> place = rankTexts(texts, ascending);

    // A stable sort by place: rows of equal texts keep their order, as a stable sort by text would. Places are
    // fewer than the rows, so a counting sort does it in two passes.
    std::vector<int> order(n);
    if (n > 0) {
        const auto [low, high] = std::minmax_element(place.begin(), place.end());
        std::vector<int> next(std::size_t(*high - *low) + 1, 0); // the first row of each place in the order
        for (int id : idOfRow)
            ++next[std::size_t(place[std::size_t(id)] - *low)];
        int first = 0;
        for (int &slot : next)
            first += std::exchange(slot, first);
        for (std::size_t row = 0; row < n; ++row)
            order[std::size_t(next[std::size_t(place[std::size_t(idOfRow[row])] - *low)]++)] = int(row);
    }

    SortedTexts seen;
    seen.texts.reserve(texts.size());
    for (const QString *text : texts)
        seen.texts.push_back(*text);
    seen.idOfRow.reserve(n);
    for (int from : order)
        seen.idOfRow.push_back(idOfRow[std::size_t(from)]);
    rows.permute(order);
    rows.sortColumn = column;
    rows.ascending = ascending;
    return seen;
}

SortedTexts sortOnHeaderClick(RowOrder &rows, const ContactTable &table, int column)
{
    std::vector<const QString *> texts;
    texts.reserve(std::size_t(rows.size()));
    for (const ListRow &row : rows.rows())
        texts.push_back(&cellText(table, row, column));
    return sortRows(rows, column, !rows.ascending, texts);
}

} // namespace vecardia
