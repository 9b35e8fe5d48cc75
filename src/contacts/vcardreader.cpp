#include "contacts/vcardreader.h"

#include "contacts/contacttable.h"
#include "encoding/quotedprintable.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace vecardia {

namespace {

constexpr QByteArrayView kBegin = "BEGIN:VCARD";

// Lines and values are short: plain loops beat the general-purpose searches here.
const char *findChar(QByteArrayView v, char c)
{
    return v.isEmpty() ? nullptr : static_cast<const char *>(std::memchr(v.data(), c, std::size_t(v.size())));
}

qsizetype indexOf(QByteArrayView v, char c)
{
    const char *hit = findChar(v, c);
    return hit ? hit - v.data() : -1;
}

QByteArrayView trimSpaces(QByteArrayView v)
{
    const char *b = v.data();
    const char *e = b + v.size();
    while (b < e && *b == ' ')
        ++b;
    while (e > b && e[-1] == ' ')
        --e;
    return QByteArrayView(b, e - b);
}

// Case-insensitive comparison with an upper-case ASCII word.
bool equalsCI(QByteArrayView a, QByteArrayView upper)
{
    if (a.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - ('a' - 'A'));
        if (c != upper[i])
            return false;
    }
    return true;
}

QString text(QByteArrayView v)
{
    return v.isEmpty() ? QString() : QString::fromUtf8(v);
}

// Every offset of "BEGIN:VCARD" in the text.
std::vector<qsizetype> cardOffsets(QByteArrayView text)
{
    std::vector<qsizetype> offsets;
    const std::boyer_moore_horspool_searcher searcher(kBegin.begin(), kBegin.end());
    const char *end = text.data() + text.size();
    for (const char *at = text.data();;) {
        at = std::search(at, end, searcher);
        if (at == end)
            break;
        offsets.push_back(at - text.data());
        at += kBegin.size();
    }
    return offsets;
}

// A property line taken apart: [group.]NAME[;params]:value.
struct Property {
    QByteArrayView name;      // without group, as written
    QByteArrayView params;    // between the first ";" and the first ":" (empty when there are none)
    QByteArrayView afterName; // everything after "NAME;" (parameters, colon and value), trimmed
    QByteArrayView rawValue;  // after the first colon, as it stands
    QByteArrayView value;     // after the first colon, trimmed
    bool hasParams = false;
    bool hasColon = false;
};

Property splitProperty(QByteArrayView line)
{
    Property p;
    const qsizetype colon = indexOf(line, ':');
    p.hasColon = colon >= 0;
    const QByteArrayView head = p.hasColon ? line.first(colon) : line;
    const qsizetype semi = indexOf(head, ';');
    QByteArrayView name = semi >= 0 ? head.first(semi) : head;
    for (qsizetype i = name.size() - 1; i >= 0; --i) {
        if (name[i] == '.') {
            name = name.sliced(i + 1);
            break;
        }
    }
    p.name = name;
    if (semi >= 0) {
        p.hasParams = true;
        p.params = head.sliced(semi + 1);
        p.afterName = trimSpaces(line.sliced(semi + 1));
    }
    if (p.hasColon) {
        p.rawValue = line.sliced(colon + 1);
        p.value = trimSpaces(p.rawValue);
    }
    return p;
}

// Calls f(key, value) for each parameter; a bare word (2.1 style, "CELL") comes as TYPE with that value, and a
// TYPE list ("TYPE=CELL,VOICE") gives one call per value.
template<typename F>
void forEachParam(QByteArrayView params, F &&f)
{
    while (!params.isEmpty()) {
        const qsizetype semi = indexOf(params, ';');
        const QByteArrayView param = trimSpaces(semi >= 0 ? params.first(semi) : params);
        params = semi >= 0 ? params.sliced(semi + 1) : QByteArrayView();
        const qsizetype eq = indexOf(param, '=');
        const QByteArrayView key = eq >= 0 ? trimSpaces(param.first(eq)) : QByteArrayView("TYPE");
        QByteArrayView values = eq >= 0 ? param.sliced(eq + 1) : param;
        if (!equalsCI(key, "TYPE")) {
            f(key, trimSpaces(values));
            continue;
        }
        while (!values.isEmpty()) {
            const qsizetype comma = indexOf(values, ',');
            QByteArrayView v = trimSpaces(comma >= 0 ? values.first(comma) : values);
            values = comma >= 0 ? values.sliced(comma + 1) : QByteArrayView();
            if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
                v = v.sliced(1, v.size() - 2);
            f(key, v);
        }
    }
}

