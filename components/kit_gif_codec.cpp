#include "kit_gif_codec.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace kitgif {

namespace {

constexpr int kMaxCodes = 4096;
constexpr int kHashSlots = 17777;

// A cursor over the data that never reads past its end.
struct Reader {
  const uint8_t* Data;
  size_t Size;
  size_t Pos = 0;

  size_t Left() const { return Size - Pos; }
  bool Byte(uint8_t& b) {
    if (Pos >= Size) return false;
    b = Data[Pos++];
    return true;
  }
  bool Bytes(size_t n, std::string& out) {
    if (n > Left()) return false;
    out.assign(reinterpret_cast<const char*>(Data + Pos), n);
    Pos += n;
    return true;
  }
  bool Word(uint16_t& w) {
    if (Left() < 2) return false;
    w = uint16_t(Data[Pos] | Data[Pos + 1] << 8);
    Pos += 2;
    return true;
  }
};

bool ReadTable(Reader& r, int bits, std::vector<Rgb>& table) {
  const size_t count = size_t(1) << bits;
  if (r.Left() < count * 3) return false;
  table.resize(count);
  for (Rgb& c : table) {
    c.R = r.Data[r.Pos];
    c.G = r.Data[r.Pos + 1];
    c.B = r.Data[r.Pos + 2];
    r.Pos += 3;
  }
  return true;
}

// The sub-blocks up to the empty one; false when the data ends first.
bool ReadSubBlocks(Reader& r, std::vector<std::string>& blocks) {
  for (;;) {
    uint8_t len;
    if (!r.Byte(len)) return false;
    if (len == 0) return true;
    std::string block;
    if (!r.Bytes(len, block)) return false;
    blocks.push_back(std::move(block));
  }
}

bool EqualsNoCase(const std::string& a, const char* b) {
  if (a.size() != std::strlen(b)) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(uint8_t(a[i])) != std::tolower(uint8_t(b[i]))) return false;
  return true;
}

void AddCommentLines(const std::vector<Extension>& exts, std::vector<std::string>& comment) {
  for (const Extension& e : exts)
    if (e.Kind == ekComment)
      for (const std::string& line : e.Data) comment.push_back(line);
}

Result ReadFrame(Reader& r, File& file, bool tolerant, std::vector<Extension>& exts) {
  Frame f;
  uint8_t packed;
  if (!r.Word(f.Left) || !r.Word(f.Top) || !r.Word(f.Width) || !r.Word(f.Height) || !r.Byte(packed))
    return {GifError::StreamRead};
  f.Interlaced = (packed & 0x40) != 0;
  if (packed & 0x80) {
    f.LocalTable = true;
    f.Bits = (packed & 7) + 1;
    if (!ReadTable(r, f.Bits, f.Table)) return {GifError::StreamRead};
  } else {
    f.Table = file.Global;
    f.Bits = file.BitsPerPixel;
  }
  if (f.Width == 0) f.Width = file.ScreenWidth;
  if (f.Height == 0) f.Height = file.ScreenHeight;

  // The encoded data as it stands; a cut chain keeps what is there.
  const size_t start = r.Pos;
  bool cut = true;
  uint8_t len;
  if (r.Byte(len)) {
    while (r.Byte(len)) {
      if (len == 0) {
        cut = false;
        break;
      }
      if (r.Left() < len) {
        r.Pos = r.Size;
        break;
      }
      r.Pos += len;
    }
  }
  f.Encoded.assign(reinterpret_cast<const char*>(r.Data + start), r.Pos - start);
  f.Truncated = cut;

  for (const Extension& e : exts) {
    if (e.Kind != ekGraphicControl || e.Header.size() < 4) continue;
    const uint8_t gp = uint8_t(e.Header[0]);
    const uint32_t delay = uint8_t(e.Header[1]) | uint8_t(e.Header[2]) << 8;
    const int index = uint8_t(e.Header[3]);
    f.TransparentIndex = (gp & 1) && size_t(index) < f.Table.size() ? index : -1;
    f.Interval = uint16_t(std::max<uint32_t>(std::min<uint32_t>(delay * 10, 65535), f.Interval));
    f.Disposal = (gp & 0x1C) >> 2;
  }
  f.Extensions = std::move(exts);
  exts.clear();
  file.Frames.push_back(std::move(f));
  if (cut && !tolerant) return {GifError::StreamRead};
  return {};
}

}  // namespace

