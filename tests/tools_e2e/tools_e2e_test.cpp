// The real tb_tools.exe, driven from outside as the server and a second start meet it.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "ipc.h"
#include "peer_programs.h"
#include "program_process.h"
#include "pump_until.h"
#include "recording_window.h"
#include "registry_internal.h"
#include "registry_test_support.h"
#include "tarnbel_func.h"
#include "tarnbel_protocol.h"

using testsupport::TRecordingWindow;

namespace {

const DWORD kStartMs = 20000;  // a first Wine start of a program may be slow on a busy machine

bool Pump(const std::function<bool()>& done, DWORD timeoutMs = kStartMs) {
  return testsupport::PumpUntil(done, timeoutMs);
}

class ToolsE2E : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::EndToolsPrograms()) << "a tools program from an earlier run does not end";
    testsupport::ResetTarnbelKey();
  }
  void TearDown() override {
    Tools.Stop();
    Second.Stop();
    Server.Stop();
    testsupport::EndToolsPrograms();
    ServerStandIn.reset();
    ToolsStandIn.reset();
    testsupport::ResetTarnbelKey();
  }

  void StandInForServer() { ServerStandIn = std::make_unique<TRecordingWindow>(SERVER_WINDOW_TITLE); }

  HWND WindowOf(const e2e::TProgramProcess& program, const std::string& title, const std::string& cls = "") {
    return testsupport::FindWindowOf(program.ProcessId(), cls, title);
  }
  // Waits for the program's window with that title; null when none came.
  HWND WaitWindow(const e2e::TProgramProcess& program, const std::string& title, DWORD timeoutMs = kStartMs) {
    HWND found = nullptr;
    Pump([&] { return (found = WindowOf(program, title)) != nullptr; }, timeoutMs);
    return found;
  }
  bool WaitReceived(TRecordingWindow& window, UINT id, DWORD timeoutMs = kStartMs) {
    return Pump([&] { return window.Count(id) > 0; }, timeoutMs);
  }
  // The program ends by itself with the code; its top-level windows are never seen meanwhile.
  void ExpectEndsWindowless(e2e::TProgramProcess& program, DWORD expectedCode) {
    DWORD code = 99;
    bool sawWindow = false;
    Pump([&] {
      sawWindow = sawWindow || !testsupport::TopLevelWindowsOf(program.ProcessId()).empty();
      return !program.Running();
    });
    EXPECT_FALSE(sawWindow);
    ASSERT_TRUE(program.WaitExit(1000, code));
    EXPECT_EQ(code, expectedCode);
  }
  // The program keeps answering its window's messages.
  static bool Answers(HWND window) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &result) != 0;
  }

  e2e::TProgramProcess Tools, Second, Server;
  std::unique_ptr<TRecordingWindow> ServerStandIn, ToolsStandIn;
};

}  // namespace