enum class TelKind { Ignored, Cell, Home, Work, Other };

TelKind telKind(QByteArrayView params)
{
    bool fax = false, cell = false, home = false, work = false;
    forEachParam(params, [&](QByteArrayView key, QByteArrayView v) {
        if (!equalsCI(key, "TYPE"))
            return;
        fax = fax || equalsCI(v, "FAX") || equalsCI(v, "PAGER");
        cell = cell || equalsCI(v, "CELL") || equalsCI(v, "MOBILE") || equalsCI(v, "IPHONE");
        home = home || equalsCI(v, "HOME");
        work = work || equalsCI(v, "WORK");
    });
    if (fax)
        return TelKind::Ignored;
    if (cell)
        return TelKind::Cell;
    if (home)
        return TelKind::Home;
    return work ? TelKind::Work : TelKind::Other;
}

enum class EmailKind { Plain, Work, Home };

EmailKind emailKind(QByteArrayView params)
{
    bool work = false, home = false;
    forEachParam(params, [&](QByteArrayView key, QByteArrayView v) {
        if (equalsCI(key, "TYPE")) {
            work = work || equalsCI(v, "WORK");
            home = home || equalsCI(v, "HOME");
        }
    });
    return work ? EmailKind::Work : home ? EmailKind::Home : EmailKind::Plain;
}

QByteArrayView charsetOf(QByteArrayView params)
{
    QByteArrayView charset;
    forEachParam(params, [&](QByteArrayView key, QByteArrayView v) {
        if (equalsCI(key, "CHARSET"))
            charset = v;
    });
    return charset;
}

bool saysQuotedPrintable(QByteArrayView line)
{
    const qsizetype colon = indexOf(line, ':');
    const QByteArrayView head = colon >= 0 ? line.first(colon) : line;
    const qsizetype semi = indexOf(head, ';');
    if (semi < 0)
        return false;
    bool qp = false;
    forEachParam(head.sliced(semi + 1), [&](QByteArrayView key, QByteArrayView v) {
        qp = qp || ((equalsCI(key, "ENCODING") || equalsCI(key, "TYPE")) && equalsCI(v, "QUOTED-PRINTABLE"));
    });
    return qp;
}

bool isVersion21Line(QByteArrayView line)
{
    return line.size() >= 11 && equalsCI(trimSpaces(line), "VERSION:2.1");
}

// Buffers reused from card to card.
struct Scratch {
    std::vector<QByteArrayView> lines;
    QByteArray joined;
    QByteArray photo;
    QByteArray categories;
};

// Splits a piece into lines at line feeds (a carriage return before one is dropped; the text after the last line
// feed is a line too) and tells whether one of them makes the card vCard 2.1.
bool splitLines(QByteArrayView piece, std::vector<QByteArrayView> &lines)
{
    lines.clear();
    bool v21 = false;
    const char *p = piece.data();
    const char *end = p + piece.size();
    for (;;) {
        const auto *lf = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)));
        const char *stop = lf ? lf : end;
        const char *e = (stop > p && stop[-1] == '\r') ? stop - 1 : stop;
        const QByteArrayView line(p, e - p);
        v21 = v21 || isVersion21Line(line);
        lines.push_back(line);
        if (!lf)
            return v21;
        p = lf + 1;
    }
}

// Reads one card. Both dialects share the property rules; 2.1 differs in its name values (first component of N,
// quoted-printable N and FN), its soft line breaks and its photo continuation lines.
class CardReader {
public:
    CardReader(bool v21, Scratch &scratch) : m_v21(v21), m_scratch(scratch) { m_scratch.categories.clear(); }

    std::optional<ContactRecord> read()
    {
        const std::vector<QByteArrayView> &lines = m_scratch.lines;
        const std::size_t count = lines.size();
        for (std::size_t i = 0; i < count; ++i) {
            const QByteArrayView line = lines[i];
            const bool continues =
                i + 1 < count && (m_v21 ? endsInSoftBreak(line) && saysQuotedPrintable(line) : isFolded(lines[i + 1]));
            if (!continues) {
                take(line);
                continue;
            }
            QByteArray &joined = m_scratch.joined;
            joined.clear();
            joined.append(line);
            if (m_v21) {
                // Quoted-printable soft line breaks: drop the "=" and go on with the next line.
                while (i + 1 < count && endsInSoftBreak(joined)) {
                    chopSoftBreak(joined);
                    joined.append(lines[++i]);
                }
            } else {
                // Folded lines: a line that starts with a space or a tab goes on with the previous one.
                while (i + 1 < count && isFolded(lines[i + 1]))
                    joined.append(lines[++i].sliced(1));
            }
            take(joined, true);
        }
        endPhoto();
        if (!m_recognised)
            return std::nullopt;
        finish();
        return std::move(m_record);
    }

private:
    static bool isFolded(QByteArrayView line) { return !line.isEmpty() && (line[0] == ' ' || line[0] == '\t'); }
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

