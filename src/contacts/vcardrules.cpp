// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/vcardrules.h"

#include "contacts/keptlines.h"
#include "contacts/vcard30.h"
#include "contacts/vcardsyntax.h"
#include "encoding/quotedprintable.h"
#include "encoding/spaces.h"
#include "encoding/utf8.h"

#include <QString>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

#include <QVarLengthArray>

namespace vecardia::vcard {

namespace {

// A value while its card is read: UTF-8 bytes in the card's lines, or in a text made while the card is read.
using Text = QByteArrayView;

QString text(Text utf8)
{
    return utf8.isEmpty() ? QString() : utf8::toString(utf8);
}

// A card's name given only as N, as it is said: family, middle and given name run together in Chinese, Japanese and
// Korean; prefix, given, middle, family and suffix with spaces otherwise.
QByteArray nameFromComponents(QByteArrayView n)
{
    QStringList parts; // family; given; middle; prefix; suffix
    for (QByteArrayView part : components(n))
        parts << trimSpaces(text(unescapeText(part)));
    while (parts.size() < 5)
        parts << QString();
    const auto cjk = [](char32_t c) {
        return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
               (c >= 0x1100 && c <= 0x11FF) || (c >= 0x20000 && c <= 0x3FFFF);
    };
    const bool eastern = std::any_of(parts.begin(), parts.end(), [&](const QString &part) {
        const QList<uint> ucs4 = part.toUcs4();
        return std::any_of(ucs4.begin(), ucs4.end(), [&](uint c) { return cjk(char32_t(c)); });
    });
    if (eastern)
        return (parts[0] + parts[2] + parts[1]).toUtf8();
    QStringList said;
    for (int k : {3, 1, 2, 0, 4}) {
        if (!parts[k].isEmpty())
            said << parts[k];
    }
    return said.join(u' ').toUtf8();
}

// Whether N is the one a save builds from the name: ";" + the name escaped + ";;;".
bool isBuiltName(Text n, Text name)
{
    if (n.size() < 4 || n.front() != ';' || !n.endsWith(";;;"))
        return false;
    const Text given = n.sliced(1, n.size() - 4);
    return needsEscaping(name) ? given == escapeText(name) : given == name;
}

// Reads one card into a record.
class Card {
public:
    Card(const CardLines &card, CardRules::Buffers &buffers, CharsetPass pass)
        : m_lines(card.lines()), m_dialect(card.dialect()), m_buffers(buffers), m_pass(pass), m_utf8(card.utf8()),
          m_cut(card.cut())
    {
        m_buffers.made.clear();
        m_buffers.kept.assign(m_lines.size(), 0);
        if (m_buffers.reads.size() < m_lines.size())
            m_buffers.reads.resize(m_lines.size());
        m_buffers.decoded.resize(0);
        if (m_buffers.decoded.capacity() < card.size())
            m_buffers.decoded.reserve(card.size());
    }

    enum class Outcome { Read, Unread, LinesWithoutColon };

    // Unread when the card has nothing to show: no name, number, company, nickname or e-mail address. A line
    // without a colon stops the reading when `lookForColons`: the card's lines are to be joined first.
    Outcome read(ContactRecord &record, bool lookForColons)
    {
        const int end = decodeLines();
        for (m_at = 0; m_at < end; ++m_at) {
            // Kept for the lines that fill fields, which are not taken apart again when the card is laid out.
            const CardRules::LineRead &read = m_buffers.reads[std::size_t(m_at)];
            if (read.text.isEmpty())
                continue; // an empty line, or VERSION
            const Property &p = read.p;
            if (!p.hasColon && lookForColons)
                return Outcome::LinesWithoutColon;
            if (!take(p))
                keep(m_at);
        }
        return fill(record) ? Outcome::Read : Outcome::Unread;
    }

    // The verdicts of the card's values that were judged.
    [[nodiscard]] const Verdicts &verdicts() const { return m_verdicts; }

private:
    // Takes the card's lines apart up to its END:VCARD (what follows before the next card is not this card's) and
    // decodes them; returns where the card ends. A CHARSET parameter names the charset of a line's bytes, raw or
    // quoted-printable. Without one, each line is judged on its own: well-formed UTF-8 is UTF-8, anything else
    // GB18030, and a line well-formed both ways follows the card's other values (those well-formed one way only, the
    // more of them), or the book when they do not tell. Quoted-printable values are judged here and decoded where
    // they are read. A card that is UTF-8 as a whole needs looking at only for the charsets its lines name and its
    // quoted-printable values, unless the reading counts every value.
    int decodeLines()
    {
        bool judged = !m_utf8 || m_pass.exact || m_pass.gb18030First;
        int end = 0;
        for (; end < int(m_lines.size()); ++end) {
            CardRules::LineRead &read = m_buffers.reads[std::size_t(end)];
            const QByteArrayView line = cleanedLine(m_lines[std::size_t(end)]);
            if (equalsWord(line, "END:VCARD"))
                break;
            if (line.isEmpty() || startsWithWord(line, "VERSION:")) {
                read = {};
                continue;
            }
            read = {line, splitProperty(line)};
            decodeLine(end, judged);
        }
        if (!judged && m_verdicts.gb18030Only > m_verdicts.utf8Only) {
            // A card UTF-8 as a whole, but its quoted-printable values are GB18030: its lines have a say too.
            for (int i = 0; i < end; ++i) {
                const bool named = std::find(m_named.begin(), m_named.end(), i) != m_named.end();
                if (!named && !m_buffers.reads[std::size_t(i)].text.isEmpty())
                    judgeLine(i);
            }
        }
        m_gb18030First = m_verdicts.gb18030Only != m_verdicts.utf8Only ? m_verdicts.gb18030Only > m_verdicts.utf8Only
                                                                       : m_pass.gb18030First;
        if (m_gb18030First) {
            for (const int i : m_both)
                toGb18030(i);
        }
        return end;
    }

