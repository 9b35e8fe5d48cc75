#pragma once

#include "encoding/charsetfile.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace vecardia {

class ContactTable;

// The text list: one line per live record that the list shows, in table order (a sort of the list does not
// reorder it): name, mobile, landline, e-mail and QQ separated by single spaces, each line ended by CR LF.
// Written in GBK (code page 936); a character GBK cannot hold becomes "?". An empty table gives one empty line.
[[nodiscard]] QByteArray textExportBytes(const ContactTable &table, const QList<int> &listedIndexes);

// Saves the text list; a failed save keeps the old file and says why.
[[nodiscard]] SaveResult writeTextFile(const ContactTable &table, const QList<int> &listedIndexes, const QString &path);

} // namespace vecardia
