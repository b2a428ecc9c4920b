#include "kit_icon_list_stream.h"

namespace kiticonlist {

namespace {

void Put32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xFF));
}
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

}  // namespace

std::string WriteIconListStream(const std::vector<std::string>& entries) {
  std::string out;
  Put32(out, uint32_t(entries.size()));
  for (const std::string& e : entries) {
    Put32(out, uint32_t(e.size()));
    out += e;
  }
  return out;
}

bool ReadIconListStream(const uint8_t* data, size_t size, std::vector<std::string>& entries, size_t& consumed) {
  entries.clear();
  consumed = 0;
  if (size < 4) return false;
  const uint32_t count = Get32(data);
  size_t pos = 4;
  // Each entry takes at least its size field.
  if (count > (size - pos) / 4) return false;
  entries.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    if (size - pos < 4) return false;
    const uint32_t n = Get32(data + pos);
    pos += 4;
    if (n > size - pos) return false;
    entries.emplace_back(reinterpret_cast<const char*>(data + pos), n);
    pos += n;
  }
  consumed = pos;
  return true;
}

}  // namespace kiticonlist
