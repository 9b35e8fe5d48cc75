// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/layout.h"

#include "ui/contactlistview.h"
#include "ui/photobox.h"
#include "ui/promptlabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace vecardia {

namespace {

QWidget *create(ControlKind kind, const QString &caption, QWidget *parent)
{
    switch (kind) {
    case ControlKind::Label: {
        auto *label = new QLabel(caption, parent);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    }
    case ControlKind::GapLabel: return new PromptLabel(caption, parent);
    case ControlKind::TextBox: return new QLineEdit(caption, parent);
    case ControlKind::MultiLineTextBox: return new QPlainTextEdit(caption, parent);
    case ControlKind::Button: return new QPushButton(caption, parent);
    case ControlKind::CheckBox: return new QCheckBox(caption, parent);
    case ControlKind::Frame: return new QGroupBox(caption, parent);
    case ControlKind::DropDown: return new QComboBox(parent);
    case ControlKind::ListBox: return new QListWidget(parent);
    case ControlKind::ContactList: return new ContactListView(parent);
    case ControlKind::PictureBox: return new PhotoBox(parent);
    }
    return nullptr;
}

} // namespace

QHash<QString, QWidget *> buildControls(QWidget *window, std::span<const ControlSpec> layout,
                                        const QHash<QString, QWidget *> &made)
{
    QHash<QString, QWidget *> controls;
    for (const ControlSpec &spec : layout) {
        QWidget *parent = spec.parent ? controls.value(QString::fromUtf16(spec.parent), window) : window;
        QWidget *control = made.value(QString::fromUtf16(spec.name));
        if (control)
            control->setParent(parent);
        else
            control = create(spec.kind, QString::fromUtf16(spec.caption), parent);
        place(control, QString::fromUtf16(spec.name), twipsRect(spec.left, spec.top, spec.width, spec.height));
        controls.insert(control->objectName(), control);
    }
    return controls;
}

} // namespace vecardia
