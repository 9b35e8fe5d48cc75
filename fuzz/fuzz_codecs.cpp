// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes through the UTF-8 check, the quoted-printable decoders and the Base64 decoder.
#include "encoding/base64.h"
#include "encoding/charsetfile.h"
#include "encoding/quotedprintable.h"
#include "encoding/utf8.h"

#include <QList>

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace vecardia;
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The block-wise UTF-8 check gives Qt's answer.
    if (utf8::isValid(bytes) != bytes.isValidUtf8())
        std::abort();
    // The reader's decoder gives Qt's text for well-formed UTF-8, and never more units than bytes.
    std::vector<char16_t> units(size + 1, u'#');
    const qsizetype written = utf8::toUtf16(bytes, units.data());
    if (written > qsizetype(size) || units[size] != u'#')
        std::abort();
    if (bytes.isValidUtf8() && QStringView(units.data(), written) != QString::fromUtf8(bytes))
        std::abort();
    const QString quoted = mEncodeDecode::decodeQuotedPrintableUtf8(bytes);
    (void)mEncodeDecode::decodeQuotedPrintableUtf8(bytes, "GB2312");
    // The reader's short way for common values gives the same text, or leaves its buffer as it was.
    QByteArray buffer = "held";
    if (mEncodeDecode::appendQuotedPrintableUtf8(bytes, {}, buffer)) {
        if (!buffer.startsWith("held") || QString::fromUtf8(buffer.sliced(4)) != quoted)
            std::abort();
    } else if (buffer != "held") {
        std::abort();
    }
    const QString text = QString::fromLatin1(bytes);
    const QByteArray decoded = Base64Decode(text);
    // Whatever decodes must encode back to the text it came from, up to the first "=" and the padding.
    if (!decoded.isEmpty()) {
        QByteArray encoded;
        clsB64().Encode(decoded, encoded);
        const QByteArray head = bytes.toByteArray().split('=').first();
        if (!encoded.startsWith(head.left(head.size() / 4 * 4)))
            std::abort();
    }
    return 0;
}
