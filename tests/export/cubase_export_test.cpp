// The Cubase device files: names and numbers at their offsets, every other byte the template's, and
// templates that are missing or damaged.
#include <gtest/gtest.h>

#include "export_test_support.h"
#include "message_box_recorder.h"
#include "scratch_folder.h"
#include "standin_support.h"
#include "tarnbel_cubase.h"
#include "tarnbel_export.h"

using namespace exporttest;

namespace {

constexpr size_t Labels = 0x3B3, Stride = 0x1C;

size_t NamesOf(bool twelve, size_t k) { return twelve ? 0x504 + k * 2560 : 0x3D0; }

// Whether the exporter may change the byte: the header fields, and the label, bank and names of the
// blocks it fills.
bool Patched(size_t at, bool twelve, size_t blocks) {
  if ((at >= 0x0E && at < 0x1E) || (at >= 0x20 && at < 0x28) || (at >= 0x1EA && at < 0x1F2)) return true;
  for (size_t k = 0; k < blocks; ++k) {
    const size_t block = Labels + k * Stride, names = NamesOf(twelve, k);
    if ((at > block && at <= block + 8) || at == block + 16 || (at >= names && at < names + 2560)) return true;
  }
  return false;
}

struct TBlock {
  std::string Label;
  char Bank;
  std::map<int, std::string> Names;  // 20 bytes each; the other programs blank
};

void CheckFrame(const std::string& file, const std::string& frame, const std::string& label,
                const std::vector<TBlock>& blocks) {
  const bool twelve = frame.size() == CubaseDriverTemplateSize;
  const std::string& base = twelve ? GetCubaseDriverTemplate() : GetCubaseSeparatorTemplate();
  ASSERT_EQ(frame.size(), base.size()) << file;
  EXPECT_EQ(frame.substr(0x0E, 8), "Orchest ") << file;
  for (size_t at : {0x16, 0x20, 0x1EA}) EXPECT_EQ(frame.substr(at, 8), label) << file;
  for (size_t k = 0; k < blocks.size(); ++k) {
    EXPECT_EQ(frame.substr(Labels + k * Stride + 1, 8), blocks[k].Label) << file << " block " << k;
    EXPECT_EQ(frame[Labels + k * Stride + 16], blocks[k].Bank) << file << " block " << k;
    for (int p = 0; p < 128; ++p) {
      std::string name = blocks[k].Names.count(p) ? blocks[k].Names.at(p) : "";
      EXPECT_EQ(frame.substr(NamesOf(twelve, k) + size_t(p) * 20, 20), name + std::string(20 - name.size(), ' '))
          << file << " block " << k << " program " << p;
    }
  }
  size_t differ = 0;
  for (size_t at = 0; at < frame.size(); ++at) differ += !Patched(at, twelve, blocks.size()) && frame[at] != base[at];
  EXPECT_EQ(differ, 0u) << file << ": bytes outside the patched fields differ from the template";
}

}  // namespace

TEST(CubaseExport, NamesAndNumbersAtTheirOffsetsOnTheTemplate) {
  testsupport::TScratchFolder folder("cubase");
  testsupport::MessageBoxRecorder boxes;
  auto mapping = Orchestra();
  mapping->AddItem("C:\\banks\\organ.sf2", 0, true, 0, "Caf\xE9 Organ", 1, 0, 1);
  ASSERT_TRUE(ExportCubaseDevSeparate(folder.Path(), *mapping));
  ASSERT_TRUE(ExportCubaseDev12(folder.Path(), *mapping));
  EXPECT_TRUE(boxes.Boxes.empty());
  const std::string out = folder["tarnbel\\Orchestra\\"];
  const std::map<int, std::string> bank0 = {{0, "Grand Piano"}, {1, "Caf\xE9 Organ"}, {2, "Strings"}},
                                   bank5 = {{10, "Analog Strings Ensem"}}, drums = {{35, "Kick"}};
  const std::string nul3(3, '\0');
  CheckFrame("bank 000.dev", testsupport::ReadBytes(out + "bank 000.dev"), "bank 000", {{"bank 000", 0, bank0}});
  CheckFrame("Strings .dev", testsupport::ReadBytes(out + "Strings .dev"), "Strings ", {{"Strings ", 5, bank5}});
  CheckFrame("drums.dev", testsupport::ReadBytes(out + "drums.dev"), "drums" + nul3, {{"drums" + nul3, 0, drums}});
  std::vector<std::string> expectedFiles = {"bank 000.dev", "drums.dev", "Strings .dev"};
  for (int first = 0; first < 129; first += 12) {
    std::vector<TBlock> blocks;
    for (int b = first; b < std::min(first + 12, 129); ++b) {
      std::string label = b == 5 ? "Strings " : b == 128 ? "drums   " : "bank " + std::to_string(1000 + b).substr(1);
      blocks.push_back({label, char(b % 128),
                        b == 0     ? bank0
                        : b == 5   ? bank5
                        : b == 128 ? drums
                                   : std::map<int, std::string>{}});
    }
    const std::string file =
        "m" + std::to_string(1000 + first).substr(1) + "-" + std::to_string(1011 + first).substr(1) + ".dev";
    expectedFiles.push_back(file);
    CheckFrame(file, testsupport::ReadBytes(out + file), file.substr(0, 8), blocks);
  }
  EXPECT_EQ(FilesBelow(out), SortedPaths(expectedFiles));
}

// Templates read from a copy of this program whose resources were changed: gone, or shorter.
TEST(CubaseExport, AMissingOrShortTemplateGivesABoxAndNoFile) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  testsupport::TScratchFolder folder("template");
  const std::string copy = folder["damaged.exe"];
  ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
  HANDLE update = BeginUpdateResourceA(copy.c_str(), TRUE);  // every resource gone
  ASSERT_TRUE(update);
  std::string shortFrame = GetCubaseSeparatorTemplate().substr(0, 3000);
  ASSERT_TRUE(UpdateResourceA(update, RT_RCDATA, "CUBASE_DRV_SEP", MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                              &shortFrame[0], DWORD(shortFrame.size())));
  ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
  HMODULE damaged = LoadLibraryExA(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(damaged);
  LoadCubaseTemplatesFrom(damaged);
  testsupport::MessageBoxRecorder boxes;
  auto mapping = Orchestra();
  EXPECT_FALSE(ExportCubaseDevSeparate(folder["out"], *mapping));
  EXPECT_FALSE(ExportCubaseDev12(folder["out"], *mapping));
  LoadCubaseTemplatesFrom(GetModuleHandleA(nullptr));
  FreeLibrary(damaged);
  ASSERT_EQ(boxes.Boxes.size(), 2u);
  EXPECT_EQ(boxes.Boxes[0].Text,
            "The Cubase device template of the program is missing or damaged: nothing was exported.");
  EXPECT_EQ(GetFileAttributesA(folder["out"].c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetCubaseSeparatorTemplate().size(), CubaseSeparatorTemplateSize);
}
