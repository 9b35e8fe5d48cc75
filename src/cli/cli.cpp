// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli.h"

#include "contacts/contactfile.h"
#include "contacts/contacttable.h"
#include "contacts/keptlines.h"
#include "contacts/textexport.h"
#include "contacts/vcardwriter.h"
#include "encoding/charsetfile.h"
#include "model/roworder.h"
#include "product/product.h"
#include "tools/batchfind.h"
#include "tools/cleanuptools.h"

#include <QFileDevice>
#include <QHash>
#include <QIODevice>

#include <algorithm>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

enum Exit { Done = 0, Failed = 1, BadArguments = 2 };

const auto kUsage = u"用法：\n"
                    "  vecardia-cli dump FILE\n"
                    "      按“打开文件”的方式读入 FILE，每个记录输出一行 JSON（含已删除的记录），\n"
                    "      最后一行为 {\"records\":总数,\"unread\":未能读入的名片数}。\n"
                    "  vecardia-cli convert FILE [MORE_FILES...] -o OUT\n"
                    "      读入 FILE，再附加导入其余文件，把全部联系人写入 OUT：\n"
                    "      OUT 以 .vcf 结尾时写 vCard 3.0（UTF-8），以 .txt 结尾时写文本列表（GBK）。\n"
                    "  vecardia-cli clean FILE [MORE_FILES...] OPERATION... -o OUT\n"
                    "      像 convert 一样读入，列出全部联系人，按给出的顺序执行整理操作，再写入 OUT：\n"
                    "      --strip-name-spaces       删除姓名中的空格\n"
                    "      --strip-mobile-spaces     删除手机号码中的空格\n"
                    "      --strip-landline-spaces   删除座机号码中的空格\n"
                    "      --delete-area-code CODE   删除座机号前面的区号（4 位）\n"
                    "      --move-landlines          移动手机栏中的座机号码到座机栏\n"
                    "      --move-mobiles            移动座机栏中的手机号码到手机栏\n"
                    "      --number-duplicate-names  自动给重复姓名后加序号\n"
                    "      --delete-duplicates       删除姓名/手机/座机都重复的条目（并清除空白项）\n"
                    "  vecardia-cli find FILE NUMBERS_FILE\n"
                    "      批量查找 NUMBERS_FILE 中每行的号码，按列表顺序输出找到的联系人（格式同 dump），\n"
                    "      最后一行为 {\"notfound\":[没有找到的号码...]}。\n"
                    "  vecardia-cli --help\n"
                    "      显示本说明。\n"
                    "  vecardia-cli --version\n"
                    "      显示版本。\n"
                    "退出码：0 成功，1 读写失败，2 参数错误。\n"_s;

void say(QIODevice &err, const QString &message)
{
    err.write((message + u'\n').toUtf8());
}

int fail(QIODevice &err, Exit code, const QString &message)
{
    say(err, u"vecardia-cli: "_s + message);
    return code;
}

// A JSON string of UTF-8 bytes: the runs that need no escape (all of a photo's Base64) go in whole.
void appendJsonString(QByteArray &out, QByteArrayView utf8)
{
    out.append('"');
    qsizetype run = 0;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c >= 0x20 && c != '"' && c != '\\')
            continue;
        out.append(utf8.sliced(run, i - run));
        run = i + 1;
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default: out.append("\\u00").append(QByteArray::number(int(c), 16).rightJustified(2, '0'));
        }
    }
    out.append(utf8.sliced(run)).append('"');
}

void appendJsonString(QByteArray &out, const QString &value)
{
    appendJsonString(out, QByteArrayView(value.toUtf8()));
}

QByteArray recordJson(const ContactTable &table, int index)
{
    const ContactRecord &r = table[index];
    QByteArray line =
        "{\"index\":" + QByteArray::number(index) + ",\"live\":" + (table.isLive(index) ? "true" : "false");
    const auto field = [&line](const char *name, QByteArrayView utf8) {
        line.append(",\"").append(name).append("\":");
        appendJsonString(line, utf8);
    };
    field("Name", r.Name.toUtf8());
    field("FullName", r.FullName.toUtf8());
    field("Mobile", r.Mobile.toUtf8());
    field("Landline", r.Landline.toUtf8());
    field("Photo", r.Photo.get()); // held as the UTF-8 it was read as (Base64, or a URI)
    field("Email", r.Email.toUtf8());
    field("Address", r.Address.get().toUtf8());
    field("Starred", r.Starred.get().toUtf8());
    field("BigPhoto", r.BigPhoto.get());
    field("Categories", r.Categories.get().toUtf8());
    field("QQ", r.QQ.toUtf8());
    // The lines the record keeps of its card, when there are any.
    if (const QStringList extra = kept::lines(r.Kept); !extra.isEmpty()) {
        line.append(",\"Extra\":[");
        for (qsizetype i = 0; i < extra.size(); ++i) {
            if (i > 0)
                line.append(',');
            appendJsonString(line, extra[i]);
        }
        line.append(']');
    }
    line.append("}\n");
    return line;
}

