// The editor window: its components, texts and orders, opening and saving a mapping, closing.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "application.h"
#include "choose_mapping_form.h"
#include "dialogs.h"
#include "editor_fixture.h"
#include "message_box_recorder.h"
#include "modal_driver.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "route_record.h"
#include "screen.h"
#include "scratch_folder.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "toolbar.h"
#include "window_shot.h"

using namespace ui;
using namespace editortest;
using testsupport::MessageBoxRecorder;
using toolstest::TModalDriver;

namespace {

const std::string MappingsKey = std::string(TarnbelKeyPath) + "\\mappings\\";

// Items of a menu as their captions, "-" for separators, each with its shortcut after a tab.
std::vector<std::string> MenuTexts(TMenuItem* menu) {
  std::vector<std::string> texts;
  for (int i = 0; i < menu->Count(); ++i) {
    TMenuItem* item = menu->Items(i);
    std::string shortCut = ShortCutToText(item->ShortCut());
    texts.push_back(item->Caption() + (shortCut.empty() ? "" : "\t" + shortCut));
  }
  return texts;
}

// A toolbar's buttons by action name, "|" for separators.
std::vector<std::string> ButtonNames(TToolBar* bar) {
  std::vector<std::string> names;
  for (int i = 0; i < bar->ButtonCount(); ++i) {
    TAction* action = bar->Buttons(i)->Action();
    names.push_back(action ? action->Name() : "|");
  }
  return names;
}


// Requests that reach the editor from a timer, as the launcher's and the window manager's would.
struct TRequests {
  static void CALLBACK Run(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Target->SwitchToMapping("Studio");
    Target->SwitchToMapping("Fresh");
    PostMessageA(Target->Handle(), WM_CLOSE, 0, 0);
    SawBusy = Target->Busy() && !IsWindowEnabled(Target->Handle());
  }
  static TMappingsForm* Target;
  static bool SawBusy;
};
TMappingsForm* TRequests::Target = nullptr;
bool TRequests::SawBusy = false;

class EditorWindowTest : public EditorFixture {
 protected:
  std::string Bank;
  void SetUp() override {
    EditorFixture::SetUp();
    Bank = MakeSoundFont("gm.sf2", {{0, 0, "Grand Piano"}, {0, 5, "Strings"}, {128, 0, "Standard Kit"}});
  }
  // A stored mapping "Studio": two entries of the bank, one of them a drum kit.
  void StoreStudio(bool withConflict = false) {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
    mapping.AddItem(Bank, 128, true, 0, "Standard Kit", 0, 128, 0);
    if (withConflict) mapping.AddItem(Bank, 0, false, 0, "Strings", 0, 0, 5);
  }
  // The choose-mapping dialog answered with a name (or cancelled with an empty one).
  std::vector<TModalDriver::TStep> Choose(const std::string& name) {
    auto dialog = [] { return dynamic_cast<TChooseMappingForm*>(Screen().ActiveForm()); };
    return {[dialog] { return dialog() && IsWindowVisible(dialog()->Handle()); },
            [dialog, name] {
              if (name.empty()) dialog()->SetModalResult(mrCancel);
              else {
                dialog()->ComboBox1->SetText(name);
                dialog()->OkButton->Click();
              }
              return true;
            }};
  }
};

TEST_F(EditorWindowTest, MenusToolbarsAndActionsAreThoseOfTheEditor) {
  StoreStudio();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  auto menu = [&](const char* name) { return MenuTexts(static_cast<TMenuItem*>(Editor->FindComponent(name))); };
  TMenuItem* bar = Editor->MainMenu1->Items();
  std::vector<std::string> tops;
  for (int i = 0; i < bar->Count(); ++i) tops.push_back(bar->Items(i)->Caption());
  EXPECT_EQ(tops, (std::vector<std::string>{"&Files", "E&xport", "&Mapping", "&Options", "Tarnbe&l"}));
  EXPECT_EQ(menu("FilesMenuItem"),
            (std::vector<std::string>{"&New mapping...", "&Merge mapping...", "Save mapping\tCtrl+S",
                                      "Choose mapping...\tCtrl+M", "-", "Import mapping from file...\tCtrl+F3",
                                      "Export mapping to file...\tCtrl+F2", "-", "Set bank in file...\tCtrl+Alt+B",
                                      "-", "Refresh directory tree\tCtrl+R"}));
  EXPECT_EQ(menu("ExportMenuItem"),
            (std::vector<std::string>{
                "Create C&ubase Studio Module drivers (.dev) - one bank/file ...",
                "Create Cu&base Studio Module drivers (.dev) - 12 banks/file ...",
                "Create Cake&walk Instrument Definition (.ins) ...", "Create &Massiva patch maps (.mxp) ...",
                "Create E&volution patch map (.pls) ...", "Create &Encore device files (.ini) ...",
                "Create Q&uartz sound name set (.set)...", "-", "Save mapping as HTML...\tCtrl+H",
                "Create Logic patch list in the clipboard\tCtrl+L", "-",
                "Save selected presets as SoundFont file...\tCtrl+F",
                "Save selected presets as separate SoundFont files...\tCtrl+Alt+F"}));
  EXPECT_EQ(menu("MappingMenuItem"),
            (std::vector<std::string>{"Attach selected\tIns", "Attach all from selected location\tCtrl+T",
                                      "Detach\tCtrl+D", "-", "Preset program number...\tCtrl+P",
                                      "Preset bank number...\tCtrl+B", "Preset name...\tCtrl+N",
                                      "Preset properties...\tAlt+Enter", "-", "Bank name...\tCtrl+Alt+N",
                                      "Bank &color...", "Bank &background color...", "Set bank &names by file names",
                                      "-", "Default &melodic bank...", "Default &drum set...", "-",
                                      "&Check mapping for integrity", "-", "Select all\tCtrl+A"}));
  EXPECT_EQ(menu("OptionsMenuItem"),
            (std::vector<std::string>{"Preview mode\tF7", "-", "Editor preferences...\tCtrl+O", "&Toolbars..."}));
  EXPECT_EQ(menu("TarnbelMenuItem"),
            (std::vector<std::string>{"Monitor...", "Manager...", "Preferences...", "-", "About..."}));
  EXPECT_EQ(MenuTexts(Editor->PresetsPopupMenu->Items()),
            (std::vector<std::string>{"Attach selected\tIns", "-", "Select all\tCtrl+A", "-",
                                      "Save selected presets as SoundFont file...\tCtrl+F",
                                      "Save selected presets as separate SoundFont files...\tCtrl+Alt+F"}));
  EXPECT_EQ(MenuTexts(Editor->FilesPopupMenu->Items()).size(), 15u);

  struct TBar {
    TToolBar* Bar;
    const char* Caption;
    std::vector<std::string> Buttons;
  };
  for (const TBar& row : std::vector<TBar>{
           {Editor->MappingsToolBar, "Mappings",
            {"NewMappingAction", "MergeMappingAction", "SaveMappingAction", "ChooseMappingAction", "|",
             "LoadMappingFromFileAction", "SaveMappingInFileAction"}},
           {Editor->EditToolBar, "Edit",
            {"AttachAllFromFileAction", "AttachSelectedAction", "|", "DetachAction", "|", "SelectAllAction"}},
           {Editor->SoundFontsToolBar, "SoundFonts",
            {"SaveAsSoundFontAction", "SaveAsSeparateSoundFontsAction", "|", "SetBankInFileAction"}},
           {Editor->ExportToolBar, "Export",
            {"CreateCubase12Action", "CreateCubase1Action", "CreateCakewalkAction", "CreateMassivaAction",
             "CreateEvolutionAction", "CreateEncoreAction", "CreateQuartzAction", "CreateLogicAction",
             "SaveMappingAsHTMLAction"}},
           {Editor->MiscToolBar, "Misc",
            {"PreviewModeAction", "RefreshTreeAction", "WaveSettingsAction", "CustomizeAction"}},
           {Editor->ColorsToolBar, "Colors",
            {"ColoredBankHeadersAction", "ColoredBankItemsAction", "ColoredBackgroundAction", "|",
             "ShowListDividersAction"}},
           {Editor->TarnbelToolBar, "Tarnbel",
            {"MonitorAction", "MappingsManagerAction", "PreferencesAction", "|", "AboutAction"}}}) {
    EXPECT_EQ(row.Bar->Caption(), row.Caption);
    EXPECT_EQ(ButtonNames(row.Bar), row.Buttons) << row.Caption;
  }
  EXPECT_EQ(ButtonNames(Editor->MappingToolsToolBar).size(), 14u);
  EXPECT_EQ(Editor->DockManager->Toolbars().size(), 8u);
  EXPECT_EQ(Editor->DockManager->PanelCount(), 6);

  // Row icons, action images (one per action, the launcher's five first), drag cursors.
  EXPECT_EQ(Editor->IconsImageList->Count(), RowIconCount);
  EXPECT_GE(Editor->ActionsImageList->Count(), 48);
  EXPECT_EQ(Editor->ActionsImageList->Count(), Editor->GrayActionsImageList->Count());
  std::vector<int> images;
  for (int i = 0; i < Editor->ActionList1->ActionCount(); ++i) images.push_back(Editor->ActionList1->Actions(i)->ImageIndex());
  EXPECT_EQ(images.size(), 43u);
  EXPECT_EQ(std::set<int>(images.begin(), images.end()).size(), 43u) << "each action its own image";
  for (TCursor slot : {crDragAttachedOne, crDragAttachedMany, crDragSourceOne, crDragSourceMany})
    EXPECT_TRUE(SameImage(Screen().Cursors(slot), LoadCursorA(GetModuleHandleA(nullptr),
                                                               slot == 1 ? "T1P" : slot == 2 ? "TMP" : slot == 3 ? "A1P" : "AMP")));
  EXPECT_TRUE(SameImage(Screen().Cursors(crSavedNoDrop), LoadCursorA(nullptr, IDC_NO)));
  EXPECT_FALSE(SameImage(Screen().Cursors(crDragSourceOne), Screen().Cursors(crDragSourceMany)));

  EXPECT_EQ(Editor->FormStorage1->IniSection(), "mapping");
  EXPECT_EQ(Editor->FormStorage1->Version(), 5);
  EXPECT_EQ(Editor->FormStorage1->StoredProps()->Text(),
            "SystemTreeView.Width\r\nFilesListView.Width\r\nPresetsListView.Width\r\nSystemTreeView.Selection\r\n"
            "FilesListView.Tag\r\nPresetsListView.Tag\r\n");
  EXPECT_EQ(Editor->SystemTreeView->FileMask(), "*.sf2;*.wav");
  EXPECT_EQ(Editor->PreviewedRow, -1);

  Browse(Bank);
  RedrawWindow(Editor->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  if (const char* shot = std::getenv("TARNBEL_EDITOR_SHOT")) testsupport::SaveWindowShot(Editor->Handle(), shot);
}

// The pixels of one image of a list drawn over a background, 0x00RRGGBB, row by row.
std::vector<DWORD> ImagePixels(HIMAGELIST list, int index, DWORD background) {
  int w = 0, h = 0;
  ImageList_GetIconSize(list, &w, &h);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  DWORD* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  std::fill(bits, bits + w * h, background);
  ImageList_Draw(list, index, dc, 0, 0, ILD_TRANSPARENT);
  GdiFlush();
  std::vector<DWORD> pixels(bits, bits + w * h);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return pixels;
}

TEST_F(EditorWindowTest, DisabledToolbarButtonsKeepTheShapeOfTheirImages) {
  StoreStudio();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  const DWORD key = 0xFF00FF;
  std::set<HIMAGELIST> seen;
  for (TToolBar* bar : {Editor->MappingToolsToolBar, Editor->MappingsToolBar, Editor->SoundFontsToolBar,
                        Editor->EditToolBar, Editor->ExportToolBar, Editor->MiscToolBar, Editor->ColorsToolBar}) {
    SCOPED_TRACE(bar->Name());
    auto images = reinterpret_cast<HIMAGELIST>(SendMessageA(bar->Handle(), TB_GETIMAGELIST, 0, 0));
    auto disabled = reinterpret_cast<HIMAGELIST>(SendMessageA(bar->Handle(), TB_GETDISABLEDIMAGELIST, 0, 0));
    ASSERT_NE(disabled, nullptr);
    if (!seen.insert(images).second) continue;
    // Every image: transparent where the image is, and each grey level of the image a colour of its own.
    ASSERT_EQ(ImageList_GetImageCount(disabled), ImageList_GetImageCount(images));
    for (int i = 0; i < ImageList_GetImageCount(images); ++i) {
      SCOPED_TRACE(i);
      std::vector<DWORD> image = ImagePixels(images, i, key), grey = ImagePixels(disabled, i, key);
      std::map<int, std::set<DWORD>> byLevel;
      std::set<DWORD> colours;
      for (size_t p = 0; p < image.size(); ++p) {
        ASSERT_EQ(image[p] == key, grey[p] == key) << p;
        if (image[p] == key) continue;
        byLevel[(77 * (image[p] >> 16 & 0xFF) + 150 * (image[p] >> 8 & 0xFF) + 29 * (image[p] & 0xFF)) >> 8].insert(
            grey[p]);
        colours.insert(grey[p]);
      }
      // One colour per grey level; levels apart by more than one step never share it.
      for (auto level = byLevel.begin(); level != byLevel.end(); ++level) {
        ASSERT_EQ(level->second.size(), 1u) << level->first;
        auto next = std::next(level);
        if (next != byLevel.end() && next->first - level->first > 1) {
          EXPECT_NE(*level->second.begin(), *next->second.begin()) << level->first << " and " << next->first;
        }
      }
      if (byLevel.size() > 1) {
        EXPECT_GT(colours.size(), 1u) << "a flat block";
      }
    }
  }
}

TEST_F(EditorWindowTest, RowsShowHoldersInactiveEntriesAndKinds) {
  std::string wave = MakeWave("waves\\ah.wav");
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
    mapping.AddItem(Bank, 0, false, 0, "Strings", 5, 0, 0);  // waits for 000:000
    mapping.AddItem(Bank, 128, true, 0, "Standard Kit", 0, 128, 0);
    mapping.AddItem(Folder["waves\\"], 100, true, 0, "ah.wav|Ah", 200, 200, 3);
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  // Inactive entries come first, then the slots in bank and program order.
  EXPECT_EQ(Rows(Editor->FilesListView),
            (std::vector<std::pair<std::string, int>>{{"000: 000: Strings", 1},
                                                       {"000: 000: Grand Piano", 2},
                                                       {"100: 003: Ah", 8},
                                                       {"drum: 000: Standard Kit", 4}}));
  EXPECT_EQ(Editor->FilesListView->Items()[2]->ImageIndex(), 100);
  EXPECT_EQ(Editor->FilesListView->Items()[3]->ImageIndex(), 128);
  EXPECT_EQ(Editor->Caption(), "tarnbel editor - Studio");
  // The presets of the file: attached ones without the +3 mark, the drum kit as "drum".
  Browse(Bank);
  EXPECT_EQ(Rows(Editor->PresetsListView),
            (std::vector<std::pair<std::string, int>>{
                {"000: 000: Grand Piano", 0}, {"drum: 000: Standard Kit", 4}, {"000: 005: Strings", 3}}));
  Browse(Folder["waves"]);
  EXPECT_EQ(Rows(Editor->PresetsListView), (std::vector<std::pair<std::string, int>>{{"ah.wav", 8}}));
}

TEST_F(EditorWindowTest, TheTreeAndPanesOpenAsTheLastSessionLeftThem) {
  StoreStudio();
  {
    TRegKey placement(std::string(TarnbelKeyPath) + "\\placement\\mapping", true);
    placement.WriteString("FormVersion", "5");
    placement.WriteString("SystemTreeView_Selection", Bank);
    placement.WriteString("FilesListView_Width", "321");
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  EXPECT_TRUE(RunUntil([&] { return Editor->SourcePath == Bank; })) << Editor->SourcePath;
  EXPECT_EQ(Editor->PresetsListView->Items().Count(), 3);
  EXPECT_EQ(Editor->FilesListView->Width(), 321);
}

TEST_F(EditorWindowTest, AlwaysStartInPreviewModeOpensInPreviewMode) {
  StoreStudio();
  Settings->WriteString(PreviewRouteValue, "Keys\x01Synth\x01SB Live!\x01");
  // The request to open the preview route goes before the one to close it, which freeing the editor posts.
  for (bool autoload : {true, false}) {
    SCOPED_TRACE(autoload);
    Settings->WriteBool("AutoloadPreview", autoload);
    const size_t from = Server->Received.size();
    ASSERT_NE(OpenEditor("Studio"), nullptr);
    EXPECT_EQ(Editor->StartInPreviewModeAction->Checked(), autoload);
    FreeEditor();
    ASSERT_TRUE(RunUntil([&] { return Server->Count(WM_TB_PREVIEW_OFF, from) == 1; }));
    EXPECT_EQ(Server->Count(WM_TB_PREVIEW_ON, from), autoload ? 1u : 0u);
  }
}

TEST_F(EditorWindowTest, SavingWritesOnlyAChangeAndTellsTheServer) {
  StoreStudio();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  EditorSettings.EditorAutosaveMapping = true;
  EditorSettings.EditorAutosaveMappingPath = Folder["autosave"];
  const int sentAtOpen = MappingSavedCount();
  const std::string countPath = MappingsKey + "Studio";
  testsupport::WriteRawDword(countPath, "Marker", 7);

  // Nothing changed: nothing stored, nothing sent, the text copy still written.
  EXPECT_FALSE(Editor->SaveMappingAction->Enabled());
  EXPECT_TRUE(Editor->SaveMapping());
  RunFor(50);
  EXPECT_EQ(MappingSavedCount(), sentAtOpen);
  EXPECT_TRUE(FileExistsNotDir(Folder["autosave\\Studio.txt"]));

  // A change: stored, then the name sent.
  Editor->AttachPresetAt(Bank, 0, "Strings", 5, 0, 5);
  Editor->Modified = true;
  RunUntil([&] { return Editor->SaveMappingAction->Enabled(); });
  PressKey('S', {VK_CONTROL});
  ASSERT_TRUE(RunUntil([&] { return MappingSavedCount() == sentAtOpen + 1; }));
  EXPECT_EQ(Server->Received.back().Payload, "Studio");
  EXPECT_FALSE(Editor->Modified);
  EXPECT_EQ(StoredEntries("Studio").size(), 3u);

  // No server: stored all the same, nothing to tell.
  Server.reset();
  Editor->AttachPresetAt(Bank, 0, "Grand Piano", 9, 0, 0);
  Editor->Modified = true;
  EXPECT_TRUE(Editor->SaveMapping());
  EXPECT_EQ(StoredEntries("Studio").size(), 4u);
}

TEST_F(EditorWindowTest, ChoosingNewAndImportOpenAnotherMappingAfterSaving) {
  StoreStudio();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  MessageBoxRecorder boxes(IDOK);
  const int notices = TestLauncher->MappingsChanged;

  // The same mapping chosen again: saved and loaded again.
  Editor->AttachPresetAt(Bank, 0, "Strings", 5, 0, 5);
  Editor->Modified = true;
  {
    TModalDriver driver(nullptr, Choose("Studio"));
    PressKey('M', {VK_CONTROL});
    ASSERT_TRUE(RunUntil([&] { return driver.AllDone() && !Editor->Busy(); }));
  }
  EXPECT_EQ(StoredEntries("Studio").size(), 3u);
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 3);
  EXPECT_EQ(TestLauncher->MappingsChanged, notices + 1);

  // New: the box asks for the name; an existing name opens that mapping, a new one an empty mapping.
  struct TCase {
    std::string Typed;
    std::string Box;  // empty: accepted
  };
  for (const TCase& c : std::vector<TCase>{{"Fresh", ""},
                                           {"a\\b", "Mapping name cannot contain a \"\\\" character."},
                                           {"", "Mapping name cannot be empty."},
                                           {std::string(219, 'n'), "Mapping name cannot be longer than 218 characters."}}) {
    std::vector<std::string> asked;
    TInputQueryHandler previous = SetInputQueryHandler([&](const std::string& caption, const std::string& prompt,
                                                           std::string& value) {
      asked = {caption, prompt, value};
      value = c.Typed;
      return true;
    });
    boxes.Boxes.clear();
    Editor->NewMappingAction->Execute();
    SetInputQueryHandler(previous);
    EXPECT_EQ(asked, (std::vector<std::string>{"New mapping", "Enter new mapping name:", ""}));
    if (c.Box.empty()) {
      EXPECT_EQ(Editor->MappingName, c.Typed);
      EXPECT_EQ(Editor->FilesListView->Items().Count(), 0);
      EXPECT_TRUE(testsupport::KeyExists(MappingsKey + c.Typed));
    } else {
      ASSERT_EQ(boxes.Boxes.size(), 1u) << c.Typed;
      EXPECT_EQ(boxes.Boxes[0].Text, c.Box);
      EXPECT_EQ(Editor->MappingName, "Fresh");
      EXPECT_FALSE(testsupport::KeyExists(MappingsKey + "a")) << "no key made for " << c.Typed;
    }
  }
  EXPECT_EQ(Settings->ReadString("CurrentEditorMapping", ""), "Fresh");

  // Import: the file's text under the chosen name; what is not a mapping text is refused with a box.
  std::vector<std::string> text;
  {
    TMapping studio("Studio", true, nullptr, "");
    studio.AddItem(Bank, 3, true, 0, "Piano", 0, 0, 7);
    studio.ExportToText(text);
  }
  std::string good = Folder["Imported.txt"];
  std::string joined;
  for (const std::string& line : text) joined += line + "\r\n";
  ASSERT_TRUE(testsupport::WriteTextFile(good, joined));
  ASSERT_TRUE(testsupport::WriteTextFile(Folder["notes.txt"], "just some notes\r\n"));
  CreateDirectoryA(Folder["folder.txt"].c_str(), nullptr);
  struct TImport {
    std::string File;
    std::string Box;
  };
  for (const TImport& c : std::vector<TImport>{{Folder["missing.txt"], "Can't read file " + Folder["missing.txt"]},
                                               {Folder["folder.txt"], "Can't read file " + Folder["folder.txt"]},
                                               {Folder["notes.txt"], Folder["notes.txt"] + " is not a mapping file."},
                                               {good, ""}}) {
    TFileDialogHandler previous = SetFileDialogHandler([&](TFileDialogRequest& request) {
      request.FileName = c.File;
      return true;
    });
    boxes.Boxes.clear();
    TModalDriver driver(nullptr, Choose("Imported"), 5000);
    Editor->LoadMappingFromFileAction->Execute();
    SetFileDialogHandler(previous);
    if (c.Box.empty()) {
      EXPECT_EQ(Editor->MappingName, "Imported");
      EXPECT_TRUE(Editor->Modified);
      EXPECT_EQ(Captions(Editor->FilesListView), (std::vector<std::string>{"003: 007: Piano"}));
    } else {
      ASSERT_EQ(boxes.Boxes.size(), 1u) << c.File;
      EXPECT_EQ(boxes.Boxes[0].Text, c.Box);
      EXPECT_EQ(Editor->MappingName, "Fresh") << "the current mapping stays";
    }
  }
  EXPECT_EQ(Settings->ReadString("DialogMappingPath", ""), Folder.Path() + "\\");
}

TEST_F(EditorWindowTest, ConflictsAskBeforeLeavingAndClosingSavesAndTellsTheMonitor) {
  StoreStudio(true);
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  {
    MessageBoxRecorder no(IDNO);
    EXPECT_FALSE(Editor->CloseQuery());
    ASSERT_EQ(no.Boxes.size(), 1u);
    EXPECT_EQ(no.Boxes[0].Text, "There are conflicts in mapping Studio. Do you really want to close it ?");
    EXPECT_EQ(no.Boxes[0].Caption, "Confirmation");
    EXPECT_EQ(no.Boxes[0].Flags & MB_TYPEMASK, UINT(MB_YESNO));
  }
  EXPECT_TRUE(Monitor->Closed.empty());
  Editor->AttachPresetAt(Bank, 0, "Grand Piano", 9, 0, 0);
  Editor->Modified = true;
  {
    MessageBoxRecorder yes(IDYES);
    Editor->Close();
    EXPECT_EQ(yes.Boxes.size(), 1u);
  }
  EXPECT_FALSE(Editor->Visible());
  EXPECT_EQ(StoredEntries("Studio").size(), 4u) << "closing saved";
  ASSERT_TRUE(RunUntil([&] { return !Monitor->Closed.empty(); }));
  EXPECT_EQ(Monitor->Closed, std::vector<UINT>{WM_TB_EDITOR_CLOSED});
  size_t before = Server->Count(WM_TB_PREVIEW_OFF);
  FreeEditor();
  EXPECT_TRUE(RunUntil([&] { return Server->Count(WM_TB_PREVIEW_OFF) == before + 1; }));

  // The setting off: no question.
  EditorSettings = TEditorSettings();
  Settings->WriteBool("ConflictsConfirmation", false);
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  MessageBoxRecorder none(IDNO);
  EXPECT_TRUE(Editor->CloseQuery());
  EXPECT_TRUE(none.Boxes.empty());
}

namespace {
// Fails every write to one of a mapping's bank lists.
LONG FailBankListWrites(TRegOperation operation, const std::string& path, const std::string&) {
  const std::string list = "\\BankBackgrounds";
  return operation == TRegOperation::Write && path.size() > list.size() &&
                 path.compare(path.size() - list.size(), list.size(), list) == 0
             ? ERROR_ACCESS_DENIED
             : ERROR_SUCCESS;
}
}  // namespace

// A bank list that cannot be written fails the save as entries that cannot: said, kept unsaved, not announced.
TEST_F(EditorWindowTest, ABankListThatIsNotWrittenFailsTheSave) {
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  const int sent = MappingSavedCount();
  const std::vector<std::string> stored = StoredEntries("Studio");
  Editor->AttachPresetAt(Bank, 0, "Strings", 5, 0, 5);
  Editor->Mapping->BankBackgrounds->Add("000:255", true);
  Editor->Modified = true;
  MessageBoxRecorder boxes(IDOK);
  SetRegFaultHook(FailBankListWrites);
  const bool saved = Editor->SaveMapping();
  SetRegFaultHook(nullptr);
  EXPECT_FALSE(saved);
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, "Can't save mapping Studio in registry.");
  EXPECT_TRUE(Editor->Modified);
  EXPECT_EQ(StoredEntries("Studio"), stored) << "the entries are stored with the bank lists or not at all";
  RunFor(50);
  EXPECT_EQ(MappingSavedCount(), sent);
  // Written the next time, and announced.
  EXPECT_TRUE(Editor->SaveMapping());
  EXPECT_EQ(testsupport::ReadRaw(MappingsKey + "Studio\\BankBackgrounds", "Count").data,
            (std::vector<uint8_t>{1, 0, 0, 0}));
  EXPECT_TRUE(RunUntil([&] { return MappingSavedCount() == sent + 1; }));
}

TEST_F(EditorWindowTest, BadSettingsNamesAndStoresDoNotLoseAnything) {
  // Settings of the wrong type read as their defaults (written back); colours that are no numbers as none.
  testsupport::WriteRawString(TarnbelKeyPath, "DetachConfirmation", "yes");
  testsupport::WriteRawDword(TarnbelKeyPath, "FileMask", 5);
  testsupport::WriteRawDword(TarnbelKeyPath, "DefaultWaveBank", 9999);
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
    mapping.SetBankColor(0, "red");
    mapping.SetBankBackground(0, "255");
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  EXPECT_TRUE(EditorSettings.DetachConfirmation);
  EXPECT_EQ(EditorSettings.FileMask, "*.sf2;*.wav");
  EXPECT_EQ(WaveBankInRange(EditorSettings.DefaultWaveBank), 127);
  // "red" is no colour: the bank's colour is chosen anew when its rows are drawn, and stored in decimal.
  EXPECT_EQ(Editor->Mapping->GetBankColor(0), std::to_string(Editor->BankFontColor(0)));
  EXPECT_EQ(Editor->BankBackColors[0], TColor(255));
  FreeEditor();

  // Names from the command line that no key can have: a box, no editor, no key.
  MessageBoxRecorder boxes(IDOK);
  for (const std::string& name : {std::string("Studio\\BankNames"), std::string(""), std::string(300, 'x')}) {
    boxes.Boxes.clear();
    EXPECT_EQ(OpenEditor(name), nullptr) << name.substr(0, 20);
    EXPECT_EQ(boxes.Boxes.size(), 1u);
  }
  EXPECT_EQ(testsupport::SubkeyNames(MappingsKey.substr(0, MappingsKey.size() - 1)),
            std::vector<std::string>{"Studio"});

  // The stored key deleted under the editor: the save says so, keeps the edits as unsaved and tells nobody.
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  const int sent = MappingSavedCount();
  Editor->AttachPresetAt(Bank, 0, "Strings", 5, 0, 5);
  Editor->Modified = true;
  RegDeleteTreeA(HKEY_CURRENT_USER, (MappingsKey + "Studio").c_str());
  boxes.Boxes.clear();
  EXPECT_FALSE(Editor->SaveMapping());
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, "Can't save mapping Studio in registry.");
  EXPECT_TRUE(Editor->Modified);
  RunFor(50);
  EXPECT_EQ(MappingSavedCount(), sent);
  // Leaving it asks; No keeps the window.
  MessageBoxRecorder keep(IDNO);
  EXPECT_FALSE(Editor->CloseQuery());
  EXPECT_TRUE(Monitor->Closed.empty());
  EXPECT_FALSE(testsupport::KeyExists(MappingsKey + "Studio")) << "no save makes anything below the removed key";

