#include "icon.h"

#include <cstdint>
#include <vector>

#include "gdi.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TIcon)

namespace {
const char* const kInvalidIcon = "Icon image is not valid";

#pragma pack(push, 1)
struct IconDirEntry {
  uint8_t Width, Height, ColorCount, Reserved;
  uint16_t Planes, BitCount;
  uint32_t BytesInRes, ImageOffset;
};
#pragma pack(pop)
static_assert(sizeof(IconDirEntry) == 16, "ico directory entry");
}  // namespace

TIcon::~TIcon() {
  if (FHandle) DestroyIcon(FHandle);
}

void TIcon::SetHandle(HICON icon) {
  if (icon == FHandle) return;
  if (FHandle) DestroyIcon(FHandle);
  FHandle = icon;
}

HICON TIcon::ReleaseHandle() {
  HICON h = FHandle;
  FHandle = nullptr;
  return h;
}

static SIZE IconSize(HICON icon) {
  SIZE s{0, 0};
  TIconInfo icons(icon);
  if (!icons.Valid) return s;
  const ICONINFO& info = icons.Info;
  BITMAP bm{};
  if (info.hbmColor && GetObjectA(info.hbmColor, sizeof bm, &bm)) {
    s = SIZE{bm.bmWidth, bm.bmHeight};
  } else if (info.hbmMask && GetObjectA(info.hbmMask, sizeof bm, &bm)) {
    s = SIZE{bm.bmWidth, bm.bmHeight / 2};  // monochrome: mask and image stacked
  }
  return s;
}

int TIcon::Width() const { return IconSize(FHandle).cx; }
int TIcon::Height() const { return IconSize(FHandle).cy; }

void TIcon::Draw(TCanvas& canvas, const RECT& r) {
  if (FHandle) DrawIconEx(canvas.Handle(), r.left, r.top, FHandle, r.right - r.left, r.bottom - r.top, 0, nullptr,
                          DI_NORMAL);
}

void TIcon::LoadFromFile(const std::string& fileName) {
  TMemoryStream s;
  try {
    s.LoadFromFile(fileName);
  } catch (const EReadError&) {
    throw EInvalidGraphic(kInvalidIcon);
  }
  LoadFromStream(s);
}

void TIcon::LoadFromStream(TMemoryStream& stream) {
  uint16_t dir[3] = {0, 0, 0};
  int64_t start = stream.Position();
  if (stream.Read(dir, sizeof dir) != sizeof dir || dir[0] != 0 || dir[1] != 1 || dir[2] == 0)
    throw EInvalidGraphic(kInvalidIcon);
  IconDirEntry e{};
  if (stream.Read(&e, sizeof e) != sizeof e) throw EInvalidGraphic(kInvalidIcon);
  if (e.BytesInRes < sizeof(BITMAPINFOHEADER) || int64_t(e.ImageOffset) + e.BytesInRes > stream.Size() - start)
    throw EInvalidGraphic(kInvalidIcon);
  std::vector<uint8_t> image(e.BytesInRes);
  stream.SetPosition(start + e.ImageOffset);
  stream.ReadBuffer(image.data(), int64_t(image.size()));
  int w = e.Width ? e.Width : 256, h = e.Height ? e.Height : 256;
  HICON icon = CreateIconFromResourceEx(image.data(), DWORD(image.size()), TRUE, 0x00030000, w, h, 0);
  if (!icon) throw EInvalidGraphic(kInvalidIcon);
  SetHandle(icon);
}

void TIcon::Assign(const TPersistent* source) {
  if (auto* src = dynamic_cast<const TIcon*>(source)) {
    if (src != this) SetHandle(src->FHandle ? CopyIcon(src->FHandle) : nullptr);
    return;
  }
  TGraphic::Assign(source);
}

}  // namespace ui
