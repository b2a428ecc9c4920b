#include "server_box.h"

#include "message_box.h"
#include "thread_post.h"

int ServerBox(DWORD mainThreadId, const std::string& text, UINT flags) {
  if (mainThreadId == 0 || mainThreadId == GetCurrentThreadId())
    return ui::ShowMessageBox(text, ServerBoxCaption, flags);
  auto* request = new TBoxRequest{text, ServerBoxCaption, flags};
  if (!PostThreadUntilAccepted(mainThreadId, TM_SHOW_BOX, 0, reinterpret_cast<LPARAM>(request))) delete request;
  return 0;
}

bool HandleBoxRequest(const MSG& msg) {
  if (msg.message != TM_SHOW_BOX || msg.hwnd != nullptr) return false;
  auto* request = reinterpret_cast<TBoxRequest*>(msg.lParam);
  if (request) {
    ui::ShowMessageBox(request->Text, request->Caption, request->Flags);
    delete request;
  }
  return true;
}
