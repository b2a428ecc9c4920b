#pragma once
// Owners of GDI objects and device contexts: each frees what it holds when it goes, so no code frees one by hand.
#include <windows.h>

#include <utility>

namespace ui {

// A GDI object (brush, pen, font, bitmap, palette, region) deleted with the owner.
template <class H>
class TGdiHandle {
 public:
  TGdiHandle() = default;
  explicit TGdiHandle(H handle) : FHandle(handle) {}
  ~TGdiHandle() { Reset(); }
  TGdiHandle(const TGdiHandle&) = delete;
  TGdiHandle& operator=(const TGdiHandle&) = delete;
  TGdiHandle(TGdiHandle&& other) noexcept : FHandle(other.Release()) {}
  TGdiHandle& operator=(TGdiHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  H Get() const { return FHandle; }
  explicit operator bool() const { return FHandle != nullptr; }
  // Takes the new handle; the old one is deleted.
  void Reset(H handle = nullptr) {
    if (FHandle && FHandle != handle) DeleteObject(FHandle);
    FHandle = handle;
  }
  // Gives the handle up without deleting it.
  H Release() { return std::exchange(FHandle, nullptr); }

 private:
  H FHandle = nullptr;
};

using TBrushHandle = TGdiHandle<HBRUSH>;
using TPenHandle = TGdiHandle<HPEN>;
using TFontHandle = TGdiHandle<HFONT>;
using TBitmapHandle = TGdiHandle<HBITMAP>;
using TPaletteHandle = TGdiHandle<HPALETTE>;
using TRegionHandle = TGdiHandle<HRGN>;

// A memory context, compatible with another (or the screen).
class TMemoryDC {
 public:
  explicit TMemoryDC(HDC like = nullptr) : FDC(CreateCompatibleDC(like)) {}
  ~TMemoryDC() {
    if (FDC) DeleteDC(FDC);
  }
  TMemoryDC(const TMemoryDC&) = delete;
  TMemoryDC& operator=(const TMemoryDC&) = delete;
  HDC Get() const { return FDC; }
  operator HDC() const { return FDC; }

 private:
  HDC FDC;
};

// A window's (or the screen's) context from GetDC, released with the owner.
class TWindowDC {
 public:
  explicit TWindowDC(HWND window = nullptr) : FWindow(window), FDC(GetDC(window)) {}
  ~TWindowDC() {
    if (FDC) ReleaseDC(FWindow, FDC);
  }
  TWindowDC(const TWindowDC&) = delete;
  TWindowDC& operator=(const TWindowDC&) = delete;
  HDC Get() const { return FDC; }
  operator HDC() const { return FDC; }

 private:
  HWND FWindow;
  HDC FDC;
};

// Selects an object into a context and puts the previous one back when it goes.
class TSelectObject {
 public:
  TSelectObject(HDC dc, HGDIOBJ object) : FDC(dc), FOld(object ? SelectObject(dc, object) : nullptr) {}
  ~TSelectObject() {
    if (FOld) SelectObject(FDC, FOld);
  }
  TSelectObject(const TSelectObject&) = delete;
  TSelectObject& operator=(const TSelectObject&) = delete;

 private:
  HDC FDC;
  HGDIOBJ FOld;
};

// The same for a palette, which has its own select call.
class TSelectPalette {
 public:
  TSelectPalette(HDC dc, HPALETTE palette, bool background = false)
      : FDC(dc), FOld(palette ? SelectPalette(dc, palette, background) : nullptr) {
    if (palette) RealizePalette(dc);
  }
  ~TSelectPalette() {
    if (FOld) SelectPalette(FDC, FOld, TRUE);
  }
  TSelectPalette(const TSelectPalette&) = delete;
  TSelectPalette& operator=(const TSelectPalette&) = delete;

 private:
  HDC FDC;
  HPALETTE FOld;
};

// SaveDC on creation, RestoreDC when it goes.
class TSaveDC {
 public:
  explicit TSaveDC(HDC dc) : FDC(dc), FSaved(SaveDC(dc)) {}
  ~TSaveDC() {
    if (FSaved) RestoreDC(FDC, FSaved);
  }
  TSaveDC(const TSaveDC&) = delete;
  TSaveDC& operator=(const TSaveDC&) = delete;

 private:
  HDC FDC;
  int FSaved;
};

// The bitmaps GetIconInfo hands out, freed together.
struct TIconInfo {
  ICONINFO Info{};
  bool Valid = false;
  explicit TIconInfo(HICON icon) : Valid(icon && GetIconInfo(icon, &Info)) {}
  ~TIconInfo() {
    if (Info.hbmColor) DeleteObject(Info.hbmColor);
    if (Info.hbmMask) DeleteObject(Info.hbmMask);
  }
  TIconInfo(const TIconInfo&) = delete;
  TIconInfo& operator=(const TIconInfo&) = delete;
};

}  // namespace ui
