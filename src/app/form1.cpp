#include "app/form1.h"

#include "app/product.h"
#include "contacts/contactfile.h"
#include "contacts/textexport.h"
#include "contacts/vcardwriter.h"
#include "encoding/base64.h"
#include "tools/cleanuptools.h"
#include "ui/adduser.h"
#include "ui/contactlistmodel.h"
#include "ui/contactlistview.h"
#include "ui/ffind.h"
#include "ui/photobox.h"
#include "ui/photoloader.h"
#include "ui/prompter.h"
#include "ui/promptlabel.h"
#include "ui/textboxes.h"
#include "ui/twips.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

QLabel *label(QWidget *parent, const QString &text, const QString &name, int left, int top, int width = 1700)
{
    auto *l = place(new QLabel(text, parent), name, twipsRect(left, top, width, 255));
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

const QString kSaving = u"正在保存文件，请稍候..."_s;

} // namespace

Form1::Form1(Prompter &prompter, QWidget *parent) : QMainWindow(parent), m_prompter(prompter)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"手机电话簿管理"_s);
    m_model = new ContactListModel(m_table, this);
    buildControls();
    buildMenus();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    auto *client = new QWidget(this);
    client->setObjectName(u"client"_s);
    client->setFixedSize(twips(15700), twips(9100));
    setCentralWidget(client);

    Text1 = place(new QLineEdit(client), u"Text1"_s, twipsRect(225, 105, 6495, 285));
    Text1->setReadOnly(true);
    Command1 = place(new QPushButton(u"打开文件"_s, client), u"Command1"_s, twipsRect(6840, 67, 1170, 360));
    Command4 = place(new QPushButton(u"清空全部"_s, client), u"Command4"_s, twipsRect(8055, 60, 1170, 360));

    Frame2 = place(new QGroupBox(client), u"Frame2"_s, twipsRect(180, 360, 9150, 600));
    Label1 =
        place(new PromptLabel(u"在                    查找："_s, Frame2), u"Label1"_s, twipsRect(1050, 255, 2520, 255));
    Combo1 = place(new QComboBox(Frame2), u"Combo1"_s, twipsRect(1335, 195, 1605, 300));
    Combo1->addItems({u"[全部]"_s, u"姓名"_s, u"电话(手机和座机)"_s, u"邮箱"_s, u"QQ"_s});
    Text2 = place(new QLineEdit(Frame2), u"Text2"_s, twipsRect(3555, 195, 2955, 315));
    Command2 = place(new QPushButton(u"查找"_s, Frame2), u"Command2"_s, twipsRect(6660, 165, 1170, 360));
    Command3 = place(new QPushButton(u"全部"_s, Frame2), u"Command3"_s, twipsRect(90, 135, 810, 375));
    Command3->setToolTip(u"载入全部到列表"_s);
    Command8 = place(new QPushButton(u"批量查找"_s, Frame2), u"Command8"_s, twipsRect(7875, 165, 1170, 360));
    Label1->lower(); // the search column sits in the gap of its caption

    Label3 = label(client, u"电话号码簿列表："_s, u"Label3"_s, 225, 990);
    Label2 = label(client, u"0条"_s, u"Label2"_s, 1980, 990, 3000);
    ListView1 = place(new ContactListView(client), u"ListView1"_s, twipsRect(180, 1290, 9105, 7230));
    ListView1->setContactModel(m_model);

    Frame3 = place(new QGroupBox(u"编辑联系人信息"_s, client), u"Frame3"_s, twipsRect(9480, 30, 6090, 8475));
    Label4 = label(Frame3, u"姓名："_s, u"Label4"_s, 105, 405, 630);
    Text3 = place(new QLineEdit(Frame3), u"Text3"_s, twipsRect(735, 360, 5010, 315));
    Label5 = label(Frame3, u"手机："_s, u"Label5"_s, 105, 750, 630);
    Text4 = place(new QLineEdit(Frame3), u"Text4"_s, twipsRect(735, 705, 2010, 315));
    Label10 = label(Frame3, u"座机："_s, u"Label10"_s, 3180, 750, 510);
    Text5 = place(new QLineEdit(Frame3), u"Text5"_s, twipsRect(3690, 705, 2055, 315));
    Label6 = label(Frame3, u"邮箱："_s, u"Label6"_s, 105, 1095, 630);
    Text7 = place(new QLineEdit(Frame3), u"Text7"_s, twipsRect(735, 1050, 5010, 315));
    Label7 = label(Frame3, u"QQ："_s, u"Label7"_s, 315, 1440, 420);
    Text6 = place(new QLineEdit(Frame3), u"Text6"_s, twipsRect(735, 1395, 5010, 315));
    Frame1 = place(new QGroupBox(u"相片"_s, Frame3), u"Frame1"_s, twipsRect(120, 1785, 5790, 6090));
    Picture1 = place(new PhotoBox(Frame1), u"Picture1"_s, twipsRect(195, 300, 5445, 5595));
    Picture1->setRoom(twipsRect(195, 300, 5445, 5595));
    Picture1->setBoxSize({0, 0});
    Command5 = place(new QPushButton(u"载入图片"_s, Frame3), u"Command5"_s, twipsRect(645, 7935, 1440, 435));
    Command7 = place(new QPushButton(u"清除图片"_s, Frame3), u"Command7"_s, twipsRect(2550, 7935, 1440, 435));
    Command6 = place(new QPushButton(u"保存全部信息"_s, Frame3), u"Command6"_s, twipsRect(4470, 7935, 1440, 435));
    Command6->setToolTip(u"更新姓名/手机/座机/详细信息/相片。"_s);
    Command6->setEnabled(false);

    Label8 = label(client, u"卡舟软件制作"_s, u"Label8"_s, 495, 8715);
    Label9 = label(client, u"正在..."_s, u"Label9"_s, 4980, 8715, 4400);
    Label9->setStyleSheet(u"color: #ff8000;"_s);
    Label9->hide();
    Label11 = label(client, u"最新版本："_s, u"Label11"_s, 9495, 8715, 3000);
    Label11->setStyleSheet(u"color: red;"_s);
    Label11->setCursor(Qt::PointingHandCursor);
    Label11->setToolTip(u"去下载更新..."_s);
    Label11->hide();
    List1 = place(new QListWidget(client), u"List1"_s, twipsRect(13000, 8715, 1200, 255));
    List1->hide();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(1000);
    Timer1->setSingleShot(true);

    connect(Command1, &QPushButton::clicked, this, [this] { 打开VCF文件(); });
    connect(Command4, &QPushButton::clicked, this, [this] { 清空全部(); });
    connect(Command2, &QPushButton::clicked, this, [this] { 显示查找数据到LV(Combo1->currentText(), Text2->text()); });
    connect(Text2, &QLineEdit::returnPressed, this, [this] { 显示查找数据到LV(Combo1->currentText(), Text2->text()); });
    connect(Command3, &QPushButton::clicked, this, [this] { 显示全部数据到LV(); });
    connect(Command8, &QPushButton::clicked, this, [this] { 批量查找(); });
    connect(Command5, &QPushButton::clicked, this, [this] { 载入图片(); });
    connect(Command7, &QPushButton::clicked, this, [this] { 清除图片(); });
    connect(Command6, &QPushButton::clicked, this, [this] { 保存全部信息(); });
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        connect(box, &QLineEdit::textChanged, this, [this] { Command6->setEnabled(true); });
    connect(ListView1, &ContactListView::rowClicked, this, [this](int row) { rowClicked(row); });
    connect(ListView1, &ContactListView::headerClicked, this, [this](int column) { sortByHeader(column); });
    connect(ListView1, &ContactListView::popupRequested, this, [this](const QPoint &at) { menu编辑->popup(at); });
}