TEST_F(ToolsE2E, APlainStartShowsTheMonitorGreetsTheServerAndSaysGoodbye) {
  StandInForServer();
  ASSERT_TRUE(Tools.Start("tb_tools.exe"));
  HWND launcher = WaitWindow(Tools, TOOLS_WINDOW_TITLE);
  DWORD toWindow = GetTickCount() - Tools.StartTick();
  ASSERT_NE(launcher, nullptr);
  ASSERT_TRUE(WaitReceived(*ServerStandIn, WM_TB_TOOLS_HELLO));
  DWORD toHello = GetTickCount() - Tools.StartTick();
  HWND monitor = WaitWindow(Tools, "tarnbel monitor");
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(Pump([&] { return IsWindowVisible(monitor) != FALSE; }));
  EXPECT_FALSE(IsWindowVisible(launcher)) << "the splash is gone";
  EXPECT_NE(WindowOf(Tools, "tarnbel tools", "TApplication"), nullptr);
  ASSERT_TRUE(WaitReceived(*ServerStandIn, WM_TB_GET_STATE));
  EXPECT_EQ(ServerStandIn->Ids(), (std::vector<UINT>{WM_TB_TOOLS_HELLO, WM_TB_GET_ROUTES, WM_TB_GET_CURRENT_ROUTE,
                                                     WM_TB_GET_CACHE_INFO, WM_TB_GET_FILE_NAME, WM_TB_GET_FILE_TEXT,
                                                     WM_TB_GET_STATE}));
  EXPECT_EQ(GetForegroundWindow(), monitor);
  std::cout << "[ figures  ] start to the tools window " << toWindow << " ms, to WM_TB_TOOLS_HELLO " << toHello
            << " ms\n";

  // Closing the monitor with nothing else open ends the program.
  PostMessageA(monitor, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Tools.WaitExit(kStartMs, code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitReceived(*ServerStandIn, WM_TB_TOOLS_BYE, 2000));
  EXPECT_EQ(ServerStandIn->Received.back().Id, WM_TB_TOOLS_BYE);
}

TEST_F(ToolsE2E, ASecondStartBringsTheFirstForwardAndEndsWithoutAWindow) {
  ASSERT_TRUE(Tools.Start("tb_tools.exe"));
  HWND monitor = WaitWindow(Tools, "tarnbel monitor");
  ASSERT_NE(monitor, nullptr);
  ASSERT_TRUE(Pump([&] { return IsWindowVisible(monitor) != FALSE; }));
  // Something else has the foreground first.
  TRecordingWindow other("tools e2e other window");
  ShowWindow(other.Handle(), SW_SHOW);
  SetForegroundWindow(other.Handle());
  Pump([&] { return GetForegroundWindow() == other.Handle(); }, 2000);

  ASSERT_TRUE(Second.Start("tb_tools.exe"));
  ExpectEndsWindowless(Second, 0);
  DWORD refusal = GetTickCount() - Second.StartTick();
  EXPECT_TRUE(Pump([&] { return GetForegroundWindow() == monitor; }, 5000));
  std::cout << "[ figures  ] second start refused in " << refusal << " ms\n";

  // With a set-up switch the first shows the refusal in its "tarnbel" box.
  ASSERT_TRUE(Second.Start("tb_tools.exe", "-Install"));
  ExpectEndsWindowless(Second, 1);
  HWND box = nullptr;
  ASSERT_TRUE(Pump([&] { return (box = testsupport::FindWindowOf(Tools.ProcessId(), "#32770", "tarnbel")) != nullptr; }));
  std::string text;
  Pump([&] {
    text.clear();
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
      if (testsupport::WindowClass(child) == "Static") text += testsupport::WindowTitle(child);
    // The box may be read before its text is all set.
    return text.find("Quit tarnbel") != std::string::npos;
  }, 5000);
  EXPECT_NE(text.find("Installer can't work while tarnbel is running. Quit tarnbel and run install program again."),
            std::string::npos)
      << text;
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(Pump([&] { return !IsWindow(box); }, 5000));
  EXPECT_TRUE(Answers(monitor));
  EXPECT_TRUE(Tools.Running());
}

TEST_F(ToolsE2E, ASecondStartPostsItsIdsToTheRunningWindow) {
  ToolsStandIn = std::make_unique<TRecordingWindow>(TOOLS_WINDOW_TITLE);
  ASSERT_TRUE(Second.Start("tb_tools.exe"));
  ExpectEndsWindowless(Second, 0);
  ASSERT_TRUE(Second.Start("tb_tools.exe", "-uninstall"));
  ExpectEndsWindowless(Second, 1);
  Pump([&] { return ToolsStandIn->Received.size() >= 3; }, 2000);
  EXPECT_EQ(ToolsStandIn->Ids(), (std::vector<UINT>{WM_TB_TOOLS_ACTIVATE, WM_TB_TOOLS_ACTIVATE, WM_TB_INSTALLER_BLOCKED}));
}

// An unrefused switch installs: the installer suite runs those in a prefix of its own.
TEST_F(ToolsE2E, SetUpSwitchesAreRefusedWhileTheServerRuns) {
  StandInForServer();
  ASSERT_TRUE(Second.Start("tb_tools.exe", "-UNINSTALL"));
  ExpectEndsWindowless(Second, 1);
  EXPECT_TRUE(WaitReceived(*ServerStandIn, WM_TB_INSTALLER_RUNNING, 2000));
}

TEST_F(ToolsE2E, ParametersOpenTheEditorOrStartHidden) {
  StandInForServer();
  // A mapping named: the editor opens on it (a new one is made); closed, it leaves nothing open and the
  // program ends.
  ASSERT_TRUE(Tools.Start("tb_tools.exe", "/EDITOR Strings"));
  HWND editor = WaitWindow(Tools, "tarnbel editor - Strings");
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(Pump([&] { return IsWindowVisible(editor) != FALSE; }));
  EXPECT_TRUE(testsupport::KeyExists(std::string(TarnbelKeyPath) + "\\mappings\\Strings"));
  PostMessageA(editor, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Tools.WaitExit(kStartMs, code));
  EXPECT_EQ(code, 0u);
  Pump([&] { return ServerStandIn->Count(WM_TB_TOOLS_BYE) > 0; }, 2000);
  EXPECT_EQ(ServerStandIn->Ids(), (std::vector<UINT>{WM_TB_TOOLS_HELLO, WM_TB_MAPPINGS_CHANGED, WM_TB_PREVIEW_OFF,
                                                     WM_TB_TOOLS_BYE}));

  // No name: the user is asked for one; Cancel opens nothing and the program ends (the editor made for the
  // question, freed, turns the preview off as every editor does).
  ServerStandIn->Received.clear();
  ASSERT_TRUE(Tools.Start("tb_tools.exe", "-editor"));
  HWND dialog = WaitWindow(Tools, "choose mapping to edit:"), cancel = nullptr;
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(Pump([&] {
    cancel = FindWindowExA(dialog, nullptr, "TButton", "Cancel");
    return cancel && IsWindowVisible(dialog);
  }));
  PostMessageA(cancel, BM_CLICK, 0, 0);
  ASSERT_TRUE(Tools.WaitExit(kStartMs, code));
  EXPECT_EQ(code, 0u);
  Pump([&] { return ServerStandIn->Count(WM_TB_TOOLS_BYE) > 0; }, 2000);
  EXPECT_EQ(ServerStandIn->Ids(), (std::vector<UINT>{WM_TB_TOOLS_HELLO, WM_TB_PREVIEW_OFF, WM_TB_TOOLS_BYE}));

  // "-", unknown, empty and very long parameters: started hidden, waiting for the server's requests.
  const std::string longParam(10000, 'x');
  for (const std::string& params : {std::string("-"), std::string("--bogus /x"), std::string("\"\""), longParam}) {
    ASSERT_TRUE(Tools.Start("tb_tools.exe", params));
    HWND launcher = WaitWindow(Tools, TOOLS_WINDOW_TITLE);
    ASSERT_NE(launcher, nullptr) << params.substr(0, 20);
    HWND monitor = WaitWindow(Tools, "tarnbel monitor");
    ASSERT_NE(monitor, nullptr);
    // Answering, it has finished its start-up and runs its loop (a fixed pause lost the race on a busy machine).
    EXPECT_TRUE(Answers(launcher));
    testsupport::PumpFor(200);
    EXPECT_FALSE(IsWindowVisible(monitor));
    EXPECT_FALSE(IsWindowVisible(launcher)) << "no splash left up";
    EXPECT_TRUE(Tools.Running());
    // Started this way it follows the server: the server's stop ends it.
    PostMessageA(launcher, WM_TB_SERVER_STOPPED, 0, 0);
    DWORD code = 99;
    EXPECT_TRUE(Tools.WaitExit(kStartMs, code)) << params.substr(0, 20);
    EXPECT_EQ(code, 0u);
  }
}

TEST_F(ToolsE2E, TheRealServerStartsTheToolsProgramAndItsExitEndsIt) {
  {
    TRegKey settings(TarnbelKeyPath, true);
    settings.WriteBool("ShowMonitor", true);
  }
  ASSERT_TRUE(Server.Start("tarnbel.exe"));
  HWND monitor = nullptr;
  DWORD toolsPid = 0;
  ASSERT_TRUE(Pump([&] {
    monitor = FindWindowA(nullptr, "tarnbel monitor");
    return monitor && IsWindowVisible(monitor);
  }));
  GetWindowThreadProcessId(monitor, &toolsPid);
  EXPECT_NE(toolsPid, Server.ProcessId());
  HANDLE tools = OpenProcess(SYNCHRONIZE, FALSE, toolsPid);
  ASSERT_NE(tools, nullptr);
  // ShowPreferences is on by default: the preferences come up beside the monitor.
  EXPECT_TRUE(Pump([] { return FindWindowA(nullptr, "tarnbel preferences") != nullptr; }));
  EXPECT_EQ(WaitForSingleObject(tools, 0), DWORD(WAIT_TIMEOUT));

  Server.Stop();
  EXPECT_TRUE(Pump([&] { return WaitForSingleObject(tools, 0) == WAIT_OBJECT_0; }));
  CloseHandle(tools);
}

TEST_F(ToolsE2E, StartedByTheUserWithoutServerItOutlivesAServer) {
  {
    TRegKey settings(TarnbelKeyPath, true);
    for (const char* show : {"ShowControlPanel", "ShowMonitor", "ShowMappingsEditor", "ShowPreferences"})
      settings.WriteBool(show, false);
  }
  ASSERT_TRUE(Tools.Start("tb_tools.exe"));
  HWND monitor = WaitWindow(Tools, "tarnbel monitor");
  ASSERT_NE(monitor, nullptr);
  ASSERT_TRUE(Pump([&] { return IsWindowVisible(monitor) != FALSE; }));
  ASSERT_TRUE(Server.Start("tarnbel.exe"));
  ASSERT_TRUE(Pump([&] { return FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE) != nullptr; }));
  Server.Stop();
  testsupport::PumpFor(500);
  EXPECT_TRUE(Tools.Running());
  EXPECT_TRUE(IsWindowVisible(monitor));
}

