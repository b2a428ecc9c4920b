#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "KitNotify.h"
// After windows.h, which it needs.
#include <tlhelp32.h>

#include "application.h"
#include "pump_until.h"
#include "scratch_folder.h"
#include "ui_exceptions.h"

using namespace ui;
using testsupport::PumpUntil;
using testsupport::TScratchFolder;
using testsupport::WriteTextFile;

namespace {

using MonitorPtr = std::unique_ptr<TKitFolderMonitor, TFreeDeleter>;

struct TCalls {
  int Count = 0;
  bool OffGuiThread = false;
  DWORD FirstTick = 0;
};

MonitorPtr Watch(const std::string& folder, int delay, TCalls& calls) {
  MonitorPtr monitor(new TKitFolderMonitor(nullptr));
  monitor->SetDelayTime(delay);
  monitor->SetFolderName(folder);
  DWORD gui = GetCurrentThreadId();
  monitor->OnChange = [&calls, gui](TObject*) {
    if (GetCurrentThreadId() != gui) calls.OffGuiThread = true;
    if (calls.Count++ == 0) calls.FirstTick = GetTickCount();
  };
  monitor->SetActive(true);
  return monitor;
}

// The host's name of a Windows path under Wine.
std::string HostName(const std::string& path) {
  using TUnixName = char*(CDECL*)(LPCWSTR);
  auto unixName = reinterpret_cast<TUnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  WCHAR wide[MAX_PATH];
  if (!unixName || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return std::string();
  char* name = unixName(wide);
  std::string result = name ? name : "";
  if (name) HeapFree(GetProcessHeap(), 0, name);
  return result;
}

bool Launch(const char* program, std::string command) {
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

uintptr_t FreshHandleValue() {
  HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  CloseHandle(event);
  return uintptr_t(event);
}

int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
  CloseHandle(snapshot);
  return count;
}

}  // namespace

TEST(FolderMonitor, ChangesFromThisProcessAnotherProcessAndTheHostReachTheGuiThread) {
  TScratchFolder dir("tb_notify");
  for (const char* sub : {"here", "other", "host"}) ASSERT_TRUE(CreateDirectoryA(dir[sub].c_str(), nullptr));
  TCalls here, other, host;
  MonitorPtr a = Watch(dir["here"], 0, here), b = Watch(dir["other"], 0, other), c = Watch(dir["host"], 0, host);
  ASSERT_TRUE(a->Active() && b->Active() && c->Active());

  ASSERT_TRUE(WriteTextFile(dir["here\\a.txt"], "x"));
  char cmd[MAX_PATH];
  GetSystemDirectoryA(cmd, MAX_PATH);
  ASSERT_TRUE(Launch((std::string(cmd) + "\\cmd.exe").c_str(), "cmd /c echo x > \"" + dir["other\\b.txt"] + "\""));
  std::string hostFolder = HostName(dir["host"]);
  ASSERT_FALSE(hostFolder.empty());
  ASSERT_TRUE(Launch("Z:\\bin\\sh", "/bin/sh -c \"echo x > '" + hostFolder + "/c.txt'\""));

  EXPECT_TRUE(PumpUntil([&] { return here.Count && other.Count && host.Count; }, 10000))
      << here.Count << " " << other.Count << " " << host.Count;
  EXPECT_FALSE(here.OffGuiThread || other.OffGuiThread || host.OffGuiThread);
}

TEST(FolderMonitor, ChangeToOnChangeLatency) {
  TScratchFolder dir("tb_notify");
  TCalls calls;
  MonitorPtr monitor = Watch(dir.Path(), 0, calls);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> ms;
  monitor->OnChange = [&](TObject*) { QueryPerformanceCounter(&end), ++calls.Count; };
  for (int i = 0; i < 50; ++i) {
    calls.Count = 0;
    QueryPerformanceCounter(&start);
    ASSERT_TRUE(WriteTextFile(dir["f" + std::to_string(i)], "x"));
    ASSERT_TRUE(PumpUntil([&] { return calls.Count > 0; }, 5000)) << i;
    ms.push_back(double(end.QuadPart - start.QuadPart) * 1000.0 / double(frequency.QuadPart));
    // Late reports of the same write are not the next write's.
    PumpUntil([&] { return false; }, 20);
  }
  std::sort(ms.begin(), ms.end());
  std::printf("[figure] change to OnChange: median %.2f ms, max %.2f ms over %zu writes\n", ms[ms.size() / 2],
              ms.back(), ms.size());
  EXPECT_LT(ms[ms.size() / 2], 500.0);
}

TEST(FolderMonitor, ADelayGathersABurstIntoOneCallAboutTheDelayAfterTheFirst) {
  TScratchFolder dir("tb_notify");
  TCalls calls;
  MonitorPtr monitor = Watch(dir.Path(), 1000, calls);
  DWORD first = GetTickCount();
  for (int i = 0; i < 10; ++i) {
    ASSERT_TRUE(WriteTextFile(dir["f" + std::to_string(i)], "x"));
    PumpUntil([&] { return GetTickCount() - first >= DWORD(90 * (i + 1)); }, 200);
  }
  EXPECT_EQ(0, calls.Count);
  EXPECT_EQ(1, monitor->ComponentCount());  // the pending delay
  ASSERT_TRUE(PumpUntil([&] { return calls.Count > 0; }, 3000));
  DWORD after = calls.FirstTick - first;
  EXPECT_GE(after, 950u);
  EXPECT_LT(after, 1700u);
  EXPECT_EQ(1, calls.Count);
  EXPECT_EQ(0, monitor->ComponentCount());
  EXPECT_FALSE(calls.OffGuiThread);
}

TEST(FolderMonitor, ChangingTheDelayOfAPendingCallRetimesItAndZeroDropsIt) {
  TScratchFolder dir("tb_notify");
  TCalls calls;
  MonitorPtr monitor = Watch(dir.Path(), 5000, calls);
  ASSERT_TRUE(WriteTextFile(dir["a"], "x"));
  ASSERT_TRUE(PumpUntil([&] { return monitor->ComponentCount() == 1; }, 5000));
  monitor->SetDelayTime(200);
  EXPECT_EQ(200, monitor->DelayTime());
  EXPECT_TRUE(PumpUntil([&] { return calls.Count == 1; }, 2000));

  monitor->SetDelayTime(1000);
  ASSERT_TRUE(WriteTextFile(dir["b"], "x"));
  ASSERT_TRUE(PumpUntil([&] { return monitor->ComponentCount() == 1; }, 5000));
  monitor->SetDelayTime(0);
  EXPECT_EQ(0, monitor->ComponentCount());
  // Well past the dropped call's time.
  TTimer witness(nullptr);
  witness.SetInterval(1500);
  bool witnessed = false;
  witness.OnTimer = [&](TObject*) { witnessed = true; };
  ASSERT_TRUE(PumpUntil([&] { return witnessed; }, 5000));
  EXPECT_EQ(1, calls.Count);
}

TEST(FolderMonitor, StartRules) {
  TScratchFolder dir("tb_notify");
  TCalls calls;
  MonitorPtr monitor = Watch(dir["missing"], 0, calls);
  EXPECT_FALSE(monitor->Active());
  ASSERT_TRUE(WriteTextFile(dir["file"], "x"));
  monitor->SetFolderName(dir["file"]);
  monitor->SetActive(true);
  EXPECT_FALSE(monitor->Active());
  monitor->SetFolderName(dir.Path());
  monitor->SetActive(true);
  EXPECT_TRUE(monitor->Active());
  // An active monitor moved to a missing folder stops.
  monitor->SetFolderName(dir["missing"]);
  EXPECT_FALSE(monitor->Active());

  // No change kinds: the system refuses the watch, and the caller hears why.
  EXPECT_EQ(0x1Bu, ChangeFilterFlags(monitor->Filter()));
  EXPECT_EQ(0x17Fu, ChangeFilterFlags(0xFF));
  monitor->SetFolderName(dir.Path());
  monitor->SetActive(true);
  try {
    monitor->SetFilter(0);
    ADD_FAILURE() << "no error";
  } catch (const EWin32Error& e) {
    EXPECT_NE(0u, e.ErrorCode);
  }
  EXPECT_FALSE(monitor->Active());

  // Loading from a form: Active waits for the end of loading.
  MonitorPtr loaded(new TKitFolderMonitor(nullptr));
  loaded->BeginLoading();
  SetPropValue(*loaded, "FolderName", TPropValue{0, 0, dir.Path(), false, nullptr});
  SetPropValue(*loaded, "Active", TPropValue{1, 0, "", false, nullptr});
  EXPECT_FALSE(loaded->Active());
  loaded->Loaded();
  EXPECT_TRUE(loaded->Active());
}

TEST(FolderMonitor, WatchesASubfolderMadeAfterTheStart) {
  TScratchFolder dir("tb_notify");
  TCalls calls;
  MonitorPtr monitor = Watch(dir.Path(), 0, calls);
  ASSERT_TRUE(CreateDirectoryA(dir["sub"].c_str(), nullptr));
  ASSERT_TRUE(PumpUntil([&] { return calls.Count > 0; }, 5000));
  // Under Wine the watch on a new subfolder may lag behind its creation: write again until a change is seen.
  int before = calls.Count;
  bool seen = false;
  for (int i = 0; i < 20 && !seen; ++i) {
    ASSERT_TRUE(WriteTextFile(dir["sub\\deep.txt"], std::string(size_t(i + 1), 'x')));
    seen = PumpUntil([&] { return calls.Count > before; }, 250);
  }
  EXPECT_TRUE(seen);
}

TEST(FolderMonitor, StoppedOrFreedWhileItsThreadWaitsInsideTheCallStaysSilent) {
  TScratchFolder dir("tb_notify");
  for (bool freeIt : {false, true}) {
    TCalls calls;
    MonitorPtr monitor = Watch(dir.Path(), 0, calls);
    ASSERT_TRUE(WriteTextFile(dir["a"], "x"));
    // The worker's call is queued for this thread, which does not run it yet.
    DWORD start = GetTickCount();
    while (!HIWORD(GetQueueStatus(QS_SENDMESSAGE)) && GetTickCount() - start < 5000) Sleep(1);
    ASSERT_TRUE(HIWORD(GetQueueStatus(QS_SENDMESSAGE)));
    if (freeIt) monitor.reset();
    else monitor->SetActive(false);
    EXPECT_TRUE(PumpUntil([] { return !HIWORD(GetQueueStatus(QS_SENDMESSAGE)); }, 5000));
    EXPECT_EQ(0, calls.Count);
  }
  // A handler that frees its own monitor.
  TCalls calls;
  TKitFolderMonitor* self = Watch(dir.Path(), 0, calls).release();
  self->OnChange = [&](TObject*) { self->Free(), ++calls.Count; };
  ASSERT_TRUE(WriteTextFile(dir["b"], "x"));
  EXPECT_TRUE(PumpUntil([&] { return calls.Count == 1; }, 5000));
}

TEST(FolderMonitor, AThousandStartsAndStopsDuringChangesLeaveNoCallHandleOrThread) {
  TScratchFolder dir("tb_notify");
  const int threadsBefore = ThreadCount();
  TCalls warm;
  MonitorPtr monitor = Watch(dir.Path(), 0, warm);
  ASSERT_TRUE(WriteTextFile(dir["warm"], "x"));
  ASSERT_TRUE(PumpUntil([&] { return warm.Count > 0; }, 5000));
  monitor->SetActive(false);
  ASSERT_TRUE(PumpUntil([&] { return ThreadCount() == threadsBefore; }, 5000));
  const uintptr_t handle = FreshHandleValue();
  const int threads = ThreadCount();

  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop; ++i) WriteTextFile(dir["churn" + std::to_string(i % 4)], std::to_string(i));
  });
  int live = -1, calls = 0, late = 0;
  for (int cycle = 0; cycle < 1000; ++cycle) {
    monitor->OnChange = [&, cycle](TObject*) { ++calls, late += cycle != live; };
    live = cycle;
    monitor->SetActive(true);
    ASSERT_TRUE(monitor->Active());
    // Now and then a stop that follows a delivered call.
    if (cycle % 100 == 0) {
      int before = calls;
      ASSERT_TRUE(PumpUntil([&] { return calls > before; }, 5000));
    }
    Application().ProcessMessages();
    monitor->SetActive(false);
    live = -1;
    Application().ProcessMessages();
  }
  stop = true;
  writer.join();
  monitor.reset();
  EXPECT_GT(calls, 0);
  EXPECT_EQ(0, late);
  EXPECT_TRUE(PumpUntil([&] { return ThreadCount() == threads && FreshHandleValue() == handle; }, 10000))
      << ThreadCount() << " threads, handle " << FreshHandleValue() << " for " << handle;
}
