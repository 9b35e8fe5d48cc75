// Any bytes through the reader, whole and a piece at a time; whatever it reads must come back through the writer.
#include "contacts/contacttable.h"
#include "contacts/vcardreader.h"
#include "contacts/vcardwriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace vecardia;
    ContactTable table;
    const ParseResult parsed =
        splitAndParse(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)), table);
    if (parsed.appended != table.upperIndex())
        std::abort();
    // The same text cut into pieces (the first byte picks their size) gives the same cards.
    ContactTable streamed;
    CardStream stream(streamed);
    const qsizetype step = size > 0 ? 1 + data[0] % 64 : 1;
    for (qsizetype at = 0; at < qsizetype(size); at += step)
        stream.feed(QByteArrayView(reinterpret_cast<const char *>(data) + at, std::min(step, qsizetype(size) - at)));
    const ParseResult streamedResult = stream.finish();
    if (streamedResult.appended != parsed.appended || streamedResult.unread != parsed.unread)
        std::abort();
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (!(streamed[i] == table[i]))
            std::abort();
    }

    QList<int> live;
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (table.isLive(i))
            live << i;
    }
    ContactTable again;
    (void)splitAndParse(QByteArrayView(vcardText(table, live)), again);
    if (again.upperIndex() > live.size())
        std::abort();
    return 0;
}
