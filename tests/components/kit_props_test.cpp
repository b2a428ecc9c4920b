#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "KitProps.h"
#include "collection.h"
#include "form.h"
#include "graphics.h"
#include "locale_format.h"

using namespace ui;

namespace {

class TColumn : public TCollectionItem {
  UI_CLASS(TColumn, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int Width() const { return FWidth; }
  void SetWidth(int v) { FWidth = v; }
  std::string Caption() const { return FCaption; }
  void SetCaption(const std::string& v) { FCaption = v; }

 private:
  int FWidth = 50;
  std::string FCaption;
};

// A loop of two objects that name each other.
class TLoop : public TPersistent {
  UI_CLASS(TLoop, TPersistent)
 public:
  TLoop* Other() const { return FOther; }
  void SetOther(TLoop* v) { FOther = v; }
  int Size() const { return FSize; }
  void SetSize(int v) { FSize = v; }

 private:
  TLoop* FOther = nullptr;
  int FSize = 1;
};

enum TMood { mdCalm, mdBusy, mdGone };

class TProbe : public TComponent {
  UI_CLASS(TProbe, TComponent)
 public:
  explicit TProbe(TComponent* owner)
      : TComponent(owner), FColumns(this, [](TCollection* c) { return new TColumn(c); }) {}
  int Count = 7;
  int64_t Big = 5000000000LL;
  char Letter = 'q';
  wchar_t Wide = L'w';
  TMood Mood = mdBusy;
  TSet32 Flags = 5;
  float Ratio = 0.25f;
  double Scale = 1.5;
  std::string Title = "probe";
  TVariant Any{std::string("v")};
  TStrings Lines;
  TOwnedCollection FColumns;
  TComponent* Ref = nullptr;
  TFont Font;
  TLoop LoopA, LoopB;

