#pragma once
// Sectioned key/value stores: a registry key whose subkeys are the sections, and an ini file.
// Values are texts; integers are stored as decimal text.
#include <windows.h>

#include <string>

#include "ui_exceptions.h"

namespace ui {

class ERegIniError : public Exception {
 public:
  using Exception::Exception;
};

class TCustomIniStore {
 public:
  virtual ~TCustomIniStore() = default;
  virtual std::string ReadString(const std::string& section, const std::string& ident,
                                 const std::string& def) = 0;
  virtual void WriteString(const std::string& section, const std::string& ident, const std::string& value) = 0;
  // Removes the section with everything in it; an empty section name is refused (it names the store itself).
  virtual void EraseSection(const std::string& section) = 0;
  int ReadInteger(const std::string& section, const std::string& ident, int def);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
};

// Sections are subkeys of one key, values are REG_SZ. The key is made when absent, also for reading.
class TRegIniFile : public TCustomIniStore {
 public:
  explicit TRegIniFile(const std::string& fileName, HKEY root = HKEY_CURRENT_USER);
  ~TRegIniFile() override;
  TRegIniFile(const TRegIniFile&) = delete;
  TRegIniFile& operator=(const TRegIniFile&) = delete;

  const std::string& FileName() const { return FFileName; }
  HKEY RootKey() const { return FRoot; }
  // Opens the same path under another hive.
  void SetRootKey(HKEY root);

  // A missing value gives def; a value that is not a string raises "Invalid data type for '%s'".
  std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) override;
  // Raises "Failed to create key %s" when the section cannot be made.
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void EraseSection(const std::string& section) override;

 private:
  void Open();
  void Close();
  std::string FFileName;
  HKEY FRoot;
  HKEY FKey = nullptr;
};

// An ini file through the profile functions.
class TIniFile : public TCustomIniStore {
 public:
  explicit TIniFile(const std::string& fileName) : FFileName(fileName) {}
  const std::string& FileName() const { return FFileName; }
  std::string ReadString(const std::string& section, const std::string& ident, const std::string& def) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  void EraseSection(const std::string& section) override;

 private:
  std::string FFileName;
};

}  // namespace ui
