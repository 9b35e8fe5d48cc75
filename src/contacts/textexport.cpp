// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/textexport.h"

#include "contacts/contacttable.h"

#include <QIODevice>
#include <QStringEncoder>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// Room reserved per line: a name, two numbers and the separators; longer lines simply grow the text.
constexpr qsizetype kTypicalLine = 48;

} // namespace

std::optional<QByteArray> textExportBytes(const ContactTable &table, const ListedTest &listed)
{
    // ICU's GBK converter writes "?" for each character it cannot map, as the system code page does.
    QStringEncoder gbk("GBK");
    if (!gbk.isValid())
        return std::nullopt;
    const int upper = table.upperIndex();
    if (upper == 0)
        return "\r\n"_ba;
    QString text;
    text.reserve(qsizetype(upper) * kTypicalLine);
    for (int i = 1; i <= upper; ++i) {
        if (!table.isLive(i) || !listed(i))
            continue;
        const ContactRecord &r = table[i];
        for (const QString *field : {&r.FullName, &r.Mobile, &r.Landline, &r.Email}) {
            text += *field;
            text += u' ';
        }
        text += r.QQ;
        text += u"\r\n";
    }
    return gbk.encode(text);
}

SaveResult writeTextFile(const ContactTable &table, const ListedTest &listed, const QString &path)
{
    const std::optional<QByteArray> bytes = textExportBytes(table, listed);
    if (!bytes)
        return {SaveOutcome::EncodingError, u"GBK"_s};
    return saveFile(path, [&](QIODevice &out) { return out.write(*bytes) == bytes->size(); });
}

} // namespace vecardia
