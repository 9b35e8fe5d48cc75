// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/packedtexts.h"

#include "encoding/utf8.h"

#include <QVarLengthArray>

#include <algorithm>
#include <cstring>

namespace vecardia {

void TextPacker::pack(std::span<const PackedText> texts)
{
    // The texts are decoded one after the other into a buffer, each followed by a zero as every QString's text is,
    // then copied into a block of exactly their size. UTF-8 never takes fewer bytes than UTF-16 units.
    qsizetype room = 0;
    for (const PackedText &t : texts)
        room += t.utf8.size() + 1;
    if (m_units.size() < std::size_t(room))
        m_units.resize(std::size_t(room));
    QVarLengthArray<qsizetype, 8> sizes;
    qsizetype used = 0;
    int shared = 0;
    for (const PackedText &t : texts) {
        const qsizetype size = utf8::toUtf16(t.utf8, m_units.data() + used);
        if (size > t.utf8.size())
            qFatal("TextPacker: %lld units decoded from %lld bytes", qlonglong(size), qlonglong(t.utf8.size()));
        sizes.append(size);
        if (size == 0)
            continue;
        used += size;
        m_units[std::size_t(used++)] = u'\0';
        ++shared;
    }

    QTypedArrayData<char16_t> *block = nullptr;
    char16_t *at = nullptr;
    if (shared > 0) {
        std::tie(block, at) = QTypedArrayData<char16_t>::allocate(used);
        if (!block)
            qBadAlloc();
        std::memcpy(at, m_units.data(), std::size_t(used) * sizeof(char16_t));
        block->ref_.storeRelaxed(shared); // one reference for each text that shares the block
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const qsizetype size = sizes[qsizetype(i)];
        *texts[i].target = size == 0 ? QString() : QString(QStringPrivate(block, at, size));
        at += size == 0 ? 0 : size + 1;
    }
}

void BytesPacker::add(Sparse<QByteArray> &target, QByteArrayView bytes)
{
    if (bytes.isEmpty()) {
        target.clear();
        return;
    }
    const qsizetype needed = m_used + bytes.size() + 1; // every QByteArray's bytes are followed by a zero
    if (m_bytes.size() < std::size_t(needed))
        m_bytes.resize(std::max(std::size_t(needed), m_bytes.size() * 2));
    std::memcpy(m_bytes.data() + m_used, bytes.data(), std::size_t(bytes.size()));
    m_bytes[std::size_t(m_used + bytes.size())] = '\0';
    m_pending.push_back({&target, m_used, bytes.size()});
    m_used = needed;
}

void BytesPacker::pack()
{
    if (m_pending.empty())
        return;
    auto [block, data] = QTypedArrayData<char>::allocate(m_used);
    if (!block)
        qBadAlloc();
    std::memcpy(data, m_bytes.data(), std::size_t(m_used));
    block->ref_.storeRelaxed(int(m_pending.size())); // one reference for each photo that shares the block
    for (const Pending &p : m_pending)
        *p.target = QByteArray(QByteArrayData(block, data + p.offset, p.size));
    m_pending.clear();
    m_used = 0;
}

} // namespace vecardia
