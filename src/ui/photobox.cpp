// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/photobox.h"

#include <QPixmap>

namespace vecardia {

PhotoBox::PhotoBox(QWidget *parent) : QLabel(parent)
{
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PhotoBox::showPicture(const Picture &picture)
{
    m_picture = picture.image;
    m_boxSize = picture.naturalSize;
    relayout();
}

void PhotoBox::removePicture(bool alsoSize)
{
    m_picture = QImage();
    if (alsoSize)
        m_boxSize = QSize(0, 0);
    relayout();
}

void PhotoBox::setBoxSize(const QSize &size)
{
    m_boxSize = size;
    relayout();
}

void PhotoBox::setRoom(const QRect &room)
{
    m_room = room;
    relayout();
}

void PhotoBox::relayout()
{
    const QSize shown = m_boxSize.boundedTo(m_room.size());
    setGeometry(QRect(m_room.topLeft(), shown));
    if (m_picture.isNull()) {
        clear();
        return;
    }
    QPixmap pixmap = QPixmap::fromImage(m_picture);
    if (pixmap.width() > shown.width() || pixmap.height() > shown.height())
        pixmap = pixmap.scaled(shown, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(pixmap);
}

} // namespace vecardia