Result ReadGif(const uint8_t* data, size_t size, bool tolerant, File& file) {
  file = File();
  Reader r{data, size};
  std::string sig, ver;
  if (!r.Bytes(3, sig) || !EqualsNoCase(sig, "GIF")) return {GifError::UnknownVersion};
  if (!r.Bytes(3, ver)) return {GifError::UnknownVersion};
  if (EqualsNoCase(ver, "87a"))
    file.Version = "87a";
  else if (EqualsNoCase(ver, "89a"))
    file.Version = "89a";
  else
    return {GifError::UnknownVersion};

  uint8_t packed, aspect;
  if (!r.Word(file.ScreenWidth) || !r.Word(file.ScreenHeight) || !r.Byte(packed) || !r.Byte(file.Background) ||
      !r.Byte(aspect))
    return {GifError::StreamRead};
  file.BitsPerPixel = (packed & 7) + 1;
  file.ColorResolution = ((packed & 0x70) >> 4) + 1;
  if ((packed & 0x80) && !ReadTable(r, file.BitsPerPixel, file.Global)) return {GifError::StreamRead};

  std::vector<Extension> exts;
  uint8_t b;
  if (!r.Byte(b)) return {};
  while (b != 0 && b != ';') {
    while (b == '!') {
      uint8_t label;
      if (!r.Byte(label)) return {GifError::StreamRead};
      Extension e;
      std::vector<std::string> blocks;
      if (!ReadSubBlocks(r, blocks)) return {GifError::StreamRead};
      switch (label) {
        case 0xF9:
        case 0xFE:
          e.Kind = label == 0xF9 ? ekGraphicControl : ekComment;
          if (e.Kind == ekGraphicControl && !blocks.empty()) {
            e.Header = blocks.front();
            blocks.erase(blocks.begin());
          }
          e.Data = std::move(blocks);
          exts.push_back(std::move(e));
          break;
        case 0xFF:
          if (blocks.size() >= 2 && (blocks[0] == "NETSCAPE2.0" || blocks[0] == "ANIMEXTS1.0") &&
              blocks[1].size() >= 3 && blocks[1][0] == 1) {
            file.Looping = true;
            file.RepeatCount = std::min<uint16_t>(uint16_t(uint8_t(blocks[1][1]) | uint8_t(blocks[1][2]) << 8), 30000);
          }
          break;
        case 0x01:
          exts.clear();
          break;
        default:
          return {GifError::UndefinedExtension, label};
      }
      if (!r.Byte(b)) b = ';';
    }
    if (b == ',') {
      const Result res = ReadFrame(r, file, tolerant, exts);
      if (res.Error != GifError::None) return res;
      if (!r.Byte(b)) b = ';';
      if (b != '!' && b != ',' && b != ';') break;
    } else if (b == ';' || b == 0) {
      // Comment blocks after the last frame are the image's comment.
      AddCommentLines(exts, file.Comment);
      break;
    } else if (file.Frames.empty() && !exts.empty()) {
      AddCommentLines(exts, file.Comment);
      break;
    } else {
      return {GifError::StreamRead};
    }
  }
  return {};
}

int BmpDepthForBits(int bits) {
  if (bits == 1) return 1;
  if (bits >= 2 && bits <= 4) return 4;
  if (bits >= 5 && bits <= 8) return 8;
  return 0;
}

namespace {

// Codes least significant bit first from the sub-blocks, one block at a time, never past the data.
class CodeReader {
 public:
  CodeReader(const std::string& data, size_t start) : data_(data), pos_(start) {}
  bool Read(int width, int& code) {
    while (count_ < width) {
      if (blockLeft_ == 0) {
        if (pos_ >= data_.size()) return false;
        blockLeft_ = uint8_t(data_[pos_++]);
        continue;
      }
      if (pos_ >= data_.size()) return false;
      acc_ |= uint32_t(uint8_t(data_[pos_++])) << count_;
      count_ += 8;
      --blockLeft_;
    }
    code = int(acc_ & ((1u << width) - 1));
    acc_ >>= width;
    count_ -= width;
    return true;
  }
  size_t Pos() const { return pos_; }

