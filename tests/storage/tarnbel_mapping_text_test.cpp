#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

#include "import_patch.h"
#include "registry_test_support.h"
#include "string_list.h"
#include "tarnbel_mapping.h"

using namespace testsupport;

namespace {
const std::string kPiano = "C:\\sf\\piano.sf2";

class MappingTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTarnbelKey();
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    FFile = std::string(dir) + "tarnbel_mapping_text_test.txt";
  }
  void TearDown() override {
    DeleteFileA(FFile.c_str());
    ResetTarnbelKey();
  }
  void WriteFile(const std::string& bytes) {
    FILE* f = std::fopen(FFile.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  std::string FFile;
};

std::vector<std::string> Slots(const TMapping& m) {
  std::vector<std::string> out;
  for (int b = 0; b < MappingBanks; ++b)
    for (int p = 0; p < MappingPrograms; ++p)
      if (const TMappingInactiveItem* item = m.Slot(b, p)) out.push_back(item->SourceFileText() + "|" + item->EntryString(false));
  for (const auto& item : m.Inactive) out.push_back("parked " + item->EntryString(true));
  return out;
}

std::vector<std::string> Exported(const TMapping& m) {
  std::vector<std::string> lines;
  m.ExportToText(lines);
  return lines;
}

std::unique_ptr<TMapping> Import(const std::vector<std::string>& lines, const std::string& name = "t") {
  return std::make_unique<TMapping>(name, true, &lines, "");
}

const std::vector<std::string> kText = {
    "[Name]", "ignored", "",
    "[Bank backgrounds]", "128:C:\\bg.bmp", "",
    "[Bank colors]", "003:255", "003:255", "",
    "[Bank names]", "005:Strings", "",
    "[C:\\sf\\piano.sf2]", "000: 005: 000: 010: Grand Piano", "000: 006: 000: 010:*Parked", "",
    "[C:\\waves]", "200: 000: 003: 007: loops\\beat.wav|Beat", ""};
}  // namespace

TEST_F(MappingTextTest, ExportThenImportGivesTheSameMapping) {
  std::vector<std::string> text;
  {
    TMapping m("stored", false, nullptr, "");
    m.AddItem(kPiano, 0, true, 0, "Grand Piano", 5, 0, 10);
    m.AddItem("C:\\sf\\drums.sf2", 32768, true, 0, "Kit", 0, 32768, 3);
    m.AddItem(kPiano, 0, false, 0, "Parked", 6, 0, 10);
    m.SetBankName(5, "Strings");
    m.SetBankBackground(128, "C:\\bg.bmp");
    m.Priority = 9;
    text = Exported(m);
    EXPECT_EQ((std::vector<std::string>{"[Name]", "stored", "", "[Bank backgrounds]", "128:C:\\bg.bmp", "",
                                        "[Bank colors]", "", "[Bank names]", "005:Strings", ""}),
              std::vector<std::string>(text.begin(), text.begin() + 11));
    auto copy = Import(text, "copy");
    EXPECT_EQ(Slots(m), Slots(*copy));
  }
  auto copy = Import(text, "stored");
  EXPECT_EQ(text, Exported(*copy));
  // Active, Priority, Random and the default banks are not in the text.
  EXPECT_EQ(0, copy->Priority);
}

TEST_F(MappingTextTest, FilesWithCrLfAndLfLoadAlike) {
  std::string lf, crlf;
  for (const std::string& line : kText) {
    lf += line + "\n";
    crlf += line + "\r\n";
  }
  WriteFile(crlf);
  TMapping fromCrLf("t", true, nullptr, FFile);
  WriteFile(lf);
  TMapping fromLf("t", true, nullptr, FFile);
  auto fromLines = Import(kText);
  EXPECT_EQ(Exported(*fromLines), Exported(fromCrLf));
  EXPECT_EQ(Exported(*fromLines), Exported(fromLf));
  EXPECT_EQ("Grand Piano", fromLf.Slot(0, 10)->Name);
  EXPECT_EQ("Beat", fromLf.Slot(3, 7)->GetPresetName());
  ASSERT_EQ(1u, fromLf.Inactive.size());
  EXPECT_EQ("Parked", fromLf.Inactive[0]->Name);
  EXPECT_EQ((std::vector<std::string>{"003:255", "003:255"}), fromLf.BankColors->Items());

  // Saved with CR LF line ends.
  ASSERT_TRUE(SaveStringsToFile(FFile, {"a", "", "b"}));
  std::vector<std::string> back;
  ASSERT_TRUE(LoadStringsFromFile(FFile, back));
  EXPECT_EQ((std::vector<std::string>{"a", "", "b"}), back);
}

