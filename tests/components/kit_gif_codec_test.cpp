#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "gif_builder.h"
#include "kit_gif_codec.h"

using namespace kitgif;

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::vector<uint8_t> Pattern(int w, int h, int colors) {
  std::vector<uint8_t> p(size_t(w * h));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p[size_t(y * w + x)] = uint8_t((x * 7 + y * 13 + x * y) % colors);
  return p;
}

giftest::GifRecipe OneFrame(int w, int h, int bits, bool interlaced = false) {
  giftest::GifRecipe recipe;
  recipe.Width = uint16_t(w);
  recipe.Height = uint16_t(h);
  recipe.GlobalTable = giftest::GreyTable(1 << bits);
  giftest::FrameRecipe f;
  f.Width = uint16_t(w);
  f.Height = uint16_t(h);
  f.Interlaced = interlaced;
  f.CodeSize = bits < 2 ? 2 : bits;
  f.Pixels = Pattern(w, h, 1 << bits);
  recipe.Frames.push_back(f);
  return recipe;
}

Result Decode(const Frame& f, std::vector<uint8_t>& out, bool tolerant = true) {
  return DecodeFrame(f.Encoded, f.Width, f.Height, f.Interlaced, BmpDepthForBits(f.Bits), tolerant, out);
}

// The codes of encoded data, read with the decoder's width rules but by separate code.
struct CodeWalk {
  std::vector<int> Codes;
  std::vector<int> NextAtClear;  // the next free code when each clear after the first came
};

CodeWalk WalkCodes(const std::string& enc) {
  CodeWalk walk;
  std::string bytes;
  size_t pos = 1;
  while (pos < enc.size() && enc[pos] != 0) {
    const size_t n = uint8_t(enc[pos]);
    bytes += enc.substr(pos + 1, n);
    pos += 1 + n;
  }
  const int codeSize = enc[0], clear = 1 << codeSize;
  int width = codeSize + 1, next = clear + 2;
  bool first = true, afterClear = false;
  size_t bit = 0;
  while (bit + size_t(width) <= bytes.size() * 8) {
    int code = 0;
    for (int i = 0; i < width; ++i, ++bit) code |= ((uint8_t(bytes[bit / 8]) >> (bit % 8)) & 1) << i;
    walk.Codes.push_back(code);
    if (code == clear + 1) break;
    if (code == clear) {
      if (!first) walk.NextAtClear.push_back(next);
      first = false;
      width = codeSize + 1;
      next = clear + 2;
      afterClear = true;
      continue;
    }
    if (!afterClear && next < 4096) {
      ++next;
      if (next == (1 << width) && width < 12) ++width;
    }
    afterClear = false;
  }
  return walk;
}

}  // namespace

TEST(GifRead, BuilderFilesOfEveryBlockKindDecodeToTheirIndices) {
  giftest::GifRecipe recipe = OneFrame(13, 7, 3);
  recipe.Signature = "gif89a";
  recipe.LoopCount = 65535;
  recipe.Frames[0].Comments = {"first", "second"};
  recipe.Frames[0].GraphicControl = true;
  recipe.Frames[0].GcPacked = 1 | 2 << 2;
  recipe.Frames[0].Delay = 7;
  recipe.Frames[0].TransparentIndex = 5;
  giftest::FrameRecipe local = recipe.Frames[0];
  local.LocalTable = giftest::GreyTable(16);
  local.Pixels = Pattern(13, 7, 16);
  local.CodeSize = 4;
  local.ClearEvery = 1;
  local.GraphicControl = false;
  local.Comments.clear();
  local.OtherApplicationBefore = true;
  recipe.Frames.push_back(local);

  File file;
  const std::string bytes = giftest::BuildGif(recipe);
  ASSERT_EQ(ReadGif(Bytes(bytes), bytes.size(), true, file).Error, GifError::None);
  EXPECT_EQ(file.Version, "89a");
  EXPECT_TRUE(file.Looping);
  EXPECT_EQ(file.RepeatCount, 30000);
  ASSERT_EQ(file.Frames.size(), 2u);
  const Frame& f0 = file.Frames[0];
  EXPECT_FALSE(f0.LocalTable);
  EXPECT_EQ(f0.Table.size(), 8u);
  EXPECT_EQ(f0.TransparentIndex, 5);
  EXPECT_EQ(f0.Interval, 70);
  EXPECT_EQ(f0.Disposal, 2);
  ASSERT_EQ(f0.Extensions.size(), 3u);
  EXPECT_EQ(f0.Extensions[0].Data, std::vector<std::string>{"first"});
  EXPECT_TRUE(file.Frames[1].LocalTable);
  EXPECT_EQ(file.Frames[1].Table.size(), 16u);
  EXPECT_TRUE(file.Frames[1].Extensions.empty());

  for (size_t i = 0; i < 2; ++i) {
    std::vector<uint8_t> px;
    ASSERT_EQ(Decode(file.Frames[i], px).Error, GifError::None);
    EXPECT_EQ(px, recipe.Frames[i].Pixels) << i;
  }
}

