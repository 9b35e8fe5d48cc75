#pragma once

#include <QRect>
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

} // namespace vecardia
