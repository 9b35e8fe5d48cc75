// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "contacts/vcardstream.h"

#include <QString>

class QIODevice;

namespace vecardia {

class ContactTable;

// How reading a contact file ended: what was read, or why nothing could be.
struct ReadResult {
    bool read = false; // false: the file could not be read or held no text; `reason` says why
    QString reason;
    ParseResult parsed;
};

// Opening: resets the table, then reads the file into it.
[[nodiscard]] ReadResult openContactFile(const QString &path, ContactTable &table);

// Append import: adds the file's contacts after those in the table. A read that fails leaves the table as it was.
[[nodiscard]] ReadResult importContacts(QIODevice &file, ContactTable &table);
[[nodiscard]] ReadResult importContactFile(const QString &path, ContactTable &table);

} // namespace vecardia
