// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes through the reader, whole and a piece at a time, against the plain reader and writer of the tests;
// whatever it reads must come back through the writer.
#include "contacts/contacttable.h"
#include "contacts/vcardstream.h"
#include "contacts/vcardwriter.h"
#include "support/plainvcard.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

using namespace vecardia;

QList<int> liveOf(const ContactTable &table)
{
    QList<int> live;
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (table.isLive(i))
            live << i;
    }
    return live;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ContactTable table;
    const ParseResult parsed = splitAndParse(bytes, table);
    if (parsed.appended != table.upperIndex())
        std::abort();

    // The same text cut into pieces (the first byte picks their size) gives the same cards, read in batches by
    // helper threads down to batches of one card.
    ContactTable streamed;
    CardStream stream(streamed, qint64(size), CardSharing{size > 1 ? 1 + data[1] % 2 : 1, 0});
    const qsizetype step = size > 0 ? 1 + data[0] % 64 : 1;
    for (qsizetype at = 0; at < qsizetype(size); at += step)
        stream.feed(bytes.sliced(at, std::min(step, qsizetype(size) - at)));
    const ParseResult streamedResult = stream.finish();
    if (streamedResult.appended != parsed.appended || streamedResult.unread != parsed.unread)
        std::abort();
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (!(streamed[i] == table[i]))
            std::abort();
    }
    // The plain twins read the same records and write the same bytes.
    const plain::Book expected = plain::readBook(bytes);
    if (expected.unread != parsed.unread || qsizetype(expected.records.size()) != table.upperIndex())
        std::abort();
    QList<int> all;
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (!(expected.records[std::size_t(i - 1)] == table[i]))
            std::abort();
        all << i;
    }
    if (vcardText(table, all) != plain::writeBook(expected.records))
        std::abort();

    // What a save writes reads back as a book that later saves write the same: every live contact, every field
    // and every kept line survive. The first save puts them in the writer's form; the second may still move a kept
    // number into a column left empty (the card's other mobile shows when the one shown was emptied).
    ContactTable saved;
    (void)splitAndParse(QByteArrayView(vcardText(table, liveOf(table))), saved);
    if (liveOf(saved).size() != saved.upperIndex())
        std::abort(); // every card we write is a contact
    ContactTable settled;
    (void)splitAndParse(QByteArrayView(vcardText(saved, liveOf(saved))), settled);
    ContactTable again;
    (void)splitAndParse(QByteArrayView(vcardText(settled, liveOf(settled))), again);
    if (settled.upperIndex() != saved.upperIndex() || again.upperIndex() != settled.upperIndex())
        std::abort();
    for (int i = 1; i <= settled.upperIndex(); ++i) {
        if (!(again[i] == settled[i]))
            std::abort();
    }
    return 0;
}
