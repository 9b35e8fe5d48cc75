// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/plainvcard.h"

#include "contacts/keptlines.h"
#include "encoding/charsetfile.h"
#include "encoding/quotedprintable.h"
#include "encoding/utf8.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace vecardia::plain {

namespace {

// ---- words and white space ----

// Letter case is ignored for ASCII letters only, as in every vCard name and parameter.
bool sameWord(QStringView a, QLatin1StringView upper)
{
    if (a.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t c = a[i].unicode();
        if (c >= u'a' && c <= u'z')
            c = char16_t(c - u'a' + u'A');
        if (c != char16_t(upper[i].unicode()))
            return false;
    }
    return true;
}

bool startsWithWord(QStringView a, QLatin1StringView upper)
{
    return a.size() >= upper.size() && sameWord(a.first(upper.size()), upper);
}

// Spaces only: tabs and other blanks stay.
QString trimmed(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ')
        ++b;
    while (e > b && s[e - 1] == u' ')
        --e;
    return s.sliced(b, e - b).toString();
}

QString without(QString s, std::initializer_list<char16_t> characters)
{
    for (char16_t c : characters)
        s.remove(QChar(c));
    return s;
}

QString unquoted(const QString &s)
{
    return s.size() >= 2 && s.startsWith(u'"') && s.endsWith(u'"') ? s.mid(1, s.size() - 2) : s;
}

// ---- a property line taken apart ----

struct Parameter {
    QString key; // TYPE for a bare word
    QString value;
    bool bare = false;
};

struct Property {
    QString name;
    QString params;    // between the first ";" and the colon
    QString afterName; // everything after the first ";", trimmed
    QString rawValue;  // after the colon
    QString value;     // after the colon, trimmed
    bool hasParams = false;
    bool hasColon = false;
    qsizetype nameEnd = 0; // where the group and name end in the line
};

// [group.]NAME[;params]:value, the colon being the first one outside double quotes.
Property split(const QString &line)
{
    Property p;
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size() && colon < 0; ++i) {
        if (line[i] == u'"')
            quoted = !quoted;
        else if (line[i] == u':' && !quoted)
            colon = i;
    }
    const QString head = colon >= 0 ? line.left(colon) : line;
    const qsizetype semi = head.indexOf(u';');
    const QString groupAndName = semi >= 0 ? head.left(semi) : head;
    p.name = groupAndName.mid(groupAndName.lastIndexOf(u'.') + 1);
    p.nameEnd = groupAndName.size();
    p.hasParams = semi >= 0;
    p.hasColon = colon >= 0;
    if (p.hasParams) {
        p.params = head.mid(semi + 1);
        p.afterName = trimmed(QStringView(line).sliced(semi + 1));
    }
    if (p.hasColon) {
        p.rawValue = line.mid(colon + 1);
        p.value = trimmed(p.rawValue);
    }
    return p;
}

// The parameters at each ";" outside double quotes; values in quotes come unquoted.
// The parameters as written, split at each ";" outside double quotes.
QStringList parameterTexts(const QString &params)
{
    QStringList parts{QString()};
    bool quoted = false;
    for (QChar c : params) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u';' && !quoted)
            parts << QString();
        else
            parts.last() += c;
    }
    return parts;
}

QList<Parameter> parameters(const QString &params)
{
    QList<Parameter> out;
    for (const QString &part : parameterTexts(params)) {
        const QString text = trimmed(part);
        if (text.isEmpty())
            continue;
        const qsizetype eq = text.indexOf(u'=');
        if (eq < 0)
            out.append({u"TYPE"_s, text, true});
        else
            out.append({trimmed(text.left(eq)), unquoted(trimmed(text.mid(eq + 1))), false});
    }
    return out;
}

// The values of the TYPE parameters (a list "CELL,VOICE" item by item, bare words too).
QStringList types(const QString &params)
{
    QStringList out;
    for (const Parameter &p : parameters(params)) {
        if (!sameWord(p.key, "TYPE"_L1))
            continue;
        if (p.bare) {
            out << p.value;
            continue;
        }
        for (const QString &item : p.value.split(u','))
            out << unquoted(trimmed(item));
    }
    return out;
}

bool hasType(const QString &params, QLatin1StringView type)
{
    for (const QString &t : types(params)) {
        if (sameWord(t, type))
            return true;
    }
    return false;
}

QString parameter(const QString &params, QLatin1StringView key)
{
    for (const Parameter &p : parameters(params)) {
        if (!p.bare && sameWord(p.key, key))
            return p.value;
    }
    return {};
}

bool saysQuotedPrintable(const QString &params)
{
    for (const Parameter &p : parameters(params)) {
        if ((p.bare || sameWord(p.key, "ENCODING"_L1)) && sameWord(p.value, "QUOTED-PRINTABLE"_L1))
            return true;
    }
    return false;
}

QString decodeQuotedPrintable(const QString &value, const QString &params, bool gb18030First)
{
    return mEncodeDecode::decodeQuotedPrintable(value, parameter(params, "CHARSET"_L1).toUtf8(), gb18030First);
}

// ---- text escapes ----

QString unescape(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar next = i + 1 < s.size() ? s[i + 1] : QChar();
        if (s[i] == u'\\' && (next == u'n' || next == u'N')) {
            out += u'\n';
            ++i;
        } else if (s[i] == u'\\' && (next == u'\\' || next == u',' || next == u';')) {
            out += next;
            ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

QString escape(const QString &s)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\\' || c == u',' || c == u';')
            out += u'\\' + QString(c);
        else if (c == u'\r' || c == u'\n') {
            out += u"\\n"_s;
            if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                ++i;
        } else
            out += c;
    }
    return out;
}

// Line breaks inside a value are written "\n": no value holds a line start, so none can start a card.
QString lineBreaksEscaped(QString value)
{
    return value.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n').replace(u"\n"_s, u"\\n"_s);
}

// A 2.1 value as 3.0 text: line breaks (and, in structured and text values, commas) escaped, and a backslash that
// escapes no ";" doubled: 2.1 escapes only the ";" inside structured values.
QString escape21(const QString &s, bool commas)
{
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c == u'\\' && !(i + 1 < s.size() && s[i + 1] == u';'))
            out += u"\\\\"_s;
        else if (c == u',' && commas)
            out += u"\\,"_s;
        else if (c == u'\r' || c == u'\n') {
            out += u"\\n"_s;
            if (c == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n')
                ++i;
        } else
            out += c;
    }
    return out;
}

// A structured value's components, split at each ";" that no backslash escapes.
QStringList components(const QString &value)
{
    QStringList parts{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u';') {
            parts << QString();
            continue;
        }
        parts.last() += value[i];
        if (value[i] == u'\\' && i + 1 < value.size())
            parts.last() += value[++i];
    }
    return parts;
}

