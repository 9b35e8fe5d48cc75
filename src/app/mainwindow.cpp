// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"

#include "app/mainwindowlayout.h"
#include "encoding/spaces.h"
#include "help/aboutdialog.h"
#include "help/links.h"
#include "model/contactlistmodel.h"
#include "model/editstep.h"
#include "net/updatecheck.h"
#include "net/uxmlhttp.h"
#include "product/product.h"
#include "shell/registry.h"
#include "shell/settingsstore.h"
#include "tools/batchfind.h"
#include "ui/addcontactdialog.h"
#include "ui/batchfinddialog.h"
#include "ui/clicks.h"
#include "ui/contactlistview.h"
#include "ui/editorpanel.h"
#include "ui/layout.h"
#include "ui/optionsdialog.h"
#include "ui/photobox.h"
#include "ui/prompter.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// The update check's timer fires once, this long after start-up.
constexpr int kUpdateCheckDelayMs = 1000;
// A version file that has not come by then never will: the request stops, and with it its polling.
constexpr int kUpdateCheckGiveUpMs = 60'000;
// The version file is a few bytes: a longer answer is no version file, and is not read to its end.
constexpr qint64 kVersionFileLimit = 1024;

// The window may be this much smaller than its design, so that it fits a 1024 by 768 screen: the panel gives the
// width, the list and the panel the height (the list then scrolls).
constexpr QSize kSmallerThanDesign(60, 60);

// The client area: it tells the window when its size changes, so the list and the panel grow with it.
class ClientArea final : public QWidget {
public:
    using QWidget::QWidget;
    std::function<void(QSize)> resized;

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QWidget::resizeEvent(event);
        if (resized)
            resized(size());
    }
};

} // namespace

Form1::Form1(Prompter &prompter, DesktopServices *desktop, QWidget *parent)
    : QMainWindow(parent), m_prompter(prompter), m_desktop(desktop)
{
    setObjectName(u"Form1"_s);
    setWindowTitle(u"手机电话簿管理"_s); // the design caption, until start-up sets the real one
    m_model = new ContactListModel(m_table, this);
    m_undo = new QUndoStack(this);
    connect(m_undo, &QUndoStack::cleanChanged, this, [this] { updateCaption(); });
    buildControls();
    buildMenus();
}

Form1::~Form1()
{
    // The history goes with the window's children; what it says then is for nobody.
    m_undo->disconnect(this);
}

