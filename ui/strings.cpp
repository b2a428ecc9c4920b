#include "strings.h"

#include "sys_utils.h"
#include "text_compare.h"
#include "ui_exceptions.h"

namespace ui {

UI_CLASSINFO(TStrings)

TStrings::TStrings(std::initializer_list<std::string> lines) {
  for (const auto& l : lines) Add(l);
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  FItems.push_back({s, object});
  return int(FItems.size()) - 1;
}

void TStrings::Insert(int index, const std::string& s, TObject* object) {
  if (index < 0 || index > Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  FItems.insert(FItems.begin() + index, Item{s, object});
}

void TStrings::Delete(int index) {
  if (index < 0 || index >= Count()) throw EStringListError(Format("List index out of bounds (%d)", index));
  FItems.erase(FItems.begin() + index);
}

int TStrings::IndexOf(const std::string& s) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (AnsiSameText(FItems[i].Text, s)) return int(i);
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (size_t i = 0; i < FItems.size(); ++i)
    if (FItems[i].Object == object) return int(i);
  return -1;
}

std::string TStrings::Text() const {
  std::string r;
  for (const auto& i : FItems) r += i.Text + "\r\n";
  return r;
}

void TStrings::BeginUpdate() {
  if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::SetText(const std::string& text) {
  BeginUpdate();
  Clear();
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    if (end == std::string::npos) end = text.size();
    Add(text.substr(start, end - start));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ++end;
    start = end + 1;
  }
  EndUpdate();
}

void TStrings::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TStrings*>(source)) {
    if (s == this) return;
    std::vector<Item> items = s->FItems;
    BeginUpdate();
    Clear();
    for (const Item& i : items) AddObject(i.Text, i.Object);
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace ui
