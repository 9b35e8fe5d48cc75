#include "contacts/vcardreader.h"

#include "contacts/contacttable.h"
#include "contacts/helperthreads.h"
#include "contacts/vcardsyntax.h"
#include "encoding/charsetfile.h"
#include "encoding/quotedprintable.h"
#include "encoding/spaces.h"
#include "encoding/utf8.h"

#include <QByteArray>
#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

using vcard::equalsWord;
using vcard::Property;

enum class Dialect { V21, V30, V40 };

QString text(QByteArrayView v)
{
    return v.isEmpty() ? QString() : QString::fromUtf8(v);
}

bool holds(QByteArrayView v, char c)
{
    return !v.isEmpty() && std::memchr(v.data(), c, std::size_t(v.size())) != nullptr;
}

// Whether the bytes hold a space or a tab: one pass over photo data, sixteen bytes at a time.
bool holdsBlank(QByteArrayView v)
{
    const char *p = v.data(), *const end = p + v.size();
#if defined(__SSE2__)
    const __m128i spaces = _mm_set1_epi8(' '), tabs = _mm_set1_epi8('\t');
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, spaces), _mm_cmpeq_epi8(bytes, tabs))) != 0)
            return true;
    }
#endif
    return std::any_of(p, end, [](char c) { return c == ' ' || c == '\t'; });
}

bool startsWithWord(QByteArrayView v, QByteArrayView upper)
{
    return v.size() >= upper.size() && equalsWord(v.first(upper.size()), upper);
}

QByteArray withoutWhiteSpace(QByteArrayView v)
{
    QByteArray out;
    out.reserve(v.size());
    for (char c : v) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            out.append(c);
    }
    return out;
}

#if defined(__SSE2__)
// Splits a card piece at its line feeds, a carriage return right before one going with it, sixteen bytes at a time.
// False when a carriage return stands anywhere else (alone, or several before a line feed).
bool splitAtLineFeeds(QByteArrayView piece, std::vector<QByteArrayView> &lines)
{
    const char *const end = piece.data() + piece.size();
    const char *p = piece.data(), *start = p;
    const auto addLine = [&](const char *lf) {
        lines.emplace_back(start, (lf > start && lf[-1] == '\r' ? lf - 1 : lf) - start);
        start = lf + 1;
    };
    const __m128i lfs = _mm_set1_epi8('\n'), crs = _mm_set1_epi8('\r');
    unsigned crBefore = 0; // 1 when the byte before p is a carriage return
    for (; end - p >= 16; p += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const auto lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lfs)));
        const auto cr = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, crs)));
        if (((cr << 1 | crBefore) & ~lf & 0xFFFF) != 0)
            return false; // a carriage return not followed by a line feed
        crBefore = cr >> 15;
        for (unsigned mask = lf; mask != 0; mask &= mask - 1)
            addLine(p + std::countr_zero(mask));
    }
    if (p < end && piece.size() >= 16) {
        // The last sixteen bytes, of which those before p were looked at already.
        const char *const last = end - 16;
        const auto skip = unsigned(p - last);
        const unsigned ahead = 0xFFFFu << skip & 0xFFFF;
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(last));
        const auto lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lfs)));
        const auto cr = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, crs)));
        if (((cr << 1 | crBefore << skip) & ~lf & ahead) != 0)
            return false;
        crBefore = cr >> 15;
        for (unsigned mask = lf & ahead; mask != 0; mask &= mask - 1)
            addLine(last + std::countr_zero(mask));
        p = end;
    }
    for (; p < end; ++p) {
        if (crBefore != 0 && *p != '\n')
            return false;
        crBefore = *p == '\r' ? 1 : 0;
        if (*p == '\n')
            addLine(p);
    }
    if (crBefore != 0)
        return false;
    lines.emplace_back(start, end - start);
    return true;
}
#else
bool splitAtLineFeeds(QByteArrayView piece, std::vector<QByteArrayView> &lines)
{
    if (holds(piece, '\r'))
        return false;
    const char *p = piece.data();
    const char *const end = p + piece.size();
    for (;;) {
        const auto *lf = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        if (!lf) {
            lines.emplace_back(p, end - p);
            return true;
        }
        lines.emplace_back(p, lf - p);
        p = lf + 1;
    }
}
#endif

// Splits a card piece into lines. A line ends at a line feed, at carriage returns before one, or at a lone carriage
// return; the text after the last line end is a line too.
void splitLines(QByteArrayView piece, std::vector<QByteArrayView> &lines)
{
    lines.clear();
    if (splitAtLineFeeds(piece, lines)) // LF or CR LF, as nearly every file has them
        return;
    lines.clear();
    const char *p = piece.data();
    const char *const end = p + piece.size();
    for (;;) {
        const char *stop = p;
        while (stop < end && *stop != '\n' && *stop != '\r') {
            const auto *lf = static_cast<const char *>(std::memchr(stop, '\n', std::size_t(end - stop)));
            const auto *cr = static_cast<const char *>(std::memchr(stop, '\r', std::size_t((lf ? lf : end) - stop)));
            stop = cr ? cr : lf ? lf : end;
        }
        lines.emplace_back(p, stop - p);
        if (stop == end)
            return;
        const char *next = stop;
        while (next < end && *next == '\r')
            ++next;
        if (next < end && *next == '\n')
            ++next; // CR…CR LF, or LF: one line end
        else if (next > stop + 1)
            next = stop + 1; // CRs without a line feed: each one ends a line
        p = next;
    }
}

bool startsWithLetter(QByteArrayView line, char upper)
{
    return !line.isEmpty() && (line[0] == upper || line[0] == char(upper + ('a' - 'A')));
}

// The first letter of a line, spaces before it skipped, in lower case for letters; 0 for a blank line.
char firstLetter(QByteArrayView line)
{
    if (line.isEmpty())
        return 0;
    char c = line[0];
    if (c == ' ') {
        line = trimSpaces(line);
        if (line.isEmpty())
            return 0;
        c = line[0];
    }
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

// A line led by white space: it goes on with the line before it.
bool isFolded(QByteArrayView line)
{
    return line.startsWith(' ') || line.startsWith('\t');
}

// The card's dialect, from its VERSION line; `folded` says whether a line after the first is led by white space.
Dialect dialectOf(const std::vector<QByteArrayView> &lines, bool &folded)
{
    folded = false;
    Dialect dialect = Dialect::V30;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const QByteArrayView line = lines[i];
        // A line led by white space goes on with the one before it: a folded value that happens to read
        // "VERSION:2.1" says nothing about the card. Only the line after "BEGIN:VCARD" continues nothing.
        if (i > 0 && isFolded(line)) {
            folded = true;
            if (i > 1)
                continue;
        }
        const char first = firstLetter(line);
        if (first != 'v' && first != 'e')
            continue;
        const QByteArrayView t = trimSpaces(line);
        if (equalsWord(t, "VERSION:2.1")) {
            dialect = Dialect::V21;
            break;
        }
        if (equalsWord(t, "VERSION:4.0")) {
            dialect = Dialect::V40;
            break;
        }
        if (equalsWord(t, "END:VCARD"))
            break;
    }
    for (++i; !folded && i < lines.size(); ++i)
        folded = isFolded(lines[i]);
    return dialect;
}

