#pragma once
// Colours, drawing tools and the canvas over a device context.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "gdi.h"
#include "object.h"

namespace ui {

// RGB in the low three bytes (red lowest); 0x80000000 | index names a system colour.
using TColor = int32_t;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBlack = 0x000000, clWhite = 0xFFFFFF, clRed = 0x0000FF, clLime = 0x00FF00, clBlue = 0xFF0000;
constexpr TColor clSilver = 0xC0C0C0, clGray = 0x808080;
constexpr TColor SysColor(int index) { return TColor(0x80000000u | unsigned(index)); }
constexpr TColor clBtnFace = SysColor(COLOR_BTNFACE), clBtnHighlight = SysColor(COLOR_BTNHIGHLIGHT),
                 clBtnShadow = SysColor(COLOR_BTNSHADOW), clWindow = SysColor(COLOR_WINDOW),
                 clWindowText = SysColor(COLOR_WINDOWTEXT), clInfoBk = SysColor(COLOR_INFOBK),
                 clBtnText = SysColor(COLOR_BTNTEXT);
// System colours become the current RGB value; the flag bytes of anything else are dropped.
COLORREF ColorToRGB(TColor color);

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TFont : public TPersistent {
  UI_CLASS(TFont, TPersistent)
 public:
  TFont();
  const std::string& Name() const { return FName; }
  void SetName(const std::string& name);
  int Size() const { return FSize; }
  void SetSize(int size);
  TColor Color() const { return FColor; }
  void SetColor(TColor color);
  TSet32 Style() const { return FStyle; }
  void SetStyle(TSet32 style);
  HFONT Handle();
  void Assign(const TPersistent* source) override;
  std::function<void()> OnChange;

 private:
  void Changed();
  std::string FName;
  int FSize = 8;
  TColor FColor = clWindowText;
  TSet32 FStyle = 0;
  TFontHandle FHandle;
};

enum TBrushStyle { bsSolid, bsClear };

struct TBrush {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;
};

struct TPen {
  TColor Color = clBlack;
  int Width = 1;
};

class TGraphic;
class TMemoryStream;

class TCanvas : public TPersistent {
  UI_CLASS(TCanvas, TPersistent)
 public:
  TCanvas() = default;
  explicit TCanvas(HDC dc) : FHandle(dc) {}
  ~TCanvas() override;

  // The device context; a canvas that makes its own context makes it here.
  HDC Handle();
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return FHandle != nullptr; }

  TFont& Font() { return FFont; }
  TBrush Brush;
  TPen Pen;
  DWORD CopyMode = SRCCOPY;

  void FillRect(const RECT& r);
  void FrameRect(const RECT& r);
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void TextOut(int x, int y, const std::string& text);
  int TextWidth(const std::string& text);
  int TextHeight(const std::string& text);
  void Draw(int x, int y, TGraphic& graphic);
  void StretchDraw(const RECT& r, TGraphic& graphic);
  void CopyRect(const RECT& dest, TCanvas& source, const RECT& src);
  TColor Pixels(int x, int y);
  void SetPixel(int x, int y, TColor color);

 protected:
  virtual void CreateHandle() {}
  // Puts the original tools back before the context goes.
  void ReleaseTools();

 private:
  void SelectTools(bool forText);
  HDC FHandle = nullptr;
  TFont FFont;
  HGDIOBJ FOldFont = nullptr, FOldBrush = nullptr, FOldPen = nullptr;
  TBrushHandle FBrushHandle;
  TPenHandle FPenHandle;
};

// A picture that can draw itself.
class TGraphic : public TPersistent {
  UI_CLASS(TGraphic, TPersistent)
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const = 0;
  virtual void Draw(TCanvas& canvas, const RECT& rect) = 0;
  // A file of the graphic's own kind; the base raises EInvalidGraphic.
  virtual void LoadFromFile(const std::string& fileName);
  // Clipboard data of a format the graphic is registered for; the base raises EInvalidGraphic.
  virtual void LoadFromClipboardFormat(UINT format, HANDLE data);
  // Fresh global memory the clipboard takes over; the base raises EInvalidGraphic.
  virtual HANDLE SaveToClipboardFormat(UINT format);
  // The graphic's own file image, from the stream's position; the base raises EInvalidGraphic.
  virtual void LoadFromStream(TMemoryStream& stream);
  virtual void SaveToStream(TMemoryStream& stream);
  // The same picture; the base: the same object.
  virtual bool Equals(const TGraphic& other) const { return this == &other; }
  // Kinds that know a transparent colour leave its pixels out when this is on.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool transparent) { FTransparent = transparent; }
  // Long reads and writes: 0 at the start, rising, 100 at the end; 0 with the message when an error stops them.
  std::function<void(TGraphic* sender, int percent, const std::string& message)> OnProgress;

 protected:
  void Progress(int percent, const std::string& message) {
    if (OnProgress) OnProgress(this, percent, message);
  }

 private:
  bool FTransparent = true;
};

}  // namespace ui
