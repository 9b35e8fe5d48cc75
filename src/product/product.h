// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// What the program says about itself: its fixed name and version, and the maker's addresses, which a distributor or
// the user may set in vecardia.conf.
namespace vecardia::product {

inline const QString kTitle = QStringLiteral("卡舟手机电话簿管理器");
constexpr int kVersionMajor = 2;
constexpr int kVersionMinor = 0;
constexpr int kVersionRevision = 801;
// The program's name on the desktop: its desktop entry, icon, D-Bus name and AppStream metadata.
inline const QString kApplicationId = QStringLiteral("io.github.vecardia.Vecardia");

// "2.0.801"
inline QString versionText()
{
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRevision);
}

// What `PROGRAM --version` prints: "vecardia (卡舟手机电话簿管理器) 2.0.801" and the licence, one line each.
inline QString versionBanner(QStringView program)
{
    return program.toString() + QStringLiteral(" (") + kTitle + QStringLiteral(") ") + versionText() +
           QStringLiteral("\nLicense GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>\n");
}

// "卡舟手机电话簿管理器 V2.0.801"
inline QString windowCaption()
{
    return kTitle + QStringLiteral(" V") + versionText();
}

// The maker's addresses and whether the program looks for a newer version at start-up.
struct Configuration {
    QString website;      // the maker's web site: home page, version file, product and after-sales pages
    QString website2Name; // the maker's second web site
    QString website2;
    QString shop;
    QString supportMail;
    QString supportQQ; // the number users are asked to contact
    bool updateCheck = true;

    // The built-in values, with addresses in the reserved ".example" domain.
    [[nodiscard]] static Configuration builtIn();
    // An address below the web site: `path` starts with "/" ("/vecardia/"), and a web site given with a "/" at
    // its end does not double it.
    [[nodiscard]] QString onWebsite(QStringView path) const;
    [[nodiscard]] QString productPage() const { return onWebsite(u"/vecardia/"); }
    [[nodiscard]] QString afterSalesPage() const { return onWebsite(u"/afterservice.htm"); }
    [[nodiscard]] QString versionFile() const { return onWebsite(u"/vecardia/newver.txt"); }
};

// The files that may set the configuration, least important first: vecardia/vecardia.conf in each folder of
// $XDG_CONFIG_DIRS (the first folder the most important), then in $XDG_CONFIG_HOME.
[[nodiscard]] QStringList configurationFiles();
// The built-in values, overridden by the keys of the [product] group of each file in turn. update_check takes
// true/false, yes/no, on/off or 1/0. A missing file, an unknown key and any other update_check change nothing; a file
// that is there but cannot be read (or is no regular file) turns the update check off.
[[nodiscard]] Configuration readConfiguration(const QStringList &files);
// The configuration of this run, read from configurationFiles() on first use.
[[nodiscard]] const Configuration &configuration();
// Replaces the configuration of this run (tests, tools that run the window).
void setConfiguration(const Configuration &configuration);

} // namespace vecardia::product
