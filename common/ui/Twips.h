#pragma once

#include <QRect>
#include <QtGlobal>

// Layouts are given in twips: 15 to a pixel at 96 dots per inch. Qt's
// device-independent pixels already follow the screen's logical DPI.
constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height));
}
