#include "clipboard.h"

#include <cstring>

#include "application.h"
#include "gdi.h"
#include "graphics.h"
#include "streams.h"
#include "ui_exceptions.h"

namespace ui {

namespace {

// Global memory that is freed unless the clipboard took it over.
class TGlobalBlock {
 public:
  explicit TGlobalBlock(size_t size) : FHandle(GlobalAlloc(GMEM_MOVEABLE, size ? size : 1)) {
    if (!FHandle) throw EWin32Error("Out of memory for the clipboard", GetLastError());
  }
  explicit TGlobalBlock(HGLOBAL adopted) : FHandle(adopted) {}
  ~TGlobalBlock() {
    if (FHandle) GlobalFree(FHandle);
  }
  TGlobalBlock(const TGlobalBlock&) = delete;
  TGlobalBlock& operator=(const TGlobalBlock&) = delete;
  HGLOBAL Get() const { return FHandle; }
  HGLOBAL Release() {
    HGLOBAL h = FHandle;
    FHandle = nullptr;
    return h;
  }

 private:
  HGLOBAL FHandle;
};

// A locked view of global memory.
class TGlobalLock {
 public:
  explicit TGlobalLock(HGLOBAL h) : FHandle(h), FData(h ? GlobalLock(h) : nullptr) {}
  ~TGlobalLock() {
    if (FData) GlobalUnlock(FHandle);
  }
  TGlobalLock(const TGlobalLock&) = delete;
  TGlobalLock& operator=(const TGlobalLock&) = delete;
  void* Data() const { return FData; }
  size_t Size() const { return FData ? GlobalSize(FHandle) : 0; }

 private:
  HGLOBAL FHandle;
  void* FData;
};

}  // namespace

void ReadGlobalMemory(HANDLE data, TMemoryStream& stream) {
  TGlobalLock lock(static_cast<HGLOBAL>(data));
  if (lock.Data() && lock.Size()) stream.Write(lock.Data(), int64_t(lock.Size()));
  stream.SetPosition(0);
}

HANDLE GlobalMemoryOf(const TMemoryStream& stream) {
  TGlobalBlock block(static_cast<HGLOBAL>(GlobalAlloc(GMEM_MOVEABLE, SIZE_T(stream.Size()))));
  if (!block.Get()) return nullptr;
  {
    TGlobalLock lock(block.Get());
    if (!lock.Data()) return nullptr;
    std::memcpy(lock.Data(), stream.Memory(), size_t(stream.Size()));
  }
  return block.Release();
}

TClipboard& Clipboard() {
  static TClipboard clipboard;
  return clipboard;
}

void TClipboard::Open() {
  if (FOpenCount == 0) {
    bool opened = false;
    // Another program may hold it for a moment.
    for (int attempt = 0; attempt < 20 && !opened; ++attempt) {
      opened = OpenClipboard(Application().Handle()) != FALSE;
      if (!opened) Sleep(10);
    }
    if (!opened) throw EWin32Error("Cannot open clipboard", GetLastError());
    FEmptied = false;
  }
  ++FOpenCount;
}

void TClipboard::Close() {
  if (FOpenCount == 0) return;
  if (--FOpenCount == 0) CloseClipboard();
}

void TClipboard::Emptied() {
  if (FEmptied) return;
  EmptyClipboard();
  FEmptied = true;
}

bool TClipboard::HasFormat(UINT format) { return IsClipboardFormatAvailable(format) != FALSE; }

void TClipboard::Clear() {
  TClipboardOpen open;
  EmptyClipboard();
  FEmptied = true;
}

std::vector<uint8_t> TClipboard::GetBuffer(UINT format) {
  TClipboardOpen open;
  HANDLE data = GetClipboardData(format);
  TGlobalLock lock(static_cast<HGLOBAL>(data));
  if (!lock.Data()) return {};
  const auto* bytes = static_cast<const uint8_t*>(lock.Data());
  return std::vector<uint8_t>(bytes, bytes + lock.Size());
}

void TClipboard::SetBuffer(UINT format, const void* data, size_t size) {
  TClipboardOpen open;
  TGlobalBlock block(size);
  {
    TGlobalLock lock(block.Get());
    if (size) std::memcpy(lock.Data(), data, size);
  }
  Emptied();
  if (!SetClipboardData(format, block.Get())) throw EWin32Error("Cannot set clipboard data", GetLastError());
  block.Release();  // the clipboard's now
}

std::string TClipboard::AsText() {
  std::vector<uint8_t> data = GetBuffer(CF_TEXT);
  std::string text(data.begin(), data.end());
  return text.substr(0, text.find('\0'));
}

void TClipboard::SetAsText(const std::string& text) { SetBuffer(CF_TEXT, text.c_str(), text.size() + 1); }

void TClipboard::Assign(UINT format, TGraphic& graphic) {
  TClipboardOpen open;
  HANDLE data = graphic.SaveToClipboardFormat(format);
  // Ours until the clipboard takes it: a bitmap for CF_BITMAP, global memory for the other formats.
  TBitmapHandle bitmap(format == CF_BITMAP ? static_cast<HBITMAP>(data) : nullptr);
  TGlobalBlock block(format == CF_BITMAP ? nullptr : static_cast<HGLOBAL>(data));
  Emptied();
  if (!SetClipboardData(format, data)) throw EWin32Error("Cannot set clipboard data", GetLastError());
  bitmap.Release();
  block.Release();
}

UINT TClipboard::RegisterFormat(const std::string& name) {
  UINT format = RegisterClipboardFormatA(name.c_str());
  if (!format) throw EWin32Error("Cannot register clipboard format " + name, GetLastError());
  return format;
}

}  // namespace ui
