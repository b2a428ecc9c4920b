#pragma once
// TIconList: owned icons (an entry may be empty) with a change event, stored as the "Icons" data.
#include <windows.h>

#include <functional>
#include <memory>
#include <vector>

#include "icon.h"
#include "streams.h"

class TIconList : public ui::TPersistent {
  UI_CLASS(TIconList, ui::TPersistent)
 public:
  // Each call stores a copy of the icon.
  int Add(const ui::TIcon* icon);
  int AddResource(HINSTANCE instance, const char* name);
  void Insert(int index, const ui::TIcon* icon);
  void InsertResource(int index, HINSTANCE instance, const char* name);
  // An index equal to the count appends.
  void Put(int index, const ui::TIcon* icon);
  void Delete(int index);
  void Exchange(int a, int b);
  void Move(int from, int to);
  int IndexOf(const ui::TIcon* icon) const;
  int Count() const { return int(FIcons.size()); }
  ui::TIcon* Get(int index) const { return FIcons.at(size_t(index)).get(); }
  void Clear();
  // From an icon list, from one icon, or from nothing (cleared).
  void Assign(const ui::TPersistent* source) override;
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  std::function<void()> OnChange;

  // A 32-bit count, then each entry's 32-bit size and saved icon image (0 for an empty entry).
  void WriteData(ui::TMemoryStream& stream) const;
  // A count or size that claims more bytes than are left raises EReadError; the list is then empty.
  void ReadData(ui::TMemoryStream& stream);

 private:
  void Changed();
  // Stored icons report their own changes as the list's.
  void Watch(ui::TIcon* icon);
  std::vector<std::unique_ptr<ui::TIcon>> FIcons;
  int FUpdateCount = 0;
};
