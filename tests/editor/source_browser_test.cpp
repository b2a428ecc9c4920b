// The source browser on real windows over scratch folders: the rows each kind of source gives, bad files
// that list nothing and leave the window working, the fill loop and what comes during it, the folder
// watching that follows the disk and lets go of every node the tree removes, and the commands' keys.
#include <map>
#include <thread>

#include "editor_fixture.h"
#include "screen.h"
#include "sf2_damage.h"
#include "standin_support.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_wave_settings_form.h"
#include "oracle_programs.h"
#include "file_link.h"
#include "unix_shell.h"

using namespace ui;

namespace {

struct TRowSeen {
  int Icon, Image, Overlay;
  bool Wave;
};

class SourceBrowser : public editortest::EditorFixture {
 protected:
  // The source rows by caption (header rows left out: their order and grouping are the lists' own).
  std::map<std::string, TRowSeen> SourceRows() {
    std::map<std::string, TRowSeen> rows;
    TListItems& items = Editor->PresetsListView->Items();
    for (int i = 0; i < items.Count(); ++i)
      if (items[i]->Data())
        rows[items[i]->Caption()] = {items[i]->StateIndex(), items[i]->ImageIndex(), items[i]->OverlayIndex(),
                                     TMappingsForm::IsWaveRow(items[i])};
    return rows;
  }
  TTreeNode* NodeFor(const std::string& path) {
    TKitSystemTreeView* tree = Editor->SystemTreeView;
    for (TTreeNode* n = tree->Items().GetFirstNode(); n; n = n->GetNext())
      if (lstrcmpiA(ExcludeTrailingBackslash(tree->GetNodePath(n)).c_str(), ExcludeTrailingBackslash(path).c_str()) == 0)
        return n;
    return nullptr;
  }
  std::vector<std::string> Watched() {
    std::vector<std::string> paths;
    for (const auto& watched : Editor->FolderMonitors) paths.push_back(UpperCase(ExcludeTrailingBackslash(watched.first)));
    return paths;
  }
  bool IsWatched(const std::string& path) {
    std::vector<std::string> paths = Watched();
    return std::find(paths.begin(), paths.end(), UpperCase(ExcludeTrailingBackslash(path))) != paths.end();
  }
  // Every monitor's node is a node of the tree, with the monitor's folder as its path.
  void ExpectMonitorsOnLiveNodes(const std::string& when) {
    std::vector<TTreeNode*> nodes;
    for (TTreeNode* n = Editor->SystemTreeView->Items().GetFirstNode(); n; n = n->GetNext()) nodes.push_back(n);
    for (const auto& watched : Editor->FolderMonitors) {
      auto* node = reinterpret_cast<TTreeNode*>(watched.second->Tag());
      ASSERT_NE(std::find(nodes.begin(), nodes.end(), node), nodes.end()) << watched.first << " " << when;
      EXPECT_EQ(UpperCase(Editor->SystemTreeView->GetNodePath(node)), UpperCase(watched.first)) << when;
    }
  }
  void Expand(const std::string& path) {
    TTreeNode* node = NodeFor(path);
    ASSERT_NE(node, nullptr) << path;
    node->Expand(false);
    RunFor(20);
  }
  bool HasChild(const std::string& folder, const std::string& name) {
    TTreeNode* node = NodeFor(folder);
    for (TTreeNode* c = node ? node->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
      if (lstrcmpiA(c->Text().c_str(), name.c_str()) == 0) return true;
    return false;
  }
  static bool ProgressShown() {
    for (int i = 0; i < Screen().FormCount(); ++i)
      if (Screen().Forms(i)->Caption() == "Loading presets list" && Screen().Forms(i)->Visible()) return true;
    return false;
  }
  std::string MakeBigSoundFont(const std::string& name, int presets) {
    sf2test::Sf2Builder builder;
    uint32_t sample = builder.AddSample("s", 16);
    for (int i = 0; i < presets; ++i)
      builder.AddPreset("P" + std::to_string(i), uint16_t(i / 128), uint16_t(i % 128), {sample});
    std::string path = Folder[name];
    EXPECT_TRUE(builder.Write(path));
    return path;
  }
};

// Runs the callback once, from the message queue, as soon as the condition holds while a fill serves it.
class TDuringFill {
 public:
  TDuringFill(std::function<bool()> when, std::function<void()> act) : FWhen(std::move(when)), FAct(std::move(act)) {
    Running = this;
    FTimer = SetTimer(nullptr, 0, 10, &TDuringFill::Tick);
  }
  ~TDuringFill() {
    KillTimer(nullptr, FTimer);
    Running = nullptr;
  }
  bool Done = false;

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (!Running || Running->Done || !Running->FWhen()) return;
    Running->Done = true;
    Running->FAct();
  }
  static TDuringFill* Running;
  std::function<bool()> FWhen;
  std::function<void()> FAct;
  UINT_PTR FTimer;
};
TDuringFill* TDuringFill::Running = nullptr;

}  // namespace

