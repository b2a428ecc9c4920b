#pragma once
// The fixture of the end-to-end suite: the real tarnbel.exe under Wine, with the test as its tools
// program. The Show values are off and the test's window is up before the server: the server never
// starts a tools program of its own, and one it started anyway is ended with the test.
#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "dialog_windows.h"
#include "remote_message_box.h"
#include "ipc.h"
#include "none_marker.h"
#include "peer_programs.h"
#include "protocol_payloads.h"
#include "registry_internal.h"
#include "reg_array.h"
#include "registry_test_support.h"
#include "route_record.h"
#include "server_process.h"
#include "sf2_builder.h"
#include "standin_support.h"
#include "stored_mapping.h"
#include "tarnbel_context_menu.h"
#include "tarnbel_func.h"
#include "tarnbel_mapping.h"
#include "tarnbel_protocol.h"
#include "tray_log.h"
#include "virtual_midi_bus.h"

using e2e::TReceived;

namespace e2e {

inline const std::string kMappings = std::string(TarnbelKeyPath) + "\\mappings";

using testsupport::StoreFileMapping;
using testsupport::TSlotEntry;

// An active mapping of "C:\<name>.sf2" with "<name> preset" in each slot given (source 0:program).
inline void StoreMapping(const std::string& name, int priority, const std::vector<std::pair<int, int>>& slots,
                         const std::string& bankName = "") {
  std::vector<TSlotEntry> entries;
  for (const auto& slot : slots) entries.push_back({name + " preset", 0, slot.second, slot.first, slot.second});
  StoreFileMapping(name, priority, "C:\\" + name + ".sf2", entries);
  if (!bankName.empty()) TMapping(name, false, nullptr, "").SetBankName(slots.front().first, bankName);
}

// A playlist entry of an outside client: the slot, nothing requested.
inline BankProgramRecord PlaylistSlot(int32_t bank, int32_t program) {
  BankProgramRecord record{};
  record.Bank = bank;
  record.Program = program;
  record.RequestedPair = NoRequestedPair;
  return record;
}

inline std::string ReadAtomText(LRESULT atom) {
  std::string text;
  EXPECT_NE(atom, 0);
  EXPECT_TRUE(IPCReceiveString(static_cast<WPARAM>(atom), text));
  return text;
}

inline std::string AtomName(ATOM atom) {
  char name[MAX_PATH];
  UINT length = GlobalGetAtomNameA(atom, name, sizeof(name));
  return std::string(name, length);
}

// A payload atom and the file name it carries: a freed number is soon taken again by another payload
// (the server's own lists to the tools window), so the name tells whether this one is still there.
struct TPayloadAtom {
  explicit TPayloadAtom(ATOM atom) : Atom(atom), Name(AtomName(atom)) {}
  operator ATOM() const { return Atom; }
  ATOM Atom;
  std::string Name;
};

inline bool AtomExists(const TPayloadAtom& payload) { return AtomName(payload.Atom) == payload.Name; }

using testsupport::IconsSet;
using testsupport::ReadTrayLog;
using testsupport::TTrayCall;

}  // namespace e2e

