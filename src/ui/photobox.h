// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/photoloader.h"

#include <QImage>
#include <QLabel>

namespace vecardia {

// The photo box of the editor panel and of the add-contact dialog. Like a picture box it takes the size of the
// picture it shows; "a picture is shown" means that size is more than one pixel each way. A picture larger than
// the room the box has is shown scaled down to fit, but the box keeps the picture's own size for that test.
class PhotoBox final : public QLabel {
    Q_OBJECT

public:
    explicit PhotoBox(QWidget *parent = nullptr);

    // The box takes the picture's own size.
    void showPicture(const Picture &picture);
    void showPicture(const QImage &picture) { showPicture(Picture{picture, picture.size()}); }
    // No picture; the box keeps its size unless told otherwise.
    void removePicture(bool alsoSize);
    void setBoxSize(const QSize &size);

    [[nodiscard]] QSize boxSize() const { return m_boxSize; }
    [[nodiscard]] bool isPictureShown() const { return m_boxSize.width() > 1 && m_boxSize.height() > 1; }
    [[nodiscard]] bool hasPicture() const { return !m_picture.isNull(); }
    [[nodiscard]] const QImage &picture() const { return m_picture; }

    // The space the box may use inside its frame.
    void setRoom(const QRect &room);
    [[nodiscard]] QSize room() const { return m_room.size(); }

private:
    void relayout();

    QImage m_picture;
    QSize m_boxSize;
    QRect m_room;
};

} // namespace vecardia
