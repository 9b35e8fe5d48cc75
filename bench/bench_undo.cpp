// SPDX-License-Identifier: GPL-3.0-or-later
// Undo and redo on a book of generated contacts (VECARDIA_BENCH_CONTACTS, default 100000), offscreen: the time to
// undo and redo each tool, and the memory of a hundred steps of duplicate removal over the whole list.

#include "app/mainwindow.h"
#include "contacts/contacttable.h"
#include "contacts/vcardwriter.h"
#include "model/contactlistmodel.h"
#include "support/generatedbook.h"
#include "ui/prompter.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QUndoStack>

#include <algorithm>
#include <cstdio>
#include <functional>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

class BenchPrompter final : public Prompter {
public:
    QStringList openAnswer;
    QString inputAnswer;
    Answer message(const QString &, Icon, Buttons, const QString &) override { return Answer::No; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return inputAnswer; }
    QStringList openFiles(const FileDialog &) override { return openAnswer; }
    QString saveFile(const FileDialog &) override { return {}; }
};

double residentMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

bool writeBook(const QString &path, std::vector<ContactRecord> records)
{
    ContactTable table;
    QList<int> all;
    for (ContactRecord &r : records)
        all << table.append(std::move(r));
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && writeVCards(table, all, file);
}

double seconds(const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int n = qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS") > 0
                      ? qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS")
                      : 100000;
    QTemporaryDir dir;
    const QString book = dir.filePath(u"book.vcf"_s);
    std::vector<ContactRecord> contacts =
        testing::generateContacts({.contacts = n, .photoPercent = 0, .repeatPercent = 5, .seed = 5});
    if (!writeBook(book, contacts))
        return 1;
    std::printf("book of %d contacts without photos, 5 %% repeated\n", n);

    BenchPrompter prompter;
    Form1 window(prompter);
    window.show();
    window.startUp({});
    window.打开单个VCF文件(book);
    QApplication::processEvents();

    // Each tool on the whole list, then its undo and its redo (best of three).
    prompter.inputAnswer = u"0755"_s;
    const std::vector<std::pair<const char *, std::function<void()>>> tools = {
        {"mark repeated names", [&] { window.红色标示重复(ContactListModel::NameColumn); }},
        {"strip mobile spaces", [&] { window.删除号码中的空格(false); }},
        {"delete area code", [&] { window.删除座机号前面的区号(); }},
        {"move landlines", [&] { window.移动手机栏中的座机号码到座机栏(); }},
        {"number repeated names", [&] { window.自动给重复姓名后加序号(); }},
        {"delete full duplicates", [&] { window.删除姓名手机座机全部重复项(); }},
    };
    double worst = 0;
    for (const auto &[what, tool] : tools) {
        window.显示全部数据到LV();
        const int before = window.undoStack().count();
        tool();
        if (window.undoStack().count() == before) {
            std::printf("RESULT %-28s no step (nothing changed)\n", what);
            continue;
        }
        double undo = 1e9, redo = 1e9;
        for (int run = 0; run < 3; ++run) {
            undo = std::min(undo, seconds([&] { window.menu撤销->trigger(); }));
            redo = std::min(redo, seconds([&] { window.menu重做->trigger(); }));
        }
        worst = std::max({worst, undo, redo});
        std::printf("RESULT %-28s undo %7.1f ms   redo %7.1f ms   (target 300 ms)\n", what, undo * 1000, redo * 1000);
        std::fflush(stdout);
    }
    std::printf("RESULT worst undo or redo %.1f ms (target 300 ms)\n", worst * 1000);

    // A hundred rounds of: import 100 copies of listed contacts, delete the duplicates (blanks kept). The list is
    // the whole book each time.
    window.打开单个VCF文件(book);
    QApplication::processEvents();
    const double rssBefore = residentMb();
    QElapsedTimer total;
    total.start();
    for (int round = 0; round < 100; ++round) {
        std::vector<ContactRecord> copies(contacts.begin() + round * 100 % (n - 100),
                                          contacts.begin() + round * 100 % (n - 100) + 100);
        const QString more = dir.filePath(u"more%1.vcf"_s.arg(round));
        if (!writeBook(more, std::move(copies)))
            return 1;
        prompter.openAnswer = {more};
        window.附加导入VCF文件();
        window.删除姓名手机座机全部重复项();
    }
    const int steps = window.undoStack().count();
    const double rssAfter = residentMb();
    const double undoAll = seconds([&] {
        while (window.undoStack().canUndo())
            window.undoStack().undo();
    });
    const double redoAll = seconds([&] {
        while (window.undoStack().canRedo())
            window.undoStack().redo();
    });
    // The history's own bytes (its lists, changes and the texts only it keeps), and what the process gives back
    // when the history goes.
    const double history = double(window.historyBytes()) / 1e6;
    malloc_trim(0); // what is free already is not the history's
    const double withHistory = residentMb();
    window.undoStack().clear();
    malloc_trim(0);
    std::printf("RESULT 100 duplicate removals     %d steps in %.1f s: history %.1f MB, %.1f MB given back when it "
                "goes (target 50 MB); resident +%.1f MB over the rounds, imported contacts included\n",
                steps, double(total.elapsed()) / 1000.0, history, withHistory - residentMb(), rssAfter - rssBefore);
    std::printf("RESULT undo all %d steps       %.1f ms, redo all %.1f ms (%.1f ms a step)\n", steps, undoAll * 1000,
                redoAll * 1000, (undoAll + redoAll) * 1000 / std::max(1, 2 * steps));
    return 0;
}
