#pragma once
// In-place pixel operations that derive skin images from the images a skin package supplies: grey (disabled)
// images, the mirrored combo box button, and vertical scroll bar and track bar images made from horizontal ones.
// Each operation first converts the image to 24 bits per pixel itself (palette and alpha dropped, see
// TImageBuffer::ConvertTo24Bit), so a caller can never hand it an image in the wrong format.
// An empty image stays empty. Portable: no platform headers here.

#include "skin/data/ImageBuffer.h"

namespace qd {

// Every pixel's three channels become (blue + green + red) / 3, truncated.
void MakeGrayscale(TImageBuffer& bitmap);
// New pixel (x, y) = old pixel (width - 1 - x, y).
void MirrorHorizontal(TImageBuffer& bitmap);
// New row y = old row (height - 1 - y).
void FlipVertical(TImageBuffer& bitmap);
// 90 degrees counter-clockwise; the result is height x width and new pixel (x, y) = old pixel (width - 1 - y, x).
void RotateCounterClockwise(TImageBuffer& bitmap);
// 90 degrees clockwise; the result is height x width and new pixel (x, y) = old pixel (y, height - 1 - x).
void RotateClockwise(TImageBuffer& bitmap);

}  // namespace qd
