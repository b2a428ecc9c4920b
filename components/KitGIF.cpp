#include "KitGIF.h"

#include <algorithm>
#include <cstdio>

#include "KitAniFile.h"
#include "KitGraph.h"
#include "clipboard.h"
#include "picture.h"
#include "ui_exceptions.h"

using namespace ui;

UI_CLASSINFO(TGIFFrame)
UI_CLASSINFO(TGIFImage)

bool GIFTolerant = true;
UINT CF_GIF = 0;

namespace {

const char* const SGIFUnknownVersion =
    "\xCD\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xE0\xFF \xE2\xE5\xF0\xF1\xE8\xFF \xE8\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xFF GIF";
const char* const SGIFUndefinedExtension =
    "\xCD\xE5\xEE\xEF\xF0\xE5\xE4\xE5\xEB\xE5\xED\xED\xEE\xE5 \xF0\xE0\xF1\xF8\xE8\xF0\xE5\xED\xE8\xE5 GIF: %.2x";
const char* const SGIFColorCount =
    "\xCD\xE5\xE2\xE5\xF0\xED\xEE\xE5 \xF7\xE8\xF1\xEB\xEE \xF6\xE2\xE5\xF2\xEE\xE2; \xE4\xEE\xEB\xE6\xED\xEE "
    "\xE1\xFB\xF2\xFC \xF1\xF2\xE5\xEF\xE5\xED\xFC\xFE \xF7\xE8\xF1\xEB\xE0 2";
const char* const SGIFCodeSize =
    "\xD0\xE0\xE7\xEC\xE5\xF0 \xEA\xEE\xE4\xE0 GIF \xED\xE5 \xEF\xF0\xE8\xED\xE0\xE4\xEB\xE5\xE6\xE8\xF2 "
    "\xE4\xE8\xE0\xEF\xE0\xE7\xEE\xED\xF3 \xEE\xF2 2 \xE4\xEE 9";
const char* const SGIFBadData = "\xCD\xE5\xE2\xE5\xF0\xED\xFB\xE5 \xE4\xE0\xED\xED\xFB\xE5 \xE2 \xF4\xEE\xF0\xEC\xE0\xF2\xE5 GIF";
const char* const SGIFNoData =
    "\xCD\xE5\xF2 \xE4\xE0\xED\xED\xFB\xF5 \xE4\xEB\xFF \xE7\xE0\xEF\xE8\xF1\xE8 \xE2 \xF4\xEE\xF0\xEC\xE0\xF2\xE5 GIF";
const char* const SGIFEncoding =
    "\xCE\xF8\xE8\xE1\xEA\xE0 \xEA\xEE\xE4\xE8\xF0\xEE\xE2\xEA\xE8 \xE4\xE0\xED\xED\xFB\xF5 \xE2 \xF4\xEE\xF0\xEC\xE0\xF2 GIF";
const char* const SGIFResize =
    "\xCD\xE5\xE2\xEE\xE7\xEC\xEE\xE6\xED\xEE \xE8\xE7\xEC\xE5\xED\xE8\xF2\xFC \xF0\xE0\xE7\xEC\xE5\xF0 "
    "\xE8\xE7\xEE\xE1\xF0\xE0\xE6\xE5\xED\xE8\xFF GIF";
const char* const SStreamRead = "Stream read error";

TColor ColorOf(const kitgif::Rgb& c) { return TColor(c.R | c.G << 8 | c.B << 16); }

void Put16(std::string& s, uint32_t v) {
  s.push_back(char(v & 0xFF));
  s.push_back(char((v >> 8) & 0xFF));
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// The BMP file image of decoded indices: depth by table bits, palette padded with 128.
std::string BmpOfIndices(const std::vector<uint8_t>& px, int w, int h, int depth, const std::vector<kitgif::Rgb>& table) {
  const uint32_t colors = 1u << depth;
  const uint32_t row = (uint32_t(w) * uint32_t(depth) + 31) / 32 * 4;
  const uint32_t offset = 54 + 4 * colors;
  std::string s = "BM";
  Put32(s, offset + row * uint32_t(h));
  Put32(s, 0);
  Put32(s, offset);
  Put32(s, 40);
  Put32(s, uint32_t(w));
  Put32(s, uint32_t(h));
  Put16(s, 1);
  Put16(s, uint32_t(depth));
  Put32(s, 0);
  Put32(s, row * uint32_t(h));
  for (int i = 0; i < 4; ++i) Put32(s, 0);
  for (uint32_t i = 0; i < colors; ++i) {
    if (i < table.size()) {
      s.push_back(char(table[i].B));
      s.push_back(char(table[i].G));
      s.push_back(char(table[i].R));
      s.push_back('\0');
    } else {
      s += std::string(4, char(128));
    }
  }
  for (int y = h - 1; y >= 0; --y) {
    std::string r(row, '\0');
    for (int x = 0; x < w; ++x) {
      const uint8_t v = px[size_t(y) * size_t(w) + size_t(x)];
      const int bit = x * depth;
      r[size_t(bit / 8)] = char(uint8_t(r[size_t(bit / 8)]) | v << (8 - depth - bit % 8));
    }
    s += r;
  }
  return s;
}

// An indexed bitmap's palette and indices, rows from the top; false for other depths.
bool IndicesOfBitmap(TBitmap& bmp, int& depth, std::vector<kitgif::Rgb>& table, std::vector<uint8_t>& px) {
  TMemoryStream s;
  bmp.SaveToStream(s);
  const uint8_t* p = s.Memory();
  if (s.Size() < 54) return false;
  const uint32_t offset = Get32(p + 10), header = Get32(p + 14);
  const int w = int(Get32(p + 18)), h = int(Get32(p + 22));
  depth = p[28];
  const uint32_t used = Get32(p + 46);
  if (depth != 1 && depth != 4 && depth != 8) return false;
  const uint32_t count = 1u << depth;
  const uint32_t listed = used ? std::min(used, count) : count;
  const uint32_t row = (uint32_t(w) * uint32_t(depth) + 31) / 32 * 4;
  if (uint64_t(offset) + uint64_t(row) * uint32_t(std::abs(h)) > uint64_t(s.Size())) return false;
  table.assign(count, kitgif::Rgb());
  for (uint32_t i = 0; i < listed && 14 + header + 4 * i + 3 <= offset; ++i) {
    const uint8_t* q = p + 14 + header + 4 * i;
    table[i] = {q[2], q[1], q[0]};
  }
  const int height = std::abs(h);
  px.assign(size_t(w) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* r = p + offset + row * uint32_t(h > 0 ? height - 1 - y : y);
    for (int x = 0; x < w; ++x) {
      const int bit = x * depth;
      px[size_t(y) * size_t(w) + size_t(x)] = uint8_t((r[bit / 8] >> (8 - depth - bit % 8)) & (count - 1));
    }
  }
  return true;
}

}  // namespace

std::string GIFErrorText(const kitgif::Result& r) {
  switch (r.Error) {
    case kitgif::GifError::UnknownVersion: return SGIFUnknownVersion;
    case kitgif::GifError::UndefinedExtension: {
      char text[96];
      std::snprintf(text, sizeof text, SGIFUndefinedExtension, r.Label);
      return text;
    }
    case kitgif::GifError::ColorCount: return SGIFColorCount;
    case kitgif::GifError::CodeSize: return SGIFCodeSize;
    case kitgif::GifError::BadData: return SGIFBadData;
    case kitgif::GifError::NoData: return SGIFNoData;
    case kitgif::GifError::Encoding: return SGIFEncoding;
    default: return SStreamRead;
  }
}

void RegisterGIFImage() {
  static bool done = false;
  if (done) return;
  done = true;
  CF_GIF = RegisterClipboardFormatA("GIF Image");
  TPicture::RegisterFileFormat("gif", "CompuServe GIF Image", TGIFImage::StaticClassInfo(), [] { return new TGIFImage; });
  TPicture::RegisterClipboardFormat(CF_GIF, TGIFImage::StaticClassInfo(), [] { return new TGIFImage; });
}

// ---- TGIFFrame

int TGIFFrame::Width() const {
  if (FBitmap) return FBitmap->Width();
  return Item ? Item->Width : 0;
}

int TGIFFrame::Height() const {
  if (FBitmap) return FBitmap->Height();
  return Item ? Item->Height : 0;
}

TBitmap* TGIFFrame::Bitmap() {
  if (FBitmap || !Item) return FBitmap.get();
  const int depth = kitgif::BmpDepthForBits(Item->Bits);
  std::vector<uint8_t> px;
  TGIFImage* owner = FOwner;
  const kitgif::Result r = kitgif::DecodeFrame(Item->Encoded, Item->Width, Item->Height, Interlaced,
                                               depth ? depth : 8, GIFTolerant, px, [owner](int p) {
                                                 if (owner) owner->Progress(p, std::string());
                                               });
  if (depth == 0 || r.Error != kitgif::GifError::None) {
    const std::string text = GIFErrorText(depth ? r : kitgif::Result{kitgif::GifError::ColorCount});
    if (FOwner) FOwner->Progress(0, text);
    throw EInvalidGraphic(text);
  }
  Damaged = r.Damaged;
  auto bmp = std::make_unique<TBitmap>();
  if (Item->Width > 0 && Item->Height > 0) {
    const std::string file = BmpOfIndices(px, Item->Width, Item->Height, depth, Item->Table);
    TMemoryStream s;
    s.Write(file.data(), int64_t(file.size()));
    s.SetPosition(0);
    bmp->LoadFromStream(s);
  }
  FBitmap = std::move(bmp);
  return FBitmap.get();
}

void TGIFFrame::Assign(const TPersistent* source) {
  if (auto* src = dynamic_cast<const TGIFFrame*>(source)) {
    if (src == this) return;
    Item = src->Item;
    Left = src->Left;
    Top = src->Top;
    LocalTable = src->LocalTable;
    Interlaced = src->Interlaced;
    TransparentColor = src->TransparentColor;
    Interval = src->Interval;
    Disposal = src->Disposal;
    Extensions = src->Extensions;
    Damaged = src->Damaged;
    FBitmap.reset();
    if (src->FBitmap) {
      FBitmap = std::make_unique<TBitmap>();
      FBitmap->Assign(src->FBitmap.get());
    }
  } else if (auto* graphic = dynamic_cast<const TGraphic*>(source)) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->Assign(graphic);
    Item.reset();
    FBitmap = std::move(bmp);
  } else {
    TPersistent::Assign(source);
  }
  if (FOwner) FOwner->FrameChanged();
}