TEST(GifRead, InterlacedFramesOfEveryHeightGiveTheBuildersIndices) {
  for (int h = 1; h <= 17; ++h) {
    const giftest::GifRecipe recipe = OneFrame(5, h, 4, true);
    const std::string bytes = giftest::BuildGif(recipe);
    File file;
    ASSERT_EQ(ReadGif(Bytes(bytes), bytes.size(), true, file).Error, GifError::None);
    std::vector<uint8_t> px;
    ASSERT_EQ(Decode(file.Frames[0], px).Error, GifError::None) << h;
    EXPECT_EQ(px, recipe.Frames[0].Pixels) << h;
  }
}

TEST(GifRead, CommentWithoutImageAndPlainTextDroppingCollectedBlocks) {
  giftest::GifRecipe recipe;
  recipe.TrailingComments = {"only a comment"};
  const std::string bytes = giftest::BuildGif(recipe);
  File file;
  ASSERT_EQ(ReadGif(Bytes(bytes), bytes.size(), true, file).Error, GifError::None);
  EXPECT_TRUE(file.Frames.empty());
  EXPECT_EQ(file.Comment, std::vector<std::string>{"only a comment"});

  giftest::GifRecipe pt = OneFrame(2, 2, 1);
  pt.Frames[0].Comments = {"dropped"};
  pt.Frames[0].PlainTextBefore = true;
  const std::string b2 = giftest::BuildGif(pt);
  ASSERT_EQ(ReadGif(Bytes(b2), b2.size(), true, file).Error, GifError::None);
  ASSERT_EQ(file.Frames.size(), 1u);
  EXPECT_TRUE(file.Frames[0].Extensions.empty());
}

TEST(GifRead, FormatErrors) {
  File file;
  const std::string bad[] = {"GIF88a", "PNG89a", "GI"};
  for (const std::string& b : bad) EXPECT_EQ(ReadGif(Bytes(b), b.size(), true, file).Error, GifError::UnknownVersion);

  std::string ext = giftest::BuildGif(OneFrame(2, 2, 1));
  const size_t frameAt = ext.find(',', 13);
  ext.insert(frameAt, std::string("!\x42\x00", 3));
  const Result r = ReadGif(Bytes(ext), ext.size(), true, file);
  EXPECT_EQ(r.Error, GifError::UndefinedExtension);
  EXPECT_EQ(r.Label, 0x42);

  std::string junk = giftest::BuildGif(OneFrame(2, 2, 1));
  junk.insert(frameAt, "x");
  EXPECT_EQ(ReadGif(Bytes(junk), junk.size(), true, file).Error, GifError::StreamRead);
}

TEST(GifDecode, CutAndUnendedDataGiveTheReadError) {
  giftest::GifRecipe recipe = OneFrame(4, 4, 2);
  const std::string whole = giftest::BuildGif(recipe);
  // Cut inside the sub-blocks: loads with tolerance, fails without, and its pixels fail.
  const std::string cut = whole.substr(0, whole.size() - 4);
  File file;
  ASSERT_EQ(ReadGif(Bytes(cut), cut.size(), true, file).Error, GifError::None);
  ASSERT_EQ(file.Frames.size(), 1u);
  EXPECT_TRUE(file.Frames[0].Truncated);
  std::vector<uint8_t> px;
  EXPECT_EQ(Decode(file.Frames[0], px).Error, GifError::StreamRead);
  EXPECT_EQ(ReadGif(Bytes(cut), cut.size(), false, file).Error, GifError::StreamRead);
  EXPECT_EQ(file.Frames.size(), 1u);

  // Data that stops right after the last pixel.
  recipe.Frames[0].EndCode = false;
  const std::string unended = giftest::BuildGif(recipe);
  ASSERT_EQ(ReadGif(Bytes(unended), unended.size(), true, file).Error, GifError::None);
  // 16 literals and 8 clears of 3 bits fill 9 bytes exactly: no further code to read.
  EXPECT_EQ(Decode(file.Frames[0], px).Error, GifError::StreamRead);
  recipe.Frames[0].EndCode = true;
  const std::string ended = giftest::BuildGif(recipe);
  ASSERT_EQ(ReadGif(Bytes(ended), ended.size(), true, file).Error, GifError::None);
  EXPECT_EQ(Decode(file.Frames[0], px).Error, GifError::None);
}

