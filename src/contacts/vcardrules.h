// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"
#include "contacts/packedtexts.h"
#include "contacts/vcardlines.h"
#include "contacts/vcardsyntax.h"
#include "encoding/charsetfile.h"

#include <QByteArray>

#include <array>
#include <deque>
#include <optional>
#include <utility>
#include <vector>

namespace vecardia::vcard {

// How one reading of a book takes the values that name no charset: well-formed UTF-8 as UTF-8, anything else as
// GB18030, and a value well-formed both ways as the book's majority says, which is known only once the book has been
// read (see nextCharsetPass).
struct CharsetPass {
    bool gb18030First = false; // values well-formed both ways are GB18030
    bool exact = false;        // the values of cards that are UTF-8 as a whole are judged and counted too
};

// The next reading a book needs after one with `pass` gave `verdicts`, if any. The first reading takes values
// well-formed both ways as UTF-8 and judges only the cards that are not UTF-8 as a whole: a book with no more values
// that are GB18030 only than UTF-8 only among them (nearly every book) is read then. Otherwise a second reading
// takes them as GB18030 and judges every value; when that count puts UTF-8 ahead after all, a third reads the book
// as the first did.
[[nodiscard]] std::optional<CharsetPass> nextCharsetPass(CharsetPass pass, const Verdicts &verdicts);

// What one card's lines say about a contact: which property fills which field of the record (the last line of a
// kind wins, CATEGORIES add up), values decoded from quoted-printable and unescaped, and every line that fills no
// field kept with the record in vCard 3.0 form, so that a save writes it back. Works on the card's UTF-8 bytes; the
// record's texts are made once, at the end. One reader serves one thread and keeps its buffers from card to card.
class CardRules {
public:
    // Fills an empty record from the card; false, and the record left as it was, when the card holds nothing to
    // read.
    // The card's lines without a colon are joined to the lines before them when the reader meets one.
    [[nodiscard]] bool read(CardLines &card, ContactRecord &record);
    // Gives the photos of the records read since the last call their bytes, in one block: until then those records
    // hold no photo and must not move.
    void packPhotos() { m_buffers.photos.pack(); }

    void setCharsetPass(CharsetPass pass) { m_pass = pass; }
    // The verdicts of the values read: those of cards that are UTF-8 as a whole only in an
    // exact pass, those of quoted-printable values always.
    // Hands them over, starting the count again.
    [[nodiscard]] Verdicts takeVerdicts() { return std::exchange(m_verdicts, {}); }

    // What the parameters of the last line looked at said of its value: quoted-printable or not, in which charset,
    // the other parameters in 3.0 form, and whether there are no others.
    struct ValueParameters {
        QByteArray text;
        bool known = false;
        bool quoted = false;
        bool onlyEncoding = false;
        bool base64 = false;
        QByteArray charset;
        bool utf8Charset = false; // the charset named is UTF-8
        QByteArray others21;
    };

    // A line as read, its text and the line taken apart: the lines that fill fields are not taken apart again when
    // the card is laid out for the record.
    struct LineRead {
        QByteArrayView text;
        Property p;
    };

    // What the reader keeps from card to card.
    struct Buffers {
        std::deque<QByteArray> made; // values made while a card is read (decoded, unescaped, joined)
        std::vector<quint8> kept;    // per line: whether it goes back with the record
        std::vector<LineRead> reads; // per line: the line taken apart
        QByteArray decoded;          // quoted-printable values decoded, with room for the whole card
        QByteArray text;             // the kept lines
        TextPacker packer;
        BytesPacker photos;
        std::array<ValueParameters, 4> valueParameters; // the last few answers
        std::size_t nextParameters = 0;
        QByteArray charsetName; // of the decoder below, made for the last charset a line named
        std::optional<QStringDecoder> charset;
        std::optional<QStringDecoder> gb18030;
    };

private:
    Buffers m_buffers;
    CharsetPass m_pass;
    Verdicts m_verdicts;
};

} // namespace vecardia::vcard