// ---- TGIFImage

TGIFImage::TGIFImage() { Clear(); }
TGIFImage::~TGIFImage() = default;

void TGIFImage::Clear() {
  FData = std::make_shared<TGIFData>();
  FFrames.clear();
  CurrentIndex = -1;
  BackgroundColor = clNone;
  RepeatCount = 1;
  Looping = false;
  ScreenWidth = ScreenHeight = 0;
}

void TGIFImage::Unshare() {
  if (FData.use_count() > 1) FData = std::make_shared<TGIFData>(*FData);
}

void TGIFImage::SetComment(const std::vector<std::string>& lines) {
  Unshare();
  FData->Comment = lines;
}

bool TGIFImage::Equals(const TGraphic& other) const {
  auto* gif = dynamic_cast<const TGIFImage*>(&other);
  return gif && gif->FData == FData;
}

void TGIFImage::FrameChanged() {
  uint32_t w = 0, h = 0;
  for (const auto& f : FFrames) {
    w = std::max<uint32_t>(w, uint32_t(f->Left + f->Width()));
    h = std::max<uint32_t>(h, uint32_t(f->Top + f->Height()));
  }
  ScreenWidth = uint16_t(std::min<uint32_t>(w, 65535));
  ScreenHeight = uint16_t(std::min<uint32_t>(h, 65535));
}