// The items of a text list, split at each "," that no backslash escapes.
QStringList textItems(const QString &value)
{
    QStringList items{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u',') {
            items << QString();
            continue;
        }
        items.last() += value[i];
        if (value[i] == u'\\' && i + 1 < value.size())
            items.last() += value[++i];
    }
    return items;
}

// ---- cards and lines ----

enum class Dialect { V21, V30, V40 };

// UTF-8 as text, a byte-order mark at the start kept as the character it is.
QString fromUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::ConvertInitialBom | QStringDecoder::Flag::Stateless);
    return utf8.decode(bytes);
}

// A card's bytes as text, one character per byte: lines are split and joined before anything is decoded.
QString cardBytes(QByteArrayView piece)
{
    return QString::fromLatin1(piece);
}

// A line ends at a line feed, at carriage returns right before one, or at a lone carriage return.
QStringList physicalLines(const QString &text)
{
    QStringList lines{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            lines.last() += c;
            continue;
        }
        if (c == u'\r') {
            qsizetype k = i;
            while (k < text.size() && text[k] == u'\r')
                ++k;
            if (k < text.size() && text[k] == u'\n')
                i = k;
        }
        lines << QString();
    }
    return lines;
}

bool isFolded(const QString &line)
{
    return line.startsWith(u' ') || line.startsWith(u'\t');
}

// The first VERSION line says; a folded line goes on with the one before it and says nothing (only the line right
// after BEGIN:VCARD continues nothing).
Dialect dialectOf(const QStringList &lines)
{
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 1 && isFolded(lines[i]))
            continue;
        const QString t = trimmed(lines[i]);
        if (sameWord(t, "VERSION:2.1"_L1))
            return Dialect::V21;
        if (sameWord(t, "VERSION:4.0"_L1))
            return Dialect::V40;
        if (sameWord(t, "END:VCARD"_L1))
            break;
    }
    return Dialect::V30;
}

bool endsInSoftBreak(const QString &line)
{
    return trimmed(line).endsWith(u'=');
}

bool isPhotoLine(const QString &line)
{
    const Property p = split(trimmed(line));
    return p.hasColon && sameWord(p.name, "PHOTO"_L1);
}

bool saysBase64(const QString &params);

// A line without a colon goes on with the property line before it: a text value on a new line, Base64 data straight
// on. After VERSION, END:VCARD or an empty line it stays on its own.
QStringList joinedWithoutColons(const QStringList &lines, Dialect dialect)
{
    QStringList out;
    bool continuable = false, base64 = false;
    for (const QString &line : lines) {
        QString text = trimmed(line);
        while (text.startsWith(u'\t') || text.startsWith(u' '))
            text.remove(0, 1);
        const Property p = split(text);
        if (!text.isEmpty() && !p.hasColon && continuable) {
            out.last() += (base64 ? QString() : u"\n"_s) + text;
            continue;
        }
        out << line;
        continuable = p.hasColon && !startsWithWord(text, "VERSION:"_L1) && !sameWord(text, "END:VCARD"_L1);
        base64 = continuable && ((dialect == Dialect::V21 && sameWord(p.name, "PHOTO"_L1)) || saysBase64(p.params));
    }
    return out;
}

// The card's properties, one line each: folded lines joined, and in 2.1 the quoted-printable soft line breaks and
// the data lines of a photo too. The rest of the BEGIN:VCARD line is no property.
QStringList logicalLines(const QStringList &lines, Dialect dialect)
{
    QStringList out;
    const bool v21 = dialect == Dialect::V21;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QString joined = lines[i];
        qsizetype next = i + 1;
        if (saysQuotedPrintable(split(trimmed(joined)).params)) { // soft line breaks, in any version
            while (next < lines.size() && endsInSoftBreak(joined)) {
                joined = trimmed(u'x' + joined).mid(1); // trailing spaces go
                joined.chop(1);                         // and the "="
                joined += lines[next++];
            }
        }
        const bool photo = v21 && isPhotoLine(lines[i]);
        while (next < lines.size() &&
               (isFolded(lines[next]) || (photo && !trimmed(lines[next]).isEmpty() && !lines[next].contains(u':')))) {
            const QString &more = lines[next++];
            if (photo)
                joined += without(more, {u' ', u'\t'}); // Base64 holds no white space: the photo is read without it
            else if (v21)
                joined += more; // 2.1 folds where white space stands, and it stays
            else
                joined += more.mid(1);
        }
        out << joined;
        i = next - 1;
    }
    return joinedWithoutColons(out, dialect);
}

// ---- charsets ----

bool hasSpecialBytes(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) || c == 0x1B; });
}

QString fromGb18030(QByteArrayView bytes)
{
    QStringDecoder gb18030("GB18030");
    return gb18030.decode(bytes);
}

// A line without its CHARSET parameters, for a line that no longer is in that charset.
QString withoutCharset(const QString &line)
{
    const Property p = split(line);
    if (!p.hasColon || !p.hasParams)
        return line;
    QString out = line.left(p.nameEnd);
    for (const QString &one : parameterTexts(p.params)) {
        const qsizetype eq = one.indexOf(u'=');
        if (eq < 0 || !sameWord(trimmed(one.left(eq)), "CHARSET"_L1))
            out += u';' + one;
    }
    return out + u':' + p.rawValue;
}

// A card's lines as text, up to its END:VCARD, with the verdicts of its values and what its values well-formed both
// ways are read as.
struct DecodedCard {
    QStringList lines;
    Verdicts verdicts;
    bool gb18030First = false;
};

// A line's CHARSET names the charset of its bytes, raw or quoted-printable. Without one, a line is UTF-8 when it is
// well-formed UTF-8 and GB18030 otherwise (the last line of the text UTF-8 when only a character cut by the end is
// not); a line well-formed both ways is read as the more of the card's values well-formed one way only are, and as
// the book when they are as many.
DecodedCard decodedCard(const QStringList &lines, bool last, bool bookGb18030First)
{
    DecodedCard card;
    QList<qsizetype> both;
    qsizetype i = 0;
    for (; i < lines.size(); ++i) {
        QString line = trimmed(lines[i]);
        while (line.startsWith(u'\t') || line.startsWith(u' '))
            line.remove(0, 1);
        if (sameWord(line, "END:VCARD"_L1))
            break;
        const QByteArray bytes = line.toLatin1();
        const Property p = split(line);
        const QString charset = parameter(p.params, "CHARSET"_L1);
        std::optional<QStringDecoder> named = decoderFor(charset);
        if (!line.isEmpty() && !startsWithWord(line, "VERSION:"_L1) && saysQuotedPrintable(p.params) && !named)
            card.verdicts.add(judgeBytes(mEncodeDecode::quotedPrintableBytes(p.value.toLatin1())));
        if (line.isEmpty() || startsWithWord(line, "VERSION:"_L1) || !hasSpecialBytes(bytes)) {
            card.lines << line;
        } else if (named) {
            const bool utf8 = sameWord(charset, "UTF-8"_L1) || sameWord(charset, "UTF8"_L1);
            card.lines << (utf8 ? fromUtf8(bytes) : withoutCharset(named->decode(bytes)));
        } else {
            const BytesVerdict verdict = judgeBytes(bytes);
            card.verdicts.add(verdict);
            const bool cut = last && i + 1 == lines.size() && bytes.first(utf8::wholeCharacters(bytes)).isValidUtf8();
            if (verdict == BytesVerdict::Both)
                both << i;
            const bool utf8 = verdict == BytesVerdict::Utf8Only || verdict == BytesVerdict::Both || cut;
            card.lines << (utf8 ? fromUtf8(bytes) : fromGb18030(bytes));
        }
    }
    const Verdicts &v = card.verdicts;
    card.gb18030First = v.gb18030Only != v.utf8Only ? v.gb18030Only > v.utf8Only : bookGb18030First;
    for (const qsizetype k : both) {
        if (card.gb18030First)
            card.lines[k] = fromGb18030(card.lines[k].toUtf8());
    }
    card.lines += lines.mid(i); // what follows END:VCARD is no part of the card
    return card;
}

