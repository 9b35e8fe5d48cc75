// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/vcardwriter.h"

#include "contacts/contacttable.h"
#include "contacts/keptlines.h"
#include "contacts/vcardlines.h"
#include "contacts/vcardsyntax.h"
#include "encoding/simd.h"
#include "encoding/spaces.h"
#include "runtime/helperthreads.h"

#include <QBuffer>
#include <QVarLengthArray>

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

namespace vecardia {

namespace {

} // namespace

namespace scalar {

char *encodeValue(QStringView value, bool escaped, char *out)
{
    const char16_t *p = value.utf16();
    const char16_t *const end = p + value.size();
    for (; p < end; ++p) {
        const char16_t c = *p;
        if (c < 0x80) {
            if (c == u'\r' || c == u'\n' || (escaped && vcard::isEscaped(c))) {
                const char16_t *escape = vcard::escapeOf(c); // two ASCII characters
                *out++ = char(escape[0]);
                *out++ = char(escape[1]);
                if (c == u'\r' && p + 1 < end && p[1] == u'\n')
                    ++p; // CR LF is one line break
            } else {
                *out++ = char(c);
            }
        } else if (c < 0x800) {
            *out++ = char(0xC0 | c >> 6);
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1])) {
            const char32_t u = QChar::surrogateToUcs4(c, p[1]);
            ++p;
            *out++ = char(0xF0 | u >> 18);
            *out++ = char(0x80 | (u >> 12 & 0x3F));
            *out++ = char(0x80 | (u >> 6 & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        } else {
            // A surrogate without its other half is no character: U+FFFD stands in for it.
            const char16_t u = QChar::isSurrogate(c) ? char16_t(QChar::ReplacementCharacter) : c;
            *out++ = char(0xE0 | u >> 12);
            *out++ = char(0x80 | (u >> 6 & 0x3F));
            *out++ = char(0x80 | (u & 0x3F));
        }
    }
    return out;
}

} // namespace scalar

char *encodeValue(QStringView value, bool escaped, char *out)
{
#if VECARDIA_SSE2
    // Eight units at a time while they are ASCII and hold nothing to escape: numbers and e-mail addresses mostly.
    // The scalar twin takes the rest.
    const char16_t *p = value.utf16();
    const char16_t *const end = p + value.size();
    const __m128i nonAscii = _mm_set1_epi16(short(0xFF80));
    for (; end - p >= 8; p += 8, out += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(units, nonAscii), _mm_setzero_si128())) != 0xFFFF)
            break;
        const __m128i bytes = _mm_packus_epi16(units, units);
        __m128i special =
            _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')));
        if (escaped) {
            for (char c : {'\\', ',', ';'})
                special = _mm_or_si128(special, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)));
        }
        if ((_mm_movemask_epi8(special) & 0xFF) != 0)
            break;
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out), bytes);
    }
    return scalar::encodeValue(QStringView(p, end), escaped, out);
#else
    return scalar::encodeValue(value, escaped, out);
#endif
}

namespace {

// Gathers the UTF-8 text in a buffer and hands it to the device a megabyte at a time; without a device, the
// buffer grows to hold all of it.
//
// "BEGIN:VCARD" starts a card wherever it stands in a file, so a value that holds it (a name typed so, or text
// joined from folded lines) must not write it whole: it is folded inside the word.
class Utf8Sink {
public:
    explicit Utf8Sink(QIODevice *out, qsizetype room = kChunk)
        : m_out(out), m_buffer(room, Qt::Uninitialized), m_data(m_buffer.data())
    {
    }

    // The text gathered without a device, and a new start.
    [[nodiscard]] QByteArrayView gathered() const { return QByteArrayView(m_data, m_used); }
    void clear() { m_used = 0; }

    // Bytes as they are: ASCII, or UTF-8 already.
    void ascii(QByteArrayView text)
    {
        char *at = room(text.size());
        std::memcpy(at, text.data(), std::size_t(text.size()));
        m_used += text.size();
    }

