// The combo box kind (kind 8): a choice from a list on the platform's "ComboBox" control, as a
// drop-down list or, with CV_ComboBox_Editable, with a field the user types into. The closed box
// is kept exactly at the height the program asks for; the state is the selected index, the
// items carry texts and data, and both a choice from the list and an edit of the field reach
// the program as ET_CHANGE. With CV_ComboBox_Image the box is the extended control, whose items
// carry images from an image list the gadget owns.
#include <algorithm>

#include "controls/controls.h"
#include "core/constants.h"
#include "core/string_runtime.h"
#include "gadget_input.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

constexpr int kExtendedWord = 0;  // 1 for the extended control, whose items carry images
constexpr int kImageListWord = 1;  // the extended control's image list, made with the first image
constexpr int kFromListWord = 2;  // 1 when the last change was a choice from the list
constexpr int kProbeFieldHeight = 15;

int64_t g_frameOverhead = 0;  // window height minus selection-field height, shared by all boxes

HWND ControlOf(int64_t gadget) { return GadgetIsValid(gadget)->handle; }
bool IsEditable(HWND control) { return (GetWindowLongPtrW(control, GWL_STYLE) & 3) != CBS_DROPDOWNLIST; }
LRESULT Send(int64_t gadget, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(ControlOf(gadget), message, wParam, lParam);
}
int64_t Count(int64_t gadget) { return static_cast<int64_t>(Send(gadget, CB_GETCOUNT)); }
bool IsItem(int64_t gadget, int64_t item) { return item >= 0 && item < Count(gadget); }

// Makes the closed box `height` pixels high: the frame around the selection field is measured
// with a known field height, and the field gets the rest.
void FixHeight(HWND control, int64_t height) {
  SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), kProbeFieldHeight);
  RECT frame;
  GetWindowRect(control, &frame);
  g_frameOverhead = (frame.bottom - frame.top) - kProbeFieldHeight;
  int64_t field = std::clamp<int64_t>(height - g_frameOverhead, 1, 255);
  SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), static_cast<LPARAM>(field));
}

int64_t ClosedHeight(HWND control) {
  RECT frame;
  GetWindowRect(control, &frame);
  return frame.bottom - frame.top;
}

bool IsExtended(int64_t gadget) { return GadgetIsValid(gadget)->kindWords[kExtendedWord] != 0; }

// The index of an image (an image's OS handle) in the box's image list, which is made at the
// size of the first image; -1 for no image or one that cannot be read.
int AddImage(int64_t gadget, int64_t image) {
  if (image == 0 || !IsExtended(gadget)) return -1;
  GadgetRecord* record = GadgetIsValid(gadget);
  auto bitmap = reinterpret_cast<HBITMAP>(static_cast<uintptr_t>(image));
  auto list = reinterpret_cast<HIMAGELIST>(static_cast<uintptr_t>(record->kindWords[kImageListWord]));
  if (list == nullptr) {
    BITMAP size{};
    if (GetObjectW(bitmap, sizeof size, &size) == 0) return -1;
    list = ImageList_Create(size.bmWidth, std::abs(size.bmHeight), ILC_COLOR32, 4, 4);
    if (list == nullptr) return -1;
    record->kindWords[kImageListWord] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(list));
    SendMessageW(record->handle, CBEM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list));
  }
  return ImageList_Add(list, bitmap, nullptr);
}

void ComboFree(int64_t gadget) {
  GadgetRecord* record = GadgetIsValid(gadget);
  auto list = reinterpret_cast<HIMAGELIST>(static_cast<uintptr_t>(record->kindWords[kImageListWord]));
  if (list == nullptr) return;
  SendMessageW(record->handle, CBEM_SETIMAGELIST, 0, 0);
  ImageList_Destroy(list);
  record->kindWords[kImageListWord] = 0;
}

LRESULT ComboMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return CV_NotHandled;
  GadgetRecord* record = GadgetIsValid(gadget);
  switch (HIWORD(wParam)) {
    case CBN_SELCHANGE:
      record->kindWords[kFromListWord] = 1;
      GadgetPostEvent(gadget, ET_CHANGE);
      break;
    case CBN_EDITCHANGE:
      record->kindWords[kFromListWord] = 0;
      GadgetPostEvent(gadget, ET_CHANGE);
      break;
    case CBN_SETFOCUS:
    case CBN_KILLFOCUS:
      if (IsEditable(record->handle)) GadgetPostEvent(gadget, HIWORD(wParam) == CBN_SETFOCUS ? ET_FOCUS : ET_LOST_FOCUS);
      break;
    default: break;
  }
  return 0;
}

