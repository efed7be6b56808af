// Boxes, lines, ellipses, round boxes, area fills, clipping and the origin, on every kind of
// buffer, and coordinates far outside the area: drawn pixels are compared with pictures drawn
// by hand ('#' drawn, '.' untouched), and nothing may land outside the buffer.
#include <climits>
#include <string>

#include "drawing_test_support.h"

namespace {

using V = std::vector<int>;
using Picture = std::vector<std::string>;

class DrawingShapeTest : public DrawingTest, public ::testing::WithParamInterface<BufferKind> {
 protected:
  TestBuffer Make(int width, int height) { return TestBuffer(width, height, GetParam().bytes, GetParam().bottomUp); }

  // '#' where the pixel is white, '.' where it is still black.
  static Picture Drawn(TestBuffer& buffer) {
    Picture picture;
    for (int y = 0; y < buffer.Height(); ++y) {
      std::string row;
      for (int x = 0; x < buffer.Width(); ++x) row += buffer.At(x, y)[0] == 0xFF ? '#' : '.';
      picture.push_back(row);
    }
    return picture;
  }
};

const int64_t kWhite = ColorRGBA(255, 255, 255, 255);

INSTANTIATE_TEST_SUITE_P(Buffers, DrawingShapeTest,
                         ::testing::Values(BufferKind{3, false}, BufferKind{3, true}, BufferKind{4, false},
                                           BufferKind{4, true}),
                         BufferKindName);

TEST_P(DrawingShapeTest, FilledBoxCoversItsRectangle) {
  TestBuffer buffer = Make(6, 4);
  ASSERT_TRUE(buffer.Begin());
  DrawBox(1, 1, 3, 2, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"......", ".###..", ".###..", "......"}));
}

TEST_P(DrawingShapeTest, NegativeSizesExtendLeftAndUp) {
  TestBuffer buffer = Make(6, 4);
  ASSERT_TRUE(buffer.Begin());
  DrawBox(4, 3, -3, -2, kWhite);  // covers x 1 ... 3, y 1 ... 2
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"......", ".###..", ".###..", "......"}));
}

TEST_P(DrawingShapeTest, OutlinedBoxDrawsEachEdgePixelOnce) {
  TestBuffer buffer = Make(5, 5);
  ASSERT_TRUE(buffer.Begin());
  // In XOR mode a pixel drawn twice would be black again.
  DrawingSetMode(DrawModeOutlined | DrawModeXor);
  DrawBox(0, 0, 4, 4, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"####.", "#..#.", "#..#.", "####.", "....."}));
}

TEST_P(DrawingShapeTest, OutlinedBoxOneRowHighDrawsThatRowTwice) {
  TestBuffer buffer = Make(5, 3);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeOutlined);
  DrawBox(1, 1, 3, 1, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{".....", ".###.", "....."}));

  TestBuffer xorBuffer = Make(5, 3);
  ASSERT_TRUE(xorBuffer.Begin());
  DrawingSetMode(DrawModeOutlined | DrawModeXor);
  DrawBox(1, 1, 3, 1, kWhite);  // top and bottom cancel, no side columns
  DrawingEnd();
  EXPECT_EQ(Drawn(xorBuffer), (Picture{".....", ".....", "....."}));
}

TEST_P(DrawingShapeTest, BoxesFarOutsideOrHugeAreClipped) {
  TestBuffer buffer = Make(4, 3);
  ASSERT_TRUE(buffer.Begin());
  DrawBox(INT32_MAX - 1, 0, 10, 10, kWhite);
  DrawBox(-100, -100, 50, 50, kWhite);
  DrawBox(0, 0, 0, 5, kWhite);
  DrawBox(INT64_MAX, INT64_MAX, INT64_MAX, INT64_MAX, kWhite);
  DrawBox(INT64_MIN, 1, INT64_MAX, 1, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"....", "....", "...."}));
  ASSERT_TRUE(buffer.Begin());
  DrawBox(INT32_MIN, INT32_MIN, UINT32_MAX, UINT32_MAX, kWhite);
  DrawingSetMode(DrawModeOutlined);
  DrawBox(INT64_MIN / 2, INT64_MIN / 2, INT64_MAX, INT64_MAX, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"####", "####", "####"}));
  EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_P(DrawingShapeTest, HorizontalAndVerticalLinesIncludeBothEnds) {
  TestBuffer buffer = Make(5, 4);
  ASSERT_TRUE(buffer.Begin());
  DrawLine(3, 0, 1, 0, kWhite);
  DrawLine(4, 3, 4, 1, kWhite);
  DrawLine(-1000000000000, 3, 1, 3, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{".###.", "....#", "....#", "##..#"}));
}

