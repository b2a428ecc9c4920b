// The sample data of a .wav file as a card loads it.
#include <fstream>

#include "riff_body.h"
#include "sample_source.h"

namespace simcard {

namespace {
std::string BaseName(const std::string& file) {
  const size_t slash = file.find_last_of("\\/");
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  const size_t dot = name.find_last_of('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}
}  // namespace

LoadStatus MeasureWave(const std::string& file, SampleSource& source) {
  source = SampleSource();
  std::ifstream in(file, std::ios::binary);
  if (!in) return LoadStatus::NoFile;
  TChunk riff;
  if (!riff.ReadHeader(in, 0) || riff.ID != "RIFF" || riff.ListType != "WAVE") return LoadStatus::Damaged;
  TChunk fmt, data;
  std::vector<uint8_t> format;
  if (!FindChild(riff, "fmt ", "", fmt) || !ReadBody(in, fmt, format) || format.size() < 16 ||
      !FindChild(riff, "data", "", data)) {
    return LoadStatus::Damaged;
  }
  const uint16_t tag = U16(&format[0]);
  const uint16_t channels = U16(&format[2]);
  const uint16_t bits = U16(&format[14]);
  if (tag != 1 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return LoadStatus::UnsupportedWave;
  in.clear();
  in.seekg(0, std::ios::end);
  const uint64_t fileSize = static_cast<uint64_t>(in.tellg());
  if (static_cast<uint64_t>(data.DataPos) + data.Size > fileSize) return LoadStatus::Damaged;
  source.name = BaseName(file);
  source.ranges.push_back({static_cast<uint64_t>(data.DataPos), data.Size});
  return LoadStatus::Loaded;
}

}  // namespace simcard