int64_t ComboGetState(int64_t gadget) { return static_cast<int32_t>(Send(gadget, CB_GETCURSEL)); }
void ComboSetState(int64_t gadget, int64_t value) {
  Send(gadget, CB_SETCURSEL, static_cast<WPARAM>(IsItem(gadget, value) ? value : -1));
}

char16_t* ItemText(int64_t gadget, int64_t item, int64_t start) {
  int64_t length = IsItem(gadget, item) ? static_cast<int64_t>(Send(gadget, CB_GETLBTEXTLEN, static_cast<WPARAM>(item))) : 0;
  char16_t* out = StrTempReserve(std::max<int64_t>(0, length), start);
  if (out == nullptr) return nullptr;
  out[0] = 0;
  if (length > 0) Send(gadget, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(out));
  return out;
}

// After a choice from the list the text is the chosen item's; otherwise what the field shows.
char16_t* ComboGetText(int64_t gadget, int64_t start) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (!IsEditable(record->handle) || record->kindWords[kFromListWord]) {
    return ItemText(gadget, ComboGetState(gadget), start);
  }
  int length = GetWindowTextLengthW(record->handle);
  char16_t* out = StrTempReserve(std::max(0, length), start);
  if (out == nullptr) return nullptr;
  out[length > 0 ? GetWindowTextW(record->handle, out, length + 1) : 0] = 0;
  return out;
}

void ComboSetText(int64_t gadget, const char16_t* text) {
  HWND control = ControlOf(gadget);
  if (IsEditable(control)) {
    SetWindowTextW(control, text ? text : u"");
    GadgetIsValid(gadget)->kindWords[kFromListWord] = 0;
    return;
  }
  if (text == nullptr || text[0] == 0) {
    SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    return;
  }
  LRESULT found = SendMessageW(control, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  if (found != CB_ERR) SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
}

int64_t ComboAddItem(int64_t gadget, int64_t position, const char16_t* text, int64_t image) {
  if (position < -1 || position > Count(gadget)) return 0;
  if (!IsExtended(gadget)) {
    LRESULT index = Send(gadget, CB_INSERTSTRING, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(text));
    return index == CB_ERR ? 0 : 1;
  }
  HWND control = ControlOf(gadget);
  int64_t height = ClosedHeight(control);
  COMBOBOXEXITEMW item{};
  item.mask = CBEIF_TEXT | CBEIF_IMAGE;
  item.iItem = static_cast<INT_PTR>(position);
  item.pszText = const_cast<LPWSTR>(text ? text : u"");
  item.iImage = AddImage(gadget, image);
  LRESULT index = Send(gadget, CBEM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  FixHeight(control, height);  // a picture may have made the lines taller
  return index == CB_ERR ? 0 : 1;
}

void ComboSetItemImage(int64_t gadget, int64_t item, int64_t image) {
  if (!IsItem(gadget, item) || !IsExtended(gadget)) return;
  COMBOBOXEXITEMW change{};
  change.mask = CBEIF_IMAGE;
  change.iItem = static_cast<INT_PTR>(item);
  change.iImage = AddImage(gadget, image);
  Send(gadget, CBEM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
}

void ComboRemoveItem(int64_t gadget, int64_t item) {
  if (IsItem(gadget, item)) Send(gadget, CB_DELETESTRING, static_cast<WPARAM>(item));
}

void ComboClearItems(int64_t gadget) {
  Send(gadget, CB_RESETCONTENT);
  auto list = reinterpret_cast<HIMAGELIST>(static_cast<uintptr_t>(GadgetIsValid(gadget)->kindWords[kImageListWord]));
  if (list) ImageList_Remove(list, -1);
}

// A plain box has no way to change an item's text: the item is replaced at its place, keeping
// its data and its selection.
void ComboSetItemText(int64_t gadget, int64_t item, const char16_t* text) {
  if (!IsItem(gadget, item)) return;
  if (IsExtended(gadget)) {
    // The extended control changes the text in place and repaints.
    COMBOBOXEXITEMW change{};
    change.mask = CBEIF_TEXT;
    change.iItem = static_cast<INT_PTR>(item);
    change.pszText = const_cast<LPWSTR>(text ? text : u"");
    Send(gadget, CBEM_SETITEMW, 0, reinterpret_cast<LPARAM>(&change));
    return;
  }
  LRESULT data = Send(gadget, CB_GETITEMDATA, static_cast<WPARAM>(item));
  bool selected = ComboGetState(gadget) == item;
  Send(gadget, CB_DELETESTRING, static_cast<WPARAM>(item));
  Send(gadget, CB_INSERTSTRING, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text ? text : u""));
  Send(gadget, CB_SETITEMDATA, static_cast<WPARAM>(item), data);
  if (selected) Send(gadget, CB_SETCURSEL, static_cast<WPARAM>(item));
}

int64_t ComboGetItemData(int64_t gadget, int64_t item) {
  return IsItem(gadget, item) ? static_cast<int64_t>(Send(gadget, CB_GETITEMDATA, static_cast<WPARAM>(item))) : 0;
}

void ComboSetItemData(int64_t gadget, int64_t item, int64_t value) {
  if (IsItem(gadget, item)) Send(gadget, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(value));
}

void ComboResize(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height) {
  HWND control = ControlOf(gadget);
  RECT frame = GadgetFrameInParent(control);
  if (x == CV_Keep) x = frame.left;
  if (y == CV_Keep) y = frame.top;
  if (width == CV_Keep) width = frame.right - frame.left;
  if (height == CV_Keep) height = frame.bottom - frame.top;
  LRESULT selection = SendMessageW(control, CB_GETCURSEL, 0, 0);
  // The window is given room for the list below the box, then the box is fitted again.
  int64_t dropped = GadgetVisualStyles() ? height + 30 : 350;
  MoveWindow(control, static_cast<int>(x), static_cast<int>(y), static_cast<int>(width), static_cast<int>(dropped), TRUE);
  FixHeight(control, height);
  SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(selection), 0);
  InvalidateRect(control, nullptr, FALSE);
}

void ComboSetFont(int64_t gadget, int64_t font) {
  HWND control = ControlOf(gadget);
  int64_t height = ClosedHeight(control);
  HFONT chosen = font == -1 ? g_gadgetState->currentFont : reinterpret_cast<HFONT>(static_cast<uintptr_t>(font));
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
  FixHeight(control, height);
}

void ComboRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  SIZE text = GadgetMeasureString(ControlOf(gadget), u"Hg", DT_SINGLELINE | DT_NOPREFIX);
  *height = std::max<int64_t>(21, text.cy + 8);
  *width = *height;
}

