// Listing the presets of a large SoundFont reads the small chunks only, never the sample data.
#include <gtest/gtest.h>

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

 protected:
  int_type underflow() override { return FInner->sgetc(); }
  int_type uflow() override {
    int_type c = FInner->sbumpc();
    if (!traits_type::eq_int_type(c, traits_type::eof())) ++BytesRead;
    return c;
  }
  std::streamsize xsgetn(char* s, std::streamsize n) override {
    std::streamsize got = FInner->sgetn(s, n);
    BytesRead += uint64_t(got);
    return got;
  }
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override {
    return FInner->pubseekoff(off, dir, which);
  }
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override { return FInner->pubseekpos(pos, which); }

 private:
  std::streambuf* FInner;
};

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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
