// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <vector>

namespace vecardia {

// The one in-memory table of contacts. Element 0 never holds a contact; contacts sit at 1..upperIndex().
// Records are only appended, changed or cleared in place, so an index names the same record until reset().
class ContactTable {
public:
    ContactTable();

    void reset();
    void reserve(int contacts);
    // How many records can be appended before the records move.
    [[nodiscard]] int room() const
    {
        return int(std::min<std::size_t>(m_records.capacity() - m_records.size(), 1U << 30));
    }

    // Appends an empty record and returns its index; returns 0 (and changes nothing) when the table is full.
    [[nodiscard]] int append();
    [[nodiscard]] int append(ContactRecord &&record);
    // Appends `count` empty records at once and returns the index of the first; the caller makes sure they fit
    // (below the largest index).
    int appendEmpty(int count);

    // Takes back the record appended last (a reader that found nothing to fill it with).
    void removeLast();
    // Takes the records above `upper` out of the table (an undone append), last index first; their indexes are
    // free again for the next append.
    [[nodiscard]] std::vector<ContactRecord> takeAbove(int upper);

    [[nodiscard]] int upperIndex() const { return int(m_records.size()) - 1; }
    [[nodiscard]] bool contains(int index) const { return index >= 1 && index <= upperIndex(); }

    [[nodiscard]] ContactRecord &operator[](int index) { return m_records[std::size_t(index)]; }
    [[nodiscard]] const ContactRecord &operator[](int index) const { return m_records[std::size_t(index)]; }

    [[nodiscard]] bool isLive(int index) const { return isLive(m_records[std::size_t(index)]); }
    [[nodiscard]] static bool isLive(const ContactRecord &record);

    // Row keys: "k" + index ("k12"); the index is read back from the key's second character on, 0 when unreadable.
    [[nodiscard]] static QString keyOf(int index);
    [[nodiscard]] static int indexOfKey(QStringView key);

    // Deletes a contact in place: the six fields that make it a contact become empty, the others stay.
    void 清空数组单个数据(int index);

private:
    std::vector<ContactRecord> m_records;
};

} // namespace vecardia
