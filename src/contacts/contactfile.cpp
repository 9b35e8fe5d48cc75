// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contactfile.h"

#include "contacts/contacttable.h"
#include "encoding/charsetfile.h"

#include <QFile>
#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";
constexpr QByteArrayView kUtf16LeBom = "\xFF\xFE";
constexpr QByteArrayView kUtf16BeBom = "\xFE\xFF";

ReadResult unreadable(const QString &reason)
{
    return {false, reason, {}};
}

// A file that starts with a UTF-16 byte-order mark, as UTF-8 (such files are written by a few PC address books
// and are small).
std::optional<QByteArray> fromUtf16(QIODevice &file, QString &why)
{
    const QByteArray bytes = file.readAll();
    if (const auto *asFile = qobject_cast<QFileDevice *>(&file); asFile && asFile->error() != QFileDevice::NoError) {
        why = file.errorString();
        return std::nullopt;
    }
    QStringDecoder utf16(bytes.startsWith(kUtf16LeBom) ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                         QStringDecoder::Flag::Stateless);
    return QString(utf16.decode(QByteArrayView(bytes).sliced(2))).toUtf8();
}

// Reads an open device into the table; its records stay there even when the read fails half-way.
ReadResult readInto(QIODevice &file, ContactTable &table)
{
    // The file is read a piece at a time and each card decoded on its own, so a large book never sits in memory
    // beside the contacts built from it, and a book merged from a UTF-8 and a GB2312 phone reads whole.
    const QByteArray head = file.peek(kUtf8Bom.size());
    QString why;
    std::optional<QByteArray> converted; // a UTF-16 file, as UTF-8
    if (head.startsWith(kUtf16LeBom) || head.startsWith(kUtf16BeBom)) {
        converted = fromUtf16(file, why);
        if (!converted)
            return unreadable(why);
    }
    if (!converted && head.startsWith(kUtf8Bom) && !file.seek(file.pos() + kUtf8Bom.size()))
        return unreadable(file.errorString());
    // A book whose values are mostly GB18030 is read again (see vcard::nextCharsetPass).
    const qint64 start = file.pos();
    const int before = table.upperIndex();
    ParseResult parsed;
    for (vcard::CharsetPass pass;;) {
        // The table is sized from the length of the text read, which for UTF-16 is not the file's.
        CardStream cards(table, converted ? converted->size() : file.size() - start, {}, pass);
        if (converted) {
            cards.feed(*converted);
        } else if (!cards.feed(file, &why)) {
            return unreadable(why);
        }
        parsed = cards.finish();
        const std::optional<vcard::CharsetPass> next = vcard::nextCharsetPass(pass, parsed.verdicts);
        if (!next)
            break;
        (void)table.takeAbove(before);
        if (!converted && !file.seek(start))
            return unreadable(file.errorString());
        pass = *next;
    }
    ReadResult result{true, {}, parsed};
    if (result.parsed.appended == 0) {
        // Not one card could be read: that is no contact book.
        result.read = false;
        result.reason = file.size() == 0 ? u"文件是空的"_s : u"文件中没有可以读入的联系人"_s;
    }
    return result;
}

} // namespace

ReadResult importContacts(QIODevice &file, ContactTable &table)
{
    // A read that fails half-way (a device error, a file cut while it is read) takes back what it appended.
    const int before = table.upperIndex();
    ReadResult result = readInto(file, table);
    if (!result.read)
        (void)table.takeAbove(before);
    return result;
}

ReadResult importContactFile(const QString &path, ContactTable &table)
{
    if (!fileExists(path))
        return unreadable(u"文件不存在"_s);
    QFile file(localPath(path));
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(file.errorString());
    if (file.isSequential())
        return unreadable(u"不是普通文件"_s);
    return importContacts(file, table);
}

ReadResult openContactFile(const QString &path, ContactTable &table)
{
    table.reset();
    return importContactFile(path, table);
}

} // namespace vecardia
