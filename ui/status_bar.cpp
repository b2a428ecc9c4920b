#include "status_bar.h"

#include <commctrl.h>

#include <vector>

#include "gdi.h"

namespace ui {

UI_CLASSINFO(TStatusPanel,
             UI_PROP_ENUM("Alignment", Alignment, SetAlignment, "taLeftJustify", "taRightJustify", "taCenter"),
             UI_PROP_ENUM("Style", Style, SetStyle, "psText", "psOwnerDraw"),
             UI_PROP(String, "Text", Text, SetText), UI_PROP(Integer, "Width", Width, SetWidth))
UI_CLASSINFO(TStatusPanels)
UI_CLASSINFO(TStatusBar, UI_PROP_CLASS("Panels", Panels, SetPanels, TStatusPanels),
             UI_PROP_BOOL("SimplePanel", SimplePanel, SetSimplePanel),
             UI_PROP(String, "SimpleText", SimpleText, SetSimpleText), UI_PROP_BOOL("SizeGrip", SizeGrip, SetSizeGrip))

namespace {

// The control centres text after one tab and right-aligns it after two.
std::string AlignedText(const std::string& text, TAlignment alignment) {
  static const char* const prefixes[] = {"", "\t\t", "\t"};
  return prefixes[alignment] + text;
}

}  // namespace

void TStatusPanel::SetText(const std::string& v) {
  if (v != FText) FText = v, Changed(false);
}

void TStatusPanel::SetWidth(int v) {
  if (v != FWidth) FWidth = v < 0 ? 0 : v, Changed(true);
}

void TStatusPanel::SetAlignment(TAlignment v) {
  if (v != FAlignment) FAlignment = v, Changed(false);
}

void TStatusPanel::SetStyle(TStatusPanelStyle v) {
  if (v != FStyle) FStyle = v, Changed(false);
}

void TStatusPanel::Assign(const TPersistent* source) {
  auto* p = dynamic_cast<const TStatusPanel*>(source);
  if (!p) {
    TCollectionItem::Assign(source);
    return;
  }
  FText = p->FText;
  FWidth = p->FWidth;
  FAlignment = p->FAlignment;
  FStyle = p->FStyle;
  Changed(true);
}

TStatusPanels::TStatusPanels(TStatusBar* owner)
    : TOwnedCollection(owner,
                       [](TCollection* c) { return new TStatusPanel(c); }),
      FStatusBar(owner) {}

void TStatusPanels::Update(TCollectionItem* item) {
  if (item) {
    FStatusBar->UpdatePanel(item->Index());
  } else {
    FStatusBar->UpdatePanels();
  }
}

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner), FPanels(this) {
  FWidth = 200;
  FHeight = 19;
  SetAlign(alBottom);
}

void TStatusBar::SetPanels(TStatusPanels* v) {
  if (v) FPanels.Assign(v);
}

void TStatusBar::CreateParams(TCreateParams& p) {
  TWinControl::CreateParams(p);
  p.SuperClass = STATUSCLASSNAMEA;
  // Our alignment places the bar; the control keeps the size it is given.
  p.Style |= CCS_NOPARENTALIGN | CCS_NORESIZE | (FSizeGrip ? SBARS_SIZEGRIP : 0);
}

void TStatusBar::CreateWnd() {
  TWinControl::CreateWnd();
  UpdatePanels();
}

void TStatusBar::SetSimplePanel(bool v) {
  if (v == FSimplePanel) return;
  FSimplePanel = v;
  if (!HandleAllocated()) return;
  SendMessageA(Handle(), SB_SIMPLE, v, 0);
  if (v) UpdateSimpleText();
}

void TStatusBar::SetSimpleText(const std::string& v) {
  FSimpleText = v;
  if (HandleAllocated() && FSimplePanel) UpdateSimpleText();
}

void TStatusBar::SetSizeGrip(bool v) {
  if (v == FSizeGrip) return;
  FSizeGrip = v;
  if (HandleAllocated()) RecreateWnd();
}

void TStatusBar::UpdateSimpleText() {
  SendMessageA(Handle(), SB_SETTEXTA, SB_SIMPLEID, LPARAM(FSimpleText.c_str()));
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated()) return;
  std::vector<int> edges;
  int right = 0;
  for (int i = 0; i < FPanels.Count(); ++i) {
    right += FPanels.Items(i)->Width();
    edges.push_back(i + 1 == FPanels.Count() ? -1 : right);
  }
  if (edges.empty()) edges.push_back(-1);
  SendMessageA(Handle(), SB_SETPARTS, WPARAM(edges.size()), LPARAM(edges.data()));
  for (int i = 0; i < FPanels.Count(); ++i) UpdatePanel(i);
  SendMessageA(Handle(), SB_SIMPLE, FSimplePanel, 0);
  if (FSimplePanel) UpdateSimpleText();
}

void TStatusBar::UpdatePanel(int index) {
  if (!HandleAllocated() || index < 0 || index >= FPanels.Count()) return;
  TStatusPanel* p = FPanels.Items(index);
  if (p->Style() == psOwnerDraw) {
    // The bar hands the panel's index back in WM_DRAWITEM's itemData.
    SendMessageA(Handle(), SB_SETTEXTA, WPARAM(index) | SBT_OWNERDRAW, LPARAM(index));
    return;
  }
  std::string text = AlignedText(p->Text(), p->Alignment());
  SendMessageA(Handle(), SB_SETTEXTA, WPARAM(index), LPARAM(text.c_str()));
}

void TStatusBar::WndProc(TMessage& m) {
  if (m.Msg != CN_DRAWITEM) {
    TWinControl::WndProc(m);
    return;
  }
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
  int index = int(d->itemData);
  if (index >= 0 && index < FPanels.Count() && OnDrawPanel) {
    TSaveDC saved(d->hDC);
    FCanvas.SetHandle(d->hDC);
    try {
      OnDrawPanel(this, FPanels.Items(index), d->rcItem);
    } catch (...) {
      FCanvas.SetHandle(nullptr);
      throw;
    }
    FCanvas.SetHandle(nullptr);
  }
  m.Result = TRUE;
}

}  // namespace ui