// The lines of one card as its properties: folded lines joined, the 2.1 soft line breaks and photo data lines too.
class LogicalLines {
public:
    void build(const std::vector<QByteArrayView> &physical, Dialect dialect)
    {
        m_lines.clear();
        m_joined.clear();
        const std::size_t count = physical.size();
        // Line 0 is the rest of the "BEGIN:VCARD" line: no property.
        for (std::size_t i = 1; i < count; ++i) {
            const QByteArrayView line = physical[i];
            std::size_t next = i + 1;
            const bool folded = next < count && isFolded(physical[next]);
            const bool softBreak = dialect == Dialect::V21 && next < count && endsInSoftBreak(line) &&
                                   vcard::saysQuotedPrintable(vcard::splitProperty(trimSpaces(line)).params);
            const bool photo21 = dialect == Dialect::V21 && isPhotoLine(line);
            if (!folded && !softBreak && !photo21) {
                m_lines.push_back(line);
                continue;
            }
            // The lines that make this one, first measured so the joined line is allocated once.
            std::size_t last = next;
            qsizetype size = line.size();
            if (softBreak) {
                while (last < count && endsInSoftBreak(physical[last - 1]))
                    size += physical[last++].size();
            }
            while (last < count && continues(physical[last], photo21))
                size += physical[last++].size();
            QByteArray joined;
            joined.reserve(size);
            joined.append(line);
            if (softBreak) {
                // Quoted-printable soft line breaks: the "=" goes and the value goes on with the next line.
                while (next < count && endsInSoftBreak(joined)) {
                    chopSoftBreak(joined);
                    joined.append(physical[next++]);
                }
            }
            for (; next < last; ++next) {
                const QByteArrayView more = physical[next];
                if (photo21)
                    appendWithoutWhiteSpace(joined, more); // Base64 data holds no white space
                else if (dialect == Dialect::V21)
                    joined.append(more); // 2.1 folds only where white space already stands, so it stays
                else
                    joined.append(more.sliced(1)); // 3.0 folds anywhere, and the first white space goes
            }
            m_joined.push_back(std::move(joined));
            m_lines.push_back(m_joined.back());
            i = next - 1;
        }
    }

    [[nodiscard]] const std::vector<QByteArrayView> &lines() const { return m_lines; }

private:
    // Whether a line goes on with the one before: folded, or (after a 2.1 photo line) data without a colon.
    static bool continues(QByteArrayView line, bool photo21)
    {
        return isFolded(line) || (photo21 && !trimSpaces(line).isEmpty() && !holds(line, ':'));
    }
    static void appendWithoutWhiteSpace(QByteArray &out, QByteArrayView data)
    {
        const auto blank = [](char c) { return c == ' ' || c == '\t'; };
        // A data line is its indent and then data: the indent goes, and the rest is checked with memchr.
        qsizetype at = 0;
        while (at < data.size() && blank(data[at]))
            ++at;
        data = data.sliced(at);
        if (!holdsBlank(data)) {
            out.append(data);
            return;
        }
        for (char c : data) {
            if (!blank(c))
                out.append(c);
        }
    }
    static bool endsInSoftBreak(QByteArrayView line)
    {
        const QByteArrayView t = trimSpaces(line);
        return !t.isEmpty() && t.back() == '=';
    }
    static void chopSoftBreak(QByteArray &line)
    {
        while (line.endsWith(' '))
            line.chop(1);
        line.chop(1);
    }
    static bool isPhotoLine(QByteArrayView line)
    {
        line = trimSpaces(line);
        if (!startsWithLetter(line, 'P') && !holds(line, '.')) // grouped lines ("item1.PHOTO") are rare
            return false;
        const Property p = vcard::splitProperty(line);
        return p.hasColon && equalsWord(p.name, "PHOTO");
    }

    std::vector<QByteArrayView> m_lines;
    std::deque<QByteArray> m_joined; // lines that had to be joined; a deque keeps the views into them valid
};

// Whether a 2.1 structured value changes as 3.0 text (below).
bool needsEscape21(QByteArrayView value)
{
    return std::any_of(value.begin(), value.end(),
                       [](char c) { return c == '\\' || c == '\r' || c == '\n' || c == ','; });
}

// 2.1 values as 3.0 text: the line breaks and commas of plain text escaped, a backslash that escapes no ";"
// doubled (2.1 escapes only the ";" inside structured values).
QString escape21(const QString &value, bool commas)
{
    const bool plain = std::none_of(value.begin(), value.end(), [&](QChar c) {
        return c == u'\\' || c == u'\r' || c == u'\n' || (commas && c == u',');
    });
    if (plain)
        return value;
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && !(i + 1 < value.size() && value[i + 1] == u';'))
            out += u"\\\\";
        else if (c == u',' && commas)
            out += u"\\,";
        else if (c == u'\r' || c == u'\n') {
            if (c == u'\r' && i + 1 < value.size() && value[i + 1] == u'\n')
                ++i;
            out += u"\\n";
        } else
            out += c;
    }
    return out;
}

// Eight ASCII bytes as eight UTF-16 units.
inline void widenAscii8(const unsigned char *p, char16_t *out)
{
#if defined(__SSE2__)
    const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(p));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(out), _mm_unpacklo_epi8(bytes, _mm_setzero_si128()));
#else
    for (int k = 0; k < 8; ++k)
        out[k] = char16_t(p[k]);
#endif
}

