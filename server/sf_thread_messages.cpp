#include "sf_thread_messages.h"

void FillLoadRecord(TLoadRecord& record, const std::string& fileName, int32_t sourceBank, int32_t sourcePreset,
                    int32_t bank, int32_t program, int32_t channel, int32_t entryId, bool echo) {
  record.FileName = fileName;
  record.SourceBank = sourceBank;
  record.SourcePreset = sourcePreset;
  record.Bank = bank;
  record.Program = program;
  record.Channel = channel;
  record.EntryId = entryId;
  record.NotifyBusy = 1;
  record.Echo = echo ? 1 : 0;
}

void FillClearRecord(TClearRecord& record, int32_t bank, int32_t program, int32_t entryId, bool echo) {
  record.Bank = bank;
  record.Program = program;
  record.NotifyBusy = 1;
  record.EntryId = entryId;
  record.Echo = echo ? 1 : 0;
}

void FillUnloadRecord(TUnloadRecord& record, uint32_t tickCount, int32_t ageLimit) {
  record.AgeLimit = ageLimit;
  record.TickCount = tickCount;
  record.NotifyBusy = 1;
  record.Echo = 0;
}

bool SFThreadCarriesObject(UINT id) {
  switch (id) {
    case TM_LOAD_PRESET: case TM_LOAD_PRESET_SYNC: case TM_CLEAR_PRESET: case TM_CLEAR_PRESET_SYNC:
    case TM_CLEAR_ALL_LOADED: case TM_UNLOAD_UNUSED: case TM_UNLOAD_UNUSED_SYNC: case TM_GET_CACHED_LIST:
    case TM_GET_CACHED_COUNT: case TM_QUERY_SAMPLE_MEMORY:
      return true;
    default:
      return false;
  }
}
