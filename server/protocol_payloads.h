#pragma once
// Encoders and decoders of the message parameters and payloads that travel between the programs.
// Decoders check sizes against the layouts and refuse (false) anything else.
#include <windows.h>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// Texts travel as their characters only. Lists inside a text end every entry with 0x01.
constexpr char ENTRY_TERMINATOR = '\x01';
std::string EncodeEntryList(const std::vector<std::string>& entries);
// Entries as ended by 0x01; characters after the last 0x01 are not an entry.
std::vector<std::string> DecodeEntryList(const std::string& text);

// The route list: "[no info]" first while the server is on; an empty text while it is off.
constexpr const char* ROUTE_LIST_NO_INFO = "[no info]";
std::string EncodeRouteList(bool serverOn, const std::vector<std::string>& captions);

// The order text of WM_TB_MAPPING_ORDER: name, 0x01, priority in decimal, 0x01, for each mapping
// from the bottom of the manager's list up.
std::string EncodeMappingOrder(const std::vector<std::pair<std::string, int32_t>>& order);

// MAKELONG(program, bank) of the lamp messages: the drum-kit bank (128 or 32768) is the high word 0x8000.
LPARAM EncodeLampParam(int32_t bank, int32_t program);
void DecodeLampParam(LPARAM lParam, int32_t& bank, int32_t& program);

// bank * 65536 + program of WM_TB_PRESET_CHANGED.
LPARAM EncodePresetChangedParam(int32_t bank, int32_t program);
void DecodePresetChangedParam(LPARAM lParam, int32_t& bank, int32_t& program);

// lParam of WM_TB_MM_LOAD_PRESETS / WM_TB_MM_LOAD_DRUMS: requester thread in the low word and
// loopback number in the high word. The layout holds 16 bits of a thread id: a longer id cannot
// be encoded (false) rather than being cut to another thread's.
bool EncodeMMRequesterParam(DWORD threadId, uint16_t loopback, LPARAM& lParam);
void DecodeMMRequesterParam(LPARAM lParam, DWORD& threadId, uint16_t& loopback);

// The 256-byte block of WM_TB_MM_LOAD_PRESETS (and of its TM_MM_DONE answer), passed on unread.
constexpr size_t MM_PRESETS_BLOCK_SIZE = 256;
using TMMPresetsBlock = std::array<uint8_t, MM_PRESETS_BLOCK_SIZE>;
bool DecodeMMPresetsBlock(const std::vector<uint8_t>& payload, TMMPresetsBlock& block);

// The 128 little-endian 16-bit words of WM_TB_MM_LOAD_DRUMS.
constexpr size_t MM_DRUM_WORDS = 128;
using TMMDrumWords = std::array<uint16_t, MM_DRUM_WORDS>;
std::vector<uint8_t> EncodeMMDrumWords(const TMMDrumWords& words);
bool DecodeMMDrumWords(const std::vector<uint8_t>& payload, TMMDrumWords& words);

// The answer block of WM_TB_QUERY_BANK_NAMES: 128 names in slots of 26 bytes, each a zero-ended
// text of at most 20 characters.
constexpr size_t BANK_NAMES_COUNT = 128;
constexpr size_t BANK_NAME_SLOT_SIZE = 26;
constexpr size_t BANK_NAME_MAX_LENGTH = 20;
constexpr size_t BANK_NAMES_BLOCK_SIZE = BANK_NAMES_COUNT * BANK_NAME_SLOT_SIZE;
// Missing names are empty; longer ones are cut to 20 characters.
std::vector<uint8_t> EncodeBankNames(const std::vector<std::string>& names);
bool DecodeBankNames(const std::vector<uint8_t>& payload, std::vector<std::string>& names);

// A counted block: a little-endian u32 count, then count packed records with nothing between
// them (the BankProgramRecords of WM_TB_WINAMP_LOAD_PRESETS).
template <class TRecord>
std::vector<uint8_t> EncodeCountedBlock(const std::vector<TRecord>& records) {
  static_assert(std::is_trivially_copyable<TRecord>::value, "packed record expected");
  std::vector<uint8_t> block(4 + records.size() * sizeof(TRecord));
  uint32_t count = static_cast<uint32_t>(records.size());
  for (int i = 0; i < 4; ++i) block[i] = static_cast<uint8_t>(count >> (8 * i));
  if (!records.empty()) std::memcpy(block.data() + 4, records.data(), records.size() * sizeof(TRecord));
  return block;
}

template <class TRecord>
bool DecodeCountedBlock(const std::vector<uint8_t>& block, std::vector<TRecord>& records) {
  static_assert(std::is_trivially_copyable<TRecord>::value, "packed record expected");
  records.clear();
  if (block.size() < 4) return false;
  uint32_t count = 0;
  for (int i = 0; i < 4; ++i) count |= static_cast<uint32_t>(block[i]) << (8 * i);
  // The count must describe exactly the bytes that came; compare without overflowing.
  if ((block.size() - 4) % sizeof(TRecord) != 0 || (block.size() - 4) / sizeof(TRecord) != count) return false;
  records.resize(count);
  if (count) std::memcpy(records.data(), block.data() + 4, count * sizeof(TRecord));
  return true;
}
