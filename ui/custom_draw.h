#pragma once
// Custom drawing of list and tree views: NM_CUSTOMDRAW stages become pre-paint, item and sub-item calls
// that may change the text and background colours and the font, or draw themselves.
#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

#include "graphics.h"

namespace ui {

enum TCustomDrawStateFlag { cdsSelected, cdsGrayed, cdsDisabled, cdsChecked, cdsFocused, cdsDefault, cdsHot };

// What a handler sees and may change at one stage.
struct TCustomDrawInfo {
  TCanvas* Canvas = nullptr;  // over the control's context at this stage
  RECT Rect{};
  TSet32 State = 0;  // TCustomDrawStateFlag bits
  int SubItem = -1;  // the column of a sub-item call, else -1
  // Start as the control's own; a change is drawn with.
  TFont Font;
  TColor TextColor = clDefault;
  TColor BackColor = clDefault;
  // False: the control draws nothing of this stage (the handler drew, or nothing is to be drawn).
  bool DefaultDraw = true;
};

// One per view. The view tells which stages it wants and hands each stage's item to its handlers.
class TCustomDraw {
 public:
  // The item of the stage (row index or tree item), its parameter, the info to fill.
  using TStageHandler = std::function<void(DWORD_PTR item, LPARAM itemParam, TCustomDrawInfo& info)>;

  TStageHandler OnPaint;    // the whole control, before painting
  TStageHandler OnItem;     // each item (row or node)
  TStageHandler OnSubItem;  // each column of a report row

  // The answer to NM_CUSTOMDRAW. clrText/clrTextBk are the view's colour fields of the record.
  LRESULT Notify(NMCUSTOMDRAW& cd, COLORREF& clrText, COLORREF& clrTextBk, int subItem, TFont& controlFont);

 private:
  LRESULT Stage(const TStageHandler& handler, NMCUSTOMDRAW& cd, COLORREF& clrText, COLORREF& clrTextBk,
                int subItem, TFont& controlFont);
  HFONT FontFor(const TFont& font);
  // Fonts chosen by handlers stay alive while the control may still draw with them.
  std::vector<std::unique_ptr<TFont>> FFonts;
};

}  // namespace ui
