#include "KitGlyphList.h"

#include <algorithm>
#include <memory>

using namespace ui;

UI_CLASSINFO(TGlyphList)

TGlyphList::TGlyphList(int width, int height) : TImageList(nullptr) {
  SetWidth(width);
  SetHeight(height);
  SetBkColor(CLR_NONE);
}

int TGlyphList::AddMasked(TBitmap& image, TColor maskColor) {
  auto freeSlot = std::find(FUsed.begin(), FUsed.end(), false);
  int index = int(freeSlot - FUsed.begin());
  if (ReplaceMasked(index, image, maskColor) != index) return -1;
  if (freeSlot == FUsed.end()) FUsed.push_back(true);
  else *freeSlot = true;
  ++FCount;
  return index;
}

void TGlyphList::Delete(int index) {
  if (index < 0 || index >= int(FUsed.size()) || !FUsed[size_t(index)]) return;
  FUsed[size_t(index)] = false;
  --FCount;
}

namespace {

// Components go through Free.
struct TFreeList {
  void operator()(TGlyphList* list) const { list->Free(); }
};

struct TGlyphCache {
  std::vector<std::unique_ptr<TGlyphList, TFreeList>> Lists;
  int Users = 0;
};

TGlyphCache*& Cache() {
  static TGlyphCache* cache = nullptr;
  return cache;
}

void FreeCacheWhenUnused() {
  TGlyphCache*& cache = Cache();
  if (cache && cache->Users == 0 && cache->Lists.empty()) {
    delete cache;
    cache = nullptr;
  }
}

}  // namespace

TGlyphList* GetGlyphList(int width, int height) {
  TGlyphCache*& cache = Cache();
  if (!cache) cache = new TGlyphCache;
  for (auto it = cache->Lists.rbegin(); it != cache->Lists.rend(); ++it)
    if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
  cache->Lists.emplace_back(new TGlyphList(width, height));
  return cache->Lists.back().get();
}

void ReleaseGlyphList(TGlyphList* list) {
  TGlyphCache* cache = Cache();
  if (!cache || !list || list->Count() > 0) return;
  auto& lists = cache->Lists;
  lists.erase(std::remove_if(lists.begin(), lists.end(), [list](const auto& l) { return l.get() == list; }),
              lists.end());
  FreeCacheWhenUnused();
}

void GlyphCacheUser(bool coming) {
  TGlyphCache*& cache = Cache();
  if (coming) {
    if (!cache) cache = new TGlyphCache;
    ++cache->Users;
    return;
  }
  if (cache && cache->Users > 0) --cache->Users;
  FreeCacheWhenUnused();
}

bool GlyphCacheExists() { return Cache() != nullptr; }

int GlyphCacheListCount() { return Cache() ? int(Cache()->Lists.size()) : 0; }
