#pragma once
// Builds GIF files for tests and fuzz seeds with an LZW of its own: every pixel a literal code and a
// clear code before the code width would grow. Shares nothing with the program's coder.
#include <cstdint>
#include <string>
#include <vector>

namespace giftest {

struct Color {
  uint8_t R, G, B;
};

struct FrameRecipe {
  uint16_t Left = 0, Top = 0, Width = 1, Height = 1;
  bool Interlaced = false;
  std::vector<Color> LocalTable;  // empty: none; its size must be a power of 2
  std::vector<uint8_t> Pixels;    // one index per pixel, rows from the top
  int CodeSize = 2;
  int ClearEvery = 0;       // literals between clears; 0: as many as the width allows
  bool EndCode = true;
  bool GraphicControl = false;
  uint8_t GcPacked = 0;
  uint16_t Delay = 0;
  uint8_t TransparentIndex = 0;
  std::vector<std::string> Comments;  // comment blocks before the frame, one sub-block each
  bool PlainTextBefore = false;       // a plain-text block before the frame (after the above)
  bool OtherApplicationBefore = false;
};

struct GifRecipe {
  std::string Signature = "GIF89a";
  uint16_t Width = 1, Height = 1;
  std::vector<Color> GlobalTable;  // empty: none
  uint8_t Background = 0;
  int LoopCount = -1;  // -1: no loop block
  std::vector<FrameRecipe> Frames;
  std::vector<std::string> TrailingComments;
  bool Trailer = true;
};

std::string BuildGif(const GifRecipe& recipe);

// Code size byte, sub-blocks and the empty block for pixels in the order they are stored.
std::string LiteralLzw(const std::vector<uint8_t>& pixels, int codeSize, int clearEvery = 0, bool endCode = true);

// The rows of an interlaced frame in the order they are stored.
std::vector<int> InterlacedRowOrder(int height);

// A table of n greys, or of n distinct colours.
std::vector<Color> GreyTable(int n);

}  // namespace giftest