void Form1::buildControls()
{
    auto *client = new ClientArea(this);
    client->setObjectName(u"client"_s);
    const QSize design(twips(kClientWidth), twips(kClientHeight));
    client->setMinimumSize(design - kSmallerThanDesign);
    setCentralWidget(client);

    Frame3 = new EditorPanel(m_prompter, client);
    const QHash<QString, QWidget *> controls =
        vecardia::buildControls(client, mainWindowLayout(), {{u"Frame3"_s, Frame3}});
    Text1 = controlNamed<QLineEdit>(controls, u"Text1");
    Command1 = controlNamed<QPushButton>(controls, u"Command1");
    Command4 = controlNamed<QPushButton>(controls, u"Command4");
    Frame2 = controlNamed<QGroupBox>(controls, u"Frame2");
    Label1 = controlNamed<QLabel>(controls, u"Label1");
    Combo1 = controlNamed<QComboBox>(controls, u"Combo1");
    Text2 = controlNamed<QLineEdit>(controls, u"Text2");
    Command2 = controlNamed<QPushButton>(controls, u"Command2");
    Command3 = controlNamed<QPushButton>(controls, u"Command3");
    Command8 = controlNamed<QPushButton>(controls, u"Command8");
    Label3 = controlNamed<QLabel>(controls, u"Label3");
    Label2 = controlNamed<QLabel>(controls, u"Label2");
    ListView1 = controlNamed<ContactListView>(controls, u"ListView1");
    Label8 = controlNamed<QLabel>(controls, u"Label8");
    Label9 = controlNamed<QLabel>(controls, u"Label9");
    Label11 = controlNamed<QLabel>(controls, u"Label11");
    List1 = controlNamed<QListWidget>(controls, u"List1");
    Label4 = Frame3->Label4;
    Label5 = Frame3->Label5;
    Label10 = Frame3->Label10;
    Label6 = Frame3->Label6;
    Label7 = Frame3->Label7;
    Text3 = Frame3->Text3;
    Text4 = Frame3->Text4;
    Text5 = Frame3->Text5;
    Text6 = Frame3->Text6;
    Text7 = Frame3->Text7;
    Frame1 = Frame3->Frame1;
    Picture1 = Frame3->Picture1;
    Command5 = Frame3->Command5;
    Command7 = Frame3->Command7;
    Command6 = Frame3->Command6;

    Text1->setReadOnly(true);
    Combo1->addItems({u"[全部]"_s, u"姓名"_s, u"电话(手机和座机)"_s, u"邮箱"_s, u"QQ"_s});
    Label1->lower(); // the search column sits in the gap of its caption
    // The search column shows its longest entry whole: it grows, and the rest of its caption and the search box
    // move right by as much.
    if (const int more = Combo1->sizeHint().width() - Combo1->width(); more > 0) {
        Combo1->resize(Combo1->width() + more, Combo1->height());
        Label1->resize(Label1->width() + more, Label1->height());
        Text2->setGeometry(Text2->geometry().adjusted(more, 0, 0, 0));
    }
    Command3->setToolTip(u"载入全部到列表"_s);
    ListView1->setContactModel(m_model);
    Label9->setStyleSheet(u"color: #ff8000;"_s);
    Label9->hide();
    Label11->setStyleSheet(u"color: red;"_s);
    Label11->setCursor(Qt::PointingHandCursor);
    Label11->setToolTip(u"去下载更新..."_s);
    Label11->hide();
    List1->hide();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(kUpdateCheckDelayMs);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, [this] { checkForUpdate(); });
    uXMLHTTP2 = nullptr;
    if (m_desktop) {
        uXMLHTTP2 = new uXMLHTTP(m_desktop->network, this);
        uXMLHTTP2->SetResponseLimit(kVersionFileLimit);
        uXMLHTTP2->setObjectName(u"uXMLHTTP2"_s);
        connect(uXMLHTTP2, &uXMLHTTP::OnDateArrived, this, [this] {
            if (const auto version = updatecheck::publishedVersion(uXMLHTTP2->ResponseText()))
                CheckNewVersion(*version);
        });
        onClick(Label11, [this] { openInBrowser(product::configuration().productPage()); });
    }

    for (QWidget *moving :
         {static_cast<QWidget *>(ListView1), static_cast<QWidget *>(Frame3), static_cast<QWidget *>(Label8),
          static_cast<QWidget *>(Label9), static_cast<QWidget *>(Label11), static_cast<QWidget *>(List1)})
        m_designPlaces.insert(moving, moving->geometry());
    client->resized = [this](QSize size) { placeControls(size); };
    resize(design.width(), design.height() + menuBar()->sizeHint().height());

    connect(Command1, &QPushButton::clicked, this, [this] { 打开VCF文件(); });
    connect(Command4, &QPushButton::clicked, this, [this] { 清空全部(); });
    connect(Command2, &QPushButton::clicked, this, [this] { 显示查找数据到LV(Combo1->currentText(), Text2->text()); });
    connect(Text2, &QLineEdit::returnPressed, this, [this] { 显示查找数据到LV(Combo1->currentText(), Text2->text()); });
    connect(Command3, &QPushButton::clicked, this, [this] { 显示全部数据到LV(); });
    connect(Command8, &QPushButton::clicked, this, [this] { 批量查找(); });
    connect(Command6, &QPushButton::clicked, this, [this] { 保存全部信息(); });
    connect(ListView1, &ContactListView::rowClicked, this, [this](int row) { rowClicked(row); });
    // The panel follows the current row however it moves (arrow keys, Page Up/Down, Home/End).
    connect(ListView1, &ContactListView::currentRowChanged, this, [this](int row) { rowClicked(row); });
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
        action->setEnabled(false); // the window runs without the desktop services it needs
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
    // Their texts name the step: "撤销 删除重复条目".
    menu撤销 = m_undo->createUndoAction(menu编辑, u"撤销"_s);
    menu撤销->setObjectName(u"menu撤销"_s);
    menu撤销->setShortcuts(QKeySequence::Undo);
    menu重做 = m_undo->createRedoAction(menu编辑, u"重做"_s);
    menu重做->setObjectName(u"menu重做"_s);
    menu重做->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    menu编辑->addAction(menu撤销);
    menu编辑->addAction(menu重做);
    menu编辑->addSeparator();
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
    menuItem(menu编辑, u"红色标示重复姓名"_s, u"红色标示重复姓名"_s, [this] { 红色标示重复(NameColumn); });
    menuItem(menu编辑, u"自动给重复姓名后加序号"_s, u"自动给重复姓名后加序号"_s, [this] { 自动给重复姓名后加序号(); });
    menuItem(menu编辑, u"红色标示重复手机号"_s, u"红色标示重复手机号"_s, [this] { 红色标示重复(MobileColumn); });
    menuItem(menu编辑, u"红色标示重复座机号"_s, u"红色标示重复座机号"_s, [this] { 红色标示重复(LandlineColumn); });
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
    menuItem(menu工具, u"设置"_s, u"设置"_s, m_desktop ? std::function<void()>([this] { 设置(); }) : nullptr);

    menu帮助 = menuBar()->addMenu(u"帮助(&H)"_s);
    menu帮助->setObjectName(u"menu帮助"_s);
    const auto withDesktop = [this](std::function<void()> handler) { return m_desktop ? handler : nullptr; };
    menuItem(menu帮助, u"关于"_s, u"关于"_s, withDesktop([this] { 关于(); }));
    menu帮助->addSeparator();
    const product::Configuration &configuration = product::configuration();
    for (const auto &link :
         {std::pair{u"最新版本"_s, configuration.productPage()},
          std::pair{u"功能介绍及使用方法"_s, configuration.productPage()},
          std::pair{u"售后服务"_s, configuration.afterSalesPage()}, std::pair{u"作者网站一"_s, configuration.website},
          std::pair{u"作者网站二"_s, configuration.website2}})
        menuItem(menu帮助, link.first, link.first,
                 withDesktop([this, address = link.second] { openInBrowser(address); }));
}

