#pragma once

#include "contacts/contactrecord.h"

#include <QByteArrayView>
#include <QStringView>

#include <QByteArray>

#include <memory>

namespace vecardia {

class ContactTable;

struct ParseResult {
    int appended = 0; // cards read into the table
    int unread = 0;   // card pieces that held nothing we could read
};

// Splits a vCard text at every "BEGIN:VCARD" and appends one record per card to the table. Each card is read as
// vCard 2.1 when it has a VERSION:2.1 line and as 3.0 otherwise. Does not reset the table.
[[nodiscard]] ParseResult splitAndParse(QByteArrayView utf8Text, ContactTable &table);
[[nodiscard]] ParseResult splitAndParse(QStringView text, ContactTable &table);

// The same for a text that arrives a piece at a time, so that a large file need not be in memory whole: the cards
// are those that splitAndParse would read from the whole text.
class CardStream {
public:
    // `expectedCards` sizes the table once when the caller knows how many cards will come.
    explicit CardStream(ContactTable &table, int expectedCards = 0);
    ~CardStream();
    CardStream(const CardStream &) = delete;
    CardStream &operator=(const CardStream &) = delete;

    void feed(QByteArrayView utf8);
    [[nodiscard]] ParseResult finish();

private:
    struct Reader;
    void read(QByteArrayView piece);

    ContactTable &m_table;
    std::unique_ptr<Reader> m_reader;
    QByteArray m_buffer;      // from the start of the card being read (or of text not searched yet) on
    qsizetype m_searched = 0; // how far the buffer has been searched for the next "BEGIN:VCARD"
    bool m_inCard = false;    // the buffer starts with "BEGIN:VCARD"
    ParseResult m_result;
};

} // namespace vecardia