TEST_F(SourceBrowser, RowsCarryTheirKindIconBankAndProgram) {
  const std::string bank = MakeSoundFont("kinds.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}, {128, 0, "Kit"},
                                                       {128, 5, "Toms"}, {200, 3, "Two hundred"}, {3, 300, "Big"},
                                                       {65535, 7, "Far"}});
  const std::string waves = Folder["waves"];
  for (const char* name : {"a.wav", "b.wav", "c.wav", "d.wav", "e.wav"}) MakeWave(std::string("waves\\") + name);
  testsupport::WriteBytes(Folder["waves\\notes.txt"], "not a wave");
  {
    TMapping mapping("kinds", false, nullptr, "");
    mapping.AddItem(bank, 0, true, 0, "Piano", 0, 0, 0);
    mapping.AddItem(bank, 128, true, 0, "Kit", 0, 128, 0);
    mapping.AddItem(waves + "\\", 100, true, 0, "b.wav|b", 200, 200, 0);
    mapping.AddItem(waves + "\\", 100, true, 0, "d.wav|d", 200, 200, 1);
    mapping.SaveSettings();
  }
  ASSERT_TRUE(OpenEditor("kinds"));

  Browse(bank);
  std::map<std::string, TRowSeen> expected = {
      {"000: 000: Piano", {0, 0, 0, false}},      {"000: 001: Organ", {3, 0, 1, false}},
      {"drum: 000: Kit", {4, 128, 0, false}},     {"drum: 005: Toms", {7, 128, 5, false}},
      {"200: 003: Two hundred", {3, 200, 3, false}}, {"003: 300: Big", {3, 3, 300, false}},
      {"65535: 007: Far", {3, 65535, 7, false}}};
  std::map<std::string, TRowSeen> rows = SourceRows();
  ASSERT_EQ(rows.size(), expected.size());
  for (const auto& [caption, want] : expected) {
    ASSERT_TRUE(rows.count(caption)) << caption;
    const TRowSeen& got = rows[caption];
    EXPECT_EQ(got.Icon, want.Icon) << caption;
    EXPECT_EQ(got.Image, want.Image) << caption;
    EXPECT_EQ(got.Overlay, want.Overlay) << caption;
    EXPECT_FALSE(got.Wave) << caption;
  }
  // Presets without a slot are listed and never attached.
  const int attachedBefore = Editor->FilesListView->Items().Count();
  Focus(Editor->PresetsListView);
  for (int i = 0; i < Editor->PresetsListView->Items().Count(); ++i) {
    const std::string caption = Editor->PresetsListView->Items()[i]->Caption();
    Editor->PresetsListView->Items()[i]->SetSelected(caption == "200: 003: Two hundred" || caption == "003: 300: Big" ||
                                                     caption == "65535: 007: Far");
  }
  Editor->AttachSelected();
  EXPECT_EQ(Editor->FilesListView->Items().Count(), attachedBefore);

  Browse(waves);
  rows = SourceRows();
  ASSERT_EQ(rows.size(), 5u);
  for (const auto& [caption, row] : rows) {
    EXPECT_EQ(row.Icon, caption == "b.wav" || caption == "d.wav" ? 8 : 11) << caption;
    EXPECT_EQ(row.Image, 200) << caption;
    EXPECT_EQ(row.Overlay, 200) << caption;
    EXPECT_TRUE(row.Wave) << caption;
  }

  // One wave file: its row, taken as clicked: selected, its status text, its preview.
  struct {
    const char* Name;
    int Icon;
    const char* Status;
  } singles[] = {{"b.wav", 8, "bank 100 : program 0"}, {"c.wav", 11, ""}, {"b.wav", 8, "bank 100 : program 0"}};
  for (const auto& single : singles) {
    SCOPED_TRACE(single.Name);
    Editor->SetStatusText("before");
    const size_t from = Server->Received.size();
    Browse(waves + "\\" + single.Name);
    rows = SourceRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows.begin()->first, single.Name);
    EXPECT_EQ(rows.begin()->second.Icon, single.Icon);
    EXPECT_TRUE(Editor->PresetsListView->Items()[0]->Selected());
    EXPECT_EQ(Editor->StatusBar1->SimpleText(), single.Status);
    ASSERT_TRUE(RunUntil([&] { return Server->Count(WM_TB_PREVIEW_PRESET, from) == 1; }));
    const size_t file = Server->Received.size() - 2;
    EXPECT_EQ(Server->Received[file].Id, UINT(WM_TB_PREVIEW_FILE));
    EXPECT_EQ(Server->Received[file].Payload, waves + "\\" + single.Name);
    EXPECT_EQ(Server->Received.back().WParam, 200u);
    EXPECT_EQ(Server->Received.back().LParam, 200);
  }

  // A drive root lists its waves like any folder.
  const std::string rootWave = "C:\\tarnbel_root_test.wav";
  ASSERT_TRUE(testsupport::WriteWaveFile(rootWave, 1, 1, 16, 10));
  Editor->SystemTreeView->RebuildTree();
  Browse("C:\\");
  rows = SourceRows();
  EXPECT_EQ(UpperCase(Editor->SourcePath), "C:\\");
  EXPECT_TRUE(rows.count("tarnbel_root_test.wav"));
  EXPECT_EQ(rows["tarnbel_root_test.wav"].Icon, 11);
  DeleteFileA(rootWave.c_str());
}

