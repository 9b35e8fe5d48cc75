// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoding/savefile.h"

#include "encoding/charsetfile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>

namespace vecardia {

SaveResult saveFile(const QString &path, const std::function<bool(QIODevice &)> &writeBody)
{
    // A save replaces a regular file only: a device, a pipe or a folder (or a link to one) is never replaced by the
    // file written beside it and renamed over it.
    if (const QFileInfo target(localPath(path)); target.exists() && !target.isFile())
        return {SaveOutcome::SaveError, QStringLiteral("不是普通文件")};
    QSaveFile file(localPath(path));
    if (!file.open(QIODevice::WriteOnly))
        return {SaveOutcome::SaveError, file.errorString()};
    errno = 0;
    if (!writeBody(file) || file.error() != QFileDevice::NoError) {
        // A write the disk cut short (it is full) leaves the device without an error: the system said why.
        const int systemError = errno;
        QString why = file.errorString();
        if (file.error() == QFileDevice::NoError)
            why = systemError != 0 ? qt_error_string(systemError) : QStringLiteral("写入未完成");
        file.cancelWriting();
        return {SaveOutcome::SaveError, why};
    }
    // The last buffered bytes reach the disk here: a full disk shows now, with its reason, where the commit that
    // follows would only say that something went wrong.
    if (!file.flush()) {
        const QString why = file.errorString();
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