QAction *Form1::menuItem(QMenu *menu, const QString &caption, const QString &function,
                         const std::function<void()> &handler)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(u"menu"_s + function);
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    else
        action->setEnabled(false); // comes with a later version
    return action;
}

void Form1::buildMenus()
{
    menu文件 = menuBar()->addMenu(u"文件(&F)"_s);
    menu文件->setObjectName(u"menu文件"_s);
    menuItem(menu文件, u"打开VCF文件"_s, u"打开VCF文件"_s, [this] { 打开VCF文件(); });
    menuItem(menu文件, u"附加导入VCF文件"_s, u"附加导入VCF文件"_s, [this] { 附加导入VCF文件(); });
    menu文件->addSeparator();
    menuItem(menu文件, u"导出列表到文本文件"_s, u"导出列表到文本文件"_s, [this] { 导出列表到文本文件(); });
    menuItem(menu文件, u"导出列表到号码簿VCF文件"_s, u"导出列表到号码簿VCF文件"_s,
             [this] { 导出列表到号码簿VCF文件(); });
    menu文件->addSeparator();
    menuItem(menu文件, u"退出"_s, u"退出"_s, [this] { close(); });

    menu编辑 = menuBar()->addMenu(u"编辑(&E)"_s);
    menu编辑->setObjectName(u"menu编辑"_s);
    menuItem(menu编辑, u"删除姓名中的空格"_s, u"删除姓名中的空格"_s, [this] { 删除姓名中的空格(); });
    menuItem(menu编辑, u"删除手机号码中的空格"_s, u"删除手机号码中的空格"_s, [this] { 删除号码中的空格(false); });
    menuItem(menu编辑, u"删除座机号码中的空格"_s, u"删除座机号码中的空格"_s, [this] { 删除号码中的空格(true); });
    menuItem(menu编辑, u"删除座机号前面的区号"_s, u"删除座机号前面的区号"_s, [this] { 删除座机号前面的区号(); });
    menu编辑->addSeparator();
    menuItem(menu编辑, u"移动手机栏中的座机号码到座机栏"_s, u"移动手机栏中的座机号码到座机栏"_s,
             [this] { 移动手机栏中的座机号码到座机栏(); });
    menuItem(menu编辑, u"移动座机栏中的手机号码到手机栏"_s, u"移动座机栏中的手机号码到手机栏"_s,
             [this] { 移动座机栏中的手机号码到手机栏(); });
    menu编辑->addSeparator();
    menuItem(menu编辑, u"红色标示重复姓名"_s, u"红色标示重复姓名"_s,
             [this] { 红色标示重复(ContactListModel::NameColumn); });
    menuItem(menu编辑, u"自动给重复姓名后加序号"_s, u"自动给重复姓名后加序号"_s, [this] { 自动给重复姓名后加序号(); });
    menuItem(menu编辑, u"红色标示重复手机号"_s, u"红色标示重复手机号"_s,
             [this] { 红色标示重复(ContactListModel::MobileColumn); });
    menuItem(menu编辑, u"红色标示重复座机号"_s, u"红色标示重复座机号"_s,
             [this] { 红色标示重复(ContactListModel::LandlineColumn); });
    menu编辑->addSeparator();
    menuItem(menu编辑, u"删除姓名/手机/座机都重复的条目"_s, u"删除姓名手机座机全部重复项"_s,
             [this] { 删除姓名手机座机全部重复项(); });
    menuItem(menu编辑, u"删除空白项"_s, u"删除空白项"_s, [this] { 删除空白项(); });
    menu编辑->addSeparator();
    menuItem(menu编辑, u"删除选中项(联系人)"_s, u"删除选中项"_s, [this] { 删除选中项(); });
    menuItem(menu编辑, u"添加联系人"_s, u"添加联系人"_s, [this] { 添加联系人(); });

    menu查找 = menuBar()->addMenu(u"查找(&D)"_s);
    menu查找->setObjectName(u"menu查找"_s);
    menuItem(menu查找, u"批量查找"_s, u"批量查找"_s, [this] { 批量查找(); });
    menuItem(menu查找, u"载入全部到列表"_s, u"载入全部"_s, [this] { 显示全部数据到LV(); });

    menu工具 = menuBar()->addMenu(u"工具(&T)"_s);
    menu工具->setObjectName(u"menu工具"_s);
    menuItem(menu工具, u"设置"_s, u"设置"_s, nullptr);

    menu帮助 = menuBar()->addMenu(u"帮助(&H)"_s);
    menu帮助->setObjectName(u"menu帮助"_s);
    menuItem(menu帮助, u"关于"_s, u"关于"_s, nullptr);
    menu帮助->addSeparator();
    for (const QString &item :
         {u"最新版本"_s, u"功能介绍及使用方法"_s, u"售后服务"_s, u"作者网站一"_s, u"作者网站二"_s})
        menuItem(menu帮助, item, item, nullptr);
}

