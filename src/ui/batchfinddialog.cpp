// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/batchfinddialog.h"

#include "product/product.h"
#include "tools/batchfind.h"
#include "ui/layout.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

using enum ControlKind;

constexpr ControlSpec kLayout[] = {
    {u"Label1", Label, 315, 135, 2520, 240, u"在手机号码和座机号码中查找："},
    {u"Text1", MultiLineTextBox, 315, 450, 5115, 1875},
    {u"Label3", Label, 6060, 915, 1200, 240, u"0个号码"},
    {u"Command1", Button, 5610, 1680, 1530, 675, u"开始查找"},
    {u"Label2", Label, 315, 2460, 5800, 240, u"(注意：每一行只能一个电话号码，或者 手机号+空格+姓名)"},
    {u"Label4", Label, 315, 2955, 1800, 240, u"没有找的号码："},
    {u"Text2", MultiLineTextBox, 315, 3210, 5115, 1875},
    {u"Label5", Label, 6045, 3660, 1200, 240, u"0个号码"},
    {u"Command2", Button, 5595, 4440, 1530, 675, u"关闭"},
};

// A text box's lines as the batch find reads them: each line of the box ends with CR LF.
QString boxText(const QPlainTextEdit *box)
{
    return box->toPlainText().replace(u"\n"_s, u"\r\n"_s);
}

} // namespace

fFind::fFind(Find find, QWidget *parent) : QDialog(parent), m_find(std::move(find))
{
    setObjectName(u"fFind"_s);
    setWindowTitle(u"批量查找"_s + u'-' + product::kTitle);
    setModal(true);
    setFixedSize(twips(7440), twips(5535));

    const QHash<QString, QWidget *> controls = buildControls(this, kLayout);
    Label1 = controlNamed<QLabel>(controls, u"Label1");
    Text1 = controlNamed<QPlainTextEdit>(controls, u"Text1");
    Label3 = controlNamed<QLabel>(controls, u"Label3");
    Command1 = controlNamed<QPushButton>(controls, u"Command1");
    Label2 = controlNamed<QLabel>(controls, u"Label2");
    Label4 = controlNamed<QLabel>(controls, u"Label4");
    Text2 = controlNamed<QPlainTextEdit>(controls, u"Text2");
    Label5 = controlNamed<QLabel>(controls, u"Label5");
    Command2 = controlNamed<QPushButton>(controls, u"Command2");
    for (QPlainTextEdit *box : {Text1, Text2})
        box->setLineWrapMode(QPlainTextEdit::NoWrap);
    Command1->setAutoDefault(false);
    Command2->setAutoDefault(false);

    connect(Text1, &QPlainTextEdit::textChanged, this,
            [this] { Label3->setText(QString::number(tools::lineCount(boxText(Text1))) + u"个号码"_s); });
    connect(Text2, &QPlainTextEdit::textChanged, this,
            [this] { Label5->setText(QString::number(tools::lineCount(boxText(Text2))) + u"个号码"_s); });
    connect(Command1, &QPushButton::clicked, this, [this] { 开始查找(); });
    connect(Command2, &QPushButton::clicked, this, &QDialog::close);
}

void fFind::开始查找()
{
    Text2->clear();
    const QStringList notFound = m_find(boxText(Text1));
    Text2->setPlainText(notFound.join(u'\n'));
}

} // namespace vecardia
