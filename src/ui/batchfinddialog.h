// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

#include <functional>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace vecardia {

// "批量查找" (fFind): finds a pasted list of numbers, one per line, and lists the numbers that found nobody.
class fFind final : public QDialog {
    Q_OBJECT

public:
    // Runs the batch find on the lines (CR LF between them), lists what it found, and returns the numbers not found.
    using Find = std::function<QStringList(const QString &lines)>;

    explicit fFind(Find find, QWidget *parent = nullptr);

    QLabel *Label1, *Label3, *Label2, *Label4, *Label5;
    QPlainTextEdit *Text1, *Text2;
    QPushButton *Command1, *Command2;

    void 开始查找();

private:
    Find m_find;
};

} // namespace vecardia
