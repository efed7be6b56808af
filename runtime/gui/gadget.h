// Gadgets: numbered controls inside windows, each with a kind table of operations. This header
// holds the gadget record and kind table, creation and the generic operations that run a
// kind's slot or fall back to plain control behaviour, the current gadget list, colours and
// the standard kinds (button, checkbox, option, text, hyperlink, image, container, frame).
#pragma once

#include <cstdint>

#include "event_queue.h"
#include "user.h"

struct GadgetKindTable;

// One gadget: its control, its kind's table, the control's procedure before the runtime
// subclassed it, and four words of kind-specific state.
struct GadgetRecord {
  HWND handle;
  GadgetKindTable* kind;
  WNDPROC previousProcedure;
  int64_t kindWords[4];
};

// The operations a kind may supply; an empty slot makes the generic operation fall back to
// plain control behaviour or do nothing. Text results follow the temporary string stack.
struct GadgetKindTable {
  int32_t kind;
  int32_t size;
  LRESULT (*messageHandler)(int64_t gadget, HWND parent, UINT message, WPARAM wParam, LPARAM lParam);  // 1
  void (*free)(int64_t gadget);                                                                       // 2
  int64_t (*getState)(int64_t gadget);                                                                // 3
  void (*setState)(int64_t gadget, int64_t value);                                                    // 4
  char16_t* (*getText)(int64_t gadget, int64_t start);                                                // 5
  void (*setText)(int64_t gadget, const char16_t* text);                                              // 6
  int64_t (*addItem)(int64_t gadget, int64_t position, const char16_t* text, int64_t image);         // 7
  int64_t (*addItemFlags)(int64_t gadget, int64_t position, const char16_t* text, int64_t image, int64_t flags);  // 8
  void (*removeItem)(int64_t gadget, int64_t position);                                               // 9
  void (*clearItems)(int64_t gadget);                                                                 // 10
  void (*resize)(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height);               // 11
  int64_t (*countItems)(int64_t gadget);                                                              // 12
  int64_t (*getItemState)(int64_t gadget, int64_t item);                                              // 13
  void (*setItemState)(int64_t gadget, int64_t item, int64_t state);                                  // 14
  char16_t* (*getItemText)(int64_t gadget, int64_t item, int64_t start);                              // 15
  void (*setItemText)(int64_t gadget, int64_t item, const char16_t* text);                            // 16
  void (*listOpen)(int64_t gadget, int64_t item);                                                     // 17
  int64_t (*getX)(int64_t gadget);                                                                    // 18
  int64_t (*getY)(int64_t gadget);                                                                    // 19
  int64_t (*getWidth)(int64_t gadget);                                                                // 20
  int64_t (*getHeight)(int64_t gadget);                                                               // 21
  void (*hide)(int64_t gadget, int64_t hide);                                                         // 22
  int64_t (*addColumn)(int64_t gadget, int64_t position, const char16_t* title, int64_t width);      // 23
  void (*removeColumn)(int64_t gadget, int64_t position);                                             // 24
  int64_t (*getAttribute)(int64_t gadget, int64_t attribute);                                         // 25
  void (*setAttribute)(int64_t gadget, int64_t attribute, int64_t value);                             // 26
  int64_t (*getItemAttribute)(int64_t gadget, int64_t item, int64_t attribute, int64_t column);       // 27
  void (*setItemAttribute)(int64_t gadget, int64_t item, int64_t attribute, int64_t value, int64_t column);  // 28
  void (*setColor)(int64_t gadget, int64_t which, int64_t colour);                                    // 29
  int64_t (*getColor)(int64_t gadget, int64_t which);                                                 // 30
  void (*setItemColor)(int64_t gadget, int64_t item, int64_t which, int64_t colour, int64_t column);  // 31
  int64_t (*getItemColor)(int64_t gadget, int64_t item, int64_t which, int64_t column);               // 32
  void (*setItemData)(int64_t gadget, int64_t item, int64_t value);                                   // 33
  int64_t (*getItemData)(int64_t gadget, int64_t item);                                               // 34
  void (*requiredSize)(int64_t gadget, int64_t* width, int64_t* height);                              // 35
  void (*activate)(int64_t gadget);                                                                   // 36
  int64_t (*getFont)(int64_t gadget);                                                                 // 37
  void (*setFont)(int64_t gadget, int64_t font);                                                      // 38
  void (*setItemImage)(int64_t gadget, int64_t item, int64_t image);                                  // 39
};

// Kind numbers.
constexpr int32_t GADGET_KIND_BUTTON = 1;
constexpr int32_t GADGET_KIND_STRING = 2;
constexpr int32_t GADGET_KIND_TEXT = 3;
constexpr int32_t GADGET_KIND_CHECKBOX = 4;
constexpr int32_t GADGET_KIND_OPTION = 5;
constexpr int32_t GADGET_KIND_FRAME = 7;
constexpr int32_t GADGET_KIND_IMAGE = 9;
constexpr int32_t GADGET_KIND_HYPERLINK = 10;
constexpr int32_t GADGET_KIND_CONTAINER = 11;
constexpr int32_t GADGET_KIND_IPADDRESS = 13;

