// SPDX-License-Identifier: GPL-3.0-or-later
#include "contacts/contacttable.h"
#include "contacts/textexport.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

// The list shows exactly these records.
ListedTest listing(std::initializer_list<int> indexes)
{
    return [set = QList<int>(indexes)](int index) { return set.contains(index); };
}

} // namespace

class TestTextExport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void lines()
    {
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"Ann"_s, .Mobile = u"138"_s});
        (void)table.append(ContactRecord{
            .FullName = u"张三"_s, .Mobile = u"1 2"_s, .Landline = u"010-1"_s, .Email = u"a@x b@y"_s, .QQ = u"99"_s});
        (void)table.append(ContactRecord{.FullName = u"Cleared"_s});
        table.清空数组单个数据(3);
        (void)table.append(ContactRecord{.FullName = u"Not listed"_s});
        (void)table.append(ContactRecord{.FullName = u"José 😀 ด"_s});
        // The list shows 5, 2, 3 and 1 in that order (after a sort); the file keeps table order.
        QCOMPARE(textExportBytes(table, listing({5, 2, 3, 1})).value(),
                 "Ann 138   \r\n\xD5\xC5\xC8\xFD 1 2 010-1 a@x b@y 99\r\nJos\xA8\xA6 ? ?    \r\n"_ba);
    }

    void emptyTableGivesOneEmptyLine()
    {
        ContactTable table;
        QCOMPARE(textExportBytes(table, listing({})).value(), "\r\n"_ba);
        (void)table.append();
        QCOMPARE(textExportBytes(table, listing({1})).value(),
                 QByteArray()); // a table of only blank records writes nothing
    }

    void gbkCharacters()
    {
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"朱镕基"_s});
        QCOMPARE(textExportBytes(table, listing({1})).value(), "\xD6\xEC\xE9\x46\xBB\xF9    \r\n"_ba);
    }

    void fileIsReplaced()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"list.txt"_s);
        ContactTable table;
        (void)table.append(ContactRecord{.FullName = u"First"_s});
        QVERIFY(writeTextFile(table, listing({1}), path).saved());
        table[1].FullName = u"Second"_s;
        QVERIFY(writeTextFile(table, listing({1}), path).saved());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), "Second    \r\n"_ba);
    }

    void failureSaysWhy()
    {
        QTemporaryDir dir;
        ContactTable table;
        const SaveResult result = writeTextFile(table, listing({}), dir.filePath(u"missing/folder/list.txt"_s));
        QCOMPARE(result.outcome, SaveOutcome::SaveError);
        QVERIFY(!result.reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestTextExport)
#include "tst_textexport.moc"
