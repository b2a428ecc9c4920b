#include "file_find.h"

#include "sys_utils.h"

namespace {
// A path must leave room for its terminator in the system's path buffers.
bool FitsPath(const std::string& path) { return path.size() < MAX_PATH; }
}  // namespace

TFindFileRecursive::TFindFileRecursive(const std::string& root) : FRoot(root) {
  if (!root.empty()) FStack.push_front(root);
}

TFindFileRecursive::~TFindFileRecursive() { CloseSearch(); }

void TFindFileRecursive::CloseSearch() {
  if (FFindHandle != INVALID_HANDLE_VALUE) FindClose(FFindHandle);
  FFindHandle = INVALID_HANDLE_VALUE;
}

bool TFindFileRecursive::OpenNextFolder() {
  CloseSearch();
  while (!FStack.empty()) {
    FCurrentDir = FStack.front();
    FStack.pop_front();
    std::string pattern = ui::IncludeTrailingBackslash(FCurrentDir) + "*.*";
    if (!FitsPath(pattern)) continue;
    FFindHandle = FindFirstFileA(pattern.c_str(), &FFindData);
    if (FFindHandle != INVALID_HANDLE_VALUE) return true;
  }
  FCurrentDir.clear();
  return false;
}

std::string TFindFileRecursive::Next() {
  for (;;) {
    bool entry = FFindHandle != INVALID_HANDLE_VALUE && FindNextFileA(FFindHandle, &FFindData);
    if (!entry && !OpenNextFolder()) return FCurrentDir;
    const std::string name = FFindData.cFileName;
    const std::string path = ui::IncludeTrailingBackslash(FCurrentDir) + name;
    if (FFindData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // A linked folder may lead back up the tree or out of it.
      if (name != "." && name != ".." && !(FFindData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        FStack.push_front(path);
      continue;
    }
    if (!FitsPath(path)) continue;
    FCurrent = path;
    return FCurrent;
  }
}