TEST_P(DrawingShapeTest, SlopedLinesStepWithBresenham) {
  TestBuffer buffer = Make(5, 5);
  ASSERT_TRUE(buffer.Begin());
  // Shallow: error 0, -4, 0, -4, 0 -> y steps after x 0 and x 2.
  DrawLine(4, 2, 0, 0, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"#....", ".##..", "...##", ".....", "....."}));

  TestBuffer steep = Make(5, 5);
  ASSERT_TRUE(steep.Begin());
  DrawLine(1, 0, 2, 4, kWhite);  // steep: dx 1, dy 4, error -2, 0, -6, -4, ...
  DrawingEnd();
  EXPECT_EQ(Drawn(steep), (Picture{".#...", ".#...", "..#..", "..#..", "..#.."}));
}

TEST_P(DrawingShapeTest, LinesAreClippedAlongTheirSlope) {
  TestBuffer buffer = Make(5, 5);
  ASSERT_TRUE(buffer.Begin());
  // (-2, 0) .. (6, 4) has slope 1/2: clipped to (0, 1) .. (4, 3).
  DrawLine(-2, 0, 6, 4, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{".....", "#....", ".##..", "...##", "....."}));

  TestBuffer outside = Make(5, 5);
  ASSERT_TRUE(outside.Begin());
  DrawLine(-10, 0, -1, 4, kWhite);           // both ends left of the area
  DrawLine(0, 10, 4, 20, kWhite);            // both below
  DrawLine(INT64_MIN, 0, INT64_MAX, INT64_MIN, kWhite);  // clamped: passes far above
  DrawLine(-10, -10, 10, 10, kWhite);        // the diagonal
  DrawingEnd();
  EXPECT_EQ(Drawn(outside), (Picture{"#....", ".#...", "..#..", "...#.", "....#"}));
  EXPECT_TRUE(outside.GuardsIntact());
}

TEST_P(DrawingShapeTest, SmallEllipseFilledAndOutlined) {
  // Radii 2 and 1: the midpoint steps give (0,1), (1,1), (2,0) in the first quadrant.
  TestBuffer filled = Make(7, 7);
  ASSERT_TRUE(filled.Begin());
  DrawEllipse(3, 3, 2, 1, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(filled), (Picture{".......", ".......", "..###..", ".#####.", "..###..", ".......", "......."}));

  TestBuffer outlined = Make(7, 7);
  ASSERT_TRUE(outlined.Begin());
  DrawingSetMode(DrawModeOutlined | DrawModeXor);  // points on the axes must be drawn once
  DrawEllipse(3, 3, 2, 1, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(outlined), (Picture{".......", ".......", "..###..", ".#...#.", "..###..", ".......", "......."}));
}

TEST_P(DrawingShapeTest, CircleOutlineIsSymmetricAndClosed) {
  TestBuffer buffer = Make(9, 9);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeOutlined | DrawModeXor);
  DrawEllipse(4, 4, 3, 3, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{".........", "...###...", "..#...#..", ".#.....#.", ".#.....#.", ".#.....#.",
                                    "..#...#..", "...###...", "........."}));
}

