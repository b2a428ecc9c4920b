#pragma once
// TIcon: an icon handle, owned, read from .ico files or streams.
#include "graphics.h"
#include "streams.h"

namespace ui {

class TIcon : public TGraphic {
  UI_CLASS(TIcon, TGraphic)
 public:
  TIcon() = default;
  ~TIcon() override;

  HICON Handle() const { return FHandle; }
  // Takes ownership.
  void SetHandle(HICON icon);
  HICON ReleaseHandle();

  int Width() const override;
  int Height() const override;
  bool Empty() const override { return !FHandle; }
  void Draw(TCanvas& canvas, const RECT& rect) override;

  // The first image of an .ico file, at its own size. A bad file raises EInvalidGraphic.
  void LoadFromFile(const std::string& fileName) override;
  void LoadFromStream(TMemoryStream& stream);
  void Assign(const TPersistent* source) override;

 private:
  HICON FHandle = nullptr;
};

}  // namespace ui
