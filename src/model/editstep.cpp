// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/editstep.h"

#include <QHash>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

namespace vecardia {

namespace {

constexpr int kWordBits = 64;

quint8 colourCode(CellColour colour)
{
    return quint8(colour);
}

std::size_t textBytes(const QString &text)
{
    return text.isEmpty() ? 0 : std::size_t(text.capacity()) * sizeof(QChar);
}

// Whether any field of `changes` (up to record `upper`) now holds something other than before its first change.
template<typename Change, typename Current>
bool anyLeftChanged(const std::vector<Change> &changes, int upper, Current &&current)
{
    QHash<quint64, const decltype(Change::before) *> first;
    first.reserve(qsizetype(changes.size()));
    for (const Change &change : changes) {
        const quint64 key = quint64(change.index) << 8 | quint64(change.field);
        if (!first.contains(key))
            first.insert(key, &change.before);
    }
    for (auto it = first.cbegin(); it != first.cend(); ++it) {
        const int index = int(it.key() >> 8);
        if (index <= upper && current(index, quint8(it.key() & 0xff)) != *it.value())
            return true;
    }
    return false;
}

} // namespace

// ---- RowsSnapshot ----

quint8 RowsSnapshot::marksOf(const ListRow &row)
{
    return quint8(colourCode(row.colours[0]) | colourCode(row.colours[1]) << 2 | colourCode(row.colours[2]) << 4 |
                  (row.blank ? 1 << 6 : 0));
}

RowsSnapshot::RowsSnapshot(const RowOrder &rows)
    : m_size(rows.size()), m_sortColumn(rows.sortColumn), m_ascending(rows.ascending)
{
    int lowest = std::numeric_limits<int>::max(), highest = 0;
    std::size_t runs = 0;
    bool ascending = true;
    for (int row = 0; row < m_size; ++row) {
        const int index = rows.indexAt(row);
        lowest = std::min(lowest, index);
        highest = std::max(highest, index);
        if (row > 0) {
            ascending = ascending && index > rows.indexAt(row - 1);
            if (index != rows.indexAt(row - 1) + 1)
                ++runs;
        } else {
            runs = 1;
        }
        const quint8 marks = marksOf(rows[row]);
        if (m_marks.empty() || (m_marks.back() & ((1 << kMarksBits) - 1)) != marks ||
            m_marks.back() >> kMarksBits == kLongestMarksRun)
            m_marks.push_back(marks | 1 << kMarksBits);
        else
            m_marks.back() += 1 << kMarksBits;
    }
    m_marks.shrink_to_fit();
    if (m_size == 0)
        return;

    m_bits = std::max(1, int(std::bit_width(unsigned(highest))));
    const std::size_t runBytes = runs * sizeof(Run);
    const std::size_t packedWords = (std::size_t(m_size) * std::size_t(m_bits) + kWordBits - 1) / kWordBits;
    const std::size_t bitmapWords = ascending ? (std::size_t(highest - lowest) + kWordBits) / kWordBits : SIZE_MAX;
    if (runBytes <= std::min(packedWords, bitmapWords) * sizeof(quint64)) {
        m_form = Form::Runs;
        m_runs.reserve(runs);
        for (int row = 0; row < m_size; ++row) {
            const int index = rows.indexAt(row);
            if (m_runs.empty() || index != m_runs.back().first + m_runs.back().length)
                m_runs.push_back({index, 1});
            else
                ++m_runs.back().length;
        }
    } else if (bitmapWords <= packedWords) {
        m_form = Form::Bitmap;
        m_first = lowest;
        m_words.assign(bitmapWords, 0);
        for (int row = 0; row < m_size; ++row) {
            const std::size_t bit = std::size_t(rows.indexAt(row) - lowest);
            m_words[bit / kWordBits] |= quint64(1) << (bit % kWordBits);
        }
    } else {
        m_form = Form::Packed;
        m_words.assign(packedWords, 0);
        for (int row = 0; row < m_size; ++row) {
            const std::size_t bit = std::size_t(row) * std::size_t(m_bits);
            const quint64 value = quint64(rows.indexAt(row));
            m_words[bit / kWordBits] |= value << (bit % kWordBits);
            if (bit % kWordBits + std::size_t(m_bits) > kWordBits)
                m_words[bit / kWordBits + 1] |= value >> (kWordBits - bit % kWordBits);
        }
    }
}

template<typename Visit>
void RowsSnapshot::forEachRow(Visit &&visit) const
{
    std::size_t run = 0, word = 0, mark = 0;
    int inRun = 0;
    quint32 inMark = 0;
    quint64 bits = m_form == Form::Bitmap && !m_words.empty() ? m_words[0] : 0;
    const quint64 mask = (quint64(1) << m_bits) - 1; // m_bits stays below 32
    for (int row = 0; row < m_size; ++row) {
        int index = 0;
        switch (m_form) {
        case Form::Runs:
            if (inRun == m_runs[run].length) {
                ++run;
                inRun = 0;
            }
            index = m_runs[run].first + inRun++;
            break;
        case Form::Bitmap:
            while (bits == 0)
                bits = m_words[++word];
            index = m_first + int(word * kWordBits) + std::countr_zero(bits);
            bits &= bits - 1;
            break;
        case Form::Packed: {
            const std::size_t bit = std::size_t(row) * std::size_t(m_bits);
            quint64 value = m_words[bit / kWordBits] >> (bit % kWordBits);
            if (bit % kWordBits + std::size_t(m_bits) > kWordBits)
                value |= m_words[bit / kWordBits + 1] << (kWordBits - bit % kWordBits);
            index = int(value & mask);
            break;
        }
        }
        if (inMark == m_marks[mark] >> kMarksBits) {
            ++mark;
            inMark = 0;
        }
        ++inMark;
        if (!visit(index, quint8(m_marks[mark] & ((1 << kMarksBits) - 1))))
            return;
    }
}

RowOrder RowsSnapshot::rows() const
{
    std::vector<ListRow> rows;
    rows.reserve(std::size_t(m_size));
    forEachRow([&rows](int index, quint8 marks) {
        rows.push_back({.index = index,
                        .colours = {CellColour(marks & 3), CellColour(marks >> 2 & 3), CellColour(marks >> 4 & 3)},
                        .blank = (marks & 1 << 6) != 0});
        return true;
    });
    RowOrder order;
    order.assign(std::move(rows));
    order.sortColumn = m_sortColumn;
    order.ascending = m_ascending;
    return order;
}

bool RowsSnapshot::equals(const RowOrder &rows) const
{
    if (rows.size() != m_size || rows.sortColumn != m_sortColumn || rows.ascending != m_ascending)
        return false;
    int row = 0;
    bool same = true;
    forEachRow([&](int index, quint8 marks) {
        same = rows.indexAt(row) == index && marksOf(rows[row]) == marks;
        ++row;
        return same;
    });
    return same;
}

std::size_t RowsSnapshot::bytes() const
{
    return sizeof(*this) + m_runs.capacity() * sizeof(Run) + m_words.capacity() * sizeof(quint64) +
           m_marks.capacity() * sizeof(MarksRun);
}

// ---- EditStep ----

EditStep::EditStep(QString name, const ContactTable &table, std::shared_ptr<const RowsSnapshot> rowsBefore)
    : m_name(std::move(name)), m_upperBefore(table.upperIndex()), m_upperAfter(table.upperIndex()),
      m_rowsBefore(std::move(rowsBefore))
{
}

void EditStep::record(const ChangeSet &changes)
{
    m_fields.insert(m_fields.end(), changes.fields().begin(), changes.fields().end());
    m_photos.insert(m_photos.end(), changes.photos().begin(), changes.photos().end());
}

bool EditStep::finish(const ContactTable &table, const RowOrder &rowsAfter)
{
    m_upperAfter = table.upperIndex();
    m_fields.shrink_to_fit();
    m_photos.shrink_to_fit();
    m_rowsAfter = m_rowsBefore->equals(rowsAfter) ? m_rowsBefore : std::make_shared<const RowsSnapshot>(rowsAfter);
    if (m_upperAfter != m_upperBefore || m_rowsAfter != m_rowsBefore)
        return true;
    // Each field against its value before its first change: a change undone within the command is none.
    return anyLeftChanged(m_fields, m_upperAfter,
                          [&](int index, quint8 f) -> const QString & { return field(table[index], Field(f)); }) ||
           anyLeftChanged(m_photos, m_upperAfter, [&](int index, quint8 f) -> const QByteArray & {
               return photoField(table[index], PhotoField(f));
           });
}

void EditStep::undo(ContactTable &table)
{
    for (auto change = m_photos.rbegin(); change != m_photos.rend(); ++change)
        setPhotoField(table[change->index], change->field, change->before);
    for (auto change = m_fields.rbegin(); change != m_fields.rend(); ++change)
        setField(table[change->index], change->field, change->before);
    m_appended = table.takeAbove(m_upperBefore);
}

void EditStep::redo(ContactTable &table)
{
    while (!m_appended.empty()) {
        (void)table.append(std::move(m_appended.back()));
        m_appended.pop_back();
    }
    for (const FieldChange &change : m_fields)
        setField(table[change.index], change.field, change.after);
    for (const PhotoChange &change : m_photos)
        setPhotoField(table[change.index], change.field, change.after);
}

std::vector<int> EditStep::touchedRecords() const
{
    std::vector<int> touched;
    touched.reserve(m_fields.size() + m_photos.size() + std::size_t(m_upperAfter - m_upperBefore));
    for (const FieldChange &change : m_fields)
        touched.push_back(change.index);
    for (const PhotoChange &change : m_photos)
        touched.push_back(change.index);
    for (int index = m_upperBefore + 1; index <= m_upperAfter; ++index)
        touched.push_back(index);
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    return touched;
}

std::size_t EditStep::bytes() const
{
    std::size_t total =
        sizeof(*this) + m_fields.capacity() * sizeof(FieldChange) + m_photos.capacity() * sizeof(PhotoChange);
    for (const FieldChange &change : m_fields)
        total += textBytes(change.before) + textBytes(change.after);
    for (const PhotoChange &change : m_photos)
        total += std::size_t(change.before.capacity() + change.after.capacity());
    for (const ContactRecord &record : m_appended) {
        total += sizeof(ContactRecord) + std::size_t(record.Photo.get().capacity() + record.BigPhoto.get().capacity());
        for (int f = 0; f < kTextFields; ++f)
            total += textBytes(field(record, Field(f)));
    }
    return total;
}

} // namespace vecardia
