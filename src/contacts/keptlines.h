#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// The lines a record keeps of its card (ContactRecord::Kept): vCard 3.0 property lines, each ended by a line feed.
// One of them may be the card's own N line, which the writer writes in place of the N it would build from the
// name, as long as the name is the one the card had: a rename drops it.
namespace vecardia::kept {

[[nodiscard]] QStringList lines(const QString &kept);

// Whether a kept line is an N line with a value ("N:…", "N;…:…", "item1.N:…").
[[nodiscard]] bool isNameLine(QStringView line);

// The kept N line (without its line feed), or nothing.
[[nodiscard]] QStringView nameLine(const QString &kept);

// The kept lines without the N line.
[[nodiscard]] QString withoutNameLine(const QString &kept);

} // namespace vecardia::kept