inline bool isAscii8(const unsigned char *p)
{
    quint64 word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// Writes UTF-8 as UTF-16 and returns how many units it wrote: `out` has room for as many units as `in` has bytes,
// which is never too few. The texts of a card are well-formed (a card that is not is made into text by
// QString::fromUtf8 or converted first); a byte that is not what it should be would become U+FFFD on its own.
qsizetype writeUtf16(QByteArrayView in, char16_t *out)
{
    const auto *const first = reinterpret_cast<const unsigned char *>(in.data());
    const auto *p = first;
    const auto *const end = p + in.size();
    char16_t *const start = out;
    // ASCII, eight bytes at a time. A value that is ASCII to its last few bytes ends with its last eight bytes
    // again, when they are ASCII too: most numbers and addresses are.
    while (end - p >= 8 && isAscii8(p)) {
        widenAscii8(p, out);
        p += 8;
        out += 8;
    }
    if (p < end && end - p < 8 && end - first >= 8 && isAscii8(end - 8)) {
        widenAscii8(end - 8, start + (end - 8 - first));
        return in.size();
    }
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            *out++ = char16_t(c);
            ++p;
            continue;
        }
        if ((c & 0xF0) == 0xE0 && end - p >= 3) {
            // Three bytes, as Chinese characters are: both of the last two are continuation bytes.
            quint16 next;
            std::memcpy(&next, p + 1, sizeof next);
            if ((next & 0xC0C0) == 0x8080) {
                *out++ = char16_t((c & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
                p += 3;
                continue;
            }
        }
        const int length = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC0 && c < 0xE0 ? 2 : 0;
        bool whole = length > 0 && end - p >= length;
        for (int k = 1; whole && k < length; ++k)
            whole = (p[k] & 0xC0) == 0x80;
        if (!whole) {
            *out++ = char16_t(QChar::ReplacementCharacter);
            ++p;
            continue;
        }
        char32_t u = c & (0x7F >> length);
        for (int k = 1; k < length; ++k)
            u = u << 6 | (p[k] & 0x3F);
        p += length;
        if (u <= 0xFFFF) {
            *out++ = char16_t(u);
        } else {
            *out++ = QChar::highSurrogate(u);
            *out++ = QChar::lowSurrogate(u);
        }
    }
    return out - start;
}

// A field's text while its card is read: the card's own UTF-8 bytes, decoded once when the record is built, or a
// text made from them (unescaped, decoded from quoted-printable, taken apart), which the card's reader keeps. Plain
// data: a card holds a dozen of them.
struct Text {
    QByteArrayView utf8;
    const QString *made = nullptr;

    [[nodiscard]] bool isMade() const { return made != nullptr; }
    [[nodiscard]] bool isEmpty() const { return made ? made->isEmpty() : utf8.isEmpty(); }
    [[nodiscard]] QString toString() const { return made ? *made : text(utf8); }
};

// Builds the texts of one record in one allocation: each field is a QString sharing the block, which Qt frees when
// the last of them goes, so a contact costs one allocation however many fields it has and no field carries spare
// capacity. A field changed later gets an allocation of its own, as any QString does. Every text in the block is
// followed by a zero, as a QString's characters are. The card's bytes are decoded once, into a buffer the reader
// keeps from card to card, which also gives their length before the block is allocated.
class TextPacker {
public:
    explicit TextPacker(std::vector<char16_t> &units) : m_units(units) {}

    // `target` becomes the part's text; an empty text leaves it as it is.
    template<typename Target>
    void add(Target &target, const Text &part)
    {
        if (!part.isEmpty())
            addPart(start(target, 0), part);
    }

    // `target` becomes the non-empty parts joined by single spaces.
    void add(QString &target, std::initializer_list<const Text *> parts)
    {
        Entry *e = nullptr;
        for (const Text *part : parts) {
            if (part->isEmpty())
                continue;
            if (!e)
                e = &start(target, 0);
            addPart(*e, *part);
        }
    }

    // `target` becomes every part (at most three), each followed by `after`.
    void addEach(Sparse<QString> &target, std::span<const Text> parts, char16_t after)
    {
        if (parts.empty())
            return;
        Entry &e = start(target, after);
        for (const Text &part : parts)
            addPart(e, part);
    }

    void pack()
    {
        // Every entry holds at least one part.
        if (m_used == 0)
            return;
        qsizetype total = 0;
        for (int i = 0; i < m_used; ++i)
            total += m_entries[i].size + 1;
        auto [block, data] = QTypedArrayData<char16_t>::allocate(total);
        if (!block)
            qBadAlloc();
        block->ref_.storeRelaxed(m_used); // one reference for each field that shares the block
        char16_t *at = data;
        for (int i = 0; i < m_used; ++i) {
            const Entry &e = m_entries[i];
            char16_t *const start = at;
            for (int k = 0; k < e.count; ++k) {
                if (k > 0 && e.after == 0)
                    *at++ = u' ';
                const Piece &piece = e.parts[std::size_t(k)];
                const char16_t *from = piece.made ? reinterpret_cast<const char16_t *>(piece.made->constData())
                                                  : &m_units[std::size_t(piece.offset)];
                std::memcpy(at, from, std::size_t(piece.size) * sizeof(char16_t));
                at += piece.size;
                if (e.after != 0)
                    *at++ = e.after;
            }
            *at++ = u'\0';
            QString text(QStringPrivate(block, start, e.size));
            if (e.target)
                *e.target = std::move(text);
            else
                *e.sparse = std::move(text);
        }
    }

private:
    // A part's text: a made text, or units in the decoded buffer.
    struct Piece {
        const QString *made;
        qsizetype offset;
        qsizetype size;
    };
    struct Entry {
        QString *target; // or, for a field most records leave empty:
        Sparse<QString> *sparse;
        std::array<Piece, 3> parts;
        int count;
        qsizetype size;
        char16_t after; // 0: parts joined by spaces
    };

    Entry &start(QString &target, char16_t after)
    {
        Entry &e = start(after);
        e.target = &target;
        return e;
    }
    Entry &start(Sparse<QString> &target, char16_t after)
    {
        Entry &e = start(after);
        e.sparse = &target;
        return e;
    }
    Entry &start(char16_t after)
    {
        Entry &e = m_entries[m_used++];
        e.target = nullptr;
        e.sparse = nullptr;
        e.count = 0;
        e.size = 0;
        e.after = after;
        return e;
    }

    void addPart(Entry &e, const Text &part)
    {
        Piece &piece = e.parts[std::size_t(e.count++)];
        if (part.made) {
            piece = {part.made, 0, part.made->size()};
        } else {
            // No more UTF-16 units than bytes.
            const qsizetype room = part.utf8.size();
            if (qsizetype(m_units.size()) < m_unitsUsed + room)
                m_units.resize(std::size_t(std::max(m_unitsUsed + room, qsizetype(m_units.size()) * 2)));
            const qsizetype size = writeUtf16(part.utf8, m_units.data() + m_unitsUsed);
            piece = {nullptr, m_unitsUsed, size};
            m_unitsUsed += size;
        }
        e.size += (e.after != 0 || e.count > 1 ? 1 : 0) + piece.size;
    }

    std::array<Entry, 12> m_entries; // filled by add() before they are read
    int m_used = 0;
    std::vector<char16_t> &m_units;
    qsizetype m_unitsUsed = 0;
};

// A 2.1 value's encodings: quoted-printable text in a charset, Base64 data, or plain text.
struct Encoding21 {
    bool quotedPrintable = false;
    bool base64 = false;
    QByteArrayView charset;
    QString parameters; // the other parameters in 3.0 form: ";KEY=value" each, bare words as TYPE
};

Encoding21 encoding21(QByteArrayView params)
{
    Encoding21 e;
    vcard::forEachParameter(params, [&](const vcard::Parameter &p) {
        const bool encoding = p.bare || equalsWord(p.key, "ENCODING");
        if (encoding && equalsWord(p.value, "QUOTED-PRINTABLE"))
            e.quotedPrintable = true;
        else if (encoding && (equalsWord(p.value, "BASE64") || equalsWord(p.value, "B")))
            e.base64 = true;
        else if (encoding && (equalsWord(p.value, "8BIT") || equalsWord(p.value, "7BIT")))
            return;
        else if (equalsWord(p.key, "ENCODING"))
            return;
        else if (equalsWord(p.key, "CHARSET"))
            e.charset = p.value; // the value is decoded: the 3.0 line is UTF-8
        else
            e.parameters += u';' + text(p.key) + u'=' + text(p.value);
    });
    return e;
}

// A 2.1 value as text: quoted-printable decoded in its charset where the line says so.
QString decoded21(const Property &p, const Encoding21 &e)
{
    return e.quotedPrintable ? mEncodeDecode::decodeQuotedPrintableUtf8(p.value, e.charset) : text(p.value);
}

// The type of a 2.1 photo: TYPE=, or a bare word other than an encoding or a value type ("JPEG", "PNG"); a MIME
// type "image/jpeg" gives "JPEG".
QByteArray photoType21(QByteArrayView params)
{
    QByteArray type;
    vcard::forEachParameter(params, [&](const vcard::Parameter &p) {
        if (p.bare) {
            static constexpr QByteArrayView notTypes[] = {"BASE64", "B",   "QUOTED-PRINTABLE", "8BIT",  "7BIT",
                                                          "URL",    "CID", "CONTENT-ID",       "INLINE"};
            for (QByteArrayView word : notTypes) {
                if (equalsWord(p.value, word))
                    return;
            }
            type = p.value.toByteArray();
        } else if (equalsWord(p.key, "TYPE")) {
            type = p.value.toByteArray();
        }
    });
    if (startsWithWord(type, "IMAGE/"))
        type = type.sliced(6).toUpper();
    return type;
}

// Reads one card. All dialects share the property rules; 2.1 differs in its encodings and its photo lines, 4.0 in
// its URIs.
// What the parameters of a name line say. Phones spell them the same on every N and FN line of a book
// ("CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE"), so the last verdict is kept from card to card and taken again while
// the parameters are the same bytes.
class NameParameters {
public:
    void look(QByteArrayView params)
    {
        if (m_known && QByteArrayView(m_text) == params)
            return;
        m_text = params.toByteArray();
        m_quotedPrintable = vcard::saysQuotedPrintable(m_text);
        m_charset = vcard::parameter(m_text, "CHARSET");
        m_parameters21.reset();
        m_known = true;
    }
    [[nodiscard]] bool quotedPrintable() const { return m_quotedPrintable; }
    [[nodiscard]] QByteArrayView charset() const { return m_charset; } // a view into the kept parameters
    // The other parameters in 3.0 form, as a 2.1 N line goes back.
    [[nodiscard]] const QString &parameters21()
    {
        if (!m_parameters21)
            m_parameters21 = encoding21(m_text).parameters;
        return *m_parameters21;
    }

private:
    QByteArray m_text;
    bool m_known = false;
    bool m_quotedPrintable = false;
    QByteArrayView m_charset;
    std::optional<QString> m_parameters21;
};

class CardReader {
public:
    CardReader(Dialect dialect, std::span<const QByteArrayView> lines, std::vector<quint8> &keep,
               std::deque<QString> &made, QByteArray &decoded, std::vector<char16_t> &utf16,
               NameParameters &nameParameters, QByteArray &keptName, bool cut, ContactRecord &record)
        : m_dialect(dialect), m_lines(lines), m_keep(keep), m_made(made), m_decoded(decoded), m_utf16(utf16),
          m_params(nameParameters), m_keptName(keptName), m_record(record), m_cut(cut)
    {
        m_made.clear();
        m_keep.assign(lines.size(), 0);
    }

    // A line without the white space around it. A 2.1 line led by tabs after an empty line (a fold of nothing) is
    // read as the line it holds, as a 3.0 one is; kept, it goes back as a line of its own.
    QByteArrayView lineAt(std::size_t i) const
    {
        QByteArrayView line = m_lines[i];
        if (!line.isEmpty() && line.front() != ' ' && line.front() != '\t' && line.back() != ' ')
            return line; // as nearly every line stands
        line = trimSpaces(line);
        while (line.startsWith('\t') || line.startsWith(' '))
            line = line.sliced(1);
        return line;
    }

    // Fills the record; false when the card holds nothing to read (the record is then left as it was).
    bool read()
    {
        for (std::size_t i = 0; i < m_lines.size(); ++i) {
            const QByteArrayView line = lineAt(i);
            const char first = firstLetter(line);
            if (line.isEmpty() || (first == 'v' && startsWithWord(line, "VERSION:")))
                continue;
            if (first == 'e' && equalsWord(line, "END:VCARD"))
                break; // what follows before the next card is not this card's
            m_line = i;
            const Property p = vcard::splitProperty(line);
            if (takeProperty(p))
                m_recognised = true;
            else
                keepLine(i);
        }
        if (!m_recognised)
            return false;
        finish();
        return true;
    }

private:
    bool v21() const { return m_dialect == Dialect::V21; }

    // A field's value, with the line it came from: a later line of the same kind replaces it, and the line it
    // replaced is kept with the record.
    struct Held {
        Text value;
        std::ptrdiff_t line = -1;
    };
    void hold(Held &held, Text value, bool keepReplaced = true)
    {
        // An empty line says nothing: it hides nothing read before it, and a save leaves it out.
        if (value.isEmpty() && held.line >= 0)
            return;
        if (keepReplaced && !held.value.isEmpty())
            keepLine(std::size_t(held.line));
        held = {std::move(value), std::ptrdiff_t(m_line)};
    }
    // A text made while the card is read; it lives as long as the reader.
    Text made(QString value)
    {
        m_made.push_back(std::move(value));
        return Text{{}, &m_made.back()};
    }
    // A value as it stands in the card. The last card of a file cut inside a character is made into text at once:
    // its bytes are not all well-formed.
    Text bytes(QByteArrayView v) { return m_cut ? madeFromCut(v) : Text{v, nullptr}; }
    [[gnu::noinline]] Text madeFromCut(QByteArrayView v) { return made(text(v)); }
    // A 3.0 text value, its escapes undone.
    Text unescaped(QByteArrayView v) { return holds(v, '\\') ? made(vcard::unescapeText(text(v))) : bytes(v); }
    Text unescaped(const Text &t) { return t.isMade() ? made(vcard::unescapeText(*t.made)) : unescaped(t.utf8); }
    struct HeldBytes {
        QByteArray value;
        std::ptrdiff_t line = -1;
    };
    void holdBytes(HeldBytes &held, QByteArray value)
    {
        if (held.line >= 0)
            keepLine(std::size_t(held.line));
        held = {std::move(value), std::ptrdiff_t(m_line)};
    }

    // The properties that fill the record. A line is looked up by its name (the group dropped, letter case
    // ignored); the other lines are kept with the record as they are.
    bool takeProperty(const Property &p)
    {
        using Take = bool (CardReader::*)(const Property &);
        struct Rule {
            QByteArrayView name;
            Take take;
        };
        static constexpr Rule kRules[] = {
            {"N", &CardReader::takeName},
            {"FN", &CardReader::takeFullName},
            {"TEL", &CardReader::takeNumber},
            {"EMAIL", &CardReader::takeEmail},
            {"PHOTO", &CardReader::takePhoto},
            {"ADR", &CardReader::takeAddress},
            {"X-QQ", &CardReader::takeQQ},
            {"CATEGORIES", &CardReader::takeCategory},
            {"X-WDJ-STARRED", &CardReader::takeStarred},
            {"X_WDJ_BIG_PHOTO", &CardReader::takeBigPhoto},
            {"X-WDJ-BIG-PHOTO", &CardReader::takeBigPhoto},
        };
        for (const Rule &rule : kRules) {
            if (equalsWord(p.name, rule.name))
                return (this->*rule.take)(p);
        }
        return false;
    }

    // N and FN are quoted-printable decoded only where the line says so, in either dialect.
    bool quotedName(const Property &p)
    {
        if (p.params.isEmpty())
            return false; // as most names stand
        m_params.look(p.params);
        return m_params.quotedPrintable();
    }
    // The common name, UTF-8 in ASCII escapes, is decoded into the card's byte buffer; the buffer was given room
    // for the whole card, which no decoded value outgrows, so the views into it stay valid.
    Text decodedName(const Property &p)
    {
        m_params.look(p.params);
        const QByteArrayView charset = m_params.charset();
        const qsizetype at = m_decoded.size();
        if (m_decoded.capacity() - at >= p.value.size() &&
            mEncodeDecode::appendQuotedPrintableUtf8(p.value, charset, m_decoded))
            return Text{QByteArrayView(m_decoded.constData() + at, m_decoded.size() - at)};
        return made(mEncodeDecode::decodeQuotedPrintableUtf8(p.value, charset));
    }

    bool takeName(const Property &p)
    {
        if (!p.hasColon)
            return false;
        // The whole value, as 3.0 text: the components of the structured name, separated by ";".
        if (v21()) {
            const Text whole = quotedName(p) ? decodedName(p) : bytes(p.value);
            // 2.1 keeps only the first component, the family name as most phones write it. An earlier N line says
            // nothing the last one does not: only one N line is written back.
            if (whole.isMade()) {
                const qsizetype semi = whole.made->indexOf(u';');
                m_name21 = made(semi < 0 ? QString() : trimSpaces(QStringView(*whole.made).first(semi)).toString());
                hold(m_name, made(escape21(*whole.made, true)), false);
            } else {
                const qsizetype semi = whole.utf8.indexOf(';');
                m_name21 = Text{semi < 0 ? QByteArrayView() : trimSpaces(whole.utf8.first(semi))};
                hold(m_name, needsEscape21(whole.utf8) ? made(escape21(whole.toString(), true)) : whole, false);
            }
        } else {
            hold(m_name, quotedName(p) ? decodedName(p) : bytes(p.value), false);
        }
        m_nameParameters = p.params;
        return true;
    }

    bool takeFullName(const Property &p)
    {
        if (!p.hasColon)
            return false;
        if (quotedName(p)) {
            const Text name = decodedName(p);
            hold(m_fullName, v21() ? name : unescaped(name), false);
        } else {
            hold(m_fullName, v21() ? bytes(p.value) : unescaped(p.value), false);
        }
        return true;
    }

    enum class TelKind { Ignored, Cell, Home, Work, Other };

    static TelKind telKind(QByteArrayView params)
    {
        // The parameters nearly every phone writes are looked up whole; the others are taken apart.
        static constexpr std::pair<QByteArrayView, TelKind> kCommon[] = {
            {"TYPE=CELL", TelKind::Cell}, {"TYPE=HOME", TelKind::Home}, {"TYPE=WORK", TelKind::Work},
            {"CELL", TelKind::Cell},      {"HOME", TelKind::Home},      {"WORK", TelKind::Work},
        };
        for (const auto &[common, kind] : kCommon) {
            if (equalsWord(params, common))
                return kind;
        }
        bool fax = false, cell = false, home = false, work = false;
        vcard::forEachValue(params, [&](QByteArrayView key, QByteArrayView v) {
            if (!equalsWord(key, "TYPE"))
                return;
            fax = fax || equalsWord(v, "FAX") || equalsWord(v, "PAGER");
            cell = cell || equalsWord(v, "CELL") || equalsWord(v, "MOBILE") || equalsWord(v, "IPHONE");
            home = home || equalsWord(v, "HOME");
            work = work || equalsWord(v, "WORK");
        });
        if (fax)
            return TelKind::Ignored;
        if (cell)
            return TelKind::Cell;
        if (home)
            return TelKind::Home;
        return work ? TelKind::Work : TelKind::Other;
    }

    bool takeNumber(const Property &p)
    {
        if (!p.hasColon)
            return false;
        QByteArrayView number = p.value;
        // A tel: URI (4.0, or any card that says VALUE=uri) is the number after its scheme.
        if (startsWithWord(number, "TEL:") &&
            (m_dialect == Dialect::V40 || equalsWord(vcard::parameter(p.params, "VALUE"), "URI")))
            number = number.sliced(4);
        switch (telKind(p.params)) {
        case TelKind::Ignored: return false;
        case TelKind::Cell: hold(m_cell, bytes(number)); break;
        case TelKind::Home: hold(m_home, bytes(number)); break;
        case TelKind::Work: hold(m_work, bytes(number)); break;
        case TelKind::Other: hold(m_other, bytes(number)); break;
        }
        return true;
    }

    bool takeEmail(const Property &p)
    {
        if (!p.hasColon)
            return false;
        bool work = false, home = false;
        // The parameters nearly every phone writes are looked up whole; the others are taken apart.
        if (equalsWord(p.params, "TYPE=WORK") || equalsWord(p.params, "WORK")) {
            work = true;
        } else if (equalsWord(p.params, "TYPE=HOME") || equalsWord(p.params, "HOME")) {
            home = true;
        } else if (!p.params.isEmpty() && !equalsWord(p.params, "TYPE=INTERNET")) {
            vcard::forEachValue(p.params, [&](QByteArrayView key, QByteArrayView v) {
                if (equalsWord(key, "TYPE")) {
                    work = work || equalsWord(v, "WORK");
                    home = home || equalsWord(v, "HOME");
                }
            });
        }
        hold(work ? m_emailWork : home ? m_emailHome : m_emailPlain, v21() ? bytes(p.value) : unescaped(p.value));
        return true;
    }

    // A photo in the 3.0 form the record keeps, as bytes: parameters, a colon and the Base64 data, or "VALUE=uri:"
    // and a URI.
    bool takePhoto(const Property &p)
    {
        std::optional<QByteArray> photo = v21() ? photo21(p) : m_dialect == Dialect::V40 ? photo40(p) : photo30(p);
        if (!photo)
            return false;
        holdBytes(m_photo, std::move(*photo));
        return true;
    }

    static std::optional<QByteArray> photo30(const Property &p)
    {
        if (!p.hasParams || !p.hasColon)
            return std::nullopt;
        const QByteArrayView data = p.value;
        // Base64 holds no white space: what a fold left inside the data goes.
        if (holdsBlank(data)) {
            const QByteArrayView parameters = p.afterName.first(p.afterName.size() - p.rawValue.size() - 1);
            return parameters.toByteArray() + ':' + withoutWhiteSpace(data);
        }
        return p.afterName.toByteArray();
    }

    static std::optional<QByteArray> photo40(const Property &p)
    {
        if (!p.hasColon || p.value.isEmpty())
            return std::nullopt;
        const QByteArrayView uri = p.value;
        if (startsWithWord(uri, "DATA:")) {
            // data:image/TYPE;base64,DATA
            const qsizetype comma = uri.indexOf(',');
            const QByteArrayView header = comma > 0 ? uri.sliced(5, comma - 5) : QByteArrayView();
            if (comma > 0 && header.size() >= 7 && equalsWord(header.last(7), ";BASE64")) {
                QByteArray type = header.first(header.size() - 7).toByteArray();
                if (startsWithWord(type, "IMAGE/"))
                    type = type.sliced(6).toUpper();
                const QByteArray data = withoutWhiteSpace(uri.sliced(comma + 1));
                return type.isEmpty() ? "ENCODING=b:" + data : "ENCODING=b;TYPE=" + type + ':' + data;
            }
        }
        return "VALUE=uri:" + uri.toByteArray();
    }

    static std::optional<QByteArray> photo21(const Property &p)
    {
        if (!p.hasColon)
            return std::nullopt;
        if (equalsWord(vcard::parameter(p.params, "VALUE"), "URL"))
            return "VALUE=uri:" + p.value.toByteArray();
        const QByteArray type = photoType21(p.params);
        const QByteArrayView value = p.value;
        const bool blank = holdsBlank(value);
        QByteArray photo;
        photo.reserve(type.size() + value.size() + 17);
        photo.append(type.isEmpty() ? QByteArrayView("ENCODING=b:") : QByteArrayView("ENCODING=b;TYPE="));
        if (!type.isEmpty())
            photo.append(type).append(':');
        photo.append(blank ? QByteArrayView(withoutWhiteSpace(value)) : value);
        return photo;
    }

    // ADR; keeps its parameters with the value, so it needs no colon of its own, but parameters.
    bool takeAddress(const Property &p)
    {
        if (!p.hasParams)
            return false;
        if (v21()) {
            // As 3.0: decoded, the line breaks and commas escaped, the bare words as TYPE.
            const Encoding21 e = encoding21(p.params);
            if (e.parameters.isEmpty() || !p.hasColon)
                return false; // no parameters would be left: the line is kept as it is
            hold(m_address, made(e.parameters.sliced(1) + u':' + escape21(decoded21(p, e), true)));
        } else {
            hold(m_address, bytes(p.afterName));
        }
        return true;
    }

    bool takeQQ(const Property &p)
    {
        if (!p.hasColon)
            return false;
        hold(m_qq, bytes(p.value));
        return true;
    }

    // The extension lines and CATEGORIES are read only in the form the table gives, without parameters.
    static bool plainValue(const Property &p) { return !p.hasParams && p.hasColon; }

    bool takeCategory(const Property &p)
    {
        if (!plainValue(p))
            return false;
        // The first few as they stand in the card; a card with more makes them into one text.
        if (m_categoryCount < m_categoryParts.size()) {
            m_categoryParts[m_categoryCount++] = bytes(p.value);
            return true;
        }
        if (m_moreCategories.isEmpty()) {
            for (const Text &part : m_categoryParts)
                m_moreCategories.append(part.toString()).append(u'|');
        }
        m_moreCategories.append(text(p.value)).append(u'|');
        return true;
    }

    bool takeStarred(const Property &p)
    {
        if (!plainValue(p))
            return false;
        hold(m_starred, bytes(p.value));
        return true;
    }

    bool takeBigPhoto(const Property &p)
    {
        if (!plainValue(p))
            return false;
        holdBytes(m_bigPhoto, p.value.toByteArray());
        return true;
    }

    // A card's name given only as N: its components joined as the name is said.
    static QString nameFromComponents(const QString &n)
    {
        QStringList parts; // family; given; middle; prefix; suffix
        for (QStringView part : vcard::components(n))
            parts << trimSpaces(vcard::unescapeText(part));
        while (parts.size() < 5)
            parts << QString();
        const auto cjk = [](const QString &s) {
            for (qsizetype i = 0; i < s.size(); ++i) {
                char32_t c = s[i].unicode();
                if (s[i].isHighSurrogate() && i + 1 < s.size())
                    c = QChar::surrogateToUcs4(s[i], s[i + 1]);
                if ((c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
                    (c >= 0x1100 && c <= 0x11FF) || (c >= 0x20000 && c <= 0x3FFFF))
                    return true;
            }
            return false;
        };
        const bool eastern = std::any_of(parts.begin(), parts.end(), cjk);
        if (eastern)
            return parts[0] + parts[2] + parts[1];
        QStringList said;
        for (int k : {3, 1, 2, 0, 4}) {
            if (!parts[k].isEmpty())
                said << parts[k];
        }
        return said.join(u' ');
    }

    // Whether N is the one the writer builds from the name: ";" + name + ";;;".
    static bool isBuiltName(const QString &n, const QString &name)
    {
        if (n.size() != name.size() + 4 && !name.contains(u'\\') && !name.contains(u',') && !name.contains(u';'))
            return false; // the common answer, without looking further
        if (n.size() < 4 || n.front() != u';' || !QStringView(n).endsWith(u";;;"))
            return false;
        const QStringView given = QStringView(n).sliced(1, n.size() - 4);
        const bool plain = std::none_of(name.begin(), name.end(), [](QChar c) {
            return c == u'\\' || c == u',' || c == u';' || c == u'\n' || c == u'\r';
        });
        return plain ? given == name : given == vcard::escapeText(name);
    }

    static bool isBuiltName(const Text &n, const Text &name)
    {
        if (n.isMade() || name.isMade())
            return isBuiltName(n.toString(), name.toString());
        // Both as they stand in the card, which is UTF-8 through and through: compared byte by byte where the name
        // needs no escapes.
        const QByteArrayView given = name.utf8;
        if (holds(given, '\\') || holds(given, ',') || holds(given, ';'))
            return isBuiltName(n.toString(), name.toString());
        const QByteArrayView built = n.utf8;
        return built.size() == given.size() + 4 && built.front() == ';' && built.endsWith(";;;") &&
               built.sliced(1, given.size()) == given;
    }

    // A line kept with the record, in 3.0 form.
    QString keptLine(std::size_t i) const
    {
        const QByteArrayView line = lineAt(i);
        if (!v21())
            return text(line);
        const Property p = vcard::splitProperty(line);
        if (!p.hasColon)
            return text(line);
        // The group and name as they stand: ".END" stays, so it never reads as the card's end. An END or VERSION
        // line the reader did not take stays as it is for the same reason ("END;:VCARD" would become the end).
        const QByteArrayView groupAndName = line.first(p.name.data() - line.data() + p.name.size());
        if (equalsWord(groupAndName, "END") || equalsWord(groupAndName, "VERSION"))
            return text(line);
        QString head = text(groupAndName);
        if (equalsWord(p.name, "PHOTO")) {
            if (const std::optional<QByteArray> photo = photo21(p))
                return head + u';' + QString::fromUtf8(*photo);
        }
        const Encoding21 e = encoding21(p.params);
        head += e.parameters;
        if (e.base64)
            return head + u";ENCODING=b:"_s + text(withoutWhiteSpace(p.value));
        static constexpr QByteArrayView textual[] = {"N", "FN", "NOTE", "ORG", "TITLE", "ROLE", "ADR", "LABEL"};
        const bool commas = std::any_of(std::begin(textual), std::end(textual),
                                        [&](QByteArrayView name) { return equalsWord(p.name, name); });
        return head + u':' + escape21(decoded21(p, e), commas);
    }

    void finish()
    {
        // Numbers: the work and then the other number fill an empty mobile, else an empty landline, else drop out.
        Held *mobile = &m_cell, *landline = &m_home;
        for (Held *number : {&m_work, &m_other}) {
            if (number->value.isEmpty())
                continue;
            if (mobile->value.isEmpty())
                mobile = number;
            else if (landline->value.isEmpty())
                landline = number;
            else
                keepLine(std::size_t(number->line));
        }
        if (!m_photo.value.isEmpty())
            m_record.Photo = std::move(m_photo.value);
        if (!m_bigPhoto.value.isEmpty())
            m_record.BigPhoto = std::move(m_bigPhoto.value);

        // A card named only by N is called by its name's components.
        Text fullName = m_fullName.value;
        if (fullName.isEmpty() && m_name.line >= 0)
            fullName = made(nameFromComponents(m_name.value.toString()));

        // The card's N goes back as it came while it says more than the N the writer builds from the name.
        const bool keepName = m_name.line >= 0 && !isBuiltName(m_name.value, fullName);
        Text keptText; // nothing kept, as most cards
        if (keepName && m_kept == 0 && !m_name.value.isMade() && !m_cut)
            keptText = keptNameLine();
        else if (keepName || m_kept > 0)
            keptText = made(keptLines(keepName));

        // Every text of the record in one block. E-mail: the plain, work and home addresses in that order.
        const Text moreCategories = m_moreCategories.isEmpty() ? Text{} : made(std::move(m_moreCategories));
        TextPacker packer(m_utf16);
        packer.add(m_record.Name, v21() ? m_name21 : m_name.value);
        packer.add(m_record.FullName, fullName);
        packer.add(m_record.Mobile, mobile->value);
        packer.add(m_record.Landline, landline->value);
        packer.add(m_record.Email, {&m_emailPlain.value, &m_emailWork.value, &m_emailHome.value});
        packer.add(m_record.QQ, m_qq.value);
        packer.add(m_record.Address, m_address.value);
        packer.add(m_record.Starred, m_starred.value);
        if (moreCategories.isEmpty())
            packer.addEach(m_record.Categories, std::span<const Text>(m_categoryParts).first(m_categoryCount), u'|');
        else
            packer.add(m_record.Categories, moreCategories);
        packer.add(m_record.Kept, keptText);
        packer.pack();
    }

    // The N line alone, as most 2.1 cards keep it ("N:Zhang;San;;;"): put together from the card's own UTF-8.
    Text keptNameLine()
    {
        m_params.look(m_nameParameters);
        QByteArray &line = m_keptName;
        line.resize(0);
        line.append('N');
        if (v21()) {
            if (const QString &parameters = m_params.parameters21(); !parameters.isEmpty())
                line.append(parameters.toUtf8());
        } else if (!m_params.quotedPrintable() && !m_nameParameters.isEmpty()) {
            line.append(';').append(m_nameParameters);
        }
        line.append(':').append(m_name.value.utf8).append('\n');
        return Text{line};
    }

    // The lines that go back with the record, N first when it does.
    QString keptLines(bool keepName)
    {
        QString kept;
        if (keepName) {
            const QString name = m_name.value.toString();
            m_params.look(m_nameParameters);
            const QString parameters = v21() ? m_params.parameters21()
                                             : (m_nameParameters.isEmpty() ? QString() : u';' + text(m_nameParameters));
            kept.reserve(name.size() + parameters.size() + 3);
            kept.append(u'N');
            if (v21() || !m_params.quotedPrintable())
                kept.append(parameters);
            kept.append(u':').append(name).append(u'\n');
        }
        for (std::size_t i = 0; m_kept > 0 && i < m_lines.size(); ++i) {
            if (m_keep[i])
                kept += keptLine(i) + u'\n';
        }
        return kept;
    }

    const Dialect m_dialect;
    const std::span<const QByteArrayView> m_lines;
    std::vector<quint8> &m_keep;    // the lines that go back with the record
    std::deque<QString> &m_made;    // the texts made while the card is read
    QByteArray &m_decoded;          // the card's quoted-printable values decoded to UTF-8
    std::vector<char16_t> &m_utf16; // the record's texts as UTF-16, before they are packed
    NameParameters &m_params;
    QByteArray &m_keptName; // the N line kept with the record, as UTF-8
    std::size_t m_kept = 0;
    void keepLine(std::size_t i)
    {
        m_kept += m_keep[i] == 0;
        m_keep[i] = 1;
    }
    std::size_t m_line = 0; // the line being read
    ContactRecord &m_record;
    Held m_name, m_fullName, m_cell, m_home, m_work, m_other, m_emailPlain, m_emailWork, m_emailHome, m_address, m_qq,
        m_starred;
    Text m_name21; // a 2.1 card's family name
    bool m_cut = false;
    HeldBytes m_photo, m_bigPhoto;
    std::array<Text, 3> m_categoryParts; // each category is followed by "|" in the record
    std::size_t m_categoryCount = 0;
    QString m_moreCategories; // all of them, when a card has more than three
    QByteArrayView m_nameParameters;
    bool m_recognised = false;
};

} // namespace

// Buffers reused from card to card, and the decoder for cards that are not UTF-8.
struct CardStream::Reader {
    std::vector<QByteArrayView> physical;
    LogicalLines logical;
    std::vector<quint8> keep;
    std::deque<QString> made;
    QByteArray decoded;
    std::vector<char16_t> utf16;
    NameParameters nameParameters;
    QByteArray keptName;
    std::optional<QStringDecoder> gb18030; // made for the first card that is not UTF-8: most books have none
    QByteArray converted;                  // the last such card, as UTF-8

    std::vector<qsizetype> starts; // of the cards found in the buffer

    // One card piece (the bytes after its "BEGIN:VCARD") into an empty record; `last` when the end of the text
    // cuts it, `utf8` when it is known to be well-formed UTF-8. False when the card holds nothing to read.
    bool read(QByteArrayView piece, bool last, bool utf8, ContactRecord &record)
    {
        // A character cut by the end of the file does not make the card GB18030.
        const QByteArrayView checked = last ? piece.first(utf8::wholeCharacters(piece)) : piece;
        bool cut = checked.size() != piece.size();
        if (!utf8 && !utf8::isValid(checked)) {
            cut = false;
            if (!gb18030)
                gb18030.emplace("GB18030");
            if (!gb18030->isValid())
                return false;
            converted = QString(gb18030->decode(piece)).toUtf8();
            gb18030->resetState();
            piece = converted;
        }
        splitLines(piece, physical);
        bool folded = false;
        const Dialect dialect = dialectOf(physical, folded);
        // Line 0 is the rest of the "BEGIN:VCARD" line: no property. A 3.0 or 4.0 card without folded lines is read
        // as its lines stand.
        std::span<const QByteArrayView> lines = std::span<const QByteArrayView>(physical).subspan(1);
        if (dialect == Dialect::V21 || folded) {
            logical.build(physical, dialect);
            lines = logical.lines();
        }
        // Room for every value of the card decoded: none is longer than its line.
        decoded.resize(0);
        if (decoded.capacity() < piece.size())
            decoded.reserve(piece.size());
        return CardReader(dialect, lines, keep, made, decoded, utf16, nameParameters, keptName, cut, record).read();
    }
};

namespace {

// The card between two of the starts found in a text.
QByteArrayView cardAt(QByteArrayView text, const std::vector<qsizetype> &starts, std::size_t k)
{
    const qsizetype begin = starts[k] + kCardStart.size();
    return text.sliced(begin, starts[k + 1] - begin);
}

} // namespace

// The complete cards of one piece, read on a helper thread (or by the stream's own thread) into records the
// table holds for them already.
struct CardStream::Batch final : HelperTask {
    Reader reader;
    QByteArray bytes;
    std::vector<qsizetype> starts; // of the cards in `bytes`, the last one the end of the last card
    int first = 0;                 // the table index of the first card's record
    ContactRecord *records = nullptr;
    std::vector<quint8> held; // per card: whether it held anything to read

    void work() override
    {
        const QByteArrayView text(bytes);
        const std::size_t cards = starts.size() - 1;
        const bool utf8 = utf8::isValid(text.sliced(starts.front(), starts.back() - starts.front()));
        held.assign(cards, 0);
        for (std::size_t k = 0; k < cards; ++k)
            held[k] = reader.read(cardAt(text, starts, k), false, utf8, records[k]);
    }
};

qsizetype findCardStart(QByteArrayView text, qsizetype from)
{
    constexpr qsizetype kSize = kCardStart.size();
    if (from < 0 || text.size() - from < kSize)
        return -1;
    const char *const base = text.data();
    const char *p = base + from;
#if defined(__SSE2__)
    // Sixteen places at a time: where the word's first and last bytes both stand, the whole word is compared.
    // Several times as fast as memmem, on contact lines and on photo data alike.
    const char *const lastStart = base + text.size() - kSize;
    const auto matches = [](const char *at) { return std::memcmp(at, kCardStart.data(), std::size_t(kSize)) == 0; };
    const __m128i first = _mm_set1_epi8(kCardStart.front()), last = _mm_set1_epi8(kCardStart.back());
    for (; lastStart - p >= 15; p += 16) {
        const __m128i heads = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const __m128i tails = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + kSize - 1));
        auto mask =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last))));
        for (; mask != 0; mask &= mask - 1) {
            const char *at = p + std::countr_zero(mask);
            if (matches(at))
                return at - base;
        }
    }
    for (; p <= lastStart; ++p) {
        if (*p == kCardStart.front() && matches(p))
            return p - base;
    }
    return -1;
