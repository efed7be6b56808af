// Labels in four scripts drawn as the program draws its label: measured with DrawTextWidth and
// DrawTextHeight, placed centred on a box, outlined, then drawn. The measured box must hold all
// the ink; the picture is kept as label_scripts.png in the test's folder for a person to look at.
#include "codec.h"
#include "font_test_support.h"

namespace {

constexpr uint32_t kBox = 0xFF603020;      // dark blue
constexpr uint32_t kOutline = 0xFF000000;  // black
constexpr uint32_t kText = 0xFF40E0FF;     // yellow
constexpr int kBorder = 2;

TEST_F(FontTest, LabelsInFourScriptsStayInsideTheirMeasuredBoxes) {
  const std::u16string labels[] = {u"No. 7 \u2713", u"\u0631\u0642\u0645 7", u"\u0938\u0902\u0916\u094D\u092F\u093E 7",
                                   u"\u756A\u53F7 7"};
  constexpr int kWidth = 480, kRow = 110;
  Pixels pixels(kWidth, kRow * 4);
  pixels.Fill(0xFFC8C8C8);
  ASSERT_TRUE(pixels.Begin());
  DrawingSetFont(FontLoad(1, u"Arial", 40, CV_Font_HighQuality));
  struct Placed {
    int64_t x, y, width, height;
  } placed[4];
  for (int i = 0; i < 4; ++i) {
    const char16_t* text = labels[i].c_str();
    const int64_t width = DrawTextWidth(text), height = DrawTextHeight(text);
    ASSERT_GT(width, 0);
    const int64_t x = (kWidth - width) / 2, y = kRow * i + (kRow - height) / 2;
    placed[i] = {x, y, width, height};
    DrawBox(x - kBorder - 4, y - kBorder - 4, width + 2 * kBorder + 8, height + 2 * kBorder + 8, kBox);
    DrawingSetMode(DrawModeTransparent);
    for (int dy = -kBorder; dy <= kBorder; ++dy) {
      for (int dx = -kBorder; dx <= kBorder; ++dx) DrawTextAt(x + dx, y + dy, text, kOutline);
    }
    EXPECT_EQ(x + width, DrawTextAt(x, y, text, kText));
  }
  DrawingEnd();

  for (int i = 0; i < 4; ++i) {
    const Placed& p = placed[i];
    // Everything drawn over the box lies in the measured cell grown by the outline.
    int outside = 0;
    for (int64_t y = p.y - kBorder - 4; y < p.y + p.height + kBorder + 4; ++y) {
      for (int64_t x = p.x - kBorder - 4; x < p.x + p.width + kBorder + 4; ++x) {
        const bool inCell = x >= p.x - kBorder && x < p.x + p.width + kBorder && y >= p.y - kBorder &&
                            y < p.y + p.height + kBorder;
        if (!inCell && (pixels.Colour(static_cast<int>(x), static_cast<int>(y)) & 0xFFFFFF) != (kBox & 0xFFFFFF)) {
          ++outside;
        }
      }
    }
    EXPECT_EQ(0, outside) << "label " << i;
    EXPECT_GT(pixels.CountOther(kBox, static_cast<int>(p.x), static_cast<int>(p.y), static_cast<int>(p.x + p.width),
                                static_cast<int>(p.y + p.height), true),
              p.width * p.height / 10)
        << "label " << i << " shows";
  }
  CodecInit();
  PngEncoderInit();
  const int64_t stride = (kWidth * 3 + 3) / 4 * 4;
  EXPECT_EQ(1,
            ImageEncode(u"label_scripts.png", pixels.Data(), kImageFormatPng, kWidth, kRow * 4, stride, 24, 0, 7, -1));
}

}  // namespace
