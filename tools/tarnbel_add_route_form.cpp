#include "tarnbel_add_route_form.h"

#include <algorithm>
#include <vector>

#include "abstract_sf_device.h"
#include "osc_midi_input.h"
#include "osc_midi_output.h"
#include "route_record.h"
#include "text_compare.h"
#include "tool_windows.h"

using namespace ui;

UI_CLASSINFO(TAddRouteForm)

namespace {

bool Chosen(TComboBox* list) { return list->ItemIndex() >= 0 && list->Text() != RouteNone; }

}  // namespace

TAddRouteForm::TAddRouteForm(TComponent* owner) : TForm(owner) {
  SetName("AddRouteForm");
  SetCaption("choose route:");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 330, 180);
  MIDIInComboBox = MakeList("MIDIInComboBox", "MIDI In:", Label1, 10);
  MIDIOutComboBox = MakeList("MIDIOutComboBox", "MIDI Out:", Label2, 40);
  SFDeviceComboBox = MakeList("SFDeviceComboBox", "SF Device:", Label3, 70);

  OKButton = new TButton(this);
  OKButton->SetName("OKButton");
  OKButton->SetParent(this);
  OKButton->SetCaption("OK");
  OKButton->SetDefault(true);
  OKButton->SetModalResult(mrOk);
  OKButton->SetBounds(150, 110, 75, 25);
  CancelButton = new TButton(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  CancelButton->SetBounds(235, 110, 75, 25);
}

TComboBox* TAddRouteForm::MakeList(const char* name, const char* caption, TLabel*& label, int top) {
  label = new TLabel(this);
  label->SetParent(this);
  label->SetCaption(caption);
  label->SetBounds(10, top + 4, 70, 16);
  auto* list = new TComboBox(this);
  list->SetName(name);
  list->SetParent(this);
  list->SetStyle(csDropDownList);
  list->SetBounds(85, top, 225, 21);
  list->OnChange = [this](TObject*) { UpdateOK(); };
  return list;
}

void TAddRouteForm::FillDeviceLists() {
  std::vector<std::string> inputs, outputs, devices;
  TOSC_MIDIInput().GetDeviceNames(inputs, false);
  TOSC_MIDIOutput().GetDeviceNames(outputs, false);
  {
    TAbstractSFDevice facade;
    facade.GetDeviceNames(devices);
  }
  MIDIInComboBox->Items()->Clear();
  MIDIOutComboBox->Items()->Clear();
  SFDeviceComboBox->Items()->Clear();
  for (const std::string& name : inputs) MIDIInComboBox->Items()->Add(name);
  for (const std::string& name : outputs) MIDIOutComboBox->Items()->Add(name);
  for (auto device = devices.rbegin(); device != devices.rend(); ++device) {
    bool likeAnInput = std::any_of(inputs.begin(), inputs.end(),
                                   [&](const std::string& input) { return AnsiSameText(input, *device); });
    if (!likeAnInput) SFDeviceComboBox->Items()->Add(*device);
  }
  for (TComboBox* list : {MIDIInComboBox, MIDIOutComboBox, SFDeviceComboBox}) {
    list->Items()->Insert(0, RouteNone);
    list->SetItemIndex(0);
  }
  OKButton->SetEnabled(false);
}

void TAddRouteForm::SelectName(TComboBox* list, const std::string& name) {
  int found = -1;
  for (int i = 0; i < list->Items()->Count() && found < 0; ++i)
    if (list->Items()->Strings(i) == name) found = i;
  list->SetItemIndex(found);
}

void TAddRouteForm::UpdateOK() {
  OKButton->SetEnabled(Chosen(MIDIInComboBox) && (Chosen(MIDIOutComboBox) || Chosen(SFDeviceComboBox)));
}

namespace {

bool ChooseRouteInDialog(TComponent* owner, RouteRecord& route) {
  auto* dialog = new TAddRouteForm(owner);
  dialog->FillDeviceLists();
  if (!route.Input.empty() || !route.Output.empty() || !route.Device.empty()) {
    TAddRouteForm::SelectName(dialog->MIDIInComboBox, route.Input);
    TAddRouteForm::SelectName(dialog->MIDIOutComboBox, route.Output);
    TAddRouteForm::SelectName(dialog->SFDeviceComboBox, route.Device);
    dialog->UpdateOK();
  }
  bool ok = dialog->ShowModal() == mrOk;
  if (ok) {
    route.Input = dialog->MIDIInComboBox->Text();
    route.Output = dialog->MIDIOutComboBox->Text();
    route.Device = dialog->SFDeviceComboBox->Text();
  }
  dialog->Free();
  return ok;
}

}  // namespace

void RegisterRouteDialog() { ToolWindowMakers.ChooseRoute = ChooseRouteInDialog; }
