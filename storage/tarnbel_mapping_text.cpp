// The mapping's text form: written by ExportToText, read by the constructor.
#include "tarnbel_mapping.h"
#include "text_compare.h"

namespace {
const char* const kBackgroundsHeader = "[Bank backgrounds]";
const char* const kColorsHeader = "[Bank colors]";
const char* const kNamesHeader = "[Bank names]";

void AppendNonEmpty(const TRegArray& list, std::vector<std::string>& dest) {
  for (const std::string& item : list.Items())
    if (!item.empty()) dest.push_back(item);
}

bool StartsSection(const std::string& line) { return !line.empty() && line[0] == '['; }

// Replaces the list by the lines after the header, up to an empty line, a line beginning with "[" or the
// end. Returns the index where the scan stopped, or -1 when the header is missing: the list then keeps
// what it holds, so a text that lacks a section never wipes what is stored.
int ReadBankSection(const std::vector<std::string>& lines, const char* header, TRegArray& list) {
  size_t at = 0;
  while (at < lines.size() && !AnsiSameText(lines[at], header)) ++at;
  if (at == lines.size()) return -1;
  list.Clear();
  for (++at; at < lines.size() && !lines[at].empty() && !StartsSection(lines[at]); ++at) list.Add(lines[at], true);
  return static_cast<int>(at);
}
}  // namespace

void TMapping::ExportToText(std::vector<std::string>& dest) const {
  dest.push_back("[Name]");
  dest.push_back(Name);
  dest.emplace_back();
  dest.push_back(kBackgroundsHeader);
  AppendNonEmpty(*BankBackgrounds, dest);
  dest.emplace_back();
  dest.push_back(kColorsHeader);
  AppendNonEmpty(*BankColors, dest);
  dest.emplace_back();
  dest.push_back(kNamesHeader);
  AppendNonEmpty(*BankNames, dest);
  dest.emplace_back();
  Store->ExportSections(dest);
}

void TMapping::ImportText(const std::vector<std::string>& lines) {
  ReadBankSection(lines, kBackgroundsHeader, *BankBackgrounds);
  ReadBankSection(lines, kColorsHeader, *BankColors);
  int at = ReadBankSection(lines, kNamesHeader, *BankNames);
  // Without the bank names header the text holds no entries part: the stored entries stay as they are
  // rather than being replaced by nothing.
  if (at < 0) return;
  Store->Clear();
  int key = -1;  // lines before the first usable section have no key to go to
  for (size_t i = static_cast<size_t>(at); i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    if (StartsSection(line)) {
      // The name between the first and the last character; "[" or "[]" names nothing, and an empty key
      // name is never stored, so its lines are skipped.
      std::string name = line.size() > 2 ? line.substr(1, line.size() - 2) : std::string();
      key = name.empty() ? -1 : Store->FindOrAddKey(name);
      continue;
    }
    if (key >= 0) Store->AddValue(key, line);
  }
}
