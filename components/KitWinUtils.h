#pragma once
// Drawing, icon, memory and message routines the kit's components share.
#include <windows.h>

#include <cstdint>
#include <string>

#include "bitmap.h"
#include "control.h"
#include "icon.h"
#include "image_list.h"

// Paints the parent and the graphic siblings before the control into canvas, origin at the control.
void CopyParentImage(ui::TControl* control, ui::TCanvas& dest);
void StretchBltTransparent(HDC dest, int x, int y, int w, int h, HDC src, int srcX, int srcY, int srcW, int srcH,
                           ui::TColor transparentColor, HPALETTE palette);
// Sizes below 1 mean the bitmap's full size. clNone copies plainly; clDefault is the bottom-left pixel;
// a monochrome bitmap's transparent colour is white.
void StretchBitmapRectTransparent(ui::TCanvas& dest, int x, int y, int w, int h, const RECT& srcRect,
                                  ui::TBitmap& bitmap, ui::TColor transparentColor);
void DrawBitmapRectTransparent(ui::TCanvas& dest, int x, int y, const RECT& srcRect, ui::TBitmap& bitmap,
                               ui::TColor transparentColor);
// New bitmaps: the caller frees them.
ui::TBitmap* CreateDisabledBitmapEx(ui::TBitmap& bitmap, ui::TColor outlineColor, ui::TColor backColor,
                                    ui::TColor highlightColor, ui::TColor shadowColor, bool drawHighlight);
ui::TBitmap* CreateDisabledBitmap(ui::TBitmap& bitmap, ui::TColor outlineColor);
void ImageListDrawDisabled(ui::TImageList& images, ui::TCanvas& canvas, int x, int y, int index,
                           ui::TColor highlightColor, ui::TColor shadowColor, bool drawHighlight);
// An icon resource of the program (or module), or nullptr when missing; the caller frees it.
ui::TIcon* MakeIcon(const char* resourceName);
ui::TIcon* MakeModuleIcon(HMODULE module, const char* resourceName);
ui::TBitmap* CreateBitmapFromIcon(ui::TIcon& icon, ui::TColor backColor);
// clDefault takes the bitmap's own transparent colour.
ui::TIcon* CreateIconFromBitmap(ui::TBitmap& bitmap, ui::TColor transparentColor);
// Unloading a library someone else holds breaks them later; kept as a harmless no-op.
void FreeUnusedOle();
// Shows "not implemented" and aborts the current operation silently (ui::EAbort).
[[noreturn]] void NotImplemented();
extern const char* const SNotImplemented;
inline int RectWidth(const RECT& r) { return r.right - r.left; }
inline int RectHeight(const RECT& r) { return r.bottom - r.top; }
ui::TColor PaletteColor(ui::TColor color);
// Removes one queued message of that id for the window; a WM_QUIT taken on the way is posted again.
void KillMessage(HWND window, UINT msg);
std::string MinimizeText(const std::string& text, ui::TCanvas& canvas, int maxWidth);
void* AllocMemo(int32_t size);
void FreeMemo(void*& block);
bool CompareMem(const void* a, const void* b, int32_t n);
void* HugeOffset(void* pointer, intptr_t offset);
void HMemCpy(void* dest, const void* source, int32_t n);
// Nothing for 0; otherwise raises ui::EWin32Error with the code and the system's text.
void RaiseWin32Error(DWORD code);
inline std::string ResStr(const std::string& text) { return text; }
bool IsForegroundTask();
