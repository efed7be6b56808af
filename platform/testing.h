// Hooks that only tests use, gathered out of the Windows-shaped headers. One convention: every
// hook lives in platform::testing and is named after its area first (Heap..., Gdi..., Glyph...,
// Screen..., Dialogs..., Shell...).
#pragma once

#include <cstdint>

#include "dialogs_records.h"
#include "headless/headless_backend.h"
#include "windows_types.h"

namespace platform::testing {

// From the allocation `countdown` calls from now (1 = the next one), `failures` allocations in
// a row fail, in any heap. 0 switches failures off. Lets tests walk out-of-memory paths.
void HeapFailAfter(int64_t countdown, int64_t failures = 1);
// Number of blocks alive in a heap (0 for an unknown heap); for leak checks.
int64_t HeapBlockCount(HANDLE heap);

// How many GDI objects (DCs, bitmaps, brushes, fonts, icons) are alive, stock objects aside.
// Compared before and after a piece of work, it finds leaked objects.
int64_t GdiObjectCount();

// How many glyph images FreeType has rasterised since the process started; compared before and
// after drawing, it shows that the glyph cache serves repeated text.
int64_t GlyphRasterCount();

// Whether the calling thread holds the window manager's lock (no display backend callback may
// run while it does).
bool UserLockHeld();

}  // namespace platform::testing