TEST_F(SourceBrowser, BadFilesListNothingAndLeaveTheWindowWorking) {
  std::vector<sf2test::Sf2DamagedCopy> copies;
  {
    sf2test::Sf2Builder builder;
    builder.AddPresetWithSamples("Piano", 0, 0, {100});
    builder.AddPresetWithSamples("Kit", 128, 0, {100});
    copies = sf2test::DamagedCopies(builder);
    for (const sf2test::Sf2DamagedCopy& copy : sf2test::StructureDamagedCopies(builder)) copies.push_back(copy);
  }
  copies.push_back({"text", "RIFX not a SoundFont at all"});
  copies.push_back({"empty", ""});
  copies.push_back({"locked", ""});
  copies.push_back({"vanished", ""});
  std::vector<std::string> paths;
  for (size_t i = 0; i < copies.size(); ++i) {
    paths.push_back(Folder["bad" + std::to_string(i) + ".sf2"]);
    testsupport::WriteBytes(paths.back(), copies[i].Bytes);
  }
  const std::string good = MakeSoundFont("good.sf2", {{0, 0, "Piano"}});
  ASSERT_TRUE(OpenEditor("bad files"));
  for (size_t i = 0; i < copies.size(); ++i) {
    const std::string& name = copies[i].Name;
    HANDLE locked = INVALID_HANDLE_VALUE;
    if (name == "locked") {
      testsupport::WriteBytes(paths[i], testsupport::ReadBytes(good));
      locked = CreateFileA(paths[i].c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
      ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    }
    Browse(paths[i]);
    if (name == "vanished") {
      ASSERT_EQ(UpperCase(Editor->SourcePath), UpperCase(paths[i]));
      DeleteFileA(paths[i].c_str());
      Editor->RefreshPresetsPane();
    }
    EXPECT_TRUE(SourceRows().empty()) << name;
    EXPECT_TRUE(IsWindowEnabled(Editor->Handle())) << name;
    EXPECT_FALSE(ProgressShown()) << name;
    if (locked != INVALID_HANDLE_VALUE) CloseHandle(locked);
    Editor->SetBankInFileAction->Update();
    Focus(Editor->SystemTreeView);
    Editor->SetBankInFileAction->Update();
    EXPECT_FALSE(Editor->SetBankInFileAction->Enabled()) << name;
    // The next selection fills.
    Browse(good);
    EXPECT_EQ(SourceRows().size(), 1u) << "after " << name;
  }
}

TEST_F(SourceBrowser, AChangeOrACloseDuringAFillWaitsForItsEnd) {
  // Long enough that the 10 ms ticks of TDuringFill surely land while the fill is under way.
  const int bigRows = 20000;
  const std::string big = MakeBigSoundFont("big.sf2", bigRows);
  const std::string small = MakeSoundFont("small.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}});
  ASSERT_TRUE(OpenEditor("during fill"));
  auto midFill = [this, bigRows] {
    int count = Editor->PresetsListView->Items().Count();
    return count > 100 && count < bigRows - 100;
  };
  bool disabledMidFill = false;
  {
    TDuringFill change(midFill, [&] {
      disabledMidFill = !IsWindowEnabled(Editor->Handle());
      Editor->SystemTreeView->SetSelection(small);
    });
    Browse(big);
    ASSERT_TRUE(change.Done) << "the fill served no messages";
  }
  EXPECT_TRUE(disabledMidFill);
  // The later selection is filled once the fill is over.
  ASSERT_TRUE(RunUntil([&] { return SourceRows().size() == 2; }, 5000)) << SourceRows().size();
  EXPECT_EQ(UpperCase(Editor->SourcePath), UpperCase(small));
  EXPECT_TRUE(IsWindowEnabled(Editor->Handle()));

  // A close asked for meanwhile waits for the whole list, then closes.
  int rowsAtClose = -1;
  {
    TDuringFill close(midFill, [&] { PostMessageA(Editor->Handle(), WM_CLOSE, 0, 0); });
    Editor->SystemTreeView->SetSelection(big);
    ASSERT_TRUE(RunUntil([&] { return !Editor->Visible(); }, 20000));
    rowsAtClose = int(SourceRows().size());
  }
  EXPECT_EQ(rowsAtClose, bigRows);
  EXPECT_TRUE(RunUntil([&] { return !Monitor->Closed.empty(); }, 2000));
}

TEST_F(SourceBrowser, ExpandedFoldersChildrenAreWatchedAndFollowTheDisk) {
  for (const char* sub : {"top", "top\\a", "top\\b", "top\\b\\deep"}) CreateDirectoryA(Folder[sub].c_str(), nullptr);
  MakeSoundFont("top\\b\\one.sf2", {{0, 0, "Piano"}});
  ASSERT_TRUE(OpenEditor("watching"));
  Browse(Folder["top"]);
  Expand(Folder["top"]);
  EXPECT_TRUE(IsWatched(Folder["top\\a"]));
  EXPECT_TRUE(IsWatched(Folder["top\\b"]));
  EXPECT_TRUE(IsWatched(Folder["top"])) << "a child of its expanded parent";
  // The temporary folder itself never.
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  EXPECT_FALSE(IsWatched(temp));
  ExpectMonitorsOnLiveNodes("expanded");

  // A file made in a watched folder shows in its node.
  MakeSoundFont("top\\a\\new.sf2", {{0, 0, "New"}});
  const DWORD start = GetTickCount();
  ASSERT_TRUE(RunUntil([&] { return HasChild(Folder["top\\a"], "new.sf2"); }, 4000));
  EXPECT_LT(GetTickCount() - start, 2500u);
  ExpectMonitorsOnLiveNodes("after a refresh");

  // Collapsing lets go of the children.
  NodeFor(Folder["top"])->Collapse(false);
  EXPECT_FALSE(IsWatched(Folder["top\\a"]));
  EXPECT_FALSE(IsWatched(Folder["top\\b"]));

  // A watched folder that another program deletes: the parent's refresh drops its node, and its monitor goes
  // with it. (A delete through Wine stays pending while the folder is watched.)
  Expand(Folder["top"]);
  Expand(Folder["top\\b"]);
  ASSERT_TRUE(IsWatched(Folder["top\\b\\deep"]));
  ASSERT_TRUE(testsupport::RunShell("rmdir '" + testsupport::HostName(Folder["top\\b\\deep"]) + "'", 10000));
  EXPECT_TRUE(RunUntil([&] { return !IsWatched(Folder["top\\b\\deep"]); }, 4000));
  EXPECT_FALSE(HasChild(Folder["top\\b"], "deep"));
  ExpectMonitorsOnLiveNodes("deleted");
  // A watched folder renamed: its node goes with its monitor; the new name is watched.
  ASSERT_TRUE(MoveFileA(Folder["top\\a"].c_str(), Folder["top\\c"].c_str()));
  EXPECT_TRUE(RunUntil([&] { return IsWatched(Folder["top\\c"]) && !IsWatched(Folder["top\\a"]); }, 4000));
  ExpectMonitorsOnLiveNodes("renamed");
  // A node whose folder is gone still lets go of its monitor when it collapses.
  CreateDirectoryA(Folder["top\\b\\quiet"].c_str(), nullptr);
  Expand(Folder["top\\b"]);
  ASSERT_TRUE(RunUntil([&] { return IsWatched(Folder["top\\b\\quiet"]); }, 4000));
  // A refresh of an expanded node watches its new children.
  CreateDirectoryA(Folder["top\\b\\fresh"].c_str(), nullptr);
  Editor->SystemTreeView->RefreshNode(NodeFor(Folder["top\\b"]));
  EXPECT_TRUE(IsWatched(Folder["top\\b\\fresh"]));
  ASSERT_TRUE(IsWatched(Folder["top\\b\\quiet"]));
  EditorSettings.EditorAutoRefreshTreeView = false;
  ASSERT_TRUE(testsupport::RunShell("rmdir '" + testsupport::HostName(Folder["top\\b\\quiet"]) + "'", 10000));
  RunFor(1500);
  ASSERT_TRUE(HasChild(Folder["top\\b"], "quiet"));
  NodeFor(Folder["top\\b"])->Collapse(false);
  EXPECT_FALSE(IsWatched(Folder["top\\b\\quiet"]));
  EditorSettings.EditorAutoRefreshTreeView = true;

  // A rebuild (Ctrl+R) and a refresh remove every node: the monitors go with them and come back for the
  // expanded nodes.
  Focus(Editor->SystemTreeView);
  Editor->SystemTreeView->Items().GetFirstNode()->SetText("before the rebuild");
  PressKey('R', {VK_CONTROL});
  EXPECT_NE(Editor->SystemTreeView->Items().GetFirstNode()->Text(), "before the rebuild");
  ExpectMonitorsOnLiveNodes("rebuilt");
  Editor->SystemTreeView->RefreshNode(NodeFor(Folder.Path()));
  ExpectMonitorsOnLiveNodes("refreshed");

  // With the setting off, an expansion watches nothing.
  EditorSettings.EditorAutoRefreshTreeView = false;
  NodeFor(Folder["top"])->Collapse(false);
  Expand(Folder["top"]);
  EXPECT_FALSE(IsWatched(Folder["top\\c"]));
  EXPECT_FALSE(IsWatched(Folder["top\\b"]));
}

// A folder read again after a change on disk keeps the user's place (the selected file, its open branch, the
// view and the presets list with its selected row), wherever the change was and however often it comes.
TEST_F(SourceBrowser, AFolderReadAgainKeepsTheUsersPlace) {
  // Enough folders before the SoundFont's that the tree scrolls to show it.
  for (int i = 10; i < 50; ++i) CreateDirectoryA(Folder["pad" + std::to_string(i)].c_str(), nullptr);
  for (const char* sub : {"sfx", "sfx\\inner"}) CreateDirectoryA(Folder[sub].c_str(), nullptr);
  const std::string file = MakeSoundFont("sfx\\one.sf2", {{0, 0, "Piano"}, {0, 1, "Organ"}});
  ASSERT_TRUE(OpenEditor("place"));
  Browse(file);
  TListItems& rows = Editor->PresetsListView->Items();
  for (int i = rows.Count() - 1; i >= 0 && !Editor->PresetsListView->Selected(); --i)
    if (rows[i]->Data()) rows[i]->SetSelected(true);
  TKitSystemTreeView* tree = Editor->SystemTreeView;
  ASSERT_TRUE(IsWatched(Folder.Path()) && IsWatched(Folder["sfx"]));
  ASSERT_NE(tree->TopItem(), tree->Items().GetFirstNode()) << "the tree must be scrolled";
  auto place = [&] {
    TTreeNode* branch = NodeFor(Folder["sfx"]);
    TListItem* selected = Editor->PresetsListView->Selected();
    std::string shown = UpperCase(tree->Selection()) + (branch && branch->Expanded() ? " open" : " closed") +
                        ", top " + (tree->TopItem() ? tree->TopItem()->Text() : "") + ", row " +
                        std::to_string(selected ? selected->Index() : -1);
    for (const std::string& row : Captions(Editor->PresetsListView)) shown += " | " + row;
    return shown;
  };
  const std::string before = place();

  struct TCase {
    const char* What;
    std::function<bool()> Change, Shown;
  };
  const TCase cases[] = {
      {"a file in the parent folder", [&] { return testsupport::WriteBytes(Folder["new.sf2"], "x"); },
       [&] { return HasChild(Folder.Path(), "new.sf2"); }},
      {"a file beside the selected one", [&] { return testsupport::WriteBytes(Folder["sfx\\two.sf2"], "x"); },
       [&] { return HasChild(Folder["sfx"], "two.sf2"); }},
      {"a folder gone beside the selected one",
       [&] { return testsupport::RunShell("rmdir '" + testsupport::HostName(Folder["sfx\\inner"]) + "'", 10000); },
       [&] { return !HasChild(Folder["sfx"], "inner"); }},
      {"a file in a folder nobody opened", [&] { return testsupport::WriteBytes(Folder["pad12\\x.sf2"], "x"); },
       [&] { return NodeFor(Folder["pad12"]) && NodeFor(Folder["pad12"])->HasChildren(); }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    ASSERT_TRUE(c.Change());
    EXPECT_TRUE(RunUntil(c.Shown, 4000));
    EXPECT_EQ(place(), before);
  }

  // A busy folder: 10 new files a second for 10 s beside the selected one, the place sampled every 100 ms.
  const int files = 100;
  std::thread writer([&] {
    const DWORD start = GetTickCount();
    for (int i = 0; i < files; ++i) {
      while (GetTickCount() - start < DWORD(i) * 100) Sleep(5);
      testsupport::WriteBytes(Folder["sfx\\busy" + std::to_string(i) + ".sf2"], "x");
    }
  });
  int kept = 0;
  const DWORD start = GetTickCount();
  for (int i = 1; i <= files; ++i) {
    RunUntil([&] { return GetTickCount() - start >= DWORD(i) * 100; }, 1000);
    kept += place() == before;
  }
  writer.join();
  EXPECT_TRUE(RunUntil([&] { return HasChild(Folder["sfx"], "busy" + std::to_string(files - 1) + ".sf2"); }, 4000));
  kept += place() == before;
  printf("[figure] %d new files in 10 s beside the selected SoundFont: place kept in %d of %d samples\n", files, kept,
         files + 1);
  EXPECT_EQ(kept, files + 1);
}

TEST_F(SourceBrowser, CtrlOOpensThePreferencesAndDoubleClickGoesOnFromAWave) {
  MakeWave("w\\one.wav");
  ASSERT_TRUE(OpenEditor("keys"));
  Browse(Folder["w\\one.wav"]);
  Focus(Editor->SystemTreeView);
  bool opened = false;
  std::string caption;
  {
    TDuringFill dialog(
        [] {
          for (int i = 0; i < Screen().FormCount(); ++i)
            if (dynamic_cast<TWaveSettingsForm*>(Screen().Forms(i)) && Screen().Forms(i)->Visible()) return true;
          return false;
        },
        [&] {
          for (int i = 0; i < Screen().FormCount(); ++i)
            if (auto* form = dynamic_cast<TWaveSettingsForm*>(Screen().Forms(i))) {
              opened = true;
              caption = form->Caption();
              PostMessageA(form->FilterEdit->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
            }
        });
    PressKey('O', {VK_CONTROL});
    RunUntil([&] { return opened; }, 5000);
  }
  EXPECT_TRUE(opened);
  EXPECT_EQ(caption, "Mappings editor preferences");

  // A double click on a wave file selects its row and hands on to the list's double click.
  int listDoubleClicks = 0;
  Editor->PresetsListView->OnDblClick = [&](TObject*) { ++listDoubleClicks; };
  Editor->PresetsListView->ClearSelection();
  Editor->SystemTreeView->OnDblClick(Editor->SystemTreeView);
  EXPECT_EQ(listDoubleClicks, 1);
  EXPECT_TRUE(Editor->PresetsListView->Items()[0]->Selected());
  Browse(Folder["w"]);
  Editor->SystemTreeView->OnDblClick(Editor->SystemTreeView);
  EXPECT_EQ(listDoubleClicks, 1) << "a folder is no wave file";
}
