#include "encoding/utf8.h"

#include <algorithm>

namespace vecardia::utf8 {

qsizetype wholeCharacters(QByteArrayView bytes)
{
    // A sequence is at most four bytes: only the last three can belong to one that the end cuts.
    for (qsizetype back = 1; back <= std::min<qsizetype>(3, bytes.size()); ++back) {
        const auto byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: the sequence starts further back
        return sequenceLength(byte) > back ? bytes.size() - back : bytes.size();
    }
    return bytes.size();
}

void Survey::feed(QByteArrayView piece)
{
    m_bytes += piece.size();
    if (!m_ok)
        return;
    if (!m_pending.isEmpty()) {
        const qsizetype need = sequenceLength(static_cast<unsigned char>(m_pending[0])) - m_pending.size();
        const qsizetype taken = std::min(need, piece.size());
        m_pending.append(piece.first(taken));
        piece = piece.sliced(taken);
        if (taken < need)
            return;
        m_ok = QByteArrayView(m_pending).isValidUtf8();
        m_pending.clear();
        if (!m_ok)
            return;
    }
    const qsizetype whole = wholeCharacters(piece);
    m_ok = piece.first(whole).isValidUtf8();
    m_pending = piece.sliced(whole).toByteArray();
}

} // namespace vecardia::utf8
