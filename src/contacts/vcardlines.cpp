// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/vcardlines.h"

#include "contacts/vcardsyntax.h"
#include "encoding/simd.h"
#include "encoding/spaces.h"
#include "encoding/utf8.h"

#include <QString>

#include <algorithm>
#include <bit>
#include <cstring>

namespace vecardia::vcard {

namespace {

constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";
// An AGENT line is short: a longer line before a card start is no AGENT line.
constexpr qsizetype kAgentLineAtMost = 256;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

bool isEmptyAgentLine(QByteArrayView line)
{
    line = trimSpaces(line);
    if (line.size() > kAgentLineAtMost || !line.endsWith(':'))
        return false; // as every line but an empty AGENT line
    const Property p = splitProperty(trimSpaces(line));
    return p.hasColon && p.value.isEmpty() && equalsWord(p.name, "AGENT");
}

// Whether a line starts with BEGIN:VCARD, a byte-order mark before it or not.
bool isCardStartLine(QByteArrayView line)
{
    if (line.isEmpty() || ((line[0] | 0x20) != 'b' && line[0] != kUtf8Bom[0]))
        return false; // as nearly every line
    if (line.startsWith(kUtf8Bom))
        line = line.sliced(kUtf8Bom.size());
    return line.size() >= kCardStart.size() && equalsWord(line.first(kCardStart.size()), kCardStart);
}

// Whether the line that ends right before `lineStart` is an AGENT line with nothing after its colon.
bool followsEmptyAgent(QByteArrayView text, qsizetype lineStart)
{
    // One line end: a line feed with the carriage returns right before it (a few at most), or a carriage return.
    qsizetype end = lineStart;
    if (end > 0 && text[end - 1] == '\n') {
        --end;
        while (end > 0 && text[end - 1] == '\r' && lineStart - end < 8)
            --end;
    } else if (end > 0 && text[end - 1] == '\r') {
        --end;
    }
    qsizetype last = end; // an empty AGENT line ends in its colon, spaces after it or not
    while (last > 0 && text[last - 1] == ' ')
        --last;
    if (last == 0 || text[last - 1] != ':')
        return false; // as before nearly every card start: END:VCARD
    qsizetype begin = end;
    while (begin > 0 && !isLineEnd(text[begin - 1]) && end - begin <= kAgentLineAtMost)
        --begin;
    return end < lineStart && isEmptyAgentLine(text.sliced(begin, end - begin));
}

} // namespace

bool isCardStart(QByteArrayView text, qsizetype at)
{
    if (at < 0 || text.size() - at < kCardStart.size() || !equalsWord(text.sliced(at, kCardStart.size()), kCardStart))
        return false;
    qsizetype lineStart = at;
    if (at >= 3 && text[at - 3] == kUtf8Bom[0] && text[at - 2] == kUtf8Bom[1] && text[at - 1] == kUtf8Bom[2])
        lineStart -= 3;
    if (lineStart > 0 && !isLineEnd(text[lineStart - 1]))
        return false;
    return !followsEmptyAgent(text, lineStart);
}

namespace scalar {

qsizetype findCardStart(QByteArrayView text, qsizetype from)
{
    if (from < 0)
        return -1;
    for (qsizetype at = from; at + kCardStart.size() <= text.size(); ++at) {
        if ((text[at] | 0x20) == 'b' && isCardStart(text, at))
            return at;
    }
    return -1;
}

void splitLines(QByteArrayView card, std::vector<QByteArrayView> &lines)
{
    lines.clear();
    qsizetype start = 0;
    for (qsizetype i = 0; i < card.size(); ++i) {
        if (card[i] != '\n' && card[i] != '\r')
            continue;
        lines.emplace_back(card.sliced(start, i - start));
        if (card[i] == '\r') {
            qsizetype k = i;
            while (k < card.size() && card[k] == '\r')
                ++k;
            if (k < card.size() && card[k] == '\n')
                i = k; // carriage returns before a line feed: one line end
        }
        start = i + 1;
    }
    lines.emplace_back(card.sliced(start));
}

} // namespace scalar

#if VECARDIA_SSE2
namespace {

// Sixteen places at a time: where the word's first and last letters both stand, in either case, the place is looked
// at whole. Several times as fast as a byte search, on contact lines and on photo data alike.
qsizetype findCardStartSse2(QByteArrayView text, qsizetype from)
{
    constexpr qsizetype kSize = kCardStart.size();
    if (from < 0 || text.size() - from < kSize)
        return -1;
    const char *const base = text.data();
    const char *p = base + from;
    const char *const lastStart = base + text.size() - kSize;
    const __m128i lower = _mm_set1_epi8(0x20), first = _mm_set1_epi8('b'), last = _mm_set1_epi8('d');
    for (; lastStart - p >= 15; p += 16) {
        const __m128i heads = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p)), lower);
        const __m128i tails = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(p + kSize - 1)), lower);
        auto mask =
            unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(heads, first), _mm_cmpeq_epi8(tails, last))));
        for (; mask != 0; mask &= mask - 1) {
            const qsizetype at = p + std::countr_zero(mask) - base;
            if (isCardStart(text, at))
                return at;
        }
    }
    for (; p <= lastStart; ++p) {
        if ((*p | 0x20) == 'b' && isCardStart(text, p - base))
            return p - base;
    }
    return -1;
}

