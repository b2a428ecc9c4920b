// Writes small SF2, GIF, icon, cursor, animated cursor, icon list and mapping text files from the test
// builders into the folder given, as the fuzzers' seeds.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "gif_builder.h"
#include "icon_builder.h"
#include "sf2_builder.h"
#include "sf2_damage.h"

namespace {

bool WriteSeed(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  return bool(out);
}

// Files of every block kind, interlaced and not, with global and local tables.
bool WriteGifSeeds(const std::string& folder) {
  giftest::GifRecipe recipe;
  recipe.Width = 11;
  recipe.Height = 9;
  recipe.GlobalTable = giftest::GreyTable(16);
  recipe.LoopCount = 3;
  for (int i = 0; i < 3; ++i) {
    giftest::FrameRecipe f;
    f.Left = uint16_t(i);
    f.Width = uint16_t(11 - i);
    f.Height = 9;
    f.Interlaced = i == 1;
    f.CodeSize = i == 2 ? 8 : 4;
    if (i == 2) f.LocalTable = giftest::GreyTable(256);
    for (int p = 0; p < f.Width * f.Height; ++p) f.Pixels.push_back(uint8_t((p * 5 + i) % (i == 2 ? 256 : 16)));
    f.GraphicControl = i != 1;
    f.GcPacked = uint8_t(1 | i << 2);
    f.Delay = uint16_t(10 * i);
    f.TransparentIndex = 15;
    f.Comments = {"frame " + std::to_string(i)};
    f.OtherApplicationBefore = i == 1;
    f.ClearEvery = i == 0 ? 3 : 0;
    recipe.Frames.push_back(f);
  }
  recipe.TrailingComments = {"made by the test builder"};
  bool ok = WriteSeed(folder + "/frames.gif", giftest::BuildGif(recipe));
  recipe.Frames.resize(1);
  recipe.Frames[0].PlainTextBefore = true;
  recipe.Signature = "GIF87a";
  ok &= WriteSeed(folder + "/one.gif", giftest::BuildGif(recipe));
  return ok;
}

bool WriteIconSeeds(const std::string& folder) {
  const std::vector<icontest::ImageRecipe> images = {{16, 16, 1, 1, 2}, {8, 8, 4, 3, 4}, {4, 4, 8, 0, 0}, {3, 2, 24, 1, 1},
                                                   {2, 2, 32, 1, 0}};
  bool ok = WriteSeed(folder + "/depths.ico", icontest::BuildIconFile(1, images));
  ok &= WriteSeed(folder + "/hot.cur", icontest::BuildIconFile(2, {images[1], images[3]}));
  icontest::AniRecipe ani;
  ani.Frames = 2;
  ani.Rates = {4, 8};
  ani.Sequence = {1, 0};
  ani.Icons = {icontest::BuildIconFile(2, {images[1]}), icontest::BuildIconFile(1, {images[3]})};
  ani.Title = "seed";
  ani.Creator = "builder";
  const std::string aniBytes = icontest::BuildAniFile(ani);
  ok &= WriteSeed(folder + "/frames.ani", aniBytes);
  // An icon list of two saved icons and an empty entry.
  std::string list;
  auto put32 = [&](uint32_t v) {
    for (int i = 0; i < 4; ++i) list.push_back(char((v >> (8 * i)) & 0xFF));
  };
  const std::string icon = icontest::BuildIconFile(1, {images[1]});
  put32(3);
  put32(uint32_t(icon.size()));
  list += icon;
  put32(0);
  put32(uint32_t(icon.size()));
  list += icon;
  ok &= WriteSeed(folder + "/icons.lst", list);
  return ok;
}

// Mapping texts, each after the line with its mapping's name: names that look like headers, sections of one
// file in two spellings, parked entries, lines with nowhere to go.
bool WriteMappingTextSeeds(const std::string& folder) {
  const std::string body =
      "[Name]\nignored\n\n[Bank backgrounds]\n128:C:\\bg.bmp\n\n[Bank colors]\n003:255\n003:255\n\n"
      "[Bank names]\n005:Strings\n\n[C:\\sf\\piano.sf2]\n000: 005: 000: 010: Grand Piano\n"
      "000: 006: 000: 010:*Parked\n\n[c:\\SF\\PIANO.sf2]\n000: 007: 000: 011: Other\n\n"
      "[C:\\waves]\n200: 000: 003: 007: loops\\beat.wav|Beat\n\n[]\nlost\n[\nlost\n";
  bool ok = true;
  int n = 0;
  for (const char* name : {"Piano", "[Bank colors]", "[bank names]", "[Name]", "", " [Bank backgrounds] "})
    ok &= WriteSeed(folder + "/mapping" + std::to_string(n++) + ".txt", std::string(name) + "\n" + body);
  ok &= WriteSeed(folder + "/mapping_headers_only.txt", "x\n[BANK NAMES]\n001:One\n[bank colors]\n002:7\n");
  // A header right after "[Name]" is the name; an item that is a header but for bytes the system passes over.
  ok &= WriteSeed(folder + "/mapping_name_header.txt",
                  "x\n[Name]\n[Bank names]\n\n[C:\\a.sf2]\n000: 000: 000: 000: e\n");
  ok &= WriteSeed(folder + "/mapping_soft_hyphen.txt",
                  "x\n[Bank backgrounds]\n\xAD[Bank names]\n\n[Bank names]\n\n[C:\\a.sf2]\n000: 000: 000: 000: e\n" +
                      std::string("[B\0ank colors]\n", 15));
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  bool ok = true;

  sf2test::Sf2Builder one;
  one.AddPresetWithSamples("Piano", 0, 0, {16});
  ok &= one.Write(folder + "/one.sf2");

  sf2test::Sf2Builder kit;
  kit.AddPresetWithSamples("Strings", 0, 48, {8, 12});
  kit.AddPresetWithSamples("Standard Kit", 128, 0, {4, 4, 4});
  kit.AddPresetWithSamples("A name of twenty ch.", 5, 127, {});
  ok &= kit.Write(folder + "/kit.sf2");

  sf2test::Sf2Builder many;
  uint32_t shared = many.AddSample("shared", 4);
  for (int i = 0; i < 40; ++i) many.AddPreset("P" + std::to_string(i), uint16_t(i % 3), uint16_t(i), {shared});
  ok &= many.Write(folder + "/many.sf2");

  // Damaged copies as users meet them: cut short, with a lying preset header size, or wrongly built.
  int n = 0;
  std::vector<sf2test::Sf2DamagedCopy> damaged = sf2test::DamagedCopies(kit);
  for (sf2test::Sf2DamagedCopy& copy : sf2test::StructureDamagedCopies(kit)) damaged.push_back(copy);
  for (const sf2test::Sf2DamagedCopy& copy : damaged) {
    std::ofstream out(folder + "/damaged" + std::to_string(n++) + ".sf2", std::ios::binary);
    out.write(copy.Bytes.data(), std::streamsize(copy.Bytes.size()));
    ok &= bool(out);
  }

  // A stereo 16-bit wave: 3 frames.
  const char wave[] = "RIFF\x30\0\0\0WAVEfmt \x10\0\0\0\1\0\2\0\x44\xac\0\0\x10\xb1\2\0\4\0\x10\0"
                      "data\x0c\0\0\0\1\0\xff\xff\2\0\xfe\xff\3\0\xfd\xff";
  ok &= WriteSeed(folder + "/stereo.wav", std::string(wave, sizeof(wave) - 1));

  ok &= WriteGifSeeds(folder);
  ok &= WriteIconSeeds(folder);
  ok &= WriteMappingTextSeeds(folder);
  return ok ? 0 : 1;
}
