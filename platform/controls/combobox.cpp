// The "ComboBox" control in its drop-down forms: a selection field over a list of strings with
// item data, which drops down as a "ComboLBox" pop-up on a click, F4 or Alt+Down and is chosen
// from by click or keys. CBS_DROPDOWNLIST shows the selected item; CBS_DROPDOWN has an "Edit"
// child in the field that the user types into. The parent hears CBN_* notifications. The same
// control answers as "ComboBoxEx32", whose items may carry a picture from an image list.
#include <algorithm>
#include <string>
#include <vector>

#include "controls.h"
#include "charcase.h"
#include "text.h"

namespace {

using platform::NotifyParent;

constexpr int kFrame = 3;       // the field's frame: window height = field height + 2 * kFrame
constexpr int kEditId = 1001;   // the editable field's child id, as Windows gives it
constexpr int kMinVisible = 30; // lines the open list shows before it scrolls, as themed Windows does
constexpr int kListBorder = 1;  // the open list's own border

struct Item {
  std::u16string text;
  LONG_PTR data;
  int image = -1;  // index in the image list (extended combo box), -1 = none
};

struct ComboState {
  std::vector<Item> items;
  int selection = -1;
  int fieldHeight = 0;      // the selection field's height
  int itemHeight = 0;       // a list line's height
  HWND edit = nullptr;      // the editable field, CBS_DROPDOWN only
  HWND list = nullptr;      // the drop-down pop-up, made on first use
  int highlight = -1;       // the item marked in the open list
  int top = 0;              // the first item the open list shows
  bool quiet = false;       // the field's text is being set by the combo itself
  bool sizing = false;      // the combo resizes itself
  HIMAGELIST images = nullptr;  // the extended combo box's pictures, owned by its program
};

DWORD TypeOf(HWND combo) { return static_cast<DWORD>(GetWindowLongPtrW(combo, GWL_STYLE)) & 3; }
bool IsEditable(HWND combo) { return TypeOf(combo) == CBS_DROPDOWN || TypeOf(combo) == CBS_SIMPLE; }
ComboState* StateOfCombo(HWND combo) { return reinterpret_cast<ComboState*>(GetWindowLongPtrW(combo, 0)); }

int LineHeight(HWND combo) {
  HDC dc = GetDC(combo);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, u"Hg", 2, &size);
  SelectObject(dc, old);
  ReleaseDC(combo, dc);
  return size.cy;
}

int ButtonWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

