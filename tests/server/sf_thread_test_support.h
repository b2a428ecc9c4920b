#pragma once
// A SoundFont manager thread over the stand-in card, driven as a route would drive it: the test
// thread is its creator (busy, idle, echo and failure reports land in its queue) and plays the
// MIDI input that adds pending cache entries before asking for loads.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sf2_builder.h"
#include "standin_support.h"
#include "tarnbel_sf_thread.h"
#include "tick_clock.h"

namespace sfthreadtest {

constexpr uint32_t Frames = 10000;  // each small preset's sample frames

// An .sf2 with melodic presets 0:0-0:7 of equal size, drum kit 128:0 and a large drum kit 128:1.
struct TBankFiles {
  testsupport::TempFolder Folder;
  sf2test::Sf2Builder Builder;
  std::string Bank;
  uint64_t PresetBytes = 0;
  uint64_t BigBytes = 0;
  TBankFiles();
};

// The clock the cache and the thread stamp with, set by the test.
void SetNow(uint32_t now);

class TSFThreadFixture {
 public:
  ~TSFThreadFixture();
  // Writes the card's config, then starts the thread on the merged device list's entry.
  bool Start(const std::string& config, uint32_t deviceIndex);
  void StopThread();
  TSFManagerThread& Thread() { return *FThread; }
  DWORD Id() const { return FThread->ThreadID(); }

  // A pending entry as the MIDI input adds it; returns its id.
  uint32_t AddPending(int32_t bank, int32_t program);
  bool LoadSync(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program, const std::string& file);
  uint32_t LoadAsync(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program, const std::string& file,
                     bool echo = false);
  bool ClearSync(int32_t bank, int32_t program, uint32_t id);
  bool UnloadSync(uint32_t tickCount, int32_t ageLimit);
  uint64_t Used();
  uint32_t CacheCount();

  // Takes the messages that reach the test thread until `echoes` TM_ECHO have come (or the time is
  // up), then lets the thread handle what is queued and takes the rest. Requests re-queued behind
  // that are waited for only through their echoes.
  std::vector<MSG> Drain(size_t echoes = 0, DWORD timeoutMs = 10000);
  // Index of the cache entry, under the read lock; -1 when absent.
  int Find(int32_t bank, int32_t program, uint32_t id = NoEntryId);
  TPresetData Entry(int index);

 private:
  std::unique_ptr<testsupport::StandinConfig> FConfig;
  std::unique_ptr<TSFManagerThread> FThread;
  TTickFunction FPreviousClock = nullptr;
  bool FClockSet = false;
};

size_t CountOf(const std::vector<MSG>& messages, UINT id);
// Busy and idle reports balance and idle never comes before its busy.
bool BusyIdleBalanced(const std::vector<MSG>& messages, size_t& pairs);

}  // namespace sfthreadtest
