#include "image_list.h"

#include "gdi.h"

namespace ui {

UI_CLASSINFO(TImageList, UI_PROP(Integer, "Width", Width, SetWidth), UI_PROP(Integer, "Height", Height, SetHeight))

TImageList::TImageList(TComponent* owner) : TComponent(owner) {}

TImageList::~TImageList() { FreeHandle(); }

void TImageList::FreeHandle() {
  ++FChanges;
  if (FHandle && !FShared) ImageList_Destroy(FHandle);
  FHandle = nullptr;
  FShared = false;
}

void TImageList::SetSharedHandle(HIMAGELIST handle) {
  if (handle == FHandle) return;
  FreeHandle();
  if (!handle) return;
  FHandle = handle;
  FShared = true;
  int w = 0, h = 0;
  if (ImageList_GetIconSize(handle, &w, &h)) FWidth = w, FHeight = h;
}

void TImageList::SetBkColor(COLORREF color) { ImageList_SetBkColor(Handle(), color); }

HIMAGELIST TImageList::Handle() {
  if (!FHandle) FHandle = ImageList_Create(FWidth, FHeight, ILC_COLOR24 | ILC_MASK, 4, 4);
  return FHandle;
}

void TImageList::SetWidth(int w) {
  if (w != FWidth && w > 0) FWidth = w, FreeHandle();
}

void TImageList::SetHeight(int h) {
  if (h != FHeight && h > 0) FHeight = h, FreeHandle();
}

int TImageList::Count() { return FHandle ? ImageList_GetImageCount(FHandle) : 0; }

int TImageList::AddIcon(TIcon& icon) {
  if (icon.Empty()) return -1;
  ++FChanges;
  return ImageList_ReplaceIcon(Handle(), -1, icon.Handle());
}

int TImageList::AddMasked(TBitmap& bitmap, TColor maskColor) {
  if (bitmap.Empty()) return -1;
  ++FChanges;
  return ImageList_AddMasked(Handle(), bitmap.Handle(), ColorToRGB(maskColor));
}

int TImageList::ReplaceMasked(int index, TBitmap& bitmap, TColor maskColor) {
  if (bitmap.Empty() || index < 0 || index > Count()) return -1;
  if (index == Count()) return AddMasked(bitmap, maskColor);
  // The mask has 1 where the bitmap shows the mask colour; the image is black there, as a masked add leaves it.
  int w = FWidth, h = FHeight;
  TMemoryDC source(nullptr), maskDC(nullptr), imageDC(nullptr);
  TBitmapHandle mask(CreateBitmap(w, h, 1, 1, nullptr));
  TWindowDC screen(nullptr);
  TBitmapHandle image(CreateCompatibleBitmap(screen.Get(), w, h));
  {
    TSelectObject src(source.Get(), bitmap.Handle());
    TSelectObject m(maskDC.Get(), mask.Get());
    TSelectObject i(imageDC.Get(), image.Get());
    ::SetBkColor(source.Get(), ColorToRGB(maskColor));
    BitBlt(maskDC.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
    BitBlt(imageDC.Get(), 0, 0, w, h, source.Get(), 0, 0, SRCCOPY);
    ::SetBkColor(imageDC.Get(), RGB(255, 255, 255));
    SetTextColor(imageDC.Get(), RGB(0, 0, 0));
    BitBlt(imageDC.Get(), 0, 0, w, h, maskDC.Get(), 0, 0, 0x00220326);  // DSna: clear where the mask is 1
  }
  ++FChanges;
  return ImageList_Replace(FHandle, index, image.Get(), mask.Get()) ? index : -1;
}

void TImageList::Delete(int index) {
  ++FChanges;
  if (FHandle) ImageList_Remove(FHandle, index);
}

void TImageList::Clear() {
  ++FChanges;
  if (FHandle) ImageList_RemoveAll(FHandle);
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) {
  if (index >= 0 && index < Count()) ImageList_Draw(FHandle, index, canvas.Handle(), x, y, ILD_NORMAL);
}

bool TImageList::GetIcon(int index, TIcon& icon) {
  if (index < 0 || index >= Count()) return false;
  HICON h = ImageList_GetIcon(FHandle, index, ILD_NORMAL);
  icon.SetHandle(h);
  return h != nullptr;
}

}  // namespace ui