#else
    const void *hit = memmem(p, std::size_t(base + text.size() - p), kCardStart.data(), std::size_t(kSize));
    return hit ? static_cast<const char *>(hit) - base : -1;
#endif
}

ParseResult splitAndParse(QByteArrayView bytes, ContactTable &table)
{
    CardStream stream(table);
    stream.feed(bytes);
    return stream.finish();
}

ParseResult splitAndParse(QStringView text, ContactTable &table)
{
    const QByteArray utf8 = text.toUtf8();
    return splitAndParse(QByteArrayView(utf8), table);
}

CardStream::CardStream(ContactTable &table, qint64 expectedBytes, CardSharing sharing)
    : m_table(table), m_reader(std::make_unique<Reader>()), m_sharing(sharing), m_helpers(sharing.helpers),
      m_expectedBytes(expectedBytes)
{
}

CardStream::~CardStream()
{
    // A stream given up on (a read error) still waits for the batches it handed out.
    for (Batch *batch : m_inFlight)
        m_helpers.withdraw(batch);
}

void CardStream::read(QByteArrayView piece, bool last, bool utf8)
{
    // The record is filled where it will stay.
    const int index = m_table.append();
    if (index == 0)
        return; // the table is full
    if (m_reader->read(piece, last, utf8, m_table[index])) {
        ++m_result.appended;
    } else {
        m_table.removeLast();
        ++m_result.unread;
    }
}

