#pragma once

#include <QString>
#include <QStringView>

namespace vecardia {

// A picture loaded in this program is stored with these parameters, whatever its real format: the stored photo is
// always the file's own bytes.
inline constexpr QStringView kStoredPhotoParameters = u"ENCODING=B;TYPE=PNG:";

[[nodiscard]] inline QString storedPhoto(const QString &base64)
{
    return kStoredPhotoParameters.toString() + base64;
}

// The Base64 data of a stored photo: the text after its first colon (the parameters dropped), or all of it.
[[nodiscard]] inline QStringView photoData(QStringView photo)
{
    const qsizetype colon = photo.indexOf(u':');
    return colon >= 0 ? photo.sliced(colon + 1) : photo;
}

} // namespace vecardia
