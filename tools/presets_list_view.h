#pragma once
// The monitor's cached-presets list: a list view whose column header is drawn without visual styles.
#include "list_view.h"

// The program asks for no visual styles, so Windows draws its headers plain; Wine draws them themed
// anyway, at a cost of milliseconds per column, and this header repaints on every sort and on every
// payload that adds or removes the scroll bar.
class TPresetsListView : public ui::TListView {
 public:
  using ui::TListView::TListView;

 protected:
  void CreateWnd() override;
};
