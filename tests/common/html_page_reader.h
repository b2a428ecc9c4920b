#pragma once
// The editor's HTML page read by the independent reader (tests/common/html_reader.py, Python's html.parser
// on the host), and the lines it gives built from what a page should show, to compare with.
#include <string>
#include <vector>

namespace testsupport {

enum class THtmlReading { Read, NoBrowser, Failed };

// The reader's lines for the page file; with browser, for the DOM a headless Chromium makes of it.
THtmlReading ReadHtmlPage(const std::string& page, bool browser, std::vector<std::string>& lines);

// A value as Python's json.dumps writes it (ASCII; the page's bytes read as Latin-1).
std::string JsonText(const std::string& bytes);
inline std::string JsonBool(bool value) { return value ? "true" : "false"; }
// A JSON list of values already written as JSON.
std::string JsonList(const std::vector<std::string>& values);

// The reader's lines for the parts of a page.
std::string HtmlHeaderLine(const std::string& colour, const std::string& text, const std::string& linkPath,
                           const std::string& fontColour);
std::string HtmlFileLine(const std::string& path);
// One cell of an entry row: text, link path, font colour, red and bold.
std::string HtmlCell(const std::string& text, const std::string& linkPath = "", const std::string& fontColour = "",
                     bool redBold = false);
std::string HtmlEntryLine(const std::string& colour, const std::vector<std::string>& cells);

}  // namespace testsupport
