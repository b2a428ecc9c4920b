#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "KitAppUtils.h"
#include "KitPlacement.h"
#include "application.h"
#include "form.h"
#include "pump_until.h"
#include "registry_test_support.h"
#include "screen.h"
#include "std_controls.h"

using namespace ui;
using namespace testsupport;

namespace {

const char* const kPlacementKey = "software\\tarnbel\\placement";

class TColumnItem : public TCollectionItem {
  UI_CLASS(TColumnItem, TCollectionItem)
 public:
  using TCollectionItem::TCollectionItem;
  int Width() const { return FWidth; }
  void SetWidth(int v) { FWidth = v; }

 private:
  int FWidth = 60;
};

// Stands in for the monitor's list: a windowed control with a published column collection.
class TColumnsPanel : public TPanel {
  UI_CLASS(TColumnsPanel, TPanel)
 public:
  explicit TColumnsPanel(TComponent* owner)
      : TPanel(owner), FColumns(this, [](TCollection* c) { return new TColumnItem(c); }) {}
  TOwnedCollection* Columns() { return &FColumns; }
  void SetColumns(TOwnedCollection* v) { FColumns.Assign(v); }
  TColumnItem* Column(int i) { return static_cast<TColumnItem*>(FColumns.Items(i)); }

 private:
  TOwnedCollection FColumns;
};

// The monitor's stored layout on a form of its own class.
class TPresetsProbeForm : public TForm {
  UI_CLASS(TPresetsProbeForm, TForm)
 public:
  explicit TPresetsProbeForm(TComponent* owner, int version = 5) : TForm(owner) {
    SetBounds(100, 80, 400, 300);
    ListView1 = new TColumnsPanel(this);
    ListView1->SetName("ListView1");
    ListView1->SetParent(this);
    ListView1->SetBounds(0, 0, 200, 120);
    for (int i = 0; i < 3; ++i) ListView1->Columns()->Add();
    ListView2 = new TPanel(this);
    ListView2->SetName("ListView2");
    ListView2->SetParent(this);
    Storage = new TFormStorage(this);
    Storage->BeginLoading();
    Storage->SetUseRegistry(true);
    Storage->SetIniFileName(kPlacementKey);
    Storage->SetIniSection("PresetsInCache");
    Storage->SetVersion(version);
    for (const char* l : {"ListView1.Height", "ListView1.Tag", "ListView2.Height", "ListView1.Columns"})
      Storage->StoredProps()->Add(l);
    Storage->StoredValues()->Add();
    OnShow = [this](TObject*) { ++Shows; };
    Storage->Loaded();
  }
  TColumnsPanel* ListView1;
  TPanel* ListView2;
  TFormStorage* Storage;
  int Shows = 0;
};

class TOptionsForm : public TForm {
  UI_CLASS(TOptionsForm, TForm)
 public:
  explicit TOptionsForm(TComponent* owner) : TForm(owner) {
    SetBounds(50, 60, 300, 200);
    Storage = new TFormStorage(this);
    Storage->BeginLoading();
    Storage->SetUseRegistry(true);
    Storage->SetIniFileName(kPlacementKey);
    Storage->SetVersion(5);
    Storage->SetOptions(1u << fpPosition);
    Storage->Loaded();
  }
  TFormStorage* Storage;
};

UI_CLASSINFO(TColumnItem, UI_PROP(Integer, "Width", Width, SetWidth))
UI_CLASSINFO(TColumnsPanel, UI_PROP_CLASS("Columns", Columns, SetColumns, TOwnedCollection))
UI_CLASSINFO(TPresetsProbeForm)
UI_CLASSINFO(TOptionsForm)

using FormPtr = std::unique_ptr<TPresetsProbeForm, TFreeDeleter>;

std::string Section(const std::string& s = "PresetsInCache") { return std::string(kPlacementKey) + "\\" + s; }

std::string StoredString(const std::string& name, const std::string& section = "PresetsInCache") {
  RawValue v = ReadRaw(Section(section), name);
  if (!v.found) return "<missing>";
  if (v.type != REG_SZ) return "<type " + std::to_string(v.type) + ">";
  return std::string(reinterpret_cast<const char*>(v.data.data()));
}

RECT WindowRect(TForm* f) {
  RECT r{};
  GetWindowRect(f->Handle(), &r);
  return r;
}

std::string Resolution() { return "(" + std::to_string(Screen().Width()) + "x" + std::to_string(Screen().Height()) + ")"; }

struct Placement : ::testing::Test {
  int exceptions = 0;
  std::string lastException;
  void SetUp() override {
    ResetTarnbelKey();
    Application().OnException = [this](TObject*, const std::exception& e) {
      ++exceptions;
      lastException = e.what();
    };
  }
  void TearDown() override {
    Application().OnException = nullptr;
    ResetTarnbelKey();
  }
  void PreStore(const std::string& name, const std::string& value, const std::string& section = "PresetsInCache") {
    WriteRawString(Section(section), name, value);
  }
};

}  // namespace