    void decodeLine(int i, bool judged)
    {
        CardRules::LineRead &read = m_buffers.reads[std::size_t(i)];
        const Property &p = read.p;
        const CardRules::ValueParameters *params =
            mentionsCharset(p.params) || quoted(p) ? &valueParameters(p.params) : nullptr;
        if (params && params->utf8Charset) {
            m_named.push_back(i);
            if (!m_utf8 && !utf8::isValid(read.text)) {
                // The bytes that are not UTF-8 become U+FFFD.
                read.text = cleanedLine(made(utf8::toString(read.text).toUtf8()));
                read.p = splitProperty(read.text);
            }
            return; // as every line of many phones' books
        }
        QStringDecoder *named = params && !params->charset.isEmpty() ? decoderFor(params->charset) : nullptr;
        if (params && params->quoted && !named)
            m_verdicts.add(judgeBytes(mEncodeDecode::quotedPrintableBytes(p.value)));
        if (!named) {
            if (judged)
                judgeLine(i);
            return; // as nearly every line stands
        }
        m_named.push_back(i);
        const QByteArrayView line = read.text;
        if (!hasSpecialBytes(line))
            return;
        // The line goes on as UTF-8, so its CHARSET no longer says what it is.
        const QByteArray decoded = QString(named->decode(line)).toUtf8();
        named->resetState();
        read.text = cleanedLine(made(withoutParameter(decoded, splitProperty(decoded), "CHARSET")));
        read.p = splitProperty(read.text);
    }

    static bool hasSpecialBytes(QByteArrayView line)
    {
        return std::any_of(line.begin(), line.end(), [](char c) { return (c & 0x80) || c == 0x1B; });
    }

    // Judges a line that names no charset, and decodes it when it is not UTF-8; a line well-formed both ways waits
    // for the card's verdict.
    void judgeLine(int i)
    {
        CardRules::LineRead &read = m_buffers.reads[std::size_t(i)];
        const QByteArrayView line = read.text;
        if (!hasSpecialBytes(line))
            return;
        const BytesVerdict verdict = judgeBytes(line);
        m_verdicts.add(verdict);
        if (verdict == BytesVerdict::Both)
            m_both.push_back(i);
        if (verdict != BytesVerdict::Gb18030Only && verdict != BytesVerdict::Neither)
            return;
        if (m_cut && i + 1 == int(m_lines.size()) && utf8::isValid(line.first(utf8::wholeCharacters(line)))) {
            // Only a character cut by the end of the file is not UTF-8: it becomes U+FFFD, the rest stays UTF-8.
            read.text = cleanedLine(made(utf8::toString(line).toUtf8()));
            read.p = splitProperty(read.text);
            return;
        }
        toGb18030(i);
    }

    void toGb18030(int i)
    {
        CardRules::LineRead &read = m_buffers.reads[std::size_t(i)];
        if (!m_buffers.gb18030)
            m_buffers.gb18030.emplace("GB18030");
        read.text = cleanedLine(made(QString(m_buffers.gb18030->decode(read.text)).toUtf8()));
        m_buffers.gb18030->resetState();
        read.p = splitProperty(read.text);
    }

    // The decoder for a charset a line names; none when the converter does not know it.
    QStringDecoder *decoderFor(const QByteArray &charset)
    {
        if (m_buffers.charsetName != charset) {
            m_buffers.charsetName = charset;
            m_buffers.charset = vecardia::decoderFor(QString::fromLatin1(charset));
        }
        return m_buffers.charset ? &*m_buffers.charset : nullptr;
    }

    // Whether the parameters may name a charset: most name none, and looking closer costs more.
    static bool mentionsCharset(QByteArrayView params)
    {
        for (qsizetype at = 0; at + 7 <= params.size(); ++at) {
            if ((params[at] | 0x20) == 'c' && equalsWord(params.sliced(at, 7), "CHARSET"))
                return true;
        }
        return false;
    }

    static bool isUtf8Charset(QByteArrayView charset)
    {
        return equalsWord(charset, "UTF-8") || equalsWord(charset, "UTF8");
    }

    // A field's value, with the line it came from.
    struct Held {
        Text value;
        int line = -1;
    };

    bool v21() const { return m_dialect == Dialect::V21; }

    void keep(int line) { m_buffers.kept[std::size_t(line)] = 1; }

    Text made(QByteArray value)
    {
        m_buffers.made.push_back(std::move(value));
        return m_buffers.made.back();
    }

    // The last line of a kind gives the value, and the line it replaces goes back with the record (with
    // `keepReplaced`); an empty line hides nothing read before it. False when the value is not taken.
    bool hold(Held &held, Text value, bool keepReplaced = true)
    {
        if (value.isEmpty() && held.line >= 0) {
            if (keepReplaced)
                keep(m_at);
            return false;
        }
        if (keepReplaced && held.line >= 0)
            keep(held.line);
        held = {value, m_at};
        return true;
    }
    // Photos are kept as bytes, which go to the record whole. Every photo line replaced goes back.
    struct HeldBytes {
        QByteArrayView value; // in the card, or in `made`
        QByteArray made;
        int line = -1;
    };
    void holdPhoto(HeldBytes &held, QByteArrayView value, QByteArray made = {})
    {
        if (held.line >= 0)
            keep(held.line);
        held = {value, std::move(made), m_at};
        if (!held.made.isNull())
            held.value = held.made;
    }

