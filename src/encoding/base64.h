// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>

namespace vecardia {

// Encodes picture files for storing as a contact's photo: standard Base64, one unbroken line.
class clsB64 {
public:
    clsB64();

    // The whole file; false when it is missing, unreadable or empty.
    [[nodiscard]] bool Load(const QString &strPathName, QByteArray &pbArrayOutput) const;
    void Encode(const QByteArray &pbArrayInput, QByteArray &pbArrayOutput) const;
    // Bytes to text through the system code page (GBK here); Base64 output is ASCII and comes through unchanged.
    void ByteArrayToString(const QByteArray &pbArrayInput, QString &strOut) const;

private:
    std::array<char, 64> m_table{};
};

// Decodes a stored photo. Everything from the first "=" on is ignored; no white space is allowed before it.
// Returns nothing for an empty text, a length that leaves one character over, or a character outside the alphabet.
[[nodiscard]] QByteArray Base64Decode(QStringView text);
[[nodiscard]] QByteArray Base64Decode(QByteArrayView text);

} // namespace vecardia
