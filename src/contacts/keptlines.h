// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

#include <array>
#include <optional>

// The lines a record keeps of its card (ContactRecord::Kept): vCard 3.0 lines, each ended by a line feed.
//
// A card laid out as a save lays it out (its other lines, then N, FN and the fields in the save's own order and form)
// keeps only its other lines; one of them may be the card's own N line, which the writer writes in place of the N
// it would build from the name, as long as the name is the one the card had: a rename drops it.
//
// Any other card keeps all its lines, in card order, so that a save writes back what nobody changed: the lines that
// fill a field are marked as field lines. A field line starts with a mark, then the field's letter, then either the
// whole line as read (kWholeLine: written back as it is while the field still holds what the line says) or the
// line up to its colon (kFieldValue: the value is the field's, written in the save's form). For the photos and the
// address, whose fields hold their parameters, a kFieldValue line holds only the group and name.
namespace vecardia::kept {

inline constexpr char16_t kWholeLine = u'\x01';
inline constexpr char16_t kFieldValue = u'\x02';

// The field a field line fills, by its letter.
enum class Slot : char16_t {
    Name = u'N',
    FullName = u'F',
    Mobile = u'M',
    Landline = u'L',
    Photo = u'P',
    EmailPlain = u'E',
    EmailWork = u'W',
    EmailHome = u'H',
    Address = u'A',
    QQ = u'Q',
    BigPhoto = u'B',
    Starred = u'S',
    Category = u'C',
};

struct FieldLine {
    Slot slot;
    bool whole = false; // the line as read; otherwise the part before the value
    QStringView text;   // without the mark and the letter
};

// The field line a kept line is, or nothing for a line of its own.
[[nodiscard]] std::optional<FieldLine> fieldLine(QStringView line);
// Whether the record keeps its card's field lines.
[[nodiscard]] bool hasFieldLines(QStringView kept);
// A field line as kept.
[[nodiscard]] QString fieldLineText(Slot slot, bool whole, QStringView text);

// The kept lines as they would be shown: field lines other than N left out, the N line without its mark.
[[nodiscard]] QStringList lines(const QString &kept);

// Whether a kept line is an N line with a value ("N:…", "N;…:…", "item1.N:…"), marked or not.
[[nodiscard]] bool isNameLine(QStringView line);

// The kept N line (without its line feed and mark), or nothing.
[[nodiscard]] QStringView nameLine(const QString &kept);

// The kept lines after a rename to `fullName`: an N line of its own dropped, a card's N field line given the N a
// save builds from the new name, in its place and with its parameters.
[[nodiscard]] QString renamed(const QString &kept, const QString &fullName);

// The kinds of e-mail line, in the order reading joins their addresses.
enum EmailKind { Plain, Work, Home };
using EmailKinds = QVarLengthArray<EmailKind, 4>;
// The kinds a save writes `addresses` addresses as, after kept lines of the kinds marked in `keptKinds`. One address
// is the work address and two are the plain and the work one, as the card layout had it, unless the kept lines hold
// other kinds: a kept address must be followed by a written one of its kind, so that reading the file again gives the
// same addresses.
[[nodiscard]] EmailKinds emailKinds(qsizetype addresses, const std::array<bool, 3> &keptKinds);
// The kind an EMAIL line's parameters say (work before home), and the kind of an e-mail field line (-1 for others).
[[nodiscard]] EmailKind emailKind(QByteArrayView params);
[[nodiscard]] int emailKindOf(Slot slot);

// Where a line's parameters end: at the first colon outside double quotes, as the reader finds it; -1 when none.
[[nodiscard]] qsizetype colonOf(QStringView line);

} // namespace vecardia::kept
