#include "server_box.h"

#include <memory>
#include <vector>

#include "message_box.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {

// The held messages of the boxes open on this thread, innermost last.
thread_local std::vector<std::vector<MSG>*> heldStack;
thread_local HHOOK filterHook = nullptr;

// The program's own thread messages; the system's (quit, thread timers) keep their usual road.
bool IsThreadMessage(const MSG& msg) { return msg.hwnd == nullptr && msg.message >= WM_USER; }

LRESULT CALLBACK HoldThreadMessages(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && msg && !heldStack.empty() && IsThreadMessage(*msg)) {
    heldStack.back()->push_back(*msg);
    return 1;  // taken: the box's loop must not dispatch it into nowhere
  }
  return CallNextHookEx(filterHook, code, wParam, lParam);
}

}  // namespace

int ServerBox(HWND owner, const std::string& text, UINT flags) {
  std::vector<MSG> held;
  bool outermost = heldStack.empty();
  if (outermost) filterHook = SetWindowsHookExA(WH_MSGFILTER, &HoldThreadMessages, nullptr, GetCurrentThreadId());
  heldStack.push_back(&held);
  int answer = ui::ShowMessageBox(text, SERVER_BOX_CAPTION, flags, owner);
  heldStack.pop_back();
  if (outermost && filterHook) {
    UnhookWindowsHookEx(filterHook);
    filterHook = nullptr;
  }
  // Thread messages that arrived after the box's last look come after the held ones.
  MSG msg;
  while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_USER, 0xFFFFFFFFu, PM_REMOVE)) held.push_back(msg);
  std::vector<MSG>* outer = heldStack.empty() ? nullptr : heldStack.back();
  DWORD self = GetCurrentThreadId();
  for (const MSG& kept : held) {
    // Inside an outer box, the outer one keeps them in turn.
    if (outer)
      outer->push_back(kept);
    else
      PostThreadUntilAccepted(self, kept.message, kept.wParam, kept.lParam);
  }
  return answer;
}

int TErrorEpisode::ShowError(const std::string& text, UINT flags) {
  if (FErrorState) return 0;
  FErrorState = true;
  return ServerBox(FOwner, text, flags);
}

namespace {
struct TBoxRequest {
  std::string Text;
  UINT Flags;
};
}  // namespace

int RequestServerBox(DWORD mainThreadId, const std::string& text, UINT flags) {
  if (mainThreadId == 0 || mainThreadId == GetCurrentThreadId()) return ServerBox(nullptr, text, flags);
  auto* request = new TBoxRequest{text, flags};
  if (!PostThreadUntilAccepted(mainThreadId, TM_SHOW_BOX, 0, reinterpret_cast<LPARAM>(request))) delete request;
  return 0;
}

bool HandleBoxRequest(const MSG& msg) {
  if (msg.message != TM_SHOW_BOX || msg.hwnd != nullptr) return false;
  std::unique_ptr<TBoxRequest> request(reinterpret_cast<TBoxRequest*>(msg.lParam));
  if (request) ServerBox(nullptr, request->Text, request->Flags);
  return true;
}
