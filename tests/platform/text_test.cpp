// Fonts and text of the platform layer: face matching, metrics, extents, TextOutW into a
// bitmap with its colours, modes and alignment, DrawTextW, stock fonts, the glyph cache, the
// display's capabilities and MulDiv.
#include <cstring>
#include <set>

#include "text_support.h"
#include "testing.h"

namespace {

TEST(FontMatch, ArialIsDrawnWithItsMetricTwinLiberationSans) {
  Canvas a(200, 40), b(200, 40), c(200, 40);
  a.Use(u"Arial", -16);
  b.Use(u"Liberation Sans", -16);
  c.Use(u"DejaVu Sans", -16);
  EXPECT_EQ(a.Extent(u"Stampwork 0123").cx, b.Extent(u"Stampwork 0123").cx);
  EXPECT_NE(a.Extent(u"Stampwork 0123").cx, c.Extent(u"Stampwork 0123").cx);
  a.Out(0, 0, u"Stampwork");
  b.Out(0, 0, u"Stampwork");
  EXPECT_EQ(0, std::memcmp(a.bits, b.bits, static_cast<size_t>(a.stride * a.h)));
}

TEST(FontMatch, UnknownFaceFallsBackToTheDefaultFaceAndStillDraws) {
  Canvas unknown(200, 40), fallback(200, 40);
  unknown.Use(u"No Such Face At All", -20);
  fallback.Use(u"sans-serif", -20);
  EXPECT_EQ(unknown.Extent(u"Hello").cx, fallback.Extent(u"Hello").cx);
  unknown.Out(2, 2, u"Hello");
  EXPECT_GT(unknown.Count(RGB(0, 0, 0)), 0);
  EXPECT_LT(unknown.Count(RGB(0, 0, 0)), 200 * 40);
}

TEST(FontMatch, FixedPitchRequestOfAnUnknownFaceGetsAMonospacedFace) {
  Canvas canvas(100, 30);
  HFONT f = CreateFontW(-16, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, FIXED_PITCH | FF_MODERN, u"Unknown Mono");
  SelectObject(canvas.dc, f);
  EXPECT_EQ(canvas.Extent(u"i").cx, canvas.Extent(u"W").cx);
  EXPECT_EQ(0, canvas.Metrics().tmPitchAndFamily & TMPF_FIXED_PITCH);
  SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(FontMetrics, NegativeHeightIsTheEmAndPositiveTheCell) {
  Canvas canvas(10, 10);
  canvas.Use(u"Liberation Sans", -16);
  TEXTMETRICW em = canvas.Metrics();
  // Liberation Sans: usWinAscent 1854, usWinDescent 434 of 2048 units.
  EXPECT_EQ(14, em.tmAscent);
  EXPECT_EQ(3, em.tmDescent);
  EXPECT_EQ(17, em.tmHeight);
  EXPECT_EQ(1, em.tmInternalLeading);
  EXPECT_EQ(em.tmHeight, canvas.Extent(u"Hg").cy);
  canvas.Use(u"Liberation Sans", 40);
  TEXTMETRICW cell = canvas.Metrics();
  EXPECT_NEAR(40, cell.tmHeight, 1);
  EXPECT_EQ(cell.tmHeight, cell.tmAscent + cell.tmDescent);
  EXPECT_GT(cell.tmAveCharWidth, 0);
  EXPECT_GE(cell.tmMaxCharWidth, cell.tmAveCharWidth);
}

TEST(FontMetrics, StyleFlagsReachTheFontAndItsMetrics) {
  HFONT f = CreateFontW(-20, 0, 0, 0, FW_BOLD, 1, 1, 1, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY, 0, u"Arial");
  LOGFONTW lf{};
  ASSERT_EQ(static_cast<int>(sizeof(LOGFONTW)), GetObjectW(f, sizeof lf, &lf));
  EXPECT_EQ(-20, lf.lfHeight);
  EXPECT_EQ(FW_BOLD, lf.lfWeight);
  EXPECT_TRUE(lf.lfItalic && lf.lfUnderline && lf.lfStrikeOut);
  EXPECT_EQ(PROOF_QUALITY, lf.lfQuality);
  EXPECT_EQ(std::u16string(u"Arial"), std::u16string(lf.lfFaceName));
  EXPECT_EQ(OBJ_FONT, GetObjectType(f));
  Canvas canvas(10, 10);
  SelectObject(canvas.dc, f);
  TEXTMETRICW tm = canvas.Metrics();
  EXPECT_GE(tm.tmWeight, FW_BOLD);
  EXPECT_NE(0, tm.tmItalic);
  EXPECT_NE(0, tm.tmUnderlined);
  EXPECT_NE(0, tm.tmStruckOut);
  SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(FontMetrics, BoldIsWiderThanRegular) {
  Canvas canvas(10, 10);
  canvas.Use(u"Arial", -30);
  const LONG regular = canvas.Extent(u"Stampwork").cx;
  canvas.Use(u"Arial", -30, FW_BOLD);
  EXPECT_GT(canvas.Extent(u"Stampwork").cx, regular);
}

TEST(TextExtent, IsTheSumOfTheAdvancesWithoutKerning) {
  Canvas canvas(10, 10);
  canvas.Use(u"Arial", -40);
  EXPECT_EQ(canvas.Extent(u"A").cx + canvas.Extent(u"V").cx, canvas.Extent(u"AV").cx);
  EXPECT_EQ(canvas.Extent(u"T").cx + canvas.Extent(u"o").cx, canvas.Extent(u"To").cx);
  EXPECT_EQ(0, canvas.Extent(u"").cx);
  EXPECT_EQ(canvas.Metrics().tmHeight, canvas.Extent(u"").cy);
}

TEST(TextOut, OpaqueFillsTheCellWithTheBackgroundAndLeavesTheRestAlone) {
  Canvas canvas(120, 60, RGB(255, 0, 0));
  canvas.Use(u"Arial", -30);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  SetBkColor(canvas.dc, RGB(0, 0, 0));
  SetBkMode(canvas.dc, OPAQUE);
  canvas.Out(10, 5, u"A");
  const SIZE cell = canvas.Extent(u"A");
  // Inside the cell only black, white and the greys of the glyph's edges; outside it red.
  int white = 0, black = 0;
  for (int y = 0; y < canvas.h; ++y) {
    for (int x = 0; x < canvas.w; ++x) {
      const COLORREF c = canvas.At(x, y);
      const bool inside = x >= 10 && x < 10 + cell.cx && y >= 5 && y < 5 + cell.cy;
      if (!inside) {
        ASSERT_EQ(RGB(255, 0, 0), c) << x << "," << y;
        continue;
      }
      ASSERT_TRUE(GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c)) << x << "," << y;
      white += c == RGB(255, 255, 255);
      black += c == 0;
    }
  }
  EXPECT_GT(white, 20);
  EXPECT_GT(black, white);
}

TEST(TextOut, TransparentModeBlendsTheTextOverWhatIsThere) {
  Canvas canvas(120, 60, RGB(255, 0, 0));
  canvas.Use(u"Arial", -30);
  SetTextColor(canvas.dc, RGB(0, 0, 255));
  SetBkMode(canvas.dc, TRANSPARENT);
  canvas.Out(10, 5, u"A");
  EXPECT_EQ(0, canvas.Count(RGB(0, 0, 0)));
  EXPECT_GT(canvas.Count(RGB(0, 0, 255)), 20);
  // Edge pixels mix the two colours.
  bool mixed = false;
  for (int y = 0; y < canvas.h && !mixed; ++y) {
    for (int x = 0; x < canvas.w; ++x) {
      const COLORREF c = canvas.At(x, y);
      if (GetRValue(c) > 0 && GetRValue(c) < 255 && GetBValue(c) > 0 && GetGValue(c) == 0) mixed = true;
    }
  }
  EXPECT_TRUE(mixed);
}

TEST(TextOut, AlignmentMovesTheReferencePoint) {
  Canvas canvas(300, 100);
  canvas.Use(u"Arial", -30);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  SetBkColor(canvas.dc, RGB(0, 0, 255));
  const SIZE cell = canvas.Extent(u"Ab");
  const TEXTMETRICW tm = canvas.Metrics();
  EXPECT_EQ(static_cast<UINT>(TA_TOP | TA_LEFT), SetTextAlign(canvas.dc, TA_RIGHT | TA_BASELINE));
  canvas.Out(200, 60, u"Ab");
  // The opaque cell shows where the text went: its right edge at 200, its baseline at 60.
  RECT ink = canvas.Ink(0);
  EXPECT_EQ(200 - cell.cx, ink.left);
  EXPECT_EQ(200, ink.right);
  EXPECT_EQ(60 - tm.tmAscent, ink.top);
  EXPECT_EQ(60 - tm.tmAscent + tm.tmHeight, ink.bottom);
  EXPECT_EQ(static_cast<UINT>(TA_RIGHT | TA_BASELINE), GetTextAlign(canvas.dc));
}

TEST(TextOut, TextLeftOfTheBitmapIsCutNotMoved) {
  Canvas whole(100, 40), cut(100, 40);
  whole.Use(u"Arial", -30);
  cut.Use(u"Arial", -30);
  for (Canvas* c : {&whole, &cut}) {
    SetTextColor(c->dc, RGB(255, 255, 255));
    SetBkColor(c->dc, 0);
  }
  whole.Out(0, 0, u"W");
  cut.Out(-5, 0, u"W");
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x + 5 < 100; ++x) ASSERT_EQ(whole.At(x + 5, y), cut.At(x, y));
  }
}

