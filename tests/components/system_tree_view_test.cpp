#include <gtest/gtest.h>

#include <windows.h>

#include <dbt.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "KitMasks.h"
#include "KitPidl.h"
#include "SystemTreeView.h"
#include "application.h"
#include "form.h"
#include "menus.h"
#include "published_props.h"
#include "pump_until.h"

using namespace ui;

namespace {

using FormPtr = std::unique_ptr<TForm, TFreeDeleter>;

void MakeFile(const std::string& path) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_NE(nullptr, f) << path;
  fclose(f);
}

void RemoveTree(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((path + "\\*").c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string full = path + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(full);
      else DeleteFileA(full.c_str());
    } while (FindNextFileA(h, &found));
    FindClose(h);
  }
  RemoveDirectoryA(path.c_str());
}

// A folder of the test's own under the temporary folder, removed at the end.
struct TempFolder {
  std::string Path;
  explicit TempFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    Path = std::string(temp) + "tarnbel_tree_" + name;
    RemoveTree(Path);
    CreateDirectoryA(Path.c_str(), nullptr);
  }
  ~TempFolder() { RemoveTree(Path); }
  std::string operator/(const std::string& name) const { return Path + "\\" + name; }
};

// The sample folder: two folders (one holding only a SoundFont, one empty), a dot folder, SoundFonts in
// two cases and files the mask keeps out.
void FillSample(const TempFolder& t) {
  CreateDirectoryA((t / "alpha").c_str(), nullptr);
  MakeFile(t / "alpha\\song.SF2");
  CreateDirectoryA((t / "beta").c_str(), nullptr);
  CreateDirectoryA((t / ".dot").c_str(), nullptr);
  MakeFile(t / "b.sf2");
  MakeFile(t / "a.Sf2");
  MakeFile(t / "notes.txt");
  MakeFile(t / "readme");
}

class TCountingTree : public TKitSystemTreeView {
 public:
  using TKitSystemTreeView::TKitSystemTreeView;
  int DelayedChanges = 0;
  using TKitSystemTreeView::AddNewNode;

 protected:
  void DelayedChange() override { ++DelayedChanges; }
};

