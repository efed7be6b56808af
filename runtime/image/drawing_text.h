// What the text routines of the drawing context share: the blend that lays rendered text (white
// on black in a 24-bit top-down image, each channel read as that channel's coverage) onto the
// current drawing area by the rules of the drawing mode.
#pragma once

#include <cstdint>

#include "drawing_context.h"

// Blends the width x height pixels of `pixels` (rows `stride` bytes apart) onto the current
// area with their top-left corner at (x, y) of the area, clipped to it. Rotated text never gets
// a background: it is blended as in transparent mode.
void DrawingTextBlend(DrawingContext* context, const uint8_t* pixels, int64_t stride, int64_t width, int64_t height,
                      int64_t x, int64_t y, bool rotated);
