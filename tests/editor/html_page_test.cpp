// The mapping's HTML page as an independent reader (Python's html.parser, and a headless Chromium where
// there is one) finds it: elements closed in order, six cells per entry, texts and links as the mapping has
// them, in each grouping of the list and with each colour setting.
#include <gtest/gtest.h>

#include <algorithm>

#include "html_expectation.h"
#include "html_page_reader.h"
#include "mapping_html.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "tarnbel_mapping.h"

using namespace testsupport;

namespace {

const std::string SoundFontPath = "C:\\Sound fonts\\Piano #1 & 100% 'real'.sf2";
const std::string OtherPath = "C:\\Sound fonts\\drums.sf2";
const std::string WaveFolder = "C:\\My waves #2\\";
const std::string MappingName = "Tom's <\"best\"> & more";

ui::TColor FontColor(int bank) { return ui::TColor(RGB(bank, 0x10, 0x80)); }
ui::TColor BackColor(int bank) { return ui::TColor(RGB(0xF0, 0xE0 + bank % 16, 0xC0)); }

// Entries whose names and paths hold what HTML and links must carry through.
struct TPageMapping {
  TMapping Mapping{"html test", true, nullptr, ""};
  TMappingInactiveItem *Piano, *Parked, *Strings, *Kit, *Wave;
  TPageMapping() {
    Mapping.AddItem(SoundFontPath, 0, true, 0, "Grand <Piano> & \"Co\" 'x'", 0, 0, 0);
    Piano = Mapping.Slot(0, 0);
    Parked = Mapping.AddItem(OtherPath, 0, false, 0, "Parked piano", 3, 0, 0);
    Mapping.AddItem(SoundFontPath, 5, true, 0, "Strings \xE9t\xE9", 7, 0, 12);
    Strings = Mapping.Slot(5, 12);
    Mapping.AddItem(OtherPath, 128, true, 0, "Kit", 0, 128, 35);
    Kit = Mapping.Slot(128, 35);
    Mapping.AddItem(WaveFolder, 100, true, 0, "hit 50%.wav|Hit", 200, 200, 0);
    Wave = Mapping.Slot(100, 0);
  }
};

TAttachedRow Entry(const TMappingInactiveItem* entry, bool inactive = false) {
  TAttachedRow row;
  row.Entry = entry;
  row.Inactive = inactive;
  return row;
}

TAttachedRow Header(const std::string& caption, int bank = -1) {
  TAttachedRow row;
  row.Caption = caption;
  row.HeaderBank = bank;
  return row;
}

std::string WritePage(const std::string& path, const std::string& name, const std::vector<TAttachedRow>& rows,
                      const THtmlPageLook& look, int* steps = nullptr) {
  std::vector<std::string> pieces =
      BuildMappingHtml(name, rows, look, htmltest::FixedClock(), [steps] { if (steps) ++*steps; });
  std::string text;
  for (size_t i = 0; i < pieces.size(); ++i) text += (i ? "\r\n" : "") + pieces[i];
  WriteBytes(path, text);
  return text;
}

THtmlPageLook Look(bool items, bool headers, bool background, bool bySource) {
  THtmlPageLook look;
  look.ColoredBankItems = items;
  look.ColoredBankHeaders = headers;
  look.ColoredBackground = background;
  look.GroupedBySourceFile = bySource;
  look.BankFontColor = FontColor;
  look.BankBackColor = BackColor;
  return look;
}

}  // namespace

TEST(HtmlPage, EachGroupingAndColourSettingReadsBackAsTheRowsHaveIt) {
  TPageMapping m;
  const TAttachedRow divider = Header("");
  struct Case {
    const char* What;
    std::vector<TAttachedRow> Rows;
    THtmlPageLook Look;
  } cases[] = {
      {"by conflicts, plain",
       {Header(" Conflicts"), Entry(m.Piano), Entry(m.Parked, true), divider, Header(" No conflicts"),
        Entry(m.Strings), Entry(m.Wave), Entry(m.Kit)},
       Look(false, false, false, false)},
      {"by source file, coloured names on backgrounds",
       {Header(" " + SoundFontPath), Entry(m.Piano), Entry(m.Strings), divider, Header(" " + OtherPath),
        Entry(m.Parked, true), Entry(m.Kit), divider, Header(" " + WaveFolder), Entry(m.Wave)},
       Look(true, true, true, true)},
      {"by assignment, coloured bank headers and names",
       {Header(" bank 000", 0), Entry(m.Piano), Entry(m.Parked, true), divider, Header(" Strings & <pads>", 5),
        Entry(m.Strings), divider, Header(" bank 100", 100), Entry(m.Wave), divider, Header(" drumsets", 128),
        Entry(m.Kit)},
       Look(true, true, false, false)},
      {"by assignment, backgrounds without coloured headers",
       {Header(" bank 000", 0), Entry(m.Piano), divider, Header(" drumsets", 128), Entry(m.Kit)},
       Look(false, false, true, false)},
      {"an empty mapping", {}, Look(true, true, true, false)},
  };
  TScratchFolder folder("html");
  for (const Case& c : cases) {
    const std::string page = folder["page.htm"];
    int steps = 0;
    const std::string text = WritePage(page, MappingName, c.Rows, c.Look, &steps);
    EXPECT_EQ(steps, std::count_if(c.Rows.begin(), c.Rows.end(), [](const TAttachedRow& r) { return r.Entry; }));
    EXPECT_EQ(text.substr(text.size() - 9), "\r\n</html>") << c.What;
    EXPECT_NE(text.find("List of the files used"), std::string::npos) << c.What;
    std::vector<std::string> lines;
    ASSERT_EQ(ReadHtmlPage(page, false, lines), THtmlReading::Read) << "the reader did not run";
    EXPECT_EQ(lines, htmltest::ExpectedLines(MappingName, c.Rows, c.Look)) << c.What;
  }
}

// A browser builds the same rows from the page: nothing it must move or mend.
TEST(HtmlPage, AHeadlessBrowserShowsTheSameRows) {
  TPageMapping m;
  const std::vector<TAttachedRow> rows = {Header(" bank 000", 0), Entry(m.Piano), Entry(m.Parked, true),
                                          Header(""), Header(" bank 100", 100), Entry(m.Wave),
                                          Header(""), Header(" drumsets", 128), Entry(m.Kit)};
  TScratchFolder folder("html browser");
  const std::string page = folder["page #1.htm"];
  WritePage(page, MappingName, rows, Look(true, true, true, false));
  std::vector<std::string> read, shown;
  ASSERT_EQ(ReadHtmlPage(page, false, read), THtmlReading::Read);
  const THtmlReading browser = ReadHtmlPage(page, true, shown);
  if (browser == THtmlReading::NoBrowser)
    GTEST_SKIP() << "no chromium-headless-shell or chromium on this machine (Debian packages, over 200 MB)";
  ASSERT_EQ(browser, THtmlReading::Read) << "the browser did not run";
  EXPECT_EQ(shown, read);
}

TEST(HtmlPage, LinksKeepEveryCharacterOfThePath) {
  struct Case {
    const char* Path;
    const char* Target;
  } cases[] = {
      {"C:\\a b\\x.sf2", "file:///C:\\a%20b\\x.sf2"},
      {"C:\\100%\\#1?.sf2", "file:///C:\\100%25\\%231%3F.sf2"},
      {"C:\\it's & \xE9.sf2", "file:///C:\\it's%20&%20\xE9.sf2"},
  };
  for (const Case& c : cases) EXPECT_EQ(FileLinkTarget(c.Path), c.Target) << c.Path;
}
