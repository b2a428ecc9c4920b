#include "export_test_support.h"

#include <commctrl.h>

#include <algorithm>

#include "dialog_windows.h"
#include "file_link.h"
#include "peer_programs.h"
#include "saver_test_support.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "text_compare.h"

namespace exporttest {

const char* const LongName = "Analog Strings Ensemble 2";

std::unique_ptr<TMapping> MappingOf(const std::string& name,
                                    const std::vector<std::tuple<int, int, std::string>>& entries,
                                    const std::map<int, std::string>& labels) {
  auto mapping = std::make_unique<TMapping>(name, true, nullptr, "");
  for (const auto& [bank, program, preset] : entries)
    mapping->AddItem("C:\\banks\\orchestra.sf2", bank, true, 0, preset, program, bank == 128 ? 128 : 0, program);
  for (const auto& [bank, label] : labels) mapping->SetBankName(bank, label);
  return mapping;
}

std::unique_ptr<TMapping> Orchestra() {
  return MappingOf("Orchestra", {{0, 0, "Grand Piano"}, {0, 2, "Strings"}, {5, 10, LongName}, {128, 35, "Kick"}},
                   {{5, "Strings and Pads"}});
}

std::unique_ptr<TMapping> FullMapping(const std::string& name) {
  std::vector<std::tuple<int, int, std::string>> entries;
  std::map<int, std::string> labels;
  for (int bank = 0; bank < MappingBanks; ++bank) {
    labels[bank] = "L" + IntToStrZero(bank, 3) + "\xE4";
    for (int p = 0; p < MappingPrograms; ++p)
      entries.emplace_back(bank, p, "Pr\xE9set " + std::to_string(bank) + "/" + std::to_string(p) + " long name");
  }
  auto mapping = MappingOf(name, entries, labels);
  mapping->BankNames->Add("005:", true);  // the last item of a bank wins
  return mapping;
}

std::string Crlf(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> AllPrograms(const std::map<int, std::string>& names) {
  std::vector<std::string> lines;
  for (int p = 0; p < 128; ++p) lines.push_back(names.count(p) ? names.at(p) : "-");
  return lines;
}

std::vector<std::string> SortedPaths(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end(),
            [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  return paths;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &data)) {
    std::string name = data.cFileName;
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) files.push_back(name);
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != "." && name != "..")
      for (const std::string& below : FilesBelow(folder + "\\" + name)) files.push_back(name + "\\" + below);
  }
  if (find != INVALID_HANDLE_VALUE) FindClose(find);
  return SortedPaths(files);
}

namespace {
// As Python's json.dumps with ensure_ascii.
std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    char escaped[8];
    snprintf(escaped, sizeof escaped, c == '"' || c == '\\' ? "\\%c" : c < 0x20 || c > 0x7E ? "\\u%04x" : "%c", c);
    out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : c == '\t' ? "\\t" : escaped;
  }
  return out + "\"";
}
}  // namespace

std::string ReaderLine(const std::string& file, const std::string& title, const std::vector<TSection>& sections) {
  std::string list;
  for (const TSection& s : sections) {
    std::map<std::string, std::string> names;  // in the order of the reader's text keys
    for (const auto& [program, name] : s.Names) names[std::to_string(program)] = name;
    std::string entries;
    for (const auto& [program, name] : names)
      entries += (entries.empty() ? "" : ",") + Json(program) + ":" + Json(name);
    list += std::string(list.empty() ? "" : ",") + "{\"bank\":" + std::to_string(s.Bank) +
            ",\"label\":" + Json(s.Label) + ",\"names\":{" + entries + "}}";
  }
  return "{\"file\":" + Json(file) + ",\"sections\":[" + list + "],\"title\":" + Json(title) + "}";
}

std::vector<std::string> ReadWithPython(const std::string& folder) {
  const std::string output = folder + ".json";
  DWORD code = 1;
  bool ran = savertest::RunShell(std::string("python3 ") + EXPORT_READER + " '" + testsupport::HostName(folder) +
                                     "' '" + testsupport::HostName(output) + "'",
                                 60000, &code);
  std::string text = testsupport::ReadBytes(output);
  DeleteFileA(output.c_str());
  std::vector<std::string> lines;
  for (size_t at = 0, end; ran && code == 0 && (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

}  // namespace exporttest
