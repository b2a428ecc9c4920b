#pragma once
// Rewrites the bank number of every preset of a SoundFont file. The file itself is never written: a copy
// beside it takes the new banks, is flushed and read back, and then replaces the file, whose attributes it
// keeps. Whatever fails leaves the file as it was and no copy behind.
#include <cstdint>
#include <string>

enum class TSetBankStatus { Done, Damaged, Failed };

struct TSetBankResult {
  TSetBankStatus Status = TSetBankStatus::Failed;
  // Why not: what is damaged, or the system's error.
  std::string Reason;
};

TSetBankResult SetBankInFile(const std::string& fileName, uint16_t bank);