// ---- one card ----

bool saysBase64(const QString &params)
{
    for (const Parameter &p : parameters(params)) {
        if ((p.bare || sameWord(p.key, "ENCODING"_L1)) && (sameWord(p.value, "BASE64"_L1) || sameWord(p.value, "B"_L1)))
            return true;
    }
    return false;
}

bool isCjk(char32_t c)
{
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
           (c >= 0x1100 && c <= 0x11FF) || (c >= 0x20000 && c <= 0x3FFFF);
}

// A name given only as N, as it is said: family, middle and given name run together in Chinese, Japanese and
// Korean; prefix, given, middle, family and suffix with spaces otherwise.
QString nameFromComponents(const QString &n)
{
    QStringList parts;
    for (const QString &part : components(n))
        parts << trimmed(unescape(part));
    while (parts.size() < 5)
        parts << QString();
    bool eastern = false;
    for (const QString &part : parts) {
        for (char32_t c : part.toUcs4())
            eastern = eastern || isCjk(c);
    }
    if (eastern)
        return parts[0] + parts[2] + parts[1];
    QStringList said;
    for (int k : {3, 1, 2, 0, 4}) {
        if (!parts[k].isEmpty())
            said << parts[k];
    }
    return said.join(u' ');
}

struct Encoding21 {
    bool quotedPrintable = false;
    bool base64 = false;
    QString charset;
    QString others; // ";KEY=value" for each other parameter, bare words as TYPE
};

Encoding21 encoding21(const QString &params)
{
    Encoding21 e;
    for (const Parameter &p : parameters(params)) {
        const bool encoding = p.bare || sameWord(p.key, "ENCODING"_L1);
        if (encoding && sameWord(p.value, "QUOTED-PRINTABLE"_L1))
            e.quotedPrintable = true;
        else if (encoding && (sameWord(p.value, "BASE64"_L1) || sameWord(p.value, "B"_L1)))
            e.base64 = true;
        else if (encoding && (sameWord(p.value, "8BIT"_L1) || sameWord(p.value, "7BIT"_L1)))
            continue;
        else if (sameWord(p.key, "ENCODING"_L1))
            continue;
        else if (sameWord(p.key, "CHARSET"_L1))
            e.charset = p.value;
        else
            e.others += u';' + p.key + u'=' + p.value;
    }
    return e;
}

QString decoded21(const Property &p, const Encoding21 &e, bool gb18030First)
{
    return e.quotedPrintable ? mEncodeDecode::decodeQuotedPrintable(p.value, e.charset.toUtf8(), gb18030First)
                             : p.value;
}

std::optional<QString> photo21(const Property &p)
{
    if (!p.hasColon || p.value.isEmpty())
        return std::nullopt;
    if (sameWord(parameter(p.params, "VALUE"_L1), "URL"_L1))
        return u"VALUE=uri:"_s + without(p.value, {u' ', u'\t', u'\r', u'\n'});
    QString type;
    for (const Parameter &param : parameters(p.params)) {
        static const QLatin1StringView notTypes[] = {"BASE64"_L1, "B"_L1,          "QUOTED-PRINTABLE"_L1,
                                                     "8BIT"_L1,   "7BIT"_L1,       "URL"_L1,
                                                     "CID"_L1,    "CONTENT-ID"_L1, "INLINE"_L1};
        const bool notType =
            std::any_of(std::begin(notTypes), std::end(notTypes), [&](auto w) { return sameWord(param.value, w); });
        if ((param.bare && !notType) || (!param.bare && sameWord(param.key, "TYPE"_L1)))
            type = param.value;
    }
    if (startsWithWord(type, "IMAGE/"_L1))
        type = type.mid(6).toUpper();
    const QString data = without(p.value, {u' ', u'\t', u'\r', u'\n'});
    return type.isEmpty() ? u"ENCODING=b:"_s + data : u"ENCODING=b;TYPE="_s + type + u':' + data;
}

std::optional<QString> photo30(const Property &p)
{
    if (!p.hasParams || !p.hasColon || p.value.isEmpty())
        return std::nullopt;
    return p.afterName.left(p.afterName.size() - p.rawValue.size()) + without(p.value, {u' ', u'\t', u'\r', u'\n'});
}

std::optional<QString> photo40(const Property &p)
{
    if (!p.hasColon || p.value.isEmpty())
        return std::nullopt;
    if (startsWithWord(p.value, "DATA:"_L1)) {
        const qsizetype comma = p.value.indexOf(u',');
        const QString header = comma > 0 ? p.value.mid(5, comma - 5) : QString();
        if (comma > 0 && header.size() >= 7 && sameWord(QStringView(header).last(7), ";BASE64"_L1)) {
            QString type = header.left(header.size() - 7);
            if (startsWithWord(type, "IMAGE/"_L1))
                type = type.mid(6).toUpper();
            const QString data = without(p.value.mid(comma + 1), {u' ', u'\t', u'\r', u'\n'});
            return type.isEmpty() ? u"ENCODING=b:"_s + data : u"ENCODING=b;TYPE="_s + type + u':' + data;
        }
    }
    return u"VALUE=uri:"_s + without(p.value, {u' ', u'\t', u'\r', u'\n'});
}

// 4.0 parameters in 3.0 form: PREF=n as TYPE=pref, those 3.0 has no name for under an X- name, VALUE left out when
// the value takes 3.0's own form.
QString parameters30(const QString &params, bool dropValue)
{
    static const QStringList names = {u"TYPE"_s, u"ENCODING"_s, u"VALUE"_s, u"CHARSET"_s, u"LANGUAGE"_s};
    QString out;
    for (const Parameter &param : parameters(params)) {
        const QString key = param.key.toUpper();
        if (param.bare)
            out += u';' + param.value;
        else if (key == u"PREF"_s)
            out += u";TYPE=pref"_s;
        else if (!(dropValue && key == u"VALUE"_s)) {
            const bool quote = param.value.contains(u';') || param.value.contains(u':') || param.value.contains(u',');
            out += u';' + (key.startsWith(u"X-"_s) || names.contains(key) ? u""_s : u"X-"_s) + param.key + u'=' +
                   (quote ? u'"' + param.value + u'"' : param.value);
        }
    }
    return out;
}

