// The element base with its default operations, gadget elements (required sizes by kind and
// the text rule of placement), and the making of an element of the class its shape calls for.
#include <algorithm>

#include "core/constants.h"
#include "dialog.h"
#include "dialog_layout.h"
#include "gui/gadget.h"
#include "gui/gadget_input.h"

namespace {

// What a track bar needs across its channel: the thumb and a row of ticks.
constexpr int64_t kSliderThickness = 30;

}  // namespace

// ---- the defaults ----

void DialogElement::RaiseToMinimum(int64_t* width, int64_t* height) const {
  *width = std::max<int64_t>(*width, minimumWidth);
  *height = std::max<int64_t>(*height, minimumHeight);
}

void DialogElement::RequiredSize(int64_t* width, int64_t* height) {
  if (folded) {
    *width = *height = 0;
    return;
  }
  ComputeSize(width, height);
  if (minimumWidth == -1) *width = 0;
  if (minimumHeight == -1) *height = 0;
}

void DialogElement::ComputeSize(int64_t* width, int64_t* height) {
  *width = *height = 0;
  RaiseToMinimum(width, height);
}

void DialogElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  if (gadget != -1) GadgetResize(gadget, x, y, std::max<int64_t>(0, width), std::max<int64_t>(0, height));
}

bool DialogElement::AddChild(DialogElement*, DialogBuild&) { return true; }

DialogElement* DialogElement::FindByName(const char16_t* wanted) {
  if (!name.empty() && XmlNameEqualNoCase(name.c_str(), wanted)) return this;
  for (int64_t i = 0; i < ChildCount(); ++i) {
    if (DialogElement* found = Child(i)->FindByName(wanted)) return found;
  }
  return nullptr;
}

// ---- gadget elements ----

void GadgetElement::RequiredSize(int64_t* width, int64_t* height) {
  naturalWidth = gadget != -1 ? GadgetGetWidth(gadget, 1) : 0;
  naturalHeight = gadget != -1 ? GadgetGetHeight(gadget, 1) : 0;
  if (type->sizeRule != SizeRule::Natural) {
    DialogElement::RequiredSize(width, height);
    if (type->sizeRule == SizeRule::Slider && !folded) {
      bool vertical = (flags & CV_TrackBar_Vertical) != 0;
      int64_t* across = vertical ? width : height;
      if ((vertical ? minimumWidth : minimumHeight) != -1) *across = std::max(*across, kSliderThickness);
    }
    return;
  }
  // A folded gadget takes no room, like every folded element.
  if (folded) {
    *width = *height = 0;
    return;
  }
  *width = naturalWidth;
  *height = naturalHeight;
  RaiseToMinimum(width, height);
}

void GadgetElement::Place(int64_t x, int64_t y, int64_t width, int64_t height) {
  if (gadget == -1) return;
  int32_t kind = type->gadgetKind;
  // Texts sit a little lower in a row taller than they need, in line with the text of the
  // gadgets beside them; a bordered text keeps its box.
  if ((kind == GADGET_KIND_TEXT || kind == GADGET_KIND_HYPERLINK) && !(flags & CV_Text_Border) &&
      height - 2 >= std::max<int64_t>(minimumHeight, naturalHeight)) {
    y += 2;
    height -= 2;
  }
  GadgetResize(gadget, x, y, std::max<int64_t>(0, width), std::max<int64_t>(0, height));
}

// ---- child lists ----

ChildList::~ChildList() {
  for (DialogElement* child : items) delete child;
}

bool ChildList::Add(DialogElement* owner, DialogElement* child, DialogBuild& build) {
  if (static_cast<int64_t>(items.size()) >= kDialogMaxChildren) {
    build.Error("'%s' holds more than 100 children; a box, multibox or panel has room for 100.", owner->type->name);
    return false;
  }
  items.push_back(child);
  child->parent = owner;
  return true;
}

// ---- making elements ----

DialogElement* ElementNew(const ElementType* type) {
  switch (type->shape) {
    case ElementShape::Window: return new WindowElement(type);
    case ElementShape::VBox: return new BoxElement(type, true);
    case ElementShape::HBox: return new BoxElement(type, false);
    case ElementShape::Grid: return new GridElement(type);
    case ElementShape::Multi: return new MultiElement(type);
    case ElementShape::Empty: return new EmptyElement(type);
    case ElementShape::Container: return new ContainerElement(type, 10);
    case ElementShape::Frame: return new FrameElement(type, 5);
    case ElementShape::Gadget: return new GadgetElement(type);
    case ElementShape::Single:
    case ElementShape::Panel:
    case ElementShape::Tab:
    case ElementShape::ScrollArea:
    case ElementShape::Splitter: break;
  }
  return new SingleElement(type, 10);
}
