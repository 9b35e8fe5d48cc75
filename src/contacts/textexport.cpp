#include "contacts/textexport.h"

#include "contacts/contacttable.h"

#include <QIODevice>
#include <QStringEncoder>

#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

QByteArray textExportBytes(const ContactTable &table, const QList<int> &listedIndexes)
{
    const int upper = table.upperIndex();
    if (upper == 0)
        return "\r\n"_ba;

    std::vector<bool> listed(std::size_t(upper) + 1, false);
    for (int index : listedIndexes) {
        if (table.contains(index))
            listed[std::size_t(index)] = true;
    }

    QString text;
    text.reserve(qsizetype(listedIndexes.size()) * 48);
    for (int i = 1; i <= upper; ++i) {
        if (!listed[std::size_t(i)] || !table.isLive(i))
            continue;
        const ContactRecord &r = table[i];
        for (const QString *field : {&r.FullName, &r.Mobile, &r.Landline, &r.Email}) {
            text += *field;
            text += u' ';
        }
        text += r.QQ;
        text += u"\r\n";
    }
    // ICU's GBK converter writes "?" for each character it cannot map, as the system code page does.
    QStringEncoder gbk("GBK");
    return gbk.encode(text);
}

SaveResult writeTextFile(const ContactTable &table, const QList<int> &listedIndexes, const QString &path)
{
    const QByteArray bytes = textExportBytes(table, listedIndexes);
    return saveFile(path, [&](QIODevice &out) { return out.write(bytes) == bytes.size(); });
}

} // namespace vecardia