    // A value as UTF-8, its line breaks escaped; with `escaped`, as 3.0 text (backslash, comma and semicolon
    // escaped too). No value then holds a line start, so none can start a card.
    void put(QStringView value, bool escaped = false)
    {
        char *const at = room(kBytesPerUnit * value.size());
        m_used = encodeValue(value, escaped, at) - m_data;
    }

    void line(QByteArrayView tag, QStringView value, bool escaped = false)
    {
        ascii(tag);
        put(value, escaped);
        ascii("\n");
    }

    // A whole line, folded where it is long.
    void folded(QStringView line)
    {
        QByteArray utf8(kBytesPerUnit * line.size(), Qt::Uninitialized);
        utf8.truncate(encodeValue(line, false, utf8.data()) - utf8.constData());
        if (utf8.size() <= vcard::kFoldAt) {
            ascii(utf8);
            ascii("\n");
        } else {
            ascii(vcard::foldedLine(utf8));
        }
    }

    bool flushIfFull() { return m_used < kChunk / 2 || !m_out || flush(); }

    // False once any write was refused: everything after it is dropped.
    bool flush()
    {
        if (!m_failed && m_used > 0)
            m_failed = m_out->write(m_buffer.constData(), m_used) != m_used;
        m_used = 0;
        return !m_failed;
    }

private:
    // Space for `bytes` more at the end of the buffer, flushing or growing it first when needed.
    char *room(qsizetype bytes)
    {
        if (m_buffer.size() - m_used < bytes) {
            if (m_out)
                flush();
            if (m_buffer.size() - m_used < bytes) {
                m_buffer.resize(std::max(m_used + bytes, m_out ? bytes : 2 * m_buffer.size()));
                m_data = m_buffer.data();
            }
        }
        return m_data + m_used;
    }

