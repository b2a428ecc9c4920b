// The faces the windows draw with must be real ones: a missing face falls back silently to another,
// and caption buttons, drawn from Marlett's glyphs, then show as the letters "0", "1" and "r".
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "graphics.h"

namespace {

struct FaceSearch {
  std::string Face;
  bool Found = false;
  BYTE CharSet = 0;
};

int CALLBACK NoteFace(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM data) {
  auto* search = reinterpret_cast<FaceSearch*>(data);
  if (lstrcmpiA(font->lfFaceName, search->Face.c_str()) != 0) return 1;
  search->Found = true;
  search->CharSet = font->lfCharSet;
  return 0;
}

FaceSearch FindFace(const char* face) {
  FaceSearch search;
  search.Face = face;
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(wanted.lfFaceName, face, LF_FACESIZE);
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesExA(dc, &wanted, NoteFace, reinterpret_cast<LPARAM>(&search), 0);
  ReleaseDC(nullptr, dc);
  return search;
}

// What a font maps to: substitutes give back their own name everywhere, so the font file's size
// tells which face stands behind one.
struct DrawnFace {
  DWORD FileSize = 0;
  bool FixedPitch = false;
};

DrawnFace FaceDrawnFor(ui::TFont& font) {
  DrawnFace drawn;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, font.Handle());
  drawn.FileSize = GetFontData(dc, 0, 0, nullptr, 0);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  // The flag's name says the opposite of what it means.
  drawn.FixedPitch = (metrics.tmPitchAndFamily & TMPF_FIXED_PITCH) == 0;
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return drawn;
}

}  // namespace

TEST(FontFaces, CaptionGlyphsAndTheFormsFacesAreInstalled) {
  FaceSearch marlett = FindFace("Marlett");
  EXPECT_TRUE(marlett.Found) << "no Marlett: caption buttons draw as letters";
  EXPECT_EQ(SYMBOL_CHARSET, marlett.CharSet);
  for (const char* face : {"Tahoma", "Courier New"}) EXPECT_TRUE(FindFace(face).Found) << face;
}

TEST(FontFaces, TheFormsFacesMapToFittingFonts) {
  ui::TFont font;
  ASSERT_EQ("MS Shell Dlg", font.Name());
  ui::TFont tahoma;
  tahoma.SetName("Tahoma");
  ASSERT_TRUE(FindFace("Tahoma").Found);
  EXPECT_EQ(FaceDrawnFor(tahoma).FileSize, FaceDrawnFor(font).FileSize);
  // The cache window's text box asks for Courier New: whatever stands in for it must be fixed pitch.
  font.SetName("Courier New");
  DrawnFace courier = FaceDrawnFor(font);
  EXPECT_TRUE(courier.FixedPitch);
}
