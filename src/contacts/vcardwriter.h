// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "encoding/savefile.h"
#include "runtime/helperthreads.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

class QIODevice;

namespace vecardia {

class ContactTable;

// Called before each listed row is written: rows done so far (from 1) and rows in all.
using WriteProgress = std::function<void(qsizetype row, qsizetype rows)>;

// A value in UTF-8 at `out`, which has room for kBytesPerUnit bytes for each of its units: a line break (CR LF, LF
// or CR) written "\n", so that no value holds a line start; with `escaped`, as 3.0 text, backslash, comma and
// semicolon escaped too. A surrogate without its other half becomes U+FFFD. Returns the end of what it wrote. Eight
// units at a time where the processor has SSE2; the scalar twin is the rule.
inline constexpr qsizetype kBytesPerUnit = 3;
char *encodeValue(QStringView value, bool escaped, char *out);
namespace scalar {
char *encodeValue(QStringView value, bool escaped, char *out);
} // namespace scalar

// Writes the vCard 3.0 cards of the live records among `indexes`, in that order, as UTF-8 with line feeds.
// Indexes outside the table are passed over. False when the device refused a write. A long list is put into UTF-8
// a block of rows at a time by up to `helpers` other threads besides this one; the bytes are the same.
[[nodiscard]] bool writeVCards(const ContactTable &table, const QList<int> &indexes, QIODevice &out,
                               const WriteProgress &progress = {}, int helpers = helperThreads());

// The same cards as one text.
[[nodiscard]] QByteArray vcardText(const ContactTable &table, const QList<int> &indexes);

// Saves the cards with UTF8格式保存文件: nothing to write is an encoding error, and a failed write keeps the old file.
[[nodiscard]] SaveResult writeVCardFile(const ContactTable &table, const QList<int> &indexes, const QString &path,
                                        const WriteProgress &progress = {});

} // namespace vecardia
