#include "encoding/quotedprintable.h"

#include "encoding/charsetfile.h"

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace vecardia::mEncodeDecode {

namespace {

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

bool isUtf8Name(QByteArrayView charset)
{
    const QByteArrayView name = charset.trimmed();
    return name.isEmpty() || name.compare("UTF-8", Qt::CaseInsensitive) == 0 ||
           name.compare("UTF8", Qt::CaseInsensitive) == 0;
}

// Turns collected bytes into text in the value's charset.
class ByteSink {
public:
    explicit ByteSink(QByteArrayView charset)
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
        } else {
            out += QString::fromUtf8(bytes);
        }
        bytes.clear();
    }

private:
    std::optional<QStringDecoder> m_decoder;
};

} // namespace

QString decodeQuotedPrintable(QStringView input, QByteArrayView charset)
{
    if (input.isEmpty())
        return {};

    // Soft line breaks.
    QString joined;
    if (input.contains(u"=\r\n")) {
        joined = input.toString();
        joined.remove(u"=\r\n"_s);
        input = joined;
    }

    ByteSink sink(charset);
    QString out;
    QByteArray bytes;
    bytes.reserve(input.size());
    const qsizetype n = input.size();
    qsizetype p = 0;
    while (p < n) {
        const QChar c = input[p];
        if (c != u'=') {
            if (c.unicode() < 0x80) {
                bytes.append(char(c.unicode()));
            } else {
                sink.flushInto(out, bytes);
                out.append(c);
            }
            ++p;
            continue;
        }
        if (p >= n - 2)
            break; // "=" with fewer than two characters after it ends the value
        const QChar a = input[p + 1];
        const QChar b = input[p + 2];
        if (a == u'=' && b == u'=') {
            bytes.append('=');
            p += 2;
        } else if (a == u'=') {
            p += 1;
        } else if (b == u'=') {
            p += 2;
        } else {
            const int hi = hexValue(a);
            const int lo = hexValue(b);
            if (hi >= 0 && lo >= 0)
                bytes.append(char(hi * 16 + lo));
            p += 3;
        }
    }
    sink.flushInto(out, bytes);
    return out;
}

} // namespace vecardia::mEncodeDecode
