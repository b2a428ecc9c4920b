#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "dialog_driver.h"
#include "message_box.h"
#include "osc_midi_input.h"
#include "osc_midi_output.h"
#include "pump_until.h"
#include "reg_array.h"
#include "registry_test_support.h"
#include "route_record.h"
#include "standin_support.h"
#include "tarnbel_add_route_form.h"
#include "tarnbel_routes_form.h"
#include "tarnbel_share_memory_form.h"
#include "vendor_library.h"
#include "virtual_midi_bus.h"

using namespace ui;
using testsupport::StandinConfig;
using testsupport::DialogDriver;

namespace {

const bool standinReleaserSet = (testsupport::SetStandinReleaser(&ReleaseVendorLibraries), true);

const char* const TwoDevices = "sfman.device=general,2097152,Synth One\nsfman.device=general,2097152,Synth Two\n";

std::string Route(const std::string& in, const std::string& out, const std::string& device, const char* state) {
  return in + '\x01' + out + '\x01' + device + '\x01' + state;
}

void StoreRoutes(const std::vector<std::string>& routes) {
  TRegArray array(RoutesPath, false);
  array.Clear();
  array.AddStrings(routes);
  array.Save();
  array.SaveOnDestroy = false;
}

std::vector<std::string> StoredList(const char* path) {
  TRegArray array(path, true);
  array.SaveOnDestroy = false;
  return array.Items();
}

// Records every box from any thread's view; the GUI thread shows them.
struct BoxLog {
  std::mutex Lock;
  std::vector<std::string> Texts;
  TMessageBoxHandler Previous;
  BoxLog() {
    Previous = SetMessageBoxHandler([this](const std::string& text, const std::string&, UINT) {
      std::lock_guard<std::mutex> hold(Lock);
      Texts.push_back(text);
      return IDOK;
    });
  }
  ~BoxLog() { SetMessageBoxHandler(Previous); }
  size_t Count() {
    std::lock_guard<std::mutex> hold(Lock);
    return Texts.size();
  }
};

struct RoutesTest : ::testing::Test {
  void SetUp() override {
    testsupport::ResetTarnbelKey();
    UseMidiApi(VirtualMidiApi());
    TVirtualMidiBus::RemoveAllPorts();
  }
  void TearDown() override {
    TVirtualMidiBus::RemoveAllPorts();
    SetMidiApi(WinmmMidiApi());
  }
};

MMRESULT WINAPI FirstInputCapsFail(UINT_PTR id, LPMIDIINCAPSA caps, UINT size) {
  return id == 0 ? MMSYSERR_NODRIVER : VirtualMidiApi().InGetDevCapsA(id, caps, size);
}

UINT CheckState(HWND list, int row) {
  return (UINT(SendMessageA(list, LVM_GETITEMSTATE, WPARAM(row), LVIS_STATEIMAGEMASK)) >> 12) - 1;
}

void SetRowState(HWND list, int row, UINT mask, UINT state) {
  LVITEMA item{};
  item.stateMask = mask;
  item.state = state;
  SendMessageA(list, LVM_SETITEMSTATE, WPARAM(row), reinterpret_cast<LPARAM>(&item));
}

std::string RowText(HWND list, int row, int column) {
  char text[256] = {};
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(list, LVM_GETITEMTEXTA, WPARAM(row), reinterpret_cast<LPARAM>(&item));
  return text;
}

int RowCount(HWND list) { return int(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

TEST_F(RoutesTest, DeviceNamesWithAndWithoutNumbers) {
  TVirtualMidiBus::AddInput("Keys");
  TVirtualMidiBus::AddInput("Pads");
  TVirtualMidiBus::AddOutput("Synth");
  std::vector<std::string> names{"stale"};
  TOSC_MIDIInput input;
  input.GetDeviceNames(names, false);
  EXPECT_EQ((std::vector<std::string>{"Keys", "Pads"}), names);
  input.GetDeviceNames(names, true);
  EXPECT_EQ((std::vector<std::string>{"0 Keys", "1 Pads"}), names);
  TOSC_MIDIOutput output;
  output.GetDeviceNames(names, true);
  EXPECT_EQ((std::vector<std::string>{"0 Synth"}), names);

  // A device whose capabilities cannot be read is left out; the numbers stay the devices' own.
  TMidiApi failing = VirtualMidiApi();
  failing.InGetDevCapsA = &FirstInputCapsFail;
  SetMidiApi(failing);
  input.GetDeviceNames(names, true);
  EXPECT_EQ((std::vector<std::string>{"1 Pads"}), names);

  SetMidiApi(WinmmMidiApi());
  input.GetDeviceNames(names, false);
  EXPECT_TRUE(names.empty());
}

TEST_F(RoutesTest, RouteDialogListsAndTheOKRule) {
  TVirtualMidiBus::AddInput("Keys");
  TVirtualMidiBus::AddInput("Pads");
  TVirtualMidiBus::AddOutput("Synth");
  StandinConfig config(
      "sfman.device=general,2097152,Alpha Synth\nsfman.device=general,2097152,KEYS\n"
      "sfman.device=general,2097152,Beta Synth\n");
  auto* dialog = new TAddRouteForm(nullptr);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  dialog->FillDeviceLists();
  QueryPerformanceCounter(&end);
  std::printf("FillDeviceLists: %.1f ms\n", double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));

  HWND window = dialog->Handle();
  std::vector<HWND> lists = DialogDriver::Children(window, "TComboBox");
  ASSERT_EQ(3u, lists.size());
  EXPECT_EQ((std::vector<std::string>{"[none]", "Keys", "Pads"}), DialogDriver::ComboItems(lists[0]));
  EXPECT_EQ((std::vector<std::string>{"[none]", "Synth"}), DialogDriver::ComboItems(lists[1]));
  // Reversed, and the device named like a MIDI input left out.
  EXPECT_EQ((std::vector<std::string>{"[none]", "Beta Synth", "Alpha Synth"}), DialogDriver::ComboItems(lists[2]));
  for (HWND list : lists) EXPECT_EQ("[none]", DialogDriver::ComboText(list));
  HWND ok = DialogDriver().Button(window, "OK");
  EXPECT_FALSE(IsWindowEnabled(ok));

  DialogDriver driver;
  driver.Choose(window, lists[0], "Keys");
  EXPECT_FALSE(IsWindowEnabled(ok));  // an input alone
  driver.Choose(window, lists[2], "Alpha Synth");
  EXPECT_TRUE(IsWindowEnabled(ok));
  driver.Choose(window, lists[2], "[none]");
  driver.Choose(window, lists[1], "Synth");
  EXPECT_TRUE(IsWindowEnabled(ok));
  driver.Choose(window, lists[0], "[none]");
  EXPECT_FALSE(IsWindowEnabled(ok));  // no input: never
  dialog->Free();
}

TEST_F(RoutesTest, WithoutPortsOrDevicesOnlyNone) {
  SetMidiApi(WinmmMidiApi());
  testsupport::StandinRemoved noManager("SFMAN32.DLL");
  StandinConfig config("");
  auto* dialog = new TAddRouteForm(nullptr);
  dialog->FillDeviceLists();
  for (TComboBox* list : {dialog->MIDIInComboBox, dialog->MIDIOutComboBox, dialog->SFDeviceComboBox}) {
    ASSERT_EQ(1, list->Items()->Count());
    EXPECT_EQ("[none]", list->Items()->Strings(0));
  }
  dialog->Free();
}

TEST_F(RoutesTest, ClosingRefusedOnlyForSharedPorts) {
  const std::string inputClash = "MIDI Input device \"Keys\" can not be used more than in one route. "
                                 "Uncheck one of the appropriate routes";
  struct Case {
    std::vector<std::string> Routes;
    std::string Box;
  } cases[] = {
      {{Route("Keys", "A", "[none]", "[active]"), Route("Keys", "B", "[none]", "[active]")}, inputClash},
      {{Route("Keys", "A", "[none]", "[active]"), Route("Keys", "B", "[none]", "[passive]")}, ""},
      {{Route("Keys", "A", "Dev", "[active]"), Route("Pads", "A", "Dev", "[active]")},
       "MIDI Output device \"A\" can not be used more than in one route. Uncheck one of the appropriate routes"},
      {{Route("Keys", "[none]", "Dev", "[active]"), Route("Pads", "[none]", "Dev", "[active]")}, ""},
      {{Route("[none]", "A", "[none]", "[active]"), Route("[none]", "B", "[none]", "[active]")}, ""},
  };
  for (const Case& c : cases) {
    StoreRoutes(c.Routes);
    BoxLog boxes;
    auto* form = new TRoutesForm(nullptr);
    form->LoadList();
    form->Show();
    PostMessageA(form->Handle(), WM_CLOSE, 0, 0);
    testsupport::PumpUntil([&] { return !IsWindowVisible(form->Handle()) || boxes.Count() > 0; }, 3000);
    if (c.Box.empty()) {
      EXPECT_FALSE(IsWindowVisible(form->Handle())) << c.Routes[0];
      EXPECT_EQ(0u, boxes.Count());
    } else {
      EXPECT_TRUE(IsWindowVisible(form->Handle()));
      ASSERT_EQ(1u, boxes.Count()) << c.Routes[0];
      EXPECT_EQ(c.Box, boxes.Texts[0]);
    }
    form->Free();
    EXPECT_EQ(nullptr, RoutesArray);
    EXPECT_EQ(c.Routes, StoredList(RoutesPath));  // nothing written without Save
  }
}

TEST_F(RoutesTest, AddEditRemoveAndSaveThroughTheDialogs) {
  for (const char* name : {"Keys", "Pads", "Drums"}) TVirtualMidiBus::AddInput(name);
  TVirtualMidiBus::AddOutput("Synth");
  StandinConfig config(TwoDevices);
  StoreRoutes({Route("Keys", "Synth", "[none]", "[passive]"), "Broken\x01Only",
               Route("Pads", "OldSynth", "[none]", "[active]"), Route("Keys", "[none]", "Synth Two", "[passive]")});
  BoxLog boxes;
  auto* form = new TRoutesForm(nullptr);
  form->LoadList();
  DialogDriver driver;
  driver.Run(
      [&] {
        HWND routes = driver.WaitFor("tarnbel routes");
        // Taken here: a modal form's windows are made again for their owner.
        HWND list = DialogDriver::Children(routes, "TListView").at(0);
        driver.Check(RowCount(list) == 4, "four rows");
        driver.Check(RowText(list, 1, 1) == "Broken" && RowText(list, 1, 2) == "Only", "damaged route shown");
        driver.Check(CheckState(list, 0) == 0 && CheckState(list, 2) == 1, "check marks from the states");
        SetRowState(list, 0, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(2));

        driver.Click(routes, "Add...");
        HWND add = driver.WaitFor("choose route:");
        std::vector<HWND> lists = DialogDriver::Children(add, "TComboBox");
        driver.Choose(add, lists[0], "Drums");
        driver.Choose(add, lists[1], "Synth");
        driver.Choose(add, lists[2], "Synth One");
        driver.Click(add, "OK");
        driver.WaitGone("choose route:");
        driver.Check(DialogDriver::Until([&] { return RowCount(list) == 5; }, 3000), "row added");
        driver.Check(CheckState(list, 0) == 1 && CheckState(list, 2) == 1 && CheckState(list, 4) == 1,
                     "check marks kept on Add");
        driver.Check(StoredList(RoutesPath).size() == 4, "nothing stored before Save");

        // Edit: the output is gone, so its list stays unselected and the old name is kept.
        SetRowState(list, 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        driver.Click(routes, "Edit...");
        HWND edit = driver.WaitFor("choose route:");
        lists = DialogDriver::Children(edit, "TComboBox");
        driver.Check(DialogDriver::ComboText(lists[0]) == "Pads", "input selected");
        driver.Check(SendMessageA(lists[1], CB_GETCURSEL, 0, 0) == -1, "gone output unselected");
        driver.Check(!IsWindowEnabled(driver.Button(edit, "OK")), "OK needs an output or a device");
        driver.Choose(edit, lists[2], "Synth One");
        driver.Check(IsWindowEnabled(driver.Button(edit, "OK")), "OK with a device");
        driver.Click(edit, "OK");
        driver.WaitGone("choose route:");
        driver.Check(DialogDriver::Until([&] { return RowText(list, 2, 3) == "Synth One"; }, 3000),
                     "row shown again");

        // Remove without a selection does nothing; with one, that row goes.
        SetRowState(list, -1, LVIS_SELECTED | LVIS_FOCUSED, 0);
        driver.Click(routes, "Remove");
        SetRowState(list, 3, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        driver.Click(routes, "Remove");
        driver.Check(DialogDriver::Until([&] { return RowCount(list) == 4; }, 3000), "row removed");
        driver.Check(RowText(list, 3, 1) == "Drums", "the selected row went");

        // Keys and Drums both checked on Synth: closing is refused with the box.
        list = DialogDriver::Children(routes, "TListView").at(0);
        driver.Click(routes, "Close");
        driver.Check(DialogDriver::Until([&] { return boxes.Count() == 1; }, 3000), "clash box");
        driver.Check(DialogDriver::Visible("tarnbel routes") != nullptr, "stays open");
        SetRowState(list, 0, LVIS_STATEIMAGEMASK, INDEXTOSTATEIMAGEMASK(1));
        PostMessageA(routes, WM_KEYDOWN, VK_ESCAPE, 0);
        driver.WaitGone("tarnbel routes");
      },
      [&] { form->ShowModal(); }, {"choose route:", "tarnbel routes"});
  for (const std::string& failure : driver.Failures) ADD_FAILURE() << failure;
  ASSERT_EQ(1u, boxes.Count());
  EXPECT_EQ("MIDI Output device \"Synth\" can not be used more than in one route. Uncheck one of the appropriate routes",
            boxes.Texts[0]);
  form->Save();
  form->Free();
  EXPECT_EQ((std::vector<std::string>{Route("Keys", "Synth", "[none]", "[passive]"), "Broken\x01Only",
                                      Route("Pads", "OldSynth", "Synth One", "[active]"),
                                      Route("Drums", "Synth", "Synth One", "[active]")}),
            StoredList(RoutesPath));
}

TEST_F(RoutesTest, SharedMemoryDialog) {
  StandinConfig config(TwoDevices);
  {
    TRegArray stored(ShareMemoryPath, false);
    stored.Clear();
    stored.AddStrings({"Synth One", "Synth Two"});
    stored.Save();
    stored.SaveOnDestroy = false;
  }
  struct Run {
    std::vector<int> Selection;
    const char* Button;
    std::vector<std::string> Stored;
  } runs[] = {
      {{0}, "Cancel", {"Synth One", "Synth Two"}},  // Cancel writes nothing
      {{0}, "Ok", {}},                                            // one device alone: an empty list
      {{0, 1}, "Ok", {"Synth One", "Synth Two"}},
  };
  for (const Run& run : runs) {
    auto* form = new TShareMemoryForm(nullptr);
    form->FillList();
    DialogDriver driver;
    driver.Run(
        [&] {
          HWND dialog = driver.WaitFor("select sf devices sharing the same memory:");
          HWND list = DialogDriver::Children(dialog, "TListBox").at(0);
          char first[64] = {};
          SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
          driver.Check(std::string(first) == "Synth Two", "devices from the last to the first");
          SendMessageA(list, LB_SETSEL, FALSE, -1);
          for (int index : run.Selection) SendMessageA(list, LB_SETSEL, TRUE, index);
          driver.Click(dialog, run.Button);
          driver.WaitGone("select sf devices sharing the same memory:");
        },
        [&] { form->ShowModal(); }, {"select sf devices sharing the same memory:"});
    for (const std::string& failure : driver.Failures) ADD_FAILURE() << failure;
    form->Free();
    EXPECT_EQ(run.Stored, StoredList(ShareMemoryPath)) << run.Button;
  }
  // Stored names come back selected.
  auto* form = new TShareMemoryForm(nullptr);
  form->FillList();
  EXPECT_EQ(2, form->ListBox1->SelCount());
  form->Free();
}

}  // namespace
