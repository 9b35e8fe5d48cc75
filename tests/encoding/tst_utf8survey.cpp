// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/charsetfile.h"
#include "encoding/utf8.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

// The piecewise UTF-8 survey against the whole-text test: whatever the size of the pieces, and wherever they cut a
// character, it must give the same answer.
class TestUtf8Survey : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void sameAnswerAsTheWholeText_data()
    {
        QTest::addColumn<int>("pieceSize");
        for (int size : {1, 2, 3, 4, 5, 7, 64, 4096})
            QTest::newRow(qPrintable(u"pieces of %1"_s.arg(size))) << size;
    }
    void sameAnswerAsTheWholeText()
    {
        QFETCH(int, pieceSize);
        // Well-formed characters of every length, and bytes that break them.
        const QByteArray pieces[] = {
            "a"_ba,           "\n"_ba,   "\xC3\xA9"_ba, "\xE5\xBC\xA0"_ba, "\xF0\x9F\x98\x80"_ba, "\xD5\xC5"_ba,
            "\xE5\xBC"_ba,    "\x80"_ba, "\xC0\xAF"_ba, "\xED\xA0\x80"_ba, "\xF4\x90\x80\x80"_ba, "\xFF"_ba,
            "\xEF\xBB\xBF"_ba};
        QRandomGenerator random(quint32(7000 + pieceSize));
        for (int round = 0; round < 3000; ++round) {
            QByteArray text;
            const bool mostlyGood = round % 3 != 0;
            for (int i = random.bounded(30); i > 0; --i) {
                const int pick = mostlyGood ? random.bounded(5) : random.bounded(int(std::size(pieces)));
                text += pieces[pick];
            }
            utf8::Survey survey;
            for (qsizetype at = 0; at < text.size(); at += pieceSize)
                survey.feed(QByteArrayView(text).sliced(at, std::min<qsizetype>(pieceSize, text.size() - at)));
            QVERIFY2(survey.wellFormed() == QByteArrayView(text).isValidUtf8(), text.toHex(' ').constData());
            QCOMPARE(survey.bytes(), qint64(text.size()));
        }
    }

    // The block-wise check against Qt's: each sequence is placed at every offset in a run of ASCII longer than two
    // blocks, so that it meets the edges of the 32-byte blocks and the short last block in every way.
    void isValidAgreesWithQt_data()
    {
        QTest::addColumn<QByteArray>("sequence");
        QTest::newRow("two-byte") << "\xC3\xA9"_ba;
        QTest::newRow("three-byte") << "\xE5\xBC\xA0"_ba;
        QTest::newRow("four-byte") << "\xF0\x9F\x98\x80"_ba;
        QTest::newRow("highest code point") << "\xF4\x8F\xBF\xBF"_ba;
        QTest::newRow("non-character U+FFFE") << "\xEF\xBF\xBE"_ba;
        QTest::newRow("GB2312 name") << "\xD5\xC5\xC8\xFD"_ba;
        QTest::newRow("cut three-byte") << "\xE5\xBC"_ba;
        QTest::newRow("cut four-byte") << "\xF0\x9F\x98"_ba;
        QTest::newRow("stray continuation") << "\x80"_ba;
        QTest::newRow("three continuations") << "\xC3\xA9\xA9\xA9"_ba;
        QTest::newRow("overlong two-byte") << "\xC1\xBF"_ba;
        QTest::newRow("overlong three-byte") << "\xE0\x9F\xBF"_ba;
        QTest::newRow("overlong four-byte") << "\xF0\x8F\xBF\xBF"_ba;
        QTest::newRow("surrogate") << "\xED\xA0\x80"_ba;
        QTest::newRow("above U+10FFFF") << "\xF4\x90\x80\x80"_ba;
        QTest::newRow("F5 lead") << "\xF5\x80\x80\x80"_ba;
        QTest::newRow("five-byte") << "\xF8\x88\x80\x80\x80"_ba;
        QTest::newRow("FF") << "\xFF"_ba;
    }
    void isValidAgreesWithQt()
    {
        QFETCH(QByteArray, sequence);
        for (int before = 0; before <= 70; ++before) {
            for (int after : {0, 1, 2, 3, 29, 40}) {
                const QByteArray text = QByteArray(before, 'a') + sequence + QByteArray(after, 'b');
                QVERIFY2(utf8::isValid(text) == QByteArrayView(text).isValidUtf8(),
                         qPrintable(u"%1 ASCII bytes before, %2 after"_s.arg(before).arg(after)));
            }
        }
        // Sequences side by side, good and bad mixed, at random.
        QRandomGenerator random(quint32(qHash(sequence)));
        const QByteArray others[] = {"\xC3\xA9"_ba, "\xE5\xBC\xA0"_ba, "\xF0\x9F\x98\x80"_ba, "x"_ba, sequence};
        for (int round = 0; round < 2000; ++round) {
            QByteArray text;
            for (int i = random.bounded(40); i > 0; --i)
                text += others[random.bounded(int(std::size(others)))];
            QVERIFY2(utf8::isValid(text) == QByteArrayView(text).isValidUtf8(), text.toHex(' ').constData());
        }
    }

    void wholeCharacters_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("whole");
        QTest::newRow("ascii") << "abc"_ba << 3;
        QTest::newRow("finished three-byte") << "a\xE5\xBC\xA0"_ba << 4;
        QTest::newRow("cut three-byte") << "a\xE5\xBC"_ba << 1;
        QTest::newRow("cut four-byte") << "\xF0\x9F\x98"_ba << 0;
        QTest::newRow("stray continuation") << "a\x80"_ba << 2;
    }
    void wholeCharacters()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, whole);
        QCOMPARE(utf8::wholeCharacters(bytes), qsizetype(whole));
    }
};

QTEST_GUILESS_MAIN(TestUtf8Survey)
#include "tst_utf8survey.moc"
