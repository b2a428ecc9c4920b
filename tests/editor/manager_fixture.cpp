#include "manager_fixture.h"

#include <climits>

#include "application.h"
#include "export_settings.h"
#include "ipc.h"
#include "menus.h"
#include "pump_until.h"
#include "send_input.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "toolbar.h"

using namespace ui;

namespace managertest {

namespace {

// Posted to the server's stand-in after the manager's messages: once it has come, they have too.
constexpr UINT SyncMark = 0x7F00;

}  // namespace

void TTestMonitor::WndProc(TMessage& message) {
  TForm** variable = message.Msg == WM_TB_MANAGER_CLOSED  ? &MappingsManagerForm
                     : message.Msg == WM_TB_EDITOR_CLOSED ? &MappingsForm
                                                          : nullptr;
  if (!variable) {
    TForm::WndProc(message);
    return;
  }
  Closed.push_back(message.Msg);
  if (TForm* window = *variable) {
    *variable = nullptr;
    window->Release();
  }
}

void ManagerFixture::SetUp() {
  testsupport::ResetTarnbelKey();
  Settings = std::make_unique<TRegKey>(TarnbelKeyPath, true);
  Server = std::make_unique<testsupport::TRecordingWindow>(SERVER_WINDOW_TITLE);
  Tools = std::make_unique<testsupport::TRecordingWindow>(TOOLS_WINDOW_TITLE);
  ServerLink = std::make_unique<TIPCLink>(SERVER_WINDOW_TITLE, 0);
  TestLauncher = std::make_unique<TTestLauncher>();
  TestLauncher->ReloadsManager = true;
  TestMonitor = new TTestMonitor(nullptr);
  MonitorForm = TestMonitor;
  TestMonitor->Handle();
  ReadExportSettings(*Settings);
  DragIndex = -1;
  LogicStepUp = LogicStepDown = false;

  FOldBoxes = SetMessageBoxHandler([this](const std::string& text, const std::string& caption, UINT flags) {
    Boxes.push_back({text, caption, flags});
    RunDuringModal();
    if (BoxAnswers.empty()) return IDOK;
    int answer = BoxAnswers.front();
    BoxAnswers.pop_front();
    return answer;
  });
  FOldQueries = SetInputQueryHandler([this](const std::string& caption, const std::string& prompt, std::string& value) {
    Queries.push_back({caption, prompt, value});
    RunDuringModal();
    if (Answers.empty()) return false;
    auto answer = Answers.front();
    Answers.pop_front();
    if (answer.first) value = answer.second;
    return answer.first;
  });
  FOldFiles = SetFileDialogHandler([this](TFileDialogRequest& request) {
    if (ChosenFile.empty()) return false;
    request.FileName = ChosenFile;
    request.Files = {ChosenFile};
    return true;
  });
}

void ManagerFixture::RunDuringModal() {
  if (!DuringModal) return;
  std::function<void()> once;
  once.swap(DuringModal);
  once();
}

void ManagerFixture::TearDown() {
  FreeManager();
  SetMessageBoxHandler(FOldBoxes);
  SetInputQueryHandler(FOldQueries);
  SetFileDialogHandler(FOldFiles);
  MonitorForm = nullptr;
  TestMonitor->Free();
  TestLauncher.reset();
  ServerLink.reset();
  Tools.reset();
  Server.reset();
  Settings.reset();
  testsupport::ResetTarnbelKey();
}

void ManagerFixture::ResetRegistry() {
  Settings.reset();
  testsupport::ResetTarnbelKey();
  Settings = std::make_unique<TRegKey>(TarnbelKeyPath, true);
}

void ManagerFixture::StoreMapping(const std::string& name, int32_t priority, bool active,
                                  const std::vector<TEntry>& entries) {
  {
    TMapping mapping(name, false, nullptr, "");
    for (const TEntry& e : entries)
      mapping.AddItem(e.File, e.Bank, true, 0, e.Name, e.SourceProgram, e.SourceBank, e.Program);
  }
  TRegKey key("Software\\tarnbel\\mappings\\" + name, true);
  key.WriteBool("Active", active);
  if (priority == NoPriority) key.DeleteValue("Priority");
  else key.WriteInteger("Priority", priority);
}

int32_t ManagerFixture::StoredPriority(const std::string& name) {
  testsupport::RawValue raw = testsupport::ReadRaw("Software\\tarnbel\\mappings\\" + name, "Priority");
  if (!raw.found || raw.data.size() != 4) return NoPriority;
  return int32_t(raw.data[0] | raw.data[1] << 8 | raw.data[2] << 16 | uint32_t(raw.data[3]) << 24);
}

bool ManagerFixture::StoredActive(const std::string& name) {
  testsupport::RawValue raw = testsupport::ReadRaw("Software\\tarnbel\\mappings\\" + name, "Active");
  return raw.found && !raw.data.empty() && raw.data[0] == 1;
}

TMappingsManagerForm* ManagerFixture::Open(bool show) {
  Manager = new TMappingsManagerForm(nullptr);
  MappingsManagerForm = Manager;
  if (show) Manager->Show();
  return Manager;
}

bool ManagerFixture::CloseManager() {
  HWND window = Manager->Handle();
  Manager->Close();
  if (!RunUntil([window] { return !IsWindow(window); })) return false;
  Manager = nullptr;
  return true;
}

void ManagerFixture::FreeManager() {
  if (!Manager) return;
  if (MappingsManagerForm == Manager) MappingsManagerForm = nullptr;
  Manager->Free();
  Manager = nullptr;
}

std::vector<std::string> ManagerFixture::Rows() { return Manager->RowNames(); }

std::vector<bool> ManagerFixture::Checks() {
  std::vector<bool> checks;
  for (int i = 0; i < Manager->CheckListBox1->Items()->Count(); ++i) checks.push_back(Manager->CheckListBox1->Checked(i));
  return checks;
}

void ManagerFixture::SyncServer() {
  size_t before = Server->Count(SyncMark);
  PostMessageA(Server->Handle(), SyncMark, 0, 0);
  testsupport::PumpUntil([&] { return Server->Count(SyncMark) > before; }, 5000);
}

size_t ManagerFixture::Mark() {
  SyncServer();
  return Server->Received.size();
}

std::vector<std::string> ManagerFixture::Payloads(UINT id, size_t from) {
  SyncServer();
  std::vector<std::string> payloads;
  for (size_t i = from; i < Server->Received.size(); ++i)
    if (Server->Received[i].Id == id) payloads.push_back(Server->Received[i].Payload);
  return payloads;
}

size_t ManagerFixture::ServerCount(UINT id, size_t from) {
  SyncServer();
  size_t count = 0;
  for (size_t i = from; i < Server->Received.size(); ++i) count += Server->Received[i].Id == id;
  return count;
}

bool ManagerFixture::RunUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  return testsupport::PumpUntil(done, timeoutMs, &ManagerFixture::LoopStep);
}

void ManagerFixture::LoopStep() { Application().ProcessMessages(); }

bool ManagerFixture::Keys(std::initializer_list<WORD> modifiers, WORD key) {
  return testsupport::KeyChord(modifiers, key, &ManagerFixture::LoopStep);
}

std::vector<TAction*> ToolbarActions(TToolBar* bar) {
  std::vector<TAction*> actions;
  for (int i = 0; i < bar->ButtonCount(); ++i) actions.push_back(bar->Buttons(i)->Action());
  return actions;
}

std::vector<std::string> MenuCaptions(TMenuItem* menu) {
  std::vector<std::string> captions;
  for (int i = 0; i < menu->Count(); ++i) {
    TMenuItem* item = menu->Items(i);
    captions.push_back(item->Caption() + (item->Count() > 0 ? ">" : ""));
  }
  return captions;
}

}  // namespace managertest
