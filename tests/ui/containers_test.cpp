#include <gtest/gtest.h>

#include <vector>

#include "collection.h"
#include "streams.h"
#include "strings.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

class TCountingCollection : public TCollection {
 public:
  TCountingCollection() : TCollection(nullptr) {}
  int Updates = 0;

 protected:
  void Update(TCollectionItem*) override { ++Updates; }
};

class TNamedItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  std::string Text;
  void Assign(const TPersistent* source) override {
    if (auto* s = dynamic_cast<const TNamedItem*>(source)) Text = s->Text;
    else TCollectionItem::Assign(source);
  }
};

}  // namespace

TEST(Strings, LinesObjectsAndText) {
  TStrings list{"Alpha", "beta"};
  TStrings other;
  list.AddObject("Gamma", &other);
  EXPECT_EQ(1, list.IndexOf("BETA"));
  EXPECT_EQ(-1, list.IndexOf("delta"));
  EXPECT_EQ(2, list.IndexOfObject(&other));
  EXPECT_EQ("Alpha\r\nbeta\r\nGamma\r\n", list.Text());
  list.SetText("one\r\ntwo\nthree\rfour");
  ASSERT_EQ(4, list.Count());
  EXPECT_EQ("four", list[3]);
  EXPECT_EQ(nullptr, list.Objects(0));
  EXPECT_THROW(list.Delete(4), EStringListError);
  EXPECT_THROW(list.Insert(-1, "x"), EStringListError);
  other.Assign(&list);
  EXPECT_EQ(4, other.Count());
  TCountingCollection notStrings;
  EXPECT_THROW(list.Assign(&notStrings), EConvertError);
}

TEST(Collection, UpdateBracketsAndAssign) {
  TCountingCollection c;
  c.BeginUpdate();
  for (int i = 0; i < 3; ++i) static_cast<TNamedItem*>(new TNamedItem(&c))->Text = "item" + std::to_string(i);
  c.Delete(0);
  EXPECT_EQ(0, c.Updates);
  c.EndUpdate();
  EXPECT_EQ(1, c.Updates);
  ASSERT_EQ(2, c.Count());
  EXPECT_EQ(1, c.Items(1)->Index());
  c.Items(1)->SetIndex(0);
  EXPECT_EQ("item2", static_cast<TNamedItem*>(c.Items(0))->Text);
  EXPECT_EQ(c.Items(0), c.FindItemID(2));

  TCollection copy([](TCollection* owner) { return new TNamedItem(owner); });
  copy.Add();
  copy.Add();
  copy.Add();
  copy.Assign(&c);
  ASSERT_EQ(2, copy.Count());
  EXPECT_EQ("item2", static_cast<TNamedItem*>(copy.Items(0))->Text);
  EXPECT_THROW(c.Delete(5), EInvalidOperation);
}

namespace {
class TWidthItem : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  int Width = 50;
};

// Reads every item whole at each update, as a control mirroring its columns does.
class TWidthCollection : public TCollection {
 public:
  TWidthCollection() : TCollection([](TCollection* c) { return new TWidthItem(c); }) {}
  std::vector<int> Seen;

 protected:
  void Update(TCollectionItem*) override {
    for (int i = 0; i < Count(); ++i) Seen.push_back(static_cast<TWidthItem*>(Items(i))->Width);
  }
};
}  // namespace

TEST(Collection, AnAddedItemIsReportedOnlyOnceItIsWhole) {
  TWidthCollection c;
  c.Add();
  c.Add();
  EXPECT_EQ(c.Seen, (std::vector<int>{50, 50, 50}));
}

TEST(MemoryStream, ShortReadsAndFiles) {
  TMemoryStream s;
  s.Write("abcdef", 6);
  s.SetPosition(4);
  char buf[8] = {0};
  EXPECT_EQ(2, s.Read(buf, 8));
  s.SetPosition(4);
  EXPECT_THROW(s.ReadBuffer(buf, 3), EReadError);
  s.SetPosition(10);
  s.Write("x", 1);  // writing past the end grows the stream
  EXPECT_EQ(11, s.Size());
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  std::string path = std::string(temp) + "tb_stream.bin";
  s.SaveToFile(path);
  TMemoryStream back;
  back.LoadFromFile(path);
  DeleteFileA(path.c_str());
  EXPECT_EQ(11, back.Size());
  EXPECT_EQ('x', back.Memory()[10]);
  EXPECT_THROW(back.LoadFromFile(path), EReadError);
  EXPECT_EQ(11, back.Size());
}
