#pragma once

#include "contacts/contactrecord.h"
#include "contacts/packedtexts.h"
#include "contacts/vcardlines.h"
#include "contacts/vcardsyntax.h"

#include <QByteArray>

#include <array>
#include <deque>
#include <vector>

namespace vecardia::vcard {

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

    // What the parameters of the last line looked at said of its value: quoted-printable or not, in which charset,
    // the other parameters in 3.0 form, and whether there are no others.
    struct ValueParameters {
        QByteArray text;
        bool known = false;
        bool quoted = false;
        bool onlyEncoding = false;
        bool base64 = false;
        QByteArray charset;
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
    };

private:
    Buffers m_buffers;
};

} // namespace vecardia::vcard
