// The drawing context's life (begin, end, release, the current context) and the drawing modes:
// every mode's per-pixel formula on 3- and 4-byte targets, colour preparation, reading pixels,
// gradients and custom filters. Expected bytes are worked out from the formulas by hand.
#include "drawing_test_support.h"

namespace {

using V = std::vector<int>;

// The target pixel every formula test starts from: B 64, G 128, R 192 (alpha 128 on 4 bytes),
// and the colour drawn onto it: R 200, G 100, B 50 with alpha 96.
const V kTarget4{64, 128, 192, 128};
const V kTarget3{64, 128, 192};
const int64_t kColour = ColorRGBA(200, 100, 50, 96);

class DrawingModeTest : public DrawingTest {
 protected:
  // Draws one pixel at (1, 1) of a 3 x 3 buffer filled with `target`, as a 1 x 1 box (the run
  // routine) and as a point in the front colour (the pixel routine), on top-down and bottom-up
  // buffers. All four must agree and leave the neighbours alone; returns the pixel.
  V Draw(int bytes, int64_t mode, int64_t colour, V target) {
    std::vector<V> results;
    for (bool bottomUp : {false, true}) {
      for (bool asPoint : {false, true}) {
        TestBuffer buffer(3, 3, bytes, bottomUp);
        buffer.FillAll(target);
        EXPECT_TRUE(buffer.Begin());
        DrawingSetMode(mode);
        if (asPoint) {
          DrawingFrontColor(colour);
          DrawPlot(1, 1);
        } else {
          DrawBox(1, 1, 1, 1, colour);
        }
        DrawingEnd();
        for (int y = 0; y < 3; ++y)
          for (int x = 0; x < 3; ++x)
            if (x != 1 || y != 1) {
              EXPECT_EQ(buffer.Bytes(x, y), target) << "neighbour " << x << "," << y;
            }
        results.push_back(buffer.Bytes(1, 1));
      }
    }
    for (const V& result : results) EXPECT_EQ(result, results[0]);
    return results[0];
  }
};

TEST_F(DrawingModeTest, ColorRGBPacksChannelsUnmaskedAsSigned32Bits) {
  EXPECT_EQ(ColorRGB(127, 127, 127), 0x7F7F7F);
  EXPECT_EQ(ColorRGB(1, 2, 3), 0x030201);
  EXPECT_EQ(ColorRGB(0x100, 0, 0), 0x100);  // not masked: spills into green
  EXPECT_EQ(ColorRGB(0, 0, 0x80FF), static_cast<int32_t>(0x80FF0000u));  // negative
  EXPECT_EQ(ColorRGBA(1, 2, 3, 0xFF), static_cast<int32_t>(0xFF030201u));
}

TEST_F(DrawingModeTest, DefaultModeWritesTheColourAndKeepsTargetAlpha) {
  EXPECT_EQ(Draw(4, DrawModeDefault, kColour, kTarget4), (V{50, 100, 200, 128}));
  EXPECT_EQ(Draw(3, DrawModeDefault, kColour, kTarget3), (V{50, 100, 200}));
  // Transparent concerns text only: shapes draw as in the default mode.
  EXPECT_EQ(Draw(3, DrawModeTransparent, kColour, kTarget3), (V{50, 100, 200}));
}

TEST_F(DrawingModeTest, XorModeXorsColourChannelsOnly) {
  // 64 ^ 50 = 114, 128 ^ 100 = 228, 192 ^ 200 = 8.
  EXPECT_EQ(Draw(4, DrawModeXor, kColour, kTarget4), (V{114, 228, 8, 128}));
  EXPECT_EQ(Draw(3, DrawModeXor, kColour, kTarget3), (V{114, 228, 8}));
}

TEST_F(DrawingModeTest, AlphaChannelModeWritesOnlyAlphaAndLeaves3ByteTargetsAlone) {
  EXPECT_EQ(Draw(4, DrawModeAlphaChannel, kColour, kTarget4), (V{64, 128, 192, 96}));
  EXPECT_EQ(Draw(3, DrawModeAlphaChannel, kColour, kTarget3), kTarget3);
}

TEST_F(DrawingModeTest, AllChannelsModeWritesAlphaOn4BytesAndIsPlainOn3Bytes) {
  EXPECT_EQ(Draw(4, DrawModeAllChannels, kColour, kTarget4), (V{50, 100, 200, 96}));
  // Together with the alpha modes it still writes all four channels as given.
  EXPECT_EQ(Draw(4, DrawModeAllChannels | DrawModeAlphaBlend, kColour, kTarget4), (V{50, 100, 200, 96}));
  EXPECT_EQ(Draw(3, DrawModeAllChannels | DrawModeAlphaBlend, kColour, kTarget3), (V{50, 100, 200}));
}

TEST_F(DrawingModeTest, AlphaBlendOn3BytesMixesPremultipliedColourWithTarget) {
  // t = (t * 159 + c * 96) / 255: B (64*159 + 50*96)/255 = 14976/255 = 58,
  // G 29952/255 = 117, R 49728/255 = 195.
  EXPECT_EQ(Draw(3, DrawModeAlphaBlend, kColour, kTarget3), (V{58, 117, 195}));
  EXPECT_EQ(Draw(3, DrawModeAlphaClip, kColour, kTarget3), (V{58, 117, 195}));
}

TEST_F(DrawingModeTest, AlphaBlendOn4BytesWeighsTargetAlphaAndUpdatesIt) {
  // weight = 159 * 128 = 20352, denominator = 20352 + 96*255 = 44832;
  // B (4800*255 + 20352*64)/44832 = 56, G (9600*255 + 20352*128)/44832 = 112,
  // R (19200*255 + 20352*192)/44832 = 196; alpha (96*255 + 159*128)/255 = 175.
  EXPECT_EQ(Draw(4, DrawModeAlphaBlend, kColour, kTarget4), (V{56, 112, 196, 175}));
}

TEST_F(DrawingModeTest, AlphaBlendOnOpaque4ByteTargetEqualsThe3ByteBlend) {
  // tA 255: weight 159*255 = 40545, denominator 40545 + 24480 = 65025; B (4800*255 +
  // 40545*64)/65025 = 58, G 117, R 195 as on 3 bytes; alpha (24480 + 40545)/255 = 255.
  EXPECT_EQ(Draw(4, DrawModeAlphaBlend, kColour, V{64, 128, 192, 255}), (V{58, 117, 195, 255}));
  EXPECT_EQ(Draw(4, DrawModeAlphaClip, kColour, V{64, 128, 192, 255}), (V{58, 117, 195, 255}));
}

TEST_F(DrawingModeTest, AlphaClipOn4BytesBlendsLikeAlphaBlendButKeepsTargetAlpha) {
  EXPECT_EQ(Draw(4, DrawModeAlphaClip, kColour, kTarget4), (V{56, 112, 196, 128}));
}

TEST_F(DrawingModeTest, AlphaBlendOnTransparentTargetTakesTheColour) {
  EXPECT_EQ(Draw(4, DrawModeAlphaBlend, kColour, V{64, 128, 192, 0}), (V{50, 100, 200, 96}));
  EXPECT_EQ(Draw(4, DrawModeAlphaClip, kColour, V{64, 128, 192, 0}), (V{50, 100, 200, 0}));
}

TEST_F(DrawingModeTest, ColourWithAlphaZeroChangesNothingInBlendModes) {
  const int64_t clear = ColorRGBA(200, 100, 50, 0);
  EXPECT_EQ(Draw(4, DrawModeAlphaBlend, clear, kTarget4), kTarget4);
  EXPECT_EQ(Draw(4, DrawModeAlphaClip, clear, kTarget4), kTarget4);
  EXPECT_EQ(Draw(3, DrawModeAlphaBlend, clear, kTarget3), kTarget3);
}

TEST_F(DrawingModeTest, XorTakesPrecedenceOverBlendAndUsesPlainChannels) {
  EXPECT_EQ(Draw(3, DrawModeXor | DrawModeAlphaBlend, kColour, kTarget3), (V{114, 228, 8}));
}

TEST_F(DrawingModeTest, ModeChangePreparesTheAppliedColourAgain) {
  // Applied in the default mode (plain channels), then used in blend mode: the channels must
  // be premultiplied again, giving the blend result, not a plain write.
  TestBuffer buffer(1, 1, 3, false);
  buffer.FillAll(kTarget3);
  ASSERT_TRUE(buffer.Begin());
  DrawingFrontColor(kColour);
  DrawPlot(0, 0);
  buffer.Set(0, 0, kTarget3);
  DrawingSetMode(DrawModeAlphaBlend);
  DrawPlot(0, 0);
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{58, 117, 195}));
}

