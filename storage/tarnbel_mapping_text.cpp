// The mapping's text form: written by ExportToText, read by the constructor.
#include "mapping_text_form.h"
#include "tarnbel_mapping.h"

namespace {
void ReplaceItems(TRegArray& list, const std::vector<std::string>& items) {
  list.Clear();
  for (const std::string& item : items) list.Add(item, true);
}
}  // namespace

void TMapping::ExportToText(std::vector<std::string>& dest) const {
  AppendMappingTextHead(Name, BankBackgrounds->Items(), BankColors->Items(), BankNames->Items(), dest);
  Store->ExportSections(dest);
}

void TMapping::ImportText(const std::vector<std::string>& lines) {
  const TMappingText text = ParseMappingText(lines);
  // A list missing from the text keeps what it holds, so a text that lacks a section never wipes what is stored.
  if (text.HasBackgrounds) ReplaceItems(*BankBackgrounds, text.Backgrounds);
  if (text.HasColors) ReplaceItems(*BankColors, text.Colors);
  // Without the bank names header the text holds no entries part: the stored entries stay as they are
  // rather than being replaced by nothing.
  if (!text.HasEntries) return;
  ReplaceItems(*BankNames, text.Names);
  Store->Clear();
  for (const TTextSection& section : text.Sections) {
    const int key = Store->FindOrAddKey(section.Name);
    for (const std::string& value : section.Values) Store->AddValue(key, value);
  }
}
