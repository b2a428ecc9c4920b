// Stored values that the tools program reads at start, each damaged (another type, negative, huge): the
// program starts in its time, shows what it shows with the value's default, and stores nothing else.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "ipc.h"
#include "peer_programs.h"
#include "program_process.h"
#include "pump_until.h"
#include "recording_window.h"
#include "reg_array.h"
#include "reg_export.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_message_box.h"
#include "route_record.h"
#include "stored_mapping.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"

namespace {

const DWORD kWaitMs = 20000;

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

BOOL CALLBACK ChildrenOfClassStep(HWND child, LPARAM p) {
  auto* s = reinterpret_cast<std::pair<std::string, std::vector<HWND>>*>(p);
  char name[64] = "";
  GetClassNameA(child, name, sizeof name);
  if (s->first == name) s->second.push_back(child);
  return TRUE;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const std::string& className) {
  std::pair<std::string, std::vector<HWND>> search(className, {});
  EnumChildWindows(parent, ChildrenOfClassStep, reinterpret_cast<LPARAM>(&search));
  return search.second;
}

std::string TextOf(HWND window) {
  DWORD_PTR length = 0;
  SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 3000, &length);
  std::string text(length + 1, '\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_NORMAL, 3000, &copied);
  text.resize(copied);
  return text;
}

// Where a value is read, what of it shows, and how that window closes for good; the server's come last.
enum class TWindow { MonitorLists, EditorPaneWidth, EditorChoice, PreferencesSpins, ServerCurrentRoute, ServerSlotName,
                     ServerRouteBox };

bool IsServer(TWindow window) { return window >= TWindow::ServerCurrentRoute; }

// A route whose input is not there.
std::string GoneRoute(const std::string& input) {
  return RouteRecordToString({input, RouteNone, "SB Live!", RouteActive});
}

// What a window needs stored before its first start: the server runs without showing the tools program;
// its name of a slot comes from two mappings of that slot, "low" (priority 1) and "high" (priority 2); its
// box of the routes that did not open names the route "Gone" (the first stored) at least.
void Prepare(TWindow window) {
  if (!IsServer(window)) return;
  TRegKey(TarnbelKeyPath, true).WriteBool("ShowPreferences", false);
  if (window == TWindow::ServerRouteBox) {
    TRegArray routes(RoutesPath, false);
    routes.Add(GoneRoute("Gone"), true);
    routes.Add(GoneRoute("Second"), true);
    routes.Save();
  }
  if (window != TWindow::ServerSlotName) return;
  testsupport::StoreFileMapping("low", 1, "C:\\low.sf2", {{"low preset", 0, 7, 3, 7}});
  testsupport::StoreFileMapping("high", 2, "C:\\high.sf2", {{"high preset", 0, 7, 3, 7}});
}

struct TOpened {
  HWND Window = nullptr;
  std::string Shown;
};

bool OnTheScreen(HWND window) {
  RECT r{};
  return window && GetWindowRect(window, &r) && r.left >= 0 && r.top >= 0 &&
         r.right <= GetSystemMetrics(SM_CXSCREEN) && r.bottom <= GetSystemMetrics(SM_CYSCREEN);
}

// Whether the box and its button are on the screen, how its text begins and whether it names "Gone".
std::string BoxView(HWND box) {
  const std::string text = testsupport::MessageBoxText(box);
  return std::string("box ") + (OnTheScreen(box) ? "on" : "off") + " the screen, OK " +
         (OnTheScreen(GetDlgItem(box, IDOK)) ? "on" : "off") + " it, text \"" + text.substr(0, 24) + "\"" +
         (text.find("\"Gone\"") != std::string::npos ? " naming Gone" : "");
}

TOpened Open(TWindow window, e2e::TProgramProcess& tools) {
  TOpened opened;
  switch (window) {
    case TWindow::ServerRouteBox: {
      // The server turned on says in its box which inputs did not open.
      testsupport::TRecordingWindow standIn(TOOLS_WINDOW_TITLE);
      if (!tools.Start("tarnbel.exe") || !Pump([&] { return standIn.Count(WM_TB_SERVER_STATE) > 0; })) return opened;
      opened.Window = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE);
      PostMessageA(opened.Window, WM_TB_TURN_ON, 0, 0);
      HWND box = nullptr;
      Pump([&] { return IsWindowVisible(box = testsupport::FindWindowOf(tools.ProcessId(), "#32770", "tarnbel")); });
      // Read once the box is set up: a text line moves among its children until then.
      Pump([&] { return !testsupport::MessageBoxText(box).empty(); }, 1000);
      opened.Shown = BoxView(box);
      testsupport::ClickMessageBoxButton(box, IDOK);
      break;
    }
    case TWindow::ServerCurrentRoute:
    case TWindow::ServerSlotName: {
      // The server, asked by a stand-in of the tools program, names its current route or the slot's preset.
      testsupport::TRecordingWindow standIn(TOOLS_WINDOW_TITLE);
      if (!tools.Start("tarnbel.exe")) return opened;
      // Its state report comes once its settings and mappings are loaded.
      if (!Pump([&] { return standIn.Count(WM_TB_SERVER_STATE) > 0; })) return opened;
      opened.Window = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE);
      if (window == TWindow::ServerSlotName) {
        DWORD_PTR atom = 0;
        SendMessageTimeoutA(opened.Window, WM_TB_QUERY_PRESET_NAME, 3, 7, SMTO_NORMAL, kWaitMs, &atom);
        if (atom) IPCReceiveString(WPARAM(atom), opened.Shown);
        break;
      }
      PostMessageA(opened.Window, WM_TB_GET_CURRENT_ROUTE, 0, 0);
      if (Pump([&] { return standIn.Count(WM_TB_CURRENT_ROUTE) > 0; }))
        for (const auto& m : standIn.Received)
          if (m.Id == WM_TB_CURRENT_ROUTE) opened.Shown = "route " + std::to_string(m.LParam);
      break;
    }
    case TWindow::MonitorLists:
      if (!tools.Start("tb_tools.exe")) return opened;
      if ((opened.Window = testsupport::WaitVisibleWindowOf(tools.ProcessId(), "tarnbel monitor")))
        for (HWND list : ChildrenOfClass(opened.Window, "TListView")) {
          RECT r{};
          GetWindowRect(list, &r);
          opened.Shown += std::to_string(testsupport::RemoteListViewColumns(list)) + " columns, " +
                          std::to_string(r.bottom - r.top) + " high; ";
        }
      break;
    case TWindow::EditorPaneWidth:
      if (!tools.Start("tb_tools.exe", "-EDITOR Strings")) return opened;
      if ((opened.Window = testsupport::WaitVisibleWindowOf(tools.ProcessId(), "tarnbel editor - Strings")))
        for (HWND list : ChildrenOfClass(opened.Window, "TListView")) {
          RECT r{};
          GetWindowRect(list, &r);
          opened.Shown += std::to_string(r.right - r.left) + " wide ";
        }
      break;
    case TWindow::EditorChoice:
      if (!tools.Start("tb_tools.exe", "-EDITOR")) return opened;
      if ((opened.Window = testsupport::WaitVisibleWindowOf(tools.ProcessId(), "choose mapping to edit:")))
        opened.Shown = TextOf(testsupport::FindChildOfClass(opened.Window, "TComboBox"));
      break;
    case TWindow::PreferencesSpins: {
      if (!tools.Start("tb_tools.exe", "-")) return opened;
      HWND launcher = nullptr;
      if (!Pump([&] { return (launcher = testsupport::FindWindowOf(tools.ProcessId(), "", TOOLS_WINDOW_TITLE)); }))
        return opened;
      PostMessageA(launcher, WM_TB_SHOW_PREFERENCES, 0, 0);
      if ((opened.Window = testsupport::WaitVisibleWindowOf(tools.ProcessId(), "tarnbel preferences")))
        for (HWND spin : ChildrenOfClass(opened.Window, "TKitSpinEdit")) opened.Shown += TextOf(spin) + " ";
      break;
    }
  }
  return opened;
}

