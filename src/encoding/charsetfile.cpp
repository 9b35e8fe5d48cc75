#include "encoding/charsetfile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <limits>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

QString localPath(const QString &path)
{
    QString p = path.trimmed();
    // Programs that hand us a file sometimes pass it as a URL.
    if (p.startsWith(u"file:///", Qt::CaseInsensitive))
        p.remove(0, 7);
    return p;
}

bool fileExists(const QString &path)
{
    const QString p = localPath(path);
    return !p.isEmpty() && QFileInfo(p).isFile();
}

bool isUtf8(QByteArrayView bytes)
{
    // Qt's check is strict: overlong forms, surrogates and code points above U+10FFFF are not UTF-8.
    return !bytes.isEmpty() && bytes.isValidUtf8();
}

std::optional<QByteArray> readFileBytes(const QString &path)
{
    if (!fileExists(path))
        return std::nullopt;
    QFile file(localPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes;
    const qint64 size = file.size();
    if (size > 0) {
        if (size >= qint64(std::numeric_limits<qsizetype>::max() / 2))
            return std::nullopt;
        bytes.resize(qsizetype(size));
        qint64 got = 0;
        while (got < size) {
            const qint64 n = file.read(bytes.data() + got, size - got);
            if (n <= 0)
                break;
            got += n;
        }
        if (got != size || file.error() != QFileDevice::NoError)
            return std::nullopt;
    } else {
        bytes = file.readAll(); // files that report no size, such as pipes
        if (file.error() != QFileDevice::NoError)
            return std::nullopt;
    }
    return bytes;
}

bool mduUnicodeEncodeFormat(const QString &path)
{
    const std::optional<QByteArray> bytes = readFileBytes(path);
    return bytes && isUtf8(*bytes);
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

QString readTextFile(const QString &path, const QString &charset)
{
    const std::optional<QByteArray> bytes = readFileBytes(path);
    return bytes ? decodeText(*bytes, charset) : QString();
}

SaveResult saveFile(const QString &path, const std::function<bool(QIODevice &)> &writeBody)
{
    QSaveFile file(localPath(path));
    if (!file.open(QIODevice::WriteOnly))
        return {SaveOutcome::SaveError, file.errorString()};
    if (!writeBody(file) || file.error() != QFileDevice::NoError) {
        const QString why = file.errorString();
        file.cancelWriting();
        return {SaveOutcome::SaveError, why};
    }
    if (!file.commit())
        return {SaveOutcome::SaveError, file.errorString()};
    return {};
}

SaveOutcome UTF8格式保存文件(const QString &text, const QString &path)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty())
        return SaveOutcome::EncodingError;
    return saveFile(path, [&](QIODevice &out) { return out.write(utf8) == utf8.size(); }).outcome;
}

} // namespace vecardia
