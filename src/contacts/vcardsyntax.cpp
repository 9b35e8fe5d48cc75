// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/vcardsyntax.h"

#include "encoding/spaces.h"
#include "encoding/utf8.h"

#include <algorithm>

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
    // One pass finds the colon that ends the name and parameters (the first one outside double quotes), the first
    // ";" before it and the last "." of the name.
    qsizetype colon = -1, semi = -1, dot = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ':' && !quoted) {
            colon = i;
            break;
        } else if (c == ';') {
            semi = semi < 0 ? i : semi;
        } else if (c == '.' && semi < 0) {
            dot = i;
        }
    }
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

QByteArray withoutParameter(QByteArrayView line, const Property &p, QByteArrayView key)
{
    if (!p.hasColon || !p.hasParams)
        return line.toByteArray();
    const qsizetype start = p.params.data() - line.data();
    const qsizetype end = start + p.params.size(); // the colon
    QByteArray out = line.first(start - 1).toByteArray();
    bool quoted = false;
    for (qsizetype i = start, from = start; i <= end; ++i) {
        if (i < end && line[i] == '"')
            quoted = !quoted;
        if (i < end && (line[i] != ';' || quoted))
            continue;
        const QByteArrayView one = line.sliced(from, i - from);
        const qsizetype equals = one.indexOf('=');
        if (equals < 0 || !equalsWord(trimSpaces(one.first(equals)), key))
            out.append(';').append(one);
        from = i + 1;
    }
    return out.append(line.sliced(end));
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

namespace {

char16_t unit(QChar c)
{
    return c.unicode();
}
char16_t unit(char c)
{
    return char16_t(static_cast<unsigned char>(c));
}

} // namespace

QByteArray unescapeText(QByteArrayView text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\\' && (next == 'n' || next == 'N')) {
            out += '\n';
            ++i;
        } else if (c == '\\' && (next == '\\' || next == ',' || next == ';')) {
            out += next;
            ++i;
        } else {
            out += c; // not an escape: the backslash stays
        }
    }
    return out;
}

bool saysBase64(QByteArrayView params)
{
    bool base64 = false;
    forEachParameter(params, [&](const Parameter &p) {
        const bool encoding = p.bare || equalsWord(p.key, "ENCODING");
        base64 = base64 || (encoding && (equalsWord(p.value, "BASE64") || equalsWord(p.value, "B")));
    });
    return base64;
}

bool needsEscaping(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return isEscaped(c.unicode()); });
}

bool needsEscaping(QByteArrayView text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return isEscaped(unit(c)); });
}

namespace {

// Escapes a text of bytes or of UTF-16 units; `Out` is QByteArray or QString.
template<typename Out, typename In>
Out escaped(In text)
{
    Out out;
    out.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = unit(text[i]);
        if (const char16_t *escape = escapeOf(c)) {
            out += typename Out::value_type(escape[0]);
            out += typename Out::value_type(escape[1]);
            if (c == u'\r' && i + 1 < text.size() && unit(text[i + 1]) == u'\n')
                ++i; // CR LF is one line break
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

QString escapeText(QStringView text)
{
    return escaped<QString>(text);
}

QByteArray escapeText(QByteArrayView text)
{
    return escaped<QByteArray>(text);
}

QByteArray escape21(QByteArrayView value, bool commas)
{
    QByteArray out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '\\' && !(i + 1 < value.size() && value[i + 1] == ';'))
            out += "\\\\";
        else if (c == ',' && commas)
            out += "\\,";
        else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            out += "\\n";
        } else
            out += c;
    }
    return out;
}

namespace {

QList<QByteArrayView> splitUnescaped(QByteArrayView value, char separator)
{
    QList<QByteArrayView> parts;
    qsizetype start = 0;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\') {
            ++i; // the escaped character
        } else if (value[i] == separator) {
            parts << value.sliced(start, i - start);
            start = i + 1;
        }
    }
    parts << value.sliced(std::min(start, value.size()));
    return parts;
}

} // namespace

QList<QByteArrayView> components(QByteArrayView value)
{
    return splitUnescaped(value, ';');
}

QList<QByteArrayView> textItems(QByteArrayView value)
{
    return splitUnescaped(value, ',');
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