// A 4.0 line in 3.0 form: PREF=n as TYPE=pref, a tel: URI as its number, a data: URI as Base64 data, and what 3.0
// has no property or parameter for under an X- name.
QString line30(const QString &line, const Property &p)
{
    static const QStringList properties = {
        u"FN"_s,    u"N"_s,      u"NICKNAME"_s,  u"PHOTO"_s,  u"BDAY"_s,    u"ADR"_s,
        u"LABEL"_s, u"TEL"_s,    u"EMAIL"_s,     u"MAILER"_s, u"TZ"_s,      u"GEO"_s,
        u"TITLE"_s, u"ROLE"_s,   u"LOGO"_s,      u"AGENT"_s,  u"ORG"_s,     u"CATEGORIES"_s,
        u"NOTE"_s,  u"PRODID"_s, u"REV"_s,       u"UID"_s,    u"URL"_s,     u"SORT-STRING"_s,
        u"SOUND"_s, u"CLASS"_s,  u"KEY"_s,       u"NAME"_s,   u"PROFILE"_s, u"SOURCE"_s,
        u"IMPP"_s,  u"FBURL"_s,  u"CALADRURI"_s, u"CALURI"_s, u"END"_s,     u"VERSION"_s};
    const auto known = [](const QStringList &names, const QString &name) {
        return name.toUpper().startsWith(u"X-"_s) || names.contains(name.toUpper());
    };
    const QString nameUpper = p.name.toUpper();
    if (line.left(p.nameEnd).toUpper() == u"END"_s || line.left(p.nameEnd).toUpper() == u"VERSION"_s)
        return lineBreaksEscaped(line);
    const bool data = p.value.toUpper().startsWith(u"DATA:"_s) &&
                      QStringList{u"PHOTO"_s, u"LOGO"_s, u"SOUND"_s, u"KEY"_s}.contains(nameUpper);
    const bool tel = nameUpper == u"TEL"_s && p.value.toUpper().startsWith(u"TEL:"_s);
    const QString out = line.left(p.nameEnd - p.name.size()) + (known(properties, p.name) ? u""_s : u"X-"_s) + p.name +
                        parameters30(p.params, tel || data);
    if (data) {
        const std::optional<QString> embedded = photo40(p);
        if (embedded && !embedded->startsWith(u"VALUE=uri:"_s))
            return out + u';' + *embedded;
    }
    const QString value = tel ? p.value.mid(4) : p.value;
    return lineBreaksEscaped(out + u':' + value);
}

// A record written as a save lays a card out: its kept lines, then N, FN and the fields in the save's own form.
QByteArray laidOutCard(const ContactRecord &r);

// The field letters of kept field lines.
using kept::Slot;

class Card {
public:
    Card(QStringList lines, Dialect dialect, bool gb18030First)
        : m_lines(std::move(lines)), m_dialect(dialect), m_gb18030First(gb18030First)
    {
    }

    // Nothing when the card has nothing to show: no name, number, company, nickname or e-mail address.
    std::optional<ContactRecord> read()
    {
        for (m_at = 0; m_at < m_lines.size(); ++m_at) {
            const QString line = lineAt(m_at);
            if (line.isEmpty() || startsWithWord(line, "VERSION:"_L1))
                continue;
            if (sameWord(line, "END:VCARD"_L1))
                break; // what follows before the next card is not this card's
            if (!take(split(line)))
                m_kept << m_at;
        }
        ContactRecord r = record();
        if (r.FullName.isEmpty() && r.Mobile.isEmpty() && r.Landline.isEmpty())
            return std::nullopt;
        return r;
    }

private:
    struct Held {
        QString value;
        qsizetype line = -1;
    };

    bool v21() const { return m_dialect == Dialect::V21; }

    // A line without spaces at its end and spaces or tabs at its start.
    QString lineAt(qsizetype i) const
    {
        QString line = trimmed(m_lines[i]);
        while (line.startsWith(u'\t') || line.startsWith(u' '))
            line.remove(0, 1);
        return line;
    }

    // The last line of a kind gives the value; the line it replaces is kept, and an empty line hides nothing (it is
    // kept as it is).
    bool hold(Held &held, const QString &value, bool keepReplaced = true)
    {
        if (value.isEmpty() && held.line >= 0) {
            if (keepReplaced)
                m_kept << m_at;
            return false;
        }
        if (keepReplaced && held.line >= 0)
            m_kept << held.line;
        held = {value, m_at};
        return true;
    }
    void holdPhoto(Held &held, const QString &value)
    {
        if (held.line >= 0)
            m_kept << held.line;
        held = {value, m_at};
    }

    bool take(const Property &p)
    {
        const QString &n = p.name;
        if (sameWord(n, "N"_L1))
            return takeName(p);
        if (sameWord(n, "FN"_L1))
            return takeFullName(p);
        if (sameWord(n, "TEL"_L1))
            return takeNumber(p);
        if (sameWord(n, "EMAIL"_L1))
            return takeEmail(p);
        if (sameWord(n, "PHOTO"_L1))
            return takePhoto(p);
        if (sameWord(n, "ADR"_L1))
            return takeAddress(p);
        if (sameWord(n, "X-QQ"_L1))
            return p.hasColon && (hold(m_qq, valueOf(p)), true);
        // The phone managers' lines, without parameters but for an encoding and a charset.
        const Encoding21 e = encoding21(p.params);
        const bool plain = p.hasColon && e.others.isEmpty() && !e.base64;
        if (sameWord(n, "CATEGORIES"_L1) && plain) {
            m_categories += valueOf(p) + u'|';
            m_categoryLines << Held{valueOf(p), m_at};
            return true;
        }
        if (sameWord(n, "CATEGORIES"_L1))
            return false;
        if (sameWord(n, "X-WDJ-STARRED"_L1))
            return plain && (hold(m_starred, valueOf(p)), true);
        if (sameWord(n, "X_WDJ_BIG_PHOTO"_L1) || sameWord(n, "X-WDJ-BIG-PHOTO"_L1))
            return p.hasColon && !p.hasParams &&
                   (holdPhoto(m_bigPhoto, without(p.value, {u' ', u'\t', u'\r', u'\n'})), true);
        // ORG and NICKNAME fill no field, but name a card that has no name of its own.
        const auto named = [&](const QString &part) { return v21() || quoted(p) ? part : unescape(part); };
        if (sameWord(n, "ORG"_L1) && p.hasColon)
            m_org = named(trimmed(components(valueOf(p)).value(0)));
        if (sameWord(n, "NICKNAME"_L1) && p.hasColon)
            m_nickname = named(trimmed(textItems(valueOf(p)).value(0)));
        return false;
    }

