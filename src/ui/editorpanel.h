#pragma once

#include "contacts/contactrecord.h"

#include <QGroupBox>
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
    [[nodiscard]] QString temporaryPictureFile() const;

    // What "保存全部信息" writes into record `index`: the five texts as they stand, and the photo rule.
    void addSaveChanges(ChangeSet &changes, const ContactTable &table, int index) const;
    void setSaveEnabled(bool enabled);

    void 载入图片();
    void 清除图片();

private:
    Prompter &m_prompter;
    QString m_currentKey;        // the Tag of the photo box: the row clicked last
    quint64 m_keyGeneration = 0; // the table the current key belongs to
    QString m_pendingPhoto;
};

} // namespace vecardia
