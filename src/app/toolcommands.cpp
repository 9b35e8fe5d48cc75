// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's Edit-menu tools: each runs its tool on the listed contacts, applies what it changed in one step,
// and says what it did.
#include "app/mainwindow.h"

#include "model/contactlistmodel.h"
#include "tools/cleanuptools.h"
#include "ui/contactlistview.h"
#include "ui/editorpanel.h"
#include "ui/prompter.h"

#include <QLabel>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

void Form1::红色标示重复(int column)
{
    static const QString what[] = {u"姓名"_s, u"手机号"_s, u"座机号"_s};
    static const tools::Repeat repeat[] = {tools::Repeat::Name, tools::Repeat::Mobile, tools::Repeat::Landline};
    StepScope step(*this, u"红色标示重复"_s + what[column]);
    showProgress(u"正在标示重复"_s + what[column] + u"为红色，请稍候..."_s);
    const tools::Outcome outcome = tools::markRepeats(m_table, m_model->rows(), repeat[column]);
    applyChanges(outcome.changes);
    showSortIndicator();
    hideProgress();
    ListView1->viewport()->update();
    m_prompter.information(u"标示完成，重复"_s + what[column] + u"："_s + QString::number(outcome.count) + u"个"_s);
}

void Form1::自动给重复姓名后加序号()
{
    StepScope step(*this, u"自动给重复姓名后加序号"_s);
    showProgress(u"正在自动给重复姓名后加序号，请稍候..."_s);
    const tools::Outcome outcome = tools::numberRepeatedNames(m_table, m_model->rows());
    applyChanges(outcome.changes);
    showSortIndicator();
    hideProgress();
    ListView1->viewport()->update();
    m_prompter.information(u"自动给重复姓名后加序号完成，重复姓名："_s + QString::number(outcome.count) + u"个"_s);
}

void Form1::删除姓名手机座机全部重复项()
{
    StepScope step(*this, u"删除重复条目"_s);
    const QString working = u"正在删除重复条目，请稍候..."_s;
    showProgress(working);
    int shownPercent = -1;
    const tools::Outcome outcome = tools::deleteFullDuplicates(m_table, m_model->rows(), [&](int row, int rows) {
        const int percent = int(double(row) / (double(rows) / 100.0));
        if (percent != shownPercent) { // repainted only when the text changes
            shownPercent = percent;
            showProgress(working + QString::number(percent) + u'%');
        }
    });
    applyChanges(outcome.changes);
    showSortIndicator();
    Frame3->empty();
    if (m_prompter.askYesNo(u"需要清除已经删除的空白项吗？"_s))
        显示全部数据到LV(); // the columns are sized with the new rows
    else
        AutoSizeColumns();
    hideProgress();
    m_prompter.information(u"重复条目"_s + QString::number(outcome.count) + u"个已经删除！"_s);
}

void Form1::删除空白项()
{
    StepScope step(*this, u"删除空白项"_s);
    显示全部数据到LV();
}

void Form1::删除姓名中的空格()
{
    StepScope step(*this, u"删除姓名中的空格"_s);
    applyChanges(tools::removeNameSpaces(m_table, m_model->rows()));
    AutoSizeColumns();
}

void Form1::删除号码中的空格(bool landline)
{
    StepScope step(*this, landline ? u"删除座机号码中的空格"_s : u"删除手机号码中的空格"_s);
    applyChanges(tools::removeNumberSpaces(m_table, m_model->rows(), landline));
    AutoSizeColumns();
}

void Form1::删除座机号前面的区号()
{
    StepScope step(*this, u"删除座机号前面的区号"_s);
    const QString code =
        m_prompter.input(u"请输入要删除的区号："_s, u"删除座机号前面的区号"_s, QString()).value_or(QString());
    if (!tools::isAreaCode(code)) {
        m_prompter.critical(u"区号必须是4位数字！"_s);
        return;
    }
    const tools::Outcome outcome = tools::deleteAreaCode(m_table, m_model->rows(), code);
    applyChanges(outcome.changes);
    AutoSizeColumns();
    m_prompter.information(u"一共删除了"_s + QString::number(outcome.count) + u"座机号前面的区号。"_s);
}

void Form1::移动手机栏中的座机号码到座机栏()
{
    StepScope step(*this, u"移动手机栏中的座机号码到座机栏"_s);
    applyChanges(tools::moveLandlinesOutOfMobile(m_table, m_model->rows()));
    AutoSizeColumns();
}

void Form1::移动座机栏中的手机号码到手机栏()
{
    StepScope step(*this, u"移动座机栏中的手机号码到手机栏"_s);
    applyChanges(tools::moveMobilesOutOfLandline(m_table, m_model->rows()));
    AutoSizeColumns();
}

} // namespace vecardia