TEST(GifDecode, HostileCodeStreams) {
  std::vector<uint8_t> px;
  // Code sizes outside 2..9: the error without tolerance, a damaged partial frame with it.
  for (int size : {0, 1, 10, 255}) {
    std::string enc = giftest::LiteralLzw(Pattern(4, 4, 4), 2);
    enc[0] = char(size);
    EXPECT_EQ(DecodeFrame(enc, 4, 4, false, 4, false, px).Error, GifError::CodeSize) << size;
    const Result r = DecodeFrame(enc, 4, 4, false, 4, true, px);
    EXPECT_TRUE(r.Damaged || r.Error != GifError::None) << size;
    EXPECT_EQ(px.size(), 16u);
  }
  // A string code with no string before it.
  const std::string noPrev = std::string("\x02\x01\x07\x00", 4);  // code 7 in 3 bits, no clear
  EXPECT_EQ(DecodeFrame(noPrev, 2, 2, false, 4, false, px).Error, GifError::BadData);
  Result r = DecodeFrame(noPrev, 2, 2, false, 4, true, px);
  EXPECT_TRUE(r.Damaged);
  EXPECT_EQ(px, std::vector<uint8_t>(4, 0));

  // Code size 9 with a 4-bit bitmap: values are cut to the bitmap's depth.
  const std::string wide = giftest::LiteralLzw({0xFF, 0x1F, 0x03}, 9);
  ASSERT_EQ(DecodeFrame(wide, 3, 1, false, 4, true, px).Error, GifError::None);
  EXPECT_EQ(px, (std::vector<uint8_t>{0x0F, 0x0F, 0x03}));

  // Huge and empty frames.
  EXPECT_EQ(DecodeFrame(wide, 65535, 65535, false, 8, true, px).Error, GifError::StreamRead);
  EXPECT_EQ(DecodeFrame(wide, 0, 0, false, 8, true, px).Error, GifError::None);
  EXPECT_TRUE(px.empty());

  // Codes past the next free one, and a sub-block claiming absent bytes, never read outside.
  std::mt19937 rng(7);
  for (int i = 0; i < 300; ++i) {
    std::string enc(1, char(2 + i % 8));
    const int n = int(rng() % 40);
    for (int k = 0; k < n; ++k) enc.push_back(char(rng()));
    DecodeFrame(enc, 9, 5, i % 2 == 0, 8, i % 3 != 0, px);
  }
}

