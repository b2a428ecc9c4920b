#pragma once
// Encoders and decoders of the message parameters and payloads that travel between the programs.
// Decoders check sizes against the layouts and refuse (false) anything else.
#include <windows.h>
#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cached_preset_record.h"
#include "tarnbel_types.h"

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

// The BankProgramRecords of WM_TB_WINAMP_LOAD_PRESETS as a counted block: a little-endian u32
// count, then count records with nothing between them. The count must describe exactly the bytes.
std::vector<uint8_t> EncodeBankProgramBlock(const std::vector<BankProgramRecord>& records);
bool DecodeBankProgramBlock(const std::vector<uint8_t>& payload, std::vector<BankProgramRecord>& records);

// WM_TB_CACHE_LIST: count x CachedPresetRecord, count being the last WM_TB_CACHE_COUNT. A payload
// of any other size is refused. (Written with EncodeCachedPresetRecords.)
bool DecodeCacheList(const std::vector<uint8_t>& payload, uint32_t count, std::vector<CachedPresetRecord>& records);
