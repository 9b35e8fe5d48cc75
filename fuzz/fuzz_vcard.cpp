// Any bytes through the reader; whatever it reads must come back the same through the writer.
#include "contacts/contacttable.h"
#include "contacts/vcardreader.h"
#include "contacts/vcardwriter.h"

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