TEST(TextOut, RotatedTextRunsUpwardsAtNinetyDegrees) {
  Canvas canvas(200, 200);
  canvas.Use(u"Arial", -24, FW_NORMAL, false, 0, 900);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  SetBkMode(canvas.dc, TRANSPARENT);
  canvas.Out(50, 180, u"Stampwork");
  RECT ink = canvas.Ink(0);
  EXPECT_GT(ink.bottom - ink.top, 2 * (ink.right - ink.left));
  EXPECT_LE(ink.bottom, 181);
  EXPECT_GE(ink.left, 50);  // the cell's top edge lies along x = 50, the glyphs to its right
}

TEST(TextOut, ItalicInkReachesBeyondTheAdvance) {
  Canvas canvas(100, 60);
  canvas.Use(u"Arial", -40, FW_NORMAL, true);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  SetBkMode(canvas.dc, TRANSPARENT);
  canvas.Out(0, 0, u"f");
  EXPECT_GT(canvas.Ink(0).right, canvas.Extent(u"f").cx);
}

TEST(TextOut, QualityChoosesBetweenSmoothAndHardEdges) {
  for (DWORD quality : {DEFAULT_QUALITY, PROOF_QUALITY, NONANTIALIASED_QUALITY}) {
    Canvas canvas(100, 50);
    canvas.Use(u"Arial", -30, FW_NORMAL, false, quality);
    SetTextColor(canvas.dc, RGB(255, 255, 255));
    SetBkColor(canvas.dc, 0);
    canvas.Out(0, 0, u"Rx");
    const int grey = canvas.w * canvas.h - canvas.Count(0) - canvas.Count(RGB(255, 255, 255));
    if (quality == NONANTIALIASED_QUALITY) {
      EXPECT_EQ(0, grey);
    } else {
      EXPECT_GT(grey, 10) << quality;
    }
  }
}

