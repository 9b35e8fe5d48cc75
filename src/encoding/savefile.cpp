#include "encoding/savefile.h"

#include "encoding/charsetfile.h"

#include <QSaveFile>

namespace vecardia {

SaveResult saveFile(const QString &path, const std::function<bool(QIODevice &)> &writeBody,
                    const QString &reasonWhenRefused)
{
    QSaveFile file(localPath(path));
    if (!file.open(QIODevice::WriteOnly))
        return {SaveOutcome::SaveError, file.errorString()};
    if (!writeBody(file) || file.error() != QFileDevice::NoError) {
        const QString why = file.error() != QFileDevice::NoError || reasonWhenRefused.isEmpty() ? file.errorString()
                                                                                                 : reasonWhenRefused;
        file.cancelWriting();
        return {SaveOutcome::SaveError, why};
    }
    if (!file.commit())
        return {SaveOutcome::SaveError, file.errorString()};
    return {};
}

Utf8Text::Utf8Text(const QString &text)
    : m_write([utf8 = text.toUtf8()](QIODevice &out) { return out.write(utf8) == utf8.size(); })
{
}

SaveResult UTF8格式保存文件(const Utf8Text &text, const QString &path)
{
    bool empty = false;
    SaveResult result = saveFile(path, [&](QIODevice &out) {
        if (!text.writeTo(out))
            return false;
        empty = out.pos() == 0;
        return !empty; // nothing to write: leave the old file alone
    });
    if (empty)
        return {SaveOutcome::EncodingError, {}};
    return result;
}

} // namespace vecardia
