// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/prompter.h"

class QWidget;

namespace vecardia {

// The real dialogs: message boxes, the input box and the file dialogs of Qt.
class QtPrompter final : public Prompter {
public:
    explicit QtPrompter(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }

    Answer message(const QString &text, Icon icon, Buttons buttons, const QString &caption) override;
    std::optional<QString> input(const QString &prompt, const QString &caption, const QString &defaultText) override;
    QStringList openFiles(const FileDialog &dialog) override;
    QString saveFile(const FileDialog &dialog) override;

    // "*.vcf|*.vcf" as a Qt name filter: "*.vcf (*.vcf)".
    [[nodiscard]] static QString nameFilter(const QString &filter);

private:
    QWidget *m_parent;
};

} // namespace vecardia
