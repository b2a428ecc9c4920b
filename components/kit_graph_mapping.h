#pragma once
// The colour mapping methods of KitGraph: 24-bit rows (bottom-up, padded to 4) to 8-bit indices.
#include <windows.h>

#include <cstdint>
#include <vector>

struct TMappedImage {
  RGBQUAD Palette[256];
  uint32_t ImportantColors = 0;
  std::vector<uint8_t> Indices;  // width bytes per row, padded to 4
};

// Each fills Palette and Indices from the 24-bit source.
void MapGrayscale(const uint8_t* src, int width, int height, TMappedImage& out);
void MapTruncation784(const uint8_t* src, int width, int height, TMappedImage& out);
void MapTruncation666(const uint8_t* src, int width, int height, TMappedImage& out);
void MapTripel(const uint8_t* src, int width, int height, TMappedImage& out);
void MapHistogram(const uint8_t* src, int width, int height, TMappedImage& out);
void MapQuantize(const uint8_t* src, int width, int height, TMappedImage& out);

inline int Row24(int width) { return ((width * 24 + 31) / 32) * 4; }
inline int Row8(int width) { return ((width * 8 + 31) / 32) * 4; }
