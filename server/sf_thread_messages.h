#pragma once
// The requests the server's threads send each other: loads, clears, unload passes and queries for a
// SoundFont manager thread, and the queries a route thread answers.
// An asynchronous request's lParam is its payload record, which the receiver frees once it is done
// with it (after any re-queuing). A synchronous one carries its record (or results) in the request
// object; the receiver frees the record, writes the results and replies.
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "abstract_message.h"
#include "live_requests.h"
#include "preset_list.h"
#include "protocol_payloads.h"
#include "tarnbel_protocol.h"
#include "tarnbel_types.h"

// The payloads never leave the process: they keep the field order of their layouts, not the sizes.
struct TLoadRecord : TPostedRecord {
  std::string FileName;
  int32_t SourceBank = 0;    // 200: a wave file
  int32_t SourcePreset = 0;
  int32_t Bank = 0;          // device bank; 32768 the drum-kit bank
  int32_t Program = 0;
  int32_t Channel = -1;
  int32_t EntryId = -1;      // the pending cache entry the requester added
  uint8_t NotifyBusy = 1;    // cleared by the receiver once it has reported busy
  uint8_t Echo = 0;          // post TM_ECHO to the manager thread's creator when done: the server then
                             // sends the cache list on to the monitor
};

struct TClearRecord : TPostedRecord {
  int32_t Bank = 0;
  int32_t Program = 0;
  uint8_t NotifyBusy = 1;
  int32_t EntryId = -1;      // -1: by bank and program
  uint8_t Echo = 0;
};

struct TUnloadRecord : TPostedRecord {
  int32_t AgeLimit = 0;      // ms
  uint32_t TickCount = 0;    // the sender's clock
  uint8_t NotifyBusy = 1;
  uint8_t Echo = 0;          // set by the receiver when it unloaded something
};

struct TClearAllRecord : TPostedRecord {
  uint8_t NotifyBusy = 1;
};

constexpr int32_t WaveLoadSourceBank = 200;

// An asynchronous request whose param is a record it allocates; a record that never reached a live
// receiver is freed by the request.
template <class TRecord, UINT Id>
class TAsyncRecordMessage : public TAbstractMessage {
 public:
  explicit TAsyncRecordMessage(DWORD target) : TAbstractMessage(target, false, Id), FRecord(new TRecord) {
    SetParam(reinterpret_cast<LPARAM>(FRecord));
    TLiveRequests::Add(static_cast<const TPostedRecord*>(FRecord), Id);
  }
  ~TAsyncRecordMessage() override {
    if (!FSent) delete FRecord;
  }
  static TRecord* RecordOf(LPARAM lParam) { return reinterpret_cast<TRecord*>(lParam); }

 protected:
  TRecord& Record() { return *FRecord; }
  void Prepare() override { FSent = true; }
  void Undelivered() override { delete FRecord; }

 private:
  TRecord* FRecord;    // the receiver's once it was posted
  bool FSent = false;  // a request never sent still owns its record
};

// A synchronous request carrying its record; the receiver frees it with FreeRecord before replying,
// and a request that never got an answer frees it with itself.
template <class TRecord, UINT Id>
class TSyncRecordMessage : public TAbstractMessage {
 public:
  explicit TSyncRecordMessage(DWORD target) : TAbstractMessage(target, true, Id), FRecord(new TRecord) {}
  static TSyncRecordMessage* FromParam(LPARAM lParam) { return reinterpret_cast<TSyncRecordMessage*>(lParam); }
  TRecord* Record() { return FRecord.get(); }
  void FreeRecord() { FRecord.reset(); }

 private:
  std::unique_ptr<TRecord> FRecord;
};

void FillLoadRecord(TLoadRecord& record, const std::string& fileName, int32_t sourceBank, int32_t sourcePreset,
                    int32_t bank, int32_t program, int32_t channel, int32_t entryId, bool echo);
void FillClearRecord(TClearRecord& record, int32_t bank, int32_t program, int32_t entryId, bool echo);
void FillUnloadRecord(TUnloadRecord& record, uint32_t tickCount, int32_t ageLimit);

class TLoadPresetMessage : public TAsyncRecordMessage<TLoadRecord, TM_LOAD_PRESET> {
 public:
  TLoadPresetMessage(DWORD target, const std::string& fileName, int32_t sourceBank, int32_t sourcePreset,
                     int32_t bank, int32_t program, int32_t channel, int32_t entryId, bool echo)
      : TAsyncRecordMessage(target) {
    FillLoadRecord(Record(), fileName, sourceBank, sourcePreset, bank, program, channel, entryId, echo);
  }
};

class TLoadPresetSyncMessage : public TSyncRecordMessage<TLoadRecord, TM_LOAD_PRESET_SYNC> {
 public:
  TLoadPresetSyncMessage(DWORD target, const std::string& fileName, int32_t sourceBank, int32_t sourcePreset,
                         int32_t bank, int32_t program, int32_t channel, int32_t entryId, bool echo)
      : TSyncRecordMessage(target) {
    FillLoadRecord(*Record(), fileName, sourceBank, sourcePreset, bank, program, channel, entryId, echo);
  }
};

