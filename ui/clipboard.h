#pragma once
// The clipboard: text, raw buffers of any format, registered formats, pictures.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

class TGraphic;
class TMemoryStream;

// A graphic's clipboard data: the bytes of a global block, read into the stream from its start.
void ReadGlobalMemory(HANDLE data, TMemoryStream& stream);
// A new moveable global block holding the stream's bytes; null when out of memory.
HANDLE GlobalMemoryOf(const TMemoryStream& stream);

class TClipboard {
 public:
  // Brackets may nest; the first setter inside a bracket empties the clipboard once. Another program holding
  // the clipboard is waited for briefly, then EWin32Error is raised.
  void Open();
  void Close();
  bool HasFormat(UINT format);
  void Clear();

  std::string AsText();
  void SetAsText(const std::string& text);
  // A copy of the data of one format; empty when there is none.
  std::vector<uint8_t> GetBuffer(UINT format);
  void SetBuffer(UINT format, const void* data, size_t size);
  // The graphic's own clipboard format, through the graphic.
  void Assign(UINT format, TGraphic& graphic);

  // The id of a format by its name, the same in every program.
  static UINT RegisterFormat(const std::string& name);

 private:
  void Emptied();
  int FOpenCount = 0;
  bool FEmptied = false;
};

TClipboard& Clipboard();

// Opens the clipboard for a scope.
class TClipboardOpen {
 public:
  TClipboardOpen() { Clipboard().Open(); }
  ~TClipboardOpen() { Clipboard().Close(); }
  TClipboardOpen(const TClipboardOpen&) = delete;
  TClipboardOpen& operator=(const TClipboardOpen&) = delete;
};

}  // namespace ui
