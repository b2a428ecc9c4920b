#pragma once
// A hidden top-level window with a given title that records every user-range message it receives,
// reading (and so removing) the payloads of the ids that carry one. Tests stand in with it for either
// program's window.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "cached_preset_record.h"
#include "hidden_window.h"

namespace testsupport {

struct TRecordedMessage {
  UINT Id;
  WPARAM WParam;
  LPARAM LParam;
  bool HasPayload;
  std::string Payload;
};

class TRecordingWindow {
 public:
  explicit TRecordingWindow(const std::string& title);
  TRecordingWindow(const TRecordingWindow&) = delete;
  TRecordingWindow& operator=(const TRecordingWindow&) = delete;

  HWND Handle() const { return FWindow.Handle(); }
  std::vector<TRecordedMessage> Received;
  // The ids received, in order, from the index on.
  std::vector<UINT> Ids(size_t from = 0) const;
  // How many of the id came, from the index on.
  size_t Count(UINT id, size_t from = 0) const;
  // Asks the server's window to send its current route's cache list to this window and waits for it;
  // false when none came within the time.
  bool AskCacheList(HWND server, std::vector<CachedPresetRecord>& records, DWORD timeoutMs);

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);
  std::string FTitle;
  THiddenWindow FWindow;
};

}  // namespace testsupport
