#include "KitAniFile.h"

#include <algorithm>

#include "KitGraph.h"
#include "KitIconList.h"
#include "KitWinUtils.h"
#include "ui_exceptions.h"

using namespace ui;

UI_CLASSINFO(TIconFrame)
UI_CLASSINFO(TAnimatedCursorImage)

namespace {
const char* const SStreamRead = "Stream read error";
}

void TIconFrame::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TIconFrame*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  if (!Icon) Icon = std::make_unique<TIcon>();
  if (src->Icon) Icon->Assign(src->Icon.get());
  IsIcon = src->IsIcon;
  Tag = src->Tag;
  Size = src->Size;
  HotSpot = src->HotSpot;
  JiffRate = src->JiffRate;
  Seq = src->Seq;
}

void TAnimatedCursorImage::Clear() {
  FFrames.clear();
  Header = kitani::AniHeader();
  Title.clear();
  Creator.clear();
  ColorCount = 0;
}

void TAnimatedCursorImage::LoadFromStream(TMemoryStream& stream) {
  const int64_t start = stream.Position();
  const uint8_t* data = stream.Memory() + start;
  const size_t size = size_t(stream.Size() - start);
  if (size < 12 || std::string(reinterpret_cast<const char*>(data), 4) != "RIFF" ||
      std::string(reinterpret_cast<const char*>(data) + 8, 4) != "ACON")
    throw EReadError(SStreamRead);
  Clear();
  kitani::AniFile ani;
  const bool ok = kitani::ReadAniFile(data, size, ani);
  stream.SetPosition(stream.Size());
  Header = ani.Header;
  Title = ani.Title;
  Creator = ani.Creator;
  ColorCount = ani.ColorCount;
  for (const kitani::AniFrame& a : ani.Frames) {
    auto f = std::make_unique<TIconFrame>();
    f->Icon = std::make_unique<TIcon>();
    TMemoryStream s;
    s.Write(a.Icon.data(), int64_t(a.Icon.size()));
    s.SetPosition(0);
    try {
      f->Icon->LoadFromStream(s);
    } catch (const EInvalidGraphic&) {
      throw EReadError(SStreamRead);
    }
    f->IsIcon = a.IsIcon;
    f->Tag = a.Tag;
    f->Size = a.Size;
    if (a.IsIcon)
      f->HotSpot = POINT{GetSystemMetrics(SM_CXICON) / 2, GetSystemMetrics(SM_CYICON) / 2};
    else
      f->HotSpot = POINT{a.HotX, a.HotY};
    f->JiffRate = a.Rate;
    f->Seq = a.Seq;
    FFrames.push_back(std::move(f));
  }
  if (!ok) throw EReadError(SStreamRead);
}

void TAnimatedCursorImage::LoadFromFile(const std::string& fileName) {
  TMemoryStream s;
  s.LoadFromFile(fileName);
  LoadFromStream(s);
}

void TAnimatedCursorImage::SaveToStream(TMemoryStream&) { NotImplemented(); }

void TAnimatedCursorImage::FrameBitmap(int index, TBitmap& bitmap) const {
  const TIconFrame& f = GetFrame(index);
  const int w = f.Icon ? f.Icon->Width() : 0, h = f.Icon ? f.Icon->Height() : 0;
  bitmap.SetSize(w, h);
  bitmap.Canvas().Brush.Color = clWindow;
  bitmap.Canvas().FillRect(RECT{0, 0, w, h});
  if (f.Icon) f.Icon->Draw(bitmap.Canvas(), RECT{0, 0, w, h});
}

void TAnimatedCursorImage::Assign(const TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  auto* src = dynamic_cast<const TAnimatedCursorImage*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  Clear();
  Header = src->Header;
  Title = src->Title;
  Creator = src->Creator;
  ColorCount = src->ColorCount;
  try {
    for (const auto& f : src->FFrames) {
      FFrames.push_back(std::make_unique<TIconFrame>());
      FFrames.back()->Assign(f.get());
    }
  } catch (...) {
    Clear();
    throw;
  }
}

void TAnimatedCursorImage::AssignTo(TPersistent* dest) const {
  if (auto* icon = dynamic_cast<TIcon*>(dest)) {
    if (FFrames.empty() || !FFrames[0]->Icon)
      icon->SetHandle(nullptr);
    else
      icon->Assign(FFrames[0]->Icon.get());
    return;
  }
  if (auto* list = dynamic_cast<TIconList*>(dest)) {
    list->BeginUpdate();
    list->Clear();
    for (const auto& f : FFrames) list->Add(f->Icon.get());
    list->EndUpdate();
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(dest)) {
    if (FFrames.empty()) return;
    const int w = FFrames[0]->Icon ? FFrames[0]->Icon->Width() : 0;
    const int h = FFrames[0]->Icon ? FFrames[0]->Icon->Height() : 0;
    const TColor back = bmp->Canvas().Brush.Color;
    TBitmap strip;
    strip.SetSize(w * FrameCount(), h);
    strip.Canvas().Brush.Color = back;
    strip.Canvas().FillRect(RECT{0, 0, w * FrameCount(), h});
    for (int i = 0; i < FrameCount(); ++i)
      if (FFrames[size_t(i)]->Icon) FFrames[size_t(i)]->Icon->Draw(strip.Canvas(), RECT{i * w, 0, (i + 1) * w, h});
    std::unique_ptr<TMemoryStream> s = StreamForColorCount(strip, std::max<int>(ColorCount, 16));
    bmp->LoadFromStream(*s);
    return;
  }
  TPersistent::AssignTo(dest);
}
