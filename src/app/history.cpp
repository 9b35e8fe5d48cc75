// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's undo history: each user command that changes the contacts is one step, recorded while it runs.
#include "app/mainwindow.h"

#include "model/contactlistmodel.h"
#include "model/editstep.h"
#include "ui/contactlistview.h"
#include "ui/editorpanel.h"

#include <QPushButton>

#include <QUndoStack>

#include <algorithm>
#include <unordered_set>

namespace vecardia {

// A recorded command on the undo stack. It was done when it was recorded: the first redo, which pushing it asks
// for, has nothing to do.
class ContactStep final : public QUndoCommand {
public:
    ContactStep(Form1 &window, std::unique_ptr<EditStep> step)
        : QUndoCommand(step->name()), m_window(window), m_step(std::move(step))
    {
    }

    void undo() override
    {
        m_step->undo(m_window.m_table);
        m_window.showStep(*m_step, true);
    }
    void redo() override
    {
        if (m_recorded) {
            m_recorded = false;
            return;
        }
        m_step->redo(m_window.m_table);
        m_window.showStep(*m_step, false);
    }

    [[nodiscard]] const EditStep &step() const { return *m_step; }

private:
    Form1 &m_window;
    std::unique_ptr<EditStep> m_step;
    bool m_recorded = true;
};

std::size_t Form1::historyBytes() const
{
    std::size_t bytes = 0;
    std::unordered_set<const RowsSnapshot *> lists;
    for (int i = 0; i < m_undo->count(); ++i) {
        const EditStep &step = static_cast<const ContactStep *>(m_undo->command(i))->step();
        bytes += step.bytes();
        for (const auto &rows : {step.rowsBefore(), step.rowsAfter()}) {
            if (lists.insert(rows.get()).second)
                bytes += rows->bytes();
        }
    }
    return bytes;
}

void Form1::beginStep(const QString &name)
{
    if (m_stepDepth++ > 0)
        return;
    // The list as the last step left it is shared, not kept twice.
    if (!m_lastRows || !m_lastRows->equals(m_model->rows()))
        m_lastRows = std::make_shared<const RowsSnapshot>(m_model->rows());
    m_step = std::make_unique<EditStep>(name, m_table, m_lastRows);
}

void Form1::endStep()
{
    if (--m_stepDepth > 0)
        return;
    std::unique_ptr<EditStep> step = std::move(m_step);
    // No step when the table was reset meanwhile (an open), or when nothing changed.
    if (!step || !step->finish(m_table, m_model->rows()))
        return;
    m_lastRows = step->rowsAfter();
    m_undo->push(new ContactStep(*this, std::move(step)));
}

// After an undo or a redo: the list of the step, and everything that tells about it.
void Form1::showStep(EditStep &step, bool undone)
{
    const std::shared_ptr<const RowsSnapshot> &rows = undone ? step.rowsBefore() : step.rowsAfter();
    const std::vector<int> touched = step.touchedRecords();
    m_model->showRows(rows->rows(), touched);
    m_lastRows = rows;
    listChanged();
    refreshPanel(touched);
    ListView1->viewport()->update();
}

// The panel shows its record as it now is, or nothing when the record is no longer a contact. Texts typed into it
// and not saved stay, unless the step changed that record.
void Form1::refreshPanel(const std::vector<int> &touched)
{
    const QString key = Frame3->currentKey();
    const int index = ContactTable::indexOfKey(key);
    if (index == 0 || Frame3->keyGeneration() != m_tableGeneration)
        return;
    if (!m_table.contains(index) || !m_table.isLive(index)) {
        Frame3->empty();
        Frame3->forgetRecord();
    } else if (Frame3->recordGone() || !Frame3->Command6->isEnabled() ||
               std::binary_search(touched.begin(), touched.end(), index)) {
        Frame3->showRecord(key, m_tableGeneration, m_table[index]);
    }
}

void Form1::updateCaption()
{
    if (!m_caption.isEmpty())
        setWindowTitle(m_undo->isClean() ? m_caption : m_caption + u'*');
}

} // namespace vecardia
