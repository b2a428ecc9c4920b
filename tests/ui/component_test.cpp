#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "component.h"
#include "ui_exceptions.h"

using namespace ui;

namespace {

// Records who it was told about and when it was freed.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, const std::string& name, std::vector<std::string>* log) : TComponent(owner), FLog(log) {
    SetName(name);
  }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && FLog) FLog->push_back(Name() + " heard " + c->Name());
  }

 protected:
  void Destroying() override {
    if (FLog) FLog->push_back("free " + Name());
    TComponent::Destroying();
  }

 private:
  std::vector<std::string>* FLog;
};

}  // namespace

TEST(Component, OwnerFreesLastFirstAndSiblingsHearEachRemoval) {
  std::vector<std::string> log;
  auto* owner = new Probe(nullptr, "Owner", &log);
  new Probe(owner, "A", &log);
  new Probe(owner, "B", &log);
  new Probe(owner, "C", &log);
  owner->Free();
  std::vector<std::string> expected = {"free Owner", "free C",      "B heard C", "A heard C",     "Owner heard C",
                                       "free B",     "A heard B",   "Owner heard B", "free A", "Owner heard A"};
  EXPECT_EQ(expected, log);
}

TEST(Component, FreeNotificationIsTwoWay) {
  std::vector<std::string> log;
  auto* watched = new Probe(nullptr, "Watched", &log);
  auto* observer = new Probe(nullptr, "Observer", &log);
  observer->FreeNotification(watched);
  watched->Free();
  EXPECT_EQ((std::vector<std::string>{"free Watched", "Observer heard Watched"}), log);

  // An observer freed first is never called afterwards.
  log.clear();
  auto* watched2 = new Probe(nullptr, "Watched2", &log);
  auto* gone = new Probe(nullptr, "Gone", &log);
  gone->FreeNotification(watched2);
  gone->Free();
  watched2->Free();
  observer->Free();
  // The link is two-way: the watched side hears of the observer, never the other way round.
  EXPECT_EQ((std::vector<std::string>{"free Gone", "Watched2 heard Gone", "free Watched2", "free Observer"}), log);
}

TEST(Component, NamesAreUniqueAmongSiblingsWithoutRegardToCase) {
  std::unique_ptr<TComponent, TFreeDeleter> owner(new TComponent(nullptr));
  auto* a = new TComponent(owner.get());
  a->SetName("Button1");
  auto* b = new TComponent(owner.get());
  EXPECT_THROW(b->SetName("BUTTON1"), EComponentError);
  EXPECT_EQ("", b->Name());
  EXPECT_THROW(b->SetName("1st"), EComponentError);
  b->SetName("Button2");
  EXPECT_EQ(b, owner->FindComponent("button2"));
  // The same name under another owner is fine.
  std::unique_ptr<TComponent, TFreeDeleter> other(new TComponent(nullptr));
  auto* c = new TComponent(other.get());
  c->SetName("Button1");
  // Moving a component whose name is taken is refused, and it stays where it was.
  EXPECT_THROW(owner->InsertComponent(c), EComponentError);
  EXPECT_EQ(other.get(), c->Owner());
}

TEST(Component, DeletingWithoutFreeStillLeavesNoDanglingLinks) {
  std::vector<std::string> log;
  auto* owner = new Probe(nullptr, "Owner", &log);
  auto* child = new Probe(owner, "Child", &log);
  auto* observer = new Probe(nullptr, "Observer", &log);
  observer->FreeNotification(child);
  delete child;
  EXPECT_EQ(0, owner->ComponentCount());
  EXPECT_EQ((std::vector<std::string>{"Observer heard Child", "Owner heard Child"}), log);
  owner->Free();
  observer->Free();
}
