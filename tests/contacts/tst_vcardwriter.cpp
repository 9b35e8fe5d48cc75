// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contacttable.h"
#include "contacts/vcardstream.h"
#include "contacts/vcardwriter.h"
#include "support/describe.h"
#include "support/generatedbook.h"

#include "contacts/vcardsyntax.h"

#include <QBuffer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

QList<int> allIndexes(const ContactTable &table)
{
    QList<int> indexes;
    for (int i = 1; i <= table.upperIndex(); ++i)
        indexes << i;
    return indexes;
}

// A device that accepts a number of bytes and then refuses, like a full disk.
class FailingDevice : public QIODevice {
public:
    explicit FailingDevice(qint64 room) : m_room(room) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override
    {
        if (len > m_room)
            return -1;
        m_room -= len;
        return len;
    }

private:
    qint64 m_room;
};

} // namespace

class TestVCardWriter : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // The vector path of the value encoder against its scalar twin and against the rule (escape, then UTF-8, a lone
    // surrogate as U+FFFD), on values with long ASCII runs, specials at every place of an eight-unit block, CJK,
    // surrogate pairs and halves of them.
    void valueEncodingMatchesItsScalarTwin()
    {
        QRandomGenerator random(1209);
        const QString pieces[] = {u"Zhang"_s,
                                  u"0123456789"_s,
                                  u";"_s,
                                  u","_s,
                                  u"\\"_s,
                                  u":"_s,
                                  u"\r\n"_s,
                                  u"\r"_s,
                                  u"\n"_s,
                                  u"张三"_s,
                                  u"😀"_s,
                                  u"é"_s,
                                  u"a"_s,
                                  QString(QChar(0xD800)),
                                  QString(QChar(0xDC00)),
                                  u"BEGIN:VCARD"_s};
        QStringEncoder utf8(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
        for (int round = 0; round < 5000; ++round) {
            QString value;
            for (int i = random.bounded(12); i > 0; --i)
                value += pieces[random.bounded(int(std::size(pieces)))];
            const bool escaped = round % 2 == 0;
            QByteArray fast(kBytesPerUnit * value.size(), Qt::Uninitialized), plain = fast;
            fast.truncate(encodeValue(value, escaped, fast.data()) - fast.constData());
            plain.truncate(scalar::encodeValue(value, escaped, plain.data()) - plain.constData());
            QCOMPARE(fast, plain);
            QString rule = escaped ? vcard::escapeText(QStringView(value)) : value;
            if (!escaped)
                rule.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\\n"_s);
            QCOMPARE(plain, QByteArray(utf8.encode(rule)));
        }
    }

    void nameAndMobileOnly()
    {
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"张三"_s, .Mobile = u"13800000000"_s});
        QCOMPARE(vcardText(table, {1}), "BEGIN:VCARD\nVERSION:3.0\nN:;张三;;;\nFN:张三\nTEL;TYPE=CELL:13800000000\n"
                                        "END:VCARD\n"_ba);
    }

    void everyLineInOrder()
    {
        ContactTable table;
        (void)table.append(ContactRecord{.Name = u"ignored;N"_s,
                                         .FullName = u"A"_s,
                                         .Mobile = u"1"_s,
                                         .Landline = u"2"_s,
                                         .Photo = "ENCODING=B;TYPE=PNG:AAAA"_ba,
                                         .Email = u"a@x b@y"_s,
                                         .QQ = u"12345"_s,
                                         .Address = u"HOME:;;St"_s,
                                         .Starred = u"1"_s,
                                         .BigPhoto = QByteArray("BIG"),
                                         .Categories = u" Family |  | Work|   |"_s});
        QCOMPARE(vcardText(table, {1}),
                 "BEGIN:VCARD\nVERSION:3.0\nN:;A;;;\nFN:A\nTEL;TYPE=CELL:1\nTEL;TYPE=HOME:2\n"
                 "PHOTO;ENCODING=B;TYPE=PNG:AAAA\nEMAIL;TYPE=INTERNET:a@x\nEMAIL;TYPE=WORK:b@y\nADR;HOME:;;St\n"
                 "X-QQ;TYPE=CUSTOM:12345\nX-WDJ-BIG-PHOTO:BIG\nX-WDJ-STARRED:1\n"
                 "CATEGORIES:Family\nCATEGORIES:Work\nEND:VCARD\n"_ba);
    }

    // Kept lines come right after VERSION, folded where long; the card's own N stands in for the built one.
    void keptLinesComeFirst()
    {
        ContactTable table;
        const QString longNote = u"NOTE:"_s + QString(40, u'甲'); // 5 + 120 bytes: folded, never inside a character
        (void)table.append(ContactRecord{
            .FullName = u"Ann Lee"_s, .Mobile = u"1"_s, .Kept = u"N:Lee;Ann;;;\nORG:Acme\n"_s + longNote + u'\n'});
        const QByteArray text = vcardText(table, {1});
        const QByteArray note = longNote.toUtf8();
        QCOMPARE(text, "BEGIN:VCARD\nVERSION:3.0\nORG:Acme\n" + note.first(74) + "\n " + note.sliced(74) +
                           "\nN:Lee;Ann;;;\nFN:Ann Lee\nTEL;TYPE=CELL:1\nEND:VCARD\n"_ba);
        for (const QByteArray &line : text.split('\n'))
            QVERIFY(line.size() <= 75);

        // A line kept for want of a colon (its only one stands inside quotes) is no N: the built one is written.
        (void)table.append(ContactRecord{.FullName = u"Bo"_s, .Kept = u"N;X=\"a:b\n"_s});
        QCOMPARE(vcardText(table, {2}), "BEGIN:VCARD\nVERSION:3.0\nN;X=\"a:b\nN:;Bo;;;\nFN:Bo\nEND:VCARD\n"_ba);
    }

    void namesAndAddressesAreEscaped()
    {
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"Smith, John; Jr\\\n"_s, .Email = u"a,b@x"_s});
        QCOMPARE(vcardText(table, {1}), "BEGIN:VCARD\nVERSION:3.0\nN:;Smith\\, John\\; Jr\\\\\\n;;;\n"
                                        "FN:Smith\\, John\\; Jr\\\\\\n\nEMAIL;TYPE=WORK:a\\,b@x\nEND:VCARD\n"_ba);
    }

    // Characters beyond U+FFFF, before and after what is escaped, and CR LF as one line break.
    void escapesAroundCharactersBeyondTheBmp()
    {
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"a;\r\n😀,b\r"_s, .Email = u"😀;x@y"_s});
        QCOMPARE(vcardText(table, {1}), "BEGIN:VCARD\nVERSION:3.0\nN:;a\\;\\n\xF0\x9F\x98\x80\\,b\\n;;;\n"
                                        "FN:a\\;\\n\xF0\x9F\x98\x80\\,b\\n\nEMAIL;TYPE=WORK:\xF0\x9F\x98\x80\\;x@y\n"
                                        "END:VCARD\n"_ba);
    }

    // One line per e-mail address, typed so that reading gives the addresses back in their order, and so that an
    // address the record keeps never comes before one of its own kind.
    void emailLines_data()
    {
        QTest::addColumn<QString>("email");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QByteArray>("lines");
        QTest::newRow("one") << u"a"_s << QString() << "EMAIL;TYPE=WORK:a\n"_ba;
        QTest::newRow("two") << u"a b"_s << QString() << "EMAIL;TYPE=INTERNET:a\nEMAIL;TYPE=WORK:b\n"_ba;
        QTest::newRow("three") << u"a b c"_s << QString()
                               << "EMAIL;TYPE=INTERNET:a\nEMAIL;TYPE=WORK:b\nEMAIL;TYPE=HOME:c\n"_ba;
        QTest::newRow("four")
            << u"a b c d"_s << QString()
            << "EMAIL;TYPE=INTERNET:a\nEMAIL;TYPE=INTERNET:b\nEMAIL;TYPE=WORK:c\nEMAIL;TYPE=HOME:d\n"_ba;
        QTest::newRow("one, a plain one kept") << u"a"_s << u"EMAIL:old\n"_s << "EMAIL;TYPE=INTERNET:a\n"_ba;
        QTest::newRow("two, a home one kept")
            << u"a b"_s << u"EMAIL;TYPE=HOME:old\n"_s << "EMAIL;TYPE=INTERNET:a\nEMAIL;TYPE=HOME:b\n"_ba;
    }
    void emailLines()
    {
        QFETCH(QString, email);
        QFETCH(QString, kept);
        QFETCH(QByteArray, lines);
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"x"_s, .Email = email, .Kept = kept});
        const QByteArray text = vcardText(table, {1});
        QVERIFY2(text.contains("FN:x\n" + lines + "END:VCARD"), text.constData());
        ContactTable again;
        (void)splitAndParse(QByteArrayView(text), again);
        QCOMPARE(again[1].Email, email.split(u' ').size() > 3 ? email.section(u' ', -3) : email);
    }

    void listOrderAndLiveRecordsOnly()
    {
        ContactTable table;
        for (const char16_t *name : {u"A", u"B", u"C"})
            (void)table.append(ContactRecord{.FullName = QString::fromUtf16(name)});
        (void)table.append(ContactRecord{.Email = u"only@mail"_s}); // not live
        table.清空数组单个数据(2);
        QCOMPARE(vcardText(table, {3, 4, 2, 1, 99, 0}),
                 "BEGIN:VCARD\nVERSION:3.0\nN:;C;;;\nFN:C\nEND:VCARD\nBEGIN:VCARD\nVERSION:3.0\nN:;A;;;\nFN:A\n"
                 "END:VCARD\n"_ba);
    }

    void progressIsReportedPerRow()
    {
        ContactTable table;
        for (int i = 0; i < 5; ++i)
            (void)table.append(ContactRecord{.FullName = u"x"_s});
        QList<qsizetype> rows;
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(writeVCards(table, allIndexes(table), buffer, [&](qsizetype row, qsizetype total) {
            QCOMPARE(total, qsizetype(5));
            rows << row;
        }));
        QCOMPARE(rows, (QList<qsizetype>{1, 2, 3, 4, 5}));
    }

    void failingDeviceIsReported_data()
    {
        QTest::addColumn<int>("helpers");
        QTest::addColumn<int>("percent"); // of the whole text that the device takes before it refuses
        QTest::newRow("one thread") << 0 << 2;
        QTest::newRow("blocks on helpers, the first block refused") << 2 << 2;
        QTest::newRow("blocks on helpers, a later block refused") << 1 << 70;
    }
    void failingDeviceIsReported()
    {
        QFETCH(int, helpers);
        QFETCH(int, percent);
        const std::vector<ContactRecord> book = testing::generateContacts({.contacts = 12000, .seed = 7});
        ContactTable table;
        for (ContactRecord r : book)
            (void)table.append(std::move(r));
        FailingDevice device(vcardText(table, allIndexes(table)).size() * percent / 100);
        QVERIFY(!writeVCards(table, allIndexes(table), device, {}, helpers));
    }

    // A long list written in blocks by helper threads gives the bytes one thread writes, with every row's progress
    // in order: rows in any order, repeated, outside the table or deleted.
    void blocksWriteWhatOneThreadWrites()
    {
        ContactTable table;
        for (ContactRecord &r : testing::generateContacts({.contacts = 9000, .seed = 31}))
            (void)table.append(std::move(r));
        for (int i = 5; i <= table.upperIndex(); i += 97)
            table.清空数组单个数据(i);
        QList<int> indexes = allIndexes(table);
        std::reverse(indexes.begin() + 100, indexes.begin() + 5000);
        indexes << 0 << 99999 << 3 << 3;
        const auto write = [&](int helpers, QList<qsizetype> &rows) {
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            [&] {
                QVERIFY(writeVCards(
                    table, indexes, buffer,
                    [&](qsizetype row, qsizetype total) {
                        QCOMPARE(total, indexes.size());
                        rows << row;
                    },
                    helpers));
            }();
            return buffer.data();
        };
        QList<qsizetype> one, shared;
        const QByteArray expected = write(0, one);
        QCOMPARE(one.size(), indexes.size());
        for (int helpers : {1, 3}) {
            shared.clear();
            QCOMPARE(write(helpers, shared), expected);
            QCOMPARE(shared, one);
        }
    }

    void savingNothingKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.vcf"_s);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"A"_s});
        table.清空数组单个数据(1);
        QCOMPARE(writeVCardFile(table, {1}, path).outcome, SaveOutcome::EncodingError);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), "old"_ba);
        old.close();

        (void)table.append(ContactRecord{.FullName = u"B"_s});
        QCOMPARE(writeVCardFile(table, {1, 2}, path).outcome, SaveOutcome::Saved);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), vcardText(table, {2}));
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("contacts");
        QTest::addColumn<quint32>("seed");
        QTest::newRow("small") << 50 << 1u;
        QTest::newRow("large with photos") << 3000 << 2u;
    }
    void roundTrip()
    {
        QFETCH(int, contacts);
        QFETCH(quint32, seed);
        ContactTable written;
        for (ContactRecord r : testing::generateContacts({.contacts = contacts, .photoPercent = 30, .seed = seed}))
            (void)written.append(std::move(r));
        // Cards the old rules could not take back: a name alone, and every optional line at once.
        (void)written.append(ContactRecord{.FullName = u"Only Name"_s});
        (void)written.append(ContactRecord{.FullName = u"VERSION:2.1"_s,
                                           .Mobile = u"1"_s,
                                           .Landline = u"2"_s,
                                           .Photo = "ENCODING=B;TYPE=PNG:QUJD"_ba,
                                           .Email = u"a@x b@x"_s,
                                           .QQ = u"123"_s,
                                           .Address = u"WORK:;;a:b;c"_s,
                                           .Starred = u"1"_s,
                                           .BigPhoto = QByteArray("QkIK"),
                                           .Categories = u"A|B|C|D|E|"_s});
        // "BEGIN:VCARD" in any value (typed, or joined from folded lines) starts no card.
        (void)written.append(ContactRecord{.FullName = u"BEGIN:VCARD"_s,
                                           .Mobile = u"BEGIN:VCARDBEGIN:VCARD"_s,
                                           .Photo = "VALUE=uri:http://127.0.0.1/BEGIN:VCARD"_ba,
                                           .Email = u"BEGIN:VCARD@x"_s,
                                           .Address = u"HOME:;;BEGIN:VCARD;c"_s,
                                           .Kept = u"NOTE:"_s + QString(70, u'x') + u"BEGIN:VCARD\n"_s});
        (void)written.append(ContactRecord{.FullName = u"😀BEGIN:VCARD"_s, .Landline = u"张 éBEGIN:VCARD"_s});
        (void)written.append(ContactRecord{.FullName = u"0123456789abcdefBEGIN:VCARD"_s,
                                           .Mobile = u"01234567BEGIN:VCARD"_s,
                                           .Email = u"abcdefgh,ijklmnop;q\\BEGIN:VCARD@x"_s});

        ContactTable read;
        const ParseResult parsed = splitAndParse(QByteArrayView(vcardText(written, allIndexes(written))), read);
        QCOMPARE(parsed.unread, 0);
        QCOMPARE(read.upperIndex(), written.upperIndex());
        for (int i = 1; i <= written.upperIndex(); ++i) {
            ContactRecord expected = written[i];
            expected.Name = u";"_s + expected.FullName + u";;;"_s;
            QCOMPARE(describe(read[i]), describe(expected));
        }
    }
};

QTEST_GUILESS_MAIN(TestVCardWriter)
#include "tst_vcardwriter.moc"
