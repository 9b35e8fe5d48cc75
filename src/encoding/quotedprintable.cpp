#include "encoding/quotedprintable.h"

#include "encoding/charsetfile.h"
#include "encoding/utf8.h"

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
class ByteSink {
public:
    explicit ByteSink(QByteArrayView charset) : m_named(isUtf8Name(charset) && !charset.trimmed().isEmpty())
    {
        if (!isUtf8Name(charset))
            m_decoder = decoderFor(QString::fromLatin1(charset));
    }

    void flushInto(QString &out, QByteArray &bytes)
    {
        if (bytes.isEmpty())
            return;
        if (m_decoder) {
            out += m_decoder->decode(bytes);
            m_decoder->resetState();
        } else if (m_named || QByteArrayView(bytes).first(utf8::wholeCharacters(bytes)).isValidUtf8()) {
            // A character cut at the end of the value (a file cut short) does not make the rest GB18030.
            out += QString::fromUtf8(bytes);
        } else {
            out += decodeText(bytes, QStringLiteral("GB18030"));
        }
        bytes.clear();
    }

private:
    std::optional<QStringDecoder> m_decoder;
    bool m_named; // the value says UTF-8
};

} // namespace

QString decodeQuotedPrintableUtf8(QByteArrayView input, QByteArrayView charset)
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

    ByteSink sink(charset);
    QString out;
    QByteArray bytes;
    bytes.reserve(input.size());
    const qsizetype n = input.size();
    // Positions step over whole characters, so a character outside ASCII counts as one, as in the text it came from.
    const auto width = [&](qsizetype at) {
        return std::min(utf8::sequenceLength(static_cast<unsigned char>(input[at])), n - at);
    };
    qsizetype p = 0;
    while (p < n) {
        const char c = input[p];
        if (c != '=') {
            if (static_cast<unsigned char>(c) < 0x80) {
                bytes.append(c);
                ++p;
            } else {
                // A character outside ASCII stands for itself.
                sink.flushInto(out, bytes);
                const qsizetype length = width(p);
                out += QString::fromUtf8(input.sliced(p, length));
                p += length;
            }
            continue;
        }
        const qsizetype atA = p + 1;
        if (atA >= n)
            break;
        const qsizetype atB = atA + width(atA);
        if (atB >= n)
            break; // "=" with fewer than two characters after it ends the value
        const char a = input[atA];
        const char b = input[atB];
        if (a == '=' && b == '=') {
            bytes.append('=');
            p = atB;
        } else if (a == '=') {
            p = atA;
        } else if (b == '=') {
            p = atB;
        } else {
            const int hi = hexValue(a);
            const int lo = hexValue(b);
            if (hi >= 0 && lo >= 0)
                bytes.append(char(hi * 16 + lo));
            p = atB + width(atB);
        }
    }
    sink.flushInto(out, bytes);
    return out;
}

QString decodeQuotedPrintable(QStringView input, QByteArrayView charset)
{
    return decodeQuotedPrintableUtf8(input.toUtf8(), charset);
}

} // namespace vecardia::mEncodeDecode