// Closes the window as the user would; the program, with nothing else open, ends.
bool CloseForGood(TWindow window, HWND opened, e2e::TProgramProcess& tools) {
  if (IsServer(window)) {
    PostMessageA(opened, WM_COMMAND, 1, 0);  // the tray menu's "Exit"
  } else if (window == TWindow::EditorChoice) {
    HWND cancel = FindWindowExA(opened, nullptr, "TButton", "Cancel");
    PostMessageA(cancel, BM_CLICK, 0, 0);
  } else {
    PostMessageA(opened, WM_CLOSE, 0, 0);
  }
  DWORD code = 99;
  return tools.WaitExit(kWaitMs, code) && code == 0;
}

// "reg export" of Software\tarnbel as narrow lines, without the lines of the named value.
std::vector<std::string> ExportWithout(const std::string& name) {
  std::string raw = testsupport::ExportRegistryKey("HKCU\\" + std::string(TarnbelKeyPath));
  std::string text;
  bool wide = raw.size() >= 2 && BYTE(raw[0]) == 0xFF && BYTE(raw[1]) == 0xFE;
  for (size_t i = wide ? 2 : 0; i < raw.size(); i += wide ? 2 : 1) text += raw[i];
  std::vector<std::string> lines;
  bool skipping = false;
  const std::string own = "\"" + name + "\"=";
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool continued = !line.empty() && line.back() == '\\';
    if (skipping || line.compare(0, own.size(), own) == 0) {
      skipping = continued;
      continue;
    }
    lines.push_back(line);
  }
  return lines;
}

