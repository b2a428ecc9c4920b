#pragma once
// The icon and cursor file image without any window system: the directory, each image's
// device-independent bitmap checked and decoded to pixels and mask, and a writer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace iconfile {

struct IconImage {
  int Width = 0, Height = 0;
  int Bits = 0;        // of the image's pixels (from the bitmap header; the directory's for PNG)
  int ColorCount = 0;  // the directory entry's byte
  uint16_t HotX = 0, HotY = 0;  // cursors only
  bool IsPng = false;
  std::string Raw;                // the image's bytes as stored (bitmap header onwards, or the PNG)
  std::vector<uint32_t> Pixels;   // 0xAARRGGBB, rows from the top; empty for PNG
  std::vector<uint8_t> Mask;      // 1 = transparent, rows from the top; empty for PNG
};

struct IconFile {
  uint16_t Type = 1;  // 1 icon, 2 cursor
  std::vector<IconImage> Images;
};

// Largest width or height of an image taken.
constexpr int MaxIconSide = 1024;

// False for anything but a well-formed icon or cursor file with at least one image.
bool ReadIconFile(const uint8_t* data, size_t size, IconFile& file);

// A 32-bit image (alpha kept) with its mask, as stored in a file.
std::string MakeDib32(int width, int height, const std::vector<uint32_t>& pixels, const std::vector<uint8_t>& mask);

// Writes each image's Raw bytes under a directory of the file's type.
std::string WriteIconFile(const IconFile& file);

// Colours of a bit depth: 2, 16, 256, ... saturated at 65535.
uint16_t ColorCountOfBits(int bits);

}  // namespace iconfile
