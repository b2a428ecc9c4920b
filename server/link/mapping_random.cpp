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

namespace {
// A number below limit whose filled(n) holds, drawn uniformly until one comes; -1 when none does.
template <typename Filled>
int DrawFilled(int limit, Filled filled) {
  bool any = false;
  for (int n = 0; n < limit && !any; ++n) any = filled(n);
  if (!any) return -1;
  for (;;) {
    int n = RandomBelow(limit);
    if (filled(n)) return n;
  }
}
}  // namespace

int GetRandomBank(const TMapping& mapping, int program) {
  if (program == -1) return RandomBelow(DrumKitBank);
  return DrawFilled(DrumKitBank, [&](int bank) { return mapping.SlotFilled(bank, program); });
}

int GetRandomProgram(const TMapping& mapping, int bank) {
  if (bank == -1) return RandomBelow(MappingPrograms);
  return DrawFilled(MappingPrograms, [&](int program) { return mapping.SlotFilled(bank, program); });
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
