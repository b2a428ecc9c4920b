#include "message_box.h"

#include <algorithm>
#include <unordered_map>

#include "form.h"
#include "gdi.h"

namespace ui {

namespace {

TMessageBoxHandler& Handler() {
  static TMessageBoxHandler handler;
  return handler;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The widths of the code page's characters as the context's font draws them: measured once, not per
// character of a text that may be a megabyte long. A character of a double-byte code page is its lead
// byte and the byte after it, measured and cut as one.
class TCharWidths {
 public:
  TCharWidths(HDC dc, UINT codePage) : FDC(dc), FCodePage(codePage) {
    for (int i = 0; i < 256; ++i) {
      char c = static_cast<char>(i);
      SIZE size{};
      GetTextExtentPoint32A(dc, &c, 1, &size);
      FWidths[i] = size.cx;
    }
  }
  // The bytes of the character that begins at i.
  size_t Size(const std::string& text, size_t i) const {
    return i + 1 < text.size() && IsDBCSLeadByteEx(FCodePage, static_cast<BYTE>(text[i])) ? 2 : 1;
  }
  int At(const std::string& text, size_t i) const {
    if (Size(text, i) == 1) return FWidths[static_cast<unsigned char>(text[i])];
    const unsigned pair = static_cast<unsigned char>(text[i]) << 8 | static_cast<unsigned char>(text[i + 1]);
    auto known = FPairs.find(pair);
    if (known != FPairs.end()) return known->second;
    SIZE size{};
    GetTextExtentPoint32A(FDC, &text[i], 2, &size);
    return FPairs[pair] = size.cx;
  }
  int Of(const std::string& text, size_t from, size_t to) const {
    int width = 0;
    for (size_t i = from; i < to; i += Size(text, i)) width += At(text, i);
    return width;
  }

 private:
  HDC FDC;
  UINT FCodePage;
  int FWidths[256];
  mutable std::unordered_map<unsigned, int> FPairs;
};

// The number of lines the text takes when lines are broken at blanks to stay within room pixels, and
// inside words wider than that. `cut` gets the offset where line limit + 1 begins (npos: no such line).
size_t CountLines(const std::string& text, const TCharWidths& width, int room, size_t limit, size_t& cut) {
  size_t lines = 1;
  int x = 0;
  cut = std::string::npos;
  auto newLine = [&](size_t at) {
    if (++lines == limit + 1) cut = at;
    x = 0;
  };
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\n') {
      newLine(++i);
      continue;
    }
    if (IsBlank(text[i])) {
      x += width.At(text, i++);
      continue;
    }
    size_t end = i;
    while (end < text.size() && !IsBlank(text[end])) ++end;
    if (x > 0 && x + width.Of(text, i, end) > room) newLine(i);
    for (; i < end; i += width.Size(text, i)) {
      if (x > 0 && x + width.At(text, i) > room) newLine(i);
      x += width.At(text, i);
    }
  }
  return lines;
}

// The width a box lays the text out in: never narrower than `narrowest`, and as wide as its widest word
// asks, up to the room.
int LayoutWidth(const std::string& text, const TCharWidths& width, int room, int narrowest) {
  int widest = 0;
  for (size_t i = 0, end; i < text.size(); i = end + 1) {
    for (end = i; end < text.size() && !IsBlank(text[end]);) ++end;
    widest = std::max(widest, width.Of(text, i, end));
  }
  return std::min(room, std::max(narrowest, widest));
}

// Every line wider than limit pixels (a name of many words as well as one long word) keeps its start and
// its end around "...", within the limit.
std::string ShortenLongLines(const std::string& text, const TCharWidths& width, int limit) {
  std::string out;
  const int half = (limit - width.Of("...", 0, 3)) / 2;
  for (size_t i = 0; i < text.size();) {
    size_t end = i;
    while (end < text.size() && text[end] != '\n') ++end;
    if (end == i) {
      out += text[i++];
      continue;
    }
    if (width.Of(text, i, end) <= limit) {
      out.append(text, i, end - i);
    } else {
      size_t head = i;
      for (int w = 0; head < end && (w += width.At(text, head)) <= half;) head += width.Size(text, head);
      // Characters are found from their start only: the tail is what is left of the line once it fits.
      size_t tail = head;
      for (int w = width.Of(text, head, end); w > half; tail += width.Size(text, tail)) w -= width.At(text, tail);
      out.append(text, i, head - i).append("...").append(text, tail, end - tail);
    }
    i = end;
  }
  return out;
}

std::string BreakWideWords(const std::string& text, const TCharWidths& width, int room) {
  std::string out;
  out.reserve(text.size());
  int lineWidth = 0;  // of the word's part on the current line
  for (size_t i = 0, size; i < text.size(); i += size) {
    size = width.Size(text, i);
    if (IsBlank(text[i])) {
      lineWidth = 0;
      out += text[i];
      continue;
    }
    if (lineWidth > 0 && lineWidth + width.At(text, i) > room) {
      out += "\r\n";
      lineWidth = 0;
    }
    lineWidth += width.At(text, i);
    out.append(text, i, size);
  }
  return out;
}

}  // namespace

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler handler) {
  TMessageBoxHandler previous = Handler();
  Handler() = std::move(handler);
  return previous;
}