TEST_F(DrawingModeTest, PointInAGivenColourUsesThatColoursAlphaAndKeepsTheFrontColour) {
  TestBuffer buffer(2, 1, 3, true);
  buffer.FillAll(kTarget3);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeAlphaBlend);
  DrawingFrontColor(ColorRGBA(0, 0, 0, 255));
  DrawPlot(0, 0, kColour);  // given colour: (c*96 + t*159)/255
  DrawPlot(1, 0);           // front colour: opaque black
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{58, 117, 195}));
  EXPECT_EQ(buffer.Bytes(1, 0), (V{0, 0, 0}));
}

TEST_F(DrawingModeTest, ReadingAPixelGivesBlueGreenRedAndAlphaOnlyInAlphaModes) {
  TestBuffer three(1, 1, 3, true, 0xFF);
  ASSERT_TRUE(three.Begin());
  EXPECT_EQ(DrawPointRead(0, 0), 0xFFFFFF);  // a white canvas pixel
  DrawingSetMode(DrawModeAlphaBlend);
  EXPECT_EQ(DrawPointRead(0, 0), 0xFFFFFF);  // no alpha on 3 bytes in any mode
  DrawingEnd();

  TestBuffer four(1, 1, 4, false);
  four.Set(0, 0, {0x30, 0x20, 0x10, 0x80});
  ASSERT_TRUE(four.Begin());
  EXPECT_EQ(DrawPointRead(0, 0), 0x302010);
  for (int64_t mode : {DrawModeAlphaChannel, DrawModeAlphaBlend, DrawModeAlphaClip, DrawModeCustom, DrawModeAllChannels}) {
    DrawingSetMode(mode);
    EXPECT_EQ(DrawPointRead(0, 0), 0x80302010) << "mode " << mode;
  }
  DrawingSetMode(DrawModeXor);
  EXPECT_EQ(DrawPointRead(0, 0), 0x302010);
  DrawingEnd();
}

