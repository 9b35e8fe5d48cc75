// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Random vCard books in the shapes that phones, address books and damaged files have: vCard 2.1, 3.0 and 4.0
// cards, UTF-8 and GBK, lines in other charsets with and without their CHARSET, quoted-printable names with and without charsets, every kind of line end, folded lines
// (some folded inside a character), grouped and typed properties in any letter case, escapes, empty values,
// repeated properties, photos, text between cards, and a last card cut anywhere. For tests that hold two readers
// to each other.

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QStringList>

namespace vecardia::testing {

namespace detail {

inline QString pickOne(QRandomGenerator &random, const QStringList &from)
{
    return from[random.bounded(int(from.size()))];
}

inline QByteArray quotedPrintable(const QByteArray &bytes, QRandomGenerator &random, const QByteArray &eol)
{
    QByteArray out;
    for (unsigned char c : bytes) {
        const bool plain = c > 32 && c < 127 && c != '=' && random.bounded(2) == 0;
        out += plain ? QByteArray(1, char(c)) : '=' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        if (random.bounded(12) == 0)
            out += "=" + eol; // a soft line break
    }
    return out;
}

} // namespace detail

inline QByteArray randomVCardBook(QRandomGenerator &random, int maxCards = 6)
{
    using namespace Qt::Literals::StringLiterals;
    using detail::pickOne;
    static const QStringList names = {u"张三"_s,
                                      u"欧阳娜娜"_s,
                                      u"Zoë Smith"_s,
                                      u"Zhang\\;San Feng"_s,
                                      u"Smith\\, John Q"_s,
                                      u"Ann\\nLee"_s,
                                      u"😀 Emoji"_s,
                                      u""_s,
                                      u"Bob"_s,
                                      u"Ann"_s,
                                      u"a\\\\b"_s,
                                      u" spaced "_s,
                                      u"石伟"_s}; // in GBK, well-formed UTF-8 too
    static const QStringList structured = {
        u"Zhang;San;;;"_s, u";Bob;;;"_s, u";Ann;;;"_s, u"李;四"_s,        u"Lee;Ann;M;Dr;Jr"_s,
        u"O\\;Neil;Pat"_s, u"Solo"_s,    u""_s,        u"欧阳;娜娜;;;"_s, u";Zhang\\;San Feng;;;"_s};
    static const QStringList numbers = {u"138 0000 0001"_s,  u"+8613800000002"_s, u"010-1234 5678"_s, u"10086"_s, u""_s,
                                        u"tel:+1-555-0100"_s};
    static const QStringList telParams = {
        u""_s,           u";TYPE=CELL"_s,           u";type=home"_s,  u";WORK"_s,
        u";CELL;PREF"_s, u";TYPE=\"cell,voice\""_s, u";TYPE=FAX"_s,   u";type=IPHONE"_s,
        u";VALUE=uri"_s, u";TYPE=VOICE"_s,          u";TYPE=pager"_s, u";type=mobile"_s};
    static const QStringList emailParams = {u""_s,      u";TYPE=INTERNET"_s,  u";TYPE=INTERNET;TYPE=HOME"_s,
                                            u";work"_s, u";TYPE=HOME,WORK"_s, u";PREF;INTERNET"_s};
    static const QStringList others = {u"NOTE:第一行\\n第二行\\, 逗号"_s,
                                       u"ORG:示例公司;研发部"_s,
                                       u"BDAY:1990-01-01"_s,
                                       u"URL:http://127.0.0.1/p"_s,
                                       u"X-QQ;TYPE=CUSTOM:12345"_s,
                                       u"x-qq:678"_s,
                                       u"CATEGORIES:Family"_s,
                                       u"CATEGORIES:"_s,
                                       u"categories;x=1:Work"_s,
                                       u"X-WDJ-STARRED:1"_s,
                                       u"X_WDJ_BIG_PHOTO:QUJD"_s,
                                       u"X-WDJ-BIG-PHOTO:REVG"_s,
                                       u"ADR;HOME:;;人民路1号;上海;;200000;中国"_s,
                                       u"ADR;TYPE=WORK;CHARSET=UTF-8:;;Road\\, 2"_s,
                                       u"ADR:;;plain"_s,
                                       u"PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQ=="_s,
                                       u"PHOTO;ENCODING=BASE64;TYPE=image/png:iVBORw0KGgo AAAA"_s,
                                       u"PHOTO;VALUE=uri:http://127.0.0.1/a.jpg"_s,
                                       u"PHOTO:data:image/gif;base64,R0lGOD"_s,
                                       u"PHOTO:cid:photo1"_s,
                                       u"LOGO;ENCODING=BASE64:AAAA"_s,
                                       u"item2.X-ABLabel:_$!<Other>!$_"_s,
                                       u"END;:VCARD"_s,
                                       u"VERSION:2.1"_s,
                                       u"no colon here"_s,
                                       u"GENDER:F"_s,
                                       u"item3.TEL;VALUE=uri;PREF=1;TYPE=\"voice,home\":tel:+1-555-0101"_s,
                                       u"LOGO;MEDIATYPE=image/png:data:image/png;base64,iVBOR"_s,
                                       u"X-ABC;SORT-AS=\"a;b\":x"_s,
                                       u"NOTE:first\nsecond line"_s,
                                       u"LOGO;ENCODING=BASE64;TYPE=GIF:R0lG\nODlh"_s,
                                       u"\tTEL;CELL:139"_s,
                                       u"X-SOCIAL;X-LABEL=\"a;b:c\":weibo:abc"_s,
                                       u"N"_s,
                                       u"NOTE:text BEGIN:VCARD inside"_s,
                                       u"NICKNAME:Li\\,L,Lee"_s,
                                       u"ORG:;Dept"_s,
                                       u"EMAIL;ENCODING=QUOTED-PRINTABLE:=C3=91@x"_s,
                                       u"TEL;CELL;ENCODING=QUOTED-PRINTABLE:=31=32"_s,
                                       u"NOTE;ENCODING=QUOTED-PRINTABLE:a,=0Ab"_s,
                                       u"CATEGORIES;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0"_s,
                                       u"X-QQ;QUOTED-PRINTABLE:=39"_s,
                                       u"FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=BC=A0"_s};
    static const QStringList versions = {u"VERSION:2.1"_s, u"VERSION:3.0"_s, u"VERSION:4.0"_s, u"  version:2.1 "_s,
                                         u""_s};
    static const QList<QByteArray> eols = {"\n", "\r\n", "\r", "\r\r\n"};

    QByteArray book;
    if (random.bounded(4) == 0)
        book += "text before the first card\n";
    for (int card = random.bounded(maxCards + 1); card > 0; --card) {
        const QString version = pickOne(random, versions);
        const bool v21 = version.contains(u"2.1"_s);
        const bool gbk = random.bounded(4) == 0;
        const QByteArray eol = eols[random.bounded(int(eols.size()))];
        const auto encode = [&](const QString &text) {
            return gbk ? QByteArray(QStringEncoder("GBK").encode(text)) : text.toUtf8();
        };
        QList<QByteArray> lines;
        if (!version.isEmpty())
            lines << encode(version);
        for (int n = random.bounded(9); n > 0; --n) {
            const QString group = random.bounded(6) == 0 ? u"item1."_s : QString();
            switch (random.bounded(7)) {
            case 0:
            case 1: {
                const bool n = random.bounded(2) == 0;
                const QString value = n ? pickOne(random, structured) : pickOne(random, names);
                const QString tag = group + (random.bounded(5) == 0 ? (n ? u"n"_s : u"fn"_s) : (n ? u"N"_s : u"FN"_s));
                if (random.bounded(3) == 0) {
                    const QString charset = pickOne(random, {u""_s, u";CHARSET=UTF-8"_s, u";CHARSET=GB2312"_s});
                    const bool inGbk = charset.contains(u"GB"_s) || (charset.isEmpty() && random.bounded(2) == 0);
                    const QByteArray bytes = inGbk ? QByteArray(QStringEncoder("GBK").encode(value)) : value.toUtf8();
                    lines << encode(tag + charset) +
                                 ";ENCODING=QUOTED-PRINTABLE:" + detail::quotedPrintable(bytes, random, eol);
                } else {
                    lines << encode(tag + u':' + value);
                }
                break;
            }
            case 2:
                lines << encode(group + u"TEL"_s + pickOne(random, telParams) + u':' + pickOne(random, numbers));
                break;
            case 3:
                lines << encode(group + u"EMAIL"_s + pickOne(random, emailParams) + u":p"_s +
                                QString::number(random.bounded(9)) + u"@example.com"_s);
                break;
            case 4: {
                // Lines in the charsets that Japanese, Taiwanese and Korean phones write, and a stray byte.
                static const std::pair<const char *, QString> named[] = {
                    {"Shift_JIS", u"表示 山田太郎"_s}, {"Big5", u"陳大文"_s},     {"GB2312", u"石伟"_s},
                    {"EUC-KR", u"김철수"_s},           {"ISO-8859-1", u"Zoë"_s}, {"windows-1252", u"“Zoë”"_s}};
                const auto &[charset, value] = named[random.bounded(int(std::size(named)))];
                const QByteArray bytes = QStringEncoder(charset).encode(value);
                const bool say = random.bounded(4) != 0;
                lines << group.toUtf8() + (random.bounded(2) == 0 ? "FN" : "NOTE") +
                             (say ? ";CHARSET=" + QByteArray(charset) : QByteArray()) + ':' + bytes;
                break;
            }
            default: lines << encode(pickOne(random, others)); break;
            }
            if (random.bounded(25) == 0) // an agent's card inside this one
                lines << "AGENT:"
                      << "BEGIN:VCARD"
                      << "VERSION:2.1"
                      << "FN:Agent"
                      << "TEL;CELL:9"
                      << "END:VCARD";
            if (v21 && random.bounded(10) == 0) {
                // Photo data lines as old phones write them, after a photo line or after any other.
                if (random.bounded(2) == 0)
                    lines << "PHOTO;ENCODING=BASE64;JPEG:/9j/";
                lines << "  AAAA" << QList<QByteArray>{"BBBB", "\tB\tB B", "B\tB"}[random.bounded(3)] << "";
            }
        }
        if (random.bounded(8) != 0)
            lines << (random.bounded(6) == 0 ? "end:vcard" : "END:VCARD");
        QByteArray text = QList<QByteArray>{"BEGIN:VCARD", "BEGIN:VCARD", "begin:vcard", "Begin:VCard",
                                            "\xEF\xBB\xBF"
                                            "BEGIN:VCARD"}[random.bounded(5)];
        for (QByteArray line : lines) {
            // A fold anywhere in a long line, inside a character now and then.
            if (!v21 && line.size() > 12 && random.bounded(4) == 0) {
                const int at = 4 + random.bounded(int(line.size()) - 4);
                line.insert(at, eol + (random.bounded(3) == 0 ? "\t" : " "));
            }
            text += eol + line;
        }
        book += text + eol;
        if (random.bounded(10) == 0)
            book += encode(u"between cards: NOTE:x"_s) + eol;
    }
    if (!book.isEmpty() && random.bounded(6) == 0)
        book.chop(random.bounded(int(std::min<qsizetype>(book.size(), 40)))); // a file cut short
    return book;
}

// Keeps a random book that failed a test in the file VECARDIA_TEST_FAILED_BOOK names, when it names one: its bytes,
// which a warning cannot show.
inline void keepFailedBook(const QByteArray &book)
{
    if (const QString path = qEnvironmentVariable("VECARDIA_TEST_FAILED_BOOK"); !path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(book);
    }
}

} // namespace vecardia::testing