struct TDamage {
  const char* What;
  DWORD Type;
  std::vector<BYTE> Data;
};

// Words of four letters and a blank, that many characters.
std::string Words(size_t count) {
  std::string words;
  while (words.size() < count) words += "word ";
  return words.substr(0, count);
}

std::vector<BYTE> Text(const std::string& s) { return std::vector<BYTE>(s.c_str(), s.c_str() + s.size() + 1); }
std::vector<BYTE> Dword(int32_t v) {
  return {BYTE(v), BYTE(uint32_t(v) >> 8), BYTE(uint32_t(v) >> 16), BYTE(uint32_t(v) >> 24)};
}

struct TStoredValue {
  const char* Key;  // below Software\tarnbel
  const char* Name;
  TWindow Window;
  std::vector<TDamage> Damages;
};

void PrintTo(const TStoredValue& v, std::ostream* os) { *os << v.Name; }

const std::vector<TStoredValue>& StoredValues() {
  static const std::vector<TStoredValue> values = {
      {"placement\\PresetsInCache", "ListView1_Columns.Count", TWindow::MonitorLists,
       {{"a number", REG_DWORD, Dword(3)}, {"negative", REG_SZ, Text("-4")}, {"huge", REG_SZ, Text("100000")}}},
      {"placement\\PresetsInCache", "ListView1_Height", TWindow::MonitorLists,
       {{"a number", REG_DWORD, Dword(3)}, {"negative", REG_SZ, Text("-500")}, {"huge", REG_SZ, Text("100000")}}},
      {"placement\\mapping", "FilesListView_Width", TWindow::EditorPaneWidth,
       {{"a number", REG_DWORD, Dword(3)}, {"negative", REG_SZ, Text("-500")}, {"huge", REG_SZ, Text("100000")}}},
      {"placement\\mapping", "PresetsListView_Width", TWindow::EditorPaneWidth,
       {{"a number", REG_DWORD, Dword(3)}, {"negative", REG_SZ, Text("-1")}, {"huge", REG_SZ, Text("99999")}}},
      {"", "CurrentEditorMapping", TWindow::EditorChoice,
       {{"a number", REG_DWORD, Dword(7)}, {"a path", REG_SZ, Text("a\\b")},
        {"huge", REG_SZ, Text(std::string(100000, 'n'))}}},
      {"", "CurrentRoute", TWindow::ServerCurrentRoute,
       {{"binary", REG_BINARY, {2}}, {"negative", REG_DWORD, Dword(-1)}, {"past the routes", REG_DWORD, Dword(2)},
        {"huge", REG_DWORD, Dword(0x7FFFFFFF)}}},
      // A flag other than 0 and 1 reads as off, and a priority of any number sorts: only another type is damage.
      {"mappings\\high", "Active", TWindow::ServerSlotName,
       {{"binary", REG_BINARY, {1}}, {"text", REG_SZ, Text("on")}}},
      // Each route that did not open is named in the box, however long its stored name.
      {"routes", "item1", TWindow::ServerRouteBox,
       {{"100,000 characters", REG_SZ, Text(GoneRoute(std::string(100000, 'n')))},
        {"1 MB", REG_SZ, Text(GoneRoute(std::string(1 << 20, 'm')))},
        {"100,000 characters in words", REG_SZ, Text(GoneRoute(Words(100000)))}}},
      {"mappings\\high", "Priority", TWindow::ServerSlotName,
       {{"binary", REG_BINARY, {9, 0, 0, 0}}, {"text", REG_SZ, Text("top")}}},
      {"", "UnloadTime", TWindow::PreferencesSpins,
       {{"binary", REG_BINARY, {1, 2}}, {"negative", REG_DWORD, Dword(-60)}, {"huge", REG_DWORD, Dword(0x7FFFFFFF)}}},
      {"", "UnloadOrphanTime", TWindow::PreferencesSpins,
       {{"text", REG_SZ, Text("abc")}, {"negative", REG_DWORD, Dword(-1)}, {"huge", REG_DWORD, Dword(1000000)}}},
  };
  return values;
}

