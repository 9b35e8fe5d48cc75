// SPDX-License-Identifier: GPL-3.0-or-later
// Reading, writing and text export of large generated contact books, with throughput and peak memory.
//
//   A: vCard 3.0 UTF-8, 10 % of the contacts with a 2-6 KB photo on one line
//   B: the same contacts without photos
//   C: vCard 2.1, CRLF, quoted-printable names, photos folded into 76-character lines
//
// VECARDIA_BENCH_CONTACTS sets the number of contacts (default 100000); VECARDIA_BENCH_ONLY=A (or AB, ...) makes
// only those books, for the million-contact runs.
//
// Every read is also given as a ratio to an in-process floor measured in the same run: the whole file read, converted
// with QString::fromUtf8 and split into lines (views, as a parser would take them), best of the same number of runs,
// taken in turns with them.

#include "contacts/contactfile.h"
#include "contacts/contacttable.h"
#include "contacts/textexport.h"
#include "contacts/vcardwriter.h"
#include "runtime/hugepages.h"
#include "support/generatedbook.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <malloc.h>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

int contactCount()
{
    const int n = qEnvironmentVariableIntValue("VECARDIA_BENCH_CONTACTS");
    return n > 0 ? n : 100000;
}

qint64 statusKb(const char *field)
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

// Gives freed memory back and starts a new peak, so each book's peak is its own.
void resetPeak()
{
    malloc_trim(0);
    QFile clear(u"/proc/self/clear_refs"_s);
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

double peakMb()
{
    return double(statusKb("VmHWM:")) / 1024.0;
}

QString booksWanted()
{
    const QString only = qEnvironmentVariable("VECARDIA_BENCH_ONLY");
    return only.isEmpty() ? u"ABC"_s : only.toUpper();
}

// The floor: what any reader of the whole file as text does at least. Returns the lines seen.
qsizetype floorRead(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray bytes = file.readAll();
    const QString text = QString::fromUtf8(bytes);
    std::vector<QStringView> lines;
    lines.reserve(std::size_t(bytes.size() / 16));
    for (QStringView line : QStringView(text).tokenize(u'\n'))
        lines.push_back(line);
    return qsizetype(lines.size());
}

QList<int> allIndexes(const ContactTable &table)
{
    QList<int> indexes;
    indexes.reserve(table.upperIndex());
    for (int i = 1; i <= table.upperIndex(); ++i)
        indexes << i;
    return indexes;
}

// The best of several runs; `work` times itself when it returns its seconds.
template<typename F>
double bestOf(int runs, F &&work)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        double seconds = double(timer.nsecsElapsed()) / 1e9;
        if constexpr (std::is_same_v<decltype(work()), double>)
            seconds = work();
        else
            work(), seconds = double(timer.nsecsElapsed()) / 1e9;
        best = std::min(best, seconds);
    }
    return best;
}

void report(const char *what, char book, double seconds, qint64 bytes, int contacts, double peak = -1)
{
    QByteArray line = QByteArray(what) + ' ' + book + ": " + QByteArray::number(seconds, 'f', 3) + " s, " +
                      QByteArray::number(double(bytes) / 1048576.0 / seconds, 'f', 0) + " MB/s, " +
                      QByteArray::number(double(contacts) / seconds / 1000.0, 'f', 0) + "k contacts/s";
    if (peak >= 0)
        line += ", peak " + QByteArray::number(peak, 'f', 0) + " MB";
    std::printf("RESULT %s\n", line.constData());
    std::fflush(stdout);
}

} // namespace

class BenchIo : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // VECARDIA_BENCH_BOOKS keeps the generated books in a folder, to profile a read on its own.
    QString bookPath(char book)
    {
        const QString kept = qEnvironmentVariable("VECARDIA_BENCH_BOOKS");
        return (kept.isEmpty() ? m_dir.path() : kept) + u'/' + QLatin1Char(book) + u".vcf"_s;
    }

