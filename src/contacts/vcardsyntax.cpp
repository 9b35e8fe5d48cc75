#include "contacts/vcardsyntax.h"

#include "encoding/spaces.h"
#include "encoding/utf8.h"

#include <algorithm>
#include <bit>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vecardia::vcard {

namespace detail {

qsizetype nextSeparator(QByteArrayView text, char separator, qsizetype from)
{
    bool quoted = false;
    for (qsizetype i = from; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted)
            return i;
    }
    return -1;
}

} // namespace detail

Property splitProperty(QByteArrayView line)
{
    // One pass over the name and parameters finds the colon, the first ";" and the last "." of the name, up to a
    // double quote: a colon inside quotes is no end, and lines with quotes are taken apart the careful way.
    qsizetype colon = -1, semi = -1, dot = -1;
    bool quoted = false, done = false;
    // Takes the byte at i; true when the search ends there.
    const auto take = [&](qsizetype i) {
        const char c = line[i];
        if (c == ':') {
            colon = i;
            return true;
        }
        if (c == ';') {
            semi = semi < 0 ? i : semi;
        } else if (c == '.') {
            dot = semi < 0 ? i : dot;
        } else if (c == '"') {
            quoted = true;
            return true;
        }
        return false;
    };
    qsizetype i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: only the places that hold one of the four bytes are looked at.
    const __m128i colons = _mm_set1_epi8(':'), semis = _mm_set1_epi8(';'), dots = _mm_set1_epi8('.'),
                  quotes = _mm_set1_epi8('"');
    for (; !done && line.size() - i >= 16; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(line.data() + i));
        const __m128i hits = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, colons), _mm_cmpeq_epi8(bytes, semis)),
                                          _mm_or_si128(_mm_cmpeq_epi8(bytes, dots), _mm_cmpeq_epi8(bytes, quotes)));
        for (auto mask = unsigned(_mm_movemask_epi8(hits)); mask != 0 && !done; mask &= mask - 1)
            done = take(i + std::countr_zero(mask));
    }
#endif
    for (; !done && i < line.size(); ++i)
        done = take(i);
    if (quoted) {
        colon = detail::nextSeparator(line, ':', 0);
        const QByteArrayView head = colon >= 0 ? line.first(colon) : line;
        semi = head.indexOf(';');
        dot = (semi >= 0 ? head.first(semi) : head).lastIndexOf('.');
    }
    // The property is built whole, each part set once.
    const bool hasColon = colon >= 0;
    const QByteArrayView head = hasColon ? line.first(colon) : line;
    const QByteArrayView name = semi >= 0 ? head.first(semi) : head;
    const QByteArrayView rawValue = hasColon ? line.sliced(colon + 1) : QByteArrayView();
    return Property{
        .group = dot >= 0 ? name.first(dot) : QByteArrayView(),
        .name = dot >= 0 ? name.sliced(dot + 1) : name,
        .params = semi >= 0 ? head.sliced(semi + 1) : QByteArrayView(),
        .afterName = semi >= 0 ? trimSpaces(line.sliced(semi + 1)) : QByteArrayView(),
        .rawValue = rawValue,
        .value = trimSpaces(rawValue),
        .hasParams = semi >= 0,
        .hasColon = hasColon,
    };
}

QByteArrayView parameter(QByteArrayView params, QByteArrayView key)
{
    QByteArrayView found;
    bool seen = false;
    forEachParameter(params, [&](const Parameter &p) {
        if (!seen && !p.bare && equalsWord(p.key, key)) {
            found = p.value;
            seen = true;
        }
    });
    return found;
}

bool saysQuotedPrintable(QByteArrayView params)
{
    bool qp = false;
    forEachParameter(params, [&](const Parameter &p) {
        qp = qp || ((p.bare || equalsWord(p.key, "ENCODING")) && equalsWord(p.value, "QUOTED-PRINTABLE"));
    });
    return qp;
}

QString unescapeText(const QString &text)
{
    if (!text.contains(u'\\'))
        return text;
    return unescapeText(QStringView(text));
}

QString unescapeText(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text[i + 1];
        if (next == u'n' || next == u'N')
            out += u'\n';
        else if (next == u'\\' || next == u',' || next == u';')
            out += next;
        else {
            out += c; // not an escape: the backslash stays
            continue;
        }
        ++i;
    }
    return out;
}

bool needsEscaping(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isEscaped(c.unicode()); });
}

QString escapeText(QStringView text)
{
    QString out;
    out.reserve(text.size() + 8);
    qsizetype run = 0; // the start of the characters not yet copied
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (!isEscaped(c))
            continue;
        const char16_t *escape = escapeOf(c);
        out.append(text.sliced(run, i - run)).append(QStringView(escape));
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i; // CR LF is one line break
        run = i + 1;
    }
    out.append(text.sliced(run));
    return out;
}

QString escapeText(const QString &text)
{
    return needsEscaping(text) ? escapeText(QStringView(text)) : text;
}

QList<QStringView> components(QStringView value)
{
    QList<QStringView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\') {
            ++i; // the escaped character
        } else if (value[i] == u';') {
            parts << value.sliced(start, i - start);
            start = i + 1;
        }
    }
    parts << value.sliced(std::min(start, value.size()));
    return parts;
}

QByteArray foldedLine(QByteArrayView line)
{
    QByteArray out;
    out.reserve(line.size() + line.size() / kFoldAt * 3 + 1);
    qsizetype room = kFoldAt;
    while (line.size() > room) {
        // Cut before the character that would cross the limit.
        qsizetype cut = utf8::wholeCharacters(line.first(room));
        if (cut == 0)
            cut = room; // not UTF-8 there: cut where the limit is
        out.append(line.first(cut));
        out.append("\n ");
        line = line.sliced(cut);
        room = kFoldAt - 1; // the space that starts a continuation counts
    }
    out.append(line);
    out.append('\n');
    return out;
}

} // namespace vecardia::vcard
