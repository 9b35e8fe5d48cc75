#pragma once

#include <QImage>
#include <QString>

namespace vecardia {

class PhotoBox;
class Prompter;

// Loads a GIF, JPEG, BMP, PNG or TIFF file (judged by its content, not its name) at its natural size, drawn over
// white so that transparent parts show white. A null image for anything else.
[[nodiscard]] QImage LoadPictureGDIPlus(const QString &path);

// The Base64 text of the whole file, for storing as a photo; false when the file cannot be read or is empty.
[[nodiscard]] bool EncodePictureFile(const QString &path, QString &photo);

// The filter of the picture dialogs.
[[nodiscard]] QString pictureFilter();

// "载入图片": asks for a picture file and shows it in the box. Returns the file when a picture is shown; on a
// cancelled dialog nothing changes, and a file that is no picture leaves the box empty at its old size.
[[nodiscard]] QString choosePicture(Prompter &prompter, PhotoBox &box);

} // namespace vecardia