    Text unescaped(Text v) { return v.contains('\\') ? made(unescapeText(v)) : v; }
    Text decoded(Text v, QByteArrayView charset)
    {
        // The common value, UTF-8 in ASCII escapes, is decoded into the card's buffer. The buffer has room for the
        // whole card, which no decoded value outgrows, so the views into it stay valid while the card is read.
        QByteArray &buffer = m_buffers.decoded;
        const qsizetype at = buffer.size();
        if (buffer.capacity() - at >= v.size() &&
            mEncodeDecode::appendQuotedPrintableUtf8(v, charset, buffer, m_gb18030First))
            return Text(buffer.constData() + at, buffer.size() - at);
        return made(mEncodeDecode::decodeQuotedPrintableUtf8(v, charset, m_gb18030First).toUtf8());
    }
    // A value, decoded where its parameters say it is quoted-printable, whatever the property.
    Text valueOf(const Property &p)
    {
        if (!quoted(p))
            return p.value; // as most values stand
        return trimSpaces(decodedOf(p)); // read without the spaces around it, as a value that is not encoded
    }
    // The value decoded, as it stands. A line's value is decoded again when the card is laid out for the record,
    // from where it was decoded before.
    Text decodedOf(const Property &p)
    {
        if (!quoted(p))
            return p.value;
        const std::size_t known = std::min(m_nextDecoded, m_decoded.size());
        for (std::size_t i = 0; i < known; ++i) {
            if (m_decoded[i].from == p.value.data() && m_decoded[i].size == p.value.size())
                return m_decoded[i].text;
        }
        const Text text = decoded(p.value, valueParameters(p.params).charset);
        m_decoded[m_nextDecoded++ % m_decoded.size()] = {p.value.data(), p.value.size(), text};
        return text;
    }
    struct Decoded {
        const char *from;
        qsizetype size;
        Text text;
    };
    std::array<Decoded, 4> m_decoded; // the first m_nextDecoded are set
    std::size_t m_nextDecoded = 0;
    // Parameters without a "Q" cannot say QUOTED-PRINTABLE: most are TYPE=CELL and the like.
    bool quoted(const Property &p)
    {
        const bool q = std::any_of(p.params.begin(), p.params.end(), [](char c) { return (c | 0x20) == 'q'; });
        return q && valueParameters(p.params).quoted;
    }

    // What a line's parameters say of its value. Phones spell them the same on every line of a kind in a book
    // ("CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE"), so the answers for the last few are kept from card to card.
    const CardRules::ValueParameters &valueParameters(QByteArrayView params)
    {
        auto &memo = m_buffers.valueParameters;
        for (const CardRules::ValueParameters &known : memo) {
            if (known.known && QByteArrayView(known.text) == params)
                return known;
        }
        // The oldest answer makes room: a card's names, numbers and addresses each have theirs.
        CardRules::ValueParameters &known = memo[m_buffers.nextParameters++ % memo.size()];
        const Encoding21 e = encoding21(params);
        known.text = params.toByteArray();
        known.quoted = e.quotedPrintable;
        known.charset = parameter(params, "CHARSET").toByteArray();
        known.utf8Charset = isUtf8Charset(known.charset);
        known.others21 = e.others;
        known.onlyEncoding = e.others.isEmpty() && !e.base64;
        known.base64 = e.base64;
        known.known = true;
        return known;
    }

    // The properties that fill the record, looked up by name (the group dropped, letter case ignored).
    bool take(const Property &p)
    {
        using Take = bool (Card::*)(const Property &);
        static constexpr std::pair<QByteArrayView, Take> kRules[] = {
            {"N", &Card::takeName},
            {"FN", &Card::takeFullName},
            {"TEL", &Card::takeNumber},
            {"EMAIL", &Card::takeEmail},
            {"PHOTO", &Card::takePhoto},
            {"ADR", &Card::takeAddress},
            {"X-QQ", &Card::takeQQ},
            {"CATEGORIES", &Card::takeCategory},
            {"X-WDJ-STARRED", &Card::takeStarred},
            {"X_WDJ_BIG_PHOTO", &Card::takeBigPhoto},
            {"X-WDJ-BIG-PHOTO", &Card::takeBigPhoto},
        };
        for (const auto &[name, rule] : kRules) {
            if (equalsWord(p.name, name))
                return (this->*rule)(p);
        }
        // The company and the nickname fill no field, but name a card that has no name of its own.
        const bool org = equalsWord(p.name, "ORG");
        if (p.hasColon && (org || equalsWord(p.name, "NICKNAME")))
            (org ? m_org : m_nickname) = {valueOf(p), !v21() && !quoted(p)};
        return false;
    }

    // N as 3.0 text; a 2.1 value escaped for it.
    bool takeName(const Property &p)
    {
        if (!p.hasColon)
            return false;
        const Text whole = valueOf(p);
        const bool escape = v21() && std::any_of(whole.begin(), whole.end(), [](char c) {
                                return c == '\\' || c == ',' || c == '\r' || c == '\n';
                            });
        if (hold(m_name, escape ? made(escape21(whole, true)) : whole, false)) {
            m_nameWhole = whole;
            m_nameParams = p.params;
        }
        return true;
    }

