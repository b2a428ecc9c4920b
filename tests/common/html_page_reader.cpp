#include "html_page_reader.h"

#include <cstdio>

#include "file_link.h"
#include "oracle_programs.h"
#include "standin_support.h"

namespace testsupport {

THtmlReading ReadHtmlPage(const std::string& page, bool browser, std::vector<std::string>& lines) {
  lines.clear();
  const std::string output = page + ".lines";
  DeleteFileA(output.c_str());
  DWORD code = 1;
  const bool ran = RunShell(std::string("python3 ") + HTML_READER + (browser ? " --browser" : "") + " '" +
                                HostName(page) + "' '" + HostName(output) + "'",
                            180000, &code);
  if (ran && code == 77) return THtmlReading::NoBrowser;
  std::string text = ReadBytes(output);
  DeleteFileA(output.c_str());
  if (!ran || code != 0) return THtmlReading::Failed;
  for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(text.substr(at, end - at));
  return THtmlReading::Read;
}

std::string JsonText(const std::string& bytes) {
  std::string json = "\"";
  for (char c : bytes) {
    const unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '"': json += "\\\""; break;
      case '\\': json += "\\\\"; break;
      case '\n': json += "\\n"; break;
      case '\r': json += "\\r"; break;
      case '\t': json += "\\t"; break;
      case '\b': json += "\\b"; break;
      case '\f': json += "\\f"; break;
      default:
        if (u < 0x20 || u > 0x7E) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", unsigned(u));
          json += escaped;
        } else {
          json += c;
        }
    }
  }
  return json + "\"";
}

std::string JsonList(const std::vector<std::string>& values) {
  std::string json = "[";
  for (size_t i = 0; i < values.size(); ++i) json += (i ? ", " : "") + values[i];
  return json + "]";
}

std::string HtmlHeaderLine(const std::string& colour, const std::string& text, const std::string& linkPath,
                           const std::string& fontColour) {
  return JsonList({JsonText("header"), JsonText(colour), JsonText(text), JsonText(linkPath), JsonText(fontColour)});
}

std::string HtmlFileLine(const std::string& path) {
  return JsonList({JsonText("file"), JsonText(path), JsonText("file:///" + path)});
}

std::string HtmlCell(const std::string& text, const std::string& linkPath, const std::string& fontColour,
                     bool redBold) {
  return JsonList({JsonText(text), JsonText(linkPath), JsonText(fontColour), JsonBool(redBold)});
}

std::string HtmlEntryLine(const std::string& colour, const std::vector<std::string>& cells) {
  std::vector<std::string> values = {JsonText("entry"), JsonText(colour)};
  values.insert(values.end(), cells.begin(), cells.end());
  return JsonList(values);
}

}  // namespace testsupport
