// Boxes, lines, ellipses and round boxes: their table entries (filled or outlined as the mode
// says, clipped to the drawing area) and the program operations that reach them.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "drawing.h"
#include "drawing_internal.h"

namespace {

// Radii up to this size are stepped with the integer midpoint algorithm; larger ones are
// computed row by row in floating point, visiting only the rows inside the area.
constexpr int64_t kMidpointRadiusMax = 700;
constexpr int64_t kLineCoordinateMax = 65000;

bool Outlined(const DrawingContext* context) { return (context->mode & DrawModeOutlined) != 0; }

// A negative size extends the rectangle to the left (or up) of the given corner.
void Normalise(int64_t* position, int64_t* size) {
  if (*size < 0) {
    *position += *size;
    *size = -*size;
  }
}

// The left and right pixel of each row of a shape that is convex along rows.
struct Extent {
  int64_t left;
  int64_t right;
};

// Draws a shape given by its row extents for rows top ... bottom: every row filled, or only the
// pixels that have a 4-neighbour outside the shape. Only rows inside the area are visited.
template <class ExtentOf>
void DrawRows(DrawingContext* context, int64_t top, int64_t bottom, bool outlined, ExtentOf extentOf) {
  const int64_t first = std::max<int64_t>(top, 0);
  const int64_t last = std::min<int64_t>(bottom, int64_t{context->clipHeight} - 1);
  for (int64_t row = first; row <= last; ++row) {
    const Extent e = extentOf(row);
    if (!outlined || row == top || row == bottom) {
      DrawingSpanClipped(context, e.left, e.right, row);
      continue;
    }
    const Extent above = extentOf(row - 1), below = extentOf(row + 1);
    const int64_t innerLeft = std::max({e.left + 1, above.left, below.left});
    const int64_t innerRight = std::min({e.right - 1, above.right, below.right});
    if (innerLeft > innerRight) {
      DrawingSpanClipped(context, e.left, e.right, row);
    } else {
      DrawingSpanClipped(context, e.left, innerLeft - 1, row);
      DrawingSpanClipped(context, innerRight + 1, e.right, row);
    }
  }
}

// Half the width of an ellipse row `d` rows from its centre row, rounded.
int64_t HalfWidth(int64_t radiusX, int64_t radiusY, int64_t d) {
  if (radiusY == 0) return radiusX;
  const double ratio = static_cast<double>(d) / static_cast<double>(radiusY);
  const double share = std::max(0.0, 1.0 - ratio * ratio);
  return static_cast<int64_t>(static_cast<double>(radiusX) * std::sqrt(share) + 0.5);
}

void EllipsePrecise(DrawingContext* context, int64_t cx, int64_t cy, int64_t rx, int64_t ry) {
  DrawRows(context, cy - ry, cy + ry, Outlined(context), [&](int64_t row) {
    const int64_t w = HalfWidth(rx, ry, std::llabs(row - cy));
    return Extent{cx - w, cx + w};
  });
}

// Integer midpoint stepping of one quarter; `emit` gets every (x, y) of the first quadrant,
// each once, from (0, ry) to (rx, 0). The decision values are kept four times their size so
// that they stay integers.
template <class Emit>
void MidpointQuarter(int64_t rx, int64_t ry, Emit emit) {
  const int64_t rx2 = rx * rx, ry2 = ry * ry;
  int64_t x = 0, y = ry;
  int64_t px = 0, py = 2 * rx2 * y;
  int64_t p = 4 * ry2 - 4 * rx2 * ry + rx2;
  while (px < py) {
    emit(x, y);
    ++x;
    px += 2 * ry2;
    if (p < 0) {
      p += 4 * (ry2 + px);
    } else {
      --y;
      py -= 2 * rx2;
      p += 4 * (ry2 + px - py);
    }
  }
  p = ry2 * (2 * x + 1) * (2 * x + 1) + 4 * rx2 * (y - 1) * (y - 1) - 4 * rx2 * ry2;
  while (y >= 0) {
    emit(x, y);
    --y;
    py -= 2 * rx2;
    if (p > 0) {
      p += 4 * (rx2 - py);
    } else {
      ++x;
      px += 2 * ry2;
      p += 4 * (rx2 - py + px);
    }
  }
}

void EllipseMidpoint(DrawingContext* context, int64_t cx, int64_t cy, int64_t rx, int64_t ry) {
  if (Outlined(context)) {
    // Four symmetric points per step; points on an axis are their own mirror and drawn once.
    MidpointQuarter(rx, ry, [&](int64_t x, int64_t y) {
      DrawingPointClipped(context, cx + x, cy + y);
      if (x != 0) DrawingPointClipped(context, cx - x, cy + y);
      if (y != 0) DrawingPointClipped(context, cx + x, cy - y);
      if (x != 0 && y != 0) DrawingPointClipped(context, cx - x, cy - y);
    });
    return;
  }
  // Filled: the widest point of each row, then one span per row.
  int64_t widest[kMidpointRadiusMax + 1];
  std::fill(widest, widest + ry + 1, int64_t{-1});
  MidpointQuarter(rx, ry, [&](int64_t x, int64_t y) { widest[y] = std::max(widest[y], x); });
  for (int64_t y = 0; y <= ry; ++y) {
    DrawingSpanClipped(context, cx - widest[y], cx + widest[y], cy + y);
    if (y != 0) DrawingSpanClipped(context, cx - widest[y], cx + widest[y], cy - y);
  }
}

// Clamps a coordinate of a line that is not axis-parallel.
int64_t LineClamp(int64_t value) { return std::clamp(value, -kLineCoordinateMax, kLineCoordinateMax); }

// Moves the ends of a segment onto [0, limit] along its first axis (a), recomputing the second
// (b) from the slope. False when both ends lie beyond the same bound.
bool ClipAxis(int64_t* a1, int64_t* b1, int64_t* a2, int64_t* b2, int64_t limit) {
  if (*a1 > *a2) {
    std::swap(*a1, *a2);
    std::swap(*b1, *b2);
  }
  if (*a2 < 0 || *a1 > limit) return false;
  const double startA = static_cast<double>(*a1), startB = static_cast<double>(*b1);
  const double slope = static_cast<double>(*b2 - *b1) / static_cast<double>(*a2 - *a1 == 0 ? 1 : *a2 - *a1);
  if (*a1 < 0) {
    *b1 = static_cast<int64_t>(startB + slope * (0 - startA));
    *a1 = 0;
  }
  if (*a2 > limit) {
    *b2 = static_cast<int64_t>(startB + slope * (static_cast<double>(limit) - startA));
    *a2 = limit;
  }
  return true;
}

void Bresenham(DrawingContext* context, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  const int64_t dx = std::llabs(x2 - x1), dy = std::llabs(y2 - y1);
  if (dx >= dy) {
    if (x1 > x2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const int64_t step = y2 >= y1 ? 1 : -1;
    int64_t error = 2 * dy - dx;
    for (int64_t x = x1, y = y1; x <= x2; ++x) {
      DrawingPointClipped(context, x, y);
      if (error >= 0) {
        y += step;
        error += 2 * dy - 2 * dx;
      } else {
        error += 2 * dy;
      }
    }
  } else {
    if (y1 > y2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const int64_t step = x2 >= x1 ? 1 : -1;
    int64_t error = 2 * dx - dy;
    for (int64_t y = y1, x = x1; y <= y2; ++y) {
      DrawingPointClipped(context, x, y);
      if (error >= 0) {
        x += step;
        error += 2 * dx - 2 * dy;
      } else {
        error += 2 * dx;
      }
    }
  }
}

}  // namespace

void DrawingBoxEntry(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height) {
  Normalise(&x, &width);
  Normalise(&y, &height);
  if (width < 1 || height < 1) return;
  const int64_t right = x + width - 1, bottom = y + height - 1;
  if (Outlined(context)) {
    // A box one row high has its top and bottom on the same row: that row is drawn twice.
    DrawingSpanClipped(context, x, right, y);
    DrawingSpanClipped(context, x, right, bottom);
    if (height > 2) {
      DrawingColumnClipped(context, x, y + 1, bottom - 1);
      DrawingColumnClipped(context, right, y + 1, bottom - 1);
    }
    return;
  }
  const int64_t left = std::max<int64_t>(x, 0), top = std::max<int64_t>(y, 0);
  const int64_t clippedRight = std::min<int64_t>(right, int64_t{context->clipWidth} - 1);
  const int64_t clippedBottom = std::min<int64_t>(bottom, int64_t{context->clipHeight} - 1);
  if (clippedRight < left) return;
  for (int64_t row = top; row <= clippedBottom; ++row) DrawingSpanClipped(context, left, clippedRight, row);
}

void DrawingRoundBoxEntry(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height,
                          int64_t radiusX, int64_t radiusY) {
  Normalise(&x, &width);
  Normalise(&y, &height);
  if (width < 1 || height < 1) return;
  // The corners may take at most half of each side, and leave the middle pixel of an odd side.
  const int64_t rx = std::clamp<int64_t>(std::llabs(radiusX), 0, (width - 1) / 2);
  const int64_t ry = std::clamp<int64_t>(std::llabs(radiusY), 0, (height - 1) / 2);
  const int64_t bottom = y + height - 1;
  DrawRows(context, y, bottom, Outlined(context), [&](int64_t row) {
    // Rows within ry of the top or bottom edge are narrowed by the corner ellipse.
    const int64_t fromEdge = std::min(row - y, bottom - row);
    const int64_t inset = fromEdge < ry ? rx - HalfWidth(rx, ry, ry - fromEdge) : 0;
    return Extent{x + inset, x + width - 1 - inset};
  });
}

void DrawingEllipseEntry(DrawingContext* context, int64_t x, int64_t y, int64_t radiusX, int64_t radiusY) {
  const int64_t rx = std::llabs(radiusX), ry = std::llabs(radiusY);
  // Nothing to do when the bounding box misses the area.
  if (x + rx < 0 || y + ry < 0 || x - rx >= context->clipWidth || y - ry >= context->clipHeight) return;
  if (rx == 0 || ry == 0) {
    if (ry == 0) DrawingSpanClipped(context, x - rx, x + rx, y);
    else DrawingColumnClipped(context, x, y - ry, y + ry);
    return;
  }
  if (rx > kMidpointRadiusMax || ry > kMidpointRadiusMax) EllipsePrecise(context, x, y, rx, ry);
  else EllipseMidpoint(context, x, y, rx, ry);
}

void DrawingLineEntry(DrawingContext* context, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  if (y1 == y2) {
    DrawingSpanClipped(context, x1, x2, y1);
    return;
  }
  if (x1 == x2) {
    DrawingColumnClipped(context, x1, y1, y2);
    return;
  }
  if (context->clipWidth < 1 || context->clipHeight < 1) return;
  x1 = LineClamp(x1);
  y1 = LineClamp(y1);
  x2 = LineClamp(x2);
  y2 = LineClamp(y2);
  if (!ClipAxis(&x1, &y1, &x2, &y2, int64_t{context->clipWidth} - 1)) return;
  if (!ClipAxis(&y1, &x1, &y2, &x2, int64_t{context->clipHeight} - 1)) return;
  Bresenham(context, x1, y1, x2, y2);
}

// ---- program operations ----

namespace {

void Box(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height) {
  if (context != nullptr)
    context->ops.box(context, DrawingShiftX(context, x), DrawingShiftY(context, y), DrawingLimit(width),
                     DrawingLimit(height));
}

void RoundBox(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height, int64_t radiusX,
              int64_t radiusY) {
  if (context != nullptr)
    context->ops.roundBox(context, DrawingShiftX(context, x), DrawingShiftY(context, y), DrawingLimit(width),
                          DrawingLimit(height), DrawingLimit(radiusX), DrawingLimit(radiusY));
}

void Ellipse(DrawingContext* context, int64_t x, int64_t y, int64_t radiusX, int64_t radiusY) {
  if (context != nullptr)
    context->ops.ellipse(context, DrawingShiftX(context, x), DrawingShiftY(context, y), DrawingLimit(radiusX),
                         DrawingLimit(radiusY));
}

void Line(DrawingContext* context, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  if (context != nullptr)
    context->ops.line(context, DrawingShiftX(context, x1), DrawingShiftY(context, y1), DrawingShiftX(context, x2),
                      DrawingShiftY(context, y2));
}

}  // namespace

void DrawBox(int64_t x, int64_t y, int64_t width, int64_t height, int64_t colour) {
  Box(DrawingWithColour(colour), x, y, width, height);
}
void DrawBox(int64_t x, int64_t y, int64_t width, int64_t height) { Box(DrawingWithFrontColour(), x, y, width, height); }

void DrawRoundBox(int64_t x, int64_t y, int64_t width, int64_t height, int64_t radiusX, int64_t radiusY,
                  int64_t colour) {
  RoundBox(DrawingWithColour(colour), x, y, width, height, radiusX, radiusY);
}
void DrawRoundBox(int64_t x, int64_t y, int64_t width, int64_t height, int64_t radiusX, int64_t radiusY) {
  RoundBox(DrawingWithFrontColour(), x, y, width, height, radiusX, radiusY);
}

void DrawEllipse(int64_t x, int64_t y, int64_t radiusX, int64_t radiusY, int64_t colour) {
  Ellipse(DrawingWithColour(colour), x, y, radiusX, radiusY);
}
void DrawEllipse(int64_t x, int64_t y, int64_t radiusX, int64_t radiusY) {
  Ellipse(DrawingWithFrontColour(), x, y, radiusX, radiusY);
}

void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t colour) {
  Line(DrawingWithColour(colour), x1, y1, x2, y2);
}
void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2) { Line(DrawingWithFrontColour(), x1, y1, x2, y2); }
