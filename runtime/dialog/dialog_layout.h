// The element classes of the layout engine: gadget elements, empty space, vertical and
// horizontal boxes, the multibox, the grid, and the single-child classes (singlebox, container,
// frame, window). Each keeps the sizes of its last computation for the next placement, so that
// a resize places again without measuring again.
#pragma once

#include <array>

#include "user.h"

#include "dialog_element.h"

// Expand modes of boxes and grids.
enum class ExpandMode : uint8_t { Yes = 1, No = 2, Equal = 3, Item = 4 };
// Alignment along an axis: 0 not given, 1 start, 2 centre, 3 end.
constexpr int8_t kAlignNone = 0;
constexpr int8_t kAlignStart = 1;
constexpr int8_t kAlignCentre = 2;
constexpr int8_t kAlignEnd = 3;

struct GadgetElement : DialogElement {
  using DialogElement::DialogElement;
  void RequiredSize(int64_t* width, int64_t* height) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;
  int64_t naturalWidth = 0;  // the gadget's own required size, as last measured
  int64_t naturalHeight = 0;
};

struct EmptyElement : DialogElement {
  using DialogElement::DialogElement;
  void Place(int64_t, int64_t, int64_t, int64_t) override {}
};

// A list of up to kDialogMaxChildren children, owned.
struct ChildList {
  ~ChildList();
  bool Add(DialogElement* owner, DialogElement* child, DialogBuild& build);
  std::vector<DialogElement*> items;
};

// vbox and hbox.
struct BoxElement : DialogElement {
  BoxElement(const ElementType* type, bool vertical) : DialogElement(type), vertical(vertical) {}
  void ComputeSize(int64_t* width, int64_t* height) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;
  bool AddChild(DialogElement* child, DialogBuild& build) override { return children.Add(this, child, build); }
  int64_t ChildCount() const override { return static_cast<int64_t>(children.items.size()); }
  DialogElement* Child(int64_t index) const override { return children.items[static_cast<size_t>(index)]; }

  bool vertical;
  int64_t spacing = 5;
  ExpandMode expand = ExpandMode::Yes;
  int64_t expandItem = 0;  // from 0
  int8_t align = kAlignStart;
  ChildList children;
  std::vector<int64_t> childMain;  // each child's required size along the main axis
  int64_t requiredMain = 0;
  int64_t foldedCount = 0;
};

// Children on top of each other, each given the whole area.
struct MultiElement : DialogElement {
  using DialogElement::DialogElement;
  void ComputeSize(int64_t* width, int64_t* height) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;
  bool AddChild(DialogElement* child, DialogBuild& build) override { return children.Add(this, child, build); }
  int64_t ChildCount() const override { return static_cast<int64_t>(children.items.size()); }
  DialogElement* Child(int64_t index) const override { return children.items[static_cast<size_t>(index)]; }
  ChildList children;
};

struct GridElement : DialogElement {
  struct Cell {
    DialogElement* child = nullptr;
    bool covered = false;
    int32_t columnSpan = 0;
    int32_t rowSpan = 0;
  };
  using DialogElement::DialogElement;
  ~GridElement() override;
  void ComputeSize(int64_t* width, int64_t* height) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;
  bool AddChild(DialogElement* child, DialogBuild& build) override;
  void Finish(DialogBuild& build) override;
  int64_t ChildCount() const override { return static_cast<int64_t>(placed.size()); }
  DialogElement* Child(int64_t index) const override;
  Cell& At(int64_t row, int64_t column) { return cells[static_cast<size_t>(row * columns + column)]; }

  int64_t columns = 2;
  int64_t rowsInUse = 0;
  int64_t cursor = 0;
  std::vector<Cell> cells;        // rows x columns, grown row by row up to kDialogMaxRows rows
  std::vector<int64_t> placed;    // cell indexes holding a child, row by row
  int64_t columnSpacing = 5;
  int64_t rowSpacing = 5;
  ExpandMode columnExpand = ExpandMode::Yes;
  int64_t columnItem = 0;
  ExpandMode rowExpand = ExpandMode::No;
  int64_t rowItem = 0;
  std::array<int64_t, 15> columnWidths{};
  std::array<int64_t, 70> rowHeights{};
  int64_t requiredWidth = 0;
  int64_t requiredHeight = 0;
};