    bool quoted(const Property &p) const { return !p.params.isEmpty() && saysQuotedPrintable(p.params); }
    // A value, decoded where its parameters say it is quoted-printable, without the spaces around it.
    QString valueOf(const Property &p) const
    {
        return quoted(p) ? trimmed(decodeQuotedPrintable(p.value, p.params, m_gb18030First)) : p.value;
    }

    bool takeName(const Property &p)
    {
        if (!p.hasColon)
            return false;
        const QString whole = valueOf(p);
        if (hold(m_name, v21() ? escape21(whole, true) : whole, false)) {
            m_nameWhole = whole;
            m_nameParams = p.params;
        }
        return true;
    }

    bool takeFullName(const Property &p)
    {
        if (!p.hasColon)
            return false;
        hold(m_fullName, v21() || quoted(p) ? valueOf(p) : unescape(p.value), false);
        return true;
    }

    bool takeNumber(const Property &p)
    {
        if (!p.hasColon)
            return false;
        QString number = valueOf(p);
        if (startsWithWord(number, "TEL:"_L1) &&
            (m_dialect == Dialect::V40 || sameWord(parameter(p.params, "VALUE"_L1), "URI"_L1)))
            number = number.mid(4);
        if (hasType(p.params, "FAX"_L1) || hasType(p.params, "PAGER"_L1))
            return false;
        if (hasType(p.params, "CELL"_L1) || hasType(p.params, "MOBILE"_L1) || hasType(p.params, "IPHONE"_L1))
            hold(m_cell, number);
        else if (hasType(p.params, "HOME"_L1))
            hold(m_home, number);
        else if (hasType(p.params, "WORK"_L1))
            hold(m_work, number);
        else
            hold(m_other, number);
        return true;
    }

    bool takeEmail(const Property &p)
    {
        if (!p.hasColon)
            return false;
        const QString address = v21() || quoted(p) ? valueOf(p) : unescape(p.value);
        hold(hasType(p.params, "WORK"_L1)   ? m_emailWork
             : hasType(p.params, "HOME"_L1) ? m_emailHome
                                            : m_emailPlain,
             address);
        return true;
    }

    bool takePhoto(const Property &p)
    {
        const std::optional<QString> photo = v21() ? photo21(p) : m_dialect == Dialect::V40 ? photo40(p) : photo30(p);
        if (!photo)
            return false;
        holdPhoto(m_photo, *photo);
        return true;
    }

    bool takeAddress(const Property &p)
    {
        if (!p.hasParams)
            return false;
        if (m_dialect == Dialect::V40 && p.hasColon && !quoted(p)) {
            hold(m_address, parameters30(p.params, false).mid(1) + u':' + p.rawValue);
            return true;
        }
        if (!v21() && !quoted(p)) {
            hold(m_address, p.afterName);
            return true;
        }
        const Encoding21 e = encoding21(p.params);
        if (e.others.isEmpty() || !p.hasColon)
            return false;
        hold(m_address, e.others.mid(1) + u':' + escape21(trimmed(decoded21(p, e, m_gb18030First)), true));
        return true;
    }

    // A line kept with the record, in 3.0 form, without spaces at its end (a line read back has none).
    QString keptLine(qsizetype i) const
    {
        QString kept = keptLine30(i);
        while (kept.endsWith(u' '))
            kept.chop(1);
        return kept;
    }
    QString keptLine30(qsizetype i) const
    {
        const QString line = lineAt(i);
        const Property p = split(line);
        // Text that goes on with no property line, and lines that other readers take for a card's start or end.
        if (!p.hasColon || sameWord(p.name, "BEGIN"_L1) || sameWord(p.name, "END"_L1))
            return u"X-VECARDIA-TEXT:"_s + escape(line);
        if (m_dialect == Dialect::V40 && !saysQuotedPrintable(p.params))
            return line30(line, p);
        // A 3.0 line stands, but for line breaks, unless it is quoted-printable: then it is decoded as a 2.1 one.
        if (!v21() && !(p.hasColon && saysQuotedPrintable(p.params)))
            return lineBreaksEscaped(line);
        const QString head = line.left(p.nameEnd);
        if (sameWord(head, "END"_L1) || sameWord(head, "VERSION"_L1))
            return lineBreaksEscaped(line);
        if (sameWord(p.name, "PHOTO"_L1)) {
            if (const std::optional<QString> photo = photo21(p))
                return head + u';' + *photo;
        }
        const Encoding21 e = encoding21(p.params);
        if (e.base64)
            return head + e.others + u";ENCODING=b:"_s + without(p.value, {u' ', u'\t', u'\r', u'\n'});
        bool text = false;
        for (auto name : {"N"_L1, "FN"_L1, "NOTE"_L1, "ORG"_L1, "TITLE"_L1, "ROLE"_L1, "ADR"_L1, "LABEL"_L1})
            text = text || sameWord(p.name, name);
        return head + e.others + u':' + escape21(decoded21(p, e, m_gb18030First), text);
    }

    // The card's N line as it goes back with the record.
    QString nameLine() const
    {
        QString params;
        if (v21())
            params = encoding21(m_nameParams).others;
        else if (!saysQuotedPrintable(m_nameParams) && !m_nameParams.isEmpty())
            params = u';' + m_nameParams;
        return u"N"_s + params + u':' + m_name.value + u'\n';
    }

