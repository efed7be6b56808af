// The "Edit" control, single line: a text with a caret and a selection, typed into through
// WM_CHAR and moved through with the arrow, Home and End keys (Shift extends the selection) or
// the mouse. It tells its parent about focus and text changes with EN_* notifications and takes
// its colours from WM_CTLCOLOREDIT (WM_CTLCOLORSTATIC while read-only or disabled).
#include <algorithm>
#include <string>

#include "backend.h"
#include "controls.h"
#include "charcase.h"
#include "text.h"

namespace {

using platform::NotifyParent;

constexpr size_t kDefaultLimit = 0x7FFE;  // characters a single-line edit takes unless told otherwise
constexpr size_t kLargestLimit = 0x7FFFFFFE;
constexpr int kMargin = 1;                // pixels between the border and the text

struct EditState {
  std::u16string text;
  size_t anchor = 0;       // the fixed end of the selection
  size_t caret = 0;        // the moving end, where the caret stands
  size_t firstVisible = 0; // the character at the left edge while the text scrolls
  size_t limit = kDefaultLimit;
  char16_t passwordChar = 0;
  bool modified = false;
  bool tracking = false;   // the left button is down and drags the selection
};

DWORD StyleOf(HWND edit) { return static_cast<DWORD>(GetWindowLongPtrW(edit, GWL_STYLE)); }

// The control characters Ctrl+C, Ctrl+X and Ctrl+V make.
constexpr char16_t kCopy = 0x03, kCut = 0x18, kPaste = 0x16;

size_t SelectionStart(const EditState& state) { return std::min(state.anchor, state.caret); }
size_t SelectionEnd(const EditState& state) { return std::max(state.anchor, state.caret); }

// What the control shows: the text, or as many password characters.
std::u16string Shown(const EditState& state) {
  if (state.passwordChar) return std::u16string(state.text.size(), state.passwordChar);
  return state.text;
}

// The width of the first `count` shown characters from `from` in the control's font.
int Extent(HWND edit, const std::u16string& shown, size_t from, size_t count) {
  if (count == 0 || from >= shown.size()) return 0;
  count = std::min(count, shown.size() - from);
  HDC dc = GetDC(edit);
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(edit, WM_GETFONT, 0, 0));
  HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32W(dc, shown.c_str() + from, static_cast<int>(count), &size);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  return size.cx;
}

int TextAreaWidth(HWND edit) {
  RECT client;
  GetClientRect(edit, &client);
  return std::max(0, static_cast<int>(client.right - client.left) - 2 * kMargin);
}

// Where the shown text starts inside the client area, for the alignment styles.
int TextOrigin(HWND edit, const EditState& state, const std::u16string& shown) {
  DWORD align = StyleOf(edit) & (ES_CENTER | ES_RIGHT);
  if (align == ES_LEFT || state.firstVisible > 0) return kMargin;
  int free = TextAreaWidth(edit) - Extent(edit, shown, 0, shown.size());
  if (free <= 0) return kMargin;
  return kMargin + (align == ES_RIGHT ? free : free / 2);
}

// Keeps the caret inside the visible part by moving the first visible character.
void ScrollToCaret(HWND edit, EditState& state) {
  std::u16string shown = Shown(state);
  if (state.firstVisible > shown.size()) state.firstVisible = shown.size();
  if (state.caret < state.firstVisible) state.firstVisible = state.caret;
  int width = TextAreaWidth(edit);
  while (state.firstVisible < state.caret && Extent(edit, shown, state.firstVisible, state.caret - state.firstVisible) > width) {
    ++state.firstVisible;
  }
}

// The character boundary nearest to client x.
size_t PositionAt(HWND edit, const EditState& state, int x) {
  std::u16string shown = Shown(state);
  int origin = TextOrigin(edit, state, shown);
  if (x <= origin) return state.firstVisible;
  size_t best = state.firstVisible;
  int previous = 0;
  for (size_t at = state.firstVisible + 1; at <= shown.size(); ++at) {
    int right = Extent(edit, shown, state.firstVisible, at - state.firstVisible);
    if (origin + right >= x) return (x - origin) - previous < right - (x - origin) ? at - 1 : at;
    previous = right;
    best = at;
  }
  return best;
}

