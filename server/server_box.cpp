#include "server_box.h"

#include <algorithm>
#include <memory>
#include <set>
#include <vector>

#include "held_messages.h"
#include "live_requests.h"
#include "message_box.h"
#include "owner_posts.h"
#include "tarnbel_protocol.h"
#include "thread_post.h"

namespace {

struct TBoxRequest {
  std::string Text;
  UINT Flags;
};

// What one box holds back: the messages, and the texts of the box requests among them.
struct TBoxHold {
  THeldMessages Messages;
  std::set<std::string> RequestTexts;
};

// The holds of the boxes open on this thread, innermost last, and the texts of those boxes.
thread_local std::vector<TBoxHold*> heldStack;
thread_local std::vector<std::string> textsUp;
thread_local HHOOK filterHook = nullptr;

// The program's own thread messages; the system's (quit, thread timers) keep their usual road.
bool IsThreadMessage(const MSG& msg) { return msg.hwnd == nullptr && msg.message >= WM_USER; }

void Hold(const MSG& msg, TBoxHold& hold) {
  if (msg.message == TM_SHOW_BOX) {
    // A request this process did not make is dropped unread; a second one of a text held is the same box.
    if (!TLiveRequests::Contains(msg.lParam, TM_SHOW_BOX)) return;
    auto* request = reinterpret_cast<TBoxRequest*>(msg.lParam);
    if (hold.RequestTexts.insert(request->Text).second) {
      hold.Messages.Add(msg, true);
    } else if (TLiveRequests::Take(msg.lParam, TM_SHOW_BOX)) {
      delete request;
    }
    return;
  }
  // Another program's post of an id this thread takes only from us is dropped here, as its loop would.
  if (TOwnerPosts::Accept(msg)) hold.Messages.Add(msg, TOwnerPosts::OwnerOnly(GetCurrentThreadId(), msg.message));
}

LRESULT CALLBACK HoldThreadMessages(int code, WPARAM wParam, LPARAM lParam) {
  auto* msg = reinterpret_cast<MSG*>(lParam);
  if (code >= 0 && msg && !heldStack.empty() && IsThreadMessage(*msg)) {
    Hold(*msg, *heldStack.back());
    return 1;  // taken: the box's loop must not dispatch it into nowhere
  }
  return CallNextHookEx(filterHook, code, wParam, lParam);
}

}  // namespace

bool ServerBoxUp(const std::string& text) {
  return std::find(textsUp.begin(), textsUp.end(), text) != textsUp.end();
}

int ServerBox(HWND owner, const std::string& text, UINT flags) {
  // Each request that arrives while the same box is up would open another inside its loop.
  if (ServerBoxUp(text)) return 0;
  TBoxHold held;
  bool outermost = heldStack.empty();
  if (outermost) filterHook = SetWindowsHookExA(WH_MSGFILTER, &HoldThreadMessages, nullptr, GetCurrentThreadId());
  heldStack.push_back(&held);
  textsUp.push_back(text);
  int answer = ui::ShowMessageBox(text, SERVER_BOX_CAPTION, flags, owner);
  textsUp.pop_back();
  heldStack.pop_back();
  if (outermost && filterHook) {
    UnhookWindowsHookEx(filterHook);
    filterHook = nullptr;
  }
  // Thread messages that arrived after the box's last look come after the held ones.
  MSG msg;
  while (PeekMessageA(&msg, reinterpret_cast<HWND>(-1), WM_USER, 0xFFFFFFFFu, PM_REMOVE)) Hold(msg, held);
  // Back to the thread's queue, also from an inner box: whoever waits below it (a request's reply
  // wait) looks there, and an outer box's loop holds them again in its turn.
  held.Messages.PostBack();
  return answer;
}

int TErrorEpisode::ShowError(const std::string& text, UINT flags) {
  if (FErrorState) return 0;
  FErrorState = true;
  return ServerBox(FOwner, text, flags);
}

namespace {
void TakeRequest(LPARAM lParam, std::vector<std::unique_ptr<TBoxRequest>>& requests) {
  // Only requests this process made and has not shown yet: any program can post the id.
  if (TLiveRequests::Take(lParam, TM_SHOW_BOX)) requests.emplace_back(reinterpret_cast<TBoxRequest*>(lParam));
}

// The requests' texts, each once, one to a line; a long list ends with the count left out.
std::string JoinedText(const std::vector<std::unique_ptr<TBoxRequest>>& requests) {
  std::vector<std::string> lines;
  for (const auto& request : requests)
    if (std::find(lines.begin(), lines.end(), request->Text) == lines.end()) lines.push_back(request->Text);
  std::string text;
  size_t shown = std::min(lines.size(), SERVER_BOX_MAX_LINES);
  for (size_t i = 0; i < shown; ++i) text += (i ? "\n" : "") + lines[i];
  if (lines.size() > shown) text += "\n... and " + std::to_string(lines.size() - shown) + " more.";
  return text;
}
}  // namespace

int RequestServerBox(DWORD mainThreadId, const std::string& text, UINT flags) {
  if (mainThreadId == 0) return ServerBox(nullptr, text, flags);
  // Asked again from inside that very box's loop: it is up already.
  if (mainThreadId == GetCurrentThreadId() && ServerBoxUp(text)) return 0;
  auto* request = new TBoxRequest{text, flags};
  TLiveRequests::Add(request, TM_SHOW_BOX);
  if (!PostThreadUntilAccepted(mainThreadId, TM_SHOW_BOX, 0, reinterpret_cast<LPARAM>(request))) {
    TLiveRequests::Remove(request);
    delete request;
  }
  return 0;
}

bool HandleBoxRequest(const MSG& msg) {
  if (msg.message != TM_SHOW_BOX || msg.hwnd != nullptr) return false;
  std::vector<std::unique_ptr<TBoxRequest>> requests;
  TakeRequest(msg.lParam, requests);
  // Requests queued behind it (every route of a turn-on that failed) join it: one box, not one each.
  MSG next;
  while (PeekMessageA(&next, reinterpret_cast<HWND>(-1), TM_SHOW_BOX, TM_SHOW_BOX, PM_REMOVE))
    TakeRequest(next.lParam, requests);
  if (!requests.empty()) ServerBox(nullptr, JoinedText(requests), requests.front()->Flags);
  return true;
}
