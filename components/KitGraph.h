#pragma once
// Changes a bitmap's pixel format, reducing its colours by a chosen method, by writing it out as an
// in-memory BMP file image in the new format and loading it back.
#include <cstdint>
#include <memory>

#include "bitmap.h"
#include "streams.h"

enum TMappingMethod : uint8_t { mmHistogram, mmQuantize, mmTrunc784, mmTrunc666, mmTripel, mmGrayscale };

// The method StreamForColorCount uses; the histogram at start.
extern TMappingMethod DefaultMappingMethod;

// To 8 bits with the grayscale method.
void GrayscaleBitmap(ui::TBitmap& bitmap);
// Nothing for an empty bitmap or one already in that format; a refused format leaves the bitmap as it was.
void ChangePixelFormat(ui::TBitmap& bitmap, ui::TPixelFormat format, TMappingMethod method);
// A new stream positioned at 0. An empty bitmap raises EInvalidGraphic; a format other than 1, 4, 8 or
// 24 bits shows the "not implemented" box and aborts silently.
std::unique_ptr<ui::TMemoryStream> BitmapToBmpStream(ui::TBitmap& bitmap, ui::TPixelFormat format,
                                                     TMappingMethod method);
std::unique_ptr<ui::TMemoryStream> StreamForColorCount(ui::TBitmap& bitmap, int colorCount);
ui::TPixelFormat PixelFormatOf(ui::TBitmap& bitmap);
