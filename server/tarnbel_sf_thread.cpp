#include "tarnbel_sf_thread.h"

#include <fstream>

#include "phdr_chunk.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"
#include "tick_clock.h"

namespace {

// The payload of a request, in the request object when it is synchronous, else behind lParam.
template <class TAsync, class TSync>
auto& RecordOf(const MSG& msg, UINT syncId) {
  if (msg.message == syncId) return *TSync::FromParam(msg.lParam)->Record();
  return *TAsync::RecordOf(msg.lParam);
}

// The receiver's end of a request: frees its record, and answers a synchronous sender.
template <class TAsync, class TSync>
void EndRequest(const MSG& msg, UINT syncId) {
  if (msg.message == syncId) {
    auto* request = TSync::FromParam(msg.lParam);
    request->FreeRecord();
    request->Reply();
  } else {
    delete TAsync::RecordOf(msg.lParam);
  }
}

TLoadRecord& LoadRecordOf(const MSG& msg) {
  return RecordOf<TLoadPresetMessage, TLoadPresetSyncMessage>(msg, TM_LOAD_PRESET_SYNC);
}
TClearRecord& ClearRecordOf(const MSG& msg) {
  return RecordOf<TClearPresetMessage, TClearPresetSyncMessage>(msg, TM_CLEAR_PRESET_SYNC);
}
TUnloadRecord& UnloadRecordOf(const MSG& msg) {
  return RecordOf<TUnloadUnusedMessage, TUnloadUnusedSyncMessage>(msg, TM_UNLOAD_UNUSED_SYNC);
}

constexpr DWORD FreeClientSlot = 0xFFFFFFFFu;

}  // namespace

std::string DefaultBankPath() {
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string program(path, length < MAX_PATH ? length : 0);
  return program.substr(0, program.rfind('\\') + 1) + "default.sf2";
}

TSFManagerThread::TSFManagerThread(uint32_t deviceIndex) : FDeviceIndex(deviceIndex), FCache(new TSafePresetList) {}

TSFManagerThread::~TSFManagerThread() { Stop(); }

void TSFManagerThread::DoStart() {
  FDevice.reset(new TAbstractSFDevice);
  FDevice->Open(static_cast<int32_t>(FDeviceIndex));
  std::string defaultBank = DefaultBankPath();
  if (FileExistsNotDir(defaultBank)) {
    int32_t handle = 0;
    FDefaultLoaded = FDevice->LoadPreset(0, 0, 0, 0, defaultBank, handle);
    if (FDefaultLoaded) FDefaultBankHandle = handle;
  }
  FAPSDevice = FDevice->OpenKind() == sfkAPS;
  PostToCreator(TM_ECHO);
}

void TSFManagerThread::DoStop() {
  // Only what this thread put there is taken out: a default bank that never loaded has no handle.
  if (FDefaultLoaded) FDevice->ClearPreset(0, 0, FDefaultBankHandle);
  FDefaultLoaded = false;
  FDevice->Close();
  FDevice.reset();
}

void TSFManagerThread::ProcessMessage(const MSG& msg) {
  switch (msg.message) {
    case TM_LOAD_PRESET:
    case TM_LOAD_PRESET_SYNC:
      Load(msg);
      break;
    case TM_CLEAR_PRESET:
    case TM_CLEAR_PRESET_SYNC:
      ClearOne(msg);
      break;
    case TM_CLEAR_ALL_LOADED:
      ClearAll(msg);
      break;
    case TM_UNLOAD_UNUSED:
    case TM_UNLOAD_UNUSED_SYNC:
      UnloadUnused(msg);
      break;
    case TM_GET_CACHED_LIST:
      ListCache(msg);
      break;
    case TM_GET_CACHED_COUNT:
      CountCache(msg);
      break;
    case TM_QUERY_SAMPLE_MEMORY:
      QueryMemory(msg);
      break;
    case TM_SF_ADD_CLIENT:
      AddClient(static_cast<DWORD>(msg.lParam));
      break;
    case TM_SF_REMOVE_CLIENT:
      RemoveClient(static_cast<DWORD>(msg.lParam));
      break;
    default:
      break;
  }
}

void TSFManagerThread::DiscardMessage(const MSG& msg) {
  // Asynchronous payloads queued behind the quit are ours to free; synchronous senders are
  // released by the thread's end and free their own requests.
  switch (msg.message) {
    case TM_LOAD_PRESET: delete TLoadPresetMessage::RecordOf(msg.lParam); break;
    case TM_CLEAR_PRESET: delete TClearPresetMessage::RecordOf(msg.lParam); break;
    case TM_CLEAR_ALL_LOADED: delete TClearAllLoadedSFMessage::RecordOf(msg.lParam); break;
    case TM_UNLOAD_UNUSED: delete TUnloadUnusedMessage::RecordOf(msg.lParam); break;
    default: break;
  }
  Done(msg);
}