GadgetKindTable* ComboKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_COMBOBOX;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = ComboMessage;
    kind.free = ComboFree;
    kind.setItemImage = ComboSetItemImage;
    kind.getState = ComboGetState;
    kind.setState = ComboSetState;
    kind.getText = ComboGetText;
    kind.setText = ComboSetText;
    kind.addItem = ComboAddItem;
    kind.removeItem = ComboRemoveItem;
    kind.clearItems = ComboClearItems;
    kind.resize = ComboResize;
    kind.countItems = Count;
    kind.getItemText = ItemText;
    kind.setItemText = ComboSetItemText;
    kind.getItemData = ComboGetItemData;
    kind.setItemData = ComboSetItemData;
    kind.requiredSize = ComboRequiredSize;
    kind.setFont = ComboSetFont;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetComboCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags) {
  GadgetKindTable* kind = ComboKind();
  bool extended = flags & CV_ComboBox_Image;
  bool editable = (flags & CV_ComboBox_Editable) == CV_ComboBox_Editable;
  DWORD style = static_cast<DWORD>(flags) | WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_GROUP;
  if (!editable) style |= CBS_DROPDOWNLIST | WS_TABSTOP;
  int64_t dropped = extended || !GadgetVisualStyles() ? 350 : height + 30;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, 0, extended ? u"ComboBoxEx32" : u"ComboBox", u"", style, x, y,
                                             width, dropped, &control);
  if (record == nullptr) return 0;
  record->kindWords[kExtendedWord] = extended ? 1 : 0;
  record->kindWords[kImageListWord] = 0;
  int64_t result = GadgetRegister(gadget, record, control, kind);
  if (editable) {
    if (HWND field = GetWindow(control, GW_CHILD)) {
      SetWindowLongPtrW(field, GWL_STYLE, GetWindowLongPtrW(field, GWL_STYLE) | WS_TABSTOP);
    }
  }
  FixHeight(control, height);
  return result;
}