// Splits a card at its line feeds, a carriage return right before one going with it, sixteen bytes at a time.
// False when a carriage return stands anywhere else (alone, or several before a line feed): the scalar split
// takes those cards.
bool splitAtLineFeedsSse2(QByteArrayView card, std::vector<QByteArrayView> &lines)
{
    const char *const end = card.data() + card.size();
    const char *p = card.data(), *start = p;
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

} // namespace
#endif

qsizetype findCardStart(QByteArrayView text, qsizetype from)
{
#if VECARDIA_SSE2
    return findCardStartSse2(text, from);
#else
    return scalar::findCardStart(text, from);
#endif
}

void splitLines(QByteArrayView card, std::vector<QByteArrayView> &lines)
{
#if VECARDIA_SSE2
    lines.clear();
    if (splitAtLineFeedsSse2(card, lines)) // LF or CR LF, as nearly every file has them
        return;
#endif
    scalar::splitLines(card, lines);
}

namespace {

// A line led by white space: it goes on with the line before it.
bool isFolded(QByteArrayView line)
{
    return line.startsWith(' ') || line.startsWith('\t');
}

bool endsInSoftBreak(QByteArrayView line)
{
    const QByteArrayView t = trimSpaces(line);
    return !t.isEmpty() && t.back() == '=';
}

// Copies a photo's data line without its indent; returns where the copy ends. White space inside the data is taken
// out where the photo is read, as for a photo on one line.
char *copyData(char *out, QByteArrayView data)
{
    while (!data.isEmpty() && (data.front() == ' ' || data.front() == '\t'))
        data = data.sliced(1);
    std::memcpy(out, data.data(), std::size_t(data.size()));
    return out + data.size();
}

bool isPhotoLine(QByteArrayView line)
{
    line = trimSpaces(line);
    if (!line.startsWith('P') && !line.startsWith('p') && !line.contains('.'))
        return false; // the name is not PHOTO, nor is there a group before it: as most lines
    const Property p = splitProperty(line);
    return p.hasColon && equalsWord(p.name, "PHOTO");
}

} // namespace

// The dialect is the first VERSION line's. A line led by white space goes on with the one before it, so a folded
// value that happens to read "VERSION:2.1" says nothing about the card; only the line right after "BEGIN:VCARD"
// continues nothing.
void CardLines::findDialect()
{
    m_dialect = Dialect::V30;
    m_folded = false;
    m_emptyValue = false;
    m_softBreak = false;
    bool found = false;
    for (std::size_t i = 0; i < m_physical.size(); ++i) {
        const QByteArrayView line = m_physical[i];
        // A line that ends in its colon, as an AGENT line that holds a card does, spaces after it or not.
        if (i > 0 && !line.isEmpty() && (line.back() == ':' || line.back() == ' ' || line.back() == '=')) {
            m_emptyValue = m_emptyValue || line.back() != '=';
            m_softBreak = m_softBreak || line.back() != ':';
        }
        const bool folded = i > 0 && isFolded(line);
        m_folded = m_folded || folded;
        if (found || (folded && i > 1) || line.isEmpty())
            continue;
        const char first = char(line[0] | 0x20);
        if (first != 'v' && first != 'e' && first != ' ')
            continue; // neither "VERSION:…" nor "END:VCARD" (most lines)
        const QByteArrayView t = trimSpaces(line);
        if (equalsWord(t, "VERSION:2.1"))
            m_dialect = Dialect::V21;
        else if (equalsWord(t, "VERSION:4.0"))
            m_dialect = Dialect::V40;
        found = m_dialect != Dialect::V30 || equalsWord(t, "END:VCARD");
    }
}

