#include "tools_test_support.h"

#include "application.h"
#include "export_settings.h"
#include "presets_in_cache_form.h"
#include "registry_test_support.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;

namespace toolstest {

TTestWindow::TTestWindow(TComponent* owner, UINT closedId, int* freed)
    : TForm(owner), ClosedId(closedId), Freed(freed) {
  SetBounds(40, 40, 200, 120);
  OnCloseQuery = [this](TObject*, bool&) { PostClosedMessage(ClosedId); };
}

void TTestWindow::Destroying() {
  if (Freed) ++*Freed;
  TForm::Destroying();
}

TTestEditor::TTestEditor(TComponent* owner, int* freed, bool initResult)
    : TTestWindow(owner, WM_TB_EDITOR_CLOSED, freed), InitResult(initResult), Exports(new TActionList(this)) {}

bool TTestEditor::InitEditor(const std::string& mapping) {
  Inits.push_back(mapping);
  return InitResult;
}

TTestManager::TTestManager(TComponent* owner, int* freed)
    : TTestWindow(owner, WM_TB_MANAGER_CLOSED, freed), Exports(new TActionList(this)) {}

void ToolsFixture::SetUp() {
  testsupport::ResetTarnbelKey();
  ToolWindowMakers = TToolWindowMakers();
  FollowServer = true;
  ServerState = ServerStateUnknown;
  CacheMax = CacheFree = CacheCount = 0;
  Server = std::make_unique<testsupport::TRecordingWindow>(SERVER_WINDOW_TITLE);
}

void ToolsFixture::TearDown() {
  if (PresetsInCacheForm) PresetsInCacheForm->Free();
  ServerLink.reset();
  Settings.reset();
  ToolWindowMakers = TToolWindowMakers();
  ToTools.reset();
  Server.reset();
  // Nothing of this test may reach the next one, a quit request least of all.
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
    if (msg.message != WM_QUIT) DispatchMessageA(&msg);
  testsupport::ResetTarnbelKey();
}

void ToolsFixture::StartTools(const std::vector<std::string>& params) {
  ToolsParams = params;
  auto* monitor = new TPresetsInCacheForm(nullptr);
  Application().SetMainForm(monitor);
  ToTools = std::make_unique<TIPCLink>(TOOLS_WINDOW_TITLE, 0);
}

bool ToolsFixture::RunUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    MSG msg;
    // Every message but WM_QUIT takes the application's own road (its OnMessage, key preview, shortcuts).
    // Once the loop would have ended, nothing more is handled.
    while (!Quit && PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
      if (msg.message != WM_QUIT) {
        Application().HandleMessage();
        continue;
      }
      PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
      bool handled = false;
      if (Application().OnMessage) Application().OnMessage(msg, handled);
      if (!handled) Quit = true;
    }
    if (done()) return true;
    if (Quit || GetTickCount() - start >= timeoutMs) return false;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

void ToolsFixture::PostToTools(UINT id, WPARAM wParam, LPARAM lParam) {
  ASSERT_TRUE(ToTools && ToTools->PeerWindow()) << "no tools window";
  ASSERT_TRUE(ToTools->Post(id, wParam, lParam));
  RunUntil([] { return true; }, 0);
}

CachedPresetRecord Rec(const std::string& name, int32_t bank, int32_t program, int32_t channel,
                       const std::string& mapping, const std::string& file, int32_t sourceBank,
                       int32_t sourcePreset) {
  CachedPresetRecord r = EmptyPresetRecord();
  SetShortString(r.PresetName, name);
  r.Bank = bank;
  r.Program = program;
  r.Channel = channel;
  SetShortString(r.MappingName, mapping);
  SetShortString(r.SourceFile, file);
  r.SourceBank = sourceBank;
  r.SourcePreset = sourcePreset;
  return r;
}

TPayload TPayload::Write(const std::string& bytes) {
  TPayload payload;
  payload.Atom = IPCWritePayload(bytes.data(), bytes.size());
  char name[MAX_PATH + 2] = {0};
  UINT length = GlobalGetAtomNameA(payload.Atom, name, sizeof(name));
  payload.Path.assign(name, length);
  return payload;
}

bool TPayload::FileGone() const { return GetFileAttributesA(Path.c_str()) == INVALID_FILE_ATTRIBUTES; }

bool TPayload::AtomGone() const {
  char name[MAX_PATH + 2];
  return GlobalGetAtomNameA(Atom, name, sizeof(name)) == 0;
}

}  // namespace toolstest
