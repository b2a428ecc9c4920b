#include "message_box.h"

#include "form.h"
#include "gdi.h"

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

std::string BreakWideWords(const std::string& text, HDC dc, int room) {
  std::string out;
  out.reserve(text.size());
  int lineWidth = 0;  // of the word's part on the current line
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      lineWidth = 0;
      out += c;
      continue;
    }
    SIZE size{};
    GetTextExtentPoint32A(dc, &c, 1, &size);
    if (lineWidth > 0 && lineWidth + size.cx > room) {
      out += "\r\n";
      lineWidth = 0;
    }
    lineWidth += size.cx;
    out += c;
  }
  return out;
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner) {
  TSystemModalLoop loop;
  if (Handler()) return Handler()(text, caption, flags);
  // The box widens to its longest word: a word wider than half the screen (the icon, margins and
  // buttons take the rest) is broken into lines, so no box runs off the screen.
  std::string shown = text;
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    TFontHandle font(CreateFontIndirectA(&metrics.lfMessageFont));
    TWindowDC screen;
    TSelectObject selected(screen, font.Get());
    shown = BreakWideWords(text, screen, GetSystemMetrics(SM_CXSCREEN) / 2);
  }
  return MessageBoxA(owner ? owner : GetActiveWindow(), shown.c_str(), caption.c_str(), flags);
}

}  // namespace ui
