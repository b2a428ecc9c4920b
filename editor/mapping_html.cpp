#include "mapping_html.h"

#include <set>

#include "tarnbel_func.h"
#include "tarnbel_func_vcl.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"
#include "text_compare.h"

namespace {

const char* const kCellsHeader = "<tr><th COLSPAN=\"6\"";

THtmlClock& Clock() {
  static THtmlClock clock;
  return clock;
}

std::string TwoDigits(int n) { return IntToStrZero(n, 2); }

std::string BankText(int bank) { return bank == DrumKitBank ? "drum" : IntToStrZero(bank, 3); }

std::string SourceBankText(int bank) {
  if (bank == DrumKitBank) return "drum";
  if (bank == int(WaveSourceBank)) return "wave";
  return IntToStrZero(bank, 3);
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of("\\/:") + 1); }

// A link to a file, showing the text given.
std::string FileLink(const std::string& path, const std::string& shown) {
  return "<a href=\"" + XmlEscape(FileLinkTarget(path)) + "\">" + XmlEscape(shown) + "</a>";
}

std::string FontOpen(ui::TColor color) { return "<font color=" + ColorToHtml(color) + ">"; }

// Sorted without regard to case, each text once, as the file list shows them.
struct TCaseBlindLess {
  bool operator()(const std::string& a, const std::string& b) const { return AnsiCompareText(a, b) < 0; }
};

class TPageWriter {
 public:
  TPageWriter(const THtmlPageLook& look, std::vector<std::string>& pieces) : FLook(look), FPieces(pieces) {}

  void EntryRow(const TAttachedRow& row) {
    const TMappingInactiveItem& entry = *row.Entry;
    const int bank = int(entry.TargetBank);
    std::string open = "<tr>\r\n", fontOpen, fontClose;
    if (FLook.ColoredBankItems) {
      if (FLook.ColoredBackground) open = "<tr BGCOLOR=" + ColorToHtml(FLook.BankBackColor(bank)) + ">";
      fontOpen = FontOpen(FLook.BankFontColor(bank));
      fontClose = "</font>";
    }
    auto cell = [&](const std::string& text) { return "<td>\r\n" + fontOpen + text + fontClose + "\r\n</td>\r\n"; };
    auto marked = [&](const std::string& text) {
      return row.Inactive ? "<font color=\"red\"><b>" + text + "</b></font>" : text;
    };
    const std::string source = entry.GetSourceName();
    std::string piece = open;
    piece += cell(marked(BankText(bank)));
    piece += cell(marked(IntToStrZero(entry.TargetProgram, 3)));
    piece += cell(XmlEscape(entry.GetPresetName()));
    piece += cell(FileLink(source, FileNameOf(source)));
    piece += cell(SourceBankText(int(entry.SourceBank)));
    piece += cell(entry.IsWave() ? "-" : IntToStrZero(entry.SourceProgram, 3));
    piece += "</tr>\r\n";
    FPieces.push_back(piece);
    FFiles.insert(FileLink(source, source) + "<br>\r\n");
  }

  void HeaderRow(const TAttachedRow& row) {
    const bool bankHeader = row.HeaderBank >= 0;
    std::string piece = kCellsHeader;
    if (bankHeader && FLook.ColoredBankHeaders && FLook.ColoredBackground)
      piece += " BGCOLOR=" + ColorToHtml(FLook.BankBackColor(row.HeaderBank));
    piece += ">";
    if (bankHeader && FLook.ColoredBankHeaders)
      piece += FontOpen(FLook.BankFontColor(row.HeaderBank)) + XmlEscape(row.Caption) + "</font>";
    else if (FLook.GroupedBySourceFile)
      piece += FileLink(row.Caption.substr(row.Caption.find_first_not_of(' ')), row.Caption);
    else
      piece += XmlEscape(row.Caption);
    FPieces.push_back(piece + "</th></tr>");
  }

  void DividerRow() { FPieces.push_back(std::string(kCellsHeader) + "><br>\r\n</th></tr>"); }

  void FileList() { FPieces.insert(FPieces.end(), FFiles.begin(), FFiles.end()); }

 private:
  const THtmlPageLook& FLook;
  std::vector<std::string>& FPieces;
  std::set<std::string, TCaseBlindLess> FFiles;
};

}  // namespace

std::string FileLinkTarget(const std::string& path) {
  static const char hex[] = "0123456789ABCDEF";
  std::string target = "file:///";
  for (char c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '%' || c == '#' || c == '?' || c == ' ' || u < 0x20 || u == 0x7F) {
      target += '%';
      target += hex[u >> 4];
      target += hex[u & 15];
    } else {
      target += c;
    }
  }
  return target;
}

std::string HtmlCreationTime(const SYSTEMTIME& time) {
  return LongMonthName(time.wMonth) + " " + std::to_string(time.wDay) + ", " + IntToStrZero(time.wYear, 4) +
         "&nbsp;&nbsp;" + TwoDigits(time.wHour) + ":" + TwoDigits(time.wMinute) + ":" + TwoDigits(time.wSecond);
}

THtmlClock SetHtmlClock(THtmlClock clock) {
  THtmlClock previous = Clock();
  Clock() = std::move(clock);
  return previous;
}

SYSTEMTIME HtmlClockNow() {
  if (Clock()) return Clock()();
  SYSTEMTIME now;
  GetLocalTime(&now);
  return now;
}

std::vector<std::string> BuildMappingHtml(const std::string& mappingName, const std::vector<TAttachedRow>& rows,
                                          const THtmlPageLook& look, const SYSTEMTIME& created,
                                          const std::function<void()>& step) {
  const std::string name = XmlEscape(mappingName);
  std::vector<std::string> pieces;
  pieces.push_back("<html><head><title>Tarnbel mapping - " + name + "</title></head>\r\n");
  pieces.push_back("<font size=\"-2\">HTML created by TARNBEL&nbsp;&nbsp;&nbsp;" + HtmlCreationTime(created) +
                   "</font><br>\r\n<br>\r\n<br>\r\n<table border=\"1\" COLS=\"6\">\r\n"
                   "<caption><font size=\"+2\"><b>" +
                   name + "<br><br></b></font></caption>");
  TPageWriter page(look, pieces);
  for (const TAttachedRow& row : rows) {
    if (row.Entry) {
      page.EntryRow(row);
      if (step) step();
    } else if (row.Caption.empty()) {
      page.DividerRow();
    } else {
      page.HeaderRow(row);
    }
  }
  pieces.push_back("\r\n</table>");
  pieces.push_back("<br>\r\n<br>\r\n<br>\r\nList of the files used<br>\r\n<br>\r\n");
  page.FileList();
  pieces.push_back("\r\n</html>");
  return pieces;
}
