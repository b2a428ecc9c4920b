#pragma once
// Damaged copies of a bank, as users meet them: files cut short at telling places, and preset
// header chunks whose size field lies. Standard C++ only: the native fuzz build seeds with them.
#include <string>
#include <vector>

#include "sf2_builder.h"

namespace sf2test {

struct Sf2DamagedCopy {
  std::string Name;   // what was done, for test output and file names
  std::string Bytes;  // the whole damaged file
};

// The bank's file cut inside the sample data, before the pdta list, inside igen, inside shdr,
// inside the phdr records and inside the phdr header; and with the phdr size set to 0xFFFFFFFF,
// byte-swapped, 0, 10 records more, 1 byte less, with the high bit set, and 38 bytes less.
std::vector<Sf2DamagedCopy> DamagedCopies(const Sf2Builder& builder);

// Copies whose every byte is there but whose structure is wrong: "not RIFF", "not sfbk", "RIFF past the file",
// "pdta past the RIFF", "no phdr", "phdr not whole records" (two bytes more, inside its parents), "no EOP"
// (renamed), "EOP early" (the first preset named "EOP") and "two phdr" (a second copy inside pdta). The
// builder needs at least one preset.
std::vector<Sf2DamagedCopy> StructureDamagedCopies(const Sf2Builder& builder);

}  // namespace sf2test