    bool takeFullName(const Property &p)
    {
        if (!p.hasColon)
            return false;
        const Text name = valueOf(p);
        hold(m_fullName, v21() || quoted(p) ? name : unescaped(name), false);
        return true;
    }

    bool takeNumber(const Property &p)
    {
        if (!p.hasColon)
            return false;
        Text number = valueOf(p);
        // A tel: URI (4.0, or any card that says VALUE=uri) is the number after its scheme.
        if (startsWithWord(number, "TEL:") &&
            (m_dialect == Dialect::V40 || equalsWord(parameter(p.params, "VALUE"), "URI")))
            number = number.sliced(4);
        Held *kind = commonNumberKind(p.params);
        if (!kind) {
            bool fax = false, cell = false, home = false, work = false;
            forEachValue(p.params, [&](QByteArrayView key, QByteArrayView v) {
                if (!equalsWord(key, "TYPE"))
                    return;
                fax = fax || equalsWord(v, "FAX") || equalsWord(v, "PAGER");
                cell = cell || equalsWord(v, "CELL") || equalsWord(v, "MOBILE") || equalsWord(v, "IPHONE");
                home = home || equalsWord(v, "HOME");
                work = work || equalsWord(v, "WORK");
            });
            if (fax)
                return false;
            kind = cell ? &m_cell : home ? &m_home : work ? &m_work : &m_other;
        }
        hold(*kind, number);
        return true;
    }

    // The parameters nearly every phone writes, looked up whole before they are taken apart: a seventh of a read.
    Held *commonNumberKind(QByteArrayView params)
    {
        const std::pair<QByteArrayView, Held *> common[] = {
            {"TYPE=CELL", &m_cell}, {"TYPE=HOME", &m_home}, {"TYPE=WORK", &m_work},
            {"CELL", &m_cell},      {"HOME", &m_home},      {"WORK", &m_work},
        };
        for (const auto &[text, kind] : common) {
            if (equalsWord(params, text))
                return kind;
        }
        return nullptr;
    }

    bool takeEmail(const Property &p)
    {
        if (!p.hasColon)
            return false;
        // The parameters nearly every phone writes are looked up whole; the others are taken apart.
        bool work = equalsWord(p.params, "TYPE=WORK"), home = equalsWord(p.params, "TYPE=HOME");
        if (!work && !home && !p.params.isEmpty() && !equalsWord(p.params, "TYPE=INTERNET")) {
            forEachValue(p.params, [&](QByteArrayView key, QByteArrayView v) {
                if (equalsWord(key, "TYPE")) {
                    work = work || equalsWord(v, "WORK");
                    home = home || equalsWord(v, "HOME");
                }
            });
        }
        const Text address = valueOf(p);
        hold(work ? m_emailWork : home ? m_emailHome : m_emailPlain, v21() || quoted(p) ? address : unescaped(address));
        return true;
    }

    bool takePhoto(const Property &p)
    {
        if (v21() || m_dialect == Dialect::V40) {
            std::optional<QByteArray> photo = v21() ? photo21(p) : photo40(p);
            if (!photo)
                return false;
            holdPhoto(m_photo, {}, std::move(*photo));
            return true;
        }
        if (!p.hasParams || !p.hasColon || p.value.isEmpty())
            return false; // an empty photo is none, in every version
        // Parameters, the colon and the data as they stand, unless folding left white space in the data.
        const qsizetype data = p.afterName.size() - p.rawValue.size();
        const bool asItStands = !holdsWhiteSpace(p.rawValue);
        if (asItStands)
            holdPhoto(m_photo, p.afterName);
        else
            holdPhoto(m_photo, {}, p.afterName.first(data).toByteArray() + withoutWhiteSpace(p.value));
        return true;
    }

    // ADR keeps its parameters with the value: it needs parameters, not a colon of its own.
    bool takeAddress(const Property &p)
    {
        if (!p.hasParams)
            return false;
        if (m_dialect == Dialect::V40 && p.hasColon && !quoted(p)) {
            hold(m_address, made(parameters30(p.params, false).sliced(1) + ':' + p.rawValue.toByteArray()));
            return true;
        }
        if (!v21() && !quoted(p)) {
            hold(m_address, p.afterName);
            return true;
        }
        // As 3.0: decoded, the line breaks and commas escaped, the bare words as TYPE.
        const Encoding21 e = encoding21(p.params);
        if (e.others.isEmpty() || !p.hasColon)
            return false; // no parameters would be left: the line is kept as it is
        hold(m_address, made(e.others.sliced(1) + ':' + escape21(trimSpaces(decoded21(p, e)), true)));
        return true;
    }

    Text decoded21(const Property &p, const Encoding21 &e)
    {
        return e.quotedPrintable ? decoded(p.value, e.charset) : p.value;
    }

    bool takeQQ(const Property &p)
    {
        if (!p.hasColon)
            return false;
        hold(m_qq, valueOf(p));
        return true;
    }

    // The phone managers' lines and CATEGORIES are read only in the form they write: without parameters, but for
    // an encoding and a charset.
    bool plainValue(const Property &p)
    {
        return p.hasColon && (!p.hasParams || valueParameters(p.params).onlyEncoding);
    }

