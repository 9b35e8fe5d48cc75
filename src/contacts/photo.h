// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace vecardia {

// A picture loaded in this program is stored with these parameters, whatever its real format: the stored photo is
// always the file's own bytes.
inline constexpr QByteArrayView kStoredPhotoParameters = "ENCODING=B;TYPE=PNG:";

[[nodiscard]] inline QByteArray storedPhoto(QByteArrayView base64)
{
    return kStoredPhotoParameters.toByteArray().append(base64);
}

// The Base64 data of a stored photo: the text after its first colon (the parameters dropped), or all of it.
[[nodiscard]] inline QByteArrayView photoData(QByteArrayView photo)
{
    const qsizetype colon = photo.indexOf(':');
    return colon >= 0 ? photo.sliced(colon + 1) : photo;
}

} // namespace vecardia