void Form1::startUp(const QStringList &arguments)
{
    setWindowTitle(product::windowCaption());
    Combo1->setCurrentIndex(0);
    resetTable();
    Timer1->start();
    // The first-run file association and the update check are started here when they are built.

    QString path = arguments.join(u' ');
    path.remove(u'"');
    path = trimSpaces(path);
    if (!path.isEmpty())
        打开单个VCF文件(path);
}

QString Form1::temporaryPictureFile() const
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    if (QFileInfo(programFolder).isWritable())
        return programFolder + u"/tmp.png"_s;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    QDir().mkpath(cache);
    return cache + u"/tmp.png"_s;
}

void Form1::resetTable()
{
    m_table.reset();
    ++m_tableGeneration;
}

void Form1::setCountLabel()
{
    Label2->setText(m_model->countText());
}

void Form1::showProgress(const QString &text)
{
    Label9->setText(text);
    Label9->show();
    // Paint now without handling input: nothing else may run in the middle of a command.
    Label9->repaint();
}

void Form1::hideProgress()
{
    Label9->hide();
}

// ---- the list ----

void Form1::显示全部数据到LV()
{
    m_model->showAll();
    AutoSizeColumns();
    setCountLabel();
    showSortIndicator();
}

void Form1::显示查找数据到LV(const QString &choice, const QString &text)
{
    m_model->showMatches(choice, text);
    AutoSizeColumns();
    setCountLabel();
    showSortIndicator();
}

