#include "KitProps.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>

#include "KitStrUtils.h"
#include "collection.h"
#include "form.h"
#include "locale_format.h"
#include "screen.h"
#include "str_to_int.h"
#include "sys_utils.h"
#include "text_compare.h"

using namespace ui;

namespace {

// More items than any list of the program holds: a larger stored count is damage.
constexpr int kMaxStoredCount = 100000;
// A stored collection is a window's set of columns or the like: no window shows more than this many (a column
// is a few pixels wide at least, on the widest screen), so a larger count is damage.
constexpr int kMaxStoredCollectionCount = 256;

// A control's stored width or height fits into its parent; one that does not (negative, or larger than the
// parent) would hide the control or its neighbours.
bool SizeFits(const TObject* object, const std::string& name, int64_t value) {
  auto* control = dynamic_cast<const TControl*>(object);
  if (!control || !control->Parent()) return true;
  bool width = AnsiSameText(name, "Width");
  if (!width && !AnsiSameText(name, "Height")) return true;
  RECT client = control->Parent()->ClientRect();
  return value >= 0 && value <= (width ? client.right - client.left : client.bottom - client.top);
}

int FloatDigits(TFloatType type) {
  switch (type) {
    case TFloatType::Single: return 7;
    case TFloatType::Double: return 15;
    case TFloatType::Extended:
    case TFloatType::Comp: return 18;
    case TFloatType::Currency: return 19;
  }
  return 15;
}

int64_t StrToInt64Def(const std::string& s, int64_t def) {
  if (s.empty()) return def;
  errno = 0;
  char* end = nullptr;
  long long v = strtoll(s.c_str(), &end, 10);
  if (*end || errno == ERANGE || !(isdigit(BYTE(s.back())))) return def;
  return v;
}

std::string UpperKey(const std::string& s) { return UpperCase(s); }

}  // namespace

// ---- TPropInfoList ----

TPropInfoList::TPropInfoList(const TObject* object) {
  if (object) FList = GetPropList(*object);
}

const TPropInfo* TPropInfoList::Find(const std::string& name) const {
  // Later entries belong to more derived classes and win.
  for (auto it = FList.rbegin(); it != FList.rend(); ++it)
    if (AnsiSameText((*it)->Name, name)) return *it;
  return nullptr;
}

// ---- free routines ----

bool ParseStoredItem(const std::string& item, std::string& componentName, std::string& propName) {
  size_t dot = item.find('.');
  if (dot == std::string::npos) return false;
  componentName = Trim(item.substr(0, dot));
  propName = Trim(item.substr(dot + 1));
  return !componentName.empty() && !propName.empty();
}

std::string CreateStoredItem(const std::string& componentName, const std::string& propName) {
  if (componentName.empty() || propName.empty()) return std::string();
  return componentName + "." + propName;
}

TComponent* FindGlobalComponent(const std::string& name) {
  for (int i = 0; i < Screen().FormCount(); ++i) {
    TForm* form = Screen().Forms(i);
    if (AnsiSameText(form->Name(), name)) return form;
  }
  return nullptr;
}

// ---- hooks ----

std::string TPropsStorage::ReadString(const std::string& section, const std::string& item, const std::string& def) {
  return OnReadString ? OnReadString(section, item, def) : std::string();
}

void TPropsStorage::WriteString(const std::string& section, const std::string& item, const std::string& value) {
  if (OnWriteString) OnWriteString(section, item, value);
}

void TPropsStorage::EraseSection(const std::string& section) {
  if (OnEraseSection) OnEraseSection(section);
}

std::string TPropsStorage::GetItemName(const std::string& name) { return Prefix + name; }

std::unique_ptr<TPropsStorage> TPropsStorage::CreateStorage() { return std::make_unique<TPropsStorage>(); }

// ---- one property ----

