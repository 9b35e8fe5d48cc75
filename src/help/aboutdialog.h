// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "product/product.h"

#include <QDialog>
#include <QStringList>

class QFrame;
class QLabel;
class QPushButton;

namespace vecardia {

class Prompter;
class RegistryBackend;
class ShellActions;

// "关于" (frmAbout): the product, its version, the maker's addresses as links, and the system information.
class frmAbout final : public QDialog {
    Q_OBJECT

public:
    // `registry` may be missing: the system information is then looked for on the PATH only.
    frmAbout(const product::Configuration &configuration, ShellActions &shell, Prompter &prompter,
             const RegistryBackend *registry, QWidget *parent = nullptr);

    QLabel *lsoftname, *lblVersion, *Label1, *Label2, *Label7, *Label4, *Label5, *Image1, *Image2;
    QFrame *Line2;
    QPushButton *cmdOK, *cmdSysInfo;
    // Where StartSysInfo looks for a system-information tool; empty: the PATH.
    QStringList programFolders;

    // Underlines a link label while the mouse is over it.
    void 模拟网址下划线(QLabel *label);
    // Starts the system-information program, or says there is none.
    void StartSysInfo();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void linkClicked(QObject *link);

    product::Configuration m_configuration;
    ShellActions &m_shell;
    Prompter &m_prompter;
    const RegistryBackend *m_registry;
};

} // namespace vecardia
