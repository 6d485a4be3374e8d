// Window layouts are designed in twips, 15 to a pixel at 96 dots per inch.
#pragma once

#include <QRect>

namespace Twips {

constexpr int kPerPixel = 15;

constexpr int toPixels(int twips) {
    return (twips + kPerPixel / 2) / kPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace Twips