 private:
  const std::string& data_;
  size_t pos_;
  size_t blockLeft_ = 0;
  uint32_t acc_ = 0;
  int count_ = 0;
};

// Where pixels go: rows from the top, or the four passes of an interlaced frame.
class PixelSink {
 public:
  PixelSink(std::vector<uint8_t>& out, int width, int height, bool interlaced, uint8_t mask)
      : out_(out), width_(width), height_(height), interlaced_(interlaced), mask_(mask) {}
  bool Full() const { return row_ >= height_; }
  void Put(uint8_t index) {
    if (Full()) return;
    out_[size_t(row_) * size_t(width_) + size_t(x_)] = uint8_t(index & mask_);
    if (++x_ < width_) return;
    x_ = 0;
    if (!interlaced_) {
      ++row_;
      return;
    }
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    row_ += kStep[pass_];
    while (row_ >= height_ && pass_ < 3) {
      ++pass_;
      row_ = kStart[pass_];
    }
  }

 private:
  std::vector<uint8_t>& out_;
  int width_, height_;
  bool interlaced_;
  uint8_t mask_;
  int row_ = 0, x_ = 0, pass_ = 0;
};

}  // namespace

Result DecodeFrame(const std::string& encoded, int width, int height, bool interlaced, int depthBits,
                   bool tolerant, std::vector<uint8_t>& indices, const Progress& progress) {
  Result res;
  indices.clear();
  auto fail = [&](GifError e) {
    res.Error = e;
    if (progress) progress(0);
    return res;
  };
  if (width < 0 || height < 0 || uint64_t(width) * uint64_t(height) > MaxFramePixels) return fail(GifError::StreamRead);
  if (depthBits != 1 && depthBits != 4 && depthBits != 8) return fail(GifError::ColorCount);
  if (progress) progress(0);
  if (width == 0 || height == 0) {
    if (progress) progress(100);
    return res;
  }
  indices.assign(size_t(width) * size_t(height), 0);
  if (encoded.empty()) return fail(GifError::StreamRead);

  int codeSize = uint8_t(encoded[0]);
  if (codeSize < 2 || codeSize > 9) {
    if (!tolerant) return fail(GifError::CodeSize);
    codeSize = std::min(std::max(codeSize, 2), 9);
    res.Damaged = true;
  }
  const int clear = 1 << codeSize, end = clear + 1;
  int width0 = codeSize + 1, codeWidth = width0, next = end + 1;
  std::vector<uint16_t> prefix(kMaxCodes);
  std::vector<uint8_t> suffix(kMaxCodes), stack;
  for (int i = 0; i < clear; ++i) suffix[size_t(i)] = uint8_t(i);
  stack.reserve(kMaxCodes + 1);

  CodeReader reader(encoded, 1);
  PixelSink sink(indices, width, height, interlaced, uint8_t((1u << depthBits) - 1));
  int prev = -1;
  bool afterClear = false;
  int lastPercent = -1;
  for (;;) {
    int code;
    if (!reader.Read(codeWidth, code)) return fail(GifError::StreamRead);
    if (sink.Full() || code == end) break;
    if (code == clear) {
      codeWidth = width0;
      next = end + 1;
      prev = -1;
      afterClear = true;
      continue;
    }
    if (res.Damaged && !afterClear) break;
    afterClear = false;

    // Unwind the string onto the stack.
    stack.clear();
    int cur = code;
    if (code >= next || code > end) {
      if (prev < 0) {
        // A string code with nothing before it names no entry.
        if (!tolerant) return fail(GifError::BadData);
        res.Damaged = true;
        break;
      }
    }
    if (code >= next) cur = prev;
    bool tooLong = false;
    while (cur >= clear) {
      if (stack.size() > kMaxCodes) {
        tooLong = true;
        break;
      }
      stack.push_back(suffix[size_t(cur)]);
      cur = prefix[size_t(cur)];
    }
    if (tooLong) {
      if (!tolerant) return fail(GifError::BadData);
      res.Damaged = true;
      break;
    }
    const uint8_t first = uint8_t(cur);
    stack.push_back(first);
    for (size_t i = stack.size(); i-- > 0;) sink.Put(stack[i]);
    if (code >= next) sink.Put(first);

    if (prev >= 0 && next < kMaxCodes) {
      prefix[size_t(next)] = uint16_t(prev);
      suffix[size_t(next)] = first;
      ++next;
      if (next == (1 << codeWidth) && codeWidth < 12) ++codeWidth;
    }
    prev = code;
    if (progress) {
      const int percent = int(uint64_t(reader.Pos()) * 100 / encoded.size());
      if (percent != lastPercent) progress(lastPercent = percent);
    }
  }
  if (progress) progress(100);
  return res;
}

