#pragma once

// The cleanup tools as plain row-by-row scans: each group head compared with every later row, as the commands were
// first written. Slow (quadratic) and obviously right; the fast tools must give exactly the same lists.

#include "contacts/contacttable.h"
#include "ui/contactlistmodel.h"

namespace vecardia::plain {

using Colour = ContactListModel::CellColour;

// 寻找LV重复项: from 1-based position `start` to the last row, rows whose cell in `column` equals `sought` exactly
// are marked red, or blanked with their records cleared. Returns the last position matched, or 0.
inline int 寻找LV重复项(ContactListModel &list, ContactTable &table, int start, const QString &sought, int column,
                        bool remove)
{
    if (sought.isEmpty())
        return 0;
    const int n = list.rowCount();
    int last = 0;
    for (int p = start; p <= n; ++p) {
        if (list.cell(p - 1, column) != sought)
            continue;
        if (remove) {
            for (int c = 0; c <= ContactListModel::TempColumn; ++c)
                list.setCell(p - 1, c, QString());
            table.清空数组单个数据(list.indexAt(p - 1));
        } else {
            list.setColour(p - 1, 0, Colour::Red);
            list.setColour(p - 1, column, Colour::Red);
        }
        last = p;
    }
    return last;
}

// 寻找LV重复项2: names equal after lower-casing; numbering appends 2, 3, … to the repeats.
inline int 寻找LV重复项2(ContactListModel &list, ContactTable &table, int start, const QString &sought, bool numbering)
{
    if (sought.isEmpty())
        return 0;
    const int n = list.rowCount();
    int last = 0;
    int counter = 1;
    for (int p = start; p <= n; ++p) {
        if (list.cell(p - 1, 0).toLower() != sought.toLower())
            continue;
        list.setColour(p - 1, 0, Colour::Red);
        list.setColour(p - 1, 1, Colour::Red);
        if (numbering) {
            ++counter;
            const QString name = list.cell(p - 1, 0) + QString::number(counter);
            list.setCell(p - 1, 0, name);
            table[list.indexAt(p - 1)].FullName = name;
        }
        last = p;
    }
    return last;
}

// The marking commands; `column` 0 marks names.
inline int mark(ContactListModel &list, ContactTable &table, int column)
{
    list.resetToBlack();
    list.sortOnHeaderClick(column);
    const int n = list.rowCount();
    int d = 0;
    for (int i = 1; i <= n; ++i) {
        if (list.rowCount() < i + 1)
            break;
        const QString cell = list.cell(i - 1, column);
        if (cell.isEmpty())
            continue;
        const int w = column == 0 ? 寻找LV重复项2(list, table, i + 1, cell, false)
                                  : 寻找LV重复项(list, table, i + 1, cell, column, false);
        if (w > 0) {
            d += w - i + 1;
            i = w;
        }
    }
    return d;
}

inline int numberNames(ContactListModel &list, ContactTable &table)
{
    list.resetToBlack();
    list.sortOnHeaderClick(0);
    const int n = list.rowCount();
    int d = 0;
    for (int i = 1; i <= n; ++i) {
        if (list.rowCount() < i + 1)
            break;
        const QString s = list.cell(i - 1, 0);
        if (s.isEmpty())
            continue;
        const int t = 寻找LV重复项2(list, table, i + 1, s, true);
        if (t > 0) {
            list.setCell(i - 1, 0, s + u'1');
            table[list.indexAt(i - 1)].FullName = s + u'1';
            d += t - i + 1;
            i = t;
        }
    }
    return d;
}

inline int deleteDuplicates(ContactListModel &list, ContactTable &table)
{
    list.setTempColumn(true);
    for (int row = 0; row < list.rowCount(); ++row)
        list.setCell(row, 6, (list.cell(row, 0) + u'|' + list.cell(row, 1) + u'|' + list.cell(row, 2)).toLower());
    list.sortOnHeaderClick(6);
    const int n = list.rowCount();
    for (int i = 1; i <= n; ++i) {
        if (list.rowCount() < i + 1)
            break;
        const QString key = list.cell(i - 1, 6);
        if (key.isEmpty() || key == u"||") // a row without name and numbers is nobody's duplicate
            continue;
        const int w = 寻找LV重复项(list, table, i + 1, key, 6, true);
        if (w > 0)
            i = w;
    }
    int m = 0;
    for (int row = 0; row < list.rowCount(); ++row)
        m += list.cell(row, 6).isEmpty() ? 1 : 0;
    list.setTempColumn(false);
    return m;
}

} // namespace vecardia::plain