TGIFFrame& TGIFImage::Add(const TPersistent* source) {
  Unshare();
  FFrames.push_back(std::make_unique<TGIFFrame>(this));
  CurrentIndex = int(FFrames.size()) - 1;
  if (FData->Version.empty()) FData->Version = "87a";
  if (FFrames.size() > 1) FData->Version = "89a";
  TGIFFrame& f = *FFrames.back();
  if (source) f.Assign(source);
  return f;
}

int TGIFImage::Width() const {
  if (CurrentIndex < 0 || size_t(CurrentIndex) >= FFrames.size()) return 0;
  return FFrames[size_t(CurrentIndex)]->Width();
}

int TGIFImage::Height() const {
  if (CurrentIndex < 0 || size_t(CurrentIndex) >= FFrames.size()) return 0;
  return FFrames[size_t(CurrentIndex)]->Height();
}

bool TGIFImage::Empty() const {
  if (FFrames.empty()) return true;
  if (CurrentIndex < 0 || size_t(CurrentIndex) >= FFrames.size()) return false;
  const TGIFFrame& f = *FFrames[size_t(CurrentIndex)];
  return !f.HasBitmap() && (!f.Item || f.Item->Encoded.empty());
}

bool TGIFImage::IsTransparent() const {
  if (!Transparent()) return false;
  for (const auto& f : FFrames)
    if (f->TransparentColor != clNone) return true;
  return false;
}

