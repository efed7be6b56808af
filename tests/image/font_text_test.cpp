// Text on a drawing: selecting fonts, measuring, drawing at a position (cut at the left edge,
// over a background or transparent), the italic overhang, the scratch bitmap, turned text, the
// outline label the program draws, the glyph cache, and bad texts.
#include <cmath>

#include "font_test_support.h"
#include "testing.h"

namespace {

constexpr uint32_t kRed = 0xFF0000FF;
constexpr uint32_t kWhite = 0xFFFFFFFF;

bool Grey(uint32_t c) { return (c & 0xFF) == ((c >> 8) & 0xFF) && ((c >> 8) & 0xFF) == ((c >> 16) & 0xFF); }

TEST_F(FontTest, WidthAndHeightMeasureTheSelectedFont) {
  Pixels pixels(200, 100);
  ASSERT_TRUE(pixels.Begin());
  const int64_t font = FontLoad(1, u"Arial", 30, 0);
  DrawingSetFont(font);
  EXPECT_EQ(AdvanceOf(1, u"Stamp"), DrawTextWidth(u"Stamp"));
  TEXTMETRICW tm{};
  HDC dc = CreateCompatibleDC(nullptr);
  SelectObject(dc, reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(font)));
  GetTextMetricsW(dc, &tm);
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  DeleteDC(dc);
  EXPECT_EQ(tm.tmHeight, DrawTextHeight(u"Stamp"));
  EXPECT_EQ(0, DrawTextWidth(u""));
  EXPECT_EQ(0, DrawTextWidth(nullptr));
  EXPECT_EQ(0, DrawTextHeight(u""));
  EXPECT_EQ(0, DrawTextHeight(nullptr));
}

TEST_F(FontTest, ItalicWidthIncludesTheOverhangAndDrawingReturnsIt) {
  Pixels pixels(300, 100);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 40, CV_Font_Italic));
  const int64_t advance = AdvanceOf(1, u"Hi f");
  const int64_t width = DrawTextWidth(u"Hi f");
  EXPECT_GT(width, advance);
  EXPECT_EQ(width - advance, DrawingCurrent()->italicOverhang);
  EXPECT_EQ(10 + width, DrawTextAt(10, 5, u"Hi f", kWhite));
  // Upright fonts have none.
  DrawingSetFont(FontLoad(2, u"Arial", 40, 0));
  EXPECT_EQ(AdvanceOf(2, u"Hi f"), DrawTextWidth(u"Hi f"));
  EXPECT_EQ(0, DrawingCurrent()->italicOverhang);
}

TEST_F(FontTest, OpaqueTextShowsBlackAroundTheGlyphInsideTheCellAndRedOutside) {
  Pixels pixels(120, 80);
  pixels.Fill(kRed);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  const int64_t width = DrawTextWidth(u"A"), height = DrawTextHeight(u"A");
  EXPECT_EQ(20 + width, DrawTextAt(20, 10, u"A", kWhite));
  DrawingEnd();
  EXPECT_EQ(0, pixels.CountOther(kRed, 20, 10, 20 + width, 10 + height, false));
  int black = 0, white = 0;
  for (int y = 10; y < 10 + height; ++y) {
    for (int x = 20; x < 20 + width; ++x) {
      const uint32_t c = pixels.Colour(x, y);
      ASSERT_TRUE(Grey(c)) << x << "," << y;
      black += c == 0;
      white += c == 0xFFFFFF;
    }
  }
  EXPECT_GT(white, 30);
  EXPECT_GT(black, white);
  // The corners of the cell are background.
  EXPECT_EQ(0u, pixels.Colour(20, 10));
  EXPECT_EQ(0u, pixels.Colour(19 + static_cast<int>(width), 9 + static_cast<int>(height)));
  EXPECT_TRUE(pixels.GuardsIntact());
}

