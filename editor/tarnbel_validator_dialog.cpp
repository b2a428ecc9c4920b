#include "tarnbel_validator_dialog.h"

#include "application.h"
#include "file_find.h"
#include "sys_utils.h"
#include "tarnbel_func.h"
#include "text_compare.h"

using namespace ui;

UI_CLASSINFO(TValidatorDialog)

namespace {

const int kDetailRowHeight = 18, kDetailCaptionWidth = 56;
const int kButtonWidth = 88, kButtonHeight = 25, kButtonStep = 98, kButtonRowStep = 31;

TPanel* AddPanel(TComponent* owner, TWinControl* parent, const std::string& name, TAlign align, int size) {
  auto* panel = new TPanel(owner);
  panel->SetName(name);
  panel->SetParent(parent);
  panel->SetBevelOuter(bvNone);
  panel->SetCaption("");
  if (align == alLeft || align == alRight)
    panel->SetWidth(size);
  else
    panel->SetHeight(size);
  panel->SetAlign(align);
  return panel;
}

TLabel* AddLabel(TComponent* owner, TWinControl* parent, const std::string& name, TAlign align) {
  auto* label = new TLabel(owner);
  label->SetName(name);
  label->SetParent(parent);
  label->SetAutoSize(false);
  label->SetHeight(kDetailRowHeight);
  // Names of files and mappings are shown as they are: an "&" is no accelerator.
  label->SetShowAccelChar(false);
  label->SetAlign(align);
  label->SetCaption("");
  return label;
}

}  // namespace

TValidatorDialog::TValidatorDialog(TComponent* owner) : TForm(owner) {
  SetName("ValidatorDialog");
  SetCaption("Choose a location of the source file");
  SetBorderStyle(bsSizeable);
  SetBorderIcons((1u << biSystemMenu) | (1u << biMaximize));
  SetBounds(0, 0, 440, 500);
  SetMinSize(300, 375);
  SetPosition(poScreenCenter);

  // Built bottom up: the last alTop panel sits lowest.
  PresetLabel = AddDetailRow("Preset", "Preset", PresetCaption);
  ProblemLabel = AddDetailRow("Problem", "Problem", ProblemCaption);
  FileLabel = AddDetailRow("File", "File", FileCaption);
  MappingLabel = AddDetailRow("Mapping", "Mapping", MappingCaption);

  TPanel* bottom = AddPanel(this, this, "BottomPanel", alBottom, 2 * kButtonRowStep + 12 + kDetailRowHeight + 22);
  TPanel* buttons = AddPanel(this, bottom, "ButtonsPanel", alBottom, 2 * kButtonRowStep + 8);
  TPanel* buttonBlock = AddPanel(this, buttons, "ButtonBlock", alRight, 2 * kButtonStep + kButtonWidth + 8);
  CheckBox1 = new TCheckBox(this);
  CheckBox1->SetName("CheckBox1");
  CheckBox1->SetParent(bottom);
  CheckBox1->SetHeight(22);
  CheckBox1->SetAlign(alBottom);
  CheckBox1->SetCaption("");
  CheckBox1->SetTabStop(true);
  Label1 = AddLabel(this, bottom, "Label1", alTop);

  OKButton = AddButton(buttonBlock, "OKButton", "OK", 0, 0, mrOk);
  OKButton->SetDefault(true);
  OKButton->SetEnabled(false);
  CancelAllButton = AddButton(buttonBlock, "CancelAllButton", "Cancel all", 1, 0, mrCancel);
  CancelAllButton->SetCancel(true);
  FindButton = AddButton(buttonBlock, "FindButton", "&Find", 2, 0, mrNone);
  FindButton->SetEnabled(false);
  FindButton->OnClick = [this](TObject*) { FindClick(); };
  SkipFileButton = AddButton(buttonBlock, "SkipFileButton", "S&kip file", 0, 1, mrAll);
  SkipMappingButton = AddButton(buttonBlock, "SkipMappingButton", "Skip &mapping", 1, 1, mrAbort);
  IgnoreButton = AddButton(buttonBlock, "IgnoreButton", "Ign&ore", 2, 1, mrIgnore);

  KitSystemTreeView1 = new TKitSystemTreeView(this);
  KitSystemTreeView1->SetName("KitSystemTreeView1");
  KitSystemTreeView1->SetParent(this);
  KitSystemTreeView1->SetAlign(alClient);
  KitSystemTreeView1->SetRootFolder(rfFileSystem);
  KitSystemTreeView1->SetHideSelection(false);
  KitSystemTreeView1->SetReadOnly(true);
  KitSystemTreeView1->SetTabStop(true);
  KitSystemTreeView1->OnChange = [this](TObject*, TTreeNode*) { SelectionChanged(); };
  KitSystemTreeView1->OnExpanded = [this](TObject*, TTreeNode* node) { SelectWantedChild(node); };
  SetActiveControl(KitSystemTreeView1);

  OnShow = [this](TObject*) {
    if (SelectOnShow) SelectWantedOnShow();
    SelectOnShow = false;
    // A walk begun for an earlier question is not continued for this one.
    Finder.reset();
    SelectionChanged();
  };
  // A close ends a running search; the loop of the search then lets the dialog close.
  OnCloseQuery = [this](TObject*, bool&) { Searching = false; };
}