    ContactRecord record()
    {
        // The work and then the other number fill an empty mobile, else an empty landline, else stay with the card.
        Held *mobile = &m_cell, *landline = &m_home;
        for (Held *number : {&m_work, &m_other}) {
            if (number->value.isEmpty()) {
                if (number->line >= 0)
                    m_kept << number->line;
                continue;
            }
            if (mobile->value.isEmpty())
                mobile = number;
            else if (landline->value.isEmpty())
                landline = number;
            else
                m_kept << number->line;
        }
        for (Held *number : {&m_cell, &m_home}) {
            if (number->line >= 0 && number != mobile && number != landline)
                m_kept << number->line;
        }
        ContactRecord r;
        QStringList emails;
        for (const Held *e : {&m_emailPlain, &m_emailWork, &m_emailHome}) {
            if (!e->value.isEmpty())
                emails << e->value;
            else if (e->line >= 0)
                m_kept << e->line;
        }
        // The name shown: FN, else N, else the company, the nickname or the first e-mail address.
        r.FullName = m_fullName.value;
        if (r.FullName.isEmpty() && m_name.line >= 0)
            r.FullName = nameFromComponents(m_name.value);
        if (r.FullName.isEmpty())
            r.FullName = m_org;
        if (r.FullName.isEmpty())
            r.FullName = m_nickname;
        if (r.FullName.isEmpty())
            r.FullName = emails.value(0).section(u' ', 0, 0);
        if (v21()) {
            const qsizetype semi = m_nameWhole.indexOf(u';');
            r.Name = semi < 0 ? QString() : trimmed(QStringView(m_nameWhole).first(semi));
        } else {
            r.Name = m_name.value;
        }
        r.Mobile = mobile->value;
        r.Landline = landline->value;
        r.Email = emails.join(u' ');
        r.QQ = m_qq.value;
        r.Address = m_address.value;
        r.Starred = m_starred.value;
        r.Categories = m_categories;
        r.Photo = m_photo.value.toUtf8();
        r.BigPhoto = m_bigPhoto.value.toUtf8();

        // The field lines, and what each says.
        struct FieldAt {
            qsizetype line;
            Slot slot;
            QString part;
        };
        QList<FieldAt> fields;
        const auto add = [&](const Held &held, Slot slot, const QString &part) {
            if (held.line >= 0)
                fields << FieldAt{held.line, slot, part};
        };
        add(m_name, Slot::Name, m_name.value);
        add(m_fullName, Slot::FullName, r.FullName);
        add(*mobile, Slot::Mobile, mobile->value);
        add(*landline, Slot::Landline, landline->value);
        add(m_photo, Slot::Photo, {});
        if (!m_emailPlain.value.isEmpty())
            add(m_emailPlain, Slot::EmailPlain, m_emailPlain.value);
        if (!m_emailWork.value.isEmpty())
            add(m_emailWork, Slot::EmailWork, m_emailWork.value);
        if (!m_emailHome.value.isEmpty())
            add(m_emailHome, Slot::EmailHome, m_emailHome.value);
        add(m_address, Slot::Address, m_address.value);
        add(m_qq, Slot::QQ, m_qq.value);
        add(m_bigPhoto, Slot::BigPhoto, {});
        add(m_starred, Slot::Starred, m_starred.value);
        for (const Held &category : m_categoryLines)
            add(category, Slot::Category, category.value);
        std::sort(fields.begin(), fields.end(), [](const FieldAt &a, const FieldAt &b) { return a.line < b.line; });
        std::sort(m_kept.begin(), m_kept.end());

        // Laid out as a save lays it out, the card keeps its other lines, and its N unless that is the one a save
        // builds from the name.
        QString laidOut;
        if (m_name.line >= 0 && keptLine(m_name.line) != u"N:;"_s + escape(r.FullName) + u";;;"_s)
            laidOut = nameLine();
        for (qsizetype i : m_kept)
            laidOut += keptLine(i) + u'\n';
        r.Kept = laidOut;
        if (m_dialect != Dialect::V40 && isLaidOut(r, fields))
            return r;
        // Any other card keeps every line, the field lines marked.
        QString kept;
        qsizetype k = 0;
        for (const FieldAt &f : fields) {
            for (; k < m_kept.size() && m_kept[k] < f.line; ++k)
                kept += keptLine(m_kept[k]) + u'\n';
            kept += fieldLine(f.line, f.slot, f.part) + u'\n';
        }
        for (; k < m_kept.size(); ++k)
            kept += keptLine(m_kept[k]) + u'\n';
        r.Kept = kept;
        return r;
    }

    // Whether writing the record laid out gives the card's own lines in 3.0 form, but for an N and an FN the card
    // did not have.
    template<typename Fields>
    bool isLaidOut(const ContactRecord &r, const Fields &fields) const
    {
        QStringList written = QString::fromUtf8(laidOutCard(r)).replace(u"\n "_s, QString()).split(u'\n');
        written = written.mid(2, written.size() - 4); // BEGIN, VERSION; END and the empty text after it
        QList<qsizetype> lines = m_kept;
        for (const auto &f : fields)
            lines << f.line;
        std::sort(lines.begin(), lines.end());
        QStringList expected;
        for (qsizetype i : lines)
            expected << lineBreaksEscaped(keptLine(i)); // as a save writes every line
        // The N and FN a save adds stand right after the card's other lines.
        const qsizetype nameAt = m_kept.size();
        if (m_fullName.line < 0 && nameAt + 1 < written.size())
            written.removeAt(nameAt + 1);
        if (m_name.line < 0 && nameAt < written.size())
            written.removeAt(nameAt);
        return written == expected;
    }

    // A field line as the record keeps it: marked, and without its value where a save would write the field's value
    // as the line has it.
    QString fieldLine(qsizetype i, Slot slot, const QString &part) const
    {
        const QString line = lineAt(i);
        if (slot == Slot::Photo || slot == Slot::Address || slot == Slot::BigPhoto)
            return kept::fieldLineText(slot, false, line.left(split(line).nameEnd));
        const QString form = keptLine(i);
        const qsizetype colon = kept::colonOf(form);
        const bool escaped = slot == Slot::FullName || kept::emailKindOf(slot) >= 0;
        const QString saved = lineBreaksEscaped(escaped ? escape(part) : part);
        if (slot != Slot::Name && m_dialect != Dialect::V40 && !part.isEmpty() && form.mid(colon + 1) == saved)
            return kept::fieldLineText(slot, false, form.left(colon + 1));
        return kept::fieldLineText(slot, true, form);
    }

    QStringList m_lines;
    Dialect m_dialect;
    bool m_gb18030First; // quoted-printable values well-formed both ways are GB18030
    qsizetype m_at = 0;
    QList<qsizetype> m_kept; // the lines that go back with the record
    Held m_name, m_fullName, m_cell, m_home, m_work, m_other, m_emailPlain, m_emailWork, m_emailHome, m_qq, m_address,
        m_starred, m_photo, m_bigPhoto;
    QString m_nameWhole, m_nameParams; // of the N line held
    QString m_org, m_nickname;
    QString m_categories;
    QList<Held> m_categoryLines;
};

} // namespace