// The window keeps the closed box's height whatever height it is created or moved with.
void FitHeight(HWND combo, ComboState& state) {
  RECT frame;
  GetWindowRect(combo, &frame);
  int closed = state.fieldHeight + 2 * kFrame;
  if (frame.bottom - frame.top == closed) return;
  state.sizing = true;
  SetWindowPos(combo, nullptr, 0, 0, frame.right - frame.left, closed, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  state.sizing = false;
}

void PlaceEdit(HWND combo, const ComboState& state) {
  if (state.edit == nullptr) return;
  RECT client;
  GetClientRect(combo, &client);
  MoveWindow(state.edit, kFrame, kFrame, std::max(0, static_cast<int>(client.right) - 2 * kFrame - ButtonWidth()),
             state.fieldHeight, TRUE);
}

// Shows an item's text in the editable field without it counting as the user's edit.
void ShowInEdit(ComboState& state, const std::u16string& text) {
  if (state.edit == nullptr) return;
  state.quiet = true;
  SetWindowTextW(state.edit, text.c_str());
  SendMessageW(state.edit, EM_SETSEL, 0, -1);
  state.quiet = false;
}

void Select(HWND combo, ComboState& state, int index) {
  state.selection = index >= 0 && index < static_cast<int>(state.items.size()) ? index : -1;
  if (state.selection >= 0) ShowInEdit(state, state.items[static_cast<size_t>(state.selection)].text);
  InvalidateRect(combo, nullptr, FALSE);
}

// ---- the drop-down list ----

int VisibleLines(const ComboState& state) {
  RECT client;
  GetClientRect(state.list, &client);
  return std::max(1, static_cast<int>(client.bottom - client.top) / std::max(1, state.itemHeight));
}

void ScrollToHighlight(ComboState& state) {
  int lines = VisibleLines(state);
  if (state.highlight < state.top) state.top = std::max(0, state.highlight);
  if (state.highlight >= state.top + lines) state.top = state.highlight - lines + 1;
}

bool IsDropped(const ComboState& state) { return state.list && IsWindowVisible(state.list); }

void CloseList(HWND combo, ComboState& state) {
  if (!IsDropped(state)) return;
  ShowWindow(state.list, SW_HIDE);  // hidden first, so that losing the mouse does not close it again
  if (GetCapture() == state.list) ReleaseCapture();
  InvalidateRect(combo, nullptr, FALSE);
  NotifyParent(combo, CBN_CLOSEUP);
}

void OpenList(HWND combo, ComboState& state) {
  if (IsDropped(state) || !IsWindowEnabled(combo)) return;
  NotifyParent(combo, CBN_DROPDOWN);
  if (state.list == nullptr) {
    // The pop-up draws its own one-pixel border: a top-level window's frame is nobody's to paint.
    state.list = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | WS_EX_TOPMOST, u"ComboLBox", u"", WS_POPUP, 0,
                                 0, 0, 0, combo, nullptr, nullptr, nullptr);
    if (state.list == nullptr) return;
    SetWindowLongPtrW(state.list, 0, reinterpret_cast<LONG_PTR>(combo));
  }
  RECT frame;
  GetWindowRect(combo, &frame);
  int lines = std::clamp(static_cast<int>(state.items.size()), 1, kMinVisible);
  int height = lines * state.itemHeight + 2 * kListBorder;
  SetWindowPos(state.list, HWND_TOP, frame.left, frame.bottom, frame.right - frame.left, height, SWP_NOACTIVATE);
  state.highlight = state.selection;
  state.top = 0;
  ScrollToHighlight(state);
  ShowWindow(state.list, SW_SHOWNA);
  InvalidateRect(state.list, nullptr, FALSE);
  SetCapture(state.list);
}

// The user's choice of an item, from the list or by keys on the closed box.
void Choose(HWND combo, ComboState& state, int index) {
  if (index < 0 || index >= static_cast<int>(state.items.size())) return;
  bool changed = index != state.selection;
  Select(combo, state, index);
  if (changed) NotifyParent(combo, CBN_SELCHANGE);
}

void Move(HWND combo, ComboState& state, int by) {
  int count = static_cast<int>(state.items.size());
  if (count == 0) return;
  if (IsDropped(state)) {
    state.highlight = std::clamp(state.highlight < 0 ? 0 : state.highlight + by, 0, count - 1);
    ScrollToHighlight(state);
    InvalidateRect(state.list, nullptr, FALSE);
  } else {
    Choose(combo, state, std::clamp(state.selection < 0 ? 0 : state.selection + by, 0, count - 1));
  }
}

int ItemAt(const ComboState& state, int y) {
  y -= kListBorder;
  int index = state.top + y / std::max(1, state.itemHeight);
  return y >= 0 && index < static_cast<int>(state.items.size()) ? index : -1;
}

// An item's picture at the left of its line, when it has one; the text then starts after it.
void DrawItemImage(HDC dc, const ComboState& state, int index, RECT* line) {
  int image = state.items[static_cast<size_t>(index)].image;
  int cx = 0, cy = 0;
  if (state.images == nullptr || !ImageList_GetIconSize(state.images, &cx, &cy)) return;
  if (image >= 0) ImageList_Draw(state.images, image, dc, line->left, (line->top + line->bottom - cy) / 2, ILD_NORMAL);
  line->left += cx + 2;
}

