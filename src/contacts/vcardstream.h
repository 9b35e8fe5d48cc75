// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"
#include "contacts/vcardlines.h"
#include "contacts/vcardrules.h"
#include "runtime/helperthreads.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <deque>
#include <memory>
#include <vector>

class QIODevice;

namespace vecardia {

class ContactTable;

struct ParseResult {
    int appended = 0;  // cards read into the table
    int unread = 0;    // card pieces that held nothing we could read
    Verdicts verdicts; // of the values judged (see vcard::CharsetPass)
};

// Splits a vCard text at every "BEGIN:VCARD" and appends one record per card to the table; does not reset it.
// Each value is decoded on its own: in the charset its line names, else as UTF-8 when its bytes are well-formed
// UTF-8 and as GB18030 otherwise, so a book merged from two phones reads both; a value well-formed both ways follows
// the book's majority, for which the text may be read more than once. Each card is read by its own VERSION line.
[[nodiscard]] ParseResult splitAndParse(QByteArrayView bytes, ContactTable &table);
[[nodiscard]] ParseResult splitAndParse(QStringView text, ContactTable &table);

// How a stream shares out the cards it finds: the complete cards of a piece, when there are more than `fromCards`,
// go as one batch to `helpers` helper threads of the stream's own, and the calling thread reads on while they read
// the batches; the records join the table in card order. The table is the same as when one thread reads.
struct CardSharing {
    int helpers = helperThreads();
    int fromCards = 64;
};

// The same for a text that arrives a piece at a time, so that a large file need not be in memory whole: the cards
// are those that splitAndParse would read from the whole text. Until finish() the table is the stream's: helper
// threads may be filling records in it.
class CardStream {
public:
    // `expectedBytes`, the length of the whole text when known, lets the table be sized once from the first cards.
    // `pass` says how values that name no charset are read; the caller reads the text again when
    // vcard::nextCharsetPass asks for it.
    explicit CardStream(ContactTable &table, qint64 expectedBytes = 0, CardSharing sharing = {},
                        vcard::CharsetPass pass = {});
    ~CardStream();
    CardStream(const CardStream &) = delete;
    CardStream &operator=(const CardStream &) = delete;

    void feed(QByteArrayView bytes);
    // Reads the rest of a device a piece at a time; false, with the device's reason, on a read error.
    [[nodiscard]] bool feed(QIODevice &device, QString *why = nullptr);
    [[nodiscard]] ParseResult finish();

    struct Reader;
    struct Batch;

private:
    void makeRoom(qsizetype more);
    void readBuffer();
    void read(QByteArrayView piece, bool last, bool utf8);
    void shareOut(qsizetype end);
    void collect(bool wait);
    void collectAll();
    void makeTableRoom(std::size_t cards, qsizetype bytes);

    ContactTable &m_table;
    vcard::CharsetPass m_pass;
    std::unique_ptr<Reader> m_reader;
    CardSharing m_sharing;
    std::vector<std::unique_ptr<Batch>> m_batches; // made when first needed
    HelperThreads m_helpers;
    std::deque<Batch *> m_inFlight; // handed out, in card order
    std::vector<Batch *> m_idle;
    std::vector<int> m_unheld; // the records of shared cards that held nothing, taken out by collectAll()
    QByteArray m_buffer;       // from the start of the card being read (or of text not searched yet) on
    qsizetype m_searched = 0;  // how far the buffer has been searched for the next "BEGIN:VCARD"
    bool m_inCard = false;     // the buffer starts with "BEGIN:VCARD"
    qint64 m_expectedBytes;
    qint64 m_fed = 0;
    qint64 m_found = 0; // cards found
    bool m_sized = false;
    ParseResult m_result;
};

} // namespace vecardia
