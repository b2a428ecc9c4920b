#include "options_form.h"

#include <cmath>
#include <cstdlib>

#include "abstract_sf_device.h"
#include "action.h"
#include "application.h"
#include "registry_internal.h"
#include "tarnbel_fakeform.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tool_windows.h"

using namespace ui;
namespace ss = server_setting;

UI_CLASSINFO(TOptionsForm)

namespace {

const int kPageWidth = 392;
const int kBoxWidth = 330;

// The machine's memory in kB, as far as the cache limit can follow it.
double TotalMemoryKB() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof(status);
  if (!GlobalMemoryStatusEx(&status)) return MaxCacheSizeKB;
  uint64_t kb = status.ullTotalPhys >> 10;
  return double(kb > MaxCacheSizeKB ? MaxCacheSizeKB : kb);
}

}  // namespace

TOptionsForm::TOptionsForm(TComponent* owner) : TForm(owner) {
  SetName("OptionsForm");
  SetCaption("tarnbel preferences");
  SetBorderStyle(bsSingle);
  SetBorderIcons((1u << biSystemMenu) | (1u << biMinimize));
  SetKeyPreview(true);
  SetBounds(0, 0, 420, 300);

  PageControl1 = new TPageControl(this);
  PageControl1->SetName("PageControl1");
  PageControl1->SetParent(this);
  PageControl1->SetHotTrack(true);
  PageControl1->SetBounds(6, 6, kPageWidth, 254);
  BuildMainPage();
  BuildStartupPage();
  BuildMiscPage();
  BuildRandomizerPage();
  BuildIntegrationPage();
  PageControl1->SetActivePage(MainTabSheet);

  FDevice = std::make_unique<TAbstractSFDevice>();
  ShowStoredValues();
  BindHostActions();
  FCreating = false;

  OnKeyDown = [this](TObject*, WORD& key, TSet32) {
    if (key == VK_ESCAPE) {
      key = 0;
      Close();
    }
  };
  OnClose = [](TObject*, TCloseAction&) {
    if (Settings) Settings->Flush();
  };

  // A minimise from the system menu takes the whole program down to the taskbar.
  WindowHook = new TKitWindowHook(this);
  WindowHook->SetName("WindowHook");
  WindowHook->BeforeMessage = [this](TObject*, TMessage& msg, bool& handled) { HookMessage(msg, handled); };
  WindowHook->SetWinControl(this);

  FormStorage1 = new TFormStorage(this);
  FormStorage1->SetName("FormStorage1");
  FormStorage1->BeginLoading();
  FormStorage1->SetUseRegistry(true);
  FormStorage1->SetIniFileName(PlacementKeyPath());
  FormStorage1->SetIniSection("TOptionsForm");
  FormStorage1->SetOptions(1u << fpPosition);
  FormStorage1->StoredProps()->Add("PageControl1.ActivePage");
  FormStorage1->Loaded();
}

TOptionsForm::~TOptionsForm() = default;

TTabSheet* TOptionsForm::AddPage(const char* name, const std::string& caption) {
  auto* page = new TTabSheet(this);
  page->SetName(name);
  page->SetPageControl(PageControl1);
  page->SetCaption(caption);
  return page;
}

TCheckBox* TOptionsForm::AddFlagBox(TTabSheet* page, const char* name, const std::string& caption, int left, int top,
                                    const TServerSettingDef& setting, UINT id, bool TToolsServerSettings::*global) {
  auto* box = new TCheckBox(this);
  box->SetName(name);
  box->SetParent(page);
  box->SetCaption(caption);
  box->SetBounds(left, top, kBoxWidth - left + 12, 20);
  FFlags.push_back({box, setting, id, global});
  size_t index = FFlags.size() - 1;
  box->OnClick = [this, index](TObject*) { FlagClicked(FFlags[index]); };
  return box;
}

TKitSpinEdit* TOptionsForm::AddSpin(TTabSheet* page, const char* name, int left, int top, double maxValue) {
  auto* spin = new TKitSpinEdit(this);
  spin->SetName(name);
  spin->SetParent(page);
  spin->SetBounds(left, top, 80, 22);
  spin->SetMinValue(0);
  spin->SetMaxValue(maxValue);
  return spin;
}

