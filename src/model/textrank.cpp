// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/textrank.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <compare>
#include <numeric>
#include <unordered_map>

namespace vecardia {

namespace {

// The case-folded characters of every text, one after the other, and each character's place in the collation.
class CharacterRanks {
public:
    explicit CharacterRanks(const std::vector<const QString *> &texts)
    {
        m_start.assign(texts.size() + 1, 0);
        for (std::size_t id = 0; id < texts.size(); ++id) {
            appendFolded(*texts[id]);
            m_start[id + 1] = m_codes.size();
        }
        rankDistinct();
        m_ranks.resize(m_codes.size());
        for (std::size_t i = 0; i < m_codes.size(); ++i)
            m_ranks[i] = rankOf(m_codes[i]);
    }

    [[nodiscard]] std::size_t distinctCharacters() const { return m_distinct.size(); }
    // The ranks of one text's characters.
    [[nodiscard]] std::vector<int>::const_iterator begin(std::size_t id) const { return at(m_start[id]); }
    [[nodiscard]] std::vector<int>::const_iterator end(std::size_t id) const { return at(m_start[id + 1]); }
    [[nodiscard]] std::size_t length(std::size_t id) const { return m_start[id + 1] - m_start[id]; }

private:
    [[nodiscard]] std::vector<int>::const_iterator at(std::size_t i) const
    {
        return m_ranks.begin() + std::ptrdiff_t(i);
    }

    void appendFolded(const QString &text)
    {
        static const std::vector<char16_t> foldedUnit = [] {
            std::vector<char16_t> folded(0x10000);
            for (char32_t unit = 0; unit < 0x10000; ++unit)
                folded[unit] = char16_t(QChar::toCaseFolded(unit));
            return folded;
        }();
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t code = text[i].unicode();
            if (QChar::isHighSurrogate(code) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                code = QChar::surrogateToUcs4(text[i].unicode(), text[i + 1].unicode());
                ++i;
            }
            code = code < 0x10000 ? foldedUnit[code] : QChar::toCaseFolded(code);
            m_codes.push_back(code);
            if (code < 0x10000) {
                if (m_rankOfUnit[code] < 0) {
                    m_rankOfUnit[code] = 0;
                    m_distinct.push_back(code);
                }
            } else if (m_rankOfWide.emplace(code, 0).second) {
                m_distinct.push_back(code);
            }
        }
    }

    // Each distinct character once through the collator: equal sort keys share a rank.
    void rankDistinct()
    {
        QCollator collator(QLocale(QLocale::Chinese, QLocale::China));
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        collator.setNumericMode(false);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(m_distinct.size());
        for (char32_t code : m_distinct)
            keys.push_back(collator.sortKey(QString::fromUcs4(&code, 1)));
        std::vector<std::size_t> byKey(m_distinct.size());
        std::iota(byKey.begin(), byKey.end(), 0);
        std::stable_sort(byKey.begin(), byKey.end(), [&](auto a, auto b) { return keys[a].compare(keys[b]) < 0; });
        int rank = 0;
        for (std::size_t k = 0; k < byKey.size(); ++k) {
            if (k > 0 && keys[byKey[k - 1]].compare(keys[byKey[k]]) != 0)
                ++rank;
            const char32_t code = m_distinct[byKey[k]];
            (code < 0x10000 ? m_rankOfUnit[code] : m_rankOfWide[code]) = rank;
        }
    }

    [[nodiscard]] int rankOf(char32_t code) const
    {
        return code < 0x10000 ? m_rankOfUnit[code] : m_rankOfWide.at(code);
    }

    std::vector<int> m_rankOfUnit = std::vector<int>(0x10000, -1); // case-folded BMP character -> rank (-1: unseen)
    std::unordered_map<char32_t, int> m_rankOfWide;                // characters outside the BMP
    std::vector<char32_t> m_distinct;
    std::vector<char32_t> m_codes;
    std::vector<int> m_ranks;
    std::vector<std::size_t> m_start; // where each text's characters begin in m_codes
};

// The first characters of each text packed into two numbers, so that most comparisons are two integer comparisons.
class PackedPrefixes {
public:
    // Eight characters of 16 bits each: a rank + 1, 0 after the end of a shorter text.
    static constexpr std::size_t kCharacters = 8;

    PackedPrefixes(const CharacterRanks &ranks, std::size_t texts)
        : m_usable(ranks.distinctCharacters() < 0xFFFF), m_packed(texts)
    {
        for (std::size_t id = 0; m_usable && id < texts; ++id) {
            quint64 words[2] = {0, 0};
            auto rank = ranks.begin(id);
            for (std::size_t k = 0; k < kCharacters && k < ranks.length(id); ++k, ++rank)
                words[k / 4] |= quint64(*rank + 1) << (48 - 16 * (k % 4));
            m_packed[id] = {words[0], words[1]};
        }
    }

    [[nodiscard]] const std::pair<quint64, quint64> &operator[](std::size_t id) const { return m_packed[id]; }
    // How many leading characters the packed numbers already compared.
    [[nodiscard]] std::size_t covered() const { return m_usable ? kCharacters : 0; }

private:
    bool m_usable;
    std::vector<std::pair<quint64, quint64>> m_packed;
};

} // namespace

std::vector<int> rankTexts(const std::vector<const QString *> &texts, bool ascending)
{
    const CharacterRanks ranks(texts);
    const PackedPrefixes packed(ranks, texts.size());
    const auto compare = [&](std::size_t a, std::size_t b) {
        if (packed[a] != packed[b])
            return packed[a] < packed[b] ? -1 : 1;
        const auto rest = [&](std::size_t id) {
            return ranks.begin(id) + std::ptrdiff_t(std::min(packed.covered(), ranks.length(id)));
        };
        const auto byChars = std::lexicographical_compare_three_way(rest(a), ranks.end(a), rest(b), ranks.end(b));
        if (byChars != 0)
            return byChars < 0 ? -1 : 1;
        return QString::compare(*texts[a], *texts[b], Qt::CaseInsensitive);
    };
    std::vector<std::size_t> byText(texts.size());
    std::iota(byText.begin(), byText.end(), 0);
    std::sort(byText.begin(), byText.end(), [&](auto a, auto b) { return compare(a, b) < 0; });
    std::vector<int> place(texts.size());
    int rank = 0;
    for (std::size_t k = 0; k < byText.size(); ++k) {
        if (k > 0 && compare(byText[k - 1], byText[k]) != 0)
            ++rank;
        place[byText[k]] = ascending ? rank : -rank;
    }
    return place;
}

} // namespace vecardia
