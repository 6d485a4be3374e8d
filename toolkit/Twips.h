// Window layouts are designed in twips, 15 to a pixel at 96 dots per inch.
#pragma once

#include <QRect>

namespace Twips {

constexpr int kPerPixel = 15;

// To the nearest pixel, halves away from zero: a place left of or above the
// window's edge (negative twips) rounds like its mirror image on the right.
constexpr int toPixels(int twips) {
    return twips < 0 ? -((-twips + kPerPixel / 2) / kPerPixel)
                     : (twips + kPerPixel / 2) / kPerPixel;
}

constexpr QRect rect(int left, int top, int width, int height) {
    return {toPixels(left), toPixels(top), toPixels(width), toPixels(height)};
}

} // namespace Twips