TLabel* TOptionsForm::AddLabel(TTabSheet* page, const std::string& caption, int left, int top, int width) {
  auto* label = new TLabel(this);
  label->SetParent(page);
  if (width > 0) {
    label->SetAutoSize(false);
    label->SetWordWrap(true);
    label->SetBounds(left, top, width, 60);
  } else {
    label->SetBounds(left, top, 60, 16);
  }
  label->SetCaption(caption);
  return label;
}

TButton* TOptionsForm::AddButton(TTabSheet* page, const char* name, const std::string& caption, int left, int top) {
  auto* button = new TButton(this);
  button->SetName(name);
  button->SetParent(page);
  button->SetCaption(caption);
  button->SetBounds(left, top, 100, 25);
  return button;
}

TRadioButton* TOptionsForm::AddRadio(TTabSheet* page, const char* name, const std::string& caption, int top) {
  auto* radio = new TRadioButton(this);
  radio->SetName(name);
  radio->SetParent(page);
  radio->SetCaption(caption);
  radio->SetBounds(12, top, kBoxWidth, 20);
  radio->OnClick = [this](TObject*) { RandomGroupClicked(); };
  return radio;
}

void TOptionsForm::BuildMainPage() {
  MainTabSheet = AddPage("MainTabSheet", "Main");
  AutoClearCheckBox = AddFlagBox(MainTabSheet, "AutoClearCheckBox", "Unload preset if unused for", 12, 12,
                                 ss::UnloadPresetIfUnused, WM_TB_SET_UNLOAD_IF_UNUSED,
                                 &TToolsServerSettings::UnloadPresetIfUnused);
  AutoClearCheckBox->SetWidth(190);
  UnloadTimeKitSpinEdit = AddSpin(MainTabSheet, "UnloadTimeKitSpinEdit", 206, 10, 10000);
  AddLabel(MainTabSheet, "minutes", 292, 14);
  UnloadOrphanPresetCheckBox = AddFlagBox(MainTabSheet, "UnloadOrphanPresetCheckBox", "If no channels using it for",
                                          12, 42, ss::UnloadOrphanPreset, WM_TB_SET_UNLOAD_ORPHAN,
                                          &TToolsServerSettings::UnloadOrphanPreset);
  UnloadOrphanPresetCheckBox->SetWidth(190);
  UnloadOrphanTimeKitSpinEdit = AddSpin(MainTabSheet, "UnloadOrphanTimeKitSpinEdit", 206, 40, 60000);
  AddLabel(MainTabSheet, "seconds", 292, 44);
  UseDefaultMelodicBankCheckBox =
      AddFlagBox(MainTabSheet, "UseDefaultMelodicBankCheckBox", "Use default melodic bank", 12, 78,
                 ss::UseDefaultMelodicBank, WM_TB_SET_DEFAULT_MELODIC, &TToolsServerSettings::UseDefaultMelodicBank);
  UseDefaultDrumPresetCheckBox =
      AddFlagBox(MainTabSheet, "UseDefaultDrumPresetCheckBox", "Use default drum set", 12, 102,
                 ss::UseDefaultDrumPreset, WM_TB_SET_DEFAULT_DRUMS, &TToolsServerSettings::UseDefaultDrumPreset);
  ReloadOnFirstNoteCheckBox =
      AddFlagBox(MainTabSheet, "ReloadOnFirstNoteCheckBox", "Reload unloaded preset on first note played", 12, 126,
                 ss::ReloadOnFirstNote, WM_TB_SET_RELOAD_FIRST_NOTE, &TToolsServerSettings::ReloadOnFirstNote);
  Button2 = AddButton(MainTabSheet, "Button2", "Routes...", 12, 160);
  Button2->OnClick = [this](TObject*) { RoutesClicked(); };
  UnloadTimeKitSpinEdit->OnChange = [this](TObject*) { UnloadTimeChanged(); };
  UnloadOrphanTimeKitSpinEdit->OnChange = [this](TObject*) { OrphanTimeChanged(); };
}

