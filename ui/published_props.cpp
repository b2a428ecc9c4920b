#include "published_props.h"

#include "object.h"
#include "sys_utils.h"
#include "text_compare.h"
#include "ui_exceptions.h"

namespace ui {

bool TClassInfo::InheritsFrom(const TClassInfo& other) const {
  for (const TClassInfo* c = this; c; c = c->Parent)
    if (c == &other) return true;
  return false;
}

std::vector<const TPropInfo*> GetPropList(const TObject& obj) {
  std::vector<const TClassInfo*> chain;
  for (const TClassInfo* c = &obj.ClassType(); c; c = c->Parent) chain.push_back(c);
  std::vector<const TPropInfo*> list;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it)
    for (const TPropInfo& p : (*it)->Props) list.push_back(&p);
  return list;
}

const TPropInfo* FindPropInfo(const TObject& obj, const std::string& name) {
  // The most derived declaration wins.
  for (const TClassInfo* c = &obj.ClassType(); c; c = c->Parent)
    for (const TPropInfo& p : c->Props)
      if (AnsiSameText(p.Name, name)) return &p;
  return nullptr;
}

static const TPropInfo& RequireProp(const TObject& obj, const std::string& name) {
  const TPropInfo* p = FindPropInfo(obj, name);
  if (!p) throw EPropertyError(Format("Property %s does not exist", name.c_str()));
  return *p;
}

TPropValue GetPropValue(const TObject& obj, const std::string& name) { return RequireProp(obj, name).Get(obj); }

void SetPropValue(TObject& obj, const std::string& name, const TPropValue& value) {
  RequireProp(obj, name).Set(obj, value);
}

std::string GetEnumName(const TPropInfo& prop, int64_t value) {
  if (value < 0 || value >= int64_t(prop.Identifiers.size())) return std::string();
  return prop.Identifiers[size_t(value)];
}

int GetEnumValue(const TPropInfo& prop, const std::string& name) {
  for (size_t i = 0; i < prop.Identifiers.size(); ++i)
    if (AnsiSameText(prop.Identifiers[i], name)) return int(i);
  return -1;
}

// The roots of the tree carry no properties.
const TClassInfo& TObject::StaticClassInfo() {
  static const TClassInfo info{"TObject", nullptr, {}};
  return info;
}

UI_CLASSINFO(TPersistent)

void TPersistent::Assign(const TPersistent* source) {
  if (!source) throw EConvertError(Format("Cannot assign a nil to a %s", ClassName()));
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) const {
  throw EConvertError(Format("Cannot assign a %s to a %s", ClassName(), dest->ClassName()));
}

}  // namespace ui
