// What the editor makes of the mapping it edits, from its own keys and menus: the HTML page (Ctrl+H), the
// Logic patch list on the clipboard (Ctrl+L), SoundFont files of the selected presets (Ctrl+F, Ctrl+Alt+F)
// and the exports, each through the dialog a user answers.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "choose_directory.h"
#include "clipboard_text.h"
#include "editor_fixture.h"
#include "export_output.h"
#include "file_dialog_driver.h"
#include "html_expectation.h"
#include "html_page_reader.h"
#include "mapping_html.h"
#include "message_box_recorder.h"
#include "modal_driver.h"
#include "registry_internal.h"
#include "screen.h"
#include "sf2_checker.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_sf2_saver.h"
#include "unix_shell.h"
#include "window_shot.h"

using namespace ui;
using namespace editortest;
using testsupport::MessageBoxRecorder;
using testsupport::TModalDriver;

namespace {

const int FileNameField = 0x47C;

// What a user did with a file dialog of the GUI thread, answered from a second thread.
struct TFileDialogAnswer {
  std::string Proposed;  // the name the dialog came up with
  int Prompts = 0;       // questions after OK, each answered Yes
  bool Seen = false;
};

// Answers the next file dialog: the path typed into its name field (or, when picked, that file chosen in its
// list) and OK; Cancel when the path is empty. With TARNBEL_EDITOR_SHOT set (a folder), the dialog's picture
// goes there under shotName.
std::thread AnswerFileDialog(const std::string& path, TFileDialogAnswer& answer, const std::string& shotName,
                             bool picked = false) {
  const DWORD gui = GetCurrentThreadId();
  return std::thread([gui, path, &answer, shotName, picked] {
    HWND dialog = testsupport::WaitForDialog(gui, true);
    if (!dialog) return;
    answer.Seen = true;
    char text[MAX_PATH] = "";
    GetDlgItemTextA(dialog, FileNameField, text, sizeof text);
    answer.Proposed = text;
    if (const char* folder = std::getenv("TARNBEL_EDITOR_SHOT")) {
      // The picture once the dialog has painted its controls: a message it answers comes after the paint.
      RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      DWORD_PTR ignored = 0;
      SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_BLOCK, 3000, &ignored);
      testsupport::SaveWindowShot(dialog, std::string(folder) + "\\" + shotName);
    }
    if (path.empty()) {
      PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
      return;
    }
    if (!picked) SetDlgItemTextA(dialog, FileNameField, path.c_str());
    else if (!testsupport::PickInList(dialog, path.substr(path.rfind('\\') + 1))) answer.Seen = false;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
    while (HWND prompt = testsupport::WaitForDialog(gui, false, 1500)) {
      ++answer.Prompts;
      PostMessageA(prompt, WM_COMMAND, IDYES, 0);
      for (int waited = 0; IsWindow(prompt) && waited < 5000; waited += 10) Sleep(10);
      if (answer.Prompts > 3) break;
    }
  });
}

std::string LogicText(const std::vector<std::pair<int, std::string>>& named) {
  std::string text;
  for (int program = 0; program < 128; ++program) {
    std::string line = "-";
    for (const auto& n : named)
      if (n.first == program) line = n.second;
    text += line + "\r\n";
  }
  return text;
}

