#pragma once
// Small records and helpers the server shares between its threads and with the tools program.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#pragma pack(push, 1)
struct BankProgramRecord {
  int32_t Bank;            // 0: 32768 or 128 for the drum-kit bank
  int32_t Program;         // 4
  uint32_t Carried[3];     // 8, 12, 16: copied on without being read
  uint32_t RequestedPair;  // 20: high 16 bits requested bank, low 16 bits requested program
};
#pragma pack(pop)
static_assert(sizeof(BankProgramRecord) == 24, "BankProgramRecord is 24 bytes");
static_assert(offsetof(BankProgramRecord, Bank) == 0 && offsetof(BankProgramRecord, Program) == 4 &&
                  offsetof(BankProgramRecord, Carried) == 8 && offsetof(BankProgramRecord, RequestedPair) == 20,
              "BankProgramRecord's fields lie where the other program reads them");

const uint32_t NoRequestedPair = 0xFFFFFFFFu;  // neither bank nor program requested
const uint16_t NoRequestedHalf = 0xFFFFu;

// The requested bank or program of the pair word, -1 when that half is not given.
int RequestedBank(const BankProgramRecord& record);
int RequestedProgram(const BankProgramRecord& record);

// A counted block: a u32 count followed by count records. Only records wholly inside the block's size are
// read; false when the block is shorter than its count says (records then holds those that are there).
bool ReadBankProgramRecords(const void* block, size_t size, std::vector<BankProgramRecord>& records);
void CopyBankProgramRecords(const std::vector<BankProgramRecord>& source, std::vector<BankProgramRecord>& records);
// Searched from the last record; the drum-kit bank matches as 32768 or 128 on either side.
bool HasBankProgram(const std::vector<BankProgramRecord>& records, int bank, int program);

// The n-th word of s (from 1): every single delimiter character ends a word, so two in a row make an
// empty word; "" when s has fewer words.
std::string ExtractField(int n, const std::string& s, const std::string& delimiters);
