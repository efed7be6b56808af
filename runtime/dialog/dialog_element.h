// The dialog element: one per description element that creates something, with the operations
// every element class answers (size, placement, children, hiding, lookup by name, finishing),
// the element table that says how each description element is made, and the state of an open
// in progress (its first error, its depth). Shared by the dialog library's files only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "xml/xml.h"

struct DialogElement;
struct DialogRecord;
struct WindowElement;

// How an element class arranges what it holds.
enum class ElementShape : uint8_t {
  Window, VBox, HBox, Grid, Multi, Single, Empty, Container, Frame, Panel, Tab, ScrollArea, Splitter, Gadget
};

// How a gadget element's required size is found.
enum class SizeRule : uint8_t {
  Natural,  // the gadget's own required size, raised to WIDTH and HEIGHT
  Minimum,  // WIDTH and HEIGHT only (room comes from them or from expansion)
  Slider,   // as Minimum, but never less than the thumb needs across the channel
  ListView, // WIDTH; HEIGHT raised to whole list items
};

struct FlagName {
  const char16_t* name;
  uint32_t value;
};
struct FlagTable {
  const FlagName* names;
  int32_t count;
};

// What a gadget creation routine is given: the requested number (CV_Any or a number), the
// element's text and flags, and its XML node for the kind's own attributes.
struct GadgetRequest {
  int64_t number;
  const char16_t* text;
  int64_t flags;
  const XmlNode* node;
};
using GadgetCreator = int64_t (*)(const GadgetRequest& request);

// One row of the element table.
struct ElementType {
  const char16_t* name;
  ElementShape shape;
  int32_t gadgetKind;  // 0 for layout-only elements
  SizeRule sizeRule;
  GadgetCreator create;  // none for layout-only elements and for kinds this runtime lacks
  const FlagTable* flags;
  uint32_t events;  // event attributes the element accepts besides "ONEVENT" (bits of kEvent...)
};

// Event attribute bits.
constexpr uint32_t kEventLeftClick = 1u << 0;
constexpr uint32_t kEventRightClick = 1u << 1;
constexpr uint32_t kEventLeftDoubleClick = 1u << 2;
constexpr uint32_t kEventRightDoubleClick = 1u << 3;
constexpr uint32_t kEventChange = 1u << 4;
constexpr uint32_t kEventFocus = 1u << 5;
constexpr uint32_t kEventLostFocus = 1u << 6;
constexpr uint32_t kEventDragStart = 1u << 7;
constexpr uint32_t kEventAll = 1u << 8;  // "ONEVENT", accepted on every gadget element

// The row for a description element name (any case); none for unknown names.
const ElementType* ElementTypeFind(const char16_t* name);
const ElementType* ElementTypeOfWindow();

// An open in progress: the dialog, its window, the first error, the nesting depth.
struct DialogBuild {
  DialogRecord* dialog;
  int64_t window = -1;
  int32_t depth = 0;
  bool failed = false;
  // Records the first error; the arguments fill the "%s" places of the format in order.
  void Error(const char* format, const char16_t* first = nullptr, const char16_t* second = nullptr);
  // Forgets the error text of an earlier open.
  void ClearError();
};

struct PendingOption {
  DialogElement* element;
  const XmlNode* node;
  std::u16string group;
};

// The element base: the common fields and the default operations; classes replace some.
struct DialogElement {
  explicit DialogElement(const ElementType* type) : type(type) {}
  virtual ~DialogElement() = default;
  DialogElement(const DialogElement&) = delete;
  DialogElement& operator=(const DialogElement&) = delete;

  // A folded element needs 0 x 0; otherwise ComputeSize, with a minimum of -1 giving 0.
  virtual void RequiredSize(int64_t* width, int64_t* height);
  virtual void ComputeSize(int64_t* width, int64_t* height);
  virtual void Place(int64_t x, int64_t y, int64_t width, int64_t height);
  // False when the element has no room for the child (an error is recorded).
  virtual bool AddChild(DialogElement* child, DialogBuild& build);
  DialogElement* FindByName(const char16_t* wanted);
  // Creates the pending grouped options; classes with a gadget list close it afterwards.
  virtual void Finish(DialogBuild& build);

  // The children in order (grids: row by row), for the operations that walk the tree.
  virtual int64_t ChildCount() const { return 0; }
  virtual DialogElement* Child(int64_t) const { return nullptr; }

  // Raises a computed size to the minimum width and height.
  void RaiseToMinimum(int64_t* width, int64_t* height) const;

  const ElementType* type;
  DialogElement* parent = nullptr;
  int64_t gadget = -1;
  int64_t requestedNumber = -1;
  uint32_t flags = 0;
  bool folded = false;
  int32_t minimumWidth = 0;
  int32_t minimumHeight = 0;
  int32_t columnSpan = 1;  // as a grid's child
  int32_t rowSpan = 1;
  std::u16string name;
  std::u16string text;
  std::vector<PendingOption> pendingOptions;
};

// Makes the element of a type, with the class its shape calls for (and its defaults).
DialogElement* ElementNew(const ElementType* type);
// Reads the attributes every element has: ID, NAME, TEXT, WIDTH, HEIGHT, FOLDED, FLAGS, spans.
void ElementReadCommonAttributes(DialogElement* element, const XmlNode* node, DialogBuild& build);
// Reads the attributes of the element's own class (box, grid, single-child, window).
void ElementReadLayoutAttributes(DialogElement* element, const XmlNode* node, DialogBuild& build);
// Creates the element's gadget through its type's creation routine and binds its events.
bool ElementCreateGadget(DialogElement* element, const XmlNode* node, DialogBuild& build);
// "DISABLED" and "INVISIBLE" of a created gadget.
void ElementApplyStates(DialogElement* element, const XmlNode* node);

// A dialog object of the registry.
struct DialogRecord {
  uint64_t alive;  // non-zero while the dialog exists
  int64_t number;  // its number, or its id when it was made with CV_Any
  WindowElement* root;
  char* errorText;  // the first error of the last failed open (ANSI), none after a success
  int32_t busy;     // layout passes and opens running on this dialog
  bool freePending; // freed from inside one of them: the free completes when they end
};

// The record of a dialog the program can use (not one whose free waits), none otherwise.
DialogRecord* DialogRecordOf(int64_t dialog);
// Destroys a dialog's elements and closes its window, leaving the dialog empty.
void DialogDiscard(DialogRecord* dialog);
// Completes a free asked for while the dialog was busy, once nothing runs on it any more.
void DialogFinishPendingFree(DialogRecord* dialog);
