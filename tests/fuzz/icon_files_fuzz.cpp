// libFuzzer target for the icon, cursor and animated cursor readers: any bytes as either file. An icon
// file read is written and read back to the same pixels and masks; every frame of an animated cursor
// holds an icon file that reads.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "kit_ani_file.h"
#include "icon_file.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  iconfile::IconFile icon;
  if (iconfile::ReadIconFile(data, size, icon)) {
    Check(!icon.Images.empty());
    const std::string written = iconfile::WriteIconFile(icon);
    iconfile::IconFile back;
    Check(iconfile::ReadIconFile(Bytes(written), written.size(), back));
    Check(back.Images.size() == icon.Images.size());
    for (size_t i = 0; i < icon.Images.size(); ++i) {
      Check(back.Images[i].Pixels == icon.Images[i].Pixels);
      Check(back.Images[i].Mask == icon.Images[i].Mask);
      Check(back.Images[i].Pixels.size() == size_t(back.Images[i].Width) * size_t(back.Images[i].Height) ||
            back.Images[i].IsPng);
    }
  }
  kitani::AniFile ani;
  if (kitani::ReadAniFile(data, size, ani)) {
    Check(!ani.Frames.empty() && ani.Frames.size() <= size / 8);
    Check(ani.Title.size() <= kitani::MaxText && ani.Creator.size() <= kitani::MaxText);
    for (const kitani::AniFrame& f : ani.Frames) {
      iconfile::IconFile frameIcon;
      Check(f.HasIcon && iconfile::ReadIconFile(Bytes(f.Icon), f.Icon.size(), frameIcon));
      Check(frameIcon.Type == 1);
    }
  }
  return 0;
}