    bool takeCategory(const Property &p)
    {
        if (!plainValue(p))
            return false;
        if (!m_categories)
            m_categories = &m_buffers.made.emplace_back();
        const Text category = valueOf(p);
        m_categories->append(category).append('|');
        m_categoryLines.push_back({category, m_at});
        return true;
    }

    bool takeStarred(const Property &p)
    {
        if (!plainValue(p))
            return false;
        hold(m_starred, valueOf(p));
        return true;
    }

    bool takeBigPhoto(const Property &p)
    {
        if (!p.hasColon || p.hasParams) // Base64
            return false;
        // White space in the data (line breaks a line without a colon brought) is no part of it.
        if (holdsWhiteSpace(p.value))
            holdPhoto(m_bigPhoto, {}, withoutWhiteSpace(p.value));
        else
            holdPhoto(m_bigPhoto, p.value);
        return true;
    }

    // A line kept with the record, in 3.0 form: a 2.1 line (or a quoted-printable one) decoded, its Base64 data
    // unfolded, its text escaped.
    QByteArray keptLine(int i) const
    {
        // A line read back loses the spaces at its end: a decoded value ending in spaces is kept without them.
        QByteArray kept = keptLine30(i);
        while (kept.endsWith(' '))
            kept.chop(1);
        return kept;
    }
    QByteArray keptLine30(int i) const
    {
        const QByteArrayView line = m_buffers.reads[std::size_t(i)].text;
        const Property &p = m_buffers.reads[std::size_t(i)].p;
        // Text that goes on with no property line (it stands right after BEGIN, VERSION or an empty line) is kept
        // under a name of its own: every line written has a name and a colon. So is a line named BEGIN or END
        // ("end:v" where a file was cut, "END;:VCARD"), which other readers take for the start or end of a card.
        if (!p.hasColon || equalsWord(p.name, "BEGIN") || equalsWord(p.name, "END"))
            return "X-VECARDIA-TEXT:" + escapeText(line);
        // A 3.0 line stands as it is (an agent's card, held in its line, with its line breaks escaped), unless its
        // value is quoted-printable, which 3.0 has no place for: it is decoded as a 2.1 line is.
        if (m_dialect == Dialect::V40 && !saysQuotedPrintable(p.params))
            return line30From40(line, p);
        if (!v21() && !saysQuotedPrintable(p.params))
            return withLineBreaksEscaped(line);
        return line30From21(line, p, m_gb18030First);
    }

    // The card's N line as it goes back with a card laid out as a save lays it out.
    QByteArray nameLine()
    {
        QByteArray line = "N";
        const CardRules::ValueParameters &params = valueParameters(m_nameParams);
        if (v21())
            line += params.others21;
        else if (!m_nameParams.isEmpty() && !params.quoted)
            line.append(';').append(m_nameParams);
        return line.append(':').append(m_name.value).append('\n');
    }

    using LineRead = CardRules::LineRead;

    // A field line of the card: which field it fills, and with what.
    struct FieldAt {
        int line;
        kept::Slot slot;
        Text part; // the field's value, or its share of it (an address, a category)
        const LineRead *read; // the line, taken apart
    };

    // The card's field lines, in card order. An e-mail line with no address fills nothing and stays as it is.
    void findFieldLines(Text fullName)
    {
        using kept::Slot;
        auto &fields = m_fieldLines;
        fields.clear();
        const auto add = [&](const Held &held, Slot slot, Text part) {
            if (held.line >= 0)
                fields.push_back({held.line, slot, part, &m_buffers.reads[std::size_t(held.line)]});
        };
        add(m_name, Slot::Name, m_name.value);
        add(m_fullName, Slot::FullName, fullName);
        add(*m_mobile, Slot::Mobile, m_mobile->value);
        add(*m_landline, Slot::Landline, m_landline->value);
        if (m_photo.line >= 0)
            fields.push_back({m_photo.line, Slot::Photo, {}, &m_buffers.reads[std::size_t(m_photo.line)]});
        for (const auto &[held, slot] : {std::pair{&m_emailPlain, Slot::EmailPlain},
                                         std::pair{&m_emailWork, Slot::EmailWork},
                                         std::pair{&m_emailHome, Slot::EmailHome}}) {
            if (!held->value.isEmpty())
                add(*held, slot, held->value);
            else if (held->line >= 0)
                keep(held->line);
        }
        add(m_address, Slot::Address, m_address.value);
        add(m_qq, Slot::QQ, m_qq.value);
        if (m_bigPhoto.line >= 0)
            fields.push_back({m_bigPhoto.line, Slot::BigPhoto, {}, &m_buffers.reads[std::size_t(m_bigPhoto.line)]});
        add(m_starred, Slot::Starred, m_starred.value);
        for (const Held &category : m_categoryLines)
            add(category, Slot::Category, category.value);
        std::sort(fields.begin(), fields.end(), [](const FieldAt &a, const FieldAt &b) { return a.line < b.line; });
    }

    // A line's group and name as written.
    static QByteArrayView headOf(QByteArrayView line, const Property &p)
    {
        return line.first(p.name.data() - line.data() + p.name.size());
    }
    // Whether the line's 3.0 form is the line decoded from 2.1 or quoted-printable.
    bool converted(const Property &p) { return v21() || quoted(p); }

