#pragma once
// Published properties: one static table per class (name, kind, identifiers, get/set), so that
// components can be read and written by property name (property storage, form placement).
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

namespace ui {

class TObject;

enum class TTypeKind { Integer, Int64, Char, WChar, Enumeration, Set, Float, String, Variant, Class };
enum class TFloatType { Single, Double, Extended, Comp, Currency };

// A set of at most 32 members: bit n is the member with ordinal n.
using TSet32 = uint32_t;

// The variant kind of a published property: empty, or a text.
struct TVariant {
  bool Empty = true;
  std::string Text;
  TVariant() = default;
  explicit TVariant(const std::string& text) : Empty(false), Text(text) {}
  bool operator==(const TVariant& o) const { return Empty == o.Empty && Text == o.Text; }
  bool operator!=(const TVariant& o) const { return !(*this == o); }
};

// The value of any property kind: ordinals (integer, int64, char, enum, set, bool) in Ord.
struct TPropValue {
  int64_t Ord = 0;
  double Float = 0;
  std::string Str;
  bool Empty = false;  // variant only
  TObject* Obj = nullptr;
};

struct TClassInfo;

struct TPropInfo {
  std::string Name;
  TTypeKind Kind = TTypeKind::Integer;
  std::vector<std::string> Identifiers;  // enumeration, set members, False/True
  TFloatType FloatType = TFloatType::Double;
  const TClassInfo* PropClass = nullptr;  // declared class of a class property
  std::function<TPropValue(const TObject&)> Get;
  std::function<void(TObject&, const TPropValue&)> Set;
};

struct TClassInfo {
  const char* ClassName;
  const TClassInfo* Parent;
  std::vector<TPropInfo> Props;
  bool InheritsFrom(const TClassInfo& other) const;
};

namespace detail {
template <class T>
TPropValue ToValue(const T& v) {
  TPropValue r;
  if constexpr (std::is_same_v<T, std::string>) {
    r.Str = v;
  } else if constexpr (std::is_same_v<T, TVariant>) {
    r.Str = v.Text;
    r.Empty = v.Empty;
  } else if constexpr (std::is_floating_point_v<T>) {
    r.Float = static_cast<double>(v);
  } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
    r.Ord = static_cast<int64_t>(v);
  } else if constexpr (std::is_pointer_v<T>) {
    r.Obj = const_cast<TObject*>(static_cast<const TObject*>(v));
  } else {
    static_assert(sizeof(T) == 0, "unsupported property type");
  }
  return r;
}

template <class T>
T FromValue(const TPropValue& v) {
  if constexpr (std::is_same_v<T, std::string>) {
    return v.Str;
  } else if constexpr (std::is_same_v<T, TVariant>) {
    return v.Empty ? TVariant() : TVariant(v.Str);
  } else if constexpr (std::is_floating_point_v<T>) {
    return static_cast<T>(v.Float);
  } else if constexpr (std::is_same_v<T, bool>) {
    return v.Ord != 0;
  } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
    return static_cast<T>(v.Ord);
  } else if constexpr (std::is_pointer_v<T>) {
    return dynamic_cast<T>(v.Obj);
  }
}
}  // namespace detail

namespace detail {
template <class C, class R, class A, class Getter>
TPropInfo MakeAccessorProp(TTypeKind kind, const char* name, Getter get, void (C::*set)(A),
                           std::vector<std::string> identifiers, TFloatType floatType, const TClassInfo* propClass) {
  using Arg = std::decay_t<A>;
  TPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.Identifiers = std::move(identifiers);
  p.FloatType = floatType;
  p.PropClass = propClass;
  p.Get = [get](const TObject& o) {
    return ToValue<std::decay_t<R>>((const_cast<C&>(static_cast<const C&>(o)).*get)());
  };
  p.Set = [set](TObject& o, const TPropValue& v) { (static_cast<C&>(o).*set)(FromValue<Arg>(v)); };
  return p;
}
}  // namespace detail

template <class C, class R, class A>
TPropInfo MakeProp(TTypeKind kind, const char* name, R (C::*get)() const, void (C::*set)(A),
                   std::vector<std::string> identifiers = {}, TFloatType floatType = TFloatType::Double,
                   const TClassInfo* propClass = nullptr) {
  return detail::MakeAccessorProp<C, R>(kind, name, get, set, std::move(identifiers), floatType, propClass);
}

