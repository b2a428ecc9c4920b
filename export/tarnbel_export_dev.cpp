// The Cubase module device files: a copy of a template with the mapping's names patched in.
#include <algorithm>
#include <vector>

#include "export_output.h"
#include "message_box.h"
#include "tarnbel_cubase.h"
#include "tarnbel_export.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"

namespace {

// Offsets in both templates.
constexpr size_t MappingNameAt = 0x0E;  // 7 characters and a blank
constexpr size_t FileLabelsAt[] = {0x16, 0x20, 0x1EA};
constexpr size_t BlockLabelsAt = 0x3B3;  // bank block k: label at +1, bank number at +16
constexpr size_t BlockStride = 0x1C;
constexpr size_t SeparatorNamesAt = 0x3D0;
constexpr size_t DriverNamesAt = 0x504;
constexpr size_t NameSize = 20;
constexpr size_t LabelSize = 8;
constexpr int BanksPerDriver = 12;

// text cut or filled to width.
void Put(std::string& frame, size_t offset, const std::string& text, size_t width, char fill) {
  std::string field = text.substr(0, width);
  field.resize(width, fill);
  frame.replace(offset, width, field);
}

void PutHeader(std::string& frame, const TMapping& mapping, const std::string& fileLabel) {
  Put(frame, MappingNameAt, mapping.Name, 7, ' ');
  frame[MappingNameAt + 7] = ' ';
  for (size_t at : FileLabelsAt) Put(frame, at, fileLabel, LabelSize, '\0');
}

// Bank block k: its label, its bank number (0 for the drum kits) and the 128 preset names at namesAt.
void PutBlock(std::string& frame, size_t k, const std::string& label, const TMapping& mapping, int bank,
              size_t namesAt) {
  const size_t block = BlockLabelsAt + k * BlockStride;
  frame.replace(block + 1, LabelSize, label);
  frame[block + 16] = char(bank == DrumKitBank ? 0 : bank);
  for (int p = 0; p < MappingPrograms; ++p) {
    const TMappingInactiveItem* item = mapping.Slot(bank, p);
    Put(frame, namesAt + size_t(p) * NameSize, item ? item->GetPresetName() : std::string(), NameSize, ' ');
  }
}

std::string NulFilled(const std::string& text) {
  std::string label = text.substr(0, LabelSize);
  label.resize(LabelSize, '\0');
  return label;
}

// The twelve-bank layout's file of banks first to first + 11: m000-011 ... m120-131.
std::string DriverLabel(int first) {
  return "m" + IntToStrZero(first, 3) + "-" + IntToStrZero(first + BanksPerDriver - 1, 3);
}

bool TemplateReady(const std::string& frame) {
  if (!frame.empty()) return true;
  ui::ShowMessageBox("The Cubase device template of the program is missing or damaged: nothing was exported.",
                     "tarnbel", MB_OK | MB_ICONERROR);
  return false;
}

}  // namespace

bool ExportCubaseDevSeparate(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] {
    const std::string& frameTemplate = GetCubaseSeparatorTemplate();
    if (!TemplateReady(frameTemplate)) return false;
    std::vector<TBankFile> files;
    for (int bank : BanksWithEntries(mapping, true)) {
      std::string name = BankLabel(mapping, bank);
      std::string label = bank == DrumKitBank ? "drums" : name.substr(0, LabelSize);
      files.push_back({bank, bank == DrumKitBank ? label : name, label + ".dev"});
    }
    // Both layouts write into one folder: a bank file never replaces one of the twelve-bank layout's.
    std::vector<std::string> driverFiles;
    for (int first = 0; first < MappingBanks; first += BanksPerDriver)
      driverFiles.push_back(DriverLabel(first) + ".dev");
    if (!CheckBankFiles(files, driverFiles, "the Cubase export of 12 banks per file")) return false;
    std::string out = MappingOutputFolder(folder, mapping.Name);
    if (out.empty()) return false;
    for (const TBankFile& f : files) {
      std::string frame = frameTemplate;
      std::string label = NulFilled(f.FileName.substr(0, f.FileName.size() - 4));
      PutHeader(frame, mapping, label);
      PutBlock(frame, 0, label, mapping, f.Bank, SeparatorNamesAt);
      if (!SaveBinaryFile(out + f.FileName, frame)) return false;
    }
    return true;
  });
}

bool ExportCubaseDev12(const std::string& folder, const TMapping& mapping) {
  return GuardExport([&] {
    const std::string& frameTemplate = GetCubaseDriverTemplate();
    if (!TemplateReady(frameTemplate)) return false;
    std::string out = MappingOutputFolder(folder, mapping.Name);
    if (out.empty()) return false;
    for (int first = 0; first < MappingBanks; first += BanksPerDriver) {
      std::string frame = frameTemplate;
      const std::string fileLabel = DriverLabel(first);
      PutHeader(frame, mapping, fileLabel);
      for (int bank = first; bank <= std::min(first + BanksPerDriver - 1, DrumKitBank); ++bank) {
        const size_t k = size_t(bank - first);
        std::string label = bank == DrumKitBank ? "drums   " : NulFilled(BankLabel(mapping, bank));
        PutBlock(frame, k, label, mapping, bank, DriverNamesAt + k * MappingPrograms * NameSize);
      }
      if (!SaveBinaryFile(out + fileLabel + ".dev", frame)) return false;
    }
    return true;
  });
}