TEST_F(Placement, FirstCloseWritesEveryValueAsAString) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Show();
  EXPECT_EQ(1, form->Shows);
  EXPECT_FALSE(KeyExists(Section()) && ValueExists(Section(), "NormPos"));  // nothing stored yet
  RECT designed = WindowRect(form.get());
  EXPECT_EQ(100, designed.left);
  form->Close();

  EXPECT_EQ("5", StoredString("FormVersion"));
  EXPECT_EQ("0", StoredString("Visible"));
  EXPECT_EQ(std::to_string(SW_SHOWNORMAL), StoredString("ShowCmd"));
  EXPECT_EQ(std::to_string(Screen().PixelsPerInch()), StoredString("PixelsPerInch"));
  EXPECT_NE("<missing>", StoredString("Flags"));
  std::string norm = "100,80,500,380";
  EXPECT_EQ(norm, StoredString("NormPos"));
  EXPECT_EQ(norm, StoredString("NormPos" + Resolution()));
  EXPECT_EQ(StoredString("MinMaxPos"), StoredString("MinMaxPos" + Resolution()));
  EXPECT_EQ("120", StoredString("ListView1_Height"));
  EXPECT_EQ("0", StoredString("ListView1_Tag"));
  EXPECT_EQ("3", StoredString("ListView1_Columns.Count"));
  EXPECT_EQ("60", StoredString("Item2_Width", "PresetsInCache.ListView1_Columns"));
  EXPECT_EQ("", StoredString(""));  // the unnamed stored value
  EXPECT_EQ(0, exceptions);

  // Freed after a saved close: no second save.
  PreStore("Visible", "untouched");
  form.reset();
  EXPECT_EQ("untouched", StoredString("Visible"));
}

TEST_F(Placement, NextShowRestoresRectangleStatePropertiesAndValues) {
  {
    FormPtr form(new TPresetsProbeForm(nullptr));
    form->Show();
    form->ListView1->SetHeight(77);
    form->ListView1->SetTag(9);
    form->ListView1->Column(1)->SetWidth(33);
    form->Storage->StoredValues()->Items(0)->SetValue(TVariant("kept"));
    SetWindowPos(form->Handle(), nullptr, 40, 30, 420, 310, SWP_NOZORDER | SWP_NOACTIVATE);
    form->Close();
  }
  EXPECT_EQ("40,30,460,340", StoredString("NormPos"));
  PreStore("ShowCmd", "3");

  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Show();
  EXPECT_TRUE(IsZoomed(form->Handle()));
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  ASSERT_TRUE(GetWindowPlacement(form->Handle(), &wp));
  EXPECT_EQ(40, wp.rcNormalPosition.left);
  EXPECT_EQ(340, wp.rcNormalPosition.bottom);
  EXPECT_EQ(77, form->ListView1->Height());
  EXPECT_EQ(9, form->ListView1->Tag());
  EXPECT_EQ(33, form->ListView1->Column(1)->Width());
  EXPECT_EQ(TVariant("kept"), form->Storage->StoredValues()->Items(0)->Value());
  EXPECT_EQ(1, form->Shows);

  // Still open when freed: saved then, marked visible.
  form.reset();
  EXPECT_EQ("1", StoredString("Visible"));
  EXPECT_EQ(std::to_string(SW_SHOWMAXIMIZED), StoredString("ShowCmd"));
}