TEST(GifEncode, CodeSizesClearsAndBlocks) {
  // 1-bit: code size 2, first code 4 in 3 bits.
  const std::vector<uint8_t> bw = {1, 0, 1, 1};
  const std::string enc1 = EncodeFrame(bw.data(), 4, 1, 1);
  EXPECT_EQ(enc1[0], 2);
  EXPECT_EQ(uint8_t(enc1[2]) & 7, 4);
  EXPECT_TRUE(EncodeFrame(bw.data(), 4, 1, 2).empty());

  // Enough strings to fill the table: a clear comes exactly when 4094 was assigned, never a code 4095.
  std::mt19937 rng(1);
  std::vector<uint8_t> noise(300 * 200);
  for (uint8_t& v : noise) v = uint8_t(rng() % 256);
  const std::string enc = EncodeFrame(noise.data(), 300, 200, 8);
  const CodeWalk walk = WalkCodes(enc);
  ASSERT_GE(walk.NextAtClear.size(), 2u);
  for (int next : walk.NextAtClear) EXPECT_EQ(next, 4095);
  for (int c : walk.Codes) EXPECT_LT(c, 4095);
  std::vector<uint8_t> back;
  ASSERT_EQ(DecodeFrame(enc, 300, 200, false, 8, false, back).Error, GifError::None);
  EXPECT_EQ(back, noise);

  // Sub-blocks: all full but the last, no empty one before the terminator; and a size that fills
  // whole sub-blocks exactly ends with the empty block right after the last full one.
  bool exact = false;
  for (int w = 1; w < 3000 && !exact; ++w) {
    std::vector<uint8_t> row(static_cast<size_t>(w));
    for (int x = 0; x < w; ++x) row[size_t(x)] = uint8_t(rng() % 16);
    const std::string e = EncodeFrame(row.data(), w, 1, 4);
    size_t pos = 1, last = 0;
    while (uint8_t(e[pos]) != 0) {
      if (last) {
        EXPECT_EQ(last, 255u);
      }
      last = uint8_t(e[pos]);
      pos += 1 + last;
    }
    EXPECT_EQ(pos, e.size() - 1);
    if (last == 255) {
      exact = true;
      std::vector<uint8_t> d;
      EXPECT_EQ(DecodeFrame(e, w, 1, false, 4, false, d).Error, GifError::None);
      EXPECT_EQ(d, row);
    }
  }
  EXPECT_TRUE(exact);
}

TEST(GifEncode, EveryLengthReadsBackStrictly) {
  // The last code may make the reader widen before the end code; the writer must widen with it, or a
  // stream that ends on a byte boundary is cut for a strict reader.
  std::mt19937 rng(7);
  for (int depth : {1, 4, 8}) {
    for (int length = 1; length <= 700; ++length) {
      std::vector<uint8_t> px(static_cast<size_t>(length));
      for (uint8_t& v : px) v = uint8_t(rng() % 3 == 0 ? rng() % (1u << depth) : 0);
      const std::string enc = EncodeFrame(px.data(), length, 1, depth);
      std::vector<uint8_t> back;
      ASSERT_EQ(DecodeFrame(enc, length, 1, false, depth, false, back).Error, GifError::None)
          << "depth " << depth << ", " << length << " pixels";
      ASSERT_EQ(back, px) << "depth " << depth << ", " << length << " pixels";
    }
  }
}

TEST(GifEncode, ProgressStartsAtZeroRisesAndEndsAtHundred) {
  const std::vector<uint8_t> px = Pattern(20, 30, 256);
  std::vector<int> seen;
  const std::string enc = EncodeFrame(px.data(), 20, 30, 8, [&](int p) { seen.push_back(p); });
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i - 1], seen[i]);

  seen.clear();
  std::vector<uint8_t> out;
  ASSERT_EQ(DecodeFrame(enc, 20, 30, false, 8, false, out, [&](int p) { seen.push_back(p); }).Error, GifError::None);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_GT(seen.size(), 2u);
  seen.clear();
  EXPECT_NE(DecodeFrame(enc.substr(0, enc.size() / 2), 20, 30, false, 8, false, out, [&](int p) { seen.push_back(p); })
                .Error,
            GifError::None);
  EXPECT_EQ(seen.back(), 0);
}

