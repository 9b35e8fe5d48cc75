// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contacttable.h"
#include "model/changeset.h"
#include "model/roworder.h"

#include <QString>

#include <memory>
#include <vector>

namespace vecardia {

// A list as an undo step keeps it, in a fraction of a RowOrder's memory. The rows' records in whichever of three
// forms is smallest: runs of consecutive indexes (a list in table order), a bitmap of the listed indexes (a list in
// table order with gaps), or each index packed in as few bits as the largest needs (a sorted list). Each row's
// colours and blank mark are run-length coded: a list is mostly of one colour.
class RowsSnapshot {
public:
    explicit RowsSnapshot(const RowOrder &rows);

    [[nodiscard]] RowOrder rows() const;
    [[nodiscard]] bool equals(const RowOrder &rows) const;
    [[nodiscard]] int size() const { return m_size; }
    // What the snapshot holds in memory, in bytes.
    [[nodiscard]] std::size_t bytes() const;

private:
    enum class Form : quint8 { Runs, Bitmap, Packed };
    struct Run {
        int first;
        int length;
    };
    // A run of rows with the same marks: the marks in the low 7 bits, the number of rows above them.
    using MarksRun = quint32;
    static constexpr int kMarksBits = 7;
    static constexpr quint32 kLongestMarksRun = (quint32(1) << (32 - kMarksBits)) - 1;

    [[nodiscard]] static quint8 marksOf(const ListRow &row);
    template<typename Visit>
    void forEachRow(Visit &&visit) const; // visit(index, marks) for every row in order, until it returns false

    int m_size = 0;
    Form m_form = Form::Runs;
    std::vector<Run> m_runs;
    std::vector<quint64> m_words; // the bitmap (bit k: index m_first + k) or the packed indexes
    int m_first = 0;
    int m_bits = 0;
    std::vector<MarksRun> m_marks;
    int m_sortColumn = -1;
    bool m_ascending = false;
};

// One user command as an undo step: the fields it changed (in order), the records it appended, and the list before
// and after it. The fields are recorded as the command applies them; the rest is read when it ends. Undo and redo
// put the records back exactly, appended records at their own indexes; the window shows the list of the step.
class EditStep {
public:
    EditStep(QString name, const ContactTable &table, std::shared_ptr<const RowsSnapshot> rowsBefore);

    [[nodiscard]] const QString &name() const { return m_name; }
    // Changes the command applied to the table.
    void record(const ChangeSet &changes);
    // The command ended with this table and list. False when it changed nothing: no record differs (a field changed
    // and changed back counts as unchanged), none was appended, and the list is as it was.
    [[nodiscard]] bool finish(const ContactTable &table, const RowOrder &rowsAfter);

    void undo(ContactTable &table);
    void redo(ContactTable &table);

    [[nodiscard]] const std::shared_ptr<const RowsSnapshot> &rowsBefore() const { return m_rowsBefore; }
    [[nodiscard]] const std::shared_ptr<const RowsSnapshot> &rowsAfter() const { return m_rowsAfter; }
    // The records whose texts the step changes, and those it appends.
    [[nodiscard]] std::vector<int> touchedRecords() const;
    // The step's own memory in bytes, without its lists (steps share them): its changes with their texts (a text
    // shared with the table counts too, as it would stay in memory for the step alone).
    [[nodiscard]] std::size_t bytes() const;

private:
    QString m_name;
    std::vector<FieldChange> m_fields;
    std::vector<PhotoChange> m_photos;
    int m_upperBefore = 0;
    int m_upperAfter = 0;
    std::vector<ContactRecord> m_appended; // while undone: the records taken out, last index first
    std::shared_ptr<const RowsSnapshot> m_rowsBefore, m_rowsAfter;
};

} // namespace vecardia
