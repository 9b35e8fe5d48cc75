// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/vcardstream.h"

#include "contacts/contacttable.h"
#include "contacts/vcardrules.h"
#include "encoding/charsetfile.h"
#include "encoding/utf8.h"

#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace vecardia {

using vcard::findCardStart;
using vcard::kCardStart;

// Reads cards one after the other, keeping its buffers from card to card: one for each thread that reads.
struct CardStream::Reader {
    vcard::CardLines lines;
    vcard::CardRules rules;
    std::vector<qsizetype> starts; // of the cards found in the buffer

    // One card (the bytes after its "BEGIN:VCARD") into an empty record; `last` when the end of the text cuts it,
    // `utf8` when it is known to be well-formed UTF-8. False when the card holds nothing to read.
    bool read(QByteArrayView card, bool last, bool utf8, ContactRecord &record)
    {
        lines.build(card, last, utf8);
        return rules.read(lines, record);
    }
};

namespace {

// The card between two of the starts found in a text.
QByteArrayView cardAt(QByteArrayView text, const std::vector<qsizetype> &starts, std::size_t k)
{
    const qsizetype begin = starts[k] + kCardStart.size();
    return text.sliced(begin, starts[k + 1] - begin);
}

} // namespace

// The complete cards of one piece, read on a helper thread (or by the stream's own thread) into records the
// table holds for them already.
struct CardStream::Batch final : HelperTask {
    Reader reader;
    QByteArray bytes;
    std::vector<qsizetype> starts; // of the cards in `bytes`, the last one the end of the last card
    int first = 0;                 // the table index of the first card's record
    ContactRecord *records = nullptr;
    std::vector<quint8> held; // per card: whether it held anything to read

    void work() override
    {
        const QByteArrayView text(bytes);
        const std::size_t cards = starts.size() - 1;
        const bool utf8 = utf8::isValid(text.sliced(starts.front(), starts.back() - starts.front()));
        held.assign(cards, 0);
        for (std::size_t k = 0; k < cards; ++k)
            held[k] = reader.read(cardAt(text, starts, k), false, utf8, records[k]);
        reader.rules.packPhotos(); // the batch's photos in one block
    }
};

ParseResult splitAndParse(QByteArrayView bytes, ContactTable &table)
{
    const int before = table.upperIndex();
    for (vcard::CharsetPass pass;;) {
        CardStream stream(table, 0, {}, pass);
        stream.feed(bytes);
        const ParseResult result = stream.finish();
        const std::optional<vcard::CharsetPass> next = vcard::nextCharsetPass(pass, result.verdicts);
        if (!next)
            return result;
        (void)table.takeAbove(before);
        pass = *next;
    }
}

ParseResult splitAndParse(QStringView text, ContactTable &table)
{
    const QByteArray utf8 = text.toUtf8();
    return splitAndParse(QByteArrayView(utf8), table);
}

CardStream::CardStream(ContactTable &table, qint64 expectedBytes, CardSharing sharing, vcard::CharsetPass pass)
    : m_table(table), m_pass(pass), m_reader(std::make_unique<Reader>()), m_sharing(sharing),
      m_helpers(sharing.helpers), m_expectedBytes(expectedBytes)
{
    m_reader->rules.setCharsetPass(pass);
}

CardStream::~CardStream()
{
    // A stream given up on (a read error) still waits for the batches it handed out.
    for (Batch *batch : m_inFlight)
        m_helpers.withdraw(batch);
}

void CardStream::read(QByteArrayView piece, bool last, bool utf8)
{
    // The record is filled where it will stay.
    const int index = m_table.append();
    if (index == 0)
        return; // the table is full
    if (m_reader->read(piece, last, utf8, m_table[index])) {
        m_reader->rules.packPhotos(); // before the next record may move this one
        ++m_result.appended;
    } else {
        m_table.removeLast();
        ++m_result.unread;
    }
}

