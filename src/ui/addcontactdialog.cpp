// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/addcontactdialog.h"

#include "contacts/photo.h"
#include "encoding/spaces.h"
#include "product/product.h"
#include "ui/layout.h"
#include "ui/photobox.h"
#include "ui/photoloader.h"
#include "ui/prompter.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

using enum ControlKind;

// The dialog's controls in their tab order: the three buttons, then the text boxes.
constexpr ControlSpec kLayout[] = {
    {u"Label4", Label, 165, 180, 700, 255, u"姓名："},
    {u"Label5", Label, 165, 525, 700, 255, u"手机："},
    {u"Label10", Label, 3570, 525, 700, 255, u"座机："},
    {u"Label6", Label, 165, 870, 700, 255, u"邮箱："},
    {u"Label7", Label, 375, 1215, 500, 255, u"QQ："},
    {u"Frame1", Frame, 180, 1560, 6465, 4290, u"相片"},
    {u"Picture1", PictureBox, 195, 300, 6075, 3840, u"", u"Frame1"},
    {u"Command5", Button, 645, 5925, 1440, 435, u"载入图片"},
    {u"Command6", Button, 4470, 5925, 1440, 435, u"确定添加"},
    {u"Command7", Button, 2550, 5925, 1440, 435, u"清除图片"},
    {u"Text3", TextBox, 795, 135, 5895, 315},
    {u"Text4", TextBox, 795, 480, 2400, 315},
    {u"Text5", TextBox, 4230, 480, 2460, 315},
    {u"Text6", TextBox, 795, 1170, 5895, 315},
    {u"Text7", TextBox, 795, 825, 5895, 315},
};

} // namespace

AddUser::AddUser(Prompter &prompter, AddContact add, QWidget *parent)
    : QDialog(parent), m_prompter(prompter), m_add(std::move(add))
{
    setObjectName(u"AddUser"_s);
    setWindowTitle(u"添加联系人"_s + u'-' + product::kTitle);
    setModal(true);
    setFixedSize(twips(6900), twips(6500));

    const QHash<QString, QWidget *> controls = buildControls(this, kLayout);
    Label4 = controlNamed<QLabel>(controls, u"Label4");
    Label5 = controlNamed<QLabel>(controls, u"Label5");
    Label10 = controlNamed<QLabel>(controls, u"Label10");
    Label6 = controlNamed<QLabel>(controls, u"Label6");
    Label7 = controlNamed<QLabel>(controls, u"Label7");
    Frame1 = controlNamed<QGroupBox>(controls, u"Frame1");
    Picture1 = controlNamed<PhotoBox>(controls, u"Picture1");
    Command5 = controlNamed<QPushButton>(controls, u"Command5");
    Command6 = controlNamed<QPushButton>(controls, u"Command6");
    Command7 = controlNamed<QPushButton>(controls, u"Command7");
    Text3 = controlNamed<QLineEdit>(controls, u"Text3");
    Text4 = controlNamed<QLineEdit>(controls, u"Text4");
    Text5 = controlNamed<QLineEdit>(controls, u"Text5");
    Text6 = controlNamed<QLineEdit>(controls, u"Text6");
    Text7 = controlNamed<QLineEdit>(controls, u"Text7");

    // The photo box starts at its design size, which counts as a picture shown.
    Picture1->setRoom(Picture1->geometry());
    Picture1->setBoxSize(Picture1->geometry().size());
    Command6->setToolTip(u"更新姓名/手机/座机/详细信息/相片。"_s);
    for (QPushButton *button : {Command5, Command6, Command7})
        button->setAutoDefault(false);
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->setMaxLength(std::numeric_limits<int>::max()); // texts of any length fit
    Text3->setFocus();                                      // the caret waits in 姓名

    connect(Command5, &QPushButton::clicked, this, [this] { 载入图片(); });
    connect(Command6, &QPushButton::clicked, this, [this] { 确定添加(); });
    connect(Command7, &QPushButton::clicked, this, [this] { 清除图片(); });
}

void AddUser::载入图片()
{
    // A file that is no picture changes nothing.
    const std::optional<ChosenPicture> chosen = choosePicture(m_prompter, Picture1->room());
    QString photo;
    if (!chosen || !EncodePictureFile(chosen->file, photo))
        return;
    Picture1->showPicture(chosen->picture);
    m_pendingPhoto = photo;
}

void AddUser::清除图片()
{
    Picture1->removePicture(true);
}

void AddUser::确定添加()
{
    if (trimSpaces(Text3->text()).isEmpty()) {
        m_prompter.critical(u"请输入姓名！"_s);
        return;
    }
    ContactRecord record;
    record.FullName = trimSpaces(Text3->text());
    record.Mobile = trimSpaces(Text4->text());
    record.Landline = trimSpaces(Text5->text());
    record.QQ = trimSpaces(Text6->text());
    record.Email = trimSpaces(Text7->text());
    if (Picture1->isPictureShown() && !m_pendingPhoto.isEmpty())
        record.Photo = storedPhoto(m_pendingPhoto.toLatin1());
    if (!m_add(std::move(record)))
        return;
    m_prompter.information(u"添加完成！"_s);
    清除图片();
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->clear();
    Text3->setFocus(); // ready for the next contact
}

} // namespace vecardia