TEST_P(DrawingShapeTest, HugeEllipsesAreDrawnRowByRowInsideTheArea) {
  TestBuffer filled = Make(6, 4);
  ASSERT_TRUE(filled.Begin());
  DrawEllipse(3, 2, 1000000, 1000000, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(filled), (Picture{"######", "######", "######", "######"}));

  TestBuffer outlined = Make(6, 4);
  ASSERT_TRUE(outlined.Begin());
  DrawingSetMode(DrawModeOutlined);
  DrawEllipse(3, 2, 1000000, 1000000, kWhite);  // the outline lies far outside
  DrawEllipse(INT64_MAX, INT64_MIN, INT64_MAX, INT64_MAX, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(outlined), (Picture{"......", "......", "......", "......"}));

  // Radius 800 about (-800, 1): the right end of the outline reaches column 0 at row 1.
  TestBuffer edge = Make(6, 4);
  ASSERT_TRUE(edge.Begin());
  DrawingSetMode(DrawModeOutlined);
  DrawEllipse(-800, 1, 800, 800, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(edge), (Picture{"#.....", "#.....", "#.....", "#....."}));
  EXPECT_TRUE(edge.GuardsIntact());
}

TEST_P(DrawingShapeTest, RoundBoxNarrowsItsCornerRows) {
  TestBuffer filled = Make(9, 7);
  ASSERT_TRUE(filled.Begin());
  DrawRoundBox(1, 1, 7, 5, 2, 2, kWhite);
  DrawingEnd();
  // Corner rows: inset 2 - round(2 * sqrt(1 - 1)) = 2 on the edge row, 2 - round(1.73) = 0 next.
  EXPECT_EQ(Drawn(filled), (Picture{".........", "...###...", ".#######.", ".#######.", ".#######.", "...###...",
                                    "........."}));

  TestBuffer outlined = Make(9, 7);
  ASSERT_TRUE(outlined.Begin());
  DrawingSetMode(DrawModeOutlined | DrawModeXor);
  DrawRoundBox(1, 1, 7, 5, 2, 2, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(outlined), (Picture{".........", "...###...", ".##...##.", ".#.....#.", ".##...##.", "...###...",
                                      "........."}));
}

TEST_P(DrawingShapeTest, RoundBoxWithoutRadiiIsABox) {
  TestBuffer buffer = Make(5, 4);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetMode(DrawModeOutlined);
  DrawRoundBox(4, 0, -4, 4, 0, 0, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"####.", "#..#.", "#..#.", "####."}));
}

TEST_P(DrawingShapeTest, ClipLimitsDrawingToItsRectangle) {
  TestBuffer buffer = Make(6, 5);
  ASSERT_TRUE(buffer.Begin());
  DrawingClip(2, 1, 3, 2);
  DrawBox(-10, -10, 100, 100, kWhite);
  // Coordinates stay those of the output.
  DrawPlot(2, 1, ColorRGBA(1, 2, 3, 255));
  EXPECT_EQ(DrawPointRead(2, 1), 0x030201);
  EXPECT_EQ(DrawPointRead(4, 2), 0xFFFFFF);
  EXPECT_EQ(DrawPointRead(1, 1), 0);  // outside the clip
  EXPECT_EQ(DrawPointRead(5, 1), 0);
  DrawingUnclip();
  DrawPlot(0, 0, kWhite);
  EXPECT_EQ(DrawPointRead(5, 4), 0);
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(2, 1)[0], 3);
  buffer.Set(2, 1, GetParam().bytes == 4 ? V{255, 255, 255, 0} : V{255, 255, 255});
  EXPECT_EQ(Drawn(buffer), (Picture{"#.....", "..###.", "..###.", "......", "......"}));
}

TEST_P(DrawingShapeTest, ClipAtNegativePositionShrinksAndStopsAtTheEdges) {
  TestBuffer buffer = Make(5, 4);
  ASSERT_TRUE(buffer.Begin());
  DrawingClip(-2, -1, 4, 3);  // leaves x 0 ... 1, y 0 ... 1
  DrawBox(0, 0, 10, 10, kWhite);
  DrawingClip(3, 3, 100, 100);  // to the edges only
  DrawBox(0, 0, 10, 10, kWhite);
  DrawingClip(9, 9, 2, 2);  // beyond the output: an empty area
  DrawBox(-5, -5, 20, 20, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"##...", "##...", ".....", "...##"}));
}