  TStrings* GetLines() { return &Lines; }
  void SetLines(TStrings* v) { Lines.Assign(v); }
  TOwnedCollection* Columns() { return &FColumns; }
  void SetColumns(TOwnedCollection* v) { FColumns.Assign(v); }
  TComponent* GetRef() const { return Ref; }
  void SetRef(TComponent* v) { Ref = v; }
  TFont* GetFont() { return &Font; }
  void SetFont(TFont* v) { Font.Assign(v); }
  TLoop* GetLoop() { return &LoopA; }
  void SetLoop(TLoop*) {}
};

UI_CLASSINFO(TColumn, UI_PROP(Integer, "Width", Width, SetWidth), UI_PROP(String, "Caption", Caption, SetCaption))
// The declared class is the base: a class table cannot name itself while it is being built.
UI_CLASSINFO(TLoop, UI_PROP_CLASS("Other", Other, SetOther, TPersistent), UI_PROP(Integer, "Size", Size, SetSize))
UI_CLASSINFO(TProbe, UI_FIELD(Integer, "Count", Count), UI_FIELD(Int64, "Big", Big), UI_FIELD(Char, "Letter", Letter),
             UI_FIELD(WChar, "Wide", Wide),
             ::ui::MakeFieldProp(TTypeKind::Enumeration, "Mood", &TProbe::Mood, {"mdCalm", "mdBusy", "mdGone"}),
             ::ui::MakeFieldProp(TTypeKind::Set, "Flags", &TProbe::Flags, {"fA", "fB", "fC", "fD"}),
             ::ui::MakeFieldProp(TTypeKind::Float, "Ratio", &TProbe::Ratio, {}, TFloatType::Single),
             UI_FIELD(Float, "Scale", Scale), UI_FIELD(String, "Title", Title), UI_FIELD(Variant, "Any", Any),
             UI_PROP_CLASS("Lines", GetLines, SetLines, TStrings),
             UI_PROP_CLASS("Columns", Columns, SetColumns, TOwnedCollection),
             UI_PROP_CLASS("Ref", GetRef, SetRef, TComponent), UI_PROP_CLASS("Font", GetFont, SetFont, TFont),
             UI_PROP_CLASS("Loop", GetLoop, SetLoop, TLoop))

// A sectioned store in memory: "section|name" -> text.
struct TMemStore {
  std::map<std::string, std::string> Values;
  int Erased = 0;
  void Hook(TPropsStorage& s) {
    s.OnReadString = [this](const std::string& sec, const std::string& item, const std::string& def) {
      auto it = Values.find(sec + "|" + item);
      return it == Values.end() ? def : it->second;
    };
    s.OnWriteString = [this](const std::string& sec, const std::string& item, const std::string& v) {
      Values[sec + "|" + item] = v;
    };
    s.OnEraseSection = [this](const std::string& sec) {
      ++Erased;
      for (auto it = Values.begin(); it != Values.end();)
        it = it->first.compare(0, sec.size() + 1, sec + "|") == 0 ? Values.erase(it) : std::next(it);
    };
  }
  bool Has(const std::string& key) const { return Values.count(key) != 0; }
  std::string At(const std::string& key) const {
    auto it = Values.find(key);
    return it == Values.end() ? "<none>" : it->second;
  }
};

struct Fixture : ::testing::Test {
  std::unique_ptr<TForm, TFreeDeleter> form{new TForm(nullptr)};
  TProbe* probe = nullptr;
  TProbe* other = nullptr;
  TStrings list;
  TMemStore store;
  char oldSeparator = DecimalSeparator();
  void SetUp() override {
    form->SetName("HostForm");
    probe = new TProbe(form.get());
    probe->SetName("X");
    other = new TProbe(form.get());
    other->SetName("Y");
  }
  void TearDown() override { SetDecimalSeparator(oldSeparator); }
  void Save(std::initializer_list<const char*> lines) {
    list.Clear();
    for (const char* l : lines) list.Add(l);
    TPropsStorage s;
    s.Section = "S";
    store.Hook(s);
    s.SyncStoredList(form.get(), &list, true);
    s.SaveComponentProps(form.get(), &list);
  }
  void Load() {
    TPropsStorage s;
    s.Section = "S";
    store.Hook(s);
    s.SyncStoredList(form.get(), &list, true);
    s.LoadComponentProps(form.get(), &list);
  }
};

}  // namespace

TEST_F(Fixture, EverySimpleKindRoundTripsUnderItsName) {
  Save({"X.Count", "X.Big", "X.Letter", "X.Wide", "X.Mood", "X.Flags", "X.Ratio", "X.Scale", "X.Title", "X.Any"});
  EXPECT_EQ("7", store.At("S|X_Count"));
  EXPECT_EQ("5000000000", store.At("S|X_Big"));
  EXPECT_EQ("q", store.At("S|X_Letter"));
  EXPECT_EQ("w", store.At("S|X_Wide"));
  EXPECT_EQ("mdBusy", store.At("S|X_Mood"));
  EXPECT_EQ("[fA,fC]", store.At("S|X_Flags"));
  EXPECT_EQ("0.25", store.At("S|X_Ratio"));
  EXPECT_EQ("1.5", store.At("S|X_Scale"));
  EXPECT_EQ("probe", store.At("S|X_Title"));
  EXPECT_EQ("v", store.At("S|X_Any"));

  probe->Count = 0, probe->Big = 0, probe->Letter = 'a', probe->Wide = L'a', probe->Mood = mdCalm;
  probe->Flags = 0, probe->Ratio = 0, probe->Scale = 0, probe->Title.clear(), probe->Any = TVariant("z");
  Load();
  EXPECT_EQ(7, probe->Count);
  EXPECT_EQ(5000000000LL, probe->Big);
  EXPECT_EQ('q', probe->Letter);
  EXPECT_EQ(L'w', probe->Wide);
  EXPECT_EQ(mdBusy, probe->Mood);
  EXPECT_EQ(5u, probe->Flags);
  EXPECT_FLOAT_EQ(0.25f, probe->Ratio);
  EXPECT_DOUBLE_EQ(1.5, probe->Scale);
  EXPECT_EQ("probe", probe->Title);
  EXPECT_EQ(TVariant("v"), probe->Any);
}

TEST_F(Fixture, EmptyValuesAndSignificantDigits) {
  probe->Flags = 0;
  probe->Title.clear();
  probe->Any = TVariant();
  probe->Scale = 1.0 / 3;
  probe->Ratio = 1.0f / 3;
  Save({"X.Flags", "X.Title", "X.Any", "X.Scale", "X.Ratio"});
  EXPECT_EQ("[]", store.At("S|X_Flags"));
  EXPECT_EQ("", store.At("S|X_Title"));  // strings are written even when empty
  EXPECT_FALSE(store.Has("S|X_Any"));     // an empty variant is not
  EXPECT_EQ("0.333333333333333", store.At("S|X_Scale"));
  EXPECT_EQ("0.3333333", store.At("S|X_Ratio"));
  probe->Flags = 3;
  Load();
  EXPECT_EQ(0u, probe->Flags);
}

TEST_F(Fixture, FloatsUseAPointWhateverTheSeparator) {
  SetDecimalSeparator(',');
  probe->Scale = 2.75;
  Save({"X.Scale"});
  EXPECT_EQ("2.75", store.At("S|X_Scale"));
  probe->Scale = 0;
  Load();
  EXPECT_DOUBLE_EQ(2.75, probe->Scale);
  EXPECT_EQ("2,75", FloatToStrF(2.75, 15));
}

TEST_F(Fixture, DamagedTextsKeepOrZeroAsEachKindDoes) {
  Save({"X.Count", "X.Mood", "X.Scale", "X.Flags", "X.Letter", "X.Big"});
  store.Values["S|X_Count"] = "12abc";
  store.Values["S|X_Mood"] = "mdNowhere";
  store.Values["S|X_Scale"] = "1.5.5";
  store.Values["S|X_Flags"] = "[ fB , nonsense ,fD]";
  store.Values["S|X_Letter"] = "";
  store.Values["S|X_Big"] = "99999999999999999999999";
  Load();
  EXPECT_EQ(0, probe->Count);           // an integer that does not parse is 0
  EXPECT_EQ(mdBusy, probe->Mood);       // an unknown identifier changes nothing
  EXPECT_DOUBLE_EQ(1.5, probe->Scale);  // nor does a float that does not parse
  EXPECT_EQ((1u << 1) | (1u << 3), probe->Flags);
  EXPECT_EQ('q', probe->Letter);
  EXPECT_EQ(0, probe->Big);
}

TEST_F(Fixture, StringListsUseASubsectionAndAnEmptyListLoadsNothing) {
  probe->Lines.Add("one");
  probe->Lines.Add(" two ");
  Save({"X.Lines"});
  EXPECT_EQ("2", store.At("S.X_Lines|Count"));
  EXPECT_EQ("one", store.At("S.X_Lines|Item0"));
  EXPECT_EQ(" two ", store.At("S.X_Lines|Item1"));
  probe->Lines.Clear();
  Load();
  ASSERT_EQ(2, probe->Lines.Count());
  EXPECT_EQ(" two ", probe->Lines[1]);

  probe->Lines.Clear();
  Save({"X.Lines"});
  EXPECT_FALSE(store.Has("S.X_Lines|Count"));  // erased
  probe->Lines.Add("designed");
  Load();
  EXPECT_EQ(1, probe->Lines.Count());
  for (const char* count : {"-3", "2000000000", "lots"}) {
    store.Values["S.X_Lines|Count"] = count;
    Load();
    EXPECT_EQ(1, probe->Lines.Count()) << count;
  }
}

TEST_F(Fixture, CollectionsStoreACountAndItemsAndRefillOnlyWhenTheCountDiffers) {
  for (int i = 0; i < 3; ++i) {
    auto* c = static_cast<TColumn*>(probe->FColumns.Add());
    c->SetWidth(10 * (i + 1));
    c->SetCaption("c" + std::to_string(i));
  }
  Save({"X.Columns"});
  EXPECT_EQ("3", store.At("S|X_Columns.Count"));
  EXPECT_EQ("10", store.At("S.X_Columns|Item0_Width"));
  EXPECT_EQ("c2", store.At("S.X_Columns|Item2_Caption"));

  probe->FColumns.Add(), probe->FColumns.Add();
  Load();
  ASSERT_EQ(3, probe->FColumns.Count());
  EXPECT_EQ(30, static_cast<TColumn*>(probe->FColumns.Items(2))->Width());

  TCollectionItem* kept = probe->FColumns.Items(0);
  static_cast<TColumn*>(kept)->SetWidth(99);
  Load();
  EXPECT_EQ(kept, probe->FColumns.Items(0));  // same count: the same items, reloaded
  EXPECT_EQ(10, static_cast<TColumn*>(kept)->Width());

  for (const char* count : {"-1", "50000000"}) {
    store.Values["S|X_Columns.Count"] = count;
    Load();
    EXPECT_EQ(3, probe->FColumns.Count()) << count;
    EXPECT_EQ(kept, probe->FColumns.Items(0));
  }
}

TEST_F(Fixture, ComponentReferencesByNameOwnerAndNull) {
  probe->Ref = other;
  Save({"X.Ref"});
  EXPECT_EQ("Y", store.At("S|X_Ref"));
  probe->Ref = nullptr;
  Load();
  EXPECT_EQ(other, probe->Ref);

  std::unique_ptr<TForm, TFreeDeleter> second(new TForm(nullptr));
  second->SetName("Second");
  auto* distant = new TProbe(second.get());
  distant->SetName("Far");
  probe->Ref = distant;
  Save({"X.Ref"});
  EXPECT_EQ("Second.Far", store.At("S|X_Ref"));
  probe->Ref = nullptr;
  Load();
  EXPECT_EQ(distant, probe->Ref);

  store.Values["S|X_Ref"] = "NoSuchForm.Far";
  Load();
  EXPECT_EQ(distant, probe->Ref);  // an unknown root changes nothing
  store.Values["S|X_Ref"] = "Nobody";
  Load();
  EXPECT_EQ(nullptr, probe->Ref);
  probe->Ref = other;
  store.Values["S|X_Ref"] = "(NULL)";
  Load();
  EXPECT_EQ(nullptr, probe->Ref);
}

TEST_F(Fixture, NestedObjectsJoinTheirNamesAndLoopsEnd) {
  probe->Font.SetColor(0x123456);
  probe->LoopA.SetOther(&probe->LoopB);
  probe->LoopB.SetOther(&probe->LoopA);
  probe->LoopB.SetSize(4);
  Save({"X.Font", "X.Loop"});
  EXPECT_EQ(std::to_string(0x123456), store.At("S|X_FontColor"));
  EXPECT_EQ("4", store.At("S|X_LoopOtherSize"));
  EXPECT_FALSE(store.Has("S|X_LoopOtherOtherSize"));
  probe->Font.SetColor(0);
  probe->LoopB.SetSize(1);
  Load();
  EXPECT_EQ(0x123456, probe->Font.Color());
  EXPECT_EQ(4, probe->LoopB.Size());
}

TEST_F(Fixture, StoredListFollowsComponents) {
  list.Clear();
  for (const char* l : {"X.Count", "Gone.Count", "nodot", ".Count", "X. ", " Y . Title "}) list.Add(l);
  TPropsStorage s;
  s.SyncStoredList(form.get(), &list, true);
  ASSERT_EQ(2, list.Count());
  EXPECT_EQ(probe, list.Objects(0));
  EXPECT_EQ(other, list.Objects(1));
  other->SetName("Renamed");
  s.SyncStoredList(form.get(), &list, false);
  EXPECT_EQ("Renamed.Title", list[1]);
  list.SetObjects(0, nullptr);
  s.SyncStoredList(form.get(), &list, false);
  EXPECT_EQ(1, list.Count());

  std::string c, p;
  EXPECT_TRUE(ParseStoredItem("A.B.C", c, p));
  EXPECT_EQ("B.C", p);
  EXPECT_EQ("", CreateStoredItem("", "B"));
  EXPECT_EQ(form.get(), FindGlobalComponent("hostFORM"));
  EXPECT_EQ(nullptr, FindGlobalComponent("X"));
}

TEST(PropsStorage, WithoutHooksReadsEmptyAndWritesNothing) {
  TPropsStorage s;
  EXPECT_EQ("", s.ReadString("S", "a", "def"));
  s.WriteString("S", "a", "b");
  s.EraseSection("S");
  s.Prefix = "P_";
  EXPECT_EQ("P_x", s.GetItemName("x"));
}
