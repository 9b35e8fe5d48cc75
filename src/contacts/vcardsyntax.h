#pragma once

#include "encoding/spaces.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <cstring>

// The syntax of vCard lines, shared by the reader and the writer: a property line taken apart, its parameters,
// the backslash escapes of 3.0 text values, and line folding.
namespace vecardia::vcard {

namespace detail {
// Whether the bytes of `word` equal those of `upper`, upper-case ASCII, letters in either case: the 0x20 bit is left
// out of the comparison exactly where `upper` holds a letter. Every byte of `upper` is below 0x80, so the sums that
// find its letters never carry into the next byte.
template<typename Word>
bool equalsUpper(Word word, Word upper)
{
    constexpr Word ones = Word(~Word(0)) / 0xFF;
    const Word fromA = upper + ones * (0x80 - 'A');
    const Word pastZ = upper + ones * (0x80 - 'Z' - 1);
    const Word letters = (fromA & ~pastZ & ones * 0x80) >> 2;
    return (word | letters) == (upper | letters);
}
template<typename Word>
Word load(const char *p)
{
    Word w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// The bytes of a word against an upper-case ASCII word of the same size, eight bytes at a time.
inline bool equalsUpperWord(const char *p, const char *q, qsizetype n)
{
    if (n >= 8) {
        // Whole words, the last one reaching back over bytes already compared.
        for (qsizetype i = 0; i < n - 8; i += 8) {
            if (!equalsUpper(load<quint64>(p + i), load<quint64>(q + i)))
                return false;
        }
        return equalsUpper(load<quint64>(p + n - 8), load<quint64>(q + n - 8));
    }
    if (n >= 4)
        return equalsUpper(load<quint32>(p), load<quint32>(q)) &&
               equalsUpper(load<quint32>(p + n - 4), load<quint32>(q + n - 4));
    for (qsizetype i = 0; i < n; ++i) {
        const char c = p[i];
        if ((c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c) != q[i])
            return false;
    }
    return true;
}
} // namespace detail

// Case-insensitive comparison with an upper-case ASCII word: property names, parameters and the lines every card
// has ("END:VCARD") are compared many times per card, most of them told apart by their size alone.
[[nodiscard]] inline bool equalsWord(QByteArrayView a, QByteArrayView upper)
{
    return a.size() == upper.size() && detail::equalsUpperWord(a.data(), upper.data(), a.size());
}

// A property line taken apart: [group.]NAME[;parameters]:value.
struct Property {
    QByteArrayView group;     // before the name, without its "." (empty when none)
    QByteArrayView name;      // as written
    QByteArrayView params;    // between the first ";" and the colon (empty when there are none)
    QByteArrayView afterName; // everything after "NAME;" (parameters, colon and value), trimmed of spaces
    QByteArrayView rawValue;  // after the colon, as it stands
    QByteArrayView value;     // after the colon, trimmed of spaces
    bool hasParams = false;
    bool hasColon = false;
};

// The colon that ends the parameters is the first one outside double quotes.
[[nodiscard]] Property splitProperty(QByteArrayView line);

// One parameter: KEY=value, or a bare word (2.1 style, "CELL"), which comes with `bare` set and the key TYPE.
// Values in double quotes come unquoted.
struct Parameter {
    QByteArrayView key;
    QByteArrayView value;
    bool bare = false;
};

// Calls f(parameter) for each parameter, in order.
template<typename F>
void forEachParameter(QByteArrayView params, F &&f);

// Calls f(key, value) for each value: a list ("TYPE=CELL,VOICE", or quoted "cell,voice") gives one call per item,
// and a bare word comes as TYPE.
template<typename F>
void forEachValue(QByteArrayView params, F &&f);

// The value of the first parameter named `key` (case ignored), or nothing.
[[nodiscard]] QByteArrayView parameter(QByteArrayView params, QByteArrayView key);

// Whether the parameters say the value is quoted-printable (ENCODING=QUOTED-PRINTABLE or the bare word).
[[nodiscard]] bool saysQuotedPrintable(QByteArrayView params);

// 3.0 text escapes: "\\", "\,", "\;" and "\n" or "\N" (a line break) turned into their characters; a backslash
// before anything else stays.
[[nodiscard]] QString unescapeText(QStringView text);
[[nodiscard]] QString unescapeText(const QString &text); // the same text, shared, when it holds no escape
// The other way: backslash, comma, semicolon and line breaks (CR LF, LF or CR) escaped.
[[nodiscard]] QString escapeText(QStringView text);
[[nodiscard]] QString escapeText(const QString &text); // the same text, shared, when nothing needs escaping
[[nodiscard]] bool needsEscaping(QStringView text);
// Whether a character is escaped so: one look at a bit for those below 64, as nearly all text is above them or
// letters and digits.
[[nodiscard]] inline bool isEscaped(char16_t c)
{
    constexpr quint64 below64 = 1ULL << '\n' | 1ULL << '\r' | 1ULL << ',' | 1ULL << ';';
    return c < 64 ? (below64 >> c & 1) != 0 : c == u'\\';
}
// What a 3.0 text value writes for a character, or nothing when it stands as it is.
[[nodiscard]] inline const char16_t *escapeOf(char16_t c)
{
    switch (c) {
    case u'\\': return u"\\\\";
    case u',': return u"\\,";
    case u';': return u"\\;";
    case u'\r':
    case u'\n': return u"\\n";
    default: return nullptr;
    }
}

// The components of a structured value (N, ADR) as written: split at each ";" that no backslash escapes.
[[nodiscard]] QList<QStringView> components(QStringView value);

// Longest line, in bytes, before it is folded.
inline constexpr qsizetype kFoldAt = 75;
// A line folded as 3.0 folds: at most 75 bytes a line, never inside a UTF-8 character, each continuation starting
// with one space. Ends with a line feed.
[[nodiscard]] QByteArray foldedLine(QByteArrayView line);

// ---- template definitions ----

namespace detail {
// The next separator outside double quotes at or after `from`, or -1.
qsizetype nextSeparator(QByteArrayView text, char separator, qsizetype from);
// Parameters are a few short words: plain loops, inlined, beat the library's searches here.
inline qsizetype indexOf(QByteArrayView text, char c)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == c)
            return i;
    }
    return -1;
}
inline QByteArrayView trimmed(QByteArrayView v)
{
    return trimSpaces(v);
}
inline QByteArrayView unquoted(QByteArrayView v)
{
    return v.size() >= 2 && v.front() == '"' && v.back() == '"' ? v.sliced(1, v.size() - 2) : v;
}
} // namespace detail

