#include "export_test_support.h"

#include <commctrl.h>

#include <algorithm>
#include <tuple>

#include "file_link.h"
#include "saver_test_support.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "text_compare.h"

namespace exporttest {

const char* const LongName = "Analog Strings Ensemble 2";

std::unique_ptr<TMapping> MappingOf(const std::string& name, const std::vector<std::tuple<int, int, std::string>>& entries,
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
    for (int program = 0; program < MappingPrograms; ++program)
      entries.emplace_back(bank, program, "Pr\xE9set " + std::to_string(bank) + "/" + std::to_string(program) + " long name");
  }
  return MappingOf(name, entries, labels);
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

namespace {
void CollectFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& files) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = data.cFileName;
    if (name == "." || name == "..") continue;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      CollectFiles(folder + "\\" + name, prefix + name + "\\", files);
    else
      files.push_back(prefix + name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
}

// As Python's json.dumps with ensure_ascii.
std::string Json(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c == '\r' || c == '\n' || c == '\t') {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\t";
    } else if (c < 0x20 || c > 0x7E) {
      char hex[8];
      snprintf(hex, sizeof hex, "\\u%04x", c);
      out += hex;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::vector<std::string> SortedPaths(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  return paths;
}

std::vector<std::string> FilesBelow(const std::string& folder) {
  std::vector<std::string> files;
  CollectFiles(folder, "", files);
  return SortedPaths(files);
}

std::string ReaderLine(const std::string& file, const std::string& title, const std::vector<TSection>& sections) {
  std::string list;
  for (const TSection& s : sections) {
    std::map<std::string, std::string> names;  // ordered as the reader's text keys
    for (const auto& [program, name] : s.Names) names[std::to_string(program)] = name;
    std::string entries;
    for (const auto& [program, name] : names) entries += (entries.empty() ? "" : ",") + Json(program) + ":" + Json(name);
    list += std::string(list.empty() ? "" : ",") + "{\"bank\":" + std::to_string(s.Bank) + ",\"label\":" + Json(s.Label) +
            ",\"names\":{" + entries + "}}";
  }
  return "{\"file\":" + Json(file) + ",\"sections\":[" + list + "],\"title\":" + Json(title) + "}";
}

std::vector<std::string> ReadWithPython(const std::string& folder) {
  const std::string output = folder + ".json";
  DWORD code = 1;
  bool ran = savertest::RunShell(std::string("python3 ") + EXPORT_READER + " '" + testsupport::HostName(folder) + "' '" +
                                     testsupport::HostName(output) + "'",
                                 60000, &code);
  std::string text = testsupport::ReadBytes(output);
  DeleteFileA(output.c_str());
  std::vector<std::string> lines;
  for (size_t at = 0, end; ran && code == 0 && (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return lines;
}

namespace {
struct DialogSearch {
  DWORD Thread;
  bool FileBox;
  HWND Found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<DialogSearch*>(param);
  char cls[16] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) != "#32770" || !IsWindowVisible(window) || !IsWindowEnabled(window) ||
      GetWindowThreadProcessId(window, nullptr) != search->Thread)
    return TRUE;
  if ((GetDlgItem(window, 0x47C) != nullptr) != search->FileBox) return TRUE;
  search->Found = window;
  return FALSE;
}
}  // namespace

HWND WaitForDialog(DWORD thread, bool fileBox, DWORD timeoutMs) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(25)) {
    DialogSearch search{thread, fileBox, nullptr};
    EnumWindows(&MatchDialog, reinterpret_cast<LPARAM>(&search));
    if (search.Found) return search.Found;
  }
  return nullptr;
}

namespace {
BOOL CALLBACK FindListView(HWND window, LPARAM found) {
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (std::string(cls) != "SysListView32") return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}
}  // namespace

bool PickInList(HWND dialog, const std::string& name) {
  HWND list = nullptr;
  for (DWORD start = GetTickCount(); !list && GetTickCount() - start < 5000; Sleep(25))
    EnumChildWindows(dialog, &FindListView, reinterpret_cast<LPARAM>(&list));
  LVFINDINFOA find{};
  find.flags = LVFI_STRING;
  find.psz = name.c_str();
  int index = list ? int(SendMessageA(list, LVM_FINDITEMA, WPARAM(-1), reinterpret_cast<LPARAM>(&find))) : -1;
  if (index < 0) return false;
  LVITEMA state{};
  state.stateMask = state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(index), reinterpret_cast<LPARAM>(&state));
  char shown[MAX_PATH] = {};
  for (DWORD start = GetTickCount(); GetTickCount() - start < 5000; Sleep(25))
    if (GetDlgItemTextA(dialog, 0x47C, shown, sizeof shown) && name == shown) return true;
  return false;
}

}  // namespace exporttest