QString cannotRead(const QString &path, const QString &reason = {})
{
    return reason.isEmpty() ? u"无法打开你的文件！（%1）"_s.arg(path)
                            : u"无法打开你的文件！（%1：%2）"_s.arg(path, reason);
}

int dump(const QStringList &args, QIODevice &out, QIODevice &err)
{
    if (args.size() != 1)
        return fail(err, BadArguments, u"dump 需要且只需要一个文件（--help 查看用法）"_s);
    ContactTable table;
    const ReadResult read = openContactFile(args.first(), table);
    if (!read.read)
        return fail(err, Failed, cannotRead(args.first(), read.reason));
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (out.write(recordJson(table, i)) < 0)
            return fail(err, Failed, u"输出出错"_s);
    }
    const QByteArray last = "{\"records\":" + QByteArray::number(table.upperIndex()) +
                            ",\"unread\":" + QByteArray::number(read.parsed.unread) + "}\n";
    if (out.write(last) < 0)
        return fail(err, Failed, u"输出出错"_s);
    return Done;
}

// Reads the first file as opening does and appends the others; the number of cards not read, or nothing (after
// telling why) when a file cannot be read.
std::optional<int> loadBooks(const QStringList &inputs, ContactTable &table, QIODevice &err)
{
    int unread = 0;
    QStringList read; // the files read, by what names them on this system ("a.vcf" and "./a.vcf" are one file)
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const QString identity = fileIdentity(inputs[i]);
        if (!identity.isEmpty() && read.contains(identity)) {
            say(err, u"该文件（%1）已经导入过，跳过。"_s.arg(inputs[i]));
            continue;
        }
        const ReadResult result = i == 0 ? openContactFile(inputs[i], table) : importContactFile(inputs[i], table);
        if (!result.read) {
            (void)fail(err, Failed, cannotRead(inputs[i], result.reason));
            return std::nullopt;
        }
        read << identity;
        unread += result.parsed.unread;
    }
    return unread;
}

bool isOutputName(const QString &name)
{
    return name.endsWith(u".vcf", Qt::CaseInsensitive) || name.endsWith(u".txt", Qt::CaseInsensitive);
}

// Writes the records as the export commands do: vCard 3.0 in list order, or the text list.
int writeOutput(const ContactTable &table, const QList<int> &indexes, const QString &output, QIODevice &err)
{
    const bool anyLive = std::any_of(indexes.begin(), indexes.end(), [&](int index) { return table.isLive(index); });
    if (!anyLive)
        return fail(err, Failed, u"保存编码出错！（没有可以保存的联系人）"_s);
    if (output.endsWith(u".vcf", Qt::CaseInsensitive)) {
        const SaveResult saved = writeVCardFile(table, indexes, output);
        return saved.saved() ? int(Done) : fail(err, Failed, u"保存出错！（%1：%2）"_s.arg(output, saved.reason));
    }
    const std::vector<bool> listed = [&] {
        std::vector<bool> marks(std::size_t(table.upperIndex()) + 1, false);
        for (int index : indexes)
            marks[std::size_t(index)] = true;
        return marks;
    }();
    const SaveResult saved = writeTextFile(
        table, [&](int index) { return listed[std::size_t(index)]; }, output);
    return saved.saved() ? int(Done) : fail(err, Failed, u"保存出错：%1（%2）"_s.arg(saved.reason, output));
}

struct Operation {
    QString option;
    QString argument;
};

struct CommandLine {
    QStringList inputs;
    QString output;
    QList<Operation> operations;
};