TEST_P(DrawingShapeTest, ClipMovesTheBufferAddressToTheAreasFirstRow) {
  TestBuffer buffer = Make(6, 5);
  ASSERT_TRUE(buffer.Begin());
  DrawingClip(2, 1, 3, 2);
  // Top-down: row 1; bottom-up: the clip's bottom line (picture row 2) is memory row 2.
  const int64_t row = GetParam().bottomUp ? 5 - (1 + 2) : 1;
  EXPECT_EQ(DrawingBufferAddress(), static_cast<int64_t>(reinterpret_cast<uintptr_t>(buffer.Buffer())) +
                                        row * buffer.Stride() + 2 * GetParam().bytes);
  DrawingUnclip();
  EXPECT_EQ(DrawingBufferAddress(), static_cast<int64_t>(reinterpret_cast<uintptr_t>(buffer.Buffer())));
  DrawingEnd();
}

TEST_P(DrawingShapeTest, OriginIsAddedToEveryCoordinate) {
  TestBuffer buffer = Make(4, 3);
  ASSERT_TRUE(buffer.Begin());
  DrawingSetOrigin(2, 1);
  DrawBox(0, 0, 1, 1, kWhite);
  DrawLine(-2, 1, -1, 1, kWhite);
  // Under a clip the origin still applies: (-1, -1) + (2, 1) is the clip's corner (1, 0).
  DrawingClip(1, 0, 1, 1);
  DrawBox(-2, -2, 2, 2, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{".#..", "..#.", "##.."}));
}

// ---- area fills ----

// Paints a map: '#' black walls, everything else white.
void PaintMap(TestBuffer& buffer, const Picture& map) {
  for (int y = 0; y < buffer.Height(); ++y)
    for (int x = 0; x < buffer.Width(); ++x) {
      const int value = map[static_cast<size_t>(y)][static_cast<size_t>(x)] == '#' ? 0 : 255;
      for (int i = 0; i < 3; ++i) buffer.At(x, y)[i] = static_cast<uint8_t>(value);
    }
}

// 'o' where the fill colour (B 0, G 0, R 255) landed, '#' black, '.' white.
Picture Filled(TestBuffer& buffer) {
  Picture picture;
  for (int y = 0; y < buffer.Height(); ++y) {
    std::string row;
    for (int x = 0; x < buffer.Width(); ++x) {
      const uint8_t* p = buffer.At(x, y);
      row += (p[0] == 0 && p[2] == 255) ? 'o' : (p[2] == 0 ? '#' : '.');
    }
    picture.push_back(row);
  }
  return picture;
}

// A maze of corridors: 'o' is reachable from (0, 0) through 4-neighbours, '.' is not (some of
// it touches the corridors only diagonally).
const Picture kMaze{
    "oooo#.....",  //
    "#o#o#.###.",  //
    "#o#o#.#...",  //
    "oo#oo##.##",  //
    "#o####.#..",  //
    "#ooooo#.#.",  //
    "####o#.#..",  //
};

TEST_P(DrawingShapeTest, FillOfTheStartColourFollowsTheMazeCorridors) {
  TestBuffer buffer = Make(10, 7);
  PaintMap(buffer, kMaze);
  ASSERT_TRUE(buffer.Begin());
  DrawFillArea(0, 0, -1, ColorRGBA(255, 0, 0, 255));
  DrawingEnd();
  EXPECT_EQ(Filled(buffer), kMaze);
}

TEST_P(DrawingShapeTest, FillUpToABorderColourFollowsTheMazeCorridors) {
  TestBuffer buffer = Make(10, 7);
  PaintMap(buffer, kMaze);
  ASSERT_TRUE(buffer.Begin());
  DrawFillArea(4, 6, ColorRGB(0, 0, 0), ColorRGBA(255, 0, 0, 255));  // from the bottom edge
  DrawingEnd();
  EXPECT_EQ(Filled(buffer), kMaze);
}

