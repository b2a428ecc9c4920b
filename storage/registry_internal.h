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

// What a key does to the registry, for the fault hook below.
enum class TRegOperation { Create, Write, Delete };

// Test seam: when set, it is asked before each create, write and delete of any key and may answer
// a system error code, which the operation then reports without touching the registry. Null (the
// default) lets every operation run.
using TRegFaultHook = LONG (*)(TRegOperation operation, const std::string& path, const std::string& name);
void SetRegFaultHook(TRegFaultHook hook);

// Keeps the first failure of the creates, writes and deletes that this thread makes through TRegKey while
// it lives. The storage classes go on after a failed write; a command that must not leave half a change
// behind looks here afterwards and undoes what it made. Watches nest: each sees every failure.
class TRegFailureWatch {
 public:
  TRegFailureWatch();
  ~TRegFailureWatch();
  TRegFailureWatch(const TRegFailureWatch&) = delete;
  TRegFailureWatch& operator=(const TRegFailureWatch&) = delete;

  // ERROR_SUCCESS while nothing failed.
  LONG FirstFailure() const { return FFirst; }
  // Called by TRegKey with each result.
  static void Note(LONG status);

 private:
  TRegFailureWatch* FOuter;
  LONG FFirst = ERROR_SUCCESS;
};

// Opens one key for its whole life. Reads that fail write their default back, so every
// setting is present, with its default, the first time it is read. Creates, writes and deletes give
// the system's result code (ERROR_SUCCESS when done).
class TRegKey {
 public:
  TRegKey(const std::string& path, bool create, HKEY rootKey = HKEY_CURRENT_USER);
  // The subkey path below an open key, opened or made through that key's handle: once the parent is
  // deleted nothing below it opens or is made again, even where another key of its name took its place.
  TRegKey(const TRegKey& parent, const std::string& subPath, bool create);
  ~TRegKey();
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  bool FlushOnDestroy = true;

  bool Opened() const { return FOpened; }
  // The result of opening or creating the key.
  LONG Status() const { return FStatus; }
  HKEY RootKey() const { return FRootKey; }
  const std::string& Path() const { return FPath; }
  HKEY Handle() const { return FHandle; }

  LONG WriteString(const std::string& name, const std::string& value);
  LONG WriteInteger(const std::string& name, int32_t value);
  LONG WriteBool(const std::string& name, bool value);
  // A value of any type, byte for byte.
  LONG WriteValue(const std::string& name, DWORD type, const std::vector<BYTE>& data);
  std::string ReadString(const std::string& name, const std::string& defaultValue);
  // The stored string as ReadString gives it, but nothing is written when it does not read. Safe from
  // several threads at once.
  LONG QueryString(const std::string& name, std::string& value) const;
  int32_t ReadInteger(const std::string& name, int32_t defaultValue);
  // The stored integer as ReadInteger takes it; false, and nothing written, when it does not read.
  bool QueryInteger(const std::string& name, int32_t& value) const;
  bool ReadBool(const std::string& name, bool defaultValue);

  void Flush();
  LONG DeleteValue(const std::string& name);
  // Deletes the subkey with its whole tree; the first failure ends it and is given back.
  LONG DeleteKey(const std::string& name);
  void GetKeyNames(std::vector<std::string>& names);
  // The names of the key's values, in enumeration order.
  void GetValueNames(std::vector<std::string>& names);
  bool GetKeyInfo(TRegKeyInfo& info);

 private:
  void Open(HKEY base, const std::string& subPath, bool create);
  LONG SetValue(const std::string& name, DWORD type, const BYTE* data, DWORD size);

  bool FOpened = false;
  LONG FStatus = ERROR_INVALID_HANDLE;
  HKEY FRootKey;
  std::string FPath;
  HKEY FHandle = nullptr;
};
