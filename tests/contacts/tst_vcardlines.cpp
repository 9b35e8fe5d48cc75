// SPDX-License-Identifier: GPL-3.0-or-later
// The vector kernels that find cards and split them into lines, against their scalar twins, on texts made of the
// pieces where they could go wrong: near misses, cut words, carriage returns anywhere, sixteen-byte boundaries.
#include "contacts/vcardlines.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

QByteArray randomText(QRandomGenerator &random, std::initializer_list<QByteArray> pieces, int most)
{
    QByteArray text;
    for (int i = random.bounded(most); i > 0; --i)
        text += *(pieces.begin() + random.bounded(int(pieces.size())));
    return text;
}

} // namespace

class TestVCardLines : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cardSearchMatchesItsScalarTwin()
    {
        QRandomGenerator random(1208);
        for (int round = 0; round < 5000; ++round) {
            const QByteArray text = randomText(random,
                                               {"BEGIN:VCARD"_ba, "BEGIN:VCARX"_ba, "B---------D"_ba, "BEGIN:VCAR"_ba,
                                                "EGIN:VCARD"_ba, "x"_ba, "\xE5\xBC\xA0"_ba, "0123456789abcdef"_ba},
                                               12);
            const qsizetype from = random.bounded(int(text.size()) + 2) - (round % 50 == 0 ? 3 : 0);
            QCOMPARE(vcard::findCardStart(text, from), vcard::scalar::findCardStart(text, from));
        }
    }

    // Where cards start, by the rule: at line starts only, in any case, after a byte-order mark, not after an empty
    // AGENT line.
    void cardStarts_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<qsizetype>>("starts");
        QTest::newRow("first byte") << "BEGIN:VCARD\nEND:VCARD\n"_ba << QList<qsizetype>{0};
        QTest::newRow("any case, any line end")
            << "begin:vcard\r\nEnd:VCard\r\nBegin:VCard\rx"_ba << QList<qsizetype>{0, 24};
        QTest::newRow("inside a line is no start") << "NOTE:BEGIN:VCARD\n BEGIN:VCARD"_ba << QList<qsizetype>{};
        QTest::newRow("after a byte-order mark") << "x\n\xEF\xBB\xBF"
                                                    "BEGIN:VCARD"_ba
                                                 << QList<qsizetype>{5};
        QTest::newRow("an agent's card") << "BEGIN:VCARD\nAGENT:\nBEGIN:VCARD\nEND:VCARD\nEND:VCARD\nBEGIN:VCARD"_ba
                                         << QList<qsizetype>{0, 51};
        QTest::newRow("an agent with a value") << "AGENT:x\nBEGIN:VCARD"_ba << QList<qsizetype>{8};
    }
    void cardStarts()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<qsizetype>, starts);
        QList<qsizetype> found;
        for (qsizetype at = vcard::findCardStart(text); at >= 0; at = vcard::findCardStart(text, at + 1))
            found << at;
        QCOMPARE(found, starts);
    }

    void lineSplitMatchesItsScalarTwin()
    {
        QRandomGenerator random(1209);
        for (int round = 0; round < 5000; ++round) {
            const QByteArray text = randomText(
                random, {"\n"_ba, "\r\n"_ba, "\r"_ba, "\r\r\n"_ba, "FN:A"_ba, "0123456789abcdef"_ba, "x"_ba}, 16);
            std::vector<QByteArrayView> fast, scalar;
            vcard::splitLines(text, fast);
            vcard::scalar::splitLines(text, scalar);
            QCOMPARE(fast, scalar);
        }
    }

    // The scalar split by the rule: one line end at a line feed, at carriage returns right before one, and at each
    // carriage return alone.
    void lineEnds()
    {
        std::vector<QByteArrayView> lines;
        vcard::scalar::splitLines("a\nb\r\nc\r\r\nd\re\r\rf"_ba, lines);
        QCOMPARE(lines, (std::vector<QByteArrayView>{"a", "b", "c", "d", "e", "", "f"}));
    }
};

QTEST_GUILESS_MAIN(TestVCardLines)
#include "tst_vcardlines.moc"
