#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "phdr_chunk.h"
#include "sf2_builder.h"
#include "sf2_damage.h"

using sf2test::Sf2Builder;
using sf2test::Sf2ChunkSpan;

namespace {

const Sf2ChunkSpan& SpanOf(const std::vector<Sf2ChunkSpan>& layout, const std::string& id) {
  for (const Sf2ChunkSpan& s : layout)
    if (s.ID == id || s.ListType == id) return s;
  throw std::runtime_error("no chunk " + id);
}

void Patch32(std::string& bytes, uint64_t pos, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[pos + i] = char((value >> (8 * i)) & 0xFF);
}

struct TLoaded {
  bool Found = false;
  TphdrChunk Phdr;
};

// Loads from memory; the stream dies with the call, the records stay.
TLoaded LoadBytes(const std::string& bytes) {
  TLoaded result;
  std::stringstream stream(bytes, std::ios::in | std::ios::out | std::ios::binary);
  result.Found = result.Phdr.Load(stream, -1);
  return result;
}

Sf2Builder PresetsBuilder(int count) {
  Sf2Builder b;
  for (int i = 0; i < count; ++i)
    b.AddPresetWithSamples("Preset " + std::to_string(i), uint16_t(i % 129), uint16_t((i * 7) % 128), {uint32_t(i % 5)});
  return b;
}

std::string TempPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() / ("tarnbel_phdr_" + name)).string();
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(PhdrChunk, ListsEveryPresetOfBuiltFiles) {
  for (int count : {1, 100, 1000}) {
    SCOPED_TRACE(count);
    Sf2Builder b = PresetsBuilder(count);
    TLoaded loaded = LoadBytes(b.Build());
    ASSERT_TRUE(loaded.Found);
    ASSERT_EQ(size_t(count), loaded.Phdr.Presets.size());
    for (int i = 0; i < count; ++i) {
      const SF2PresetHeader& h = loaded.Phdr.Presets[i];
      EXPECT_EQ(b.Presets()[i].Name, loaded.Phdr.GetPresetNameAt(i));
      EXPECT_EQ(b.Presets()[i].Bank, h.wBank);
      EXPECT_EQ(b.Presets()[i].Program, h.wPreset);
      EXPECT_EQ(i, h.wPresetBagNdx);
    }
    EXPECT_EQ(SpanOf(b.Layout(), "phdr").DataPos(), uint64_t(loaded.Phdr.DataPos));
  }
}

TEST(PhdrChunk, LooksUpMelodicAndDrumKitPresets) {
  Sf2Builder b;
  b.AddPresetWithSamples("Grand", 0, 0, {10});
  b.AddPresetWithSamples("Standard Kit", 128, 0, {10});
  b.AddPresetWithSamples("Bright", 0, 1, {});
  b.AddPresetWithSamples("Second Bright", 0, 1, {});
  b.AddPresetWithSamples("Exactly twenty chars", 3, 127, {});
  b.AddPresetWithSamples("Room Kit", 128, 8, {});
  TLoaded loaded = LoadBytes(b.Build());
  ASSERT_TRUE(loaded.Found);
  const TphdrChunk& p = loaded.Phdr;
  EXPECT_EQ("Grand", p.GetPresetName(0, 0));
  EXPECT_EQ("Standard Kit", p.GetPresetName(128, 0));
  EXPECT_EQ("Room Kit", p.GetPresetName(128, 8));
  EXPECT_EQ("Bright", p.GetPresetName(0, 1));  // the first of two with the same numbers
  EXPECT_EQ("Exactly twenty chars", p.GetPresetName(3, 127));
  EXPECT_EQ("Exactly twenty chars", p.GetPresetNameAt(4));
  EXPECT_EQ(NoneMarker, p.GetPresetName(128, 1));
  EXPECT_EQ(NoneMarker, p.GetPresetName(1, 0));
  EXPECT_EQ(NoneMarker, p.GetPresetName(32768, 0));
  EXPECT_EQ(NoneMarker, p.GetPresetNameAt(6));
  EXPECT_EQ(std::string("\x01\x03\x03", 3), NoneMarker);
}

TEST(PhdrChunk, LoadKeepsTheStreamPositionAndForgetsEarlierRecords) {
  const std::string bytes = PresetsBuilder(3).Build();
  std::stringstream stream(bytes, std::ios::in | std::ios::out | std::ios::binary);
  stream.seekg(17);
  TphdrChunk p;
  ASSERT_TRUE(p.Load(stream, -1));
  EXPECT_EQ(17, stream.tellg());
  EXPECT_EQ(3u, p.Presets.size());

  // A chunk named directly by its position gives the same records.
  TphdrChunk direct;
  ASSERT_TRUE(direct.Load(stream, p.ChunkPos));
  EXPECT_EQ(3u, direct.Presets.size());

  std::string noPdta = bytes;
  noPdta.replace(SpanOf(PresetsBuilder(3).Layout(), "pdta").Pos + 8, 4, "pdtb");
  std::stringstream other(noPdta, std::ios::in | std::ios::out | std::ios::binary);
  EXPECT_FALSE(p.Load(other, -1));
  EXPECT_FALSE(p.Found);
  EXPECT_TRUE(p.Presets.empty());
  EXPECT_EQ(NoneMarker, p.GetPresetName(0, 0));
}

