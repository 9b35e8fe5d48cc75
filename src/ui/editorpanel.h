// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"

#include <QGroupBox>
#include <QHash>
#include <QRect>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vecardia {

class ChangeSet;
class ContactTable;
class PhotoBox;
class Prompter;

// The editor of one contact (Frame3, "编辑联系人信息"): five text boxes, the photo and its buttons. It shows the
// record of the row clicked last and tells what a save writes back; the main window does the saving.
class EditorPanel final : public QGroupBox {
    Q_OBJECT

public:
    EditorPanel(Prompter &prompter, QWidget *parent = nullptr);

    QLabel *Label4, *Label5, *Label10, *Label6, *Label7;
    QLineEdit *Text3, *Text4, *Text5, *Text6, *Text7;
    QGroupBox *Frame1;
    PhotoBox *Picture1;
    QPushButton *Command5, *Command7, *Command6;

    // A row click: the record of row `key` (of the table as it was at `generation`) is shown, its photo included.
    void showRecord(const QString &key, quint64 generation, const ContactRecord &record);
    // A row click that carries no row.
    void showNoRecord();
    // The cleared state: no texts, no picture (the box keeps its size), save disabled. The current key stays.
    void empty();

    // The record a save writes into: the key of the row clicked last, and the table it belonged to.
    [[nodiscard]] const QString &currentKey() const { return m_currentKey; }
    [[nodiscard]] quint64 keyGeneration() const { return m_keyGeneration; }
    [[nodiscard]] const QString &pendingPhoto() const { return m_pendingPhoto; }
    // The record shown was deleted (or the table it belonged to was reset): a save has nowhere to go.
    void forgetRecord() { m_recordGone = true; }
    [[nodiscard]] bool recordGone() const { return m_recordGone; }

    // What "保存全部信息" writes into record `index`: the five texts as they stand, and the photo rule.
    void addSaveChanges(ChangeSet &changes, const ContactTable &table, int index) const;
    void setSaveEnabled(bool enabled);
    // The panel is `dx` wider and `dy` taller than its design: the wide text boxes and the photo frame grow with
    // it, and the buttons move down.
    void growBy(int dx, int dy);

    void 载入图片();
    void 清除图片();

private:
    // What the user did to the photo since the record was shown: a save keeps the stored photo unless the user
    // cleared it or loaded another, also when the box could not show it.
    enum class PhotoEdit { None, Cleared, Loaded };

    Prompter &m_prompter;
    QString m_currentKey;        // the Tag of the photo box: the row clicked last
    quint64 m_keyGeneration = 0; // the table the current key belongs to
    bool m_recordGone = false;
    QString m_pendingPhoto;
    PhotoEdit m_photoEdit = PhotoEdit::None;
    QHash<QWidget *, QRect> m_designPlaces; // of what grows with the panel
};

} // namespace vecardia
