#include "protocol_payloads.h"

#include <cstring>

std::string EncodeEntryList(const std::vector<std::string>& entries) {
  std::string text;
  for (const std::string& entry : entries) {
    text += entry;
    text += ENTRY_TERMINATOR;
  }
  return text;
}

std::vector<std::string> DecodeEntryList(const std::string& text) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (size_t end = text.find(ENTRY_TERMINATOR); end != std::string::npos; end = text.find(ENTRY_TERMINATOR, start)) {
    entries.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

std::string EncodeRouteList(bool serverOn, const std::vector<std::string>& captions) {
  if (!serverOn) return std::string();
  std::vector<std::string> entries{ROUTE_LIST_NO_INFO};
  entries.insert(entries.end(), captions.begin(), captions.end());
  return EncodeEntryList(entries);
}

std::string EncodeMappingOrder(const std::vector<std::pair<std::string, int32_t>>& order) {
  std::vector<std::string> words;
  for (const auto& item : order) {
    words.push_back(item.first);
    words.push_back(std::to_string(item.second));
  }
  return EncodeEntryList(words);
}

namespace {
LPARAM FromLong(uint32_t value) { return static_cast<LPARAM>(static_cast<LONG>(value)); }
uint32_t ToLong(LPARAM lParam) { return static_cast<uint32_t>(lParam); }
}  // namespace

LPARAM EncodeLampParam(int32_t bank, int32_t program) {
  uint32_t high = (bank == 128 || bank == 32768) ? 0x8000u : static_cast<uint32_t>(bank) & 0xFFFFu;
  return FromLong(high << 16 | (static_cast<uint32_t>(program) & 0xFFFFu));
}

void DecodeLampParam(LPARAM lParam, int32_t& bank, int32_t& program) {
  bank = static_cast<int32_t>(ToLong(lParam) >> 16);
  program = static_cast<int32_t>(ToLong(lParam) & 0xFFFFu);
}

LPARAM EncodePresetChangedParam(int32_t bank, int32_t program) {
  return FromLong(static_cast<uint32_t>(bank) * 65536u + static_cast<uint32_t>(program));
}

void DecodePresetChangedParam(LPARAM lParam, int32_t& bank, int32_t& program) { DecodeLampParam(lParam, bank, program); }

bool EncodeMMRequesterParam(DWORD threadId, uint16_t loopback, LPARAM& lParam) {
  if (threadId > 0xFFFFu) return false;
  lParam = FromLong(static_cast<uint32_t>(loopback) << 16 | threadId);
  return true;
}

void DecodeMMRequesterParam(LPARAM lParam, DWORD& threadId, uint16_t& loopback) {
  threadId = ToLong(lParam) & 0xFFFFu;
  loopback = static_cast<uint16_t>(ToLong(lParam) >> 16);
}

bool DecodeMMPresetsBlock(const std::vector<uint8_t>& payload, TMMPresetsBlock& block) {
  if (payload.size() != block.size()) return false;
  std::memcpy(block.data(), payload.data(), block.size());
  return true;
}

std::vector<uint8_t> EncodeMMDrumWords(const TMMDrumWords& words) {
  std::vector<uint8_t> payload(words.size() * 2);
  for (size_t i = 0; i < words.size(); ++i) {
    payload[2 * i] = static_cast<uint8_t>(words[i]);
    payload[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
  }
  return payload;
}

bool DecodeMMDrumWords(const std::vector<uint8_t>& payload, TMMDrumWords& words) {
  if (payload.size() != words.size() * 2) return false;
  for (size_t i = 0; i < words.size(); ++i)
    words[i] = static_cast<uint16_t>(payload[2 * i] | payload[2 * i + 1] << 8);
  return true;
}

std::vector<uint8_t> EncodeBankNames(const std::vector<std::string>& names) {
  std::vector<uint8_t> block(BANK_NAMES_BLOCK_SIZE, 0);
  for (size_t i = 0; i < names.size() && i < BANK_NAMES_COUNT; ++i) {
    std::string name = names[i].substr(0, BANK_NAME_MAX_LENGTH);
    size_t zero = name.find('\0');  // the text ends at its first zero anyway
    if (zero != std::string::npos) name.resize(zero);
    std::memcpy(block.data() + i * BANK_NAME_SLOT_SIZE, name.data(), name.size());
  }
  return block;
}

bool DecodeBankNames(const std::vector<uint8_t>& payload, std::vector<std::string>& names) {
  names.clear();
  if (payload.size() != BANK_NAMES_BLOCK_SIZE) return false;
  for (size_t i = 0; i < BANK_NAMES_COUNT; ++i) {
    const char* slot = reinterpret_cast<const char*>(payload.data() + i * BANK_NAME_SLOT_SIZE);
    size_t length = 0;
    while (length < BANK_NAME_SLOT_SIZE && slot[length] != '\0') ++length;  // never past its slot
    names.emplace_back(slot, length);
  }
  return true;
}

std::vector<uint8_t> EncodeBankProgramBlock(const std::vector<BankProgramRecord>& records) {
  std::vector<uint8_t> block(4 + records.size() * sizeof(BankProgramRecord));
  uint32_t count = static_cast<uint32_t>(records.size());
  for (int i = 0; i < 4; ++i) block[i] = static_cast<uint8_t>(count >> (8 * i));
  if (!records.empty()) std::memcpy(block.data() + 4, records.data(), records.size() * sizeof(BankProgramRecord));
  return block;
}

bool DecodeBankProgramBlock(const std::vector<uint8_t>& payload, std::vector<BankProgramRecord>& records) {
  records.clear();
  if (payload.size() < 4 || (payload.size() - 4) % sizeof(BankProgramRecord) != 0) return false;
  uint32_t count = 0;
  for (int i = 0; i < 4; ++i) count |= static_cast<uint32_t>(payload[i]) << (8 * i);
  if ((payload.size() - 4) / sizeof(BankProgramRecord) != count) return false;
  return ReadBankProgramRecords(payload.data(), payload.size(), records);
}

bool DecodeCacheList(const std::vector<uint8_t>& payload, uint32_t count, std::vector<CachedPresetRecord>& records) {
  records.clear();
  // Compared by division, so no count can overflow the product.
  if (payload.size() % CachedPresetRecordSize != 0 || payload.size() / CachedPresetRecordSize != count) return false;
  records = DecodeCachedPresetRecords(payload.data(), payload.size());
  return true;
}