TEST(PhdrChunk, WriteBackChangesOnlyThatRecordsBank) {
  Sf2Builder b = PresetsBuilder(100);
  const std::string path = TempPath("writeback.sf2");
  ASSERT_TRUE(b.Write(path));
  const std::string before = ReadFile(path);
  uint64_t recordPos = 0;
  {
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    TphdrChunk p;
    ASSERT_TRUE(p.Load(file, -1));
    p.Presets[42].wBank = 0x1234;
    file.seekg(5);
    ASSERT_TRUE(p.Save(file, -1));
    EXPECT_EQ(5, file.tellg());
    recordPos = uint64_t(p.DataPos) + 42 * 38;
  }
  const std::string after = ReadFile(path);
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < after.size(); ++i)
    if (i != recordPos + 22 && i != recordPos + 23) {
      ASSERT_EQ(before[i], after[i]) << "byte " << i;
    }
  EXPECT_EQ('\x34', after[recordPos + 22]);
  EXPECT_EQ('\x12', after[recordPos + 23]);

  std::ifstream reread(path, std::ios::binary);
  TphdrChunk again;
  ASSERT_TRUE(again.Load(reread, -1));
  EXPECT_EQ(b.Presets()[42].Name, again.GetPresetName(0x1234, b.Presets()[42].Program));
  reread.close();
  std::remove(path.c_str());
}

TEST(PhdrChunk, NoWriteBackWithoutTheChunkOrBeyondIt) {
  Sf2Builder b = PresetsBuilder(4);
  const std::string bytes = b.Build();
  TphdrChunk loaded = LoadBytes(bytes).Phdr;
  ASSERT_EQ(4u, loaded.Presets.size());

  // No pdta list: nothing is written.
  std::string noPdta = bytes.substr(0, SpanOf(b.Layout(), "pdta").Pos);
  Patch32(noPdta, 4, uint32_t(noPdta.size() - 8));
  std::stringstream s1(noPdta, std::ios::in | std::ios::out | std::ios::binary);
  EXPECT_FALSE(loaded.Save(s1, -1));
  EXPECT_EQ(noPdta, s1.str());

  // More records than the chunk holds would overwrite the next chunk: refused.
  TphdrChunk grown = loaded;
  grown.Presets.resize(6, grown.Presets[0]);
  std::stringstream s2(bytes, std::ios::in | std::ios::out | std::ios::binary);
  EXPECT_FALSE(grown.Save(s2, -1));
  EXPECT_EQ(bytes, s2.str());

  // Records loaded from a file go where the chunk is in the file written to, and its header stays.
  Sf2Builder bigger = PresetsBuilder(4);
  bigger.BankName = "a longer bank name that moves every chunk after it";
  const std::string target = bigger.Build();
  loaded.Presets[1].wBank = 77;
  std::stringstream s3(target, std::ios::in | std::ios::out | std::ios::binary);
  ASSERT_TRUE(loaded.Save(s3, -1));
  const uint64_t bankPos = SpanOf(bigger.Layout(), "phdr").DataPos() + 38 + 22;
  std::string expected = target;
  expected[bankPos] = char(77);
  expected[bankPos + 1] = 0;
  EXPECT_EQ(expected, s3.str());
}

TEST(PhdrChunk, TruncatedAtEveryChunkBoundaryKeepsTheWholeRecordsRead) {
  Sf2Builder b = PresetsBuilder(5);
  const std::string bytes = b.Build();
  const std::vector<Sf2ChunkSpan> layout = b.Layout();
  const Sf2ChunkSpan& phdr = SpanOf(layout, "phdr");
  std::vector<uint64_t> cuts;
  for (const Sf2ChunkSpan& s : layout)
    for (uint64_t cut : {s.Pos, s.Pos + 3, s.Pos + 8, s.Pos + 11, s.DataPos() + 1, s.End() - 1, s.End()})
      cuts.push_back(cut);
  for (uint64_t r = 0; r <= 6; ++r) cuts.push_back(phdr.DataPos() + 38 * r + 20);
  for (uint64_t cut : cuts) {
    if (cut > bytes.size()) continue;
    SCOPED_TRACE(cut);
    TLoaded loaded = LoadBytes(bytes.substr(0, cut));
    const bool headerWhole = cut >= phdr.DataPos();
    EXPECT_EQ(headerWhole, loaded.Found);
    const size_t whole = headerWhole ? size_t(std::min<uint64_t>(5, (cut - phdr.DataPos()) / 38)) : 0;
    ASSERT_EQ(whole, loaded.Phdr.Presets.size());
    for (size_t i = 0; i < whole; ++i) EXPECT_EQ(b.Presets()[i].Name, loaded.Phdr.GetPresetNameAt(i));
  }
}