void Form1::AutoSizeColumns()
{
    ListView1->autoSizeColumns();
}

void Form1::ListView1全部置为黑色字体()
{
    m_model->resetToBlack();
}

void Form1::sortByHeader(int column)
{
    m_model->sortOnHeaderClick(column);
    showSortIndicator();
}

void Form1::showSortIndicator()
{
    QHeaderView *header = ListView1->horizontalHeader();
    const int column = m_model->sortColumn();
    header->setSortIndicatorShown(column >= 0 && column < m_model->columnCount());
    if (column >= 0)
        header->setSortIndicator(column, m_model->sortOrder());
}

bool Form1::判断LV项目是否存在(const QString &key) const
{
    return m_model->rowOfKey(key) >= 0;
}

bool Form1::查找List1(const QString &path) const
{
    const QString wanted = path.toLower();
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->text().toLower() == wanted)
            return true;
    }
    return false;
}

void Form1::emptyPanel()
{
    Picture1->removePicture(false);
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->clear();
    Command6->setEnabled(false);
}

void Form1::tell(const QString &text)
{
    m_prompter.message(text, Prompter::Icon::Information, Prompter::Buttons::Ok, product::kTitle);
}

void Form1::删除选中项()
{
    const int row = ListView1->selectedRow();
    if (row >= 0) {
        m_table.清空数组单个数据(m_model->indexAt(row));
        emptyPanel();
        m_model->removeRowAt(row);
    }
    setCountLabel();
}

void Form1::批量查找()
{
    fFind dialog(
        m_table, *m_model,
        [this] {
            AutoSizeColumns();
            setCountLabel();
            showSortIndicator();
        },
        this);
    dialog.exec();
}

// ---- the cleanup tools ----

void Form1::红色标示重复(int column)
{
    static const QString what[] = {u"姓名"_s, u"手机号"_s, u"座机号"_s};
    showProgress(u"正在标示重复"_s + what[column] + u"为红色，请稍候..."_s);
    const int repeats =
        tools::markRepeats(*m_model, column == ContactListModel::NameColumn     ? tools::Repeat::Name
                                     : column == ContactListModel::MobileColumn ? tools::Repeat::Mobile
                                                                                : tools::Repeat::Landline);
    showSortIndicator();
    hideProgress();
    ListView1->viewport()->update();
    tell(u"标示完成，重复"_s + what[column] + u"："_s + QString::number(repeats) + u"个"_s);
}

void Form1::自动给重复姓名后加序号()
{
    showProgress(u"正在自动给重复姓名后加序号，请稍候..."_s);
    const int repeats = tools::numberRepeatedNames(*m_model, m_table);
    showSortIndicator();
    hideProgress();
    ListView1->viewport()->update();
    tell(u"自动给重复姓名后加序号完成，重复姓名："_s + QString::number(repeats) + u"个"_s);
}

void Form1::删除姓名手机座机全部重复项()
{
    showProgress(u"正在删除重复条目，请稍候..."_s);
    const int removed = tools::deleteFullDuplicates(*m_model, m_table);
    showSortIndicator();
    emptyPanel();
    if (m_prompter.message(u"需要清除已经删除的空白项吗？"_s, Prompter::Icon::Question, Prompter::Buttons::YesNo,
                           product::kTitle) == Prompter::Answer::Yes)
        显示全部数据到LV();
    AutoSizeColumns();
    hideProgress();
    tell(u"重复条目"_s + QString::number(removed) + u"个已经删除！"_s);
}

void Form1::删除空白项()
{
    显示全部数据到LV();
}

void Form1::删除姓名中的空格()
{
    tools::removeNameSpaces(*m_model, m_table);
    AutoSizeColumns();
}