// Hands the complete cards in the buffer, up to `end`, to a batch with the records the table holds for them: the
// batch takes the buffer, and the buffer starts again from what is left.
void CardStream::shareOut(qsizetype end)
{
    const int cards = int(m_reader->starts.size() - 1);
    if (m_idle.empty() && m_batches.size() < std::size_t(m_sharing.helpers) + 3) {
        m_batches.push_back(std::make_unique<Batch>());
        m_idle.push_back(m_batches.back().get());
    }
    while (m_idle.empty())
        collect(true);
    Batch *batch = m_idle.back();
    m_idle.pop_back();
    batch->starts = m_reader->starts;
    batch->first = m_table.appendEmpty(cards);
    batch->records = &m_table[batch->first];
    std::swap(batch->bytes, m_buffer);
    const QByteArrayView left = QByteArrayView(batch->bytes).sliced(end);
    m_buffer.resize(0);
    m_buffer.reserve(std::max(batch->bytes.capacity(), left.size()));
    m_buffer.append(left);
    m_searched -= end;

    m_inFlight.push_back(batch);
    m_helpers.handOut(batch);
    // One batch waits for each helper, so that none of them waits for this thread; more than that, and this thread
    // reads the newest of those waiting. Batches read but not yet collected do not count.
    const auto waiting =
        std::count_if(m_inFlight.begin(), m_inFlight.end(), [](const Batch *b) { return !b->started(); });
    if (waiting > m_sharing.helpers)
        (void)m_helpers.runOneHere(m_inFlight.rbegin(), m_inFlight.rend());
    collect(false);
}