class ServerE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(e2e::EndLeftoverServer()) << "a server from an earlier run does not end";
    testsupport::ResetTarnbelKey();
    {
      TRegKey key(TarnbelKeyPath, true);
      key.WriteBool("ShowPreferences", false);
    }
    Tools = std::make_unique<e2e::TToolsWindow>();
  }

  void TearDown() override {
    Server.Stop();
    EXPECT_TRUE(testsupport::EndToolsPrograms());
    Tools.reset();
    testsupport::ResetTarnbelKey();
  }

  // Starts the server and waits for its start report and its first state report.
  void StartServer() {
    ASSERT_TRUE(Server.Start());
    ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_STARTED, 0, 20000), nullptr);
    ASSERT_NE(Tools->WaitFor(WM_TB_SERVER_STATE, 0, 20000), nullptr);
    Window = e2e::ServerWindow();
    ASSERT_NE(Window, nullptr);
  }

  // Sends a command and returns the last reply of the id that it caused. The server posts its
  // replies while it handles the command, behind anything it posted before, so once the send
  // returns and the queue is drained the last one is the answer.
  const TReceived* Ask(UINT id, WPARAM wParam, LPARAM lParam, UINT reply) {
    size_t from = Tools->Received.size();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(Window, id, wParam, lParam, SMTO_NORMAL, 5000, &result);
    if (!Tools->WaitFor(reply, from)) return nullptr;
    Tools->PumpFor(50);
    const TReceived* last = nullptr;
    for (size_t i = from; i < Tools->Received.size(); ++i)
      if (Tools->Received[i].Id == reply) last = &Tools->Received[i];
    return last;
  }

  // A reply's lParam; a missing reply fails the test (and reads as -1) instead of crashing the suite.
  static LPARAM LParamOf(const TReceived* reply) {
    EXPECT_NE(reply, nullptr) << "no such reply";
    return reply ? reply->LParam : -1;
  }

  const TReceived* LastReceived(UINT id) const {
    for (size_t i = Tools->Received.size(); i-- > 0;)
      if (Tools->Received[i].Id == id) return &Tools->Received[i];
    return nullptr;
  }

  LRESULT Query(UINT id, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    EXPECT_NE(SendMessageTimeoutA(Window, id, wParam, lParam, SMTO_NORMAL, 5000, &result), 0);
    return static_cast<LRESULT>(result);
  }

  // The box captioned "tarnbel" of the process once it shows its text; null when none came.
  HWND WaitForBox(DWORD processId) {
    HWND box = nullptr;
    Tools->PumpUntil([&] { return (box = e2e::FindServerBox(processId)) != nullptr; }, 10000);
    // A box still in its first set-up moves its text line among its children, so a reading walk can miss
    // it: read it once it is shown.
    if (box) Tools->PumpUntil([&] { return IsWindowVisible(box) && !testsupport::MessageBoxText(box).empty(); });
    return box;
  }

  // The server's MIDI on the virtual bus, by default with the ports "Keys" (in) and "Synth" (out).
  void StartServerWithVirtualMidi(const char* ports = "in:Keys;out:Synth") {
    SetEnvironmentVariableA("TARNBEL_MIDI", "virtual");
    SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", ports);
    StartServer();
    SetEnvironmentVariableA("TARNBEL_MIDI", nullptr);
    SetEnvironmentVariableA("TARNBEL_MIDI_PORTS", nullptr);
  }

  LPARAM State() {
    const TReceived* state = Ask(WM_TB_GET_STATE, 0, 0, WM_TB_SERVER_STATE);
    return state ? state->LParam : -1;
  }

  // A bank file with "Warm Pad" (0:3), "Room Kit" (128:2) and "Bright Keys" (0:5); the active
  // mapping "Studio" maps the first two to slots away from the file's own numbers (0:9 and 128:4),
  // so a record's source fields can only come from the mapping.
  void StoreStudioMapping(const std::string& bankFile) {
    Studio.AddPresetWithSamples("Warm Pad", 0, 3, {2000});
    Studio.AddPresetWithSamples("Room Kit", 128, 2, {3000});
    Studio.AddPresetWithSamples("Bright Keys", 0, 5, {2400});
    ASSERT_TRUE(Studio.Write(bankFile));
    e2e::StoreFileMapping("Studio", 1, bankFile, {{"Warm Pad", 0, 3, 0, 9}, {"Room Kit", 128, 2, 128, 4}});
  }
  uint64_t PadBytes() const { return Studio.PresetSampleBytes(0); }
  uint64_t KitBytes() const { return Studio.PresetSampleBytes(1); }
  uint64_t KeysBytes() const { return Studio.PresetSampleBytes(2); }

  static void StoreActiveRoute(const std::string& input, const std::string& output = "Synth") {
    TRegArray routes(RoutesPath, false);
    routes.Add(RouteRecordToString({input, output, "SB Live!", RouteActive}), true);
    routes.Save();
  }

  // The Winamp plug-in's playlist load, asked from this thread; true once its reply came.
  bool WinampLoad(const std::vector<BankProgramRecord>& slots) {
    Tools->ThreadMessages.clear();
    std::vector<uint8_t> block = EncodeBankProgramBlock(slots);
    PostMessageA(Window, WM_TB_WINAMP_LOAD_PRESETS, IPCWritePayload(block.data(), block.size()),
                 static_cast<LPARAM>(GetCurrentThreadId()));
    return Tools->WaitForThreadMessage(TM_WINAMP_LOADED, 15000) != nullptr;
  }

  // The current route's cached presets as the server lists them to a window of the test.
  bool CachedPresets(std::vector<CachedPresetRecord>& records) {
    size_t from = Tools->Received.size();
    Query(WM_TB_SEND_CACHE_LIST_TO, IPCWriteStringPayload(TOOLS_WINDOW_TITLE), 0);
    const TReceived* list = Tools->WaitFor(WM_TB_CACHE_LIST, from);
    if (!list) return false;
    EXPECT_EQ(list->Payload.size() % CachedPresetRecordSize, 0u);
    records = DecodeCachedPresetRecords(list->Payload.data(), list->Payload.size());
    return true;
  }

  // Loads run on the SoundFont thread: asks until the list holds `count` presets, none loading.
  bool WaitCachedPresets(size_t count, std::vector<CachedPresetRecord>& records, DWORD timeoutMs = 15000) {
    return Tools->PumpUntil(
        [&] {
          if (!CachedPresets(records) || records.size() != count) return false;
          for (const CachedPresetRecord& r : records)
            if (r.Loading) return false;
          return true;
        },
        timeoutMs);
  }

  // The current route's sample memory as the card reports it through the server.
  bool CardMemory(uint64_t& total, uint64_t& free) {
    size_t from = Tools->Received.size();
    Query(WM_TB_GET_CACHE_INFO, 0, 0);
    const TReceived* max = Tools->WaitFor(WM_TB_CACHE_MAX, from);
    const TReceived* left = Tools->WaitFor(WM_TB_CACHE_FREE, from);
    if (!max || !left) return false;
    total = static_cast<uint32_t>(max->LParam);
    free = static_cast<uint32_t>(left->LParam);
    return true;
  }

  void ExpectEndsCleanly() {
    size_t from = 0;
    EXPECT_NE(Tools->WaitFor(WM_TB_SERVER_STOPPED, from, 10000), nullptr);
    DWORD code = 99;
    EXPECT_TRUE(Server.WaitExit(10000, code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(e2e::ServerWindow(), nullptr);
  }

  std::unique_ptr<e2e::TToolsWindow> Tools;
  e2e::TServerProcess Server;
  sf2test::Sf2Builder Studio;
  HWND Window = nullptr;
};

