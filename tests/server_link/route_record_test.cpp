#include <gtest/gtest.h>

#include "reg_array.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "route_record.h"

using namespace testsupport;

namespace {
class RouteRecordTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetTarnbelKey(); }
  void TearDown() override { ResetTarnbelKey(); }
};
}  // namespace

TEST_F(RouteRecordTest, RouteStringsRoundTripWithNoneAndState) {
  RouteRecord route;
  route.Input = "SB Live! MIDI In";
  route.State = RouteActive;
  std::string text = RouteRecordToString(route);
  EXPECT_EQ("SB Live! MIDI In\x01[none]\x01[none]\x01[active]", text);

  RouteRecord back;
  ASSERT_TRUE(ParseRouteRecord(text, back));
  EXPECT_EQ("SB Live! MIDI In", back.Input);
  EXPECT_EQ("", back.Output);
  EXPECT_EQ("", back.Device);
  EXPECT_TRUE(back.IsActive());

  ASSERT_TRUE(ParseRouteRecord("in\x01out\x01" "dev\x01[passive]", back));
  EXPECT_EQ("out", back.Output);
  EXPECT_EQ("dev", back.Device);
  EXPECT_FALSE(back.IsActive());
  EXPECT_EQ("in\x01out\x01" "dev\x01[passive]", RouteRecordToString(back));
}

TEST_F(RouteRecordTest, MalformedRouteStringsAreRejectedWithoutCrash) {
  RouteRecord route;
  route.Input = "old";
  EXPECT_FALSE(ParseRouteRecord("", route));
  EXPECT_EQ("", route.Input);
  EXPECT_FALSE(ParseRouteRecord("in\x01out", route));
  EXPECT_FALSE(ParseRouteRecord("in\x01out\x01" "dev", route));
  EXPECT_FALSE(ParsePreviewRoute("\x01\x01", route));
  // Three separators and nothing after: a route without a state word, which is not active.
  ASSERT_TRUE(ParseRouteRecord("\x01\x01\x01", route));
  EXPECT_FALSE(route.IsActive());
  // Only the first three separators split; the rest is the state as it stands.
  ASSERT_TRUE(ParseRouteRecord("a\x01" "b\x01" "c\x01[active]\x01x", route));
  EXPECT_EQ("[active]\x01x", route.State);
  EXPECT_FALSE(route.IsActive());
}

TEST_F(RouteRecordTest, PreviewRouteHoldsThreeFieldsAndNoState) {
  RouteRecord route;
  route.Input = "in";
  route.Device = "SB Live! Synth A";
  route.State = RouteActive;  // not stored in the preview route
  WritePreviewRoute(route);
  RawValue raw = ReadRaw("Software\\tarnbel", "PreviewRoute");
  ASSERT_TRUE(raw.found);
  EXPECT_EQ(std::string("in\x01[none]\x01SB Live! Synth A\x01"), std::string(raw.data.begin(), raw.data.end() - 1));

  RouteRecord back;
  ASSERT_TRUE(ReadPreviewRoute(back));
  EXPECT_EQ("in", back.Input);
  EXPECT_EQ("", back.Output);
  EXPECT_EQ("SB Live! Synth A", back.Device);
  EXPECT_EQ("", back.State);

  ResetTarnbelKey();
  EXPECT_FALSE(ReadPreviewRoute(back));  // missing: the empty default is written back
  EXPECT_TRUE(ReadRaw("Software\\tarnbel", "PreviewRoute").found);
}

TEST_F(RouteRecordTest, RoutesListKeepsSeparatorsThroughTheRegistry) {
  RouteRecord a{"in 1", "out 1", "synth", RouteActive};
  RouteRecord b{"in 2", "", "", RoutePassive};
  {
    TRegArray routes(RoutesPath, false);
    routes.Clear();
    routes.Add(RouteRecordToString(a), true);
    routes.Add(RouteRecordToString(b), true);
  }
  TRegArray routes(RoutesPath, true);
  routes.SaveOnDestroy = false;
  ASSERT_EQ(2, routes.Count());
  RouteRecord back;
  ASSERT_TRUE(ParseRouteRecord(routes.GetItem(1), back));
  EXPECT_EQ("in 2", back.Input);
  EXPECT_EQ("in 2\x01[none]\x01[none]\x01[passive]", routes.GetItem(1));
  ASSERT_TRUE(ParseRouteRecord(routes.GetItem(0), back));
  EXPECT_TRUE(back.IsActive());
  EXPECT_EQ("synth", back.Device);
}

TEST_F(RouteRecordTest, ShareMemoryListIsReversedAndNeverHoldsASingleDevice) {
  SaveShareMemoryList({"dev A", "dev B", "dev C"});
  EXPECT_EQ((std::vector<std::string>{"dev C", "dev B", "dev A"}), LoadShareMemoryList());
  SaveShareMemoryList({"dev A"});
  EXPECT_TRUE(LoadShareMemoryList().empty());
  EXPECT_FALSE(ValueExists(ShareMemoryPath, "item0"));
}