void Form1::startUp(const QStringList &arguments)
{
    m_caption = product::windowCaption();
    updateCaption();
    Combo1->setCurrentIndex(0);
    resetTable();
    Timer1->start();

    QString path = arguments.join(u' ');
    path.remove(u'"');
    path = trimSpaces(path);
    Text2->setFocus(); // where the user types first
    if (!path.isEmpty())
        打开单个VCF文件(path);
    associateOnFirstRun();
}

// The first run registers the program for ".vcf" files without asking, and says so in the settings only once the
// registration took: until then every start tries again.
void Form1::associateOnFirstRun()
{
    if (!m_desktop || !m_desktop->settings.read(product::kTitle, u"set"_s, u"firstopen"_s).isEmpty())
        return;
    m_desktop->association.AssociateExtension(u".vcf"_s);
    if (m_desktop->association.IsAssociated(u".vcf"_s) == 1)
        (void)m_desktop->settings.write(product::kTitle, u"set"_s, u"firstopen"_s, u"no"_s);
}

bool Form1::mayDropChanges()
{
    return m_undo->isClean() || m_prompter.askYesNo(u"当前列表有尚未导出的修改，要放弃这些修改吗？"_s);
}

void Form1::openFromOutside(const QString &path)
{
    if (mayDropChanges())
        打开单个VCF文件(path);
}

