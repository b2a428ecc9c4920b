#pragma once
// TOptionsForm: "tarnbel preferences". No OK or Cancel: every change is applied at once, written
// under Software\tarnbel and, for what the running server holds, posted to it.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KitHook.h"
#include "KitPlacement.h"
#include "KitSpin.h"
#include "comctrls.h"
#include "form.h"
#include "graphic_controls.h"
#include "server_setting_defs.h"
#include "tarnbel_mappings_list_form.h"
#include "tarnbel_routes_form.h"
#include "std_controls.h"
#include "tools_server_settings.h"

class TAbstractSFDevice;

// The spin edit's largest kB value: more would wrap when shifted to bytes.
constexpr uint32_t MaxCacheSizeKB = 4194303;

class TOptionsForm : public ui::TForm {
  UI_CLASS(TOptionsForm, ui::TForm)
 public:
  explicit TOptionsForm(ui::TComponent* owner);
  ~TOptionsForm() override;

  ui::TPageControl* PageControl1;
  ui::TTabSheet* MainTabSheet;
  ui::TTabSheet* StartupTabSheet;
  ui::TTabSheet* MiscTabSheet;
  ui::TTabSheet* RandomizerTabSheet;
  ui::TTabSheet* IntegrationTabSheet;

  ui::TCheckBox* AutoClearCheckBox;
  TKitSpinEdit* UnloadTimeKitSpinEdit;
  ui::TCheckBox* UnloadOrphanPresetCheckBox;
  TKitSpinEdit* UnloadOrphanTimeKitSpinEdit;
  ui::TCheckBox* UseDefaultMelodicBankCheckBox;
  ui::TCheckBox* UseDefaultDrumPresetCheckBox;
  ui::TCheckBox* ReloadOnFirstNoteCheckBox;
  ui::TButton* Button2;

  ui::TCheckBox* TurnOnOnStartCheckBox;
  ui::TCheckBox* ShowControlPanelOnStartCheckBox;
  ui::TCheckBox* ShowMonitorOnStartCheckBox;
  ui::TCheckBox* ShowMappingsEditorOnStartCheckBox;
  ui::TCheckBox* ShowPreferencesOnStartCheckBox;

  ui::TCheckBox* OverrideCacheSizeCheckBox;
  TKitSpinEdit* OverrideCacheSizeKitSpinEdit;
  ui::TCheckBox* WinampResetCacheCheckBox;
  ui::TCheckBox* AddBankNameToPresetNameCheckBox;
  ui::TCheckBox* DisableSoundFontDeviceInterfaceCheckBox;

  ui::TRadioButton* RandomFixedRadioButton;
  ui::TRadioButton* RandomSongRadioButton;
  ui::TRadioButton* RandomPresetRadioButton;
  ui::TCheckBox* RandomDrumsCheckBox;
  ui::TCheckBox* RandomBanksCheckBox;
  ui::TCheckBox* RandomProgramsCheckBox;
  ui::TCheckBox* RandomOnlyWinampCheckBox;
  ui::TButton* RandomExclusionsButton;

  ui::TCheckBox* CakewalkCheckBox;
  ui::TCheckBox* CubaseCheckBox;
  ui::TCheckBox* EncoreCheckBox;
  ui::TCheckBox* EvolutionCheckBox;
  ui::TCheckBox* LogicCheckBox;
  ui::TCheckBox* QuartzCheckBox;
  ui::TCheckBox* MassivaCheckBox;

  TFormStorage* FormStorage1;
  TKitWindowHook* WindowHook;

  // The facade through which the cache limit is read and set; lives as long as the window.
  TAbstractSFDevice* Device() const { return FDevice.get(); }

  bool CloseQuery() override;

 private:
  // A check box bound to one stored flag: the global it keeps, the id posted on change (0: stored only).
  struct TFlagBox {
    ui::TCheckBox* Box;
    TServerSettingDef Setting;
    UINT Id;
    bool TToolsServerSettings::*Global;
  };

  ui::TTabSheet* AddPage(const char* name, const std::string& caption);
  ui::TCheckBox* AddFlagBox(ui::TTabSheet* page, const char* name, const std::string& caption, int left, int top,
                            const TServerSettingDef& setting, UINT id, bool TToolsServerSettings::*global);
  TKitSpinEdit* AddSpin(ui::TTabSheet* page, const char* name, int left, int top, double maxValue);
  ui::TLabel* AddLabel(ui::TTabSheet* page, const std::string& caption, int left, int top, int width = 0);
  ui::TButton* AddButton(ui::TTabSheet* page, const char* name, const std::string& caption, int left, int top);
  ui::TRadioButton* AddRadio(ui::TTabSheet* page, const char* name, const std::string& caption, int top);

  void BuildMainPage();
  void BuildStartupPage();
  void BuildMiscPage();
  void BuildRandomizerPage();
  void BuildIntegrationPage();
  void ShowStoredValues();
  void BindHostActions();

  void FlagClicked(const TFlagBox& flag);
  void RandomGroupClicked();
  // Whole seconds from a spin edit's text; false when the text is no number.
  bool SpinSeconds(TKitSpinEdit* spin, int32_t maxValue, double factor, int32_t& seconds);
  void UnloadTimeChanged();
  void OrphanTimeChanged();
  void ApplyCacheSize();
  void Post(UINT id, int32_t value);
  void RoutesClicked();
  void ExclusionsClicked();
  // Runs a modal dialog of this window; a close asked for meanwhile ends the dialog and follows it.
  void RunDialog(ui::TForm* dialog, const std::function<void(ui::TModalResult)>& after);
  void HookMessage(ui::TMessage& msg, bool& handled);

  std::vector<TFlagBox> FFlags;
  std::unique_ptr<TAbstractSFDevice> FDevice;
  bool FCreating = true;
  ui::TForm* FDialog = nullptr;
  bool FCloseAfterDialog = false;
};
