// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/editorpanel.h"

#include "contacts/contacttable.h"
#include "contacts/photo.h"
#include "encoding/base64.h"
#include "model/changeset.h"
#include "ui/layout.h"
#include "ui/photobox.h"
#include "ui/photoloader.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

using enum ControlKind;

constexpr ControlSpec kLayout[] = {
    {u"Label4", Label, 105, 405, 630, 255, u"姓名："},
    {u"Text3", TextBox, 735, 360, 5010, 315},
    {u"Label5", Label, 105, 750, 630, 255, u"手机："},
    {u"Text4", TextBox, 735, 705, 2010, 315},
    {u"Label10", Label, 3180, 750, 510, 255, u"座机："},
    {u"Text5", TextBox, 3690, 705, 2055, 315},
    {u"Label6", Label, 105, 1095, 630, 255, u"邮箱："},
    {u"Text7", TextBox, 735, 1050, 5010, 315},
    {u"Label7", Label, 315, 1440, 420, 255, u"QQ："},
    {u"Text6", TextBox, 735, 1395, 5010, 315},
    {u"Frame1", Frame, 120, 1785, 5790, 6090, u"相片"},
    {u"Picture1", PictureBox, 195, 300, 5445, 5595, u"", u"Frame1"},
    {u"Command5", Button, 645, 7935, 1440, 435, u"载入图片"},
    {u"Command7", Button, 2550, 7935, 1440, 435, u"清除图片"},
    {u"Command6", Button, 4470, 7935, 1440, 435, u"保存全部信息"},
};

} // namespace

EditorPanel::EditorPanel(Prompter &prompter, QWidget *parent)
    : QGroupBox(u"编辑联系人信息"_s, parent), m_prompter(prompter)
{
    const QHash<QString, QWidget *> controls = buildControls(this, kLayout);
    Label4 = controlNamed<QLabel>(controls, u"Label4");
    Label5 = controlNamed<QLabel>(controls, u"Label5");
    Label10 = controlNamed<QLabel>(controls, u"Label10");
    Label6 = controlNamed<QLabel>(controls, u"Label6");
    Label7 = controlNamed<QLabel>(controls, u"Label7");
    Text3 = controlNamed<QLineEdit>(controls, u"Text3");
    Text4 = controlNamed<QLineEdit>(controls, u"Text4");
    Text5 = controlNamed<QLineEdit>(controls, u"Text5");
    Text6 = controlNamed<QLineEdit>(controls, u"Text6");
    Text7 = controlNamed<QLineEdit>(controls, u"Text7");
    Frame1 = controlNamed<QGroupBox>(controls, u"Frame1");
    Picture1 = controlNamed<PhotoBox>(controls, u"Picture1");
    Command5 = controlNamed<QPushButton>(controls, u"Command5");
    Command7 = controlNamed<QPushButton>(controls, u"Command7");
    Command6 = controlNamed<QPushButton>(controls, u"Command6");

    // The design places of what grows with the panel; the photo box's is the room it shows pictures in.
    for (QWidget *growing :
         std::initializer_list<QWidget *>{Text3, Text5, Text6, Text7, Frame1, Picture1, Command5, Command6, Command7})
        m_designPlaces.insert(growing, growing->geometry());
    Picture1->setRoom(Picture1->geometry());
    Picture1->setBoxSize({0, 0});
    Command6->setToolTip(u"更新姓名/手机/座机/详细信息/相片。"_s);
    Command6->setEnabled(false);

    connect(Command5, &QPushButton::clicked, this, [this] { 载入图片(); });
    connect(Command7, &QPushButton::clicked, this, [this] { 清除图片(); });
    // Every change of the texts, typed or set, counts as an edit. Texts of any length fit.
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7}) {
        box->setMaxLength(std::numeric_limits<int>::max());
        connect(box, &QLineEdit::textChanged, this, [this] { Command6->setEnabled(true); });
    }
}

void EditorPanel::showRecord(const QString &key, quint64 generation, const ContactRecord &record)
{
    Picture1->removePicture(true);
    m_pendingPhoto.clear();
    m_photoEdit = PhotoEdit::None;
    m_currentKey = key;
    m_keyGeneration = generation;
    m_recordGone = false;
    if (const QByteArrayView data = photoData(record.Photo.get()); !data.isEmpty()) {
        // Decoded in memory. A photo that does not decode shows nothing, and stays as stored.
        if (const std::optional<Picture> picture = loadPicture(Base64Decode(data), Picture1->room()))
            Picture1->showPicture(*picture);
    }
    Text3->setText(record.FullName);
    Text4->setText(record.Mobile);
    Text5->setText(record.Landline);
    Text6->setText(record.QQ);
    Text7->setText(record.Email);
    Command6->setEnabled(false);
}

void EditorPanel::showNoRecord()
{
    Picture1->removePicture(true);
    m_pendingPhoto.clear();
    m_photoEdit = PhotoEdit::None;
    Command6->setEnabled(false);
}

void EditorPanel::empty()
{
    Picture1->removePicture(false);
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->clear();
    Command6->setEnabled(false);
}

void EditorPanel::addSaveChanges(ChangeSet &changes, const ContactTable &table, int index) const
{
    changes.rename(table, index, Text3->text());
    changes.set(table, index, Field::Mobile, Text4->text());
    changes.set(table, index, Field::Landline, Text5->text());
    changes.set(table, index, Field::QQ, Text6->text());
    changes.set(table, index, Field::Email, Text7->text());
    switch (m_photoEdit) {
    case PhotoEdit::None: break; // the contact's own photo stays as stored, parameters and all
    case PhotoEdit::Cleared: changes.setPhoto(table, index, PhotoField::Photo, QByteArray()); break;
    case PhotoEdit::Loaded:
        // A picture of one pixel in width or height counts as none.
        changes.setPhoto(table, index, PhotoField::Photo,
                         Picture1->isPictureShown() && !m_pendingPhoto.isEmpty()
                             ? storedPhoto(m_pendingPhoto.toLatin1())
                             : QByteArray());
        break;
    }
}

void EditorPanel::growBy(int dx, int dy)
{
    for (QLineEdit *box : {Text3, Text5, Text6, Text7})
        box->setGeometry(m_designPlaces.value(box).adjusted(0, 0, dx, 0));
    Frame1->setGeometry(m_designPlaces.value(Frame1).adjusted(0, 0, dx, dy));
    Picture1->setRoom(m_designPlaces.value(Picture1).adjusted(0, 0, dx, dy));
    for (QPushButton *button : {Command5, Command7, Command6})
        button->setGeometry(m_designPlaces.value(button).translated(0, dy));
}

void EditorPanel::setSaveEnabled(bool enabled)
{
    Command6->setEnabled(enabled);
}

void EditorPanel::载入图片()
{
    // A file that is no picture, or cannot be read, changes nothing: the picture shown and the photo a save
    // stores stay as they were.
    const std::optional<ChosenPicture> chosen = choosePicture(m_prompter, Picture1->room());
    QString photo;
    if (!chosen || !EncodePictureFile(chosen->file, photo))
        return;
    Picture1->showPicture(chosen->picture);
    m_pendingPhoto = photo;
    m_photoEdit = PhotoEdit::Loaded;
    Command6->setEnabled(true);
}

void EditorPanel::清除图片()
{
    Picture1->removePicture(true);
    m_photoEdit = PhotoEdit::Cleared;
    Command6->setEnabled(true);
}

} // namespace vecardia
