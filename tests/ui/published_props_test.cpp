#include <gtest/gtest.h>

#include <string>

#include "component.h"
#include "graphics.h"
#include "published_props.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

enum TFruit { frApple, frPear, frPlum };

// One property of every kind, declared on a class below TComponent.
class TAllKinds : public TComponent {
  UI_CLASS(TAllKinds, TComponent)
 public:
  using TComponent::TComponent;
  int IntValue() const { return FInt; }
  void SetIntValue(int v) { FInt = v; }
  int64_t BigValue() const { return FBig; }
  void SetBigValue(int64_t v) { FBig = v; }
  char Letter() const { return FLetter; }
  void SetLetter(char v) { FLetter = v; }
  wchar_t Wide() const { return FWide; }
  void SetWide(wchar_t v) { FWide = v; }
  TFruit Fruit() const { return FFruit; }
  void SetFruit(TFruit v) { FFruit = v; }
  TSet32 Basket() const { return FBasket; }
  void SetBasket(TSet32 v) { FBasket = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  float Small() const { return FSmall; }
  void SetSmall(float v) { FSmall = v; }
  const std::string& Label() const { return FLabel; }
  void SetLabel(const std::string& v) { FLabel = v; }
  TVariant Value() const { return FValue; }
  void SetValue(const TVariant& v) { FValue = v; }
  bool Flag() const { return FFlag; }
  void SetFlag(bool v) { FFlag = v; }
  TFont* Font() { return &FFont; }
  void SetFont(TFont* f) { FFont.Assign(f); }
  TComponent* Link() const { return FLink; }
  void SetLink(TComponent* c) { FLink = c; }

 private:
  int FInt = 0;
  int64_t FBig = 0;
  char FLetter = 'a';
  wchar_t FWide = L'a';
  TFruit FFruit = frApple;
  TSet32 FBasket = 0;
  double FRatio = 0;
  float FSmall = 0;
  std::string FLabel;
  TVariant FValue;
  bool FFlag = false;
  TFont FFont;
  TComponent* FLink = nullptr;
};

UI_CLASSINFO(TAllKinds, UI_PROP(Integer, "IntValue", IntValue, SetIntValue),
             UI_PROP(Int64, "BigValue", BigValue, SetBigValue), UI_PROP(Char, "Letter", Letter, SetLetter),
             UI_PROP(WChar, "Wide", Wide, SetWide), UI_PROP_ENUM("Fruit", Fruit, SetFruit, "frApple", "frPear", "frPlum"),
             UI_PROP_SET("Basket", Basket, SetBasket, "frApple", "frPear", "frPlum"),
             UI_PROP_FLOAT("Ratio", Ratio, SetRatio, Double), UI_PROP_FLOAT("Small", Small, SetSmall, Single),
             UI_PROP(String, "Label", Label, SetLabel), UI_PROP(Variant, "Value", Value, SetValue),
             UI_PROP_BOOL("Flag", Flag, SetFlag), UI_PROP_CLASS("Font", Font, SetFont, TFont),
             UI_PROP_CLASS("Link", Link, SetLink, TComponent))

}  // namespace

TEST(PublishedProps, BaseEntriesComeFirst) {
  TAllKinds obj(nullptr);
  auto list = GetPropList(obj);
  ASSERT_GE(list.size(), 3u);
  EXPECT_EQ("Name", list[0]->Name);
  EXPECT_EQ("Tag", list[1]->Name);
  EXPECT_EQ("IntValue", list[2]->Name);
  EXPECT_EQ("Link", list.back()->Name);
}

TEST(PublishedProps, EveryKindReadsAndWritesByName) {
  TAllKinds obj(nullptr);
  TAllKinds other(nullptr);
  TPropValue v;

  v.Ord = -12345;
  SetPropValue(obj, "intvalue", v);
  EXPECT_EQ(-12345, obj.IntValue());
  v.Ord = int64_t(1) << 40;
  SetPropValue(obj, "BigValue", v);
  EXPECT_EQ(int64_t(1) << 40, GetPropValue(obj, "BigValue").Ord);
  v.Ord = 'Z';
  SetPropValue(obj, "Letter", v);
  EXPECT_EQ('Z', obj.Letter());
  v.Ord = 0x416;
  SetPropValue(obj, "Wide", v);
  EXPECT_EQ(wchar_t(0x416), obj.Wide());

  const TPropInfo* fruit = FindPropInfo(obj, "Fruit");
  ASSERT_NE(nullptr, fruit);
  EXPECT_EQ(TTypeKind::Enumeration, fruit->Kind);
  v.Ord = GetEnumValue(*fruit, "FRPLUM");
  SetPropValue(obj, "Fruit", v);
  EXPECT_EQ(frPlum, obj.Fruit());
  EXPECT_EQ("frPlum", GetEnumName(*fruit, GetPropValue(obj, "Fruit").Ord));
  EXPECT_EQ(-1, GetEnumValue(*fruit, "frBanana"));

  v.Ord = (1 << frApple) | (1 << frPlum);
  SetPropValue(obj, "Basket", v);
  EXPECT_EQ(TSet32(5), obj.Basket());
  EXPECT_EQ(TTypeKind::Set, FindPropInfo(obj, "Basket")->Kind);

  v.Float = 0.125;
  SetPropValue(obj, "Ratio", v);
  EXPECT_DOUBLE_EQ(0.125, GetPropValue(obj, "Ratio").Float);
  v.Float = 2.5;
  SetPropValue(obj, "Small", v);
  EXPECT_FLOAT_EQ(2.5f, obj.Small());
  EXPECT_EQ(TFloatType::Single, FindPropInfo(obj, "Small")->FloatType);

  v.Str = "hello";
  SetPropValue(obj, "Label", v);
  EXPECT_EQ("hello", obj.Label());

  EXPECT_TRUE(GetPropValue(obj, "Value").Empty);
  TPropValue var;
  var.Str = "text";
  SetPropValue(obj, "Value", var);
  EXPECT_EQ(TVariant("text"), obj.Value());
  var.Empty = true;
  SetPropValue(obj, "Value", var);
  EXPECT_TRUE(obj.Value().Empty);

  const TPropInfo* flag = FindPropInfo(obj, "Flag");
  EXPECT_EQ("True", GetEnumName(*flag, 1));
  v.Ord = 1;
  SetPropValue(obj, "Flag", v);
  EXPECT_TRUE(obj.Flag());

  // Class properties: the owned font is reached through the table and its own table.
  TPropValue font = GetPropValue(obj, "Font");
  ASSERT_EQ(obj.Font(), font.Obj);
  v.Ord = 14;
  SetPropValue(*font.Obj, "Size", v);
  EXPECT_EQ(14, obj.Font()->Size());
  EXPECT_TRUE(FindPropInfo(obj, "Font")->PropClass == &TFont::StaticClassInfo());

  TPropValue link;
  link.Obj = &other;
  SetPropValue(obj, "Link", link);
  EXPECT_EQ(&other, obj.Link());
  // An object of the wrong class becomes nil rather than a bad pointer.
  link.Obj = obj.Font();
  SetPropValue(obj, "Link", link);
  EXPECT_EQ(nullptr, obj.Link());

  EXPECT_THROW(GetPropValue(obj, "Missing"), EPropertyError);
}
