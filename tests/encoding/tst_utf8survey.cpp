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
