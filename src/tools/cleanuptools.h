#pragma once

#include <QString>
#include <QStringList>

namespace vecardia {

class ContactListModel;
class ContactTable;

// The Edit menu's cleanup tools. They work on the rows the list shows and change the records behind them and the
// rows' cells together. Repeats are found through an index of the compared values built once after the sort, so
// every tool runs in O(n log n) and gives exactly what a row-by-row scan from each group head to the end would.
namespace tools {

enum class Repeat { Name, Mobile, Landline };

// "红色标示重复…": sorts the list as a click on the compared column's header does, turns the name, mobile and
// landline cells black, then colours red the name cell and the compared cell (the mobile cell for names) of every
// row that repeats an earlier row's value. Names compare without regard to case, numbers exactly. Returns the count
// of rows from each group head to the group's last repeat, heads included.
[[nodiscard]] int markRepeats(ContactListModel &list, Repeat what);

// "自动给重复姓名后加序号": as the name marking, and the rows of each group of repeated names get 1, 2, 3… after
// their names, in the list and in the records. Returns the same count as the name marking.
[[nodiscard]] int numberRepeatedNames(ContactListModel &list, ContactTable &table);

// "删除姓名/手机/座机都重复的条目": of the rows with equal name|mobile|landline (case ignored), all but the first in
// the sort order are blanked and their records cleared. Rows whose name and numbers are all empty take no part.
// The list is left sorted by that key with the blanked rows in place. Returns the number of rows blanked.
[[nodiscard]] int deleteFullDuplicates(ContactListModel &list, ContactTable &table);

// "删除姓名中的空格": spaces removed from the names of the listed contacts.
void removeNameSpaces(ContactListModel &list, ContactTable &table);

// "删除手机号码中的空格" / "删除座机号码中的空格": spaces removed, then a leading "+86".
void removeNumberSpaces(ContactListModel &list, ContactTable &table, bool landline);

// "删除座机号前面的区号": the four characters of `code` removed from the front of every listed landline that begins
// with them. Returns how many landlines changed.
[[nodiscard]] int deleteAreaCode(ContactListModel &list, ContactTable &table, const QString &code);

// "移动手机栏中的座机号码到座机栏" and its mirror "移动座机栏中的手机号码到手机栏".
void moveLandlinesOutOfMobile(ContactListModel &list, ContactTable &table);
void moveMobilesOutOfLandline(ContactListModel &list, ContactTable &table);

// The batch find: one query per line (lines end at CR LF; the text before the first space of the trimmed line),
// every record whose mobile or landline contains a query (case ignored) listed once, query by query. Returns the
// queries that found nothing, in input order.
[[nodiscard]] QStringList batchFind(ContactListModel &list, const ContactTable &table, const QString &lines);

// Lines of a text box as the batch find counts them: pieces between CR LF, 0 for an empty text.
[[nodiscard]] int lineCount(const QString &text);

} // namespace tools
} // namespace vecardia
