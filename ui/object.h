#pragma once
// TObject and TPersistent: the roots of the class tree, with the published-property table hook.
#include "published_props.h"

namespace ui {

class TObject {
 public:
  virtual ~TObject() = default;
  static const TClassInfo& StaticClassInfo();
  virtual const TClassInfo& ClassType() const { return StaticClassInfo(); }
  const char* ClassName() const { return ClassType().ClassName; }
  bool InheritsFrom(const TClassInfo& info) const { return ClassType().InheritsFrom(info); }
};

class TPersistent : public TObject {
  UI_CLASS(TPersistent, TObject)
 public:
  // Copies source into this object; an unsupported pair raises EConvertError.
  virtual void Assign(const TPersistent* source);

 protected:
  virtual void AssignTo(TPersistent* dest) const;
};

}  // namespace ui
