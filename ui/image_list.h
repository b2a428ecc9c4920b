#pragma once
// TImageList: a comctl32 image list of one image size, colour with a mask.
#include <windows.h>

#include <commctrl.h>

#include "bitmap.h"
#include "component.h"
#include "icon.h"

namespace ui {

class TImageList : public TComponent {
  UI_CLASS(TImageList, TComponent)
 public:
  explicit TImageList(TComponent* owner);
  ~TImageList() override;

  HIMAGELIST Handle();
  // Takes a list made elsewhere (the system's icon list): shown and drawn, never freed here.
  void SetSharedHandle(HIMAGELIST handle);
  bool Shared() const { return FShared; }
  // The colour behind the images: CLR_NONE draws them transparently.
  void SetBkColor(COLORREF color);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  // Changing the size empties the list.
  void SetWidth(int w);
  void SetHeight(int h);
  int Count();
  // Grows with every change of the images, so that copies made of them can tell when they are out of date.
  unsigned Changes() const { return FChanges; }

  // Each returns the new image's index, or -1 when the list refused it.
  int AddIcon(TIcon& icon);
  int AddMasked(TBitmap& bitmap, TColor maskColor);
  // Puts the bitmap in place of the image at index (the others keep theirs); at index Count it is added.
  // Returns the index, or -1 when the list refused it.
  int ReplaceMasked(int index, TBitmap& bitmap, TColor maskColor);
  void Delete(int index);
  void Clear();
  void Draw(TCanvas& canvas, int x, int y, int index);
  // The image as an icon; false for an index out of range.
  bool GetIcon(int index, TIcon& icon);

 private:
  void FreeHandle();
  HIMAGELIST FHandle = nullptr;
  bool FShared = false;
  unsigned FChanges = 0;
  int FWidth = 16, FHeight = 16;
};

}  // namespace ui
