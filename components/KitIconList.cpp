#include "KitIconList.h"

#include <string>

#include "kit_icon_list_stream.h"
#include "ui_exceptions.h"

using namespace ui;

UI_CLASSINFO(TIconList)

namespace {

std::unique_ptr<TIcon> CopyOf(const TIcon* icon) {
  auto copy = std::make_unique<TIcon>();
  if (icon) copy->Assign(icon);
  return copy;
}

std::unique_ptr<TIcon> FromResource(HINSTANCE instance, const char* name) {
  auto icon = std::make_unique<TIcon>();
  icon->SetHandle(LoadIconA(instance, name));
  return icon;
}

}  // namespace

void TIconList::Changed() {
  if (FUpdateCount == 0 && OnChange) OnChange();
}

void TIconList::Watch(TIcon* icon) {
  if (icon) icon->OnChange = [this] { Changed(); };
}

void TIconList::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

int TIconList::Add(const TIcon* icon) {
  FIcons.push_back(CopyOf(icon));
  Watch(FIcons.back().get());
  Changed();
  return Count() - 1;
}

int TIconList::AddResource(HINSTANCE instance, const char* name) {
  FIcons.push_back(FromResource(instance, name));
  Watch(FIcons.back().get());
  Changed();
  return Count() - 1;
}

void TIconList::Insert(int index, const TIcon* icon) {
  if (index < 0 || index > Count()) throw EStringListError("List index out of bounds");
  FIcons.insert(FIcons.begin() + index, CopyOf(icon));
  Watch(FIcons[size_t(index)].get());
  Changed();
}

void TIconList::InsertResource(int index, HINSTANCE instance, const char* name) {
  if (index < 0 || index > Count()) throw EStringListError("List index out of bounds");
  FIcons.insert(FIcons.begin() + index, FromResource(instance, name));
  Watch(FIcons[size_t(index)].get());
  Changed();
}

void TIconList::Put(int index, const TIcon* icon) {
  if (index == Count()) {
    Add(icon);
    return;
  }
  if (index < 0 || index > Count()) throw EStringListError("List index out of bounds");
  std::unique_ptr<TIcon>& slot = FIcons[size_t(index)];
  if (!slot) {
    slot = std::make_unique<TIcon>();
    Watch(slot.get());
  }
  // The icon's own change reports it; one event for the whole put.
  BeginUpdate();
  if (icon)
    slot->Assign(icon);
  else
    slot->SetHandle(nullptr);
  Changed();
  EndUpdate();
}

void TIconList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EStringListError("List index out of bounds");
  FIcons.erase(FIcons.begin() + index);
  Changed();
}

void TIconList::Exchange(int a, int b) {
  if (a < 0 || a >= Count() || b < 0 || b >= Count()) throw EStringListError("List index out of bounds");
  std::swap(FIcons[size_t(a)], FIcons[size_t(b)]);
  Changed();
}

void TIconList::Move(int from, int to) {
  if (from < 0 || from >= Count() || to < 0 || to >= Count()) throw EStringListError("List index out of bounds");
  if (from == to) return;
  std::unique_ptr<TIcon> icon = std::move(FIcons[size_t(from)]);
  FIcons.erase(FIcons.begin() + from);
  FIcons.insert(FIcons.begin() + to, std::move(icon));
  Changed();
}

int TIconList::IndexOf(const TIcon* icon) const {
  for (size_t i = 0; i < FIcons.size(); ++i)
    if (FIcons[i].get() == icon) return int(i);
  return -1;
}

void TIconList::Clear() {
  if (FIcons.empty()) return;
  while (!FIcons.empty()) FIcons.pop_back();
  Changed();
}

void TIconList::Assign(const TPersistent* source) {
  if (!source) {
    Clear();
    return;
  }
  if (auto* list = dynamic_cast<const TIconList*>(source)) {
    if (list == this) return;
    BeginUpdate();
    Clear();
    for (const auto& icon : list->FIcons) {
      FIcons.push_back(icon ? CopyOf(icon.get()) : nullptr);
      Watch(FIcons.back().get());
    }
    Changed();
    EndUpdate();
    return;
  }
  if (auto* icon = dynamic_cast<const TIcon*>(source)) {
    BeginUpdate();
    Clear();
    Add(icon);
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

void TIconList::WriteData(TMemoryStream& stream) const {
  std::vector<std::string> entries;
  for (const auto& icon : FIcons) {
    std::string bytes;
    if (icon && !icon->Empty()) {
      TMemoryStream s;
      icon->SaveToStream(s);
      bytes.assign(reinterpret_cast<const char*>(s.Memory()), size_t(s.Size()));
    }
    entries.push_back(std::move(bytes));
  }
  const std::string out = kiticonlist::WriteIconListStream(entries);
  stream.Write(out.data(), int64_t(out.size()));
}

void TIconList::ReadData(TMemoryStream& stream) {
  BeginUpdate();
  Clear();
  std::vector<std::string> entries;
  size_t used = 0;
  const int64_t at = stream.Position();
  const bool ok = kiticonlist::ReadIconListStream(stream.Memory() + at, size_t(stream.Size() - at), entries, used);
  if (!ok) {
    EndUpdate();
    throw EReadError("Stream read error");
  }
  stream.SetPosition(at + int64_t(used));
  try {
    for (const std::string& e : entries) {
      if (e.empty()) {
        FIcons.push_back(nullptr);
        continue;
      }
      auto icon = std::make_unique<TIcon>();
      TMemoryStream s;
      s.Write(e.data(), int64_t(e.size()));
      s.SetPosition(0);
      icon->LoadFromStream(s);
      Watch(icon.get());
      FIcons.push_back(std::move(icon));
    }
  } catch (...) {
    FIcons.clear();
    EndUpdate();
    throw;
  }
  Changed();
  EndUpdate();
}
