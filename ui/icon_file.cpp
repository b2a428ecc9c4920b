#include "icon_file.h"

#include <cstring>

namespace iconfile {

namespace {

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void Put16(std::string& out, uint16_t v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char(v >> 8));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, uint16_t(v & 0xFFFF));
  Put16(out, uint16_t(v >> 16));
}

uint64_t RowBytes(uint64_t width, uint64_t bits) { return (width * bits + 31) / 32 * 4; }

// The image's bitmap header, palette, colour rows and mask rows, each checked against its bytes.
bool DecodeDib(const uint8_t* p, size_t size, IconImage& image) {
  if (size < 40) return false;
  const uint32_t headerSize = Get32(p);
  const int32_t width = int32_t(Get32(p + 4));
  const int32_t doubleHeight = int32_t(Get32(p + 8));
  const uint16_t planes = Get16(p + 12);
  const uint16_t bits = Get16(p + 14);
  const uint32_t compression = Get32(p + 16);
  const uint32_t used = Get32(p + 32);
  if (headerSize < 40 || headerSize > size || planes != 1 || compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  if (width <= 0 || width > MaxIconSide || doubleHeight <= 0 || doubleHeight % 2 != 0 ||
      doubleHeight / 2 > MaxIconSide)
    return false;
  const int height = doubleHeight / 2;
  uint64_t paletteCount = 0;
  if (bits <= 8) {
    paletteCount = used ? used : (1u << bits);
    if (paletteCount > (1u << bits)) return false;
  }
  const uint64_t paletteAt = headerSize;
  const uint64_t colorAt = paletteAt + paletteCount * 4;
  const uint64_t colorRow = RowBytes(uint64_t(width), bits);
  const uint64_t maskAt = colorAt + colorRow * uint64_t(height);
  const uint64_t maskRow = RowBytes(uint64_t(width), 1);
  if (maskAt + maskRow * uint64_t(height) > size) return false;

  image.Width = width;
  image.Height = height;
  image.Bits = bits;
  image.Pixels.assign(size_t(width) * size_t(height), 0);
  image.Mask.assign(size_t(width) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = p + colorAt + colorRow * uint64_t(height - 1 - y);
    const uint8_t* mrow = p + maskAt + maskRow * uint64_t(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      uint32_t argb = 0;
      if (bits <= 8) {
        const int perByte = 8 / bits;
        const int shift = 8 - bits * (x % perByte + 1);
        const uint32_t index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
        if (index < paletteCount) {
          const uint8_t* q = p + paletteAt + index * 4;
          argb = 0xFF000000u | uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
        }
      } else if (bits == 16) {
        const uint16_t v = Get16(row + x * 2);
        const uint32_t r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
        argb = 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
      } else if (bits == 24) {
        const uint8_t* q = row + x * 3;
        argb = 0xFF000000u | uint32_t(q[2]) << 16 | uint32_t(q[1]) << 8 | q[0];
      } else {
        argb = Get32(row + x * 4);
      }
      const size_t at = size_t(y) * size_t(width) + size_t(x);
      image.Pixels[at] = argb;
      image.Mask[at] = uint8_t((mrow[x / 8] >> (7 - x % 8)) & 1);
    }
  }
  return true;
}

}  // namespace

bool ReadIconFile(const uint8_t* data, size_t size, IconFile& file) {
  file = IconFile();
  if (size < 6 || Get16(data) != 0) return false;
  const uint16_t type = Get16(data + 2), count = Get16(data + 4);
  if ((type != 1 && type != 2) || count == 0) return false;
  if (6 + uint64_t(count) * 16 > size) return false;
  file.Type = type;
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + size_t(i) * 16;
    const uint32_t bytes = Get32(e + 8), offset = Get32(e + 12);
    if (uint64_t(offset) + bytes > size || bytes == 0) return false;
    IconImage image;
    image.ColorCount = e[2];
    if (type == 2) {
      image.HotX = Get16(e + 4);
      image.HotY = Get16(e + 6);
    }
    const uint8_t* p = data + offset;
    image.Raw.assign(reinterpret_cast<const char*>(p), bytes);
    if (bytes >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) {
      image.IsPng = true;
      image.Width = e[0] ? e[0] : 256;
      image.Height = e[1] ? e[1] : 256;
      image.Bits = type == 1 ? Get16(e + 6) : 32;
    } else if (!DecodeDib(p, bytes, image)) {
      return false;
    }
    file.Images.push_back(std::move(image));
  }
  return true;
}

std::string MakeDib32(int width, int height, const std::vector<uint32_t>& pixels, const std::vector<uint8_t>& mask) {
  std::string out;
  const uint32_t maskRow = uint32_t(RowBytes(uint64_t(width), 1));
  Put32(out, 40);
  Put32(out, uint32_t(width));
  Put32(out, uint32_t(height * 2));
  Put16(out, 1);
  Put16(out, 32);
  Put32(out, 0);
  Put32(out, uint32_t(width * height * 4) + maskRow * uint32_t(height));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  for (int y = height - 1; y >= 0; --y)
    for (int x = 0; x < width; ++x) Put32(out, pixels[size_t(y) * size_t(width) + size_t(x)]);
  for (int y = height - 1; y >= 0; --y) {
    std::string row(maskRow, '\0');
    for (int x = 0; x < width; ++x)
      if (mask[size_t(y) * size_t(width) + size_t(x)]) row[size_t(x / 8)] = char(row[size_t(x / 8)] | 0x80 >> (x % 8));
    out += row;
  }
  return out;
}

std::string WriteIconFile(const IconFile& file) {
  std::string out;
  Put16(out, 0);
  Put16(out, file.Type);
  Put16(out, uint16_t(file.Images.size()));
  uint32_t offset = uint32_t(6 + 16 * file.Images.size());
  for (const IconImage& image : file.Images) {
    out.push_back(char(image.Width >= 256 ? 0 : image.Width));
    out.push_back(char(image.Height >= 256 ? 0 : image.Height));
    out.push_back(char(image.Bits < 8 ? ColorCountOfBits(image.Bits) : 0));
    out.push_back('\0');
    Put16(out, file.Type == 2 ? image.HotX : 1);
    Put16(out, file.Type == 2 ? image.HotY : uint16_t(image.Bits));
    Put32(out, uint32_t(image.Raw.size()));
    Put32(out, offset);
    offset += uint32_t(image.Raw.size());
  }
  for (const IconImage& image : file.Images) out += image.Raw;
  return out;
}

uint16_t ColorCountOfBits(int bits) {
  if (bits <= 0) return 0;
  if (bits >= 16) return 65535;
  return uint16_t((1u << bits) > 65535 ? 65535 : (1u << bits));
}

}  // namespace iconfile