TEST_F(Placement, OlderVersionOrOtherDpiRestoreLess) {
  PreStore("FormVersion", "4");
  PreStore("NormPos", "10,20,310,220");
  PreStore("ListView1_Height", "55");
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Show();
  EXPECT_EQ(100, WindowRect(form.get()).left);
  EXPECT_EQ(120, form->ListView1->Height());
  form.reset();
  EXPECT_EQ("5", StoredString("FormVersion"));  // the next save replaces it

  ResetTarnbelKey();
  PreStore("FormVersion", "5");
  PreStore("NormPos", "10,20,310,220");
  PreStore("PixelsPerInch", std::to_string(Screen().PixelsPerInch() + 24));
  PreStore("ShowCmd", "3");
  form.reset(new TPresetsProbeForm(nullptr));
  form->Show();
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  ASSERT_TRUE(GetWindowPlacement(form->Handle(), &wp));
  EXPECT_EQ(100, wp.rcNormalPosition.left);
  EXPECT_TRUE(IsZoomed(form->Handle()));
}

TEST_F(Placement, ResolutionsKeepTheirOwnPairAndSuffixedWins) {
  PreStore("FormVersion", "5");
  PreStore("NormPos(1x1)", "1,1,2,2");
  PreStore("NormPos", "5,5,205,105");
  PreStore("NormPos" + Resolution(), "15,25,315,225");
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Show();
  EXPECT_EQ(15, WindowRect(form.get()).left);
  EXPECT_EQ(25, WindowRect(form.get()).top);
  form->Close();
  EXPECT_EQ("1,1,2,2", StoredString("NormPos(1x1)"));
  EXPECT_EQ(StoredString("NormPos"), StoredString("NormPos" + Resolution()));
}

TEST_F(Placement, OptionsFormRestoresPositionOnlyUnderItsClassName) {
  PreStore("FormVersion", "5", "TOptionsForm");
  PreStore("NormPos", "70,90,400,300", "TOptionsForm");
  PreStore("ShowCmd", "3", "TOptionsForm");
  std::unique_ptr<TOptionsForm, TFreeDeleter> form(new TOptionsForm(nullptr));
  form->SetBorderStyle(bsDialog);
  form->Show();
  EXPECT_FALSE(IsZoomed(form->Handle()));
  RECT r = WindowRect(form.get());
  EXPECT_EQ(70, r.left);
  EXPECT_EQ(90, r.top);
  EXPECT_EQ(300, r.right - r.left);  // a fixed border keeps its size
  EXPECT_EQ(200, r.bottom - r.top);
  form->Close();
  EXPECT_EQ("5", StoredString("FormVersion", "TOptionsForm"));
}

TEST_F(Placement, RefusedCloseSavesNothing) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Storage->SetActive(true);
  form->OnCloseQuery = [](TObject*, bool& canClose) { canClose = false; };
  form->Storage->Loaded();
  form->Show();
  form->Close();
  EXPECT_FALSE(ValueExists(Section(), "FormVersion"));
  form->OnCloseQuery = nullptr;
}

TEST_F(Placement, DamagedValuesFallBackWithoutLosingTheRest) {
  const char* rects[] = {"a,b,c,d", "300,300,200,400", "0,0,200,0", "0,0,99999999,99999999", "-5", ""};
  for (const char* norm : rects) {
    ResetTarnbelKey();
    PreStore("NormPos", norm);
    PreStore("ShowCmd", "banana");
    PreStore("FormVersion", "5");
    PreStore("ListView1_Height", "-44x");
    PreStore("ListView2_Height", "31");
    PreStore("ListView1_Columns.Count", "-7");
    FormPtr form(new TPresetsProbeForm(nullptr));
    form->Show();
    RECT r = WindowRect(form.get());
    EXPECT_GT(r.right - r.left, 50) << norm;
    EXPECT_GT(r.bottom - r.top, 50) << norm;
    EXPECT_LT(r.right - r.left, 5000) << norm;
    EXPECT_FALSE(IsZoomed(form->Handle()));
    EXPECT_EQ(0, form->ListView1->Height()) << norm;  // an integer that does not parse is 0
    EXPECT_EQ(31, form->ListView2->Height()) << norm;
    EXPECT_EQ(3, form->ListView1->Columns()->Count()) << norm;
  }
  EXPECT_EQ(0, exceptions);
}

TEST_F(Placement, AFailingRestoreIsReportedOnceAndTheFormStillShows) {
  WriteRawDword(Section(), "FormVersion", 5);
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Show();
  EXPECT_EQ(1, exceptions);
  EXPECT_EQ("Invalid data type for 'FormVersion'", lastException);
  EXPECT_EQ(1, form->Shows);
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
}