TEST_F(ToolsE2E, BadInputNeitherCrashesNorHangsIt) {
  StandInForServer();
  ASSERT_TRUE(Tools.Start("tb_tools.exe"));
  HWND launcher = WaitWindow(Tools, TOOLS_WINDOW_TITLE);
  ASSERT_NE(launcher, nullptr);
  HWND monitor = WaitWindow(Tools, "tarnbel monitor");
  ASSERT_TRUE(WaitReceived(*ServerStandIn, WM_TB_GET_STATE));

  for (UINT id : {UINT(WM_USER), UINT(1034), UINT(1300), UINT(0x7FFF), UINT(WM_TB_SELECT_ROUTE)})
    PostMessageA(launcher, id, 0x1234, 0x5678);
  for (WPARAM junk : {WPARAM(0), WPARAM(1), WPARAM(0xBFFF), WPARAM(0x10000), static_cast<WPARAM>(-1)})
    for (UINT id : {WM_TB_CACHE_LIST, WM_TB_ROUTE_LIST, WM_TB_FILE_TEXT, WM_TB_FILE_NAME})
      PostMessageA(launcher, id, junk, 0);
  PostMessageA(launcher, WM_TB_CACHE_COUNT, 0, 0x7FFFFFFF);
  PostMessageA(launcher, WM_TB_CACHE_MAX, 0, static_cast<LPARAM>(static_cast<int32_t>(0x80000000u)));
  PostMessageA(launcher, WM_TB_NOTE_ON_LAMP, 99, 0xFFFFFFFF);
  PostMessageA(launcher, WM_TB_CURRENT_ROUTE, 0, 0x7FFFFFFF);
  EXPECT_TRUE(Answers(launcher));

  // The server's window goes away mid-run: the requests of a show find nobody, and nothing waits.
  ServerStandIn.reset();
  PostMessageA(launcher, WM_TB_SHOW_MONITOR, 0, 0);
  PostMessageA(launcher, WM_TB_SERVER_BUSY, 0, 0);
  EXPECT_TRUE(Answers(launcher));
  EXPECT_TRUE(Answers(monitor));
  EXPECT_TRUE(Tools.Running());

  PostMessageA(monitor, WM_CLOSE, 0, 0);
  DWORD code = 99;
  ASSERT_TRUE(Tools.WaitExit(kStartMs, code));
  EXPECT_EQ(code, 0u);
}