  // An autosave file that cannot be written (a folder of its name): a box, the registry save stands.
  FreeEditor();
  RegDeleteTreeA(HKEY_CURRENT_USER, (MappingsKey + "Studio").c_str());
  {
    TMapping mapping("Studio", false, nullptr, "");
    mapping.AddItem(Bank, 0, true, 0, "Grand Piano", 0, 0, 0);
  }
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  EditorSettings.EditorAutosaveMapping = true;
  EditorSettings.EditorAutosaveMappingPath = Folder.Path();
  CreateDirectoryA(Folder["Studio.txt"].c_str(), nullptr);
  Editor->AttachPresetAt(Bank, 0, "Strings", 5, 0, 5);
  Editor->Modified = true;
  MessageBoxRecorder autosave(IDOK);
  EXPECT_TRUE(Editor->SaveMapping());
  EXPECT_EQ(autosave.Boxes.size(), 1u);
  EXPECT_EQ(StoredEntries("Studio").size(), 2u);
  EXPECT_FALSE(Editor->Modified);
}

TEST_F(EditorWindowTest, RequestsDuringALongLoadWaitForItsEnd) {
  // A mapping large enough that loading it serves the message queue many times.
  {
    TMapping big("Big", false, nullptr, "");
    for (int program = 0; program < 128; ++program)
      for (int bank = 0; bank < 8; ++bank) big.AddItem(Bank, bank, true, 0, "Grand Piano", 0, 0, program);
  }
  StoreStudio();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  // Due before the switch: they arrive while "Big" loads, as the launcher's requests and a close would.
  TRequests::Target = Editor;
  TRequests::SawBusy = false;
  SetTimer(nullptr, 0, 1, &TRequests::Run);
  Sleep(20);
  Editor->SwitchToMapping("Big");
  EXPECT_TRUE(TRequests::SawBusy) << "the requests came while the load ran";
  EXPECT_EQ(Editor->MappingName, "Big");
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 1024);
  EXPECT_TRUE(IsWindowEnabled(Editor->Handle()));
  // Then the last switch, and the close.
  ASSERT_TRUE(RunUntil([&] { return !Monitor->Closed.empty(); }));
  EXPECT_EQ(Editor->MappingName, "Fresh");
  EXPECT_FALSE(Editor->Visible());
}

TEST_F(EditorWindowTest, MinimisingTheEditorMinimisesTheProgram) {
  StoreStudio();
  ASSERT_NE(OpenEditor("Studio"), nullptr);
  SendMessageA(Editor->Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(RunUntil([] { return IsIconic(Application().Handle()) != FALSE; }));
  EXPECT_FALSE(IsIconic(Editor->Handle()));
  Application().Restore();
}

}  // namespace
