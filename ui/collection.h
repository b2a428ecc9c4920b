#pragma once
// TCollection: an owned, ordered list of items of one class, with update brackets.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "object.h"

namespace ui {

class TCollection;

class TCollectionItem : public TPersistent {
  UI_CLASS(TCollectionItem, TPersistent)
 public:
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  int ID() const { return FID; }
  int Index() const;
  void SetIndex(int index);
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string&) { Changed(false); }

 protected:
  // Tells the collection; all = the whole collection changed.
  void Changed(bool all);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  UI_CLASS(TCollection, TPersistent)
 public:
  using TItemFactory = std::function<TCollectionItem*(TCollection*)>;
  explicit TCollection(TItemFactory factory);
  ~TCollection() override;

  TCollectionItem* Add();
  void Clear();
  void Delete(int index);
  int Count() const { return int(FItems.size()); }
  TCollectionItem* Items(int index) const { return FItems.at(size_t(index)); }
  TCollectionItem* FindItemID(int id) const;

  // Changes inside a bracket are told once, at the closing EndUpdate.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  void Assign(const TPersistent* source) override;
  virtual TPersistent* GetOwner() const { return nullptr; }

 protected:
  // Called with the changed item, or nullptr when the whole collection changed.
  virtual void Update(TCollectionItem*) {}

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void Changed(TCollectionItem* item);

  TItemFactory FFactory;
  std::vector<TCollectionItem*> FItems;
  int FUpdateCount = 0;
  int FNextID = 0;
  bool FPendingChange = false;
};

// A collection with an owner, as the component kit uses for its stored lists.
class TOwnedCollection : public TCollection {
  UI_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* owner, TItemFactory factory) : TCollection(std::move(factory)), FOwner(owner) {}
  TPersistent* GetOwner() const override { return FOwner; }

 private:
  TPersistent* FOwner;
};

}  // namespace ui
