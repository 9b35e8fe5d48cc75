// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QRect>
#include <QString>
#include <QWidget>

#include <span>

namespace vecardia {

// Window layouts are given in twips: 15 twips are one pixel at 96 dots per inch. Qt's logical pixels already follow
// the screen's scale, so one twip is a fifteenth of a logical pixel.
inline constexpr int kTwipsPerPixel = 15;

// Twips to pixels, to the nearest pixel.
constexpr int twips(int t)
{
    return (t + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// The kinds of control a layout table holds.
enum class ControlKind {
    Label,            // QLabel
    GapLabel,         // PromptLabel: a caption with a gap for another control
    TextBox,          // QLineEdit
    MultiLineTextBox, // QPlainTextEdit
    Button,           // QPushButton
    CheckBox,         // QCheckBox
    Frame,            // QGroupBox
    DropDown,         // QComboBox
    ListBox,          // QListWidget
    ContactList,      // ContactListView
    PictureBox,       // PhotoBox
};

// One control of a layout table: its design name, kind, place in twips (left, top, width, height) relative to its
// parent, caption, and the name of the frame it sits in (none: the window itself).
struct ControlSpec {
    const char16_t *name;
    ControlKind kind;
    int left, top, width, height;
    const char16_t *caption = u"";
    const char16_t *parent = nullptr;
};

// Creates the controls of a layout table in order, each under its name at its place, and returns them by name.
// A control already made (a widget of its own kind) is only named and placed.
QHash<QString, QWidget *> buildControls(QWidget *window, std::span<const ControlSpec> layout,
                                        const QHash<QString, QWidget *> &made = {});

// A control of a built layout by name, as its own type.
template<typename W>
W *controlNamed(const QHash<QString, QWidget *> &controls, const char16_t *name)
{
    return qobject_cast<W *>(controls.value(QString::fromUtf16(name)));
}

// Names a control and puts it where the layout says.
template<typename W>
W *place(W *widget, const QString &name, const QRect &geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

} // namespace vecardia