std::string BreakWideWords(const std::string& text, HDC dc, int room) {
  return BreakWideWords(text, TCharWidths(dc, CP_ACP), room);
}

std::string FitBoxText(const std::string& text, HDC dc, int room, int narrowest, size_t maxLines, UINT codePage) {
  const TCharWidths width(dc, codePage);
  const int layout = LayoutWidth(text, width, room, narrowest);
  size_t cut;
  if (CountLines(text, width, layout, maxLines, cut) <= maxLines) return BreakWideWords(text, width, room);
  // Long names give up their middle first, each keeping two lines; then the lines past the room go.
  std::string shown = ShortenLongLines(text, width, 2 * layout);
  const int laid = LayoutWidth(shown, width, room, narrowest);
  if (maxLines > 1 && CountLines(shown, width, laid, maxLines - 1, cut) > maxLines) {
    shown.erase(cut);
    while (!shown.empty() && IsBlank(shown.back())) shown.pop_back();
    shown += "\n...";
  }
  return BreakWideWords(shown, width, room);
}

int ShowMessageBox(const std::string& text, const std::string& caption, UINT flags, HWND owner) {
  TSystemModalLoop loop;
  if (Handler()) return Handler()(text, caption, flags);
  // The box widens to its longest word and grows with its lines: the text is laid out in half the
  // screen's width and three quarters of its height (the icon, margins, caption and buttons take the
  // rest), so that no box runs off the screen. A box may wrap its lines well short of that width (some
  // forty characters): lines are counted as it would.
  std::string shown = text;
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0)) {
    TFontHandle font(CreateFontIndirectA(&metrics.lfMessageFont));
    TWindowDC screen;
    TSelectObject selected(screen, font.Get());
    TEXTMETRICA textMetrics{};
    GetTextMetricsA(screen, &textMetrics);
    const int lineHeight = textMetrics.tmHeight > 0 ? textMetrics.tmHeight : 16;
    const size_t maxLines = static_cast<size_t>(GetSystemMetrics(SM_CYSCREEN) * 3 / 4 / lineHeight);
    const int room = GetSystemMetrics(SM_CXSCREEN) / 2;
    const int narrowest = textMetrics.tmAveCharWidth > 0 ? 40 * textMetrics.tmAveCharWidth : room;
    shown = FitBoxText(text, screen, room, narrowest, maxLines > 1 ? maxLines : 2);
  }
  return MessageBoxA(owner ? owner : GetActiveWindow(), shown.c_str(), caption.c_str(), flags);
}

}  // namespace ui
