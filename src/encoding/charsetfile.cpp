// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/charsetfile.h"

#include "encoding/spaces.h"
#include "encoding/utf8.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <limits>

using namespace Qt::Literals::StringLiterals;

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#endif

namespace vecardia {

QString localPath(const QString &path)
{
    QString p = trimSpaces(path);
    // Programs that hand us a file sometimes pass it as a URL; the URL's third slash is the path's first.
    if (p.startsWith(u"file:///", Qt::CaseInsensitive))
        p.remove(0, 7);
    return p;
}

QString fileIdentity(const QString &path)
{
    const QString local = localPath(path);
#if defined(Q_OS_UNIX)
    struct stat info {};
    if (::stat(QFile::encodeName(local).constData(), &info) == 0)
        return QString::number(quint64(info.st_dev)) + u':' + QString::number(quint64(info.st_ino));
#endif
    return QFileInfo(local).canonicalFilePath();
}

bool fileExists(const QString &path)
{
    const QString p = localPath(path);
    return !p.isEmpty() && QFileInfo(p).isFile();
}

bool isUtf8(QByteArrayView bytes)
{
    // The check is strict: overlong forms, surrogates and code points above U+10FFFF are not UTF-8.
    return !bytes.isEmpty() && utf8::isValid(bytes);
}

bool isGb18030(QByteArrayView bytes)
{
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    const auto lead = [](unsigned char c) { return c >= 0x81 && c <= 0xFE; };
    const auto digit = [](unsigned char c) { return c >= 0x30 && c <= 0x39; };
    for (qsizetype i = 0; i < n;) {
        if (b[i] < 0x80) {
            ++i;
        } else if (!lead(b[i]) || i + 1 >= n) {
            return false;
        } else if ((b[i + 1] >= 0x40 && b[i + 1] <= 0x7E) || (b[i + 1] >= 0x80 && b[i + 1] <= 0xFE)) {
            i += 2;
        } else if (digit(b[i + 1]) && i + 3 < n && lead(b[i + 2]) && digit(b[i + 3])) {
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

BytesVerdict judgeBytes(QByteArrayView bytes)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return BytesVerdict::Ascii;
    const bool utf8 = utf8::isValid(bytes);
    const bool gb = isGb18030(bytes);
    return utf8 ? (gb ? BytesVerdict::Both : BytesVerdict::Utf8Only)
                : (gb ? BytesVerdict::Gb18030Only : BytesVerdict::Neither);
}

bool readInPieces(QFile &file, const std::function<void(QByteArrayView)> &take, QString *why)
{
    if (!file.seek(0)) {
        if (why)
            *why = file.errorString();
        return false;
    }
    QByteArray piece(kReadPiece, Qt::Uninitialized);
    for (;;) {
        const qint64 got = file.read(piece.data(), kReadPiece);
        if (got < 0) {
            if (why)
                *why = file.errorString();
            return false;
        }
        if (got == 0)
            return true;
        take(QByteArrayView(piece.constData(), got));
    }
}

std::optional<QByteArray> readFileBytes(const QString &path, QString *why)
{
    const auto fail = [why](const QString &reason) {
        if (why)
            *why = reason;
        return std::nullopt;
    };
    if (!fileExists(path))
        return fail(u"文件不存在"_s);
    QFile file(localPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    QByteArray bytes;
    const qint64 size = file.size();
    if (size > 0) {
        if (size >= qint64(std::numeric_limits<qsizetype>::max() / 2))
            return fail(u"文件太大"_s);
        bytes.resize(qsizetype(size));
        qint64 got = 0;
        while (got < size) {
            const qint64 n = file.read(bytes.data() + got, size - got);
            if (n <= 0)
                break;
            got += n;
        }
        if (got != size || file.error() != QFileDevice::NoError)
            return fail(file.errorString());
    } else {
        bytes = file.readAll(); // files that report no size, such as pipes
        if (file.error() != QFileDevice::NoError)
            return fail(file.errorString());
    }
    return bytes;
}

bool mduUnicodeEncodeFormat(const QString &path)
{
    if (!fileExists(path))
        return false;
    QFile file(localPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    utf8::Survey survey;
    return readInPieces(file, [&](QByteArrayView piece) { survey.feed(piece); }) && survey.bytes() > 0 &&
           survey.wellFormed();
}

std::optional<QStringDecoder> decoderFor(const QString &charset)
{
    QString name = charset.trimmed();
    if (name.isEmpty())
        return std::nullopt;
    if (name.compare(u"gb2312", Qt::CaseInsensitive) == 0 || name.compare(u"gbk", Qt::CaseInsensitive) == 0)
        name = u"GB18030"_s;
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder;
}

QString decodeText(QByteArrayView bytes, const QString &charset)
{
    std::optional<QStringDecoder> decoder = decoderFor(charset);
    return decoder ? decoder->decode(bytes) : QString();
}

QString charsetOfFile(const QString &path)
{
    return mduUnicodeEncodeFormat(path) ? u"utf-8"_s : u"gb2312"_s;
}

} // namespace vecardia
