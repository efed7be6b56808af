// The outline drawn at once: the same pixels (within one level a channel) as the text stamped at
// every offset of the border's square, for fonts, borders, places half outside the area and
// pixel layouts; and a border far wider than the area is drawn without stamping.
#include <chrono>
#include <tuple>

#include "font_test_support.h"

namespace {

constexpr const char16_t* kLabel = u"No. 007!";

// A ground whose channels differ from pixel to pixel, so every rounding of a blend shows.
void Ground(Pixels& pixels) {
  for (int y = 0; y < pixels.h; ++y) {
    for (int x = 0; x < pixels.w; ++x) {
      uint8_t* p = pixels.At(x, y);
      p[0] = static_cast<uint8_t>(x * 7 + y * 3);
      p[1] = static_cast<uint8_t>(x * 3 + y * 11 + 40);
      p[2] = static_cast<uint8_t>((x ^ y) * 5);
    }
  }
}

struct OutlineCase {
  const char16_t* face;
  int64_t size;
  int64_t flags;
  int border;
  int x, y;
  int bytes;
  bool bottomUp;
};

void PrintTo(const OutlineCase& c, std::ostream* out) {
  *out << "size " << c.size << " border " << c.border << " at " << c.x << "," << c.y;
}

class OutlineTest : public FontTest, public ::testing::WithParamInterface<OutlineCase> {
 protected:
  // Draws the outline (stamped or at once) in a fresh area and returns it.
  void Draw(Pixels& pixels, bool stamped) {
    const OutlineCase& c = GetParam();
    Ground(pixels);
    ASSERT_TRUE(pixels.Begin());
    DrawingSetFont(FontLoad(1, c.face, c.size, c.flags));
    DrawingSetMode(DrawModeTransparent);
    constexpr int64_t kColour = 0x2050E0;
    if (stamped) {
      for (int i = -c.border; i <= c.border; ++i) {
        for (int j = -c.border; j <= c.border; ++j) DrawTextAt(c.x + i, c.y + j, kLabel, kColour);
      }
    } else {
      DrawTextOutline(c.x, c.y, kLabel, kColour, c.border);
    }
    DrawingEnd();
  }
};

TEST_P(OutlineTest, DrawnAtOnceItMatchesTheStampedPasses) {
  const OutlineCase& c = GetParam();
  Pixels stamped(260, 90, c.bytes, c.bottomUp), once(260, 90, c.bytes, c.bottomUp);
  Draw(stamped, true);
  Draw(once, false);
  int changed = 0;
  for (int y = 0; y < stamped.h; ++y) {
    for (int x = 0; x < stamped.w; ++x) {
      const uint8_t* a = stamped.At(x, y);
      const uint8_t* b = once.At(x, y);
      for (int i = 0; i < c.bytes; ++i) ASSERT_LE(std::abs(a[i] - b[i]), 1) << x << "," << y << " channel " << i;
      changed += (a[0] ^ static_cast<uint8_t>(x * 7 + y * 3)) != 0;
    }
  }
  EXPECT_TRUE(once.GuardsIntact());
  if (c.x - c.border < 260 && c.y - c.border < 90) {
    EXPECT_GT(changed, 50);  // the outline is there
  }
}

INSTANTIATE_TEST_SUITE_P(
    FontsBordersAndPlaces, OutlineTest,
    ::testing::Values(OutlineCase{u"Arial", 30, CV_Font_HighQuality, 0, 20, 10, 3, false},
                      OutlineCase{u"Arial", 30, CV_Font_HighQuality, 1, 20, 10, 3, false},
                      OutlineCase{u"Arial", 30, CV_Font_HighQuality | CV_Font_Bold, 2, 20, 10, 4, true},
                      OutlineCase{u"DejaVu Serif", 24, CV_Font_Italic, 3, 30, 20, 3, true},
                      OutlineCase{u"Arial", 11, 0, 4, 5, 5, 4, false},         // small: few full pixels
                      OutlineCase{u"Arial", 40, 0, 5, -60, -12, 3, false},     // cut at the top left
                      OutlineCase{u"Arial", 40, 0, 6, 150, 60, 3, true},       // cut at the bottom right
                      OutlineCase{u"Arial", 20, 0, 8, 262, 30, 3, false},      // only the outline reaches in
                      OutlineCase{u"Arial", 20, 0, 2, 400, 100, 3, false}));   // nothing reaches in

TEST_F(FontTest, ABorderFarWiderThanTheAreaFillsItWithoutStamping) {
  Pixels pixels(320, 200);
  Ground(pixels);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 60, CV_Font_HighQuality));
  DrawingSetMode(DrawModeTransparent);
  const auto start = std::chrono::steady_clock::now();
  // At the ends of the range nothing overflows; the text lies far outside, its outline reaches in.
  DrawTextOutline(INT64_MIN, INT64_MAX, kLabel, 0x00FF00, INT64_MAX);
  // Stamped, this would be 4 * 10^10 text passes.
  DrawTextOutline(100, 50, kLabel, 0x0000FF, 100000);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  DrawingEnd();
  // Every pixel lies within reach of a fully covered glyph pixel: the whole area is the colour.
  EXPECT_EQ(0, pixels.CountOther(0x0000FF, 0, 0, 0, 0, false));
  EXPECT_TRUE(pixels.GuardsIntact());
}

}  // namespace
