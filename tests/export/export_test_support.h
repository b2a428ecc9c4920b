#pragma once
// What the export tests share: the mappings they export, the files they read back, the independent
// reader and the file dialog found from a second thread.
#include <windows.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "file_dialog_driver.h"
#include "screen.h"
#include "tarnbel_mapping.h"

namespace exporttest {

extern const char* const LongName;  // 25 characters

// "Orchestra": bank 0: 0 "Grand Piano", 2 "Strings"; bank 5 "Strings and Pads": 10 LongName; 128: 35 "Kick".
std::unique_ptr<TMapping> Orchestra();
// name with every slot filled and every bank named but bank 5, whose stored name is empty; names hold
// bytes above 127.
std::unique_ptr<TMapping> FullMapping(const std::string& name);
// A temporary mapping with the given entries (bank, program, name) and bank labels.
std::unique_ptr<TMapping> MappingOf(const std::string& name,
                                    const std::vector<std::tuple<int, int, std::string>>& entries,
                                    const std::map<int, std::string>& labels = {});

// Each line followed by CR LF.
std::string Crlf(const std::vector<std::string>& lines);
// 128 lines: the name of each program, "-" for the others.
std::vector<std::string> AllPrograms(const std::map<int, std::string>& names);

// Files below a folder as paths relative to it, sorted without case.
std::vector<std::string> FilesBelow(const std::string& folder);
std::vector<std::string> SortedPaths(std::vector<std::string> paths);

// One bank of a file as the reader gives it.
struct TSection {
  int Bank;
  std::string Label;
  std::map<int, std::string> Names;
};
// The reader's line for a file: the same JSON as Python's sort_keys and ASCII output.
std::string ReaderLine(const std::string& file, const std::string& title, const std::vector<TSection>& sections);
// Runs tests/export/export_reader.py over the folder: one line per file, sorted by path; empty on failure.
std::vector<std::string> ReadWithPython(const std::string& folder);

using testsupport::PickInList;
using testsupport::WaitForDialog;
// The visible form of that class; null when none.
template <class T>
T* Shown() {
  for (int i = 0; i < ui::Screen().FormCount(); ++i)
    if (auto* form = dynamic_cast<T*>(ui::Screen().Forms(i)))
      if (form->Visible()) return form;
  return nullptr;
}

}  // namespace exporttest
