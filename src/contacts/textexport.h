// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "encoding/savefile.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

namespace vecardia {

class ContactTable;

// Whether the list shows the record with this index.
using ListedTest = std::function<bool(int index)>;

// The text list: one line per live record that the list shows, in table order (a sort of the list does not
// reorder it): name, mobile, landline, e-mail and QQ separated by single spaces, each line ended by CR LF.
// Written in GBK (code page 936); a character GBK cannot hold becomes "?". An empty table gives one empty line.
// Nothing when no GBK converter is available.
[[nodiscard]] std::optional<QByteArray> textExportBytes(const ContactTable &table, const ListedTest &listed);

// Saves the text list; a failed save keeps the old file and says why.
[[nodiscard]] SaveResult writeTextFile(const ContactTable &table, const ListedTest &listed, const QString &path);

} // namespace vecardia
