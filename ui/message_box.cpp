#include "message_box.h"

namespace ui {

static TMessageBoxHandler& Handler() {
  static TMessageBoxHandler handler;
  return handler;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  TMessageBoxHandler previous = Handler();
  Handler() = std::move(handler);
  return previous;
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner) {
  if (Handler()) return Handler()(text, caption, flags);
  return MessageBoxA(owner ? owner : GetActiveWindow(), text.c_str(), caption.c_str(), flags);
}

}  // namespace ui
