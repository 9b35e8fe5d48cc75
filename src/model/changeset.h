// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"
#include "model/roworder.h"

#include <QString>

#include <optional>
#include <vector>

namespace vecardia {

class ContactTable;

// One field of one record changed.
struct FieldChange {
    int index = 0;
    Field field = Field::Name;
    QString before;
    QString after;
};

// One photo field of one record changed.
struct PhotoChange {
    int index = 0;
    PhotoField field = PhotoField::Photo;
    QByteArray before;
    QByteArray after;
};

// What a command changed: fields of records, and the list when the command changed its rows, their order, colours
// or sort state. The commands build it from the table and the list without changing either; applying it is one
// step (and undoing it, another).
class ChangeSet {
public:
    // Field `f` of record `index` becomes `value`; nothing is recorded when it already is that.
    void set(const ContactTable &table, int index, Field f, const QString &value);
    void setPhoto(const ContactTable &table, int index, PhotoField f, const QByteArray &value);
    // The contact gets another name. The card's own N line, kept while the name was the card's, goes with the old
    // name: the writer builds N from the new one.
    void rename(const ContactTable &table, int index, const QString &name);
    // The record is deleted in place, as 清空数组单个数据 does.
    void deleteContact(const ContactTable &table, int index);

    [[nodiscard]] const std::vector<FieldChange> &fields() const { return m_fields; }
    [[nodiscard]] const std::vector<PhotoChange> &photos() const { return m_photos; }
    [[nodiscard]] bool changesRecords() const { return !m_fields.empty() || !m_photos.empty(); }
    // The records whose fields change, each once, in the order first changed (texts before photos).
    [[nodiscard]] std::vector<int> changedRecords() const;
    [[nodiscard]] bool touches(int index) const;

    // The list after the command, when it changed.
    std::optional<RowOrder> rows;

private:
    std::vector<FieldChange> m_fields;
    std::vector<PhotoChange> m_photos;
};

// Applies the changes to a table and a list; no signals, for callers without a model (the command-line tool).
void applyChanges(const ChangeSet &changes, ContactTable &table, RowOrder &rows);
void applyFieldChanges(const ChangeSet &changes, ContactTable &table);

} // namespace vecardia
