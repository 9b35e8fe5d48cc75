// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/keptlines.h"

#include "contacts/vcardsyntax.h"

#include <algorithm>
#include <vector>

namespace vecardia::kept {

qsizetype colonOf(QStringView line)
{
    bool quoted = false;
    for (qsizetype at = 0; at < line.size(); ++at) {
        if (line[at] == u'"')
            quoted = !quoted;
        else if (line[at] == u':' && !quoted)
            return at;
    }
    return -1;
}

namespace {

// Whether an N line says no more than a given name, as a save builds N from the name shown.
bool isBuiltName(QStringView line)
{
    const QStringView value = line.sliced(colonOf(line) + 1);
    if (value.size() < 4 || !value.startsWith(u';') || !value.endsWith(u";;;"))
        return false;
    const QStringView given = value.sliced(1, value.size() - 4);
    for (qsizetype i = 0; i < given.size(); ++i) {
        if (given[i] == u'\\')
            ++i;
        else if (given[i] == u';')
            return false;
    }
    return true;
}

} // namespace

std::optional<FieldLine> fieldLine(QStringView line)
{
    if (line.size() < 2 || (line[0] != kWholeLine && line[0] != kFieldValue))
        return std::nullopt;
    return FieldLine{Slot(line[1].unicode()), line[0] == kWholeLine, line.sliced(2)};
}

bool hasFieldLines(QStringView kept)
{
    return kept.contains(kWholeLine) || kept.contains(kFieldValue);
}

QString fieldLineText(Slot slot, bool whole, QStringView text)
{
    QString line;
    line.reserve(text.size() + 2);
    line.append(QChar(whole ? kWholeLine : kFieldValue)).append(QChar(char16_t(slot))).append(text);
    return line;
}

QStringList lines(const QString &kept)
{
    QStringList out;
    for (QStringView line : QStringView(kept).tokenize(u'\n', Qt::SkipEmptyParts)) {
        if (const std::optional<FieldLine> field = fieldLine(line)) {
            if (field->slot == Slot::Name && field->whole && !isBuiltName(field->text))
                out << field->text.toString();
        } else {
            out << line.toString();
        }
    }
    return out;
}

bool isNameLine(QStringView line)
{
    if (const std::optional<FieldLine> field = fieldLine(line))
        return field->slot == Slot::Name && field->whole;
    // The colon is found as the reader finds it: one inside double quotes does not count, so a line the reader
    // kept for want of a colon is not taken for the card's N.
    const qsizetype colon = colonOf(line);
    if (colon < 0)
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
            return fieldLine(line) ? line.sliced(2) : line;
    }
    return {};
}

QString renamed(const QString &kept, const QString &fullName)
{
    const bool fieldLines = hasFieldLines(kept);
    QString out;
    for (QStringView line : QStringView(kept).tokenize(u'\n', Qt::SkipEmptyParts)) {
        if (!isNameLine(line)) {
            out.append(line).append(u'\n');
        } else if (fieldLines) {
            const QStringView text = line.sliced(2);
            const qsizetype colon = colonOf(text);
            if (colon < 0)
                continue;
            out.append(fieldLineText(Slot::Name, true, text.first(colon + 1)))
                .append(u';')
                .append(vcard::escapeText(QStringView(fullName)))
                .append(u";;;\n");
        }
    }
    return out;
}

EmailKinds emailKinds(qsizetype addresses, const std::array<bool, 3> &keptKinds)
{
    if (addresses >= 3) {
        EmailKinds kinds(addresses - 2, Plain); // only the last plain one is read back
        kinds.push_back(Work);
        kinds.push_back(Home);
        return kinds;
    }
    static const std::vector<std::vector<EmailKind>> choices[] = {
        {{}},
        {{Work}, {Plain}, {Home}},
        {{Plain, Work}, {Plain, Home}, {Work, Home}},
    };
    const auto &options = choices[addresses];
    for (const std::vector<EmailKind> &option : options) {
        bool covers = true;
        for (EmailKind kind : {Plain, Work, Home})
            covers = covers && (!keptKinds[std::size_t(kind)] || std::find(option.begin(), option.end(), kind) !=
                                                                      option.end());
        if (covers)
            return EmailKinds(option.begin(), option.end());
    }
    return EmailKinds(options.front().begin(), options.front().end());
}

EmailKind emailKind(QByteArrayView params)
{
    bool work = false, home = false;
    vcard::forEachValue(params, [&](QByteArrayView key, QByteArrayView v) {
        if (vcard::equalsWord(key, "TYPE")) {
            work = work || vcard::equalsWord(v, "WORK");
            home = home || vcard::equalsWord(v, "HOME");
        }
    });
    return work ? Work : home ? Home : Plain;
}

int emailKindOf(Slot slot)
{
    switch (slot) {
    case Slot::EmailPlain: return Plain;
    case Slot::EmailWork: return Work;
    case Slot::EmailHome: return Home;
    default: return -1;
    }
}

} // namespace vecardia::kept