void PaintList(HWND list, const ComboState& state) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HWND combo = reinterpret_cast<HWND>(GetWindowLongPtrW(list, 0));
  HDC dc = BeginPaint(list, &paint);
  if (dc == nullptr) return;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(combo, WM_GETFONT, 0, 0));
  oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  RECT client;
  GetClientRect(list, &client);
  FillRect(dc, &client, platform::ControlColours(combo, dc, WM_CTLCOLORLISTBOX, COLOR_WINDOW));
  platform::Frame(dc, client, COLOR_WINDOWFRAME, COLOR_WINDOWFRAME);
  COLORREF text = GetTextColor(dc);
  SetBkMode(dc, TRANSPARENT);
  for (int index = state.top; index < static_cast<int>(state.items.size()); ++index) {
    int y = kListBorder + (index - state.top) * state.itemHeight;
    if (y >= client.bottom - kListBorder) break;
    RECT line{kListBorder, y, client.right - kListBorder, std::min<LONG>(y + state.itemHeight, client.bottom - kListBorder)};
    bool marked = index == state.highlight;
    if (marked) FillRect(dc, &line, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, marked ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
    line.left += 2;
    DrawItemImage(dc, state, index, &line);
    const std::u16string& label = state.items[static_cast<size_t>(index)].text;
    DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &line, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  SelectObject(dc, oldFont);
  EndPaint(list, &paint);
}

// ---- the box ----

// The editable field hands the keys that work the list to the combo, as Windows' field does.
LRESULT ComboEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND combo = GetParent(edit);
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && combo) {
    ComboState* state = StateOfCombo(combo);
    bool dropped = state && IsDropped(*state);
    bool listKey = wParam == VK_UP || wParam == VK_DOWN || wParam == VK_F4 || wParam == VK_PRIOR || wParam == VK_NEXT ||
                   (dropped && (wParam == VK_RETURN || wParam == VK_ESCAPE || wParam == VK_HOME || wParam == VK_END));
    if (listKey || message == WM_SYSKEYDOWN) return SendMessageW(combo, message, wParam, lParam);
  }
  return CallWindowProcW(platform::EditProcedure, edit, message, wParam, lParam);
}

