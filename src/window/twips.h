// SPDX-License-Identifier: MIT
#pragma once

#include <QRect>
#include <QSize>

namespace pixolan {

// The window was laid out in twips (1/1440 inch). On screen 15 twips make one logical pixel,
// which is 96 pixels an inch.
constexpr int kTwipsPerPixel = 15;

constexpr int TwipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

constexpr QSize TwipsSize(int width, int height)
{
    return QSize(TwipsToPixels(width), TwipsToPixels(height));
}

constexpr QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width),
                 TwipsToPixels(height));
}

} // namespace pixolan
