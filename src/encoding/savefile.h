// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

class QIODevice;

namespace vecardia {

enum class SaveOutcome { Saved, EncodingError, SaveError };

// How a save ended: the outcome, and for a failure the reason in the system's own words.
struct SaveResult {
    SaveOutcome outcome = SaveOutcome::Saved;
    QString reason;
    [[nodiscard]] bool saved() const { return outcome == SaveOutcome::Saved; }
};

// Writes a file atomically: the body goes to a temporary file beside the target, which replaces the target only
// when every byte was written. A failed or refused save leaves an existing file as it was and says why in the
// system's words. `writeBody` returns false when it could not write everything.
[[nodiscard]] SaveResult saveFile(const QString &path, const std::function<bool(QIODevice &)> &writeBody);

// A text to save as UTF-8: a whole string, or a writer that produces the bytes a piece at a time (a large contact
// book is never held as one string).
class Utf8Text {
public:
    Utf8Text(const QString &text); // implicit: a plain text is the usual case
    explicit Utf8Text(std::function<bool(QIODevice &)> write) : m_write(std::move(write)) {}

    [[nodiscard]] bool writeTo(QIODevice &out) const { return m_write(out); }

private:
    std::function<bool(QIODevice &)> m_write;
};

// Saves the text as UTF-8 without byte-order mark. A text that gives no bytes is an encoding error and writes
// nothing, so an existing file stays as it was.
[[nodiscard]] SaveResult UTF8格式保存文件(const Utf8Text &text, const QString &path);

} // namespace vecardia
