// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/prompter.h"

#include <QList>
#include <QQueue>

#include <functional>

namespace vecardia::testing {

// Scripted answers for the program's questions and dialogs, and a record of what it showed.
class TestPrompter final : public Prompter {
public:
    struct Shown {
        QString text;
        Icon icon;
        Buttons buttons;
        QString caption;
    };

    QList<Shown> shown;
    QList<FileDialog> dialogs;
    QQueue<Answer> answers; // for YesNo questions; Yes when none is queued
    QQueue<QStringList> openAnswers;
    QQueue<QString> saveAnswers;
    QQueue<std::optional<QString>> inputAnswers;
    std::function<void(const Shown &)> whenShown; // runs as each message is shown, while it is open

    Answer message(const QString &text, Icon icon, Buttons buttons, const QString &caption) override
    {
        shown.append({text, icon, buttons, caption});
        if (whenShown)
            whenShown(shown.last());
        if (buttons == Buttons::Ok)
            return Answer::Ok;
        return answers.isEmpty() ? Answer::Yes : answers.dequeue();
    }
    std::optional<QString> input(const QString &prompt, const QString &caption, const QString &) override
    {
        shown.append({prompt, Icon::None, Buttons::Ok, caption});
        return inputAnswers.isEmpty() ? std::nullopt : inputAnswers.dequeue();
    }
    QStringList openFiles(const FileDialog &dialog) override
    {
        dialogs.append(dialog);
        return openAnswers.isEmpty() ? QStringList() : openAnswers.dequeue();
    }
    QString saveFile(const FileDialog &dialog) override
    {
        dialogs.append(dialog);
        return saveAnswers.isEmpty() ? QString() : saveAnswers.dequeue();
    }

    [[nodiscard]] QStringList texts() const
    {
        QStringList t;
        for (const Shown &s : shown)
            t << s.text;
        return t;
    }
    void forget()
    {
        shown.clear();
        dialogs.clear();
    }
};

} // namespace vecardia::testing
