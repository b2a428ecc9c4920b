// Figures of the source browser, run by hand (they take a minute and a gigabyte of disk):
//   test_editor.exe --gtest_also_run_disabled_tests --gtest_filter=BrowserFigures.*
// the presets pane filled from 5,000 presets and from 2,000 waves, "Set bank in file..." on a 500 MB file,
// and the time from a change on disk to its node read again.
#include <algorithm>
#include <cstdio>
#include <thread>

#include "editor_fixture.h"
#include "set_bank_in_file.h"
#include "standin_support.h"

using namespace ui;

namespace {

class BrowserFigures : public editortest::EditorFixture {
 protected:
  double Seconds(DWORD start) { return (GetTickCount() - start) / 1000.0; }
  int SourceRows() {
    int rows = 0;
    for (int i = 0; i < Editor->PresetsListView->Items().Count(); ++i) rows += Editor->PresetsListView->Items()[i]->Data() != nullptr;
    return rows;
  }
};

ULONGLONG FreeBytes(const std::string& folder) {
  ULARGE_INTEGER free{};
  GetDiskFreeSpaceExA(folder.c_str(), &free, nullptr, nullptr);
  return free.QuadPart;
}

}  // namespace

TEST_F(BrowserFigures, DISABLED_PaneFills) {
  sf2test::Sf2Builder builder;
  uint32_t sample = builder.AddSample("s", 16);
  for (int i = 0; i < 5000; ++i) builder.AddPreset("P" + std::to_string(i), uint16_t(i / 128), uint16_t(i % 128), {sample});
  const std::string big = Folder["presets5000.sf2"];
  ASSERT_TRUE(builder.Write(big));
  CreateDirectoryA(Folder["waves"].c_str(), nullptr);
  for (int i = 0; i < 2000; ++i) ASSERT_TRUE(testsupport::WriteWaveFile(Folder["waves\\w" + std::to_string(i) + ".wav"], 1, 1, 16, 4));
  MakeSoundFont("other.sf2", {{0, 0, "Other"}});
  ASSERT_TRUE(OpenEditor("figures"));
  for (const auto& [path, rows] : {std::pair<std::string, int>{big, 5000}, {Folder["waves"], 2000}}) {
    Browse(Folder["other.sf2"]);
    DWORD start = GetTickCount();
    Editor->SystemTreeView->SetSelection(path);
    ASSERT_TRUE(RunUntil([&] { return SourceRows() == rows && IsWindowEnabled(Editor->Handle()); }, 120000));
    printf("[figure] presets pane: %d rows from %s in %.2f s\n", rows, rows == 5000 ? "a 5,000-preset file" : "2,000 waves",
           Seconds(start));
  }
}

TEST_F(BrowserFigures, DISABLED_SetBankOn500MB) {
  sf2test::Sf2Builder builder;
  builder.AddPresetWithSamples("Huge", 0, 0, {250u * 1000 * 1000});
  for (int i = 1; i < 100; ++i) builder.AddPresetWithSamples("P" + std::to_string(i), 0, uint16_t(i), {16});
  const std::string path = Folder["huge.sf2"];
  ASSERT_TRUE(builder.Write(path));
  WIN32_FILE_ATTRIBUTE_DATA data;
  ASSERT_TRUE(GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data));
  const double megabytes = (double(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) / 1e6;
  const ULONGLONG freeBefore = FreeBytes(Folder.Path());
  ULONGLONG lowest = freeBefore;
  DWORD start = GetTickCount();
  TSetBankResult result;
  bool done = false;
  // The disk taken meanwhile, sampled from a second thread.
  std::thread sampler([&] {
    while (!done) {
      lowest = std::min(lowest, FreeBytes(Folder.Path()));
      Sleep(20);
    }
  });
  result = SetBankInFile(path, 3);
  done = true;
  sampler.join();
  ASSERT_EQ(result.Status, TSetBankStatus::Done) << result.Reason;
  printf("[figure] set bank: %.0f MB file in %.2f s, at most %.0f MB more disk meanwhile, %.0f MB after\n", megabytes,
         Seconds(start), (double(freeBefore) - double(lowest)) / 1e6,
         (double(freeBefore) - double(FreeBytes(Folder.Path()))) / 1e6);
  DeleteFileA(path.c_str());
}

TEST_F(BrowserFigures, DISABLED_DiskChangeToRefreshedNode) {
  CreateDirectoryA(Folder["watched"].c_str(), nullptr);
  ASSERT_TRUE(OpenEditor("figures"));
  Browse(Folder["watched"]);
  ASSERT_FALSE(Editor->FolderMonitors.empty());
  auto childCount = [&] {
    TKitSystemTreeView* tree = Editor->SystemTreeView;
    for (TTreeNode* n = tree->Items().GetFirstNode(); n; n = n->GetNext())
      if (lstrcmpiA(tree->GetNodePath(n).c_str(), Folder["watched"].c_str()) == 0) return n->Count();
    return -1;
  };
  std::vector<double> times;
  for (int i = 0; i < 20; ++i) {
    const int before = childCount();
    DWORD start = GetTickCount();
    ASSERT_TRUE(testsupport::WriteBytes(Folder["watched\\f" + std::to_string(i) + ".sf2"], "x"));
    ASSERT_TRUE(RunUntil([&] { return childCount() == before + 1; }, 10000)) << i;
    times.push_back(Seconds(start));
    RunFor(200);
  }
  std::sort(times.begin(), times.end());
  printf("[figure] disk change to refreshed node: p50 %.3f s, p99 %.3f s over 20\n", times[10], times[19]);
}
