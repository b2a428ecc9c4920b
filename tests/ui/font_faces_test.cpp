// The faces the windows draw with must be real ones: a missing face falls back silently to another,
// and caption buttons, drawn from Marlett's glyphs, then show as the letters "0", "1" and "r".
#include <windows.h>

#include <gtest/gtest.h>

#include <utility>

#include "graphics.h"

namespace {

// The character set of the face as enumerated, 0 when it is not installed.
int CALLBACK NoteCharSet(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<int*>(found) = font->lfCharSet + 1;
  return 0;
}

int InstalledCharSet(const char* face) {
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
  int found = 0;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &wanted, NoteCharSet, reinterpret_cast<LPARAM>(&found), 0);
  ReleaseDC(nullptr, dc);
  return found - 1;
}

// Substitutes give back their own name everywhere: the font file's size tells which face stands behind
// one. Returns the size and whether the face is fixed pitch.
std::pair<DWORD, bool> FileSizeAndFixedPitch(const char* face) {
  ui::TFont font;
  font.SetName(face);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font.Handle());
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  // The flag's name says the opposite of what it means.
  return {size, (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0};
}

}  // namespace

TEST(FontFaces, TheFacesTheWindowsAskForAreInstalledAndFitting) {
  EXPECT_EQ(SYMBOL_CHARSET, InstalledCharSet("Marlett")) << "no Marlett: caption buttons draw as letters";
  ASSERT_NE(-1, InstalledCharSet("Tahoma"));
  // The forms' default face stands for Tahoma.
  ASSERT_EQ("MS Shell Dlg", ui::TFont().Name());
  EXPECT_EQ(FileSizeAndFixedPitch("Tahoma").first, FileSizeAndFixedPitch("MS Shell Dlg").first);
  // The cache window's text box asks for Courier New: whatever stands in for it must be fixed pitch.
  EXPECT_NE(-1, InstalledCharSet("Courier New"));
  EXPECT_TRUE(FileSizeAndFixedPitch("Courier New").second);
}
