#include "recording_window.h"

#include "ipc.h"
#include "pump_until.h"
#include "tarnbel_protocol.h"

namespace testsupport {

TRecordingWindow::TRecordingWindow(const std::string& title)
    : FTitle(title), FWindow("TarnbelTestRecordingWindow", title, &TRecordingWindow::Proc, this) {}

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

size_t TRecordingWindow::Count(UINT id, size_t from) const {
  size_t count = 0;
  for (size_t i = from; i < Received.size(); ++i) count += Received[i].Id == id;
  return count;
}

bool TRecordingWindow::AskCacheList(HWND server, std::vector<CachedPresetRecord>& records, DWORD timeoutMs) {
  const size_t from = Received.size();
  DWORD_PTR result = 0;
  if (!server || !SendMessageTimeoutA(server, WM_TB_SEND_CACHE_LIST_TO, IPCWriteStringPayload(FTitle), 0, SMTO_NORMAL,
                                      5000, &result))
    return false;
  // The count comes first, then the list.
  const size_t none = static_cast<size_t>(-1);
  size_t list = none;
  PumpUntil(
      [&] {
        for (size_t i = from; i < Received.size() && list == none; ++i)
          if (Received[i].Id == WM_TB_CACHE_LIST) list = i;
        return list != none;
      },
      timeoutMs);
  if (list == none) return false;
  records = DecodeCachedPresetRecords(Received[list].Payload.data(), Received[list].Payload.size());
  return true;
}

}  // namespace testsupport
