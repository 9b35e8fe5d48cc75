#pragma once

#include <QString>

namespace vecardia {

// Spaces (only spaces) removed at both ends, as the program trims what is typed.
inline QString trimSpaces(const QString &text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b] == u' ')
        ++b;
    while (e > b && text[e - 1] == u' ')
        --e;
    return text.mid(b, e - b);
}

// The filter of the picture dialogs: one entry whose caption is its own pattern list.
inline QString pictureFilter()
{
    const QString patterns = QStringLiteral("*.gif; *.jpg; *.jpeg; *.jpe; *.bmp; *.png; *.tif; *.tiff");
    return patterns + u'|' + patterns;
}

} // namespace vecardia
