#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "icon_builder.h"
#include "kit_ani_file.h"
#include "icon_file.h"
#include "kit_icon_list_stream.h"

namespace {

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

void Set32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

const std::vector<icontest::ImageRecipe> kDepths = {
    {16, 16, 1, 0, 0}, {16, 16, 4, 1, 2}, {32, 32, 8, 3, 4}, {5, 3, 16, 0, 0}, {7, 9, 24, 5, 6}, {48, 48, 32, 40, 41}};

}  // namespace

TEST(IconFile, EveryDepthGivesTheBuildersPixelsMaskAndHotSpots) {
  for (int type : {1, 2}) {
    const std::string bytes = icontest::BuildIconFile(type, kDepths);
    iconfile::IconFile file;
    ASSERT_TRUE(iconfile::ReadIconFile(Bytes(bytes), bytes.size(), file));
    EXPECT_EQ(file.Type, type);
    ASSERT_EQ(file.Images.size(), kDepths.size());
    for (size_t i = 0; i < kDepths.size(); ++i) {
      const icontest::ImageRecipe& s = kDepths[i];
      const iconfile::IconImage& im = file.Images[i];
      ASSERT_EQ(im.Width, s.Width);
      ASSERT_EQ(im.Height, s.Height);
      EXPECT_EQ(im.Bits, s.Bits);
      EXPECT_EQ(im.HotX, type == 2 ? s.HotX : 0);
      EXPECT_EQ(im.HotY, type == 2 ? s.HotY : 0);
      for (int y = 0; y < s.Height; ++y)
        for (int x = 0; x < s.Width; ++x) {
          ASSERT_EQ(im.Pixels[size_t(y * s.Width + x)], icontest::PixelOf(s, x, y)) << i << " " << x << "," << y;
          ASSERT_EQ(im.Mask[size_t(y * s.Width + x)] != 0, icontest::MaskOf(s, x, y)) << i;
        }
    }
  }
}

TEST(IconFile, WrittenImagesReadBack) {
  iconfile::IconFile file;
  for (int side : {3, 33}) {
    std::vector<uint32_t> px(size_t(side * side));
    std::vector<uint8_t> mask(px.size());
    for (size_t i = 0; i < px.size(); ++i) {
      px[i] = uint32_t(i * 2654435761u);
      mask[i] = uint8_t(i % 3 == 0);
    }
    iconfile::IconImage im;
    im.Width = im.Height = side;
    im.Bits = 32;
    im.Pixels = px;
    im.Mask = mask;
    im.Raw = iconfile::MakeDib32(side, side, px, mask);
    file.Images.push_back(im);
  }
  const std::string bytes = iconfile::WriteIconFile(file);
  iconfile::IconFile back;
  ASSERT_TRUE(iconfile::ReadIconFile(Bytes(bytes), bytes.size(), back));
  ASSERT_EQ(back.Images.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back.Images[i].Pixels, file.Images[i].Pixels);
    EXPECT_EQ(back.Images[i].Mask, file.Images[i].Mask);
  }
}

