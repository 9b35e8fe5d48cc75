// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"
#include "support/tempfolder.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace vecardia;

namespace {

struct Run {
    int code = -1;
    QByteArray out;
    QString err;
};

Run run(const QStringList &args)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    Run r;
    r.code = runCli(args, out, err);
    r.out = out.data();
    r.err = QString::fromUtf8(err.data());
    return r;
}

QString dataFile(const QString &name)
{
    return QString::fromUtf8(VECARDIA_TEST_DATA) + u"/books/"_s + name;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT

    testing::TempFolder m_dir;

private Q_SLOTS:
    void help()
    {
        const Run r = run({u"--help"_s});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("vecardia-cli dump FILE"));
        QVERIFY(r.out.contains("-o OUT"));
    }

    void badArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList();
        QTest::newRow("unknown command") << QStringList{u"explode"_s};
        QTest::newRow("dump without file") << QStringList{u"dump"_s};
        QTest::newRow("dump two files") << QStringList{u"dump"_s, u"a"_s, u"b"_s};
        QTest::newRow("convert without -o") << QStringList{u"convert"_s, u"a.vcf"_s};
        QTest::newRow("convert -o without name") << QStringList{u"convert"_s, u"a.vcf"_s, u"-o"_s};
        QTest::newRow("convert to other type") << QStringList{u"convert"_s, u"a.vcf"_s, u"-o"_s, u"x.csv"_s};
        QTest::newRow("convert unknown option")
            << QStringList{u"convert"_s, u"a.vcf"_s, u"--fast"_s, u"-o"_s, u"x.vcf"_s};
    }
    void badArguments()
    {
        QFETCH(QStringList, args);
        const Run r = run(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.out.isEmpty());
        QCOMPARE(r.err.count(u'\n'), 1); // one line
        QVERIFY(r.err.startsWith(u"vecardia-cli: "_s));
    }

    void dumpPrintsEveryRecord()
    {
        const QString path =
            m_dir.write(u"d.vcf"_s, "BEGIN:VCARD\nVERSION:3.0\nN:Zhang;San\nFN:\"张\\三\"\nTEL;TYPE=CELL:1\n"
                                    "END:VCARD\nBEGIN:VCARD\nEMAIL:a@x\nEND:VCARD\n"
                                    "BEGIN:VCARD\nVERSION:3.0\nEND:VCARD\n"_ba);
        const Run r = run({u"dump"_s, path});
        QCOMPARE(r.code, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 4); // two records, the totals, and the empty text after the last line feed
        QCOMPARE(lines[0], "{\"index\":1,\"live\":true,\"Name\":\"Zhang;San\",\"FullName\":\"\\\"张\\\\三\\\"\","
                           "\"Mobile\":\"1\",\"Landline\":\"\",\"Photo\":\"\",\"Email\":\"\",\"Address\":\"\","
                           "\"Starred\":\"\",\"BigPhoto\":\"\",\"Categories\":\"\",\"QQ\":\"\","
                           "\"Extra\":[\"N:Zhang;San\"]}"_ba);
        const QJsonObject second = QJsonDocument::fromJson(lines[1]).object();
        QCOMPARE(second.value(u"live"_s).toBool(false), true); // named by its e-mail address
        QCOMPARE(second.value(u"FullName"_s).toString(), u"a@x"_s);
        QCOMPARE(lines[2], "{\"records\":2,\"unread\":1}"_ba);
        QVERIFY(lines[3].isEmpty());
    }

    void dumpEscapesControlCharacters()
    {
        const QString path = m_dir.write(u"ctl.vcf"_s, "BEGIN:VCARD\nFN:a\tb\x01\x1f\\nc\nEND:VCARD\n"_ba);
        const Run r = run({u"dump"_s, path});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.contains("\"FullName\":\"a\\tb\\u0001\\u001f\\nc\""));
        QJsonParseError error;
        QCOMPARE(QJsonDocument::fromJson(r.out.split('\n').first(), &error).object().value(u"FullName"_s).toString(),
                 u"a\tb\x01\x1f\nc"_s);
    }

    void dumpMissingFile()
    {
        const Run r = run({u"dump"_s, m_dir.filePath(u"none.vcf"_s)});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(u"无法打开你的文件"_s));
    }

    void convertToVCardAndText()
    {
        const QString first = m_dir.write(u"one.vcf"_s, "BEGIN:VCARD\nVERSION:3.0\nFN:A\nTEL;TYPE=CELL:1\nEND:VCARD\n"
                                                        "BEGIN:VCARD\nVERSION:3.0\nEND:VCARD\n"_ba);
        const QString second = m_dir.write(u"two.vcf"_s, "BEGIN:VCARD\r\nVERSION:2.1\r\nN:\xD5\xC5;;;;\r\n"
                                                         "FN:\xD5\xC5\xC8\xFD\r\nTEL;HOME:2\r\nEND:VCARD\r\n"_ba);
        const QString vcf = m_dir.filePath(u"out.vcf"_s);
        Run r = run({u"convert"_s, first, second, u"-o"_s, vcf});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains(u"2 个联系人"_s) && r.err.contains(u"1 张名片未能读入"_s), qPrintable(r.err));
        QCOMPARE(testing::TempFolder::contents(vcf),
                 "BEGIN:VCARD\nVERSION:3.0\nN:;A;;;\nFN:A\nTEL;TYPE=CELL:1\nEND:VCARD\n"
                 "BEGIN:VCARD\nVERSION:3.0\nN:张;;;;\nFN:张三\nTEL;TYPE=HOME:2\nEND:VCARD\n"_ba);

        const QString txt = m_dir.filePath(u"out.TXT"_s);
        r = run({u"convert"_s, first, second, u"-o"_s, txt});
        QCOMPARE(r.code, 0);
        QCOMPARE(testing::TempFolder::contents(txt), "A 1   \r\n\xD5\xC5\xC8\xFD  2  \r\n"_ba);
    }

    void convertNeverLeavesAPartialFile()
    {
        const QString good = m_dir.write(u"good.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\n"_ba);
        const QString out = m_dir.write(u"existing.vcf"_s, "old");
        Run r = run({u"convert"_s, good, m_dir.filePath(u"missing.vcf"_s), u"-o"_s, out});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(u"missing.vcf"_s));
        QCOMPARE(testing::TempFolder::contents(out), "old"_ba);

        r = run({u"convert"_s, good, u"-o"_s, m_dir.filePath(u"no/such/dir/out.vcf"_s)});
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.startsWith(u"vecardia-cli: 保存出错"_s));

        const QString blank = m_dir.write(u"blank.vcf"_s, "BEGIN:VCARD\nNOTE:nobody\nEND:VCARD\n"_ba);
        r = run({u"convert"_s, blank, u"-o"_s, out});
        QCOMPARE(r.code, 1);
        QCOMPARE(testing::TempFolder::contents(out), "old"_ba);
    }

    void convertRefusesNothingToWriteAsText()
    {
        const QString blank = m_dir.write(u"only-a-note.vcf"_s, "BEGIN:VCARD\nNOTE:nobody\nEND:VCARD\n"_ba);
        const QString out = m_dir.write(u"keep.txt"_s, "old");
        const Run r = run({u"convert"_s, blank, u"-o"_s, out});
        QCOMPARE(r.code, 1);
        QCOMPARE(testing::TempFolder::contents(out), "old"_ba);
    }

    // A file named twice is read once, however it is named; two files whose names differ only in letter case are
    // two books on this system.
    void aFileGivenTwiceIsReadOnce()
    {
        const QString book = m_dir.write(u"once.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\n"_ba);
        m_dir.write(u"ONCE.vcf"_s, "BEGIN:VCARD\nFN:B\nEND:VCARD\n"_ba);
        QVERIFY(QFile::link(book, m_dir.filePath(u"link.vcf"_s)));
        const QString out = m_dir.filePath(u"once-out.txt"_s);
        Run r = run({u"convert"_s, book, m_dir.path() + u"/./once.vcf"_s, m_dir.filePath(u"link.vcf"_s), u"-o"_s, out});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.err.count(u"已经导入过"_s), 2);
        QCOMPARE(testing::TempFolder::contents(out), "A    \r\n"_ba);
        r = run({u"convert"_s, book, m_dir.filePath(u"ONCE.vcf"_s), u"-o"_s, out});
        QCOMPARE(r.code, 0);
        QVERIFY2(!r.err.contains(u"已经导入过"_s), qPrintable(r.err));
        QCOMPARE(testing::TempFolder::contents(out), "A    \r\nB    \r\n"_ba);
    }

    // An output that is no regular file (a pipe, or a link to a device) is refused and left as it is.
    void outputIsARegularFileOnly()
    {
        const QString book = m_dir.write(u"in.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\n"_ba);
        const QString fifo = m_dir.filePath(u"pipe.vcf"_s), link = m_dir.filePath(u"null.txt"_s);
        QCOMPARE(QProcess::execute(u"mkfifo"_s, {fifo}), 0);
        QVERIFY(QFile::link(u"/dev/null"_s, link));
        for (const QString &out : {fifo, link}) {
            const Run r = run({u"convert"_s, book, u"-o"_s, out});
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains(u"不是普通文件"_s), qPrintable(r.err));
        }
        QCOMPARE(QFileInfo(link).symLinkTarget(), u"/dev/null"_s);
        QVERIFY(!QFileInfo(fifo).isFile());
    }

    void unreadableFilesAreErrors()
    {
        const QString noCards = m_dir.write(u"nocards.vcf"_s, "just text\n"_ba);
        Run r = run({u"dump"_s, noCards});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains(u"没有可以读入的联系人"_s), qPrintable(r.err));
        const QString book = m_dir.write(u"f2.vcf"_s, "BEGIN:VCARD\nFN:A\nTEL;TYPE=CELL:1\nEND:VCARD\n"_ba);
        r = run({u"find"_s, book, m_dir.path()}); // a folder: no numbers to read
        QCOMPARE(r.code, 1);
        QVERIFY(r.err.contains(m_dir.path()));
    }

    // Output that never reaches its file is an error, not a silent success.
    void fullOutputIsAnError()
    {
        const QString book = m_dir.write(u"d2.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\n"_ba);
        QFile full(u"/dev/full"_s);
        if (!full.open(QIODevice::WriteOnly))
            QSKIP("no /dev/full here");
        QBuffer err;
        err.open(QIODevice::WriteOnly);
        QCOMPARE(runCli({u"dump"_s, book}, full, err), 1);
        QVERIFY(err.data().contains("输出出错"));
    }

    void cleanRunsTheToolsInOrder()
    {
        const QString book =
            m_dir.write(u"messy.vcf"_s, "BEGIN:VCARD\nFN:Li Lei\nTEL;TYPE=CELL:+86 138 0000 0001\nEND:VCARD\n"
                                        "BEGIN:VCARD\nFN:li lei\nTEL;TYPE=CELL:13800000001\nEND:VCARD\n"
                                        "BEGIN:VCARD\nFN:Wang\nTEL;TYPE=CELL:0755-8888\nEND:VCARD\n"
                                        "BEGIN:VCARD\nFN:Wang\nTEL;TYPE=CELL:139\nEND:VCARD\n"_ba);
        const QString out = m_dir.filePath(u"clean.txt"_s);
        const Run r = run({u"clean"_s, book, u"--strip-mobile-spaces"_s, u"--strip-name-spaces"_s,
                           u"--delete-duplicates"_s, u"--move-landlines"_s, u"--delete-area-code"_s, u"0755"_s,
                           u"--number-duplicate-names"_s, u"-o"_s, out});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.err.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[2], u"重复条目1个已经删除！"_s);
        QCOMPARE(lines[4], u"一共删除了1座机号前面的区号。"_s);
        QCOMPARE(lines[5], u"自动给重复姓名后加序号完成，重复姓名：2个"_s);
        QVERIFY(lines[6].contains(u"3 个联系人"_s));
        // Text list in table order: the duplicate is gone, the landline moved and lost its area code.
        const QByteArray text = testing::TempFolder::contents(out);
        const QList<QByteArray> rows = text.split('\n');
        QCOMPARE(rows.size(), 4);
        QVERIFY(rows[0] == "LiLei 13800000001   \r" || rows[0] == "lilei 13800000001   \r");
        QVERIFY(rows[1].startsWith("Wang") && rows[1].endsWith("  -8888  \r"));
        QVERIFY(rows[2].startsWith("Wang") && rows[2].endsWith(" 139   \r"));
    }

    void cleanRefusesABadAreaCode()
    {
        const QString book = m_dir.write(u"b.vcf"_s, "BEGIN:VCARD\nFN:A\nEND:VCARD\n"_ba);
        const QString out = m_dir.filePath(u"never.vcf"_s);
        const Run r = run({u"clean"_s, book, u"--delete-area-code"_s, u"075"_s, u"-o"_s, out});
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains(u"区号必须是4位数字！"_s));
        QVERIFY(!QFile::exists(out));
        QCOMPARE(run({u"clean"_s, book, u"--delete-area-code"_s}).code, 2);
    }

    void findListsMatchesAndMisses()
    {
        const QString book = m_dir.write(u"f.vcf"_s, "BEGIN:VCARD\nFN:A\nTEL;TYPE=CELL:13800000001\nEND:VCARD\n"
                                                     "BEGIN:VCARD\nFN:B\nTEL;TYPE=HOME:010-5\nEND:VCARD\n"_ba);
        const QString numbers = m_dir.write(u"numbers.txt"_s, "010 B\n\n999\r\n138\n"_ba);
        const Run r = run({u"find"_s, book, numbers});
        QCOMPARE(r.code, 0);
        const QList<QByteArray> lines = r.out.split('\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines[0].startsWith("{\"index\":2,"));
        QVERIFY(lines[1].startsWith("{\"index\":1,"));
        QCOMPARE(lines[2], "{\"notfound\":[\"999\"]}"_ba);
        QCOMPARE(run({u"find"_s, book, m_dir.filePath(u"none.txt"_s)}).code, 1);
    }

    void sampleBookReadsWhole()
    {
        const Run r = run({u"dump"_s, QString::fromUtf8(VECARDIA_SAMPLES) + u"/demo.vcf"_s});
        QCOMPARE(r.code, 0);
        QVERIFY(r.out.endsWith("{\"records\":40,\"unread\":0}\n"));
        QCOMPARE(r.out.count("\"live\":true"), qsizetype(40));
        QCOMPARE(r.out.count("\"Photo\":\"ENCODING=B;TYPE=PNG:iVBOR"), qsizetype(5));
    }

    // Exports of phones and address books, read as opening reads them.
    void goldenFiles_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList files = QDir(dataFile(QString())).entryList({u"*.vcf"_s}, QDir::Files, QDir::Name);
        QVERIFY(!files.isEmpty());
        for (const QString &file : files)
            QTest::newRow(qPrintable(file)) << file.chopped(4);
    }
    void goldenFiles()
    {
        QFETCH(QString, name);
        const Run r = run({u"dump"_s, dataFile(name + u".vcf"_s)});
        QCOMPARE(r.code, 0);
        const QList<QByteArray> got = r.out.split('\n');
        const QList<QByteArray> expected = testing::TempFolder::contents(dataFile(name + u".expected"_s)).split('\n');
        for (qsizetype i = 0; i < std::max(got.size(), expected.size()); ++i) {
            const QByteArray g = got.value(i), e = expected.value(i);
            QVERIFY2(g == e,
                     qPrintable(u"%1.expected, line %2:\n  got      %3\n  expected %4"_s.arg(name).arg(i + 1).arg(
                         QString::fromUtf8(g), QString::fromUtf8(e))));
        }
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