void Form1::删除号码中的空格(bool landline)
{
    tools::removeNumberSpaces(*m_model, m_table, landline);
    AutoSizeColumns();
}

void Form1::删除座机号前面的区号()
{
    const QString code =
        m_prompter.input(u"请输入要删除的区号："_s, u"删除座机号前面的区号"_s, QString()).value_or(QString());
    if (code.size() != 4) {
        m_prompter.message(u"区号必须是4位数字！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok, product::kTitle);
        return;
    }
    const int changed = tools::deleteAreaCode(*m_model, m_table, code);
    AutoSizeColumns();
    tell(u"一共删除了"_s + QString::number(changed) + u"座机号前面的区号。"_s);
}

void Form1::移动手机栏中的座机号码到座机栏()
{
    tools::moveLandlinesOutOfMobile(*m_model, m_table);
    AutoSizeColumns();
}

void Form1::移动座机栏中的手机号码到手机栏()
{
    tools::moveMobilesOutOfLandline(*m_model, m_table);
    AutoSizeColumns();
}

void Form1::添加联系人()
{
    AddUser dialog(
        m_table, *m_model, m_prompter, [this] { setCountLabel(); }, this);
    dialog.exec();
}

// ---- the editor panel ----

void Form1::rowClicked(int row)
{
    Picture1->removePicture(true);
    m_pendingPhoto.clear();
    if (row >= 0 && row < m_model->rowCount()) {
        m_currentKey = m_model->keyAt(row);
        m_keyGeneration = m_tableGeneration;
        const ContactRecord &record = m_table[m_model->indexAt(row)];
        QStringView photo = record.Photo;
        const qsizetype colon = photo.indexOf(u':');
        if (colon >= 0)
            photo = photo.sliced(colon + 1);
        if (!photo.isEmpty()) {
            // A photo that does not decode shows nothing; the texts are still filled in.
            const QByteArray bytes = Base64Decode(photo);
            const QString file = temporaryPictureFile();
            QFile::remove(file);
            QFile out(file);
            if (!bytes.isEmpty() && out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size()) {
                out.close();
                const QImage picture = LoadPictureGDIPlus(file);
                if (!picture.isNull())
                    Picture1->showPicture(picture);
            }
        }
        Text3->setText(record.FullName);
        Text4->setText(record.Mobile);
        Text5->setText(record.Landline);
        Text6->setText(record.QQ);
        Text7->setText(record.Email);
    }
    Command6->setEnabled(false);
}

void Form1::保存全部信息()
{
    if (m_currentKey.size() <= 1)
        return;
    const int row = m_model->rowOfKey(m_currentKey);
    const int index = ContactTable::indexOfKey(m_currentKey);
    // A key from before the table was reset names no record of this table.
    if (index > m_table.upperIndex() || index < 1 || m_keyGeneration != m_tableGeneration) {
        m_prompter.message(u"记录不存在，不能保存！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok,
                           product::kTitle);
        return;
    }
    ContactRecord &record = m_table[index];
    record.FullName = Text3->text();
    record.Mobile = Text4->text();
    record.Landline = Text5->text();
    record.QQ = Text6->text();
    record.Email = Text7->text();
    if (!Picture1->isPictureShown())
        record.Photo.clear();
    else if (!m_pendingPhoto.isEmpty())
        record.Photo = u"ENCODING=B;TYPE=PNG:"_s + m_pendingPhoto;
    if (row >= 0)
        m_model->refreshRow(row);
    Command6->setEnabled(false);
}

void Form1::清空全部()
{
    m_model->clear();
    Picture1->removePicture(false);
    resetTable();
    List1->clear();
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7, Text1, Text2})
        box->clear();
    setCountLabel();
    Command6->setEnabled(false);
}

void Form1::载入图片()
{
    const QString file = choosePicture(m_prompter, *Picture1);
    if (file.isEmpty())
        return;
    Command6->setEnabled(true);
    QString photo;
    if (EncodePictureFile(file, photo))
        m_pendingPhoto = photo;
}

void Form1::清除图片()
{
    Picture1->removePicture(true);
    Command6->setEnabled(true);
}

// ---- files ----

void Form1::打开VCF文件()
{
    const QStringList files = m_prompter.openFiles({.filter = u"*.vcf|*.vcf"_s});
    if (files.isEmpty())
        return;
    if (m_model->rowCount() > 0 &&
        m_prompter.message(u"你要清空列表重新打开吗？"_s, Prompter::Icon::Question, Prompter::Buttons::YesNo,
                           product::kTitle) == Prompter::Answer::No)
        return;
    m_model->clear();
    Command6->setEnabled(false);
    打开单个VCF文件(files.first());
    Command6->setEnabled(false);
}

