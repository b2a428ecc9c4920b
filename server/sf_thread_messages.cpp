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
