// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "encoding/base64.h"
#include "model/contactlistmodel.h"
#include "product/product.h"
#include "support/modal.h"
#include "support/tempfolder.h"
#include "support/testdesktop.h"
#include "support/testprompter.h"
#include "ui/addcontactdialog.h"
#include "ui/batchfinddialog.h"
#include "ui/contactlistview.h"
#include "ui/editorpanel.h"
#include "ui/optionsdialog.h"
#include "ui/photobox.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;
using Icon = Prompter::Icon;
using Answer = Prompter::Answer;

namespace {

QByteArray card(const QString &name, const QString &mobile, const QByteArray &extra = {})
{
    return "BEGIN:VCARD\nVERSION:3.0\nFN:" + name.toUtf8() + "\nTEL;TYPE=CELL:" + mobile.toUtf8() + "\n" + extra +
           "END:VCARD\n";
}

QByteArray pngBytes(int w, int h, bool transparent = false)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(transparent ? Qt::transparent : QColor(Qt::blue));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray jpegBytes()
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::green);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

QString base64(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64());
}

} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT

    testing::TempFolder m_dir;
    std::unique_ptr<testing::TestPrompter> m_prompter;
    std::unique_ptr<Form1> m_window;

    Form1 &w() { return *m_window; }
    testing::TestPrompter &prompter() { return *m_prompter; }
    ContactListModel &model() { return m_window->listModel(); }

    template<typename T>
    T *control(const QString &name)
    {
        T *found = m_window->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

    void click(const QString &button) { QTest::mouseClick(control<QPushButton>(button), Qt::LeftButton); }

    void clickRow(int row)
    {
        const QRect rect = w().ListView1->visualRect(model().index(row, 0));
        QTest::mouseClick(w().ListView1->viewport(), Qt::LeftButton, {}, rect.center());
    }

    int rowOfName(const QString &name)
    {
        for (int row = 0; row < model().rowCount(); ++row) {
            if (model().cell(row, ContactListModel::NameColumn) == name)
                return row;
        }
        return -1;
    }

    // Opens a book through the open button.
    void open(const QByteArray &book, const QString &name = u"book.vcf"_s)
    {
        prompter().openAnswers.enqueue({m_dir.write(name, book)});
        click(u"Command1"_s);
    }

    void triggerMenu(const QString &name) { control<QAction>(name)->trigger(); }

private Q_SLOTS:
    // The windows here never look for updates: the update check has a suite of its own.
    void initTestCase()
    {
        product::Configuration configuration = product::Configuration::builtIn();
        configuration.updateCheck = false;
        product::setConfiguration(configuration);
    }

    void init()
    {
        m_prompter = std::make_unique<testing::TestPrompter>();
        m_window = std::make_unique<Form1>(*m_prompter);
        m_window->show();
        m_window->startUp({});
    }
    void cleanup() { m_window.reset(); }

    void startUp()
    {
        QCOMPARE(w().windowTitle(), u"卡舟手机电话簿管理器 V2.0.801"_s);
        QCOMPARE(control<QComboBox>(u"Combo1"_s)->currentText(), u"[全部]"_s);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"0条"_s);
        QVERIFY(!control<QLabel>(u"Label9"_s)->isVisible());
        QVERIFY(!control<QLabel>(u"Label11"_s)->isVisible());
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
        QCOMPARE(model().rowCount(), 0);
    }

    void controlsAndMenus()
    {
        QCOMPARE(control<QPushButton>(u"Command3"_s)->toolTip(), u"载入全部到列表"_s);
        QCOMPARE(control<QPushButton>(u"Command6"_s)->text(), u"保存全部信息"_s);
        QCOMPARE(control<QGroupBox>(u"Frame3"_s)->title(), u"编辑联系人信息"_s);
        QCOMPARE(control<QLabel>(u"Label1"_s)->text(), u"在                    查找："_s);
        QStringList menus;
        for (QAction *a : w().menuBar()->actions())
            menus << a->text();
        QCOMPARE(menus, (QStringList{u"文件(&F)"_s, u"编辑(&E)"_s, u"查找(&D)"_s, u"工具(&T)"_s, u"帮助(&H)"_s}));
        QStringList file;
        for (QAction *a : w().menu文件->actions())
            file << (a->isSeparator() ? u"-"_s : a->text());
        QCOMPARE(file, (QStringList{u"打开VCF文件"_s, u"附加导入VCF文件"_s, u"-"_s, u"导出列表到文本文件"_s,
                                    u"导出列表到号码簿VCF文件"_s, u"-"_s, u"退出"_s}));
        // Undo and redo come first, disabled while there is nothing to take back; the Part's items follow.
        const QList<QAction *> edit = w().menu编辑->actions();
        QCOMPARE(edit.size(), 21);
        QCOMPARE(edit.at(0), w().menu撤销);
        QCOMPARE(edit.at(0)->text(), u"撤销"_s);
        QVERIFY(!edit.at(0)->isEnabled());
        QCOMPARE(edit.at(0)->shortcuts(), QKeySequence::keyBindings(QKeySequence::Undo));
        QVERIFY(edit.at(0)->shortcuts().contains(QKeySequence(u"Ctrl+Z"_s)));
        QCOMPARE(edit.at(1), w().menu重做);
        QCOMPARE(edit.at(1)->text(), u"重做"_s);
        QVERIFY(!edit.at(1)->isEnabled());
        QCOMPARE(edit.at(1)->shortcuts(),
                 (QList<QKeySequence>{QKeySequence(u"Ctrl+Y"_s), QKeySequence(u"Ctrl+Shift+Z"_s)}));
        QVERIFY(edit.at(2)->isSeparator());
        QCOMPARE(edit.at(3)->text(), u"删除姓名中的空格"_s);
        QCOMPARE(edit.at(19)->objectName(), u"menu删除选中项"_s);
        QCOMPARE(edit.at(19)->text(), u"删除选中项(联系人)"_s);
    }

    // Where the user types first, and a window that fits a 1024 by 768 screen and grows with its window.
    void focusAndSize()
    {
        QCOMPARE(w().focusWidget(), control<QLineEdit>(u"Text2"_s));
        QVERIFY(w().minimumSizeHint().width() <= 1024 && w().centralWidget()->minimumWidth() <= 1000);
        const QSize listBefore = w().ListView1->size();
        const QSize panelBefore = w().Frame3->size();
        w().resize(w().size() + QSize(200, 100));
        QCOMPARE(w().ListView1->size(), listBefore + QSize(200, 100));
        QCOMPARE(w().Frame3->height(), panelBefore.height() + 100);
        QVERIFY(w().Frame3->x() > w().ListView1->geometry().right());
    }

    void addContactDialogTakesTheCaretToTheName()
    {
        testing::whileOpen<AddUser>(this, [&](AddUser *dialog) {
            QCOMPARE(dialog->focusWidget(), dialog->Text3);
            dialog->Text3->setText(u"A"_s);
            dialog->Text4->setFocus();
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
            QCOMPARE(dialog->focusWidget(), dialog->Text3);
        });
        triggerMenu(u"menu添加联系人"_s);
        QCOMPARE(w().table().upperIndex(), 1);
    }

    // The first run registers the program for ".vcf" without asking and notes it; until that worked, every start
    // tries again.
    void firstRunAssociates_data()
    {
        QTest::addColumn<bool>("storeWorks");
        QTest::addColumn<bool>("desktopWorks");
        QTest::addColumn<QString>("firstopen");
        QTest::newRow("it works") << true << true << u"no"_s;
        QTest::newRow("settings cannot be written") << false << true << QString();
        QTest::newRow("the desktop refuses") << true << false << QString();
    }
    void firstRunAssociates()
    {
        QFETCH(bool, storeWorks);
        QFETCH(bool, desktopWorks);
        QFETCH(QString, firstopen);
        testing::TestDesktop desktop;
        desktop.defaults.refuses = !desktopWorks;
        testing::MemorySettings &settings = desktop.settings;
        Module3 &association = desktop.association;
        DesktopServices &services = desktop.services;
        settings.failing = !storeWorks;
        {
            Form1 first(prompter(), &services);
            first.startUp({});
        }
        QCOMPARE(settings.read(product::kTitle, u"set"_s, u"firstopen"_s), firstopen);
        QCOMPARE(association.IsAssociated(u".vcf"_s), desktopWorks ? 1 : 0);
        // The next start touches the association only when the first did not note it.
        association.RestoreAssociation(u".vcf"_s);
        settings.failing = false;
        Form1 second(prompter(), &services);
        second.startUp({});
        QCOMPARE(association.IsAssociated(u".vcf"_s), firstopen.isEmpty() && desktopWorks ? 1 : 0);
    }

    // "设置": the box shows the association as it is; "确定" makes it so; "取消" changes nothing.
    void settingsDialog()
    {
        testing::TestDesktop desktop;
        testing::MemorySettings &settings = desktop.settings;
        Module3 &association = desktop.association;
        DesktopServices &services = desktop.services;
        Form1 window(prompter(), &services);
        window.show();
        QVERIFY(window.findChild<QAction *>(u"menu设置"_s)->isEnabled());
        const auto choose = [&](bool tick, bool ok) {
            testing::whileOpen<fOption>(this, [&](fOption *dialog) {
                QCOMPARE(dialog->windowTitle(), u"卡舟手机电话簿管理器-设置"_s);
                QCOMPARE(dialog->Check1->text(), u"设置本软件为VCF文件默认打开软件"_s);
                QCOMPARE(dialog->Check1->isChecked(), association.IsAssociated(u".vcf"_s) == 1);
                dialog->Check1->setChecked(tick);
                QTest::mouseClick(ok ? dialog->Command2 : dialog->Command1, Qt::LeftButton);
            });
            window.findChild<QAction *>(u"menu设置"_s)->trigger();
        };
        choose(true, false); // cancelled
        QCOMPARE(association.IsAssociated(u".vcf"_s), 0);
        choose(true, true);
        QCOMPARE(association.IsAssociated(u".vcf"_s), 1);
        QCOMPARE(settings.read(product::kTitle, u"set"_s, u"firstopen"_s), u"no"_s);
        choose(false, true);
        QCOMPARE(association.IsAssociated(u".vcf"_s), 0);
        QCOMPARE(desktop.defaults.restored, 1);
        QCOMPARE(settings.read(product::kTitle, u"set"_s, u"firstopen"_s), u"no"_s); // not re-created next start
        // Without the desktop's services the item is there, but does nothing.
        QVERIFY(!w().findChild<QAction *>(u"menu设置"_s)->isEnabled());
    }

    // A path handed over with its quotes (by the open-file service) is opened as it is: the open says it cannot.
    void quotedPathCannotBeOpened()
    {
        const QString path = m_dir.write(u"q.vcf"_s, card(u"A"_s, u"1"_s));
        w().打开单个VCF文件(u'"' + path + u'"');
        QCOMPARE(prompter().shown.size(), 1);
        QCOMPARE(prompter().shown.first().icon, Icon::Critical);
        QVERIFY(prompter().texts().first().startsWith(u"无法打开你的文件！"_s));
    }

    void commandLinePathWithQuotes()
    {
        const QString path = m_dir.write(u"my book.vcf"_s, card(u"A"_s, u"1"_s));
        Form1 other(prompter());
        other.startUp({u"\""_s + path.section(u' ', 0, 0), path.section(u' ', 1) + u"\"  "_s});
        QCOMPARE(other.listModel().rowCount(), 1);
        QCOMPARE(other.Text1->text(), path);
    }

    void openShowsTheBook()
    {
        open(card(u"张三"_s, u"138"_s) + card(u"Ann"_s, u"139"_s) + "BEGIN:VCARD\nEND:VCARD\n");
        QCOMPARE(prompter().dialogs.first().filter, u"*.vcf|*.vcf"_s);
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"2/2 条"_s);
        QCOMPARE(prompter().texts(), QStringList{u"有1条记录未能读入，你可以联系QQ："_s +
                                                 product::configuration().supportQQ + u" 修改软件试一试。"_s});
        QCOMPARE(prompter().shown.first().icon, Icon::Information);
        QCOMPARE(prompter().shown.first().caption, product::kTitle);
        QVERIFY(control<QLineEdit>(u"Text1"_s)->text().endsWith(u"book.vcf"_s));
        QCOMPARE(control<QListWidget>(u"List1"_s)->count(), 1);
        // Every column at least as wide as its header and its widest cell.
        const QFontMetrics metrics(w().ListView1->font());
        QVERIFY(w().ListView1->columnWidth(0) > metrics.horizontalAdvance(u"张三"_s));
        QVERIFY(w().ListView1->columnWidth(3) >
                w().ListView1->horizontalHeader()->fontMetrics().horizontalAdvance(u"相片"_s));
    }

    void openAsksBeforeReplacingTheList()
    {
        open(card(u"A"_s, u"1"_s));
        prompter().forget();
        prompter().answers.enqueue(Answer::No);
        open(card(u"B"_s, u"2"_s) + card(u"C"_s, u"3"_s), u"other.vcf"_s);
        QCOMPARE(prompter().shown.first().text, u"你要清空列表重新打开吗？"_s);
        QCOMPARE(prompter().shown.first().icon, Icon::Question);
        QCOMPARE(model().rowCount(), 1);
        prompter().answers.enqueue(Answer::Yes);
        open(card(u"B"_s, u"2"_s) + card(u"C"_s, u"3"_s), u"other.vcf"_s);
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(w().table().upperIndex(), 2);
    }

    void openFailure()
    {
        open(QByteArray(), u"empty.vcf"_s);
        // The Part's text, then the file and why it could not be read.
        QCOMPARE(prompter().texts(),
                 QStringList{u"无法打开你的文件！请联系QQ："_s + product::configuration().supportQQ +
                             u" 修改软件试一试。\n"_s + control<QLineEdit>(u"Text1"_s)->text() + u"（文件是空的）"_s});
        QCOMPARE(prompter().shown.first().icon, Icon::Critical);
        QCOMPARE(model().rowCount(), 0);
        QVERIFY(!control<QLineEdit>(u"Text1"_s)->text().isEmpty());
    }

    void searchAndShowAll()
    {
        open(card(u"Zhang"_s, u"+86 138 1"_s) + card(u"Li"_s, u"010-138"_s) + card(u"Wang"_s, u"139"_s));
        control<QComboBox>(u"Combo1"_s)->setCurrentIndex(2); // 电话(手机和座机)
        control<QLineEdit>(u"Text2"_s)->setText(u"138"_s);
        click(u"Command2"_s);
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"2/3 条"_s);
        click(u"Command3"_s);
        QCOMPARE(model().rowCount(), 3);
        control<QLineEdit>(u"Text2"_s)->setText(u"wang"_s);
        control<QComboBox>(u"Combo1"_s)->setCurrentIndex(1); // 姓名
        QTest::keyClick(control<QLineEdit>(u"Text2"_s), Qt::Key_Return);
        QCOMPARE(model().rowCount(), 1);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"1/3 条"_s);
    }

    void rowClickFillsThePanel()
    {
        open(card(u"Zhang"_s, u"138"_s, "EMAIL:z@x\nX-QQ;TYPE=CUSTOM:55\nTEL;TYPE=HOME:010\n"));
        clickRow(0);
        QCOMPARE(control<QLineEdit>(u"Text3"_s)->text(), u"Zhang"_s);
        QCOMPARE(control<QLineEdit>(u"Text4"_s)->text(), u"138"_s);
        QCOMPARE(control<QLineEdit>(u"Text5"_s)->text(), u"010"_s);
        QCOMPARE(control<QLineEdit>(u"Text6"_s)->text(), u"55"_s);
        QCOMPARE(control<QLineEdit>(u"Text7"_s)->text(), u"z@x"_s);
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
        QCOMPARE(w().Picture1->boxSize(), QSize(0, 0));
    }

    void rowClickShowsThePhoto()
    {
        const QByteArray jpeg = jpegBytes();
        open(card(u"P"_s, u"1"_s, "PHOTO;ENCODING=B;TYPE=JPEG:" + jpeg.toBase64() + "\n"));
        clickRow(0);
        QVERIFY(w().Picture1->hasPicture());
        QCOMPARE(w().Picture1->boxSize(), QSize(40, 30));
    }

    void brokenPhotoShowsNothingButTheTexts()
    {
        open(card(u"Bad"_s, u"1"_s, "PHOTO;ENCODING=B;TYPE=JPEG:bm90IGEgcGljdHVyZQ==\n") +
             card(u"Worse"_s, u"2"_s, "PHOTO;ENCODING=B:@@@\n"));
        for (int row = 0; row < 2; ++row) {
            clickRow(row);
            QVERIFY(!w().Picture1->hasPicture());
            QVERIFY(!control<QLineEdit>(u"Text3"_s)->text().isEmpty());
        }
        QVERIFY(prompter().shown.isEmpty());
    }

    void editAndSave()
    {
        open(card(u"Zhang"_s, u"138"_s, "N:Zhang;San\nADR;HOME:;;Road\nCATEGORIES:F\n") + card(u"Li"_s, u"2"_s));
        clickRow(0);
        control<QLineEdit>(u"Text4"_s)->setText(u"139 0000"_s);
        control<QLineEdit>(u"Text3"_s)->setText(u" Zhang"_s);
        QVERIFY(control<QPushButton>(u"Command6"_s)->isEnabled());
        click(u"Command6"_s);
        const ContactRecord &r = w().table()[1];
        QCOMPARE(r.Mobile, u"139 0000"_s);
        QCOMPARE(r.FullName, u" Zhang"_s); // typed text is kept as it stands
        QCOMPARE(r.Name, u"Zhang;San"_s);
        QCOMPARE(r.Address, u"HOME:;;Road"_s);
        QCOMPARE(r.Categories, u"F|"_s);
        QCOMPARE(model().cell(0, ContactListModel::MobileColumn), u"139 0000"_s);
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
    }

    void saveAfterSortWritesTheSameRecord()
    {
        open(card(u"b"_s, u"2"_s) + card(u"a"_s, u"1"_s));
        QTest::mouseClick(w().ListView1->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(w().ListView1->horizontalHeader()->sectionViewportPosition(0) + 5, 5));
        QCOMPARE(model().cell(0, 0), u"a"_s);
        clickRow(0);
        control<QLineEdit>(u"Text4"_s)->setText(u"100"_s);
        click(u"Command6"_s);
        QCOMPARE(w().table()[2].Mobile, u"100"_s);
        QCOMPARE(w().table()[1].Mobile, u"2"_s);
    }

    void saveKeepsOwnPhotoOrClearsIt()
    {
        open(card(u"P"_s, u"1"_s, "PHOTO;ENCODING=B;TYPE=JPEG:" + jpegBytes().toBase64() + "\n"));
        const QByteArray original = w().table()[1].Photo;
        clickRow(0);
        control<QLineEdit>(u"Text4"_s)->setText(u"2"_s);
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].Photo, original);
        click(u"Command7"_s); // 清除图片
        QVERIFY(control<QPushButton>(u"Command6"_s)->isEnabled());
        click(u"Command6"_s);
        QVERIFY(w().table()[1].Photo.isEmpty());
        QCOMPARE(model().cell(0, ContactListModel::PhotoColumn), u"无"_s);
    }

    void loadPictureAndSave()
    {
        open(card(u"A"_s, u"1"_s) + card(u"B"_s, u"2"_s));
        const QByteArray jpeg = jpegBytes();
        clickRow(0);
        prompter().openAnswers.enqueue({m_dir.write(u"face.jpg"_s, jpeg)});
        click(u"Command5"_s);
        QCOMPARE(prompter().dialogs.last().filter,
                 u"*.gif; *.jpg; *.jpeg; *.jpe; *.bmp; *.png; *.tif; *.tiff|*.gif; *.jpg; *.jpeg; *.jpe; *.bmp; "
                 "*.png; *.tif; *.tiff"_s);
        QVERIFY(control<QPushButton>(u"Command6"_s)->isEnabled());
        QCOMPARE(w().pendingPhoto(), base64(jpeg));
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].Photo, "ENCODING=B;TYPE=PNG:" + jpeg.toBase64()); // the file's own bytes
        QCOMPARE(model().cell(0, ContactListModel::PhotoColumn), u"有"_s);

        // A picture loaded for one contact is dropped by clicking another.
        prompter().openAnswers.enqueue({m_dir.write(u"face2.jpg"_s, jpeg)});
        click(u"Command5"_s);
        clickRow(1);
        control<QLineEdit>(u"Text4"_s)->setText(u"3"_s);
        click(u"Command6"_s);
        QVERIFY(w().table()[2].Photo.isEmpty());
    }

    void loadPictureFailures()
    {
        open(card(u"A"_s, u"1"_s));
        clickRow(0);
        prompter().openAnswers.enqueue({m_dir.write(u"fake.jpg"_s, "just text")});
        click(u"Command5"_s);
        QVERIFY(!w().Picture1->hasPicture());
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
        QVERIFY(w().pendingPhoto().isEmpty());
        click(u"Command5"_s); // cancelled
        QVERIFY(prompter().shown.isEmpty());
    }

    // A photo the panel cannot show stays as stored through a save of another field.
    void saveKeepsAPhotoItCannotShow()
    {
        open(card(u"Bad"_s, u"1"_s, "PHOTO;ENCODING=B;TYPE=JPEG:bm90IGEgcGljdHVyZQ==\n"));
        const QByteArray stored = w().table()[1].Photo;
        clickRow(0);
        QVERIFY(!w().Picture1->isPictureShown());
        control<QLineEdit>(u"Text4"_s)->setText(u"2"_s);
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].Mobile, u"2"_s);
        QCOMPARE(w().table()[1].Photo, stored);
        QCOMPARE(model().cell(0, ContactListModel::PhotoColumn), u"有"_s);
    }

    // A phone's picture: decoded at the size of the box, shown, and kept whole when another field is saved.
    void largePhotoIsShownScaledAndKept()
    {
        QImage big(8000, 6000, QImage::Format_Grayscale8);
        big.fill(90);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(big.save(&buffer, "JPEG", 30));
        big = QImage();
        open(card(u"Big"_s, u"1"_s, "PHOTO;ENCODING=b;TYPE=JPEG:" + jpeg.toBase64() + "\n"));
        clickRow(0);
        QCOMPARE(w().Picture1->boxSize(), QSize(8000, 6000)); // the picture's own size decides "shown"
        QVERIFY(w().Picture1->picture().width() <= w().Picture1->room().width());
        QVERIFY(!w().Picture1->picture().isNull());
        QVERIFY(!w().Picture1->geometry().isEmpty());
        control<QLineEdit>(u"Text4"_s)->setText(u"2"_s);
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].Photo, "ENCODING=b;TYPE=JPEG:" + jpeg.toBase64());
    }

    // A file that claims a huge picture without holding it is refused before anything is allocated for it.
    void pictureBombShowsNothing()
    {
        QImage small(4, 4, QImage::Format_RGB32);
        small.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(small.save(&buffer, "PNG"));
        // The header says 60000 by 60000 pixels.
        png.replace(16, 8, QByteArray::fromHex("0000ea600000ea60"));
        open(card(u"A"_s, u"1"_s));
        clickRow(0);
        prompter().openAnswers.enqueue({m_dir.write(u"bomb.png"_s, png)});
        click(u"Command5"_s);
        QVERIFY(!w().Picture1->hasPicture());
        QVERIFY(w().pendingPhoto().isEmpty());
    }

    // A picture load that fails changes nothing: the picture shown and the photo a save stores stay.
    void failedLoadChangesNothing()
    {
        open(card(u"A"_s, u"1"_s));
        clickRow(0);
        const QByteArray first = pngBytes(20, 10);
        prompter().openAnswers.enqueue({m_dir.write(u"first.png"_s, first)});
        click(u"Command5"_s);
        QCOMPARE(w().Picture1->boxSize(), QSize(20, 10));
        prompter().openAnswers.enqueue({m_dir.write(u"not-a-picture.png"_s, "text")});
        click(u"Command5"_s);
        QVERIFY(w().Picture1->hasPicture());
        QCOMPARE(w().Picture1->boxSize(), QSize(20, 10));
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].Photo, "ENCODING=B;TYPE=PNG:" + first.toBase64());

        // The same in the add-contact dialog.
        testing::whileOpen<AddUser>(this, [&](AddUser *dialog) {
            prompter().openAnswers.enqueue({m_dir.write(u"first.png"_s, first)});
            QTest::mouseClick(dialog->Command5, Qt::LeftButton);
            prompter().openAnswers.enqueue({m_dir.write(u"not-a-picture.png"_s, "text")});
            QTest::mouseClick(dialog->Command5, Qt::LeftButton);
            QVERIFY(dialog->Picture1->hasPicture());
            dialog->Text3->setText(u"B"_s);
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
        });
        triggerMenu(u"menu添加联系人"_s);
        QCOMPARE(w().table()[2].Photo, "ENCODING=B;TYPE=PNG:" + first.toBase64());
    }

    // Photos are decoded in memory: the program writes no picture file of its own.
    void photosLeaveNoFileBehind()
    {
        const QString oldFile = QCoreApplication::applicationDirPath() + u"/tmp.png"_s;
        QFile::remove(oldFile);
        open(card(u"P"_s, u"1"_s, "PHOTO;ENCODING=B;TYPE=JPEG:" + jpegBytes().toBase64() + "\n"));
        clickRow(0);
        QVERIFY(w().Picture1->hasPicture());
        QVERIFY(!QFile::exists(oldFile));
    }

    void transparentPictureShowsWhite()
    {
        open(card(u"A"_s, u"1"_s));
        clickRow(0);
        prompter().openAnswers.enqueue({m_dir.write(u"clear.png"_s, pngBytes(8, 8, true))});
        click(u"Command5"_s);
        QCOMPARE(w().Picture1->picture().pixelColor(3, 3), QColor(Qt::white));
    }

    void onePixelPictureCountsAsNone()
    {
        open(card(u"A"_s, u"1"_s, "PHOTO;ENCODING=B:QUJD\n"));
        clickRow(0);
        prompter().openAnswers.enqueue({m_dir.write(u"line.png"_s, pngBytes(1, 20))});
        click(u"Command5"_s);
        click(u"Command6"_s);
        QVERIFY(w().table()[1].Photo.isEmpty());
    }

    void deleteSelected()
    {
        open(card(u"A"_s, u"1"_s, "EMAIL:a@x\n") + card(u"B"_s, u"2"_s) + card(u"C"_s, u"3"_s));
        clickRow(1);
        control<QLineEdit>(u"Text3"_s)->setText(u"edited"_s);
        triggerMenu(u"menu删除选中项"_s);
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"2/3 条"_s);
        QVERIFY(!w().table().isLive(2));
        QVERIFY(control<QLineEdit>(u"Text3"_s)->text().isEmpty());
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
        click(u"Command3"_s);
        QCOMPARE(model().listedIndexes(), (QList<int>{1, 3}));
        w().ListView1->clearSelection();
        triggerMenu(u"menu删除选中项"_s); // nothing selected: only the label
        QCOMPARE(model().rowCount(), 2);
    }

    // After a delete no row is selected: choosing the command again deletes nothing until the user picks a row.
    void deletingTwiceNeedsAnotherPick()
    {
        open(card(u"A"_s, u"1"_s) + card(u"B"_s, u"2"_s) + card(u"C"_s, u"3"_s) + card(u"D"_s, u"4"_s));
        clickRow(1);
        for (int i = 0; i < 3; ++i)
            triggerMenu(u"menu删除选中项"_s);
        QCOMPARE(model().listedIndexes(), (QList<int>{1, 3, 4}));
        QCOMPARE(w().ListView1->selectedRow(), -1);
        QVERIFY(control<QLineEdit>(u"Text3"_s)->text().isEmpty());
    }

    // The panel follows the current row when it moves by keyboard, so the row highlighted, the contact shown and
    // the contact deleted are the same.
    void panelFollowsTheKeyboard()
    {
        open(card(u"A"_s, u"1"_s) + card(u"B"_s, u"2"_s) + card(u"C"_s, u"3"_s) + card(u"D"_s, u"4"_s));
        clickRow(0);
        QTest::keyClick(w().ListView1, Qt::Key_Down);
        QTest::keyClick(w().ListView1, Qt::Key_Down);
        QCOMPARE(control<QLineEdit>(u"Text3"_s)->text(), u"C"_s);
        QTest::keyClick(w().ListView1, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(control<QLineEdit>(u"Text3"_s)->text(), u"D"_s);
        QTest::keyClick(w().ListView1, Qt::Key_Up);
        triggerMenu(u"menu删除选中项"_s);
        QVERIFY(!w().table().isLive(3));
        QCOMPARE(model().listedIndexes(), (QList<int>{1, 2, 4}));
    }

    // A save for a contact deleted since the panel showed it goes nowhere.
    void saveAfterDeleteIsRefused()
    {
        open(card(u"A"_s, u"1"_s) + card(u"B"_s, u"2"_s));
        clickRow(0);
        triggerMenu(u"menu删除选中项"_s);
        control<QLineEdit>(u"Text3"_s)->setText(u"Back"_s);
        click(u"Command6"_s);
        QCOMPARE(prompter().texts().constLast(), u"记录不存在，不能保存！"_s);
        QVERIFY(!w().table().isLive(1));
        QCOMPARE(model().rowCount(), 1);
    }

    // After a tool changed the contact shown, the panel shows it as it now is: a later save of another field keeps
    // what the tool did.
    void panelShowsWhatAToolChanged()
    {
        open(card(u"A"_s, u"138 0000 0001"_s) + card(u"B"_s, u"139 0000 0002"_s));
        clickRow(0);
        triggerMenu(u"menu删除手机号码中的空格"_s);
        QCOMPARE(control<QLineEdit>(u"Text4"_s)->text(), u"13800000001"_s);
        control<QLineEdit>(u"Text6"_s)->setText(u"12345"_s);
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].Mobile, u"13800000001"_s);
        QCOMPARE(w().table()[1].QQ, u"12345"_s);

        // A tool that deletes the contact shown empties the panel, and a save is refused.
        open(card(u"A"_s, u"1"_s) + card(u"A"_s, u"1"_s), u"dup.vcf"_s);
        const int second = 1;
        clickRow(second);
        prompter().answers.enqueue(Answer::No);
        triggerMenu(u"menu删除姓名手机座机全部重复项"_s);
        QVERIFY(control<QLineEdit>(u"Text3"_s)->text().isEmpty());
        QVERIFY(control<QLabel>(u"Label9"_s)->text().endsWith(u'%'));
    }

    // Texts of any length: the boxes hold them whole, and the list draws only the start of a very long one.
    void longTexts()
    {
        const QString longName(40000, u'名');
        open(card(longName, u"1"_s));
        clickRow(0);
        QCOMPARE(control<QLineEdit>(u"Text3"_s)->text(), longName);
        control<QLineEdit>(u"Text4"_s)->setText(u"2"_s);
        click(u"Command6"_s);
        QCOMPARE(w().table()[1].FullName, longName);
        QCOMPARE(model().data(model().index(0, 0)).toString().size(), ContactListModel::kShownCharacters + 1);
    }

    void clearAll()
    {
        open(card(u"A"_s, u"1"_s));
        clickRow(0);
        click(u"Command4"_s);
        QCOMPARE(model().rowCount(), 0);
        QCOMPARE(w().table().upperIndex(), 0);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"0/0 条"_s);
        QCOMPARE(control<QListWidget>(u"List1"_s)->count(), 0);
        QVERIFY(control<QLineEdit>(u"Text1"_s)->text().isEmpty());
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
        control<QLineEdit>(u"Text3"_s)->setText(u"X"_s);
        click(u"Command6"_s);
        QCOMPARE(prompter().texts().constLast(), u"记录不存在，不能保存！"_s);
        QCOMPARE(prompter().shown.constLast().icon, Icon::Critical);
    }

    void saveAfterReopenNeverWritesIntoTheNewBook()
    {
        open(card(u"A"_s, u"1"_s));
        clickRow(0);
        open(card(u"New"_s, u"9"_s), u"new.vcf"_s);
        control<QLineEdit>(u"Text3"_s)->setText(u"typed"_s);
        click(u"Command6"_s);
        QCOMPARE(prompter().texts().constLast(), u"记录不存在，不能保存！"_s);
        QCOMPARE(w().table()[1].FullName, u"New"_s);
    }

    void headerClicksSortBothWays()
    {
        open(card(u"b"_s, u"1"_s) + card(u"a"_s, u"3"_s) + card(u"c"_s, u"2"_s));
        w().sortByHeader(ContactListModel::MobileColumn);
        QCOMPARE(model().listedIndexes(), (QList<int>{1, 3, 2}));
        w().sortByHeader(ContactListModel::MobileColumn);
        QCOMPARE(model().listedIndexes(), (QList<int>{2, 3, 1}));
    }

    void rightClickOpensTheEditMenu()
    {
        open(card(u"A"_s, u"1"_s));
        QTest::mouseClick(w().ListView1->viewport(), Qt::RightButton, {}, QPoint(50, 400)); // below the rows
        QVERIFY(w().menu编辑->isVisible());
        w().menu编辑->hide();
        QCOMPARE(w().ListView1->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void addContact()
    {
        open(card(u"A"_s, u"1"_s) + card(u"B"_s, u"2"_s) + card(u"C"_s, u"3"_s));
        control<QComboBox>(u"Combo1"_s)->setCurrentIndex(1);
        control<QLineEdit>(u"Text2"_s)->setText(u"A"_s);
        click(u"Command2"_s);
        const QByteArray png = pngBytes(20, 10);
        const QString picture = m_dir.write(u"p.png"_s, png);
        testing::whileOpen<AddUser>(this, [&](AddUser *dialog) {
            QCOMPARE(dialog->windowTitle(), u"添加联系人-卡舟手机电话簿管理器"_s);
            QVERIFY(dialog->pendingPhoto().isEmpty());
            dialog->Text3->setText(u"   "_s);
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
            QCOMPARE(prompter().texts().constLast(), u"请输入姓名！"_s);

            dialog->Text3->setText(u"  王五  "_s);
            dialog->Text4->setText(u" 139 8888 "_s);
            prompter().openAnswers.enqueue({picture});
            QTest::mouseClick(dialog->Command5, Qt::LeftButton);
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
            QCOMPARE(prompter().texts().constLast(), u"添加完成！"_s);
            QVERIFY(dialog->Text3->text().isEmpty());
            // The next contact added without a picture gets none.
            dialog->Text3->setText(u"赵六"_s);
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
        });
        triggerMenu(u"menu添加联系人"_s);
        QCOMPARE(w().table().upperIndex(), 5);
        QCOMPARE(w().table()[4].FullName, u"王五"_s);
        QCOMPARE(w().table()[4].Mobile, u"139 8888"_s);
        QCOMPARE(w().table()[4].Photo, "ENCODING=B;TYPE=PNG:" + png.toBase64());
        QVERIFY(w().table()[5].Photo.isEmpty());
        QCOMPARE(model().listedIndexes(), (QList<int>{1, 4, 5}));
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"3/5 条"_s);

        // A picture loaded in one opening is never stored by the next.
        testing::whileOpen<AddUser>(this, [&](AddUser *dialog) {
            QVERIFY(dialog->pendingPhoto().isEmpty());
            dialog->Text3->setText(u"钱七"_s);
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
        });
        triggerMenu(u"menu添加联系人"_s);
        QVERIFY(w().table()[6].Photo.isEmpty());
    }

    // An append import of a file that cannot be read says so, naming the file, and goes on with the next one.
    void appendImportOfUnreadableFiles()
    {
        open(card(u"A"_s, u"1"_s));
        prompter().forget();
        const QString broken = m_dir.write(u"broken.vcf"_s, "not a contact book\n");
        const QString good = m_dir.write(u"good.vcf"_s, card(u"B"_s, u"2"_s));
        prompter().openAnswers.enqueue({broken, good});
        triggerMenu(u"menu附加导入VCF文件"_s);
        QCOMPARE(prompter().shown.size(), 2);
        QCOMPARE(prompter().shown.first().icon, Icon::Critical);
        QVERIFY(prompter().texts().first().contains(broken));
        QCOMPARE(prompter().texts().last(), u"附加导入文件完成。"_s);
        QCOMPARE(control<QListWidget>(u"List1"_s)->count(), 2); // the opened book and good.vcf
        QCOMPARE(w().table().upperIndex(), 2);

        prompter().forget();
        prompter().openAnswers.enqueue({broken});
        triggerMenu(u"menu附加导入VCF文件"_s);
        QCOMPARE(prompter().texts().size(), 1); // no file read: no completion
        QCOMPARE(prompter().shown.first().icon, Icon::Critical);
    }

    void appendImport()
    {
        const QString first = m_dir.write(u"one.vcf"_s, card(u"A"_s, u"1"_s));
        const QString gb = m_dir.write(u"gb.vcf"_s, "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:\xD5\xC5\xC8\xFD\r\n"
                                                    "TEL;CELL:2\r\nEND:VCARD\r\n"_ba);
        prompter().openAnswers.enqueue({first});
        triggerMenu(u"menu附加导入VCF文件"_s); // nothing open yet: behaves as opening
        QCOMPARE(model().rowCount(), 1);
        QVERIFY(prompter().shown.isEmpty());

        prompter().openAnswers.enqueue({gb, first.toUpper().replace(u"ONE.VCF"_s, u"one.vcf"_s), first});
        prompter().answers.enqueue(Answer::No);
        prompter().answers.enqueue(Answer::Yes);
        triggerMenu(u"menu附加导入VCF文件"_s);
        QVERIFY(prompter().dialogs.last().multiple);
        QStringList expected;
        expected << u"该文件（"_s + first.toUpper().replace(u"ONE.VCF"_s, u"one.vcf"_s) +
                        u"）已经导入过，您确定要重复导入吗？"_s
                 << u"该文件（"_s + first + u"）已经导入过，您确定要重复导入吗？"_s << u"附加导入文件完成。"_s;
        QCOMPARE(prompter().texts(), expected);
        QCOMPARE(w().table().upperIndex(), 3);
        QCOMPARE(w().table()[2].FullName, u"张三"_s); // GB2312 decided as opening does
        QCOMPARE(control<QListWidget>(u"List1"_s)->count(), 2);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"3/3 条"_s);
    }

    void exportVCard()
    {
        triggerMenu(u"menu导出列表到号码簿VCF文件"_s);
        QCOMPARE(prompter().texts(), QStringList{u"列表中没有可以保存的项目！"_s});
        open(card(u"B"_s, u"2"_s) + card(u"A"_s, u"1"_s));
        w().sortByHeader(0);
        prompter().forget();
        const QString out = m_dir.filePath(u"out.vcf"_s);
        prompter().saveAnswers.enqueue(out);
        triggerMenu(u"menu导出列表到号码簿VCF文件"_s);
        QCOMPARE(prompter().dialogs.last().defaultSuffix, u"vcf"_s);
        QCOMPARE(prompter().texts(), QStringList{u"保存完毕！"_s});
        QVERIFY(testing::TempFolder::contents(out).startsWith("BEGIN:VCARD\nVERSION:3.0\nN:;A;;;"));
        QVERIFY(!control<QLabel>(u"Label9"_s)->isVisible());
        QCOMPARE(control<QLabel>(u"Label9"_s)->text(), u"正在保存文件，请稍候...100%"_s);
    }

    void exportVCardFailures()
    {
        open(card(u"A"_s, u"1"_s));
        prompter().forget();
        prompter().saveAnswers.enqueue(m_dir.filePath(u"no/such/folder/out.vcf"_s));
        triggerMenu(u"menu导出列表到号码簿VCF文件"_s);
        // The Part's words, then the system's reason.
        QCOMPARE(prompter().shown.size(), 1);
        QVERIFY(prompter().texts().first().startsWith(u"保存出错！\n"_s));
        QVERIFY(prompter().texts().first().size() > 6);

        // Rows whose records were cleared write nothing: an encoding error, and nothing else.
        w().table().清空数组单个数据(1);
        prompter().forget();
        const QString keep = m_dir.write(u"keep.vcf"_s, "old");
        prompter().saveAnswers.enqueue(keep);
        triggerMenu(u"menu导出列表到号码簿VCF文件"_s);
        QCOMPARE(prompter().texts(), QStringList{u"保存编码出错！"_s});
        QCOMPARE(testing::TempFolder::contents(keep), "old"_ba);

        prompter().forget();
        triggerMenu(u"menu导出列表到号码簿VCF文件"_s); // cancelled
        QVERIFY(prompter().shown.isEmpty());
        QVERIFY(!control<QLabel>(u"Label9"_s)->isVisible());
    }

    void markingCommands()
    {
        open(card(u"a"_s, u"1"_s) + card(u"A"_s, u"1"_s) + card(u"b"_s, u"1"_s) + card(u"c"_s, u"2"_s));
        prompter().forget();
        triggerMenu(u"menu红色标示重复手机号"_s);
        QCOMPARE(prompter().texts(), QStringList{u"标示完成，重复手机号：3个"_s});
        QCOMPARE(prompter().shown.first().icon, Icon::Information);
        QVERIFY(!control<QLabel>(u"Label9"_s)->isVisible());
        QCOMPARE(control<QLabel>(u"Label9"_s)->text(), u"正在标示重复手机号为红色，请稍候..."_s);
        QCOMPARE(w().ListView1->horizontalHeader()->sortIndicatorSection(), 1);
        triggerMenu(u"menu红色标示重复姓名"_s);
        QCOMPARE(prompter().texts().constLast(), u"标示完成，重复姓名：2个"_s);
        triggerMenu(u"menu红色标示重复座机号"_s);
        QCOMPARE(prompter().texts().constLast(), u"标示完成，重复座机号：0个"_s);
        for (int row = 0; row < model().rowCount(); ++row)
            QCOMPARE(model().colour(row, 0), ContactListModel::CellColour::Black);
    }

    void numberingCommand()
    {
        open(card(u"老师"_s, u"1"_s) + card(u"老师"_s, u"2"_s));
        prompter().forget();
        triggerMenu(u"menu自动给重复姓名后加序号"_s);
        QCOMPARE(prompter().texts(), QStringList{u"自动给重复姓名后加序号完成，重复姓名：2个"_s});
        QStringList names{w().table()[1].FullName, w().table()[2].FullName};
        names.sort();
        QCOMPARE(names, (QStringList{u"老师1"_s, u"老师2"_s}));
    }

    void deleteDuplicatesCommand()
    {
        open(card(u"A"_s, u"1"_s) + card(u"a"_s, u"1"_s) + card(u"A"_s, u"1"_s) + card(u"B"_s, u"1"_s));
        clickRow(0);
        prompter().forget();
        prompter().answers.enqueue(Answer::No);
        triggerMenu(u"menu删除姓名手机座机全部重复项"_s);
        QCOMPARE(prompter().texts(), (QStringList{u"需要清除已经删除的空白项吗？"_s, u"重复条目2个已经删除！"_s}));
        QCOMPARE(model().rowCount(), 4); // the blanked rows stay
        QCOMPARE(model().columnCount(), 6);
        QVERIFY(control<QLineEdit>(u"Text3"_s)->text().isEmpty());
        QVERIFY(!control<QPushButton>(u"Command6"_s)->isEnabled());
        prompter().forget();
        prompter().answers.enqueue(Answer::Yes);
        triggerMenu(u"menu删除姓名手机座机全部重复项"_s); // the blank rows are nobody's duplicates
        QCOMPARE(prompter().texts().constLast(), u"重复条目0个已经删除！"_s);
        QCOMPARE(model().rowCount(), 2);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"2/4 条"_s);
    }

    void deleteBlankRows()
    {
        open(card(u"A"_s, u"1"_s) + card(u"A"_s, u"1"_s));
        prompter().answers.enqueue(Answer::No);
        triggerMenu(u"menu删除姓名手机座机全部重复项"_s);
        QCOMPARE(model().rowCount(), 2);
        triggerMenu(u"menu删除空白项"_s);
        QCOMPARE(model().rowCount(), 1);
        QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"1/2 条"_s);
    }

    void areaCodeCommand()
    {
        open(card(u"A"_s, u"1"_s, "TEL;TYPE=HOME:0755-1\n") + card(u"B"_s, u"2"_s, "TEL;TYPE=HOME:07551\n"));
        for (const std::optional<QString> &answer :
             {std::optional<QString>(), std::optional<QString>(u"075"_s), std::optional<QString>(u"07555"_s)}) {
            prompter().forget();
            prompter().inputAnswers.enqueue(answer);
            triggerMenu(u"menu删除座机号前面的区号"_s);
            QCOMPARE(prompter().shown.first().text, u"请输入要删除的区号："_s);
            QCOMPARE(prompter().shown.first().caption, u"删除座机号前面的区号"_s);
            QCOMPARE(prompter().texts().constLast(), u"区号必须是4位数字！"_s);
            QCOMPARE(prompter().shown.constLast().icon, Icon::Critical);
        }
        prompter().inputAnswers.enqueue(u"0755"_s);
        triggerMenu(u"menu删除座机号前面的区号"_s);
        QCOMPARE(prompter().texts().constLast(), u"一共删除了2座机号前面的区号。"_s);
        QCOMPARE(w().table()[1].Landline, u"-1"_s);
        QCOMPARE(model().cell(1, ContactListModel::LandlineColumn), u"1"_s);
    }

    void numberCommands()
    {
        open(card(u"A B"_s, u"+86 138 1"_s) + card(u"C"_s, u"0755 1"_s));
        triggerMenu(u"menu删除姓名中的空格"_s);
        triggerMenu(u"menu删除手机号码中的空格"_s);
        triggerMenu(u"menu移动手机栏中的座机号码到座机栏"_s);
        QCOMPARE(w().table()[1].FullName, u"AB"_s);
        QCOMPARE(w().table()[1].Mobile, u"1381"_s);
        QCOMPARE(w().table()[2].Landline, u"07551"_s);
        QCOMPARE(model().cell(1, ContactListModel::LandlineColumn), u"07551"_s);
        triggerMenu(u"menu删除座机号码中的空格"_s);
        triggerMenu(u"menu移动座机栏中的手机号码到手机栏"_s);
        QCOMPARE(w().table()[2].Landline, u"07551"_s);
        QVERIFY(prompter().shown.isEmpty());
    }

    void batchFindDialog()
    {
        open(card(u"A"_s, u"13800000001"_s) + card(u"B"_s, u"13900000002"_s) + card(u"C"_s, u"0101"_s));
        testing::whileOpen<fFind>(this, [&](fFind *dialog) {
            QCOMPARE(dialog->windowTitle(), u"批量查找-卡舟手机电话簿管理器"_s);
            dialog->Text1->setPlainText(u"13900000002 B\n\n999\n138"_s);
            QCOMPARE(dialog->Label3->text(), u"4个号码"_s);
            QTest::mouseClick(dialog->Command1, Qt::LeftButton);
            QCOMPARE(dialog->Text2->toPlainText(), u"999"_s);
            QCOMPARE(dialog->Label5->text(), u"1个号码"_s);
            QCOMPARE(model().listedIndexes(), (QList<int>{2, 1}));
            QCOMPARE(control<QLabel>(u"Label2"_s)->text(), u"2/3 条"_s);
            QTest::mouseClick(dialog->Command2, Qt::LeftButton);
        });
        click(u"Command8"_s);
        QVERIFY(!w().findChild<fFind *>(u"fFind"_s));
    }

    void exportText()
    {
        open(card(u"B"_s, u"2"_s) + card(u"A"_s, u"1"_s));
        w().sortByHeader(0);
        prompter().forget();
        const QString out = m_dir.filePath(u"out.txt"_s);
        prompter().saveAnswers.enqueue(out);
        triggerMenu(u"menu导出列表到文本文件"_s);
        QCOMPARE(prompter().dialogs.last().filter, u"*.txt|*.txt"_s);
        QCOMPARE(prompter().texts(), QStringList{u"已经保存！"_s});
        QCOMPARE(testing::TempFolder::contents(out), "B 2   \r\nA 1   \r\n"_ba); // table order

        prompter().forget();
        prompter().saveAnswers.enqueue(m_dir.filePath(u"no/such/folder/out.txt"_s));
        triggerMenu(u"menu导出列表到文本文件"_s);
        QCOMPARE(prompter().shown.size(), 1);
        QVERIFY(prompter().texts().first().startsWith(u"保存出错："_s));
        QCOMPARE(prompter().shown.first().icon, Icon::Critical);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
