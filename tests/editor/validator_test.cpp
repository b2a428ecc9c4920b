// The integrity checker with its real dialog: the question for each kind of problem, each answer, the
// search, what reaches later mappings, and what is written and what is not.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "application.h"
#include "hidden_window.h"
#include "import_patch.h"
#include "message_box_recorder.h"
#include "modal_driver.h"
#include "oracle_programs.h"
#include "progress_form.h"
#include "reg_array_2d.h"
#include "registry_test_support.h"
#include "scratch_folder.h"
#include "screen.h"
#include "sf2_builder.h"
#include "sf2_damage.h"
#include "standin_support.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_validator.h"
#include "tarnbel_validator_dialog.h"
#include "tool_windows.h"

using namespace ui;
using testsupport::TModalDriver;

namespace {

const std::string kMappings = std::string(TarnbelKeyPath) + "\\mappings";

struct TSpec {
  std::string File;
  int SourceBank, SourceProgram, TargetBank, TargetProgram;
  std::string Name;
};

void StoreMapping(const std::string& name, const std::vector<TSpec>& entries) {
  TMapping mapping(name, false, nullptr, "");
  for (const TSpec& e : entries)
    mapping.AddItem(e.File, e.TargetBank, true, 0, e.Name, e.SourceProgram, e.SourceBank, e.TargetProgram);
}

// Key name -> entry strings of a stored mapping, read without writing anything.
std::vector<std::pair<std::string, std::vector<std::string>>> StoredEntries(const std::string& name) {
  TRegArray2D store(kMappings + "\\" + name, true);
  store.SaveOnDestroy = false;
  std::vector<std::pair<std::string, std::vector<std::string>>> result;
  for (int k = 0; k < store.KeyCount(); ++k) {
    result.push_back({store.GetKeyName(k), {}});
    for (int v = 0; v < store.ValueCount(k); ++v) result.back().second.push_back(store.GetValue(k, v));
  }
  return result;
}

bool SamePath(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

// What one question showed: the mapping, the file, the rest in one line, and the tree's selection.
struct TQuestion {
  std::string Mapping, File, Shown, Selection;
};

TValidatorDialog* ShownDialog() {
  for (int i = 0; i < Screen().FormCount(); ++i)
    if (auto* dialog = dynamic_cast<TValidatorDialog*>(Screen().Forms(i)))
      if (dialog->Visible()) return dialog;
  return nullptr;
}

void Click(TButton* button) { PostMessageA(button->Handle(), BM_CLICK, 0, 0); }

// After a time-out every further question is cancelled, so a failing case ends its run.
TModalDriver* watchedDriver = nullptr;
void CALLBACK CancelAfterTimeOut(HWND, UINT, UINT_PTR, DWORD) {
  if (watchedDriver && watchedDriver->TimedOut())
    if (TValidatorDialog* dialog = ShownDialog()) dialog->SetModalResult(mrCancel);
}

int fileOpens = 0;
FILE* (*realFopen)(const char*, const char*) = nullptr;
FILE* CountedFopen(const char* name, const char* mode) { return ++fileOpens, realFopen(name, mode); }

class Validator : public ::testing::Test {
 protected:
  using TStep = TModalDriver::TStep;
  using TAct = std::function<void(TValidatorDialog&)>;

  void SetUp() override { testsupport::ResetTarnbelKey(); }
  void TearDown() override { testsupport::ResetTarnbelKey(); }

  std::string Bank(const std::string& name, const std::vector<std::pair<int, int>>& presets) {
    sf2test::Sf2Builder builder;
    uint32_t sample = builder.AddSample("s", 64);
    for (const auto& p : presets) builder.AddPreset("P" + FormatBankProgram(p.first, p.second), p.first, p.second, {sample});
    std::string path = Folder[name];
    EXPECT_TRUE(builder.Write(path));
    return path;
  }
  std::string Subfolder(const std::string& name) {
    CreateDirectoryA(Folder[name].c_str(), nullptr);
    return Folder[name];
  }

  // Waits for the next question (a show not answered yet), records it and answers it with act.
  TStep Answer(TAct act) {
    return [this, act] {
      TValidatorDialog* dialog = ShownDialog();
      if (!dialog || Shows(dialog) <= FAnswered) return false;
      FAnswered = Shows(dialog);
      Questions.push_back(Read(*dialog));
      act(*dialog);
      return true;
    };
  }
  // How often the run's dialog was shown; counted from the first time a step sees it.
  int Shows(TValidatorDialog* dialog) {
    if (dialog != FCounted) {
      FCounted = dialog;
      FShows = 1;
      TNotifyEvent shown = dialog->OnShow;
      dialog->OnShow = [this, shown](TObject* sender) {
        ++FShows;
        shown(sender);
      };
    }
    return FShows;
  }
  TStep Press(TButton* TValidatorDialog::*button) {
    return Answer([button](TValidatorDialog& d) { Click(d.*button); });
  }
  // Chooses the file in the tree, sets the box, then OK.
  TStep Choose(const std::string& file, bool checkBox = false) {
    return Answer([file, checkBox](TValidatorDialog& d) {
      d.KitSystemTreeView1->SetSelection(file);
      d.CheckBox1->SetChecked(checkBox);
      Click(d.OKButton);
    });
  }
  // Waits until the shown dialog fulfils the condition, then acts on it.
  static TStep When(std::function<bool(TValidatorDialog&)> condition, TAct act) {
    return [condition, act] {
      TValidatorDialog* dialog = ShownDialog();
      if (!dialog || !condition(*dialog)) return false;
      act(*dialog);
      return true;
    };
  }

  static TQuestion Read(TValidatorDialog& d) {
    std::string shown = d.ProblemLabel->Caption() + " | " + d.PresetLabel->Caption() + " | " +
                        (d.CheckBox1->Visible() ? d.CheckBox1->Caption() : "-") + " | " +
                        d.KitSystemTreeView1->FileMask() + (d.OKButton->Enabled() ? " ok" : "") +
                        (d.FindButton->Enabled() ? " find" : "");
    return {d.MappingLabel->Caption(), d.FileLabel->Caption(), shown, d.KitSystemTreeView1->Selection()};
  }

  // Runs the check with the steps; true when every step came and was done in time.
  bool Check(TValidator& validator, TMapping* mapping, std::vector<TStep> steps, bool* changed = nullptr) {
    TModalDriver driver(nullptr, std::move(steps), 10000);
    FCounted = nullptr;
    FAnswered = 0;
    watchedDriver = &driver;
    UINT_PTR watchdog = SetTimer(nullptr, 0, 100, &CancelAfterTimeOut);
    bool result = validator.CheckAll(mapping);
    KillTimer(nullptr, watchdog);
    watchedDriver = nullptr;
    if (changed) *changed = result;
    return driver.AllDone() && !driver.TimedOut();
  }
  bool CheckStored(std::vector<TStep> steps) {
    TValidator validator(nullptr);
    return Check(validator, nullptr, std::move(steps));
  }
  std::vector<std::string> Asked() const {
    std::vector<std::string> asked;
    for (const TQuestion& q : Questions) asked.push_back(q.Mapping + ":" + q.File.substr(q.File.rfind('\\') + 1));
    return asked;
  }

  testsupport::TScratchFolder Folder{"validator"};
  std::vector<TQuestion> Questions;

 private:
  TValidatorDialog* FCounted = nullptr;
  int FShows = 0, FAnswered = 0;
};

}  // namespace

TEST_F(Validator, EachKindOfProblemIsAskedWithTheEntryAndAFittingStart) {
  std::string waves = Subfolder("waves") + "\\";
  std::string bank = Bank("bank.sf2", {{0, 0}});
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("P000:000", 0, 0, {64});
  std::string cut = Folder["cut.sf2"];
  for (const sf2test::Sf2DamagedCopy& copy : sf2test::DamagedCopies(builder))
    if (copy.Name == "cut before the pdta") testsupport::WriteBytes(cut, copy.Bytes);
  const std::string searchBox = " | Search the folder chosen for another lost files | ";
  const std::string redirectBox = " | Redirect all presets from this file to chosen file | *.sf2 ok";
  struct {
    TSpec Entry;
    std::string File, Shown, Selection;
  } cases[] = {
      {{Folder["lost.sf2"], 0, 5, 2, 10, "Grand Piano"}, Folder["lost.sf2"],
       "File not found: \"lost.sf2\" | 000:005 mapped as 002:010 \"Grand Piano\"" + searchBox + "*.sf2 find",
       Folder.Path()},
      {{waves, 200, 0, 100, 0, "gone.wav|Gone"}, waves + "gone.wav",
       "File not found: \"gone.wav\" | Waveform mapped as 100:000 \"Gone\"" + searchBox + "*.wav find",
       waves.substr(0, waves.size() - 1)},
      {{bank, 0, 7, 0, 1, "Strings"}, bank,
       "There is no such preset in file | 000:007 mapped as 000:001 \"Strings\"" + redirectBox, bank},
      {{cut, 128, 0, 128, 3, "Kit"}, cut, "There is no such preset in file | 128:000 mapped as 128:003 \"Kit\"" + redirectBox,
       cut},
  };
  for (const auto& c : cases) {
    testsupport::ResetTarnbelKey();
    StoreMapping("m", {c.Entry});
    Questions.clear();
    TValidator validator(nullptr);
    ASSERT_TRUE(Check(validator, nullptr, {Press(&TValidatorDialog::IgnoreButton)})) << c.File;
    ASSERT_EQ(Questions.size(), 1u);
    EXPECT_EQ(Questions[0].Mapping, "m");
    EXPECT_EQ(Questions[0].File, c.File);
    EXPECT_EQ(Questions[0].Shown, c.Shown);
    EXPECT_TRUE(SamePath(Questions[0].Selection, c.Selection)) << Questions[0].Selection << " / " << c.Selection;
    EXPECT_TRUE(validator.ProblemsFound);
    testsupport::MessageBoxRecorder boxes;
    validator.ShowResult();
    EXPECT_TRUE(boxes.Boxes.empty()) << "a run with problems has no result box";
  }
}

TEST_F(Validator, EachAnswerActsOnTheRestOfTheRun) {
  std::string moved = Subfolder("new") + "\\lost1.sf2";
  Bank("new\\lost1.sf2", {{0, 0}});
  auto lost = [&](const char* name, int slot) { return TSpec{Folder[name], 0, 0, 0, slot, "Lost"}; };
  auto ignore = Press(&TValidatorDialog::IgnoreButton);
  auto close = Answer([](TValidatorDialog& d) { PostMessageA(d.Handle(), WM_CLOSE, 0, 0); });
  struct {
    const char* Answer;
    std::vector<TStep> Steps;
    std::vector<std::string> Asked;
    bool MovedInC, MovedInB;  // where the entries of lost1.sf2 point afterwards
  } cases[] = {
      {"Ignore", {ignore, ignore, ignore, ignore}, {"c:lost1.sf2", "c:lost2.sf2", "b:lost1.sf2", "a:lost1.sf2"}, false, false},
      {"Skip file", {Press(&TValidatorDialog::SkipFileButton), ignore}, {"c:lost1.sf2", "c:lost2.sf2"}, false, false},
      {"Skip mapping", {Press(&TValidatorDialog::SkipMappingButton), ignore, ignore},
       {"c:lost1.sf2", "b:lost1.sf2", "a:lost1.sf2"}, false, false},
      {"Cancel all", {Press(&TValidatorDialog::CancelAllButton)}, {"c:lost1.sf2"}, false, false},
      {"close", {close}, {"c:lost1.sf2"}, false, false},
      {"OK", {Choose(moved), ignore, ignore, ignore}, {"c:lost1.sf2", "c:lost2.sf2", "b:lost1.sf2", "a:lost1.sf2"},
       true, false},
      {"OK, the folder for later files", {Choose(moved, true), ignore}, {"c:lost1.sf2", "c:lost2.sf2"}, true, true},
  };
  for (auto& c : cases) {
    testsupport::ResetTarnbelKey();
    StoreMapping("a", {lost("lost1.sf2", 0)});
    StoreMapping("b", {lost("lost1.sf2", 0)});
    StoreMapping("c", {lost("lost1.sf2", 0), lost("lost2.sf2", 1)});
    Questions.clear();
    EXPECT_TRUE(CheckStored(c.Steps)) << c.Answer;
    EXPECT_EQ(Asked(), c.Asked) << c.Answer;
    EXPECT_TRUE(SamePath(StoredEntries("c")[0].first, c.MovedInC ? moved : Folder["lost1.sf2"])) << c.Answer;
    EXPECT_TRUE(SamePath(StoredEntries("b")[0].first, c.MovedInB ? moved : Folder["lost1.sf2"])) << c.Answer;
    EXPECT_EQ(StoredEntries("a"), StoredEntries("b")) << c.Answer;
  }
}

TEST_F(Validator, FindWalksTheBranchNextGoesOnAndTheEndOrAStopSaySo) {
  Bank("other.sf2", {{0, 0}});
  Subfolder("x");
  Subfolder("x\\y");
  std::string first = Bank("x\\lost.sf2", {{0, 0}}), second = Bank("x\\y\\LOST.SF2", {{0, 0}});
  StoreMapping("m", {{Folder["lost.sf2"], 0, 0, 0, 0, "Lost"}});
  std::vector<std::string> seen;
  auto caption = [](const char* text) { return [text](TValidatorDialog& d) { return d.FindButton->Caption() == text; }; };
  auto status = [](const char* text) { return [text](TValidatorDialog& d) { return d.Label1->Caption() == text; }; };
  auto note = [&](TValidatorDialog& d) {
    seen.push_back(d.KitSystemTreeView1->Selection() + (d.OKButton->Enabled() ? " ok" : "") +
                   (d.FindButton->Enabled() ? " find" : ""));
  };
  ASSERT_TRUE(CheckStored({
      Answer([](TValidatorDialog& d) { Click(d.FindButton); }),
      When(caption("Next"), [&](TValidatorDialog& d) { note(d), Click(d.FindButton); }),
      When([&](TValidatorDialog& d) { return caption("Next")(d) && !SamePath(d.KitSystemTreeView1->Selection(), first); },
           [&](TValidatorDialog& d) { note(d), Click(d.FindButton); }),
      When(status("File was not found in the branch specified"),
           [&](TValidatorDialog& d) {
             note(d);
             seen.push_back(d.FindButton->Caption());
             // A new search from the folder, stopped at its first file.
             d.KitSystemTreeView1->SetSelection(Folder.Path());
             Click(d.FindButton);
             Click(d.FindButton);
           }),
      When(status("Search cancelled"), [&](TValidatorDialog& d) { note(d), Click(d.IgnoreButton); }),
  }));
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_TRUE(SamePath(seen[0], first + " ok find"));
  EXPECT_TRUE(SamePath(seen[1], second + " ok find"));
  EXPECT_TRUE(SamePath(seen[2], second + " ok")) << "a file: nothing to search from";
  EXPECT_EQ(seen[3], "Find");
  EXPECT_TRUE(SamePath(seen[4], Folder.Path() + " find"));
}

TEST_F(Validator, AFileIsReadOnceInARun) {
  std::string shared = Bank("shared.sf2", {{0, 0}});
  StoreMapping("a", {{shared, 0, 0, 0, 0, "Shared"}});
  StoreMapping("b", {{shared, 0, 0, 0, 0, "Shared"}, {Folder["lost.sf2"], 0, 0, 0, 1, "Lost"}});
  // b goes first: while its question is open the file loses the preset; a is not asked about it.
  ASSERT_TRUE(CheckStored({Answer([&](TValidatorDialog& d) {
    Bank("shared.sf2", {{0, 9}});
    Click(d.IgnoreButton);
  })}));
  EXPECT_EQ(Asked(), std::vector<std::string>{"b:lost.sf2"});
  Questions.clear();
  auto ignore = Press(&TValidatorDialog::IgnoreButton);
  EXPECT_TRUE(CheckStored({ignore, ignore, ignore}));
  EXPECT_EQ(Asked(), (std::vector<std::string>{"b:shared.sf2", "b:lost.sf2", "a:shared.sf2"}));
}

TEST_F(Validator, MappingsGoLastToFirstWhileTheOwnerAndTheMainWindowAreDisabled) {
  for (const char* name : {"one", "two", "three"}) StoreMapping(name, {{Folder[name] + ".sf2", 0, 0, 0, 0, "x"}});
  std::vector<std::string> names;
  GetMappingNames(names);
  std::unique_ptr<TForm, TFreeDeleter> owner(new TForm(nullptr)), main(new TForm(nullptr));
  owner->Show();
  main->Show();
  TForm* previousMain = Application().MainForm();
  Application().SetMainForm(main.get());
  std::vector<std::string> states;
  auto note = [&](const std::string& when) {
    TProgressForm* progress = nullptr;
    for (int i = 0; i < Screen().FormCount(); ++i)
      if (auto* p = dynamic_cast<TProgressForm*>(Screen().Forms(i))) progress = p;
    states.push_back(when + (IsWindowEnabled(owner->Handle()) ? " owner on" : "") +
                     (IsWindowEnabled(main->Handle()) ? " main on" : "") +
                     (progress && progress->Visible() ? " " + progress->Caption() : "") +
                     (progress ? " of " + std::to_string(progress->ProgressBar1->Max()) : ""));
  };
  // The walk serves the queue before it reads its first slot: a message posted now is handled while it
  // walks, before the first question (a timer tick might come only once that question is open).
  struct TWalkProbe {
    std::function<void()> OnPosted;
    static LRESULT CALLBACK Proc(HWND window, UINT msg, WPARAM w, LPARAM l) {
      auto* probe = testsupport::THiddenWindow::Owner<TWalkProbe>(window);
      if (msg == WM_APP && probe) return probe->OnPosted(), 0;
      return DefWindowProcA(window, msg, w, l);
    }
  } probe{[&] { note("walking"); }};
  testsupport::THiddenWindow probeWindow("TValidatorWalkProbe", "", &TWalkProbe::Proc, &probe);
  PostMessageA(probeWindow.Handle(), WM_APP, 0, 0);
  TValidator validator(owner.get());
  bool done = Check(validator, nullptr,
                    {Answer([&](TValidatorDialog& d) { note("asked"), Click(d.IgnoreButton); }),
                     Press(&TValidatorDialog::CancelAllButton)});
  Application().SetMainForm(previousMain);
  EXPECT_TRUE(done);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(Asked(), (std::vector<std::string>{names[2] + ":" + names[2] + ".sf2", names[1] + ":" + names[1] + ".sf2"}));
  EXPECT_EQ(states, (std::vector<std::string>{"walking checking " + names[2] + "... of 6", "asked of 6"}));
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  for (int i = 0; i < Screen().FormCount(); ++i) EXPECT_EQ(dynamic_cast<TProgressForm*>(Screen().Forms(i)), nullptr);
}

TEST_F(Validator, OnlyRewrittenMappingsAreWrittenAndADeletedOneStaysDeleted) {
  std::string bank = Bank("bank.sf2", {{0, 0}});
  std::string moved = Subfolder("new") + "\\lost.sf2";
  Bank("new\\lost.sf2", {{0, 0}});
  StoreMapping("a_gone", {{Folder["lost.sf2"], 0, 0, 0, 0, "Lost"}});
  StoreMapping("b_clean", {{bank, 0, 0, 0, 0, "Fine"}});
  StoreMapping("c_ignored", {{Folder["lost.sf2"], 0, 0, 0, 0, "Lost"}, {bank, 0, 0, 0, 1, "Fine"}});
  StoreMapping("d_fixed", {{Folder["lost.sf2"], 0, 0, 0, 0, "Lost"}});
  std::string clean = testsupport::RegQueryTree(kMappings + "\\b_clean");
  std::string ignored = testsupport::RegQueryTree(kMappings + "\\c_ignored");
  ASSERT_NE(clean.find("Fine"), std::string::npos) << clean;
  ASSERT_TRUE(CheckStored({Answer([&](TValidatorDialog& d) {
                             TRegKey(kMappings, false).DeleteKey("a_gone");
                             d.KitSystemTreeView1->SetSelection(moved);
                             Click(d.OKButton);
                           }),
                           Press(&TValidatorDialog::IgnoreButton)}));
  EXPECT_EQ(Asked(), (std::vector<std::string>{"d_fixed:lost.sf2", "c_ignored:lost.sf2"}));
  EXPECT_EQ(testsupport::RegQueryTree(kMappings + "\\b_clean"), clean);
  EXPECT_EQ(testsupport::RegQueryTree(kMappings + "\\c_ignored"), ignored);
  std::string fixed = testsupport::RegQueryTree(kMappings + "\\d_fixed");
  EXPECT_NE(fixed.find("\\new\\lost.sf2"), std::string::npos) << fixed;
  EXPECT_FALSE(TRegKey(kMappings + "\\a_gone", false).Opened());
}

TEST_F(Validator, ACleanRunSaysSoInItsResultBox) {
  StoreMapping("m", {{Bank("bank.sf2", {{0, 0}}), 0, 0, 0, 0, "x"}});
  testsupport::MessageBoxRecorder boxes;
  TValidator validator(nullptr);
  EXPECT_TRUE(Check(validator, nullptr, {}));
  validator.ShowResult();
  ASSERT_EQ(boxes.Boxes.size(), 1u);
  EXPECT_EQ(boxes.Boxes[0].Text, "No problems encountered.");
  EXPECT_EQ(boxes.Boxes[0].Caption, "tarnbel integrity checker");
  EXPECT_EQ(boxes.Boxes[0].Flags & (MB_ICONMASK | MB_TYPEMASK), UINT(MB_ICONINFORMATION | MB_OK));
}

TEST_F(Validator, FluidsynthListsExactlyThePresetsTheCheckerDoesNotAskFor) {
  std::string bank = Bank("fs.sf2", {{0, 0}, {0, 5}, {128, 0}});
  std::vector<std::pair<int, int>> wanted{{0, 0}, {0, 5}, {0, 7}, {128, 0}, {128, 1}, {1, 0}};
  std::vector<TSpec> entries;
  for (size_t i = 0; i < wanted.size(); ++i)
    entries.push_back({bank, wanted[i].first, wanted[i].second, 0, int(i), "x"});
  StoreMapping("m", entries);

  const std::string unixDir = "/tmp/tarnbel_validator_" + std::to_string(GetCurrentProcessId());
  const std::string dir = "Z:" + unixDir;
  CreateDirectoryA(dir.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(bank.c_str(), (dir + "\\fs.sf2").c_str(), FALSE));
  testsupport::WriteBytes(dir + "\\cmds", "inst 1\n");
  ASSERT_TRUE(testsupport::RunShell("cd " + unixDir + " && fluidsynth -n -a file -F /dev/null -f cmds fs.sf2 "
                                    "< /dev/null > report.txt 2>&1", 60000));
  std::string report = testsupport::ReadBytes(dir + "\\report.txt");
  testsupport::RunShell("rm -rf " + unixDir, 10000);
  std::vector<std::string> missing;
  for (const auto& w : wanted)
    if (report.find(IntToStrZero(w.first, 3) + "-" + IntToStrZero(w.second, 3) + " ") == std::string::npos)
      missing.push_back(FormatBankProgram(w.first, w.second));
  ASSERT_EQ(missing.size(), 3u) << report;

  ASSERT_TRUE(CheckStored(std::vector<TStep>(missing.size(), Press(&TValidatorDialog::IgnoreButton))));
  std::vector<std::string> asked;
  const std::string problem = "There is no such preset in file | ";
  for (const TQuestion& q : Questions) {
    EXPECT_EQ(q.Shown.compare(0, problem.size(), problem), 0) << q.Shown;
    asked.push_back(q.Shown.substr(problem.size(), 7));
  }
  EXPECT_EQ(asked, missing);
}

TEST_F(Validator, ARedirectIntoAFileTheMappingUsesJoinsThatFile) {
  std::string other = Bank("other.sf2", {{0, 0}, {0, 1}, {0, 2}});
  std::string stored = Folder.Path() + "\\OTHER.SF2";  // the mapping's spelling of the same file
  StoreMapping("m", {{Folder["lost.sf2"], 0, 0, 0, 0, "A"},
                     {Folder["lost.sf2"], 0, 1, 0, 1, "B"},
                     {stored, 0, 2, 0, 2, "C"}});
  TMapping mapping("m", false, nullptr, "");
  TValidator validator(nullptr);
  bool changed = false;
  ASSERT_TRUE(Check(validator, &mapping, {Choose(other)}, &changed));
  EXPECT_TRUE(changed);
  ASSERT_EQ(mapping.Store->KeyCount(), 1);
  EXPECT_EQ(mapping.Store->GetKeyName(0), stored);
  EXPECT_EQ(mapping.Store->ValueCount(0), 3);
  ASSERT_EQ(mapping.Files.size(), 1u);
  for (int program = 0; program < 3; ++program) EXPECT_EQ(mapping.Slot(0, program)->SourceFile, mapping.Files[0].get());
  // The cell is still in use after one entry goes.
  mapping.RemoveItem(0, 0);
  ASSERT_EQ(mapping.Files.size(), 1u);
  EXPECT_EQ(mapping.Slot(0, 1)->SourceFileText(), stored);
  mapping.SaveSettings();
  auto entries = StoredEntries("m");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].second.size(), 2u);
}