void TGIFImage::SetWidth(int) { throw EInvalidGraphic(SGIFResize); }
void TGIFImage::SetHeight(int) { throw EInvalidGraphic(SGIFResize); }

void TGIFImage::Draw(TCanvas& canvas, const RECT& rect) {
  if (CurrentIndex < 0 || size_t(CurrentIndex) >= FFrames.size()) return;
  TGIFFrame& f = *FFrames[size_t(CurrentIndex)];
  TBitmap* bmp = f.Bitmap();
  if (!bmp || bmp->Empty()) return;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (f.TransparentColor != clNone && Transparent()) {
    HDC src = bmp->Canvas().Handle();
    TransparentBlt(canvas.Handle(), rect.left, rect.top, w, h, src, 0, 0, bmp->Width(), bmp->Height(),
                   ColorToRGB(f.TransparentColor));
  } else {
    canvas.StretchDraw(rect, *bmp);
  }
}

void TGIFImage::LoadFromStream(TMemoryStream& stream) {
  Clear();
  const int64_t start = stream.Position();
  const size_t size = size_t(stream.Size() - start);
  std::string bytes(reinterpret_cast<const char*>(stream.Memory()) + start, size);
  stream.SetPosition(stream.Size());
  kitgif::File file;
  const kitgif::Result r =
      kitgif::ReadGif(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), GIFTolerant, file);
  FData->Version = file.Version;
  FData->ColorResolution = file.ColorResolution;
  FData->BitsPerPixel = file.BitsPerPixel;
  FData->BackgroundIndex = file.Background;
  FData->Global = file.Global;
  FData->Comment = file.Comment;
  ScreenWidth = file.ScreenWidth;
  ScreenHeight = file.ScreenHeight;
  Looping = file.Looping;
  RepeatCount = file.RepeatCount;
  if (!file.Global.empty() && file.Background < file.Global.size()) BackgroundColor = ColorOf(file.Global[file.Background]);
  for (kitgif::Frame& src : file.Frames) {
    auto f = std::make_unique<TGIFFrame>(this);
    auto item = std::make_shared<TGIFItem>();
    item->Encoded = std::move(src.Encoded);
    item->Truncated = src.Truncated;
    item->Width = src.Width;
    item->Height = src.Height;
    item->Table = src.Table;
    item->Bits = src.Bits;
    f->Item = item;
    f->Left = src.Left;
    f->Top = src.Top;
    f->LocalTable = src.LocalTable;
    f->Interlaced = src.Interlaced;
    f->Interval = src.Interval;
    f->Disposal = src.Disposal;
    f->Extensions = std::move(src.Extensions);
    if (src.TransparentIndex >= 0) f->TransparentColor = ColorOf(src.Table[size_t(src.TransparentIndex)]);
    FFrames.push_back(std::move(f));
  }
  if (!FFrames.empty()) CurrentIndex = 0;
  if (r.Error != kitgif::GifError::None) throw EInvalidGraphic(GIFErrorText(r));
}

