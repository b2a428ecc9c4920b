#pragma once
// TShareMemoryForm: "select sf devices sharing the same memory:". The SoundFont devices that share one
// sample memory are chosen in a multi-selection list; "Ok" stores them, "Cancel" writes nothing.
#include <memory>

#include "form.h"
#include "list_controls.h"
#include "reg_array.h"
#include "std_controls.h"

class TShareMemoryForm : public ui::TForm {
  UI_CLASS(TShareMemoryForm, ui::TForm)
 public:
  explicit TShareMemoryForm(ui::TComponent* owner);

  ui::TListBox* ListBox1;
  ui::TButton* OkButton;
  ui::TButton* CancelButton;

  // The devices from the last to the first; the stored ones that are present come selected.
  void FillList();
  // Stores the selection (nothing unless more than one device is selected).
  void StoreSelection();

 private:
  std::unique_ptr<TRegArray> FShareMemory;
};