TEST_F(DrawingModeTest, ReadingOutsideTheAreaGivesZero) {
  TestBuffer buffer(2, 2, 3, true, 0xFF);
  ASSERT_TRUE(buffer.Begin());
  EXPECT_EQ(DrawPointRead(-1, 0), 0);
  EXPECT_EQ(DrawPointRead(2, 0), 0);
  EXPECT_EQ(DrawPointRead(0, INT64_MAX), 0);
  DrawingEnd();
}

// ---- gradients and custom filters ----

double g_position = 0.25;
double QuarterRoutine(int64_t, int64_t) { return g_position; }

TEST_F(DrawingModeTest, GradientWithoutStopsMixesFrontAndBack) {
  g_position = 0.25;
  TestBuffer buffer(1, 1, 3, false);
  ASSERT_TRUE(buffer.Begin());
  DrawingBackColor(ColorRGBA(0, 0, 100, 255));
  DrawingSetGradientRoutine(QuarterRoutine);
  DrawingSetMode(DrawModeGradient);
  // R = 200*0.25 + 0*0.75 = 50, G 0, B = 0*0.25 + 100*0.75 = 75.
  DrawBox(0, 0, 1, 1, ColorRGBA(200, 0, 0, 255));
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{75, 0, 50}));
}

double AcrossRoutine(int64_t x, int64_t) { return static_cast<double>(x) / 4.0; }

TEST_F(DrawingModeTest, GradientIsComputedForEveryPixelOfARun) {
  TestBuffer buffer(5, 1, 3, true);
  ASSERT_TRUE(buffer.Begin());
  DrawingBackColor(ColorRGBA(0, 0, 0, 255));
  DrawingSetGradientRoutine(AcrossRoutine);
  DrawingSetMode(DrawModeGradient);
  DrawBox(0, 0, 5, 1, ColorRGBA(200, 0, 0, 255));
  DrawingEnd();
  // Red = 200 * x / 4.
  for (int x = 0; x < 5; ++x) EXPECT_EQ(buffer.Bytes(x, 0), (V{0, 0, 50 * x})) << x;
}

TEST_F(DrawingModeTest, GradientDefaultPositionGivesTheFrontColour) {
  TestBuffer buffer(1, 1, 3, false);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeGradient);
  DrawBox(0, 0, 1, 1, ColorRGBA(1, 2, 3, 255));
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{3, 2, 1}));
}