void TSFManagerThread::PostToCreator(UINT id) { PostAsOwner(CreatorThreadID(), id, 0, 0); }

void TSFManagerThread::ReportBusy(uint8_t& notifyBusy) {
  if (!notifyBusy) return;
  notifyBusy = 0;
  PostToCreator(WM_TB_SERVER_BUSY);
}

void TSFManagerThread::ReportIdle(uint8_t notifyBusy) {
  if (!notifyBusy) PostToCreator(WM_TB_SERVER_IDLE);
}

void TSFManagerThread::NotifyClients(UINT id, WPARAM wParam, LPARAM lParam) {
  for (size_t i = FClients.size(); i-- > 0;)
    if (FClients[i] != FreeClientSlot) PostAsOwner(FClients[i], id, wParam, lParam);
}

void TSFManagerThread::AddClient(DWORD threadId) {
  for (size_t i = FClients.size(); i-- > 0;) {
    if (FClients[i] == FreeClientSlot) {
      FClients[i] = threadId;
      return;
    }
  }
  FClients.push_back(threadId);
}

void TSFManagerThread::RemoveClient(DWORD threadId) {
  for (DWORD& client : FClients)
    if (client == threadId) client = FreeClientSlot;
}

bool TSFManagerThread::RetryLater(const MSG& msg) {
  unsigned& tries = FRetries[msg.lParam];
  if (++tries > MaxDeviceRetries) {
    Done(msg);
    return false;
  }
  Sleep(RetryPauseMs);
  Requeue();
  return true;
}

bool TSFManagerThread::UnloadEntry(int32_t bank, int32_t program, uint32_t id) {
  int32_t error = 0;
  return UnloadEntry(bank, program, id, error);
}

bool TSFManagerThread::UnloadEntry(int32_t bank, int32_t program, uint32_t id, int32_t& error) {
  error = 0;
  bool pending;
  int32_t handle;
  {
    TWriteLock lock(*FCache);
    TPresetList& list = FCache->List();
    int index = list.Find(CacheBank(bank), program, id);
    if (index < 0) return true;
    TPresetData& entry = list[index];
    pending = entry.Pending;
    bank = entry.Bank;
    program = entry.Program;
    id = entry.Id;
    handle = entry.DeviceHandle;
    entry.Releasing = true;
    entry.TimeStamp = 0;
  }
  // A pending entry never reached the card: there is nothing (and no handle) to clear.
  if (!pending && !FDevice->ClearPreset(bank, program, handle)) {
    error = FDevice->LastError();
    return false;
  }
  {
    TWriteLock lock(*FCache);
    FCache->List().Remove(bank, program, id);
  }
  if (bank == CacheDrumKitBank && program == 0) NotifyClients(TM_1050, 0, 0);
  NotifyClients(TM_1120, static_cast<WPARAM>(bank & 0xFFFF), program);
  return true;
}

// A bank whose headers cannot be read has no preset to load either: taking it for present would
// let the load's failure pass for a full memory.
bool TSFManagerThread::PresetMissingFromFile(const TLoadRecord& record) {
  if (record.SourceBank == WaveLoadSourceBank || !FileExistsNotDir(record.FileName)) return false;
  std::ifstream file(record.FileName, std::ios::binary);
  if (!file) return false;
  TphdrChunk headers;
  if (!headers.Load(file, -1)) return true;
  for (const SF2PresetHeader& header : headers.Presets)
    if (header.wBank == static_cast<uint16_t>(record.SourceBank) &&
        header.wPreset == static_cast<uint16_t>(record.SourcePreset))
      return false;
  return true;
}

void TSFManagerThread::FinishLoad(const MSG& msg, TLoadRecord& record, bool postIdle) {
  if (postIdle) ReportIdle(record.NotifyBusy);
  if (record.Echo) PostToCreator(TM_ECHO);
  Done(msg);
  EndRequest<TLoadPresetMessage, TLoadPresetSyncMessage>(msg, TM_LOAD_PRESET_SYNC);
}

void TSFManagerThread::FailLoad(const MSG& msg, TLoadRecord& record, uint32_t ownId, UINT report) {
  // The entry goes first, so a later change asks again and the list the server shows with its
  // failure box is the card's; then one idle report and the one failure report.
  UnloadEntry(record.Bank, record.Program, ownId);
  if (report == TM_PRESET_TOO_BIG && CacheBank(record.Bank) == CacheDrumKitBank) NotifyClients(TM_1050, 0, 0);
  ReportIdle(record.NotifyBusy);
  PostToCreator(report);
  FinishLoad(msg, record, false);
}

