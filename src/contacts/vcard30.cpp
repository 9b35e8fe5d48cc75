// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/vcard30.h"

#include "encoding/quotedprintable.h"

#include <algorithm>
#include <cstring>

namespace vecardia::vcard {

// Whether a value holds white space: a blank, or a line break that a line without a colon brought.
bool holdsWhiteSpace(QByteArrayView v)
{
    // Photo data is long: the C library's searches look at it many bytes at a time.
    return std::any_of(std::begin(" \t\n\r"), std::end(" \t\n\r") - 1,
                       [&](char c) { return std::memchr(v.data(), c, std::size_t(v.size())) != nullptr; });
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

// A line break inside a value as 3.0 writes it: "\n".
QByteArray withLineBreaksEscaped(QByteArrayView line)
{
    if (!line.contains('\n') && !line.contains('\r'))
        return line.toByteArray();
    QByteArray out;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n')
            continue; // CR LF is one line break
        if (line[i] == '\r' || line[i] == '\n')
            out.append("\\n");
        else
            out.append(line[i]);
    }
    return out;
}

Encoding21 encoding21(QByteArrayView params)
{
    Encoding21 e;
    forEachParameter(params, [&](const Parameter &p) {
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
            e.charset = p.value;
        else
            e.others.append(';').append(p.key).append('=').append(p.value);
    });
    return e;
}

namespace {

// The type of a 2.1 photo: TYPE=, or a bare word other than an encoding or a value type ("JPEG"); a MIME type
// "image/jpeg" gives "JPEG".
QByteArray photoType21(QByteArrayView params)
{
    static constexpr QByteArrayView kNotTypes[] = {"BASE64", "B",   "QUOTED-PRINTABLE", "8BIT",  "7BIT",
                                                   "URL",    "CID", "CONTENT-ID",       "INLINE"};
    QByteArray type;
    forEachParameter(params, [&](const Parameter &p) {
        const bool notType = std::any_of(std::begin(kNotTypes), std::end(kNotTypes),
                                         [&](QByteArrayView word) { return equalsWord(p.value, word); });
        if (p.bare ? !notType : equalsWord(p.key, "TYPE"))
            type = p.value.toByteArray();
    });
    if (startsWithWord(type, "IMAGE/"))
        type = type.sliced(6).toUpper();
    return type;
}

QByteArray embeddedPhoto(QByteArrayView type, QByteArrayView data)
{
    QByteArray photo = type.isEmpty() ? QByteArray("ENCODING=b:") : "ENCODING=b;TYPE=" + type.toByteArray() + ':';
    return photo + (holdsWhiteSpace(data) ? withoutWhiteSpace(data) : data.toByteArray());
}

} // namespace

// The photo lines in the 3.0 form the record keeps: parameters, a colon and the Base64 data, or "VALUE=uri:" and
// a URI. Nothing when the line holds no photo the record can keep.
std::optional<QByteArray> photo21(const Property &p)
{
    if (!p.hasColon || p.value.isEmpty())
        return std::nullopt; // an empty photo is none, in every version
    if (equalsWord(parameter(p.params, "VALUE"), "URL"))
        return "VALUE=uri:" + withoutWhiteSpace(p.value); // as a 3.0 photo is read
    return embeddedPhoto(photoType21(p.params), p.value);
}

std::optional<QByteArray> photo40(const Property &p)
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
            return embeddedPhoto(type, uri.sliced(comma + 1));
        }
    }
    return "VALUE=uri:" + withoutWhiteSpace(uri);
}

namespace {

// The properties and parameters that vCard 3.0 knows (with those of RFC 2739 and 4770 it is used with).
bool isProperty30(QByteArrayView name)
{
    static constexpr QByteArrayView kNames[] = {
        "FN",     "N",       "NICKNAME", "PHOTO", "BDAY",  "ADR",         "LABEL",  "TEL",   "EMAIL",
        "MAILER", "TZ",      "GEO",      "TITLE", "ROLE",  "LOGO",        "AGENT",  "ORG",   "CATEGORIES",
        "NOTE",   "PRODID",  "REV",      "UID",   "URL",   "SORT-STRING", "SOUND",  "CLASS", "KEY",
        "NAME",   "PROFILE", "SOURCE",   "IMPP",  "FBURL", "CALADRURI",   "CALURI", "END",   "VERSION"};
    return startsWithWord(name, "X-") || std::any_of(std::begin(kNames), std::end(kNames),
                                                     [&](QByteArrayView known) { return equalsWord(name, known); });
}

bool isParameter30(QByteArrayView key)
{
    return startsWithWord(key, "X-") || equalsWord(key, "TYPE") || equalsWord(key, "ENCODING") ||
           equalsWord(key, "VALUE") || equalsWord(key, "CHARSET") || equalsWord(key, "LANGUAGE");
}

// A parameter value as 3.0 writes it: in double quotes when it holds a separator.
QByteArray parameterValue(QByteArrayView value)
{
    const bool quote = std::any_of(value.begin(), value.end(), [](char c) { return c == ';' || c == ':' || c == ','; });
    return quote ? '"' + value.toByteArray() + '"' : value.toByteArray();
}

} // namespace

