// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/changeset.h"

#include "contacts/contacttable.h"
#include "contacts/keptlines.h"

#include <algorithm>

namespace vecardia {

void ChangeSet::set(const ContactTable &table, int index, Field f, const QString &value)
{
    const QString &now = field(table[index], f);
    if (now != value)
        m_fields.push_back({index, f, now, value});
}

void ChangeSet::setPhoto(const ContactTable &table, int index, PhotoField f, const QByteArray &value)
{
    const QByteArray &now = photoField(table[index], f);
    if (now != value)
        m_photos.push_back({index, f, now, value});
}

void ChangeSet::rename(const ContactTable &table, int index, const QString &name)
{
    const ContactRecord &r = table[index];
    if (r.FullName == name)
        return;
    set(table, index, Field::FullName, name);
    if (!kept::nameLine(r.Kept.get()).isEmpty())
        set(table, index, Field::Kept, kept::renamed(r.Kept, name));
}

void ChangeSet::deleteContact(const ContactTable &table, int index)
{
    for (Field f : kDeletedFields)
        set(table, index, f, QString());
    setPhoto(table, index, PhotoField::Photo, QByteArray());
}

bool ChangeSet::touches(int index) const
{
    return std::any_of(m_fields.begin(), m_fields.end(), [index](const FieldChange &c) { return c.index == index; }) ||
           std::any_of(m_photos.begin(), m_photos.end(), [index](const PhotoChange &c) { return c.index == index; });
}

std::vector<int> ChangeSet::changedRecords() const
{
    std::vector<int> records;
    for (const FieldChange &change : m_fields) {
        if (records.empty() || records.back() != change.index)
            records.push_back(change.index);
    }
    for (const PhotoChange &change : m_photos) {
        if (records.empty() || records.back() != change.index)
            records.push_back(change.index);
    }
    if (records.empty())
        return records;
    std::vector<int> sorted = records;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.size() == records.size())
        return records;
    // A record changed again after others: keep the first mention of each.
    std::vector<bool> seen(std::size_t(sorted.back()) + 1, false);
    std::vector<int> once;
    for (int index : records) {
        if (!seen[std::size_t(index)]) {
            seen[std::size_t(index)] = true;
            once.push_back(index);
        }
    }
    return once;
}

void applyFieldChanges(const ChangeSet &changes, ContactTable &table)
{
    for (const FieldChange &change : changes.fields())
        setField(table[change.index], change.field, change.after);
    for (const PhotoChange &change : changes.photos())
        setPhotoField(table[change.index], change.field, change.after);
}

void applyChanges(const ChangeSet &changes, ContactTable &table, RowOrder &rows)
{
    applyFieldChanges(changes, table);
    if (changes.rows)
        rows = *changes.rows;
}

} // namespace vecardia