TEST_F(FontTest, TransparentTextLeavesTheRedAroundTheGlyph) {
  Pixels pixels(120, 80);
  pixels.Fill(kRed);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetMode(DrawModeTransparent);
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  const int width = static_cast<int>(DrawTextWidth(u"A"));
  DrawTextAt(20, 10, u"A", kWhite);
  DrawingEnd();
  int red = 0, white = 0;
  for (int y = 0; y < pixels.h; ++y) {
    for (int x = 0; x < pixels.w; ++x) {
      const uint32_t c = pixels.Colour(x, y);
      // Only red, white and their mixes: full red, equal green and blue.
      ASSERT_EQ(0xFFu, c & 0xFF) << x << "," << y;
      ASSERT_EQ((c >> 8) & 0xFF, (c >> 16) & 0xFF);
      red += c == 0xFF;
      white += c == 0xFFFFFF;
    }
  }
  EXPECT_GT(white, 30);
  EXPECT_EQ(0, pixels.CountOther(kRed, 20, 10, 20 + width, 60, false));
  EXPECT_GT(red, pixels.w * pixels.h - 400);
}

TEST_F(FontTest, TextLeftOfTheAreaIsCutNotMoved) {
  Pixels whole(100, 50), cut(100, 50);
  ASSERT_TRUE(whole.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  const int64_t width = DrawTextWidth(u"Wm");
  EXPECT_EQ(width, DrawTextAt(0, 0, u"Wm", kWhite));
  DrawingEnd();
  ASSERT_TRUE(cut.Begin());
  DrawingSetFont(FontHandle(1));
  EXPECT_EQ(-5 + width, DrawTextAt(-5, 0, u"Wm", kWhite));
  DrawingEnd();
  for (int y = 0; y < 50; ++y) {
    for (int x = 0; x + 5 < width; ++x) ASSERT_EQ(whole.Colour(x + 5, y), cut.Colour(x, y)) << x << "," << y;
  }
  EXPECT_EQ(0, cut.CountOther(0, 0, 0, static_cast<int>(width) - 5, 50, false));
}

TEST_F(FontTest, TextOutsideTheAreaOnlyMovesThePen) {
  Pixels pixels(60, 40);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 20, 0));
  const int64_t width = DrawTextWidth(u"Far");
  EXPECT_EQ(-1000 + width, DrawTextAt(-1000, 0, u"Far", kWhite));
  EXPECT_EQ(500 + width, DrawTextAt(500, 0, u"Far", kWhite));
  EXPECT_EQ(5 + width, DrawTextAt(5, 100, u"Far", kWhite));
  EXPECT_EQ(int64_t{1} << 50, DrawTextAt(int64_t{1} << 50, 0, u"", kWhite));
  EXPECT_EQ(-(int64_t{1} << 50) + width, DrawTextAt(-(int64_t{1} << 50), -(int64_t{1} << 50), u"Far", kWhite));
  DrawingEnd();
  EXPECT_EQ(0, pixels.CountOther(0, 0, 0, 0, 0, false));
}

TEST_F(FontTest, SetFontZeroKeepsTheFontInUse) {
  Pixels pixels(200, 100);
  ASSERT_TRUE(pixels.Begin());
  const int64_t system = DrawTextWidth(u"Label");
  DrawingSetFont(0);
  EXPECT_EQ(system, DrawTextWidth(u"Label"));
  DrawingSetFont(FontLoad(1, u"Arial", 40, CV_Font_Italic));
  const int64_t big = DrawTextWidth(u"Label");
  EXPECT_NE(system, big);
  DrawingSetFont(0);
  DrawingSetFont(0x12345);
  EXPECT_EQ(big, DrawTextWidth(u"Label"));
  EXPECT_EQ(big, DrawTextAt(0, 0, u"Label", kWhite));
  DrawingSetFont(-1);
  EXPECT_EQ(system, DrawTextWidth(u"Label"));
}