// The header right after "[Name]" is read as one when no other line is (a text that left out its name line).
TEST_F(MappingTextTest, HeadersIgnoreCaseAndSectionsOfOneFileMeet) {
  auto m = Import({"[Name]", "[BANK NAMES]", "001:One", "", "[C:\\a.sf2]", "000: 001: 000: 001: x", "[c:\\A.SF2]",
                   "000: 002: 000: 002: y"});
  EXPECT_EQ((std::vector<std::string>{"001:One"}), m->BankNames->Items());
  ASSERT_EQ(1, m->Store->KeyCount());
  EXPECT_EQ(2, m->Store->ValueCount(0));
  EXPECT_EQ(m->Slot(0, 1)->SourceFile, m->Slot(0, 2)->SourceFile);
}

TEST_F(MappingTextTest, SectionsMissingFromTheTextNeverWipeWhatIsStored) {
  {
    TMapping m("m", false, nullptr, "");
    m.AddItem(kPiano, 0, true, 0, "Kept", 1, 0, 1);
    m.SetBankName(1, "Old");
    m.SetBankColor(1, "5");
  }
  std::vector<std::string> text = {"[Bank backgrounds]", "001:bg", "", "[C:\\x.sf2]", "000: 001: 000: 002: x"};
  { TMapping m("m", false, &text, ""); }
  TMapping m("m", false, nullptr, "");
  EXPECT_EQ("Kept", m.Slot(0, 1)->Name);
  EXPECT_EQ(nullptr, m.Slot(0, 2));
  EXPECT_EQ("bg", m.GetBankBackground(1));
  EXPECT_EQ("5", m.GetBankColor(1));
  EXPECT_EQ("Old", m.GetBankName(1));

  // A text without a bank names section still brings its backgrounds and colours into a new mapping.
  std::vector<std::string> fresh = {"[bank colors]", "002:7", "", "[C:\\x.sf2]", "000: 001: 000: 002: x"};
  TMapping temp("t", true, &fresh, "");
  EXPECT_EQ("7", temp.GetBankColor(2));
  EXPECT_EQ(0, temp.Store->KeyCount());
}

TEST_F(MappingTextTest, MalformedLinesAreHandledWithoutCorruption) {
  auto m = Import({"[Bank names]", "007:Seven", "", "000: 009: 000: 009: before any section", "[", "000: 001: 000: 001: after lone bracket",
                   "[]", "000: 001: 000: 001: after empty name", "[C:\\ok.sf2]", "000: 002: 000: 003:",
                   "000: 004: 000: 00", "0x1: 0y2: 00z: 004: bad numbers", "000: 003: 300: 000: bank out of range",
                   "000: 003: 000: 900: program out of range", "000: 004: -12: 000: negative"});
  // Only the named section exists; lines with nothing to go to were dropped.
  ASSERT_EQ(1, m->Store->KeyCount());
  EXPECT_EQ("C:\\ok.sf2", m->Store->GetKeyName(0));
  EXPECT_EQ(6, m->Store->ValueCount(0));
  EXPECT_EQ("", m->Slot(0, 3)->Name);
  // Lines whose digits are missing or no numbers are no entries: kept in the Store, in no slot.
  for (int b = 0; b < MappingBanks; ++b)
    for (int p = 0; p < MappingPrograms; ++p)
      if (b != 0 || p != 3) {
        EXPECT_EQ(nullptr, m->Slot(b, p)) << b << "/" << p;
      }
  EXPECT_TRUE(m->Inactive.empty());
}

TEST_F(MappingTextTest, MissingFileOrFolderImportsNothing) {
  {
    TMapping m("m", false, nullptr, "");
    m.AddItem(kPiano, 0, true, 0, "Kept", 1, 0, 1);
  }
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  for (const std::string& file : {FFile + ".missing", std::string(dir)}) {
    std::vector<std::string> ignored = {"[Bank names]", "", "[C:\\x.sf2]", "000: 000: 000: 001: no"};
    TMapping m("m", false, &ignored, file);
    EXPECT_EQ("Kept", m.Slot(0, 1)->Name);
  }
}

