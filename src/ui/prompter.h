// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace vecardia {

// Everything that asks or tells the user goes through here, so that tests can script the answers.
class Prompter {
public:
    enum class Icon { None, Critical, Information, Question };
    enum class Buttons { Ok, YesNo };
    enum class Answer { Ok, Yes, No };

    struct FileDialog {
        QString filter;        // "description|pattern", patterns separated by "; "
        QString defaultSuffix; // added to a saved name that has none
        bool multiple = false;
    };

    virtual ~Prompter() = default;

    virtual Answer message(const QString &text, Icon icon, Buttons buttons, const QString &caption) = 0;
    // The text typed, or nothing when the user cancelled.
    virtual std::optional<QString> input(const QString &prompt, const QString &caption, const QString &defaultText) = 0;
    // The chosen files (one unless `multiple`), or none when the user cancelled.
    virtual QStringList openFiles(const FileDialog &dialog) = 0;
    // The chosen file, or the empty text when the user cancelled.
    virtual QString saveFile(const FileDialog &dialog) = 0;

    // The program's own messages, captioned with the product title: refusals and failures, completions, questions.
    void critical(const QString &text);
    void information(const QString &text);
    [[nodiscard]] bool askYesNo(const QString &text);
};

} // namespace vecardia