void TGIFImage::EncodeFrame(TGIFFrame& frame, kitgif::Frame& out) {
  TBitmap* source = frame.Bitmap();
  if (!source || source->Empty()) {
    Progress(0, SGIFEncoding);
    throw EInvalidGraphic(SGIFEncoding);
  }
  TBitmap work;
  work.Assign(source);
  if (BitsOfPixelFormat(work.PixelFormat()) > 8)
    ChangePixelFormat(work, pf8bit, Grayscale ? mmGrayscale : DefaultMappingMethod);
  int depth = 0;
  std::vector<kitgif::Rgb> table;
  std::vector<uint8_t> px;
  // The file keeps sizes in 16 bits.
  if (work.Width() > 65535 || work.Height() > 65535 || !IndicesOfBitmap(work, depth, table, px)) {
    Progress(0, SGIFEncoding);
    throw EInvalidGraphic(SGIFEncoding);
  }
  auto item = std::make_shared<TGIFItem>();
  item->Width = work.Width();
  item->Height = work.Height();
  item->Encoded = kitgif::EncodeFrame(px.data(), item->Width, item->Height, depth,
                                      [this](int p) { Progress(p, std::string()); });
  item->Table = table;
  item->Bits = kitgif::BitsForCount(table.size());
  frame.Item = item;
  frame.Interlaced = false;
  if (FData->Global.empty()) {
    FData->Global = table;
    FData->BitsPerPixel = item->Bits;
    frame.LocalTable = false;
  } else {
    frame.LocalTable = true;
  }
  out.Table = table;
}

void TGIFImage::WriteGIF(TMemoryStream& stream, bool sizePrefix) {
  if (FFrames.empty()) throw EInvalidGraphic(SGIFNoData);
  Unshare();
  kitgif::File file;
  for (auto& fp : FFrames) {
    TGIFFrame& f = *fp;
    kitgif::Frame out;
    if (!f.Item || f.Item->Encoded.empty()) EncodeFrame(f, out);
    out.Encoded = f.Item->Encoded;
    out.Width = uint16_t(f.Item->Width);
    out.Height = uint16_t(f.Item->Height);
    out.Table = f.Item->Table;
    out.Bits = f.Item->Bits;
    out.Left = uint16_t(std::min(std::max(f.Left, 0), 65535));
    out.Top = uint16_t(std::min(std::max(f.Top, 0), 65535));
    out.LocalTable = f.LocalTable;
    out.Interlaced = f.Interlaced;
    out.Interval = f.Interval;
    out.Disposal = f.Disposal;
    const std::vector<kitgif::Rgb>& table = f.LocalTable ? out.Table : FData->Global;
    if (!f.LocalTable) out.Table = table;
    if (f.TransparentColor != clNone) {
      const COLORREF c = ColorToRGB(f.TransparentColor);
      for (size_t i = 0; i < table.size(); ++i)
        if (ColorOf(table[i]) == TColor(c)) {
          out.TransparentIndex = int(i);
          break;
        }
    }
    for (const TExtension& e : f.Extensions)
      if (e.Kind != kitgif::ekComment || !e.Data.empty()) out.Extensions.push_back(e);
    kitgif::PrepareGraphicControl(out);
    f.Extensions = out.Extensions;
    if (!out.Extensions.empty()) FData->Version = "89a";
    file.Frames.push_back(std::move(out));
  }
  FrameChanged();
  file.Version = FData->Version;
  file.Global = FData->Global;
  file.BitsPerPixel = FData->BitsPerPixel;
  file.Comment = FData->Comment;
  file.Looping = Looping;
  file.RepeatCount = RepeatCount;
  if (BackgroundColor != clNone)
    for (size_t i = 0; i < file.Global.size(); ++i)
      if (ColorOf(file.Global[i]) == TColor(ColorToRGB(BackgroundColor))) {
        file.Background = uint8_t(i);
        break;
      }
  std::string bytes;
  const kitgif::Result r = kitgif::WriteGif(file, bytes);
  if (r.Error != kitgif::GifError::None) throw EInvalidGraphic(GIFErrorText(r));
  if (sizePrefix) {
    const uint32_t n = uint32_t(bytes.size());
    stream.Write(&n, 4);
  }
  stream.Write(bytes.data(), int64_t(bytes.size()));
}

