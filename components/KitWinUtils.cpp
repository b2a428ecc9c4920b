#include "KitWinUtils.h"

#include <cstring>
#include <memory>

#include "application.h"
#include "gdi.h"
#include "message_box.h"
#include "screen.h"
#include "sys_utils.h"
#include "ui_exceptions.h"

using namespace ui;

// "Function not implemented", in the Russian code page the kit was written in.
const char* const SNotImplemented = "\xD4\xF3\xED\xEA\xF6\xE8\xFF \xED\xE5 \xF0\xE5\xE0\xEB\xE8\xE7\xEE\xE2\xE0\xED\xE0";

void CopyParentImage(TControl* control, TCanvas& dest) {
  if (!control || !control->Parent()) return;
  TWinControl* parent = control->Parent();
  HDC dc = dest.Handle();
  int saved = SaveDC(dc);
  POINT org;
  GetViewportOrgEx(dc, &org);
  SetViewportOrgEx(dc, org.x - control->Left(), org.y - control->Top(), nullptr);
  RECT client = parent->ClientRect();
  IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
  parent->Perform(WM_ERASEBKGND, WPARAM(dc), 0);
  {
    TCanvas parentCanvas(dc);
    parent->PaintWindowTo(parentCanvas);
  }
  RECT self = control->BoundsRect();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    TControl* sibling = parent->Controls(i);
    if (sibling == control) break;
    RECT sr = sibling->BoundsRect(), overlap;
    if (sibling->IsWindowed() || !sibling->Visible() || !IntersectRect(&overlap, &self, &sr)) continue;
    int s = SaveDC(dc);
    SetViewportOrgEx(dc, org.x - control->Left() + sr.left, org.y - control->Top() + sr.top, nullptr);
    IntersectClipRect(dc, 0, 0, sr.right - sr.left, sr.bottom - sr.top);
    {
      TCanvas c(dc);
      sibling->Paint(c);
    }
    RestoreDC(dc, s);
  }
  RestoreDC(dc, saved);
}

namespace {
// A memory context holding one bitmap, with a palette when one is given.
struct WorkDC {
  TMemoryDC dc;
  TSelectObject bitmap;
  TSelectPalette palette;
  WorkDC(HDC like, HBITMAP bmp, HPALETTE pal) : dc(like), bitmap(dc, bmp), palette(dc, pal) {}
};
}  // namespace

void StretchBltTransparent(HDC dest, int x, int y, int w, int h, HDC src, int srcX, int srcY, int srcW, int srcH,
                           TColor transparentColor, HPALETTE palette) {
  COLORREF key = ColorToRGB(transparentColor);
  TSelectPalette destPalette(dest, palette);
  // The mask: 1 where the source shows the transparent colour.
  TBitmapHandle maskBmp(CreateBitmap(srcW, srcH, 1, 1, nullptr));
  TBitmapHandle imageBmp(CreateCompatibleBitmap(dest, srcW, srcH));
  {
    WorkDC mask(nullptr, maskBmp.Get(), nullptr);
    WorkDC image(dest, imageBmp.Get(), palette);
    COLORREF oldBk = SetBkColor(src, key);
    BitBlt(mask.dc, 0, 0, srcW, srcH, src, srcX, srcY, SRCCOPY);
    SetBkColor(src, oldBk);
    // The image with its transparent pixels black.
    BitBlt(image.dc, 0, 0, srcW, srcH, src, srcX, srcY, SRCCOPY);
    SetBkColor(image.dc, RGB(255, 255, 255));
    SetTextColor(image.dc, RGB(0, 0, 0));
    BitBlt(image.dc, 0, 0, srcW, srcH, mask.dc, 0, 0, 0x00220326);  // DSna
    // Clear the opaque part of the destination, then lay the image over it.
    COLORREF oldDestBk = SetBkColor(dest, RGB(255, 255, 255));
    COLORREF oldDestText = SetTextColor(dest, RGB(0, 0, 0));
    int oldMode = SetStretchBltMode(dest, COLORONCOLOR);
    StretchBlt(dest, x, y, w, h, mask.dc, 0, 0, srcW, srcH, SRCAND);
    StretchBlt(dest, x, y, w, h, image.dc, 0, 0, srcW, srcH, SRCPAINT);
    SetStretchBltMode(dest, oldMode);
    SetBkColor(dest, oldDestBk);
    SetTextColor(dest, oldDestText);
  }
}