private Q_SLOTS:
    void initTestCase()
    {
        const int n = contactCount();
        std::printf("books of %d contacts\n", n);
        for (char book : {'A', 'B', 'C'}) {
            if (!booksWanted().contains(QLatin1Char(book)))
                continue;
            QByteArray text;
            {
                const std::vector<ContactRecord> contacts =
                    testing::generateContacts({.contacts = n, .photoPercent = book == 'B' ? 0 : 10, .seed = 42});
                if (book == 'C') {
                    text = testing::vcard21Book(contacts);
                } else {
                    ContactTable table;
                    for (const ContactRecord &r : contacts)
                        (void)table.append(ContactRecord(r));
                    text = vcardText(table, allIndexes(table));
                }
            }
            QFile file(bookPath(book));
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(text), text.size());
            std::printf("book %c: %.1f MB\n", book, double(text.size()) / 1048576.0);
        }
    }

    void book_data()
    {
        QTest::addColumn<char>("book");
        for (char book : {'A', 'B', 'C'}) {
            if (booksWanted().contains(QLatin1Char(book)))
                QTest::newRow(QByteArray(1, book).constData()) << book;
        }
    }

    void book()
    {
        QFETCH(char, book);
        const QString path = bookPath(book);
        const qint64 bytes = QFileInfo(path).size();
        const int n = contactCount();

        resetPeak();
        const double baseline = double(statusKb("VmRSS:")) / 1024.0;
        ContactTable table;
        QElapsedTimer first;
        first.start();
        const ReadResult read = openContactFile(path, table);
        const double firstSeconds = double(first.nsecsElapsed()) / 1e9;
        const double loadedPeak = peakMb();
        QVERIFY(read.read);
        QCOMPARE(table.upperIndex(), n);
        std::printf("process before the read: %.0f MB\n", baseline);

        // Later reads reuse memory that the first one had to get from the system. They take turns with the floor,
        // so both see the machine in the same moments.
        report("first read", book, firstSeconds, bytes, n, loadedPeak);
        double readSeconds = firstSeconds, floorSeconds = 1e9;
        for (int turn = 0; turn < 5; ++turn) {
            table.reset();
            QElapsedTimer timer;
            timer.start();
            (void)openContactFile(path, table);
            readSeconds = std::min(readSeconds, double(timer.nsecsElapsed()) / 1e9);
            floorSeconds = std::min(floorSeconds, bestOf(1, [&] { QVERIFY(floorRead(path) > 0); }));
        }
        report("read", book, readSeconds, bytes, n);
        QTest::setBenchmarkResult(readSeconds * 1000.0, QTest::WalltimeMilliseconds);
        table.reset();
        malloc_trim(0);
        std::printf(
            "RESULT floor %c: %.3f s (read the file, QString::fromUtf8, split into lines); read / floor = %.2f, "
            "first read / floor = %.2f\n",
            book, floorSeconds, readSeconds / floorSeconds, firstSeconds / floorSeconds);
        std::fflush(stdout);
        if (book == 'C')
            return;
        QVERIFY(openContactFile(path, table).read);
        const QList<int> indexes = allIndexes(table);
        const QString out = m_dir.filePath(u"out.vcf"_s);
        resetPeak();
        const double writeSeconds =
            bestOf(5, [&] { QCOMPARE(writeVCardFile(table, indexes, out).outcome, SaveOutcome::Saved); });
        report("write", book, writeSeconds, QFileInfo(out).size(), n, peakMb());

        const QString txt = m_dir.filePath(u"out.txt"_s);
        resetPeak();
        const double textSeconds = bestOf(5, [&] {
            QVERIFY(writeTextFile(
                        table, [](int) { return true; }, txt)
                        .saved());
        });
        report("text export", book, textSeconds, QFileInfo(txt).size(), n, peakMb());
    }

    // A file of nothing but card starts holds no contact: reading it must take about twice its size at most.
    void cardStartsOnly()
    {
        const QString path = m_dir.filePath(u"starts.vcf"_s);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            const QByteArray block = QByteArray("BEGIN:VCARD\n").repeated(1 << 16);
            for (qint64 written = 0; written < (50 << 20); written += block.size())
                QCOMPARE(file.write(block), block.size());
        }
        const qint64 bytes = QFileInfo(path).size();
        resetPeak();
        const double before = double(statusKb("VmRSS:")) / 1024.0;
        ContactTable table;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(!openContactFile(path, table).read);
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        std::printf("RESULT card starts only: %.1f MB read in %.3f s, peak %.0f MB over the %.0f MB before (%.2f times "
                    "the file)\n",
                    double(bytes) / 1048576.0, seconds, peakMb() - before, before,
                    (peakMb() - before) / (double(bytes) / 1048576.0));
        std::fflush(stdout);
    }
};

// The program's own start-up settings apply (huge pages for the allocator when VECARDIA_HUGEPAGES=1 asks for them).
int main(int argc, char *argv[])
{
    startWithHugePagesIfAsked(argv);
    QCoreApplication app(argc, argv);
    BenchIo bench;
    return QTest::qExec(&bench, argc, argv);
}
#include "bench_io.moc"