TEST(PhdrChunk, ChunkSizesPastTheEndOrWrappingEndTheWalk) {
  Sf2Builder b = PresetsBuilder(5);
  const std::string bytes = b.Build();
  const std::vector<Sf2ChunkSpan> layout = b.Layout();
  const uint64_t sdtaPos = SpanOf(layout, "sdta").Pos;
  const uint64_t phdrPos = SpanOf(layout, "phdr").Pos;

  // Sizes whose step to the next chunk wraps 32 bits back onto (or before) the chunk itself.
  for (uint32_t size : {0xFFFFFFF8u, 0xFFFFFFFFu, 0xFFFFFFF0u}) {
    std::string damaged = bytes;
    Patch32(damaged, sdtaPos + 4, size);
    EXPECT_FALSE(LoadBytes(damaged).Found) << size;
  }
  for (uint32_t size : {0xFFFFFFF8u, 0x7FFFFFFFu}) {
    std::string damaged = bytes;
    Patch32(damaged, 4, size);  // RIFF
    EXPECT_EQ(5u, LoadBytes(damaged).Phdr.Presets.size()) << size;
  }

  // phdr claiming more than the file: the walk stops at "EOP", or at the file's end without it.
  std::string pastEnd = bytes;
  Patch32(pastEnd, phdrPos + 4, 0xFFFFFFFFu);
  EXPECT_EQ(5u, LoadBytes(pastEnd).Phdr.Presets.size());
  std::string noEop = pastEnd.substr(0, phdrPos + 8 + 5 * 38 + 30);  // cut inside the "EOP" record
  TLoaded cut = LoadBytes(noEop);
  EXPECT_TRUE(cut.Found);
  EXPECT_EQ(5u, cut.Phdr.Presets.size());
}

TEST(PhdrChunk, OddSmallAndUnterminatedPhdrChunks) {
  Sf2Builder b = PresetsBuilder(5);
  const std::string bytes = b.Build();
  const std::vector<Sf2ChunkSpan> layout = b.Layout();
  const uint64_t phdrPos = SpanOf(layout, "phdr").Pos;
  auto withPhdrSize = [&](uint32_t size) {
    std::string damaged = bytes;
    Patch32(damaged, phdrPos + 4, size);
    return LoadBytes(damaged);
  };
  for (uint32_t size : {0u, 1u, 37u}) {
    TLoaded loaded = withPhdrSize(size);
    EXPECT_TRUE(loaded.Found);
    EXPECT_TRUE(loaded.Phdr.Presets.empty()) << size;
  }
  EXPECT_EQ(1u, withPhdrSize(38).Phdr.Presets.size());
  EXPECT_EQ(2u, withPhdrSize(2 * 38 + 10).Phdr.Presets.size());  // a third would end past the chunk
  EXPECT_EQ(3u, withPhdrSize(3 * 38 + 37).Phdr.Presets.size());

  // Without "EOP" every record read stays, the terminal one too.
  std::string unterminated = bytes;
  unterminated[phdrPos + 8 + 5 * 38 + 2] = 'X';
  TLoaded loaded = LoadBytes(unterminated);
  ASSERT_EQ(6u, loaded.Phdr.Presets.size());
  EXPECT_EQ("EOX", loaded.Phdr.GetPresetNameAt(5));

  // "EOP" ends the list only as a whole name.
  std::string longer = bytes;
  longer.replace(phdrPos + 8 + 5 * 38, 4, "EOPS");
  EXPECT_EQ(6u, LoadBytes(longer).Phdr.Presets.size());
}

