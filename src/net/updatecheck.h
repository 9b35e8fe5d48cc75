// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

// The update check's reading of the version file "major.minor.revision" (2.0.802).
namespace vecardia::updatecheck {

// major × 10,000,000 + minor × 10,000 + revision, for a text of exactly three parts of decimal digits (at most
// nine each); nothing for any other text.
[[nodiscard]] std::optional<qint64> versionWeight(QStringView text);
// The weight of this program's own version.
[[nodiscard]] qint64 runningVersionWeight();
// The version text of a version file's content: without the white space around it, and only when that leaves
// one to ten characters (a longer text is not a version, such as an error page sent with status 200).
[[nodiscard]] std::optional<QString> publishedVersion(const QString &content);
// Whether a version text names a version newer than this program's.
[[nodiscard]] bool isNewer(QStringView version);

} // namespace vecardia::updatecheck
