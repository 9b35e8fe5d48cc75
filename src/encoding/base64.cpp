// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/base64.h"

#include "encoding/charsetfile.h"

#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

clsB64::clsB64()
{
    int i = 0;
    for (char c = 'A'; c <= 'Z'; ++c)
        m_table[std::size_t(i++)] = c;
    for (char c = 'a'; c <= 'z'; ++c)
        m_table[std::size_t(i++)] = c;
    for (char c = '0'; c <= '9'; ++c)
        m_table[std::size_t(i++)] = c;
    m_table[62] = '+';
    m_table[63] = '/';
}

bool clsB64::Load(const QString &strPathName, QByteArray &pbArrayOutput) const
{
    std::optional<QByteArray> bytes = readFileBytes(strPathName);
    if (!bytes || bytes->isEmpty())
        return false;
    pbArrayOutput = std::move(*bytes);
    return true;
}

void clsB64::Encode(const QByteArray &pbArrayInput, QByteArray &pbArrayOutput) const
{
    const auto *in = reinterpret_cast<const unsigned char *>(pbArrayInput.constData());
    const qsizetype n = pbArrayInput.size();
    const qsizetype r = n % 3;
    pbArrayOutput.resize((n - r) / 3 * 4 + (r > 0 ? 4 : 0));
    char *out = pbArrayOutput.data();
    const auto at = [this](unsigned v) { return m_table[v & 63]; };
    qsizetype i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned b0 = in[i], b1 = in[i + 1], b2 = in[i + 2];
        *out++ = at(b0 >> 2);
        *out++ = at((b0 << 4) | (b1 >> 4));
        *out++ = at((b1 << 2) | (b2 >> 6));
        *out++ = at(b2);
    }
    if (r == 1) {
        const unsigned b0 = in[i];
        *out++ = at(b0 >> 2);
        *out++ = at((b0 & 3) << 4);
        *out++ = '=';
        *out++ = '=';
    } else if (r == 2) {
        const unsigned b0 = in[i], b1 = in[i + 1];
        *out++ = at(b0 >> 2);
        *out++ = at(((b0 & 3) << 4) | (b1 >> 4));
        *out++ = at((b1 & 15) << 2);
        *out++ = '=';
    }
}

void clsB64::ByteArrayToString(const QByteArray &pbArrayInput, QString &strOut) const
{
    strOut = decodeText(pbArrayInput, u"GBK"_s);
}

namespace {

char16_t unit(QChar c)
{
    return c.unicode();
}

unsigned char unit(char c)
{
    return static_cast<unsigned char>(c);
}

qsizetype padding(QStringView text)
{
    return text.indexOf(u'=');
}

qsizetype padding(QByteArrayView text)
{
    return text.indexOf('=');
}

template<typename View>
QByteArray decodeBase64(View text)
{
    const qsizetype pad = padding(text);
    if (pad >= 0)
        text = text.first(pad);
    const qsizetype length = text.size();
    const qsizetype r = length % 4;
    if (length == 0 || r == 1)
        return {};

    static const std::array<signed char, 128> values = [] {
        std::array<signed char, 128> v{};
        v.fill(-1);
        const char *alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        for (int i = 0; i < 64; ++i)
            v[std::size_t(alphabet[i])] = static_cast<signed char>(i);
        return v;
    }();

    const qsizetype whole = length - r;
    QByteArray out(whole / 4 * 3 + (r == 2 ? 1 : r == 3 ? 2 : 0), Qt::Uninitialized);
    auto *o = reinterpret_cast<unsigned char *>(out.data());
    unsigned c[4] = {};
    qsizetype pos = 0;
    const auto take = [&](int count) {
        for (int k = 0; k < count; ++k) {
            const auto u = unit(text[pos + k]);
            if (u >= 128 || values[u] < 0)
                return false;
            c[k] = unsigned(values[u]);
        }
        pos += count;
        return true;
    };
    while (pos < whole) {
        if (!take(4))
            return {};
        *o++ = static_cast<unsigned char>(c[0] * 4 + (c[1] & 48) / 16);
        *o++ = static_cast<unsigned char>((c[1] & 15) * 16 + (c[2] & 60) / 4);
        *o++ = static_cast<unsigned char>((c[2] & 3) * 64 + c[3]);
    }
    if (r >= 2) {
        if (!take(int(r)))
            return {};
        *o++ = static_cast<unsigned char>(c[0] * 4 + (c[1] & 48) / 16);
        if (r == 3)
            *o++ = static_cast<unsigned char>((c[1] & 15) * 16 + (c[2] & 60) / 4);
    }
    return out;
}

} // namespace

QByteArray Base64Decode(QStringView text)
{
    return decodeBase64(text);
}

QByteArray Base64Decode(QByteArrayView text)
{
    return decodeBase64(text);
}

} // namespace vecardia
