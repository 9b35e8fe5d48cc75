#include "contacts/vcardwriter.h"

#include "contacts/contacttable.h"

#include <QBuffer>
#include <QStringEncoder>

#include <cstring>

namespace vecardia {

namespace {

// Gathers the UTF-8 text in a buffer and hands it to the device a megabyte at a time.
class Utf8Sink {
public:
    explicit Utf8Sink(QIODevice &out) : m_out(out), m_buffer(kChunk, Qt::Uninitialized) {}

    void ascii(QByteArrayView text)
    {
        char *at = room(text.size());
        std::memcpy(at, text.data(), std::size_t(text.size()));
        m_used += text.size();
    }

    void put(QStringView value)
    {
        char *at = room(m_encoder.requiredSpace(value.size()));
        m_used = m_encoder.appendToBuffer(at, value) - m_buffer.data();
    }

    void line(QByteArrayView tag, QStringView value)
    {
        ascii(tag);
        put(value);
        ascii("\n");
    }

    bool flushIfFull() { return m_used < kChunk / 2 || flush(); }

    bool flush()
    {
        const bool ok = m_failed || m_used == 0 || m_out.write(m_buffer.constData(), m_used) == m_used;
        m_failed = !ok;
        m_used = 0;
        return ok;
    }

private:
    // Space for `bytes` more at the end of the buffer, flushing or growing it first when needed.
    char *room(qsizetype bytes)
    {
        if (m_buffer.size() - m_used < bytes) {
            flush();
            if (m_buffer.size() < bytes)
                m_buffer.resize(bytes);
        }
        return m_buffer.data() + m_used;
    }

    static constexpr qsizetype kChunk = 1 << 20;
    QIODevice &m_out;
    QByteArray m_buffer;
    qsizetype m_used = 0;
    bool m_failed = false;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

void writeCard(Utf8Sink &out, const ContactRecord &r)
{
    out.ascii("BEGIN:VCARD\nVERSION:3.0\nN:;");
    out.put(r.FullName);
    out.ascii(";;;\n");
    out.line("FN:", r.FullName);
    const auto optional = [&out](QByteArrayView tag, QStringView value) {
        if (!value.isEmpty())
            out.line(tag, value);
    };
    optional("TEL;TYPE=CELL:", r.Mobile);
    optional("TEL;TYPE=HOME:", r.Landline);
    optional("PHOTO;", r.Photo);
    optional("EMAIL;TYPE=WORK:", r.Email);
    optional("ADR;", r.Address);
    optional("X-QQ;TYPE=CUSTOM:", r.QQ);
    optional("X-WDJ-BIG-PHOTO:", r.BigPhoto);
    optional("X-WDJ-STARRED:", r.Starred);
    for (QStringView category : QStringView(r.Categories).tokenize(u'|')) {
        qsizetype b = 0, e = category.size();
        while (b < e && category[b] == u' ')
            ++b;
        while (e > b && category[e - 1] == u' ')
            --e;
        if (e > b)
            out.line("CATEGORIES:", category.sliced(b, e - b));
    }
    out.ascii("END:VCARD\n");
}

bool anyLive(const ContactTable &table, const QList<int> &indexes)
{
    for (int index : indexes) {
        if (table.contains(index) && table.isLive(index))
            return true;
    }
    return false;
}

} // namespace

bool writeVCards(const ContactTable &table, const QList<int> &indexes, QIODevice &out, const WriteProgress &progress)
{
    Utf8Sink sink(out);
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

SaveOutcome writeVCardFile(const ContactTable &table, const QList<int> &indexes, const QString &path,
                           const WriteProgress &progress)
{
    if (!anyLive(table, indexes))
        return SaveOutcome::EncodingError;
    return saveFile(path, [&](QIODevice &out) { return writeVCards(table, indexes, out, progress); }).outcome;
}

} // namespace vecardia
