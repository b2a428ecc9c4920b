#include "set_bank_in_file.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

#include "sf2_bank_rewrite.h"
#include "sys_utils.h"

namespace {

constexpr DWORD CopyBlock = 1 << 20;
constexpr int64_t RecordBytes = 38;

class TFileHandle {
 public:
  explicit TFileHandle(HANDLE handle) : FHandle(handle) {}
  ~TFileHandle() { Close(); }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;
  bool Valid() const { return FHandle != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return FHandle; }
  void Close() {
    if (Valid()) CloseHandle(FHandle);
    FHandle = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE FHandle;
};

// The copy beside the file: removed when it goes out of scope, unless it became the file.
class TCopyBeside {
 public:
  // Names a new file in the folder; empty (and the system's error) when none can be made there.
  bool Create(const std::string& folder) {
    char name[MAX_PATH];
    if (!GetTempFileNameA(folder.c_str(), "tbk", 0, name)) return false;
    FName = name;
    return true;
  }
  ~TCopyBeside() {
    if (!FName.empty()) DeleteFileA(FName.c_str());
  }
  const std::string& Name() const { return FName; }
  void Kept() { FName.clear(); }

 private:
  std::string FName;
};

TSetBankResult Failed(DWORD code) { return {TSetBankStatus::Failed, ui::SysErrorMessage(code)}; }

std::string FullPathOf(const std::string& fileName) {
  char buffer[MAX_PATH];
  char* namePart = nullptr;
  DWORD n = GetFullPathNameA(fileName.c_str(), MAX_PATH, buffer, &namePart);
  return n > 0 && n < MAX_PATH ? std::string(buffer, n) : fileName;
}

// Copies the source into the copy block by block, with the new banks; 0 or the system's error.
DWORD WriteCopy(HANDLE source, HANDLE copy, const TPresetHeaderLayout& layout, uint16_t bank) {
  std::vector<char> block(CopyBlock);
  uint64_t offset = 0;
  LARGE_INTEGER start{};
  if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) return GetLastError();
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(source, block.data(), CopyBlock, &got, nullptr)) return GetLastError();
    if (got == 0) break;
    SetBankInBlock(block.data(), got, offset, layout, bank);
    DWORD put = 0;
    if (!WriteFile(copy, block.data(), got, &put, nullptr)) return GetLastError();
    if (put != got) return ERROR_DISK_FULL;
    offset += got;
  }
  if (int64_t(offset) != layout.FileSize) return ERROR_HANDLE_EOF;
  return FlushFileBuffers(copy) ? 0 : GetLastError();
}

std::vector<char> ReadHeaders(std::istream& in, const TPresetHeaderLayout& layout) {
  std::vector<char> bytes(size_t(layout.Records * RecordBytes));
  in.clear();
  in.seekg(layout.HeadersPos);
  in.read(bytes.data(), std::streamsize(bytes.size()));
  if (size_t(in.gcount()) != bytes.size()) bytes.clear();
  return bytes;
}

// The copy as written on disk: the same chunks and records as the source, the banks set and nothing else
// changed in the records.
bool CopyReadsBack(const std::string& sourceName, const std::string& copyName, const TPresetHeaderLayout& layout,
                   uint16_t bank) {
  std::ifstream source(sourceName, std::ios::binary), copy(copyName, std::ios::binary);
  TPresetHeaderLayout written = CheckPresetHeaders(copy);
  if (written.Damage != TSf2Damage::None || written.FileSize != layout.FileSize ||
      written.HeadersPos != layout.HeadersPos || written.Records != layout.Records)
    return false;
  std::vector<char> expected = ReadHeaders(source, layout), actual = ReadHeaders(copy, written);
  if (expected.empty() || actual.empty()) return false;
  SetBankInBlock(expected.data(), expected.size(), uint64_t(layout.HeadersPos), layout, bank);
  return expected == actual;
}

// Whether the file can be deleted now, which replacing it takes: nobody holds it without delete sharing.
DWORD ReplaceableNow(const std::string& target) {
  TFileHandle probe(CreateFileA(target.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  return probe.Valid() ? 0 : GetLastError();
}

// The system's own work files of a replace ("rf*.tmp") that a failed replace left in the folder.
std::vector<std::string> WorkFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "rf*.tmp").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do names.push_back(folder + data.cFileName);
  while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

void RemoveNewWorkFiles(const std::string& folder, const std::vector<std::string>& before) {
  for (const std::string& name : WorkFiles(folder))
    if (std::find(before.begin(), before.end(), name) == before.end()) DeleteFileA(name.c_str());
}

// Puts the copy in the file's place; 0 or the system's error.
DWORD ReplaceWithCopy(const std::string& target, TCopyBeside& copy) {
  if (DWORD code = ReplaceableNow(target)) return code;
  const std::string folder = ui::ExtractFilePath(target);
  const std::vector<std::string> workFiles = WorkFiles(folder);
  if (ReplaceFileA(target.c_str(), copy.Name().c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    copy.Kept();
    return 0;
  }
  DWORD code = GetLastError();
  // The file is gone and the copy kept its own name: the copy takes the file's name.
  if (code == ERROR_UNABLE_TO_MOVE_REPLACEMENT && GetFileAttributesA(target.c_str()) == INVALID_FILE_ATTRIBUTES &&
      MoveFileExA(copy.Name().c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
    copy.Kept();
    return 0;
  }
  RemoveNewWorkFiles(folder, workFiles);
  return code;
}

}  // namespace

TSetBankResult SetBankInFile(const std::string& fileName, uint16_t bank) {
  const std::string target = FullPathOf(fileName);
  const DWORD attributes = GetFileAttributesA(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failed(GetLastError());
  // Checked first: a read-only file can still be opened for writing by some users, and replaced by a move.
  if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return Failed(ERROR_ACCESS_DENIED);
  // Nobody writes to the file while its copy is made.
  TFileHandle source(CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!source.Valid()) return Failed(GetLastError());
  TPresetHeaderLayout layout;
  {
    std::ifstream in(target, std::ios::binary);
    if (!in) return Failed(ERROR_SHARING_VIOLATION);
    layout = CheckPresetHeaders(in);
  }
  if (layout.Damage != TSf2Damage::None) return {TSetBankStatus::Damaged, DamageText(layout.Damage)};

  TCopyBeside copy;
  if (!copy.Create(ui::ExtractFilePath(target))) return Failed(GetLastError());
  {
    TFileHandle out(CreateFileA(copy.Name().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!out.Valid()) return Failed(GetLastError());
    if (DWORD code = WriteCopy(source.Get(), out.Get(), layout, bank)) return Failed(code);
  }
  if (!CopyReadsBack(target, copy.Name(), layout, bank))
    return {TSetBankStatus::Failed, "the written copy did not read back as written"};
  source.Close();
  if (DWORD code = ReplaceWithCopy(target, copy)) return Failed(code);
  SetFileAttributesA(target.c_str(), attributes);
  return {TSetBankStatus::Done, std::string()};
}