// singlebox, and the single-child part of container, frame and window.
struct SingleElement : DialogElement {
  SingleElement(const ElementType* type, int64_t margin)
      : DialogElement(type), top(margin), bottom(margin), left(margin), right(margin) {}
  ~SingleElement() override { delete child; }
  void ComputeSize(int64_t* width, int64_t* height) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override { PlaceChild(x, y, width, height); }
  bool AddChild(DialogElement* added, DialogBuild& build) override;
  int64_t ChildCount() const override { return child ? 1 : 0; }
  DialogElement* Child(int64_t) const override { return child; }
  // The class's own room around the margins: container borders, the frame's caption.
  virtual void Insets(int64_t* horizontal, int64_t* vertical) { *horizontal = *vertical = 0; }
  // Places the child inside an area by the margins, expansion and alignment; returns what it got.
  void PlaceChild(int64_t x, int64_t y, int64_t width, int64_t height, int64_t* givenWidth = nullptr,
                  int64_t* givenHeight = nullptr);

  DialogElement* child = nullptr;
  int64_t top, bottom, left, right;
  bool expandVertical = true;
  bool expandHorizontal = true;
  int64_t expandWidthCap = 0;
  int64_t expandHeightCap = 0;
  int8_t alignVertical = kAlignNone;
  int8_t alignHorizontal = kAlignNone;
  int64_t childWidth = 0;
  int64_t childHeight = 0;
};

struct ContainerElement : SingleElement {
  using SingleElement::SingleElement;
  void Insets(int64_t* horizontal, int64_t* vertical) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;
  void Finish(DialogBuild& build) override;
  int64_t borderWidth = 0;
  int64_t borderHeight = 0;
};

struct FrameElement : SingleElement {
  using SingleElement::SingleElement;
  void Insets(int64_t* horizontal, int64_t* vertical) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;
  int64_t captionHeight = 10;
};

// Bounds of the window: a number, or these.
constexpr int64_t kBoundAuto = -1;
constexpr int64_t kBoundAbsent = -2;

struct WindowElement : SingleElement {
  WindowElement(const ElementType* type) : SingleElement(type, 8) {}
  ~WindowElement() override;
  void ComputeSize(int64_t* width, int64_t* height) override;
  void Place(int64_t x, int64_t y, int64_t width, int64_t height) override;

  int64_t minimumBoundWidth = kBoundAbsent;
  int64_t minimumBoundHeight = kBoundAbsent;
  int64_t maximumBoundWidth = kBoundAbsent;
  int64_t maximumBoundHeight = kBoundAbsent;
  int64_t window = -1;  // the window number once open
  HWND handle = nullptr; // its window, so that a number taken again by another window is told apart
  DialogRecord* dialog = nullptr;
};

// The map from window numbers to dialog roots, made and freed with the dialog library.
void DialogWindowMapCreate();
void DialogWindowMapFree();
// The window element behind a window number, none if the window is not a dialog's.
WindowElement* DialogWindowElement(int64_t window);
// Whether the root's window is still open, and still the one the dialog opened.
bool DialogWindowAlive(const WindowElement* root);
// Enters and removes a dialog window in the window map, with its resize binding.
bool DialogWindowRegister(WindowElement* element);
void DialogWindowUnregister(WindowElement* element);
// Lays a dialog's root out: required size, placed at no less than the given size, the window
// resized to match. Returns through width/height the size used.
void DialogLayout(WindowElement* root, int64_t width, int64_t height, int64_t* usedWidth = nullptr,
                  int64_t* usedHeight = nullptr);
// The largest inner size a dialog window is given, whatever its content asks for: beyond it the
// content is shrunk, so that a description cannot make a window of absurd size.
constexpr int64_t kDialogMaxWindowExtent = 8192;