void TSFManagerThread::Load(const MSG& msg) {
  TLoadRecord& record = LoadRecordOf(msg);
  ReportBusy(record.NotifyBusy);
  const int32_t bank = CacheBank(record.Bank);
  const int32_t program = record.Program & 0xFF;

  // The request's own entry. Gone (cleared meanwhile) or already loaded: nothing to load. Being
  // released, or asked for by a channel that has moved on since: it goes without ever reaching the card.
  uint32_t ownId = static_cast<uint32_t>(record.EntryId);
  bool ownReleasing = false;
  {
    TWriteLock lock(*FCache);
    TPresetList& list = FCache->List();
    int own = list.Find(bank, program, ownId);
    if (ownId == NoEntryId)
      while (own >= 0 && (!list[own].Pending || list[own].Releasing)) own = list.FindNext(own, bank, program);
    if (own < 0 || !list[own].Pending) {
      own = -1;
    } else {
      TPresetData& entry = list[own];
      if (record.Channel >= 0 && entry.UseCount() == 0 && !entry.NoChannelWaits) entry.Releasing = true;
      ownId = entry.Id;
      ownReleasing = entry.Releasing;
    }
    if (own < 0) ownId = NoEntryId;
  }
  if (ownId == NoEntryId) return FinishLoad(msg, record, true);
  if (ownReleasing) {
    UnloadEntry(bank, program, ownId);
    return FinishLoad(msg, record, true);
  }

  // Older copies of the slot go first; a newer request for the slot supersedes this one. The copy that
  // stays takes over the uses of the one that goes: the channels that played that one play this.
  bool failed = false;
  bool newer = false;
  for (;;) {
    uint32_t otherId = NoEntryId;
    {
      TWriteLock lock(*FCache);
      TPresetList& list = FCache->List();
      int other = list.Find(bank, program);
      while (other >= 0 && (list[other].Releasing || list[other].Id == ownId)) other = list.FindNext(other, bank, program);
      const int own = list.Find(bank, program, ownId);
      if (other >= 0) {
        otherId = list[other].Id;
        newer = otherId > ownId;
        if (own >= 0 && newer) list[other].TakeUsesOf(list[own]);
        if (own >= 0 && !newer) list[own].TakeUsesOf(list[other]);
      }
    }
    if (otherId == NoEntryId || newer) break;
    int32_t error = 0;
    if (!UnloadEntry(bank, program, otherId, error) && FDevice->IsRetryable(error)) {
      failed = true;
      break;
    }
  }
  if (failed) {
    if (RetryLater(msg)) return;
    return FailLoad(msg, record, ownId, TM_PRESET_NOT_FOUND);
  }
  if (newer) {
    UnloadEntry(bank, program, ownId);
    return FinishLoad(msg, record, true);
  }

  int32_t handle = 0;
  bool loaded = record.SourceBank == WaveLoadSourceBank
                    ? FDevice->LoadWave(bank, program, record.FileName, handle)
                    : FDevice->LoadPreset(record.SourceBank, record.SourcePreset, bank, program, record.FileName, handle);
  if (loaded) {
    bool kept = false;
    {
      TWriteLock lock(*FCache);
      TPresetList& list = FCache->List();
      int own = list.Find(bank, program, ownId);
      if (own >= 0) {
        kept = true;
        list[own].Pending = false;
        list[own].DeviceHandle = handle;
        list[own].TimeStamp = TickCount();
      }
    }
    // Never leave a preset in the card that no entry accounts for.
    if (!kept) FDevice->ClearPreset(bank, program, handle);
    return FinishLoad(msg, record, true);
  }

  const int32_t error = FDevice->LastError();
  if (PresetMissingFromFile(record)) return FailLoad(msg, record, ownId, TM_PRESET_NOT_FOUND);
  if (FDevice->IsOutOfMemory(error)) {
    // Larger than the whole card: evicting would empty the card for a load that cannot succeed.
    if (FDevice->ExceedsMemory(record.SourceBank == WaveLoadSourceBank, record.SourceBank, record.SourcePreset,
                               record.FileName))
      return FailLoad(msg, record, ownId, TM_PRESET_TOO_BIG);
    uint32_t victimId = NoEntryId;
    int32_t victimBank = 0, victimProgram = 0;
    {
      TWriteLock lock(*FCache);
      TPresetList& list = FCache->List();
      int victim = list.PickVictim(false);
      if (victim >= 0) {
        TPresetData& entry = list[victim];
        entry.Releasing = true;
        entry.TimeStamp = 0;
        victimId = entry.Id;
        victimBank = entry.Bank;
        victimProgram = entry.Program;
      }
    }
    if (victimId == NoEntryId) return FailLoad(msg, record, ownId, TM_PRESET_TOO_BIG);
    // Each round takes one more entry out of the running (unloaded, or left releasing), so a
    // preset that never fits ends with no victim left.
    UnloadEntry(victimBank, victimProgram, victimId);
    Requeue();
    return;
  }
  if (FDevice->IsUnsupportedWave(error) && record.SourceBank == WaveLoadSourceBank)
    return FailLoad(msg, record, ownId, TM_UNSUPPORTED_WAVE);
  if (FDevice->IsRetryable(error) && RetryLater(msg)) return;
  FailLoad(msg, record, ownId, TM_PRESET_NOT_FOUND);
}