TEST_F(DrawingModeTest, GradientStopsInterpolateBetweenNeighbours) {
  // Stops (added out of order) at 0.5 = R 100 and 0.75 = R 200; back R 0, front R 40.
  struct Case {
    double position;
    int red;
  };
  // 0.25: back..stop 0.5 at 1/2 -> 50. 0.625: 100..200 at 1/2 -> 150.
  // 0.875: stop 0.75 .. front (at 1) at 1/2 -> 200*0.5 + 40*0.5 = 120. 1.0 -> front 40.
  for (const Case& c : {Case{0.25, 50}, Case{0.625, 150}, Case{0.875, 120}, Case{1.0, 40}, Case{0.5, 100}}) {
    g_position = c.position;
    TestBuffer buffer(1, 1, 4, false);
    ASSERT_TRUE(buffer.Begin());
    DrawingBackColor(ColorRGBA(0, 0, 0, 255));
    DrawingGradientColor(0.75, ColorRGBA(200, 0, 0, 255));
    DrawingGradientColor(0.5, ColorRGBA(100, 0, 0, 255));
    DrawingSetGradientRoutine(QuarterRoutine);
    DrawingSetMode(DrawModeGradient | DrawModeAllChannels);
    DrawBox(0, 0, 1, 1, ColorRGBA(40, 0, 0, 255));
    DrawingEnd();
    EXPECT_EQ(buffer.Bytes(0, 0), (V{0, 0, c.red, 255})) << "position " << c.position;
  }
}

TEST_F(DrawingModeTest, GradientLastStopAtOneIsKeptToTheEnd) {
  g_position = 1.0;
  TestBuffer buffer(1, 1, 3, false);
  ASSERT_TRUE(buffer.Begin());
  DrawingGradientColor(1.0, ColorRGBA(0, 90, 0, 255));
  DrawingSetGradientRoutine(QuarterRoutine);
  DrawingSetMode(DrawModeGradient);
  DrawBox(0, 0, 1, 1, ColorRGBA(255, 255, 255, 255));
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{0, 90, 0}));
}

TEST_F(DrawingModeTest, GradientWithBlendModeBlendsEachComputedColour) {
  // Gradient colour at 1.0 is the front: R 200 G 100 B 50 alpha 96 over the target.
  TestBuffer buffer(1, 1, 3, true);
  buffer.FillAll(kTarget3);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeGradient | DrawModeAlphaBlend);
  DrawBox(0, 0, 1, 1, kColour);
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{58, 117, 195}));
}

struct FilterCall {
  int64_t x = -1, y = -1;
  uint32_t source = 0, target = 0;
};
FilterCall g_filter;
uint32_t RecordingFilter(int64_t x, int64_t y, uint32_t source, uint32_t target) {
  g_filter = FilterCall{x, y, source, target};
  return 0x44332211u;  // A 0x44, B 0x33, G 0x22, R 0x11
}

TEST_F(DrawingModeTest, CustomFilterSeesSourceAndTargetAndItsResultIsWritten) {
  TestBuffer three(3, 3, 3, true);
  three.Set(2, 1, {0x0B, 0x0A, 0x09});  // B, G, R
  ASSERT_TRUE(three.Begin());
  DrawingSetCustomFilter(RecordingFilter);
  DrawingSetMode(DrawModeCustom);
  DrawPlot(2, 1, ColorRGBA(1, 2, 3, 4));
  DrawingEnd();
  EXPECT_EQ(g_filter.x, 2);
  EXPECT_EQ(g_filter.y, 1);
  EXPECT_EQ(g_filter.source, 0x04030201u);
  EXPECT_EQ(g_filter.target, 0xFF0B0A09u);  // 3-byte targets report alpha 255
  EXPECT_EQ(three.Bytes(2, 1), (V{0x33, 0x22, 0x11}));

  TestBuffer four(1, 1, 4, false);
  four.Set(0, 0, {0x0B, 0x0A, 0x09, 0x07});
  ASSERT_TRUE(four.Begin());
  DrawingSetCustomFilter(RecordingFilter);
  DrawingSetMode(DrawModeCustom);
  DrawBox(0, 0, 1, 1, ColorRGBA(1, 2, 3, 4));
  DrawingEnd();
  EXPECT_EQ(g_filter.target, 0x070B0A09u);
  EXPECT_EQ(four.Bytes(0, 0), (V{0x33, 0x22, 0x11, 0x44}));
}

TEST_F(DrawingModeTest, CustomFilterWithGradientGetsTheGradientColourAsSource) {
  g_position = 0.5;
  TestBuffer buffer(1, 1, 3, false);
  ASSERT_TRUE(buffer.Begin());
  DrawingBackColor(ColorRGBA(0, 0, 0, 0));
  DrawingSetGradientRoutine(QuarterRoutine);
  DrawingSetCustomFilter(RecordingFilter);
  DrawingSetMode(DrawModeCustom | DrawModeGradient);
  DrawBox(0, 0, 1, 1, ColorRGBA(100, 200, 50, 255));
  DrawingEnd();
  // Each channel half way between back (0) and front, truncated: 50, 100, 25, alpha 127.
  EXPECT_EQ(g_filter.source, 0x7F196432u);
}

