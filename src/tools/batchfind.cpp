// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchfind.h"

#include "contacts/contacttable.h"
#include "encoding/spaces.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <unordered_map>

using namespace Qt::Literals::StringLiterals;

namespace vecardia::tools {

namespace {

// Below this many records a plain scan per query is as fast as building the index.
constexpr int kIndexFromRecords = 2000;
// Narrowing stops when this few candidates are left: checking them beats intersecting further lists.
constexpr std::size_t kFewCandidates = 8;
// The index holds the pieces of this many characters.
constexpr qsizetype kPiece = 3;

// Which records may hold a query: three-character pieces of the case-folded numbers, each with the records that
// contain it. A query of three or more characters can only be inside records that hold every one of its pieces.
class NumberIndex {
public:
    explicit NumberIndex(const ContactTable &table)
    {
        for (int index = 1; index <= table.upperIndex(); ++index) {
            const ContactRecord &r = table[index];
            for (const QString *number : {&r.Mobile, &r.Landline}) {
                if (hasSurrogates(*number)) {
                    m_unindexed.push_back(index); // folded by code point, not unit: always checked
                    continue;
                }
                for (qsizetype at = 0; at + kPiece <= number->size(); ++at) {
                    std::vector<int> &records = m_records[piece(*number, at)];
                    if (records.empty() || records.back() != index)
                        records.push_back(index);
                }
            }
        }
    }

    // Ascending record indexes that may contain the query, or nothing when every record must be looked at.
    [[nodiscard]] std::optional<std::vector<int>> candidates(const QString &query) const
    {
        if (query.size() < kPiece || hasSurrogates(query))
            return std::nullopt;
        static const std::vector<int> none;
        std::vector<const std::vector<int> *> lists;
        for (qsizetype at = 0; at + kPiece <= query.size(); ++at) {
            const auto found = m_records.find(piece(query, at));
            lists.push_back(found == m_records.end() ? &none : &found->second);
        }
        // Records that hold every piece, the rarest pieces first.
        std::sort(lists.begin(), lists.end(), [](auto *a, auto *b) { return a->size() < b->size(); });
        std::vector<int> holding = *lists.front();
        std::vector<int> narrower;
        for (std::size_t k = 1; k < lists.size() && holding.size() > kFewCandidates; ++k) {
            narrower.clear();
            std::set_intersection(holding.begin(), holding.end(), lists[k]->begin(), lists[k]->end(),
                                  std::back_inserter(narrower));
            holding.swap(narrower);
        }
        std::vector<int> result;
        result.reserve(holding.size() + m_unindexed.size());
        std::set_union(holding.begin(), holding.end(), m_unindexed.begin(), m_unindexed.end(),
                       std::back_inserter(result));
        result.erase(std::unique(result.begin(), result.end()), result.end());
        return result;
    }

private:
    static bool hasSurrogates(const QString &text)
    {
        return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isSurrogate(); });
    }
    static quint64 piece(const QString &text, qsizetype at)
    {
        return quint64(text[at].toCaseFolded().unicode()) << 32 | quint64(text[at + 1].toCaseFolded().unicode()) << 16 |
               quint64(text[at + 2].toCaseFolded().unicode());
    }

    std::unordered_map<quint64, std::vector<int>> m_records;
    std::vector<int> m_unindexed;
};

bool holds(const ContactRecord &record, const QString &query, Qt::CaseSensitivity cs)
{
    return (!record.Mobile.isEmpty() && record.Mobile.contains(query, cs)) ||
           (!record.Landline.isEmpty() && record.Landline.contains(query, cs));
}

// A query of digits and ASCII signs matches the same without regard to case as with it, and faster.
Qt::CaseSensitivity caseFor(const QString &query)
{
    const bool caseless =
        std::all_of(query.begin(), query.end(), [](QChar c) { return c.unicode() < 0x80 && !c.isLetter(); });
    return caseless ? Qt::CaseSensitive : Qt::CaseInsensitive;
}

} // namespace

int lineCount(const QString &text)
{
    return text.isEmpty() ? 0 : int(text.count(u"\r\n"_s)) + 1;
}

BatchFindResult batchFind(const ContactTable &table, const QString &lines)
{
    BatchFindResult result;
    std::vector<bool> isListed(std::size_t(table.upperIndex()) + 1, false);
    std::optional<NumberIndex> index;
    for (const QString &line : lines.split(u"\r\n"_s)) {
        const QString trimmed = trimSpaces(line);
        if (trimmed.isEmpty())
            continue;
        const QString query = trimmed.section(u' ', 0, 0); // "number name" lines search for the number
        int hits = 0;
        const Qt::CaseSensitivity cs = caseFor(query);
        const auto consider = [&](int record) {
            if (!holds(table[record], query, cs))
                return;
            ++hits;
            if (!isListed[std::size_t(record)]) {
                isListed[std::size_t(record)] = true;
                result.listed.push_back(record);
            }
        };
        if (!index && query.size() >= kPiece && table.upperIndex() > kIndexFromRecords)
            index.emplace(table);
        const std::optional<std::vector<int>> candidates = index ? index->candidates(query) : std::nullopt;
        if (candidates) {
            for (int record : *candidates)
                consider(record);
        } else {
            for (int record = 1; record <= table.upperIndex(); ++record)
                consider(record);
        }
        if (hits == 0)
            result.notFound << query;
    }
    return result;
}

} // namespace vecardia::tools