void Select(HWND edit, EditState& state, size_t anchor, size_t caret) {
  state.anchor = std::min(anchor, state.text.size());
  state.caret = std::min(caret, state.text.size());
  ScrollToCaret(edit, state);
  InvalidateRect(edit, nullptr, FALSE);
}

bool CanEdit(HWND edit) { return !(StyleOf(edit) & ES_READONLY); }

// Replaces the selection with `insert` (filtered by the control's styles and cut to its
// limit); notifies the parent when the text changed and `notify` is set.
void ReplaceSelection(HWND edit, EditState& state, std::u16string insert, bool notify) {
  DWORD style = StyleOf(edit);
  // A single line takes no line breaks; the text up to the first one is what gets in.
  size_t lineBreak = insert.find_first_of(u"\r\n");
  if (lineBreak != std::u16string::npos) insert.resize(lineBreak);
  if (style & ES_LOWERCASE) CharLowerBuffW(insert.data(), static_cast<DWORD>(insert.size()));
  else if (style & ES_UPPERCASE) CharUpperBuffW(insert.data(), static_cast<DWORD>(insert.size()));
  size_t start = SelectionStart(state), end = SelectionEnd(state);
  size_t room = state.limit - std::min(state.limit, state.text.size() - (end - start));
  bool cut = insert.size() > room;
  if (cut) insert.resize(room);
  if (insert.empty() && start == end) {
    if (cut) NotifyParent(edit, EN_MAXTEXT);
    return;
  }
  state.text.replace(start, end - start, insert);
  state.anchor = state.caret = start + insert.size();
  state.modified = true;
  ScrollToCaret(edit, state);
  InvalidateRect(edit, nullptr, FALSE);
  if (notify) {
    NotifyParent(edit, EN_UPDATE);
    NotifyParent(edit, EN_CHANGE);
  }
  if (cut) NotifyParent(edit, EN_MAXTEXT);
}

// Ctrl+C, Ctrl+X and Ctrl+V: the selection to the desktop's clipboard, and its text back. A
// password's characters never leave the control.
void ClipboardKey(HWND edit, EditState& state, char16_t unit) {
  bool hidden = StyleOf(edit) & ES_PASSWORD;
  size_t start = SelectionStart(state), end = SelectionEnd(state);
  if ((unit == kCopy || unit == kCut) && !hidden && end > start) {
    platform::Display().ClipboardSetText(state.text.substr(start, end - start));
    if (unit == kCut && CanEdit(edit)) ReplaceSelection(edit, state, std::u16string(), true);
  } else if (unit == kPaste && CanEdit(edit)) {
    std::u16string text;
    if (!platform::Display().ClipboardGetText(&text)) return;
    if (StyleOf(edit) & ES_NUMBER) std::erase_if(text, [](char16_t c) { return c < u'0' || c > u'9'; });
    ReplaceSelection(edit, state, std::move(text), true);
  }
}

void TypeCharacter(HWND edit, EditState& state, char16_t unit) {
  if (unit == kCopy || unit == kCut || unit == kPaste) {
    ClipboardKey(edit, state, unit);
    return;
  }
  if (!CanEdit(edit)) return;
  if (unit == VK_BACK) {
    if (state.anchor == state.caret) {
      if (state.caret == 0) return;
      state.anchor = state.caret - 1;
    }
    ReplaceSelection(edit, state, std::u16string(), true);
    return;
  }
  if (unit == 1) {  // Ctrl+A
    Select(edit, state, 0, state.text.size());
    return;
  }
  if (unit < 0x20 || unit == 0x7F) return;  // other control characters do nothing in one line
  if ((StyleOf(edit) & ES_NUMBER) && (unit < u'0' || unit > u'9')) return;
  ReplaceSelection(edit, state, std::u16string(1, unit), true);
}

