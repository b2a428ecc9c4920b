#include "gif_builder.h"

namespace giftest {

namespace {

void Word(std::string& out, unsigned v) {
  out.push_back(char(v & 0xFF));
  out.push_back(char((v >> 8) & 0xFF));
}

int Log2(size_t n) {
  int b = 0;
  while ((size_t(1) << b) < n) ++b;
  return b;
}

void Table(std::string& out, const std::vector<Color>& t) {
  for (const Color& c : t) {
    out.push_back(char(c.R));
    out.push_back(char(c.G));
    out.push_back(char(c.B));
  }
}

void Blocks(std::string& out, const std::string& bytes) {
  for (size_t at = 0; at < bytes.size(); at += 255) {
    const std::string part = bytes.substr(at, 255);
    out.push_back(char(part.size()));
    out += part;
  }
  out.push_back('\0');
}

}  // namespace

std::string LiteralLzw(const std::vector<uint8_t>& pixels, int codeSize, int clearEvery, bool endCode) {
  const unsigned clear = 1u << codeSize;
  const int width = codeSize + 1;
  // Literals after a clear before the decoder's table reaches the next width.
  const int most = int(clear) - 2;
  const int every = clearEvery > 0 && clearEvery < most ? clearEvery : most;
  std::vector<bool> bits;
  auto put = [&](unsigned code) {
    for (int i = 0; i < width; ++i) bits.push_back(((code >> i) & 1) != 0);
  };
  int run = 0;
  for (uint8_t p : pixels) {
    if (run == 0) put(clear);
    put(p);
    if (++run == every) run = 0;
  }
  if (endCode) put(clear + 1);
  std::string bytes((bits.size() + 7) / 8, '\0');
  for (size_t i = 0; i < bits.size(); ++i)
    if (bits[i]) bytes[i / 8] = char(bytes[i / 8] | (1 << (i % 8)));
  std::string out(1, char(codeSize));
  Blocks(out, bytes);
  return out;
}

std::vector<int> InterlacedRowOrder(int height) {
  std::vector<int> rows;
  for (int y = 0; y < height; y += 8) rows.push_back(y);
  for (int y = 4; y < height; y += 8) rows.push_back(y);
  for (int y = 2; y < height; y += 4) rows.push_back(y);
  for (int y = 1; y < height; y += 2) rows.push_back(y);
  return rows;
}

std::vector<Color> GreyTable(int n) {
  std::vector<Color> t;
  for (int i = 0; i < n; ++i) {
    const uint8_t v = uint8_t(n > 1 ? i * 255 / (n - 1) : 0);
    t.push_back({v, uint8_t(255 - v), uint8_t(i * 7)});
  }
  return t;
}

std::string BuildGif(const GifRecipe& recipe) {
  std::string out = recipe.Signature;
  Word(out, recipe.Width);
  Word(out, recipe.Height);
  if (recipe.GlobalTable.empty()) {
    out.push_back('\0');
  } else {
    const int b = Log2(recipe.GlobalTable.size());
    out.push_back(char(0x80 | (b - 1) << 4 | (b - 1)));
  }
  out.push_back(char(recipe.Background));
  out.push_back('\0');
  Table(out, recipe.GlobalTable);
  if (recipe.LoopCount >= 0) {
    out += "!\xFF";
    out.push_back(11);
    out += "NETSCAPE2.0";
    out.push_back(3);
    out.push_back(1);
    Word(out, unsigned(recipe.LoopCount));
    out.push_back('\0');
  }
  for (const FrameRecipe& f : recipe.Frames) {
    for (const std::string& c : f.Comments) {
      out += "!\xFE";
      Blocks(out, c);
    }
    if (f.GraphicControl) {
      out += "!\xF9";
      out.push_back(4);
      out.push_back(char(f.GcPacked));
      Word(out, f.Delay);
      out.push_back(char(f.TransparentIndex));
      out.push_back('\0');
    }
    if (f.OtherApplicationBefore) {
      out += "!\xFF";
      out.push_back(11);
      out += "OTHERAPP1.0";
      Blocks(out, "payload");
    }
    if (f.PlainTextBefore) {
      out += "!\x01";
      out.push_back(12);
      out += std::string(12, '\x01');
      Blocks(out, "text");
    }
    out.push_back(',');
    Word(out, f.Left);
    Word(out, f.Top);
    Word(out, f.Width);
    Word(out, f.Height);
    uint8_t packed = f.Interlaced ? 0x40 : 0;
    if (!f.LocalTable.empty()) packed = uint8_t(packed | 0x80 | (Log2(f.LocalTable.size()) - 1));
    out.push_back(char(packed));
    Table(out, f.LocalTable);
    std::vector<uint8_t> stored;
    if (f.Interlaced) {
      for (int y : InterlacedRowOrder(f.Height))
        stored.insert(stored.end(), f.Pixels.begin() + y * f.Width, f.Pixels.begin() + (y + 1) * f.Width);
    } else {
      stored = f.Pixels;
    }
    out += LiteralLzw(stored, f.CodeSize, f.ClearEvery, f.EndCode);
  }
  for (const std::string& c : recipe.TrailingComments) {
    out += "!\xFE";
    Blocks(out, c);
  }
  if (recipe.Trailer) out.push_back(';');
  return out;
}

}  // namespace giftest