void StretchBitmapRectTransparent(TCanvas& dest, int x, int y, int w, int h, const RECT& srcRect, TBitmap& bitmap,
                                  TColor transparentColor) {
  if (bitmap.Empty()) return;
  RECT src = srcRect;
  if (RectWidth(src) < 1 || RectHeight(src) < 1) src = RECT{0, 0, bitmap.Width(), bitmap.Height()};
  if (w < 1 || h < 1) {
    w = bitmap.Width();
    h = bitmap.Height();
  }
  if (transparentColor == clNone) {
    SetStretchBltMode(dest.Handle(), COLORONCOLOR);
    StretchBlt(dest.Handle(), x, y, w, h, bitmap.Canvas().Handle(), src.left, src.top, RectWidth(src),
               RectHeight(src), dest.CopyMode);
    return;
  }
  if (bitmap.Monochrome()) transparentColor = clWhite;
  else if (transparentColor == clDefault) transparentColor = bitmap.TransparentColor();
  HPALETTE palette = bitmap.Palette();
  StretchBltTransparent(dest.Handle(), x, y, w, h, bitmap.Canvas().Handle(), src.left, src.top, RectWidth(src),
                        RectHeight(src), transparentColor, palette);
}

void DrawBitmapRectTransparent(TCanvas& dest, int x, int y, const RECT& srcRect, TBitmap& bitmap,
                               TColor transparentColor) {
  StretchBitmapRectTransparent(dest, x, y, RectWidth(srcRect), RectHeight(srcRect), srcRect, bitmap,
                               transparentColor);
}

// Paints brush where the monochrome source has 1 bits.
static void PaintMask(HDC dest, int x, int y, int w, int h, HDC mask, COLORREF color) {
  TBrushHandle brush(CreateSolidBrush(color));
  TSelectObject selected(dest, brush.Get());
  COLORREF bk = SetBkColor(dest, RGB(255, 255, 255));
  COLORREF text = SetTextColor(dest, RGB(0, 0, 0));
  BitBlt(dest, x, y, w, h, mask, 0, 0, 0x00E20746);  // DSPDxax
  SetBkColor(dest, bk);
  SetTextColor(dest, text);
}

TBitmap* CreateDisabledBitmapEx(TBitmap& bitmap, TColor outlineColor, TColor backColor, TColor highlightColor,
                                TColor shadowColor, bool drawHighlight) {
  std::unique_ptr<TBitmap> result(new TBitmap);
  int w = bitmap.Width(), h = bitmap.Height();
  result->SetSize(w, h);
  TCanvas& rc = result->Canvas();
  rc.Brush.Color = backColor;
  rc.Brush.Style = bsSolid;
  rc.FillRect(RECT{0, 0, w, h});
  if (w < 1 || h < 1) return result.release();
  TBitmapHandle maskBmp(CreateBitmap(w, h, 1, 1, nullptr));
  {
    WorkDC mask(nullptr, maskBmp.Get(), nullptr);
    HDC src = bitmap.Canvas().Handle();
    COLORREF oldBk = SetBkColor(src, ColorToRGB(outlineColor));
    BitBlt(mask.dc, 0, 0, w, h, src, 0, 0, SRCCOPY);
    SetBkColor(src, oldBk);
    if (drawHighlight) PaintMask(rc.Handle(), 1, 1, w - 1, h - 1, mask.dc, ColorToRGB(highlightColor));
    PaintMask(rc.Handle(), 0, 0, w, h, mask.dc, ColorToRGB(shadowColor));
  }
  return result.release();
}

