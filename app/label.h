// Label rendering and series generation: the background picture, the preview redraw and the
// numbered series of PNG files.
#pragma once

#include <cstdint>

// Asks for a background picture and loads it; the size is kept when the load fails.
void BackgroundLoad();
// Redraws the preview with `text` as the label when anything it depends on changed.
void LabelDraw(const char16_t* text, int64_t flags);
// Renders the whole range of numbers, and the closing last text, into PNG files beside the picture.
void SeriesCreate();