TEST(IconFile, HostileDirectoriesAndHeaders) {
  iconfile::IconFile file;
  const std::string good = icontest::BuildIconFile(1, {kDepths[1], kDepths[2]});
  for (size_t n = 0; n < good.size(); ++n)
    EXPECT_FALSE(iconfile::ReadIconFile(Bytes(good), n, file)) << n;

  std::string empty = good.substr(0, 6);
  empty[4] = empty[5] = 0;
  EXPECT_FALSE(iconfile::ReadIconFile(Bytes(empty), empty.size(), file));
  std::string many = good;
  many[4] = many[5] = char(0xFF);
  EXPECT_FALSE(iconfile::ReadIconFile(Bytes(many), many.size(), file));

  const size_t dib = 6 + 32;
  struct Lie {
    size_t At;
    uint32_t Value;
  };
  for (const Lie& lie : {Lie{dib + 4, 0x7FFFFFFF}, Lie{dib + 4, 0}, Lie{dib + 8, 33}, Lie{dib + 8, 0xFFFFFFFF},
                         Lie{dib + 0, 0xFFFFFFFF}, Lie{dib + 14, 7}, Lie{dib + 32, 17}, Lie{6 + 8, 0xFFFFFFFF},
                         Lie{6 + 12, 0xFFFFFFF0}}) {
    std::string bad = good;
    if (lie.At == dib + 14) {
      bad[lie.At] = char(lie.Value);
    } else {
      Set32(bad, lie.At, lie.Value);
    }
    EXPECT_FALSE(iconfile::ReadIconFile(Bytes(bad), bad.size(), file)) << lie.At;
  }

  // A PNG image is taken as it stands, without pixels.
  std::string png = good.substr(0, 6 + 16);
  png[4] = 1;
  png[5] = 0;
  Set32(png, 6 + 8, 12);
  Set32(png, 6 + 12, 22);
  png += std::string("\x89PNG\r\n\x1a\n\0\0\0\0", 12);
  ASSERT_TRUE(iconfile::ReadIconFile(Bytes(png), png.size(), file));
  EXPECT_TRUE(file.Images[0].IsPng);
  EXPECT_TRUE(file.Images[0].Pixels.empty());

  EXPECT_EQ(iconfile::ColorCountOfBits(1), 2);
  EXPECT_EQ(iconfile::ColorCountOfBits(8), 256);
  EXPECT_EQ(iconfile::ColorCountOfBits(24), 65535);
  EXPECT_EQ(iconfile::ColorCountOfBits(32), 65535);
}

TEST(AniFile, FramesRatesSequenceTextsAndColours) {
  icontest::AniRecipe recipe;
  recipe.Frames = 3;
  recipe.Steps = 3;
  recipe.Rates = {5, 6, 7};
  recipe.Sequence = {2, 0, 1};
  recipe.Icons = {icontest::BuildIconFile(2, {kDepths[0], kDepths[5]}), icontest::BuildIconFile(1, {kDepths[2]}),
                icontest::BuildIconFile(2, {kDepths[1]})};
  recipe.Title = std::string(300, 'T');
  recipe.Creator = "maker";
  const std::string bytes = icontest::BuildAniFile(recipe);
  kitani::AniFile ani;
  ASSERT_TRUE(kitani::ReadAniFile(Bytes(bytes), bytes.size(), ani));
  EXPECT_EQ(ani.Title, std::string(255, 'T'));
  EXPECT_EQ(ani.Creator, "maker");
  EXPECT_EQ(ani.ColorCount, 65535);  // the 32-bit image, not cut to 16 bits' wrap
  EXPECT_EQ(ani.Header.cFrames, 3u);
  ASSERT_EQ(ani.Frames.size(), 3u);
  // Frame i has sequence value Seq[i] and takes the icon of that ordinal.
  EXPECT_EQ(ani.Frames[0].Rate, 5u);
  EXPECT_EQ(ani.Frames[1].Rate, 6u);
  EXPECT_EQ(ani.Frames[2].Rate, 7u);
  EXPECT_EQ(ani.Frames[0].Icon.substr(6), recipe.Icons[2].substr(6));
  EXPECT_EQ(ani.Frames[1].Icon.substr(6), recipe.Icons[0].substr(6));
  EXPECT_FALSE(ani.Frames[1].IsIcon);
  EXPECT_EQ(ani.Frames[1].Icon[2], 1);  // the copy is loaded as an icon
  EXPECT_EQ(ani.Frames[1].HotX, 40);    // the last image's hot spot
  EXPECT_EQ(ani.Frames[1].HotY, 41);
  EXPECT_TRUE(ani.Frames[2].IsIcon);
}