// Every file's bytes below a folder, one after another.
std::string TextBelow(const std::string& folder) {
  std::string text;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return text;
  do {
    const std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    const std::string path = folder + "\\" + name;
    text += (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? TextBelow(path) : testsupport::ReadBytes(path);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return text;
}

class EditorOutputs : public EditorFixture {
 protected:
  const std::string Name = "Tom's <live> & \"B\": mix";
  std::string Bank;
  void SetUp() override {
    EditorFixture::SetUp();
    Bank = MakeSoundFont("Piano #1 & 100% 'x'.sf2", {{0, 0, "Grand <Piano>"}, {0, 5, "Strings & \"Co\""},
                                                     {0, 7, "Organ"}, {128, 0, "Standard Kit"}});
    Store(Name);
    SetHtmlClock(htmltest::FixedClock);
  }
  void TearDown() override {
    SetHtmlClock(nullptr);
    EditorFixture::TearDown();
  }
  // Three entries in force, one of them a drum kit, and an inactive one in the piano's slot.
  void Store(const std::string& name) {
    TMapping mapping(name, false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Grand <Piano>", 0, 0, 0);
    mapping.AddItem(Bank, 0, true, 0, "Strings & \"Co\"", 5, 0, 5);
    mapping.AddItem(Bank, 128, true, 0, "Standard Kit", 0, 128, 0);
    mapping.AddItem(Bank, 0, false, 0, "Organ", 7, 0, 0);
  }
  // Selects the attached rows whose captions end with one of the names (none: nothing selected).
  void SelectEntries(const std::vector<std::string>& names) {
    Focus(Editor->FilesListView);
    TListItems& items = Editor->FilesListView->Items();
    for (int i = 0; i < items.Count(); ++i) {
      const std::string caption = items[i]->Caption();
      bool wanted = false;
      for (const std::string& n : names)
        wanted |= caption.size() >= n.size() && caption.compare(caption.size() - n.size(), n.size(), n) == 0;
      items[i]->SetSelected(wanted);
    }
  }
  std::string Stored(const std::string& value) {
    std::unique_ptr<TRegKey> own;
    return ToolsSettingsKey(own).ReadString(value, "?");
  }
};

}  // namespace

// Ctrl+H proposes a file name Windows keeps, writes the page of the list as it stands where the user says,
// replacing a file there only after asking, and remembers the folder; Cancel writes nothing.
TEST_F(EditorOutputs, HtmlPageIsWrittenWhereTheUserSaysOrNotAtAll) {
  ASSERT_NE(OpenEditor(Name), nullptr);
  struct Case {
    const char* What;
    std::string Path;
    bool Existing, Held;  // an existing file is picked in the list; held: another program has it open
  } cases[] = {
      {"cancelled", "", false, false},
      {"a new file typed", Folder["pages #1 100%\\list.htm"], false, false},
      {"an existing file picked", Folder["pages #1 100%\\old.htm"], true, false},
      {"a file held open picked", Folder["pages #1 100%\\held.htm"], true, true},
  };
  CreateDirectoryA(Folder["pages #1 100%"].c_str(), nullptr);
  const std::string storedBefore = Stored("DialogHTMLPath");
  for (const Case& c : cases) {
    if (c.Existing) testsupport::WriteBytes(c.Path, "old page");
    HANDLE held = c.Held ? CreateFileA(c.Path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                         : INVALID_HANDLE_VALUE;
    MessageBoxRecorder boxes;
    TFileDialogAnswer answer;
    std::thread user = AnswerFileDialog(c.Path, answer, std::string("html_") + (c.Path.empty() ? "cancel" : "save") + ".bmp", c.Existing);
    PressKey('H', {VK_CONTROL});
    RunUntil([&] { return answer.Seen && IsWindowEnabled(Editor->Handle()); }, 10000);
    user.join();
    ASSERT_TRUE(answer.Seen) << c.What << ": no save dialog, or the file was not in its list";
    EXPECT_EQ(answer.Proposed, "Tom's _live_ & _B__ mix.htm") << c.What;
    EXPECT_EQ(answer.Prompts, c.Existing ? 1 : 0) << c.What;
    EXPECT_TRUE(IsWindowEnabled(Editor->Handle())) << c.What;
    if (held != INVALID_HANDLE_VALUE) {
      CloseHandle(held);
      ASSERT_EQ(boxes.Boxes.size(), 1u) << "a failed save was silent";
      EXPECT_NE(boxes.Boxes[0].Text.find(c.Path), std::string::npos) << boxes.Boxes[0].Text;
      EXPECT_EQ(testsupport::ReadBytes(c.Path), "old page");
      continue;
    }
    EXPECT_TRUE(boxes.Boxes.empty()) << c.What << ": " << boxes.Boxes[0].Text;
    if (c.Path.empty()) {
      EXPECT_EQ(Stored("DialogHTMLPath"), storedBefore) << "a cancelled dialog stored its folder";
      EXPECT_EQ(TextBelow(Folder["pages #1 100%"]), "") << "a cancelled dialog wrote a page";
      continue;
    }
    EXPECT_EQ(Stored("DialogHTMLPath"), Folder["pages #1 100%"] + "\\") << c.What;
    std::vector<std::string> lines;
    ASSERT_EQ(testsupport::ReadHtmlPage(c.Path, false, lines), testsupport::THtmlReading::Read) << c.What;
    EXPECT_EQ(lines, htmltest::ExpectedLines(Name, Editor->AttachedRows(false), Editor->HtmlPageLook())) << c.What;
  }
}

// The mapping's text file is proposed under a name Windows keeps, as the HTML page is.
TEST_F(EditorOutputs, TheTextFileIsProposedUnderANameWindowsKeeps) {
  ASSERT_NE(OpenEditor(Name), nullptr);
  TFileDialogAnswer answer;
  std::thread user = AnswerFileDialog("", answer, "mapping_text_name.bmp");
  Editor->SaveMappingInFileAction->Execute();
  user.join();
  ASSERT_TRUE(answer.Seen);
  EXPECT_EQ(answer.Proposed, "Tom's _live_ & _B__ mix.txt");
}

// Ctrl+L puts the names of the selected entry's bank on the clipboard, one line per program, entries in
// force only; without a selection, or while another program holds the clipboard, a box says so and what
// was on the clipboard stays.
TEST_F(EditorOutputs, LogicListOfTheSelectedEntrysBank) {
  ASSERT_NE(OpenEditor(Name), nullptr);
  struct Case {
    const char* What;
    std::vector<std::string> Selected;
    bool Held;
    std::string Clipboard;  // empty: the sentinel stays
    const char* Box;        // the start of the box's text, or null for none
  } cases[] = {
      {"a melodic entry", {"Strings & \"Co\""}, false, LogicText({{0, "Grand <Piano>"}, {5, "Strings & \"Co\""}}), nullptr},
      {"a drum kit", {"Standard Kit"}, false, LogicText({{0, "Standard Kit"}}), nullptr},
      {"nothing selected", {}, false, "",
       "The list was not created. Please select at least one preset in Attached Presets list."},
      {"the clipboard held elsewhere", {"Grand <Piano>"}, true, "", "The list was not created: "},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(testsupport::PutOnClipboard("sentinel"));
    SelectEntries(c.Selected);
    MessageBoxRecorder boxes;
    {
      std::unique_ptr<testsupport::TClipboardHolder> holder(c.Held ? new testsupport::TClipboardHolder : nullptr);
      if (holder) {
        ASSERT_TRUE(holder->Held()) << "the clipboard could not be held";
      }
      PressKey('L', {VK_CONTROL});
    }
    EXPECT_EQ(testsupport::ClipboardText(), c.Clipboard.empty() ? "sentinel" : c.Clipboard) << c.What;
    ASSERT_EQ(boxes.Boxes.size(), c.Box ? 1u : 0u) << c.What;
    if (c.Box) {
      EXPECT_EQ(boxes.Boxes[0].Text.rfind(c.Box, 0), 0u) << boxes.Boxes[0].Text;
    }
  }
}

// Ctrl+F writes one SoundFont of the selected entries in force, each in its slot with the list's name;
// Ctrl+Alt+F one file per selected entry, inactive ones too, each at 0:0. The SF2 checker and fluidsynth
// both read them.
TEST_F(EditorOutputs, SoundFontsOfTheSelectedEntries) {
  ASSERT_NE(OpenEditor(Name), nullptr);
  const std::string out = Folder["fonts"];
  CreateDirectoryA(out.c_str(), nullptr);
  int chooserAsked = 0;
  TSaverFolderChooser previous = SetSaverFolderChooser([&](TComponent*, std::string& folder, const std::string&) {
    ++chooserAsked;
    folder = out;
    return int(mrOk);
  });
  struct Case {
    const char* What;
    bool Separate;
    std::vector<std::tuple<std::string, int, int, std::string>> Files;  // file, bank, program, preset name
  } cases[] = {
      {"one file",
       false,
       {{"all.sf2", 0, 0, "Grand <Piano>"}, {"all.sf2", 0, 5, "Strings & \"Co\""}, {"all.sf2", 128, 0, "Standard Kit"}}},
      {"separate files",
       true,
       {{"Grand _Piano_.sf2", 0, 0, "Grand <Piano>"},
        {"Organ.sf2", 0, 0, "Organ"},
        {"Strings & _Co_.sf2", 0, 5, "Strings & \"Co\""},
        {"Standard Kit.sf2", 128, 0, "Standard Kit"},
        {"Standard Kit.sf2", 0, 127, "fake"}}},  // a file of drums alone gets a melodic placeholder
  };
  MessageBoxRecorder boxes;
  for (const Case& c : cases) {
    SelectEntries({"Grand <Piano>", "Strings & \"Co\"", "Standard Kit", "Organ"});
    TFileDialogAnswer answer;
    std::thread user;
    if (c.Separate) PressKey('F', {VK_CONTROL, VK_MENU});
    else {
      user = AnswerFileDialog(out + "\\all.sf2", answer, "soundfont_save.bmp");
      PressKey('F', {VK_CONTROL});
      RunUntil([&] { return answer.Seen && IsWindowEnabled(Editor->Handle()); }, 10000);
      user.join();
      ASSERT_TRUE(answer.Seen) << "no save dialog";
    }
    RunUntil([&] { return IsWindowEnabled(Editor->Handle()); }, 10000);
    std::map<std::string, std::vector<std::tuple<int, int, std::string>>> expected;
    for (const auto& [file, bank, program, name] : c.Files) expected[file].emplace_back(bank, program, name);
    for (const auto& [file, presets] : expected) {
      sf2check::SoundFont sf = sf2check::CheckFile(out + "\\" + file);
      for (const std::string& e : sf.Errors) ADD_FAILURE() << c.What << " " << file << ": " << e;
      std::vector<std::tuple<int, int, std::string>> read;
      for (const sf2check::Preset& p : sf.Presets) read.emplace_back(p.Bank, p.Program, p.Name);
      std::sort(read.begin(), read.end());
      std::vector<std::tuple<int, int, std::string>> want = presets;
      std::sort(want.begin(), want.end());
      EXPECT_EQ(read, want) << c.What << " " << file;
    }
  }
  EXPECT_EQ(chooserAsked, 1);
  EXPECT_TRUE(boxes.Boxes.empty()) << boxes.Boxes[0].Text;
  const std::string report = testsupport::FluidsynthPresetReport(out + "\\all.sf2");
  if (report.empty()) GTEST_SKIP() << "fluidsynth did not run";
  EXPECT_EQ(report.find("error"), std::string::npos) << report;
  for (const char* line : {"000-000 Grand <Piano>", "000-005 Strings & \"Co\"", "128-000 Standard Kit"})
    EXPECT_NE(report.find(line), std::string::npos) << line << " in\n" << report;
  SetSaverFolderChooser(previous);
}

// Each export action exports the mapping as it is being edited, before it is saved.
TEST_F(EditorOutputs, ExportsGetTheMappingAsEdited) {
  Store("Studio");
  const std::vector<std::string> stored = StoredEntries("Studio");
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  Editor->Mapping->AddItem(Bank, 3, true, 0, "Edited Organ", 7, 0, 9);
  const std::string chosen = Folder["exports"];
  CreateDirectoryA(chosen.c_str(), nullptr);
  for (TAction* action : {Editor->CreateCubase12Action, Editor->CreateCubase1Action, Editor->CreateCakewalkAction,
                          Editor->CreateMassivaAction, Editor->CreateEvolutionAction, Editor->CreateEncoreAction,
                          Editor->CreateQuartzAction}) {
    const std::string into = chosen + "\\" + action->Name();
    CreateDirectoryA(into.c_str(), nullptr);
    auto picker = [] {
      for (int i = 0; i < Screen().FormCount(); ++i)
        if (auto* form = dynamic_cast<TOKRightDlg*>(Screen().Forms(i)))
          if (form->Visible()) return form;
      return static_cast<TOKRightDlg*>(nullptr);
    };
    TModalDriver driver(nullptr, {[&] {
                                    if (!picker()) return false;
                                    picker()->KitSystemTreeView1->SetSelection(into);
                                    return true;
                                  },
                                  [&] {
                                    if (lstrcmpiA(picker()->Label1->Caption().c_str(), into.c_str()) != 0) return false;
                                    testsupport::PostKey(picker()->KitSystemTreeView1->Handle(), VK_RETURN);
                                    return true;
                                  }},
                        10000);
    ASSERT_TRUE(action->Enabled()) << action->Name();
    action->Execute();
    ASSERT_TRUE(driver.AllDone()) << action->Name();
    EXPECT_NE(TextBelow(into).find("Edited Organ"), std::string::npos) << action->Name();
  }
  // The mapping's text file, by its own save dialog.
  TFileDialogAnswer answer;
  std::thread user = AnswerFileDialog(chosen + "\\studio.txt", answer, "mapping_text.bmp");
  Editor->SaveMappingInFileAction->Execute();
  user.join();
  EXPECT_NE(testsupport::ReadBytes(chosen + "\\studio.txt").find("Edited Organ"), std::string::npos);
  EXPECT_EQ(StoredEntries("Studio"), stored) << "an export saved the mapping";
}

// The page of a full mapping (129 banks of 128 entries), run by hand:
//   test_editor.exe --gtest_also_run_disabled_tests --gtest_filter=EditorOutputs.DISABLED_*
TEST_F(EditorOutputs, DISABLED_HtmlPageOfAFullMapping) {
  {
    TMapping mapping("Full", false, nullptr, "");
    for (int bank = 0; bank <= 128; ++bank)
      for (int program = 0; program < 128; ++program)
        mapping.AddItem(Bank, bank, true, 0, "Preset " + std::to_string(bank) + "/" + std::to_string(program), 5,
                        0, program);
  }
  ASSERT_NE(OpenEditor("Full"), nullptr);
  ASSERT_TRUE(RunUntil([&] { return Editor->FilesListView->Items().Count() >= 16512; }, 120000));
  const DWORD start = GetTickCount();
  Editor->WriteMappingHTML(Folder.Path() + "\\", "full.htm");
  const double seconds = (GetTickCount() - start) / 1000.0;
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(Folder["full.htm"].c_str(), GetFileExInfoStandard, &data));
  printf("[figure] HTML page of %d entries: %.2f s, %.2f MB\n", int(Editor->AttachedRows(false).size()), seconds,
         data.nFileSizeLow / 1e6);
}
