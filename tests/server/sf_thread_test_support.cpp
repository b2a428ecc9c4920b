#include "sf_thread_test_support.h"

#include <atomic>

#include "standin_support.h"
#include "tarnbel_protocol.h"
#include "vendor_library.h"

namespace {
// The device layer keeps the vendor libraries for the process; the stand-in helpers of this suite
// let them go, so a changed config or a removed library is met by a fresh load.
const bool standinReleaserSet = (testsupport::SetStandinReleaser(&ReleaseVendorLibraries), true);
}  // namespace

namespace sfthreadtest {

namespace {
std::atomic<uint32_t> now{1};
uint32_t TestClock() { return now.load(); }
}  // namespace

void SetNow(uint32_t value) { now = value; }

TBankFiles::TBankFiles() {
  for (uint16_t p = 0; p < 8; ++p) Builder.AddPresetWithSamples("P" + std::to_string(p), 0, p, {Frames});
  Builder.AddPresetWithSamples("Kit", 128, 0, {Frames});
  size_t big = Builder.AddPresetWithSamples("Big Kit", 128, 1, {5 * Frames});
  PresetBytes = Builder.PresetSampleBytes(0);
  BigBytes = Builder.PresetSampleBytes(big);
  Bank = Folder.File("bank.sf2");
  Builder.Write(Bank);
}

TSFThreadFixture::~TSFThreadFixture() {
  StopThread();
  FConfig.reset();
  if (FClockSet) SetTickFunction(FPreviousClock);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

bool TSFThreadFixture::Start(const std::string& config, uint32_t deviceIndex) {
  FConfig.reset(new testsupport::StandinConfig(config));
  if (!FClockSet) {
    FPreviousClock = SetTickFunction(&TestClock);
    FClockSet = true;
  }
  FThread = TAdvancedThread::Make<TSFManagerThread>(deviceIndex);
  if (!FThread->WaitReady()) return false;
  Drain();
  return true;
}

void TSFThreadFixture::StopThread() {
  if (!FThread) return;
  FThread->Stop();
  FThread.reset();
}

uint32_t TSFThreadFixture::AddPending(int32_t bank, int32_t program) {
  TWriteLock lock(FThread->Cache());
  TPresetList& list = FThread->Cache().List();
  TPresetData& entry = list[list.Add(bank, program, program, bank == CacheDrumKitBank ? 128 : bank, "test", PendingTimeStamp)];
  entry.Pending = true;
  return entry.Id;
}

bool TSFThreadFixture::LoadSync(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                                const std::string& file) {
  uint32_t id = AddPending(bank, program);
  TLoadPresetSyncMessage request(Id(), file, sourceBank, sourcePreset, bank, program, -1, static_cast<int32_t>(id), false);
  return request.Send();
}

uint32_t TSFThreadFixture::LoadAsync(int32_t sourceBank, int32_t sourcePreset, int32_t bank, int32_t program,
                                     const std::string& file, bool echo) {
  uint32_t id = AddPending(bank, program);
  TLoadPresetMessage(Id(), file, sourceBank, sourcePreset, bank, program, -1, static_cast<int32_t>(id), echo).Send();
  return id;
}

bool TSFThreadFixture::ClearSync(int32_t bank, int32_t program, uint32_t id) {
  TClearPresetSyncMessage request(Id(), bank, program, static_cast<int32_t>(id), false);
  return request.Send();
}

bool TSFThreadFixture::UnloadSync(uint32_t tickCount, int32_t ageLimit) {
  TUnloadUnusedSyncMessage request(Id(), tickCount, ageLimit);
  return request.Send();
}

uint64_t TSFThreadFixture::Used() {
  TQueryStaticSampleMemorySizeMessage request(Id());
  request.Send();
  return request.Total - request.Free;
}

uint32_t TSFThreadFixture::CacheCount() {
  TGetCachedPresetsCountMessage request(Id());
  request.Send();
  return request.Count;
}

std::vector<MSG> TSFThreadFixture::Drain(size_t echoes, DWORD timeoutMs) {
  std::vector<MSG> messages;
  DWORD start = GetTickCount();
  MSG msg;
  while (CountOf(messages, TM_ECHO) < echoes && GetTickCount() - start < timeoutMs) {
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      messages.push_back(msg);
    else
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_POSTMESSAGE);
  }
  CacheCount();  // handled after everything queued before it
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) messages.push_back(msg);
  return messages;
}

int TSFThreadFixture::Find(int32_t bank, int32_t program, uint32_t id) {
  TReadLock lock(FThread->Cache());
  return FThread->Cache().List().Find(bank, program, id);
}

TPresetData TSFThreadFixture::Entry(int index) {
  TReadLock lock(FThread->Cache());
  return FThread->Cache().List()[index];
}

size_t CountOf(const std::vector<MSG>& messages, UINT id) {
  size_t count = 0;
  for (const MSG& msg : messages) count += msg.message == id;
  return count;
}

bool BusyIdleBalanced(const std::vector<MSG>& messages, size_t& pairs) {
  long depth = 0;
  pairs = 0;
  for (const MSG& msg : messages) {
    if (msg.message == WM_TB_SERVER_BUSY) {
      ++depth;
      ++pairs;
    } else if (msg.message == WM_TB_SERVER_IDLE && --depth < 0) {
      return false;
    }
  }
  return depth == 0;
}

}  // namespace sfthreadtest