TEST(TextOut, UnderlineAndStrikeOutSpanTheText) {
  Canvas canvas(200, 60);
  HFONT f = CreateFontW(-30, 0, 0, 0, 400, 0, 1, 1, 1, 0, 0, 0, 0, u"Arial");
  SelectObject(canvas.dc, f);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  canvas.Out(10, 5, u"a a");
  const SIZE cell = canvas.Extent(u"a a");
  // Two full white rows across the space between the letters: underline and strike-out.
  int fullRows = 0;
  for (int y = 5; y < 5 + cell.cy; ++y) {
    bool full = true;
    for (int x = 10; x < 10 + cell.cx; ++x) full = full && canvas.At(x, y) == RGB(255, 255, 255);
    fullRows += full;
  }
  EXPECT_GE(fullRows, 2);
  SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
}

TEST(GlyphCache, DrawingTheSameTextAgainRasterisesNothingNew) {
  Canvas canvas(600, 150);
  canvas.Use(u"Arial", -107, FW_BOLD);
  SetBkMode(canvas.dc, TRANSPARENT);
  const int64_t before = platform::testing::GlyphRasterCount();
  canvas.Out(0, 0, u"No. 007!");
  const int64_t first = platform::testing::GlyphRasterCount() - before;
  EXPECT_GT(first, 0);
  EXPECT_LE(first, 7);  // N o . space 0 7 ! : at most the distinct glyphs
  for (int pass = 0; pass < 25; ++pass) canvas.Out(pass % 5 - 2, pass / 5 - 2, u"No. 007!");
  EXPECT_EQ(first, platform::testing::GlyphRasterCount() - before);
  // Measuring never rasterises.
  canvas.Use(u"Arial", -33);
  canvas.Extent(u"Quite a different text");
  EXPECT_EQ(first, platform::testing::GlyphRasterCount() - before);
}

