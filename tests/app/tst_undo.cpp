// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo through the window: every command that changes the contacts is one step, and undoing it puts back
// the records, the list (rows, order, colours, sort), the count and the panel exactly; redoing it brings its result
// back. A property test runs random commands, fills, undos and redos against full copies of the window's state.
#include "app/mainwindow.h"
#include "contacts/contacttable.h"
#include "contacts/vcardwriter.h"
#include "model/contactlistmodel.h"
#include "product/product.h"
#include "ui/addcontactdialog.h"
#include "ui/contactlistview.h"
#include "ui/editorpanel.h"

#include "support/generatedbook.h"
#include "support/modal.h"
#include "support/tempfolder.h"
#include "support/testprompter.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QUndoStack>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;
using Answer = Prompter::Answer;

namespace {

QByteArray card(const QString &name, const QString &mobile, const QString &landline = {}, const QString &extra = {})
{
    QByteArray c = "BEGIN:VCARD\nVERSION:3.0\nFN:" + name.toUtf8() + "\nN:" + name.toUtf8() + ";;;;\n";
    if (!mobile.isEmpty())
        c += "TEL;TYPE=CELL:" + mobile.toUtf8() + "\n";
    if (!landline.isEmpty())
        c += "TEL;TYPE=HOME:" + landline.toUtf8() + "\n";
    return c + extra.toUtf8() + "END:VCARD\n";
}

// A book with work for every tool: spaces, "+86", area codes, numbers in the wrong column, repeats.
QByteArray untidyBook()
{
    return card(u"张 三"_s, u"+86 138 0013 8000"_s, u"0755-12345678"_s, u"EMAIL:zs@example.com\nX-QQ:10001\n"_s) +
           card(u"李四"_s, u"0755-87654321"_s, u"13912345678"_s) + card(u"钱九"_s, u"0755-87654321"_s) +
           card(u"吴十"_s, QString(), u"13912345678"_s) + card(u"王五"_s, u"13800138000"_s, u"0755 8888 9999"_s) +
           card(u"王五"_s, u"13800138000"_s, u"0755 8888 9999"_s) + card(u"赵六"_s, u"13600000000"_s) +
           card(u"张 三"_s, u"+86 138 0013 8000"_s, u"0755-12345678"_s) +
           card(u"Ann Lee"_s, u"139 0000 1111"_s, QString(), u"EMAIL:ann@example.com\n"_s) +
           card(u"王五"_s, u"13700000000"_s) + card(u"孙七"_s, QString(), u"010-66668888"_s);
}

struct WindowState {
    std::vector<ContactRecord> records; // 1 to the upper index
    RowOrder rows;
    QString count;
    QStringList panel; // the five boxes, and whether a picture shows

