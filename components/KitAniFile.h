#pragma once
// TAnimatedCursorImage: an animated cursor file (RIFF "ACON") read into frames, each frame an icon
// with its hot spot, rate and place in the play sequence.
#include <memory>
#include <string>
#include <vector>

#include "bitmap.h"
#include "icon.h"
#include "kit_ani_file.h"
#include "streams.h"

class TIconFrame : public ui::TPersistent {
  UI_CLASS(TIconFrame, ui::TPersistent)
 public:
  std::unique_ptr<ui::TIcon> Icon;
  bool IsIcon = false;  // its sub-chunk held an icon rather than a cursor
  uint32_t Tag = 0, Size = 0;
  POINT HotSpot{0, 0};
  uint32_t JiffRate = 0;  // 1/60 s
  uint32_t Seq = 0;
  // From another frame: its icon copied (made when this frame has none) and every other field.
  void Assign(const ui::TPersistent* source) override;
};

class TAnimatedCursorImage : public ui::TPersistent {
  UI_CLASS(TAnimatedCursorImage, ui::TPersistent)
 public:
  kitani::AniHeader Header;
  std::string Title, Creator;
  uint16_t ColorCount = 0;

  void Clear();
  int FrameCount() const { return int(FFrames.size()); }
  const TIconFrame& GetFrame(int index) const { return *FFrames.at(size_t(index)); }
  // A malformed file raises EReadError "Stream read error"; the frames read before stay.
  void LoadFromStream(ui::TMemoryStream& stream);
  void LoadFromFile(const std::string& fileName);
  // Not available: shows the "not implemented" box and aborts.
  void SaveToStream(ui::TMemoryStream& stream);
  // Frame i's icon drawn on a bitmap of its size, over the system window colour.
  void FrameBitmap(int index, ui::TBitmap& bitmap) const;
  void Assign(const ui::TPersistent* source) override;

 protected:
  void AssignTo(ui::TPersistent* dest) const override;

 private:
  std::vector<std::unique_ptr<TIconFrame>> FFrames;
};
