#include "ui/photoloader.h"

#include "encoding/base64.h"
#include "ui/photobox.h"
#include "ui/prompter.h"

#include <QImageReader>
#include <QPainter>

namespace vecardia {

QImage LoadPictureGDIPlus(const QString &path)
{
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    static const QList<QByteArray> pictures = {"gif", "jpeg", "jpg", "bmp", "png", "tif", "tiff"};
    if (!pictures.contains(reader.format().toLower()))
        return {};
    const QImage image = reader.read();
    if (image.isNull())
        return {};
    QImage drawn(image.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    painter.drawImage(0, 0, image);
    return drawn;
}

bool EncodePictureFile(const QString &path, QString &photo)
{
    const clsB64 b64;
    QByteArray bytes, encoded;
    if (!b64.Load(path, bytes))
        return false;
    b64.Encode(bytes, encoded);
    b64.ByteArrayToString(encoded, photo);
    return true;
}

QString pictureFilter()
{
    // One filter entry whose caption is its own pattern list.
    const QString patterns = QStringLiteral("*.gif; *.jpg; *.jpeg; *.jpe; *.bmp; *.png; *.tif; *.tiff");
    return patterns + u'|' + patterns;
}

QString choosePicture(Prompter &prompter, PhotoBox &box)
{
    const QStringList files = prompter.openFiles({.filter = pictureFilter()});
    if (files.isEmpty())
        return {};
    box.removePicture(false);
    const QImage picture = LoadPictureGDIPlus(files.first());
    if (picture.isNull())
        return {};
    box.showPicture(picture);
    return files.first();
}

} // namespace vecardia
