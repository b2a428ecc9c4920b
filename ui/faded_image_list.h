#pragma once
// Disabled-looking copies of an image list's images: each pixel's grey level, faded halfway to the button
// face, under the image's own mask. The platform's own disabled look paints every pixel that is not white in
// one shadow colour, which turns an image without white parts into a blank block.
#include <windows.h>

#include <commctrl.h>

namespace ui {

class TImageList;

class TFadedImageList {
 public:
  TFadedImageList() = default;
  ~TFadedImageList();
  TFadedImageList(const TFadedImageList&) = delete;
  TFadedImageList& operator=(const TFadedImageList&) = delete;

  // The copies of the list's images, made again when the list has changed since; one handle for its life.
  HIMAGELIST Of(TImageList& images);

 private:
  void Refill(TImageList& images);
  HIMAGELIST FHandle = nullptr;
  HIMAGELIST FFrom = nullptr;
  unsigned FChanges = 0;
};

}  // namespace ui
