#include "tarnbel_types.h"

#include <cstring>

int RequestedBank(const BankProgramRecord& record) {
  uint16_t half = static_cast<uint16_t>(record.RequestedPair >> 16);
  return half == NoRequestedHalf ? -1 : half;
}

int RequestedProgram(const BankProgramRecord& record) {
  uint16_t half = static_cast<uint16_t>(record.RequestedPair & 0xFFFFu);
  return half == NoRequestedHalf ? -1 : half;
}

bool ReadBankProgramRecords(const void* block, size_t size, std::vector<BankProgramRecord>& records) {
  records.clear();
  if (block == nullptr || size < 4) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(block);
  uint32_t count;
  std::memcpy(&count, bytes, 4);
  size_t present = (size - 4) / sizeof(BankProgramRecord);
  size_t take = count < present ? count : present;
  records.resize(take);
  if (take > 0) std::memcpy(records.data(), bytes + 4, take * sizeof(BankProgramRecord));
  return take == count;
}

void CopyBankProgramRecords(const std::vector<BankProgramRecord>& source, std::vector<BankProgramRecord>& records) {
  records = source;
}

bool HasBankProgram(const std::vector<BankProgramRecord>& records, int bank, int program) {
  auto drumsAs128 = [](int b) { return b == 32768 ? 128 : b; };
  for (auto it = records.rbegin(); it != records.rend(); ++it)
    if (drumsAs128(it->Bank) == drumsAs128(bank) && it->Program == program) return true;
  return false;
}

std::string ExtractField(int n, const std::string& s, const std::string& delimiters) {
  if (n < 1) return std::string();
  int word = 1;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i < s.size() && delimiters.find(s[i]) == std::string::npos) continue;
    if (word == n) return s.substr(start, i - start);
    ++word;
    start = i + 1;
  }
  return std::string();
}

