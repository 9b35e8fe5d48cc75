#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <functional>
#include <optional>

class QIODevice;

namespace vecardia {

// Whether a regular file exists at the path (spaces trimmed, a "file://" URL accepted). Hidden files count.
[[nodiscard]] bool fileExists(const QString &path);

// True when the bytes are UTF-8: not empty, and every non-ASCII sequence in them is well-formed UTF-8.
[[nodiscard]] bool isUtf8(QByteArrayView bytes);

// The file a path names: spaces trimmed, a "file://" URL taken as its path.
[[nodiscard]] QString localPath(const QString &path);

// The UTF-8 test on a file: false for a missing, empty or unreadable file.
[[nodiscard]] bool mduUnicodeEncodeFormat(const QString &path);

// The whole file, or nothing when it does not exist or cannot be read.
[[nodiscard]] std::optional<QByteArray> readFileBytes(const QString &path);

// The decoder for a charset name, trimmed and in any case; "gb2312" and "gbk" get GB18030, their superset, so GBK
// characters common in names survive. Nothing when the name is empty or the converter does not know it.
[[nodiscard]] std::optional<QStringDecoder> decoderFor(const QString &charset);

// Decodes bytes with a named charset ("utf-8", "gb2312" or any name the converter knows, trimmed, any case).
// The empty text when the name is empty or unknown; a leading byte-order mark is dropped.
[[nodiscard]] QString decodeText(QByteArrayView bytes, const QString &charset);

// The whole file as text in the charset, or the empty text on any failure.
[[nodiscard]] QString readTextFile(const QString &path, const QString &charset);

enum class SaveOutcome { Saved, EncodingError, SaveError };

struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Saved;
    QString error; // what went wrong, for SaveError
    [[nodiscard]] bool saved() const { return outcome == SaveOutcome::Saved; }
};

// Writes a file atomically: the body goes to a temporary file beside the target, which replaces the target only
// when every byte was written. A failed or refused save leaves an existing file as it was.
[[nodiscard]] SaveResult saveFile(const QString &path, const std::function<bool(QIODevice &)> &writeBody);

// Saves the text as UTF-8 without byte-order mark. An empty text is an encoding error and writes nothing.
[[nodiscard]] SaveOutcome UTF8格式保存文件(const QString &text, const QString &path);

} // namespace vecardia
