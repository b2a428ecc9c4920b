#include "picture.h"

#include <vector>

#include "bitmap.h"
#include "icon.h"
#include "sys_utils.h"
#include "text_compare.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TPicture)

namespace {

struct TFileFormat {
  std::string Extension, Description;
  const TClassInfo* GraphicClass;
  TPicture::TGraphicFactory Factory;
};

struct TClipboardFormat {
  UINT Format;
  const TClassInfo* GraphicClass;
  TPicture::TGraphicFactory Factory;
};

std::vector<TFileFormat>& FileFormats() {
  static std::vector<TFileFormat> formats{
      {"bmp", "Bitmaps", &TBitmap::StaticClassInfo(), [] { return new TBitmap; }},
      {"ico", "Icons", &TIcon::StaticClassInfo(), [] { return new TIcon; }},
  };
  return formats;
}

std::vector<TClipboardFormat>& ClipboardFormats() {
  static std::vector<TClipboardFormat> formats{
      {CF_BITMAP, &TBitmap::StaticClassInfo(), [] { return new TBitmap; }},
  };
  return formats;
}

// A new empty graphic of the same class, from whichever registration knows the class.
TGraphic* NewGraphicLike(const TGraphic& graphic) {
  for (auto& f : FileFormats())
    if (f.GraphicClass == &graphic.ClassType()) return f.Factory();
  for (auto& f : ClipboardFormats())
    if (f.GraphicClass == &graphic.ClassType()) return f.Factory();
  throw EInvalidGraphic(Format("Unknown picture kind %s", graphic.ClassName()));
}

}  // namespace

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
  if (OnChange) OnChange();
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (!graphic) {
    FGraphic.reset();
  } else if (graphic != FGraphic.get()) {
    std::unique_ptr<TGraphic> copy(NewGraphicLike(*graphic));
    copy->Assign(graphic);
    FGraphic = std::move(copy);
  }
  Changed();
}

TBitmap* TPicture::Bitmap() {
  if (!dynamic_cast<TBitmap*>(FGraphic.get())) {
    FGraphic.reset(new TBitmap);
    Changed();
  }
  return static_cast<TBitmap*>(FGraphic.get());
}

TIcon* TPicture::Icon() {
  if (!dynamic_cast<TIcon*>(FGraphic.get())) {
    FGraphic.reset(new TIcon);
    Changed();
  }
  return static_cast<TIcon*>(FGraphic.get());
}

int TPicture::Width() const { return FGraphic ? FGraphic->Width() : 0; }
int TPicture::Height() const { return FGraphic ? FGraphic->Height() : 0; }

void TPicture::LoadFromFile(const std::string& fileName) {
  size_t dot = fileName.find_last_of('.');
  size_t slash = fileName.find_last_of("\\/");
  std::string ext = dot == std::string::npos || (slash != std::string::npos && dot < slash) ? "" : fileName.substr(dot + 1);
  for (auto& f : FileFormats()) {
    if (!AnsiSameText(f.Extension, ext)) continue;
    std::unique_ptr<TGraphic> graphic(f.Factory());
    graphic->LoadFromFile(fileName);
    FGraphic = std::move(graphic);
    Changed();
    return;
  }
  throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", ext.c_str()));
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data) {
  for (auto& f : ClipboardFormats()) {
    if (f.Format != format) continue;
    std::unique_ptr<TGraphic> graphic(f.Factory());
    graphic->LoadFromClipboardFormat(format, data);
    FGraphic = std::move(graphic);
    Changed();
    return;
  }
  throw EInvalidGraphic("Unsupported clipboard format");
}

void TPicture::Assign(const TPersistent* source) {
  if (!source) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<const TPicture*>(source)) {
    SetGraphic(p->FGraphic.get());
  } else if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(const_cast<TGraphic*>(g));
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  const TClassInfo& graphicClass, TGraphicFactory factory) {
  for (auto& f : FileFormats())
    if (AnsiSameText(f.Extension, extension)) {
      f = TFileFormat{extension, description, &graphicClass, std::move(factory)};
      return;
    }
  FileFormats().push_back(TFileFormat{extension, description, &graphicClass, std::move(factory)});
}

void TPicture::RegisterClipboardFormat(UINT format, const TClassInfo& graphicClass, TGraphicFactory factory) {
  for (auto& f : ClipboardFormats())
    if (f.Format == format) {
      f = TClipboardFormat{format, &graphicClass, std::move(factory)};
      return;
    }
  ClipboardFormats().push_back(TClipboardFormat{format, &graphicClass, std::move(factory)});
}

bool TPicture::SupportsClipboardFormat(UINT format) {
  for (auto& f : ClipboardFormats())
    if (f.Format == format) return true;
  return false;
}

std::string TPicture::GraphicFilter() {
  std::string filter;
  for (auto& f : FileFormats()) {
    if (!filter.empty()) filter += "|";
    filter += f.Description + " (*." + f.Extension + ")|*." + f.Extension;
  }
  return filter;
}

}  // namespace ui
