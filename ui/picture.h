#pragma once
// TPicture: holds one graphic of any registered kind, read from files by extension and from the clipboard by
// format.
#include <functional>
#include <memory>
#include <string>

#include "graphics.h"

namespace ui {

class TBitmap;
class TIcon;

class TPicture : public TPersistent {
  UI_CLASS(TPicture, TPersistent)
 public:
  using TGraphicFactory = std::function<TGraphic*()>;

  TPicture();
  ~TPicture() override;

  // The graphic, or nullptr when the picture is empty.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Keeps a copy of the graphic (of its own class); nullptr empties the picture.
  void SetGraphic(TGraphic* graphic);
  // The graphic as a bitmap or icon; another kind is replaced by an empty one.
  TBitmap* Bitmap();
  TIcon* Icon();
  int Width() const;
  int Height() const;

  // The kind registered for the file's extension reads it; an unknown extension raises EInvalidGraphic.
  void LoadFromFile(const std::string& fileName);
  void LoadFromClipboardFormat(UINT format, HANDLE data);
  void Assign(const TPersistent* source) override;

  // The kinds of graphic the program knows: by file extension (without the dot) and by clipboard format.
  static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                 const TClassInfo& graphicClass, TGraphicFactory factory);
  static void RegisterClipboardFormat(UINT format, const TClassInfo& graphicClass, TGraphicFactory factory);
  static bool SupportsClipboardFormat(UINT format);
  // "Bitmaps (*.bmp)|*.bmp|..." for the open dialogs.
  static std::string GraphicFilter();

  std::function<void()> OnChange;

 private:
  void Changed();
  std::unique_ptr<TGraphic> FGraphic;
};

}  // namespace ui
