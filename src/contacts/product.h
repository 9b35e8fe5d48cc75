#pragma once

#include <QString>

// What the program says about itself.
namespace vecardia::product {

inline const QString kTitle = QStringLiteral("卡舟手机电话簿管理器");
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 0;
constexpr int kVersionRevision = 801;
// The program's name on the desktop: its desktop entry, icon, D-Bus name and AppStream metadata.
inline const QString kApplicationId = QStringLiteral("io.github.vecardia.Vecardia");
// The number users are asked to contact when a file cannot be read.
inline const QString kSupportQQ = QStringLiteral("800018801");

// "2.0.801"
inline QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

// "卡舟手机电话簿管理器 V2.0.801"
inline QString windowCaption()
{
    return kTitle + QStringLiteral(" V") + versionText();
}

} // namespace vecardia::product