namespace {
// A mapping with something in every part of the text, named as given.
std::unique_ptr<TMapping> Filled(const std::string& name) {
  auto m = std::make_unique<TMapping>(name, true, nullptr, "");
  m->AddItem(kPiano, 0, true, 0, "Grand Piano", 5, 0, 10);
  m->AddItem(kPiano, 0, false, 0, "Parked", 6, 0, 10);
  m->AddItem("C:\\waves", 3, true, 0, "loops\\beat.wav|Beat", 0, 200, 7);
  m->AddItem("C:\\sf\\drums.sf2", 32768, true, 0, "Kit", 0, 32768, 3);
  m->SetBankBackground(128, "C:\\bg.bmp");
  m->SetBankColor(3, "255");
  m->SetBankName(5, "Strings");
  return m;
}
}  // namespace

TEST_F(MappingTextTest, EveryNameSurvivesExportAndImport) {
  // Names that read like the headers (in any case, with blanks, with a soft hyphen the system's comparison
  // passes over), no name at all, and names in the system's code page.
  for (const std::string name : {"[Bank colors]", "[bank names]", "[BANK BACKGROUNDS]", "[Name]", "[name]", "",
                                 " ", "[Bank names] ", "[Bank\xAD" "colors]", "[Bank\xAD names]", "\xC9t\xE9 [Bank names]",
                                 "Caf\xE9 \x80 \xFF", "[C:/sf/piano.sf2]", "Piano"}) {
    SCOPED_TRACE("name \"" + name + "\"");
    auto original = Filled(name);
    const std::vector<std::string> text = Exported(*original);
    auto copy = Import(text, name);
    EXPECT_EQ(text, Exported(*copy));
    EXPECT_EQ(Slots(*original), Slots(*copy));
  }
}

// Under the system's own comparison, as the fuzz target checks natively: bank-list items that equal a header
// but for bytes that comparison passes over (a soft hyphen, NUL) stay items, and an export imports as itself.
TEST_F(MappingTextTest, ItemsLikeHeadersStayItems) {
  const std::string nul(1, '\0');
  const std::vector<std::string> items = {"\xAD[Bank names]", nul + "[Bank names]", "\xAD[bank colors]",
                                          nul + "[Bank colors]"};
  for (const std::string& item : items) {
    SCOPED_TRACE(item.substr(1));
    auto first = Import({"[Bank backgrounds]", item, "", "[Bank colors]", "003:1", "", "[Bank names]", "005:x", "",
                         "[C:\\a.sf2]", "000: 001: 000: 002: x"});
    EXPECT_EQ(std::vector<std::string>{item}, first->BankBackgrounds->Items());
    EXPECT_EQ(std::vector<std::string>{"003:1"}, first->BankColors->Items());
    EXPECT_EQ(std::vector<std::string>{"005:x"}, first->BankNames->Items());
    EXPECT_EQ(1, first->Store->KeyCount());
    const std::vector<std::string> text = Exported(*first);
    EXPECT_EQ(text, Exported(*Import(text)));
  }
}

namespace {
int comparisons = 0;
int(WINAPI* realCompare)(LCID, DWORD, LPCSTR, int, LPCSTR, int) = nullptr;
int WINAPI CountedCompare(LCID locale, DWORD flags, LPCSTR a, int aLength, LPCSTR b, int bLength) {
  return ++comparisons, realCompare(locale, flags, a, aLength, b, bLength);
}
}  // namespace

TEST_F(MappingTextTest, ImportComparesEachSectionWithFewOthers) {
  const int files = 2000;
  std::vector<std::string> text = {"[Bank names]", ""};
  for (int f = 0; f < files; ++f) text.insert(text.end(), {"[C:\\sf\\" + std::to_string(f) + ".sf2]", "000: 000: 000: 000: x", ""});
  text.insert(text.end(), {"[c:\\SF\\7.SF2]", "000: 001: 000: 001: joined"});
  comparisons = 0;
  TImportPatch patch("CompareStringA", reinterpret_cast<void*>(&CountedCompare), reinterpret_cast<void**>(&realCompare));
  ASSERT_NE(nullptr, realCompare);
  auto m = Import(text);
  // Each section line once against its like, each header search once over the text: not every pair.
  EXPECT_LE(comparisons, 4 * static_cast<int>(text.size()));
  EXPECT_EQ(files, m->Store->KeyCount());
  EXPECT_EQ(2, m->Store->ValueCountByName("C:\\sf\\7.sf2"));
  EXPECT_EQ("C:\\sf\\7.sf2", m->Slot(0, 1)->SourceFileText());
}
