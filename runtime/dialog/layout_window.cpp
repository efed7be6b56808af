// The window element, root of every dialog: its bounds for the user's resizing, the map from
// window numbers to dialog roots, the resize binding that places the root again on every size
// event, and the layout pass that sizes the window to its content.
#include <algorithm>

#include "core/constants.h"
#include "core/map.h"
#include "dialog.h"
#include "dialog_layout.h"
#include "gui/window.h"

namespace {

Map* g_windows = nullptr;  // window number -> WindowElement*

// A size event of a dialog window: the root goes into the new inner size, with the sizes of the
// last computation.
void OnDialogWindowSize() {
  WindowElement* root = DialogWindowElement(EventGetWindow());
  if (root == nullptr || root->dialog == nullptr || !DialogWindowAlive(root)) return;
  ++root->dialog->busy;
  root->Place(0, 0, WindowGetWidth(root->window, 1), WindowGetHeight(root->window, 1));
  DialogRecord* dialog = root->dialog;
  --dialog->busy;
  DialogFinishPendingFree(dialog);
}

// A bound in frame terms: the user resizes the frame, while the layout speaks of the inner size.
int64_t FrameBound(int64_t window, int64_t inner, bool horizontal) {
  if (inner <= 0) return inner;
  int64_t frame = horizontal ? WindowGetWidth(window, 0) - WindowGetWidth(window, 1)
                             : WindowGetHeight(window, 0) - WindowGetHeight(window, 1);
  return inner + std::max<int64_t>(0, frame);
}

}  // namespace

void DialogWindowMapCreate() { MapCreateIntKeyed(sizeof(WindowElement*), nullptr, &g_windows, 256); }

void DialogWindowMapFree() {
  if (g_windows) MapFree(g_windows);
  g_windows = nullptr;
}

WindowElement* DialogWindowElement(int64_t window) {
  if (g_windows == nullptr || window < 0) return nullptr;
  auto* slot = static_cast<WindowElement**>(MapIntFind(g_windows, window));
  return slot ? *slot : nullptr;
}

bool DialogWindowAlive(const WindowElement* root) {
  return root->window != -1 && WindowIsValid(root->window) &&
         reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(root->window))) == root->handle;
}

bool DialogWindowRegister(WindowElement* element) {
  if (g_windows == nullptr) return false;
  auto* slot = static_cast<WindowElement**>(MapIntAdd(g_windows, element->window, kMapReplace));
  if (slot == nullptr) return false;
  *slot = element;
  return EventBind(EC_SIZE_WINDOW, OnDialogWindowSize, element->window) != 0;
}

// A window number another dialog has taken since belongs to that dialog, binding included.
void DialogWindowUnregister(WindowElement* element) {
  if (element->window == -1 || DialogWindowElement(element->window) != element) return;
  MapIntDelete(g_windows, element->window);
  EventUnbind(EC_SIZE_WINDOW, OnDialogWindowSize, element->window);
}

WindowElement::~WindowElement() { DialogWindowUnregister(this); }

void WindowElement::ComputeSize(int64_t* width, int64_t* height) {
  SingleElement::ComputeSize(width, height);
  if (minimumBoundWidth == kBoundAbsent && minimumBoundHeight == kBoundAbsent && maximumBoundWidth == kBoundAbsent &&
      maximumBoundHeight == kBoundAbsent) {
    return;
  }
  if (minimumBoundWidth >= 0) *width = std::max(*width, minimumBoundWidth);
  if (minimumBoundHeight >= 0) *height = std::max(*height, minimumBoundHeight);
  auto bound = [&](int64_t value, int64_t computed, bool horizontal) {
    if (value == kBoundAbsent) return CV_Keep;
    return FrameBound(window, value == kBoundAuto ? computed : value, horizontal);
  };
  WindowSetBounds(window, bound(minimumBoundWidth, *width, true), bound(minimumBoundHeight, *height, false),
                  bound(maximumBoundWidth, *width, true), bound(maximumBoundHeight, *height, false));
}

// The child always fills the window inside the margins: the window has no room to leave empty.
void WindowElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  if (child) child->Place(x + left, y + top, width - left - right, height - top - bottom);
}

void DialogLayout(WindowElement* root, int64_t width, int64_t height, int64_t* usedWidth, int64_t* usedHeight) {
  int64_t requiredWidth, requiredHeight;
  root->RequiredSize(&requiredWidth, &requiredHeight);
  width = std::clamp<int64_t>(std::max(width, requiredWidth), 0, kDialogMaxWindowExtent);
  height = std::clamp<int64_t>(std::max(height, requiredHeight), 0, kDialogMaxWindowExtent);
  root->Place(0, 0, width, height);
  WindowResize(root->window, CV_Keep, CV_Keep, width, height);
  if (usedWidth) *usedWidth = width;
  if (usedHeight) *usedHeight = height;
}
