#pragma once

#include <QDialog>
#include <QString>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vecardia {

class ContactListModel;
class ContactTable;
class PhotoBox;
class Prompter;

// "添加联系人": types in new contacts one after the other; each is appended to the table and listed at once.
class AddUser final : public QDialog {
    Q_OBJECT

public:
    AddUser(ContactTable &table, ContactListModel &list, Prompter &prompter, std::function<void()> countChanged,
            QWidget *parent = nullptr);

    QLabel *Label4, *Label5, *Label10, *Label6, *Label7;
    QLineEdit *Text3, *Text4, *Text5, *Text6, *Text7;
    QGroupBox *Frame1;
    PhotoBox *Picture1;
    QPushButton *Command5, *Command6, *Command7;

    [[nodiscard]] const QString &pendingPhoto() const { return m_pendingPhoto; }

    void 载入图片();
    void 清除图片();
    void 确定添加();

private:
    ContactTable &m_table;
    ContactListModel &m_list;
    Prompter &m_prompter;
    std::function<void()> m_countChanged;
    QString m_pendingPhoto; // starts empty at every opening, so an earlier opening's picture is never stored
};

} // namespace vecardia