    [[nodiscard]] bool sameContacts(const WindowState &o) const
    {
        return records == o.records && rows == o.rows && count == o.count;
    }
    friend bool operator==(const WindowState &, const WindowState &) = default;
};

WindowState stateOf(Form1 &w)
{
    WindowState s;
    for (int i = 1; i <= w.table().upperIndex(); ++i)
        s.records.push_back(w.table()[i]);
    s.rows = w.listModel().rows();
    s.count = w.Label2->text();
    for (QLineEdit *box : {w.Text3, w.Text4, w.Text5, w.Text6, w.Text7})
        s.panel << box->text();
    s.panel << (w.Frame3->pendingPhoto().isEmpty() ? u"-"_s : u"photo"_s);
    return s;
}

// The first difference between two states, for a failure message.
QString difference(const WindowState &a, const WindowState &b)
{
    if (a.records.size() != b.records.size())
        return u"%1 records, expected %2"_s.arg(a.records.size()).arg(b.records.size());
    for (std::size_t i = 0; i < a.records.size(); ++i) {
        for (int f = 0; f <= int(Field::Kept); ++f) {
            if (field(a.records[i], Field(f)) != field(b.records[i], Field(f)))
                return u"record %1 field %2: \"%3\", expected \"%4\""_s.arg(i + 1).arg(f).arg(
                    field(a.records[i], Field(f)), field(b.records[i], Field(f)));
        }
    }
    if (a.rows.size() != b.rows.size())
        return u"%1 rows, expected %2"_s.arg(a.rows.size()).arg(b.rows.size());
    for (int r = 0; r < a.rows.size(); ++r) {
        if (!(a.rows[r] == b.rows[r]))
            return u"row %1: record %2, expected %3 (or its colours)"_s.arg(r)
                .arg(a.rows[r].index)
                .arg(b.rows[r].index);
    }
    if (a.rows.sortColumn != b.rows.sortColumn || a.rows.ascending != b.rows.ascending)
        return u"sort state"_s;
    if (a.count != b.count)
        return u"count \"%1\", expected \"%2\""_s.arg(a.count, b.count);
    if (a.panel != b.panel)
        return u"panel [%1], expected [%2]"_s.arg(a.panel.join(u'|'), b.panel.join(u'|'));
    return u"no difference"_s;
}

// What the panel shows of its record: the five boxes as a row click fills them.
QStringList recordInPanel(Form1 &w)
{
    const int index = ContactTable::indexOfKey(w.Frame3->currentKey());
    if (!w.table().contains(index) || !w.table().isLive(index))
        return {};
    const ContactRecord &r = w.table()[index];
    return {r.FullName, r.Mobile, r.Landline, r.QQ, r.Email};
}

#define COMPARE_STATE(actual, expected)                                                                                \
    do {                                                                                                               \
        const WindowState a_ = (actual), e_ = (expected);                                                              \
        QVERIFY2(a_ == e_, qPrintable(difference(a_, e_)));                                                            \
    } while (false)

} // namespace

class TestUndo : public QObject {
    Q_OBJECT

    testing::TempFolder m_dir;
    testing::TestPrompter m_prompter;
    std::unique_ptr<Form1> m_window;

    Form1 &w() { return *m_window; }

    void open(const QByteArray &book) { w().打开单个VCF文件(m_dir.write(u"book.vcf"_s, book)); }

    int rowOfName(const QString &name)
    {
        for (int row = 0; row < w().listModel().rowCount(); ++row) {
            if (w().listModel().cell(row, NameColumn) == name)
                return row;
        }
        return -1;
    }

    void select(int row)
    {
        w().ListView1->selectRow(row);
        w().rowClicked(row);
    }

    void addContact(const QString &name, const QString &mobile)
    {
        testing::whileOpen<AddUser>(this, [&](AddUser *dialog) {
            dialog->Text3->setText(name);
            dialog->Text4->setText(mobile);
            QTest::mouseClick(dialog->Command6, Qt::LeftButton);
        });
        w().添加联系人();
    }

    // Runs a command as the user would; its answers are queued first.
    void run(const QString &command)
    {
        if (command == u"保存全部信息")
            w().Text4->setText(u"13611112222"_s), w().保存全部信息();
        else if (command == u"添加联系人")
            addContact(u"新人"_s, u"135 0000 0000"_s);
        else if (command == u"删除联系人")
            w().删除选中项();
        else if (command == u"删除姓名中的空格")
            w().删除姓名中的空格();
        else if (command == u"删除手机号码中的空格")
            w().删除号码中的空格(false);
        else if (command == u"删除座机号码中的空格")
            w().删除号码中的空格(true);
        else if (command == u"删除座机号前面的区号")
            m_prompter.inputAnswers.enqueue(u"0755"_s), w().删除座机号前面的区号();
        else if (command == u"移动手机栏中的座机号码到座机栏")
            w().移动手机栏中的座机号码到座机栏();
        else if (command == u"移动座机栏中的手机号码到手机栏")
            w().移动座机栏中的手机号码到手机栏();
        else if (command == u"红色标示重复姓名")
            w().红色标示重复(NameColumn);
        else if (command == u"红色标示重复手机号")
            w().红色标示重复(MobileColumn);
        else if (command == u"红色标示重复座机号")
            w().红色标示重复(LandlineColumn);
        else if (command == u"自动给重复姓名后加序号")
            w().自动给重复姓名后加序号();
        else if (command == u"删除重复条目, then the blanks")
            m_prompter.answers.enqueue(Answer::Yes), w().删除姓名手机座机全部重复项();
        else if (command == u"删除重复条目, blanks kept")
            m_prompter.answers.enqueue(Answer::No), w().删除姓名手机座机全部重复项();
        else if (command == u"删除空白项")
            w().删除空白项();
        else if (command == u"附加导入VCF文件") {
            m_prompter.openAnswers.enqueue(
                {m_dir.write(u"more.vcf"_s, card(u"周八"_s, u"13300000000"_s) + card(u"王五"_s, u"13800138000"_s))});
            w().附加导入VCF文件();
        } else
            QFAIL(qPrintable(u"no command "_s + command));
    }

private Q_SLOTS:
    void initTestCase()
    {
        product::Configuration configuration = product::Configuration::builtIn();
        configuration.updateCheck = false;
        product::setConfiguration(configuration);
    }