namespace {

bool isLineEndByte(char c)
{
    return c == '\n' || c == '\r';
}

// An AGENT line of at most 256 bytes whose value is empty.
bool isEmptyAgent(QByteArrayView line)
{
    QByteArray bytes = line.toByteArray();
    while (bytes.startsWith(' '))
        bytes.remove(0, 1);
    while (bytes.endsWith(' '))
        bytes.chop(1);
    if (bytes.size() > 256)
        return false;
    const Property p = split(QString::fromUtf8(bytes));
    return p.hasColon && p.value.isEmpty() && sameWord(p.name, "AGENT"_L1);
}

// A card starts at a line that starts with BEGIN:VCARD in any case, a byte-order mark before it or not, unless the
// line before is an empty AGENT line: that card is the agent's.
bool isCardStart(const QByteArray &bytes, qsizetype at)
{
    if (QString::fromLatin1(bytes.mid(at, 11)).toUpper() != u"BEGIN:VCARD"_s)
        return false;
    qsizetype line = at;
    if (line >= 3 && bytes.mid(line - 3, 3) == "\xEF\xBB\xBF")
        line -= 3;
    if (line == 0)
        return true;
    if (!isLineEndByte(bytes[line - 1]))
        return false;
    // The line before, after one line end: LF with up to seven CRs before it, or one CR.
    qsizetype end = line - 1;
    if (bytes[end] == '\n') {
        while (end > 0 && bytes[end - 1] == '\r' && line - end < 8)
            --end;
    }
    qsizetype begin = end;
    while (begin > 0 && !isLineEndByte(bytes[begin - 1]))
        --begin;
    return !isEmptyAgent(bytes.mid(begin, end - begin));
}

// The lines of an agent's card, from the BEGIN:VCARD after an empty AGENT line to its END:VCARD, joined into the
// AGENT line with line feeds between them.
QStringList agentsJoined(QStringList lines)
{
    const auto isStart = [](QString line) {
        if (line.startsWith(u"\u00EF\u00BB\u00BF"_s)) // a UTF-8 byte-order mark
            line.remove(0, 3);
        return line.left(11).toUpper() == u"BEGIN:VCARD"_s;
    };
    for (qsizetype i = 1; i + 1 < lines.size(); ++i) {
        if (!isStart(lines[i + 1]) || !isEmptyAgent(lines[i].toLatin1()))
            continue;
        qsizetype end = i + 1;
        for (int depth = 0; end < lines.size(); ++end) {
            if (isStart(lines[end]) && isEmptyAgent(lines[end - 1].toLatin1()))
                ++depth;
            else if (sameWord(trimmed(lines[end]), "END:VCARD"_L1) && --depth == 0)
                break;
        }
        end = std::min(end, lines.size() - 1);
        lines[i] += lines.mid(i + 1, end - i).join(u'\n');
        lines.remove(i + 1, end - i);
    }
    return lines;
}

} // namespace

Book readBook(QByteArrayView bytes)
{
    Book book;
    QList<qsizetype> starts;
    const QByteArray text = bytes.toByteArray();
    struct CardPiece {
        QStringList lines;
        Dialect dialect;
        bool last;
    };
    std::vector<CardPiece> cards;
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (isCardStart(text, at)) {
            starts << at;
            at += 10;
        }
    }
    for (qsizetype k = 0; k < starts.size(); ++k) {
        const qsizetype from = starts[k] + 11;
        const bool last = k + 1 == starts.size();
        const QByteArrayView piece = bytes.sliced(from, (last ? bytes.size() : starts[k + 1]) - from);
        const QStringList lines = agentsJoined(physicalLines(cardBytes(piece)));
        const Dialect dialect = dialectOf(lines);
        cards.push_back({logicalLines(lines, dialect), dialect, last});
    }
    // A value well-formed both ways may follow the book: every value is judged first.
    Verdicts verdicts;
    for (const CardPiece &card : cards)
        verdicts += decodedCard(card.lines, card.last, false).verdicts;
    for (const CardPiece &card : cards) {
        const DecodedCard decoded = decodedCard(card.lines, card.last, verdicts.gb18030First());
        if (std::optional<ContactRecord> r = Card(decoded.lines, card.dialect, decoded.gb18030First).read())
            book.records.push_back(std::move(*r));
        else
            ++book.unread;
    }
    return book;
}

// ---- writing ----

namespace {

// Text as UTF-8; a surrogate without its other half becomes U+FFFD.
QByteArray utf8(const QString &text)
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    return encoder.encode(text);
}

// A long line folded: at most 75 bytes a line, never inside a character, each continuation led by a space.
QByteArray folded(const QString &line)
{
    QByteArray rest = utf8(line), out;
    qsizetype room = 75;
    while (rest.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80)
            --cut;
        out += rest.left(cut) + "\n ";
        rest = rest.mid(cut);
        room = 74;
    }
    return out + rest + '\n';
}

bool isNameLine(const QString &line)
{
    const Property p = split(line);
    return p.hasColon && sameWord(p.name, "N"_L1);
}

enum EmailKind { Plain, Work, Home };

// The kinds the addresses are written as: one is the work address and two the plain and the work one, unless the
// record keeps addresses of other kinds, each of which must be followed by a written one of its kind.
QList<EmailKind> emailKinds(qsizetype addresses, const QStringList &kept)
{
    std::array<bool, 3> keptKinds{};
    for (const QString &line : kept) {
        const Property p = split(line);
        if (p.hasColon && sameWord(p.name, "EMAIL"_L1))
            keptKinds[hasType(p.params, "WORK"_L1) ? Work : hasType(p.params, "HOME"_L1) ? Home : Plain] = true;
    }
    if (addresses >= 3)
        return QList<EmailKind>(addresses - 2, Plain) << Work << Home;
    const QList<QList<EmailKind>> options = addresses == 0 ? QList<QList<EmailKind>>{{}}
                                            : addresses == 1
                                                ? QList<QList<EmailKind>>{{Work}, {Plain}, {Home}}
                                                : QList<QList<EmailKind>>{{Plain, Work}, {Plain, Home}, {Work, Home}};
    for (const QList<EmailKind> &option : options) {
        bool covers = true;
        for (EmailKind kind : {Plain, Work, Home})
            covers = covers && (!keptKinds[kind] || option.contains(kind));
        if (covers)
            return option;
    }
    return options.first();
}

} // namespace

