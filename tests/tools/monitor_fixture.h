#pragma once
// The monitor made as the program makes it, shown, with helpers that feed it the server's reports and
// press keys in it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "list_view.h"
#include "presets_in_cache_form.h"
#include "protocol_payloads.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"
#include "tools_test_support.h"

namespace toolstest {

class Monitor : public ToolsFixture {
 protected:
  TPresetsInCacheForm* M() { return PresetsInCacheForm; }
  ui::TListItems& Rows() { return M()->ListView1->Items(); }

  void Start() {
    StartTools({"-"});
    PostToTools(WM_TB_SHOW_MONITOR);
    ASSERT_TRUE(M()->Visible());
  }
  void SendRecords(const std::vector<CachedPresetRecord>& records) {
    PostToTools(WM_TB_CACHE_COUNT, 0, LPARAM(records.size()));
    std::vector<uint8_t> bytes = EncodeCachedPresetRecords(records);
    ASSERT_TRUE(ToTools->SendData(bytes.data(), bytes.size(), WM_TB_CACHE_LIST, 0));
    ASSERT_TRUE(RunUntil([&] { return M()->CachedPresets().size() == records.size(); }));
  }
  void SendRoutes(const std::vector<std::string>& routes) {
    ASSERT_TRUE(ToTools->SendString(EncodeRouteList(true, routes), WM_TB_ROUTE_LIST));
    ASSERT_TRUE(RunUntil([&] { return M()->Routes().size() == routes.size() + 1; }));
  }
  void ClickHeader(int column) { M()->ListView1->OnColumnClick(M()->ListView1, M()->ListView1->Columns()->Items(column)); }
  std::vector<std::string> Column(int c) {
    std::vector<std::string> texts;
    for (int i = 0; i < Rows().Count(); ++i) texts.push_back(Rows()[i]->ColumnText(c));
    return texts;
  }
  // Posts a key to the list with the modifiers held in the thread's key state.
  void Press(WORD key, std::initializer_list<int> modifiers = {}) {
    BYTE saved[256], state[256];
    GetKeyboardState(saved);
    memcpy(state, saved, sizeof state);
    for (int k : modifiers) state[k] = 0x80;
    SetKeyboardState(state);
    PostMessageA(M()->ListView1->Handle(), WM_KEYDOWN, key, 0);
    RunFor(30);
    SetKeyboardState(saved);
  }
  std::vector<std::pair<WPARAM, LPARAM>> Unloads(size_t from) {
    std::vector<std::pair<WPARAM, LPARAM>> result;
    for (size_t i = from; i < Server->Received.size(); ++i)
      if (Server->Received[i].Id == WM_TB_UNLOAD_PRESET)
        result.emplace_back(Server->Received[i].WParam, Server->Received[i].LParam);
    return result;
  }
};

}  // namespace toolstest
