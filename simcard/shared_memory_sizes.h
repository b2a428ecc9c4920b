#pragma once
// The sample memory size of each device, shared by every process that has the library loaded:
// there is one card, so a cache limit that one program sets holds for the other one too.
// The first process to load the library fills the sizes from its config.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace simcard {

class SharedMemorySizes {
 public:
  SharedMemorySizes() = default;
  ~SharedMemorySizes();
  SharedMemorySizes(const SharedMemorySizes&) = delete;
  SharedMemorySizes& operator=(const SharedMemorySizes&) = delete;

  // Without a shared section (or for devices beyond its room) the sizes stay in this process.
  void Open(const std::string& name, const std::vector<uint64_t>& initial);
  uint64_t Get(size_t device) const;
  void Set(size_t device, uint64_t bytes);

 private:
  void Close();
  volatile LONG64* Slot(size_t device) const;

  HANDLE FMapping = nullptr;
  volatile LONG64* FShared = nullptr;
  std::vector<LONG64> FLocal;
};

}  // namespace simcard
