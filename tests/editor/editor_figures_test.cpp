// The closing note's figures for the editor (run with --gtest_also_run_disabled_tests): opening and saving a
// mapping with every slot filled, and attaching then detaching a thousand presets.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "registry_internal.h"
#include "tarnbel_mapping.h"
#include "tarnbel_tools_globals.h"

using namespace editortest;

namespace {

class EditorFigures : public EditorFixture {
 protected:
  void SetUp() override {
    EditorFixture::SetUp();
    Settings->WriteBool("DetachConfirmation", false);
    std::vector<TPreset> presets;
    for (int program = 0; program < MappingPrograms; ++program) presets.push_back({0, program, "P" + std::to_string(program)});
    Bank = MakeSoundFont("full.sf2", presets);
  }
  std::string Bank;
};

TEST_F(EditorFigures, DISABLED_FigureOpeningAndSavingAFullMapping) {
  {
    TMapping full("Full", false, nullptr, "");
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program)
        full.AddItem(Bank, bank, true, 0, "P" + std::to_string(program), program, 0, program);
  }
  DWORD start = GetTickCount();
  ASSERT_NE(OpenEditor("Full"), nullptr);
  DWORD opening = GetTickCount() - start;
  ASSERT_EQ(Editor->FilesListView->Items().Count(), MappingBanks * MappingPrograms);
  Editor->Modified = true;
  start = GetTickCount();
  EXPECT_TRUE(Editor->SaveMapping());
  DWORD saving = GetTickCount() - start;
  EXPECT_TRUE(RunUntil([&] { return MappingSavedCount() == 1; }));
  std::cout << "a full mapping (" << MappingBanks * MappingPrograms << " entries): opened in " << opening
            << " ms, checked and saved in " << saving << " ms" << std::endl;
}

TEST_F(EditorFigures, DISABLED_FigureAttachingAndDetachingAThousandPresets) {
  { TMapping empty("Empty", false, nullptr, ""); }
  ASSERT_NE(OpenEditor("Empty"), nullptr);
  const int count = 1000;
  DWORD start = GetTickCount();
  for (int n = 0; n < count; ++n)
    Editor->AttachPresetAt(Bank, 0, "P" + std::to_string(n % MappingPrograms), n % MappingPrograms,
                           n / MappingPrograms, n % MappingPrograms);
  DWORD attaching = GetTickCount() - start;
  ASSERT_EQ(Editor->FilesListView->Items().Count(), count);
  start = GetTickCount();
  for (int n = 0; n < count; ++n) Editor->RemoveAttachedItem(0);
  DWORD detaching = GetTickCount() - start;
  EXPECT_EQ(Editor->FilesListView->Items().Count(), 0);
  std::cout << "attaching " << count << " presets: " << attaching << " ms, detaching them: " << detaching << " ms"
            << std::endl;
}

}  // namespace
