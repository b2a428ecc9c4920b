#pragma once
// The mapping's text form as lines, apart from the registry (so that it reads and writes alike wherever it
// runs): "[Name]" and the name, the three bank lists under their headers, then one section per source file,
// each "[" + file + "]" followed by its entry strings; an empty line closes every part.
#include <string>
#include <vector>

struct TTextSection {
  std::string Name;
  std::vector<std::string> Values;
};

// What a text holds. A bank list whose header is missing is not in the text, nor are the entries when the
// bank names header is missing: the reader then keeps what it had.
struct TMappingText {
  bool HasBackgrounds = false, HasColors = false, HasEntries = false;
  std::vector<std::string> Backgrounds, Colors, Names;
  // In text order; two sections naming one file are both here (the reader joins them).
  std::vector<TTextSection> Sections;
};

// Headers are matched by sameText (the system's case-blind comparison).
using TSameText = bool (*)(const std::string&, const std::string&);
TMappingText ParseMappingText(const std::vector<std::string>& lines, TSameText sameText);

// The name and the bank lists (empty items left out), each part closed by an empty line.
void AppendMappingTextHead(const std::string& name, const std::vector<std::string>& backgrounds,
                           const std::vector<std::string>& colors, const std::vector<std::string>& names,
                           std::vector<std::string>& dest);
void AppendTextSection(const std::string& name, const std::vector<std::string>& values,
                       std::vector<std::string>& dest);
