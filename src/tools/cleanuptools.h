// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/changeset.h"

#include <QString>

#include <functional>

namespace vecardia {

class ContactTable;
class RowOrder;

// The Edit menu's cleanup tools. Each works on the rows the list shows and the records behind them, changes
// neither, and returns what it would change; the caller applies that in one step. Repeats are found through an
// index of the compared values built once after the sort, so every tool runs in O(n log n) and gives exactly what
// a row-by-row scan from each group head to the end would.
namespace tools {

// What a tool changed, and the count its message reports.
struct Outcome {
    ChangeSet changes;
    int count = 0;
};

enum class Repeat { Name, Mobile, Landline };

// "红色标示重复…": sorts the list as a click on the compared column's header does, turns the name, mobile and
// landline cells black, then colours red the name cell and the compared cell (the mobile cell for names) of every
// row that repeats an earlier row's value. Names compare without regard to case, numbers exactly. The count is the
// rows from each group head to the group's last repeat, heads included.
[[nodiscard]] Outcome markRepeats(const ContactTable &table, const RowOrder &rows, Repeat what);

// "自动给重复姓名后加序号": as the name marking, and the rows of each group of repeated names get 1, 2, 3… after
// their names. The count is that of the name marking.
[[nodiscard]] Outcome numberRepeatedNames(const ContactTable &table, const RowOrder &rows);

// "删除姓名/手机/座机都重复的条目": of the rows with equal name|mobile|landline (case ignored), all but the first in
// the sort order are blanked and their records deleted. Rows whose name and numbers are all empty take no part.
// The list is left sorted by that key with the blanked rows in place. The count is the rows blanked. `progress` is
// told, as the walk goes through the sorted rows, how far it is.
using Progress = std::function<void(int row, int rows)>;
[[nodiscard]] Outcome deleteFullDuplicates(const ContactTable &table, const RowOrder &rows,
                                           const Progress &progress = {});

// "删除姓名中的空格": spaces removed from the names of the listed contacts.
[[nodiscard]] ChangeSet removeNameSpaces(const ContactTable &table, const RowOrder &rows);

// "删除手机号码中的空格" / "删除座机号码中的空格": spaces removed, then a leading "+86".
[[nodiscard]] ChangeSet removeNumberSpaces(const ContactTable &table, const RowOrder &rows, bool landline);

// An area code is four characters of any kind: only the length is tested.
inline constexpr qsizetype kAreaCodeLength = 4;
[[nodiscard]] inline bool isAreaCode(const QString &code)
{
    return code.size() == kAreaCodeLength;
}

// "删除座机号前面的区号": the area code removed from the front of every listed landline that begins with it. The count
// is the landlines changed; nothing changes when `code` is no area code.
[[nodiscard]] Outcome deleteAreaCode(const ContactTable &table, const RowOrder &rows, const QString &code);

// "移动手机栏中的座机号码到座机栏" and its mirror "移动座机栏中的手机号码到手机栏".
[[nodiscard]] ChangeSet moveLandlinesOutOfMobile(const ContactTable &table, const RowOrder &rows);
[[nodiscard]] ChangeSet moveMobilesOutOfLandline(const ContactTable &table, const RowOrder &rows);

} // namespace tools
} // namespace vecardia
