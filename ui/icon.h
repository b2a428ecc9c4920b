#pragma once
// TIcon: an icon handle, owned, read from .ico files or streams with every image of the directory
// kept, and saved as an .ico file image.
#include <functional>
#include <string>

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

  // Every image of an .ico file (or cursor file, taken as an icon) is kept; the handle shows the first
  // at its own size. A bad file raises EInvalidGraphic and leaves the icon as it was.
  void LoadFromFile(const std::string& fileName) override;
  // From the stream's position to its end.
  void LoadFromStream(TMemoryStream& stream) override;
  // The images read, or the handle's image as a 32-bit icon with its mask; nothing for an empty icon.
  void SaveToStream(TMemoryStream& stream) override;
  void SaveToFile(const std::string& fileName);
  int ImageCount() const;
  // The saved .ico file image in global memory, for the icon clipboard format.
  void LoadFromClipboardFormat(UINT format, HANDLE data) override;
  HANDLE SaveToClipboardFormat(UINT format) override;
  void Assign(const TPersistent* source) override;
  // After every change of the picture.
  std::function<void()> OnChange;

 private:
  void Replace(HICON icon, std::string image);
  HICON FHandle = nullptr;
  std::string FImage;  // the file image read, empty once the handle comes from elsewhere
};

}  // namespace ui
