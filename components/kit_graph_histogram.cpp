// The histogram mapping: the most frequent colours make the palette, the rest take the nearest entry.
#include <algorithm>
#include <numeric>

#include "kit_graph_mapping.h"

namespace {

constexpr int kMaxColors = 2049;
constexpr int kBuckets = 5191;

struct Entry {
  uint8_t R, G, B;
  uint32_t Count;
  int Palette;
};

class ColorCounter {
 public:
  ColorCounter() { Reset(); }
  void Reset() {
    Entries.clear();
    std::fill(std::begin(Buckets), std::end(Buckets), -1);
  }
  // The entry of the colour, made when new; -1 when the table is full.
  int Find(uint8_t r, uint8_t g, uint8_t b, bool add) {
    int h = int((uint32_t(r + g) * uint32_t(g + b) * uint32_t(b + r)) % kBuckets);
    for (int probe = 0; probe < kBuckets; ++probe) {
      int slot = (h + probe) % kBuckets;
      int e = Buckets[slot];
      if (e < 0) {
        if (!add || int(Entries.size()) >= kMaxColors) return -1;
        Buckets[slot] = int(Entries.size());
        Entries.push_back({r, g, b, 0, -1});
        return Buckets[slot];
      }
      if (Entries[size_t(e)].R == r && Entries[size_t(e)].G == g && Entries[size_t(e)].B == b) return e;
    }
    return -1;
  }
  std::vector<Entry> Entries;
  int Buckets[kBuckets];
};

}  // namespace

void MapHistogram(const uint8_t* src, int width, int height, TMappedImage& out) {
  int s = Row24(width), d = Row8(width);
  uint8_t mask[3] = {0xFF, 0xFF, 0xFF};  // red, green, blue
  const int rotation[3] = {2, 0, 1};     // blue, red, green lose a bit in turn
  int turn = 0;
  ColorCounter counter;
  for (;;) {
    bool full = false;
    counter.Reset();
    for (int y = 0; y < height && !full; ++y) {
      const uint8_t* p = src + size_t(y) * s;
      for (int x = 0; x < width; ++x, p += 3) {
        int e = counter.Find(p[2] & mask[0], p[1] & mask[1], p[0] & mask[2], true);
        if (e < 0) {
          full = true;
          break;
        }
        ++counter.Entries[size_t(e)].Count;
      }
    }
    if (!full) break;
    int channel = rotation[turn++ % 3];
    mask[channel] = uint8_t(mask[channel] << 1);
  }

  std::vector<Entry>& entries = counter.Entries;
  std::vector<int> order(entries.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](int a, int b) { return entries[size_t(a)].Count > entries[size_t(b)].Count; });
  int used = std::min<int>(256, int(order.size()));
  for (int i = 0; i < used; ++i) {
    Entry& e = entries[size_t(order[size_t(i)])];
    e.Palette = i;
    out.Palette[i] = RGBQUAD{e.B, e.G, e.R, 0};
  }
  for (int i = used; i < 256; ++i) out.Palette[i] = RGBQUAD{128, 128, 128, 0};
  for (Entry& e : entries) {
    if (e.Palette >= 0) continue;
    long best = -1;
    for (int i = 0; i < used; ++i) {
      long dr = long(e.R) - out.Palette[i].rgbRed, dg = long(e.G) - out.Palette[i].rgbGreen,
           db = long(e.B) - out.Palette[i].rgbBlue;
      long dist = dr * dr + dg * dg + db * db;
      if (best < 0 || dist < best) best = dist, e.Palette = i;
    }
  }
  out.Indices.assign(size_t(d) * size_t(height), 0);
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = src + size_t(y) * s;
    uint8_t* q = out.Indices.data() + size_t(y) * d;
    for (int x = 0; x < width; ++x, p += 3) {
      int e = counter.Find(p[2] & mask[0], p[1] & mask[1], p[0] & mask[2], false);
      q[x] = uint8_t(e >= 0 ? entries[size_t(e)].Palette : 0);
    }
  }
}
