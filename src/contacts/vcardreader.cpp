#include "contacts/vcardreader.h"

#include "contacts/contacttable.h"
#include "encoding/quotedprintable.h"

#include <QByteArray>

#include <cstring>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

constexpr QByteArrayView kBegin = "BEGIN:VCARD";

QByteArrayView trimSpaces(QByteArrayView v)
{
    qsizetype b = 0, e = v.size();
    while (b < e && v[b] == ' ')
        ++b;
    while (e > b && v[e - 1] == ' ')
        --e;
    return v.sliced(b, e - b);
}

bool equalsCI(QByteArrayView a, QByteArrayView upper)
{
    if (a.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
        if (c != upper[i])
            return false;
    }
    return true;
}

QString text(QByteArrayView v)
{
    return QString::fromUtf8(v);
}

qsizetype findBegin(QByteArrayView hay, qsizetype from)
{
    if (from >= hay.size())
        return -1;
    const void *hit = memmem(hay.data() + from, std::size_t(hay.size() - from), kBegin.data(), std::size_t(kBegin.size()));
    return hit ? static_cast<const char *>(hit) - hay.data() : -1;
}

// Physical lines of a card piece: they end at a line feed, a carriage return before it is dropped, and the text
// after the last line feed is a line of its own.
class LineCursor {
public:
    explicit LineCursor(QByteArrayView piece) : m_p(piece.data()), m_end(piece.data() + piece.size()) {}

    bool next(QByteArrayView &line)
    {
        if (m_done)
            return false;
        const auto *lf = static_cast<const char *>(std::memchr(m_p, '\n', std::size_t(m_end - m_p)));
        const char *stop = lf ? lf : m_end;
        const char *e = stop;
        if (e > m_p && e[-1] == '\r')
            --e;
        line = QByteArrayView(m_p, e - m_p);
        if (lf)
            m_p = lf + 1;
        else
            m_done = true;
        return true;
    }

private:
    const char *m_p;
    const char *m_end;
    bool m_done = false;
};

bool isVersion21(QByteArrayView piece)
{
    LineCursor lines(piece);
    QByteArrayView line;
    while (lines.next(line)) {
        if (line.size() >= 11 && equalsCI(trimSpaces(line), "VERSION:2.1"))
            return true;
    }
    return false;
}

// A property line taken apart: [group.]NAME[;params]:value.
struct Property {
    QByteArrayView name;      // without group, as written
    QByteArrayView params;    // between the first ";" and the first ":" (empty when there are none)
    QByteArrayView afterName; // everything after "NAME;" (parameters, colon and value), when there are parameters
    QByteArrayView value;     // after the first colon, trimmed
    bool hasParams = false;
    bool hasColon = false;
};

Property splitProperty(QByteArrayView line)
{
    Property p;
    const qsizetype colon = line.indexOf(':');
    p.hasColon = colon >= 0;
    const QByteArrayView head = p.hasColon ? line.first(colon) : line;
    const qsizetype semi = head.indexOf(';');
    QByteArrayView name = semi >= 0 ? head.first(semi) : head;
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name = name.sliced(dot + 1);
    p.name = name;
    if (semi >= 0) {
        p.hasParams = true;
        p.params = head.sliced(semi + 1);
        p.afterName = trimSpaces(line.sliced(semi + 1));
    }
    if (p.hasColon)
        p.value = trimSpaces(line.sliced(colon + 1));
    return p;
}

