#include "sample_source.h"

#include <algorithm>
#include <fstream>

namespace simcard {

uint64_t SampleSource::Bytes() const {
  uint64_t bytes = 0;
  for (const SampleRange& range : ranges) bytes += range.length;
  return bytes;
}

bool ReadSampleData(const std::string& file, const SampleSource& source) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::vector<char> block(1 << 20);
  for (const SampleRange& range : source.ranges) {
    in.seekg(static_cast<std::streamoff>(range.offset));
    uint64_t left = range.length;
    while (left > 0) {
      const size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
      if (!in.read(block.data(), static_cast<std::streamsize>(chunk))) return false;
      left -= chunk;
    }
  }
  return true;
}

}  // namespace simcard