// Counts the cards of the batches that are done, in card order; `wait` waits for the first batch. The records of
// cards that held nothing are taken out by collectAll().
void CardStream::collect(bool wait)
{
    while (!m_inFlight.empty()) {
        Batch *batch = m_inFlight.front();
        if (wait) {
            m_helpers.collect(batch);
            wait = false;
        } else if (!m_helpers.tryCollect(batch)) {
            return;
        }
        m_inFlight.pop_front();
        m_idle.push_back(batch);
        for (std::size_t k = 0; k < batch->held.size(); ++k) {
            if (batch->held[k]) {
                ++m_result.appended;
            } else {
                ++m_result.unread;
                m_unheld.push_back(batch->first + int(k));
            }
        }
    }
}

// Makes room in the table for the cards found in a piece (`bytes` long), before any of them is appended: the records
// must not move while batches fill them. When the length of the whole text is known, the room is judged from the
// cards per byte, once with the first piece and again whenever a later piece would not fit: the rest of the text
// is taken to be as dense as the denser of the text so far and this piece, and the table grows by at least an
// eighth each time (a text may be longer than its file said). Doubling would leave up to twice the room a book
// needs when its first cards are longer than the rest (photos first), and for a moment three times. A text of
// unknown length grows as appending grows it.
void CardStream::makeTableRoom(std::size_t cards, qsizetype bytes)
{
    const bool fits = std::size_t(m_table.room()) >= cards;
    const bool judge = m_expectedBytes > 0 && (!m_sized || !fits);
    if (fits && !judge)
        return;
    collectAll();
    if (!judge)
        return;
    m_sized = true;
    const double perByte =
        std::max(double(m_found) / double(m_fed), double(cards) / double(std::max<qsizetype>(bytes, 1)));
    const double rest = perByte * double(std::max<qint64>(m_expectedBytes - m_fed, 0));
    const double wanted = std::max(double(cards) + rest * 1.05 + 16, double(m_table.upperIndex() + cards) / 8);
    m_table.reserve(int(std::min<double>(wanted, 1 << 30)));
}

