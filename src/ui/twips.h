#pragma once

#include <QRect>
#include <QString>
#include <QtMath>

namespace vecardia {

// Window layouts are given in twips: 15 twips are one pixel at 96 dots per inch. Qt's logical pixels already follow
// the screen's scale, so one twip is a fifteenth of a logical pixel.
constexpr int twips(int t)
{
    return (t + 7) / 15;
}

inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twips(left), twips(top), twips(width), twips(height));
}

// Names a control and puts it where the layout says.
template<typename W>
W *place(W *widget, const QString &name, const QRect &geometry)
{
    widget->setObjectName(name);
    widget->setGeometry(geometry);
    return widget;
}

} // namespace vecardia