std::string TPropsStorage::StoreValue(const TPropInfo* prop, const TPropValue& v) const {
  switch (prop->Kind) {
    case TTypeKind::Integer:
    case TTypeKind::Int64: return Format("%lld", static_cast<long long>(v.Ord));
    case TTypeKind::Char: return v.Ord ? std::string(1, char(v.Ord)) : std::string();
    case TTypeKind::WChar: return WideCharToString(wchar_t(v.Ord));
    case TTypeKind::Enumeration: return GetEnumName(*prop, v.Ord);
    case TTypeKind::Float: {
      std::string s = FloatToStrF(v.Float, FloatDigits(prop->FloatType));
      std::replace(s.begin(), s.end(), DecimalSeparator(), '.');
      return s;
    }
    case TTypeKind::String: return v.Str;
    case TTypeKind::Set: {
      std::string s;
      for (size_t i = 0; i < 32 && i < prop->Identifiers.size(); ++i) {
        if (!(uint64_t(v.Ord) & (uint64_t(1) << i))) continue;
        if (!s.empty()) s += ",";
        s += prop->Identifiers[i];
      }
      return "[" + s + "]";
    }
    case TTypeKind::Variant: return v.Empty ? std::string() : v.Str;
    case TTypeKind::Class: return std::string();
  }
  return std::string();
}

void TPropsStorage::StoreAnyProperty(const TPropInfo* prop) {
  if (!prop || !FObject) return;
  if (prop->Kind == TTypeKind::Class) {
    StoreClassProperty(prop);
    return;
  }
  std::string text = StoreValue(prop, prop->Get(*FObject));
  bool writeEmpty = prop->Kind == TTypeKind::String || prop->Kind == TTypeKind::WChar;
  if (text.empty() && !writeEmpty) return;
  WriteString(Section, GetItemName(prop->Name), Trim(text));
}

void TPropsStorage::LoadValue(const TPropInfo* prop, const std::string& text) {
  TPropValue v = prop->Get(*FObject);
  switch (prop->Kind) {
    case TTypeKind::Integer:
      v.Ord = StrToIntDef(text, 0);
      if (!SizeFits(FObject, prop->Name, v.Ord)) return;
      break;
    case TTypeKind::Int64: v.Ord = StrToInt64Def(text, 0); break;
    case TTypeKind::Char:
      if (text.empty()) return;
      v.Ord = BYTE(text[0]);
      break;
    case TTypeKind::WChar: v.Ord = StringToWideChar(text); break;
    case TTypeKind::Enumeration: {
      int ord = GetEnumValue(*prop, text);
      if (ord < 0) return;
      v.Ord = ord;
      break;
    }
    case TTypeKind::Float: {
      std::string s = text;
      std::replace(s.begin(), s.end(), '.', DecimalSeparator());
      if (!TryStrToFloat(s, v.Float)) return;
      break;
    }
    case TTypeKind::String: v.Str = text; break;
    case TTypeKind::Set: {
      const std::string delims = " ,[]";
      uint32_t set = 0;
      for (int i = 1, n = WordCount(text, delims); i <= n; ++i) {
        int ord = GetEnumValue(*prop, ExtractWord(i, text, delims));
        if (ord >= 0 && ord < 32) set |= 1u << ord;
      }
      v.Ord = set;
      break;
    }
    case TTypeKind::Variant:
      v.Str = text;
      v.Empty = false;
      break;
    case TTypeKind::Class: return;
  }
  prop->Set(*FObject, v);
}

void TPropsStorage::LoadAnyProperty(const TPropInfo* prop) {
  if (!prop || !FObject) return;
  try {
    std::string def = prop->Kind == TTypeKind::Class ? std::string() : StoreValue(prop, prop->Get(*FObject));
    bool readEmpty = prop->Kind == TTypeKind::String || prop->Kind == TTypeKind::Class ||
                     prop->Kind == TTypeKind::WChar;
    std::string text;
    if (!def.empty() || readEmpty) text = Trim(ReadString(Section, GetItemName(prop->Name), def));
    if (prop->Kind == TTypeKind::Class)
      LoadClassProperty(prop, text);
    else
      LoadValue(prop, text);
  } catch (...) {
    // A damaged value leaves the property as it was.
  }
}

// ---- class properties ----

bool TPropsStorage::BeingStored(const TObject* object) const {
  return std::find(FChain.begin(), FChain.end(), object) != FChain.end();
}