class TClearPresetMessage : public TAsyncRecordMessage<TClearRecord, TM_CLEAR_PRESET> {
 public:
  TClearPresetMessage(DWORD target, int32_t bank, int32_t program, int32_t entryId, bool echo)
      : TAsyncRecordMessage(target) {
    FillClearRecord(Record(), bank, program, entryId, echo);
  }
};

class TClearPresetSyncMessage : public TSyncRecordMessage<TClearRecord, TM_CLEAR_PRESET_SYNC> {
 public:
  TClearPresetSyncMessage(DWORD target, int32_t bank, int32_t program, int32_t entryId, bool echo)
      : TSyncRecordMessage(target) {
    FillClearRecord(*Record(), bank, program, entryId, echo);
  }
};

class TClearAllLoadedSFMessage : public TAsyncRecordMessage<TClearAllRecord, TM_CLEAR_ALL_LOADED> {
 public:
  explicit TClearAllLoadedSFMessage(DWORD target) : TAsyncRecordMessage(target) {}
};

class TUnloadUnusedMessage : public TAsyncRecordMessage<TUnloadRecord, TM_UNLOAD_UNUSED> {
 public:
  TUnloadUnusedMessage(DWORD target, uint32_t tickCount, int32_t ageLimit) : TAsyncRecordMessage(target) {
    FillUnloadRecord(Record(), tickCount, ageLimit);
  }
};

class TUnloadUnusedSyncMessage : public TSyncRecordMessage<TUnloadRecord, TM_UNLOAD_UNUSED_SYNC> {
 public:
  TUnloadUnusedSyncMessage(DWORD target, uint32_t tickCount, int32_t ageLimit) : TSyncRecordMessage(target) {
    FillUnloadRecord(*Record(), tickCount, ageLimit);
  }
};

class TGetCachedPresetsCountMessage : public TAbstractMessage {
 public:
  explicit TGetCachedPresetsCountMessage(DWORD target) : TAbstractMessage(target, true, TM_GET_CACHED_COUNT) {}
  uint32_t Count = 0;
};

class TGetListOfCachedPresetsMessage : public TAbstractMessage {
 public:
  explicit TGetListOfCachedPresetsMessage(DWORD target)
      : TAbstractMessage(target, true, TM_GET_CACHED_LIST), List(new TPresetList) {}
  std::unique_ptr<TPresetList> List;
};

class TQueryStaticSampleMemorySizeMessage : public TSyncMessage {
 public:
  explicit TQueryStaticSampleMemorySizeMessage(DWORD target) : TSyncMessage(target, TM_QUERY_SAMPLE_MEMORY) {}
  uint32_t Total = 0;  // bytes
  uint32_t Free = 0;
};

class TSFManagerThread;

// The ids whose lParam a SoundFont manager thread follows as a request or record.
bool SFThreadCarriesObject(UINT id);

// The answer is shared: a route that borrows another route's manager thread keeps it alive
// however the routes close.
class TGetSFManagerThreadMessage : public TSyncMessage {
 public:
  explicit TGetSFManagerThreadMessage(DWORD target) : TSyncMessage(target, TM_GET_SF_THREAD) {}
  uint32_t ThreadId = 0;
  std::shared_ptr<TSFManagerThread> Thread;
};

#pragma pack(push, 1)
struct TChannelPair {
  int32_t Bank;
  int32_t Program;
};
#pragma pack(pop)
static_assert(sizeof(TChannelPair) == 8, "a channel's bank and program are 8 bytes");

class TGetChannelsMessage : public TSyncMessage {
 public:
  TGetChannelsMessage(DWORD target, uint8_t flag) : TSyncMessage(target, TM_GET_CHANNELS), Flag(flag) {}
  uint8_t Flag;
  std::array<TChannelPair, 16> Channels{};
};

class TWinampLoadPresetsMessage : public TSyncMessage {
 public:
  TWinampLoadPresetsMessage(DWORD target, const std::vector<BankProgramRecord>& records)
      : TSyncMessage(target, TM_WINAMP_LOAD_PRESETS) {
    CopyBankProgramRecords(records, Records);
  }
  std::vector<BankProgramRecord> Records;
};

class TMMLoadPresetsMessage : public TSyncMessage {
 public:
  TMMLoadPresetsMessage(DWORD target, const TMMPresetsBlock& block) : TSyncMessage(target, TM_MM_LOAD_PRESETS), Block(block) {}
  TMMPresetsBlock Block;
};

class TWinampModeOnMessage : public TSyncMessage {
 public:
  explicit TWinampModeOnMessage(DWORD target) : TSyncMessage(target, TM_WINAMP_MODE_ON) {}
};

class TMMLoadDrumsMessage : public TSyncMessage {
 public:
  explicit TMMLoadDrumsMessage(DWORD target) : TSyncMessage(target, TM_MM_LOAD_DRUMS) {}
};