class DamagedValuesE2E : public ::testing::TestWithParam<TStoredValue> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms());
    testsupport::ResetTarnbelKey();
  }
  void TearDown() override {
    Tools.Stop();
    testsupport::EndToolsPrograms();
    testsupport::ResetTarnbelKey();
  }
  e2e::TProgramProcess Tools;
};

}  // namespace

TEST_P(DamagedValuesE2E, TheProgramStartsWithTheDefaultAndStoresNothingElse) {
  const TStoredValue& value = GetParam();
  const std::string key = std::string(TarnbelKeyPath) + (*value.Key ? std::string("\\") + value.Key : "");
  // A first start and close, without the value, stores every value with its default; what it shows is the
  // default's view.
  Prepare(value.Window);
  TRegKey(key, false).DeleteValue(value.Name);
  TOpened clean = Open(value.Window, Tools);
  ASSERT_NE(clean.Window, nullptr);
  ASSERT_TRUE(CloseForGood(value.Window, clean.Window, Tools));

  for (const TDamage& damage : value.Damages) {
    SCOPED_TRACE(std::string(value.Name) + ", " + damage.What);
    testsupport::WriteRaw(key, value.Name, damage.Type, damage.Data.data(), DWORD(damage.Data.size()));
    const std::vector<std::string> before = ExportWithout(value.Name);
    const DWORD start = GetTickCount();
    TOpened damaged = Open(value.Window, Tools);
    ASSERT_NE(damaged.Window, nullptr);
    EXPECT_LT(GetTickCount() - start, kWaitMs);
    EXPECT_EQ(damaged.Shown, clean.Shown);
    EXPECT_EQ(ExportWithout(value.Name), before) << "nothing else is written";
    ASSERT_TRUE(CloseForGood(value.Window, damaged.Window, Tools));
  }
}

INSTANTIATE_TEST_SUITE_P(StoredAtStart, DamagedValuesE2E, ::testing::ValuesIn(StoredValues()),
                         [](const ::testing::TestParamInfo<TStoredValue>& info) {
                           std::string name;
                           for (const char* p = info.param.Name; *p; ++p)
                             if (isalnum(static_cast<unsigned char>(*p))) name += *p;
                           return name;
                         });
