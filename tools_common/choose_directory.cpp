#include "choose_directory.h"

using namespace ui;

UI_CLASSINFO(TOKRightDlg)

TOKRightDlg::TOKRightDlg(TComponent* owner) : TForm(owner) {
  SetName("OKRightDlg");
  SetBorderStyle(bsSizeable);
  SetBorderIcons((1u << biSystemMenu) | (1u << biMaximize));
  SetBounds(0, 0, 360, 400);
  SetMinSize(300, 200);
  SetPosition(poScreenCenter);

  Panel1 = new TPanel(this);
  Panel1->SetName("Panel1");
  Panel1->SetParent(this);
  Panel1->SetBevelOuter(bvNone);
  Panel1->SetHeight(64);
  Panel1->SetAlign(alBottom);
  Label1 = new TLabel(this);
  Label1->SetName("Label1");
  Label1->SetParent(Panel1);
  Label1->SetAutoSize(false);
  Label1->SetBounds(8, 6, 300, 16);
  Label1->SetAlign(alTop);
  Label1->SetCaption("");
  Panel2 = new TPanel(this);
  Panel2->SetName("Panel2");
  Panel2->SetParent(Panel1);
  Panel2->SetBevelOuter(bvNone);
  Panel2->SetWidth(168);
  Panel2->SetAlign(alRight);
  OKBtn = new TButton(this);
  OKBtn->SetName("OKBtn");
  OKBtn->SetParent(Panel2);
  OKBtn->SetBounds(8, 12, 75, 25);
  OKBtn->SetCaption("OK");
  OKBtn->SetDefault(true);
  OKBtn->SetModalResult(mrOk);
  OKBtn->SetTabStop(true);
  CancelBtn = new TButton(this);
  CancelBtn->SetName("CancelBtn");
  CancelBtn->SetParent(Panel2);
  CancelBtn->SetBounds(88, 12, 75, 25);
  CancelBtn->SetCaption("Cancel");
  CancelBtn->SetCancel(true);
  CancelBtn->SetModalResult(mrCancel);
  CancelBtn->SetTabStop(true);

  KitSystemTreeView1 = new TKitSystemTreeView(this);
  KitSystemTreeView1->SetName("KitSystemTreeView1");
  KitSystemTreeView1->SetParent(this);
  KitSystemTreeView1->SetAlign(alClient);
  KitSystemTreeView1->SetRootFolder(rfFileSystem);
  KitSystemTreeView1->SetShowFiles(false);
  KitSystemTreeView1->SetReadOnly(true);
  KitSystemTreeView1->SetTabStop(true);
  KitSystemTreeView1->OnChange = [this](TObject*, TTreeNode*) { ShowPath(); };
  // The folder selected before the window existed is selected without a change event.
  OnShow = [this](TObject*) { ShowPath(); };
  SetActiveControl(KitSystemTreeView1);
}

// OK only while the selection is a folder: "My Computer" and its like are not one.
void TOKRightDlg::ShowPath() {
  const std::string path = KitSystemTreeView1->Selection();
  Label1->SetCaption(path);
  OKBtn->SetEnabled(!path.empty());
}

int ChooseDirectory(TComponent* owner, std::string& folder, const std::string& caption) {
  auto* dialog = new TOKRightDlg(owner);
  // Freed also when the loop ends by an exception.
  struct TFree {
    TOKRightDlg* Dialog;
    ~TFree() { Dialog->Free(); }
  } freeing{dialog};
  dialog->SetCaption(caption.empty() ? "Choose directory:" : caption);
  dialog->KitSystemTreeView1->SetSelection(folder);
  int result = dialog->ShowModal();
  std::string chosen = dialog->KitSystemTreeView1->Selection();
  if (result == mrOk && chosen.empty()) result = mrCancel;
  if (result == mrOk) folder = chosen;
  return result;
}