// Hands the complete cards in the buffer, up to `end`, to a batch with the records the table holds for them: the
// batch takes the buffer, and the buffer starts again from what is left.
void CardStream::shareOut(qsizetype end)
{
    const int cards = int(m_reader->starts.size() - 1);
    if (m_idle.empty() && m_batches.size() < std::size_t(m_sharing.helpers) + 3) {
        m_batches.push_back(std::make_unique<Batch>());
        m_idle.push_back(m_batches.back().get());
    }
    while (m_idle.empty())
        collect(true);
    Batch *batch = m_idle.back();
    m_idle.pop_back();
    batch->reader.rules.setCharsetPass(m_pass);
    batch->starts = m_reader->starts;
    batch->first = m_table.appendEmpty(cards);
    batch->records = &m_table[batch->first];
    std::swap(batch->bytes, m_buffer);
    const QByteArrayView left = QByteArrayView(batch->bytes).sliced(end);
    m_buffer.resize(0);
    m_buffer.reserve(std::max(batch->bytes.capacity(), left.size()));
    m_buffer.append(left);
    m_searched -= end;

    m_inFlight.push_back(batch);
    m_helpers.handOut(batch);
    // One batch waits for each helper, so that none of them waits for this thread; more than that, and this thread
    // reads the newest of those waiting. Batches read but not yet collected do not count.
    const auto waiting =
        std::count_if(m_inFlight.begin(), m_inFlight.end(), [](const Batch *b) { return !b->started(); });
    if (waiting > m_sharing.helpers)
        (void)m_helpers.runOneHere(m_inFlight.rbegin(), m_inFlight.rend());
    collect(false);
}

// Counts the cards of the batches that are done, in card order; `wait` waits for the first batch. The records of
// cards that held nothing are taken out by collectAll().
void CardStream::collect(bool wait)
{
    while (!m_inFlight.empty()) {
        Batch *batch = m_inFlight.front();
        if (wait) {
            m_helpers.collect(batch);
            wait = false;
        } else if (!m_helpers.tryCollect(batch)) {
            return;
        }
        m_inFlight.pop_front();
        m_idle.push_back(batch);
        m_result.verdicts += batch->reader.rules.takeVerdicts();
        for (std::size_t k = 0; k < batch->held.size(); ++k) {
            if (batch->held[k]) {
                ++m_result.appended;
            } else {
                ++m_result.unread;
                m_unheld.push_back(batch->first + int(k));
            }
        }
    }
}

// Makes room in the table for the cards found in a piece (`bytes` long), before any of them is appended: the records
// must not move while batches fill them. When the length of the whole text is known, the room is judged from the
// cards per byte, once with the first piece and again whenever a later piece would not fit: the rest of the text
// is taken to be as dense as the denser of the text so far and this piece, and the table grows by at least an
// eighth each time (a text may be longer than its file said). Doubling would leave up to twice the room a book
// needs when its first cards are longer than the rest (photos first), and for a moment three times. A text of
// unknown length grows as appending grows it.
void CardStream::makeTableRoom(std::size_t cards, qsizetype bytes)
{
    const bool fits = std::size_t(m_table.room()) >= cards;
    const bool judge = m_expectedBytes > 0 && (!m_sized || !fits);
    if (fits && !judge)
        return;
    collectAll();
    if (!judge)
        return;
    m_sized = true;
    const double perByte =
        std::max(double(m_found) / double(m_fed), double(cards) / double(std::max<qsizetype>(bytes, 1)));
    const double rest = perByte * double(std::max<qint64>(m_expectedBytes - m_fed, 0));
    // Never more room than twice the text's bytes would hold as records: a text of card starts and nothing else
    // (broken, or made to hurt) must not take many times its size in records that stay empty.
    const double most = 2.0 * double(m_expectedBytes) / double(sizeof(ContactRecord)) - m_table.upperIndex();
    const double wanted = std::max({double(cards) + 16, std::min(double(cards) + rest * 1.05 + 16, most),
                                    double(m_table.upperIndex() + cards) / 8});
    m_table.reserve(int(std::min<double>(wanted, 1 << 30)));
}

