#pragma once
// TStrings: an ordered list of texts, each with an object slot.
#include <string>
#include <vector>

#include "object.h"

namespace ui {

class TStrings : public TPersistent {
  UI_CLASS(TStrings, TPersistent)
 public:
  TStrings() = default;
  TStrings(std::initializer_list<std::string> lines);

  int Count() const { return int(FItems.size()); }
  const std::string& Strings(int index) const { return FItems.at(size_t(index)).Text; }
  void SetStrings(int index, const std::string& s) { FItems.at(size_t(index)).Text = s; }
  TObject* Objects(int index) const { return FItems.at(size_t(index)).Object; }
  void SetObjects(int index, TObject* object) { FItems.at(size_t(index)).Object = object; }
  const std::string& operator[](int index) const { return Strings(index); }

  int Add(const std::string& s) { return AddObject(s, nullptr); }
  int AddObject(const std::string& s, TObject* object);
  void Insert(int index, const std::string& s, TObject* object = nullptr);
  void Delete(int index);
  void Clear() { FItems.clear(); }
  // Case-blind; -1 when absent.
  int IndexOf(const std::string& s) const;
  int IndexOfObject(const TObject* object) const;
  // Lines joined with CR LF after each; setting splits at CR, LF or CR LF.
  std::string Text() const;
  void SetText(const std::string& text);

  void Assign(const TPersistent* source) override;

 private:
  struct Item {
    std::string Text;
    TObject* Object;
  };
  std::vector<Item> FItems;
};

using TStringList = TStrings;

}  // namespace ui
