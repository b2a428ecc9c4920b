#pragma once
// TSFManagerThread: the one thread that calls a SoundFont device. It loads the presets the routes
// ask for, evicts the least recently used one when the card's memory is full, unloads on request
// and by age, and keeps the device's preset cache. Busy, idle and failures go to its creator;
// every preset that leaves the device is told to the registered client threads.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "abstract_sf_device.h"
#include "advanced_thread.h"
#include "preset_list.h"
#include "sf_thread_messages.h"

class TSFManagerThread : public TAdvancedThread {
 public:
  // deviceIndex: index into the merged device list. Start it with TAdvancedThread::Make, then WaitReady.
  explicit TSFManagerThread(uint32_t deviceIndex);
  ~TSFManagerThread() override;

  TSafePresetList& Cache() { return *FCache; }
  uint32_t DeviceIndex() const { return FDeviceIndex; }
  // The open device is an APS card (valid once ready): every request to it is made synchronous.
  bool APSDevice() const { return FAPSDevice; }

  // A request whose device stays busy is tried again this many times, a short pause apart, and
  // then ends as if the device had refused it.
  static constexpr unsigned MaxDeviceRetries = 200;
  static constexpr DWORD RetryPauseMs = 5;

  // After a load failed: the .sf2 file exists and its preset headers cannot be read, or none of
  // them is the asked preset. A wave file, or a file that is not there, is never missing a preset.
  static bool PresetMissingFromFile(const TLoadRecord& record);

 protected:
  void ProcessMessage(const MSG& msg) override;
  void DoStart() override;
  void DoStop() override;
  void DiscardMessage(const MSG& msg) override;
  bool CarriesObject(UINT id) const override { return SFThreadCarriesObject(id); }
  // The clients' comings and goings and the echo: only from this process.
  bool OwnerOnly(UINT id) const override { return id >= WM_USER && !CarriesObject(id); }

 private:
  void Load(const MSG& msg);
  void ClearOne(const MSG& msg);
  void ClearAll(const MSG& msg);
  void UnloadUnused(const MSG& msg);
  void ListCache(const MSG& msg);
  void CountCache(const MSG& msg);
  void QueryMemory(const MSG& msg);
  void AddClient(DWORD threadId);
  void RemoveClient(DWORD threadId);

  // Unloads one entry, by id or (NoEntryId) by bank and program. True when it left the cache (or
  // was not there); else error holds the device's answer and the entry stays, marked releasing.
  bool UnloadEntry(int32_t bank, int32_t program, uint32_t id, int32_t& error);
  bool UnloadEntry(int32_t bank, int32_t program, uint32_t id);

  void FinishLoad(const MSG& msg, TLoadRecord& record, bool postIdle);
  void FailLoad(const MSG& msg, TLoadRecord& record, uint32_t ownId, UINT report);
  // Re-queues the current request after a retryable device answer; false once its retries are used up.
  bool RetryLater(const MSG& msg);
  void Done(const MSG& msg) { FRetries.erase(msg.lParam); }

  void PostToCreator(UINT id);
  // A request's busy report goes out once, on its first attempt; its idle report only after one.
  void ReportBusy(uint8_t& notifyBusy);
  void ReportIdle(uint8_t notifyBusy);
  void NotifyClients(UINT id, WPARAM wParam, LPARAM lParam);

  std::unique_ptr<TAbstractSFDevice> FDevice;  // lives on the thread, from DoStart to DoStop
  int32_t FDefaultBankHandle = 0;
  bool FDefaultLoaded = false;
  std::vector<DWORD> FClients;
  uint32_t FDeviceIndex;
  std::unique_ptr<TSafePresetList> FCache;
  std::atomic<bool> FAPSDevice{false};
  std::map<LPARAM, unsigned> FRetries;
};

// "default.sf2" in the folder of the running program.
std::string DefaultBankPath();
