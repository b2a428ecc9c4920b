#include "collection.h"

#include <algorithm>

#include "sys_utils.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TCollectionItem)
UI_CLASSINFO(TCollection)
UI_CLASSINFO(TOwnedCollection)

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (collection) collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& v = FCollection->FItems;
  return int(std::find(v.begin(), v.end(), this) - v.begin());
}

void TCollectionItem::SetIndex(int index) {
  int cur = Index();
  if (cur < 0 || index == cur) return;
  auto& v = FCollection->FItems;
  if (index < 0) index = 0;
  if (index >= int(v.size())) index = int(v.size()) - 1;
  v.erase(v.begin() + cur);
  v.insert(v.begin() + index, this);
  Changed(true);
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::Changed(bool all) {
  if (FCollection) FCollection->Changed(all ? nullptr : this);
}

TCollection::TCollection(TItemFactory factory) : FFactory(std::move(factory)) {}

TCollection::~TCollection() {
  FUpdateCount = 1;  // no Update calls from a half-destroyed collection
  Clear();
}

TCollectionItem* TCollection::Add() {
  // An item joins from its base constructor, before its own fields exist: the collection hears of it once whole.
  BeginUpdate();
  TCollectionItem* item = nullptr;
  try {
    item = FFactory ? FFactory(this) : new TCollectionItem(this);
    if (item->FCollection != this) InsertItem(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

void TCollection::Delete(int index) {
  if (index < 0 || index >= Count()) throw EInvalidOperation(Format("List index out of bounds (%d)", index));
  delete FItems[size_t(index)];
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* i : FItems)
    if (i->FID == id) return i;
  return nullptr;
}

void TCollection::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0 && FPendingChange) {
    FPendingChange = false;
    Update(nullptr);
  }
}

void TCollection::Assign(const TPersistent* source) {
  auto* src = dynamic_cast<const TCollection*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  BeginUpdate();
  Clear();
  for (TCollectionItem* i : src->FItems) Add()->Assign(i);
  EndUpdate();
}

void TCollection::InsertItem(TCollectionItem* item) {
  FItems.push_back(item);
  item->FCollection = this;
  item->FID = FNextID++;
  Changed(nullptr);
}

void TCollection::RemoveItem(TCollectionItem* item) {
  FItems.erase(std::remove(FItems.begin(), FItems.end(), item), FItems.end());
  item->FCollection = nullptr;
  Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* item) {
  if (FUpdateCount > 0) {
    FPendingChange = true;
    return;
  }
  Update(item);
}

}  // namespace ui
