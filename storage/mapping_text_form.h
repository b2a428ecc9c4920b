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

// The one reading of a text, for the import and for the test whether a file holds a mapping (HasEntries). A
// header is a line equal to it byte for byte but for the case of the letters a-z: the system's comparison
// passes over some bytes (a soft hyphen, NUL), which would take a list's item for a header. The line after a
// leading "[Name]" is the name, whatever it looks like, unless it is the only line of its header.
TMappingText ParseMappingText(const std::vector<std::string>& lines);

// The name and the bank lists (empty items left out), each part closed by an empty line.
void AppendMappingTextHead(const std::string& name, const std::vector<std::string>& backgrounds,
                           const std::vector<std::string>& colors, const std::vector<std::string>& names,
                           std::vector<std::string>& dest);
void AppendTextSection(const std::string& name, const std::vector<std::string>& values,
                       std::vector<std::string>& dest);
