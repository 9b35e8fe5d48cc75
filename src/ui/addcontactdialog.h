// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"

#include <QDialog>
#include <QString>

#include <functional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vecardia {

class PhotoBox;
class Prompter;

// "添加联系人" (AddUser): types in new contacts one after the other; each is handed to `add`, which appends it to
// the table and lists it, and returns whether it could.
class AddUser final : public QDialog {
    Q_OBJECT

public:
    using AddContact = std::function<bool(ContactRecord record)>;

    AddUser(Prompter &prompter, AddContact add, QWidget *parent = nullptr);

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
    Prompter &m_prompter;
    AddContact m_add;
    QString m_pendingPhoto; // starts empty at every opening, so an earlier opening's picture is never stored
};

} // namespace vecardia