TEST_F(DrawingModeTest, DefaultCustomFilterKeepsTheTarget) {
  TestBuffer buffer(2, 1, 4, false);
  buffer.FillAll(kTarget4);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeCustom);
  DrawBox(0, 0, 2, 1, kColour);
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), kTarget4);
  EXPECT_EQ(buffer.Bytes(1, 0), kTarget4);
}

TEST_F(DrawingModeTest, DivisionBy255MatchesTruncatingDivision) {
  for (int32_t value = 0; value <= 65534; ++value) ASSERT_EQ(DrawingDiv255(value), value / 255) << value;
}

// ---- begin, end and the current context ----

TEST_F(DrawingModeTest, BeginWithoutOutputFailsAndEndWithoutContextDoesNothing) {
  EXPECT_EQ(DrawingBegin(0), 0);
  EXPECT_EQ(DrawingCurrent(), nullptr);
  DrawingEnd();
  DrawingEnd();
  EXPECT_EQ(DrawingCurrent(), nullptr);
  // Operations outside a drawing are ignored.
  DrawBox(0, 0, 10, 10, 0);
  EXPECT_EQ(DrawPointRead(0, 0), 0);
  EXPECT_EQ(DrawingGrabImage(CV_Any, 0, 0, 1, 1), 0);
}

TEST_F(DrawingModeTest, BeginReturnsTheBufferAndEndReleasesWithRepaint) {
  TestBuffer buffer(2, 2, 3, true);
  const int64_t output = buffer.Output();
  ASSERT_NE(output, 0);
  EXPECT_EQ(DrawingBegin(output), static_cast<int64_t>(reinterpret_cast<uintptr_t>(buffer.Buffer())));
  EXPECT_EQ(reinterpret_cast<int64_t>(DrawingCurrent()), output);
  EXPECT_EQ(DrawingBufferAddress(), static_cast<int64_t>(reinterpret_cast<uintptr_t>(buffer.Buffer())));
  EXPECT_EQ(DrawingBufferPitch(), 8);
  EXPECT_EQ(DrawingBufferPixelFormat(), 0x8010);
  EXPECT_EQ(g_releaseLog.count, 0);
  DrawingEnd();
  EXPECT_EQ(g_releaseLog.count, 1);
  EXPECT_EQ(g_releaseLog.lastRepaint, 1);
  EXPECT_EQ(DrawingCurrent(), nullptr);
}

TEST_F(DrawingModeTest, FailedStartReleasesWithoutRepaintAndFreesTheContext) {
  TestBuffer buffer(2, 2, 3, true);
  const int64_t output = buffer.Output();
  reinterpret_cast<DrawingContext*>(output)->buffer = nullptr;
  EXPECT_EQ(DrawingBegin(output), 0);
  EXPECT_EQ(g_releaseLog.count, 1);
  EXPECT_EQ(g_releaseLog.lastRepaint, 0);
  EXPECT_EQ(DrawingCurrent(), nullptr);
}

TEST_F(DrawingModeTest, AValueThatIsNoOutputIsRefused) {
  TestBuffer buffer(2, 2, 3, true);
  const int64_t output = buffer.Output();
  EXPECT_EQ(DrawingBegin(output + 8), 0);
  EXPECT_NE(DrawingBegin(output), 0);
  DrawingEnd();
}

TEST_F(DrawingModeTest, EveryDrawingStartsWithDefaultModeAndColours) {
  TestBuffer buffer(2, 1, 3, false);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeXor);
  DrawingFrontColor(ColorRGB(1, 2, 3));
  DrawingEnd();
  ASSERT_TRUE(buffer.Begin());
  const DrawingContext* context = DrawingCurrent();
  EXPECT_EQ(context->mode, 0u);
  EXPECT_EQ(context->frontColor, 0xFFFFFFFFu);
  EXPECT_EQ(context->backColor, 0xFF000000u);
  DrawPlot(0, 0);  // the default front colour: white, written plainly
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{255, 255, 255}));
  EXPECT_EQ(buffer.Bytes(1, 0), (V{0, 0, 0}));
}

}  // namespace
