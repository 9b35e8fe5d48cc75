// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

class QIODevice;

namespace vecardia {

class Prompter;

// A picture as the photo box shows it: drawn over white (transparent parts show white), at most as large as the
// room it is shown in, and the size the picture itself has, which decides whether a picture counts as shown.
struct Picture {
    QImage image;
    QSize naturalSize;
};

// Pictures of at least this many megapixels load, as phones take them; a file that claims more is refused before
// anything is allocated for it.
inline constexpr int kLargestPictureMegapixels = 100;

// Decodes a GIF, JPEG, BMP, PNG or TIFF picture (judged by its content, not its name), decoding at the size of
// `room` where the format allows it. Nothing for anything else.
[[nodiscard]] std::optional<Picture> loadPicture(QIODevice &device, QSize room);
[[nodiscard]] std::optional<Picture> loadPicture(const QByteArray &bytes, QSize room);

// The picture of a file at its natural size, drawn over white; a null image for anything that is not a picture.
[[nodiscard]] QImage LoadPictureGDIPlus(const QString &path);

// The Base64 text of the whole file, for storing as a photo; false when the file cannot be read or is empty.
[[nodiscard]] bool EncodePictureFile(const QString &path, QString &photo);

// The filter of the picture dialogs.
[[nodiscard]] QString pictureFilter();

// "载入图片": asks for a picture file and decodes it for a box with `room`. Nothing when the user cancelled or the
// file is no picture (the caller then changes nothing); the file and its picture otherwise.
struct ChosenPicture {
    QString file;
    Picture picture;
};
[[nodiscard]] std::optional<ChosenPicture> choosePicture(Prompter &prompter, QSize room);

} // namespace vecardia
