// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/roworder.h"
#include "model/textrank.h"

#include <QCollator>
#include <QLocale>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

// The list's order written plainly: code point by code point, each case-folded character compared with the
// Chinese collation on its own, a shorter text first, then a case-insensitive comparison.
class PlainOrder {
public:
    PlainOrder() : m_collator(QLocale(QLocale::Chinese, QLocale::China))
    {
        m_collator.setCaseSensitivity(Qt::CaseInsensitive);
        m_collator.setNumericMode(false);
    }

    int compare(const QString &a, const QString &b) const
    {
        const QList<uint> ca = a.toCaseFolded().toUcs4(), cb = b.toCaseFolded().toUcs4();
        for (qsizetype i = 0; i < std::min(ca.size(), cb.size()); ++i) {
            const int byChar = m_collator.compare(QString::fromUcs4(reinterpret_cast<const char32_t *>(&ca[i]), 1),
                                                  QString::fromUcs4(reinterpret_cast<const char32_t *>(&cb[i]), 1));
            if (byChar != 0)
                return byChar;
        }
        if (ca.size() != cb.size())
            return ca.size() < cb.size() ? -1 : 1;
        return QString::compare(a, b, Qt::CaseInsensitive);
    }

private:
    QCollator m_collator;
};

int sign(int v)
{
    return (v > 0) - (v < 0);
}

// The records named `texts` (1, 2, …) in the order the list sorts them.
QList<int> sortedIndexes(const QStringList &texts, bool ascending)
{
    ContactTable table;
    for (const QString &text : texts)
        (void)table.append(ContactRecord{.FullName = text, .Mobile = u"1"_s});
    RowOrder rows;
    rows.fill(liveIndexes(table));
    rows.ascending = !ascending;
    (void)sortOnHeaderClick(rows, table, NameColumn);
    QList<int> out;
    for (const ListRow &row : rows.rows())
        out << row.index;
    return out;
}

// The texts in the order the list sorts them.
QStringList sorted(const QStringList &texts, bool ascending = true)
{
    QStringList out;
    for (int index : sortedIndexes(texts, ascending))
        out << texts[index - 1];
    return out;
}

} // namespace

class TestTextRank : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Rows whose texts sort together keep the order they had, either way: the duplicate tools keep the first.
    void equalTextsKeepTheirOrder_data()
    {
        QTest::addColumn<bool>("ascending");
        QTest::addColumn<QList<int>>("indexes");
        QTest::newRow("ascending") << true << QList<int>{2, 4, 1, 3, 5};
        QTest::newRow("descending") << false << QList<int>{1, 3, 5, 2, 4};
    }
    void equalTextsKeepTheirOrder()
    {
        QFETCH(bool, ascending);
        QFETCH(QList<int>, indexes);
        QCOMPARE(sortedIndexes({u"b"_s, u"a"_s, u"B"_s, u"A"_s, u"b"_s}, ascending), indexes);
    }

    void numbersSortAsText()
    {
        QCOMPARE(sorted({u"2"_s, u"13912345678"_s, u"139"_s, u"+86139"_s}),
                 (QStringList{u"+86139"_s, u"139"_s, u"13912345678"_s, u"2"_s}));
    }

    void chineseNamesInPinyinOrderBeforeLatin()
    {
        QCOMPARE(sorted({u"张伟"_s, u"bob"_s, u"王芳"_s, u"Ann"_s, u"李娜"_s, u"陈静"_s}),
                 (QStringList{u"陈静"_s, u"李娜"_s, u"王芳"_s, u"张伟"_s, u"Ann"_s, u"bob"_s}));
        QCOMPARE(sorted({u"a"_s, u"b"_s}, false), (QStringList{u"b"_s, u"a"_s}));
    }

    // The duplicate tools scan neighbours: texts equal without regard to case must end up next to each other.
    void caseVariantsEndUpTogether()
    {
        QRandomGenerator random(99);
        const QStringList pool = {u"anna"_s,  u"Anna"_s, u"ANNA"_s, u"Ａnna"_s, u"anna "_s, u"ánna"_s,    u"李娜"_s,
                                  u"李 娜"_s, u""_s,     u"Bob"_s,  u"bob"_s,   u"13800"_s, u"+8613800"_s};
        for (int round = 0; round < 200; ++round) {
            QStringList texts;
            for (int i = 0; i < 40; ++i)
                texts << pool[random.bounded(int(pool.size()))];
            const QStringList names = sorted(texts, round % 2 == 0);
            QSet<QString> closed;
            for (qsizetype i = 0; i < names.size(); ++i) {
                const QString folded = names[i].toCaseFolded();
                if (i > 0 && names[i - 1].toCaseFolded() == folded)
                    continue;
                QVERIFY2(!closed.contains(folded), qPrintable(names.join(u',')));
                closed.insert(folded);
            }
        }
    }

    // The packed ranks against the plain comparison on random texts: long shared prefixes (beyond the packed
    // characters), characters outside the BMP, letter cases, Chinese, digits and signs.
    void sameOrderAsThePlainComparison_data()
    {
        QTest::addColumn<int>("prefix");
        QTest::newRow("short texts") << 0;
        QTest::newRow("shared prefix inside the packed part") << 5;
        QTest::newRow("shared prefix beyond the packed part") << 12;
    }
    void sameOrderAsThePlainComparison()
    {
        QFETCH(int, prefix);
        const QStringList alphabet = {u"a"_s, u"A"_s, u"b"_s,  u"Z"_s,  u"0"_s,  u"9"_s, u"+"_s,
                                      u"-"_s, u" "_s, u"张"_s, u"章"_s, u"李"_s, u"ä"_s, u"Ä"_s,
                                      u"İ"_s, u"ß"_s, u"Ｂ"_s, u"😀"_s,  u"𠀀"_s, u"𝐀"_s};
        const PlainOrder plain;
        QRandomGenerator random(20261208 + quint32(prefix));
        for (int round = 0; round < 60; ++round) {
            QString shared;
            for (int i = 0; i < prefix; ++i)
                shared += alphabet[random.bounded(int(alphabet.size()))];
            std::vector<QString> texts;
            for (int i = 0; i < 40; ++i) {
                QString text = shared;
                for (int k = random.bounded(6); k > 0; --k)
                    text += alphabet[random.bounded(int(alphabet.size()))];
                texts.push_back(text);
            }
            std::vector<const QString *> pointers;
            for (const QString &text : texts)
                pointers.push_back(&text);
            for (bool ascending : {true, false}) {
                const std::vector<int> place = rankTexts(pointers, ascending);
                for (std::size_t a = 0; a < texts.size(); ++a) {
                    for (std::size_t b = 0; b < texts.size(); ++b) {
                        const int expected = sign(plain.compare(texts[a], texts[b])) * (ascending ? 1 : -1);
                        QVERIFY2(sign(place[a] - place[b]) == expected,
                                 qPrintable(u"\"%1\" against \"%2\""_s.arg(texts[a], texts[b])));
                    }
                }
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestTextRank)
#include "tst_textrank.moc"
