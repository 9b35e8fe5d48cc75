// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The vCard reader and writer as plain, slow code that a newcomer can check against the rules line by line: each
// card is turned into text first, then split into lines, unfolded and taken apart with QString. No threads, no
// vector instructions, no shared buffers. The program's fast reader and writer must give exactly what these give.

#include "contacts/contactrecord.h"

#include <QByteArray>
#include <QByteArrayView>

#include <vector>

namespace vecardia::plain {

struct Book {
    std::vector<ContactRecord> records; // the cards that held something to read, in file order
    int unread = 0;                     // card pieces that held nothing
};

// Every card of a vCard text, as the program's reader reads it.
[[nodiscard]] Book readBook(QByteArrayView bytes);

// The live records among these, as the program writes them (vCard 3.0, UTF-8, line feeds).
[[nodiscard]] QByteArray writeBook(const std::vector<ContactRecord> &records);

} // namespace vecardia::plain
