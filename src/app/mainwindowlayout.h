// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/layout.h"

#include <span>

namespace vecardia {

// The main window's controls outside the editor panel, with their places in twips. The client area needs about
// 15,700 by 9,100 twips.
[[nodiscard]] std::span<const ControlSpec> mainWindowLayout();
inline constexpr int kClientWidth = 15700;
inline constexpr int kClientHeight = 9100;

} // namespace vecardia
