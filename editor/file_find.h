#pragma once
// TFindFileRecursive walks a folder and its subfolders and hands out one file per call, so a caller can
// search step by step and keep its window responsive. Every file of a folder comes before any of its
// subfolders; subfolders are visited in the reverse order of their discovery.
#include <windows.h>

#include <deque>
#include <string>

class TFindFileRecursive {
 public:
  // An empty root walks nothing.
  explicit TFindFileRecursive(const std::string& root);
  ~TFindFileRecursive();
  TFindFileRecursive(const TFindFileRecursive&) = delete;
  TFindFileRecursive& operator=(const TFindFileRecursive&) = delete;

  // The next file's full path; "" once the walk is over, and on every later call. Folders that cannot be
  // listed, folder links and paths too long for the system's path buffers are passed over.
  std::string Next();

  const std::string& Root() const { return FRoot; }
  int RootLength() const { return int(FRoot.size()); }
  const std::string& Current() const { return FCurrent; }
  const std::string& CurrentDir() const { return FCurrentDir; }

 private:
  // Opens the search of the next folder on the stack; false when none is left.
  bool OpenNextFolder();
  void CloseSearch();

  std::string FRoot;
  // Pushes and pops at the front: the folder found last is visited first.
  std::deque<std::string> FStack;
  std::string FCurrentDir;
  std::string FCurrent;
  HANDLE FFindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA FFindData{};
};
