// The 2D drawing library's program operations: beginning and ending a drawing on an output,
// the drawing mode and colours, boxes, points, lines, ellipses, round boxes, area fills,
// images, grabs, clipping, gradients and custom filters. Every operation acts on the current
// context (drawing_context.h) and does nothing (or returns 0) when no drawing is open.
#pragma once

#include <cstdint>

#include "drawing_context.h"

// ---- drawing modes ----
constexpr int64_t DrawModeDefault = 0;
constexpr int64_t DrawModeTransparent = 1;  // text background not painted
constexpr int64_t DrawModeXor = 2;
constexpr int64_t DrawModeOutlined = 4;       // boxes, round boxes, ellipses as outlines
constexpr int64_t DrawModeAlphaChannel = 8;   // only alpha is written (4-byte targets)
constexpr int64_t DrawModeAlphaBlend = 16;
constexpr int64_t DrawModeAlphaClip = 32;
constexpr int64_t DrawModeGradient = 64;
constexpr int64_t DrawModeCustom = 128;
constexpr int64_t DrawModeAllChannels = 256;  // B, G, R, A as given (4-byte targets)

// ---- library ----
// Allocates the thread-local slot of the current context. Called at start-up.
void DrawingInit();

// ---- begin and end ----
// Starts drawing on an output (a value an output function returned): the buffer address or
// the output's device context, as the output asks; 0 for a missing output or a failed start,
// in which case the output is released without repaint and its context freed.
int64_t DrawingBegin(int64_t output);
// Ends the current drawing: frees what it made, releases the output (which repaints) and
// frees the context. Nothing without a current drawing.
void DrawingEnd();

// An output over an image's section (24 or 32 bits), so that pictures can be drawn without a
// window; 0 for an unknown image or a bitmap that is not such a section. Ending the drawing
// leaves the image as drawn.
int64_t ImageOutput(int64_t image);

// ---- colours and modes ----
// r | g << 8 | b << 16 as a signed 32-bit value (alpha 0; the arguments are not masked).
int64_t ColorRGB(int64_t red, int64_t green, int64_t blue);
int64_t ColorRGBA(int64_t red, int64_t green, int64_t blue, int64_t alpha);
void DrawingSetMode(int64_t mode);
// The colours operations without a colour argument use; text without a back colour argument
// uses the back colour.
void DrawingFrontColor(int64_t colour);
void DrawingBackColor(int64_t colour);
// The position added to every coordinate before clipping (0, 0 unless set).
void DrawingSetOrigin(int64_t x, int64_t y);

// ---- primitives (coordinates are the caller's; the origin and clip position apply) ----
void DrawBox(int64_t x, int64_t y, int64_t width, int64_t height, int64_t colour);
void DrawBox(int64_t x, int64_t y, int64_t width, int64_t height);
void DrawRoundBox(int64_t x, int64_t y, int64_t width, int64_t height, int64_t radiusX, int64_t radiusY,
                  int64_t colour);
void DrawRoundBox(int64_t x, int64_t y, int64_t width, int64_t height, int64_t radiusX, int64_t radiusY);
void DrawEllipse(int64_t x, int64_t y, int64_t radiusX, int64_t radiusY, int64_t colour);
void DrawEllipse(int64_t x, int64_t y, int64_t radiusX, int64_t radiusY);
// Both end points included.
void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int64_t colour);
void DrawLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
// Fills the 4-connected region around (x, y): border -1 means the pixels of the start pixel's
// colour, any other border the pixels whose colour differs from it.
void DrawFillArea(int64_t x, int64_t y, int64_t border, int64_t colour);
void DrawFillArea(int64_t x, int64_t y, int64_t border);
// A point in the front colour, or in a given colour (which does not become the front colour).
void DrawPlot(int64_t x, int64_t y);
void DrawPlot(int64_t x, int64_t y, int64_t colour);
// The colour of a pixel: B << 16 | G << 8 | R, with A << 24 on 4-byte targets in the alpha,
// custom and all-channels modes. 0 outside the area.
int64_t DrawPointRead(int64_t x, int64_t y);

// ---- images (an OS bitmap or icon handle, as ImageHandle gives it) ----
void DrawImageAt(int64_t handle, int64_t x, int64_t y);
void DrawImageSized(int64_t handle, int64_t x, int64_t y, int64_t width, int64_t height);
void DrawImageAlpha(int64_t handle, int64_t x, int64_t y, int64_t alpha);
// A copy of a rectangle as a new image (number or CV_Any): the record address for CV_Any, else
// the bitmap handle; 0 on failure. Parts outside the area are black.
int64_t DrawingGrabImage(int64_t image, int64_t x, int64_t y, int64_t width, int64_t height);

// ---- the drawing area ----
int64_t DrawingBufferAddress();
int64_t DrawingBufferPitch();
int64_t DrawingBufferPixelFormat();
// Limits drawing to a rectangle of the output, whose top-left becomes (0, 0) for the caller
// (with the origin added); unclip restores the whole output.
void DrawingClip(int64_t x, int64_t y, int64_t width, int64_t height);
void DrawingUnclip();

// ---- gradients and custom filters (DrawModeGradient, DrawModeCustom) ----
// Adds a stop at a position 0 ... 1 (kept in ascending order).
void DrawingGradientColor(double position, int64_t colour);
void DrawingResetGradientColors();
// Null restores the default (every pixel at position 1: the front colour).
void DrawingSetGradientRoutine(DrawingGradientRoutine routine);
// Null restores the default (the target colour is kept).
void DrawingSetCustomFilter(DrawingCustomRoutine routine);