TEST_F(FontTest, EveryDrawingStartsWithTheSystemFont) {
  Pixels pixels(200, 100);
  ASSERT_TRUE(pixels.Begin());
  const int64_t system = DrawTextWidth(u"Label");
  DrawingSetFont(FontLoad(1, u"Arial", 40, 0));
  DrawingEnd();
  ASSERT_TRUE(pixels.Begin());
  EXPECT_EQ(system, DrawTextWidth(u"Label"));
  EXPECT_EQ(reinterpret_cast<intptr_t>(GetStockObject(SYSTEM_FONT)), DrawingCurrent()->font);
}

TEST_F(FontTest, AnUnknownFaceStillDraws) {
  Pixels pixels(200, 60);
  ASSERT_TRUE(pixels.Begin());
  const int64_t font = FontLoad(1, u"Stampwork Imaginary Face", 20, 0);
  ASSERT_NE(0, font);
  DrawingSetFont(font);
  EXPECT_GT(DrawTextWidth(u"Hello"), 20);
  DrawTextAt(0, 0, u"Hello", kWhite);
  DrawingEnd();
  EXPECT_GT(pixels.CountOther(0, 0, 0, 0, 0, false), 30);
}

TEST_F(FontTest, TheScratchFitsTheTallestFontAndNeverShrinks) {
  Pixels pixels(300, 200);
  ASSERT_TRUE(pixels.Begin());
  DrawingContext* context = DrawingCurrent();
  EXPECT_EQ(50, context->textHeight);  // the system font needs less than the minimum
  EXPECT_NE(nullptr, context->textScratch);
  DrawingSetFont(FontLoad(1, u"Arial", 80, 0));
  const int32_t tall = context->textHeight;
  EXPECT_EQ(DrawTextHeight(u"Hg") + 20, tall);
  HBITMAP scratch = context->textScratch;
  DrawingSetFont(FontLoad(2, u"Arial", 10, 0));
  EXPECT_EQ(tall, context->textHeight);
  EXPECT_EQ(scratch, context->textScratch);
  DIBSECTION section{};
  ASSERT_EQ(static_cast<int>(sizeof section), GetObjectW(context->textScratch, sizeof section, &section));
  EXPECT_EQ(300, section.dsBm.bmWidth);
  EXPECT_EQ(24, section.dsBm.bmBitsPixel);
  EXPECT_LT(section.dsBmih.biHeight, 0);  // top-down
}

TEST_F(FontTest, TextTallerThanTheScratchIsCutAtItsHeight) {
  Pixels pixels(200, 120);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 40, 0));
  // A scratch that kept the height of an earlier, smaller font (as when a larger one could not
  // be had) holds only its own rows of the text.
  DrawingCurrent()->textHeight = 30;
  DrawTextAt(0, 10, u"Ag", 0xFFFFFFFF, 0xFF0000FF);
  DrawingEnd();
  EXPECT_EQ(0, pixels.CountOther(0, 0, 10, 200, 40, false));
  EXPECT_EQ(0xFFu, pixels.Colour(0, 10));
  EXPECT_EQ(0xFFu, pixels.Colour(0, 39));
}

TEST_F(FontTest, TextIsTheRightWayUpOnEveryKindOfTarget) {
  Pixels reference(120, 50);
  ASSERT_TRUE(reference.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 24, 0));
  DrawTextAt(3, 4, u"Fg", 0xFF20C0FF, 0xFF402000);
  DrawingEnd();
  for (bool bottomUp : {false, true}) {
    for (int bytes : {3, 4}) {
      Pixels pixels(120, 50, bytes, bottomUp);
      ASSERT_TRUE(pixels.Begin());
      DrawingSetFont(FontHandle(1));
      DrawTextAt(3, 4, u"Fg", 0xFF20C0FF, 0xFF402000);
      DrawingEnd();
      for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 120; ++x) {
          ASSERT_EQ(reference.Colour(x, y), pixels.Colour(x, y) & 0xFFFFFF) << bytes << bottomUp << " " << x << "," << y;
        }
      }
      EXPECT_TRUE(pixels.GuardsIntact());
    }
  }
}