namespace {

// The child of a window with that exact text (the about box's close button).
HWND ChildWithText(HWND parent, const std::string& text) {
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (testsupport::WindowTitle(child) == text) return child;
  return nullptr;
}

// Escape in the about box closes it; the program, shown nothing else, ends.
void CloseAboutBoxWithEscape(HWND about, HANDLE process) {
  HWND button = ChildWithText(about, "Close");
  ASSERT_NE(button, nullptr);
  PostMessageA(button, WM_KEYDOWN, VK_ESCAPE, 1);
  PostMessageA(button, WM_KEYUP, VK_ESCAPE, 0xC0000001);
  EXPECT_TRUE(Pump([&] { return !IsWindow(about); })) << "the monitor frees the box";
  EXPECT_TRUE(Pump([&] { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }));
  DWORD code = 99;
  GetExitCodeProcess(process, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace

TEST_F(ToolsE2E, TheAboutBoxOpensOnRequestAndItsEscapeEndsAProgramStartedHidden) {
  StandInForServer();
  ASSERT_TRUE(Tools.Start("tb_tools.exe", "-"));
  HWND launcher = WaitWindow(Tools, TOOLS_WINDOW_TITLE);
  ASSERT_NE(launcher, nullptr);
  PostMessageA(launcher, WM_TB_SHOW_ABOUT, 0, 0);
  HWND about = WaitWindow(Tools, "about tarnbel");
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(Pump([&] { return IsWindowVisible(about) != FALSE; }));
  RECT client{};
  GetClientRect(about, &client);
  EXPECT_EQ(client.right, 384);
  EXPECT_EQ(client.bottom, 380);
  EXPECT_EQ(GetWindowLongA(about, GWL_STYLE) & WS_CAPTION, 0) << "borderless";
  // Asked again while it is open: still one box.
  PostMessageA(launcher, WM_TB_SHOW_ABOUT, 0, 0);
  testsupport::PumpFor(200);
  int boxes = 0;
  for (HWND window : testsupport::TopLevelWindowsOf(Tools.ProcessId()))
    if (testsupport::WindowTitle(window) == "about tarnbel") ++boxes;
  EXPECT_EQ(boxes, 1);

  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, Tools.ProcessId());
  ASSERT_NE(process, nullptr);
  CloseAboutBoxWithEscape(about, process);
  CloseHandle(process);
}

TEST_F(ToolsE2E, TheServersTrayAboutStartsTheToolsProgramWithItsAboutBox) {
  {
    TRegKey settings(TarnbelKeyPath, true);
    for (const char* show : {"ShowControlPanel", "ShowMonitor", "ShowMappingsEditor", "ShowPreferences"})
      settings.WriteBool(show, false);
  }
  ASSERT_TRUE(Server.Start("tarnbel.exe"));
  HWND server = nullptr;
  ASSERT_TRUE(Pump([&] { return (server = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE)) != nullptr; }));
  ASSERT_EQ(FindWindowA(nullptr, TOOLS_WINDOW_TITLE), nullptr) << "nothing asked for the tools yet";

  // The real tray menu: Exit, Turn on, Turn off, then "About..." after the separator.
  PostMessageA(server, WM_TB_TRAY_CALLBACK, 0, WM_RBUTTONDOWN);
  HWND menu = nullptr;
  ASSERT_TRUE(Pump([&] { return (menu = testsupport::FindWindowOf(Server.ProcessId(), "#32768", "")) != nullptr &&
                                IsWindowVisible(menu); }));
  for (int i = 0; i < 4; ++i) PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);

  HWND about = nullptr;
  ASSERT_TRUE(Pump([&] { return (about = FindWindowA(nullptr, "about tarnbel")) != nullptr && IsWindowVisible(about); }));
  DWORD toolsPid = 0;
  GetWindowThreadProcessId(about, &toolsPid);
  EXPECT_NE(toolsPid, Server.ProcessId());
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, toolsPid);
  ASSERT_NE(process, nullptr);
  CloseAboutBoxWithEscape(about, process);
  CloseHandle(process);
  EXPECT_TRUE(Server.Running()) << "the server stays";
}
