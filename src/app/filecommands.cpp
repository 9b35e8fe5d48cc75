// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's file commands: open, append import, and the two exports.
#include "app/mainwindow.h"

#include "contacts/contactfile.h"
#include "contacts/textexport.h"
#include "contacts/vcardwriter.h"
#include "encoding/spaces.h"
#include "model/contactlistmodel.h"
#include "product/product.h"
#include "ui/editorpanel.h"
#include "ui/photobox.h"
#include "ui/prompter.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QUndoStack>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

const QString kVCardFilter = u"*.vcf|*.vcf"_s;
const QString kSaving = u"正在保存文件，请稍候..."_s;

QString cannotOpen()
{
    return u"无法打开你的文件！请联系QQ："_s + product::configuration().supportQQ + u" 修改软件试一试。"_s;
}

} // namespace

void Form1::打开VCF文件()
{
    const QStringList files = m_prompter.openFiles({.filter = kVCardFilter});
    if (files.isEmpty() || !mayDropChanges())
        return;
    if (m_model->rowCount() > 0 && !m_prompter.askYesNo(u"你要清空列表重新打开吗？"_s))
        return;
    m_model->clear();
    Frame3->setSaveEnabled(false);
    打开单个VCF文件(files.first());
    Frame3->setSaveEnabled(false);
}

void Form1::打开单个VCF文件(const QString &path)
{
    m_model->clear();
    Picture1->removePicture(false);
    resetTable();
    List1->clear();
    for (QLineEdit *box : {Text3, Text4, Text5, Text6, Text7})
        box->clear();
    Text1->setText(path);
    List1->addItem(path);

    const ReadResult read = openContactFile(trimSpaces(path), m_table);
    if (!read.read) {
        m_prompter.critical(cannotOpen() + u'\n' + path + u"（"_s + read.reason + u"）"_s);
        return;
    }
    tellUnread(read.parsed.unread);
    显示全部数据到LV();
}

void Form1::tellUnread(int unread)
{
    if (unread > 0)
        m_prompter.information(u"有"_s + QString::number(unread) + u"条记录未能读入，你可以联系QQ："_s +
                               product::configuration().supportQQ + u" 修改软件试一试。"_s);
}

bool Form1::查找List1(const QString &path) const
{
    const QString wanted = path.toLower();
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->text().toLower() == wanted)
            return true;
    }
    return false;
}

void Form1::附加导入VCF文件()
{
    if (Text1->text().isEmpty()) {
        打开VCF文件();
        return;
    }
    StepScope step(*this, u"附加导入VCF文件"_s); // every file of the import is one step
    const QStringList files = m_prompter.openFiles({.filter = kVCardFilter, .multiple = true});
    if (files.isEmpty())
        return;
    bool anyRead = false;
    for (const QString &path : files) {
        const bool again = 查找List1(path);
        if (again && !m_prompter.askYesNo(u"该文件（"_s + path + u"）已经导入过，您确定要重复导入吗？"_s))
            continue;
        if (!importOne(path))
            continue; // said so; the next file goes on
        if (!again)
            List1->addItem(path);
        anyRead = true;
    }
    if (anyRead)
        m_prompter.information(u"附加导入文件完成。"_s);
}

bool Form1::importOne(const QString &path)
{
    const ReadResult read = importContactFile(path, m_table);
    if (!read.read) {
        m_prompter.critical(cannotOpen() + u'\n' + path + u"（"_s + read.reason + u"）"_s);
        return false;
    }
    tellUnread(read.parsed.unread);
    显示全部数据到LV();
    return true;
}

void Form1::导出列表到号码簿VCF文件()
{
    exportList(ExportKind::VCard);
}

void Form1::导出列表到文本文件()
{
    exportList(ExportKind::Text);
}

void Form1::exportList(ExportKind kind)
{
    if (m_model->rowCount() == 0) {
        m_prompter.critical(u"列表中没有可以保存的项目！"_s);
        return;
    }
    showProgress(kSaving);
    const bool vcard = kind == ExportKind::VCard;
    const QString path =
        m_prompter.saveFile(vcard ? Prompter::FileDialog{.filter = kVCardFilter, .defaultSuffix = u"vcf"_s}
                                  : Prompter::FileDialog{.filter = u"*.txt|*.txt"_s, .defaultSuffix = u"txt"_s});
    if (path.isEmpty()) {
        hideProgress();
        return;
    }
    if (vcard) {
        qsizetype shownPercent = -1;
        const SaveResult saved =
            writeVCardFile(m_table, m_model->listedIndexes(), path, [&](qsizetype row, qsizetype rows) {
                const qsizetype percent = row * 100 / rows;
                if (percent != shownPercent) { // repaint only when the text changes
                    shownPercent = percent;
                    showProgress(kSaving + QString::number(percent) + u'%');
                }
            });
        switch (saved.outcome) {
        case SaveOutcome::Saved:
            m_undo->setClean(); // the book as exported: no "*" in the caption until it changes again
            m_prompter.information(u"保存完毕！"_s);
            break;
        case SaveOutcome::EncodingError: m_prompter.critical(u"保存编码出错！"_s); break;
        case SaveOutcome::SaveError: m_prompter.critical(u"保存出错！\n"_s + saved.reason); break;
        }
    } else {
        // The text list walks the table and asks the list for each record's row, as the Part's export does.
        const SaveResult saved = writeTextFile(
            m_table, [this](int index) { return 判断LV项目是否存在(ContactTable::keyOf(index)); }, path);
        if (saved.saved())
            m_prompter.information(u"已经保存！"_s);
        else
            m_prompter.critical(u"保存出错："_s + saved.reason);
    }
    hideProgress();
}

} // namespace vecardia
