#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace vecardia::utf8 {

// Length of the UTF-8 sequence that a byte starts (1 for ASCII and for bytes that start none).
[[nodiscard]] constexpr qsizetype sequenceLength(unsigned char lead)
{
    return lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
}

// Whether `bytes` are well-formed UTF-8 (overlong forms, surrogates and code points above U+10FFFF are not): the
// same answer as QByteArrayView::isValidUtf8 (its scalar twin), 32 bytes at a time where the processor has AVX2.
[[nodiscard]] bool isValid(QByteArrayView bytes);

// How many bytes at the start of `bytes` hold whole characters: a sequence left unfinished at the end is left out.
[[nodiscard]] qsizetype wholeCharacters(QByteArrayView bytes);

// Whether bytes that arrive a piece at a time are well-formed UTF-8 as a whole (overlong forms, surrogates and code
// points above U+10FFFF are not), judging each piece as it comes: a character cut between two pieces is finished
// with the next one.
class Survey {
public:
    void feed(QByteArrayView piece);
    // False once anything was not UTF-8, or when the bytes ended in the middle of a character.
    [[nodiscard]] bool wellFormed() const { return m_ok && m_pending.isEmpty(); }
    [[nodiscard]] qint64 bytes() const { return m_bytes; }

private:
    bool m_ok = true;
    qint64 m_bytes = 0;
    QByteArray m_pending; // the unfinished character at the end of the last piece
};

} // namespace vecardia::utf8
