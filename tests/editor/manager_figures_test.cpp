// The manager's figures for the closing note: reloading a long list, and an applied change that runs every
// automatic export over many full mappings. Each also checks that the work it timed was done.
#include <chrono>
#include <cstdio>

#include "export_settings.h"
#include "manager_fixture.h"
#include "reg_tree.h"
#include "scratch_folder.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;
using namespace managertest;

namespace {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST_F(ManagerFixture, FigureReloadOfTwoHundredMappings) {
  for (int i = 0; i < 200; ++i) StoreMapping("Mapping " + std::to_string(1000 + i), i, i % 3 != 0);
  TMappingsManagerForm* m = Open();
  auto start = std::chrono::steady_clock::now();
  m->ReloadMappings();
  const double ms = MillisecondsSince(start);
  ASSERT_EQ(200, m->CheckListBox1->Items()->Count());
  EXPECT_EQ("Mapping 1199", Rows()[0]);
  EXPECT_FALSE(m->CheckListBox1->Checked(199)) << "Mapping 1000 is stored inactive";
  std::printf("[figure] ReloadMappings of 200 mappings: %.1f ms\n", ms);
}

TEST_F(ManagerFixture, FigureAppliedChangeWithEveryAutomaticExportOverTwentyFullMappings) {
  testsupport::TScratchFolder folder("manager_figure");
  {
    TMapping full("Full 0", false, nullptr, "");
    for (int bank = 0; bank < MappingBanks; ++bank)
      for (int program = 0; program < MappingPrograms; ++program)
        full.AddItem("C:\\sounds\\f" + std::to_string(program % 16) + ".sf2", bank, true, 0,
                     "Preset " + std::to_string(bank) + "/" + std::to_string(program), program, bank % 4, program);
  }
  TRegTree tree;
  ASSERT_EQ(ERROR_SUCCESS, ReadRegTree("Software\\tarnbel\\mappings\\Full 0", tree));
  for (int i = 1; i < 20; ++i)
    ASSERT_EQ(ERROR_SUCCESS, WriteRegTree("Software\\tarnbel\\mappings\\Full " + std::to_string(i), tree));
  bool* switches[] = {&AutocreateCakewalk, &AutocreateCubase1, &AutocreateCubase12, &AutocreateMapping,
                      &AutocreateMassiva,  &AutocreateEncore,  &AutocreateEvolution, &AutocreateQuartz};
  std::string* paths[] = {&CakewalkPath, &CubasePath, &MappingPath, &MassivaPath,
                          &EncorePath,   &EvolutionPath, &QuartzPath};
  TMappingsManagerForm* m = Open();
  for (bool* on : switches) *on = true;
  for (std::string* path : paths) *path = folder.Path();
  size_t from = Mark();
  m->CheckListBox1->SetItemIndex(1);
  auto start = std::chrono::steady_clock::now();
  m->MappingUpAction->Execute();
  const double ms = MillisecondsSince(start);
  EXPECT_TRUE(Boxes.empty()) << (Boxes.empty() ? "" : Boxes[0].Text);
  EXPECT_EQ(1u, ServerCount(WM_TB_MAPPINGS_APPLY, from));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(folder["current.txt"].c_str()));
  std::printf("[figure] applied change, every automatic export on, 20 full mappings: %.0f ms\n", ms);
}
