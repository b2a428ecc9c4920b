#include "ico_writer.h"

#include <cstdio>
#include <vector>

namespace testsupport {

namespace {
void Put16(std::vector<uint8_t>& b, uint16_t v) {
  b.push_back(uint8_t(v));
  b.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, uint16_t(v));
  Put16(b, uint16_t(v >> 16));
}
}  // namespace

bool WriteIcoFile(const std::string& path, int size, const std::function<int32_t(int x, int y)>& pixel) {
  const int colorStride = ((size * 24 + 31) / 32) * 4;
  const int maskStride = ((size + 31) / 32) * 4;
  std::vector<uint8_t> image;
  // BITMAPINFOHEADER with the doubled height of an icon image (colour rows, then mask rows).
  Put32(image, 40);
  Put32(image, uint32_t(size));
  Put32(image, uint32_t(size * 2));
  Put16(image, 1);
  Put16(image, 24);
  Put32(image, 0);
  Put32(image, uint32_t((colorStride + maskStride) * size));
  for (int i = 0; i < 4; ++i) Put32(image, 0);
  std::vector<uint8_t> color(size_t(colorStride) * size, 0), mask(size_t(maskStride) * size, 0);
  for (int y = 0; y < size; ++y) {
    int row = size - 1 - y;  // rows are stored bottom-up
    for (int x = 0; x < size; ++x) {
      int32_t c = pixel(x, y);
      uint8_t* p = &color[size_t(row) * colorStride + size_t(x) * 3];
      if (c < 0) {
        mask[size_t(row) * maskStride + size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
        continue;
      }
      p[0] = uint8_t(c >> 16);  // blue
      p[1] = uint8_t(c >> 8);   // green
      p[2] = uint8_t(c);        // red
    }
  }
  image.insert(image.end(), color.begin(), color.end());
  image.insert(image.end(), mask.begin(), mask.end());

  std::vector<uint8_t> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, 1);
  file.push_back(uint8_t(size >= 256 ? 0 : size));
  file.push_back(uint8_t(size >= 256 ? 0 : size));
  file.push_back(0);
  file.push_back(0);
  Put16(file, 1);
  Put16(file, 24);
  Put32(file, uint32_t(image.size()));
  Put32(file, 6 + 16);
  file.insert(file.end(), image.begin(), image.end());

  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(file.data(), 1, file.size(), f) == file.size();
  return std::fclose(f) == 0 && ok;
}

bool WriteSolidIcoFile(const std::string& path, int size, uint32_t colorBGR) {
  return WriteIcoFile(path, size, [size, colorBGR](int x, int y) -> int32_t {
    if (x == 0 || y == 0 || x == size - 1 || y == size - 1) return -1;
    return int32_t(colorBGR & 0xFFFFFF);
  });
}

}  // namespace testsupport