TEST_P(DrawingShapeTest, FillOfARegionTouchingEveryEdge) {
  const Picture ring{
      "oooooooo",  //
      "o######o",  //
      "o#....#o",  //
      "o#.##.#o",  //
      "o######o",  //
      "oooooooo",  //
  };
  TestBuffer buffer = Make(8, 6);
  PaintMap(buffer, ring);
  ASSERT_TRUE(buffer.Begin());
  DrawFillArea(7, 3, -1, ColorRGBA(255, 0, 0, 255));
  DrawingEnd();
  EXPECT_EQ(Filled(buffer), ring);
  EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_P(DrawingShapeTest, FillVisitsEveryPixelOnceEvenWhenColoursStayTheSame) {
  TestBuffer same = Make(10, 7);
  PaintMap(same, kMaze);
  ASSERT_TRUE(same.Begin());
  DrawFillArea(0, 0, -1, kWhite);  // the region keeps its colour: must still end
  DrawingEnd();
  Picture unchanged = kMaze;
  for (std::string& row : unchanged)
    for (char& c : row)
      if (c == 'o') c = '.';
  EXPECT_EQ(Filled(same), unchanged);

  TestBuffer xored = Make(10, 7);
  PaintMap(xored, kMaze);
  ASSERT_TRUE(xored.Begin());
  DrawingSetMode(DrawModeXor);
  // XOR with blue 0 / green 0 / red 0 keeps white white, so the region never changes: each
  // pixel is XORed once with 0 (and would be again without the recorded runs).
  DrawFillArea(0, 0, ColorRGB(0, 0, 0), ColorRGBA(0, 0, 0, 255));
  DrawFillArea(0, 0, ColorRGB(0, 0, 0), ColorRGBA(0, 255, 0, 255));
  DrawingEnd();
  // Green XOR 255 once turns white magenta: B 255, G 0, R 255.
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 10; ++x)
      if (kMaze[static_cast<size_t>(y)][static_cast<size_t>(x)] == 'o') {
        EXPECT_EQ(xored.At(x, y)[1], 0) << x << "," << y;
      }
}

TEST_P(DrawingShapeTest, FillOutsideTheAreaDoesNothing) {
  TestBuffer buffer = Make(3, 3);
  ASSERT_TRUE(buffer.Begin());
  DrawFillArea(-1, 0, -1, kWhite);
  DrawFillArea(3, 0, -1, kWhite);
  DrawFillArea(INT64_MAX, INT64_MIN, -1, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"...", "...", "..."}));
}

TEST_P(DrawingShapeTest, FillStaysInsideAClip) {
  TestBuffer buffer = Make(6, 4);
  ASSERT_TRUE(buffer.Begin());
  DrawingClip(1, 1, 3, 2);
  DrawFillArea(1, 1, -1, kWhite);
  DrawingEnd();
  EXPECT_EQ(Drawn(buffer), (Picture{"......", ".###..", ".###..", "......"}));
}

TEST_F(DrawingTest, ZeroSizedOutputsDrawNothing) {
  TestBuffer buffer(1, 1, 3, true);
  const int64_t output = buffer.Output();
  DrawingContext* context = reinterpret_cast<DrawingContext*>(output);
  context->fullWidth = 0;
  context->fullHeight = 0;
  ASSERT_NE(DrawingBegin(output), 0);
  DrawBox(0, 0, 10, 10, kWhite);
  DrawLine(0, 0, 5, 3, kWhite);
  DrawEllipse(0, 0, 3, 3, kWhite);
  DrawFillArea(0, 0, -1, kWhite);
  DrawPlot(0, 0, kWhite);
  EXPECT_EQ(DrawPointRead(0, 0), 0);
  EXPECT_EQ(DrawingGrabImage(CV_Any, 0, 0, 0, 0), 0);
  DrawingEnd();
  EXPECT_EQ(buffer.Bytes(0, 0), (V{0, 0, 0}));
  EXPECT_TRUE(buffer.GuardsIntact());
}

}  // namespace