TEST(AniFile, HostileChunks) {
  icontest::AniRecipe recipe;
  recipe.Icons = {icontest::BuildIconFile(1, {kDepths[1]})};
  recipe.Frames = 1;
  const std::string good = icontest::BuildAniFile(recipe);
  kitani::AniFile ani;
  ASSERT_TRUE(kitani::ReadAniFile(Bytes(good), good.size(), ani));
  for (size_t n = 0; n < good.size(); ++n) kitani::ReadAniFile(Bytes(good), n, ani);

  // A frame count of 2^32-1 makes no more frames than the file can hold; those left without an icon go.
  recipe.Frames = 0xFFFFFFFF;
  recipe.Icons.push_back(recipe.Icons[0]);
  const std::string huge = icontest::BuildAniFile(recipe);
  ASSERT_TRUE(kitani::ReadAniFile(Bytes(huge), huge.size(), ani));
  EXPECT_EQ(ani.Frames.size(), 2u);

  recipe.Frames = 1;
  recipe.HeaderSize = 20;
  const std::string shortHeader = icontest::BuildAniFile(recipe);
  EXPECT_FALSE(kitani::ReadAniFile(Bytes(shortHeader), shortHeader.size(), ani));
  recipe.HeaderSize = 36;
  recipe.Flags = 0;
  const std::string noIconFlag = icontest::BuildAniFile(recipe);
  EXPECT_FALSE(kitani::ReadAniFile(Bytes(noIconFlag), noIconFlag.size(), ani));
  recipe.Flags = 1;
  recipe.Icons.clear();
  const std::string noIcons = icontest::BuildAniFile(recipe);
  EXPECT_FALSE(kitani::ReadAniFile(Bytes(noIcons), noIcons.size(), ani));

  // Chunk sizes that would wrap a 32-bit position, or pass the parent list.
  const size_t other = good.find("ZZZZ");
  ASSERT_NE(other, std::string::npos);
  for (uint32_t size : {0xFFFFFFFFu, 0xFFFFFFF8u, 0x80000000u}) {
    std::string bad = good;
    Set32(bad, other + 4, size);
    EXPECT_FALSE(kitani::ReadAniFile(Bytes(bad), bad.size(), ani));
    std::string riff = good;
    Set32(riff, 4, size);
    EXPECT_TRUE(kitani::ReadAniFile(Bytes(riff), riff.size(), ani));
  }
  std::string passes = good;
  const size_t icon = good.find("icon");
  Set32(passes, icon + 4, uint32_t(good.size()));
  EXPECT_FALSE(kitani::ReadAniFile(Bytes(passes), passes.size(), ani));
}

TEST(IconListStream, RoundTripWithEmptyEntriesAndCheckedSizes) {
  const std::vector<std::string> entries = {"abc", "", std::string(1000, 'z'), ""};
  std::string bytes = kiticonlist::WriteIconListStream(entries);
  bytes += "after";
  std::vector<std::string> back;
  size_t used = 0;
  ASSERT_TRUE(kiticonlist::ReadIconListStream(Bytes(bytes), bytes.size(), back, used));
  EXPECT_EQ(back, entries);
  EXPECT_EQ(used, bytes.size() - 5);

  for (size_t n = 0; n < used; ++n) EXPECT_FALSE(kiticonlist::ReadIconListStream(Bytes(bytes), n, back, used)) << n;
  std::string count = bytes;
  Set32(count, 0, 0xFFFFFFFF);
  EXPECT_FALSE(kiticonlist::ReadIconListStream(Bytes(count), count.size(), back, used));
  std::string size = bytes;
  Set32(size, 4, 0xFFFFFFFF);
  EXPECT_FALSE(kiticonlist::ReadIconListStream(Bytes(size), size.size(), back, used));
  const std::string none = kiticonlist::WriteIconListStream({});
  ASSERT_TRUE(kiticonlist::ReadIconListStream(Bytes(none), none.size(), back, used));
  EXPECT_TRUE(back.empty());
}
