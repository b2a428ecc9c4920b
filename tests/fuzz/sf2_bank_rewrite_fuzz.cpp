// libFuzzer target for the checks and the byte patch of "Set bank in file...": any bytes as an SF2 file.
// Besides the sanitizers' findings it stops on broken promises: a file passed as whole has its records
// inside it, where the preset-header reader finds them; the patch changes the presets' bank fields and
// nothing else, whatever the blocks it is given; a damaged file is never patched.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "phdr_chunk.h"
#include "sf2_bank_rewrite.h"

namespace {

void Check(bool condition) {
  if (!condition) abort();
}

std::string Patched(const std::string& original, const TPresetHeaderLayout& layout, uint16_t bank, size_t blockSize) {
  std::string bytes = original;
  for (size_t at = 0; at < bytes.size(); at += blockSize)
    SetBankInBlock(&bytes[at], std::min(blockSize, bytes.size() - at), at, layout, bank);
  return bytes;
}

void CheckBankText(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), std::min<size_t>(size, 12));
  uint16_t bank = 0;
  if (!ParseBankNumber(text, bank)) return;
  // Only a sign and digits, naming a number in 0-65535.
  Check(!text.empty() && text.find_first_not_of("+-0123456789") == std::string::npos);
  Check(std::strtol(text.c_str(), nullptr, 10) == bank);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckBankText(data, size);
  const std::string original(reinterpret_cast<const char*>(data), size);
  std::stringstream stream(original, std::ios::in | std::ios::out | std::ios::binary);
  const TPresetHeaderLayout layout = CheckPresetHeaders(stream);
  const uint16_t bank = size >= 2 ? uint16_t(data[size - 1] | data[size - 2] << 8) : 7;
  const size_t blockSize = 1 + (size > 0 ? data[0] % 97 : 0);

  if (layout.Damage != TSf2Damage::None) {
    Check(Patched(original, layout, bank, blockSize) == original);
    return 0;
  }
  Check(layout.FileSize == int64_t(size));
  Check(layout.Records >= 1 && layout.HeadersPos >= 12);
  Check(uint64_t(layout.HeadersPos) + layout.Records * 38 <= size);

  TphdrChunk reader;
  Check(reader.Load(stream, -1));
  Check(reader.DataPos == layout.HeadersPos);
  Check(reader.Presets.size() == layout.Presets());

  const std::string whole = Patched(original, layout, bank, size);
  Check(Patched(original, layout, bank, blockSize) == whole);
  for (size_t i = 0; i < size; ++i) {
    const int64_t offset = int64_t(i) - layout.HeadersPos;
    const bool bankByte =
        offset >= 0 && uint64_t(offset) < layout.Presets() * 38 && (offset % 38 == 22 || offset % 38 == 23);
    if (bankByte) Check(uint8_t(whole[i]) == (offset % 38 == 22 ? (bank & 0xFF) : (bank >> 8)));
    else Check(whole[i] == original[i]);
  }

  std::stringstream rewritten(whole, std::ios::in | std::ios::binary);
  const TPresetHeaderLayout again = CheckPresetHeaders(rewritten);
  Check(again.Damage == TSf2Damage::None && again.HeadersPos == layout.HeadersPos && again.Records == layout.Records);
  TphdrChunk after;
  Check(after.Load(rewritten, -1) && after.Presets.size() == layout.Presets());
  for (const SF2PresetHeader& header : after.Presets) Check(header.wBank == bank);
  return 0;
}
