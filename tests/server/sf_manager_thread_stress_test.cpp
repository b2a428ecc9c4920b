// Several route-like threads ask one manager thread for loads and clears while another lists the
// cache: nothing deadlocks, no entry is seen half made, no request is lost, and the card holds
// exactly what the cache accounts for.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "sf_thread_test_support.h"
#include "tarnbel_protocol.h"

using namespace sfthreadtest;

namespace {

constexpr int Workers = 4;
constexpr int RequestsPerWorker = 1000;
constexpr int Programs = 8;

bool WholeEntry(const TPresetData& entry, bool listed) {
  if (entry.Bank != 0 || entry.Program < 0 || entry.Program >= Programs) return false;
  if (entry.MappingName != "p" + std::to_string(entry.Program) || entry.SlotProgram != entry.Program) return false;
  return !listed || entry.Name.empty() || entry.Name == "P" + std::to_string(entry.Program);
}

}  // namespace

TEST(SFManagerThreadStress, ManyThreadsLoadClearAndListWithoutLosingAnything) {
  TBankFiles files;
  TSFThreadFixture fixture;
  ASSERT_TRUE(fixture.Start("sfman.device=10k," + std::to_string(files.PresetBytes * 11 / 2) + ",SB Live! Synth A\n", 0));
  const DWORD target = fixture.Id();
  TSafePresetList& cache = fixture.Thread().Cache();

  std::atomic<int> asyncRequests{0};
  std::atomic<int> syncRequests{0};
  std::atomic<int> lostSync{0};
  std::atomic<bool> torn{false};
  std::atomic<int> workersLeft{Workers};
  std::vector<std::thread> threads;
  for (int w = 0; w < Workers; ++w) {
    threads.emplace_back([&, w] {
      for (int i = 0; i < RequestsPerWorker; ++i) {
        int program = (i * 7 + w * 3) % Programs;
        uint32_t id = NoEntryId;
        bool added = false;
        {
          TWriteLock lock(cache);  // the MIDI input's look-up: a hit is touched, a miss asked for
          TPresetList& list = cache.List();
          int index = list.Find(0, program);
          while (index >= 0 && list[index].Releasing) index = list.FindNext(index, 0, program);
          if (index >= 0) {
            list[index].TimeStamp = TickCount();
            id = list[index].Id;
          } else {
            TPresetData& entry = list[list.Add(0, program, program, 0, "p" + std::to_string(program), PendingTimeStamp)];
            entry.Pending = true;
            id = entry.Id;
            added = true;
          }
        }
        if (added && i % 3 == 0) {
          TLoadPresetSyncMessage request(target, files.Bank, 0, program, 0, program, w, static_cast<int32_t>(id), false);
          ++syncRequests;
          if (!request.Send()) ++lostSync;
        } else if (added) {
          ++asyncRequests;
          TLoadPresetMessage(target, files.Bank, 0, program, 0, program, w, static_cast<int32_t>(id), true).Send();
        } else if (i % 5 == 0) {
          TClearPresetSyncMessage request(target, 0, program, static_cast<int32_t>(id), false);
          ++syncRequests;
          if (!request.Send()) ++lostSync;
        } else {
          ++asyncRequests;
          TClearPresetMessage(target, 0, program, static_cast<int32_t>(id), true).Send();
        }
      }
      --workersLeft;
    });
  }
  std::atomic<int> listings{0};
  threads.emplace_back([&] {
    while (workersLeft > 0) {
      TGetListOfCachedPresetsMessage listing(target);
      if (!listing.Send()) ++lostSync;
      for (int i = 0; i < listing.List->Count(); ++i)
        if (!WholeEntry((*listing.List)[i], true)) torn = true;
      TReadLock lock(cache);
      for (int i = 0; i < cache.List().Count(); ++i)
        if (!WholeEntry(cache.List()[i], false)) torn = true;
      ++listings;
    }
  });

  // The test thread is the manager thread's creator: it takes the reports while the others work.
  size_t busy = 0, idle = 0, echoes = 0, failures = 0;
  long depth = 0;
  bool order = true;
  DWORD start = GetTickCount();
  auto take = [&](const MSG& msg) {
    switch (msg.message) {
      case WM_TB_SERVER_BUSY: ++busy; ++depth; break;
      case WM_TB_SERVER_IDLE: ++idle; order = order && --depth >= 0; break;
      case TM_ECHO: ++echoes; break;
      case TM_PRESET_TOO_BIG: case TM_PRESET_NOT_FOUND: case TM_UNSUPPORTED_WAVE: ++failures; break;
      default: break;
    }
  };
  while ((workersLeft > 0 || echoes < static_cast<size_t>(asyncRequests)) && GetTickCount() - start < 120000) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      take(msg);
    else
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_POSTMESSAGE);
  }
  for (auto& thread : threads) thread.join();
  for (const MSG& msg : fixture.Drain()) take(msg);
  DWORD elapsed = GetTickCount() - start;

  EXPECT_FALSE(torn);
  EXPECT_EQ(0, lostSync);
  EXPECT_EQ(echoes, static_cast<size_t>(asyncRequests)) << "every asynchronous request was handled once";
  EXPECT_TRUE(order);
  EXPECT_EQ(busy, idle);
  EXPECT_EQ(busy, static_cast<size_t>(asyncRequests + syncRequests)) << "one busy report per request";
  EXPECT_EQ(0u, failures);
  EXPECT_GT(listings, 0);
  {
    TReadLock lock(cache);
    for (int i = 0; i < cache.List().Count(); ++i) {
      EXPECT_FALSE(cache.List()[i].Pending);
      EXPECT_FALSE(cache.List()[i].Releasing);
    }
  }
  EXPECT_EQ(fixture.Used(), fixture.CacheCount() * files.PresetBytes) << "the card holds what the cache accounts for";
  std::printf("[ stress   ] %d requests (%d async, %d sync) and %d listings in %lu ms\n",
              asyncRequests.load() + syncRequests.load(), asyncRequests.load(), syncRequests.load(), listings.load(),
              static_cast<unsigned long>(elapsed));
}