TBitmap* CreateDisabledBitmap(TBitmap& bitmap, TColor outlineColor) {
  return CreateDisabledBitmapEx(bitmap, outlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void ImageListDrawDisabled(TImageList& images, TCanvas& canvas, int x, int y, int index, TColor highlightColor,
                           TColor shadowColor, bool drawHighlight) {
  // The image's shape comes from its icon's own mask (the list keeps its mask selected elsewhere).
  TIcon icon;
  if (!images.GetIcon(index, icon)) return;
  TIconInfo info(icon.Handle());
  if (!info.Valid) return;
  int w = images.Width(), h = images.Height();
  TBitmapHandle maskBmp(CreateBitmap(w, h, 1, 1, nullptr));
  {
    WorkDC mask(nullptr, maskBmp.Get(), nullptr);
    WorkDC iconMask(nullptr, info.Info.hbmMask, nullptr);
    BitBlt(mask.dc, 0, 0, w, h, iconMask.dc, 0, 0, NOTSRCCOPY);  // the image's pixels become 1
    if (drawHighlight) PaintMask(canvas.Handle(), x + 1, y + 1, w, h, mask.dc, ColorToRGB(highlightColor));
    PaintMask(canvas.Handle(), x, y, w, h, mask.dc, ColorToRGB(shadowColor));
  }
}

TIcon* MakeModuleIcon(HMODULE module, const char* resourceName) {
  HICON h = HICON(LoadImageA(module, resourceName, IMAGE_ICON, 0, 0, LR_DEFAULTCOLOR));
  if (!h) return nullptr;
  auto* icon = new TIcon;
  icon->SetHandle(h);
  return icon;
}

TIcon* MakeIcon(const char* resourceName) { return MakeModuleIcon(GetModuleHandleA(nullptr), resourceName); }

TBitmap* CreateBitmapFromIcon(TIcon& icon, TColor backColor) {
  std::unique_ptr<TBitmap> bmp(new TBitmap);
  bmp->SetSize(icon.Width(), icon.Height());
  TCanvas& c = bmp->Canvas();
  c.Brush.Color = backColor;
  c.Brush.Style = bsSolid;
  c.FillRect(RECT{0, 0, bmp->Width(), bmp->Height()});
  DrawIconEx(c.Handle(), 0, 0, icon.Handle(), 0, 0, 0, nullptr, DI_NORMAL);
  return bmp.release();
}

TIcon* CreateIconFromBitmap(TBitmap& bitmap, TColor transparentColor) {
  if (bitmap.Empty()) return nullptr;
  if (transparentColor == clDefault) transparentColor = bitmap.TransparentColor();
  std::unique_ptr<TImageList> list(new TImageList(nullptr));
  list->SetWidth(bitmap.Width());
  list->SetHeight(bitmap.Height());
  if (list->AddMasked(bitmap, transparentColor) < 0) return nullptr;
  std::unique_ptr<TIcon> icon(new TIcon);
  if (!list->GetIcon(0, *icon)) return nullptr;
  return icon.release();
}

void FreeUnusedOle() {}

void NotImplemented() {
  Screen().SetCursor(crDefault);
  ShowMessageBox(SNotImplemented, Application().Title(), MB_OK | MB_ICONINFORMATION);
  Abort();
}

TColor PaletteColor(TColor color) { return TColor(ColorToRGB(color) | 0x02000000u); }

void KillMessage(HWND window, UINT msg) {
  MSG m;
  if (PeekMessageA(&m, window, msg, msg, PM_REMOVE) && m.message == WM_QUIT) PostQuitMessage(int(m.wParam));
}

std::string MinimizeText(const std::string& text, TCanvas& canvas, int maxWidth) {
  if (canvas.TextWidth(text) <= maxWidth) return text;
  std::string s = text;
  while (!s.empty()) {
    s.pop_back();
    if (canvas.TextWidth(s + "...") <= maxWidth) break;
  }
  return s + "...";
}

void* AllocMemo(int32_t size) { return size < 1 ? nullptr : GlobalAlloc(GPTR, SIZE_T(size)); }

void FreeMemo(void*& block) {
  if (block) GlobalFree(block);
  block = nullptr;
}

// A plain byte comparison: no reads through misaligned wider pointers.
bool CompareMem(const void* a, const void* b, int32_t n) { return n <= 0 || std::memcmp(a, b, size_t(n)) == 0; }

void* HugeOffset(void* pointer, intptr_t offset) { return static_cast<char*>(pointer) + offset; }

void HMemCpy(void* dest, const void* source, int32_t n) {
  if (n > 0) std::memmove(dest, source, size_t(n));
}

void RaiseWin32Error(DWORD code) {
  if (code == 0) return;
  throw EWin32Error(Format("Win32 Error.  Code: %lu.\n%s", static_cast<unsigned long>(code),
                           SysErrorMessage(code).c_str()),
                    code);
}

namespace {
struct ForegroundWalk {
  HWND Target;
  bool Found;
};
BOOL CALLBACK FindForeground(HWND w, LPARAM p) {
  auto* walk = reinterpret_cast<ForegroundWalk*>(p);
  if (w == walk->Target) walk->Found = true;
  return !walk->Found;
}
}  // namespace

bool IsForegroundTask() {
  HWND active = GetForegroundWindow();
  if (!active) return false;
  ForegroundWalk walk{active, false};
  EnumThreadWindows(GetCurrentThreadId(), FindForeground, reinterpret_cast<LPARAM>(&walk));
  return walk.Found;
}