TEST(GlyphCache, AFontMadeAgainFindsItsGlyphsCached) {
  Canvas canvas(300, 100);
  canvas.Use(u"Liberation Serif", -47);
  canvas.Out(0, 0, u"Label");
  const int64_t before = platform::testing::GlyphRasterCount();
  canvas.Use(u"Liberation Serif", -47);
  canvas.Out(0, 0, u"Label");
  EXPECT_EQ(before, platform::testing::GlyphRasterCount());
}

TEST(DrawText, CalcRectHonoursLineBreaks) {
  Canvas canvas(10, 10);
  canvas.Use(u"Arial", -16);
  const TEXTMETRICW tm = canvas.Metrics();
  RECT r{5, 7, 5, 7};
  const std::u16string text = u"a\nbb\r\nccc\rdd";
  EXPECT_EQ(4 * tm.tmHeight, DrawTextW(canvas.dc, text.c_str(), -1, &r, DT_CALCRECT));
  EXPECT_EQ(5, r.left);
  EXPECT_EQ(7, r.top);
  EXPECT_EQ(5 + canvas.Extent(u"ccc").cx, r.right);
  EXPECT_EQ(7 + 4 * tm.tmHeight, r.bottom);
  RECT single{0, 0, 0, 0};
  EXPECT_EQ(tm.tmHeight, DrawTextW(canvas.dc, u"one line", -1, &single, DT_CALCRECT | DT_SINGLELINE));
  EXPECT_EQ(canvas.Extent(u"one line").cx, single.right);
}

TEST(DrawText, PrefixesAreRemovedUnlessNoPrefixIsAsked) {
  Canvas canvas(10, 10);
  canvas.Use(u"Arial", -16);
  RECT plain{0, 0, 0, 0}, prefixed{0, 0, 0, 0}, kept{0, 0, 0, 0};
  DrawTextW(canvas.dc, u"Save && Load", -1, &plain, DT_CALCRECT);
  DrawTextW(canvas.dc, u"&Save & Load", -1, &kept, DT_CALCRECT | DT_NOPREFIX);
  DrawTextW(canvas.dc, u"&Save & Load", -1, &prefixed, DT_CALCRECT);
  EXPECT_EQ(canvas.Extent(u"Save & Load").cx, plain.right);
  EXPECT_EQ(canvas.Extent(u"&Save & Load").cx, kept.right);
  EXPECT_EQ(canvas.Extent(u"Save  Load").cx, prefixed.right);
}

TEST(DrawText, WordBreakWrapsAtTheRectangleWidth) {
  Canvas canvas(10, 10);
  canvas.Use(u"Arial", -16);
  const TEXTMETRICW tm = canvas.Metrics();
  const LONG width = canvas.Extent(u"credits and").cx + 2;
  RECT r{0, 0, width, 0};
  EXPECT_EQ(3 * tm.tmHeight, DrawTextW(canvas.dc, u"credits and licence texts", -1, &r, DT_CALCRECT | DT_WORDBREAK));
  EXPECT_LE(r.right, width);
}

