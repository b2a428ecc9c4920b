#pragma once
// The HTML page of a mapping: its attached entries in the order, grouping and colours of the editor's
// list, and the files they come from.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "attached_row.h"
#include "graphics.h"

// How the list looks when the page is made.
struct THtmlPageLook {
  bool ColoredBankItems = true;
  bool ColoredBankHeaders = true;
  bool ColoredBackground = false;
  bool GroupedBySourceFile = false;
  // A bank's text and background colour, as the list draws them.
  std::function<ui::TColor(int bank)> BankFontColor;
  std::function<ui::TColor(int bank)> BankBackColor;
};

// The page as pieces that the file joins with CR LF. step runs after each entry row.
std::vector<std::string> BuildMappingHtml(const std::string& mappingName, const std::vector<TAttachedRow>& rows,
                                          const THtmlPageLook& look, const SYSTEMTIME& created,
                                          const std::function<void()>& step);

// "file:///" + path, with the characters that would end the path or change the link percent-encoded
// (%, #, ?, blanks and control characters); the caller still escapes it for the attribute.
std::string FileLinkTarget(const std::string& path);

// "Month d, yyyy&nbsp;&nbsp;hh:mm:ss".
std::string HtmlCreationTime(const SYSTEMTIME& time);

// The clock of the page's creation time: local time unless replaced (tests).
using THtmlClock = std::function<SYSTEMTIME()>;
THtmlClock SetHtmlClock(THtmlClock clock);
SYSTEMTIME HtmlClockNow();