// FILE… [OPERATION…] -o OUT, with the operations that `allowed` names (each with whether it takes an argument).
std::optional<CommandLine> parseFilesAndOutput(const QStringList &args, const QHash<QString, bool> &allowed,
                                               QIODevice &err, int &code)
{
    CommandLine line;
    code = BadArguments;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == u"-o") {
            if (i + 1 >= args.size() || !line.output.isEmpty()) {
                (void)fail(err, BadArguments, u"-o 后面需要一个输出文件名"_s);
                return std::nullopt;
            }
            line.output = args[++i];
        } else if (allowed.contains(arg)) {
            Operation op{arg, {}};
            if (allowed.value(arg)) {
                if (i + 1 >= args.size()) {
                    (void)fail(err, BadArguments, u"%1 后面需要一个值"_s.arg(arg));
                    return std::nullopt;
                }
                op.argument = args[++i];
            }
            line.operations.append(op);
        } else if (arg.startsWith(u'-') && arg.size() > 1) {
            (void)fail(err, BadArguments, u"不认识的选项 %1（--help 查看用法）"_s.arg(arg));
            return std::nullopt;
        } else {
            line.inputs.append(arg);
        }
    }
    if (line.inputs.isEmpty()) {
        (void)fail(err, BadArguments, u"至少需要一个输入文件（--help 查看用法）"_s);
        return std::nullopt;
    }
    if (line.output.isEmpty()) {
        (void)fail(err, BadArguments, u"需要用 -o 指定输出文件"_s);
        return std::nullopt;
    }
    if (!isOutputName(line.output)) {
        (void)fail(err, BadArguments, u"输出文件名须以 .vcf 或 .txt 结尾：%1"_s.arg(line.output));
        return std::nullopt;
    }
    return line;
}

int convert(const QStringList &args, QIODevice &err)
{
    int code = Done;
    const std::optional<CommandLine> line = parseFilesAndOutput(args, {}, err, code);
    if (!line)
        return code;
    ContactTable table;
    const std::optional<int> unread = loadBooks(line->inputs, table, err);
    if (!unread)
        return Failed;
    const std::vector<int> liveRecords = liveIndexes(table);
    const QList<int> live(liveRecords.begin(), liveRecords.end());
    if (const int written = writeOutput(table, live, line->output, err); written != Done)
        return written;
    say(err, u"已写入 %1 个联系人到 %2，%3 张名片未能读入。"_s.arg(live.size()).arg(line->output).arg(*unread));
    return Done;
}

// Runs one cleanup operation as its menu command does and says what the command reports.
void runOperation(const Operation &op, RowOrder &list, ContactTable &table, QIODevice &err)
{
    const auto apply = [&](const ChangeSet &changes) { applyChanges(changes, table, list); };
    if (op.option == u"--strip-name-spaces") {
        apply(tools::removeNameSpaces(table, list));
        say(err, u"删除姓名中的空格：完成"_s);
    } else if (op.option == u"--strip-mobile-spaces") {
        apply(tools::removeNumberSpaces(table, list, false));
        say(err, u"删除手机号码中的空格：完成"_s);
    } else if (op.option == u"--strip-landline-spaces") {
        apply(tools::removeNumberSpaces(table, list, true));
        say(err, u"删除座机号码中的空格：完成"_s);
    } else if (op.option == u"--delete-area-code") {
        const tools::Outcome outcome = tools::deleteAreaCode(table, list, op.argument);
        apply(outcome.changes);
        say(err, u"一共删除了%1座机号前面的区号。"_s.arg(outcome.count));
    } else if (op.option == u"--move-landlines") {
        apply(tools::moveLandlinesOutOfMobile(table, list));
        say(err, u"移动手机栏中的座机号码到座机栏：完成"_s);
    } else if (op.option == u"--move-mobiles") {
        apply(tools::moveMobilesOutOfLandline(table, list));
        say(err, u"移动座机栏中的手机号码到手机栏：完成"_s);
    } else if (op.option == u"--number-duplicate-names") {
        const tools::Outcome outcome = tools::numberRepeatedNames(table, list);
        apply(outcome.changes);
        say(err, u"自动给重复姓名后加序号完成，重复姓名：%1个"_s.arg(outcome.count));
    } else if (op.option == u"--delete-duplicates") {
        const tools::Outcome outcome = tools::deleteFullDuplicates(table, list);
        apply(outcome.changes);
        list.fill(liveIndexes(table)); // "需要清除已经删除的空白项吗？" answered Yes
        say(err, u"重复条目%1个已经删除！"_s.arg(outcome.count));
    }
}