TEST_F(Placement, PreventResizeAnswersMinMaxAndGreysTheSystemMenu) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Storage->SetPreventResize(true);
  EXPECT_EQ(0u, form->BorderIcons() & (1u << biMaximize));
  form->Show();
  MINMAXINFO info{};
  info.ptMaxTrackSize = POINT{9999, 9999};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(form->Width(), info.ptMinTrackSize.x);
  EXPECT_EQ(form->Height(), info.ptMaxTrackSize.y);
  HMENU sys = GetSystemMenu(form->Handle(), FALSE);
  ASSERT_NE(nullptr, sys);
  SendMessageA(form->Handle(), WM_INITMENUPOPUP, WPARAM(sys), MAKELPARAM(0, 1));
  EXPECT_TRUE(GetMenuState(sys, SC_SIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_TRUE(GetMenuState(sys, SC_MAXIMIZE, MF_BYCOMMAND) & MF_GRAYED);
  EXPECT_EQ(HTNOWHERE, SendMessageA(form->Handle(), WM_NCHITTEST, 0,
                                    MAKELPARAM(WindowRect(form.get()).right - 1, WindowRect(form.get()).bottom - 1)));

  form->Storage->SetPreventResize(false);
  EXPECT_NE(0u, form->BorderIcons() & (1u << biMaximize));
  form->Storage->MinMaxInfo()->SetMinTrackWidth(333);
  form->Storage->MinMaxInfo()->SetMaxTrackHeight(444);
  info = MINMAXINFO{};
  SendMessageA(form->Handle(), WM_GETMINMAXINFO, 0, LPARAM(&info));
  EXPECT_EQ(333, info.ptMinTrackSize.x);
  EXPECT_EQ(444, info.ptMaxTrackSize.y);
}

TEST_F(Placement, SavingNeverMakesAWindow) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Storage->SetActive(false);  // saves without a restore first
  form->Storage->SaveAll();
  EXPECT_FALSE(form->HandleAllocated());
  EXPECT_EQ("5", StoredString("FormVersion"));
  EXPECT_EQ("<missing>", StoredString("NormPos"));
}

TEST_F(Placement, StoredValuesUseKeysAndRefuseDuplicateNames) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  TStoredValues* values = form->Storage->StoredValues();
  TStoredValue* secret = values->Add();
  secret->SetName("Secret");
  secret->SetKeyString("k");
  secret->SetValue(TVariant("abc"));
  EXPECT_THROW(values->Add()->SetName("SECRET"), EStringListError);
  values->Items(values->Count() - 1)->SetName("Other");
  form->Storage->SetActive(false);
  form->Storage->SaveAll();
  EXPECT_NE("abc", StoredString("Secret"));
  EXPECT_EQ(6u, StoredString("Secret").size());
  secret->SetValue(TVariant());
  form->Storage->RestoreAll();
  EXPECT_EQ(TVariant("abc"), secret->Value());
  EXPECT_EQ(1, values->IndexOf("secret"));
  EXPECT_EQ(-1, values->IndexOf("none"));
}

TEST_F(Placement, IniFormKeepsQuotedStrings) {
  char path[MAX_PATH];
  GetTempPathA(MAX_PATH, path);
  std::string file = std::string(path) + "tb_placement_test.ini";
  DeleteFileA(file.c_str());
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Storage->SetUseRegistry(false);
  form->Storage->SetIniFileName(file);
  form->Storage->WriteString("Quoted", "\"both\"");
  form->Storage->WriteString("Single", "'one'");
  form->Storage->WriteString("Half", "\"half");
  EXPECT_EQ("\"both\"", form->Storage->ReadString("Quoted", ""));
  EXPECT_EQ("'one'", form->Storage->ReadString("Single", ""));
  EXPECT_EQ("\"half", form->Storage->ReadString("Half", ""));
  form->Storage->WriteInteger("N", -12);
  EXPECT_EQ(-12, form->Storage->ReadInteger("N", 0));
  DeleteFileA(file.c_str());
}