// Cursor keys: the caret moves, and the anchor with it unless Shift is held.
bool MoveKey(HWND edit, EditState& state, WPARAM key) {
  size_t caret = state.caret;
  bool extend = GetKeyState(VK_SHIFT) < 0;
  switch (key) {
    case VK_LEFT:
      if (!extend && state.anchor != state.caret) caret = SelectionStart(state);
      else if (caret > 0) --caret;
      break;
    case VK_RIGHT:
      if (!extend && state.anchor != state.caret) caret = SelectionEnd(state);
      else if (caret < state.text.size()) ++caret;
      break;
    case VK_HOME: caret = 0; break;
    case VK_END: caret = state.text.size(); break;
    case VK_DELETE:
      if (!CanEdit(edit)) return true;
      if (state.anchor == state.caret) {
        if (state.caret >= state.text.size()) return true;
        state.anchor = state.caret + 1;
      }
      ReplaceSelection(edit, state, std::u16string(), true);
      return true;
    default: return false;
  }
  Select(edit, state, extend ? state.anchor : caret, caret);
  return true;
}

void Paint(HWND edit, const EditState& state) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = platform::BeginControlPaint(edit, &paint, &oldFont);
  if (dc == nullptr) return;
  RECT client;
  GetClientRect(edit, &client);
  DWORD style = StyleOf(edit);
  bool enabled = IsWindowEnabled(edit);
  bool plain = enabled && !(style & ES_READONLY);
  HBRUSH background = platform::ControlColours(edit, dc, plain ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
                                               plain ? COLOR_WINDOW : COLOR_BTNFACE);
  FillRect(dc, &client, background);
  if (!enabled) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  std::u16string shown = Shown(state);
  int origin = TextOrigin(edit, state, shown);
  SIZE line{};
  GetTextExtentPoint32W(dc, u"Hg", 2, &line);
  int top = std::max(0, (static_cast<int>(client.bottom - client.top) - line.cy) / 2);
  SetBkMode(dc, TRANSPARENT);
  size_t count = shown.size() - std::min(state.firstVisible, shown.size());
  RECT area{origin, top, client.right, top + line.cy};
  if (count > 0) {
    DrawTextW(dc, shown.c_str() + state.firstVisible, static_cast<int>(count), &area, DT_NOPREFIX | DT_SINGLELINE);
  }
  bool focused = GetFocus() == edit;
  size_t start = std::max(SelectionStart(state), state.firstVisible), end = SelectionEnd(state);
  if (start < end && (focused || (style & ES_NOHIDESEL))) {
    // The selected characters again, in the highlight colours over the highlight.
    RECT selected{origin + Extent(edit, shown, state.firstVisible, start - state.firstVisible), top,
                  origin + Extent(edit, shown, state.firstVisible, end - state.firstVisible), top + line.cy};
    FillRect(dc, &selected, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    DrawTextW(dc, shown.c_str() + start, static_cast<int>(end - start), &selected, DT_NOPREFIX | DT_SINGLELINE);
  } else if (focused && state.caret >= state.firstVisible) {
    int x = origin + Extent(edit, shown, state.firstVisible, state.caret - state.firstVisible);
    RECT caret{x, top, x + 1, top + line.cy};
    FillRect(dc, &caret, GetSysColorBrush(COLOR_WINDOWTEXT));
  }
  platform::EndControlPaint(edit, &paint, oldFont);
}

void Created(EditState& state, const CREATESTRUCTW* create) {
  if (create && create->lpszName) state.text = create->lpszName;
  if (create && (create->style & ES_PASSWORD)) state.passwordChar = u'*';
}

