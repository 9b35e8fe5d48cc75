#include "contacts/contactfile.h"

#include "contacts/contacttable.h"
#include "encoding/charsetfile.h"

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

std::optional<QByteArray> readContactFile(const QString &path)
{
    std::optional<QByteArray> bytes = readFileBytes(path);
    if (!bytes)
        return std::nullopt;
    if (isUtf8(*bytes)) {
        if (bytes->startsWith("\xEF\xBB\xBF"))
            bytes->remove(0, 3);
    } else {
        bytes = decodeText(*bytes, u"gb2312"_s).toUtf8();
    }
    if (bytes->isEmpty())
        return std::nullopt;
    return bytes;
}

FileReadResult importContactFile(const QString &path, ContactTable &table)
{
    FileReadResult result;
    std::optional<QByteArray> text = readContactFile(path);
    if (!text)
        return result;
    result.read = true;
    char *begin = text->data();
    qsizetype discarded = 0;
    // The text is read once from start to end: what lies behind the reader goes back to the system as it goes.
    result.parsed = splitAndParse(QByteArrayView(*text), table, [&](qsizetype doneUpTo) {
        discardPages(begin + discarded, doneUpTo - discarded);
        discarded = doneUpTo;
    });
    return result;
}

FileReadResult openContactFile(const QString &path, ContactTable &table)
{
    table.reset();
    return importContactFile(path, table);
}

} // namespace vecardia