    // The 3.0 form of a field line, split after its colon.
    struct Form30 {
        QByteArray prefix;
        QByteArray value;
    };
    Form30 form30(QByteArrayView line, const Property &p)
    {
        if (!converted(p)) {
            const QByteArrayView prefix = line.first(p.rawValue.data() - line.data());
            return {withLineBreaksEscaped(prefix), withLineBreaksEscaped(p.rawValue)};
        }
        const CardRules::ValueParameters &params = valueParameters(p.params);
        const QByteArray head = headOf(line, p).toByteArray() + params.others21;
        if (params.base64)
            return {head + ";ENCODING=b:", withoutWhiteSpace(p.value)};
        static constexpr QByteArrayView kText[] = {"N", "FN", "NOTE", "ORG", "TITLE", "ROLE", "ADR", "LABEL"};
        const bool commas = std::any_of(std::begin(kText), std::end(kText),
                                        [&](QByteArrayView name) { return equalsWord(p.name, name); });
        QByteArray value = escape21(decodedOf(p), commas);
        while (value.endsWith(' '))
            value.chop(1); // as the kept line has it
        return {head + ':', value};
    }

    // Whether a save that writes `part` in its own form writes the value the line's 3.0 form has.
    bool savedAsRead(QByteArrayView line, const Property &p, Text part, bool escaped)
    {
        if (!converted(p)) {
            // The value as it stands: a save writes it so when it is the field's, its line breaks escaped alike,
            // unless 3.0 text escapes hold more.
            const Text v = p.rawValue;
            if (!escaped || !std::any_of(v.begin(), v.end(), [](char c) { return c == '\\' || c == ',' || c == ';'; }))
                return v == part; // as nearly every value
        } else if (!valueParameters(p.params).base64) {
            const Text v = decodedOf(p);
            const bool special = v.startsWith(' ') || v.endsWith(' ') || std::any_of(v.begin(), v.end(), [](char c) {
                                     return c == '\\' || c == ',' || c == ';' || c == '\r' || c == '\n';
                                 });
            if (!special)
                return v == part;
        }
        return form30(line, p).value == (escaped ? escapeText(part) : withLineBreaksEscaped(part));
    }

    // The parameters of a line in 3.0 form are `params` (";TYPE=CELL", or nothing).
    bool hasParams30(const Property &p, QByteArrayView params)
    {
        if (converted(p))
            return valueParameters(p.params).others21 == params && !valueParameters(p.params).base64;
        return params.isEmpty() ? !p.hasParams : p.hasParams && params.sliced(1) == p.params;
    }

    // Whether the card's N line in 3.0 form is "N:" and the N a save builds from the name.
    bool nameIsBuilt(QByteArrayView line, const Property &p, Text fullName)
    {
        if (headOf(line, p) != "N" || !hasParams30(p, {}))
            return false;
        if (quoted(p) && !v21()) { // rare: the decoded value is compared escaped, as the line's 3.0 form has it
            QByteArray built = ';' + escapeText(fullName) + ";;;";
            return form30(line, p).value == built;
        }
        // A 2.1 value is held escaped as 3.0 text already, without the spaces around it.
        return (v21() ? !decodedOf(p).startsWith(' ') : (p.rawValue.size() == p.value.size() && !line.contains('\n') && !line.contains('\r'))) &&
               isBuiltName(m_name.value, fullName);
    }

    // Whether a field line is what a save writes for its field in the save's own form.
    bool inSavedForm(const FieldAt &f, Text fullName)
    {
        using kept::Slot;
        const QByteArrayView line = f.read->text;
        const Property &p = f.read->p;
        const QByteArrayView head = headOf(line, p);
        const auto text = [&](QByteArrayView name, QByteArrayView params, bool escaped) {
            return head == name && hasParams30(p, params) && !f.part.isEmpty() &&
                   savedAsRead(line, p, f.part, escaped);
        };
        // The parameters and data as the record holds them, after the name and a ";".
        const auto whole = [&](QByteArrayView name) {
            if (head != name)
                return false;
            if (converted(p))
                return true;
            // Line breaks inside are written as they stand in the line's 3.0 form; white space in photo data is
            // taken out.
            return line.size() == head.size() + 1 + p.afterName.size() &&
                   (name != "PHOTO" || !holdsWhiteSpace(p.rawValue));
        };
        switch (f.slot) {
        case Slot::Name:
            if (head != "N")
                return false;
            if (nameIsBuilt(line, p, fullName))
                return true; // built again from the name
            if (quoted(p) && !v21()) { // rare: the N line a save writes is compared whole
                const Form30 form = form30(line, p);
                return nameLine().chopped(1) == form.prefix + form.value;
            }
            return v21() ? !decodedOf(p).startsWith(' ')
                         : p.rawValue.size() == p.value.size() && !line.contains('\n') && !line.contains('\r');
        case Slot::FullName:
            return head == "FN" && hasParams30(p, {}) && savedAsRead(line, p, f.part, true);
        case Slot::Mobile: return text("TEL", ";TYPE=CELL", false);
        case Slot::Landline: return text("TEL", ";TYPE=HOME", false);
        case Slot::Photo: return whole("PHOTO");
        // A save writes addresses a line each: a line of two addresses is two lines then.
        case Slot::EmailPlain: return text("EMAIL", ";TYPE=INTERNET", true) && !f.part.contains(' ');
        case Slot::EmailWork: return text("EMAIL", ";TYPE=WORK", true) && !f.part.contains(' ');
        case Slot::EmailHome: return text("EMAIL", ";TYPE=HOME", true) && !f.part.contains(' ');
        case Slot::Address: return whole("ADR");
        case Slot::QQ: return text("X-QQ", ";TYPE=CUSTOM", false);
        case Slot::BigPhoto:
            return head == "X-WDJ-BIG-PHOTO" && !p.hasParams && savedAsRead(line, p, m_bigPhoto.value, false);
        case Slot::Starred: return text("X-WDJ-STARRED", {}, false);
        case Slot::Category:
            return text("CATEGORIES", {}, false) && !f.part.contains('|') && trimSpaces(f.part) == f.part;
        }
        return false;
    }

