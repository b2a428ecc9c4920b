#pragma once
// The GIF file format without any window system: the file walk into frames with their kept encoded
// data and extensions, the LZW decoder into one palette index per pixel, the LZW encoder and the
// file writer. Bytes in; frames, indices or an error code out.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kitgif {

enum class GifError {
  None,
  UnknownVersion,      // signature or version
  UndefinedExtension,  // with the label
  StreamRead,          // cut or unusable data
  ColorCount,          // not a power of 2 from 2 to 256
  CodeSize,            // minimum code size outside 2..9
  BadData,             // damaged code stream
  NoData,              // nothing to write
  Encoding,            // a pixel depth the encoder cannot take
};

struct Rgb {
  uint8_t R = 0, G = 0, B = 0;
  bool operator==(const Rgb& o) const { return R == o.R && G == o.G && B == o.B; }
};

enum ExtensionKind : int { ekGraphicControl = 0, ekPlainText = 1, ekApplication = 2, ekComment = 3 };

// An extension block: its fixed first sub-block (none for a comment) and its data sub-blocks.
struct Extension {
  int Kind = ekComment;
  std::string Header;
  std::vector<std::string> Data;
  bool operator==(const Extension& o) const { return Kind == o.Kind && Header == o.Header && Data == o.Data; }
};

struct Frame {
  uint16_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool LocalTable = false;
  bool Interlaced = false;
  int Bits = 1;  // of the colour table
  std::vector<Rgb> Table;
  std::string Encoded;  // code size byte, sub-blocks with their lengths, the empty block
  bool Truncated = false;
  std::vector<Extension> Extensions;
  int TransparentIndex = -1;  // -1: none
  uint16_t Interval = 0;      // milliseconds
  int Disposal = 0;
};

struct File {
  std::string Version;  // "", "87a" or "89a"
  int ColorResolution = 0;
  int BitsPerPixel = 0;
  uint8_t Background = 0;
  std::vector<Rgb> Global;
  uint16_t ScreenWidth = 0, ScreenHeight = 0;
  bool Looping = false;
  uint16_t RepeatCount = 1;
  std::vector<std::string> Comment;
  std::vector<Frame> Frames;
};

struct Result {
  GifError Error = GifError::None;
  int Label = 0;  // the undefined extension's label
  bool Damaged = false;
};

// Largest frame (width x height) the decoder fills; larger ones give a read error.
constexpr uint64_t MaxFramePixels = uint64_t(1) << 26;

using Progress = std::function<void(int percent)>;

// The file keeps what was read before an error. With tolerance a cut frame stays, marked truncated.
Result ReadGif(const uint8_t* data, size_t size, bool tolerant, File& file);

// The depth of the bitmap a frame of these table bits is drawn into (1, 4 or 8); 0 for none.
int BmpDepthForBits(int bits);

// One index per pixel, rows from the top, each value masked to depthBits. Pixels not reached stay 0.
Result DecodeFrame(const std::string& encoded, int width, int height, bool interlaced, int depthBits,
                   bool tolerant, std::vector<uint8_t>& indices, const Progress& progress = nullptr);

// bitsPerPixel 1, 4 or 8; indices one per pixel, rows from the top. Empty on a refused depth.
std::string EncodeFrame(const uint8_t* indices, int width, int height, int bitsPerPixel,
                        const Progress& progress = nullptr);

// Adds or updates the frame's graphic control extension from its interval, transparency and disposal.
void PrepareGraphicControl(Frame& frame);

// The smallest n with 2^n at least count (at least 1).
int BitsForCount(size_t count);

// The whole file; NoData without frames. Frames must hold encoded data.
Result WriteGif(const File& file, std::string& out);

}  // namespace kitgif
