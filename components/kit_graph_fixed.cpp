// The fixed-palette mappings: grayscale, the two truncations and the tripel ramps.
#include <cstdlib>

#include "kit_graph_mapping.h"

namespace {

template <class Index>
void MapEach(const uint8_t* src, int width, int height, TMappedImage& out, Index index) {
  int s = Row24(width), d = Row8(width);
  out.Indices.assign(size_t(d) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = src + size_t(y) * s;
    uint8_t* q = out.Indices.data() + size_t(y) * d;
    for (int x = 0; x < width; ++x, p += 3) q[x] = uint8_t(index(x, y, p[2], p[1], p[0]));
  }
}

// Nearest level for every channel value (the lower level on a tie).
struct LevelTable {
  uint8_t Index[256];
  LevelTable(const int* levels, int count) {
    for (int v = 0; v < 256; ++v) {
      int best = 0;
      for (int i = 1; i < count; ++i)
        if (std::abs(levels[i] - v) < std::abs(levels[best] - v)) best = i;
      Index[v] = uint8_t(best);
    }
  }
};

const int kRed7[] = {0, 43, 85, 128, 170, 213, 255};
const int kGreen8[] = {0, 36, 73, 109, 146, 182, 219, 255};
const int kBlue4[] = {0, 85, 170, 255};
const int kSix[] = {0, 51, 102, 153, 204, 255};
const LevelTable gRed7(kRed7, 7), gGreen8(kGreen8, 8), gBlue4(kBlue4, 4), gSix(kSix, 6);

void FillUnused(TMappedImage& out, int used) {
  for (int i = used; i < 256; ++i) out.Palette[i] = RGBQUAD{128, 128, 128, 128};
  out.ImportantColors = uint32_t(used);
}

}  // namespace

void MapGrayscale(const uint8_t* src, int width, int height, TMappedImage& out) {
  for (int i = 0; i < 256; ++i) out.Palette[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  MapEach(src, width, height, out, [](int, int, int r, int g, int b) { return (77 * r + 150 * g + 29 * b) >> 8; });
}

void MapTruncation784(const uint8_t* src, int width, int height, TMappedImage& out) {
  for (int r = 0; r < 7; ++r)
    for (int g = 0; g < 8; ++g)
      for (int b = 0; b < 4; ++b)
        out.Palette[(r * 8 + g) * 4 + b] = RGBQUAD{uint8_t(kBlue4[b]), uint8_t(kGreen8[g]), uint8_t(kRed7[r]), 0};
  FillUnused(out, 224);
  MapEach(src, width, height, out, [](int, int, int r, int g, int b) {
    return (gRed7.Index[r] * 8 + gGreen8.Index[g]) * 4 + gBlue4.Index[b];
  });
}

void MapTruncation666(const uint8_t* src, int width, int height, TMappedImage& out) {
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        out.Palette[(r * 6 + g) * 6 + b] = RGBQUAD{uint8_t(kSix[b]), uint8_t(kSix[g]), uint8_t(kSix[r]), 0};
  FillUnused(out, 216);
  MapEach(src, width, height, out, [](int, int, int r, int g, int b) {
    return (gSix.Index[r] * 6 + gSix.Index[g]) * 6 + gSix.Index[b];
  });
}

void MapTripel(const uint8_t* src, int width, int height, TMappedImage& out) {
  for (int i = 0; i < 64; ++i) {
    out.Palette[i] = RGBQUAD{0, 0, uint8_t(4 * i), 0};
    out.Palette[64 + i] = RGBQUAD{0, uint8_t(4 * i), 0, 0};
    out.Palette[128 + i] = RGBQUAD{uint8_t(4 * i), 0, 0, 0};
  }
  MapEach(src, width, height, out, [](int x, int y, int r, int g, int b) {
    switch ((x + y) % 3) {
      case 0: return r >> 2;
      case 1: return 64 + (g >> 2);
      default: return 128 + (b >> 2);
    }
  });
}
