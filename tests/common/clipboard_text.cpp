#include "clipboard_text.h"

#include <windows.h>

#include <cstring>

namespace testsupport {

std::string ClipboardText() {
  std::string text;
  if (!OpenClipboard(nullptr)) return "<held>";
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) text = p;
    GlobalUnlock(data);
  }
  CloseClipboard();
  return text;
}

bool PutOnClipboard(const std::string& text) {
  if (!OpenClipboard(nullptr)) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
  return true;
}

TClipboardHolder::TClipboardHolder() {
  FThread = std::thread([this] {
    HWND window = CreateWindowA("STATIC", "holder", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    FHeld = OpenClipboard(window) != FALSE;
    FReady = true;
    while (!FRelease) Sleep(5);
    if (FHeld) CloseClipboard();
    DestroyWindow(window);
  });
  while (!FReady) Sleep(1);
}

TClipboardHolder::~TClipboardHolder() {
  FRelease = true;
  FThread.join();
}

}  // namespace testsupport
