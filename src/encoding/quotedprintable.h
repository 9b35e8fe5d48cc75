// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace vecardia::mEncodeDecode {

// Decodes a quoted-printable value. "=XX" pairs and ASCII characters are collected as bytes, which are turned into
// text with `charset`; when it is empty or unknown, as UTF-8 where they are well-formed UTF-8 and as GB18030
// otherwise, or with `gb18030First` (the book's other values are mostly GB18030), as GB18030 where they are
// well-formed GB18030 and as UTF-8 where only that. A character outside ASCII is kept as it stands.
// Malformed "=" sequences are dropped the way old phones' files expect; an "=" in the last two places ends the value.
[[nodiscard]] QString decodeQuotedPrintable(QStringView input, QByteArrayView charset = {}, bool gb18030First = false);

// The same for a value held as UTF-8, as the vCard reader has it.
[[nodiscard]] QString decodeQuotedPrintableUtf8(QByteArrayView input, QByteArrayView charset = {},
                                                bool gb18030First = false);

// The same as UTF-8 bytes appended to `out`, for the common value: ASCII only, without soft line breaks, in UTF-8
// (named, or no charset) and decoding to well-formed UTF-8 (that is not also GB18030 with `gb18030First`). False,
// with `out` as it was, for any other value.
[[nodiscard]] bool appendQuotedPrintableUtf8(QByteArrayView input, QByteArrayView charset, QByteArray &out,
                                             bool gb18030First = false);

// The bytes a value stands for, before any charset: escapes decoded, other characters as they stand.
[[nodiscard]] QByteArray quotedPrintableBytes(QByteArrayView input);

} // namespace vecardia::mEncodeDecode
