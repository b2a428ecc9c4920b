#include "recording_window.h"

#include "ipc.h"
#include "tarnbel_protocol.h"

namespace testsupport {

TRecordingWindow::TRecordingWindow(const std::string& title)
    : FWindow("TarnbelTestRecordingWindow", title, &TRecordingWindow::Proc, this) {}

LRESULT CALLBACK TRecordingWindow::Proc(HWND window, UINT id, WPARAM wParam, LPARAM lParam) {
  auto* self = THiddenWindow::Owner<TRecordingWindow>(window);
  if (self && id >= WM_USER && id < 0x8000) {
    TRecordedMessage received{id, wParam, lParam, false, {}};
    if (MessageCarriesPayload(id)) {
      std::vector<uint8_t> data;
      received.HasPayload = IPCReceiveBuffer(wParam, data);
      received.Payload.assign(data.begin(), data.end());
    }
    self->Received.push_back(received);
    return 0;
  }
  return DefWindowProcA(window, id, wParam, lParam);
}

std::vector<UINT> TRecordingWindow::Ids(size_t from) const {
  std::vector<UINT> ids;
  for (size_t i = from; i < Received.size(); ++i) ids.push_back(Received[i].Id);
  return ids;
}

size_t TRecordingWindow::Count(UINT id) const {
  size_t count = 0;
  for (const TRecordedMessage& m : Received) count += m.Id == id;
  return count;
}

}  // namespace testsupport
