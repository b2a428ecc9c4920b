// libFuzzer target for the GIF core: any bytes as a GIF file. Besides the sanitizers' findings it stops
// on broken promises: decoded pixels encode and decode to the same indices, and a written file read
// back writes the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "kit_gif_codec.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kitgif;
  File file;
  ReadGif(data, size, true, file);
  bool whole = !file.Frames.empty();
  for (const Frame& f : file.Frames) {
    whole = whole && !f.Truncated;
    const int depth = BmpDepthForBits(f.Bits);
    if (uint64_t(f.Width) * f.Height > (1u << 14) || depth == 0) continue;
    std::vector<uint8_t> px;
    const Result r = DecodeFrame(f.Encoded, f.Width, f.Height, f.Interlaced, depth, true, px);
    Check(px.size() == (f.Width && f.Height ? size_t(f.Width) * f.Height : 0));
    if (r.Error != GifError::None || px.empty()) continue;
    const std::string enc = EncodeFrame(px.data(), f.Width, f.Height, depth);
    std::vector<uint8_t> again;
    Check(DecodeFrame(enc, f.Width, f.Height, false, depth, false, again).Error == GifError::None);
    Check(again == px);
  }
  if (!whole) return 0;
  std::string once, twice;
  Check(WriteGif(file, once).Error == GifError::None);
  File back;
  Check(ReadGif(reinterpret_cast<const uint8_t*>(once.data()), once.size(), false, back).Error == GifError::None);
  Check(back.Frames.size() == file.Frames.size());
  Check(WriteGif(back, twice).Error == GifError::None);
  File third;
  ReadGif(reinterpret_cast<const uint8_t*>(twice.data()), twice.size(), false, third);
  std::string thrice;
  Check(WriteGif(third, thrice).Error == GifError::None);
  Check(thrice == twice);
  return 0;
}