// Flags of the standard kinds.
constexpr int64_t CV_Button_Default = 1;
constexpr int64_t CV_Button_Left = 0x100;
constexpr int64_t CV_Button_Right = 0x200;
constexpr int64_t CV_Button_MultiLine = 0x2000;
constexpr int64_t CV_Button_Toggle = 0x1003;
constexpr int64_t CV_CheckBox_ThreeState = 5;
constexpr int64_t CV_CheckBox_Right = 0x200;
constexpr int64_t CV_CheckBox_Center = 0x300;
constexpr int64_t CV_Text_Center = 1;
constexpr int64_t CV_Text_Right = 2;
constexpr int64_t CV_Text_Border = 0x20000;
constexpr int64_t CV_HyperLink_Underline = 1;
constexpr int64_t CV_Image_Raised = 1;
constexpr int64_t CV_Image_Border = 0x200;
constexpr int64_t CV_Container_BorderLess = 0;
constexpr int64_t CV_Container_Flat = 1;
constexpr int64_t CV_Container_Raised = 2;
constexpr int64_t CV_Container_Single = 4;
constexpr int64_t CV_Container_Double = 8;
constexpr int64_t CV_Frame_Double = 1;
constexpr int64_t CV_Frame_Single = 2;
constexpr int64_t CV_Frame_Flat = 3;

// ---- the library ----
void GadgetInit();
void GadgetShutdown();

// ---- creation ----
int64_t GadgetButtonCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                           int64_t flags = 0);
int64_t GadgetCheckBoxCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height,
                             const char16_t* text, int64_t flags = 0);
int64_t GadgetOptionCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text);
int64_t GadgetTextCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                         int64_t flags = 0);
int64_t GadgetHyperLinkCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height,
                              const char16_t* text, int64_t hoverColour, int64_t flags = 0);
int64_t GadgetImageCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t image,
                          int64_t flags = 0);
int64_t GadgetContainerCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags = 0);
// A group box: a caption over a border; the gadgets shown inside it are laid over it by the program.
int64_t GadgetFrameCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, const char16_t* text,
                          int64_t flags = 0);

// ---- generic operations (unknown gadgets: 0, nothing done) ----
GadgetRecord* GadgetIsValid(int64_t gadget);
int64_t GadgetHandle(int64_t gadget);
int64_t GadgetKind(int64_t gadget);
int64_t GadgetGetState(int64_t gadget);
int64_t GadgetSetState(int64_t gadget, int64_t value);
char16_t* GadgetGetText(int64_t gadget, int64_t start);
int64_t GadgetSetText(int64_t gadget, const char16_t* text);
int64_t GadgetAddItem(int64_t gadget, int64_t position, const char16_t* text, int64_t image = 0, int64_t flags = 0);
int64_t GadgetRemoveItem(int64_t gadget, int64_t position);
int64_t GadgetClearItems(int64_t gadget);
int64_t GadgetCountItems(int64_t gadget);
int64_t GadgetGetItemState(int64_t gadget, int64_t item);
int64_t GadgetSetItemState(int64_t gadget, int64_t item, int64_t state);
char16_t* GadgetGetItemText(int64_t gadget, int64_t item, int64_t start);
int64_t GadgetSetItemText(int64_t gadget, int64_t item, const char16_t* text);
int64_t GadgetGetItemData(int64_t gadget, int64_t item);
int64_t GadgetSetItemData(int64_t gadget, int64_t item, int64_t value);
int64_t GadgetGetAttribute(int64_t gadget, int64_t attribute);
int64_t GadgetSetAttribute(int64_t gadget, int64_t attribute, int64_t value);
int64_t GadgetSetColor(int64_t gadget, int64_t which, int64_t colour);
int64_t GadgetGetColor(int64_t gadget, int64_t which);
int64_t GadgetResize(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height);
int64_t GadgetGetX(int64_t gadget);
int64_t GadgetGetY(int64_t gadget);
// mode 1: the size the gadget needs for its content; otherwise its current size.
int64_t GadgetGetWidth(int64_t gadget, int64_t mode = 0);
int64_t GadgetGetHeight(int64_t gadget, int64_t mode = 0);
int64_t GadgetHide(int64_t gadget, int64_t hide);
int64_t GadgetDisable(int64_t gadget, int64_t disable);
int64_t GadgetActivate(int64_t gadget);
// The gadget's font; -1 as font gives the current gadget font back.
int64_t GadgetGetFont(int64_t gadget);
int64_t GadgetSetFont(int64_t gadget, int64_t font);
// Destroys the gadget's control; -1 frees every gadget.
int64_t GadgetFree(int64_t gadget);

// ---- the gadget list: where new gadgets go ----
// Makes a window the current gadget list, keeping the previous window's list for later;
// returns the previous gadget-list window.
HWND GadgetListUse(HWND window);
// Makes a gadget (a container) the current parent until GadgetListClose; item -2 = none.
int64_t GadgetListOpen(int64_t gadget, int64_t item = -2);
int64_t GadgetListClose();
// The window or container new gadgets go into.
HWND GadgetListCurrent();

// Hands a message about a control to its gadget kind's handler; CV_NotHandled when the control
// is not a live gadget of this runtime or its kind does not take the message.
LRESULT GadgetForwardMessage(HWND control, HWND parent, UINT message, WPARAM wParam, LPARAM lParam);

// Binds a callback to EC_GADGET events of a gadget (of one type, or -1 for all).
int64_t GadgetBindEvent(int64_t gadget, EventCallback callback, int64_t type = -1);
