// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/contactrecord.h"

#include <QByteArrayView>
#include <QString>

#include <span>
#include <vector>

namespace vecardia {

// A text to make from UTF-8 bytes, and where it goes.
struct PackedText {
    QString *target;
    QByteArrayView utf8;
};

// Makes the texts of one record in one allocation: each target becomes the text of its bytes, and all of them share
// one block of memory, which Qt frees when the last of them goes. A contact then costs one allocation for its name,
// numbers and addresses instead of one each, and no text carries spare capacity; a text changed later gets an
// allocation of its own, as any QString does. Empty bytes make an empty text. One packer serves one thread.
class TextPacker {
public:
    void pack(std::span<const PackedText> texts);

private:
    std::vector<char16_t> m_units; // the texts decoded, before the block is allocated at their size
};

// Photos of many records in one allocation: the bytes of each photo added are copied into a buffer the packer keeps,
// and pack() gives all of them their bytes in one block, which Qt frees when the last of them goes. A helper thread
// that reads a batch of cards with photos then asks the system for memory once, not once for each photo. The records
// must stay where they are until pack().
class BytesPacker {
public:
    void add(Sparse<QByteArray> &target, QByteArrayView bytes);
    void pack();

private:
    struct Pending {
        Sparse<QByteArray> *target;
        qsizetype offset;
        qsizetype size;
    };
    std::vector<Pending> m_pending;
    std::vector<char> m_bytes;
    qsizetype m_used = 0;
};

} // namespace vecardia