std::unique_ptr<TPropsStorage> TPropsStorage::NestedStorage(TObject* object, const std::string& section,
                                                            const std::string& prefix) {
  std::unique_ptr<TPropsStorage> s = CreateStorage();
  s->FObject = object;
  s->FOwner = FOwner;
  s->Section = section;
  s->Prefix = prefix;
  s->OnReadString = OnReadString;
  s->OnWriteString = OnWriteString;
  s->OnEraseSection = OnEraseSection;
  s->FChain = FChain;
  if (FObject) s->FChain.push_back(FObject);
  s->FChain.push_back(object);
  return s;
}

void TPropsStorage::StoreObjectProps(TObject* object, const std::string& section, const std::string& prefix) {
  if (!object || object == FObject || BeingStored(object)) return;
  auto s = NestedStorage(object, section, prefix);
  TPropInfoList props(object);
  for (int i = 0; i < props.Count(); ++i) s->StoreAnyProperty(props.Items(i));
}

void TPropsStorage::LoadObjectProps(TObject* object, const std::string& section, const std::string& prefix) {
  if (!object || object == FObject || BeingStored(object)) return;
  auto s = NestedStorage(object, section, prefix);
  TPropInfoList props(object);
  for (int i = 0; i < props.Count(); ++i) s->LoadAnyProperty(props.Items(i));
}

void TPropsStorage::StoreClassProperty(const TPropInfo* prop) {
  TObject* obj = prop->Get(*FObject).Obj;
  if (!obj) return;
  if (auto* list = dynamic_cast<TStrings*>(obj)) {
    StoreStrings(prop, list);
  } else if (auto* collection = dynamic_cast<TCollection*>(obj)) {
    StoreCollection(prop, collection);
  } else if (auto* component = dynamic_cast<TComponent*>(obj)) {
    WriteString(Section, GetItemName(prop->Name), ComponentReference(component));
    return;
  }
  StoreObjectProps(obj, Section, GetItemName(prop->Name));
}

void TPropsStorage::LoadClassProperty(const TPropInfo* prop, const std::string& text) {
  TObject* obj = prop->Get(*FObject).Obj;
  bool isReference = prop->PropClass && prop->PropClass->InheritsFrom(TComponent::StaticClassInfo());
  if (isReference || dynamic_cast<TComponent*>(obj)) {
    LoadComponentReference(prop, text);
    return;
  }
  if (!obj) return;
  if (auto* list = dynamic_cast<TStrings*>(obj))
    LoadStrings(prop, list);
  else if (auto* collection = dynamic_cast<TCollection*>(obj))
    LoadCollection(prop, collection);
  LoadObjectProps(obj, Section, GetItemName(prop->Name));
}

void TPropsStorage::StoreStrings(const TPropInfo* prop, TStrings* list) {
  std::string sub = Section + "." + GetItemName(prop->Name);
  EraseSection(sub);
  if (list->Count() == 0) return;
  WriteString(sub, "Count", Format("%d", list->Count()));
  for (int i = 0; i < list->Count(); ++i) WriteString(sub, Format("Item%d", i), list->Strings(i));
}

void TPropsStorage::LoadStrings(const TPropInfo* prop, TStrings* list) {
  std::string sub = Section + "." + GetItemName(prop->Name);
  int count = StrToIntDef(Trim(ReadString(sub, "Count", "0")), 0);
  if (count <= 0 || count > kMaxStoredCount) return;
  TStrings loaded;
  for (int i = 0; i < count; ++i) loaded.Add(ReadString(sub, Format("Item%d", i), std::string()));
  list->Assign(&loaded);
}

void TPropsStorage::StoreCollection(const TPropInfo* prop, TCollection* collection) {
  std::string name = GetItemName(prop->Name);
  std::string sub = Section + "." + name;
  EraseSection(sub);
  WriteString(Section, name + ".Count", Format("%d", collection->Count()));
  for (int i = 0; i < collection->Count(); ++i)
    StoreObjectProps(collection->Items(i), sub, Format("Item%d_", i));
}

