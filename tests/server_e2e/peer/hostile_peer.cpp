// A hostile peer of the end-to-end suite: it talks to the running server ("tarnbel_running") the way
// any program on the desktop could. Commands:
//   onoff <ms>             sends a turn-on, and the given time after it a turn-off from another thread
//   objects                posts every thread-message id that carries an object, with foreign lParams,
//                          to every thread of the server's process; the exit code is the thread count
//   control <id>           posts the id with wParam 0 and lParam 0, then with a junk lParam, to every thread of
//                          the server's process but the window's; the exit code is the number that took it
//   main <id>              the same to the thread that owns the window; the exit code is 1 when it took it
//   quit                   control with the worker quit id (TM_QUIT)
//   kill                   turns the server on and ends the threads with a message queue that the turn-on
//                          started (the route and SoundFont threads), as a program with the rights can; the
//                          exit code is the number ended
//   flood <id> <n>         posts the id n times (wParam 0, lParam = the running number)
//   storm <seed> <n>       n random messages to the window: ids of the protocol and others, random
//                          parameters and payloads, a fifth of them sent
// Exit code 0 (objects: the thread count) when done; 2 for bad arguments, 3 without a server.
#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ipc.h"
#include "tarnbel_protocol.h"

namespace {

HWND server = nullptr;

// Posted again after a short pause while the queue is full.
void PostPatiently(UINT id, WPARAM wParam, LPARAM lParam) {
  for (int tries = 0; tries < 1000 && !PostMessageA(server, id, wParam, lParam); ++tries) Sleep(1);
}

void SpinFor(double ms) {
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  do QueryPerformanceCounter(&now);
  while ((now.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart < ms);
}

int OnOff(double delayMs) {
  HANDLE sending = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread on([&] {
    SetEvent(sending);
    DWORD_PTR result;
    SendMessageTimeoutA(server, WM_TB_TURN_ON, 0, 0, SMTO_NORMAL, 30000, &result);
  });
  WaitForSingleObject(sending, 5000);
  SpinFor(delayMs);
  DWORD_PTR result;
  SendMessageTimeoutA(server, WM_TB_TURN_OFF, 0, 0, SMTO_NORMAL, 30000, &result);
  on.join();
  CloseHandle(sending);
  return 0;
}

// The threads of the server's process; without the one that owns its window when asked.
std::vector<DWORD> ServerThreads(bool withoutMain) {
  DWORD process = 0;
  DWORD main = GetWindowThreadProcessId(server, &process);
  std::vector<DWORD> threads;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return threads;
  THREADENTRY32 entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    if (entry.th32OwnerProcessID == process && !(withoutMain && entry.th32ThreadID == main))
      threads.push_back(entry.th32ThreadID);
  CloseHandle(snapshot);
  return threads;
}

bool PostControl(DWORD thread, UINT id) {
  bool any = false;
  for (LPARAM param : {LPARAM(0), LPARAM(0x41414141)}) any = PostThreadMessageA(thread, id, 0, param) || any;
  return any;
}

int PostToWorkers(UINT id) {
  int reached = 0;
  for (DWORD thread : ServerThreads(true)) reached += PostControl(thread, id);
  return reached;
}

int KillWorkers() {
  const std::vector<DWORD> before = ServerThreads(true);
  DWORD_PTR result;
  SendMessageTimeoutA(server, WM_TB_TURN_ON, 0, 0, SMTO_NORMAL, 30000, &result);
  int ended = 0;
  for (DWORD thread : ServerThreads(true)) {
    if (std::find(before.begin(), before.end(), thread) != before.end()) continue;
    // Only a thread with a message queue takes a post: the server's own workers, not the system's.
    if (!PostThreadMessageA(thread, WM_NULL, 0, 0)) continue;
    HANDLE handle = OpenThread(THREAD_TERMINATE | SYNCHRONIZE, FALSE, thread);
    if (!handle) continue;
    if (TerminateThread(handle, 1) && WaitForSingleObject(handle, 5000) == WAIT_OBJECT_0) ++ended;
    CloseHandle(handle);
  }
  return ended;
}

int Objects() {
  std::vector<DWORD> threads = ServerThreads(false);
  const UINT ids[] = {TM_LOAD_PRESET, TM_CLEAR_PRESET, TM_QUERY_SAMPLE_MEMORY, TM_ROUTE_OPEN, TM_CLEAR_ALL_LOADED,
                      TM_GET_CACHED_LIST, TM_GET_SF_THREAD, TM_UNLOAD_UNUSED, TM_ROUTE_1063, TM_GET_CHANNELS,
                      TM_MM_LOAD_PRESETS, TM_LOAD_PRESET_SYNC, TM_MM_LOAD_DRUMS, TM_WINAMP_LOAD_PRESETS,
                      TM_WINAMP_MODE_ON, TM_GET_CACHED_COUNT, TM_CLEAR_PRESET_SYNC, TM_UNLOAD_UNUSED_SYNC,
                      TM_MIDI_EVENT, TM_SHOW_BOX};
  // Junk, small numbers, and addresses that are mapped in most processes.
  const LPARAM params[] = {LPARAM(0x41414141), LPARAM(1), LPARAM(0), LPARAM(-1), LPARAM(0x10000),
                           reinterpret_cast<LPARAM>(GetModuleHandleA("kernel32.dll")),
                           reinterpret_cast<LPARAM>(GetModuleHandleA(nullptr))};
  int reached = 0;
  for (DWORD thread : threads) {
    bool any = false;
    for (UINT id : ids)
      for (LPARAM param : params) any = PostThreadMessageA(thread, id, 0, param) || any;
    reached += any;
  }
  return reached;
}

int Flood(UINT id, int count) {
  for (int i = 0; i < count; ++i) PostPatiently(id, 0, i);
  return 0;
}

// The window ids of the protocol: the tools program's commands and the outside clients' requests.
const UINT ProtocolIds[] = {
    WM_TB_RESTART, WM_TB_TURN_ON, WM_TB_TURN_OFF, WM_TB_HARD_RESET, WM_TB_MIDI_RESET, WM_TB_ROUTES_CHANGED,
    WM_TB_TOOLS_HELLO, WM_TB_TOOLS_BYE, WM_TB_SET_UNLOAD_IF_UNUSED, WM_TB_SET_DEFAULT_MELODIC,
    WM_TB_SET_DEFAULT_DRUMS, WM_TB_SET_UNLOAD_TIME, WM_TB_SET_UNLOAD_ORPHAN, WM_TB_SET_ORPHAN_TIME,
    WM_TB_SELECT_ROUTE, WM_TB_GET_CACHE_INFO, WM_TB_GET_ROUTES, WM_TB_UNLOAD_PRESET, WM_TB_GET_CURRENT_ROUTE,
    WM_TB_GET_STATE, WM_TB_MAPPING_SAVED, WM_TB_SET_RELOAD_FIRST_NOTE, WM_TB_PREVIEW_ON, WM_TB_PREVIEW_OFF,
    WM_TB_PREVIEW_ROUTE_CHANGED, WM_TB_PREVIEW_FILE, WM_TB_PREVIEW_PRESET, WM_TB_PREVIEW_STOP, WM_TB_GET_FILE_NAME,
    WM_TB_GET_FILE_TEXT, WM_TB_SET_RANDOM_MAPPING, WM_TB_SET_RANDOM_DRUM_BANK, WM_TB_SET_RANDOM_PRESETS,
    WM_TB_SET_RANDOM_BANKS, WM_TB_SET_RANDOM_PROGRAMS, WM_TB_SET_RANDOM_ONLY_WINAMP, WM_TB_RANDOM_INCLUDE,
    WM_TB_RANDOM_EXCLUDE, WM_TB_SET_WINAMP_RESET_CACHE, WM_TB_MAPPING_ACTIVATE, WM_TB_MAPPING_DEACTIVATE,
    WM_TB_MAPPING_ORDER, WM_TB_MAPPINGS_APPLY, WM_TB_SET_IMMEDIATE_CHANGES, WM_TB_MAPPINGS_CHANGED,
    WM_TB_SET_ADD_BANK_NAME, WM_TB_SET_DISABLE_SF_INTERFACE, WM_TB_INSTALLER_RUNNING, WM_TB_REQ_1067,
    WM_TB_SEND_CACHE_LIST_TO, WM_TB_MM_LOAD_PRESETS, WM_TB_MM_LOAD_DRUMS, WM_TB_DRIVER_1138, WM_TB_DRIVER_1139,
    WM_TB_WINAMP_LOAD_PRESETS, WM_TB_WINAMP_1145, WM_TB_WINAMP_MODE_ON, WM_TB_WINAMP_MODE_OFF, WM_TB_SET_FILE_NAME,
    WM_TB_SET_FILE_TEXT, WM_TB_QUERY_ROUTE_COUNT, WM_TB_QUERY_ROUTE_NAME, WM_TB_QUERY_1175,
    WM_TB_QUERY_PRESET_NAME, WM_TB_QUERY_BANK_NAMES, WM_TB_RESET_NAME_FLAGS, WM_TB_WINAMP_1195, WM_TB_WINAMP_1196};

bool IsQuery(UINT id) { return id >= WM_TB_QUERY_ROUTE_COUNT && id <= WM_TB_QUERY_BANK_NAMES; }

int Storm(uint32_t seed, int count) {
  std::mt19937 random(seed);
  auto below = [&](uint32_t n) { return static_cast<uint32_t>(random() % n); };
  const size_t protocolCount = sizeof(ProtocolIds) / sizeof(ProtocolIds[0]);
  for (int i = 0; i < count; ++i) {
    UINT id;
    if (below(10) < 7) {
      id = ProtocolIds[below(static_cast<uint32_t>(protocolCount))];
    } else {
      // Others of the user range; the tray icon's id would open the real tray menu.
      do id = WM_USER + below(0x8000 - WM_USER);
      while (id == WM_TB_TRAY_CALLBACK);
    }
    WPARAM wParam = below(4) == 0 ? random() : below(300);
    LPARAM lParam = below(4) == 0 ? static_cast<LPARAM>(static_cast<int32_t>(random())) : below(300);
    if (MessageCarriesPayload(id) && below(2) == 0) {
      std::string data(below(400), '\0');
      for (char& c : data) c = static_cast<char>(below(3) == 0 ? '\\' : below(256));
      wParam = IPCWritePayload(data.data(), data.size());
    }
    if (below(5) == 0) {
      DWORD_PTR result = 0;
      if (SendMessageTimeoutA(server, id, wParam, lParam, SMTO_NORMAL, 5000, &result) && IsQuery(id) &&
          id != WM_TB_QUERY_ROUTE_COUNT && result) {
        std::vector<uint8_t> answer;
        IPCReceiveBuffer(static_cast<WPARAM>(result), answer);
      }
    } else {
      PostPatiently(id, wParam, lParam);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  server = FindWindowA(SERVER_WINDOW_CLASS, SERVER_WINDOW_TITLE);
  if (!server) return 3;
  std::string command = argv[1];
  if (command == "onoff" && argc == 3) return OnOff(std::atof(argv[2]));
  if (command == "objects") return Objects();
  if (command == "quit") return PostToWorkers(TM_QUIT);
  if (command == "main" && argc == 3)
    return PostControl(GetWindowThreadProcessId(server, nullptr), static_cast<UINT>(std::atoi(argv[2])));
  if (command == "kill") return KillWorkers();
  if (command == "control" && argc == 3) return PostToWorkers(static_cast<UINT>(std::atoi(argv[2])));
  if (command == "flood" && argc == 4) return Flood(static_cast<UINT>(std::atoi(argv[2])), std::atoi(argv[3]));
  if (command == "storm" && argc == 4)
    return Storm(static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10)), std::atoi(argv[3]));
  return 2;
}
