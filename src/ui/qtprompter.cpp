// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qtprompter.h"

#include <QFileDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

// A dialog wide enough for its caption: window managers cut a title that does not fit.
int widthForCaption(const QWidget &dialog, const QString &caption)
{
    constexpr int kTitleBarButtons = 140; // room for the icon and the title bar's buttons
    return QFontMetrics(dialog.font()).horizontalAdvance(caption) + kTitleBarButtons;
}

} // namespace

Prompter::Answer QtPrompter::message(const QString &text, Icon icon, Buttons buttons, const QString &caption)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (icon) {
    case Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    }
    QPushButton *yes = nullptr;
    if (buttons == Buttons::YesNo) {
        yes = box.addButton(u"是(&Y)"_s, QMessageBox::YesRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(box.addButton(u"否(&N)"_s, QMessageBox::NoRole));
    } else {
        box.setDefaultButton(box.addButton(u"确定"_s, QMessageBox::AcceptRole));
    }
    // A message box sizes itself to its text: a spacer across its last row makes room for the caption too.
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout()))
        grid->addItem(new QSpacerItem(widthForCaption(box, caption), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    return box.clickedButton() == yes ? Answer::Yes : Answer::No;
}

std::optional<QString> QtPrompter::input(const QString &prompt, const QString &caption, const QString &defaultText)
{
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    dialog.setMinimumWidth(widthForCaption(dialog, caption));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString QtPrompter::nameFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    if (parts.size() < 2)
        return filter;
    QString patterns = parts[1];
    patterns.replace(u";"_s, u" "_s);
    return parts[0] + u" ("_s + patterns.simplified() + u')';
}

QStringList QtPrompter::openFiles(const FileDialog &dialog)
{
    if (dialog.multiple)
        return QFileDialog::getOpenFileNames(m_parent, QString(), QString(), nameFilter(dialog.filter));
    const QString file = QFileDialog::getOpenFileName(m_parent, QString(), QString(), nameFilter(dialog.filter));
    return file.isEmpty() ? QStringList() : QStringList{file};
}

QString QtPrompter::saveFile(const FileDialog &dialog)
{
    QFileDialog box(m_parent);
    box.setAcceptMode(QFileDialog::AcceptSave);
    box.setNameFilter(nameFilter(dialog.filter));
    box.setDefaultSuffix(dialog.defaultSuffix);
    return box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty() ? box.selectedFiles().first() : QString();
}

} // namespace vecardia
