// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "encoding/spaces.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// The syntax of vCard lines, shared by the reader and the writer: a property line taken apart, its parameters,
// the backslash escapes of 3.0 text values, and line folding.
namespace vecardia::vcard {

// Case-insensitive comparison with an upper-case ASCII word (property and parameter names, "END:VCARD"): letter
// case is ignored for ASCII letters only.
[[nodiscard]] inline bool equalsWord(QByteArrayView a, QByteArrayView upper)
{
    if (a.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const char c = a[i];
        if ((c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c) != upper[i])
            return false;
    }
    return true;
}

[[nodiscard]] inline bool startsWithWord(QByteArrayView a, QByteArrayView upper)
{
    return a.size() >= upper.size() && equalsWord(a.first(upper.size()), upper);
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

// The line without its parameters named `key` (case ignored), the others as they stand.
[[nodiscard]] QByteArray withoutParameter(QByteArrayView line, const Property &p, QByteArrayView key);

// Whether the parameters say the value is quoted-printable (ENCODING=QUOTED-PRINTABLE or the bare word).
[[nodiscard]] bool saysQuotedPrintable(QByteArrayView params);
// Whether they say it is Base64 (ENCODING=B, ENCODING=BASE64 or the bare word BASE64).
[[nodiscard]] bool saysBase64(QByteArrayView params);

// 3.0 text escapes: "\\", "\,", "\;" and "\n" or "\N" (a line break) turned into their characters; a backslash
// before anything else stays. On UTF-8 or any text whose special characters are ASCII.
[[nodiscard]] QByteArray unescapeText(QByteArrayView text);
// The other way: backslash, comma, semicolon and line breaks (CR LF, LF or CR) escaped.
[[nodiscard]] QByteArray escapeText(QByteArrayView text);
[[nodiscard]] QString escapeText(QStringView text);
[[nodiscard]] bool needsEscaping(QStringView text);
[[nodiscard]] bool needsEscaping(QByteArrayView text);
// A 2.1 value as 3.0 text: its line breaks (and, with `commas`, its commas) escaped, and a backslash that escapes no
// ";" doubled: 2.1 escapes only the ";" inside structured values.
[[nodiscard]] QByteArray escape21(QByteArrayView value, bool commas);
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
[[nodiscard]] QList<QByteArrayView> components(QByteArrayView value);
// The items of a text list (NICKNAME, CATEGORIES) as written: split at each "," that no backslash escapes.
[[nodiscard]] QList<QByteArrayView> textItems(QByteArrayView value);

// Longest line, in bytes, before it is folded.
inline constexpr qsizetype kFoldAt = 75;
// A line folded as 3.0 folds: at most 75 bytes a line, never inside a UTF-8 character, each continuation starting
// with one space. Ends with a line feed.
[[nodiscard]] QByteArray foldedLine(QByteArrayView line);

// ---- template definitions ----

namespace detail {
// The next separator outside double quotes at or after `from`, or -1.
qsizetype nextSeparator(QByteArrayView text, char separator, qsizetype from);
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
            const qsizetype eq = text.indexOf('=');
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
            const qsizetype comma = values.indexOf(',');
            f(p.key, detail::unquoted(detail::trimmed(comma >= 0 ? values.first(comma) : values)));
            values = comma >= 0 ? values.sliced(comma + 1) : QByteArrayView();
        }
    });
}

} // namespace vecardia::vcard
