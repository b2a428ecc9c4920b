#include "mapping_random.h"

#include <chrono>
#include <mutex>
#include <random>

namespace {
std::mutex generatorMutex;
std::mt19937& Generator() {
  static std::mt19937 generator(static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return generator;
}
}  // namespace

void RandomizeSharedGenerator() {
  std::lock_guard<std::mutex> guard(generatorMutex);
  Generator().seed(static_cast<uint32_t>(std::chrono::system_clock::now().time_since_epoch().count()));
}

int RandomBelow(int n) {
  if (n <= 0) return 0;
  std::lock_guard<std::mutex> guard(generatorMutex);
  return std::uniform_int_distribution<int>(0, n - 1)(Generator());
}

void GetRandomSlot(const TMapping& mapping, int& bank, int& program) {
  int filled = 0;
  for (int b = 0; b < DrumKitBank; ++b)
    for (int p = 0; p < MappingPrograms; ++p) filled += mapping.SlotFilled(b, p);
  if (filled == 0) return;
  int r = RandomBelow(filled);
  for (int b = 0; b < DrumKitBank; ++b)
    for (int p = 0; p < MappingPrograms; ++p)
      if (mapping.SlotFilled(b, p) && r-- == 0) {
        bank = b;
        program = p;
        return;
      }
}

int GetRandomBank(const TMapping& mapping, int program) {
  if (program == -1) return RandomBelow(DrumKitBank);
  bool any = false;
  for (int b = 0; b < DrumKitBank && !any; ++b) any = mapping.SlotFilled(b, program);
  if (!any) return -1;
  for (;;) {
    int bank = RandomBelow(DrumKitBank);
    if (mapping.SlotFilled(bank, program)) return bank;
  }
}

int GetRandomProgram(const TMapping& mapping, int bank) {
  if (bank == -1) return RandomBelow(MappingPrograms);
  bool any = false;
  for (int p = 0; p < MappingPrograms && !any; ++p) any = mapping.SlotFilled(bank, p);
  if (!any) return -1;
  for (;;) {
    int program = RandomBelow(MappingPrograms);
    if (mapping.SlotFilled(bank, program)) return program;
  }
}

int GetRandomDrumKit(const TMapping& mapping) {
  int filled = 0;
  for (int p = 0; p < MappingPrograms; ++p) filled += mapping.SlotFilled(DrumKitBank, p);
  if (filled == 0) return static_cast<int>(mapping.DefaultDrumBank);
  int r = RandomBelow(filled);
  for (int p = 0; p < MappingPrograms; ++p)
    if (mapping.SlotFilled(DrumKitBank, p) && r-- == 0) return p;
  return static_cast<int>(mapping.DefaultDrumBank);
}