TEST(PhdrChunk, OddSizedChunksAndMissingOrMisnamedLists) {
  Sf2Builder b = PresetsBuilder(2);
  const std::string bytes = b.Build();
  const std::vector<Sf2ChunkSpan> layout = b.Layout();
  const uint64_t pdtaPos = SpanOf(layout, "pdta").Pos;

  // An odd-sized chunk is followed at once by the next one: no pad byte.
  std::string odd = bytes;
  odd.insert(pdtaPos, std::string("junk\x03\x00\x00\x00xyz", 11));
  Patch32(odd, 4, uint32_t(odd.size() - 8));
  EXPECT_EQ(2u, LoadBytes(odd).Phdr.Presets.size());

  for (const char* name : {"pdtA", "sdta"}) {
    std::string renamed = bytes;
    renamed.replace(pdtaPos + 8, 4, name);
    EXPECT_FALSE(LoadBytes(renamed).Found) << name;
  }
  std::string lowerList = bytes;
  lowerList.replace(pdtaPos, 4, "list");
  EXPECT_FALSE(LoadBytes(lowerList).Found);

  // A "phdr" outside any pdta list is not the one.
  std::string noPdta = bytes.substr(0, pdtaPos) + bytes.substr(pdtaPos + 12);
  EXPECT_FALSE(LoadBytes(noPdta).Found);

  for (size_t n : {0, 4, 8, 11, 12})
    EXPECT_FALSE(LoadBytes(bytes.substr(0, n)).Found) << n;

  // Thousands of empty chunks: the walk still ends.
  std::string empties = bytes.substr(0, 12);
  for (int i = 0; i < 5000; ++i) empties += std::string("LIST\0\0\0\0", 8);
  EXPECT_FALSE(LoadBytes(empties).Found);
}

namespace {

// The preset-header lookup as plainly as it can be said, over the whole file in memory: each step
// reads its header where it lies. It shares nothing with the reader it checks.
struct TPlainListing {
  bool Found = false;
  std::vector<std::string> Records;  // the 38 bytes of each record before "EOP"
};

TPlainListing PlainListing(const std::string& file) {
  auto u32 = [&](uint64_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(uint8_t(file[at + i])) << (8 * i);
    return v;
  };
  auto isList = [&](uint64_t at) { return file.compare(at, 4, "RIFF") == 0 || file.compare(at, 4, "LIST") == 0; };
  // The child of the chunk at parent with this ID (and list type), walking to the file's end.
  auto find = [&](uint64_t parent, const char* id, const char* listType, uint64_t& child) {
    uint64_t at = parent + (isList(parent) ? 12 : 8);
    while (at + 8 <= file.size()) {
      if (isList(at) && at + 12 > file.size()) return false;
      if (file.compare(at, 4, id) == 0 && (!listType || file.compare(at + 8, 4, listType) == 0)) {
        child = at;
        return true;
      }
      at += 8 + uint64_t(u32(at + 4));
    }
    return false;
  };
  TPlainListing listing;
  uint64_t pdta = 0, phdr = 0;
  if (file.size() < 12 || !find(0, "LIST", "pdta", pdta) || !find(pdta, "phdr", nullptr, phdr)) return listing;
  listing.Found = true;
  const int64_t last = int64_t(phdr) + 8 + int64_t(u32(phdr + 4)) - 38;
  for (int64_t at = int64_t(phdr) + 8; at <= last && uint64_t(at) + 38 <= file.size(); at += 38) {
    const std::string record = file.substr(size_t(at), 38);
    if (std::string(record.c_str(), strnlen(record.c_str(), 20)) == "EOP") break;
    listing.Records.push_back(record);
  }
  return listing;
}

}  // namespace

// However a file is damaged, the listing gives what the plain lookup gives.
TEST(PhdrChunk, ListingAgreesWithThePlainLookupOnDamagedFiles) {
  Sf2Builder builder = PresetsBuilder(6);
  std::vector<std::string> files = {builder.Build()};
  for (const sf2test::Sf2DamagedCopy& copy : sf2test::DamagedCopies(builder)) files.push_back(copy.Bytes);
  // Random bytes of the chunk headers changed, the same every run.
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  std::vector<uint64_t> headerBytes;
  for (const Sf2ChunkSpan& span : builder.Layout())
    for (uint64_t i = 0; i < (span.ListType.empty() ? 8u : 12u); ++i) headerBytes.push_back(span.Pos + i);
  for (int i = 0; i < 2000; ++i) {
    std::string bytes = files[0];
    for (int changes = 1 + next() % 3; changes > 0; --changes)
      bytes[headerBytes[(next() >> 8) % headerBytes.size()]] = char(next() >> 16);
    files.push_back(bytes);
  }

  for (size_t f = 0; f < files.size(); ++f) {
    const TPlainListing expected = PlainListing(files[f]);
    const TLoaded loaded = LoadBytes(files[f]);
    ASSERT_EQ(loaded.Found, expected.Found) << "file " << f;
    ASSERT_EQ(loaded.Phdr.Presets.size(), expected.Records.size()) << "file " << f;
    for (size_t r = 0; r < expected.Records.size(); ++r)
      ASSERT_EQ(std::memcmp(&loaded.Phdr.Presets[r], expected.Records[r].data(), 38), 0) << "file " << f;
  }
}
