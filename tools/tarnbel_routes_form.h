#pragma once
// TRoutesForm: the routes editor "tarnbel routes". One row per stored route, its check mark the route's
// state. Callers create it, LoadList, ShowModal, Save and free it; nothing is written before Save.
#include <string>

#include "form.h"
#include "list_view.h"
#include "reg_array.h"
#include "std_controls.h"

// The stored routes while the routes editor exists; null otherwise.
extern TRegArray* RoutesArray;

class TRoutesForm : public ui::TForm {
  UI_CLASS(TRoutesForm, ui::TForm)
 public:
  explicit TRoutesForm(ui::TComponent* owner);

  ui::TListView* RoutesListView;
  ui::TButton* AddButton;
  ui::TButton* EditButton;
  ui::TButton* RemoveButton;
  ui::TButton* MemoryButton;
  ui::TButton* CloseButton;

  // One row per stored route, in stored order.
  void LoadList();
  // Every route with "[active]" or "[passive]" after its check mark, then the whole list to the registry.
  void Save();

  void AddRoute();
  void EditRoute();
  void RemoveRoute();
  void EditSharedMemory();
  // The box's text for the first input or output that two checked rows share; empty when none.
  std::string FindClash();

 protected:
  void Destroying() override;

 private:
  ui::TButton* MakeButton(const char* name, const char* caption, int top);
  void ShowRoute(ui::TListItem* item, const std::string& route);
  void FormCloseQuery(bool& canClose);
};
