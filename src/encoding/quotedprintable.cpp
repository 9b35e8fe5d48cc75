// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/quotedprintable.h"

#include "encoding/charsetfile.h"
#include "encoding/utf8.h"

#include <algorithm>
#include <optional>

namespace vecardia::mEncodeDecode {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isUtf8Name(QByteArrayView charset)
{
    const QByteArrayView name = charset.trimmed();
    return name.isEmpty() || name.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
           name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

// Turns collected bytes into text in the value's charset. Without a charset (or with one the converter does not
// know) the bytes are UTF-8 when they are well-formed UTF-8, and GB18030 otherwise: older Chinese phones name none.
// In a book mostly GB18030, bytes well-formed both ways are GB18030.
class ByteSink {
public:
    ByteSink(QByteArrayView charset, bool gb18030First)
        : m_named(isUtf8Name(charset) && !charset.trimmed().isEmpty()), m_gb18030First(gb18030First)
    {
        if (!isUtf8Name(charset))
            m_decoder = decoderFor(QString::fromLatin1(charset));
    }

    void flushInto(QString &out, QByteArrayView bytes)
    {
        if (bytes.isEmpty())
            return;
        if (m_decoder) {
            out += m_decoder->decode(bytes);
            m_decoder->resetState();
        } else if (m_named || (!(m_gb18030First && isGb18030(bytes)) &&
                               bytes.first(utf8::wholeCharacters(bytes)).isValidUtf8())) {
            // A character cut at the end of the value (a file cut short) does not make the rest GB18030.
            out += utf8::toString(bytes);
        } else {
            out += decodeText(bytes, QStringLiteral("GB18030"));
        }
    }

private:
    std::optional<QStringDecoder> m_decoder;
    bool m_named; // the value says UTF-8
    bool m_gb18030First;
};

// At the "=" at `p`: writes the byte the escape stands for at `bytes`, and returns where the value goes on, or -1
// where the value ends. `width(at)` is the length of the character at `at`.
template<typename Width>
qsizetype takeEscape(QByteArrayView input, qsizetype p, char *&bytes, Width width)
{
    const qsizetype n = input.size();
    const qsizetype atA = p + 1;
    if (atA >= n)
        return -1;
    const qsizetype atB = atA + width(atA);
    if (atB >= n)
        return -1; // "=" with fewer than two characters after it ends the value
    const char a = input[atA];
    const char b = input[atB];
    if (a == '=' && b == '=') {
        *bytes++ = '=';
        return atB;
    }
    if (a == '=')
        return atA;
    if (b == '=')
        return atB;
    const int hi = hexValue(a);
    const int lo = hexValue(b);
    if (hi >= 0 && lo >= 0)
        *bytes++ = char(hi * 16 + lo);
    return atB + width(atB);
}

bool isAscii(QByteArrayView v)
{
    return std::all_of(v.begin(), v.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

QString decodeQuotedPrintableUtf8(QByteArrayView input, QByteArrayView charset, bool gb18030First)
{
    if (input.isEmpty())
        return {};

    // Soft line breaks.
    QByteArray joined;
    if (input.contains("=\r\n")) {
        joined = input.toByteArray();
        joined.replace("=\r\n", "");
        input = joined;
    }

    ByteSink sink(charset, gb18030First);
    QString out;
    // The bytes collected since the last character outside ASCII: never more than the input.
    QByteArray buffer(input.size(), Qt::Uninitialized);
    char *const bytes = buffer.data();
    char *at = bytes;
    const auto flush = [&] {
        sink.flushInto(out, QByteArrayView(bytes, at - bytes));
        at = bytes;
    };
    const qsizetype n = input.size();
    // Positions step over whole characters, so a character outside ASCII counts as one, as in the text it came from.
    const auto width = [&](qsizetype at) {
        return std::min(utf8::sequenceLength(static_cast<unsigned char>(input[at])), n - at);
    };
    qsizetype p = 0;
    while (p < n) {
        const char c = input[p];
        if (c == '=') {
            p = takeEscape(input, p, at, width);
            if (p < 0)
                break;
        } else if (static_cast<unsigned char>(c) < 0x80) {
            *at++ = c;
            ++p;
        } else {
            // A character outside ASCII stands for itself.
            flush();
            const qsizetype length = width(p);
            out += utf8::toString(input.sliced(p, length));
            p += length;
        }
    }
    flush();
    return out;
}

bool appendQuotedPrintableUtf8(QByteArrayView input, QByteArrayView charset, QByteArray &out, bool gb18030First)
{
    // Values with soft breaks, characters outside ASCII or another charset take the general way above.
    if (!isUtf8Name(charset) || !isAscii(input) || input.contains("=\r\n"))
        return false;
    const qsizetype start = out.size();
    out.resize(start + input.size()); // the most it can take
    char *const bytes = out.data() + start;
    char *at = bytes;
    for (qsizetype p = 0; p >= 0 && p < input.size();) {
        if (input[p] == '=')
            p = takeEscape(input, p, at, [](qsizetype) { return qsizetype(1); });
        else
            *at++ = input[p++];
    }
    // Bytes that are not UTF-8 are GB18030 or replaced, as the general way decides.
    const QByteArrayView decoded(bytes, at - bytes);
    const bool utf8 = decoded.isValidUtf8() && !(gb18030First && charset.trimmed().isEmpty() && isGb18030(decoded));
    out.resize(utf8 ? start + (at - bytes) : start);
    return utf8;
}

QString decodeQuotedPrintable(QStringView input, QByteArrayView charset, bool gb18030First)
{
    return decodeQuotedPrintableUtf8(input.toUtf8(), charset, gb18030First);
}

QByteArray quotedPrintableBytes(QByteArrayView input)
{
    QByteArray joined;
    if (input.contains("=\r\n")) {
        joined = input.toByteArray();
        joined.replace("=\r\n", "");
        input = joined;
    }
    QByteArray out(input.size(), Qt::Uninitialized);
    char *at = out.data();
    for (qsizetype p = 0; p >= 0 && p < input.size();) {
        if (input[p] == '=')
            p = takeEscape(input, p, at, [](qsizetype) { return qsizetype(1); });
        else
            *at++ = input[p++];
    }
    out.truncate(at - out.constData());
    return out;
}

} // namespace vecardia::mEncodeDecode