// Waits for every batch out, then takes out the records of cards that held nothing, as if they had never been
// appended.
void CardStream::collectAll()
{
    // The batches no helper has started yet are read here, the newest first, while the helpers finish theirs.
    while (m_helpers.runOneHere(m_inFlight.rbegin(), m_inFlight.rend())) {
    }
    while (!m_inFlight.empty())
        collect(true);
    if (m_unheld.empty())
        return;
    std::size_t next = 0; // in m_unheld, sorted as the batches were counted
    int to = m_unheld.front();
    for (int i = to; i <= m_table.upperIndex(); ++i) {
        if (next < m_unheld.size() && m_unheld[next] == i) {
            ++next;
            continue;
        }
        m_table[to++] = std::move(m_table[i]);
    }
    while (m_table.upperIndex() >= to)
        m_table.removeLast();
    m_unheld.clear();
}

// The buffer grows to what it must hold and no further: doubling would leave megabytes unused beside the book.
void CardStream::makeRoom(qsizetype more)
{
    if (const qsizetype needed = m_buffer.size() + more; needed > m_buffer.capacity())
        m_buffer.reserve(needed + needed / 16);
}

void CardStream::feed(QByteArrayView bytes)
{
    makeRoom(bytes.size());
    m_buffer.append(bytes);
    m_fed += bytes.size();
    readBuffer();
}