// Calls f(key, value) for each parameter; a bare word (2.1 style, "CELL") comes as TYPE with that value, and a
// TYPE list ("TYPE=CELL,VOICE") gives one call per value.
template<typename F>
void forEachParam(QByteArrayView params, F &&f)
{
    while (!params.isEmpty()) {
        const qsizetype semi = params.indexOf(';');
        const QByteArrayView param = trimSpaces(semi >= 0 ? params.first(semi) : params);
        params = semi >= 0 ? params.sliced(semi + 1) : QByteArrayView();
        const qsizetype eq = param.indexOf('=');
        const QByteArrayView key = eq >= 0 ? trimSpaces(param.first(eq)) : QByteArrayView("TYPE");
        QByteArrayView values = eq >= 0 ? param.sliced(eq + 1) : param;
        if (!equalsCI(key, "TYPE")) {
            f(key, trimSpaces(values));
            continue;
        }
        while (!values.isEmpty()) {
            const qsizetype comma = values.indexOf(',');
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

bool hasType(QByteArrayView params, QByteArrayView upperType)
{
    bool found = false;
    forEachParam(params, [&](QByteArrayView key, QByteArrayView v) {
        found = found || (equalsCI(key, "TYPE") && equalsCI(v, upperType));
    });
    return found;
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
    const qsizetype colon = line.indexOf(':');
    const QByteArrayView head = colon >= 0 ? line.first(colon) : line;
    const qsizetype semi = head.indexOf(';');
    if (semi < 0)
        return false;
    bool qp = false;
    forEachParam(head.sliced(semi + 1), [&](QByteArrayView key, QByteArrayView v) {
        qp = qp || ((equalsCI(key, "ENCODING") || equalsCI(key, "TYPE")) && equalsCI(v, "QUOTED-PRINTABLE"));
    });
    return qp;
}

// Reads one card. Both dialects share the property rules; 2.1 differs in its name values (first component of N,
// quoted-printable N and FN), its soft line breaks and its photo continuation lines.
class CardReader {
public:
    explicit CardReader(bool v21) : m_v21(v21) {}

    std::optional<ContactRecord> read(QByteArrayView piece)
    {
        LineCursor lines(piece);
        QByteArrayView line;
        bool have = lines.next(line);
        while (have) {
            QByteArrayView next;
            bool haveNext = lines.next(next);
            if (m_v21 && haveNext && endsInSoftBreak(line) && saysQuotedPrintable(line)) {
                m_joined.clear();
                m_joined.append(line);
                do {
                    chopSoftBreak(m_joined);
                    m_joined.append(next);
                    haveNext = lines.next(next);
                } while (haveNext && endsInSoftBreak(m_joined));
                take(m_joined);
            } else if (!m_v21 && haveNext && isFolded(next)) {
                m_joined.clear();
                m_joined.append(line);
                do {
                    m_joined.append(next.sliced(1));
                    haveNext = lines.next(next);
                } while (haveNext && isFolded(next));
                take(m_joined);
            } else {
                take(line);
            }
            line = next;
            have = haveNext;
        }
        endPhoto();
        if (!m_recognised)
            return std::nullopt;
        finish();
        return std::move(m_record);
    }

private:
    static bool isFolded(QByteArrayView line) { return !line.isEmpty() && (line[0] == ' ' || line[0] == '\t'); }
    static bool endsInSoftBreak(QByteArrayView line) { return trimSpaces(line).endsWith('='); }
    static void chopSoftBreak(QByteArray &line)
    {
        while (line.endsWith(' '))
            line.chop(1);
        line.chop(1);
    }

    void take(QByteArrayView rawLine)
    {
        const QByteArrayView line = trimSpaces(rawLine);
        if (m_inPhoto) {
            if (!line.isEmpty() && !line.contains(':')) {
                m_photo.append(line);
                return;
            }
            endPhoto();
        }
        const Property p = splitProperty(line);
        const QByteArrayView name = p.name;
        bool known = true;
        // PHOTO; and ADR; keep their parameters with the value, so they need no colon of their own.
        if (equalsCI(name, "PHOTO") && (p.hasParams || (m_v21 && p.hasColon))) {
            if (m_v21) {
                m_photo.clear();
                m_photo.append(p.value);
                m_inPhoto = true;
            } else {
                m_record.Photo = text(p.afterName);
            }
        } else if (equalsCI(name, "ADR") && p.hasParams) {
            m_record.Address = text(p.afterName);
        } else if (!p.hasColon) {
            known = false;
        } else if (equalsCI(name, "N")) {
            m_record.Name = m_v21 ? nameComponent21(line, p) : text(p.value);
        } else if (equalsCI(name, "FN")) {
            m_record.FullName =
                m_v21 ? mEncodeDecode::decodeQuotedPrintable(text(p.value), charsetOf(p.params)) : text(p.value);
        } else if (equalsCI(name, "TEL")) {
            switch (telKind(p.params)) {
            case TelKind::Ignored: known = false; break;
            case TelKind::Cell: m_cell = text(p.value); break;
            case TelKind::Home: m_home = text(p.value); break;
            case TelKind::Work: m_work = text(p.value); break;
            case TelKind::Other: m_other = text(p.value); break;
            }
        } else if (equalsCI(name, "EMAIL")) {
            QString &slot = hasType(p.params, "WORK") ? m_emailWork : hasType(p.params, "HOME") ? m_emailHome
                                                                                                 : m_emailPlain;
            slot = text(p.value);
        } else if (equalsCI(name, "X-QQ")) {
            m_record.QQ = text(p.value);
        } else if (p.hasParams) {
            known = false; // the remaining properties are read only in their plain form
        } else if (equalsCI(name, "X-WDJ-STARRED")) {
            m_record.Starred = text(p.value);
        } else if (equalsCI(name, "X_WDJ_BIG_PHOTO") || equalsCI(name, "X-WDJ-BIG-PHOTO")) {
            m_record.BigPhoto = text(p.value);
        } else if (equalsCI(name, "CATEGORIES")) {
            m_categories.append(p.value);
            m_categories.append('|');
        } else {
            known = false;
        }
        m_recognised = m_recognised || known;
    }

    // 2.1 keeps only the first component of N, the family name as most phones write it.
    static QString nameComponent21(QByteArrayView line, const Property &p)
    {
        const QByteArrayView raw = line.sliced(line.indexOf(':') + 1);
        const qsizetype semi = raw.indexOf(';');
        if (semi < 0)
            return {};
        const QByteArrayView first = trimSpaces(raw.first(semi));
        return mEncodeDecode::decodeQuotedPrintable(text(first), charsetOf(p.params));
    }

    void endPhoto()
    {
        if (!m_inPhoto)
            return;
        m_inPhoto = false;
        m_record.Photo = text(m_photo);
    }

    void finish()
    {
        QString email = m_emailPlain;
        for (const QString *more : {&m_emailWork, &m_emailHome}) {
            if (more->isEmpty())
                continue;
            if (!email.isEmpty())
                email += u' ';
            email += *more;
        }
        m_record.Email = email;
        m_record.Mobile = m_cell;
        m_record.Landline = m_home;
        for (QString *number : {&m_work, &m_other}) {
            if (number->isEmpty())
                continue;
            if (m_record.Mobile.isEmpty())
                m_record.Mobile = *number;
            else if (m_record.Landline.isEmpty())
                m_record.Landline = *number;
        }
        m_record.Categories = text(m_categories);
    }

    const bool m_v21;
    ContactRecord m_record;
    QString m_cell, m_home, m_work, m_other;
    QString m_emailPlain, m_emailWork, m_emailHome;
    QByteArray m_categories;
    QByteArray m_joined;
    QByteArray m_photo;
    bool m_inPhoto = false;
    bool m_recognised = false;
};

} // namespace

std::optional<ContactRecord> parseCard(QByteArrayView piece)
{
    return CardReader(isVersion21(piece)).read(piece);
}

ParseResult splitAndParse(QByteArrayView utf8Text, ContactTable &table)
{
    ParseResult result;
    qsizetype begin = findBegin(utf8Text, 0);

    int cards = 0;
    for (qsizetype at = begin; at >= 0; at = findBegin(utf8Text, at + kBegin.size()))
        ++cards;
    table.reserve(cards);

    while (begin >= 0) {
        const qsizetype start = begin + kBegin.size();
        const qsizetype next = findBegin(utf8Text, start);
        const QByteArrayView piece = utf8Text.sliced(start, (next >= 0 ? next : utf8Text.size()) - start);
        if (std::optional<ContactRecord> record = parseCard(piece)) {
            if (table.append(std::move(*record)) == 0)
                break; // the table is full
            ++result.appended;
        } else {
            ++result.unread;
        }
        begin = next;
    }
    return result;
}

ParseResult splitAndParse(QStringView text, ContactTable &table)
{
    const QByteArray utf8 = text.toUtf8();
    return splitAndParse(QByteArrayView(utf8), table);
}

} // namespace vecardia
