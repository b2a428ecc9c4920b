// Damaged SoundFonts through the real tarnbel.exe, on both SoundFont Manager back ends: a preset of
// a sound bank is cached and in use on one channel while another channel asks for presets of
// damaged copies of a bank larger than the card's free memory.
#include "server_e2e_fixture.h"
#include "sf2_damage.h"

using namespace e2e;

namespace {

// Both SoundFont Manager devices of the card have 1 MB of sample memory.
const char* const kSmallCard =
    "sfman.device=10k,1048576,SB Live! Synth A\n"
    "sfman.device=general,1048576,SoundFont Synth\n";

uint32_t ProgramChange(int channel, int program) { return static_cast<uint32_t>(0xC0 | channel | program << 8); }

struct TSlotOfFile {
  std::string File;
  std::string Preset;
  int SourceBank, SourceProgram, TargetProgram;
};

// One active mapping whose slots of bank 0 name presets of several files.
void StoreMappingOfFiles(const std::string& name, const std::vector<TSlotOfFile>& slots) {
  TRegKey(kMappings, true).DeleteKey(name);
  {
    TMapping m(name, false, nullptr, "");
    for (const TSlotOfFile& s : slots)
      m.AddItem(s.File, 0, true, 0, s.Preset, s.SourceProgram, s.SourceBank, s.TargetProgram);
    m.SaveSettings();
  }
  TRegKey key(kMappings + "\\" + name, true);
  key.WriteInteger("Priority", 1);
  key.WriteBool("Active", true);
}

class ServerE2EDamaged : public ServerE2E, public ::testing::WithParamInterface<const char*> {
 protected:
  std::string Device() const { return GetParam(); }
  std::string Caption() const { return "Keys --> Synth --> " + Device(); }

  void Play(uint32_t message) { ASSERT_EQ(TVirtualMidiBus::Play("Keys", message), TVirtualPlayResult::Played); }

  // Waits for the error box, returns its text, answers it with `button`, and ends the error episode
  // as a click on the tray icon does, so the next error has its own box.
  std::string AnswerErrorBox(WPARAM button) {
    HWND box = WaitForBox(Server.ProcessId());
    if (!box) return "(no box)";
    const std::string text = testsupport::BoxText(box);
    PostMessageA(box, WM_COMMAND, button, 0);
    EXPECT_TRUE(Tools->PumpUntil([&] { return e2e::FindServerBox(Server.ProcessId()) == nullptr; }));
    PostMessageA(Window, WM_TB_TRAY_CALLBACK, 0, WM_LBUTTONDOWN);
    return text;
  }
};

}  // namespace

TEST_P(ServerE2EDamaged, DamagedBanksTakeTheNotFoundRoadAndThePresetInUseStaysCached) {
  testsupport::StandinConfig card(kSmallCard);
  testsupport::TempFolder folder;
  sf2test::Sf2Builder pad;
  pad.AddPresetWithSamples("Warm Pad", 0, 0, {50000});
  const std::string padFile = folder.File("pad.sf2");
  ASSERT_TRUE(pad.Write(padFile));
  // The damaged bank: a small lead and a filler of 2.4 MB, so even its half is more than the free memory.
  sf2test::Sf2Builder bank;
  bank.AddPresetWithSamples("Lead", 0, 0, {20000});
  bank.AddPresetWithSamples("Filler", 0, 1, {1200000});
  const std::string intact = folder.File("intact.sf2");
  ASSERT_TRUE(bank.Write(intact));

  std::vector<TSlotOfFile> slots = {{padFile, "Warm Pad", 0, 0, 0}, {intact, "Filler", 0, 1, 100}};
  const std::vector<sf2test::Sf2DamagedCopy> copies = sf2test::DamagedCopies(bank);
  ASSERT_EQ(copies.size(), 13u);
  for (size_t i = 0; i < copies.size(); ++i) {
    const std::string file = folder.File("damaged" + std::to_string(i) + ".sf2");
    ASSERT_TRUE(testsupport::WriteBytes(file, copies[i].Bytes));
    slots.push_back({file, "Lead", 0, 0, static_cast<int>(10 + i)});
  }
  StoreMappingOfFiles("Damage", slots);
  {
    TRegArray routes(RoutesPath, false);
    routes.Add(RouteRecordToString({"Keys", "Synth", Device(), RouteActive}), true);
    routes.Save();
  }
  StartServerWithVirtualMidi();
  ASSERT_EQ(Ask(WM_TB_TURN_ON, 0, 0, WM_TB_SERVER_STATE)->LParam, 1);
  Query(WM_TB_SELECT_ROUTE, IPCWriteStringPayload(Caption()), 0);
  ASSERT_TRUE(TVirtualMidiBus::WaitInputStarted("Keys", 5000));

  Play(0x0000B0);  // bank 0 on channel 1, which then plays the pad
  Play(0x0000B1);  // and on channel 2, which asks for the damaged presets
  Play(ProgramChange(0, 0));
  std::vector<CachedPresetRecord> records;
  ASSERT_TRUE(WaitCachedPresets(1, records)) << records.size() << " records";
  uint64_t total = 0, free = 0;
  ASSERT_TRUE(CardMemory(total, free));
  ASSERT_EQ(total - free, pad.PresetSampleBytes(0));

  for (size_t i = 0; i < copies.size(); ++i) {
    SCOPED_TRACE(copies[i].Name);
    ASSERT_GT(copies[i].Bytes.size(), free) << "the old check took such a file for a full memory";
    const size_t from = Tools->Received.size();
    Play(ProgramChange(1, static_cast<int>(10 + i)));
    const std::string text = AnswerErrorBox(IDNO);
    EXPECT_NE(text.find("One or more of requested presets not found"), std::string::npos) << text;
    EXPECT_EQ(text.find("don't fit"), std::string::npos) << text;
    EXPECT_EQ(Tools->Count(WM_TB_SERVER_ERROR, from), 1u);
    ASSERT_TRUE(WaitCachedPresets(1, records)) << records.size() << " records";
    EXPECT_EQ(GetShortString(records[0].PresetName), "Warm Pad");
    EXPECT_EQ(records[0].Program, 0);
    uint64_t nowTotal = 0, nowFree = 0;
    ASSERT_TRUE(CardMemory(nowTotal, nowFree));
    EXPECT_EQ(nowFree, free) << "nothing was evicted, nothing was left in the card";
    ASSERT_TRUE(Server.Running());
  }

  // A preset that is really larger than the card still does not fit.
  Play(ProgramChange(1, 100));
  const std::string text = AnswerErrorBox(IDOK);
  EXPECT_NE(text.find("One of requested presets don't fit in memory"), std::string::npos) << text;
  EXPECT_TRUE(Server.Running());
  EXPECT_EQ(State(), 1);
}

INSTANTIATE_TEST_SUITE_P(BothSoundFontManagerBackEnds, ServerE2EDamaged,
                         ::testing::Values("SB Live!", "SoundFont Synth"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.index == 0 ? "TenK" : "General");
                         });
