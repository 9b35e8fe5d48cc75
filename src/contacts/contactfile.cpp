#include "contacts/contactfile.h"

#include "contacts/contacttable.h"
#include "encoding/charsetfile.h"

#include <QFile>

#include <algorithm>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

constexpr qint64 kChunk = 1 << 20;
constexpr QByteArrayView kBom = "\xEF\xBB\xBF";
constexpr QByteArrayView kBegin = "BEGIN:VCARD";

// Reads the file a megabyte at a time, calling `take` with each piece; false on a read error.
bool readInPieces(QFile &file, const std::function<void(QByteArrayView)> &take)
{
    if (!file.seek(0))
        return false;
    QByteArray piece(kChunk, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), kChunk);
        if (got < 0)
            return false;
        if (got == 0)
            return true;
        take(QByteArrayView(piece.constData(), got));
    }
}

// What a first pass over a file finds: whether all of it is UTF-8, whether it holds any text, and how many cards
// it has (to size the table once).
struct Survey {
    bool utf8 = true;
    bool hasText = false;
    int cards = 0;
};

// Length of the UTF-8 sequence that a byte starts (1 for ASCII and for bytes that start none).
qsizetype sequenceLength(unsigned char lead)
{
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// How many bytes at the start of `bytes` hold whole characters: an unfinished sequence at the end is left out.
qsizetype wholeCharacters(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: the sequence starts further back
        return sequenceLength(byte) > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

std::optional<Survey> survey(QFile &file)
{
    Survey found;
    qint64 total = 0;
    QByteArray head;    // the first bytes, to tell a file that holds only a byte-order mark
    QByteArray tail;    // the last bytes read, which may start a "BEGIN:VCARD" that the next piece ends
    QByteArray pending; // an unfinished character at the end of the last piece
    const std::boyer_moore_horspool_searcher searcher(kBegin.begin(), kBegin.end());
    const auto count = [&](QByteArrayView text, qsizetype startsBefore) {
        for (const char *at = text.data(), *end = text.data() + text.size();;) {
            at = std::search(at, end, searcher);
            if (at == end || at - text.data() >= startsBefore)
                return;
            ++found.cards;
            at += kBegin.size();
        }
    };
    const bool ok = readInPieces(file, [&](QByteArrayView piece) {
        total += piece.size();
        if (head.size() < kBom.size())
            head.append(piece.first(std::min(piece.size(), kBom.size() - head.size())));

        // Cards: those that start in the last piece's tail and end in this one, then those inside this one.
        const QByteArray seam = tail + piece.first(std::min(piece.size(), kBegin.size() - 1)).toByteArray();
        count(seam, tail.size());
        count(piece, piece.size());
        tail = (tail + piece.last(std::min(piece.size(), kBegin.size() - 1)).toByteArray()).right(kBegin.size() - 1);

        if (!found.utf8)
            return;
        // The character left unfinished by the last piece, finished with this one's first bytes.
        if (!pending.isEmpty()) {
            const qsizetype need = sequenceLength(static_cast<unsigned char>(pending[0])) - pending.size();
            const qsizetype taken = std::min(need, piece.size());
            pending.append(piece.first(taken));
            piece = piece.sliced(taken);
            if (taken < need)
                return;
            found.utf8 = pending.isValidUtf8();
            pending.clear();
        }
        const qsizetype whole = wholeCharacters(piece);
        found.utf8 = found.utf8 && piece.first(whole).isValidUtf8();
        pending = piece.sliced(whole).toByteArray();
    });
    if (!ok)
        return std::nullopt;
    found.utf8 = found.utf8 && pending.isEmpty();
    found.hasText = total > 0 && !(total == kBom.size() && head == kBom);
    return found;
}

} // namespace

std::optional<QByteArray> readContactFile(const QString &path)
{
    std::optional<QByteArray> bytes = readFileBytes(path);
    if (!bytes)
        return std::nullopt;
    if (isUtf8(*bytes)) {
        if (bytes->startsWith(kBom))
            bytes->remove(0, kBom.size());
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
    if (!fileExists(path))
        return result;
    QFile file(localPath(path));
    if (!file.open(QIODevice::ReadOnly) || file.isSequential())
        return result;
    const std::optional<Survey> found = survey(file);
    if (!found || !found->hasText)
        return result;
    if (!found->utf8) {
        // Older phones write GB2312: decoded whole, as such books are small.
        if (!file.seek(0))
            return result;
        const QByteArray text = decodeText(file.readAll(), u"gb2312"_s).toUtf8();
        if (file.error() != QFileDevice::NoError || text.isEmpty())
            return result;
        result.read = true;
        result.parsed = splitAndParse(QByteArrayView(text), table);
        return result;
    }
    // UTF-8, read twice a piece at a time: a large book never sits in memory beside the contacts built from it.
    CardStream cards(table, found->cards);
    if (!readInPieces(file, [&](QByteArrayView piece) { cards.feed(piece); }))
        return result;
    result.read = true;
    result.parsed = cards.finish();
    return result;
}

FileReadResult openContactFile(const QString &path, ContactTable &table)
{
    table.reset();
    return importContactFile(path, table);
}

} // namespace vecardia
