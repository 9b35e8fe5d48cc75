// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace vecardia {

class ContactTable;

namespace tools {

struct BatchFindResult {
    std::vector<int> listed; // the records found, query by query, each once
    QStringList notFound;    // the queries that found nothing, in input order
};

// The batch find: one query per line (lines end at CR LF; the text before the first space of the trimmed line),
// every record whose mobile or landline contains a query (case ignored) listed once, query by query.
[[nodiscard]] BatchFindResult batchFind(const ContactTable &table, const QString &lines);

// Lines of a text box as the batch find counts them: pieces between CR LF, 0 for an empty text.
[[nodiscard]] int lineCount(const QString &text);

} // namespace tools
} // namespace vecardia