void PaintCombo(HWND combo, const ComboState& state) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = platform::BeginControlPaint(combo, &paint, &oldFont);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(combo, &client);
  bool enabled = IsWindowEnabled(combo);
  // The field is white like a list (an edit's colours when editable), greyed when disabled.
  HBRUSH background = platform::ControlColours(
      combo, dc, IsEditable(combo) ? WM_CTLCOLOREDIT : enabled ? WM_CTLCOLORLISTBOX : WM_CTLCOLORSTATIC,
      enabled ? COLOR_WINDOW : COLOR_BTNFACE);
  FillRect(dc, &client, background);
  // A sunken field with the drop-down button raised at its right end (pushed in while open).
  RECT inner = client;
  DrawEdge(dc, &inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  RECT button{std::max(inner.left, inner.right - ButtonWidth()), inner.top, inner.right, inner.bottom};
  const bool dropped = IsDropped(state);
  platform::Fill(dc, button.left, button.top, button.right, button.bottom, COLOR_BTNFACE);
  if (dropped) platform::Frame(dc, button, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
  else DrawEdge(dc, &button, EDGE_RAISED, BF_RECT | BF_SOFT);
  int centreX = (button.left + button.right) / 2 + (dropped ? 1 : 0), centreY = (button.top + button.bottom) / 2 + (dropped ? 1 : 0);
  for (int row = 0; row < 4; ++row) {
    platform::Fill(dc, centreX - 3 + row, centreY - 1 + row, centreX + 4 - row, centreY + row, enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  }
  if (!IsEditable(combo)) {
    RECT field{inner.left + 1, inner.top + 1, button.left - 1, inner.bottom - 1};
    bool focused = GetFocus() == combo && !dropped;
    if (focused) FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
    if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    else if (focused) SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    SetBkMode(dc, TRANSPARENT);
    if (state.selection >= 0) {
      RECT text = field;
      text.left += 2;
      DrawItemImage(dc, state, state.selection, &text);
      const std::u16string& label = state.items[static_cast<size_t>(state.selection)].text;
      DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (focused) DrawFocusRect(dc, &field);
  }
  platform::EndControlPaint(combo, &paint, oldFont);
}

int Insert(HWND combo, ComboState& state, WPARAM at, const char16_t* text) {
  std::u16string label = text ? text : u"";
  DWORD style = static_cast<DWORD>(GetWindowLongPtrW(combo, GWL_STYLE));
  if (style & CBS_LOWERCASE) CharLowerBuffW(label.data(), static_cast<DWORD>(label.size()));
  else if (style & CBS_UPPERCASE) CharUpperBuffW(label.data(), static_cast<DWORD>(label.size()));
  auto count = static_cast<int>(state.items.size());
  auto index = static_cast<int>(static_cast<int32_t>(at));
  if (index == -1) index = count;
  if (index < 0 || index > count) return CB_ERR;
  state.items.insert(state.items.begin() + index, Item{label, 0});
  if (state.selection >= index) ++state.selection;
  if (IsDropped(state)) InvalidateRect(state.list, nullptr, FALSE);
  return index;
}

bool Valid(const ComboState& state, WPARAM index) {
  return static_cast<int32_t>(index) >= 0 && static_cast<size_t>(static_cast<int32_t>(index)) < state.items.size();
}

// The keys the combo box takes itself: opening and closing the list, moving the highlight or
// the selection. Keys it leaves go on to the default procedure.
bool ComboKey(HWND combo, ComboState& state, UINT message, WPARAM wParam) {
  bool alt = message == WM_SYSKEYDOWN || GetKeyState(VK_MENU) < 0;
  if (wParam == VK_F4 || (alt && (wParam == VK_DOWN || wParam == VK_UP))) {
    if (IsDropped(state)) Choose(combo, state, state.highlight), CloseList(combo, state);
    else OpenList(combo, state);
    return true;
  }
  switch (wParam) {
    case VK_UP: Move(combo, state, -1); return true;
    case VK_DOWN: Move(combo, state, 1); return true;
    case VK_PRIOR: Move(combo, state, IsDropped(state) ? -VisibleLines(state) : -1); return true;
    case VK_NEXT: Move(combo, state, IsDropped(state) ? VisibleLines(state) : 1); return true;
    case VK_HOME:
      if (state.edit && !IsDropped(state)) break;
      Move(combo, state, -static_cast<int>(state.items.size()));
      return true;
    case VK_END:
      if (state.edit && !IsDropped(state)) break;
      Move(combo, state, static_cast<int>(state.items.size()));
      return true;
    case VK_RETURN:
      if (IsDropped(state)) {
        Choose(combo, state, state.highlight);
        CloseList(combo, state);
        return true;
      }
      break;
    case VK_ESCAPE:
      if (IsDropped(state)) {
        CloseList(combo, state);
        return true;
      }
      break;
    default: break;
  }
  return false;
}

// The extended combo box's messages: its image list and items that carry an image.
LRESULT ComboExtendedMessage(HWND combo, ComboState& state, UINT message, WPARAM, LPARAM lParam) {
  switch (message) {
    case CBEM_SETIMAGELIST: {
      HIMAGELIST previous = state.images;
      state.images = reinterpret_cast<HIMAGELIST>(lParam);
      int cx = 0, cy = 0;
      // A line is tall enough for a picture.
      if (ImageList_GetIconSize(state.images, &cx, &cy)) state.itemHeight = std::max(LineHeight(combo) + 2, cy + 2);
      InvalidateRect(combo, nullptr, FALSE);
      return reinterpret_cast<LRESULT>(previous);
    }
    case CBEM_GETIMAGELIST: return reinterpret_cast<LRESULT>(state.images);
    case CBEM_INSERTITEMW:
    case CBEM_SETITEMW: {
      auto* item = reinterpret_cast<const COMBOBOXEXITEMW*>(lParam);
      if (item == nullptr) return message == CBEM_INSERTITEMW ? CB_ERR : FALSE;
      int index = static_cast<int>(item->iItem);
      if (message == CBEM_INSERTITEMW) {
        index = Insert(combo, state, static_cast<WPARAM>(index), (item->mask & CBEIF_TEXT) ? item->pszText : u"");
        if (index < 0) return CB_ERR;
      } else if (!Valid(state, static_cast<WPARAM>(index))) {
        return FALSE;
      } else if (item->mask & CBEIF_TEXT) {
        state.items[static_cast<size_t>(index)].text = item->pszText ? item->pszText : u"";
        if (index == state.selection) ShowInEdit(state, state.items[static_cast<size_t>(index)].text);
      }
      Item& stored = state.items[static_cast<size_t>(index)];
      if (item->mask & CBEIF_IMAGE) stored.image = item->iImage;
      if (item->mask & CBEIF_LPARAM) stored.data = item->lParam;
      InvalidateRect(combo, nullptr, FALSE);
      if (IsDropped(state)) InvalidateRect(state.list, nullptr, FALSE);
      return message == CBEM_INSERTITEMW ? index : TRUE;
    }
    case CBEM_GETITEMW: {
      auto* item = reinterpret_cast<COMBOBOXEXITEMW*>(lParam);
      if (item == nullptr || !Valid(state, static_cast<WPARAM>(item->iItem))) return FALSE;
      const Item& stored = state.items[static_cast<size_t>(item->iItem)];
      if ((item->mask & CBEIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        size_t count = std::min(stored.text.size(), static_cast<size_t>(item->cchTextMax - 1));
        std::copy_n(stored.text.data(), count, item->pszText);
        item->pszText[count] = 0;
      }
      if (item->mask & CBEIF_IMAGE) item->iImage = stored.image;
      if (item->mask & CBEIF_LPARAM) item->lParam = stored.data;
      return TRUE;
    }
    default: return CB_ERR;
  }
}

// The CB_ messages: the items, the selection, the drop-down and the heights.
LRESULT ComboItemMessage(HWND combo, ComboState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case CB_ADDSTRING: return Insert(combo, state, static_cast<WPARAM>(-1), reinterpret_cast<const char16_t*>(lParam));
    case CB_INSERTSTRING: return Insert(combo, state, wParam, reinterpret_cast<const char16_t*>(lParam));
    case CB_DELETESTRING: {
      if (!Valid(state, wParam)) return CB_ERR;
      auto index = static_cast<int>(wParam);
      state.items.erase(state.items.begin() + index);
      if (state.selection == index) state.selection = -1;
      else if (state.selection > index) --state.selection;
      InvalidateRect(combo, nullptr, FALSE);
      return static_cast<LRESULT>(state.items.size());
    }
    case CB_RESETCONTENT:
      state.items.clear();
      state.selection = -1;
      CloseList(combo, state);
      InvalidateRect(combo, nullptr, FALSE);
      return 0;
    case CB_GETCOUNT: return static_cast<LRESULT>(state.items.size());
    case CB_GETCURSEL: return state.selection;
    case CB_SETCURSEL:
      Select(combo, state, static_cast<int>(static_cast<int32_t>(wParam)));
      if (state.selection < 0 && state.edit && static_cast<int32_t>(wParam) == -1) ShowInEdit(state, u"");
      return Valid(state, wParam) ? static_cast<LRESULT>(wParam) : CB_ERR;
    case CB_GETLBTEXTLEN:
      return Valid(state, wParam) ? static_cast<LRESULT>(state.items[wParam].text.size()) : CB_ERR;
    case CB_GETLBTEXT: {
      if (!Valid(state, wParam)) return CB_ERR;
      const std::u16string& text = state.items[wParam].text;
      if (auto* out = reinterpret_cast<char16_t*>(lParam)) {
        std::copy(text.begin(), text.end(), out);
        out[text.size()] = 0;
      }
      return static_cast<LRESULT>(text.size());
    }
    case CB_GETITEMDATA: return Valid(state, wParam) ? state.items[wParam].data : CB_ERR;
    case CB_SETITEMDATA:
      if (!Valid(state, wParam)) return CB_ERR;
      state.items[wParam].data = lParam;
      return 1;
    case CB_FINDSTRINGEXACT: {
      // From after the start index round to it; -1 searches the whole list from the top.
      auto text = reinterpret_cast<const char16_t*>(lParam);
      auto count = static_cast<int>(state.items.size());
      int start = static_cast<int32_t>(wParam);
      if (start < -1 || start >= count) start = -1;
      for (int step = 1; step <= count; ++step) {
        int index = (start + step) % count;
        if (_wcsicmp(state.items[static_cast<size_t>(index)].text.c_str(), text ? text : u"") == 0) return index;
      }
      return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
      if (wParam) OpenList(combo, state);
      else CloseList(combo, state);
      return TRUE;
    case CB_GETDROPPEDSTATE: return IsDropped(state);
    case CB_SETITEMHEIGHT: {
      auto height = static_cast<int>(lParam);
      if (height <= 0 || height > 255) return CB_ERR;
      if (static_cast<int32_t>(wParam) == -1) {
        state.fieldHeight = height;
        FitHeight(combo, state);
        PlaceEdit(combo, state);
      } else {
        state.itemHeight = height;
      }
      InvalidateRect(combo, nullptr, FALSE);
      return 0;
    }
    case CB_GETITEMHEIGHT: return static_cast<int32_t>(wParam) == -1 ? state.fieldHeight : state.itemHeight;
    case CB_LIMITTEXT: return state.edit ? SendMessageW(state.edit, EM_SETLIMITTEXT, wParam, 0), TRUE : CB_ERR;
    default: break;
  }
  return DefWindowProcW(combo, message, wParam, lParam);
}

// The window messages: creation, size and font, text, focus, the mouse, enabling and painting.
LRESULT ComboWindowMessage(HWND combo, ComboState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: {
      auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      // The box draws its own sunken edge; a plain border around it would only thicken it.
      SetWindowLongPtrW(combo, GWL_STYLE, GetWindowLongPtrW(combo, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_BORDER));
      state.itemHeight = LineHeight(combo) + 2;
      state.fieldHeight = state.itemHeight;
      if (IsEditable(combo)) {
        DWORD style = WS_CHILD | WS_VISIBLE | ((create && (create->style & CBS_AUTOHSCROLL)) ? ES_AUTOHSCROLL : 0);
        if (create && (create->style & CBS_LOWERCASE)) style |= ES_LOWERCASE;
        if (create && (create->style & CBS_UPPERCASE)) style |= ES_UPPERCASE;
        state.edit = CreateWindowExW(0, u"Edit", u"", style, 0, 0, 0, 0, combo,
                                     reinterpret_cast<HMENU>(static_cast<uintptr_t>(kEditId)), nullptr, nullptr);
        if (state.edit) SetWindowLongPtrW(state.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProcedure));
      }
      FitHeight(combo, state);
      PlaceEdit(combo, state);
      return 0;
    }
    case WM_DESTROY:
      if (state.list) DestroyWindow(state.list);
      state.list = nullptr;
      return 0;
    case WM_SIZE:
      if (!state.sizing) FitHeight(combo, state);
      PlaceEdit(combo, state);
      InvalidateRect(combo, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      DefWindowProcW(combo, message, wParam, lParam);
      if (state.edit) SendMessageW(state.edit, WM_SETFONT, wParam, lParam);
      state.itemHeight = LineHeight(combo) + 2;
      state.fieldHeight = state.itemHeight;
      FitHeight(combo, state);
      PlaceEdit(combo, state);
      return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETTEXT:
      if (state.edit) return SendMessageW(state.edit, message, wParam, lParam);
      if (message == WM_SETTEXT) return CB_ERR;  // a drop-down list shows its selection only
      {
        std::u16string text = state.selection >= 0 ? state.items[static_cast<size_t>(state.selection)].text : u"";
        if (message == WM_GETTEXTLENGTH) return static_cast<LRESULT>(text.size());
        auto* out = reinterpret_cast<char16_t*>(lParam);
        if (out == nullptr || wParam == 0) return 0;
        size_t count = std::min(text.size(), static_cast<size_t>(wParam) - 1);
        std::copy_n(text.data(), count, out);
        out[count] = 0;
        return static_cast<LRESULT>(count);
      }
    case WM_COMMAND:
      // The editable field's notifications become the combo's own.
      if (state.edit && reinterpret_cast<HWND>(lParam) == state.edit) {
        WORD code = HIWORD(wParam);
        if (code == EN_CHANGE && !state.quiet) NotifyParent(combo, CBN_EDITCHANGE);
        else if (code == EN_UPDATE && !state.quiet) NotifyParent(combo, CBN_EDITUPDATE);
        else if (code == EN_SETFOCUS) NotifyParent(combo, CBN_SETFOCUS);
        else if (code == EN_KILLFOCUS) {
          CloseList(combo, state);
          NotifyParent(combo, CBN_KILLFOCUS);
        }
      }
      return 0;
    case WM_SETFOCUS:
      if (state.edit) SetFocus(state.edit);
      else NotifyParent(combo, CBN_SETFOCUS);
      InvalidateRect(combo, nullptr, FALSE);
      return 0;
    case WM_KILLFOCUS:
      if (state.edit == nullptr) {
        CloseList(combo, state);
        NotifyParent(combo, CBN_KILLFOCUS);
      }
      InvalidateRect(combo, nullptr, FALSE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (GetFocus() != combo && (state.edit == nullptr || GetFocus() != state.edit)) SetFocus(combo);
      if (IsDropped(state)) CloseList(combo, state);
      else OpenList(combo, state);
      return 0;
    case WM_ENABLE:
      if (state.edit) EnableWindow(state.edit, wParam != 0);
      if (!wParam) CloseList(combo, state);
      InvalidateRect(combo, nullptr, FALSE);
      return 0;
    case WM_ERASEBKGND: return 1;  // the paint fills the whole control
    case WM_PAINT: PaintCombo(combo, state); return 0;
    default: break;
  }
  return DefWindowProcW(combo, message, wParam, lParam);
}

LRESULT ComboMessage(HWND combo, ComboState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= CB_GETEDITSEL && message <= CB_FINDSTRINGEXACT) return ComboItemMessage(combo, state, message, wParam, lParam);
  if (message >= CBEM_SETIMAGELIST && message <= CBEM_GETITEMW) return ComboExtendedMessage(combo, state, message, wParam, lParam);
  if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && ComboKey(combo, state, message, wParam)) return 0;
  return ComboWindowMessage(combo, state, message, wParam, lParam);
}

}  // namespace

namespace platform {

LRESULT ComboBoxProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return StatefulProcedure<ComboState, ComboMessage>(control, message, wParam, lParam);
}

// The pop-up list: it holds the mouse while open, so that a click anywhere else closes it; a
// button released over an item chooses that item.
LRESULT ComboListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND combo = reinterpret_cast<HWND>(GetWindowLongPtrW(list, 0));
  ComboState* state = combo && IsWindow(combo) ? StateOfCombo(combo) : nullptr;
  if (state == nullptr) return DefWindowProcW(list, message, wParam, lParam);
  RECT client;
  GetClientRect(list, &client);
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  switch (message) {
    case WM_MOUSEACTIVATE: return 3;  // MA_NOACTIVATE: the combo keeps the focus
    case WM_MOUSEMOVE:
      if (PtInRect(&client, point)) {
        int index = ItemAt(*state, point.y);
        if (index >= 0 && index != state->highlight) {
          state->highlight = index;
          InvalidateRect(list, nullptr, FALSE);
        }
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (!PtInRect(&client, point)) CloseList(combo, *state);
      return 0;
    case WM_LBUTTONUP:
      if (PtInRect(&client, point)) {
        int index = ItemAt(*state, point.y);
        if (index >= 0) {
          Choose(combo, *state, index);
          CloseList(combo, *state);
        }
      }
      return 0;
    case WM_CAPTURECHANGED:
      if (IsWindowVisible(list) && reinterpret_cast<HWND>(lParam) != list) CloseList(combo, *state);
      return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: PaintList(list, *state); return 0;
    default: break;
  }
  return DefWindowProcW(list, message, wParam, lParam);
}

}  // namespace platform
