// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/aboutdialog.h"

#include "help/links.h"
#include "help/shellactions.h"
#include "help/sysinfo.h"
#include "ui/clicks.h"
#include "ui/layout.h"
#include "ui/producticon.h"
#include "ui/prompter.h"

#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

using enum ControlKind;

constexpr int kWidth = 5850, kHeight = 3700;
constexpr int kMargin = 240;

constexpr ControlSpec kLayout[] = {
    {u"Image1", Label, 240, 240, 960, 960},
    {u"lsoftname", Label, 1440, 240, 4200, 390},
    {u"lblVersion", Label, 1440, 690, 4200, 300},
    {u"Label1", Label, 1440, 1110, 4200, 300, u"软件制作：卡舟软件"},
    {u"Label2", Label, 1440, 1470, 4200, 300},
    {u"Label7", Label, 1440, 1830, 4200, 300},
    {u"Label4", Label, 1440, 2190, 4200, 300},
    {u"Label5", Label, 1440, 2550, 4200, 300},
    {u"Image2", Label, 240, 1560, 960, 720},
    {u"cmdSysInfo", Button, 2790, 3060, 1560, 390, u"系统信息(&S)..."},
    {u"cmdOK", Button, 4470, 3060, 1140, 390, u"确定"},
};

// The picture that leads to the maker's online shop: a shopping bag.
QPixmap shopPicture(QSize size, qreal ratio)
{
    QPixmap picture(size * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF bag(size.width() * 0.18, size.height() * 0.32, size.width() * 0.64, size.height() * 0.62);
    p.setPen(QPen(QColor(0xc0, 0x4a, 0x00), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(bag.center().x() - bag.width() * 0.22, bag.top() - bag.height() * 0.3, bag.width() * 0.44,
                     bag.height() * 0.6),
              0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0x7a, 0x1a));
    p.drawRoundedRect(bag, 5, 5);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(int(bag.height() * 0.38));
    p.setFont(font);
    p.drawText(bag, Qt::AlignCenter, u"网店"_s);
    return picture;
}

} // namespace

frmAbout::frmAbout(const product::Configuration &configuration, ShellActions &shell, Prompter &prompter,
                   const RegistryBackend *registry, QWidget *parent)
    : QDialog(parent), m_configuration(configuration), m_shell(shell), m_prompter(prompter), m_registry(registry)
{
    setObjectName(u"frmAbout"_s);
    setModal(true);
    setWindowTitle(u"关于『"_s + product::kTitle + u"』 "_s);

    const QHash<QString, QWidget *> controls = buildControls(this, kLayout);
    Image1 = controlNamed<QLabel>(controls, u"Image1");
    lsoftname = controlNamed<QLabel>(controls, u"lsoftname");
    lblVersion = controlNamed<QLabel>(controls, u"lblVersion");
    Label1 = controlNamed<QLabel>(controls, u"Label1");
    Label2 = controlNamed<QLabel>(controls, u"Label2");
    Label7 = controlNamed<QLabel>(controls, u"Label7");
    Label4 = controlNamed<QLabel>(controls, u"Label4");
    Label5 = controlNamed<QLabel>(controls, u"Label5");
    Image2 = controlNamed<QLabel>(controls, u"Image2");
    cmdSysInfo = controlNamed<QPushButton>(controls, u"cmdSysInfo");
    cmdOK = controlNamed<QPushButton>(controls, u"cmdOK");
    Line2 = new QFrame(this);
    Line2->setObjectName(u"Line2"_s);
    Line2->setFrameShape(QFrame::NoFrame);
    Line2->setAutoFillBackground(true);
    Line2->setStyleSheet(u"background-color: blue;"_s);
    Line2->hide();

    Image1->setPixmap(productIcon().pixmap(Image1->size()));
    Image2->setPixmap(shopPicture(Image2->size(), devicePixelRatioF()));
    Image2->setToolTip(u"去看看～～"_s);
    QFont big = lsoftname->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * 1.3);
    lsoftname->setFont(big);
    lsoftname->setText(product::kTitle);
    lblVersion->setText(
        u"版本 %1.%2.%3"_s.arg(product::kVersionMajor).arg(product::kVersionMinor).arg(product::kVersionRevision));
    Label2->setText(u"卡舟软件："_s + m_configuration.website);
    Label2->setToolTip(u"访问支持网站"_s);
    Label7->setText(m_configuration.website2Name + u"："_s + m_configuration.website2);
    Label4->setText(u"Email："_s + m_configuration.supportMail);
    Label4->setToolTip(u"给软件作者写邮件"_s);
    Label5->setText(u"QQ："_s + m_configuration.supportQQ);

    // A link label is as wide as its text, so that the underline is too; a long address widens the box.
    int right = twips(kWidth - kMargin);
    for (QLabel *link : {Label2, Label7, Label4}) {
        link->setStyleSheet(u"color: blue;"_s);
        link->resize(link->sizeHint().width(), link->height());
        right = std::max(right, link->geometry().right());
    }
    for (QLabel *link : {Label2, Label7, Label4, Image2}) {
        link->setCursor(Qt::PointingHandCursor);
        onClick(link, [this, link] { linkClicked(link); });
    }
    for (QLabel *link : {Label2, Label7, Label4}) {
        link->setMouseTracking(true);
        link->installEventFilter(this);
    }
    setMouseTracking(true);
    const int wider = right - twips(kWidth - kMargin);
    for (QPushButton *button : {cmdSysInfo, cmdOK})
        button->move(button->x() + wider, button->y());
    setFixedSize(twips(kWidth) + wider, twips(kHeight));

    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(); });
}

void frmAbout::模拟网址下划线(QLabel *label)
{
    const QRect place = label->geometry();
    Line2->setGeometry(place.left(), place.bottom() + 1, place.width(), 1);
    Line2->show();
}

void frmAbout::StartSysInfo()
{
    const QString program = systemInformationProgram(m_registry, programFolders);
    if (program.isEmpty() || !m_shell.startProgram(program, {}))
        m_prompter.message(u"此时系统信息不可用"_s, Prompter::Icon::None, Prompter::Buttons::Ok, product::kTitle);
}

void frmAbout::linkClicked(QObject *link)
{
    if (link == Label2)
        OpenWebAddress(m_shell, m_configuration.website, true);
    else if (link == Label7)
        OpenWebAddress(m_shell, m_configuration.website2, true);
    else if (link == Label4)
        SendFeedbackMail(m_shell, m_configuration.supportMail);
    else if (link == Image2)
        OpenInInternetExplorer(m_shell, m_configuration.shop);
}

bool frmAbout::eventFilter(QObject *watched, QEvent *event)
{
    // The move stops at the link: a label passes it on to the box, which would take the underline away again.
    if (event->type() == QEvent::MouseMove) {
        模拟网址下划线(static_cast<QLabel *>(watched));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

// Off the links, the underline goes.
void frmAbout::mouseMoveEvent(QMouseEvent *event)
{
    Line2->hide();
    QDialog::mouseMoveEvent(event);
}

} // namespace vecardia
