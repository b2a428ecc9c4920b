// libFuzzer target for the mapping's text form. The input's first line is the mapping's name, the rest the
// text. What an import gives, exported under that name and imported again, is the same; and exporting that
// again gives the same lines (the export is a fixpoint). Sections of one file join as the mapping joins them:
// the first spelling stays, case-blind (here the ASCII letters; the system's comparison under Wine).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "mapping_text_form.h"
#include "same_text_ascii.h"

namespace {

// A new mapping after importing the text: lists empty unless the text has them, files joined.
struct TImported {
  std::vector<std::string> Backgrounds, Colors, Names;
  std::vector<std::pair<std::string, std::vector<std::string>>> Files;
  bool operator==(const TImported& o) const {
    return Backgrounds == o.Backgrounds && Colors == o.Colors && Names == o.Names && Files == o.Files;
  }
};

TImported Import(const std::vector<std::string>& lines) {
  const TMappingText text = ParseMappingText(lines);
  TImported m;
  m.Backgrounds = text.Backgrounds;
  m.Colors = text.Colors;
  m.Names = text.Names;
  for (const TTextSection& section : text.Sections) {
    size_t file = 0;
    while (file < m.Files.size() && !SameTextAscii(m.Files[file].first, section.Name)) ++file;
    if (file == m.Files.size()) m.Files.push_back({section.Name, {}});
    for (const std::string& value : section.Values) m.Files[file].second.push_back(value);
  }
  return m;
}

std::vector<std::string> Export(const std::string& name, const TImported& m) {
  std::vector<std::string> lines;
  AppendMappingTextHead(name, m.Backgrounds, m.Colors, m.Names, lines);
  for (const auto& file : m.Files) AppendTextSection(file.first, file.second, lines);
  return lines;
}

void Check(bool condition) {
  if (!condition) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n')
      lines.emplace_back();
    else
      lines.back().push_back(char(data[i]));
  }
  const std::string name = lines.front();
  lines.erase(lines.begin());

  const TImported first = Import(lines);
  const std::vector<std::string> exported = Export(name, first);
  Check(ParseMappingText(exported).HasEntries);  // every export passes the import's check
  const TImported again = Import(exported);
  Check(again == first);
  Check(Export(name, again) == exported);
  return 0;
}
