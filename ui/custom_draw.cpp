#include "custom_draw.h"

namespace ui {

namespace {

bool SameFace(const TFont& a, const TFont& b) {
  return a.Name() == b.Name() && a.Size() == b.Size() && a.Style() == b.Style();
}

TSet32 StateOf(UINT itemState) {
  TSet32 s = 0;
  if (itemState & CDIS_SELECTED) s |= 1u << cdsSelected;
  if (itemState & CDIS_GRAYED) s |= 1u << cdsGrayed;
  if (itemState & CDIS_DISABLED) s |= 1u << cdsDisabled;
  if (itemState & CDIS_CHECKED) s |= 1u << cdsChecked;
  if (itemState & CDIS_FOCUS) s |= 1u << cdsFocused;
  if (itemState & CDIS_DEFAULT) s |= 1u << cdsDefault;
  if (itemState & CDIS_HOT) s |= 1u << cdsHot;
  return s;
}

// Handler fonts kept at most; more distinct faces than this in one control are not expected.
constexpr size_t kMaxFonts = 16;

}  // namespace

LRESULT TCustomDraw::Notify(NMCUSTOMDRAW& cd, COLORREF& clrText, COLORREF& clrTextBk, int subItem,
                            TFont& controlFont) {
  switch (cd.dwDrawStage) {
    case CDDS_PREPAINT: {
      // A new paint: no handler font is selected any more.
      if (FFonts.size() > kMaxFonts) FFonts.clear();
      LRESULT r = CDRF_DODEFAULT;
      if (OnPaint) r = Stage(OnPaint, cd, clrText, clrTextBk, -1, controlFont);
      if (r & CDRF_SKIPDEFAULT) return r;
      if (OnItem || OnSubItem) r |= CDRF_NOTIFYITEMDRAW;
      return r;
    }
    case CDDS_ITEMPREPAINT: {
      LRESULT r = CDRF_DODEFAULT;
      if (OnItem) r = Stage(OnItem, cd, clrText, clrTextBk, -1, controlFont);
      if (r & CDRF_SKIPDEFAULT) return r;
      if (OnSubItem) r |= CDRF_NOTIFYSUBITEMDRAW;
      return r;
    }
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
      if (OnSubItem) return Stage(OnSubItem, cd, clrText, clrTextBk, subItem, controlFont);
      return CDRF_DODEFAULT;
    default:
      return CDRF_DODEFAULT;
  }
}

LRESULT TCustomDraw::Stage(const TStageHandler& handler, NMCUSTOMDRAW& cd, COLORREF& clrText, COLORREF& clrTextBk,
                           int subItem, TFont& controlFont) {
  TCustomDrawInfo info;
  info.Rect = cd.rc;
  info.State = StateOf(cd.uItemState);
  info.SubItem = subItem;
  info.Font.Assign(&controlFont);
  {
    // The canvas puts back whatever it selected before the control draws on.
    int saved = SaveDC(cd.hdc);
    TCanvas canvas(cd.hdc);
    info.Canvas = &canvas;
    handler(cd.dwItemSpec, cd.lItemlParam, info);
    info.Canvas = nullptr;
    canvas.SetHandle(nullptr);
    RestoreDC(cd.hdc, saved);
  }
  if (!info.DefaultDraw) return CDRF_SKIPDEFAULT;
  if (info.TextColor != clDefault) {
    clrText = ColorToRGB(info.TextColor);
  } else if (info.Font.Color() != controlFont.Color()) {
    clrText = ColorToRGB(info.Font.Color());
  }
  if (info.BackColor != clDefault) clrTextBk = ColorToRGB(info.BackColor);
  if (SameFace(info.Font, controlFont)) return CDRF_DODEFAULT;
  SelectObject(cd.hdc, FontFor(info.Font));
  return CDRF_NEWFONT;
}

HFONT TCustomDraw::FontFor(const TFont& font) {
  for (auto& f : FFonts)
    if (SameFace(*f, font)) return f->Handle();
  FFonts.push_back(std::make_unique<TFont>());
  FFonts.back()->Assign(&font);
  return FFonts.back()->Handle();
}

}  // namespace ui
