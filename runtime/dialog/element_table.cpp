// The element table: every name a description may use, with the class that arranges it, the
// gadget kind it makes and the one routine that creates that gadget, its flag table, how its
// required size is found and the event attributes it accepts. Kinds this runtime does not build
// have no creation routine: an element naming one fails the open with an error text.
#include <algorithm>

#include "core/constants.h"
#include "dialog_attributes.h"
#include "dialog_flags.h"
#include "gui/gadget.h"
#include "gui/gadget_canvas.h"
#include "gui/gadget_input.h"

namespace {

// ---- creation routines: each gets the same request and returns what the creation returns ----

int64_t CreateButton(const GadgetRequest& r) { return GadgetButtonCreate(r.number, 0, 0, 0, 0, r.text, r.flags); }
int64_t CreateCheckBox(const GadgetRequest& r) { return GadgetCheckBoxCreate(r.number, 0, 0, 0, 0, r.text, r.flags); }
int64_t CreateOption(const GadgetRequest& r) { return GadgetOptionCreate(r.number, 0, 0, 0, 0, r.text); }
int64_t CreateText(const GadgetRequest& r) { return GadgetTextCreate(r.number, 0, 0, 0, 0, r.text, r.flags); }
int64_t CreateString(const GadgetRequest& r) { return GadgetStringCreate(r.number, 0, 0, 0, 0, r.text, r.flags); }
int64_t CreateImage(const GadgetRequest& r) { return GadgetImageCreate(r.number, 0, 0, 0, 0, 0, r.flags); }
int64_t CreateCombo(const GadgetRequest& r) { return GadgetComboCreate(r.number, 0, 0, 0, 0, r.flags); }
int64_t CreateCanvas(const GadgetRequest& r) { return GadgetCanvasCreate(r.number, 0, 0, 0, 0, r.flags); }
int64_t CreateContainer(const GadgetRequest& r) { return GadgetContainerCreate(r.number, 0, 0, 0, 0, r.flags); }
int64_t CreateFrame(const GadgetRequest& r) { return GadgetFrameCreate(r.number, 0, 0, 0, 0, r.text, r.flags); }

int64_t CreateHyperLink(const GadgetRequest& r) {
  int64_t colour = NumberAttribute(r.node, u"COLOR", 0xFF0000);
  return GadgetHyperLinkCreate(r.number, 0, 0, 0, 0, r.text, colour, r.flags);
}

// The gadget number behind a creation's result.
int64_t NumberOf(const GadgetRequest& r, int64_t result) { return r.number == CV_Any ? result : r.number; }

int64_t CreateEditor(const GadgetRequest& r) {
  int64_t result = GadgetEditorCreate(r.number, 0, 0, 0, 0, r.flags);
  if (result != 0 && r.text && r.text[0]) GadgetSetText(NumberOf(r, result), r.text);
  return result;
}

// Ranged kinds start at "VALUE", or at their minimum.
void StartAtValue(const GadgetRequest& r, int64_t gadget, int64_t minimum) {
  GadgetSetState(gadget, NumberAttribute(r.node, u"VALUE", minimum));
}

int64_t CreateSpin(const GadgetRequest& r) {
  int64_t minimum = NumberAttribute(r.node, u"MIN", 0);
  int64_t result =
      GadgetSpinCreate(r.number, 0, 0, 0, 0, minimum, NumberAttribute(r.node, u"MAX", 100), r.flags);
  if (result == 0) return 0;
  StartAtValue(r, NumberOf(r, result), minimum);
  if (r.text && r.text[0]) GadgetSetText(NumberOf(r, result), r.text);
  return result;
}

int64_t CreateTrackBar(const GadgetRequest& r) {
  int64_t minimum = NumberAttribute(r.node, u"MIN", 0);
  int64_t result =
      GadgetTrackBarCreate(r.number, 0, 0, 0, 0, minimum, NumberAttribute(r.node, u"MAX", 10), r.flags);
  if (result != 0) StartAtValue(r, NumberOf(r, result), minimum);
  return result;
}

constexpr uint32_t kEventsOfLists = kEventLeftClick | kEventRightClick | kEventLeftDoubleClick |
                                    kEventRightDoubleClick | kEventChange | kEventDragStart;
constexpr uint32_t kEventsOfEntry = kEventChange | kEventFocus | kEventLostFocus;
constexpr uint32_t kEventsOfImage =
    kEventLeftClick | kEventRightClick | kEventLeftDoubleClick | kEventRightDoubleClick | kEventDragStart;

using S = ElementShape;
using Z = SizeRule;

const ElementType kWindowType{u"window", S::Window, 0, Z::Minimum, nullptr, &kWindowFlags, 0};

// Kind numbers of the gadget kinds this runtime does not build, for the table's sake.
constexpr int32_t kKindListView = 6, kKindListIcon = 12, kKindProgressBar = 14,
                  kKindScrollBar = 15, kKindScrollArea = 16, kKindWeb = 18, kKindButtonImage = 19,
                  kKindCalendar = 20, kKindDate = 21, kKindExplorerList = 23,
                  kKindExplorerTree = 24, kKindExplorerCombo = 25, kKindTree = 27, kKindPanel = 28,
                  kKindSplitter = 29, kKindScintilla = 31, kKindShortcut = 32;

const ElementType kTypes[] = {
    {u"vbox", S::VBox, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"hbox", S::HBox, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"gridbox", S::Grid, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"multibox", S::Multi, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"singlebox", S::Single, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"empty", S::Empty, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"container", S::Container, GADGET_KIND_CONTAINER, Z::Minimum, CreateContainer, &kContainerFlags, 0},
    {u"frame", S::Frame, GADGET_KIND_FRAME, Z::Minimum, CreateFrame, &kFrameFlags, 0},
    {u"panel", S::Panel, kKindPanel, Z::Minimum, nullptr, &kNoFlags, kEventChange},
    {u"tab", S::Tab, 0, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"scrollarea", S::ScrollArea, kKindScrollArea, Z::Minimum, nullptr, &kScrollAreaFlags, 0},
    {u"splitter", S::Splitter, kKindSplitter, Z::Minimum, nullptr, &kSplitterFlags, 0},
    {u"button", S::Gadget, GADGET_KIND_BUTTON, Z::Natural, CreateButton, &kButtonFlags, 0},
    {u"checkbox", S::Gadget, GADGET_KIND_CHECKBOX, Z::Natural, CreateCheckBox, &kCheckBoxFlags, 0},
    {u"option", S::Gadget, GADGET_KIND_OPTION, Z::Natural, CreateOption, &kNoFlags, 0},
    {u"text", S::Gadget, GADGET_KIND_TEXT, Z::Natural, CreateText, &kTextFlags, 0},
    {u"string", S::Gadget, GADGET_KIND_STRING, Z::Natural, CreateString, &kStringFlags, kEventsOfEntry},
    {u"editor", S::Gadget, GADGET_KIND_EDITOR, Z::Minimum, CreateEditor, &kEditorFlags, kEventsOfEntry},
    {u"hyperlink", S::Gadget, GADGET_KIND_HYPERLINK, Z::Natural, CreateHyperLink, &kHyperLinkFlags, 0},
    {u"image", S::Gadget, GADGET_KIND_IMAGE, Z::Natural, CreateImage, &kImageFlags, kEventsOfImage},
    {u"buttonimage", S::Gadget, kKindButtonImage, Z::Natural, nullptr, &kButtonImageFlags, 0},
    {u"listview", S::Gadget, kKindListView, Z::ListView, nullptr, &kListViewFlags,
     kEventLeftClick | kEventLeftDoubleClick},
    {u"listicon", S::Gadget, kKindListIcon, Z::Minimum, nullptr, &kListIconFlags, kEventsOfLists},
    {u"tree", S::Gadget, kKindTree, Z::Minimum, nullptr, &kTreeFlags, kEventsOfLists},
    {u"combobox", S::Gadget, GADGET_KIND_COMBOBOX, Z::Natural, CreateCombo, &kComboBoxFlags, kEventsOfEntry},
    {u"explorerlist", S::Gadget, kKindExplorerList, Z::Minimum, nullptr, &kExplorerListFlags, kEventsOfLists},
    {u"explorertree", S::Gadget, kKindExplorerTree, Z::Minimum, nullptr, &kExplorerTreeFlags, kEventsOfLists},
    {u"explorercombo", S::Gadget, kKindExplorerCombo, Z::Natural, nullptr, &kExplorerComboFlags, 0},
    {u"canvas", S::Gadget, GADGET_KIND_CANVAS, Z::Natural, CreateCanvas, &kCanvasFlags, 0},
    {u"calendar", S::Gadget, kKindCalendar, Z::Natural, nullptr, &kCalendarFlags, 0},
    {u"date", S::Gadget, kKindDate, Z::Natural, nullptr, &kDateFlags, kEventChange},
    {u"spin", S::Gadget, GADGET_KIND_SPIN, Z::Natural, CreateSpin, &kSpinFlags, kEventChange},
    {u"trackbar", S::Gadget, GADGET_KIND_TRACKBAR, Z::Slider, CreateTrackBar, &kTrackBarFlags, 0},
    {u"progressbar", S::Gadget, kKindProgressBar, Z::Minimum, nullptr, &kProgressBarFlags, 0},
    {u"scrollbar", S::Gadget, kKindScrollBar, Z::Minimum, nullptr, &kScrollBarFlags, 0},
    {u"shortcut", S::Gadget, kKindShortcut, Z::Natural, nullptr, &kNoFlags, 0},
    {u"ipaddress", S::Gadget, GADGET_KIND_IPADDRESS, Z::Natural, nullptr, &kNoFlags, 0},
    {u"scintilla", S::Gadget, kKindScintilla, Z::Minimum, nullptr, &kNoFlags, 0},
    {u"web", S::Gadget, kKindWeb, Z::Minimum, nullptr, &kNoFlags, 0},
};

}  // namespace

const ElementType* ElementTypeFind(const char16_t* name) {
  auto found = std::find_if(std::begin(kTypes), std::end(kTypes),
                            [name](const ElementType& type) { return XmlNameEqualNoCase(type.name, name); });
  return found == std::end(kTypes) ? nullptr : found;
}

const ElementType* ElementTypeOfWindow() { return &kWindowType; }
