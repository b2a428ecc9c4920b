#pragma once
// TGIFImage: a graphic of GIF frames with their extensions, read and written by our own coder, drawn
// one frame at a time, and known to pictures by the extension "gif" and the "GIF Image" clipboard format.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bitmap.h"
#include "graphics.h"
#include "kit_gif_codec.h"
#include "streams.h"

// Damaged frame data loads and decodes as far as it goes; on from the start.
extern bool GIFTolerant;
// The "GIF Image" clipboard format, registered by RegisterGIFImage.
extern UINT CF_GIF;
// Registers the clipboard format and the picture kind; the programs call it at start.
void RegisterGIFImage();

using TExtension = kitgif::Extension;

// Image data shared between copies of one image.
struct TGIFData {
  std::string Version;
  int ColorResolution = 0;
  int BitsPerPixel = 0;
  uint8_t BackgroundIndex = 0;
  std::vector<kitgif::Rgb> Global;
  std::vector<std::string> Comment;
};

// A frame's encoded data, shared between copies of one frame.
struct TGIFItem {
  std::string Encoded;
  bool Truncated = false;
  int Width = 0, Height = 0;
  std::vector<kitgif::Rgb> Table;
  int Bits = 0;
};

class TGIFImage;

class TGIFFrame : public ui::TPersistent {
  UI_CLASS(TGIFFrame, ui::TPersistent)
 public:
  explicit TGIFFrame(TGIFImage* owner = nullptr) : FOwner(owner) {}
  std::shared_ptr<TGIFItem> Item;
  int Left = 0, Top = 0;
  bool LocalTable = false;
  bool Interlaced = false;
  ui::TColor TransparentColor = ui::clNone;
  uint16_t Interval = 0;
  int Disposal = 0;
  std::vector<TExtension> Extensions;
  bool Damaged = false;

  int Width() const;
  int Height() const;
  // Made from the encoded data on first use; a decoding error raises EInvalidGraphic.
  ui::TBitmap* Bitmap();
  bool HasBitmap() const { return bool(FBitmap); }
  // From another frame (sharing its data) or from any graphic (a bitmap of it, encoded when written).
  void Assign(const ui::TPersistent* source) override;

 private:
  friend class TGIFImage;
  TGIFImage* FOwner;
  std::unique_ptr<ui::TBitmap> FBitmap;
};

class TGIFImage : public ui::TGraphic {
  UI_CLASS(TGIFImage, ui::TGraphic)
 public:
  TGIFImage();
  ~TGIFImage() override;

  void Clear();
  int FrameCount() const { return int(FFrames.size()); }
  TGIFFrame& Frames(int index) { return *FFrames.at(size_t(index)); }
  // A new frame from any graphic; it becomes the current one.
  TGIFFrame& Add(const ui::TPersistent* source);
  int CurrentIndex = -1;
  uint16_t ScreenWidth = 0, ScreenHeight = 0;
  ui::TColor BackgroundColor = ui::clNone;
  bool Looping = false;
  uint16_t RepeatCount = 1;
  bool Grayscale = false;
  const TGIFData& Data() const { return *FData; }
  // The comment lines; changing them gives this image data of its own.
  const std::vector<std::string>& Comment() const { return FData->Comment; }
  void SetComment(const std::vector<std::string>& lines);

  int Width() const override;
  int Height() const override;
  bool Empty() const override;
  bool IsTransparent() const;
  void SetWidth(int);
  void SetHeight(int);
  void Draw(ui::TCanvas& canvas, const RECT& rect) override;
  // Two images are equal when they share their image data.
  bool Equals(const ui::TGraphic& other) const override;

  // From the stream's position to its end. Errors raise EInvalidGraphic; frames read before stay.
  void LoadFromStream(ui::TMemoryStream& stream) override;
  void SaveToStream(ui::TMemoryStream& stream) override { WriteGIF(stream, false); }
  // With sizePrefix the 4-byte byte count of the GIF comes first.
  void WriteGIF(ui::TMemoryStream& stream, bool sizePrefix);
  void LoadFromFile(const std::string& fileName) override;
  void SaveToFile(const std::string& fileName);
  void LoadFromClipboardFormat(UINT format, HANDLE data) override;
  // Nothing (null) without frames or with a frame that has no encoded data.
  HANDLE SaveToClipboardFormat(UINT format) override;
  void Assign(const ui::TPersistent* source) override;

 protected:
  void AssignTo(ui::TPersistent* dest) const override;

 private:
  friend class TGIFFrame;
  void Unshare();
  void FrameChanged();
  void EncodeFrame(TGIFFrame& frame, kitgif::Frame& out);
  std::shared_ptr<TGIFData> FData;
  std::vector<std::unique_ptr<TGIFFrame>> FFrames;
};

// The picture data of a form: a 4-byte byte count, then the GIF.
void ReadGIFPictureData(ui::TMemoryStream& stream, TGIFImage& image);
void WriteGIFPictureData(ui::TMemoryStream& stream, TGIFImage& image);

// The text of a coder error.
std::string GIFErrorText(const kitgif::Result& result);
