#pragma once
// Builds icon, cursor and animated cursor files for tests and fuzz seeds, without any window system.
#include <cstdint>
#include <string>
#include <vector>

namespace icontest {

struct ImageRecipe {
  int Width = 16, Height = 16;
  int Bits = 4;  // 1, 4, 8, 16, 24 or 32
  uint16_t HotX = 0, HotY = 0;
};

// The colour the builder gives pixel (x, y) of an image, as 0xAARRGGBB (alpha 0xFF below 32 bits).
uint32_t PixelOf(const ImageRecipe& image, int x, int y);
// Whether the builder's mask makes pixel (x, y) transparent.
bool MaskOf(const ImageRecipe& image, int x, int y);

// type 1 icon, 2 cursor.
std::string BuildIconFile(int type, const std::vector<ImageRecipe>& images);

struct AniRecipe {
  uint32_t Frames = 2, Steps = 2, Rate = 10, Flags = 1;
  uint32_t HeaderSize = 36;        // bytes of the "anih" chunk
  std::vector<uint32_t> Rates;     // one "rate" chunk of all values when not empty
  std::vector<uint32_t> Sequence;  // one "seq " chunk of all values when not empty
  std::vector<std::string> Icons;  // the "icon" sub-chunks of the "fram" list
  std::string Title, Creator;      // "INFO" list when either is set
  bool OtherChunk = true;          // an unknown chunk of odd length before the frames
};

std::string BuildAniFile(const AniRecipe& recipe);

}  // namespace icontest