namespace {

QByteArray laidOutCard(const ContactRecord &r)
{
    QByteArray out = "BEGIN:VCARD\nVERSION:3.0\n";
    const auto line = [&](const char *tag, const QString &value) {
        out += tag + utf8(lineBreaksEscaped(value)) + '\n';
    };
    const QStringList kept = r.Kept.get().split(u'\n', Qt::SkipEmptyParts);
    QString name;
    for (const QString &k : kept) {
        if (name.isEmpty() && isNameLine(k))
            name = k;
        else
            out += folded(lineBreaksEscaped(k));
    }
    if (name.isEmpty())
        line("N:", u';' + escape(r.FullName) + u";;;"_s);
    else
        out += folded(lineBreaksEscaped(name));
    line("FN:", escape(r.FullName));
    if (!r.Mobile.isEmpty())
        line("TEL;TYPE=CELL:", r.Mobile);
    if (!r.Landline.isEmpty())
        line("TEL;TYPE=HOME:", r.Landline);
    if (!r.Photo.isEmpty())
        out += "PHOTO;" + r.Photo.get() + '\n';
    const QStringList emails = r.Email.split(u' ', Qt::SkipEmptyParts);
    const QList<EmailKind> kinds = emailKinds(emails.size(), kept);
    for (qsizetype i = 0; i < emails.size(); ++i) {
        static const char *const tags[] = {"EMAIL;TYPE=INTERNET:", "EMAIL;TYPE=WORK:", "EMAIL;TYPE=HOME:"};
        line(tags[kinds[i]], escape(emails[i]));
    }
    if (!r.Address.isEmpty())
        line("ADR;", r.Address);
    if (!r.QQ.isEmpty())
        line("X-QQ;TYPE=CUSTOM:", r.QQ);
    if (!r.BigPhoto.isEmpty())
        out += "X-WDJ-BIG-PHOTO:" + r.BigPhoto.get() + '\n';
    if (!r.Starred.isEmpty())
        line("X-WDJ-STARRED:", r.Starred);
    for (const QString &category : r.Categories.get().split(u'|', Qt::SkipEmptyParts)) {
        if (!trimmed(category).isEmpty())
            line("CATEGORIES:", trimmed(category));
    }
    return out + "END:VCARD\n";
}

// What a field line says, read as the reader reads a 3.0 line.
QString valueOfLine(Slot slot, const QString &line)
{
    const Property p = split(line);
    if (slot == Slot::FullName || kept::emailKindOf(slot) >= 0)
        return unescape(p.value);
    if ((slot == Slot::Mobile || slot == Slot::Landline) && startsWithWord(p.value, "TEL:"_L1) &&
        sameWord(parameter(p.params, "VALUE"_L1), "URI"_L1))
        return p.value.mid(4);
    return p.value;
}

// A card written in the order and form of the lines it was read from, each field line with its field's value; the
// fields that had no line follow in the save's own form.
QByteArray asReadCard(const ContactRecord &r)
{
    QByteArray out = "BEGIN:VCARD\nVERSION:3.0\n";
    const auto line = [&](const QString &prefix, const QString &value) {
        out += utf8(prefix + lineBreaksEscaped(value)) + '\n';
    };
    const QStringList lines = r.Kept.get().split(u'\n', Qt::SkipEmptyParts);
    QStringList own;
    QList<Slot> slots;
    for (const QString &l : lines) {
        if (const auto field = kept::fieldLine(l))
            slots << field->slot;
        else
            own << l;
    }
    const QStringList emails = r.Email.split(u' ', Qt::SkipEmptyParts);
    QStringList categories = r.Categories.get().split(u'|');
    categories.removeLast();
    const qsizetype emailLines =
        std::count_if(slots.begin(), slots.end(), [](Slot slot) { return kept::emailKindOf(slot) >= 0; });
    const bool emailsInLines = emailLines == emails.size();
    const bool categoriesInLines = slots.count(Slot::Category) == categories.size();
    // The addresses are joined plain, work, home: a line's address comes after those of the kinds before its own.
    QList<Slot> emailOrder;
    for (Slot slot : {Slot::EmailPlain, Slot::EmailWork, Slot::EmailHome}) {
        if (slots.contains(slot))
            emailOrder << slot;
    }
    qsizetype category = 0;
    const auto text = [&](const kept::FieldLine &f, const QString &now, bool escaped) {
        const QString l = f.text.toString();
        QString prefix = l;
        if (f.whole) {
            if (valueOfLine(f.slot, l) == now) {
                out += folded(lineBreaksEscaped(l));
                return;
            }
            prefix = l.left(kept::colonOf(l) + 1);
        }
        if (!now.isEmpty())
            out += folded(prefix + lineBreaksEscaped(escaped ? escape(now) : now));
    };
    for (const QString &l : lines) {
        const std::optional<kept::FieldLine> f = kept::fieldLine(l);
        if (!f) {
            out += folded(lineBreaksEscaped(l));
            continue;
        }
        const QString head = f->text.toString();
        switch (f->slot) {
        case Slot::Name: out += folded(lineBreaksEscaped(head)); break;
        case Slot::FullName: text(*f, r.FullName, true); break;
        case Slot::Mobile: text(*f, r.Mobile, false); break;
        case Slot::Landline: text(*f, r.Landline, false); break;
        case Slot::QQ: text(*f, r.QQ, false); break;
        case Slot::Starred: text(*f, r.Starred, false); break;
        case Slot::EmailPlain:
        case Slot::EmailWork:
        case Slot::EmailHome:
            if (emailsInLines)
                text(*f, emails[emailOrder.indexOf(f->slot)], true);
            break;
        case Slot::Category:
            if (categoriesInLines)
                text(*f, categories[category++], false);
            break;
        case Slot::Photo:
            if (!r.Photo.isEmpty())
                out += utf8(head) + ';' + r.Photo.get() + '\n';
            break;
        case Slot::BigPhoto:
            if (!r.BigPhoto.isEmpty())
                out += utf8(head) + ':' + r.BigPhoto.get() + '\n';
            break;
        case Slot::Address:
            if (!r.Address.isEmpty())
                line(head + u';', r.Address);
            break;
        }
    }
    if (!slots.contains(Slot::Name))
        line(u"N:"_s, u';' + escape(r.FullName) + u";;;"_s);
    if (!slots.contains(Slot::FullName))
        line(u"FN:"_s, escape(r.FullName));
    if (!slots.contains(Slot::Mobile) && !r.Mobile.isEmpty())
        line(u"TEL;TYPE=CELL:"_s, r.Mobile);
    if (!slots.contains(Slot::Landline) && !r.Landline.isEmpty())
        line(u"TEL;TYPE=HOME:"_s, r.Landline);
    if (!slots.contains(Slot::Photo) && !r.Photo.isEmpty())
        out += "PHOTO;" + r.Photo.get() + '\n';
    if (!emailsInLines) {
        const QList<EmailKind> kinds = emailKinds(emails.size(), own);
        static const QString tags[] = {u"EMAIL;TYPE=INTERNET:"_s, u"EMAIL;TYPE=WORK:"_s, u"EMAIL;TYPE=HOME:"_s};
        for (qsizetype i = 0; i < emails.size(); ++i)
            line(tags[kinds[i]], escape(emails[i]));
    }
    if (!slots.contains(Slot::Address) && !r.Address.isEmpty())
        line(u"ADR;"_s, r.Address);
    if (!slots.contains(Slot::QQ) && !r.QQ.isEmpty())
        line(u"X-QQ;TYPE=CUSTOM:"_s, r.QQ);
    if (!slots.contains(Slot::BigPhoto) && !r.BigPhoto.isEmpty())
        out += "X-WDJ-BIG-PHOTO:" + r.BigPhoto.get() + '\n';
    if (!slots.contains(Slot::Starred) && !r.Starred.isEmpty())
        line(u"X-WDJ-STARRED:"_s, r.Starred);
    if (!categoriesInLines) {
        for (const QString &c : r.Categories.get().split(u'|', Qt::SkipEmptyParts)) {
            if (!trimmed(c).isEmpty())
                line(u"CATEGORIES:"_s, trimmed(c));
        }
    }
    return out + "END:VCARD\n";
}

QByteArray card(const ContactRecord &r)
{
    return kept::hasFieldLines(r.Kept.get()) ? asReadCard(r) : laidOutCard(r);
}

} // namespace

QByteArray writeBook(const std::vector<ContactRecord> &records)
{
    QByteArray out;
    for (const ContactRecord &r : records) {
        if (!r.FullName.isEmpty() || !r.Mobile.isEmpty() || !r.Landline.isEmpty())
            out += card(r);
    }
    return out;
}

} // namespace vecardia::plain
