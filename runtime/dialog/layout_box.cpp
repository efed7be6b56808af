// Vertical and horizontal boxes, which line their children up along one axis and give each the
// whole other axis, and the multibox, which lays its children on top of each other.
#include <algorithm>

#include "dialog_layout.h"

// ---- vbox and hbox ----

void BoxElement::ComputeSize(int64_t* width, int64_t* height) {
  int64_t count = ChildCount();
  childMain.assign(static_cast<size_t>(count), 0);
  requiredMain = 0;
  foldedCount = 0;
  int64_t cross = 0, largestMain = 0;
  for (int64_t i = 0; i < count; ++i) {
    DialogElement* child = Child(i);
    int64_t childWidth, childHeight;
    child->RequiredSize(&childWidth, &childHeight);
    int64_t main = vertical ? childHeight : childWidth;
    childMain[static_cast<size_t>(i)] = main;
    requiredMain += main;
    largestMain = std::max(largestMain, main);
    cross = std::max(cross, vertical ? childWidth : childHeight);
    if (child->folded) ++foldedCount;
  }
  int64_t live = count - foldedCount;
  if (expand == ExpandMode::Equal) requiredMain = largestMain * live;
  requiredMain += std::max<int64_t>(0, spacing * (live - 1));
  *width = vertical ? cross : requiredMain;
  *height = vertical ? requiredMain : cross;
  RaiseToMinimum(width, height);
}

void BoxElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  int64_t count = std::min<int64_t>(ChildCount(), static_cast<int64_t>(childMain.size()));
  int64_t live = count - foldedCount;
  if (live < 1) return;
  int64_t main = vertical ? height : width;
  int64_t cross = vertical ? width : height;
  int64_t position = vertical ? y : x;
  int64_t extra = main - requiredMain;
  bool shrinking = expand != ExpandMode::Equal && main > 0 && main < requiredMain;
  if (!shrinking && expand == ExpandMode::No) {
    if (align == kAlignCentre) position += extra / 2;
    else if (align == kAlignEnd) position += extra;
  }
  for (int64_t i = 0; i < count; ++i) {
    DialogElement* child = Child(i);
    if (child->folded) continue;
    int64_t recorded = childMain[static_cast<size_t>(i)];
    int64_t size;
    if (expand == ExpandMode::Equal) size = (main - (live - 1) * spacing) / live;
    else if (shrinking) size = main * recorded / requiredMain;
    else if (expand == ExpandMode::Yes) size = recorded + extra / live;
    else if (expand == ExpandMode::Item) size = recorded + (i == expandItem ? extra : 0);
    else size = recorded;
    if (vertical) child->Place(x, position, cross, size);
    else child->Place(position, y, size, cross);
    position += size + spacing;
  }
}

// ---- multibox ----

void MultiElement::ComputeSize(int64_t* width, int64_t* height) {
  *width = *height = 0;
  for (int64_t i = 0; i < ChildCount(); ++i) {
    int64_t childWidth, childHeight;
    Child(i)->RequiredSize(&childWidth, &childHeight);
    *width = std::max(*width, childWidth);
    *height = std::max(*height, childHeight);
  }
  RaiseToMinimum(width, height);
}

void MultiElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  for (int64_t i = 0; i < ChildCount(); ++i) {
    if (!Child(i)->folded) Child(i)->Place(x, y, width, height);
  }
}