    void take(QByteArrayView rawLine, bool joined = false)
    {
        m_lineIsJoined = joined;
        const QByteArrayView line = trimSpaces(rawLine);
        if (m_inPhoto) {
            if (!line.isEmpty() && !findChar(line, ':')) {
                m_scratch.photo.append(line);
                return;
            }
            endPhoto();
        }
        if (line.isEmpty())
            return;
        const Property p = splitProperty(line);
        if (takeProperty(p))
            m_recognised = true;
    }

    bool takeProperty(const Property &p)
    {
        const QByteArrayView name = p.name;
        switch (name.size()) {
        case 1:
            if (!p.hasColon || !equalsCI(name, "N"))
                return false;
            m_record.Name = m_v21 ? nameComponent21(p) : text(p.value);
            return true;
        case 2:
            if (!p.hasColon || !equalsCI(name, "FN"))
                return false;
            m_record.FullName =
                m_v21 ? mEncodeDecode::decodeQuotedPrintableUtf8(p.value, charsetOf(p.params)) : text(p.value);
            return true;
        case 3:
            if (equalsCI(name, "TEL") && p.hasColon) {
                switch (telKind(p.params)) {
                case TelKind::Ignored: return false;
                case TelKind::Cell: m_cell = hold(p.value); break;
                case TelKind::Home: m_home = hold(p.value); break;
                case TelKind::Work: m_work = hold(p.value); break;
                case TelKind::Other: m_other = hold(p.value); break;
                }
                return true;
            }
            // ADR; keeps its parameters with the value, so it needs no colon of its own.
            if (equalsCI(name, "ADR") && p.hasParams) {
                m_record.Address = text(p.afterName);
                return true;
            }
            return false;
        case 4:
            if (!p.hasColon || !equalsCI(name, "X-QQ"))
                return false;
            m_record.QQ = text(p.value);
            return true;
        case 5:
            if (equalsCI(name, "EMAIL") && p.hasColon) {
                switch (emailKind(p.params)) {
                case EmailKind::Plain: m_emailPlain = hold(p.value); break;
                case EmailKind::Work: m_emailWork = hold(p.value); break;
                case EmailKind::Home: m_emailHome = hold(p.value); break;
                }
                return true;
            }
            if (!equalsCI(name, "PHOTO"))
                return false;
            if (m_v21 && p.hasColon) {
                // 2.1 photos keep only the data, which goes on over the lines that follow.
                m_scratch.photo.clear();
                m_scratch.photo.append(p.value);
                m_inPhoto = true;
                return true;
            }
            if (!m_v21 && p.hasParams) {
                m_record.Photo = text(p.afterName);
                return true;
            }
            return false;
        case 10:
            if (p.hasParams || !p.hasColon || !equalsCI(name, "CATEGORIES"))
                return false;
            m_scratch.categories.append(p.value);
            m_scratch.categories.append('|');
            return true;
        case 13:
            if (p.hasParams || !p.hasColon || !equalsCI(name, "X-WDJ-STARRED"))
                return false;
            m_record.Starred = text(p.value);
            return true;
        case 15:
            if (p.hasParams || !p.hasColon || !(equalsCI(name, "X_WDJ_BIG_PHOTO") || equalsCI(name, "X-WDJ-BIG-PHOTO")))
                return false;
            m_record.BigPhoto = text(p.value);
            return true;
        default: return false;
        }
    }

    // A value held until the end of the card: a view into the text, or a copy when the line was joined in the
    // scratch buffer that the next joined line will overwrite.
    QByteArrayView hold(QByteArrayView value)
    {
        if (!m_lineIsJoined)
            return value;
        m_owned.emplace_back(value.toByteArray());
        return m_owned.back();
    }

    // 2.1 keeps only the first component of N, the family name as most phones write it.
    static QString nameComponent21(const Property &p)
    {
        const qsizetype semi = indexOf(p.rawValue, ';');
        if (semi < 0)
            return {};
        return mEncodeDecode::decodeQuotedPrintableUtf8(trimSpaces(p.rawValue.first(semi)), charsetOf(p.params));
    }

