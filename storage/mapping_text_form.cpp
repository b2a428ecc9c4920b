#include "mapping_text_form.h"

#include "same_text_ascii.h"

namespace {
const char* const kNameHeader = "[Name]";
const char* const kBackgroundsHeader = "[Bank backgrounds]";
const char* const kColorsHeader = "[Bank colors]";
const char* const kNamesHeader = "[Bank names]";
const size_t kNone = static_cast<size_t>(-1);

bool StartsSection(const std::string& line) { return !line.empty() && line[0] == '['; }

// The line that holds the mapping's name: the one after "[Name]" when that opens the text, as it is
// written. A name may look like anything, a header too.
size_t NameLine(const std::vector<std::string>& lines) {
  size_t first = 0;
  while (first < lines.size() && lines[first].empty()) ++first;
  return first + 1 < lines.size() && SameTextAscii(lines[first], kNameHeader) ? first + 1 : kNone;
}

// The first line equal to the header; kNone when there is none. The name's line is the header only when no
// other line is: a name like a header is written before all the headers, while a text that left out its
// name line has the header there.
size_t FindHeader(const std::vector<std::string>& lines, const char* header, size_t nameLine) {
  size_t named = kNone;
  for (size_t at = 0; at < lines.size(); ++at) {
    if (!SameTextAscii(lines[at], header)) continue;
    if (at != nameLine) return at;
    named = at;
  }
  return named;
}

// The lines after the header up to an empty line, a line beginning with "[" or the end; returns where it
// stopped, or kNone (and found false) when the header is missing.
size_t ReadList(const std::vector<std::string>& lines, const char* header, size_t nameLine, bool& found,
                std::vector<std::string>& list) {
  size_t at = FindHeader(lines, header, nameLine);
  found = at != kNone;
  if (!found) return kNone;
  for (++at; at < lines.size() && !lines[at].empty() && !StartsSection(lines[at]); ++at) list.push_back(lines[at]);
  return at;
}

void AppendList(const char* header, const std::vector<std::string>& items, std::vector<std::string>& dest) {
  dest.push_back(header);
  for (const std::string& item : items)
    if (!item.empty()) dest.push_back(item);
  dest.emplace_back();
}
}  // namespace

TMappingText ParseMappingText(const std::vector<std::string>& lines) {
  TMappingText text;
  const size_t nameLine = NameLine(lines);
  ReadList(lines, kBackgroundsHeader, nameLine, text.HasBackgrounds, text.Backgrounds);
  ReadList(lines, kColorsHeader, nameLine, text.HasColors, text.Colors);
  const size_t entries = ReadList(lines, kNamesHeader, nameLine, text.HasEntries, text.Names);
  if (!text.HasEntries) return text;
  TTextSection* section = nullptr;  // lines before the first usable section have nowhere to go
  for (size_t i = entries; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line.empty()) continue;
    if (StartsSection(line)) {
      // The name between the first and the last character; "[" or "[]" names nothing, and a file without a
      // name is never stored, so its lines are skipped.
      section = nullptr;
      if (line.size() > 2) {
        text.Sections.push_back({line.substr(1, line.size() - 2), {}});
        section = &text.Sections.back();
      }
      continue;
    }
    if (section) section->Values.push_back(line);
  }
  return text;
}

void AppendMappingTextHead(const std::string& name, const std::vector<std::string>& backgrounds,
                           const std::vector<std::string>& colors, const std::vector<std::string>& names,
                           std::vector<std::string>& dest) {
  dest.push_back(kNameHeader);
  dest.push_back(name);
  dest.emplace_back();
  AppendList(kBackgroundsHeader, backgrounds, dest);
  AppendList(kColorsHeader, colors, dest);
  AppendList(kNamesHeader, names, dest);
}

void AppendTextSection(const std::string& name, const std::vector<std::string>& values,
                       std::vector<std::string>& dest) {
  dest.push_back("[" + name + "]");
  dest.insert(dest.end(), values.begin(), values.end());
  dest.emplace_back();
}
