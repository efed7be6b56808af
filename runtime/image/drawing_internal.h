// Routines the drawing sources share among themselves: the entries each source puts into a new
// context's table, the choice of plot routines for a mode, and clipped runs and columns in the
// applied front colour.
#pragma once

#include <cstdint>

#include "drawing_context.h"

// drawing_plot.cpp
// Chooses span, pixel and read routines for the context's mode and bytes per pixel.
void DrawingSelectRoutines(DrawingContext* context);
void DrawingPlotEntry(DrawingContext* context, int64_t x, int64_t y);
void DrawingPlotColorEntry(DrawingContext* context, int64_t x, int64_t y, uint32_t colour);
uint32_t DrawingReadPixelEntry(DrawingContext* context, int64_t x, int64_t y);
// The pixels x1 ... x2 (inclusive, either order) of row y, clipped to the area.
void DrawingSpanClipped(DrawingContext* context, int64_t x1, int64_t x2, int64_t y);
// The pixels y1 ... y2 (inclusive, either order) of column x, clipped to the area.
void DrawingColumnClipped(DrawingContext* context, int64_t x, int64_t y1, int64_t y2);
// One pixel through the mode's routine, if it lies inside the area.
void DrawingPointClipped(DrawingContext* context, int64_t x, int64_t y);

// drawing_shapes.cpp
void DrawingBoxEntry(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height);
void DrawingRoundBoxEntry(DrawingContext* context, int64_t x, int64_t y, int64_t width, int64_t height,
                          int64_t radiusX, int64_t radiusY);
void DrawingEllipseEntry(DrawingContext* context, int64_t x, int64_t y, int64_t radiusX, int64_t radiusY);
void DrawingLineEntry(DrawingContext* context, int64_t x1, int64_t y1, int64_t x2, int64_t y2);

// drawing_fill.cpp
void DrawingFillAreaEntry(DrawingContext* context, int64_t x, int64_t y, int64_t border);
// Frees the span pool and row lists of the fills.
void DrawingFillRelease(DrawingContext* context);

// drawing_image.cpp
void DrawingImageEntry(DrawingContext* context, int64_t handle, int64_t x, int64_t y);
void DrawingImageSizedEntry(DrawingContext* context, int64_t handle, int64_t x, int64_t y, int64_t width,
                            int64_t height);
void DrawingImageAlphaEntry(DrawingContext* context, int64_t handle, int64_t x, int64_t y, int64_t alpha);
int64_t DrawingGrabImageEntry(DrawingContext* context, int64_t image, int64_t x, int64_t y, int64_t width,
                              int64_t height);

// drawing_gradient.cpp
uint32_t DrawingDefaultCustom(int64_t x, int64_t y, uint32_t source, uint32_t target);
double DrawingDefaultGradient(int64_t x, int64_t y);
void DrawingGradientRelease(DrawingContext* context);

// A caller's coordinate moved by the context's offset. Coordinates are first limited to
// +-2^60, so that sums and differences of them never overflow while any such value still lies
// far outside every area.
constexpr int64_t kDrawingCoordinateLimit = int64_t{1} << 60;
inline int64_t DrawingLimit(int64_t value) {
  return value < -kDrawingCoordinateLimit ? -kDrawingCoordinateLimit
                                          : (value > kDrawingCoordinateLimit ? kDrawingCoordinateLimit : value);
}
inline int64_t DrawingShiftX(const DrawingContext* context, int64_t x) { return DrawingLimit(x) + context->offsetX; }
inline int64_t DrawingShiftY(const DrawingContext* context, int64_t y) { return DrawingLimit(y) + context->offsetY; }

// The colour rule of the program operations: a colour argument becomes the applied front
// colour; without one the program's front colour does. Both return the current context.
inline DrawingContext* DrawingWithColour(int64_t colour) {
  DrawingContext* context = DrawingCurrent();
  if (context != nullptr) DrawingApplyFront(context, static_cast<uint32_t>(colour));
  return context;
}
inline DrawingContext* DrawingWithFrontColour() {
  DrawingContext* context = DrawingCurrent();
  if (context != nullptr) DrawingApplyFront(context, context->frontColor);
  return context;
}
