#pragma once
// The checker's question: where is the source file of an entry now? The entry's details above, a folder
// tree with the files of the entry's kind, a step-by-step search of a branch, and the answers below.
#include <memory>
#include <string>

#include "SystemTreeView.h"
#include "form.h"
#include "graphic_controls.h"
#include "std_controls.h"

class TFindFileRecursive;

// "S&kip file" closes the dialog with this result.
const ui::TModalResult mrAll = 8;

class TValidatorDialog : public ui::TForm {
  UI_CLASS(TValidatorDialog, ui::TForm)
 public:
  explicit TValidatorDialog(ui::TComponent* owner);

  ui::TLabel* MappingCaption;
  ui::TLabel* MappingLabel;
  ui::TLabel* FileCaption;
  ui::TLabel* FileLabel;
  ui::TLabel* ProblemCaption;
  ui::TLabel* ProblemLabel;
  ui::TLabel* PresetCaption;
  ui::TLabel* PresetLabel;
  TKitSystemTreeView* KitSystemTreeView1;
  ui::TLabel* Label1;  // status line under the tree
  ui::TCheckBox* CheckBox1;
  ui::TButton* OKButton;
  ui::TButton* CancelAllButton;
  ui::TButton* SkipFileButton;
  ui::TButton* SkipMappingButton;
  ui::TButton* IgnoreButton;
  ui::TButton* FindButton;

  // Set before each show: the first shown node named like the wanted file is selected when the dialog appears.
  void SetSelectOnShow(bool v) { SelectOnShow = v; }
  bool IsSearching() const { return Searching; }
  // The file-name part of FileLabel: what the tree and the search look for.
  std::string WantedFileName() const;

 protected:
  void Destroying() override;

 private:
  ui::TLabel* AddDetailRow(const std::string& name, const std::string& caption, ui::TLabel*& captionLabel);
  ui::TButton* AddButton(ui::TWinControl* parent, const std::string& name, const std::string& caption, int left,
                         int top, ui::TModalResult result);
  void SelectionChanged();
  // Find's caption and state as a selection change leaves them.
  void ResetFind();
  void SelectWantedOnShow();
  void SelectWantedChild(ui::TTreeNode* parent);
  void FindClick();
  // Takes the finder's results until the wanted file, the end of the walk or a stop; returns the file or "".
  std::string Search(bool& stopped);

  bool Searching = false;
  bool SelectOnShow = true;
  std::unique_ptr<TFindFileRecursive> Finder;
};
