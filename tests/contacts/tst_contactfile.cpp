// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contactfile.h"
#include "contacts/contacttable.h"
#include "contacts/vcardstream.h"
#include "contacts/vcardwriter.h"
#include "encoding/charsetfile.h"
#include "support/describe.h"
#include "support/generatedbook.h"
#include "support/tempfolder.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

// The text as a UTF-16 file: byte-order mark first.
QByteArray utf16(QStringEncoder::Encoding encoding, const QString &text)
{
    QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
    return encoder.encode(text);
}

// A device that gives its bytes and then fails, as a disk or a network folder does half-way through a file.
class FailingDevice final : public QIODevice {
public:
    FailingDevice(QByteArray bytes, qint64 failAt) : m_bytes(std::move(bytes)), m_failAt(failAt)
    {
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return m_bytes.size(); }

protected:
    qint64 readData(char *data, qint64 most) override
    {
        if (pos() >= m_bytes.size())
            return 0;
        if (pos() >= m_failAt) {
            setErrorString(u"Input/output error"_s);
            return -1;
        }
        const qint64 n = std::min({most, m_failAt - pos(), qint64(m_bytes.size()) - pos()});
        std::memcpy(data, m_bytes.constData() + pos(), std::size_t(n));
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_failAt;
};

} // namespace

class TestContactFile : public QObject {
    Q_OBJECT

