#pragma once

#include "contacts/vcardreader.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vecardia {

class ContactTable;

// A contact file's text as UTF-8: the file is taken as UTF-8 when all of it is, and as GB2312 otherwise (read as
// GB18030). Nothing when the file is missing or unreadable or holds no text.
[[nodiscard]] std::optional<QByteArray> readContactFile(const QString &path);

struct FileReadResult {
    bool read = false; // false: the file could not be read or held no text
    ParseResult parsed;
};

// Opening: resets the table, then reads the file into it.
[[nodiscard]] FileReadResult openContactFile(const QString &path, ContactTable &table);

// Append import: adds the file's contacts after those in the table.
[[nodiscard]] FileReadResult importContactFile(const QString &path, ContactTable &table);

} // namespace vecardia
