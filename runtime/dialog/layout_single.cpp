// Single-child elements: the singlebox, which holds its child inside margins with expansion and
// alignment, and the container and frame, which do the same inside their gadget's border or
// under their caption.
#include <algorithm>

#include "dialog_layout.h"
#include "gui/gadget.h"
#include "text.h"
#include "user.h"

namespace {

// One axis of a child's placement: what it gets and how far it moves in the available room.
void FitAxis(int64_t required, int64_t available, bool expand, int64_t cap, int8_t align, int64_t* offset,
             int64_t* given) {
  *offset = 0;
  if (required >= available) {
    *given = available;
    return;
  }
  *given = required;
  if (expand) *given = (cap > 0 && cap < available) ? std::max(cap, required) : available;
  if (align == kAlignCentre) *offset = (available - *given) / 2;
  else if (align == kAlignEnd) *offset = available - *given;
}

HWND ControlOf(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }

}  // namespace

bool SingleElement::AddChild(DialogElement* added, DialogBuild&) {
  // A second child takes the place of the first, which goes.
  delete child;
  child = added;
  added->parent = this;
  return true;
}

void SingleElement::ComputeSize(int64_t* width, int64_t* height) {
  childWidth = childHeight = 0;
  if (child) child->RequiredSize(&childWidth, &childHeight);
  int64_t horizontal, vertical;
  Insets(&horizontal, &vertical);
  *width = left + right + childWidth + horizontal;
  *height = top + bottom + childHeight + vertical;
  RaiseToMinimum(width, height);
}

void SingleElement::PlaceChild(int64_t x, int64_t y, int64_t width, int64_t height, int64_t* givenWidth,
                               int64_t* givenHeight) {
  x += left;
  y += top;
  width -= left + right;
  height -= top + bottom;
  int64_t offsetX, offsetY, placedWidth, placedHeight;
  FitAxis(childWidth, width, expandHorizontal, expandWidthCap, alignHorizontal, &offsetX, &placedWidth);
  FitAxis(childHeight, height, expandVertical, expandHeightCap, alignVertical, &offsetY, &placedHeight);
  if (givenWidth) *givenWidth = placedWidth;
  if (givenHeight) *givenHeight = placedHeight;
  if (child) child->Place(x + offsetX, y + offsetY, placedWidth, placedHeight);
}

// ---- container ----

// The border is what the container's frame takes from its client area, as its style makes it.
void ContainerElement::Insets(int64_t* horizontal, int64_t* vertical) {
  borderWidth = borderHeight = 0;
  if (HWND control = ControlOf(gadget)) {
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(control, GWL_EXSTYLE)));
    borderWidth = frame.right - frame.left;
    borderHeight = frame.bottom - frame.top;
  }
  *horizontal = borderWidth;
  *vertical = borderHeight;
}

void ContainerElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  DialogElement::Place(x, y, width, height);
  // The child's coordinates are the container's client coordinates, inside the border.
  PlaceChild(0, 0, width - borderWidth, height - borderHeight);
}

void ContainerElement::Finish(DialogBuild& build) {
  DialogElement::Finish(build);
  GadgetListClose();
}

// ---- frame ----

// The caption's height in the frame's font, at least 10, above the child; 4 pixels elsewhere.
void FrameElement::Insets(int64_t* horizontal, int64_t* vertical) {
  captionHeight = 10;
  if (HWND control = ControlOf(gadget)) {
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(GadgetGetFont(gadget))));
    SIZE extent{};
    const char16_t* caption = text.empty() ? u"Hg" : text.c_str();
    int length = text.empty() ? 2 : static_cast<int>(std::min<size_t>(text.size(), 4096));
    if (GetTextExtentPoint32W(dc, caption, length, &extent)) {
      captionHeight = std::max<int64_t>(10, extent.cy);
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
  }
  *horizontal = 8;
  *vertical = captionHeight + 4;
}

void FrameElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  DialogElement::Place(x, y, width, height);
  // The frame's gadget only draws: its child lies beside it in the same parent.
  PlaceChild(x + 4, y + captionHeight, width - 8, height - captionHeight - 4);
}