namespace {

// Packs codes least significant bit first into sub-blocks of 255 bytes.
class CodeWriter {
 public:
  explicit CodeWriter(std::string& out) : out_(out) {}
  void Write(int code, int width) {
    acc_ |= uint64_t(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      block_.push_back(char(acc_ & 0xFF));
      acc_ >>= 8;
      count_ -= 8;
      if (block_.size() == 255) Flush();
    }
  }
  void Finish() {
    if (count_ > 0) block_.push_back(char(acc_ & 0xFF));
    count_ = 0;
    Flush();
    out_.push_back('\0');
  }

 private:
  void Flush() {
    if (block_.empty()) return;
    out_.push_back(char(block_.size()));
    out_ += block_;
    block_.clear();
  }
  std::string& out_;
  std::string block_;
  uint64_t acc_ = 0;
  int count_ = 0;
};

struct Slot {
  int Prefix = -1;
  int Pixel = 0;
  int Code = 0;
};

}  // namespace

std::string EncodeFrame(const uint8_t* indices, int width, int height, int bitsPerPixel, const Progress& progress) {
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8) return std::string();
  if (progress) progress(0);
  const int codeSize = bitsPerPixel == 1 ? 2 : bitsPerPixel;
  const int clear = 1 << codeSize, end = clear + 1, width0 = codeSize + 1;
  const uint8_t mask = uint8_t((1u << bitsPerPixel) - 1);
  std::string out(1, char(codeSize));
  CodeWriter writer(out);
  std::vector<Slot> slots(kHashSlots);
  int codeWidth = width0, next = end + 1;
  writer.Write(clear, codeWidth);

  int pending = -1;  // the code of the string read so far
  uint32_t hash = 0;
  int length = 0;
  const int w = std::max(width, 0), h = std::max(height, 0);
  for (int y = 0; y < h; ++y) {
    const uint8_t* row = indices + size_t(y) * size_t(w);
    for (int x = 0; x < w; ++x) {
      const int p = row[x] & mask;
      if (pending < 0) {
        pending = p;
        hash = uint32_t(p + 3) * 301;
        length = 1;
        continue;
      }
      const uint32_t h2 = uint32_t(p + length + 1 + 4) * hash % kHashSlots;
      uint32_t s = h2;
      while (slots[s].Prefix >= 0 && !(slots[s].Prefix == pending && slots[s].Pixel == p)) s = (s + 1) % kHashSlots;
      if (slots[s].Prefix >= 0) {
        pending = slots[s].Code;
        hash = h2;
        ++length;
        continue;
      }
      writer.Write(pending, codeWidth);
      const int assigned = next++;
      slots[s] = {pending, p, assigned};
      if (assigned == (1 << codeWidth)) ++codeWidth;
      if (assigned == kMaxCodes - 2) {
        writer.Write(p, codeWidth);
        writer.Write(clear, codeWidth);
        std::fill(slots.begin(), slots.end(), Slot());
        codeWidth = width0;
        next = end + 1;
        pending = -1;
        continue;
      }
      pending = p;
      hash = uint32_t(p + 3) * 301;
      length = 1;
    }
    if (progress) progress(int(uint64_t(y + 1) * 100 / uint64_t(h)));
  }
  if (pending >= 0) {
    writer.Write(pending, codeWidth);
    // A reader makes an entry for this last code too and may widen before the end code: so do we.
    if (next == (1 << codeWidth) && codeWidth < 12) ++codeWidth;
  }
  writer.Write(end, codeWidth);
  writer.Finish();
  if (progress) progress(100);
  return out;
}

void PrepareGraphicControl(Frame& f) {
  Extension* gce = nullptr;
  for (Extension& e : f.Extensions)
    if (e.Kind == ekGraphicControl) {
      gce = &e;
      break;
    }
  if (!gce) {
    if (f.Interval == 0 && f.TransparentIndex < 0 && f.Disposal == 0) return;
    Extension e;
    e.Kind = ekGraphicControl;
    e.Header.assign(4, '\0');
    f.Extensions.insert(f.Extensions.begin(), e);
    gce = &f.Extensions.front();
  }
  if (gce->Header.size() < 4) gce->Header.resize(4, '\0');
  const uint16_t delay = uint16_t(f.Interval / 10);
  uint8_t packed = uint8_t(uint8_t(gce->Header[0]) & ~0x1D);
  packed = uint8_t(packed | (f.Disposal & 7) << 2);
  if (f.TransparentIndex >= 0 && size_t(f.TransparentIndex) < f.Table.size()) {
    packed |= 1;
    gce->Header[3] = char(f.TransparentIndex);
  }
  gce->Header[0] = char(packed);
  gce->Header[1] = char(delay & 0xFF);
  gce->Header[2] = char(delay >> 8);
}

