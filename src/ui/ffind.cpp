#include "ui/ffind.h"

#include "app/product.h"
#include "tools/cleanuptools.h"
#include "ui/twips.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// A text box's lines as the batch find reads them: each line of the box ends with CR LF.
QString boxText(const QPlainTextEdit *box)
{
    return box->toPlainText().replace(u"\n"_s, u"\r\n"_s);
}

} // namespace

fFind::fFind(const ContactTable &table, ContactListModel &list, std::function<void()> listChanged, QWidget *parent)
    : QDialog(parent), m_table(table), m_list(list), m_listChanged(std::move(listChanged))
{
    setObjectName(u"fFind"_s);
    setWindowTitle(u"批量查找"_s + u'-' + product::kTitle);
    setModal(true);
    setFixedSize(twips(7440), twips(5535));

    Label1 = place(new QLabel(u"在手机号码和座机号码中查找："_s, this), u"Label1"_s, twipsRect(315, 135, 2520, 240));
    Text1 = place(new QPlainTextEdit(this), u"Text1"_s, twipsRect(315, 450, 5115, 1875));
    Label3 = place(new QLabel(u"0个号码"_s, this), u"Label3"_s, twipsRect(6060, 915, 1200, 240));
    Command1 = place(new QPushButton(u"开始查找"_s, this), u"Command1"_s, twipsRect(5610, 1680, 1530, 675));
    Label2 = place(new QLabel(u"(注意：每一行只能一个电话号码，或者 手机号+空格+姓名)"_s, this), u"Label2"_s,
                   twipsRect(315, 2460, 5800, 240));
    Label4 = place(new QLabel(u"没有找的号码："_s, this), u"Label4"_s, twipsRect(315, 2955, 1800, 240));
    Text2 = place(new QPlainTextEdit(this), u"Text2"_s, twipsRect(315, 3210, 5115, 1875));
    Label5 = place(new QLabel(u"0个号码"_s, this), u"Label5"_s, twipsRect(6045, 3660, 1200, 240));
    Command2 = place(new QPushButton(u"关闭"_s, this), u"Command2"_s, twipsRect(5595, 4440, 1530, 675));
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
    const QStringList notFound = tools::batchFind(m_list, m_table, boxText(Text1));
    if (m_listChanged)
        m_listChanged();
    Text2->setPlainText(notFound.join(u'\n'));
}

} // namespace vecardia