void TOptionsForm::BuildStartupPage() {
  StartupTabSheet = AddPage("StartupTabSheet", "Startup");
  TurnOnOnStartCheckBox =
      AddFlagBox(StartupTabSheet, "TurnOnOnStartCheckBox", "Turn on on start", 12, 12, ss::AutoStart, 0, nullptr);
  ShowControlPanelOnStartCheckBox = AddFlagBox(StartupTabSheet, "ShowControlPanelOnStartCheckBox",
                                               "Show mappings manager on start", 12, 36, ss::ShowControlPanel, 0,
                                               nullptr);
  ShowMonitorOnStartCheckBox = AddFlagBox(StartupTabSheet, "ShowMonitorOnStartCheckBox", "Show monitor on start", 12,
                                          60, ss::ShowMonitor, 0, nullptr);
  ShowMappingsEditorOnStartCheckBox = AddFlagBox(StartupTabSheet, "ShowMappingsEditorOnStartCheckBox",
                                                 "Show mappings editor on start", 12, 84, ss::ShowMappingsEditor, 0,
                                                 nullptr);
  ShowPreferencesOnStartCheckBox = AddFlagBox(StartupTabSheet, "ShowPreferencesOnStartCheckBox",
                                              "Show preferences on start", 12, 108, ss::ShowPreferences, 0, nullptr);
}

void TOptionsForm::BuildMiscPage() {
  MiscTabSheet = AddPage("MiscTabSheet", "Misc");
  OverrideCacheSizeCheckBox = AddFlagBox(MiscTabSheet, "OverrideCacheSizeCheckBox", "Override AudioHQ cache limit",
                                         12, 12, ss::OverrideCacheSize, 0, &TToolsServerSettings::OverrideCacheSize);
  OverrideCacheSizeCheckBox->SetWidth(190);
  OverrideCacheSizeKitSpinEdit = AddSpin(MiscTabSheet, "OverrideCacheSizeKitSpinEdit", 206, 10, TotalMemoryKB());
  OverrideCacheSizeKitSpinEdit->SetIncrement(1024);
  AddLabel(MiscTabSheet, "kb", 292, 14);
  AddLabel(MiscTabSheet,
           "Warning! Though the memory size for cache can be set up to true amount of RAM, loading presets into more "
           "than ~2/3 of system RAM available most likely will cause extremely intensive swapping.",
           12, 40, 360);
  WinampResetCacheCheckBox = AddFlagBox(MiscTabSheet, "WinampResetCacheCheckBox",
                                        "Reset cache on every new Winamp song", 12, 110, ss::WinampResetCache,
                                        WM_TB_SET_WINAMP_RESET_CACHE, &TToolsServerSettings::WinampResetCache);
  AddBankNameToPresetNameCheckBox =
      AddFlagBox(MiscTabSheet, "AddBankNameToPresetNameCheckBox", "Add bank name to preset names in SF Device", 12,
                 134, ss::AddBankNameToPresetName, WM_TB_SET_ADD_BANK_NAME,
                 &TToolsServerSettings::AddBankNameToPresetName);
  DisableSoundFontDeviceInterfaceCheckBox =
      AddFlagBox(MiscTabSheet, "DisableSoundFontDeviceInterfaceCheckBox", "Disable SoundFont Device interface", 12,
                 158, ss::DisableSoundFontDeviceInterface, WM_TB_SET_DISABLE_SF_INTERFACE,
                 &TToolsServerSettings::DisableSoundFontDeviceInterface);
  OverrideCacheSizeKitSpinEdit->OnChange = [this](TObject*) { ApplyCacheSize(); };
}

void TOptionsForm::BuildRandomizerPage() {
  RandomizerTabSheet = AddPage("RandomizerTabSheet", "Randomizer");
  RandomFixedRadioButton = AddRadio(RandomizerTabSheet, "RandomFixedRadioButton", "Fixed mapping", 12);
  RandomSongRadioButton = AddRadio(RandomizerTabSheet, "RandomSongRadioButton", "Random mapping for every song", 36);
  RandomPresetRadioButton =
      AddRadio(RandomizerTabSheet, "RandomPresetRadioButton", "Random mapping for every preset", 60);
  RandomDrumsCheckBox = AddFlagBox(RandomizerTabSheet, "RandomDrumsCheckBox", "Random drums", 12, 92,
                                   ss::RandomDrumBank, WM_TB_SET_RANDOM_DRUM_BANK,
                                   &TToolsServerSettings::RandomDrumBank);
  RandomBanksCheckBox = AddFlagBox(RandomizerTabSheet, "RandomBanksCheckBox", "Random bank number", 12, 116,
                                   ss::RandomBanks, WM_TB_SET_RANDOM_BANKS, &TToolsServerSettings::RandomBanks);
  RandomProgramsCheckBox =
      AddFlagBox(RandomizerTabSheet, "RandomProgramsCheckBox", "Random program number", 12, 140, ss::RandomPrograms,
                 WM_TB_SET_RANDOM_PROGRAMS, &TToolsServerSettings::RandomPrograms);
  RandomOnlyWinampCheckBox = AddFlagBox(RandomizerTabSheet, "RandomOnlyWinampCheckBox",
                                        "Use randomizer only for Winamp", 12, 164, ss::RandomOnlyWinamp,
                                        WM_TB_SET_RANDOM_ONLY_WINAMP, &TToolsServerSettings::RandomOnlyWinamp);
  RandomExclusionsButton = AddButton(RandomizerTabSheet, "RandomExclusionsButton", "Exclusions...", 260, 12);
  RandomExclusionsButton->OnClick = [this](TObject*) { ExclusionsClicked(); };
}