    // Whether the card is laid out as a save lays it out: its other lines first, then N, FN and the fields, each in
    // the save's own form and order (a card without N or FN gets them where a save writes them). Such a card keeps
    // only its other lines.
    bool laidOutAsSaved(Text fullName)
    {
        const auto &fields = m_fieldLines;
        if (m_dialect == Dialect::V40)
            return false;
        const auto &flags = m_buffers.kept;
        const int first = fields.front().line;
        if (std::find(flags.begin() + first, flags.end(), 1) != flags.end())
            return false; // a line of its own among the fields
        // The order the save writes the fields in; e-mail addresses and categories take several lines.
        static constexpr std::u16string_view kOrder = u"NFMLPEWHAQBSC";
        const auto rank = [](kept::Slot slot) {
            const char16_t c = char16_t(slot);
            return kOrder.find(c == u'W' || c == u'H' ? u'E' : c);
        };
        kept::EmailKinds kinds;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const FieldAt &f = fields[i];
            if (i > 0 && (rank(f.slot) < rank(fields[i - 1].slot) ||
                          (f.slot == fields[i - 1].slot && f.slot != kept::Slot::Category)))
                return false;
            if (const int kind = kept::emailKindOf(f.slot); kind >= 0)
                kinds.push_back(kept::EmailKind(kind));
            if (!inSavedForm(f, fullName))
                return false;
        }
        if (!kinds.isEmpty()) {
            std::array<bool, 3> keptKinds{};
            for (int i = 0; i < first; ++i) {
                if (!flags[std::size_t(i)])
                    continue;
                const Property &p = m_buffers.reads[std::size_t(i)].p;
                if (p.hasColon && equalsWord(p.name, "EMAIL"))
                    keptKinds[kept::emailKind(p.params)] = true;
            }
            if (kept::emailKinds(kinds.size(), keptKinds) != kinds)
                return false;
        }
        return true;
    }

    // A field line as the record keeps it, after `out`: the value left out where a save would write it as it
    // stands.
    void appendFieldLine(QByteArray &out, const FieldAt &f)
    {
        using kept::Slot;
        const QByteArrayView line = f.read->text;
        const Property &p = f.read->p;
        const qsizetype mark = out.size();
        out.append(char(kept::kFieldValue)).append(char(f.slot));
        if (f.slot == Slot::Photo || f.slot == Slot::Address || f.slot == Slot::BigPhoto) {
            out.append(headOf(line, p)); // the field holds the rest
            return;
        }
        const bool escaped = f.slot == Slot::FullName || kept::emailKindOf(f.slot) >= 0;
        if (f.slot != Slot::Name && m_dialect != Dialect::V40 && !f.part.isEmpty() &&
            savedAsRead(line, p, f.part, escaped)) {
            if (!converted(p) && !line.contains('\n') && !line.contains('\r'))
                out.append(line.first(p.rawValue.data() - line.data())); // as most lines stand
            else if (!converted(p) || valueParameters(p.params).base64)
                out.append(form30(line, p).prefix);
            else
                out.append(headOf(line, p)).append(valueParameters(p.params).others21).append(':');
            return;
        }
        out[mark] = char(kept::kWholeLine);
        if (m_dialect == Dialect::V40 || !converted(p)) {
            out.append(keptLine(f.line));
            return;
        }
        const Form30 form = form30(line, p); // the kept line, from the value decoded before
        out.append(form.prefix).append(form.value);
    }

    // The lines that go back with the record: for a card laid out as a save lays it out, its other lines, with its
    // N first while it says more than the N a save builds from the name; for any other card, every line, the field
    // lines marked.
    Text keptLines(Text fullName)
    {
        findFieldLines(fullName);
        const auto &flags = m_buffers.kept;
        QByteArray &kept = m_buffers.text;
        kept.resize(0);
        if (!m_fieldLines.empty() && laidOutAsSaved(fullName)) {
            const LineRead *name = m_name.line >= 0 ? &m_buffers.reads[std::size_t(m_name.line)] : nullptr;
            const bool keepName = name && !nameIsBuilt(name->text, name->p, fullName);
            if (!keepName && std::find(flags.begin(), flags.end(), 1) == flags.end())
                return {}; // as most cards
            if (keepName)
                kept += nameLine();
            for (std::size_t i = 0; i < flags.size(); ++i) {
                if (flags[i])
                    kept.append(keptLine(int(i))).append('\n');
            }
            return kept;
        }
        auto field = m_fieldLines.begin();
        for (std::size_t i = 0; i < flags.size(); ++i) {
            if (flags[i]) {
                kept.append(keptLine(int(i))).append('\n');
            } else if (field != m_fieldLines.end() && field->line == int(i)) {
                appendFieldLine(kept, *field++);
                kept.append('\n');
            }
        }
        return kept;
    }

