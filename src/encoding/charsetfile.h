// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <functional>
#include <optional>

class QFile;

namespace vecardia {

// The file a path names: spaces trimmed, a "file://" URL taken as its path.
[[nodiscard]] QString localPath(const QString &path);

// What names a file on this system, for telling whether two paths are the same book: its device and inode where
// there are such (so "a.vcf", "./a.vcf" and a hard link are one file, and "a.vcf" and "A.vcf" two), else its
// canonical path. Empty when the file does not exist.
[[nodiscard]] QString fileIdentity(const QString &path);

// Whether a regular file exists at the path (spaces trimmed, a "file://" URL accepted). Hidden files count.
[[nodiscard]] bool fileExists(const QString &path);

// True when the bytes are UTF-8: not empty, and every non-ASCII sequence in them is well-formed UTF-8.
[[nodiscard]] bool isUtf8(QByteArrayView bytes);

// Whether the bytes are well-formed GB18030: ASCII, pairs of a lead byte (0x81–0xFE) and a trail byte (0x40–0x7E,
// 0x80–0xFE), and four-byte characters (0x81–0xFE, 0x30–0x39, 0x81–0xFE, 0x30–0x39).
[[nodiscard]] bool isGb18030(QByteArrayView bytes);

// What a value's bytes may be when it names no charset. Values of the first two kinds say which charset their book
// is written in; a value of the third follows its book.
enum class BytesVerdict : quint8 { Utf8Only, Gb18030Only, Both, Neither, Ascii };
[[nodiscard]] BytesVerdict judgeBytes(QByteArrayView bytes);

// The verdicts of a book's values, and what they make of a value well-formed both ways: UTF-8 unless more values
// are GB18030 only than UTF-8 only.
struct Verdicts {
    qint64 utf8Only = 0;
    qint64 gb18030Only = 0;
    qint64 both = 0;
    void add(BytesVerdict verdict)
    {
        utf8Only += verdict == BytesVerdict::Utf8Only;
        gb18030Only += verdict == BytesVerdict::Gb18030Only;
        both += verdict == BytesVerdict::Both;
    }
    Verdicts &operator+=(const Verdicts &more)
    {
        utf8Only += more.utf8Only;
        gb18030Only += more.gb18030Only;
        both += more.both;
        return *this;
    }
    [[nodiscard]] bool gb18030First() const { return gb18030Only > utf8Only; }
};

// The UTF-8 test on a file, judging all of it a piece at a time: false for a missing, empty or unreadable file.
[[nodiscard]] bool mduUnicodeEncodeFormat(const QString &path);

// Files are read 256 KB at a time, so a large book never sits in memory beside what is read from it.
inline constexpr qint64 kReadPiece = 256 << 10;

// Calls `take` with each piece of an open file from its start; false, with the system's reason, on a read error.
[[nodiscard]] bool readInPieces(QFile &file, const std::function<void(QByteArrayView)> &take, QString *why = nullptr);

// The whole file, or nothing (with the system's reason) when it does not exist or cannot be read.
[[nodiscard]] std::optional<QByteArray> readFileBytes(const QString &path, QString *why = nullptr);

// The decoder for a charset name, trimmed and in any case; "gb2312" and "gbk" get GB18030, their superset, so GBK
// characters common in names survive. Nothing when the name is empty or the converter does not know it.
[[nodiscard]] std::optional<QStringDecoder> decoderFor(const QString &charset);

// Decodes bytes with a named charset ("utf-8", "gb2312" or any name the converter knows, trimmed, any case).
// The empty text when the name is empty or unknown; a leading byte-order mark is dropped.
[[nodiscard]] QString decodeText(QByteArrayView bytes, const QString &charset);

// The charset a text file is read in, by the UTF-8 test: "utf-8" or "gb2312".
[[nodiscard]] QString charsetOfFile(const QString &path);

} // namespace vecardia