TEST(DrawText, DrawsCentredAndClippedToTheRectangle) {
  Canvas canvas(200, 60, RGB(0, 0, 255));
  canvas.Use(u"Arial", -20);
  SetTextColor(canvas.dc, RGB(255, 255, 255));
  SetBkColor(canvas.dc, 0);
  RECT r{50, 10, 150, 50};
  const SIZE cell = canvas.Extent(u"Mid");
  DrawTextW(canvas.dc, u"Mid", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  const RECT ink = canvas.Ink(RGB(0, 0, 255));
  EXPECT_EQ(50 + (100 - cell.cx) / 2, ink.left);
  EXPECT_EQ(10 + (40 - cell.cy) / 2, ink.top);
  canvas.Fill(RGB(0, 0, 255));
  RECT narrow{50, 10, 60, 50};
  DrawTextW(canvas.dc, u"Wide text", -1, &narrow, DT_SINGLELINE);
  const RECT clipped = canvas.Ink(RGB(0, 0, 255));
  EXPECT_GE(clipped.left, 50);
  EXPECT_LE(clipped.right, 60);
  canvas.Fill(RGB(0, 0, 255));
  DrawTextW(canvas.dc, u"Wide text", -1, &narrow, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_GT(canvas.Ink(RGB(0, 0, 255)).right, 60);
}

TEST(StockFonts, NewDcsStartWithTheSystemFontAndTheGuiFontExists) {
  Canvas canvas(10, 10);
  EXPECT_EQ(GetStockObject(SYSTEM_FONT), GetCurrentObject(canvas.dc, OBJ_FONT));
  for (int index : {SYSTEM_FONT, DEFAULT_GUI_FONT, ANSI_VAR_FONT, ANSI_FIXED_FONT}) {
    HGDIOBJ f = GetStockObject(index);
    ASSERT_NE(nullptr, f);
    EXPECT_EQ(OBJ_FONT, GetObjectType(f));
    EXPECT_TRUE(DeleteObject(f));  // harmless for stock objects
    SelectObject(canvas.dc, f);
    EXPECT_GT(canvas.Extent(u"Hg").cy, 8);
  }
  SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(FW_BOLD, canvas.Metrics().tmWeight);
  EXPECT_EQ(16, canvas.Metrics().tmHeight);
}

TEST(FontObjects, ADeletedSelectedFontLivesUntilItIsDeselected) {
  const int64_t before = platform::testing::GdiObjectCount();
  {
    Canvas canvas(50, 30);
    HFONT f = CreateFontW(-16, 0, 0, 0, 400, 0, 0, 0, 1, 0, 0, 0, 0, u"Arial");
    SelectObject(canvas.dc, f);
    EXPECT_TRUE(DeleteObject(f));
    canvas.Out(0, 0, u"still");
    EXPECT_EQ(f, SelectObject(canvas.dc, GetStockObject(SYSTEM_FONT)));
    EXPECT_EQ(0, GetObjectType(f));
  }
  EXPECT_EQ(before, platform::testing::GdiObjectCount());
}

TEST(Display, DeviceCapsOfTheHeadlessScreen) {
  HDC screen = CreateDCW(u"DISPLAY", nullptr, nullptr, nullptr);
  ASSERT_NE(nullptr, screen);
  EXPECT_EQ(96, GetDeviceCaps(screen, LOGPIXELSY));
  EXPECT_EQ(96, GetDeviceCaps(screen, LOGPIXELSX));
  EXPECT_EQ(1920, GetDeviceCaps(screen, HORZRES));
  EXPECT_EQ(1080, GetDeviceCaps(screen, VERTRES));
  EXPECT_EQ(32, GetDeviceCaps(screen, BITSPIXEL));
  // The screen measures text like any DC.
  SIZE size{};
  EXPECT_TRUE(GetTextExtentPoint32W(screen, u"Hg", 2, &size));
  EXPECT_GT(size.cy, 0);
  EXPECT_TRUE(TextOutW(screen, 0, 0, u"Hg", 2));
  EXPECT_TRUE(DeleteDC(screen));
  EXPECT_EQ(0, GetDeviceCaps(screen, LOGPIXELSY));
  EXPECT_EQ(nullptr, CreateDCW(u"WINSPOOL", u"Printer", nullptr, nullptr));
}

TEST(Display, ABackendCanReportAnotherResolution) {
  platform::testing::ScreenSet(platform::ScreenInfo{2560, 1440, 120, 24});
  HDC screen = CreateDCW(u"display", nullptr, nullptr, nullptr);
  EXPECT_EQ(120, GetDeviceCaps(screen, LOGPIXELSY));
  EXPECT_EQ(2560, GetDeviceCaps(screen, HORZRES));
  DeleteDC(screen);
  platform::testing::ScreenSet(platform::ScreenInfo{});
  EXPECT_EQ(96, platform::Screen().dpi);
}

TEST(MulDiv, RoundsHalfAwayFromZeroAndReportsOverflow) {
  EXPECT_EQ(16, MulDiv(12, 96, 72));
  EXPECT_EQ(20, MulDiv(12, 120, 72));
  EXPECT_EQ(3, MulDiv(5, 1, 2));
  EXPECT_EQ(-3, MulDiv(-5, 1, 2));
  EXPECT_EQ(-3, MulDiv(5, 1, -2));
  EXPECT_EQ(2, MulDiv(7, 1, 3));
  EXPECT_EQ(-1, MulDiv(1, 1, 0));
  EXPECT_EQ(-1, MulDiv(INT32_MAX, 4, 2));
  EXPECT_EQ(2000000000, MulDiv(2000000000, 3, 3));
}

struct EnumSeen {
  std::vector<std::u16string> fullNames;
  std::vector<std::u16string> faceNames;
  std::vector<BYTE> charsets;
  int stopAfter = -1;
};

int CALLBACK_Collect(const LOGFONTW* lf, const TEXTMETRICW* tm, DWORD type, LPARAM data) {
  auto* seen = reinterpret_cast<EnumSeen*>(data);
  // The callback reads the full name 92 bytes into the record, as the program does.
  const auto* bytes = reinterpret_cast<const uint8_t*>(lf);
  seen->fullNames.emplace_back(reinterpret_cast<const char16_t*>(bytes + 92));
  seen->faceNames.emplace_back(lf->lfFaceName);
  seen->charsets.push_back(lf->lfCharSet);
  EXPECT_EQ(static_cast<DWORD>(TRUETYPE_FONTTYPE), type);
  EXPECT_GT(tm->tmHeight, 0);
  EXPECT_GT(reinterpret_cast<const NEWTEXTMETRICW*>(tm)->ntmSizeEM, 0u);
  return seen->stopAfter < 0 || static_cast<int>(seen->fullNames.size()) < seen->stopAfter;
}

TEST(FontEnum, EveryInstalledFamilyOncePerCharacterSet) {
  Canvas canvas(1, 1);
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  EnumSeen seen;
  EXPECT_EQ(1, EnumFontFamiliesExW(canvas.dc, &lf, CALLBACK_Collect, reinterpret_cast<LPARAM>(&seen), 0));
  std::set<std::u16string> names(seen.fullNames.begin(), seen.fullNames.end());
  EXPECT_TRUE(names.count(u"Liberation Sans"));
  EXPECT_TRUE(names.count(u"Liberation Serif"));
  EXPECT_TRUE(names.count(u"DejaVu Sans"));
  // A family covering several character sets is reported once for each.
  EXPECT_GT(seen.fullNames.size(), names.size());
  std::set<std::pair<std::u16string, BYTE>> pairs;
  for (size_t i = 0; i < seen.fullNames.size(); ++i) {
    EXPECT_TRUE(pairs.insert({seen.faceNames[i], seen.charsets[i]}).second) << "family reported twice";
  }
}

TEST(FontEnum, ANamedFamilyListsItsFacesAndTheCallbackCanStop) {
  Canvas canvas(1, 1);
  LOGFONTW lf{};
  lf.lfCharSet = ANSI_CHARSET;
  std::u16string name = u"liberation sans";
  std::copy(name.begin(), name.end(), lf.lfFaceName);
  EnumSeen seen;
  EnumFontFamiliesExW(canvas.dc, &lf, CALLBACK_Collect, reinterpret_cast<LPARAM>(&seen), 0);
  std::set<std::u16string> names(seen.fullNames.begin(), seen.fullNames.end());
  EXPECT_EQ(4u, names.size());
  EXPECT_TRUE(names.count(u"Liberation Sans Bold Italic"));
  for (BYTE charset : seen.charsets) EXPECT_EQ(ANSI_CHARSET, charset);
  EnumSeen stopped;
  stopped.stopAfter = 2;
  EXPECT_EQ(0, EnumFontFamiliesExW(canvas.dc, &lf, CALLBACK_Collect, reinterpret_cast<LPARAM>(&stopped), 0));
  EXPECT_EQ(2u, stopped.fullNames.size());
  EXPECT_EQ(0, EnumFontFamiliesExW(nullptr, &lf, CALLBACK_Collect, 0, 0));
}

}  // namespace
