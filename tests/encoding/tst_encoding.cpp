// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/base64.h"
#include "encoding/charsetfile.h"
#include "encoding/quotedprintable.h"
#include "encoding/savefile.h"
#include "encoding/utf8.h"
#include "support/tempfolder.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>

#include <cerrno>
#include <csignal>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

class TestEncoding : public QObject {
    Q_OBJECT

    testing::TempFolder m_dir;

private Q_SLOTS:
    void fileExists()
    {
        const QString path = m_dir.write(u"a.vcf"_s, "x");
        QVERIFY(vecardia::fileExists(path));
        QVERIFY(vecardia::fileExists(u"  "_s + path + u"  "_s));
        QVERIFY(vecardia::fileExists(u"file://"_s + path));
        QVERIFY(vecardia::fileExists(m_dir.write(u".hidden.vcf"_s, "x")));
        QVERIFY(!vecardia::fileExists(m_dir.path())); // a folder is not a file
        QVERIFY(!vecardia::fileExists(m_dir.filePath(u"missing.vcf"_s)));
        QVERIFY(!vecardia::fileExists(u"   "_s));
    }

    void isUtf8_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("utf8");
        QTest::newRow("ascii") << "BEGIN:VCARD\n"_ba << true;
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("two-byte") << "caf\xC3\xA9"_ba << true;
        QTest::newRow("three-byte chinese") << "FN:\xE5\xBC\xA0\xE4\xB8\x89"_ba << true;
        QTest::newRow("four-byte emoji") << "FN:Ann \xF0\x9F\x98\x80"_ba << true;
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF"_ba << true;
        // GB2312 张三 = D5 C5 C8 FD: not UTF-8.
        QTest::newRow("gb2312") << "FN:\xD5\xC5\xC8\xFD"_ba << false;
        // A GB2312 text whose first character happens to look like a UTF-8 pair (C4 E3 would not; DF A1 does):
        // the rest of the file decides.
        QTest::newRow("gb2312 starting like utf-8") << "FN:\xDF\xA1\xD5\xC5\xC8\xFD"_ba << false;
        QTest::newRow("invalid after a kilobyte of ascii") << QByteArray(5000, 'a') + "\xD5\xC5"_ba << false;
        QTest::newRow("lone lead byte at the end") << "abc\xE5"_ba << false;
        QTest::newRow("truncated three-byte") << "abc\xE5\xBC"_ba << false;
        QTest::newRow("overlong") << "\xC0\xAF"_ba << false;
        QTest::newRow("surrogate") << "\xED\xA0\x80"_ba << false;
        QTest::newRow("above U+10FFFF") << "\xF4\x90\x80\x80"_ba << false;
        QTest::newRow("stray continuation") << "a\x80"_ba << false;
    }
    void isUtf8()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, utf8);
        QCOMPARE(vecardia::isUtf8(bytes), utf8);
        QCOMPARE(mduUnicodeEncodeFormat(m_dir.write(u"t.vcf"_s, bytes)), utf8);
    }

    void utf8TestOnMissingFile() { QVERIFY(!mduUnicodeEncodeFormat(m_dir.filePath(u"nope.vcf"_s))); }

    void decodeFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("charset");
        QTest::addColumn<QString>("text");
        QTest::newRow("utf-8") << "\xE5\xBC\xA0\xE4\xB8\x89\r\n"_ba << u"utf-8"_s << u"张三\r\n"_s;
        QTest::newRow("utf-8 drops the byte-order mark") << "\xEF\xBB\xBF"
                                                            "A"_ba
                                                         << u"UTF-8"_s << u"A"_s;
        QTest::newRow("gb2312") << "\xD5\xC5\xC8\xFD"_ba << u" gb2312 "_s << u"张三"_s;
        // 朱镕基: 镕 is a GBK character outside GB2312; the byte after it must survive.
        QTest::newRow("gbk character in a gb2312 file") << "\xD6\xEC\xE9\x46\xBB\xF9"_ba << u"gb2312"_s << u"朱镕基"_s;
        QTest::newRow("other charset") << "caf\xE9"_ba << u"ISO-8859-1"_s << u"café"_s;
        QTest::newRow("unknown charset") << "abc"_ba << u"no-such-charset"_s << QString();
        QTest::newRow("empty charset") << "abc"_ba << u"  "_s << QString();
        QTest::newRow("empty file") << QByteArray() << u"utf-8"_s << QString();
    }
    void decodeFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, charset);
        QFETCH(QString, text);
        const std::optional<QByteArray> read = readFileBytes(m_dir.write(u"r.vcf"_s, bytes));
        QVERIFY(read);
        QCOMPARE(decodeText(*read, charset), text);
    }

    void readMissingFile()
    {
        QString why;
        QVERIFY(!readFileBytes(m_dir.filePath(u"x"_s), &why));
        QVERIFY(!why.isEmpty());
    }

    void saveUtf8()
    {
        const QString path = m_dir.filePath(u"out.vcf"_s);
        QCOMPARE(UTF8格式保存文件(u"abc"_s, path).outcome, SaveOutcome::Saved);
        QCOMPARE(testing::TempFolder::contents(path), "abc"_ba);
        QCOMPARE(UTF8格式保存文件(u"张"_s, path).outcome, SaveOutcome::Saved);
        QCOMPARE(testing::TempFolder::contents(path), "\xE5\xBC\xA0"_ba); // replaced, no byte-order mark
        QCOMPARE(UTF8格式保存文件(u"😀\n"_s, path).outcome, SaveOutcome::Saved);
        QCOMPARE(testing::TempFolder::contents(path), "\xF0\x9F\x98\x80\n"_ba);
    }

    void saveEmptyTextKeepsTheOldFile()
    {
        const QString path = m_dir.write(u"keep.vcf"_s, "old");
        QCOMPARE(UTF8格式保存文件(QString(), path).outcome, SaveOutcome::EncodingError);
        QCOMPARE(testing::TempFolder::contents(path), "old"_ba);
    }

    void saveIntoMissingFolderFails()
    {
        QCOMPARE(UTF8格式保存文件(u"x"_s, m_dir.filePath(u"no/such/folder/x.vcf"_s)).outcome, SaveOutcome::SaveError);
    }

    void saveFailingMidwayKeepsTheOldFile()
    {
        const QString path = m_dir.write(u"mid.vcf"_s, "old");
        const SaveResult result = saveFile(path, [](QIODevice &out) {
            out.write("partial");
            return false; // the writer gave up after some bytes
        });
        QCOMPARE(result.outcome, SaveOutcome::SaveError);
        QCOMPARE(testing::TempFolder::contents(path), "old"_ba);
    }

    // A disk that fills up in the middle of a save: the old file stays, and the system says why.
    void fullDiskSaysWhy()
    {
        const QString path = m_dir.write(u"full.vcf"_s, "old");
        struct rlimit before {};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &before) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of stopping us
        struct rlimit small = before;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const SaveResult result = UTF8格式保存文件(QString(20000, u'x'), path);
        setrlimit(RLIMIT_FSIZE, &before);
        std::signal(SIGXFSZ, oldHandler);
        QCOMPARE(result.outcome, SaveOutcome::SaveError);
        QCOMPARE(result.reason, qt_error_string(EFBIG));
        QCOMPARE(testing::TempFolder::contents(path), "old"_ba);
    }

    void quotedPrintable_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QByteArray>("charset");
        QTest::addColumn<QString>("decoded");
        QTest::newRow("utf-8 bytes") << u"=E5=BC=A0=E4=B8=89"_s << QByteArray() << u"张三"_s;
        QTest::newRow("lower-case hex") << u"=e5=bc=a0"_s << QByteArray() << u"张"_s;
        QTest::newRow("plain ascii") << u"John Smith"_s << QByteArray() << u"John Smith"_s;
        QTest::newRow("ends in =") << u"AB="_s << QByteArray() << u"AB"_s;
        QTest::newRow("ends in = and one") << u"AB=4"_s << QByteArray() << u"AB"_s;
        QTest::newRow("soft line break") << u"A=\r\nB"_s << QByteArray() << u"AB"_s;
        QTest::newRow("encoded equals") << u"=3D"_s << QByteArray() << u"="_s;
        QTest::newRow("three equals") << u"==="_s << QByteArray() << u"="_s;
        QTest::newRow("== then char") << u"==41"_s << QByteArray() << u"A"_s;
        QTest::newRow("x= skips to =") << u"=4=41"_s << QByteArray() << u"A"_s;
        QTest::newRow("not hex") << u"=G1X"_s << QByteArray() << u"X"_s;
        QTest::newRow("non-ascii after =") << u"=张XY"_s << QByteArray() << u"Y"_s;
        QTest::newRow("= before a last non-ascii") << u"A=张"_s << QByteArray() << u"A"_s;
        QTest::newRow("empty") << QString() << QByteArray() << QString();
        QTest::newRow("raw chinese kept") << u"张=E4=B8=89李"_s << QByteArray() << u"张三李"_s;
        QTest::newRow("raw emoji kept") << u"A😀B"_s << QByteArray() << u"A😀B"_s;
        QTest::newRow("gb2312 bytes") << u"=D5=C5=C8=FD"_s << "GB2312"_ba << u"张三"_s;
        QTest::newRow("unknown charset is utf-8") << u"=E5=BC=A0"_s << "X-NONE"_ba << u"张"_s;
        // No charset: UTF-8 when the bytes are UTF-8, GB18030 when they are not (older Chinese phones name none).
        QTest::newRow("no charset, gbk bytes") << u"=D5=C5=C8=FD"_s << QByteArray() << u"张三"_s;
        QTest::newRow("unknown charset, gbk bytes") << u"=D5=C5=C8=FD"_s << "X-NONE"_ba << u"张三"_s;
        QTest::newRow("utf-8 cut at the end is utf-8") << u"=E5=BC=A0=E4=B8"_s << QByteArray() << u"张\uFFFD\uFFFD"_s;
        QTest::newRow("utf-8 named stays utf-8") << u"=D5=C5"_s << "UTF-8"_ba << u"\uFFFD\uFFFD"_s;
    }
    void quotedPrintable()
    {
        QFETCH(QString, input);
        QFETCH(QByteArray, charset);
        QFETCH(QString, decoded);
        QCOMPARE(mEncodeDecode::decodeQuotedPrintable(input, charset), decoded);

        // The reader's way for common values gives the same text, after what the buffer held, or leaves it as it was.
        QByteArray buffer = "held"_ba;
        const bool taken = mEncodeDecode::appendQuotedPrintableUtf8(input.toUtf8(), charset, buffer);
        QVERIFY(buffer.startsWith("held"));
        if (taken)
            QCOMPARE(QString::fromUtf8(buffer.sliced(4)), decoded);
        else
            QCOMPARE(buffer, "held"_ba);
        const bool common = QTest::currentDataTag() == "utf-8 bytes"_ba ||
                            QTest::currentDataTag() == "plain ascii"_ba || QTest::currentDataTag() == "three equals"_ba;
        QVERIFY(taken || !common);
    }

    // The AVX2 check of UTF-8 gives the answer of its twin, Qt's check, at every length around its 32-byte blocks and
    // with every kind of fault at every place.
    void utf8CheckMatchesQt()
    {
        QRandomGenerator random(2027);
        const QByteArray pieces[] = {"a"_ba,        "\xC3\xA9"_ba, "\xE5\xBC\xA0"_ba, "\xF0\x9F\x98\x80"_ba,
                                     "\x80"_ba,     "\xC0\xAF"_ba, "\xED\xA0\x80"_ba, "\xF4\x90\x80\x80"_ba,
                                     "\xE5\xBC"_ba, "\xFF"_ba,     "\xEF\xBB\xBF"_ba, "0123456789abcdef"_ba};
        for (int round = 0; round < 20000; ++round) {
            QByteArray bytes;
            for (int i = random.bounded(40); i > 0; --i) {
                const int pick = random.bounded(round % 3 == 0 ? 12 : 5); // two rounds in three well-formed
                bytes += pieces[pick == 4 ? 11 : pick];
            }
            QCOMPARE(utf8::isValid(bytes), bytes.isValidUtf8());
        }
    }

    // The reader's UTF-8 decoder gives Qt's text for every well-formed input, and never more units than bytes.
    void utf16MatchesQtForWellFormedUtf8()
    {
        QRandomGenerator random(2026);
        const QString pieces[] = {u"a"_s,  u"1"_s,      u"é"_s,      u"张"_s,    u"😀"_s,
                                  u"𠀀"_s, u"\u07FF"_s, u"\uFFFD"_s, u"\uE000"_s};
        std::vector<char16_t> out;
        for (int round = 0; round < 5000; ++round) {
            QString text;
            for (int i = random.bounded(24); i > 0; --i)
                text += pieces[random.bounded(int(std::size(pieces)))];
            QByteArray bytes = text.toUtf8();
            const bool broken = round % 4 == 0 && !bytes.isEmpty();
            if (broken)
                bytes[random.bounded(int(bytes.size()))] = char(0x80 + random.bounded(0x80));
            out.assign(std::size_t(bytes.size()) + 1, u'#');
            const qsizetype units = utf8::toUtf16(bytes, out.data());
            QVERIFY(units <= bytes.size());
            QCOMPARE(out[std::size_t(bytes.size())], u'#');
            if (!broken || bytes.isValidUtf8())
                QCOMPARE(QStringView(out.data(), units), QString::fromUtf8(bytes));
        }
    }

    void base64Encode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("base64");
        QTest::newRow("three") << "abc"_ba
                               << "YWJj"_ba;
        QTest::newRow("two") << "ab"_ba
                             << "YWI="_ba;
        QTest::newRow("one") << "a"_ba
                             << "YQ=="_ba;
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("high bytes") << "\xFF\xFE\xFD\x00\x01"_ba
                                    << "//79AAE="_ba;
    }
    void base64Encode()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, base64);
        clsB64 b64;
        QByteArray out;
        b64.Encode(bytes, out);
        QCOMPARE(out, base64);
        QString text;
        b64.ByteArrayToString(out, text);
        QCOMPARE(text, QString::fromLatin1(base64));
    }

    void base64EncodeLargeMatchesStandard()
    {
        QByteArray bytes(30001, Qt::Uninitialized);
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 131 + 7) % 256);
        QByteArray out;
        clsB64().Encode(bytes, out);
        QCOMPARE(out, bytes.toBase64());
        QVERIFY(!out.contains('\n'));
        QCOMPARE(Base64Decode(QString::fromLatin1(out)), bytes);
    }

    void base64Decode_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("three") << u"YWJj"_s << "abc"_ba;
        QTest::newRow("two") << u"YWI="_s << "ab"_ba;
        QTest::newRow("one") << u"YQ=="_s << "a"_ba;
        QTest::newRow("no padding") << u"YWI"_s << "ab"_ba;
        QTest::newRow("stops at first =") << u"YQ==YWJj"_s << "a"_ba;
        QTest::newRow("line break") << u"YWJj\nYWJj"_s << QByteArray();
        QTest::newRow("space") << u"YWJj YWJj"_s << QByteArray();
        QTest::newRow("remainder one") << u"YWJjY"_s << QByteArray();
        QTest::newRow("empty") << QString() << QByteArray();
        QTest::newRow("starts with =") << u"=YWJj"_s << QByteArray();
        QTest::newRow("outside the alphabet") << u"YW-j"_s << QByteArray();
        QTest::newRow("non-latin") << u"YW张j"_s << QByteArray();
    }
    void base64Decode()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(Base64Decode(text), bytes);
    }

    void base64Load()
    {
        QByteArray bytes;
        QVERIFY(clsB64().Load(m_dir.write(u"p.png"_s, "\x89PNG"_ba), bytes));
        QCOMPARE(bytes, "\x89PNG"_ba);
        QVERIFY(!clsB64().Load(m_dir.write(u"empty.png"_s, QByteArray()), bytes));
        QVERIFY(!clsB64().Load(m_dir.filePath(u"none.png"_s), bytes));
    }
};

QTEST_GUILESS_MAIN(TestEncoding)
#include "tst_encoding.moc"
