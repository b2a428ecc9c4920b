#pragma once
// The checker's question: where is the source file of an entry now? A folder tree with the files of the
// entry's kind, the entry's details above, a search below.
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
  ~TValidatorDialog() override;

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

  // Set before each show: the wanted file is selected when the dialog appears.
  void SetSelectOnShow(bool v) { SelectOnShow = v; }
  bool IsSearching() const { return Searching; }

 private:
  bool Searching = false;
  bool SelectOnShow = true;
  std::unique_ptr<TFindFileRecursive> Finder;
};
