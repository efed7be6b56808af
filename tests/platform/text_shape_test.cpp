// Shaped text with real fonts: Arabic joined right to left, Devanagari vowel signs reordered,
// characters the face lacks drawn from a fallback face, mixed directions, Latin text exactly as
// drawn glyph by glyph before, the cache of shaped lines, and hostile texts.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <ostream>
#include <sstream>

#include "testing.h"
#include "text_support.h"

namespace {

// A canvas with white text on black, opaque as GDI's default mode, in Arial at `em` pixels.
struct TextCanvas : Canvas {
  TextCanvas(int width, int height, int em = 40) : Canvas(width, height) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkColor(dc, 0);
    if (em > 0) Use(u"Arial", -em);
  }
  int Level(int x, int y) const { return GetRValue(At(x, y)); }
};

// Where `part`, drawn at the same height, sits best within `whole`: the shift with the most ink
// in common. Texts drawn glyph by glyph in logical order would put a first letter at shift 0.
int BestShift(const TextCanvas& whole, const TextCanvas& part) {
  int best = 0;
  int64_t bestScore = -1;
  for (int shift = -part.w; shift < whole.w; ++shift) {
    int64_t score = 0;
    for (int y = 0; y < part.h && y < whole.h; ++y) {
      for (int x = 0; x < part.w; ++x) {
        const int wx = x + shift;
        if (wx < 0 || wx >= whole.w) continue;
        score += std::min(part.Level(x, y), whole.Level(wx, y));
      }
    }
    if (score > bestScore) {
      bestScore = score;
      best = shift;
    }
  }
  return best;
}

TEST(TextShape, ArabicJoinsAndRunsRightToLeft) {
  const std::u16string word = u"\u0631\u0642\u0645";  // "رقم"
  TextCanvas whole(300, 80), first(300, 80);
  int isolated = 0;
  for (char16_t letter : word) isolated += whole.Extent(std::u16string(1, letter)).cx;
  const SIZE size = whole.Extent(word);
  EXPECT_NE(isolated, size.cx) << "joined forms have advances of their own";
  whole.Out(0, 0, word);
  first.Out(0, 0, word.substr(0, 1));
  const int letterWidth = first.Extent(word.substr(0, 1)).cx;
  const int shift = BestShift(whole, first);
  EXPECT_GE(shift + letterWidth, size.cx - 2) << "the first letter ends the line on the right";
  EXPECT_GT(shift, size.cx / 3);
}

TEST(TextShape, DevanagariVowelSignIStandsBeforeItsConsonant) {
  TextCanvas whole(300, 80), consonant(300, 80);
  whole.Out(0, 0, u"\u0915\u093F");  // "कि": ka, then the vowel sign i drawn before it
  consonant.Out(0, 0, u"\u0915");
  EXPECT_GT(whole.Ink(0).right, 0);
  EXPECT_GT(BestShift(whole, consonant), 40 / 6) << "the consonant moves right of its vowel sign";
}

// A character the selected face lacks comes from another face: real ink at the same size on the
// same baseline, and not the missing-glyph box that a character no face has gets.
struct FallbackCase {
  const char* name;
  std::u16string text;
  friend std::ostream& operator<<(std::ostream& out, const FallbackCase& c) { return out << c.name; }
};
class TextFallback : public testing::TestWithParam<FallbackCase> {};

TEST_P(TextFallback, DrawsFromAFaceThatHasTheCharacter) {
  TextCanvas drawn(200, 80), missing(200, 80), latin(200, 80);
  const std::u16string noFace = u"\U0010FFFD";  // private use: no face draws it
  drawn.Out(10, 0, GetParam().text);
  missing.Out(10, 0, noFace);
  latin.Out(10, 0, u"H");
  const RECT ink = drawn.Ink(0), box = missing.Ink(0), h = latin.Ink(0);
  ASSERT_GT(ink.right, ink.left);
  ASSERT_GT(box.right, box.left) << "a character no face has still shows a replacement glyph";
  EXPECT_NE(0, std::memcmp(drawn.bits, missing.bits, static_cast<size_t>(drawn.stride * drawn.h)));
  // Same size and baseline as the Latin capital: bottoms near the baseline, heights alike.
  EXPECT_NEAR(ink.bottom, h.bottom, 40 / 5);
  EXPECT_GT(ink.bottom - ink.top, (h.bottom - h.top) / 2);
  EXPECT_LT(ink.bottom - ink.top, (h.bottom - h.top) * 2);
  // Measuring agrees with drawing.
  const SIZE size = drawn.Extent(GetParam().text);
  EXPECT_LE(ink.right, 10 + size.cx + 2);
  EXPECT_EQ(size.cy, drawn.Metrics().tmHeight);
}

INSTANTIATE_TEST_SUITE_P(CjkAndSymbols, TextFallback,
                         testing::Values(FallbackCase{"Cjk", u"\u756A"}, FallbackCase{"CheckMark", u"\u2713"}),
                         [](const testing::TestParamInfo<FallbackCase>& info) { return info.param.name; });