    // The plain, work and home addresses, in that order, separated by single spaces.
    Text emails()
    {
        const Held *const kinds[] = {&m_emailPlain, &m_emailWork, &m_emailHome};
        QByteArray joined;
        Text only;
        for (const Held *e : kinds) {
            if (e->value.isEmpty())
                continue;
            if (!only.isEmpty())
                joined.append(joined.isEmpty() ? only : QByteArrayView()).append(' ').append(e->value);
            only = e->value;
        }
        return joined.isEmpty() ? only : made(std::move(joined));
    }

    // The name a card shows: FN; else N, its components as the name is said; else the company (the first component
    // of ORG), the nickname (the first of NICKNAME), or the first e-mail address, as address books show a contact.
    Text shownName(Text email)
    {
        if (!m_fullName.value.isEmpty())
            return m_fullName.value;
        const QByteArray fromN = m_name.line >= 0 ? nameFromComponents(m_name.value) : QByteArray();
        if (!fromN.isEmpty())
            return made(fromN);
        for (const Named *named : {&m_org, &m_nickname}) {
            const QList<QByteArrayView> parts = named == &m_org ? components(named->value) : textItems(named->value);
            const Text part = trimSpaces(parts.first());
            if (!part.isEmpty())
                return named->escaped ? unescaped(part) : part;
        }
        const qsizetype space = email.indexOf(' ');
        return space < 0 ? email : email.first(space);
    }

    bool fill(ContactRecord &r)
    {
        // The work and then the other number fill an empty mobile, else an empty landline, else stay with the card.
        Held *mobile = &m_cell, *landline = &m_home;
        for (Held *number : {&m_work, &m_other}) {
            if (number->value.isEmpty()) {
                if (number->line >= 0)
                    keep(number->line); // a line with no number, kept as it is
                continue;
            }
            if (mobile->value.isEmpty())
                mobile = number;
            else if (landline->value.isEmpty())
                landline = number;
            else
                keep(number->line);
        }
        for (Held *number : {&m_cell, &m_home}) {
            if (number->line >= 0 && number != mobile && number != landline)
                keep(number->line);
        }
        m_mobile = mobile;
        m_landline = landline;
        const Text email = emails();
        const Text fullName = shownName(email);
        if (fullName.isEmpty() && mobile->value.isEmpty() && landline->value.isEmpty())
            return false; // nothing to show: the card is told as unread
        Text name = m_name.value;
        if (v21()) {
            // 2.1 keeps only the first component, the family name as most phones write it.
            const qsizetype semi = m_nameWhole.indexOf(';');
            name = semi < 0 ? Text() : trimSpaces(m_nameWhole.first(semi));
        }
        const PackedText texts[] = {
            {&r.Name, name},   {&r.FullName, fullName}, {&r.Mobile, mobile->value}, {&r.Landline, landline->value},
            {&r.Email, email}, {&r.QQ, m_qq.value}};
        m_buffers.packer.pack(texts);
        r.Address = text(m_address.value);
        r.Starred = text(m_starred.value);
        if (m_categories)
            r.Categories = text(*m_categories);
        m_buffers.photos.add(r.Photo, m_photo.value);
        m_buffers.photos.add(r.BigPhoto, m_bigPhoto.value);
        r.Kept = text(keptLines(fullName));
        return true;
    }

    const std::span<const QByteArrayView> m_lines;
    const Dialect m_dialect;
    CardRules::Buffers &m_buffers;
    const CharsetPass m_pass;
    const bool m_utf8; // the card's bytes are UTF-8 as a whole
    const bool m_cut;  // the end of the file cuts the card
    Verdicts m_verdicts;
    QVarLengthArray<int, 8> m_both;  // the lines well-formed both as UTF-8 and as GB18030
    QVarLengthArray<int, 8> m_named; // the lines that name their charset
    bool m_gb18030First = false;    // the card's values well-formed both ways are GB18030
    int m_at = 0;
    Held m_name, m_fullName, m_cell, m_home, m_work, m_other, m_emailPlain, m_emailWork, m_emailHome, m_qq, m_address,
        m_starred;
    HeldBytes m_photo, m_bigPhoto;
    Text m_nameWhole, m_nameParams; // of the N line held
    // A company or a nickname as written, and whether its escapes are still in it.
    struct Named {
        Text value;
        bool escaped = false;
    };
    Named m_org, m_nickname;
    QByteArray *m_categories = nullptr; // each category followed by "|"
    QVarLengthArray<Held, 4> m_categoryLines;
    Held *m_mobile = &m_cell, *m_landline = &m_home; // the lines the numbers shown came from
    QVarLengthArray<FieldAt, 16> m_fieldLines;
};

} // namespace

std::optional<CharsetPass> nextCharsetPass(CharsetPass pass, const Verdicts &verdicts)
{
    if (!pass.exact)
        return verdicts.gb18030First() ? std::optional(CharsetPass{true, true}) : std::nullopt;
    if (pass.gb18030First && !verdicts.gb18030First())
        return CharsetPass{false, true};
    return std::nullopt;
}

bool CardRules::read(CardLines &card, ContactRecord &record)
{
    Card::Outcome outcome;
    {
        Card first(card, m_buffers, m_pass);
        outcome = first.read(record, true);
        if (outcome != Card::Outcome::LinesWithoutColon) {
            m_verdicts += first.verdicts();
            return outcome == Card::Outcome::Read;
        }
    }
    (void)card.joinLinesWithoutColon();
    Card joined(card, m_buffers, m_pass);
    outcome = joined.read(record, false);
    m_verdicts += joined.verdicts();
    return outcome == Card::Outcome::Read;
}

} // namespace vecardia::vcard
