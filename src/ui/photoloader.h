#pragma once

#include <QImage>
#include <QString>

namespace vecardia {

// Loads a GIF, JPEG, BMP, PNG or TIFF file (judged by its content, not its name) at its natural size, drawn over
// white so that transparent parts show white. A null image for anything else.
[[nodiscard]] QImage LoadPictureGDIPlus(const QString &path);

// The Base64 text of the whole file, for storing as a photo; false when the file cannot be read or is empty.
[[nodiscard]] bool EncodePictureFile(const QString &path, QString &photo);

} // namespace vecardia
