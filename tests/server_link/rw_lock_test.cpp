#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "rw_lock.h"

using namespace std::chrono_literals;

TEST(RwLock, HoldingThreadMayTakeItAgain) {
  TMultiReadExclusiveWriteSynchronizer lock;
  EXPECT_TRUE(lock.BeginWrite());
  EXPECT_TRUE(lock.BeginWrite());
  lock.BeginRead();
  lock.EndRead();
  lock.EndWrite();
  lock.EndWrite();
  lock.BeginRead();
  lock.BeginRead();
  EXPECT_TRUE(lock.BeginWrite());  // the only reader may write
  lock.EndWrite();
  lock.EndRead();
  lock.EndRead();
}

TEST(RwLock, WriterExcludesReadersAndOtherWriters) {
  TMultiReadExclusiveWriteSynchronizer lock;
  std::atomic<int> inside{0}, worst{0}, readersTogether{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if ((t + i) % 3 == 0) {
          TWriteLock write(lock);
          int now = inside.fetch_add(100) + 100;
          if (now != 100) worst = now;
          inside.fetch_sub(100);
        } else {
          TReadLock read(lock);
          int now = inside.fetch_add(1) + 1;
          if (now >= 100) worst = now;
          if (now > 1) readersTogether = 1;
          std::this_thread::yield();
          inside.fetch_sub(1);
        }
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(0, worst.load());
  EXPECT_EQ(0, inside.load());
}

TEST(RwLock, TwoReadersAskingToWriteDoNotDeadlock) {
  TMultiReadExclusiveWriteSynchronizer lock;
  std::atomic<int> bothReading{0}, unchanged{0}, done{0};
  auto upgrader = [&] {
    lock.BeginRead();
    ++bothReading;
    while (bothReading.load() < 2) std::this_thread::yield();
    if (lock.BeginWrite()) ++unchanged;
    lock.EndWrite();
    lock.EndRead();
    ++done;
  };
  std::thread a(upgrader), b(upgrader);
  a.join();
  b.join();
  EXPECT_EQ(2, done.load());
  EXPECT_EQ(1, unchanged.load());  // the second writer learns that the first wrote in between
}