void TPropsStorage::LoadCollection(const TPropInfo* prop, TCollection* collection) {
  std::string name = GetItemName(prop->Name);
  std::string sub = Section + "." + name;
  int current = collection->Count();
  int count = StrToIntDef(Trim(ReadString(Section, name + ".Count", Format("%d", current))), current);
  if (count < 0 || count > kMaxStoredCollectionCount) count = current;
  bool recreate = count != current;
  collection->BeginUpdate();
  try {
    if (recreate) collection->Clear();
    for (int i = 0; i < count; ++i) {
      TCollectionItem* item = recreate ? collection->Add() : collection->Items(i);
      LoadObjectProps(item, sub, Format("Item%d_", i));
    }
  } catch (...) {
    collection->EndUpdate();
    throw;
  }
  collection->EndUpdate();
}

std::string TPropsStorage::ComponentReference(TComponent* component) const {
  TComponent* owner = component->Owner();
  if (!owner || owner == FOwner) return component->Name();
  std::string ownerName = owner->Name();
  if (ownerName.empty()) {
    ownerName = owner->ClassName();
    if (!ownerName.empty() && (ownerName[0] == 'T' || ownerName[0] == 't')) ownerName.erase(0, 1);
  }
  return ownerName + "." + component->Name();
}

void TPropsStorage::LoadComponentReference(const TPropInfo* prop, const std::string& text) {
  if (text.empty()) return;
  TPropValue v;
  if (AnsiSameText(text, "(null)")) {
    prop->Set(*FObject, v);
    return;
  }
  TComponent* root = FOwner;
  std::string name = text;
  size_t dot = text.find('.');
  if (dot != std::string::npos) {
    root = FindGlobalComponent(Trim(text.substr(0, dot)));
    name = Trim(text.substr(dot + 1));
  }
  if (!root) return;
  v.Obj = root->FindComponent(name);
  prop->Set(*FObject, v);
}

// ---- lists of properties ----

void TPropsStorage::SyncStoredList(TComponent* owner, TStrings* list, bool fromForm) {
  if (!owner || !list) return;
  for (int i = list->Count() - 1; i >= 0; --i) {
    std::string componentName, propName;
    if (!ParseStoredItem(list->Strings(i), componentName, propName)) {
      list->Delete(i);
    } else if (fromForm) {
      TComponent* c = owner->FindComponent(componentName);
      if (c)
        list->SetObjects(i, c);
      else
        list->Delete(i);
    } else if (auto* c = dynamic_cast<TComponent*>(list->Objects(i))) {
      list->SetStrings(i, CreateStoredItem(c->Name(), propName));
    } else {
      list->Delete(i);
    }
  }
}

void TPropsStorage::ForEachListed(TComponent* owner, TStrings* list, bool load) {
  if (!owner || !list) return;
  SyncStoredList(owner, list, false);
  std::map<std::string, std::unique_ptr<TPropInfoList>> props;
  for (int i = 0; i < list->Count(); ++i) {
    auto* c = dynamic_cast<TComponent*>(list->Objects(i));
    if (c && !props.count(UpperKey(c->Name()))) props[UpperKey(c->Name())] = std::make_unique<TPropInfoList>(c);
  }
  FOwner = owner;
  struct TOwnerReset {
    TComponent*& Owner;
    ~TOwnerReset() { Owner = nullptr; }
  } reset{FOwner};
  for (int i = 0; i < list->Count(); ++i) {
    std::string componentName, propName;
    if (!ParseStoredItem(list->Strings(i), componentName, propName)) continue;
    auto* c = dynamic_cast<TComponent*>(list->Objects(i));
    if (!c) continue;
    FObject = c;
    Prefix = c->Name();
    auto found = props.find(UpperKey(Prefix));
    if (found == props.end()) continue;
    Prefix += "_";
    const TPropInfo* prop = found->second->Find(propName);
    if (!prop) continue;
    FChain.clear();
    if (load)
      LoadAnyProperty(prop);
    else
      StoreAnyProperty(prop);
  }
}

void TPropsStorage::SaveComponentProps(TComponent* owner, TStrings* list) { ForEachListed(owner, list, false); }

void TPropsStorage::LoadComponentProps(TComponent* owner, TStrings* list) { ForEachListed(owner, list, true); }
