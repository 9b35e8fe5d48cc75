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
    // The colon is found as the reader finds it: one inside double quotes does not count, so a line the reader
    // kept for want of a colon is not taken for the card's N.
    qsizetype colon = 0;
    for (bool quoted = false; colon < line.size(); ++colon) {
        if (line[colon] == u'"')
            quoted = !quoted;
        else if (line[colon] == u':' && !quoted)
            break;
    }
    if (colon == line.size())
        return false; // no property at all
    QStringView name = line.first(colon);
    if (const qsizetype semi = name.indexOf(u';'); semi >= 0)
        name = name.first(semi);
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