TEST_F(Validator, AWaveFoundElsewhereTakesTheChosenNameAndKeepsItsShownName) {
  std::string waves = Subfolder("waves") + "\\", found = Subfolder("found") + "\\";
  for (const char* name : {"a.wav", "renamed.wav"}) testsupport::WriteWaveFile(found + name, 1, 1, 16, 100);
  struct {
    std::string Stored, Chosen, Name;
  } cases[] = {{"a.wav|Alpha", found + "a.wav", "a.wav|Alpha"}, {"b.wav|Beta", found + "renamed.wav", "renamed.wav|Beta"}};
  for (const auto& c : cases) {
    testsupport::ResetTarnbelKey();
    StoreMapping("m", {{waves, 200, 0, 100, 3, c.Stored}});
    TMapping mapping("m", false, nullptr, "");
    Questions.clear();
    TValidator validator(nullptr);
    bool changed = false;
    // One question: the rewritten entry passes when it is checked again.
    EXPECT_TRUE(Check(validator, &mapping, {Choose(c.Chosen)}, &changed)) << c.Stored;
    EXPECT_EQ(Questions.size(), 1u);
    EXPECT_TRUE(changed);
    ASSERT_NE(mapping.Slot(100, 3), nullptr);
    EXPECT_TRUE(SamePath(mapping.Slot(100, 3)->SourceFileText(), found));
    EXPECT_EQ(mapping.Slot(100, 3)->Name, c.Name);
    EXPECT_TRUE(SamePath(mapping.Slot(100, 3)->GetSourceName(), c.Chosen));
  }
}

