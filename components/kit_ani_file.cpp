#include "kit_ani_file.h"

#include <algorithm>
#include <cstring>

#include "icon_file.h"

namespace kitani {

namespace {

uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool Is(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// One chunk inside its parent; positions in 64 bits so no size wraps.
struct Chunk {
  const uint8_t* Id;
  uint64_t Data, End, Next;
};

// False when no whole chunk header fits, or its data passes the parent's end.
bool NextChunk(const uint8_t* data, uint64_t pos, uint64_t parentEnd, Chunk& c) {
  if (pos + 8 > parentEnd) return false;
  c.Id = data + pos;
  const uint32_t len = Get32(data + pos + 4);
  c.Data = pos + 8;
  c.End = c.Data + len;
  if (c.End > parentEnd) return false;
  c.Next = c.End + (len & 1);
  return true;
}

std::string Text(const uint8_t* p, uint64_t len) {
  std::string s(reinterpret_cast<const char*>(p), size_t(std::min<uint64_t>(len, MaxText)));
  const size_t nul = s.find('\0');
  if (nul != std::string::npos) s.resize(nul);
  return s;
}

class Walker {
 public:
  Walker(const uint8_t* data, size_t size, AniFile& file) : data_(data), size_(size), file_(file) {}

  bool Walk(uint64_t pos, uint64_t end) {
    Chunk c;
    while (NextChunk(data_, pos, end, c)) {
      if (Is(c.Id, "anih")) {
        if (!Header(c)) return false;
      } else if (Is(c.Id, "rate") || Is(c.Id, "seq ")) {
        const bool rate = Is(c.Id, "rate");
        size_t& counter = rate ? rates_ : seqs_;
        for (uint64_t at = c.Data; at + 4 <= c.End; at += 4, ++counter)
          if (counter < file_.Frames.size()) {
            AniFrame& f = file_.Frames[counter];
            (rate ? f.Rate : f.Seq) = Get32(data_ + at);
          }
      } else if (Is(c.Id, "LIST") && c.End - c.Data >= 4) {
        if (Is(data_ + c.Data, "fram")) {
          if (!Icons(c.Data + 4, c.End)) return false;
        } else if (Is(data_ + c.Data, "INFO")) {
          Info(c.Data + 4, c.End);
        }
      }
      pos = c.Next;
    }
    return true;
  }

 private:
  size_t FrameRoom() const {
    const size_t most = size_ / 8;
    return file_.Frames.size() < most ? most - file_.Frames.size() : 0;
  }

  AniFrame NewFrame() const {
    AniFrame f;
    f.Rate = file_.Header.JifRate;
    f.Seq = uint32_t(file_.Frames.size());
    return f;
  }

  bool Header(const Chunk& c) {
    if (c.End - c.Data < sizeof(AniHeader)) return false;
    std::memcpy(&file_.Header, data_ + c.Data, sizeof(AniHeader));
    if (!(file_.Header.Flags & 1) || file_.Header.cSteps == 0) return false;
    // No more frames than the file has room for icons.
    const size_t count = std::min<size_t>(file_.Header.cFrames, FrameRoom());
    for (size_t i = 0; i < count; ++i) file_.Frames.push_back(NewFrame());
    return true;
  }

  bool Icons(uint64_t pos, uint64_t end) {
    Chunk c;
    while (NextChunk(data_, pos, end, c)) {
      if (Is(c.Id, "icon")) {
        iconfile::IconFile icon;
        if (!iconfile::ReadIconFile(data_ + c.Data, size_t(c.End - c.Data), icon)) return false;
        AniFrame got;
        got.Icon.assign(reinterpret_cast<const char*>(data_ + c.Data), size_t(c.End - c.Data));
        got.Icon[2] = 1;
        got.HasIcon = true;
        got.IsIcon = icon.Type == 1;
        got.Tag = Get32(c.Id);
        got.Size = uint32_t(c.End - c.Data);
        if (icon.Type == 2) {
          got.HotX = icon.Images.back().HotX;
          got.HotY = icon.Images.back().HotY;
        }
        for (const iconfile::IconImage& image : icon.Images)
          file_.ColorCount = std::max(file_.ColorCount, iconfile::ColorCountOfBits(image.Bits));

        const uint32_t ordinal = icons_++;
        auto it = std::find_if(file_.Frames.begin(), file_.Frames.end(),
                               [&](const AniFrame& f) { return f.Seq == ordinal; });
        if (it == file_.Frames.end()) {
          file_.Frames.push_back(NewFrame());
          it = file_.Frames.end() - 1;
        }
        got.Rate = it->Rate;
        got.Seq = it->Seq;
        *it = std::move(got);
      }
      pos = c.Next;
    }
    return true;
  }

  void Info(uint64_t pos, uint64_t end) {
    Chunk c;
    while (NextChunk(data_, pos, end, c)) {
      if (Is(c.Id, "INAM")) file_.Title = Text(data_ + c.Data, c.End - c.Data);
      if (Is(c.Id, "IART")) file_.Creator = Text(data_ + c.Data, c.End - c.Data);
      pos = c.Next;
    }
  }

  const uint8_t* data_;
  size_t size_;
  AniFile& file_;
  size_t rates_ = 0, seqs_ = 0;
  uint32_t icons_ = 0;
};

}  // namespace

bool ReadAniFile(const uint8_t* data, size_t size, AniFile& file) {
  file = AniFile();
  if (size < 12 || !Is(data, "RIFF") || !Is(data + 8, "ACON")) return false;
  const uint64_t end = std::min<uint64_t>(8 + uint64_t(Get32(data + 4)), size);
  Walker walker(data, size, file);
  const bool ok = walker.Walk(12, end);
  file.Frames.erase(std::remove_if(file.Frames.begin(), file.Frames.end(), [](const AniFrame& f) { return !f.HasIcon; }),
                    file.Frames.end());
  return ok && !file.Frames.empty();
}

}  // namespace kitani
