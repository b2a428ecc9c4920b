#include "customize_toolbars_form.h"

#include <algorithm>
#include <vector>

#include "DockManager.h"
#include "toolbar.h"

using namespace ui;

UI_CLASSINFO(TCustomizeToolbarsForm)

namespace {

std::vector<TToolBar*> ToolbarsOf(TComponent* owner) {
  std::vector<TToolBar*> bars;
  if (!owner) return bars;
  for (int i = 0; i < owner->ComponentCount(); ++i)
    if (auto* bar = dynamic_cast<TToolBar*>(owner->Components(i))) bars.push_back(bar);
  return bars;
}

}  // namespace

TCustomizeToolbarsForm::TCustomizeToolbarsForm(TComponent* owner) : TForm(owner) {
  SetCaption("Toolbars");
  SetBorderStyle(bsToolWindow);
  SetFormStyle(fsStayOnTop);
  SetPosition(poScreenCenter);
  SetKeyPreview(true);
  SetBounds(0, 0, 330, 230);

  CheckListBox1 = new TCheckListBox(this);
  CheckListBox1->SetName("CheckListBox1");
  CheckListBox1->SetParent(this);
  CheckListBox1->SetBounds(8, 8, 170, 180);
  FlatCheckBox = MakeBox("FlatCheckBox", "Flat style", 8);
  FrameCheckBox = MakeBox("FrameCheckBox", "Frames", 32);
  DockableCheckBox = MakeBox("DockableCheckBox", "Dockable", 56);
  HotTrackCheckBox = MakeBox("HotTrackCheckBox", "Hot track", 80);
  GrabbersCheckBox = MakeBox("GrabbersCheckBox", "Grabbers", 104);
  GrabbersCheckBox->SetVisible(false);
  Button1 = new TButton(this);
  Button1->SetName("Button1");
  Button1->SetParent(this);
  Button1->SetCaption("Find");
  Button1->SetBounds(190, 160, 75, 25);
  Timer1 = new TTimer(this);
  Timer1->SetEnabled(false);
  Timer1->SetInterval(100);

  std::vector<TToolBar*> bars = ToolbarsOf(owner);
  std::vector<std::string> captions;
  for (TToolBar* bar : bars) captions.push_back(bar->Caption());
  std::sort(captions.begin(), captions.end());
  for (const std::string& c : captions) CheckListBox1->Items()->Add(c);
  // The first toolbar decides the style boxes; without one they keep their defaults.
  if (!bars.empty()) {
    FlatCheckBox->SetChecked(bars.front()->Flat());
    HotTrackCheckBox->SetChecked(bars.front()->HotImages() != nullptr);
    FrameCheckBox->SetChecked(bars.front()->EdgeBorders() != 0);
  }
  for (TToolBar* bar : bars)
    bar->SetTag(std::find(captions.begin(), captions.end(), bar->Caption()) - captions.begin());

  CheckListBox1->OnClickCheck = [this](TObject*) { CheckClicked(); };
  FlatCheckBox->OnClick = [this](TObject*) {
    if (FDockManager) FDockManager->SetFlat(FlatCheckBox->Checked());
  };
  FrameCheckBox->OnClick = [this](TObject*) {
    if (FDockManager) FDockManager->SetBorder(FrameCheckBox->Checked());
  };
  DockableCheckBox->OnClick = [this](TObject*) {
    if (FDockManager) FDockManager->SetDockable(DockableCheckBox->Checked());
  };
  HotTrackCheckBox->OnClick = [this](TObject*) {
    if (FDockManager) FDockManager->SetHotTrack(HotTrackCheckBox->Checked());
  };
  Button1->OnClick = [this](TObject*) { FindClicked(); };
  Timer1->OnTimer = [this](TObject*) { ShowChecks(); };
  OnShow = [this](TObject*) {
    ShowChecks();
    Timer1->SetEnabled(true);
  };
  OnHide = [this](TObject*) { Timer1->SetEnabled(false); };
  OnKeyDown = [this](TObject*, WORD& key, TSet32) {
    if (key == VK_ESCAPE) Close();
  };
}

TCheckBox* TCustomizeToolbarsForm::MakeBox(const std::string& name, const std::string& caption, int top) {
  auto* box = new TCheckBox(this);
  box->SetName(name);
  box->SetParent(this);
  box->SetCaption(caption);
  box->SetBounds(190, top, 120, 20);
  return box;
}

void TCustomizeToolbarsForm::ShowChecks() {
  for (TToolBar* bar : ToolbarsOf(Owner())) {
    int row = int(bar->Tag());
    if (row >= 0 && row < CheckListBox1->Items()->Count() && CheckListBox1->Checked(row) != bar->Visible())
      CheckListBox1->SetChecked(row, bar->Visible());
  }
}

void TCustomizeToolbarsForm::CheckClicked() {
  for (TToolBar* bar : ToolbarsOf(Owner())) {
    int row = int(bar->Tag());
    if (row >= 0 && row < CheckListBox1->Items()->Count()) bar->SetVisible(CheckListBox1->Checked(row));
  }
  if (FDockManager) FDockManager->ArrangeToolbars();
}

void TCustomizeToolbarsForm::FindClicked() {
  int row = CheckListBox1->ItemIndex();
  if (row < 0) return;
  const std::string text = CheckListBox1->Items()->Strings(row);
  std::vector<TToolBar*> bars = ToolbarsOf(Owner());
  int offset = 0;
  int cx = GetSystemMetrics(SM_CXSCREEN) / 2, cy = GetSystemMetrics(SM_CYSCREEN) / 2;
  for (auto it = bars.rbegin(); it != bars.rend(); ++it, offset += 20) {
    TToolBar* bar = *it;
    if (bar->Caption() != text) continue;
    int left = cx + offset, top = cy + offset;
    bar->ManualFloat(RECT{left, top, left + bar->Width(), top + bar->Height()});
    bar->SetVisible(true);
  }
}