TEST_F(FontTest, DrawingUsesTheContextsBackColourAndTheOffset) {
  Pixels pixels(200, 60);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 20, 0));
  DrawingBackColor(0xFF0000FF);
  DrawingSetOrigin(30, 5);
  const int64_t width = DrawTextWidth(u"ab");
  // The result is in the caller's coordinates, ready to place the next text.
  const int64_t next = DrawTextAt(0, 0, u"ab", 0xFFFFFFFF);
  EXPECT_EQ(width, next);
  DrawTextAt(next, 0, u"ab", 0xFFFFFFFF);
  DrawingEnd();
  EXPECT_EQ(0x0000FFu, pixels.Colour(30, 5));                    // the back colour at the shifted corner
  EXPECT_EQ(0x0000FFu, pixels.Colour(30 + 2 * static_cast<int>(width) - 1, 5));
  EXPECT_EQ(0u, pixels.Colour(29, 5));
  EXPECT_EQ(0u, pixels.Colour(30 + 2 * static_cast<int>(width), 5));
}

TEST_F(FontTest, ClippedTextStaysInsideTheClip) {
  Pixels pixels(200, 80);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  DrawingClip(50, 20, 40, 30);
  DrawTextAt(-10, -10, u"Wide clipped text", kWhite, 0xFF00FF00);
  DrawingEnd();
  EXPECT_EQ(0, pixels.CountOther(0, 50, 20, 90, 50, false));
  EXPECT_GT(pixels.CountOther(0, 50, 20, 90, 50, true), 100);
}

TEST_F(FontTest, RotatedTextTurnsAndNeverPaintsABackground) {
  Pixels pixels(200, 200);
  pixels.Fill(kRed);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 20, 0));
  DrawingFrontColor(kWhite);
  const int64_t width = DrawTextWidth(u"Stampwork");
  EXPECT_EQ(100, DrawTextRotated(100, 180, u"Stampwork", 90));
  HGDIOBJ turned = DrawingCurrent()->rotatedFont;
  ASSERT_NE(nullptr, turned);
  DrawTextRotated(100, 180, u"Stampwork", 450);  // the same angle: the turned font is kept
  EXPECT_EQ(turned, DrawingCurrent()->rotatedFont);
  EXPECT_EQ(150 + width, DrawTextRotated(150, 10, u"Stampwork", 360));
  DrawingEnd();
  int left = 200, right = 0, top = 200, bottom = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 140; ++x) {
      const uint32_t c = pixels.Colour(x, y);
      ASSERT_EQ(0xFFu, c & 0xFF) << "no black background";
      if (c == 0xFF) continue;
      left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  EXPECT_GE(left, 100);
  EXPECT_LE(bottom, 180);
  EXPECT_GT(bottom - top, 2 * (right - left));
  EXPECT_NEAR(width, bottom - top, 8);
}

// The program's outline label: the text in the outline colour at every offset within the
// border, transparent, then once in the text colour on top.
TEST_F(FontTest, TheOutlineLabelRingsTheTextAndStaysInItsBox) {
  Pixels pixels(400, 160);
  pixels.Fill(0xFF808080);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 60, CV_Font_HighQuality | CV_Font_Bold));
  const int border = 2, x = 40, y = 30;
  const int width = static_cast<int>(DrawTextWidth(u"No. 007!")), height = static_cast<int>(DrawTextHeight(u"No. 007!"));
  DrawingSetMode(DrawModeTransparent);
  for (int dy = -border; dy <= border; ++dy) {
    for (int dx = -border; dx <= border; ++dx) DrawTextAt(x + dx, y + dy, u"No. 007!", 0xFF0000FF);
  }
  DrawTextAt(x, y, u"No. 007!", 0xFFFFFFFF);
  DrawingEnd();
  EXPECT_EQ(0, pixels.CountOther(0x808080, x - border, y - border, x + width + border, y + height + border, false));
  int text = 0, ring = 0;
  for (int py = 0; py < pixels.h; ++py) {
    for (int px = 0; px < pixels.w; ++px) {
      const uint32_t c = pixels.Colour(px, py);
      if (c == 0xFFFFFF) {
        ++text;
        // Every pixel of the text colour sits inside the outline: none touches the background.
        for (int ny = py - 1; ny <= py + 1; ++ny)
          for (int nx = px - 1; nx <= px + 1; ++nx) ASSERT_NE(0x808080u, pixels.Colour(nx, ny)) << px << "," << py;
      }
      ring += c == 0x0000FF;
    }
  }
  EXPECT_GT(text, 500);
  EXPECT_GT(ring, 400);
}

