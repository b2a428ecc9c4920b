#include "html_expectation.h"

#include <algorithm>

#include "html_page_reader.h"
#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

using namespace testsupport;

namespace htmltest {

SYSTEMTIME FixedClock() {
  SYSTEMTIME t{};
  t.wYear = 2024;
  t.wMonth = 3;
  t.wDay = 5;
  t.wHour = 7;
  t.wMinute = 4;
  t.wSecond = 9;
  return t;
}

namespace {

std::string BankText(int bank, int wave = 0) {
  if (bank == 128) return "drum";
  if (wave && bank == 200) return "wave";
  return IntToStrZero(bank, 3);
}

}  // namespace

// What the reader should find, from the rows and the look.
std::vector<std::string> ExpectedLines(const std::string& name, const std::vector<TAttachedRow>& rows,
                                  const THtmlPageLook& look) {
  std::vector<std::string> lines = {
      JsonList({JsonText("title"), JsonText("Tarnbel mapping - " + name)}),
      JsonList({JsonText("created"), JsonText("HTML created by TARNBEL\xA0\xA0\xA0" + LongMonthName(3) +
                                              " 5, 2024\xA0\xA0" "07:04:09")}),
      JsonList({JsonText("caption"), JsonText(name)})};
  std::vector<std::string> files;
  for (const TAttachedRow& row : rows) {
    if (!row.Entry) {
      const bool bankHeader = row.HeaderBank >= 0, colored = bankHeader && look.ColoredBankHeaders;
      if (row.Caption.empty()) lines.push_back(JsonList({JsonText("divider")}));
      else
        lines.push_back(HtmlHeaderLine(
            colored && look.ColoredBackground ? ColorToHtml(look.BankBackColor(row.HeaderBank)) : "", row.Caption.substr(1),
            !colored && look.GroupedBySourceFile ? "file:///" + row.Caption.substr(1) : "",
            colored ? ColorToHtml(look.BankFontColor(row.HeaderBank)) : ""));
      continue;
    }
    const TMappingInactiveItem& e = *row.Entry;
    const int bank = int(e.TargetBank);
    const std::string font = look.ColoredBankItems ? ColorToHtml(look.BankFontColor(bank)) : "";
    const std::string source = e.GetSourceName();
    lines.push_back(HtmlEntryLine(
        look.ColoredBankItems && look.ColoredBackground ? ColorToHtml(look.BankBackColor(bank)) : "",
        {HtmlCell(BankText(bank), "", font, row.Inactive), HtmlCell(IntToStrZero(e.TargetProgram, 3), "", font, row.Inactive),
         HtmlCell(e.GetPresetName(), "", font), HtmlCell(source.substr(source.rfind('\\') + 1), "file:///" + source, font),
         HtmlCell(BankText(int(e.SourceBank), 1), "", font),
         HtmlCell(e.IsWave() ? "-" : IntToStrZero(e.SourceProgram, 3), "", font)}));
    files.push_back(source);
  }
  std::sort(files.begin(), files.end(), [](const std::string& a, const std::string& b) { return AnsiCompareText(a, b) < 0; });
  files.erase(std::unique(files.begin(), files.end(), AnsiSameText), files.end());
  for (const std::string& file : files) lines.push_back(HtmlFileLine(file));
  return lines;
}

}  // namespace htmltest