void TGIFImage::LoadFromFile(const std::string& fileName) {
  TMemoryStream s;
  try {
    s.LoadFromFile(fileName);
  } catch (const EReadError&) {
    throw EInvalidGraphic(SStreamRead);
  }
  LoadFromStream(s);
}

void TGIFImage::SaveToFile(const std::string& fileName) {
  TMemoryStream s;
  SaveToStream(s);
  s.SaveToFile(fileName);
}

void TGIFImage::LoadFromClipboardFormat(UINT, HANDLE data) {
  TMemoryStream s;
  ReadGlobalMemory(data, s);
  LoadFromStream(s);
}

HANDLE TGIFImage::SaveToClipboardFormat(UINT) {
  if (FFrames.empty()) return nullptr;
  for (const auto& f : FFrames)
    if (!f->Item || f->Item->Encoded.empty()) return nullptr;
  TMemoryStream s;
  SaveToStream(s);
  return GlobalMemoryOf(s);
}

void TGIFImage::Assign(const TPersistent* source) {
  if (auto* src = dynamic_cast<const TGIFImage*>(source)) {
    if (src == this) return;
    FData = src->FData;
    FFrames.clear();
    for (const auto& f : src->FFrames) {
      FFrames.push_back(std::make_unique<TGIFFrame>(this));
      FFrames.back()->Assign(f.get());
    }
    CurrentIndex = src->CurrentIndex;
    ScreenWidth = src->ScreenWidth;
    ScreenHeight = src->ScreenHeight;
    BackgroundColor = src->BackgroundColor;
    Looping = src->Looping;
    RepeatCount = src->RepeatCount;
  } else if (auto* frame = dynamic_cast<const TGIFFrame*>(source)) {
    Clear();
    TGIFFrame& f = Add(frame);
    if (f.Item && !f.LocalTable) {
      FData->Global = f.Item->Table;
      FData->BitsPerPixel = f.Item->Bits;
    }
  } else if (auto* cursor = dynamic_cast<const TAnimatedCursorImage*>(source)) {
    Clear();
    BackgroundColor = clWindow;
    for (int i = 0; i < cursor->FrameCount(); ++i) {
      TBitmap bmp;
      cursor->FrameBitmap(i, bmp);
      TGIFFrame& f = Add(&bmp);
      f.Interval = uint16_t(std::min<uint64_t>(uint64_t(cursor->GetFrame(i).JiffRate) * 100 / 6, 65535));
    }
  } else if (auto* bmp = dynamic_cast<const TBitmap*>(source)) {
    Clear();
    Add(bmp);
  } else if (!source) {
    Clear();
  } else {
    TGraphic::Assign(source);
  }
}

void TGIFImage::AssignTo(TPersistent* dest) const {
  if (auto* gif = dynamic_cast<TGIFImage*>(dest)) {
    gif->Assign(this);
    return;
  }
  if (auto* graphic = dynamic_cast<TGraphic*>(dest)) {
    if (FFrames.empty()) return;
    const size_t i = CurrentIndex >= 0 && size_t(CurrentIndex) < FFrames.size() ? size_t(CurrentIndex) : 0;
    graphic->Assign(FFrames[i]->Bitmap());
    return;
  }
  TGraphic::AssignTo(dest);
}

void ReadGIFPictureData(TMemoryStream& stream, TGIFImage& image) {
  uint32_t n = 0;
  stream.ReadBuffer(&n, 4);
  if (n > uint64_t(stream.Size() - stream.Position())) throw EInvalidGraphic(SStreamRead);
  TMemoryStream part;
  part.Write(stream.Memory() + stream.Position(), n);
  stream.SetPosition(stream.Position() + n);
  part.SetPosition(0);
  image.LoadFromStream(part);
}

void WriteGIFPictureData(TMemoryStream& stream, TGIFImage& image) { image.WriteGIF(stream, true); }