    static constexpr qsizetype kChunk = 1 << 20;
    QIODevice *m_out;
    QByteArray m_buffer;
    char *m_data; // the buffer's bytes, held so that writing does not ask the array whether it is shared
    qsizetype m_used = 0;
    bool m_failed = false;
};

// Calls f(part) for each non-empty part of `text` between separators. The fields it splits are short and mostly
// empty or whole, where a tokenizer's set-up costs more than the parts.
template<typename F>
void forEachPart(QStringView text, char16_t separator, F &&f)
{
    for (qsizetype at = 0, end = 0; at < text.size(); at = end + 1) {
        end = text.indexOf(QChar(separator), at);
        end = end < 0 ? text.size() : end;
        if (end > at)
            f(text.sliced(at, end - at));
    }
}

// The kinds of the e-mail lines a record keeps of its own (addresses its card had beyond the three it shows).
std::array<bool, 3> keptEmailKinds(const QString &kept)
{
    std::array<bool, 3> kinds{};
    forEachPart(kept, u'\n', [&](QStringView line) {
        if (kept::fieldLine(line))
            return;
        const QByteArray utf8 = line.toUtf8();
        const vcard::Property p = vcard::splitProperty(utf8);
        if (p.hasColon && vcard::equalsWord(p.name, "EMAIL"))
            kinds[kept::emailKind(p.params)] = true;
    });
    return kinds;
}

constexpr QByteArrayView kEmailTags[] = {"EMAIL;TYPE=INTERNET:", "EMAIL;TYPE=WORK:", "EMAIL;TYPE=HOME:"};

// The e-mail lines in the save's own form: one per address.
void writeEmails(Utf8Sink &out, const ContactRecord &r, qsizetype skipped = 0)
{
    QVarLengthArray<QStringView, 4> addresses;
    forEachPart(r.Email, u' ', [&](QStringView address) { addresses << address; });
    if (addresses.isEmpty())
        return;
    const kept::EmailKinds kinds = kept::emailKinds(addresses.size(), keptEmailKinds(r.Kept.get()));
    for (qsizetype i = skipped; i < addresses.size(); ++i)
        out.line(kEmailTags[kinds[i]], addresses[i], true);
}

// The categories, a line each, in the save's own form.
void writeCategories(Utf8Sink &out, const ContactRecord &r)
{
    forEachPart(r.Categories.get(), u'|', [&](QStringView category) {
        if (const QStringView trimmed = trimSpaces(category); !trimmed.isEmpty())
            out.line("CATEGORIES:", trimmed);
    });
}

// The photos are kept as the bytes they were read as: Base64, or a URI, UTF-8 as read.
void writeBytes(Utf8Sink &out, QByteArrayView tag, QByteArrayView value)
{
    if (!value.isEmpty()) {
        out.ascii(tag);
        out.ascii(value);
        out.ascii("\n");
    }
}

// A card laid out as a save lays it out: its other lines, then N, FN and the fields.
void writeLaidOut(Utf8Sink &out, const ContactRecord &r)
{
    // What the card had beyond the fields comes first, so that the lines below decide the fields when it is read
    // again. Its N line stands in for the one built from the name.
    QStringView name;
    forEachPart(r.Kept.get(), u'\n', [&](QStringView line) {
        if (kept::isNameLine(line) && name.isEmpty())
            name = line;
        else
            out.folded(line);
    });
    if (name.isEmpty()) {
        out.ascii("N:;");
        out.put(r.FullName, true);
        out.ascii(";;;\n");
    } else {
        out.folded(name);
    }
    out.line("FN:", r.FullName, true);
    const auto optional = [&out](QByteArrayView tag, QStringView value) {
        if (!value.isEmpty())
            out.line(tag, value);
    };
    optional("TEL;TYPE=CELL:", r.Mobile);
    optional("TEL;TYPE=HOME:", r.Landline);
    writeBytes(out, "PHOTO;", r.Photo.get());
    writeEmails(out, r);
    optional("ADR;", r.Address.get());
    optional("X-QQ;TYPE=CUSTOM:", r.QQ);
    writeBytes(out, "X-WDJ-BIG-PHOTO:", r.BigPhoto.get());
    optional("X-WDJ-STARRED:", r.Starred.get());
    writeCategories(out, r);
}

// The value a field line says, as the reader takes it from a 3.0 line.
QString valueOfLine(kept::Slot slot, QStringView line)
{
    const QByteArray utf8 = line.toUtf8();
    const vcard::Property p = vcard::splitProperty(utf8);
    switch (slot) {
    case kept::Slot::FullName:
    case kept::Slot::EmailPlain:
    case kept::Slot::EmailWork:
    case kept::Slot::EmailHome: return QString::fromUtf8(vcard::unescapeText(p.value));
    case kept::Slot::Mobile:
    case kept::Slot::Landline:
        if (vcard::startsWithWord(p.value, "TEL:") && vcard::equalsWord(vcard::parameter(p.params, "VALUE"), "URI"))
            return QString::fromUtf8(p.value.sliced(4));
        break;
    default: break;
    }
    return QString::fromUtf8(p.value);
}

// A text field's line: as it was while the field says what it said, else its group and parameters with the field's
// value; gone when the field was emptied.
void writeFieldLine(Utf8Sink &out, const kept::FieldLine &line, QStringView now, bool escaped)
{
    QStringView prefix = line.text;
    if (line.whole) {
        if (valueOfLine(line.slot, line.text) == now) {
            out.folded(line.text);
            return;
        }
        prefix = line.text.first(kept::colonOf(line.text) + 1);
    }
    if (now.isEmpty())
        return;
    out.folded(prefix.toString() + (escaped ? vcard::escapeText(now) : now.toString()));
}

// A card written in the order and form of the lines it was read from; the fields that had none follow in the save's
// own form.
void writeAsRead(Utf8Sink &out, const ContactRecord &r)
{
    using kept::Slot;
    QVarLengthArray<QStringView, 4> emails;
    forEachPart(r.Email, u' ', [&](QStringView address) { emails << address; });
    QVarLengthArray<QStringView, 8> categories;
    for (QStringView category : QStringView(r.Categories.get()).split(u'|'))
        categories << category;
    if (!categories.isEmpty())
        categories.removeLast(); // each category is followed by "|"
    // The e-mail and category lines take the addresses and categories in order, as long as there are as many.
    int emailLines = 0, categoryLines = 0;
    std::array<bool, 3> emailKinds{};
    forEachPart(r.Kept.get(), u'\n', [&](QStringView text) {
        if (const std::optional<kept::FieldLine> line = kept::fieldLine(text)) {
            if (const int kind = kept::emailKindOf(line->slot); kind >= 0) {
                ++emailLines;
                emailKinds[std::size_t(kind)] = true;
            }
            categoryLines += line->slot == Slot::Category ? 1 : 0;
        }
    });
    const bool emailsInLines = emailLines == emails.size();
    const bool categoriesInLines = categoryLines == categories.size();
    std::array<bool, 128> written{};
    int category = 0;
    forEachPart(r.Kept.get(), u'\n', [&](QStringView text) {
        const std::optional<kept::FieldLine> line = kept::fieldLine(text);
        if (!line) {
            out.folded(text);
            return;
        }
        const QByteArray head = line->text.toUtf8();
        switch (line->slot) {
        case Slot::Name: out.folded(line->text); break;
        case Slot::FullName: writeFieldLine(out, *line, r.FullName, true); break;
        case Slot::Mobile: writeFieldLine(out, *line, r.Mobile, false); break;
        case Slot::Landline: writeFieldLine(out, *line, r.Landline, false); break;
        case Slot::QQ: writeFieldLine(out, *line, r.QQ, false); break;
        case Slot::Starred: writeFieldLine(out, *line, r.Starred.get(), false); break;
        case Slot::EmailPlain:
        case Slot::EmailWork:
        case Slot::EmailHome: {
            if (!emailsInLines)
                return; // the addresses are written anew below
            // The addresses are joined plain, work, home: the line's is the one after those of the kinds before it.
            const int kind = kept::emailKindOf(line->slot);
            const auto before = std::count(emailKinds.begin(), emailKinds.begin() + kind, true);
            writeFieldLine(out, *line, emails[before], true);
            break;
        }
        case Slot::Category:
            if (categoriesInLines)
                writeFieldLine(out, *line, categories[category++], false);
            break;
        case Slot::Photo: writeBytes(out, head + ';', r.Photo.get()); break;
        case Slot::BigPhoto: writeBytes(out, head + ':', r.BigPhoto.get()); break;
        case Slot::Address:
            if (!r.Address.isEmpty())
                out.line(head + ';', r.Address.get());
            break;
        }
        written[char16_t(line->slot) & 127] = true;
    });
    const auto had = [&](Slot slot) { return written[char16_t(slot) & 127]; };
    const auto optional = [&](Slot slot, QByteArrayView tag, QStringView value) {
        if (!had(slot) && !value.isEmpty())
            out.line(tag, value);
    };
    if (!had(Slot::Name)) {
        out.ascii("N:;");
        out.put(r.FullName, true);
        out.ascii(";;;\n");
    }
    if (!had(Slot::FullName))
        out.line("FN:", r.FullName, true);
    optional(Slot::Mobile, "TEL;TYPE=CELL:", r.Mobile);
    optional(Slot::Landline, "TEL;TYPE=HOME:", r.Landline);
    if (!had(Slot::Photo))
        writeBytes(out, "PHOTO;", r.Photo.get());
    if (!emailsInLines)
        writeEmails(out, r);
    optional(Slot::Address, "ADR;", r.Address.get());
    optional(Slot::QQ, "X-QQ;TYPE=CUSTOM:", r.QQ);
    if (!had(Slot::BigPhoto))
        writeBytes(out, "X-WDJ-BIG-PHOTO:", r.BigPhoto.get());
    optional(Slot::Starred, "X-WDJ-STARRED:", r.Starred.get());
    if (!categoriesInLines)
        writeCategories(out, r);
}

void writeCard(Utf8Sink &out, const ContactRecord &r)
{
    out.ascii("BEGIN:VCARD\nVERSION:3.0\n");
    if (kept::hasFieldLines(r.Kept.get()))
        writeAsRead(out, r);
    else
        writeLaidOut(out, r);
    out.ascii("END:VCARD\n");
}

// A block is a few hundred kilobytes (a tenth of the contacts with photos): enough rows that handing it over costs
// little, few enough that the blocks in flight add little to the memory the save takes.
constexpr qsizetype kBlockRows = 512;

// Rows written as one piece by a helper thread (or the writer's own), gathered until the writer hands them on.
struct CardBlock final : HelperTask {
    const ContactTable *table = nullptr;
    const QList<int> *indexes = nullptr;
    qsizetype from = 0, to = 0; // the rows
    Utf8Sink sink{nullptr, 256 << 10};

