#pragma once
// TAddRouteForm: the dialog "choose route:" with a MIDI input, a MIDI output and a SoundFont device, each
// chosen from a drop-down list headed by "[none]". The routes editor and the editor's preview route use it.
#include <string>

#include "form.h"
#include "graphic_controls.h"
#include "list_controls.h"
#include "std_controls.h"

class TAddRouteForm : public ui::TForm {
  UI_CLASS(TAddRouteForm, ui::TForm)
 public:
  explicit TAddRouteForm(ui::TComponent* owner);

  ui::TLabel* Label1;
  ui::TLabel* Label2;
  ui::TLabel* Label3;
  ui::TComboBox* MIDIInComboBox;
  ui::TComboBox* MIDIOutComboBox;
  ui::TComboBox* SFDeviceComboBox;
  ui::TButton* OKButton;
  ui::TButton* CancelButton;

  // The MIDI inputs and outputs in device order and the SoundFont devices from the last to the first
  // (leaving out one named like a MIDI input), each list headed by "[none]", which is selected; "OK" off.
  void FillDeviceLists();
  // Selects the entry with exactly that text; none when it is no longer present.
  static void SelectName(ui::TComboBox* list, const std::string& name);
  // "OK" is on when an input other than "[none]" is chosen with an output or a device other than "[none]".
  void UpdateOK();

 private:
  ui::TComboBox* MakeList(const char* name, const char* caption, ui::TLabel*& label, int top);
};

// Fills ToolWindowMakers.ChooseRoute with this dialog.
void RegisterRouteDialog();
