#pragma once
// TMemoryStream: a growable byte buffer with a position.
#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class TMemoryStream {
 public:
  int64_t Size() const { return int64_t(FData.size()); }
  void SetSize(int64_t size);
  int64_t Position() const { return FPosition; }
  void SetPosition(int64_t position);

  // Reads at most count bytes; returns how many were read.
  int64_t Read(void* buffer, int64_t count);
  // Reads exactly count bytes or raises EReadError.
  void ReadBuffer(void* buffer, int64_t count);
  void Write(const void* buffer, int64_t count);

  const uint8_t* Memory() const { return FData.data(); }
  uint8_t* Memory() { return FData.data(); }
  void Clear();

  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName) const;

 private:
  std::vector<uint8_t> FData;
  int64_t FPosition = 0;
};

}  // namespace ui
