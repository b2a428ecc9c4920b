#pragma once
// TStrings: an ordered list of texts, each with an object slot. List controls derive from it to mirror every
// change into their windows: the primitive changes are virtual and everything else goes through them.
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
  virtual void SetStrings(int index, const std::string& s) { FItems.at(size_t(index)).Text = s; }
  TObject* Objects(int index) const { return FItems.at(size_t(index)).Object; }
  void SetObjects(int index, TObject* object) { FItems.at(size_t(index)).Object = object; }
  const std::string& operator[](int index) const { return Strings(index); }

  int Add(const std::string& s) { return AddObject(s, nullptr); }
  virtual int AddObject(const std::string& s, TObject* object);
  virtual void Insert(int index, const std::string& s, TObject* object = nullptr);
  virtual void Delete(int index);
  virtual void Clear() { FItems.clear(); }
  // Changes inside a bracket may be shown once, at the closing EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  // Case-blind; -1 when absent.
  int IndexOf(const std::string& s) const;
  int IndexOfObject(const TObject* object) const;
  // Lines joined with CR LF after each; setting splits at CR, LF or CR LF.
  std::string Text() const;
  void SetText(const std::string& text);

  void Assign(const TPersistent* source) override;

 protected:
  // Told when the first BeginUpdate opens a bracket (true) and the last EndUpdate closes it (false).
  virtual void SetUpdateState(bool) {}

 private:
  int FUpdateCount = 0;
  struct Item {
    std::string Text;
    TObject* Object;
  };
  std::vector<Item> FItems;
};

using TStringList = TStrings;

}  // namespace ui