void TSFManagerThread::ClearOne(const MSG& msg) {
  TClearRecord& record = ClearRecordOf(msg);
  ReportBusy(record.NotifyBusy);
  int32_t error = 0;
  if (!UnloadEntry(record.Bank, record.Program, static_cast<uint32_t>(record.EntryId), error) &&
      FDevice->IsRetryable(error) && RetryLater(msg))
    return;
  ReportIdle(record.NotifyBusy);
  if (record.Echo) PostToCreator(TM_ECHO);
  Done(msg);
  EndRequest<TClearPresetMessage, TClearPresetSyncMessage>(msg, TM_CLEAR_PRESET_SYNC);
}

void TSFManagerThread::ClearAll(const MSG& msg) {
  TClearAllRecord* record = TClearAllLoadedSFMessage::RecordOf(msg.lParam);
  ReportBusy(record->NotifyBusy);
  if (!FDevice->ClearAll() && FDevice->IsRetryable(FDevice->LastError()) && RetryLater(msg)) return;
  FDefaultLoaded = false;  // the default bank went with everything else
  ReportIdle(record->NotifyBusy);
  Done(msg);
  delete record;
  {
    TWriteLock lock(*FCache);
    TPresetList& list = FCache->List();
    NotifyClients(TM_1050, 0, 0);
    for (int i = list.Count() - 1; i >= 0; --i) {
      int32_t bank = list[i].Bank, program = list[i].Program;
      list.Delete(i);
      NotifyClients(TM_1120, static_cast<WPARAM>(bank & 0xFFFF), program);
    }
  }
  PostToCreator(TM_ECHO);
}

void TSFManagerThread::UnloadUnused(const MSG& msg) {
  TUnloadRecord& record = UnloadRecordOf(msg);
  const uint32_t limit = record.AgeLimit < 0 ? 0 : static_cast<uint32_t>(record.AgeLimit);
  int count;
  {
    TReadLock lock(*FCache);
    count = FCache->List().Count();
  }
  bool failed = false;
  int32_t error = 0;
  for (int i = count - 1; i >= 0 && !failed; --i) {
    uint32_t id = NoEntryId;
    int32_t bank = 0, program = 0;
    {
      TReadLock lock(*FCache);
      const TPresetList& list = FCache->List();
      if (i >= list.Count()) continue;
      const TPresetData& entry = list[i];
      // Pending entries are never due; one whose unload was refused before is tried again.
      if (entry.Pending || !(entry.Releasing || entry.Age(record.TickCount) > limit)) continue;
      id = entry.Id;
      bank = entry.Bank;
      program = entry.Program;
    }
    ReportBusy(record.NotifyBusy);
    record.Echo = 1;
    failed = !UnloadEntry(bank, program, id, error);
  }
  // A busy device is asked again soon; a refusal waits for the next pass.
  if (failed && FDevice->IsRetryable(error) && RetryLater(msg)) return;
  ReportIdle(record.NotifyBusy);
  if (record.Echo) PostToCreator(TM_ECHO);
  Done(msg);
  EndRequest<TUnloadUnusedMessage, TUnloadUnusedSyncMessage>(msg, TM_UNLOAD_UNUSED_SYNC);
}

void TSFManagerThread::ListCache(const MSG& msg) {
  auto* request = static_cast<TGetListOfCachedPresetsMessage*>(TAbstractMessage::FromParam(msg.lParam));
  TPresetList& copy = *request->List;
  {
    TReadLock lock(*FCache);
    FCache->List().CopyTo(copy);
  }
  // Names come from the device, with the lock released.
  for (int i = copy.Count() - 1; i >= 0; --i) {
    std::string name;
    if (FDevice->GetPresetName(copy[i].Bank, copy[i].Program, name)) copy[i].Name = name;
  }
  request->Reply();
}

void TSFManagerThread::CountCache(const MSG& msg) {
  auto* request = static_cast<TGetCachedPresetsCountMessage*>(TAbstractMessage::FromParam(msg.lParam));
  {
    TReadLock lock(*FCache);
    request->Count = static_cast<uint32_t>(FCache->List().Count());
  }
  request->Reply();
}

void TSFManagerThread::QueryMemory(const MSG& msg) {
  auto* request = static_cast<TQueryStaticSampleMemorySizeMessage*>(TAbstractMessage::FromParam(msg.lParam));
  uint32_t total = 0, free = 0;
  FDevice->QueryMemory(total, free);
  request->Total = total;
  request->Free = free;
  request->Reply();
}