int clean(const QStringList &args, QIODevice &err)
{
    static const QHash<QString, bool> operations = {
        {u"--strip-name-spaces"_s, false},      {u"--strip-mobile-spaces"_s, false},
        {u"--strip-landline-spaces"_s, false},  {u"--delete-area-code"_s, true},
        {u"--move-landlines"_s, false},         {u"--move-mobiles"_s, false},
        {u"--number-duplicate-names"_s, false}, {u"--delete-duplicates"_s, false},
    };
    int code = Done;
    const std::optional<CommandLine> line = parseFilesAndOutput(args, operations, err, code);
    if (!line)
        return code;
    for (const Operation &op : line->operations) {
        if (op.option == u"--delete-area-code" && !tools::isAreaCode(op.argument))
            return fail(err, BadArguments, u"区号必须是4位数字！（%1）"_s.arg(op.argument));
    }
    ContactTable table;
    const std::optional<int> unread = loadBooks(line->inputs, table, err);
    if (!unread)
        return Failed;
    RowOrder list;
    list.fill(liveIndexes(table));
    for (const Operation &op : line->operations)
        runOperation(op, list, table, err);

    const std::vector<int> listedRecords = list.indexes();
    const QList<int> listed(listedRecords.begin(), listedRecords.end());
    QList<int> written;
    for (int index : listed) {
        if (table.isLive(index))
            written.append(index);
    }
    if (const int result = writeOutput(table, listed, line->output, err); result != Done)
        return result;
    say(err, u"已写入 %1 个联系人到 %2，%3 张名片未能读入。"_s.arg(written.size()).arg(line->output).arg(*unread));
    return Done;
}

int find(const QStringList &args, QIODevice &out, QIODevice &err)
{
    if (args.size() != 2)
        return fail(err, BadArguments, u"find 需要一个通讯录文件和一个号码文件（--help 查看用法）"_s);
    ContactTable table;
    if (!loadBooks({args[0]}, table, err))
        return Failed;
    QString why;
    const std::optional<QByteArray> bytes = readFileBytes(args[1], &why);
    if (!bytes)
        return fail(err, Failed, cannotRead(args[1], why));
    // The lines of the numbers file, whatever its line ends, as the dialog's text box holds them.
    QString lines = decodeText(*bytes, charsetOfFile(args[1]));
    lines.replace(u"\r\n"_s, u"\n"_s);
    lines.replace(u'\n', u"\r\n"_s);
    const tools::BatchFindResult found = tools::batchFind(table, lines);
    const QStringList &notFound = found.notFound;
    for (int index : found.listed) {
        if (out.write(recordJson(table, index)) < 0)
            return fail(err, Failed, u"输出出错"_s);
    }
    QByteArray last = "{\"notfound\":[";
    for (qsizetype i = 0; i < notFound.size(); ++i) {
        if (i > 0)
            last += ',';
        appendJsonString(last, notFound[i]);
    }
    last += "]}\n";
    if (out.write(last) < 0)
        return fail(err, Failed, u"输出出错"_s);
    return Done;
}

} // namespace

int runCli(const QStringList &args, QIODevice &out, QIODevice &err)
{
    if (args.isEmpty())
        return fail(err, BadArguments, u"缺少命令（--help 查看用法）"_s);
    const QString &command = args.first();
    if (command == u"--help" || command == u"-h" || command == u"help") {
        out.write(kUsage.toUtf8());
        return Done;
    }
    if (command == u"--version") {
        out.write(product::versionBanner(u"vecardia-cli").toUtf8());
        return Done;
    }
    int code = BadArguments;
    if (command == u"dump")
        code = dump(args.mid(1), out, err);
    else if (command == u"convert")
        code = convert(args.mid(1), err);
    else if (command == u"clean")
        code = clean(args.mid(1), err);
    else if (command == u"find")
        code = find(args.mid(1), out, err);
    else
        return fail(err, BadArguments, u"不认识的命令 %1（--help 查看用法）"_s.arg(command));
    // What was printed must have reached its file (a full disk, a closed pipe): otherwise the command failed.
    if (auto *file = qobject_cast<QFileDevice *>(&out); code == Done && file && !file->flush())
        return fail(err, Failed, u"输出出错：%1"_s.arg(file->errorString()));
    return code;
}

} // namespace vecardia
