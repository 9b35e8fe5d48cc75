// SPDX-License-Identifier: GPL-3.0-or-later
#include "net/updatecheck.h"

#include "product/product.h"

#include <algorithm>

namespace vecardia::updatecheck {

namespace {

constexpr qint64 kMajorWeight = 10'000'000;
constexpr qint64 kMinorWeight = 10'000;
constexpr qsizetype kMostDigits = 9; // keeps the weight far inside 64 bits
constexpr qsizetype kLongestVersion = 10;

std::optional<qint64> number(QStringView part)
{
    if (part.isEmpty() || part.size() > kMostDigits ||
        !std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : part)
        value = value * 10 + (c.unicode() - u'0');
    return value;
}

} // namespace

std::optional<qint64> versionWeight(QStringView text)
{
    const auto parts = text.split(u'.');
    if (parts.size() != 3)
        return std::nullopt;
    const auto major = number(parts[0]), minor = number(parts[1]), revision = number(parts[2]);
    if (!major || !minor || !revision)
        return std::nullopt;
    return *major * kMajorWeight + *minor * kMinorWeight + *revision;
}

qint64 runningVersionWeight()
{
    return product::kVersionMajor * kMajorWeight + product::kVersionMinor * kMinorWeight + product::kVersionRevision;
}

std::optional<QString> publishedVersion(const QString &content)
{
    QString version = content.trimmed();
    if (version.isEmpty() || version.size() > kLongestVersion)
        return std::nullopt;
    return version;
}

bool isNewer(QStringView version)
{
    const auto weight = versionWeight(version);
    return weight && *weight > runningVersionWeight();
}

} // namespace vecardia::updatecheck