// Waits for every batch out, then takes out the records of cards that held nothing, as if they had never been
// appended.
void CardStream::collectAll()
{
    // The batches no helper has started yet are read here, the newest first, while the helpers finish theirs.
    while (m_helpers.runOneHere(m_inFlight.rbegin(), m_inFlight.rend())) {
    }
    while (!m_inFlight.empty())
        collect(true);
    if (m_unheld.empty())
        return;
    std::size_t next = 0; // in m_unheld, sorted as the batches were counted
    int to = m_unheld.front();
    for (int i = to; i <= m_table.upperIndex(); ++i) {
        if (next < m_unheld.size() && m_unheld[next] == i) {
            ++next;
            continue;
        }
        m_table[to++] = std::move(m_table[i]);
    }
    while (m_table.upperIndex() >= to)
        m_table.removeLast();
    m_unheld.clear();
}

// The buffer grows to what it must hold and no further: doubling would leave megabytes unused beside the book.
void CardStream::makeRoom(qsizetype more)
{
    if (const qsizetype needed = m_buffer.size() + more; needed > m_buffer.capacity())
        m_buffer.reserve(needed + needed / 16);
}

void CardStream::feed(QByteArrayView bytes)
{
    makeRoom(bytes.size());
    m_buffer.append(bytes);
    m_fed += bytes.size();
    readBuffer();
}

bool CardStream::feed(QIODevice &device, QString *why)
{
    // Each piece is read straight into the buffer, behind what is left of the piece before.
    for (;;) {
        const qsizetype had = m_buffer.size();
        makeRoom(kReadPiece);
        m_buffer.resize(had + kReadPiece);
        const qint64 got = device.read(m_buffer.data() + had, kReadPiece);
        m_buffer.resize(had + std::max<qint64>(got, 0));
        if (got < 0 && why)
            *why = device.errorString();
        if (got <= 0)
            return got == 0;
        m_fed += got;
        readBuffer();
    }
}

void CardStream::readBuffer()
{
    const QByteArrayView text(m_buffer);
    qsizetype start = 0; // of the card being read, or of the text before the first card
    // The cards that end in the buffer are found first: when all of them are UTF-8, as in nearly every book, one
    // look at their bytes says so, and each card need not be looked at on its own.
    std::vector<qsizetype> &starts = m_reader->starts;
    starts.clear();
    for (;;) {
        const qsizetype from = std::max(m_searched, m_inCard ? start + kCardStart.size() : start);
        const qsizetype at = findCardStart(text, from);
        if (at < 0) {
            // A "BEGIN:VCARD" may be cut at the end: its first bytes are searched again with the next piece.
            m_searched = std::max(from, text.size() - (kCardStart.size() - 1));
            break;
        }
        if (m_inCard) {
            if (starts.empty())
                starts.push_back(start);
            starts.push_back(at);
        }
        m_inCard = true;
        start = at;
        m_searched = at + kCardStart.size();
    }
    if (starts.size() >= 2) {
        const std::size_t cards = starts.size() - 1;
        m_found += qint64(cards);
        makeTableRoom(cards, starts.back() - starts.front());
        if (m_sharing.helpers > 0 && cards > std::size_t(std::max(m_sharing.fromCards, 0)) &&
            std::size_t(std::numeric_limits<int>::max() - m_table.upperIndex()) >= cards) {
            shareOut(starts.back());
            start = 0;
        } else {
            collectAll(); // the cards before these join the table first
            const bool utf8 = utf8::isValid(text.sliced(starts.front(), starts.back() - starts.front()));
            for (std::size_t k = 0; k + 1 < starts.size(); ++k)
                read(cardAt(text, starts, k), false, utf8);
        }
    }
    if (!m_inCard) // of the text before the first card, only what a card start looks back at is kept
        start = std::max<qsizetype>(0, m_searched - vcard::kCardStartLookBack);
    // What is left moves to the front; the buffer keeps its room for the next piece.
    const qsizetype left = m_buffer.size() - start;
    std::memmove(m_buffer.data(), m_buffer.constData() + start, std::size_t(left));
    m_buffer.resize(left);
    m_searched -= start;
}

ParseResult CardStream::finish()
{
    collectAll();
    if (m_inCard)
        read(QByteArrayView(m_buffer).sliced(kCardStart.size()), true, false);
    m_buffer.clear();
    m_inCard = false;
    m_searched = 0;
    m_result.verdicts += m_reader->rules.takeVerdicts();
    return m_result;
}

} // namespace vecardia