LRESULT Message(HWND edit, EditState& state, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(state.text.size());
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<char16_t*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      size_t count = std::min(state.text.size(), static_cast<size_t>(wParam) - 1);
      std::copy_n(state.text.data(), count, out);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_SETTEXT: {
      // A single-line edit reports a text set from outside like a typed one; the caret goes to
      // the start and the limit is not applied.
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      state.text = text ? text : u"";
      state.anchor = state.caret = state.firstVisible = 0;
      state.modified = false;
      InvalidateRect(edit, nullptr, FALSE);
      NotifyParent(edit, EN_UPDATE);
      NotifyParent(edit, EN_CHANGE);
      return TRUE;
    }
    case WM_CHAR: TypeCharacter(edit, state, static_cast<char16_t>(wParam)); return 0;
    case WM_KEYDOWN:
      if (MoveKey(edit, state, wParam)) return 0;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != edit) SetFocus(edit);
      size_t at = PositionAt(edit, state, GET_X_LPARAM(lParam));
      if (message == WM_LBUTTONDBLCLK) {
        Select(edit, state, 0, state.text.size());
        return 0;
      }
      Select(edit, state, (wParam & MK_SHIFT) ? state.anchor : at, at);
      state.tracking = true;
      SetCapture(edit);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (state.tracking) Select(edit, state, state.anchor, PositionAt(edit, state, GET_X_LPARAM(lParam)));
      return 0;
    case WM_LBUTTONUP:
      if (state.tracking && GetCapture() == edit) ReleaseCapture();
      state.tracking = false;
      return 0;
    case WM_CAPTURECHANGED: state.tracking = false; return 0;
    case WM_SETFOCUS:
      InvalidateRect(edit, nullptr, FALSE);
      NotifyParent(edit, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(edit, nullptr, FALSE);
      NotifyParent(edit, EN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
    case WM_SIZE:
    case WM_SETFONT:
      ScrollToCaret(edit, state);
      InvalidateRect(edit, nullptr, FALSE);
      break;
    case EM_GETSEL: {
      auto start = static_cast<DWORD>(SelectionStart(state)), end = static_cast<DWORD>(SelectionEnd(state));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return static_cast<LRESULT>(MAKELONG(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF)));
    }
    case EM_SETSEL: {
      // -1 as start removes the selection; a negative end selects to the end of the text.
      auto start = static_cast<int32_t>(wParam), end = static_cast<int32_t>(lParam);
      if (start == -1) {
        Select(edit, state, state.caret, state.caret);
        return 0;
      }
      size_t size = state.text.size();
      size_t from = start < 0 ? size : std::min<size_t>(static_cast<size_t>(start), size);
      size_t to = end < 0 ? size : std::min<size_t>(static_cast<size_t>(end), size);
      Select(edit, state, from, to);
      return 0;
    }
    case EM_REPLACESEL: {
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      ReplaceSelection(edit, state, text ? text : u"", true);
      return 0;
    }
    case EM_SETLIMITTEXT:
      state.limit = wParam == 0 || wParam > kLargestLimit ? kLargestLimit : static_cast<size_t>(wParam);
      return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(state.limit);
    case EM_GETMODIFY: return state.modified;
    case EM_SETMODIFY: state.modified = wParam != 0; return 0;
    case EM_GETLINECOUNT: return 1;
    case EM_LINELENGTH: return static_cast<LRESULT>(state.text.size());
    case EM_GETFIRSTVISIBLELINE: return static_cast<LRESULT>(state.firstVisible);
    case EM_SETREADONLY: {
      LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE);
      SetWindowLongPtrW(edit, GWL_STYLE, wParam ? style | ES_READONLY : style & ~static_cast<LONG_PTR>(ES_READONLY));
      InvalidateRect(edit, nullptr, FALSE);
      return TRUE;
    }
    case EM_SETPASSWORDCHAR: {
      state.passwordChar = static_cast<char16_t>(wParam);
      LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE);
      SetWindowLongPtrW(edit, GWL_STYLE, wParam ? style | ES_PASSWORD : style & ~static_cast<LONG_PTR>(ES_PASSWORD));
      ScrollToCaret(edit, state);
      InvalidateRect(edit, nullptr, FALSE);
      return 0;
    }
    case EM_GETPASSWORDCHAR: return state.passwordChar;
    case WM_ERASEBKGND: return 1;  // the paint fills the whole control
    case WM_PAINT: Paint(edit, state); return 0;
    default: break;
  }
  return DefWindowProcW(edit, message, wParam, lParam);
}

}  // namespace

namespace platform {

LRESULT EditProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return StatefulProcedure<EditState, Message, Created>(control, message, wParam, lParam);
}

}  // namespace platform
