#include "icon_builder.h"

namespace icontest {

namespace {

void W16(std::string& o, unsigned v) {
  o.push_back(char(v & 0xFF));
  o.push_back(char((v >> 8) & 0xFF));
}
void W32(std::string& o, uint32_t v) {
  W16(o, v & 0xFFFF);
  W16(o, v >> 16);
}

// Palette entry i of an indexed image: a spread that differs per index.
uint32_t PaletteColor(int bits, int i) {
  const int n = 1 << bits;
  return 0xFF000000u | uint32_t(i * 255 / (n - 1)) << 16 | uint32_t((i * 37) & 0xFF) << 8 | uint32_t(255 - i * 255 / (n - 1));
}

int IndexOf(const ImageRecipe& s, int x, int y) { return (x * 3 + y * 5) % (1 << s.Bits); }

std::string Chunk(const char* id, const std::string& data) {
  std::string o(id, 4);
  W32(o, uint32_t(data.size()));
  o += data;
  if (data.size() % 2) o.push_back('\0');
  return o;
}

}  // namespace

uint32_t PixelOf(const ImageRecipe& s, int x, int y) {
  if (s.Bits <= 8) return PaletteColor(s.Bits, IndexOf(s, x, y));
  if (s.Bits == 16) {
    // 5 bits per channel, widened as a reader widens them.
    const uint32_t r = uint32_t(x) & 31, g = uint32_t(y) & 31, b = uint32_t(x + y) & 31;
    return 0xFF000000u | (r << 3 | r >> 2) << 16 | (g << 3 | g >> 2) << 8 | (b << 3 | b >> 2);
  }
  const uint32_t rgb = uint32_t(x * 16 & 0xFF) << 16 | uint32_t(y * 16 & 0xFF) << 8 | uint32_t((x ^ y) * 8 & 0xFF);
  return (s.Bits == 32 ? uint32_t((x + y) * 8 & 0xFF) << 24 : 0xFF000000u) | rgb;
}

bool MaskOf(const ImageRecipe&, int x, int y) { return x == 0 || (x + y) % 7 == 0; }

std::string BuildIconFile(int type, const std::vector<ImageRecipe>& images) {
  std::vector<std::string> dibs;
  for (const ImageRecipe& s : images) {
    std::string d;
    W32(d, 40);
    W32(d, uint32_t(s.Width));
    W32(d, uint32_t(s.Height * 2));
    W16(d, 1);
    W16(d, unsigned(s.Bits));
    for (int i = 0; i < 6; ++i) W32(d, 0);
    if (s.Bits <= 8)
      for (int i = 0; i < (1 << s.Bits); ++i) W32(d, PaletteColor(s.Bits, i) & 0xFFFFFF);
    const int rowBytes = (s.Width * s.Bits + 31) / 32 * 4;
    for (int y = s.Height - 1; y >= 0; --y) {
      std::string row(size_t(rowBytes), '\0');
      for (int x = 0; x < s.Width; ++x) {
        const uint32_t c = PixelOf(s, x, y);
        if (s.Bits <= 8) {
          const int bitPos = x * s.Bits;
          row[size_t(bitPos / 8)] = char(row[size_t(bitPos / 8)] | IndexOf(s, x, y) << (8 - s.Bits - bitPos % 8));
        } else if (s.Bits == 16) {
          const unsigned v = ((c >> 19) & 31) << 10 | ((c >> 11) & 31) << 5 | ((c >> 3) & 31);
          row[size_t(x * 2)] = char(v & 0xFF);
          row[size_t(x * 2 + 1)] = char(v >> 8);
        } else {
          const int n = s.Bits / 8;
          for (int k = 0; k < n; ++k) row[size_t(x * n + k)] = char((c >> (8 * k)) & 0xFF);
        }
      }
      d += row;
    }
    const int maskBytes = (s.Width + 31) / 32 * 4;
    for (int y = s.Height - 1; y >= 0; --y) {
      std::string row(size_t(maskBytes), '\0');
      for (int x = 0; x < s.Width; ++x)
        if (MaskOf(s, x, y)) row[size_t(x / 8)] = char(row[size_t(x / 8)] | 0x80 >> (x % 8));
      d += row;
    }
    dibs.push_back(d);
  }
  std::string o;
  W16(o, 0);
  W16(o, unsigned(type));
  W16(o, unsigned(images.size()));
  uint32_t at = uint32_t(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    const ImageRecipe& s = images[i];
    o.push_back(char(s.Width & 0xFF));
    o.push_back(char(s.Height & 0xFF));
    o.push_back(char(s.Bits < 8 ? 1 << s.Bits : 0));
    o.push_back('\0');
    W16(o, type == 2 ? s.HotX : 1u);
    W16(o, type == 2 ? s.HotY : unsigned(s.Bits));
    W32(o, uint32_t(dibs[i].size()));
    W32(o, at);
    at += uint32_t(dibs[i].size());
  }
  for (const std::string& d : dibs) o += d;
  return o;
}

std::string BuildAniFile(const AniRecipe& recipe) {
  std::string body = "ACON";
  std::string header;
  const uint32_t fields[9] = {36, recipe.Frames, recipe.Steps, 0, 0, 0, 1, recipe.Rate, recipe.Flags};
  for (uint32_t f : fields) W32(header, f);
  header.resize(recipe.HeaderSize, '\0');
  if (!recipe.Title.empty() || !recipe.Creator.empty()) {
    std::string info = "INFO";
    if (!recipe.Title.empty()) info += Chunk("INAM", recipe.Title + '\0');
    if (!recipe.Creator.empty()) info += Chunk("IART", recipe.Creator + '\0');
    body += Chunk("LIST", info);
  }
  body += Chunk("anih", header);
  if (recipe.OtherChunk) body += Chunk("ZZZZ", "odd");
  if (!recipe.Rates.empty()) {
    std::string r;
    for (uint32_t v : recipe.Rates) W32(r, v);
    body += Chunk("rate", r);
  }
  if (!recipe.Sequence.empty()) {
    std::string s;
    for (uint32_t v : recipe.Sequence) W32(s, v);
    body += Chunk("seq ", s);
  }
  std::string fram = "fram";
  for (const std::string& icon : recipe.Icons) fram += Chunk("icon", icon);
  body += Chunk("LIST", fram);
  return Chunk("RIFF", body);
}

}  // namespace icontest