void Form1::closeEvent(QCloseEvent *event)
{
    if (!m_undo->isClean() && !m_prompter.askYesNo(u"当前列表有尚未导出的修改，确定要退出吗？"_s)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void Form1::openInBrowser(const QString &address)
{
    if (m_desktop)
        OpenInInternetExplorer(m_desktop->shell, address);
}

void Form1::关于()
{
    if (!m_desktop)
        return;
    frmAbout dialog(product::configuration(), m_desktop->shell, m_prompter, &m_desktop->registry, this);
    dialog.exec();
}

void Form1::checkForUpdate()
{
    Timer1->stop();
    if (!uXMLHTTP2 || !product::configuration().updateCheck)
        return;
    if (!uXMLHTTP2->Open_(u"GET"_s, product::configuration().versionFile()))
        return;
    uXMLHTTP2->Send_();
    QTimer::singleShot(kUpdateCheckGiveUpMs, uXMLHTTP2, [request = uXMLHTTP2] {
        if (!request->DownOK())
            request->Abort_();
    });
}

void Form1::CheckNewVersion(const QString &version)
{
    if (!m_desktop || !updatecheck::isNewer(version))
        return;
    Label11->setText(u"最新版本：V"_s + version);
    Label11->show();
    // The product page opens only when the user asks for it.
    if (m_prompter.askYesNo(u"有最新版本可以更新升级！要打开产品页面吗？"_s))
        OpenWebAddress(m_desktop->shell, product::configuration().productPage(), false);
}

void Form1::设置()
{
    if (!m_desktop)
        return;
    fOption dialog(m_desktop->association, m_desktop->settings, this);
    dialog.exec();
}

const QString &Form1::pendingPhoto() const
{
    return Frame3->pendingPhoto();
}

// The Part's layout at the design size. A larger window gives the list the extra width and the list and the panel
// the extra height; a narrower one takes the width from the panel, so nothing moves under the top row's buttons.
void Form1::placeControls(QSize client)
{
    const QSize extra = client - QSize(twips(kClientWidth), twips(kClientHeight));
    const int wider = std::max(0, extra.width()), narrower = std::min(0, extra.width());
    const auto design = [this](QWidget *w) { return m_designPlaces.value(w); };
    ListView1->setGeometry(design(ListView1).adjusted(0, 0, wider, extra.height()));
    Frame3->setGeometry(design(Frame3).translated(wider, 0).adjusted(0, 0, narrower, extra.height()));
    Frame3->growBy(narrower, extra.height());
    for (QLabel *bottom : {Label8, Label9})
        bottom->setGeometry(design(bottom).translated(0, extra.height()));
    Label11->setGeometry(design(Label11).translated(wider, extra.height()));
    List1->setGeometry(design(List1).translated(wider, extra.height()));
}

// A new table: the steps of the old one are gone with it.
void Form1::resetTable()
{
    m_table.reset();
    ++m_tableGeneration;
    m_step.reset();
    m_lastRows.reset();
    m_undo->clear();
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

// The record the panel shows, when it is one of this table that still exists; 0 otherwise.
int Form1::panelRecord() const
{
    const int index = ContactTable::indexOfKey(Frame3->currentKey());
    const bool ours = m_table.contains(index) && Frame3->keyGeneration() == m_tableGeneration && !Frame3->recordGone();
    return ours ? index : 0;
}

// A command's changes, in one step. When they touch the record the panel shows, the panel shows it as it now is,
// or empties when the contact is gone, so that a later save never writes an old value back.
void Form1::applyChanges(const ChangeSet &changes)
{
    if (m_step)
        m_step->record(changes);
    (void)m_model->apply(changes);
    const int shown = panelRecord();
    if (shown == 0 || !changes.touches(shown))
        return;
    if (m_table.isLive(shown)) {
        Frame3->showRecord(Frame3->currentKey(), m_tableGeneration, m_table[shown]);
    } else {
        Frame3->empty();
        Frame3->forgetRecord();
    }
}

// ---- the list ----

// After a fill: the columns fit the new rows, the count and the sort arrow tell what the list shows.
void Form1::listChanged()
{
    AutoSizeColumns();
    setCountLabel();
    showSortIndicator();
}

void Form1::显示全部数据到LV()
{
    m_model->showAll();
    listChanged();
}

void Form1::显示查找数据到LV(const QString &choice, const QString &text)
{
    m_model->showMatches(choice, text);
    listChanged();
}

void Form1::AutoSizeColumns()
{
    ListView1->autoSizeColumns();
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
    return m_model->rows().判断LV项目是否存在(key);
}

void Form1::删除选中项()
{
    StepScope step(*this, u"删除联系人"_s);
    const int row = ListView1->selectedRow();
    if (row >= 0) {
        // No row is selected afterwards: choosing the command again deletes nothing until the user picks a row.
        ListView1->selectionModel()->clear();
        ChangeSet changes;
        changes.deleteContact(m_table, m_model->indexAt(row));
        applyChanges(changes);
        Frame3->empty();
        m_model->removeRowAt(row);
    }
    setCountLabel();
}

void Form1::批量查找()
{
    fFind dialog(
        [this](const QString &lines) {
            const tools::BatchFindResult found = tools::batchFind(m_table, lines);
            m_model->showIndexes(found.listed);
            listChanged();
            return found.notFound;
        },
        this);
    dialog.exec();
}

void Form1::添加联系人()
{
    AddUser dialog(
        m_prompter,
        [this](ContactRecord record) {
            StepScope step(*this, u"添加联系人"_s); // each contact added is a step of its own
            const int index = m_table.append(std::move(record));
            if (index == 0)
                return false;
            const int row = m_model->appendRow(index);
            ListView1->scrollTo(m_model->index(row, 0));
            setCountLabel();
            return true;
        },
        this);
    dialog.exec();
}

// ---- the editor panel ----

void Form1::rowClicked(int row)
{
    if (row >= 0 && row < m_model->rowCount())
        Frame3->showRecord(m_model->keyAt(row), m_tableGeneration, m_table[m_model->indexAt(row)]);
    else
        Frame3->showNoRecord();
}

void Form1::保存全部信息()
{
    const QString &key = Frame3->currentKey();
    if (key.size() <= 1)
        return;
    const int index = ContactTable::indexOfKey(key);
    // A key from before the table was reset, or of a contact deleted since, names no record to write into.
    if (index == 0 || panelRecord() != index) {
        m_prompter.critical(u"记录不存在，不能保存！"_s);
        return;
    }
    StepScope step(*this, u"保存全部信息"_s);
    ChangeSet changes;
    Frame3->addSaveChanges(changes, m_table, index);
    m_step->record(changes);
    (void)m_model->apply(changes); // the record's row, when listed, shows the new texts
    Frame3->setSaveEnabled(false);
}

void Form1::清空全部()
{
    if (!mayDropChanges())
        return;
    m_model->clear();
    Picture1->removePicture(false);
    resetTable();
    List1->clear();
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7, Text1, Text2})
        box->clear();
    setCountLabel();
    Frame3->setSaveEnabled(false);
}

} // namespace vecardia
