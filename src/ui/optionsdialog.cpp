// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/optionsdialog.h"

#include "product/product.h"
#include "shell/registry.h"
#include "shell/settingsstore.h"
#include "ui/layout.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

namespace {

using enum ControlKind;

// On this platform the association needs no administrator: the note says what the box does instead of the Windows
// compatibility steps, which would mislead.
constexpr ControlSpec kLayout[] = {
    {u"Check1", CheckBox, 300, 300, 5400, 300, u"设置本软件为VCF文件默认打开软件"},
    {u"Label1", Label, 300, 750, 5400, 900,
     u"（勾选后，在文件管理器中双击 .vcf 文件即用本软件打开；取消勾选则恢复原来打开 .vcf 文件的程序。）"},
    {u"Command2", Button, 2100, 1800, 1500, 420, u"确定"},
    {u"Command1", Button, 3900, 1800, 1500, 420, u"取消"},
};

} // namespace

fOption::fOption(Module3 &association, SettingsStore &settings, QWidget *parent)
    : QDialog(parent), m_association(association), m_settings(settings)
{
    setObjectName(u"fOption"_s);
    setWindowTitle(product::kTitle + u"-设置"_s);
    setModal(true);
    setFixedSize(twips(6000), twips(2600));

    const QHash<QString, QWidget *> controls = buildControls(this, kLayout);
    Check1 = controlNamed<QCheckBox>(controls, u"Check1");
    Label1 = controlNamed<QLabel>(controls, u"Label1");
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Command2 = controlNamed<QPushButton>(controls, u"Command2");
    Command1 = controlNamed<QPushButton>(controls, u"Command1");
    Command2->setDefault(true);

    Check1->setChecked(m_association.IsAssociated(u".vcf"_s) == 1);
    connect(Command2, &QPushButton::clicked, this, [this] { 确定(); });
    connect(Command1, &QPushButton::clicked, this, &QDialog::reject);
}

void fOption::确定()
{
    if (Check1->isChecked()) {
        m_association.AssociateExtension(u".vcf"_s);
        if (m_association.IsAssociated(u".vcf"_s) == 1)
            (void)m_settings.write(product::kTitle, u"set"_s, u"firstopen"_s, u"no"_s);
    } else {
        m_association.RestoreAssociation(u".vcf"_s);
    }
    accept();
}

} // namespace vecardia
