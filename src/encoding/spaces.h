// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace vecardia {

// Spaces (U+0020 only, never tabs or full-width spaces) removed at both ends, as the program trims what is typed and
// what it reads.
[[nodiscard]] inline QStringView trimSpaces(QStringView text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.sliced(b, e - b);
}

[[nodiscard]] inline QString trimSpaces(const QString &text)
{
    const QStringView trimmed = trimSpaces(QStringView(text));
    return trimmed.size() == text.size() ? text : trimmed.toString();
}

[[nodiscard]] inline QByteArrayView trimSpaces(QByteArrayView text)
{
    const char *b = text.data();
    const char *e = b + text.size();
    while (b < e && *b == ' ')
        ++b;
    while (e > b && e[-1] == ' ')
        --e;
    return QByteArrayView(b, e - b);
}

} // namespace vecardia
