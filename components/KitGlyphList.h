#pragma once
// The glyph images of all speed buttons: image lists of one glyph size each, shared through one cache.
#include <vector>

#include "bitmap.h"
#include "image_list.h"

// An image list whose slots are reused: a freed slot keeps its place (the others keep their indexes) and
// the next image goes into the first free one.
class TGlyphList : public ui::TImageList {
  UI_CLASS(TGlyphList, ui::TImageList)
 public:
  TGlyphList(int width, int height);
  // The slot the image went into, or -1 when the list refused it.
  int AddMasked(ui::TBitmap& image, ui::TColor maskColor);
  void Delete(int index);
  // The slots in use.
  int Count() const { return FCount; }

 private:
  std::vector<bool> FUsed;
  int FCount = 0;
};

// The list for that glyph size: the newest matching one, or a new one added to the cache.
TGlyphList* GetGlyphList(int width, int height);
// A list left without images leaves the cache and is freed.
void ReleaseGlyphList(TGlyphList* list);
// Glyph objects hold the cache: it lives from the first one until the last one is gone and it is empty.
void GlyphCacheUser(bool coming);
// For the tests: whether the cache exists, and how many lists it holds.
bool GlyphCacheExists();
int GlyphCacheListCount();
