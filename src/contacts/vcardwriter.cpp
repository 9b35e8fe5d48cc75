#include "contacts/vcardwriter.h"

#include "contacts/contacttable.h"

#include <QBuffer>
#include <QStringEncoder>

namespace vecardia {

namespace {

// Gathers the UTF-8 text in a buffer and hands it to the device a megabyte at a time.
class Utf8Sink {
public:
    explicit Utf8Sink(QIODevice &out) : m_out(out) { m_buffer.reserve(kChunk + 4096); }

    void ascii(QByteArrayView text) { m_buffer.append(text); }

    void put(const QString &value)
    {
        const qsizetype used = m_buffer.size();
        m_buffer.resize(used + m_encoder.requiredSpace(value.size()));
        char *end = m_encoder.appendToBuffer(m_buffer.data() + used, value);
        m_buffer.truncate(end - m_buffer.constData());
    }

    void line(QByteArrayView tag, const QString &value)
    {
        ascii(tag);
        put(value);
        ascii("\n");
    }

    bool flushIfFull() { return m_buffer.size() < kChunk || flush(); }

    bool flush()
    {
        const bool ok = m_buffer.isEmpty() || m_out.write(m_buffer) == m_buffer.size();
        m_buffer.clear();
        return ok;
    }

private:
    static constexpr qsizetype kChunk = 1 << 20;
    QIODevice &m_out;
    QByteArray m_buffer;
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
};

void writeCard(Utf8Sink &out, const ContactRecord &r)
{
    out.ascii("BEGIN:VCARD\nVERSION:3.0\nN:;");
    out.put(r.FullName);
    out.ascii(";;;\n");
    out.line("FN:", r.FullName);
    const auto optional = [&out](QByteArrayView tag, const QString &value) {
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
            out.line("CATEGORIES:", category.sliced(b, e - b).toString());
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
