// The main window's commands on a book of generated contacts without photos (VECARDIA_BENCH_CONTACTS, default
// 100000), offscreen: opening, the list operations, a row click and a save, and the vCard export.

#include "app/form1.h"
#include "contacts/contacttable.h"
#include "contacts/vcardwriter.h"
#include "support/generatedbook.h"
#include "ui/contactlistmodel.h"
#include "ui/prompter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

class BenchPrompter final : public Prompter {
public:
    QString savePath;
    Answer message(const QString &, Icon, Buttons, const QString &) override { return Answer::Yes; }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    QStringList openFiles(const FileDialog &) override { return {}; }
    QString saveFile(const FileDialog &) override { return savePath; }
};

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

template<typename F>
void measure(const char *what, double targetSeconds, F &&work)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
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
    QApplication app(argc, argv);
    const int n = qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS") > 0
                      ? qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS")
                      : 100000;
    QTemporaryDir dir;
    const QString book = dir.filePath(u"book.vcf"_s);
    {
        ContactTable table;
        QList<int> all;
        for (ContactRecord &r : testing::generateContacts({.contacts = n, .photoPercent = 0, .seed = 5}))
            all << table.append(std::move(r));
        QFile file(book);
        if (!file.open(QIODevice::WriteOnly) || !writeVCards(table, all, file))
            return 1;
    }
    std::printf("book of %d contacts without photos\n", n);

    BenchPrompter prompter;
    prompter.savePath = dir.filePath(u"out.vcf"_s);
    Form1 window(prompter);
    window.show();
    window.startUp({});
    QApplication::processEvents();

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
    std::printf("RESULT peak memory %.0f MB (target 300 MB)\n", peakMb());
    return 0;
}
