// SPDX-License-Identifier: GPL-3.0-or-later
// The fast reader and writer against their plain twins: every book the tests know, thousands of random ones, read
// whole and a piece at a time with helper threads, must give the same records, kept lines and bytes.
#include "contacts/contacttable.h"
#include "contacts/vcardstream.h"
#include "contacts/vcardwriter.h"
#include "support/describe.h"
#include "support/generatedbook.h"
#include "support/plainvcard.h"
#include "support/randombook.h"
#include "support/tempfolder.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

QStringList described(const std::vector<ContactRecord> &records)
{
    QStringList out;
    for (const ContactRecord &r : records)
        out << describeAll(r);
    return out;
}

QStringList described(const ContactTable &table)
{
    QStringList out;
    for (int i = 1; i <= table.upperIndex(); ++i)
        out << describeAll(table[i]);
    return out;
}

QList<int> allOf(const ContactTable &table)
{
    QList<int> all;
    for (int i = 1; i <= table.upperIndex(); ++i)
        all << i;
    return all;
}

// The first line where two texts differ, for a failure message that says where.
QByteArray firstDifference(const QByteArray &a, const QByteArray &b)
{
    const QList<QByteArray> x = a.split('\n'), y = b.split('\n');
    for (qsizetype i = 0; i < std::max(x.size(), y.size()); ++i) {
        const QByteArray l = x.value(i, "<end>"), r = y.value(i, "<end>");
        if (l != r)
            return "line " + QByteArray::number(i + 1) + ": " + l.left(200) + "  <>  " + r.left(200);
    }
    return {};
}

// Reads the bytes with the fast reader, whole and fed in pieces of `piece` bytes with one helper thread taking
// batches of any size, and with the plain reader; all must agree, and both writers on what was read.
void compare(QByteArrayView bytes, qsizetype piece)
{
    const plain::Book expected = plain::readBook(bytes);
    ContactTable whole;
    const ParseResult parsed = splitAndParse(bytes, whole);
    if (const QString path = qEnvironmentVariable("VECARDIA_TEST_FAILED_BOOK");
        !path.isEmpty() && described(whole) != described(expected.records)) {
        // Both readings whole, beside the book, for a failure that the comparison shows cut short.
        for (const auto &[suffix, records] : {std::pair{u".fast"_s, described(whole)},
                                              std::pair{u".plain"_s, described(expected.records)}}) {
            QFile file(path + suffix);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(records.join(u'\n').toUtf8());
        }
    }
    QCOMPARE(described(whole), described(expected.records));
    QCOMPARE(parsed.unread, expected.unread);
    QCOMPARE(parsed.appended, whole.upperIndex());

    ContactTable pieces;
    ParseResult streamed;
    for (vcard::CharsetPass pass;;) {
        CardStream stream(pieces, bytes.size(), CardSharing{1, 0}, pass);
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            stream.feed(bytes.sliced(at, std::min(piece, bytes.size() - at)));
        streamed = stream.finish();
        const std::optional<vcard::CharsetPass> next = vcard::nextCharsetPass(pass, streamed.verdicts);
        if (!next)
            break;
        pieces.reset();
        pass = *next;
    }
    QCOMPARE(described(pieces), described(expected.records));
    QCOMPARE(streamed.unread, expected.unread);

    const QByteArray written = vcardText(whole, allOf(whole));
    const QByteArray plainWritten = plain::writeBook(expected.records);
    QVERIFY2(written == plainWritten, firstDifference(written, plainWritten).constData());
}

} // namespace

class TestDifferential : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // The golden books, the inputs the fuzzer found, its seeds and the sample book.
    void knownBooks_data()
    {
        QTest::addColumn<QString>("path");
        const QString data = QString::fromUtf8(VECARDIA_TEST_DATA);
        for (const QString &folder : {data + u"/books"_s, data + u"/fuzz"_s, QString::fromUtf8(VECARDIA_FUZZ_CORPUS),
                                      QString::fromUtf8(VECARDIA_SAMPLES)}) {
            for (const QString &file : QDir(folder).entryList({u"*.vcf"_s}, QDir::Files, QDir::Name))
                QTest::newRow(qPrintable(QDir(folder).dirName() + u'/' + file)) << folder + u'/' + file;
        }
    }
    void knownBooks()
    {
        QFETCH(QString, path);
        const QByteArray bytes = testing::TempFolder::contents(path);
        for (qsizetype piece : {qsizetype(1), qsizetype(7), qsizetype(4096)})
            compare(bytes, piece);
    }

    // Records as the panel, the tools and the reader leave them, written by both writers.
    void randomRecordsWriteTheSame()
    {
        QRandomGenerator random(1210);
        const QStringList texts = {u"Zhang;San Feng"_s,
                                   u"Smith, John Q"_s,
                                   u"a\\b"_s,
                                   u"two\nlines"_s,
                                   u"x BEGIN:VCARD y"_s,
                                   u"张三"_s,
                                   u"😀"_s,
                                   QString(QChar(0xD800)),
                                   u" spaced "_s,
                                   u""_s};
        const QStringList kept = {u""_s, u"N:Own;Name;;;\n"_s, u"EMAIL;TYPE=HOME:h@x\nORG:Acme\n"_s,
                                  u"item1.EMAIL;type=WORK:w@x\n"_s, u"NOTE:"_s + QString(200, u'长') + u"\n"_s};
        std::vector<ContactRecord> records = testing::generateContacts({.contacts = 2500, .seed = 1210});
        for (ContactRecord &r : records) {
            const auto pick = [&](const QStringList &from) { return from[random.bounded(int(from.size()))]; };
            if (random.bounded(2))
                r.FullName = pick(texts);
            if (random.bounded(4) == 0)
                r.Email = QStringList{u"a@x"_s, u"a@x b@y"_s, u"a@x b@y c@z d@w"_s, pick(texts)}[random.bounded(4)];
            if (random.bounded(4) == 0)
                r.Categories = pick(texts) + u"| |"_s + pick(texts) + u'|';
            r.Kept = pick(kept);
        }
        ContactTable table;
        QList<int> all;
        for (const ContactRecord &r : records)
            all << table.append(ContactRecord(r));
        const QByteArray written = vcardText(table, all);
        const QByteArray plainWritten = plain::writeBook(records);
        QVERIFY2(written == plainWritten, firstDifference(written, plainWritten).constData());
    }

    void randomBooks()
    {
        // VECARDIA_TEST_SEED tries other books than the ones CI reads.
        const quint32 seed = quint32(qEnvironmentVariableIntValue("VECARDIA_TEST_SEED"));
        QRandomGenerator random(seed != 0 ? seed : 20261209);
        for (int round = 0; round < 3000; ++round) {
            const QByteArray book = testing::randomVCardBook(random);
            compare(book, 1 + random.bounded(64));
            if (QTest::currentTestFailed()) {
                qWarning("book %d:\n%s", round, book.constData());
                testing::keepFailedBook(book);
                return;
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestDifferential)
#include "tst_differential.moc"