TEST_F(Validator, ARequestDuringACheckWaitsForItsEndAndACloseEndsASearch) {
  TToolWindowMakers before = ToolWindowMakers;
  RegisterIntegrityChecker();
  Bank("other.sf2", {{0, 0}});
  StoreMapping("m", {{Folder["lost.sf2"], 0, 0, 0, 0, "A"}, {Folder["gone.sf2"], 0, 0, 0, 1, "B"}});
  std::unique_ptr<TForm, TFreeDeleter> owner(new TForm(nullptr)), requester(new TForm(nullptr));
  owner->Show();
  TMapping mapping("m", false, nullptr, "");
  TValidator validator(owner.get());
  bool changed = true, returned = false;
  EXPECT_TRUE(Check(validator, &mapping,
                    {Answer([&](TValidatorDialog& d) {
                      // The launcher's check waits: nothing is asked meanwhile.
                      ToolWindowMakers.CheckIntegrity(requester.get(), nullptr);
                      returned = true;
                      Click(d.FindButton);
                      PostMessageA(d.Handle(), WM_CLOSE, 0, 0);
                    })},
                    &changed));
  EXPECT_TRUE(returned);
  EXPECT_FALSE(changed);
  EXPECT_EQ(Asked(), std::vector<std::string>{"m:lost.sf2"}) << "the close ended the run";
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  MSG request;
  EXPECT_TRUE(PeekMessageA(&request, requester->Handle(), WM_TB_CHECK_INTEGRITY, WM_TB_CHECK_INTEGRITY, PM_REMOVE));
  ToolWindowMakers = before;
}

