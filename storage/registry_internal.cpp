#include "registry_internal.h"

namespace {
const REGSAM kAllAccess = KEY_ALL_ACCESS;  // 0xF003F

std::string TrimSlashes(const std::string& path) {
  size_t first = path.find_first_not_of('\\');
  if (first == std::string::npos) return std::string();
  size_t last = path.find_last_not_of('\\');
  return path.substr(first, last - first + 1);
}

TRegFaultHook faultHook = nullptr;

// Optional minus, then one to three digits, then the end of the text.
bool DecimalText(const char* text, int32_t& number) {
  bool negative = *text == '-';
  if (negative) ++text;
  if (!*text) return false;
  int32_t value = 0;
  for (; *text; ++text) {
    if (*text < '0' || *text > '9') return false;
    value = value * 10 + (*text - '0');
  }
  number = negative ? -value : value;
  return true;
}

LONG Fault(TRegOperation operation, const std::string& path, const std::string& name) {
  return faultHook ? faultHook(operation, path, name) : ERROR_SUCCESS;
}
}  // namespace

void SetRegFaultHook(TRegFaultHook hook) { faultHook = hook; }

namespace {
thread_local TRegFailureWatch* innermostWatch = nullptr;

// Deleting what is not there leaves the registry as asked.
LONG NoteDelete(LONG status) {
  if (status != ERROR_FILE_NOT_FOUND) TRegFailureWatch::Note(status);
  return status;
}
}  // namespace

TRegFailureWatch::TRegFailureWatch() : FOuter(innermostWatch) { innermostWatch = this; }

TRegFailureWatch::~TRegFailureWatch() { innermostWatch = FOuter; }

void TRegFailureWatch::Note(LONG status) {
  if (status == ERROR_SUCCESS) return;
  for (TRegFailureWatch* watch = innermostWatch; watch; watch = watch->FOuter)
    if (watch->FFirst == ERROR_SUCCESS) watch->FFirst = status;
}

TRegKey::TRegKey(const std::string& path, bool create, HKEY rootKey)
    : FRootKey(rootKey), FPath(TrimSlashes(path)) {
  Open(rootKey, FPath, create);
}

TRegKey::TRegKey(const TRegKey& parent, const std::string& subPath, bool create)
    : FRootKey(parent.FRootKey), FPath(parent.FPath + "\\" + TrimSlashes(subPath)) {
  if (parent.FOpened) {
    Open(parent.FHandle, TrimSlashes(subPath), create);
    return;
  }
  FStatus = parent.FStatus;
  if (create) TRegFailureWatch::Note(FStatus);
}

void TRegKey::Open(HKEY base, const std::string& subPath, bool create) {
  HKEY handle = nullptr;
  LONG status;
  if (create) {
    status = Fault(TRegOperation::Create, FPath, std::string());
    if (status == ERROR_SUCCESS)
      status = RegCreateKeyExA(base, subPath.c_str(), 0, nullptr, 0, kAllAccess, nullptr, &handle, nullptr);
  } else {
    status = RegOpenKeyExA(base, subPath.c_str(), 0, kAllAccess, &handle);
  }
  // A key that could not be created is not open either: reporting it opened would hide the failure.
  FOpened = status == ERROR_SUCCESS && handle != nullptr;
  FHandle = FOpened ? handle : nullptr;
  FStatus = FOpened ? ERROR_SUCCESS : status != ERROR_SUCCESS ? status : ERROR_INVALID_HANDLE;
  if (create) TRegFailureWatch::Note(FStatus);
}

TRegKey::~TRegKey() {
  if (!FOpened) return;
  if (FlushOnDestroy) RegFlushKey(FHandle);
  RegCloseKey(FHandle);
}

LONG TRegKey::SetValue(const std::string& name, DWORD type, const BYTE* data, DWORD size) {
  LONG status = FOpened ? Fault(TRegOperation::Write, FPath, name) : FStatus;
  if (status == ERROR_SUCCESS) status = RegSetValueExA(FHandle, name.c_str(), 0, type, data, size);
  TRegFailureWatch::Note(status);
  return status;
}

LONG TRegKey::WriteValue(const std::string& name, DWORD type, const std::vector<BYTE>& data) {
  return SetValue(name, type, data.data(), static_cast<DWORD>(data.size()));
}

LONG TRegKey::WriteString(const std::string& name, const std::string& value) {
  return SetValue(name, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), static_cast<DWORD>(value.size() + 1));
}

LONG TRegKey::WriteInteger(const std::string& name, int32_t value) {
  BYTE data[4];
  for (int i = 0; i < 4; ++i) data[i] = static_cast<BYTE>(static_cast<uint32_t>(value) >> (8 * i));
  return SetValue(name, REG_DWORD, data, sizeof data);
}

LONG TRegKey::WriteBool(const std::string& name, bool value) { return WriteInteger(name, value ? 1 : 0); }

std::string TRegKey::ReadString(const std::string& name, const std::string& defaultValue) {
  if (!FOpened) return defaultValue;
  std::string value;
  if (QueryString(name, value) == ERROR_SUCCESS) return value;
  WriteString(name, defaultValue);
  return defaultValue;
}

