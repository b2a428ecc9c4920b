#include "icon.h"

#include <cstdint>
#include <vector>

#include "clipboard.h"
#include "gdi.h"
#include "icon_file.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TIcon)

namespace {
const char* const kInvalidIcon = "Icon image is not valid";

// A handle's colours (alpha kept) and mask, rows from the top.
bool HandleImage(HICON icon, iconfile::IconImage& image) {
  TIconInfo icons(icon);
  if (!icons.Valid || !icons.Info.hbmMask) return false;
  BITMAP bm{};
  if (!GetObjectA(icons.Info.hbmMask, sizeof bm, &bm)) return false;
  const int w = bm.bmWidth, h = icons.Info.hbmColor ? bm.bmHeight : bm.bmHeight / 2;
  if (w <= 0 || h <= 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> colors(size_t(w) * size_t(h)), mask(colors.size());
  TWindowDC dc;
  if (icons.Info.hbmColor && !GetDIBits(dc, icons.Info.hbmColor, 0, UINT(h), colors.data(), &info, DIB_RGB_COLORS))
    return false;
  if (!GetDIBits(dc, icons.Info.hbmMask, 0, UINT(h), mask.data(), &info, DIB_RGB_COLORS)) return false;
  image.Width = w;
  image.Height = h;
  image.Bits = 32;
  image.Pixels.resize(colors.size());
  image.Mask.resize(colors.size());
  for (size_t i = 0; i < colors.size(); ++i) {
    image.Mask[i] = (mask[i] & 0xFFFFFF) != 0;
    image.Pixels[i] = colors[i];
  }
  image.Raw = iconfile::MakeDib32(w, h, image.Pixels, image.Mask);
  return true;
}
}  // namespace

TIcon::~TIcon() {
  if (FHandle) DestroyIcon(FHandle);
}

void TIcon::SetHandle(HICON icon) {
  if (icon == FHandle) return;
  Replace(icon, std::string());
}

void TIcon::Replace(HICON icon, std::string image) {
  if (FHandle && FHandle != icon) DestroyIcon(FHandle);
  FHandle = icon;
  FImage = std::move(image);
  if (OnChange) OnChange();
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
  const int64_t start = stream.Position();
  const size_t size = size_t(stream.Size() - start);
  std::string image(reinterpret_cast<const char*>(stream.Memory()) + start, size);
  stream.SetPosition(stream.Size());
  iconfile::IconFile file;
  if (!iconfile::ReadIconFile(reinterpret_cast<const uint8_t*>(image.data()), image.size(), file))
    throw EInvalidGraphic(kInvalidIcon);
  const iconfile::IconImage& first = file.Images.front();
  HICON icon = CreateIconFromResourceEx(reinterpret_cast<BYTE*>(const_cast<char*>(first.Raw.data())),
                                        DWORD(first.Raw.size()), TRUE, 0x00030000, first.Width, first.Height, 0);
  if (!icon) throw EInvalidGraphic(kInvalidIcon);
  if (file.Type == 2) image[2] = 1;
  Replace(icon, std::move(image));
}

void TIcon::SaveToStream(TMemoryStream& stream) {
  if (!FImage.empty()) {
    stream.Write(FImage.data(), int64_t(FImage.size()));
    return;
  }
  iconfile::IconFile file;
  iconfile::IconImage image;
  if (!FHandle || !HandleImage(FHandle, image)) return;
  file.Images.push_back(std::move(image));
  const std::string bytes = iconfile::WriteIconFile(file);
  stream.Write(bytes.data(), int64_t(bytes.size()));
}

void TIcon::SaveToFile(const std::string& fileName) {
  TMemoryStream s;
  SaveToStream(s);
  s.SaveToFile(fileName);
}

void TIcon::LoadFromClipboardFormat(UINT, HANDLE data) {
  TMemoryStream s;
  ReadGlobalMemory(data, s);
  LoadFromStream(s);
}

HANDLE TIcon::SaveToClipboardFormat(UINT) {
  TMemoryStream s;
  SaveToStream(s);
  if (s.Size() == 0) return nullptr;
  return GlobalMemoryOf(s);
}

int TIcon::ImageCount() const {
  if (FImage.size() >= 6) return uint8_t(FImage[4]) | uint8_t(FImage[5]) << 8;
  return FHandle ? 1 : 0;
}

void TIcon::Assign(const TPersistent* source) {
  if (auto* src = dynamic_cast<const TIcon*>(source)) {
    if (src != this) {
      Replace(src->FHandle ? CopyIcon(src->FHandle) : nullptr, src->FImage);
    }
    return;
  }
  TGraphic::Assign(source);
}

}  // namespace ui
