// Filling an area: the 4-connected region around a start pixel (pixels of the start pixel's
// colour, or pixels that differ from a border colour) is filled run by run with the mode's
// routine. Runs already filled are recorded per row, so that no run is filled twice even when
// filling leaves the region's colours as they were.
#include <cstring>

#include "drawing.h"
#include "drawing_internal.h"
#include "heap.h"
#include "pool.h"

// A filled run of one row, from the first pixel outside on the left to the first outside on
// the right.
struct DrawingSpan {
  int32_t left;
  int32_t right;
  DrawingSpan* next;
};

namespace {

struct Seed {
  int32_t x;
  int32_t y;
};

// The seeds still to visit, in a main-heap array that doubles when full.
class SeedStack {
 public:
  ~SeedStack() {
    if (seeds_ != nullptr) MainHeapFree(seeds_);
  }
  bool Push(int32_t x, int32_t y) {
    if (count_ == capacity_) {
      const int64_t capacity = capacity_ == 0 ? 256 : capacity_ * 2;
      auto* grown = static_cast<Seed*>(MainHeapAlloc(sizeof(Seed) * static_cast<size_t>(capacity)));
      if (grown == nullptr) return false;
      if (count_ > 0) std::memcpy(grown, seeds_, sizeof(Seed) * static_cast<size_t>(count_));
      if (seeds_ != nullptr) MainHeapFree(seeds_);
      seeds_ = grown;
      capacity_ = capacity;
    }
    seeds_[count_++] = Seed{x, y};
    return true;
  }
  bool Pop(Seed* seed) {
    if (count_ == 0) return false;
    *seed = seeds_[--count_];
    return true;
  }

 private:
  Seed* seeds_ = nullptr;
  int64_t count_ = 0;
  int64_t capacity_ = 0;
};

class Fill {
 public:
  Fill(DrawingContext* context, uint32_t match, bool sameColour)
      : context_(context), match_(match), sameColour_(sameColour) {}

  void Run(int32_t x, int32_t y) {
    SeedStack seeds;
    if (!seeds.Push(x, y)) return;
    Seed seed{};
    while (seeds.Pop(&seed)) {
      if (Recorded(seed.x, seed.y) || !InRegion(seed.x, seed.y)) continue;
      int32_t left = seed.x, right = seed.x;
      while (left > 0 && InRegion(left - 1, seed.y)) --left;
      while (right < context_->clipWidth - 1 && InRegion(right + 1, seed.y)) ++right;
      context_->span(context_, Pixel(left, seed.y), left, seed.y, right - left + 1);
      if (!Record(seed.y, left - 1, right + 1)) return;
      for (int32_t row : {seed.y - 1, seed.y + 1}) {
        if (row < 0 || row >= context_->clipHeight) continue;
        bool previous = false;
        for (int32_t column = left; column <= right; ++column) {
          const bool in = InRegion(column, row);
          if (in && !previous && !Recorded(column, row) && !seeds.Push(column, row)) return;
          previous = in;
        }
      }
    }
  }

 private:
  uint8_t* Pixel(int32_t x, int32_t y) const { return DrawingRow(context_, y) + int64_t{x} * context_->bytesPerPixel; }

  bool InRegion(int32_t x, int32_t y) const {
    const uint8_t* p = Pixel(x, y);
    const uint32_t colour = p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16;
    return sameColour_ ? colour == match_ : colour != match_;
  }

  bool Recorded(int32_t x, int32_t y) const {
    for (const DrawingSpan* span = context_->rowSpans[y]; span != nullptr; span = span->next) {
      if (span->left < x && x < span->right) return true;
    }
    return false;
  }

  bool Record(int32_t y, int32_t left, int32_t right) {
    auto* span = static_cast<DrawingSpan*>(PoolAlloc(context_->spanPool));
    if (span == nullptr) return false;
    *span = DrawingSpan{left, right, context_->rowSpans[y]};
    context_->rowSpans[y] = span;
    return true;
  }

  DrawingContext* context_;
  uint32_t match_;
  bool sameColour_;
};

// Makes the span pool and the row lists on first use (the lists for every row of the output)
// and empties them for a new fill.
bool PrepareSpans(DrawingContext* context) {
  if (context->spanPool == nullptr) context->spanPool = PoolCreate(sizeof(DrawingSpan), 64, 4096, 0);
  if (context->spanPool == nullptr) return false;
  const int32_t rows = context->fullHeight > context->clipHeight ? context->fullHeight : context->clipHeight;
  if (context->rowSpans == nullptr || context->rowSpanCount < rows) {
    if (context->rowSpans != nullptr) MainHeapFree(context->rowSpans);
    context->rowSpans = static_cast<DrawingSpan**>(MainHeapAlloc(sizeof(DrawingSpan*) * static_cast<size_t>(rows)));
    context->rowSpanCount = context->rowSpans ? rows : 0;
    if (context->rowSpans == nullptr) return false;
  }
  PoolClear(context->spanPool);
  std::memset(context->rowSpans, 0, sizeof(DrawingSpan*) * static_cast<size_t>(context->rowSpanCount));
  return true;
}

}  // namespace

void DrawingFillAreaEntry(DrawingContext* context, int64_t x, int64_t y, int64_t border) {
  if (x < 0 || y < 0 || x >= context->clipWidth || y >= context->clipHeight) return;
  if (!PrepareSpans(context)) return;
  const auto startX = static_cast<int32_t>(x), startY = static_cast<int32_t>(y);
  if (border == -1) {
    const uint8_t* p = DrawingRow(context, startY) + int64_t{startX} * context->bytesPerPixel;
    Fill(context, p[2] | uint32_t{p[1]} << 8 | uint32_t{p[0]} << 16, true).Run(startX, startY);
  } else {
    Fill(context, static_cast<uint32_t>(border) & 0xFFFFFF, false).Run(startX, startY);
  }
}

void DrawingFillRelease(DrawingContext* context) {
  if (context->spanPool != nullptr) PoolRelease(context->spanPool);
  if (context->rowSpans != nullptr) MainHeapFree(context->rowSpans);
  context->spanPool = nullptr;
  context->rowSpans = nullptr;
  context->rowSpanCount = 0;
}

// ---- program operations ----

namespace {

void FillArea(DrawingContext* context, int64_t x, int64_t y, int64_t border) {
  if (context != nullptr) context->ops.fillArea(context, DrawingShiftX(context, x), DrawingShiftY(context, y), border);
}

}  // namespace

void DrawFillArea(int64_t x, int64_t y, int64_t border, int64_t colour) {
  FillArea(DrawingWithColour(colour), x, y, border);
}

void DrawFillArea(int64_t x, int64_t y, int64_t border) { FillArea(DrawingWithFrontColour(), x, y, border); }
