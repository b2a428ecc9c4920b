#include "shared_memory_sizes.h"

namespace simcard {

namespace {
constexpr size_t SharedSlots = 64;
}

SharedMemorySizes::~SharedMemorySizes() { Close(); }

void SharedMemorySizes::Close() {
  if (FShared != nullptr) UnmapViewOfFile(const_cast<LONG64*>(FShared));
  if (FMapping != nullptr) CloseHandle(FMapping);
  FShared = nullptr;
  FMapping = nullptr;
}

void SharedMemorySizes::Open(const std::string& name, const std::vector<uint64_t>& initial) {
  Close();
  FLocal.assign(initial.begin(), initial.end());
  FMapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                static_cast<DWORD>(SharedSlots * sizeof(LONG64)), name.c_str());
  if (FMapping == nullptr) return;
  const bool created = GetLastError() != ERROR_ALREADY_EXISTS;
  FShared = static_cast<volatile LONG64*>(MapViewOfFile(FMapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (FShared == nullptr) {
    Close();
    return;
  }
  if (created) {
    for (size_t i = 0; i < initial.size() && i < SharedSlots; ++i) {
      InterlockedExchange64(&FShared[i], static_cast<LONG64>(initial[i]));
    }
  }
}

volatile LONG64* SharedMemorySizes::Slot(size_t device) const {
  return FShared != nullptr && device < SharedSlots ? &FShared[device] : nullptr;
}

uint64_t SharedMemorySizes::Get(size_t device) const {
  if (volatile LONG64* slot = Slot(device)) return static_cast<uint64_t>(InterlockedCompareExchange64(slot, 0, 0));
  return device < FLocal.size() ? static_cast<uint64_t>(FLocal[device]) : 0;
}

void SharedMemorySizes::Set(size_t device, uint64_t bytes) {
  if (volatile LONG64* slot = Slot(device)) {
    InterlockedExchange64(slot, static_cast<LONG64>(bytes));
  } else if (device < FLocal.size()) {
    FLocal[device] = static_cast<LONG64>(bytes);
  }
}

}  // namespace simcard
