#include "preset_records.h"

#include "tarnbel_editor_settings.h"
#include "tarnbel_mapping.h"

namespace {

int32_t CallerBank(int bank) { return bank == DrumKitBank ? CallerDrumKitBank : bank; }

// Consecutive slots for waves: programs 0-127 of a bank, then the next bank, bank 0 after 127.
class TWaveSlots {
 public:
  explicit TWaveSlots(int bank) : FBank(WaveBankInRange(bank)) {}
  void Next(int32_t& bank, int32_t& program) {
    bank = FBank;
    program = FProgram;
    if (++FProgram < MappingPrograms) return;
    FProgram = 0;
    FBank = FBank >= 127 ? 0 : FBank + 1;
  }

 private:
  int FBank;
  int FProgram = 0;
};

}  // namespace

std::vector<CachedPresetRecord> EntryPresetRecords(const std::vector<TAttachedRow>& rows, bool separate) {
  std::vector<CachedPresetRecord> records;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    if (!row->Entry || (row->Inactive && !separate)) continue;
    const TMappingInactiveItem& entry = *row->Entry;
    CachedPresetRecord record = EmptyPresetRecord();
    FillPresetRecord(entry, record);
    // A wave entry stores "file|name": the preset is named as the list shows it.
    SetShortString(record.PresetName, entry.GetPresetName());
    SetShortString(record.SourceFile, entry.GetSourceName());
    record.Bank = CallerBank(int(entry.TargetBank));
    record.SourceBank = int32_t(entry.SourceBank);
    record.SourcePreset = int32_t(entry.SourceProgram);
    records.push_back(record);
  }
  return records;
}

std::vector<CachedPresetRecord> SourcePresetRecords(const std::vector<TSourcePreset>& rows, bool separate,
                                                    int waveBank) {
  std::vector<CachedPresetRecord> records;
  TWaveSlots slots(waveBank);
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    CachedPresetRecord record = EmptyPresetRecord();
    SetShortString(record.SourceFile, row->Path);
    if (row->Wave) {
      if (!separate) slots.Next(record.Bank, record.Program);
      SetShortString(record.PresetName, row->Caption);
      record.SourceBank = record.SourcePreset = int32_t(WaveSourceBank);
    } else {
      record.Bank = CallerBank(row->Bank);
      record.Program = row->Program;
      SetShortString(record.PresetName, ShownName(row->Caption, row->Bank, 40));
      record.SourceBank = row->Bank;
      record.SourcePreset = row->Program;
    }
    records.push_back(record);
  }
  return records;
}
