// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/photoloader.h"

#include "encoding/base64.h"
#include "ui/prompter.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QPainter>

namespace vecardia {

namespace {

// The decoder's allocation limit, in MiB: what the largest picture takes at 32 bits a pixel, and no more.
constexpr int kAllocationLimitMb = (kLargestPictureMegapixels * 1'000'000LL * 4 + (1 << 20) - 1) >> 20;

QImage overWhite(const QImage &image)
{
    QImage drawn(image.size(), QImage::Format_RGB32);
    drawn.fill(Qt::white);
    QPainter painter(&drawn);
    painter.drawImage(0, 0, image);
    return drawn;
}

} // namespace

std::optional<Picture> loadPicture(QIODevice &device, QSize room)
{
    QImageReader reader(&device);
    reader.setDecideFormatFromContent(true);
    reader.setAllocationLimit(kAllocationLimitMb);
    static const QList<QByteArray> pictures = {"gif", "jpeg", "jpg", "bmp", "png", "tif", "tiff"};
    if (!pictures.contains(reader.format().toLower()))
        return std::nullopt;
    const QSize natural = reader.size();
    if (natural.isValid() && room.isValid() && !room.isEmpty() &&
        (natural.width() > room.width() || natural.height() > room.height()) &&
        reader.supportsOption(QImageIOHandler::ScaledSize))
        reader.setScaledSize(natural.scaled(room, Qt::KeepAspectRatio)); // JPEG decodes straight at that size
    QImage image = reader.read();
    if (image.isNull())
        return std::nullopt;
    if (room.isValid() && !room.isEmpty() && (image.width() > room.width() || image.height() > room.height()))
        image = image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return Picture{overWhite(image), natural.isValid() ? natural : image.size()};
}

std::optional<Picture> loadPicture(const QByteArray &bytes, QSize room)
{
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    return loadPicture(buffer, room);
}

QImage LoadPictureGDIPlus(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const std::optional<Picture> picture = loadPicture(file, {});
    return picture ? picture->image : QImage();
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

std::optional<ChosenPicture> choosePicture(Prompter &prompter, QSize room)
{
    const QStringList files = prompter.openFiles({.filter = pictureFilter()});
    if (files.isEmpty())
        return std::nullopt;
    QFile file(files.first());
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    std::optional<Picture> picture = loadPicture(file, room);
    if (!picture)
        return std::nullopt;
    return ChosenPicture{files.first(), std::move(*picture)};
}

} // namespace vecardia
