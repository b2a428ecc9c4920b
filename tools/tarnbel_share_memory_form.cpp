#include "tarnbel_share_memory_form.h"

#include <string>
#include <vector>

#include "abstract_sf_device.h"
#include "route_record.h"

using namespace ui;

UI_CLASSINFO(TShareMemoryForm)

TShareMemoryForm::TShareMemoryForm(TComponent* owner) : TForm(owner) {
  SetName("ShareMemoryForm");
  SetCaption("select sf devices sharing the same memory:");
  SetBorderStyle(bsDialog);
  SetPosition(poScreenCenter);
  SetBounds(0, 0, 330, 230);
  FShareMemory = std::make_unique<TRegArray>(ShareMemoryPath, true);
  FShareMemory->SaveOnDestroy = false;

  ListBox1 = new TListBox(this);
  ListBox1->SetName("ListBox1");
  ListBox1->SetParent(this);
  ListBox1->SetMultiSelect(true);
  ListBox1->SetBounds(8, 8, 310, 150);
  OkButton = new TButton(this);
  OkButton->SetName("OkButton");
  OkButton->SetParent(this);
  OkButton->SetCaption("Ok");
  OkButton->SetDefault(true);
  OkButton->SetModalResult(mrOk);
  OkButton->SetBounds(160, 168, 75, 25);
  OkButton->OnClick = [this](TObject*) { StoreSelection(); };
  CancelButton = new TButton(this);
  CancelButton->SetName("CancelButton");
  CancelButton->SetParent(this);
  CancelButton->SetCaption("Cancel");
  CancelButton->SetCancel(true);
  CancelButton->SetModalResult(mrCancel);
  CancelButton->SetBounds(243, 168, 75, 25);
}

void TShareMemoryForm::FillList() {
  std::vector<std::string> devices;
  {
    TAbstractSFDevice facade;
    facade.GetDeviceNames(devices);
  }
  ListBox1->Items()->Clear();
  for (auto device = devices.rbegin(); device != devices.rend(); ++device) ListBox1->Items()->Add(*device);
  for (const std::string& stored : FShareMemory->Items())
    for (int i = 0; i < ListBox1->Items()->Count(); ++i)
      if (ListBox1->Items()->Strings(i) == stored) ListBox1->SetSelected(i, true);
}

void TShareMemoryForm::StoreSelection() {
  std::vector<std::string> selected;
  for (int i = 0; i < ListBox1->Items()->Count(); ++i)
    if (ListBox1->Selected(i)) selected.push_back(ListBox1->Items()->Strings(i));
  FShareMemory->Clear();
  FShareMemory->AddStrings(MakeShareMemoryList(selected));
  FShareMemory->Save();
}
