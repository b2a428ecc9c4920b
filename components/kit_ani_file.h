#pragma once
// The animated cursor file (RIFF "ACON") without any window system: header, rates, sequence,
// texts and the icon file image of each frame.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kitani {

#pragma pack(push, 1)
struct AniHeader {
  uint32_t cbSizeOf = 0;
  uint32_t cFrames = 0;
  uint32_t cSteps = 0;
  uint32_t cx = 0, cy = 0;
  uint32_t cBitCount = 0;
  uint32_t cPlanes = 0;
  uint32_t JifRate = 0;
  uint32_t Flags = 0;
};
#pragma pack(pop)
static_assert(sizeof(AniHeader) == 36, "anih is 36 bytes");

struct AniFrame {
  std::string Icon;     // the icon file image, a cursor's directory type set to icon
  bool HasIcon = false;
  bool IsIcon = false;  // its sub-chunk held an icon rather than a cursor
  uint32_t Tag = 0, Size = 0;  // of its "icon" sub-chunk
  uint16_t HotX = 0, HotY = 0;  // a cursor's: of the last image in its directory
  uint32_t Rate = 0;
  uint32_t Seq = 0;
};

struct AniFile {
  AniHeader Header;
  std::string Title, Creator;
  uint16_t ColorCount = 0;
  std::vector<AniFrame> Frames;
};

constexpr size_t MaxText = 255;

// False on a malformed file; the file keeps what was read before.
bool ReadAniFile(const uint8_t* data, size_t size, AniFile& file);

}  // namespace kitani
