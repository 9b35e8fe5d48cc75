#include "contacts/keptlines.h"

namespace vecardia::kept {

QStringList lines(const QString &kept)
{
    QStringList out = kept.split(u'\n');
    if (!out.isEmpty() && out.constLast().isEmpty())
        out.removeLast();
    return out;
}

bool isNameLine(QStringView line)
{
    if (!line.contains(u':'))
        return false; // no property at all
    qsizetype end = 0;
    while (end < line.size() && line[end] != u':' && line[end] != u';')
        ++end;
    QStringView name = line.first(end);
    if (const qsizetype dot = name.lastIndexOf(u'.'); dot >= 0)
        name = name.sliced(dot + 1);
    return name.compare(u"N", Qt::CaseInsensitive) == 0;
}

QStringView nameLine(const QString &kept)
{
    for (QStringView line : QStringView(kept).tokenize(u'\n')) {
        if (isNameLine(line))
            return line;
    }
    return {};
}

QString withoutNameLine(const QString &kept)
{
    QString out;
    for (QStringView line : QStringView(kept).tokenize(u'\n', Qt::SkipEmptyParts)) {
        if (!isNameLine(line))
            out.append(line).append(u'\n');
    }
    return out;
}

} // namespace vecardia::kept