// Getters that hand out an owned object (Font) are not const.
template <class C, class R, class A>
TPropInfo MakeProp(TTypeKind kind, const char* name, R (C::*get)(), void (C::*set)(A),
                   std::vector<std::string> identifiers = {}, TFloatType floatType = TFloatType::Double,
                   const TClassInfo* propClass = nullptr) {
  return detail::MakeAccessorProp<C, R>(kind, name, get, set, std::move(identifiers), floatType, propClass);
}

template <class C, class F>
TPropInfo MakeFieldProp(TTypeKind kind, const char* name, F C::*field, std::vector<std::string> identifiers = {},
                        TFloatType floatType = TFloatType::Double) {
  TPropInfo p;
  p.Name = name;
  p.Kind = kind;
  p.Identifiers = std::move(identifiers);
  p.FloatType = floatType;
  p.Get = [field](const TObject& o) { return detail::ToValue<F>(static_cast<const C&>(o).*field); };
  p.Set = [field](TObject& o, const TPropValue& v) { static_cast<C&>(o).*field = detail::FromValue<F>(v); };
  return p;
}

// Every published property of the object, the base class's entries first.
std::vector<const TPropInfo*> GetPropList(const TObject& obj);
// Case-blind lookup; nullptr when the class publishes no such property.
const TPropInfo* FindPropInfo(const TObject& obj, const std::string& name);
// By name; an unknown name raises EPropertyError.
TPropValue GetPropValue(const TObject& obj, const std::string& name);
void SetPropValue(TObject& obj, const std::string& name, const TPropValue& value);
// Identifier of an ordinal, and the ordinal of an identifier (case-blind, -1 when none matches).
std::string GetEnumName(const TPropInfo& prop, int64_t value);
int GetEnumValue(const TPropInfo& prop, const std::string& name);

}  // namespace ui

// Declares the class's table and its link to the base class.
#define UI_CLASS(Cls, Base)                                                          \
 public:                                                                             \
  using Inherited = Base;                                                            \
  static const ::ui::TClassInfo& StaticClassInfo();                                  \
  const ::ui::TClassInfo& ClassType() const override { return StaticClassInfo(); } \
                                                                                     \
 private:

// Defines the class's table: UI_CLASSINFO(TControl, UI_PROP(Integer, "Width", Width, SetWidth), ...)
#define UI_CLASSINFO(Cls, ...)                                                                     \
  const ::ui::TClassInfo& Cls::StaticClassInfo() {                                                 \
    using Self [[maybe_unused]] = Cls;                                                             \
    static const ::ui::TClassInfo info{#Cls, &Cls::Inherited::StaticClassInfo(), {__VA_ARGS__}}; \
    return info;                                                                                   \
  }

#define UI_PROP(Kind, Name, G, S) ::ui::MakeProp(::ui::TTypeKind::Kind, Name, &Self::G, &Self::S)
#define UI_PROP_BOOL(Name, G, S) \
  ::ui::MakeProp(::ui::TTypeKind::Enumeration, Name, &Self::G, &Self::S, {"False", "True"})
#define UI_PROP_ENUM(Name, G, S, ...) \
  ::ui::MakeProp(::ui::TTypeKind::Enumeration, Name, &Self::G, &Self::S, {__VA_ARGS__})
#define UI_PROP_SET(Name, G, S, ...) ::ui::MakeProp(::ui::TTypeKind::Set, Name, &Self::G, &Self::S, {__VA_ARGS__})
#define UI_PROP_FLOAT(Name, G, S, FloatKind) \
  ::ui::MakeProp(::ui::TTypeKind::Float, Name, &Self::G, &Self::S, {}, ::ui::TFloatType::FloatKind)
#define UI_PROP_CLASS(Name, G, S, Cls)                                                              \
  ::ui::MakeProp(::ui::TTypeKind::Class, Name, &Self::G, &Self::S, {}, ::ui::TFloatType::Double, \
                 &Cls::StaticClassInfo())
#define UI_FIELD(Kind, Name, Field) ::ui::MakeFieldProp(::ui::TTypeKind::Kind, Name, &Self::Field)