// 4.0 parameters in 3.0 form, each after a ";": PREF=n as TYPE=pref, those 3.0 has no name for under an X- name;
// VALUE left out when the value becomes 3.0's own form.
QByteArray parameters30(QByteArrayView params, bool dropValue)
{
    QByteArray out;
    forEachParameter(params, [&](const Parameter &param) {
        if (param.bare)
            out.append(';').append(param.value);
        else if (equalsWord(param.key, "PREF"))
            out.append(";TYPE=pref");
        else if (!(dropValue && equalsWord(param.key, "VALUE")))
            out.append(';')
                .append(isParameter30(param.key) ? "" : "X-")
                .append(param.key)
                .append('=')
                .append(parameterValue(param.value));
    });
    return out;
}

// A 4.0 line in 3.0 form: PREF=n becomes TYPE=pref, a tel: URI its number, a data: URI Base64 data; what 3.0 has no
// property or parameter for is kept under an X- name, so nothing is lost and the file stays 3.0.
QByteArray line30From40(QByteArrayView line, const Property &p)
{
    // An END or VERSION line the reader did not take stays as it is: "END;:VCARD" would become the end.
    if (equalsWord(line.first(p.name.data() - line.data() + p.name.size()), "END") ||
        equalsWord(line.first(p.name.data() - line.data() + p.name.size()), "VERSION"))
        return withLineBreaksEscaped(line);
    QByteArray out = line.first(p.name.data() - line.data()).toByteArray(); // the group as it stands
    if (!isProperty30(p.name))
        out.append("X-");
    out.append(p.name);
    static constexpr QByteArrayView kMedia[] = {"PHOTO", "LOGO", "SOUND", "KEY"};
    const bool data =
        startsWithWord(p.value, "DATA:") &&
        std::any_of(std::begin(kMedia), std::end(kMedia), [&](auto name) { return equalsWord(p.name, name); });
    const bool tel = equalsWord(p.name, "TEL") && startsWithWord(p.value, "TEL:");
    out.append(parameters30(p.params, tel || data));
    if (data) {
        if (const std::optional<QByteArray> embedded = photo40(p); embedded && !embedded->startsWith("VALUE=uri:"))
            return out + ';' + *embedded;
    }
    return withLineBreaksEscaped(out.append(':').append(tel ? p.value.sliced(4) : p.value));
}

QByteArray line30From21(QByteArrayView line, const Property &p, bool gb18030First)
{
    // The group and name as they stand: ".END" stays, so it never reads as the card's end. An END or VERSION line the
    // reader did not take stays as it is for the same reason ("END;:VCARD" would become the end).
    const QByteArrayView head = line.first(p.name.data() - line.data() + p.name.size());
    if (equalsWord(head, "END") || equalsWord(head, "VERSION"))
        return withLineBreaksEscaped(line);
    if (equalsWord(p.name, "PHOTO")) {
        if (const std::optional<QByteArray> photo = photo21(p))
            return head.toByteArray() + ';' + *photo;
    }
    const Encoding21 e = encoding21(p.params);
    if (e.base64)
        return head.toByteArray() + e.others + ";ENCODING=b:" + withoutWhiteSpace(p.value);
    static constexpr QByteArrayView kText[] = {"N", "FN", "NOTE", "ORG", "TITLE", "ROLE", "ADR", "LABEL"};
    const bool commas =
        std::any_of(std::begin(kText), std::end(kText), [&](QByteArrayView name) { return equalsWord(p.name, name); });
    const QByteArray value = e.quotedPrintable ? mEncodeDecode::decodeQuotedPrintableUtf8(p.value, e.charset, gb18030First).toUtf8()
                                               : p.value.toByteArray();
    return head.toByteArray() + e.others + ':' + escape21(value, commas);
}

} // namespace vecardia::vcard
