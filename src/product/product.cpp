// SPDX-License-Identifier: GPL-3.0-or-later
#include "product/product.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QVariant>

#include <algorithm>
#include <cstdio>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace vecardia::product {

namespace {

std::optional<Configuration> &current()
{
    static std::optional<Configuration> configuration;
    return configuration;
}

// Overrides `field` when the group has `key`. QSettings reads an unquoted value with commas as a list; such a
// value is joined back.
void take(const QSettings &file, const QString &key, QString &field)
{
    if (!file.contains(key))
        return;
    const QVariant value = file.value(key);
    field = value.typeId() == QMetaType::QStringList ? value.toStringList().join(u", "_s) : value.toString();
}

} // namespace

Configuration Configuration::builtIn()
{
    Configuration c;
    c.website = QStringLiteral(VECARDIA_WEBSITE); // the build names it once, for the package and its metadata too
    c.website2Name = u"卡舟论坛"_s;
    c.website2 = u"https://bbs.kazhou.example"_s;
    c.shop = u"https://shop.kazhou.example"_s;
    c.supportMail = u"support@kazhou.example"_s;
    c.supportQQ = u"800018801"_s;
    c.updateCheck = VECARDIA_UPDATE_CHECK_DEFAULT != 0;
    return c;
}

QString Configuration::onWebsite(QStringView path) const
{
    QStringView site = website;
    while (site.endsWith(u'/'))
        site.chop(1);
    return site.toString().append(path);
}

QStringList configurationFiles()
{
    // locateAll answers the most important file first: the user's, then the system folders in their order.
    QStringList files = QStandardPaths::locateAll(QStandardPaths::GenericConfigLocation, u"vecardia/vecardia.conf"_s);
    std::reverse(files.begin(), files.end());
    return files;
}

Configuration readConfiguration(const QStringList &files)
{
    Configuration c = Configuration::builtIn();
    for (const QString &path : files) {
        if (const QFileInfo info(path); info.exists() && (!info.isFile() || !info.isReadable())) {
            // A file that is there to say something but cannot be read (a FIFO would also hang the start): no call
            // home on its behalf.
            std::fprintf(stderr, "vecardia: %s\n", qUtf8Printable(u"无法读取配置文件 %1，不检查新版本"_s.arg(path)));
            c.updateCheck = false;
            continue;
        }
        QSettings file(path, QSettings::IniFormat);
        if (file.status() != QSettings::NoError)
            continue;
        file.beginGroup(u"product"_s);
        take(file, u"website"_s, c.website);
        take(file, u"website2_name"_s, c.website2Name);
        take(file, u"website2"_s, c.website2);
        take(file, u"shop"_s, c.shop);
        take(file, u"support_mail"_s, c.supportMail);
        take(file, u"support_qq"_s, c.supportQQ);
        QString check;
        take(file, u"update_check"_s, check);
        check = check.trimmed().toLower();
        if (check == u"true"_s || check == u"yes"_s || check == u"on"_s || check == u"1"_s)
            c.updateCheck = true;
        else if (check == u"false"_s || check == u"no"_s || check == u"off"_s || check == u"0"_s)
            c.updateCheck = false;
    }
    return c;
}

const Configuration &configuration()
{
    std::optional<Configuration> &c = current();
    if (!c)
        c = readConfiguration(configurationFiles());
    return *c;
}

void setConfiguration(const Configuration &configuration)
{
    current() = configuration;
}

} // namespace vecardia::product