    void work() override
    {
        sink.clear();
        for (qsizetype row = from; row < to; ++row) {
            const int index = (*indexes)[row];
            if (table->contains(index) && table->isLive(index))
                writeCard(sink, (*table)[index]);
        }
    }
};

// A large list is written a block of rows at a time: helper threads put blocks into UTF-8 while this thread hands
// the finished ones to the device in order (and puts the blocks no helper has taken yet into UTF-8 itself).
bool writeInBlocks(const ContactTable &table, const QList<int> &indexes, QIODevice &out, const WriteProgress &progress,
                   int helpers)
{
    const qsizetype rows = indexes.size();
    std::vector<std::unique_ptr<CardBlock>> blocks(std::size_t(helpers) + 2);
    std::vector<CardBlock *> idle;
    for (auto &block : blocks) {
        block = std::make_unique<CardBlock>();
        idle.push_back(block.get());
    }
    std::deque<CardBlock *> inFlight;
    HelperThreads threads(helpers);
    bool written = true;
    for (qsizetype next = 0; written && (next < rows || !inFlight.empty());) {
        for (; next < rows && !idle.empty(); next += kBlockRows) {
            CardBlock *block = idle.back();
            idle.pop_back();
            block->table = &table;
            block->indexes = &indexes;
            block->from = next;
            block->to = std::min(rows, next + kBlockRows);
            threads.handOut(block);
            inFlight.push_back(block);
        }
        CardBlock *oldest = inFlight.front();
        if (!threads.tryCollect(oldest)) {
            // Rather than wait, this thread puts a block into UTF-8 that no helper has taken, the newest first.
            if (threads.runOneHere(inFlight.rbegin(), inFlight.rend()))
                continue;
            threads.collect(oldest);
        }
        inFlight.pop_front();
        idle.push_back(oldest);
        for (qsizetype row = oldest->from; progress && row < oldest->to; ++row)
            progress(row + 1, rows);
        const QByteArrayView bytes = oldest->sink.gathered();
        written = bytes.isEmpty() || out.write(bytes.data(), bytes.size()) == bytes.size();
    }
    // A refused write still waits for the blocks handed out.
    for (CardBlock *block : inFlight)
        threads.withdraw(block);
    return written;
}

} // namespace

bool writeVCards(const ContactTable &table, const QList<int> &indexes, QIODevice &out, const WriteProgress &progress,
                 int helpers)
{
    if (helpers > 0 && indexes.size() >= 4 * kBlockRows)
        return writeInBlocks(table, indexes, out, progress, helpers);
    Utf8Sink sink(&out);
    const qsizetype rows = indexes.size();
    for (qsizetype row = 0; row < rows; ++row) {
        if (progress)
            progress(row + 1, rows);
        const int index = indexes[row];
        if (!table.contains(index) || !table.isLive(index))
            continue;
        writeCard(sink, table[index]);
        if (!sink.flushIfFull())
            return false;
    }
    return sink.flush();
}

QByteArray vcardText(const ContactTable &table, const QList<int> &indexes)
{
    QByteArray text;
    QBuffer buffer(&text);
    buffer.open(QIODevice::WriteOnly);
    (void)writeVCards(table, indexes, buffer);
    return text;
}

SaveResult writeVCardFile(const ContactTable &table, const QList<int> &indexes, const QString &path,
                          const WriteProgress &progress)
{
    return UTF8格式保存文件(Utf8Text([&](QIODevice &out) { return writeVCards(table, indexes, out, progress); }), path);
}

} // namespace vecardia
