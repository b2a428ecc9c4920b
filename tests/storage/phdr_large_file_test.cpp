// Listing the presets of a large SoundFont reads the small chunks only, never the sample data.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "phdr_chunk.h"
#include "sf2_builder.h"

namespace {

// Passes reads and seeks through to a file and counts the bytes handed out.
class TCountingBuf : public std::streambuf {
 public:
  explicit TCountingBuf(std::streambuf* inner) : FInner(inner) {}
  uint64_t BytesRead = 0;
  unsigned Seeks = 0;
  unsigned Reads = 0;  // calls that hand out bytes: each may be a refill of the file's buffer

 protected:
  int_type underflow() override { return FInner->sgetc(); }
  int_type uflow() override {
    int_type c = FInner->sbumpc();
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++BytesRead;
    return c;
  }
  std::streamsize xsgetn(char* s, std::streamsize n) override {
    ++Reads;
    std::streamsize got = FInner->sgetn(s, n);
    BytesRead += uint64_t(got);
    return got;
  }
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
    if (off != 0 || dir != std::ios_base::cur) ++Seeks;  // telling the position is no seek
    return FInner->pubseekoff(off, dir, which);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override {
    ++Seeks;
    return FInner->pubseekpos(pos, which);
  }

 private:
  std::streambuf* FInner;
};

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

struct TSpread {
  double Min, Median, Max;
};

TSpread SpreadOf(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return {times.front(), times[times.size() / 2], times.back()};
}

}  // namespace

TEST(PhdrLargeFile, ListingReadsOnlyTheSmallChunks) {
  const uint64_t kSampleBytes = 100ull << 20;
  sf2test::Sf2Builder b;
  const int kPresets = 200;
  const uint32_t framesEach = uint32_t(kSampleBytes / 2 / kPresets);
  for (int i = 0; i < kPresets; ++i)
    b.AddPresetWithSamples("Big " + std::to_string(i), uint16_t(i < 128 ? 0 : 128), uint16_t(i % 128), {framesEach});
  const std::string path = (std::filesystem::temp_directory_path() / "tarnbel_phdr_large.sf2").string();

  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(b.Write(path));
  const double writeMs = MillisecondsSince(start);
  const uint64_t fileSize = std::filesystem::file_size(path);
  ASSERT_GE(fileSize, kSampleBytes);

  std::filebuf file;
  ASSERT_TRUE(file.open(path, std::ios::in | std::ios::binary));
  TCountingBuf counter(&file);
  std::istream in(&counter);
  start = std::chrono::steady_clock::now();
  TphdrChunk phdr;
  ASSERT_TRUE(phdr.Load(in, -1));
  const double listMs = MillisecondsSince(start);
  ASSERT_EQ(size_t(kPresets), phdr.Presets.size());
  EXPECT_EQ("Big 150", phdr.GetPresetName(128, 22));
  // Chunk headers plus the preset records: a few kilobytes of a file of more than 100 MB.
  EXPECT_LT(counter.BytesRead, uint64_t(kPresets + 1) * 38 + 4096);
  const uint64_t listed = counter.BytesRead;
  file.close();

  // For comparison: reading the bytes of the pdta list alone, its position known beforehand.
  sf2test::Sf2ChunkSpan pdta;
  for (const sf2test::Sf2ChunkSpan& s : b.Layout())
    if (s.ListType == "pdta") pdta = s;
  start = std::chrono::steady_clock::now();
  std::ifstream raw(path, std::ios::binary);
  raw.seekg(std::streamoff(pdta.Pos));
  std::vector<char> bytes(pdta.Size + 8);
  raw.read(bytes.data(), std::streamsize(bytes.size()));
  const double pdtaMs = MillisecondsSince(start);
  ASSERT_EQ(std::streamsize(bytes.size()), raw.gcount());
  raw.close();

  std::cout << "[ figures  ] " << fileSize << "-byte file written in " << writeMs << " ms; listing " << kPresets
            << " preset headers read " << listed << " bytes in " << listMs << " ms; reading the " << bytes.size()
            << " pdta bytes alone took " << pdtaMs << " ms" << std::endl;
  std::remove(path.c_str());
}