void TValidatorDialog::Destroying() {
  Searching = false;
  Finder.reset();
  TForm::Destroying();
}

TLabel* TValidatorDialog::AddDetailRow(const std::string& name, const std::string& caption, TLabel*& captionLabel) {
  TPanel* row = AddPanel(this, this, name + "Row", alTop, kDetailRowHeight);
  captionLabel = AddLabel(this, row, name + "Caption", alLeft);
  captionLabel->SetWidth(kDetailCaptionWidth);
  captionLabel->SetCaption(caption);
  return AddLabel(this, row, name + "Label", alClient);
}

TButton* TValidatorDialog::AddButton(TWinControl* parent, const std::string& name, const std::string& caption,
                                     int column, int row, TModalResult result) {
  auto* button = new TButton(this);
  button->SetName(name);
  button->SetParent(parent);
  button->SetBounds(column * kButtonStep, 4 + row * kButtonRowStep, kButtonWidth, kButtonHeight);
  button->SetCaption(caption);
  button->SetTabStop(true);
  if (result != mrNone) {
    button->SetModalResult(result);
    // An answer ends a running search first.
    button->OnClick = [this](TObject*) { Searching = false; };
  }
  return button;
}

std::string TValidatorDialog::WantedFileName() const { return ExtractFileName(FileLabel->Caption()); }

void TValidatorDialog::SelectionChanged() {
  std::string path = KitSystemTreeView1->Selection();
  Label1->SetCaption(path);
  OKButton->SetEnabled(FileExistsNotDir(path));
  if (!Searching) ResetFind();
}

void TValidatorDialog::ResetFind() {
  FindButton->SetEnabled(DirectoryOrDriveExists(KitSystemTreeView1->Selection()));
  FindButton->SetCaption("Find");
}

void TValidatorDialog::SelectWantedOnShow() {
  std::string wanted = WantedFileName();
  // Shown nodes only: children of collapsed nodes are passed over.
  TTreeNode* node = KitSystemTreeView1->Items().GetFirstNode();
  while (node) {
    if (AnsiSameText(node->Text(), wanted)) {
      KitSystemTreeView1->SetSelected(node);
      node->MakeVisible();
      return;
    }
    TTreeNode* next = node->Expanded() ? node->GetFirstChild() : nullptr;
    for (TTreeNode* up = node; !next && up; up = up->Parent()) next = up->GetNextSibling();
    node = next;
  }
}

void TValidatorDialog::SelectWantedChild(TTreeNode* parent) {
  std::string wanted = WantedFileName();
  for (TTreeNode* child = parent->GetFirstChild(); child; child = child->GetNextSibling())
    if (AnsiSameText(child->Text(), wanted)) {
      KitSystemTreeView1->SetSelected(child);
      return;
    }
}

void TValidatorDialog::FindClick() {
  if (Searching) {
    Searching = false;
    return;
  }
  struct TSearchFlag {
    bool& Flag;
    ~TSearchFlag() { Flag = false; }
  } searching{Searching};
  Searching = true;
  if (FindButton->Caption() != "Next" || !Finder) Finder = std::make_unique<TFindFileRecursive>(KitSystemTreeView1->Selection());
  FindButton->SetCaption("Stop search");
  bool stopped = false;
  std::string found = Search(stopped);
  if (!found.empty()) {
    KitSystemTreeView1->SetSelection(found);
    FindButton->SetCaption("Next");
    return;
  }
  Label1->SetCaption(stopped ? "Search cancelled" : "File was not found in the branch specified");
  ResetFind();
}

std::string TValidatorDialog::Search(bool& stopped) {
  std::string wanted = WantedFileName();
  while (Searching) {
    std::string next = Finder->Next();
    if (next.empty()) return next;
    Label1->SetCaption(ExtractFilePath(next));
    Application().ProcessMessages();
    // A close or an answer while the queue was served stops the walk too.
    if (ModalResult() != mrNone || Application().Terminated()) Searching = false;
    if (!Searching) break;
    if (AnsiSameText(ExtractFileName(next), wanted)) return next;
  }
  stopped = true;
  return std::string();
}
