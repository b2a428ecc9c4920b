#include "editor_fixture.h"

#include "application.h"
#include "ipc.h"
#include "pump_until.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "standin_support.h"
#include "sys_utils.h"
#include "tarnbel_editor_settings.h"
#include "tarnbel_func.h"
#include "reg_array_2d.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tree_view.h"

using namespace ui;

namespace editortest {

void TTestMonitor::WndProc(TMessage& message) {
  if (message.Msg >= WM_USER && message.Msg < 0x8000) Closed.push_back(message.Msg);
  TForm::WndProc(message);
}

// Two cursors draw alike: same mask and colour bits.
bool SameImage(HCURSOR a, HCURSOR b) {
  auto bits = [](HCURSOR c) {
    ICONINFO info{};
    std::vector<uint8_t> out;
    if (!c || !GetIconInfo(c, &info)) return out;
    for (HBITMAP bitmap : {info.hbmMask, info.hbmColor}) {
      if (!bitmap) continue;
      BITMAP b{};
      GetObjectA(bitmap, sizeof b, &b);
      std::vector<uint8_t> data(size_t(b.bmWidthBytes) * size_t(b.bmHeight));
      GetBitmapBits(bitmap, LONG(data.size()), data.data());
      out.insert(out.end(), data.begin(), data.end());
      DeleteObject(bitmap);
    }
    return out;
  };
  std::vector<uint8_t> first = bits(a);
  return !first.empty() && first == bits(b);
}

void EditorFixture::SetUp() {
  testsupport::ResetTarnbelKey();
  Settings = std::make_unique<TRegKey>(TarnbelKeyPath, true);
  Server = std::make_unique<testsupport::TRecordingWindow>(SERVER_WINDOW_TITLE);
  ServerLink = std::make_unique<TIPCLink>(SERVER_WINDOW_TITLE, 0);
  TestLauncher = std::make_unique<TTestLauncher>();
  Monitor = new TTestMonitor(nullptr);
  Monitor->HandleNeeded();
  MonitorForm = Monitor;
  EditorSettings = TEditorSettings();
  // The lists show their rows alone unless a test asks for group headers.
  Settings->WriteBool("ShowListDividers", false);
}

void EditorFixture::TearDown() {
  FreeEditor();
  MonitorForm = nullptr;
  Monitor->Free();
  TestLauncher.reset();
  ServerLink.reset();
  Server.reset();
  Settings.reset();
  testsupport::ResetTarnbelKey();
}

TMappingsForm* EditorFixture::OpenEditor(const std::string& mapping, bool show) {
  Editor = new TMappingsForm(nullptr);
  MappingsForm = Editor;
  if (!Editor->InitEditor(mapping)) {
    FreeEditor();
    return nullptr;
  }
  if (show) {
    Editor->Show();
    Editor->ShowToolbarsAndPanels();
    SetForegroundWindow(Editor->Handle());
    RunFor(50);
  }
  return Editor;
}

void EditorFixture::FreeEditor() {
  if (!Editor) return;
  Editor->Free();
  Editor = nullptr;
  MappingsForm = nullptr;
}

bool EditorFixture::RunUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  return testsupport::PumpUntil(done, timeoutMs, [] { Application().HandleMessage(); });
}

void EditorFixture::RunFor(DWORD ms) {
  RunUntil([] { return false; }, ms);
}

std::string EditorFixture::MakeSoundFont(const std::string& fileName, const std::vector<TPreset>& presets) {
  sf2test::Sf2Builder builder;
  for (const TPreset& preset : presets)
    builder.AddPresetWithSamples(preset.Name, uint16_t(preset.Bank), uint16_t(preset.Program), {200});
  std::string path = Folder[fileName];
  EXPECT_TRUE(builder.Write(path)) << path;
  return path;
}

std::string EditorFixture::MakeWave(const std::string& relativePath) {
  std::string path = Folder[relativePath];
  CreateDirectoryA(ExtractFilePath(path).c_str(), nullptr);
  EXPECT_TRUE(testsupport::WriteWaveFile(path, 1, 1, 16, 100)) << path;
  return path;
}

void EditorFixture::Browse(const std::string& path) {
  Editor->SystemTreeView->SetSelection(path);
  EXPECT_TRUE(RunUntil([&] { return UpperCase(Editor->SourcePath) == UpperCase(path); }, 3000))
      << "the tree does not show " << path << ", it shows " << Editor->SourcePath;
}

void EditorFixture::PressKey(WORD key, std::initializer_list<int> held) {
  BYTE saved[256], state[256];
  GetKeyboardState(saved);
  memcpy(state, saved, sizeof state);
  for (int k : held) state[k] = 0x80;
  SetKeyboardState(state);
  HWND focus = GetFocus();
  if (!focus || GetAncestor(focus, GA_ROOT) != Editor->Handle()) focus = Editor->Handle();
  PostMessageA(focus, WM_KEYDOWN, key, 1);
  PostMessageA(focus, WM_KEYUP, key, LPARAM(0xC0000001));
  RunUntil([] { return HIWORD(GetQueueStatus(QS_POSTMESSAGE)) == 0; }, 2000);
  RunFor(20);
  SetKeyboardState(saved);
}

void EditorFixture::Focus(TWinControl* control) {
  control->SetFocus();
  RunUntil([&] { return Editor->FocusedControl() == control; }, 2000);
}

std::vector<std::pair<std::string, int>> EditorFixture::Rows(TListView* list) {
  std::vector<std::pair<std::string, int>> rows;
  for (int i = 0; i < list->Items().Count(); ++i)
    rows.emplace_back(list->Items()[i]->Caption(), list->Items()[i]->StateIndex());
  return rows;
}

std::vector<std::string> EditorFixture::Captions(TListView* list) {
  std::vector<std::string> captions;
  for (int i = 0; i < list->Items().Count(); ++i) captions.push_back(list->Items()[i]->Caption());
  return captions;
}

int EditorFixture::MappingSavedCount() const { return int(Server->Count(WM_TB_MAPPING_SAVED)); }

std::vector<std::string> EditorFixture::StoredEntries(const std::string& mapping) {
  std::vector<std::string> entries;
  std::string path = std::string(TarnbelKeyPath) + "\\mappings\\" + mapping;
  if (!testsupport::KeyExists(path)) return entries;
  TRegArray2D store(path, true);
  store.SaveOnDestroy = false;
  store.Keys().SaveItemsOnFree = false;
  for (int key = 0; key < store.KeyCount(); ++key)
    for (int value = 0; value < store.ValueCount(key); ++value)
      entries.push_back(store.GetKeyName(key) + " " + store.GetValue(key, value));
  return entries;
}

}  // namespace editortest