// The closing note's figure: 20 mappings with every slot filled from 50 files, checked in one run.
TEST_F(Validator, DISABLED_FigureCheckingTwentyFullMappingsOverFiftyFiles) {
  std::vector<std::pair<int, int>> presets;
  for (int program = 0; program < MappingPrograms; ++program) presets.push_back({0, program});
  std::vector<std::string> files;
  for (int f = 0; f < 50; ++f) files.push_back(Bank("bank" + std::to_string(f) + ".sf2", presets));
  for (int m = 0; m < 20; ++m) {
    TMapping mapping("full" + std::to_string(m), false, nullptr, "");
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program) {
        int n = bank * MappingPrograms + program + m;
        mapping.AddItem(files[n % 50], bank, true, 0, "x", n / 50 % MappingPrograms, 0, program);
      }
  }
  fileOpens = 0;
  TImportPatch opens("fopen", reinterpret_cast<void*>(&CountedFopen), reinterpret_cast<void**>(&realFopen));
  // Loading the mappings alone, for comparison: the check loads each once.
  DWORD start = GetTickCount();
  for (int m = 0; m < 20; ++m) {
    TMapping mapping("full" + std::to_string(m), false, nullptr, "");
    mapping.SaveOnDestroy = false;
  }
  DWORD loading = GetTickCount() - start;
  start = GetTickCount();
  TValidator validator(nullptr);
  validator.CheckAll(nullptr);
  DWORD elapsed = GetTickCount() - start;
  EXPECT_FALSE(validator.ProblemsFound);
  std::cout << "checking 20 full mappings over 50 files: " << elapsed << " ms (loading them alone: " << loading
            << " ms), " << fileOpens / 50.0 << " opens per file" << std::endl;
}
