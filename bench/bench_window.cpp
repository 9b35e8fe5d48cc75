// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands on a book of generated contacts (VECARDIA_BENCH_CONTACTS, default 100000; with
// VECARDIA_BENCH_PHOTOS percent of them with a photo, default none), offscreen: opening, the list operations, a row
// click and a save, the vCard export, the cleanup tools and a batch find. The program's own start-up settings apply
// (huge pages for the allocator).

#include "app/mainwindow.h"
#include "contacts/contacttable.h"
#include "contacts/vcardwriter.h"
#include "model/contactlistmodel.h"
#include "runtime/hugepages.h"
#include "support/generatedbook.h"
#include "tools/batchfind.h"
#include "ui/prompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

class BenchPrompter final : public Prompter {
public:
    QString savePath;
    QString inputAnswer;
    Answer message(const QString &, Icon, Buttons, const QString &) override { return Answer::No; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return inputAnswer; }
    QStringList openFiles(const FileDialog &) override { return {}; }
    QString saveFile(const FileDialog &) override { return savePath; }
};

// Gives freed memory back and starts a new peak.
void resetPeak()
{
    malloc_trim(0);
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double peakMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

template<typename F, typename Setup = void (*)()>
void measure(
    const char *what, double targetSeconds, F &&work, Setup &&setup = [] {})
{
    // VECARDIA_BENCH_ONLY=text measures only the commands whose name holds the text.
    const QByteArray only = qgetenv("VECARDIA_BENCH_ONLY");
    if (!only.isEmpty() && !QByteArray(what).contains(only))
        return;
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        setup();
        QElapsedTimer timer;
        timer.start();
        work();
        best = std::min(best, double(timer.nsecsElapsed()) / 1e9);
    }
    std::printf("RESULT %-28s %8.1f ms   (target %.0f ms)\n", what, best * 1000.0, targetSeconds * 1000.0);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    startWithHugePagesIfAsked(argv);
    QApplication app(argc, argv);
    const int n = qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS") > 0
                      ? qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS")
                      : 100000;
    const int photos = qEnvironmentVariableIntValue("VECARDIA_BENCH_PHOTOS");
    QTemporaryDir dir;
    // VECARDIA_BENCH_BOOK names a book file: read when it exists, else written there, so a second run of a large
    // book skips making it.
    QString book = qEnvironmentVariable("VECARDIA_BENCH_BOOK");
    if (book.isEmpty() || !QFileInfo::exists(book)) {
        if (book.isEmpty())
            book = dir.filePath(u"book.vcf"_s);
        ContactTable table;
        QList<int> all;
        for (ContactRecord &r :
             testing::generateContacts({.contacts = n, .photoPercent = photos, .repeatPercent = 5, .seed = 5}))
            all << table.append(std::move(r));
        QFile file(book);
        if (!file.open(QIODevice::WriteOnly) || !writeVCards(table, all, file))
            return 1;
    }
    std::printf("book of %d contacts, %d %% with photos, 5 %% repeated: %.0f MB\n", n, photos,
                double(QFileInfo(book).size()) / 1048576.0);

    BenchPrompter prompter;
    prompter.savePath = dir.filePath(u"out.vcf"_s);
    Form1 window(prompter);
    window.show();
    window.startUp({});
    QApplication::processEvents();

    // The first open, as a user meets it: memory that the process never had yet.
    resetPeak();
    QElapsedTimer first;
    first.start();
    window.打开单个VCF文件(book);
    QApplication::processEvents();
    std::printf("RESULT first open and show       %8.1f ms, peak %.0f MB\n", double(first.nsecsElapsed()) / 1e6,
                peakMb());
    measure("open and show", 1.0, [&] {
        window.打开单个VCF文件(book);
        QApplication::processEvents();
    });
    measure("show all", 0.3, [&] { window.显示全部数据到LV(); });
    measure("search [全部] 138", 0.3, [&] { window.显示查找数据到LV(u"[全部]"_s, u"138"_s); });
    window.显示全部数据到LV();
    int column = 0;
    measure("sort by a column", 0.3, [&] { window.sortByHeader(column++ % 3); });
    measure("column sizing", 0.3, [&] { window.AutoSizeColumns(); });
    measure("row click", 0.02, [&] { window.rowClicked(n / 2); });
    measure("save", 0.02, [&] {
        window.Text4->setText(u"13800000000"_s);
        window.保存全部信息();
    });
    measure("export listed as vCard", 0.5, [&] { window.导出列表到号码簿VCF文件(); });

    // The cleanup tools, each on the whole list (the sort included).
    measure("mark repeated names", 0.3, [&] { window.红色标示重复(ContactListModel::NameColumn); });
    measure("mark repeated mobiles", 0.3, [&] { window.红色标示重复(ContactListModel::MobileColumn); });
    measure("mark repeated landlines", 0.3, [&] { window.红色标示重复(ContactListModel::LandlineColumn); });
    measure("strip name spaces", 0.3, [&] { window.删除姓名中的空格(); });
    measure("strip mobile spaces", 0.3, [&] { window.删除号码中的空格(false); });
    measure("strip landline spaces", 0.3, [&] { window.删除号码中的空格(true); });
    prompter.inputAnswer = u"0755"_s;
    measure("delete area code", 0.3, [&] { window.删除座机号前面的区号(); });
    measure("move landlines", 0.3, [&] { window.移动手机栏中的座机号码到座机栏(); });
    measure("move mobiles", 0.3, [&] { window.移动座机栏中的手机号码到手机栏(); });
    measure(
        "number repeated names", 0.3, [&] { window.自动给重复姓名后加序号(); }, [&] { window.显示全部数据到LV(); });
    measure(
        "delete full duplicates", 0.3, [&] { window.删除姓名手机座机全部重复项(); },
        [&] {
            window.打开单个VCF文件(book); // the same duplicates for each run
        });
    window.显示全部数据到LV();
    QString numbers;
    for (int q = 0; q < 1000; ++q)
        numbers += QString(window.table()[1 + q * (n / 1000)].Mobile).remove(u' ').right(11) + u"\r\n"_s;
    ContactListModel &list = window.listModel();
    measure("batch find of 1000 numbers", 0.5,
            [&] { list.showIndexes(tools::batchFind(window.table(), numbers).listed); });
    std::printf("RESULT peak memory %.0f MB (target 300 MB)\n", peakMb());
    return 0;
}
