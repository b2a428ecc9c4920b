// libFuzzer target for the icon list's stored form: a list read is written back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kit_icon_list_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> entries;
  size_t used = 0;
  if (!kiticonlist::ReadIconListStream(data, size, entries, used)) return 0;
  const std::string written = kiticonlist::WriteIconListStream(entries);
  if (used > size || written.size() != used || std::memcmp(written.data(), data, used) != 0) abort();
  return 0;
}
