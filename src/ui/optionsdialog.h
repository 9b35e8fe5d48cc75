// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;

namespace vecardia {

class Module3;
class SettingsStore;

// "设置" (fOption): whether this program opens ".vcf" files.
class fOption final : public QDialog {
    Q_OBJECT

public:
    fOption(Module3 &association, SettingsStore &settings, QWidget *parent = nullptr);

    QCheckBox *Check1;
    QLabel *Label1;
    QPushButton *Command2, *Command1;

    // "确定": associates or restores as the box says, then closes.
    void 确定();

private:
    Module3 &m_association;
    SettingsStore &m_settings;
};

} // namespace vecardia