void TOptionsForm::BuildIntegrationPage() {
  IntegrationTabSheet = AddPage("IntegrationTabSheet", "Integration");
  TCheckBox** boxes[] = {&CakewalkCheckBox, &CubaseCheckBox,  &EncoreCheckBox, &EvolutionCheckBox,
                         &LogicCheckBox,    &QuartzCheckBox, &MassivaCheckBox};
  const char* hosts[] = {"Cakewalk", "Cubase", "Encore", "Evolution", "Logic", "Quartz", "Massiva"};
  for (size_t i = 0; i < 7; ++i) {
    auto* box = new TCheckBox(this);
    box->SetName(std::string(hosts[i]) + "CheckBox");
    box->SetParent(IntegrationTabSheet);
    box->SetCaption(hosts[i]);
    box->SetBounds(12, 12 + int(i) * 24, 150, 20);
    *boxes[i] = box;
  }
}

// Every control takes its stored value (missing values are written back with their defaults). The spin
// edits come first, quietly: the cache box's handler reads its spin edit.
void TOptionsForm::ShowStoredValues() {
  TRegKey& key = *Settings;
  auto& g = ToolsServerSettings;
  g.UnloadTime = ReadSetting(key, ss::UnloadTime);
  g.UnloadOrphanTime = ReadSetting(key, ss::UnloadOrphanTime);
  UnloadTimeKitSpinEdit->SetValue(g.UnloadTime / 60);
  UnloadOrphanTimeKitSpinEdit->SetValue(g.UnloadOrphanTime);

  uint32_t limit = 0;
  bool hasManager = FDevice->HasSFManagerDevice() && FDevice->GetCacheLimit(limit);
  g.OverrideCacheSizeValue =
      uint32_t(key.ReadInteger(ss::OverrideCacheSizeValue.Name, hasManager ? int32_t(limit) : 0));
  OverrideCacheSizeKitSpinEdit->SetValue(double(g.OverrideCacheSizeValue / 1024));

  for (const TFlagBox& flag : FFlags) {
    bool on = ReadSettingFlag(key, flag.Setting);
    if (flag.Global) g.*flag.Global = on;
    flag.Box->SetChecked(on);
  }

  g.RandomMapping = ReadSettingFlag(key, ss::RandomMapping);
  g.RandomPresets = ReadSettingFlag(key, ss::RandomPresets);
  if (g.RandomMapping)
    RandomSongRadioButton->SetChecked(true);
  else if (g.RandomPresets)
    RandomPresetRadioButton->SetChecked(true);
  else
    RandomFixedRadioButton->SetChecked(true);
}

// Each host action gives the box named after it its check mark and itself.
void TOptionsForm::BindHostActions() {
  if (!FakeForm || !FakeForm->ActionList2) return;
  TActionList* hosts = FakeForm->ActionList2;
  for (int i = 0; i < hosts->ActionCount(); ++i) {
    TAction* action = hosts->Actions(i);
    if (auto* box = dynamic_cast<TCheckBox*>(FindComponent(action->Caption() + "CheckBox"))) {
      box->SetChecked(action->Checked());
      box->SetAction(action);
    }
  }
}

void TOptionsForm::Post(UINT id, int32_t value) {
  if (ServerLink) ServerLink->Post(id, 0, LPARAM(value));
}

void TOptionsForm::FlagClicked(const TFlagBox& flag) {
  bool on = flag.Box->Checked();
  if (flag.Global) ToolsServerSettings.*flag.Global = on;
  if (flag.Id) Post(flag.Id, on ? 1 : 0);
  WriteSettingFlag(*Settings, flag.Setting, on);
  if (flag.Box == OverrideCacheSizeCheckBox) ApplyCacheSize();
}