struct TreeForm {
  FormPtr Form{new TForm(nullptr)};
  TCountingTree* Tree;
  explicit TreeForm(const std::string& selection = "", TRootFolder root = rfFileSystem) {
    Form->SetBounds(20, 20, 360, 460);
    Tree = new TCountingTree(Form.get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(0, 0, 340, 420);
    Tree->SetReadDelay(0);
    Tree->SetRootFolder(root);
    Tree->SetShowFiles(true);
    Tree->SetFileMask("*.sf2");
    if (!selection.empty()) Tree->SetSelection(selection);
    Form->Show();
  }
};

std::vector<std::string> ChildTexts(TTreeNode* node) {
  std::vector<std::string> texts;
  for (TTreeNode* c = node ? node->GetFirstChild() : nullptr; c; c = c->GetNextSibling()) texts.push_back(c->Text());
  return texts;
}

TTreeNode* Child(TTreeNode* node, const std::string& text) {
  for (TTreeNode* c = node ? node->GetFirstChild() : nullptr; c; c = c->GetNextSibling())
    if (c->Text() == text) return c;
  return nullptr;
}

bool ButtonShown(TTreeNode* node) {
  TVITEMA it{};
  it.mask = TVIF_CHILDREN;
  it.hItem = node->ItemId();
  SendMessageA(node->TreeView()->Handle(), TVM_GETITEMA, 0, LPARAM(&it));
  return it.cChildren != 0;
}

TPropValue OrdValue(int64_t v) {
  TPropValue p;
  p.Ord = v;
  return p;
}

TPropValue StrValue(const std::string& v) {
  TPropValue p;
  p.Str = v;
  return p;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Types a new label into the node's editor and ends the edit with Enter.
void RenameByLabelEdit(TTreeNode* node, const std::string& text) {
  HWND tree = node->TreeView()->Handle();
  HWND edit = HWND(SendMessageA(tree, TVM_EDITLABELA, 0, LPARAM(node->ItemId())));
  ASSERT_TRUE(edit);
  SetWindowTextA(edit, text.c_str());
  SendMessageA(edit, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageA(edit, WM_CHAR, VK_RETURN, 0);
}

// Sets HKCU's HideFileExt for the test's life.
struct HiddenExtensions {
  HKEY Key = nullptr;
  explicit HiddenExtensions(DWORD hide) {
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", 0,
                    nullptr, 0, KEY_ALL_ACCESS, nullptr, &Key, nullptr);
    RegSetValueExA(Key, "HideFileExt", 0, REG_DWORD, reinterpret_cast<BYTE*>(&hide), sizeof hide);
  }
  ~HiddenExtensions() {
    RegDeleteValueA(Key, "HideFileExt");
    RegCloseKey(Key);
  }
};

}  // namespace

TEST(SystemTreeView, FileSystemTreeShowsFoldersFirstThenOnlyMaskedFiles) {
  int live = FolderItemDataCount();
  TempFolder t("listing");
  FillSample(t);
  {
    // Chosen before the window exists: applied when the tree is built.
    TreeForm f(t.Path);
    EXPECT_EQ(t.Path, f.Tree->Selection());
    TTreeNode* folder = f.Tree->Selected();
    ASSERT_NE(nullptr, folder);
    EXPECT_EQ("tarnbel_tree_listing", folder->Text());
    folder->Expand(false);
    EXPECT_EQ(std::vector<std::string>({".dot", "alpha", "beta", "a.Sf2", "b.sf2"}), ChildTexts(folder));
    EXPECT_EQ(t / "a.Sf2", f.Tree->GetNodePath(Child(folder, "a.Sf2")));

    // A folder that holds only a matching file still offers to open; an empty one loses its button.
    TTreeNode* alpha = Child(folder, "alpha");
    EXPECT_TRUE(ButtonShown(alpha));
    alpha->Expand(false);
    EXPECT_EQ(std::vector<std::string>{"song.SF2"}, ChildTexts(alpha));
    TTreeNode* beta = Child(folder, "beta");
    beta->Expand(false);
    EXPECT_EQ(0, beta->Count());
    EXPECT_FALSE(ButtonShown(beta));
    EXPECT_FALSE(beta->Expanded());

    // Dot folders are hidden ones: they go with ShowHiddenDirs at the next read.
    f.Tree->SetShowHiddenDirs(false);
    f.Tree->RefreshNode(folder);
    EXPECT_EQ(std::vector<std::string>({"alpha", "beta", "a.Sf2", "b.sf2"}), ChildTexts(folder));
    EXPECT_TRUE(folder->Expanded());

    // Without a mask every file shows.
    f.Tree->SetFileMask("");
    EXPECT_EQ(t.Path, f.Tree->Selection());
    EXPECT_EQ(std::vector<std::string>({"alpha", "beta", "a.Sf2", "b.sf2", "notes.txt", "readme"}),
              ChildTexts(f.Tree->Selected()));
  }
  EXPECT_EQ(live, FolderItemDataCount());
}

TEST(SystemTreeView, RebuildsKeepSelectionAndExpansionAndRefreshFollowsTheDisk) {
  TempFolder t("refresh");
  FillSample(t);
  TreeForm f(t / "alpha");
  TTreeNode* alpha = f.Tree->Selected();
  ASSERT_NE(nullptr, alpha);
  alpha->Expand(false);
  f.Tree->RebuildTree();
  TTreeNode* again = f.Tree->Selected();
  ASSERT_NE(nullptr, again);
  EXPECT_EQ(t / "alpha", f.Tree->Selection());
  EXPECT_TRUE(again->Expanded());
  EXPECT_EQ(std::vector<std::string>{"song.SF2"}, ChildTexts(again));

  // Changes on disk show after RefreshNode; the node stays open.
  MakeFile(t / "alpha\\new.sf2");
  CreateDirectoryA((t / "alpha\\sub").c_str(), nullptr);
  DeleteFileA((t / "alpha\\song.SF2").c_str());
  f.Tree->RefreshNode(again);
  EXPECT_EQ(std::vector<std::string>({"sub", "new.sf2"}), ChildTexts(again));
  EXPECT_TRUE(again->Expanded());
  f.Tree->RefreshNode(nullptr);

  // A folder deleted on disk opens empty, without an error.
  TTreeNode* sub = Child(again, "sub");
  ASSERT_NE(nullptr, sub);
  RemoveDirectoryA((t / "alpha\\sub").c_str());
  sub->Expand(false);
  EXPECT_EQ(0, sub->Count());
  EXPECT_FALSE(ButtonShown(sub));
}

TEST(SystemTreeView, SelectionOfUnusablePathsSelectsTheDeepestMatch) {
  TempFolder t("paths");
  FillSample(t);
  TreeForm f;
  f.Tree->SetSelection(t / "alpha\\gone\\deeper");
  EXPECT_EQ(t / "alpha", f.Tree->Selection());
  // Too long for the shell: never cut into another name.
  f.Tree->SetSelection(t / "beta\\" + std::string(300, 'x'));
  EXPECT_EQ(t / "beta", f.Tree->Selection());
  f.Tree->SetSelection(t / "alpha\\song.SF2");
  EXPECT_EQ(t / "alpha\\song.SF2", f.Tree->Selection());
  f.Tree->SetSelection("");
  EXPECT_EQ(t / "alpha\\song.SF2", f.Tree->Selection());

  // Under a custom root: a path outside it, and garbage, select the root; a relative one is taken from it.
  f.Tree->SetCustomDir(t.Path);
  f.Tree->SetRootFolder(rfCustom);
  TTreeNode* root = f.Tree->Items().GetFirstNode();
  ASSERT_NE(nullptr, root);
  f.Tree->SetSelection(t / "beta");
  EXPECT_EQ(t / "beta", f.Tree->Selection());
  f.Tree->SetSelection("Z:\\surely\\not\\here\\tarnbel");
  EXPECT_EQ(root, f.Tree->Selected());
  f.Tree->SetSelection(t / "beta");
  f.Tree->SetSelection("<>|?*::\\\\");
  EXPECT_EQ(root, f.Tree->Selected());
  f.Tree->SetSelection("alpha\\song.SF2");
  EXPECT_EQ(t / "alpha\\song.SF2", f.Tree->Selection());
}

TEST(SystemTreeView, CustomRootCaptionAndCheckBoxesKeepNodesAndRecords) {
  TempFolder t("custom");
  FillSample(t);
  TreeForm f;
  f.Tree->SetCustomDir(t.Path);
  f.Tree->SetCustomDirCaption("Sounds");
  f.Tree->SetRootFolder(rfCustom);
  TTreeNode* root = f.Tree->Items().GetFirstNode();
  ASSERT_NE(nullptr, root);
  EXPECT_EQ("Sounds", root->Text());
  EXPECT_EQ(t.Path, f.Tree->GetNodePath(root));
  EXPECT_TRUE(root->Expanded());
  f.Tree->SetCustomDirCaption("Banks");
  EXPECT_EQ("Banks", root->Text());

  TTreeNode* alpha = Child(root, "alpha");
  alpha->Expand(false);
  TTreeNode* song = Child(alpha, "song.SF2");
  song->SetSelected(true);
  int nodes = f.Tree->Items().Count();
  int live = FolderItemDataCount();
  HWND before = f.Tree->Handle();
  SetPropValue(*f.Tree, "Checkboxes", OrdValue(1));
  EXPECT_NE(before, f.Tree->Handle());
  EXPECT_TRUE(GetWindowLongPtrA(f.Tree->Handle(), GWL_STYLE) & TVS_CHECKBOXES);
  EXPECT_EQ(nodes, f.Tree->Items().Count());
  EXPECT_EQ(live, FolderItemDataCount());
  EXPECT_EQ(song, f.Tree->Selected());
  EXPECT_EQ(t / "alpha\\song.SF2", f.Tree->Selection());
  EXPECT_TRUE(alpha->Expanded());
}

TEST(SystemTreeView, LabelEditRenamesOnDiskKeepingAHiddenExtension) {
  TempFolder t("rename");
  FillSample(t);
  HiddenExtensions hide(1);
  TreeForm f(t / "alpha\\song.SF2");
  TTreeNode* song = f.Tree->Selected();
  ASSERT_NE(nullptr, song);
  ASSERT_EQ("song.SF2", song->Text());
  std::vector<std::string> edited;
  f.Tree->OnEdited = [&](TObject*, TTreeNode*, std::string& s) { edited.push_back(s); };

  RenameByLabelEdit(song, "tune.sf2");
  EXPECT_TRUE(Exists(t / "alpha\\tune.SF2"));
  EXPECT_FALSE(Exists(t / "alpha\\song.SF2"));
  EXPECT_EQ("tune.SF2", song->Text());
  EXPECT_EQ(t / "alpha\\tune.SF2", f.Tree->GetNodePath(song));
  EXPECT_EQ(std::vector<std::string>{"tune.SF2"}, edited);

  // A folder has no extension to keep: the typed dot stays; its children's paths follow it.
  TTreeNode* alpha = song->Parent();
  RenameByLabelEdit(alpha, "v1.2");
  EXPECT_TRUE(Exists(t / "v1.2\\tune.SF2"));
  EXPECT_EQ("v1.2", alpha->Text());
  ASSERT_EQ(1, alpha->Count());
  EXPECT_EQ(t / "v1.2\\tune.SF2", f.Tree->GetNodePath(alpha->GetFirstChild()));

  // A refused rename keeps the old text and runs no end-of-edit handler.
  TTreeNode* beta = Child(alpha->Parent(), "beta");
  RenameByLabelEdit(beta, "v1.2");
  EXPECT_EQ("beta", beta->Text());
  EXPECT_EQ(2u, edited.size());
}

TEST(SystemTreeView, DeviceChangeToTheApplicationWindowRebuildsEveryTree) {
  TempFolder t("device");
  FillSample(t);
  auto first = std::make_unique<TreeForm>(t.Path);
  TreeForm second(t / "beta");
  int populated1 = 0, populated2 = 0;
  first->Tree->OnPopulated = [&](TObject*, TTreeNode* n) { populated1 += n->Parent() == nullptr; };
  second.Tree->OnPopulated = [&](TObject*, TTreeNode* n) { populated2 += n->Parent() == nullptr; };
  SendMessageA(Application().Handle(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
  EXPECT_EQ(1, populated1);
  EXPECT_EQ(1, populated2);
  EXPECT_EQ(t.Path, first->Tree->Selection());
  SendMessageA(Application().Handle(), WM_DEVICECHANGE, 0x0007 /* devnodes changed */, 0);
  EXPECT_EQ(1, populated2);
  // The tree that came first goes; the other still hears of drives.
  first.reset();
  SendMessageA(Application().Handle(), WM_DEVICECHANGE, DBT_DEVICEREMOVECOMPLETE, 0);
  EXPECT_EQ(2, populated2);
  EXPECT_EQ(t / "beta", second.Tree->Selection());
}

TEST(SystemTreeView, ABurstOfSelectionChangesGivesOneDelayedChangePerTree) {
  TempFolder t("delay");
  FillSample(t);
  TreeForm f(t.Path);
  TreeForm g(t.Path);
  TTreeNode* folder = f.Tree->Selected();
  TTreeNode* other = g.Tree->Selected();
  ASSERT_TRUE(folder && other);
  folder->Expand(false);
  other->Expand(false);
  f.Tree->SetReadDelay(150);
  g.Tree->SetReadDelay(150);
  // The first change after a build acts at once.
  folder->GetFirstChild()->SetSelected(true);
  other->GetFirstChild()->SetSelected(true);
  EXPECT_EQ(0u, f.Tree->ChangeTimer());
  f.Tree->DelayedChanges = g.Tree->DelayedChanges = 0;
  std::vector<TTreeNode*> children;
  for (TTreeNode* c = folder->GetFirstChild(); c; c = c->GetNextSibling()) children.push_back(c);
  for (TTreeNode* c : children) c->SetSelected(true);
  other->GetFirstChild()->SetSelected(true);
  other->SetSelected(true);
  EXPECT_EQ(0, f.Tree->DelayedChanges);
  EXPECT_NE(0u, f.Tree->ChangeTimer());
  EXPECT_NE(f.Tree->ChangeTimer(), g.Tree->ChangeTimer());
  EXPECT_TRUE(testsupport::PumpUntil(
      [&] { return f.Tree->DelayedChanges > 0 && g.Tree->DelayedChanges > 0; }, 5000));
  EXPECT_EQ(1, f.Tree->DelayedChanges);
  EXPECT_EQ(1, g.Tree->DelayedChanges);
  // No timer left running: nothing more will come.
  EXPECT_EQ(0u, f.Tree->ChangeTimer());
  EXPECT_EQ(0u, g.Tree->ChangeTimer());
}

TEST(SystemTreeView, PublishedPropertiesAndEveryRootFolder) {
  int live = FolderItemDataCount();
  {
    TreeForm f;
    EXPECT_EQ("TKitSystemTreeView v0.98.2 Beta", GetPropValue(*f.Tree, "Version").Str);
    SetPropValue(*f.Tree, "Version", StrValue("other"));
    EXPECT_EQ("TKitSystemTreeView v0.98.2 Beta", f.Tree->Version());
    EXPECT_EQ(pmmContext, GetPropValue(*f.Tree, "PopupMenuMethod").Ord);
    EXPECT_EQ(500, TKitSystemTreeView(nullptr).ReadDelay());
    EXPECT_TRUE(f.Tree->ShowRoot());
    EXPECT_EQ(rfFileSystem, GetPropValue(*f.Tree, "RootFolder").Ord);
    EXPECT_EQ(17, RootFolderCsidl(rfFileSystem));
    EXPECT_EQ(17, RootFolderCsidl(rfDrives));
    EXPECT_EQ(0, RootFolderCsidl(rfDesktop));
    EXPECT_EQ(21, RootFolderCsidl(rfTemplates));
    EXPECT_EQ(-1, RootFolderCsidl(rfCustom));
    // Whatever the shell has of each special folder; none may fail the tree.
    for (int r = rfDesktop; r <= rfCustom; ++r) {
      SetPropValue(*f.Tree, "RootFolder", OrdValue(r));
      if (r == rfDrives || r == rfFileSystem || r == rfDesktop) {
        EXPECT_NE(nullptr, f.Tree->Items().GetFirstNode()) << r;
      }
    }
    EXPECT_EQ(nullptr, f.Tree->Items().GetFirstNode());  // rfCustom without a folder
    f.Tree->SetRootFolder(rfDrives);
    TTreeNode* root = f.Tree->Items().GetFirstNode();
    ASSERT_NE(nullptr, root);
    EXPECT_NE(nullptr, Child(root, "C:\\"));
  }
  EXPECT_EQ(live, FolderItemDataCount());
}

TEST(SystemTreeView, LiveRecordsAndTheLeakReport) {
  int live = FolderItemDataCount();
  EXPECT_EQ("", FolderDataLeakReport());
  IShellFolder* desktop = nullptr;
  ASSERT_TRUE(SUCCEEDED(SHGetDesktopFolder(&desktop)));
  auto* data = new TFolderItemData(desktop, CreatePIDL(2), CreatePIDL(2), SFGAO_FOLDER | SFGAO_LINK);
  EXPECT_EQ(live + 1, FolderItemDataCount());
  EXPECT_EQ("Memory Leak Detected.  Not all folder data was freed.", FolderDataLeakReport());
  EXPECT_TRUE(data->HasAttribute(SFGAO_LINK | SFGAO_SHARE));
  EXPECT_FALSE(data->HasAttribute(SFGAO_SHARE));
  delete data;
  desktop->Release();
  EXPECT_EQ(live, FolderItemDataCount());
  EXPECT_EQ("", FolderDataLeakReport());
}

TEST(SystemTreeView, FolderChildSearchSeesSubfoldersAndMatchingFilesOnly) {
  TempFolder t("search");
  std::vector<std::string> masks;
  ParseFileMasks("*.sf2", masks);
  CreateDirectoryA((t / "empty").c_str(), nullptr);
  CreateDirectoryA((t / "text").c_str(), nullptr);
  MakeFile(t / "text\\a.txt");
  CreateDirectoryA((t / "sound").c_str(), nullptr);
  MakeFile(t / "sound\\a.txt");
  MakeFile(t / "sound\\B.SF2");
  CreateDirectoryA((t / "nested").c_str(), nullptr);
  CreateDirectoryA((t / "nested\\inner").c_str(), nullptr);
  struct Case {
    const char* folder;
    bool expected;
  } cases[] = {{"empty", false}, {"text", false}, {"sound", true}, {"nested", true}, {"missing", false}};
  for (const Case& c : cases) EXPECT_EQ(c.expected, FolderHasListedChild(t / c.folder, masks)) << c.folder;
}

TEST(SystemTreeView, AutoscrollScrollsOnlyNearTheEdgesWhileOn) {
  TempFolder t("scroll");
  for (int i = 0; i < 60; ++i) CreateDirectoryA((t / ("folder_with_a_long_name_" + std::to_string(100 + i))).c_str(),
                                                nullptr);
  TreeForm f(t.Path);
  f.Tree->SetBounds(0, 0, 120, 200);
  f.Tree->Selected()->Expand(false);
  HWND h = f.Tree->Handle();
  SendMessageA(h, WM_VSCROLL, SB_BOTTOM, 0);
  SendMessageA(h, WM_VSCROLL, SB_LINEUP, 0);
  SendMessageA(h, WM_VSCROLL, SB_LINEUP, 0);
  int v = GetScrollPos(h, SB_VERT);
  ASSERT_GT(v, 0);
  RECT r;
  GetClientRect(h, &r);
  LOGFONTA font{};
  GetObjectA(f.Tree->Font()->Handle(), sizeof font, &font);
  int margin = std::abs(font.lfHeight);
  int cy = r.bottom / 2, cx = r.right / 2;
  // Off: a drag resting at the edge leaves the view alone.
  EXPECT_FALSE(f.Tree->DragAutoScroll(cx, 1));
  f.Tree->SetAutoscroll(true);
  EXPECT_FALSE(f.Tree->DragAutoScroll(cx, cy));
  EXPECT_TRUE(f.Tree->DragAutoScroll(cx, margin - 1));
  EXPECT_EQ(v - 1, GetScrollPos(h, SB_VERT));
  EXPECT_FALSE(f.Tree->AutoScrollAt(cx, margin));
  // The horizontal bar counts 16 pixels at the bottom.
  EXPECT_TRUE(f.Tree->AutoScrollAt(cx, r.bottom - 16 - margin + 1));
  EXPECT_EQ(v, GetScrollPos(h, SB_VERT));
  int hp = GetScrollPos(h, SB_HORZ);
  EXPECT_FALSE(f.Tree->AutoScrollAt(r.right - 16 - margin, cy));
  EXPECT_TRUE(f.Tree->AutoScrollAt(r.right - 16 - margin + 1, cy));
  EXPECT_GT(GetScrollPos(h, SB_HORZ), hp);
  EXPECT_TRUE(f.Tree->AutoScrollAt(margin - 1, cy));
  EXPECT_EQ(hp, GetScrollPos(h, SB_HORZ));
}

TEST(SystemTreeView, ExpandingLargeFolders) {
  for (int count : {1000, 5000}) {
    TempFolder t("large");
    CreateDirectoryA((t / "files").c_str(), nullptr);
    for (int i = 0; i < count; ++i) MakeFile(t / ("files\\preset" + std::to_string(i) + ".sf2"));
    TreeForm f(t / "files");
    TTreeNode* files = f.Tree->Selected();
    ASSERT_NE(nullptr, files);
    auto start = std::chrono::steady_clock::now();
    auto read = start;
    f.Tree->OnPopulated = [&](TObject*, TTreeNode*) { read = std::chrono::steady_clock::now(); };
    files->Expand(false);
    auto end = std::chrono::steady_clock::now();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(end - start).count();
    auto readMs = std::chrono::duration_cast<std::chrono::milliseconds>(read - start).count();
    EXPECT_EQ(count, files->Count());
    printf("expanding a folder of %d files: %lld ms (reading %lld ms)\n", count, static_cast<long long>(ms),
           static_cast<long long>(readMs));
    RecordProperty("expand_" + std::to_string(count) + "_ms", std::to_string(ms));
  }
}

namespace {

// Records the item menus it is asked for instead of showing the shell's.
class TMenuTree : public TKitSystemTreeView {
 public:
  using TKitSystemTreeView::TKitSystemTreeView;
  std::vector<std::string> ItemMenus;
  bool MenuShown = true;

 protected:
  bool ShowItemMenu(TTreeNode* node, POINT) override {
    ItemMenus.push_back(node->Text());
    return MenuShown;
  }
};

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

// A right click on the node as the control sees it: its own loop takes the button-up from the queue.
void RightClick(TTreeNode* node) {
  HWND h = node->TreeView()->Handle();
  RECT r = node->DisplayRect(true);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  POINT screen = p;
  ClientToScreen(h, &screen);
  SetCursorPos(screen.x, screen.y);
  PostMessageA(h, WM_RBUTTONUP, 0, MAKELPARAM(p.x, p.y));
  SendMessageA(h, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(p.x, p.y));
}

}  // namespace

TEST(SystemTreeView, RightClickOffersTheItemMenuOrTheOwnMenuByMethod) {
  TempFolder t("menu");
  FillSample(t);
  FormPtr form(new TForm(nullptr));
  form->SetBounds(20, 20, 360, 460);
  auto* tree = new TMenuTree(form.get());
  tree->SetParent(form.get());
  tree->SetBounds(0, 0, 340, 420);
  tree->SetRootFolder(rfCustom);
  tree->SetCustomDir(t.Path);
  auto* menu = new TPopupMenu(form.get());
  int popups = 0;
  menu->OnPopup = [&](TObject*) {
    ++popups;
    SetTimer(nullptr, 0, 20, &CloseMenu);
  };
  tree->SetPopupMenu(menu);
  form->Show();
  TTreeNode* root = tree->Items().GetFirstNode();
  ASSERT_NE(nullptr, root);
  TTreeNode* beta = Child(root, "beta");
  ASSERT_NE(nullptr, beta);

  RightClick(beta);  // pmmContext: the item menu, selecting the node
  EXPECT_EQ(std::vector<std::string>{"beta"}, tree->ItemMenus);
  EXPECT_EQ(beta, tree->Selected());
  EXPECT_EQ(0, popups);
  tree->MenuShown = false;
  RightClick(beta);  // not shown, but the own menu is not offered either
  EXPECT_EQ(0, popups);

  tree->SetPopupMenuMethod(pmmUser);
  RightClick(Child(root, "alpha"));
  EXPECT_EQ(2u, tree->ItemMenus.size());
  EXPECT_EQ(1, popups);

  tree->SetPopupMenuMethod(pmmContextUser);
  RightClick(beta);  // the item menu failed: the own one follows
  EXPECT_EQ(3u, tree->ItemMenus.size());
  EXPECT_EQ(2, popups);
  tree->MenuShown = true;
  RightClick(beta);
  EXPECT_EQ(4u, tree->ItemMenus.size());
  EXPECT_EQ(2, popups);
  tree->SetPopupMenuMethod(pmmNone);
  RightClick(beta);
  EXPECT_EQ(4u, tree->ItemMenus.size());
  EXPECT_EQ(2, popups);
}