    void endPhoto()
    {
        if (!m_inPhoto)
            return;
        m_inPhoto = false;
        m_record.Photo = text(m_scratch.photo);
    }

    void finish()
    {
        QByteArrayView email = m_emailPlain;
        QByteArray joined;
        for (QByteArrayView more : {m_emailWork, m_emailHome}) {
            if (more.isEmpty())
                continue;
            if (email.isEmpty()) {
                email = more;
                continue;
            }
            joined = email.toByteArray() + ' ' + more.toByteArray();
            email = joined;
        }
        m_record.Email = text(email);

        QByteArrayView mobile = m_cell, landline = m_home;
        for (QByteArrayView number : {m_work, m_other}) {
            if (number.isEmpty())
                continue;
            if (mobile.isEmpty())
                mobile = number;
            else if (landline.isEmpty())
                landline = number;
        }
        m_record.Mobile = text(mobile);
        m_record.Landline = text(landline);
        m_record.Categories = text(m_scratch.categories);
    }

    const bool m_v21;
    Scratch &m_scratch;
    ContactRecord m_record;
    std::vector<QByteArray> m_owned;
    QByteArrayView m_cell, m_home, m_work, m_other;
    QByteArrayView m_emailPlain, m_emailWork, m_emailHome;
    bool m_inPhoto = false;
    bool m_recognised = false;
    bool m_lineIsJoined = false;
};

std::optional<ContactRecord> readPiece(QByteArrayView piece, Scratch &scratch)
{
    const bool v21 = splitLines(piece, scratch.lines);
    return CardReader(v21, scratch).read();
}

} // namespace

ParseResult splitAndParse(QByteArrayView utf8Text, ContactTable &table)
{
    ParseResult result;
    const std::vector<qsizetype> offsets = cardOffsets(utf8Text);
    table.reserve(int(offsets.size()));
    Scratch scratch;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        const qsizetype start = offsets[k] + kBegin.size();
        const qsizetype end = k + 1 < offsets.size() ? offsets[k + 1] : utf8Text.size();
        if (std::optional<ContactRecord> record = readPiece(utf8Text.sliced(start, end - start), scratch)) {
            if (table.append(std::move(*record)) == 0)
                break; // the table is full
            ++result.appended;
        } else {
            ++result.unread;
        }
    }
    return result;
}

struct CardStream::Reader {
    Scratch scratch;
};

CardStream::CardStream(ContactTable &table, int expectedCards) : m_table(table), m_reader(std::make_unique<Reader>())
{
    m_table.reserve(expectedCards);
}

CardStream::~CardStream() = default;

void CardStream::read(QByteArrayView piece)
{
    if (std::optional<ContactRecord> record = readPiece(piece, m_reader->scratch)) {
        if (m_table.append(std::move(*record)) != 0)
            ++m_result.appended;
    } else {
        ++m_result.unread;
    }
}

void CardStream::feed(QByteArrayView utf8)
{
    m_buffer.append(utf8);
    const QByteArrayView text(m_buffer);
    const std::boyer_moore_horspool_searcher searcher(kBegin.begin(), kBegin.end());
    qsizetype start = 0; // of the card being read, or of the text before the first card
    for (;;) {
        const qsizetype from = std::max(m_searched, m_inCard ? start + kBegin.size() : start);
        const char *hit = std::search(text.data() + from, text.data() + text.size(), searcher);
        if (hit == text.data() + text.size()) {
            // A "BEGIN:VCARD" may be cut at the end: its first bytes are searched again with the next piece.
            m_searched = std::max(from, text.size() - (kBegin.size() - 1));
            break;
        }
        const qsizetype at = hit - text.data();
        if (m_inCard)
            read(text.sliced(start + kBegin.size(), at - start - kBegin.size()));
        m_inCard = true;
        start = at;
        m_searched = at + kBegin.size();
    }
    if (!m_inCard)
        start = std::max<qsizetype>(0, m_searched); // nothing before the first card is kept
    m_buffer.remove(0, start);
    m_searched -= start;
}

ParseResult CardStream::finish()
{
    if (m_inCard)
        read(QByteArrayView(m_buffer).sliced(kBegin.size()));
    m_buffer.clear();
    m_inCard = false;
    m_searched = 0;
    return m_result;
}

ParseResult splitAndParse(QStringView text, ContactTable &table)
{
    const QByteArray utf8 = text.toUtf8();
    return splitAndParse(QByteArrayView(utf8), table);
}

} // namespace vecardia