TEST(TextShape, MixedDirectionsKeepTheLatinStartOnTheLeft) {
  const std::u16string mixed = u"No. \u0631\u0642\u0645 7";
  TextCanvas whole(400, 80), start(400, 80);
  whole.Out(0, 0, mixed);
  start.Out(0, 0, u"No.");
  const int width = start.Extent(u"No.").cx;
  for (int y = 0; y < whole.h; ++y) {
    for (int x = 0; x < width; ++x) ASSERT_EQ(start.At(x, y), whole.At(x, y)) << x << "," << y;
  }
  EXPECT_GT(whole.Ink(0).right, width + 40);
}

// Latin labels come out pixel for pixel as they did when every character was one glyph (the
// references were drawn that way): no kerning, whole-pixel advances.
struct GoldenCase {
  const char* name;
  const char16_t* face;
  int height, weight;
  bool italic, underline;
  std::u16string text;
  friend std::ostream& operator<<(std::ostream& out, const GoldenCase& c) { return out << c.name; }
};
class TextLatinUnchanged : public testing::TestWithParam<GoldenCase> {};

TEST_P(TextLatinUnchanged, PixelsMatchTheGlyphByGlyphReference) {
  const GoldenCase& c = GetParam();
  std::ifstream file(std::string(TEXT_GOLDEN_DIR) + "/" + c.name + ".pgm", std::ios::binary);
  ASSERT_TRUE(file) << c.name;
  std::string magic;
  int width = 0, height = 0, maximum = 0;
  file >> magic >> width >> height >> maximum;
  file.get();
  std::vector<char> reference(static_cast<size_t>(width) * static_cast<size_t>(height));
  file.read(reference.data(), static_cast<std::streamsize>(reference.size()));
  ASSERT_TRUE(file && magic == "P5");

  TextCanvas canvas(width, height, 0);
  HFONT font = CreateFontW(c.height, 0, 0, 0, c.weight, c.italic, c.underline, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY,
                           0, c.face);
  canvas.made.push_back(font);
  SelectObject(canvas.dc, font);
  canvas.Out(10, 0, c.text);
  int differing = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      differing += canvas.Level(x, y) != static_cast<uint8_t>(reference[static_cast<size_t>(y * width + x)]);
    }
  }
  EXPECT_EQ(0, differing);
}

INSTANTIATE_TEST_SUITE_P(
    Labels, TextLatinUnchanged,
    testing::Values(GoldenCase{"label_arial_107", u"Arial", -107, FW_NORMAL, false, false, u"No. 007!"},
                    GoldenCase{"ui_arial_bold_16", u"Arial", -16, FW_BOLD, false, false, u"Stampwork 12345 fi fl"},
                    GoldenCase{"times_italic_underline_24", u"Times New Roman", -24, FW_NORMAL, true, true,
                               u"Quick fox, AV Wa."}),
    [](const testing::TestParamInfo<GoldenCase>& info) { return std::string(info.param.name); });

TEST(TextShape, ALabelDrawnAgainIsNotShapedAgain) {
  TextCanvas canvas(400, 80, 30);
  const std::u16string label = u"\u0938\u0902\u0916\u094D\u092F\u093E 7 \u0631\u0642\u0645";
  canvas.Out(0, 0, label);
  const int64_t shaped = platform::testing::TextShapeCount();
  for (int dx = -2; dx <= 2; ++dx) canvas.Out(10 + dx, 10, label);
  canvas.Extent(label);
  EXPECT_EQ(shaped, platform::testing::TextShapeCount());
}

// Hostile texts measure and draw to a defined result: a width, ink where characters show.
struct HostileCase {
  const char* name;
  std::u16string text;
  bool shows;
  friend std::ostream& operator<<(std::ostream& out, const HostileCase& c) { return out << c.name; }
};
class TextShapeHostile : public testing::TestWithParam<HostileCase> {};

TEST_P(TextShapeHostile, MeasuresAndDrawsWithoutFault) {
  TextCanvas canvas(300, 60, 20);
  const std::u16string& text = GetParam().text;
  const SIZE size = canvas.Extent(text);
  EXPECT_GE(size.cx, 0);
  canvas.Out(0, 0, text);
  EXPECT_EQ(GetParam().shows, canvas.Ink(0).right > 0);
  RECT r{0, 0, 0, 0};
  EXPECT_EQ(size.cy, DrawTextW(canvas.dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX));
  EXPECT_EQ(size.cx, r.right);
}

std::u16string Repeat(const std::u16string& piece, size_t units) {
  std::u16string out;
  while (out.size() + piece.size() <= units) out += piece;
  return out;
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, TextShapeHostile,
    testing::Values(HostileCase{"UnpairedSurrogates", {0xDC00, u'a', 0xD800, 0xD800, u'\u0644', 0xDFFF}, true},
                    HostileCase{"TenThousandMarksOnOneLetter", u"a" + std::u16string(10000, u'\u0301'), true},
                    HostileCase{"OneMegabyteOfMixedScripts",
                                Repeat(u"No. \u0631\u0642\u0645 \u0915\u093F \u756A\u2713 ", 512 * 1024), true},
                    HostileCase{"DirectionMarksAlone", u"\u200E\u200F\u202B\u202A\u202C\u2066\u2069", false},
                    HostileCase{"CharactersNoFaceHas", u"\U0010FFFD\u0378\U000F0000", true}),
    [](const testing::TestParamInfo<HostileCase>& info) { return std::string(info.param.name); });

}  // namespace
