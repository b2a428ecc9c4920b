#pragma once
// TRegKey: the one wrapper through which both programs read and write the registry.
#include <windows.h>
#include <cstdint>
#include <string>
#include <vector>

struct TRegKeyInfo {
  uint32_t NumSubKeys = 0;
  uint32_t MaxSubKeyLen = 0;
  uint32_t NumValues = 0;
  uint32_t MaxValueNameLen = 0;
  uint32_t MaxValueDataLen = 0;
  FILETIME LastWriteTime = {0, 0};
};

// Opens one key for its whole life. Reads that fail write their default back, so every
// setting is present, with its default, the first time it is read.
class TRegKey {
 public:
  TRegKey(const std::string& path, bool create, HKEY rootKey = HKEY_CURRENT_USER);
  ~TRegKey();
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  bool FlushOnDestroy = true;

  bool Opened() const { return FOpened; }
  HKEY RootKey() const { return FRootKey; }
  const std::string& Path() const { return FPath; }
  HKEY Handle() const { return FHandle; }

  void WriteString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int32_t value);
  void WriteBool(const std::string& name, bool value);
  std::string ReadString(const std::string& name, const std::string& defaultValue);
  int32_t ReadInteger(const std::string& name, int32_t defaultValue);
  bool ReadBool(const std::string& name, bool defaultValue);

  void Flush();
  void DeleteValue(const std::string& name);
  void DeleteKey(const std::string& name);
  void GetKeyNames(std::vector<std::string>& names);
  bool GetKeyInfo(TRegKeyInfo& info);

 private:
  bool FOpened = false;
  HKEY FRootKey;
  std::string FPath;
  HKEY FHandle = nullptr;
};