void TOptionsForm::RandomGroupClicked() {
  auto& g = ToolsServerSettings;
  g.RandomMapping = RandomSongRadioButton->Checked();
  g.RandomPresets = RandomPresetRadioButton->Checked();
  Post(WM_TB_SET_RANDOM_PRESETS, g.RandomPresets ? 1 : 0);
  WriteSettingFlag(*Settings, ss::RandomMapping, g.RandomMapping);
  Post(WM_TB_SET_RANDOM_MAPPING, g.RandomMapping ? 1 : 0);
  WriteSettingFlag(*Settings, ss::RandomPresets, g.RandomPresets);
}

bool TOptionsForm::SpinSeconds(TKitSpinEdit* spin, int32_t maxValue, double factor, int32_t& seconds) {
  std::string text = spin->Text();
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str() || *end != '\0') return false;
  if (value < 0) value = 0;
  if (value > maxValue) {
    value = maxValue;
    spin->SetValue(double(value));  // changes the text again: that change does the work
    return false;
  }
  seconds = int32_t(std::lround(double(value) * factor));
  return true;
}

void TOptionsForm::UnloadTimeChanged() {
  int32_t seconds = 0;
  if (FCreating || !SpinSeconds(UnloadTimeKitSpinEdit, 10000, 60.0, seconds)) return;
  ToolsServerSettings.UnloadTime = seconds;
  Post(WM_TB_SET_UNLOAD_TIME, seconds);
  WriteSetting(*Settings, ss::UnloadTime, seconds);
}

void TOptionsForm::OrphanTimeChanged() {
  int32_t seconds = 0;
  if (FCreating || !SpinSeconds(UnloadOrphanTimeKitSpinEdit, 60000, 1.0, seconds)) return;
  ToolsServerSettings.UnloadOrphanTime = seconds;
  Post(WM_TB_SET_ORPHAN_TIME, seconds);
  WriteSetting(*Settings, ss::UnloadOrphanTime, seconds);
}

// Sets the manager's limit from the spin edit while the box is checked; 0 is never applied.
void TOptionsForm::ApplyCacheSize() {
  if (!OverrideCacheSizeCheckBox->Checked() || !FDevice->HasSFManagerDevice()) return;
  std::string text = OverrideCacheSizeKitSpinEdit->Text();
  char* end = nullptr;
  long long kb = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str() || *end != '\0' || kb <= 0) return;
  if (kb > MaxCacheSizeKB) kb = MaxCacheSizeKB;
  uint32_t size = uint32_t(kb) << 10;
  FDevice->SetCacheLimit(size);
  ToolsServerSettings.OverrideCacheSizeValue = size;
  WriteSetting(*Settings, ss::OverrideCacheSizeValue, int32_t(size));
}

void TOptionsForm::RunDialog(TForm* dialog, const std::function<void(TModalResult)>& after) {
  FDialog = dialog;
  TModalResult result = dialog->ShowModal();
  FDialog = nullptr;
  after(result);
  dialog->Free();
  if (FCloseAfterDialog) {
    FCloseAfterDialog = false;
    Close();
  }
}

void TOptionsForm::RoutesClicked() {
  auto* routes = new TRoutesForm(this);
  routes->LoadList();
  RunDialog(routes, [routes](TModalResult) { routes->Save(); });
  Post(WM_TB_ROUTES_CHANGED, 0);
}

void TOptionsForm::ExclusionsClicked() {
  RunDialog(new TMappingsListForm(this), [](TModalResult) {});
}

bool TOptionsForm::CloseQuery() {
  if (FDialog) {
    // Closing under an open dialog would free this window inside the dialog's loop: end the dialog first.
    FCloseAfterDialog = true;
    FDialog->SetModalResult(mrCancel);
    return false;
  }
  if (!TForm::CloseQuery()) return false;
  PostClosedMessage(WM_TB_OPTIONS_CLOSED);
  return true;
}

void TOptionsForm::HookMessage(TMessage& msg, bool& handled) {
  if (msg.Msg == WM_SYSCOMMAND && (msg.WParam & 0xFFF0) == SC_MINIMIZE) {
    Application().Minimize();
    handled = true;
  }
}
