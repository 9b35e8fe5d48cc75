// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

#include <functional>

namespace vecardia {

// Makes a widget that has no click of its own (a label) run `handler` when it is clicked with the left button:
// pressed and released over it.
void onClick(QWidget *widget, std::function<void()> handler);

} // namespace vecardia
