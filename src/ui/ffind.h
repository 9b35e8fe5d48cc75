#pragma once

#include <QDialog>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vecardia {

class ContactListModel;
class ContactTable;

// "批量查找": finds a pasted list of numbers, one per line, and lists the numbers that found nobody.
class fFind final : public QDialog {
    Q_OBJECT

public:
    fFind(const ContactTable &table, ContactListModel &list, std::function<void()> listChanged,
          QWidget *parent = nullptr);

    QLabel *Label1, *Label3, *Label2, *Label4, *Label5;
    QPlainTextEdit *Text1, *Text2;
    QPushButton *Command1, *Command2;

    void 开始查找();

private:
    const ContactTable &m_table;
    ContactListModel &m_list;
    std::function<void()> m_listChanged;
};

} // namespace vecardia
