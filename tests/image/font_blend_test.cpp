// How text is laid onto the target in each drawing mode: XOR, the alpha modes front over back
// over target, alpha channel only, gradients, custom filters and all channels.
#include "font_test_support.h"

namespace {

// Draws "W" at (4, 4) in a 40-pixel Arial and ends the drawing.
void DrawW(Pixels& pixels, int64_t mode, uint32_t front, uint32_t back) {
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  DrawingSetMode(mode);
  DrawTextAt(4, 4, u"W", front, back);
  DrawingEnd();
}

// A pixel fully inside the glyph "W" and one of the cell's background, found on a reference.
struct Spots {
  int inkX = -1, inkY = -1, bgX = 4, bgY = 4;
};

Spots FindSpots() {
  Pixels reference(80, 60);
  DrawW(reference, 0, 0xFFFFFFFF, 0xFF000000);
  Spots spots;
  for (int y = 0; y < 60 && spots.inkX < 0; ++y) {
    for (int x = 0; x < 80; ++x) {
      if (reference.Colour(x, y) == 0xFFFFFF) {
        spots.inkX = x, spots.inkY = y;
        break;
      }
    }
  }
  return spots;
}

TEST_F(FontTest, XorTextDrawnTwiceLeavesTheTargetAsItWas) {
  Pixels pixels(80, 60);
  pixels.Fill(0xFF336699);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  DrawingSetMode(DrawModeXor);
  DrawTextAt(4, 4, u"W", 0xFFFFFFFF, 0xFF0F0F0F);
  EXPECT_NE(0, pixels.CountOther(0x336699, 0, 0, 0, 0, false));
  DrawTextAt(4, 4, u"W", 0xFFFFFFFF, 0xFF0F0F0F);
  DrawingEnd();
  EXPECT_EQ(0, pixels.CountOther(0x336699, 0, 0, 0, 0, false));
}

TEST_F(FontTest, XorWithoutBackgroundOnlyTouchesTheGlyph) {
  const Spots spots = FindSpots();
  Pixels pixels(80, 60);
  pixels.Fill(0xFF336699);
  DrawW(pixels, DrawModeXor | DrawModeTransparent, 0xFFFFFFFF, 0xFF0F0F0F);
  EXPECT_EQ(0x336699u, pixels.Colour(spots.bgX, spots.bgY));
  EXPECT_EQ(0x336699u ^ 0xFFFFFFu, pixels.Colour(spots.inkX, spots.inkY));
}

TEST_F(FontTest, AlphaBlendComposesFrontOverBackOverTarget) {
  const Spots spots = FindSpots();
  Pixels pixels(80, 60);
  pixels.Fill(0xFF0000FF);
  DrawW(pixels, DrawModeAlphaBlend, 0xFFFFFFFF, 0x80000000);
  // The half-transparent black back over red, the opaque white front over both.
  EXPECT_EQ(0x00007Fu, pixels.Colour(spots.bgX, spots.bgY));
  EXPECT_EQ(0xFFFFFFu, pixels.Colour(spots.inkX, spots.inkY));
}

TEST_F(FontTest, AlphaBlendWithAnInvisibleFrontChangesNothing) {
  Pixels pixels(80, 60);
  pixels.Fill(0xFF0000FF);
  DrawW(pixels, DrawModeAlphaBlend | DrawModeTransparent, 0x00FFFFFF, 0xFF000000);
  EXPECT_EQ(0, pixels.CountOther(0x0000FF, 0, 0, 0, 0, false));
  DrawW(pixels, DrawModeAlphaBlend, 0x00FFFFFF, 0x00000000);
  EXPECT_EQ(0, pixels.CountOther(0x0000FF, 0, 0, 0, 0, false));
}

TEST_F(FontTest, AlphaBlendAndClipOnFourBytes) {
  const Spots spots = FindSpots();
  Pixels blend(80, 60, 4), clip(80, 60, 4);
  blend.Fill(0x400000FF);
  clip.Fill(0x400000FF);
  DrawW(blend, DrawModeAlphaBlend | DrawModeTransparent, 0xFFFFFFFF, 0);
  DrawW(clip, DrawModeAlphaClip | DrawModeTransparent, 0xFFFFFFFF, 0);
  EXPECT_EQ(0xFFFFFFFFu, blend.Colour(spots.inkX, spots.inkY));  // covered fully: colour and alpha
  EXPECT_EQ(0x40FFFFFFu, clip.Colour(spots.inkX, spots.inkY));   // alpha kept
  EXPECT_EQ(0x400000FFu, blend.Colour(spots.bgX, spots.bgY));
  EXPECT_EQ(0x400000FFu, clip.Colour(spots.bgX, spots.bgY));
}

TEST_F(FontTest, AlphaBlendOntoAnEmptyFourByteTargetTakesTheFrontColour) {
  const Spots spots = FindSpots();
  Pixels pixels(80, 60, 4);
  DrawW(pixels, DrawModeAlphaBlend | DrawModeTransparent, 0x80102030, 0);
  EXPECT_EQ(0x80102030u, pixels.Colour(spots.inkX, spots.inkY));
  EXPECT_EQ(0u, pixels.Colour(spots.bgX, spots.bgY));
}

TEST_F(FontTest, AlphaChannelWritesOnlyAlpha) {
  const Spots spots = FindSpots();
  Pixels three(80, 60, 3), four(80, 60, 4);
  three.Fill(0xFF0000FF);
  four.Fill(0x110000FF);
  DrawW(three, DrawModeAlphaChannel, 0xFFFFFFFF, 0x80000000);
  DrawW(four, DrawModeAlphaChannel, 0xC0FFFFFF, 0x30000000);
  EXPECT_EQ(0, three.CountOther(0x0000FF, 0, 0, 0, 0, false));
  EXPECT_EQ(0, four.CountOther(0x0000FF, 0, 0, 0, 0, false));
  EXPECT_EQ(0xC00000FFu, four.Colour(spots.inkX, spots.inkY));
  EXPECT_EQ(0x300000FFu, four.Colour(spots.bgX, spots.bgY));  // opaque: the back's alpha
  EXPECT_EQ(0x110000FFu, four.Colour(79, 59));                // outside the cell
}

int g_customCalls = 0;
uint32_t g_maxSourceAlpha = 0;
uint32_t CountingFilter(int64_t, int64_t, uint32_t source, uint32_t target) {
  ++g_customCalls;
  g_maxSourceAlpha = std::max(g_maxSourceAlpha, source >> 24);
  return (source >> 24) > 128 ? 0xFF00FF00u : target;
}

TEST_F(FontTest, CustomFilterSeesTheCoverageAsAlpha) {
  Pixels pixels(80, 60);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  DrawingSetCustomFilter(CountingFilter);
  DrawingSetMode(DrawModeCustom);
  g_customCalls = 0;
  g_maxSourceAlpha = 0;
  const int width = static_cast<int>(DrawTextWidth(u"W")), height = static_cast<int>(DrawTextHeight(u"W"));
  DrawTextAt(4, 4, u"W", 0xFFFFFFFF);
  DrawingEnd();
  EXPECT_EQ(width * height, g_customCalls);
  EXPECT_EQ(255u, g_maxSourceAlpha);
  EXPECT_GT(60 * 80 - pixels.CountOther(0x00FF00, 0, 0, 0, 0, false), 30);
  EXPECT_EQ(0, pixels.CountOther(0, 4, 4, 4 + width, 4 + height, false));
}

double LeftEdge(int64_t, int64_t) { return 0.0; }

TEST_F(FontTest, GradientTextTakesItsColourFromTheGradient) {
  const Spots spots = FindSpots();
  Pixels pixels(80, 60);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 30, 0));
  DrawingBackColor(0xFF00FF00);
  DrawingSetGradientRoutine(LeftEdge);  // every pixel at position 0: the back colour
  DrawingSetMode(DrawModeGradient | DrawModeTransparent);
  DrawTextAt(4, 4, u"W", 0xFFFFFFFF, 0xFF00FF00);
  DrawingEnd();
  EXPECT_EQ(0x00FF00u, pixels.Colour(spots.inkX, spots.inkY));
  EXPECT_EQ(0u, pixels.Colour(spots.bgX, spots.bgY));
}

TEST_F(FontTest, AllChannelsWithoutBackgroundWritesOnlyWhereTheTextIs) {
  const Spots spots = FindSpots();
  Pixels pixels(80, 60, 4);
  pixels.Fill(0x20000000);
  DrawW(pixels, DrawModeAllChannels | DrawModeTransparent, 0x90FFFFFF, 0);
  EXPECT_EQ(0x90FFFFFFu, pixels.Colour(spots.inkX, spots.inkY));
  EXPECT_EQ(0x20000000u, pixels.Colour(spots.bgX, spots.bgY));
}

}  // namespace