// A bank the size of a common General MIDI bank: 189 presets of six samples each, about 140 MB. The
// listing opens the file and reads the preset headers; the plain read opens it and reads the pdta
// list whole, its position known beforehand. Both run warm, 50 times each, interleaved.
TEST(PhdrLargeFile, GeneralMidiSizedListingTakesLittleMoreThanAPlainReadOfThePdta) {
  sf2test::Sf2Builder b;
  const int kPresets = 189;
  const uint32_t kFramesEach = 140000000 / 2 / (kPresets * 6);
  for (int i = 0; i < kPresets; ++i) {
    const bool kit = i >= 128;
    b.AddPresetWithSamples((kit ? "Kit " : "Preset ") + std::to_string(i), uint16_t(kit ? 128 : 0),
                           uint16_t(kit ? i - 128 : i), std::vector<uint32_t>(6, kFramesEach));
  }
  const std::string path = (std::filesystem::temp_directory_path() / "tarnbel_phdr_gm.sf2").string();
  ASSERT_TRUE(b.Write(path));
  sf2test::Sf2ChunkSpan pdta;
  for (const sf2test::Sf2ChunkSpan& s : b.Layout())
    if (s.ListType == "pdta") pdta = s;

  // What one listing asks of the file: a handful of seeks and reads, whatever lies before the pdta.
  {
    std::filebuf file;
    ASSERT_TRUE(file.open(path, std::ios::in | std::ios::binary));
    TCountingBuf counter(&file);
    std::istream in(&counter);
    TphdrChunk phdr;
    ASSERT_TRUE(phdr.Load(in, -1));
    ASSERT_EQ(size_t(kPresets), phdr.Presets.size());
    EXPECT_EQ("Kit 150", phdr.GetPresetName(128, 22));
    std::cout << "[ figures  ] one listing: " << counter.Seeks << " seeks, " << counter.Reads << " reads, "
              << counter.BytesRead << " bytes" << std::endl;
    EXPECT_LE(counter.Seeks, 12u);
    EXPECT_LE(counter.Reads, 12u);
  }

  auto list = [&] {
    std::ifstream in(path, std::ios::binary);
    TphdrChunk phdr;
    return phdr.Load(in, -1) && phdr.Presets.size() == size_t(kPresets);
  };
  std::vector<char> bytes(pdta.Size + 8);
  auto plainRead = [&] {
    std::ifstream raw(path, std::ios::binary);
    raw.seekg(std::streamoff(pdta.Pos));
    raw.read(bytes.data(), std::streamsize(bytes.size()));
    return raw.gcount() == std::streamsize(bytes.size());
  };
  ASSERT_TRUE(list());
  ASSERT_TRUE(plainRead());
  std::vector<double> listing, plain;
  for (int round = 0; round < 50; ++round) {
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(list());
    listing.push_back(MillisecondsSince(start));
    start = std::chrono::steady_clock::now();
    ASSERT_TRUE(plainRead());
    plain.push_back(MillisecondsSince(start));
  }
  const TSpread l = SpreadOf(listing), p = SpreadOf(plain);
  std::cout << "[ figures  ] " << std::filesystem::file_size(path) << "-byte bank, " << kPresets
            << " presets, 50 warm runs (min/median/max ms): listing " << l.Min << "/" << l.Median << "/" << l.Max
            << ", plain read of the " << bytes.size() << " pdta bytes " << p.Min << "/" << p.Median << "/" << p.Max
            << "; median ratio " << l.Median / p.Median << ", min ratio " << l.Min / p.Min << std::endl;
  // The best runs are the least disturbed by other work on the machine.
  EXPECT_LE(l.Min, 2 * p.Min);
  std::remove(path.c_str());
}