LONG TRegKey::QueryString(const std::string& name, std::string& value) const {
  if (!FOpened) return FStatus;
  std::vector<char> buffer(1024);
  DWORD size = static_cast<DWORD>(buffer.size());
  LONG status = RegQueryValueExA(FHandle, name.c_str(), nullptr, nullptr,
                                 reinterpret_cast<BYTE*>(buffer.data()), &size);
  // The value may grow between two queries while the other program writes it: a few rounds only.
  for (int round = 0; status == ERROR_MORE_DATA && round < 8; ++round) {
    buffer.assign(size + 1, '\0');
    size = static_cast<DWORD>(buffer.size());
    status = RegQueryValueExA(FHandle, name.c_str(), nullptr, nullptr,
                              reinterpret_cast<BYTE*>(buffer.data()), &size);
  }
  if (status != ERROR_SUCCESS) return status;
  // Drop the terminating NUL; a value stored without one (or empty) keeps all its bytes.
  size_t length = size < buffer.size() ? size : buffer.size();
  if (length > 0 && buffer[length - 1] == '\0') --length;
  value.assign(buffer.data(), length);
  return ERROR_SUCCESS;
}

bool TRegKey::QueryInteger(const std::string& name, int32_t& value) const {
  if (!FOpened) return false;
  char data[5] = {0, 0, 0, 0, 0};
  DWORD size = 4, type = REG_NONE;
  LONG status = RegQueryValueExA(FHandle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  if (status != ERROR_SUCCESS) return false;
  if (type == REG_DWORD && size == 4) {
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) bits = (bits << 8) | BYTE(data[i]);
    value = static_cast<int32_t>(bits);
    return true;
  }
  // A short text holding a decimal number (the kit's way of storing integers) reads as that number.
  return (type == REG_SZ || type == REG_EXPAND_SZ) && DecimalText(data, value);
}

int32_t TRegKey::ReadInteger(const std::string& name, int32_t defaultValue) {
  if (!FOpened) return defaultValue;
  int32_t value = 0;
  if (QueryInteger(name, value)) return value;
  // Missing, longer than four bytes, or of another type or size: the default takes its place.
  WriteInteger(name, defaultValue);
  return defaultValue;
}

bool TRegKey::ReadBool(const std::string& name, bool defaultValue) {
  return ReadInteger(name, defaultValue ? 1 : 0) == 1;
}

void TRegKey::Flush() {
  if (FOpened) RegFlushKey(FHandle);
}

LONG TRegKey::DeleteValue(const std::string& name) {
  if (!FOpened) return FStatus;
  LONG status = Fault(TRegOperation::Delete, FPath, name);
  return NoteDelete(status != ERROR_SUCCESS ? status : RegDeleteValueA(FHandle, name.c_str()));
}

LONG TRegKey::DeleteKey(const std::string& name) {
  if (!FOpened) return FStatus;
  // Deleting "" would delete this key itself with its whole tree.
  if (TrimSlashes(name).empty()) return ERROR_INVALID_PARAMETER;
  {
    TRegKey child(*this, name, false);
    child.FlushOnDestroy = false;
    if (child.Opened()) {
      std::vector<std::string> children;
      child.GetKeyNames(children);
      for (auto it = children.rbegin(); it != children.rend(); ++it) {
        LONG status = child.DeleteKey(*it);
        if (status != ERROR_SUCCESS) return status;
      }
    }
  }
  LONG status = Fault(TRegOperation::Delete, FPath, name);
  return NoteDelete(status != ERROR_SUCCESS ? status : RegDeleteKeyA(FHandle, name.c_str()));
}

void TRegKey::GetValueNames(std::vector<std::string>& names) {
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  std::vector<char> buffer(info.MaxValueNameLen + 2);
  for (DWORD index = 0;; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG status = RegEnumValueA(FHandle, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a longer name appeared since the query
      buffer.assign(buffer.size() * 2 + 256, '\0');
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(buffer.data(), length);
  }
}

void TRegKey::GetKeyNames(std::vector<std::string>& names) {
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  std::vector<char> buffer(info.MaxSubKeyLen + 1);
  for (DWORD index = 0; index < info.NumSubKeys; ++index) {
    DWORD length = static_cast<DWORD>(buffer.size());
    LONG status = RegEnumKeyExA(FHandle, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {  // a longer name appeared since the query
      buffer.assign(256, '\0');
      length = static_cast<DWORD>(buffer.size());
      status = RegEnumKeyExA(FHandle, index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
    }
    if (status != ERROR_SUCCESS) break;  // keys removed meanwhile: the list ends here
    names.emplace_back(buffer.data(), length);
  }
}

bool TRegKey::GetKeyInfo(TRegKeyInfo& info) {
  info = TRegKeyInfo();
  if (!FOpened) return false;
  DWORD subKeys = 0, maxSubKeyLen = 0, values = 0, maxValueNameLen = 0, maxValueLen = 0;
  FILETIME written = {0, 0};
  LONG status = RegQueryInfoKeyA(FHandle, nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                                 &values, &maxValueNameLen, &maxValueLen, nullptr, &written);
  if (status != ERROR_SUCCESS) return false;
  info.NumSubKeys = subKeys;
  info.MaxSubKeyLen = maxSubKeyLen;
  info.NumValues = values;
  info.MaxValueNameLen = maxValueNameLen;
  info.MaxValueDataLen = maxValueLen;
  info.LastWriteTime = written;
  return true;
}
