#pragma once

#include "contacts/contactrecord.h"

#include <QByteArrayView>
#include <QStringView>

#include <functional>

namespace vecardia {

class ContactTable;

struct ParseResult {
    int appended = 0; // cards read into the table
    int unread = 0;   // card pieces that held nothing we could read
};

// Told, now and then during a read, that the text before this offset will not be looked at again.
using ParseProgress = std::function<void(qsizetype doneUpTo)>;

// Splits a vCard text at every "BEGIN:VCARD" and appends one record per card to the table. Each card is read as
// vCard 2.1 when it has a VERSION:2.1 line and as 3.0 otherwise. Does not reset the table.
[[nodiscard]] ParseResult splitAndParse(QByteArrayView utf8Text, ContactTable &table,
                                        const ParseProgress &progress = {});
[[nodiscard]] ParseResult splitAndParse(QStringView text, ContactTable &table);

} // namespace vecardia
