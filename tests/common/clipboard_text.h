#pragma once
// The clipboard's text as a user's paste sees it, and a known text put there before a command runs.
#include <atomic>
#include <string>
#include <thread>

namespace testsupport {

// The CF_TEXT on the clipboard (empty when none); "<held>" while another window has it open.
std::string ClipboardText();
// False when the clipboard cannot be opened.
bool PutOnClipboard(const std::string& text);

// The clipboard opened by a window of another thread (as another program holds it) while this lives.
class TClipboardHolder {
 public:
  TClipboardHolder();
  ~TClipboardHolder();
  TClipboardHolder(const TClipboardHolder&) = delete;
  TClipboardHolder& operator=(const TClipboardHolder&) = delete;
  bool Held() const { return FHeld; }

 private:
  std::thread FThread;
  std::atomic<bool> FReady{false}, FRelease{false}, FHeld{false};
};

}  // namespace testsupport
