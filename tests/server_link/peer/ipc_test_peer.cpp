// Peer program of the two-process link tests: a hidden window titled argv[1] that answers the
// test's window, titled argv[2]:
// - a payload-carrying message: the payload is read (and so removed) and sent back with the
//   same id and lParam;
// - WM_TB_MM_LOAD_PRESETS: the block goes back as a thread payload TM_MM_DONE to the requester
//   thread in the low word of lParam;
// - WM_TB_WINAMP_LOAD_PRESETS: the block goes back as a thread payload TM_WINAMP_LOADED to the
//   thread in lParam;
// - any other message of the user range: posted back with the same parameters;
// - WM_CLOSE: ends.
#include <windows.h>

#include <string>
#include <vector>

#include "ipc.h"
#include "protocol_payloads.h"
#include "tarnbel_protocol.h"

namespace {
TIPCLink* testLink = nullptr;

LRESULT CALLBACK PeerProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
  if (id == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  if (id < WM_USER || id >= 0x8000) return DefWindowProcA(window, id, wParam, lParam);
  if (!testLink->PeerWindow()) testLink->FindPeer();
  if (MessageCarriesPayload(id)) {
    std::vector<uint8_t> data;
    bool ok = IPCReceiveBuffer(wParam, data);
    if (!ok) {
      testLink->Post(id, 0, 0);  // a refused or vanished payload answers with no atom
    } else if (id == WM_TB_MM_LOAD_PRESETS) {
      DWORD thread;
      uint16_t loopback;
      DecodeMMRequesterParam(lParam, thread, loopback);
      TIPCLink::PostThreadData(thread, data.data(), data.size(), TM_MM_DONE);
    } else if (id == WM_TB_WINAMP_LOAD_PRESETS) {
      TIPCLink::PostThreadData(static_cast<DWORD>(lParam), data.data(), data.size(), TM_WINAMP_LOADED);
    } else {
      testLink->SendData(data.data(), data.size(), id, lParam);
    }
  } else {
    testLink->Post(id, wParam, lParam);
  }
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  TIPCLink link(argv[2], 0);
  testLink = &link;
  WNDCLASSA wc{};
  wc.lpfnWndProc = PeerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TarnbelIpcTestPeer";
  RegisterClassA(&wc);
  HWND window = CreateWindowExA(0, wc.lpszClassName, argv[1], WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  if (!window) return 3;
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}