TEST(GifWrite, RoundTripKeepsEverythingAndIsStable) {
  File file;
  file.Global = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  file.BitsPerPixel = 2;
  file.Background = 1;
  file.Looping = true;
  file.RepeatCount = 4;
  file.Comment = {std::string(300, 'c'), "", "tail"};
  for (int i = 0; i < 2; ++i) {
    Frame f;
    f.Left = uint16_t(i * 3);
    f.Width = 7;
    f.Height = 5;
    f.LocalTable = i == 1;
    f.Table = i == 1 ? std::vector<Rgb>{{9, 9, 9}, {8, 8, 8}} : file.Global;
    const std::vector<uint8_t> px = Pattern(7, 5, i == 1 ? 2 : 4);
    f.Encoded = EncodeFrame(px.data(), 7, 5, i == 1 ? 1 : 4);
    f.Interval = i == 0 ? 65535 : 0;
    f.TransparentIndex = i;
    f.Disposal = 3;
    Extension c;
    c.Data = {std::string(600, 'x'), ""};
    f.Extensions.push_back(c);
    PrepareGraphicControl(f);
    file.Frames.push_back(f);
  }
  std::string once;
  ASSERT_EQ(WriteGif(file, once).Error, GifError::None);
  File back;
  ASSERT_EQ(ReadGif(Bytes(once), once.size(), false, back).Error, GifError::None);
  EXPECT_EQ(back.Version, "89a");
  EXPECT_TRUE(back.Looping);
  EXPECT_EQ(back.RepeatCount, 4);
  ASSERT_EQ(back.Global.size(), 4u);  // the 2^bits entries its header states
  EXPECT_EQ(back.Global[2], (Rgb{7, 8, 9}));
  std::string comment;
  for (const std::string& l : back.Comment) comment += l;
  EXPECT_EQ(comment, std::string(300, 'c') + "tail");
  ASSERT_EQ(back.Frames.size(), 2u);
  EXPECT_EQ(back.Frames[0].Interval, 65530);  // the delay of 6553 kept in 16 bits
  EXPECT_EQ(back.Frames[0].TransparentIndex, 0);
  EXPECT_EQ(back.Frames[1].TransparentIndex, 1);
  EXPECT_EQ(back.Frames[1].Disposal, 3);
  EXPECT_EQ(back.Frames[1].Left, 3);
  EXPECT_EQ(back.Frames[1].Table, file.Frames[1].Table);
  std::string ext;
  for (const std::string& d : back.Frames[0].Extensions[1].Data) ext += d;
  EXPECT_EQ(ext, std::string(600, 'x'));
  for (int i = 0; i < 2; ++i) {
    std::vector<uint8_t> px;
    ASSERT_EQ(Decode(back.Frames[size_t(i)], px).Error, GifError::None);
    EXPECT_EQ(px, Pattern(7, 5, i == 1 ? 2 : 4));
  }
  std::string twice;
  ASSERT_EQ(WriteGif(back, twice).Error, GifError::None);
  File again;
  ASSERT_EQ(ReadGif(Bytes(twice), twice.size(), false, again).Error, GifError::None);
  std::string thrice;
  ASSERT_EQ(WriteGif(again, thrice).Error, GifError::None);
  EXPECT_EQ(thrice, twice);

  EXPECT_EQ(WriteGif(File(), once).Error, GifError::NoData);
}

TEST(GifRead, EveryPrefixOfEveryBuiltFileStopsSafely) {
  giftest::GifRecipe recipe = OneFrame(9, 9, 3, true);
  recipe.LoopCount = 2;
  recipe.Frames[0].Comments = {"c"};
  recipe.Frames[0].GraphicControl = true;
  recipe.Frames.push_back(recipe.Frames[0]);
  recipe.TrailingComments = {"t"};
  const std::string whole = giftest::BuildGif(recipe);
  for (size_t n = 0; n <= whole.size(); ++n) {
    const std::string part = whole.substr(0, n);
    File file;
    const Result r = ReadGif(Bytes(part), part.size(), true, file);
    std::vector<uint8_t> px;
    for (const Frame& f : file.Frames) Decode(f, px);
    if (n == whole.size()) {
      EXPECT_EQ(r.Error, GifError::None);
    }
  }
}

TEST(GifCodec, ThroughputOfAFullScreenFrame) {
  const int w = 1024, h = 768;
  std::vector<uint8_t> px(size_t(w * h));
  std::mt19937 rng(3);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[size_t(y * w + x)] = uint8_t((x / 8 + y / 8) % 64 + (rng() % 4 == 0 ? rng() % 192 : 0));
  const auto t0 = std::chrono::steady_clock::now();
  const std::string enc = EncodeFrame(px.data(), w, h, 8);
  const auto t1 = std::chrono::steady_clock::now();
  std::vector<uint8_t> back;
  ASSERT_EQ(DecodeFrame(enc, w, h, false, 8, false, back).Error, GifError::None);
  const auto t2 = std::chrono::steady_clock::now();
  EXPECT_EQ(back, px);
  const double mb = double(w * h) / 1e6;
  const double enc_s = std::chrono::duration<double>(t1 - t0).count(), dec_s = std::chrono::duration<double>(t2 - t1).count();
  const std::string literal = giftest::LiteralLzw(px, 8);
  std::printf("1024x768 8-bit: encode %.1f MB/s, decode %.1f MB/s, %zu bytes (literal codes: %zu)\n", mb / enc_s,
              mb / dec_s, enc.size(), literal.size());
  EXPECT_LT(enc.size(), literal.size());
}