// Joins what goes on from one line to the next. A quoted-printable value that ends in "=" goes on with the next
// line, the "=" and the spaces after it taken out; then lines led by white space follow (3.0 drops the
// first white space, 2.1 folds only where white space stands and keeps it), and after a 2.1 photo line also the
// data lines without a colon, without their indent.
void CardLines::unfold()
{
    m_lines.clear();
    const std::vector<QByteArrayView> &physical = m_physical;
    const std::size_t count = physical.size();
    const bool v21 = m_dialect == Dialect::V21;
    // Line 0 is the rest of the "BEGIN:VCARD" line: no property.
    for (std::size_t i = 1; i < count; ++i) {
        const QByteArrayView line = physical[i];
        std::size_t next = i + 1;
        const bool softBreak =
            next < count && endsInSoftBreak(line) && saysQuotedPrintable(splitProperty(trimSpaces(line)).params);
        const bool photo = v21 && isPhotoLine(line);
        const auto continues = [&](QByteArrayView more) {
            return isFolded(more) ||
                   (photo && !trimSpaces(more).isEmpty() && !std::memchr(more.data(), ':', std::size_t(more.size())));
        };
        if (!softBreak && !(next < count && continues(physical[next]))) {
            m_lines.push_back(line);
            continue;
        }
        QByteArray joined = line.toByteArray();
        while (softBreak && next < count && endsInSoftBreak(joined)) {
            while (joined.endsWith(' '))
                joined.chop(1);
            joined.chop(1); // the "="
            joined.append(physical[next++]);
        }
        // The lines that go on are measured first, so the joined line is allocated once.
        std::size_t last = next;
        qsizetype size = joined.size();
        for (; last < count && continues(physical[last]); ++last)
            size += physical[last].size();
        const qsizetype start = joined.size();
        joined.resize(size);
        char *out = joined.data() + start;
        for (; next < last; ++next) {
            const QByteArrayView more = photo || v21 ? physical[next] : physical[next].sliced(1);
            if (photo) {
                out = copyData(out, more);
            } else {
                std::memcpy(out, more.data(), std::size_t(more.size()));
                out += more.size();
            }
        }
        joined.truncate(out - joined.constData());
        m_joined.push_back(std::move(joined));
        m_lines.push_back(m_joined.back());
        i = next - 1;
    }
}

// An AGENT line with an empty value followed by a BEGIN:VCARD line holds that card, to its END:VCARD (cards nested so
// are counted): its lines become the AGENT line's value, one after the other with line feeds between them.
bool CardLines::joinAgents()
{
    bool joinedAny = false;
    for (std::size_t i = 1; i + 1 < m_physical.size(); ++i) {
        if (!isCardStartLine(m_physical[i + 1]) || !isEmptyAgentLine(m_physical[i]))
            continue;
        std::size_t end = i + 1;
        for (int depth = 0; end < m_physical.size(); ++end) {
            const QByteArrayView line = m_physical[end];
            if (isCardStartLine(line) && isEmptyAgentLine(m_physical[end - 1]))
                ++depth;
            else if (equalsWord(trimSpaces(line), "END:VCARD") && --depth == 0)
                break;
        }
        end = std::min(end, m_physical.size() - 1);
        QByteArray joined = m_physical[i].toByteArray();
        for (std::size_t k = i + 1; k <= end; ++k)
            joined.append(m_physical[k]).append(k < end ? "\n" : "");
        m_joined.push_back(std::move(joined));
        m_physical[i] = m_joined.back();
        m_physical.erase(m_physical.begin() + qsizetype(i) + 1, m_physical.begin() + qsizetype(end) + 1);
        joinedAny = true;
    }
    return joinedAny;
}

QByteArrayView cleanedLine(QByteArrayView line)
{
    qsizetype b = 0, e = line.size();
    while (e > 0 && line[e - 1] == ' ')
        --e;
    while (b < e && (line[b] == ' ' || line[b] == '\t'))
        ++b;
    return line.sliced(b, e - b);
}

bool CardLines::joinLinesWithoutColon()
{
    bool joinedAny = false;
    std::vector<QByteArrayView> lines;
    lines.reserve(m_lines.size());
    bool continuable = false; // the last line is a property line that a line without a colon goes on with
    bool base64 = false;
    for (const QByteArrayView line : m_lines) {
        const QByteArrayView text = cleanedLine(line);
        const Property p = splitProperty(text);
        if (!text.isEmpty() && !p.hasColon && continuable) {
            QByteArray joined = lines.back().toByteArray();
            if (!base64)
                joined.append('\n');
            joined.append(text);
            m_joined.push_back(std::move(joined));
            lines.back() = m_joined.back();
            joinedAny = true;
            continue;
        }
        lines.push_back(line);
        continuable = p.hasColon && !startsWithWord(text, "VERSION:") && !equalsWord(text, "END:VCARD");
        base64 = continuable && ((m_dialect == Dialect::V21 && equalsWord(p.name, "PHOTO")) || saysBase64(p.params));
    }
    m_lines = std::move(lines);
    return joinedAny;
}

void CardLines::build(QByteArrayView card, bool last, bool utf8)
{
    m_utf8 = utf8 || utf8::isValid(card);
    m_cut = last;
    m_size = card.size();
    m_joined.clear();
    splitLines(card, m_physical);
    // An agent's card is looked for only where a line ends in its colon; its own VERSION line says nothing.
    findDialect();
    if (m_emptyValue && joinAgents())
        findDialect();
    if (m_dialect == Dialect::V21 || m_folded || m_softBreak)
        unfold();
    else
        m_lines.assign(m_physical.begin() + 1, m_physical.end()); // as nearly every card stands
}

} // namespace vecardia::vcard