    void init()
    {
        m_prompter.forget();
        m_window = std::make_unique<Form1>(m_prompter);
        w().show();
        w().startUp({});
        open(untidyBook());
        QCOMPARE(w().undoStack().count(), 0);
    }
    void cleanup() { m_window.reset(); }

    void eachCommandGoesBackAndForth_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("step");     // the step's name in the menu
        QTest::addColumn<QString>("selected"); // the contact clicked first
        const QString untouched = u"赵六"_s;
        QTest::newRow("save") << u"保存全部信息"_s << u"保存全部信息"_s << u"赵六"_s;
        QTest::newRow("add") << u"添加联系人"_s << u"添加联系人"_s << untouched;
        QTest::newRow("delete") << u"删除联系人"_s << u"删除联系人"_s << u"赵六"_s;
        for (const QString &tool :
             {u"删除姓名中的空格"_s, u"删除手机号码中的空格"_s, u"删除座机号码中的空格"_s, u"删除座机号前面的区号"_s,
              u"移动手机栏中的座机号码到座机栏"_s, u"移动座机栏中的手机号码到手机栏"_s, u"红色标示重复姓名"_s,
              u"红色标示重复手机号"_s, u"红色标示重复座机号"_s, u"自动给重复姓名后加序号"_s})
            QTest::newRow(qPrintable(tool)) << tool << tool << u"张 三"_s;
        QTest::newRow("duplicates, blanks cleared")
            << u"删除重复条目, then the blanks"_s << u"删除重复条目"_s << u"张 三"_s;
        QTest::newRow("duplicates, blanks kept") << u"删除重复条目, blanks kept"_s << u"删除重复条目"_s << u"张 三"_s;
        QTest::newRow("import") << u"附加导入VCF文件"_s << u"附加导入VCF文件"_s << u"王五"_s;
    }
    void eachCommandGoesBackAndForth()
    {
        QFETCH(QString, command);
        QFETCH(QString, step);
        QFETCH(QString, selected);
        w().sortByHeader(MobileColumn); // a sorted list, to be kept
        select(rowOfName(selected));
        const WindowState before = stateOf(w());
        QCOMPARE(w().windowTitle(), u"卡舟手机电话簿管理器 V2.0.801"_s);

        run(command);
        const WindowState after = stateOf(w());
        QVERIFY2(!before.sameContacts(after), "the command changed nothing");
        QCOMPARE(w().undoStack().count(), 1);
        QCOMPARE(w().menu撤销->text(), u"撤销 "_s + step);
        QVERIFY(w().menu撤销->isEnabled());
        QVERIFY(!w().menu重做->isEnabled());
        QCOMPARE(w().windowTitle(), u"卡舟手机电话簿管理器 V2.0.801*"_s);

        w().menu撤销->trigger();
        COMPARE_STATE(stateOf(w()), before);
        QCOMPARE(w().menu重做->text(), u"重做 "_s + step);
        QVERIFY(!w().menu撤销->isEnabled());
        QCOMPARE(w().windowTitle(), u"卡舟手机电话簿管理器 V2.0.801"_s);

        // Redone, the panel shows its record as the command left it (a command that emptied it leaves it filled).
        w().menu重做->trigger();
        const WindowState redone = stateOf(w());
        QVERIFY2(redone.sameContacts(after), qPrintable(difference(redone, after)));
        QVERIFY(redone.panel == after.panel || redone.panel.mid(0, 5) == recordInPanel(w()));
        w().menu撤销->trigger();
        COMPARE_STATE(stateOf(w()), before);
    }

    // Blanks left by duplicate removal: taking them out of the list is a step of its own.
    void blankRemovalIsAStep()
    {
        run(u"删除重复条目, blanks kept"_s);
        const WindowState withBlanks = stateOf(w());
        run(u"删除空白项"_s);
        QCOMPARE(w().undoStack().count(), 2);
        QCOMPARE(w().menu撤销->text(), u"撤销 删除空白项"_s);
        w().menu撤销->trigger();
        COMPARE_STATE(stateOf(w()), withBlanks);
    }

    void commandsThatChangeNothingAreNoSteps()
    {
        w().删除空白项(); // nothing blank, the list already shows every contact
        m_prompter.inputAnswers.enqueue(u"07"_s);
        w().删除座机号前面的区号(); // refused
        w().ListView1->clearSelection();
        w().删除选中项();
        run(u"删除姓名中的空格"_s);
        run(u"删除姓名中的空格"_s); // no spaces left
        QCOMPARE(w().undoStack().count(), 1);
        w().显示查找数据到LV(u"姓名"_s, u"王"_s); // fills and sorts are not steps
        w().sortByHeader(NameColumn);
        QCOMPARE(w().undoStack().count(), 1);
    }

    // A deleted contact comes back in its row, under its old key.
    void undoneDeleteKeepsItsKey()
    {
        const int row = rowOfName(u"赵六"_s);
        const QString key = w().listModel().keyAt(row);
        select(row);
        w().删除选中项();
        QCOMPARE(rowOfName(u"赵六"_s), -1);
        w().menu撤销->trigger();
        QCOMPARE(rowOfName(u"赵六"_s), row);
        QCOMPARE(w().listModel().keyAt(row), key);
        QCOMPARE(w().Text3->text(), u"赵六"_s); // the panel shows it again
        // An added contact, undone, frees its index for the next one.
        addContact(u"甲"_s, u"1"_s);
        const int upper = w().table().upperIndex();
        w().menu撤销->trigger();
        QCOMPARE(w().table().upperIndex(), upper - 1);
        addContact(u"乙"_s, u"2"_s);
        QCOMPARE(w().table().upperIndex(), upper);
        QVERIFY(!w().menu重做->isEnabled()); // a new step drops what was undone
    }

    // The panel of a contact the undo takes away is emptied, and a save then has nowhere to go.
    void panelOfAnUndoneAdd()
    {
        addContact(u"新人"_s, u"135"_s);
        select(rowOfName(u"新人"_s));
        QCOMPARE(w().Text3->text(), u"新人"_s);
        w().menu撤销->trigger();
        QCOMPARE(w().Text3->text(), QString());
        w().Text3->setText(u"写回"_s);
        w().保存全部信息();
        QCOMPARE(m_prompter.shown.last().text, u"记录不存在，不能保存！"_s);
        QCOMPARE(w().undoStack().count(), 1);
    }

    void openingAndClearingForgetTheHistory()
    {
        run(u"删除姓名中的空格"_s);
        open(untidyBook());
        QCOMPARE(w().undoStack().count(), 0);
        QVERIFY(!w().menu撤销->isEnabled());
        QVERIFY(!w().windowTitle().endsWith(u'*'));
        run(u"删除姓名中的空格"_s);
        w().清空全部();
        QCOMPARE(w().undoStack().count(), 0);
        QVERIFY(!w().windowTitle().endsWith(u'*'));
    }

    // "*" marks changes not exported since the book was opened.
    void exportedBookIsClean()
    {
        run(u"删除姓名中的空格"_s);
        QVERIFY(w().windowTitle().endsWith(u'*'));
        m_prompter.saveAnswers.enqueue(m_dir.filePath(u"out.txt"_s));
        w().导出列表到文本文件(); // the text list is not the book
        QVERIFY(w().windowTitle().endsWith(u'*'));
        m_prompter.saveAnswers.enqueue(m_dir.filePath(u"out.vcf"_s));
        w().导出列表到号码簿VCF文件();
        QCOMPARE(w().windowTitle(), u"卡舟手机电话簿管理器 V2.0.801"_s);
        run(u"删除手机号码中的空格"_s);
        QVERIFY(w().windowTitle().endsWith(u'*'));
        w().menu撤销->trigger();
        QVERIFY(!w().windowTitle().endsWith(u'*'));
        w().menu撤销->trigger();
        QVERIFY(w().windowTitle().endsWith(u'*'));
        // A failed export leaves it as it was.
        m_prompter.saveAnswers.enqueue(m_dir.filePath(u"no/such/folder/out.vcf"_s));
        w().导出列表到号码簿VCF文件();
        QVERIFY(w().windowTitle().endsWith(u'*'));
    }

    // Nothing replaces the list while it holds changes not yet exported unless the user gives them up: 否 keeps the
    // list, the book's path and the undo history; 是 goes on as before.
    void replacingTheListAsksFirst()
    {
        const QString other = m_dir.write(u"other.vcf"_s, card(u"周八"_s, u"13300000000"_s));
        const QString book = w().Text1->text();
        const int rows = w().listModel().rowCount();
        run(u"删除姓名中的空格"_s);
        const auto unchanged = [&] {
            QCOMPARE(m_prompter.shown.last().text, u"当前列表有尚未导出的修改，要放弃这些修改吗？"_s);
            QCOMPARE(w().Text1->text(), book);
            QCOMPARE(w().listModel().rowCount(), rows);
            QCOMPARE(w().undoStack().count(), 1);
        };
        m_prompter.answers.enqueue(Answer::No);
        w().清空全部();
        unchanged();
        m_prompter.answers.enqueue(Answer::No);
        w().openFromOutside(other);
        unchanged();
        m_prompter.openAnswers.enqueue({other});
        m_prompter.answers.enqueue(Answer::No);
        w().打开VCF文件();
        unchanged();
        m_prompter.answers.enqueue(Answer::Yes);
        w().openFromOutside(other);
        QCOMPARE(w().Text1->text(), other);
        QCOMPARE(w().listModel().rowCount(), 1);
        QCOMPARE(w().undoStack().count(), 0);
        // Without changes, clearing asks nothing.
        const qsizetype shown = m_prompter.shown.size();
        w().清空全部();
        QCOMPARE(m_prompter.shown.size(), shown);
        QCOMPARE(w().listModel().rowCount(), 0);
    }

    // Quitting with changes not yet exported asks first; 否 keeps the window, its list and its history.
    void quitAsksWhileChangesAreNotExported()
    {
        w().show();
        QVERIFY(w().close()); // nothing changed: no question
        QCOMPARE(m_prompter.shown.size(), 0);
        w().show();
        run(u"删除姓名中的空格"_s);
        const qsizetype before = m_prompter.shown.size();
        m_prompter.answers.enqueue(Answer::No);
        QVERIFY(!w().close());
        QCOMPARE(m_prompter.shown.size(), before + 1);
        QCOMPARE(m_prompter.shown.last().text, u"当前列表有尚未导出的修改，确定要退出吗？"_s);
        QVERIFY(w().isVisible());
        QCOMPARE(w().undoStack().count(), 1);
        m_prompter.answers.enqueue(Answer::Yes);
        QVERIFY(w().close());
        QVERIFY(!w().isVisible());
    }

    void keyboard()
    {
        run(u"删除姓名中的空格"_s);
        const WindowState after = stateOf(w());
        w().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w()));
        QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w().undoStack().index(), 0);
        QTest::keyClick(&w(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w().undoStack().index(), 1);
        QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(&w(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        COMPARE_STATE(stateOf(w()), after);
    }

    // Random commands, fills, undos and redos on random books, against full copies of the state before and after
    // each step.
    void randomSequences()
    {
        const QStringList commands = {u"保存全部信息"_s,
                                      u"添加联系人"_s,
                                      u"删除联系人"_s,
                                      u"删除姓名中的空格"_s,
                                      u"删除手机号码中的空格"_s,
                                      u"删除座机号码中的空格"_s,
                                      u"删除座机号前面的区号"_s,
                                      u"移动手机栏中的座机号码到座机栏"_s,
                                      u"移动座机栏中的手机号码到手机栏"_s,
                                      u"红色标示重复姓名"_s,
                                      u"红色标示重复手机号"_s,
                                      u"红色标示重复座机号"_s,
                                      u"自动给重复姓名后加序号"_s,
                                      u"删除重复条目, then the blanks"_s,
                                      u"删除重复条目, blanks kept"_s,
                                      u"删除空白项"_s,
                                      u"附加导入VCF文件"_s};
        for (quint32 seed = 1; seed <= 12; ++seed) {
            QRandomGenerator random(seed);
            ContactTable book;
            QList<int> all;
            for (ContactRecord &r : testing::generateContacts({.contacts = 40,
                                    .photoPercent = 5,
                                    .photoMinBytes = 64,
                                    .photoMaxBytes = 256,
                                    .repeatPercent = 25,
                                    .seed = seed}))
                all << book.append(std::move(r));
            QFile file(m_dir.filePath(u"random.vcf"_s));
            QVERIFY(file.open(QIODevice::WriteOnly) && writeVCards(book, all, file));
            file.close();
            w().打开单个VCF文件(file.fileName());

            struct Step {
                WindowState before, after;
            };
            std::vector<Step> steps;
            std::size_t done = 0;
            for (int op = 0; op < 70; ++op) {
                const int choice = int(random.bounded(100));
                const QString context = u"seed %1, operation %2"_s.arg(seed).arg(op);
                if (choice < 18) {
                    QCOMPARE(w().menu撤销->isEnabled(), done > 0);
                    if (done == 0)
                        continue;
                    w().menu撤销->trigger();
                    --done;
                    const WindowState now = stateOf(w());
                    QVERIFY2(now.sameContacts(steps[done].before),
                             qPrintable(context + u": "_s + difference(now, steps[done].before)));
                } else if (choice < 30) {
                    QCOMPARE(w().menu重做->isEnabled(), done < steps.size());
                    if (done == steps.size())
                        continue;
                    w().menu重做->trigger();
                    const WindowState now = stateOf(w());
                    QVERIFY2(now.sameContacts(steps[done].after),
                             qPrintable(context + u": "_s + difference(now, steps[done].after)));
                    ++done;
                } else if (choice < 40) {
                    switch (random.bounded(3)) {
                    case 0: w().显示全部数据到LV(); break;
                    case 1: w().显示查找数据到LV(u"[全部]"_s, QString(QChar(u'0' + random.bounded(10)))); break;
                    default: w().sortByHeader(int(random.bounded(kContactColumns)));
                    }
                    QCOMPARE(std::size_t(w().undoStack().count()), steps.size());
                } else {
                    if (w().listModel().rowCount() > 0)
                        select(int(random.bounded(w().listModel().rowCount())));
                    const QString command = commands[int(random.bounded(commands.size()))];
                    if (command == u"删除座机号前面的区号")
                        m_prompter.inputAnswers.enqueue(random.bounded(2) ? u"0755"_s : u"0571"_s);
                    const WindowState before = stateOf(w());
                    if (command == u"保存全部信息")
                        w().Text5->setText(u"0571-%1"_s.arg(random.bounded(100)));
                    if (command == u"删除座机号前面的区号") {
                        w().删除座机号前面的区号();
                    } else {
                        run(command);
                        if (command == u"删除座机号前面的区号")
                            m_prompter.inputAnswers.clear();
                    }
                    const WindowState after = stateOf(w());
                    if (!before.sameContacts(after)) {
                        steps.resize(done);
                        steps.push_back({before, after});
                        ++done;
                    }
                    QVERIFY2(std::size_t(w().undoStack().count()) == steps.size() &&
                                 std::size_t(w().undoStack().index()) == done,
                             qPrintable(context + u": "_s + command));
                }
                // The panel never shows a contact otherwise than the table holds it.
                const int shown = ContactTable::indexOfKey(w().Frame3->currentKey());
                if (shown > 0 && !w().Frame3->recordGone() && w().table().contains(shown) && w().table().isLive(shown))
                    QVERIFY2(w().Text3->text() == w().table()[shown].FullName || w().Text3->text().isEmpty() ||
                                 w().Frame3->findChild<QPushButton *>(u"Command6"_s)->isEnabled(),
                             qPrintable(context));
            }
        }
    }
};

QTEST_MAIN(TestUndo)
#include "tst_undo.moc"