    testing::TempFolder m_dir;

private Q_SLOTS:
    void charsetIsDecidedByTheWholeFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        const QByteArray pad = "NOTE:" + QByteArray(3000, 'x') + "\n";
        QTest::newRow("utf-8") << "BEGIN:VCARD\nFN:\xE5\xBC\xA0\xE4\xB8\x89\nEND:VCARD\n"_ba << u"张三"_s;
        QTest::newRow("utf-8 with bom") << "\xEF\xBB\xBF"
                                           "BEGIN:VCARD\nFN:\xE5\xBC\xA0\nEND:VCARD\n"_ba
                                        << u"张"_s;
        QTest::newRow("utf-8 emoji") << "BEGIN:VCARD\nFN:A\xF0\x9F\x98\x80\nEND:VCARD\n"_ba << u"A😀"_s;
        // A file cut inside the last character: the card is read, the cut bytes shown as U+FFFD.
        QTest::newRow("utf-8 cut at the end") << "BEGIN:VCARD\nFN:A\xE5\xBC\xA0\xE4\xB8"_ba << u"A张\uFFFD\uFFFD"_s;
        QTest::newRow("gb2312") << "BEGIN:VCARD\nFN:\xD5\xC5\xC8\xFD\nEND:VCARD\n"_ba << u"张三"_s;
        QTest::newRow("gb2312 after a kilobyte of ascii")
            << "BEGIN:VCARD\n" + pad + "FN:\xD6\xEC\xE9\x46\xBB\xF9\nEND:VCARD\n"_ba << u"朱镕基"_s;
        // 摺 is DF A1 in GBK, which is also a well-formed UTF-8 pair: the bytes after it decide.
        QTest::newRow("gb2312 whose first character looks like utf-8")
            << "BEGIN:VCARD\nFN:\xDF\xA1\xD5\xC5\nEND:VCARD\n"_ba << u"摺张"_s;
        // A few PC address books write UTF-16 with a byte-order mark.
        QTest::newRow("utf-16 little-endian")
            << utf16(QStringEncoder::Utf16LE, u"BEGIN:VCARD\nFN:张😀\nEND:VCARD\n"_s) << u"张😀"_s;
        QTest::newRow("utf-16 big-endian")
            << utf16(QStringEncoder::Utf16BE, u"BEGIN:VCARD\r\nFN:张三\r\nEND:VCARD\r\n"_s) << u"张三"_s;
    }
    void charsetIsDecidedByTheWholeFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        const QString path = m_dir.write(u"c.vcf"_s, bytes);
        ContactTable table;
        QVERIFY(openContactFile(path, table).read);
        QCOMPARE(table.upperIndex(), 1);
        QCOMPARE(table[1].FullName, name);
        // Appending decides the same way.
        QVERIFY(importContactFile(path, table).read);
        QCOMPARE(table[2].FullName, name);
    }

    // A UTF-16 book is read from its text in UTF-8, half the size of the file: the table is sized from that text,
    // not from the file.
    void utf16BookTableFitsTheBook()
    {
        QString text;
        for (int i = 0; i < 2000; ++i)
            text += u"BEGIN:VCARD\nFN:张"_s + QString::number(i) + u"\nEND:VCARD\n"_s;
        const QString path = m_dir.write(u"u.vcf"_s, utf16(QStringEncoder::Utf16LE, text));
        ContactTable table;
        QCOMPARE(openContactFile(path, table).parsed.appended, 2000);
        QCOMPARE(table[2000].FullName, u"张1999"_s);
        QVERIFY2(table.room() < 500, QByteArray::number(table.room()).constData());
    }

    void openResetsAppendAdds()
    {
        const QString three = m_dir.write(u"three.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\nBEGIN:VCARD\nFN:B\nEND:VCARD\n"
                                                          "BEGIN:VCARD\nFN:C\nEND:VCARD\n"_ba);
        const QString two =
            m_dir.write(u"two.vcf"_s, "BEGIN:VCARD\nFN:D\nEND:VCARD\nBEGIN:VCARD\nFN:E\nEND:VCARD\n"_ba);
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"old"_s});
        QCOMPARE(openContactFile(three, table).parsed.appended, 3);
        QCOMPARE(table.upperIndex(), 3);
        QCOMPARE(table[1].FullName, u"A"_s);
        QCOMPARE(importContactFile(two, table).parsed.appended, 2);
        QCOMPARE(table.upperIndex(), 5);
        QCOMPARE(table[5].FullName, u"E"_s);
    }

    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath(u"missing.vcf"_s);
        QTest::newRow("empty") << m_dir.write(u"empty.vcf"_s, QByteArray());
        QTest::newRow("only a byte-order mark") << m_dir.write(u"bom.vcf"_s, "\xEF\xBB\xBF"_ba);
        QTest::newRow("a folder") << m_dir.path();
    }
    void unreadableFiles()
    {
        QFETCH(QString, path);
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"old"_s});
        QVERIFY(!openContactFile(path, table).read);
        QCOMPARE(table.upperIndex(), 0); // opening has reset the table already
    }

    // Large files are read a megabyte at a time: nothing may be lost where the pieces meet.
    void pieceBoundaries_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<bool>("read");
        constexpr qsizetype mb = 1 << 20;
        const auto padTo = [](qsizetype size) { return "NOTE:" + QByteArray(size - 6, 'x') + "\n"; };
        const QByteArray card = "BEGIN:VCARD\nFN:\xE5\xBC\xA0\xE4\xB8\x89\nEND:VCARD\n"_ba;
        QTest::newRow("card cut at the boundary")
            << padTo(mb - 5) + card + card << QStringList{u"张三"_s, u"张三"_s} << true;
        QTest::newRow("character cut at the boundary")
            << "BEGIN:VCARD\n" + padTo(mb - 12 - 4) + "FN:\xE5\xBC\xA0\nEND:VCARD\n"_ba << QStringList{u"张"_s} << true;
        QTest::newRow("gb2312 after a megabyte of ascii")
            << "BEGIN:VCARD\n" + padTo(mb + 10) + "FN:\xD5\xC5\xC8\xFD\nEND:VCARD\n"_ba << QStringList{u"张三"_s}
            << true;
        // A download cut in the middle of a character: the last card is still UTF-8.
        QTest::newRow("utf-8 cut off at the end")
            << padTo(mb + 3) + card + "\xE5\xBC"_ba << QStringList{u"张三"_s} << true;
    }
    void pieceBoundaries()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, names);
        QFETCH(bool, read);
        ContactTable table;
        QCOMPARE(openContactFile(m_dir.write(u"big.vcf"_s, bytes), table).read, read);
        QStringList got;
        for (int i = 1; i <= table.upperIndex(); ++i)
            got << table[i].FullName;
        QCOMPARE(got, names);
    }

    // A book of several pieces, its cards read in batches on other threads where the machine has them: the table is
    // the one a single thread reads from the same bytes, with a GB2312 card and cards that hold nothing among them.
    void largeBookReadsAsOneThreadReadsIt()
    {
        ContactTable generated;
        for (ContactRecord &r : testing::generateContacts({.contacts = 3000, .seed = 12}))
            (void)generated.append(std::move(r));
        QList<int> first, second;
        for (int i = 1; i <= generated.upperIndex(); ++i)
            (i <= 1500 ? first : second) << i;
        const QByteArray gbk = "BEGIN:VCARD\nVERSION:2.1\nFN:\xD5\xC5\xC8\xFD\nTEL;CELL:139\nEND:VCARD\n"_ba;
        const QByteArray empty = "BEGIN:VCARD\nEND:VCARD\n"_ba;
        const QByteArray book = vcardText(generated, first) + empty + gbk + empty + vcardText(generated, second);
        QVERIFY(book.size() > 4 * kReadPiece);

        ContactTable one;
        CardStream stream(one, 0, CardSharing{0, 0});
        stream.feed(book);
        const ParseResult expected = stream.finish();
        QCOMPARE(expected.appended, 3001);
        QCOMPARE(expected.unread, 2);

        ContactTable read;
        const ReadResult result = openContactFile(m_dir.write(u"large.vcf"_s, "\xEF\xBB\xBF" + book), read);
        QCOMPARE(result.parsed.appended, expected.appended);
        QCOMPARE(result.parsed.unread, expected.unread);
        QCOMPARE(read.upperIndex(), one.upperIndex());
        QCOMPARE(read[1501].FullName, u"张三"_s);
        for (int i = 1; i <= one.upperIndex(); ++i) {
            QCOMPARE(describe(read[i]), describe(one[i]));
            QVERIFY(read[i] == one[i]);
        }
    }

    // A read that fails half-way takes back every card it read: the table holds what it held before, record for
    // record, and says why.
    void failedReadLeavesTheTableAsItWas()
    {
        const std::vector<ContactRecord> book = testing::generateContacts({.contacts = 3000, .seed = 5});
        ContactTable written;
        for (const ContactRecord &r : book)
            (void)written.append(ContactRecord(r));
        QList<int> all;
        for (int i = 1; i <= written.upperIndex(); ++i)
            all << i;
        const QByteArray bytes = vcardText(written, all);
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"old"_s, .Mobile = u"1"_s});
        FailingDevice device(bytes, bytes.size() * 3 / 4);
        const ReadResult result = importContacts(device, table);
        QVERIFY(!result.read);
        QCOMPARE(result.reason, u"Input/output error"_s);
        QCOMPARE(table.upperIndex(), 1);
        QCOMPARE(describeAll(table[1]), u"FN=old | M=1 | K="_s);
        FailingDevice whole(bytes, bytes.size());
        QVERIFY(importContacts(whole, table).read);
        QCOMPARE(table.upperIndex(), 3001);
    }

    // Two inputs a fuzzer and a hostile file found: a card of one empty category, and a text of nothing but card
    // starts, which must not size the table for millions of records that stay empty.
    void hostileBooks()
    {
        ContactTable table;
        const ParseResult category = splitAndParse(QByteArrayView("BEGIN:VCARD\nCATEGORIES:\nEND:VCARD\n"), table);
        QCOMPARE(category.appended, 0); // nothing to show
        QCOMPARE(category.unread, 1);
        const QByteArray starts = QByteArray("BEGIN:VCARD\n").repeated(400000);
        const QString path = m_dir.write(u"starts.vcf"_s, starts);
        ContactTable empty;
        const ReadResult result = openContactFile(path, empty);
        QVERIFY(!result.read);
        QCOMPARE(result.parsed.unread, 400000);
        QCOMPARE(empty.upperIndex(), 0);
        QVERIFY2(qsizetype(empty.room() * sizeof(ContactRecord)) <= 2 * starts.size() + (64 << 10),
                 qPrintable(QString::number(empty.room())));
    }

    void hiddenFilesAreRead()
    {
        const QString path = m_dir.write(u".hidden.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\n"_ba);
        ContactTable table;
        QVERIFY(openContactFile(path, table).read);
        QCOMPARE(table.upperIndex(), 1);
    }

    void binaryFileIsNoBook()
    {
        QByteArray bytes(70000, Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919) >> 3);
        ContactTable table;
        // Not one card: that is no contact book, and the user is told so.
        const ReadResult result = openContactFile(m_dir.write(u"binary.vcf"_s, bytes), table);
        QVERIFY(!result.read);
        QVERIFY(!result.reason.isEmpty());
        QCOMPARE(table.upperIndex(), 0);
    }
};

QTEST_GUILESS_MAIN(TestContactFile)
#include "tst_contactfile.moc"
