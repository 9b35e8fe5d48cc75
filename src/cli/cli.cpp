#include "cli/cli.h"

#include "contacts/contactfile.h"
#include "contacts/contacttable.h"
#include "contacts/textexport.h"
#include "contacts/vcardwriter.h"

#include <QIODevice>

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
                    "  vecardia-cli --help\n"
                    "      显示本说明。\n"
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

void appendJsonString(QByteArray &out, const QString &value)
{
    out.append('"');
    const QByteArray utf8 = value.toUtf8();
    for (char c : utf8) {
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        case '\b': out.append("\\b"); break;
        case '\f': out.append("\\f"); break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out.append("\\u00").append(QByteArray::number(int(c), 16).rightJustified(2, '0'));
            else
                out.append(c);
        }
    }
    out.append('"');
}

QByteArray recordJson(const ContactTable &table, int index)
{
    const ContactRecord &r = table[index];
    QByteArray line = "{\"index\":" + QByteArray::number(index) + ",\"live\":" +
                      (table.isLive(index) ? "true" : "false");
    const std::pair<const char *, const QString *> fields[] = {
        {"Name", &r.Name},         {"FullName", &r.FullName}, {"Mobile", &r.Mobile},   {"Landline", &r.Landline},
        {"Photo", &r.Photo},       {"Email", &r.Email},       {"Address", &r.Address}, {"Starred", &r.Starred},
        {"BigPhoto", &r.BigPhoto}, {"Categories", &r.Categories}, {"QQ", &r.QQ},
    };
    for (const auto &[name, value] : fields) {
        line.append(",\"").append(name).append("\":");
        appendJsonString(line, *value);
    }
    line.append("}\n");
    return line;
}

QString cannotRead(const QString &path)
{
    return u"无法打开你的文件！（%1）"_s.arg(path);
}

int dump(const QStringList &args, QIODevice &out, QIODevice &err)
{
    if (args.size() != 1)
        return fail(err, BadArguments, u"dump 需要且只需要一个文件（--help 查看用法）"_s);
    ContactTable table;
    const FileReadResult read = openContactFile(args.first(), table);
    if (!read.read)
        return fail(err, Failed, cannotRead(args.first()));
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

int convert(const QStringList &args, QIODevice &err)
{
    QStringList inputs;
    QString output;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == u"-o") {
            if (i + 1 >= args.size() || !output.isEmpty())
                return fail(err, BadArguments, u"-o 后面需要一个输出文件名"_s);
            output = args[++i];
        } else if (args[i].startsWith(u'-') && args[i].size() > 1) {
            return fail(err, BadArguments, u"不认识的选项 %1（--help 查看用法）"_s.arg(args[i]));
        } else {
            inputs.append(args[i]);
        }
    }
    if (inputs.isEmpty())
        return fail(err, BadArguments, u"convert 至少需要一个输入文件（--help 查看用法）"_s);
    if (output.isEmpty())
        return fail(err, BadArguments, u"convert 需要用 -o 指定输出文件"_s);
    const bool asVCard = output.endsWith(u".vcf", Qt::CaseInsensitive);
    if (!asVCard && !output.endsWith(u".txt", Qt::CaseInsensitive))
        return fail(err, BadArguments, u"输出文件名须以 .vcf 或 .txt 结尾：%1"_s.arg(output));

    ContactTable table;
    int unread = 0;
    for (qsizetype i = 0; i < inputs.size(); ++i) {
        const FileReadResult read = i == 0 ? openContactFile(inputs[i], table) : importContactFile(inputs[i], table);
        if (!read.read)
            return fail(err, Failed, cannotRead(inputs[i]));
        unread += read.parsed.unread;
    }

    QList<int> live;
    for (int i = 1; i <= table.upperIndex(); ++i) {
        if (table.isLive(i))
            live.append(i);
    }
    if (asVCard) {
        switch (writeVCardFile(table, live, output)) {
        case SaveOutcome::Saved: break;
        case SaveOutcome::EncodingError: return fail(err, Failed, u"保存编码出错！（没有可以保存的联系人）"_s);
        case SaveOutcome::SaveError: return fail(err, Failed, u"保存出错！（%1）"_s.arg(output));
        }
    } else {
        const SaveResult saved = writeTextFile(table, live, output);
        if (!saved.saved())
            return fail(err, Failed, u"保存出错：%1"_s.arg(saved.error));
    }
    say(err, u"已写入 %1 个联系人到 %2，%3 张名片未能读入。"_s.arg(live.size()).arg(output).arg(unread));
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
    if (command == u"dump")
        return dump(args.mid(1), out, err);
    if (command == u"convert")
        return convert(args.mid(1), err);
    return fail(err, BadArguments, u"不认识的命令 %1（--help 查看用法）"_s.arg(command));
}

} // namespace vecardia
