// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <vector>

namespace vecardia {

// The order in which the list sorts texts: character by character, each character placed by the Chinese collation
// (pinyin for Chinese, digits and signs as characters, letter case ignored), so 139… comes before 2. Texts equal
// in that order but different without regard to case are ordered by a case-insensitive comparison, so that texts
// the duplicate tools take as equal always end up next to each other.
//
// Returns for each text its place in that order (ascending: 0, 1, …; descending: 0, -1, …); equal places for texts
// that sort together.
[[nodiscard]] std::vector<int> rankTexts(const std::vector<const QString *> &texts, bool ascending);

} // namespace vecardia