TEST_F(FontTest, DrawingTheSameLabelAgainRasterisesNoGlyphs) {
  Pixels pixels(600, 200);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 80, CV_Font_Bold));
  DrawingSetMode(DrawModeTransparent);
  DrawTextAt(0, 0, u"No. 007!", 0xFF0000FF);
  const int64_t before = platform::testing::GlyphRasterCount();
  for (int pass = 0; pass < 25; ++pass) DrawTextAt(pass % 5, pass / 5, u"No. 007!", 0xFF0000FF);
  EXPECT_EQ(before, platform::testing::GlyphRasterCount());
}

TEST_F(FontTest, BadTextsDrawSafely) {
  Pixels pixels(300, 60);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 14, 0));
  EXPECT_EQ(7, DrawTextAt(7, 0, nullptr, kWhite));
  EXPECT_EQ(7, DrawTextAt(7, 0, u"", kWhite));
  std::u16string huge(100000, u'x');
  EXPECT_EQ(100000 * AdvanceOf(1, u"x"), DrawTextWidth(huge.c_str()));
  EXPECT_EQ(DrawTextWidth(huge.c_str()), DrawTextAt(0, 0, huge.c_str(), kWhite));
  const char16_t odd[] = {u'a', 0x0007, u'\r', u'\n', 0xD800, u'b', 0xDFFF, 0};
  EXPECT_GT(DrawTextWidth(odd), 0);
  DrawTextAt(0, 30, odd, kWhite);
  DrawTextRotated(100, 50, huge.c_str(), 33);
  DrawTextRotated(100, 50, odd, std::nan(""));
  DrawingEnd();
  EXPECT_TRUE(pixels.GuardsIntact());
  // Without a drawing the text operations do nothing.
  EXPECT_EQ(0, DrawTextWidth(u"x"));
  EXPECT_EQ(0, DrawTextHeight(u"x"));
  EXPECT_EQ(4, DrawTextAt(4, 0, u"x", kWhite));
  EXPECT_EQ(4, DrawTextAt(4, 0, u"x", kWhite, 0));
  EXPECT_EQ(4, DrawTextRotated(4, 0, u"x", 10));
  DrawingSetFont(-1);
}

TEST_F(FontTest, AbsurdSizesDrawWithinBoundedMemory) {
  Pixels pixels(200, 100);
  ASSERT_TRUE(pixels.Begin());
  for (int64_t size : {int64_t{0}, int64_t{-5}, int64_t{5000}, int64_t{1}}) {
    for (int64_t flags : {int64_t{0}, CV_Font_Italic | CV_Font_Bold}) {
      const int64_t font = FontLoad(1, u"Arial", size, flags);
      ASSERT_NE(0, font) << size;
      DrawingSetFont(font);
      EXPECT_GT(DrawTextHeight(u"Ag"), 0) << size;
      DrawTextAt(-20, -30, u"Ag", kWhite);
    }
  }
  DrawingEnd();
  EXPECT_TRUE(pixels.GuardsIntact());
}

}  // namespace
