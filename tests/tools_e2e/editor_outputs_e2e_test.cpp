// What the real editor makes of a mapping from its "E&xport" menu, seen from outside: the HTML page saved
// through its save dialog (the file name typed) and read back by the independent reader, and the Logic patch
// list read from the clipboard.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "clipboard_text.h"
#include "html_page_reader.h"
#include "peer_programs.h"
#include "played_server.h"
#include "program_process.h"
#include "pump_until.h"
#include "registry_test_support.h"
#include "remote_list_view.h"
#include "remote_menu.h"
#include "scratch_folder.h"
#include "server_profile.h"
#include "sf2_builder.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "virtual_midi_bus.h"

using namespace testsupport;

namespace {

const DWORD kWaitMs = 20000;
const int kFileNameField = 0x47C;
// The "E&xport" menu's items, separators not counted.
const int kHtmlItem = 8, kLogicItem = 9;

// A mapping's name with the characters a page must escape and a file name cannot hold.
const std::string kName = "R&B<Mix>'s";

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kWaitMs) { return PumpUntil(done, timeoutMs); }

struct TEntry {
  int Bank, Program;
  std::string Name, File;  // File: the name under the scratch folder
  int SourceBank, SourceProgram;
  bool Active;
  std::string FontColour;  // the bank's stored colour as the page writes it
};

const TEntry kEntries[] = {
    {0, 0, "Grand <Piano>", "banks #1 100%\\demo.sf2", 0, 0, true, "#FF0000"},
    {0, 5, "Strings & \"Co\"", "banks #1 100%\\demo.sf2", 0, 5, true, "#FF0000"},
    {0, 0, "Organ", "banks #1 100%\\demo.sf2", 0, 7, false, "#FF0000"},
    {128, 0, "Standard Kit", "banks #1 100%\\drums.sf2", 128, 0, true, "#008000"},
};

std::string Digits3(int n) {
  char text[8];
  snprintf(text, sizeof text, "%03d", n);
  return text;
}
std::string BankText(int bank) { return bank == 128 ? "drum" : Digits3(bank); }

// The entry a row of the attached list shows: its caption ends with the preset's name.
const TEntry* EntryOfCaption(const std::string& caption) {
  for (const TEntry& e : kEntries)
    if (caption.size() >= e.Name.size() && caption.compare(caption.size() - e.Name.size(), e.Name.size(), e.Name) == 0)
      return &e;
  return nullptr;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM data) {
  reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
  return TRUE;
}

// The rightmost list view of the editor: the attached presets.
HWND AttachedListOf(HWND editor) {
  std::vector<HWND> all;
  EnumChildWindows(editor, CollectChild, reinterpret_cast<LPARAM>(&all));
  HWND found = nullptr;
  LONG right = LONG_MIN;
  for (HWND w : all) {
    RECT r;
    if (WindowClass(w) == "TListView" && GetWindowRect(w, &r) && r.left > right) {
      right = r.left;
      found = w;
    }
  }
  return found;
}

// The visible file dialog of the process (the one with the file name field).
HWND FileDialogOf(DWORD processId) {
  for (HWND w : TopLevelWindowsOf(processId))
    if (WindowClass(w) == "#32770" && IsWindowVisible(w) && GetDlgItem(w, kFileNameField)) return w;
  return nullptr;
}

class EditorOutputsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EndToolsPrograms()) << "a tools program from an earlier run does not end";
    ResetTarnbelKey();
    ASSERT_TRUE(CreateDirectoryA(Folder["banks #1 100%"].c_str(), nullptr));
    sf2test::Sf2Builder demo, drums;
    for (const TEntry& e : kEntries)
      (e.File == kEntries[0].File ? demo : drums)
          .AddPresetWithSamples(e.Name, uint16_t(e.SourceBank), uint16_t(e.SourceProgram), {2000});
    ASSERT_TRUE(demo.Write(Folder[kEntries[0].File]));
    ASSERT_TRUE(drums.Write(Folder[kEntries[3].File]));
    {
      TMapping mapping(kName, false, nullptr, "");
      for (const TEntry& e : kEntries)
        mapping.AddItem(Folder[e.File], e.Bank, e.Active, 0, e.Name, e.SourceProgram, e.SourceBank, e.Program);
      mapping.SetBankColor(0, "255");
      mapping.SetBankColor(128, "32768");
    }
    StoreOneRouteProfile(kName, false);
    ASSERT_TRUE(e2e::StartServerOnBus(Server));
    ASSERT_TRUE(Pump([] { return FindWindowA(nullptr, SERVER_WINDOW_TITLE) != nullptr; }));
    ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", kWaitMs));
    ASSERT_TRUE(Tools.Start("tb_tools.exe", "-EDITOR " + kName));
    ASSERT_TRUE(Pump([&] {
      Editor = FindTopWindowStartingWith(Tools.ProcessId(), "tarnbel editor - " + kName);
      return Editor && IsWindowVisible(Editor);
    }));
    Attached = AttachedListOf(Editor);
    ASSERT_NE(Attached, nullptr);
    ASSERT_TRUE(Pump([&] { return EntryRows() == 4; }));
  }
  void TearDown() override {
    Tools.Stop();
    Server.Stop();
    EndToolsPrograms();
    ResetTarnbelKey();
  }

  std::vector<std::string> Captions() {
    std::vector<std::string> captions;
    for (const TRemoteRow& row : ReadRemoteListView(Attached, 1)) captions.push_back(row.Texts[0]);
    return captions;
  }
  int EntryRows() {
    std::vector<std::string> captions = Captions();
    return int(std::count_if(captions.begin(), captions.end(), [](const std::string& c) { return EntryOfCaption(c); }));
  }
  void RunExportItem(int item) { ASSERT_TRUE(RunRemoteMenuItem(Tools.ProcessId(), Editor, 'x', item)); }

  // What the reader should find: the page's heading, a line per row of the list as it stands, the files.
  std::vector<std::string> ExpectedPage() {
    std::vector<std::string> lines = {JsonList({JsonText("title"), JsonText("Tarnbel mapping - " + kName)}),
                                      JsonList({JsonText("caption"), JsonText(kName)})};
    for (const std::string& caption : Captions()) {
      const TEntry* e = EntryOfCaption(caption);
      if (caption.empty()) lines.push_back(JsonList({JsonText("divider")}));
      else if (!e) lines.push_back(HtmlHeaderLine("", caption.substr(1), "", ""));
      else {
        const std::string path = Folder[e->File], font = e->FontColour;
        lines.push_back(HtmlEntryLine(
            "", {HtmlCell(BankText(e->Bank), "", font, !e->Active), HtmlCell(Digits3(e->Program), "", font, !e->Active),
                 HtmlCell(e->Name, "", font), HtmlCell(path.substr(path.rfind('\\') + 1), "file:///" + path, font),
                 HtmlCell(BankText(e->SourceBank), "", font), HtmlCell(Digits3(e->SourceProgram), "", font)}));
      }
    }
    lines.push_back(HtmlFileLine(Folder[kEntries[0].File]));
    lines.push_back(HtmlFileLine(Folder[kEntries[3].File]));
    return lines;
  }

  TScratchFolder Folder{"outputs_e2e"};
  e2e::TProgramProcess Server, Tools;
  HWND Editor = nullptr, Attached = nullptr;
};

}  // namespace

// The page is saved under the name typed into the editor's save dialog, in a folder whose name a link must
// encode; every row of the list is on it, escaped, in order.
TEST_F(EditorOutputsE2E, TheHtmlPageIsSavedFromTheMenuUnderTheTypedName) {
  const std::string page = Folder["pages #2 50%\\typed name.htm"];
  ASSERT_TRUE(CreateDirectoryA(Folder["pages #2 50%"].c_str(), nullptr));
  RunExportItem(kHtmlItem);
  HWND dialog = nullptr;
  ASSERT_TRUE(Pump([&] { return (dialog = FileDialogOf(Tools.ProcessId())) != nullptr; }));
  char proposed[MAX_PATH] = "";
  GetDlgItemTextA(dialog, kFileNameField, proposed, sizeof proposed);
  EXPECT_EQ(std::string(proposed).find_first_of("<>"), std::string::npos) << proposed;
  SetDlgItemTextA(dialog, kFileNameField, page.c_str());
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(Pump([&] { return !IsWindow(dialog); }));
  // The window is enabled again once the page is written.
  ASSERT_TRUE(Pump([&] { return IsWindowEnabled(Editor) && GetFileAttributesA(page.c_str()) != INVALID_FILE_ATTRIBUTES; }));

  std::vector<std::string> lines;
  ASSERT_EQ(ReadHtmlPage(page, false, lines), THtmlReading::Read);
  // The creation line bears the real clock: its words are checked, then it is left out.
  auto created =
      std::find_if(lines.begin(), lines.end(), [](const std::string& l) { return l.rfind("[\"created\"", 0) == 0; });
  ASSERT_NE(created, lines.end());
  EXPECT_NE(created->find("HTML created by TARNBEL"), std::string::npos) << *created;
  lines.erase(created);
  EXPECT_EQ(lines, ExpectedPage());
}

// The list of the selected entry's bank reaches the clipboard, where the suite reads it: the inactive entry
// holding a slot in force is left out.
TEST_F(EditorOutputsE2E, TheLogicListFromTheMenuIsOnTheClipboard) {
  ASSERT_TRUE(PutOnClipboard("sentinel"));
  std::vector<std::string> captions = Captions();
  auto strings = std::find_if(captions.begin(), captions.end(),
                              [](const std::string& c) { return EntryOfCaption(c) == &kEntries[1]; });
  ASSERT_NE(strings, captions.end());
  const int row = int(strings - captions.begin());
  ASSERT_TRUE(PostClickOnRemoteRow(Attached, row));
  ASSERT_TRUE(Pump([&] { return ReadRemoteListView(Attached, 1)[size_t(row)].Selected; }));
  RunExportItem(kLogicItem);
  std::string expected;
  for (int program = 0; program < 128; ++program)
    expected += (program == 0 ? kEntries[0].Name : program == 5 ? kEntries[1].Name : "-") + "\r\n";
  // "<held>" while the editor has the clipboard open.
  ASSERT_TRUE(Pump([] {
    const std::string text = ClipboardText();
    return text != "sentinel" && text != "<held>";
  }));
  EXPECT_EQ(ClipboardText(), expected);
}
