#pragma once
// The checks and the byte patch behind "Set bank in file...": a file is rewritten only when its chunks nest
// properly and its preset headers are whole records ending in one "EOP", and then only the wBank fields of
// the presets change. Standard C++ only: the native fuzz build uses it too.
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>

enum class TSf2Damage {
  None,
  NotSoundFont,      // no "RIFF" "sfbk" at the start
  ChunkOutside,      // a chunk runs past its parent or the file
  NoPresetHeaders,   // no "phdr" in the first "LIST" "pdta"
  PartialRecord,     // "phdr" is not whole 38-byte records
  NoTerminal,        // the last record is not "EOP"
  EarlyTerminal,     // an "EOP" before the last record
  TwoPresetHeaders   // more than one "phdr"
};

struct TPresetHeaderLayout {
  TSf2Damage Damage = TSf2Damage::NotSoundFont;
  int64_t FileSize = 0;
  int64_t HeadersPos = -1;  // the first record's position
  uint64_t Records = 0;     // with the terminal "EOP" record
  uint64_t Presets() const { return Records > 0 ? Records - 1 : 0; }
};

// Walks every chunk of the file in the stream (whose position is not kept) and finds its preset headers.
TPresetHeaderLayout CheckPresetHeaders(std::istream& in);
// What is wrong with a damaged file, for the user.
std::string DamageText(TSf2Damage damage);

// Sets wBank of every preset (the terminal record keeps its own) in a block of the file's bytes that starts
// at fileOffset; bytes of the block outside those fields stay.
void SetBankInBlock(char* block, size_t size, uint64_t fileOffset, const TPresetHeaderLayout& layout, uint16_t bank);

// The bank of a typed answer: a whole number 0-65535; false for anything else.
bool ParseBankNumber(const std::string& text, uint16_t& bank);