int BitsForCount(size_t count) {
  int bits = 1;
  while ((size_t(1) << bits) < count && bits < 8) ++bits;
  return bits;
}

namespace {

void PutWord(std::string& out, uint16_t w) {
  out.push_back(char(w & 0xFF));
  out.push_back(char(w >> 8));
}

// Exactly 2^bits entries, black where the table is shorter.
void PutTable(std::string& out, const std::vector<Rgb>& table, int bits) {
  for (size_t i = 0; i < (size_t(1) << bits); ++i) {
    const Rgb c = i < table.size() ? table[i] : Rgb();
    out.push_back(char(c.R));
    out.push_back(char(c.G));
    out.push_back(char(c.B));
  }
}

// Data sub-blocks split at 255 bytes; an empty one would end the chain early and is left out.
void PutSubBlocks(std::string& out, const std::vector<std::string>& blocks) {
  for (const std::string& b : blocks)
    for (size_t at = 0; at < b.size(); at += 255) {
      const size_t n = std::min<size_t>(255, b.size() - at);
      out.push_back(char(n));
      out.append(b, at, n);
    }
  out.push_back('\0');
}

bool HasText(const std::vector<std::string>& lines) {
  for (const std::string& l : lines)
    if (!l.empty()) return true;
  return false;
}

void PutExtension(std::string& out, const Extension& e) {
  static const uint8_t kLabels[4] = {0xF9, 0x01, 0xFF, 0xFE};
  if (e.Kind < 0 || e.Kind > 3) return;
  if (e.Kind == ekComment && !HasText(e.Data)) return;
  out.push_back('!');
  out.push_back(char(kLabels[e.Kind]));
  if (e.Kind != ekComment && !e.Header.empty()) {
    const size_t n = std::min<size_t>(e.Header.size(), 255);
    out.push_back(char(n));
    out.append(e.Header, 0, n);
  }
  PutSubBlocks(out, e.Data);
}

}  // namespace

Result WriteGif(const File& file, std::string& out) {
  out.clear();
  if (file.Frames.empty()) return {GifError::NoData};
  bool v89 = file.Version == "89a" || file.Frames.size() > 1 || HasText(file.Comment);
  uint32_t screenW = 0, screenH = 0;
  for (const Frame& f : file.Frames) {
    screenW = std::max<uint32_t>(screenW, uint32_t(f.Left) + f.Width);
    screenH = std::max<uint32_t>(screenH, uint32_t(f.Top) + f.Height);
    for (const Extension& e : f.Extensions)
      if (e.Kind != ekComment || HasText(e.Data)) v89 = true;
    if (f.Encoded.empty()) return {GifError::NoData};
  }
  out = v89 ? "GIF89a" : "GIF87a";
  PutWord(out, uint16_t(std::min<uint32_t>(screenW, 65535)));
  PutWord(out, uint16_t(std::min<uint32_t>(screenH, 65535)));
  int globalBits = 0;
  if (!file.Global.empty()) {
    globalBits = std::max(BitsForCount(file.Global.size()), std::min(std::max(file.BitsPerPixel, 1), 8));
    out.push_back(char(0x80 + 16 * (BitsForCount(file.Global.size()) - 1) + (globalBits - 1)));
  } else {
    out.push_back('\0');
  }
  out.push_back(char(file.Background));
  out.push_back('\0');
  if (globalBits) PutTable(out, file.Global, globalBits);

  if (file.Looping && file.Frames.size() > 1) {
    out += "!\xFF\x0BNETSCAPE2.0\x03\x01";
    PutWord(out, file.RepeatCount);
    out.push_back('\0');
  }
  for (const Frame& f : file.Frames) {
    for (const Extension& e : f.Extensions) PutExtension(out, e);
    out.push_back(',');
    PutWord(out, f.Left);
    PutWord(out, f.Top);
    PutWord(out, f.Width);
    PutWord(out, f.Height);
    const int bits = BitsForCount(f.Table.size());
    out.push_back(char((f.LocalTable ? 0x80 | (bits - 1) : 0) | (f.Interlaced ? 0x40 : 0)));
    if (f.LocalTable) PutTable(out, f.Table, bits);
    out += f.Encoded;
  }
  if (HasText(file.Comment)) {
    Extension c;
    c.Data = file.Comment;
    PutExtension(out, c);
  }
  out.push_back(';');
  return {};
}

}  // namespace kitgif
