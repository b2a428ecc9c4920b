#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "ipc.h"
#include "pump_until.h"
#include "recording_window.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_mappings_list_form.h"
#include "tarnbel_protocol.h"
#include "tarnbel_tools_globals.h"

using namespace ui;
using testsupport::PumpUntil;

namespace {

const std::string MappingsPath = "Software\\tarnbel\\mappings\\";

bool StoredRandom(const std::string& mapping) {
  testsupport::RawValue raw = testsupport::ReadRaw(MappingsPath + mapping, "Random");
  return raw.found && !raw.data.empty() && raw.data[0] != 0;
}

int PayloadFiles() {
  char folder[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((std::string(folder) + "$$$*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int count = 0;
  do ++count;
  while (FindNextFileA(find, &data));
  FindClose(find);
  return count;
}

struct MappingsListTest : ::testing::Test {
  void SetUp() override {
    testsupport::ResetTarnbelKey();
    TRegKey(MappingsPath + "alpha", true).WriteBool("Random", false);
    TRegKey(MappingsPath + "beta", true).WriteString("Priority", "1");  // no Random
    TRegKey(MappingsPath + "gamma", true).WriteBool("Random", true);
  }
  void TearDown() override { ServerLink.reset(); }

  // A press on the row's box, as the mouse gives it.
  static void ClickBox(TCheckListBox* list, int row) {
    RECT r = list->ItemRect(row);
    PostMessageA(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
    PostMessageA(list->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2));
  }
};

TEST_F(MappingsListTest, ChecksFollowRandomAndAMissingOneIsWritten) {
  EXPECT_FALSE(testsupport::ValueExists(MappingsPath + "beta", "Random"));
  auto* form = new TMappingsListForm(nullptr);
  EXPECT_EQ("Mappings", form->Caption());
  TCheckListBox* list = form->CheckListBox1;
  ASSERT_EQ(3, list->Items()->Count());
  EXPECT_EQ("alpha", list->Items()->Strings(0));
  EXPECT_FALSE(list->Checked(0));
  EXPECT_TRUE(list->Checked(1));
  EXPECT_TRUE(list->Checked(2));
  EXPECT_TRUE(StoredRandom("beta"));
  form->Free();

  testsupport::ResetTarnbelKey();
  form = new TMappingsListForm(nullptr);
  EXPECT_EQ(0, form->CheckListBox1->Items()->Count());
  form->Free();
}

TEST_F(MappingsListTest, ABoxChangeIsWrittenThenSentForThatRow) {
  testsupport::TRecordingWindow server("tarnbel_running");
  ServerLink = std::make_unique<TIPCLink>("tarnbel_running", 0);
  auto* form = new TMappingsListForm(nullptr);
  form->Show();
  TCheckListBox* list = form->CheckListBox1;
  list->SetItemIndex(0);

  ClickBox(list, 2);
  ASSERT_TRUE(PumpUntil([&] { return server.Received.size() == 1; }, 3000));
  EXPECT_FALSE(list->Checked(2));
  EXPECT_FALSE(StoredRandom("gamma"));
  EXPECT_FALSE(StoredRandom("alpha"));
  EXPECT_EQ(WM_TB_RANDOM_EXCLUDE, server.Received[0].Id);
  EXPECT_EQ("gamma", server.Received[0].Payload);

  // Space on the selected row.
  list->SetItemIndex(0);
  PostMessageA(list->Handle(), WM_CHAR, ' ', 0);
  ASSERT_TRUE(PumpUntil([&] { return server.Received.size() == 2; }, 3000));
  EXPECT_TRUE(StoredRandom("alpha"));
  EXPECT_EQ(WM_TB_RANDOM_INCLUDE, server.Received[1].Id);
  EXPECT_EQ("alpha", server.Received[1].Payload);
  form->Free();
}

TEST_F(MappingsListTest, WithoutAServerOnlyTheValueIsWritten) {
  ServerLink = std::make_unique<TIPCLink>("tarnbel_running", 0);
  {
    // The link knew a server that has gone since.
    testsupport::TRecordingWindow server("tarnbel_running");
    ASSERT_TRUE(ServerLink->FindPeer());
  }
  int payloads = PayloadFiles();
  auto* form = new TMappingsListForm(nullptr);
  form->Show();
  ClickBox(form->CheckListBox1, 1);
  ASSERT_TRUE(PumpUntil([&] { return !form->CheckListBox1->Checked(1); }, 3000));
  EXPECT_FALSE(StoredRandom("beta"));
  EXPECT_EQ(payloads, PayloadFiles());
  form->Free();
}

}  // namespace