TEST_F(Placement, DefaultsOfNamesAndSections) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  EXPECT_EQ("TPresetsProbeForm", GetDefaultSection(form.get()));
  EXPECT_EQ("TPresetsProbeFormListView1", GetDefaultSection(form->ListView1));
  EXPECT_EQ("TPresetsProbeForm.", GetDefaultSection(form->Storage).substr(0, 18));
  std::string key = GetDefaultIniRegKey();
  EXPECT_EQ(0u, key.find("Software\\"));
  EXPECT_EQ(std::string::npos, key.find(".exe"));
  std::string ini = GetDefaultIniName();
  EXPECT_EQ(".INI", ini.substr(ini.size() - 4));
  form->Storage->SetIniFileName("");
  form->Storage->SetUseRegistry(true);
  EXPECT_EQ(key, form->Storage->IniFileName());
}

TEST(RegIniFile, StringsOnlyAndSectionsAreSubkeys) {
  ResetTarnbelKey();
  {
    TRegIniFile reg("Software\\tarnbel\\placement");
    reg.WriteString("Sec", "A", "x");
    EXPECT_EQ("x", reg.ReadString("Sec", "A", "d"));
    EXPECT_EQ("d", reg.ReadString("Sec", "Missing", "d"));
    EXPECT_EQ("d", reg.ReadString("NoSection", "A", "d"));
    const char expand[] = "%TEMP%";
    WriteRaw("Software\\tarnbel\\placement\\Sec", "E", REG_EXPAND_SZ, expand, sizeof expand);
    EXPECT_EQ("%TEMP%", reg.ReadString("Sec", "E", ""));
    WriteRawDword("Software\\tarnbel\\placement\\Sec", "D", 3);
    try {
      reg.ReadString("Sec", "D", "");
      ADD_FAILURE() << "no error for a number";
    } catch (const ERegIniError& e) {
      EXPECT_STREQ("Invalid data type for 'D'", e.what());
    }
    reg.WriteString("Sec\\Sub", "B", "y");
    reg.EraseSection("");  // names the store itself: refused
    EXPECT_TRUE(KeyExists("Software\\tarnbel\\placement\\Sec"));
    reg.EraseSection("Sec");
    EXPECT_FALSE(KeyExists("Software\\tarnbel\\placement\\Sec"));
    EXPECT_TRUE(KeyExists("Software\\tarnbel\\placement"));
    try {
      reg.WriteString(std::string(300, 'k'), "A", "x");
      ADD_FAILURE() << "a section name too long for a key was made";
    } catch (const ERegIniError& e) {
      EXPECT_EQ(0, std::string(e.what()).find("Failed to create key kkk"));
    }
  }
  ResetTarnbelKey();
}

TEST_F(Placement, SaveAllAndRestoreAllOfTheMonitorsSection) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Show();
  form->Storage->SaveAll();
  const int rounds = 20;
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    form->Storage->SaveAll();
    form->Storage->RestoreAll();
  }
  double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / rounds;
  printf("SaveAll+RestoreAll of the monitor's section: %.2f ms\n", ms);
  RecordProperty("save_restore_us", int(ms * 1000));
  EXPECT_LT(ms, 1000.0);
  EXPECT_EQ(0, exceptions);
}

TEST_F(Placement, MinimisedMainFormRestoresAsAMinimisedProgram) {
  PreStore("FormVersion", "5");
  PreStore("ShowCmd", "2");
  FormPtr form(new TPresetsProbeForm(nullptr));
  TForm* oldMain = Application().MainForm();
  Application().SetMainForm(form.get());
  form->Show();
  EXPECT_TRUE(PumpUntil([] { return IsIconic(Application().Handle()) != FALSE; }, 2000));
  EXPECT_FALSE(IsIconic(form->Handle()));
  // Saved while the program is minimised: the form counts as minimised.
  form->Storage->SaveAll();
  EXPECT_EQ("2", StoredString("ShowCmd"));
  Application().Restore();
  Application().SetMainForm(oldMain);
}

TEST_F(Placement, ActiveControlIsStoredByNameWhenAsked) {
  FormPtr form(new TPresetsProbeForm(nullptr));
  form->Storage->SetOptions(form->Storage->Options() | (1u << fpActiveControl));
  form->Show();
  form->SetActiveControl(form->ListView2);
  form->Close();
  EXPECT_EQ("ListView2", StoredString("ActiveControl"));
  PreStore("ActiveControl", "NoSuchControl");
  form->Show();  // an unknown name changes nothing
  EXPECT_EQ(form->ListView2, form->ActiveControl());
}
