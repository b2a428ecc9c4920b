// The quantise mapping: a median cut over 4-bit colour cells into at most 256 groups.
#include <vector>

#include "kit_graph_mapping.h"

namespace {

struct Cell {
  uint8_t Level[3];  // red, green, blue levels 0-15
  uint32_t Pixels = 0;
  int Group = 0;
};

struct Group {
  int Lower[3] = {0, 0, 0};
  int Extent[3] = {255, 255, 255};
  uint32_t Pixels = 0;
  std::vector<int> Cells;
};

// Ascending by level on one channel: quicksort around the middle cell, short ranges by insertion.
void SortCells(std::vector<int>& v, int lo, int hi, const std::vector<Cell>& cells, int ch) {
  while (hi - lo + 1 >= 8) {
    int pivot = cells[size_t(v[size_t((lo + hi) / 2)])].Level[ch];
    int i = lo, j = hi;
    while (i <= j) {
      while (cells[size_t(v[size_t(i)])].Level[ch] < pivot) ++i;
      while (cells[size_t(v[size_t(j)])].Level[ch] > pivot) --j;
      if (i <= j) std::swap(v[size_t(i++)], v[size_t(j--)]);
    }
    if (j - lo < hi - i) {
      SortCells(v, lo, j, cells, ch);
      lo = i;
    } else {
      SortCells(v, i, hi, cells, ch);
      hi = j;
    }
  }
  for (int i = lo + 1; i <= hi; ++i) {
    int c = v[size_t(i)], k = i - 1;
    while (k >= lo && cells[size_t(v[size_t(k)])].Level[ch] > cells[size_t(c)].Level[ch]) {
      v[size_t(k + 1)] = v[size_t(k)];
      --k;
    }
    v[size_t(k + 1)] = c;
  }
}

}  // namespace

void MapQuantize(const uint8_t* src, int width, int height, TMappedImage& out) {
  int s = Row24(width), d = Row8(width);
  std::vector<Cell> cells(4096);
  for (int i = 0; i < 4096; ++i) cells[size_t(i)].Level[0] = uint8_t(i >> 8), cells[size_t(i)].Level[1] = uint8_t((i >> 4) & 15),
                                 cells[size_t(i)].Level[2] = uint8_t(i & 15);
  std::vector<uint16_t> cellOf(size_t(width) * size_t(height));
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = src + size_t(y) * s;
    for (int x = 0; x < width; ++x, p += 3) {
      int c = (p[2] >> 4) * 256 + (p[1] >> 4) * 16 + (p[0] >> 4);
      cellOf[size_t(y) * width + x] = uint16_t(c);
      ++cells[size_t(c)].Pixels;
    }
  }
  std::vector<Group> groups(1);
  groups[0].Pixels = uint32_t(width) * uint32_t(height);
  for (int c = 0; c < 4096; ++c)
    if (cells[size_t(c)].Pixels) groups[0].Cells.push_back(c);

  while (groups.size() < 256) {
    int best = -1, bestGroup = -1, bestCh = 0;
    for (size_t g = 0; g < groups.size(); ++g) {
      if (groups[g].Cells.size() < 2) continue;
      for (int ch = 0; ch < 3; ++ch)
        if (groups[g].Extent[ch] > best) best = groups[g].Extent[ch], bestGroup = int(g), bestCh = ch;
    }
    if (bestGroup < 0) break;
    Group& old = groups[size_t(bestGroup)];
    SortCells(old.Cells, 0, int(old.Cells.size()) - 1, cells, bestCh);
    uint32_t half = old.Pixels / 2;
    size_t split = 1;
    uint32_t firstPixels = cells[size_t(old.Cells[0])].Pixels;
    while (split + 1 < old.Cells.size() && firstPixels + cells[size_t(old.Cells[split])].Pixels <= half)
      firstPixels += cells[size_t(old.Cells[split++])].Pixels;
    Group fresh;
    fresh.Cells.assign(old.Cells.begin() + long(split), old.Cells.end());
    old.Cells.resize(split);
    fresh.Pixels = old.Pixels - firstPixels;
    old.Pixels = firstPixels;
    for (int ch = 0; ch < 3; ++ch) fresh.Lower[ch] = old.Lower[ch], fresh.Extent[ch] = old.Extent[ch];
    int upper = old.Lower[bestCh] + old.Extent[bestCh];
    fresh.Lower[bestCh] = 16 * cells[size_t(fresh.Cells.front())].Level[bestCh];
    fresh.Extent[bestCh] = upper - fresh.Lower[bestCh];
    old.Extent[bestCh] = 16 * cells[size_t(old.Cells.back())].Level[bestCh] - old.Lower[bestCh];
    groups.push_back(std::move(fresh));
  }

  for (size_t g = 0; g < groups.size(); ++g) {
    unsigned sum[3] = {0, 0, 0};
    for (int c : groups[g].Cells) {
      cells[size_t(c)].Group = int(g);
      for (int ch = 0; ch < 3; ++ch) sum[ch] += cells[size_t(c)].Level[ch];
    }
    unsigned n = unsigned(groups[g].Cells.size());
    uint8_t v[3];
    for (int ch = 0; ch < 3; ++ch) v[ch] = uint8_t(n ? (16 * sum[ch] + 15) / n : 0);
    if (v[0] <= 16 && v[1] <= 16 && v[2] <= 16) v[0] = v[1] = v[2] = 0;
    out.Palette[g] = RGBQUAD{v[2], v[1], v[0], 0};
  }
  for (size_t g = groups.size(); g < 256; ++g) out.Palette[g] = RGBQUAD{0, 0, 0, 0};
  out.ImportantColors = uint32_t(groups.size());
  out.Indices.assign(size_t(d) * size_t(height), 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out.Indices[size_t(y) * d + x] = uint8_t(cells[cellOf[size_t(y) * width + x]].Group);
}