void Form1::打开单个VCF文件(const QString &path)
{
    m_model->clear();
    Picture1->removePicture(false);
    resetTable();
    List1->clear();
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->clear();
    Text1->setText(path);
    List1->addItem(path);

    const FileReadResult read = openContactFile(trimSpaces(path), m_table);
    if (!read.read) {
        m_prompter.message(u"无法打开你的文件！请联系QQ："_s + product::kSupportQQ + u" 修改软件试一试。"_s,
                           Prompter::Icon::Critical, Prompter::Buttons::Ok, product::kTitle);
        return;
    }
    tellUnread(read.parsed.unread);
    显示全部数据到LV();
}

void Form1::tellUnread(int unread)
{
    if (unread > 0)
        m_prompter.message(u"有"_s + QString::number(unread) + u"条记录未能读入，你可以联系QQ："_s +
                               product::kSupportQQ + u" 修改软件试一试。"_s,
                           Prompter::Icon::Information, Prompter::Buttons::Ok, product::kTitle);
}

void Form1::附加导入VCF文件()
{
    if (Text1->text().isEmpty()) {
        打开VCF文件();
        return;
    }
    const QStringList files = m_prompter.openFiles({.filter = u"*.vcf|*.vcf"_s, .multiple = true});
    if (files.isEmpty())
        return;
    for (const QString &path : files) {
        if (查找List1(path)) {
            const QString question = u"该文件（"_s + path + u"）已经导入过，您确定要重复导入吗？"_s;
            if (m_prompter.message(question, Prompter::Icon::Question, Prompter::Buttons::YesNo, product::kTitle) ==
                Prompter::Answer::No)
                continue;
        } else {
            List1->addItem(path);
        }
        importOne(path);
    }
    tell(u"附加导入文件完成。"_s);
}

void Form1::importOne(const QString &path)
{
    const FileReadResult read = importContactFile(path, m_table);
    tellUnread(read.parsed.unread);
    显示全部数据到LV();
}

void Form1::导出列表到号码簿VCF文件()
{
    if (m_model->rowCount() == 0) {
        m_prompter.message(u"列表中没有可以保存的项目！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok,
                           product::kTitle);
        return;
    }
    showProgress(kSaving);
    const QString path = m_prompter.saveFile({.filter = u"*.vcf|*.vcf"_s, .defaultSuffix = u"vcf"_s});
    if (!path.isEmpty()) {
        qsizetype shownPercent = -1;
        const SaveOutcome outcome =
            writeVCardFile(m_table, m_model->listedIndexes(), path, [&](qsizetype row, qsizetype rows) {
                const qsizetype percent = row * 100 / rows;
                if (percent != shownPercent) { // repaint only when the text changes
                    shownPercent = percent;
                    showProgress(kSaving + QString::number(percent) + u'%');
                }
            });
        switch (outcome) {
        case SaveOutcome::Saved:
            m_prompter.message(u"保存完毕！"_s, Prompter::Icon::Information, Prompter::Buttons::Ok, product::kTitle);
            break;
        case SaveOutcome::EncodingError:
            m_prompter.message(u"保存编码出错！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok, product::kTitle);
            break;
        case SaveOutcome::SaveError:
            m_prompter.message(u"保存出错！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok, product::kTitle);
            break;
        }
    }
    hideProgress();
}

void Form1::导出列表到文本文件()
{
    if (m_model->rowCount() == 0) {
        m_prompter.message(u"列表中没有可以保存的项目！"_s, Prompter::Icon::Critical, Prompter::Buttons::Ok,
                           product::kTitle);
        return;
    }
    showProgress(kSaving);
    const QString path = m_prompter.saveFile({.filter = u"*.txt|*.txt"_s, .defaultSuffix = u"txt"_s});
    if (!path.isEmpty()) {
        const SaveResult saved = writeTextFile(m_table, m_model->listedIndexes(), path);
        if (saved.saved())
            m_prompter.message(u"已经保存！"_s, Prompter::Icon::Information, Prompter::Buttons::Ok, product::kTitle);
        else
            m_prompter.message(u"保存出错："_s + saved.error, Prompter::Icon::Critical, Prompter::Buttons::Ok,
                               product::kTitle);
    }
    hideProgress();
}

} // namespace vecardia
