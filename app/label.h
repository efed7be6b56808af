// Label rendering and series generation: the background picture, the preview redraw and the
// numbered series of PNG files.
#pragma once

#include <cstdint>

#include "corvid.h"

// Asks for a background picture and loads it; the size is kept when the load fails.
void BackgroundLoad();
// Redraws the preview with `text` as the label when anything it depends on changed.
void LabelDraw(const char16_t* text, int64_t flags);
// Renders the whole range of numbers, and the closing last text, into PNG files beside the picture.
void SeriesCreate();

// The label for a number as drawn: cut or zero-padded to the fixed size and framed by the prefix
// and suffix, unless `last` says it is the closing text, which stands alone.
RString LabelCompose(const char16_t* text, int64_t last);
// How many times the preview was actually drawn; for tests of the change detection.
int64_t LabelDrawCount();
// Forgets the last drawing (its font goes with the font library); the end sequence calls it.
void LabelForget();
