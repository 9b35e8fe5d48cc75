// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

namespace vecardia {

// The program's icon, in every size drawn for it; the same picture as the installed one.
[[nodiscard]] QIcon productIcon();

} // namespace vecardia