template<typename F>
void forEachParameter(QByteArrayView params, F &&f)
{
    qsizetype at = 0;
    while (at <= params.size() && !params.isEmpty()) {
        const qsizetype end = detail::nextSeparator(params, ';', at);
        const QByteArrayView text = detail::trimmed(params.sliced(at, (end < 0 ? params.size() : end) - at));
        if (!text.isEmpty()) {
            const qsizetype eq = detail::indexOf(text, '=');
            if (eq < 0)
                f(Parameter{"TYPE", text, true});
            else
                f(Parameter{detail::trimmed(text.first(eq)), detail::unquoted(detail::trimmed(text.sliced(eq + 1))),
                            false});
        }
        if (end < 0)
            break;
        at = end + 1;
    }
}

template<typename F>
void forEachValue(QByteArrayView params, F &&f)
{
    forEachParameter(params, [&](const Parameter &p) {
        if (p.bare || !equalsWord(p.key, "TYPE")) {
            f(p.key, p.value);
            return;
        }
        QByteArrayView values = p.value;
        while (!values.isEmpty()) {
            const qsizetype comma = detail::indexOf(values, ',');
            f(p.key, detail::unquoted(detail::trimmed(comma >= 0 ? values.first(comma) : values)));
            values = comma >= 0 ? values.sliced(comma + 1) : QByteArrayView();
        }
    });
}

} // namespace vecardia::vcard
