// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/producticon.h"

using namespace Qt::Literals::StringLiterals;

namespace vecardia {

QIcon productIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(u":/icons/%1.png"_s.arg(size), QSize(size, size));
    return icon;
}

} // namespace vecardia