bool CardStream::feed(QIODevice &device, QString *why)
{
    // Each piece is read straight into the buffer, behind what is left of the piece before.
    for (;;) {
        const qsizetype had = m_buffer.size();
        makeRoom(kReadPiece);
        m_buffer.resize(had + kReadPiece);
        const qint64 got = device.read(m_buffer.data() + had, kReadPiece);
        m_buffer.resize(had + std::max<qint64>(got, 0));
        if (got < 0 && why)
            *why = device.errorString();
        if (got <= 0)
            return got == 0;
        m_fed += got;
        readBuffer();
    }
}

void CardStream::readBuffer()
{
    const QByteArrayView text(m_buffer);
    qsizetype start = 0; // of the card being read, or of the text before the first card
    // The cards that end in the buffer are found first: when all of them are UTF-8, as in nearly every book, one
    // look at their bytes says so, and each card need not be looked at on its own.
    std::vector<qsizetype> &starts = m_reader->starts;
    starts.clear();
    for (;;) {
        const qsizetype from = std::max(m_searched, m_inCard ? start + kCardStart.size() : start);
        const qsizetype at = findCardStart(text, from);
        if (at < 0) {
            // A "BEGIN:VCARD" may be cut at the end: its first bytes are searched again with the next piece.
            m_searched = std::max(from, text.size() - (kCardStart.size() - 1));
            break;
        }
        if (m_inCard) {
            if (starts.empty())
                starts.push_back(start);
            starts.push_back(at);
        }
        m_inCard = true;
        start = at;
        m_searched = at + kCardStart.size();
    }
    if (starts.size() >= 2) {
        const std::size_t cards = starts.size() - 1;
        m_found += qint64(cards);
        makeTableRoom(cards, starts.back() - starts.front());
        if (m_sharing.helpers > 0 && cards > std::size_t(std::max(m_sharing.fromCards, 0)) &&
            std::size_t(std::numeric_limits<int>::max() - m_table.upperIndex()) >= cards) {
            shareOut(starts.back());
            start = 0;
        } else {
            collectAll(); // the cards before these join the table first
            const bool utf8 = utf8::isValid(text.sliced(starts.front(), starts.back() - starts.front()));
            for (std::size_t k = 0; k + 1 < starts.size(); ++k)
                read(cardAt(text, starts, k), false, utf8);
        }
    }
    if (!m_inCard)
        start = std::max<qsizetype>(0, m_searched); // nothing before the first card is kept
    // What is left moves to the front; the buffer keeps its room for the next piece.
    const qsizetype left = m_buffer.size() - start;
    std::memmove(m_buffer.data(), m_buffer.constData() + start, std::size_t(left));
    m_buffer.resize(left);
    m_searched -= start;
}

ParseResult CardStream::finish()
{
    collectAll();
    if (m_inCard)
        read(QByteArrayView(m_buffer).sliced(kCardStart.size()), true, false);
    m_buffer.clear();
    m_inCard = false;
    m_searched = 0;
    return m_result;
}

} // namespace vecardia
