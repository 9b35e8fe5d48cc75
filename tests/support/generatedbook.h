// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Seeded contact books for the round-trip tests and the benchmarks.

#include "contacts/contactrecord.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <vector>

namespace vecardia::testing {

struct BookShape {
    int contacts = 1000;
    int photoPercent = 10;
    int photoMinBytes = 2048;
    int photoMaxBytes = 6144;
    int repeatPercent = 0; // contacts that repeat the name and numbers of an earlier one
    quint32 seed = 1;
};

inline QString pick(QRandomGenerator &random, std::initializer_list<const char16_t *> choices)
{
    return QString::fromUtf16(*(choices.begin() + random.bounded(int(choices.size()))));
}

inline QString digits(QRandomGenerator &random, int count)
{
    QString s;
    for (int i = 0; i < count; ++i)
        s += QChar(u'0' + random.bounded(10));
    return s;
}

inline QByteArray randomBase64(QRandomGenerator &random, int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char &c : raw)
        c = char(random.bounded(256));
    return raw.toBase64();
}

// Records as the reader gives them: values trimmed, categories each followed by "|".
inline std::vector<ContactRecord> generateContacts(const BookShape &shape)
{
    using namespace Qt::Literals::StringLiterals;
    QRandomGenerator random(shape.seed);
    std::vector<ContactRecord> book;
    book.reserve(std::size_t(shape.contacts));
    for (int i = 0; i < shape.contacts; ++i) {
        ContactRecord r;
        if (random.bounded(3) == 0)
            r.FullName = pick(random, {u"John", u"Mary", u"Wei", u"Lena", u"Olga"}) + u' ' +
                         pick(random, {u"Smith", u"Lee", u"Chen", u"Müller", u"O'Brien"});
        else
            r.FullName = pick(random, {u"张", u"王", u"李", u"赵", u"欧阳", u"朱"}) +
                         pick(random, {u"伟", u"芳", u"娜", u"秀英", u"镕基", u"小明", u"静"});
        switch (random.bounded(4)) {
        case 0: r.Mobile = u"+86 1"_s + digits(random, 2) + u' ' + digits(random, 4) + u' ' + digits(random, 4); break;
        case 1: r.Mobile = u"+861"_s + digits(random, 10); break;
        case 2: break;
        default: r.Mobile = u"1"_s + digits(random, 10);
        }
        if (random.bounded(3) == 0)
            r.Landline = u"0"_s + digits(random, 2 + random.bounded(2)) + u'-' + digits(random, 8);
        if (random.bounded(2) == 0)
            r.Email = u"user"_s + QString::number(i) + u"@example.com"_s;
        if (random.bounded(8) == 0)
            r.Email += (r.Email.isEmpty() ? u"work"_s : u" work"_s) + QString::number(i) + u"@example.org"_s;
        if (random.bounded(4) == 0)
            r.QQ = QString::number(10000 + random.bounded(900000000));
        if (random.bounded(10) == 0)
            r.Address = u"HOME:;;人民路"_s + QString::number(random.bounded(1000)) + u"号;上海;;200000;中国"_s;
        if (random.bounded(20) == 0)
            r.Starred = u"1"_s;
        if (random.bounded(6) == 0)
            r.Categories = pick(random, {u"Family|", u"Work|", u"同事|", u"Family|Work|"});
        if (random.bounded(100) < shape.photoPercent) {
            const int size = shape.photoMinBytes + random.bounded(shape.photoMaxBytes - shape.photoMinBytes + 1);
            r.Photo = "ENCODING=B;TYPE=JPEG:" + randomBase64(random, size);
            if (random.bounded(10) == 0)
                r.BigPhoto = randomBase64(random, 64);
        }
        if (r.FullName.isEmpty() && r.Mobile.isEmpty() && r.Landline.isEmpty())
            r.Mobile = u"10086"_s;
        if (!book.empty() && random.bounded(100) < shape.repeatPercent) {
            const ContactRecord &earlier = book[std::size_t(random.bounded(int(book.size())))];
            r.FullName = earlier.FullName;
            r.Mobile = earlier.Mobile;
            r.Landline = earlier.Landline;
        }
        book.push_back(std::move(r));
    }
    return book;
}

// The same contacts as a vCard 2.1 export of an older phone: CRLF, quoted-printable UTF-8 names, photos folded
// into 76-character lines.
inline QByteArray vcard21Book(const std::vector<ContactRecord> &book)
{
    const auto qp = [](const QString &value) {
        QByteArray out;
        for (unsigned char c : value.toUtf8()) {
            out += '=';
            out += QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        }
        return out;
    };
    QByteArray text;
    for (const ContactRecord &r : book) {
        text += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
        text += "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + qp(r.FullName) + ";;;;\r\n";
        text += "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:" + qp(r.FullName) + "\r\n";
        if (!r.Mobile.isEmpty())
            text += "TEL;CELL:" + r.Mobile.toUtf8() + "\r\n";
        if (!r.Landline.isEmpty())
            text += "TEL;HOME:" + r.Landline.toUtf8() + "\r\n";
        if (!r.Email.isEmpty())
            text += "EMAIL;INTERNET:" + r.Email.toUtf8() + "\r\n";
        const qsizetype colon = r.Photo.get().indexOf(':');
        if (colon >= 0) {
            const QByteArray data = r.Photo.get().sliced(colon + 1);
            text += "PHOTO;ENCODING=BASE64;TYPE=JPEG:";
            for (qsizetype at = 0; at < data.size(); at += 76)
                text += (at == 0 ? "" : "  ") + data.mid(at, 76) + "\r\n";
            text += "\r\n";
        }
        text += "END:VCARD\r\n";
    }
    return text;
}

} // namespace vecardia::testing
