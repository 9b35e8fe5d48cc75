#include "ui/adduser.h"

#include "app/product.h"
#include "contacts/contacttable.h"
#include "ui/contactlistmodel.h"
#include "ui/photobox.h"
#include "ui/photoloader.h"
#include "ui/prompter.h"
#include "ui/textboxes.h"
#include "ui/twips.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

constexpr QSize kDesignPhotoSize(twips(6075), twips(3840));

} // namespace

AddUser::AddUser(ContactTable &table, ContactListModel &list, Prompter &prompter, std::function<void()> countChanged,
                 QWidget *parent)
    : QDialog(parent), m_table(table), m_list(list), m_prompter(prompter), m_countChanged(std::move(countChanged))
{
    setObjectName(u"AddUser"_s);
    setWindowTitle(u"添加联系人"_s + u'-' + product::kTitle);
    setModal(true);
    setFixedSize(twips(6900), twips(6500));

    Label4 = place(new QLabel(u"姓名："_s, this), u"Label4"_s, twipsRect(165, 180, 700, 255));
    Label5 = place(new QLabel(u"手机："_s, this), u"Label5"_s, twipsRect(165, 525, 700, 255));
    Label10 = place(new QLabel(u"座机："_s, this), u"Label10"_s, twipsRect(3570, 525, 700, 255));
    Label6 = place(new QLabel(u"邮箱："_s, this), u"Label6"_s, twipsRect(165, 870, 700, 255));
    Label7 = place(new QLabel(u"QQ："_s, this), u"Label7"_s, twipsRect(375, 1215, 500, 255));
    Frame1 = place(new QGroupBox(u"相片"_s, this), u"Frame1"_s, twipsRect(180, 1560, 6465, 4290));
    Picture1 = place(new PhotoBox(Frame1), u"Picture1"_s, twipsRect(195, 300, 6075, 3840));
    Picture1->setRoom(twipsRect(195, 300, 6075, 3840));
    Picture1->setBoxSize(kDesignPhotoSize);
    Command5 = place(new QPushButton(u"载入图片"_s, this), u"Command5"_s, twipsRect(645, 5925, 1440, 435));
    Command6 = place(new QPushButton(u"确定添加"_s, this), u"Command6"_s, twipsRect(4470, 5925, 1440, 435));
    Command6->setToolTip(u"更新姓名/手机/座机/详细信息/相片。"_s);
    Command7 = place(new QPushButton(u"清除图片"_s, this), u"Command7"_s, twipsRect(2550, 5925, 1440, 435));
    Text3 = place(new QLineEdit(this), u"Text3"_s, twipsRect(795, 135, 5895, 315));
    Text4 = place(new QLineEdit(this), u"Text4"_s, twipsRect(795, 480, 2400, 315));
    Text5 = place(new QLineEdit(this), u"Text5"_s, twipsRect(4230, 480, 2460, 315));
    Text6 = place(new QLineEdit(this), u"Text6"_s, twipsRect(795, 1170, 5895, 315));
    Text7 = place(new QLineEdit(this), u"Text7"_s, twipsRect(795, 825, 5895, 315));
    for (QLabel *label : {Label4, Label5, Label10, Label6, Label7})
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    QWidget::setTabOrder(Command5, Command6);
    QWidget::setTabOrder(Command6, Command7);
    QWidget::setTabOrder(Command7, Text3);
    QWidget::setTabOrder(Text3, Text4);
    QWidget::setTabOrder(Text4, Text5);
    QWidget::setTabOrder(Text5, Text6);
    QWidget::setTabOrder(Text6, Text7);
    Command6->setAutoDefault(false);
    Command5->setAutoDefault(false);
    Command7->setAutoDefault(false);

    connect(Command5, &QPushButton::clicked, this, [this] { 载入图片(); });
    connect(Command6, &QPushButton::clicked, this, [this] { 确定添加(); });
    connect(Command7, &QPushButton::clicked, this, [this] { 清除图片(); });
}

void AddUser::载入图片()
{
    const QString file = choosePicture(m_prompter, *Picture1);
    QString photo;
    if (!file.isEmpty() && EncodePictureFile(file, photo))
        m_pendingPhoto = photo;
}

void AddUser::清除图片()
{
    Picture1->removePicture(true);
}

void AddUser::确定添加()
{
    if (trimSpaces(Text3->text()).isEmpty()) {
        m_prompter.message(u"请输入姓名！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok, product::kTitle);
        return;
    }
    ContactRecord record;
    record.FullName = trimSpaces(Text3->text());
    record.Mobile = trimSpaces(Text4->text());
    record.Landline = trimSpaces(Text5->text());
    record.QQ = trimSpaces(Text6->text());
    record.Email = trimSpaces(Text7->text());
    if (Picture1->isPictureShown() && !m_pendingPhoto.isEmpty())
        record.Photo = u"ENCODING=B;TYPE=PNG:"_s + m_pendingPhoto;
    const int index = m_table.append(std::move(record));
    if (index == 0)
        return;
    (void)m_list.appendRow(index);
    if (m_countChanged)
        m_countChanged();
    m_prompter.message(u"添加完成！"_s, Prompter::Icon::Information, Prompter::Buttons::Ok, product::kTitle);
    清除图片();
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->clear();
}

} // namespace vecardia
