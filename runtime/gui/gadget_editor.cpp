// The editor kind (kind 22): multi-line text on the platform's "RichEdit20W" control, read-only
// and word-wrapping on request, with its lines as items, its own colours and font. A change of
// the text reaches the program as ET_CHANGE; gaining and losing the focus as ET_FOCUS and
// ET_LOST_FOCUS. An empty first line, which the control cannot hold before it has any text, is
// remembered in the record until the next line arrives.
#include <algorithm>
#include <string>

#include "controls/rich_edit.h"
#include "core/constants.h"
#include "core/string_runtime.h"
#include "gadget_input.h"
#include "gadget_internal.h"
#include "text.h"

namespace {

// Kind words.
constexpr int kEmptyLineWord = 0;  // 0: nothing, 1: an empty first line waits, 2: it was written
constexpr int kBackWord = 1;
constexpr int kFrontWord = 2;
constexpr int kFontWord = 3;

constexpr const char16_t* kWordWrapProperty = u"CV_WordWrap";

HWND ControlOf(int64_t gadget) { return GadgetIsValid(gadget)->handle; }
LRESULT Send(int64_t gadget, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  return SendMessageW(ControlOf(gadget), message, wParam, lParam);
}
bool IsEmpty(int64_t gadget) { return Send(gadget, WM_GETTEXTLENGTH) == 0; }
int64_t LineCount(int64_t gadget) { return static_cast<int64_t>(Send(gadget, EM_GETLINECOUNT)); }
int64_t LineStart(int64_t gadget, int64_t line) { return static_cast<int64_t>(Send(gadget, EM_LINEINDEX, static_cast<WPARAM>(line))); }
constexpr LPARAM kTextEnd = 0x7FFFFFFF;

void Replace(int64_t gadget, int64_t from, int64_t to, const std::u16string& text) {
  Send(gadget, EM_SETSEL, static_cast<WPARAM>(from), static_cast<LPARAM>(to));
  Send(gadget, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// Edits of lines move the selection about; it is not shown while they run, and being the
// program's own they raise no change events.
template <typename Edit>
void WithSelectionHidden(int64_t gadget, Edit edit) {
  EventSuppressChanges();
  Send(gadget, EM_HIDESELECTION, 1);
  edit();
  Send(gadget, EM_HIDESELECTION, 0);
  EventAllowChanges();
}

LRESULT EditorMessage(int64_t gadget, HWND, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header && header->code == static_cast<UINT>(ET_CHANGE)) GadgetPostEvent(gadget, ET_CHANGE);
    return 0;
  }
  if (message != WM_COMMAND) return CV_NotHandled;
  switch (HIWORD(wParam)) {
    case EN_CHANGE: GadgetPostEvent(gadget, ET_CHANGE); break;
    case EN_SETFOCUS: GadgetPostEvent(gadget, ET_FOCUS); break;
    case EN_KILLFOCUS: GadgetPostEvent(gadget, ET_LOST_FOCUS); break;
    default: break;
  }
  return 0;
}

void EditorFree(int64_t gadget) { RemovePropW(ControlOf(gadget), kWordWrapProperty); }

char16_t* EditorGetText(int64_t gadget, int64_t start) {
  HWND control = ControlOf(gadget);
  int length = GetWindowTextLengthW(control);
  char16_t* out = StrTempReserve(std::max(0, length), start);
  if (out == nullptr) return nullptr;
  out[length > 0 ? GetWindowTextW(control, out, length + 1) : 0] = 0;
  return out;
}

void EditorSetText(int64_t gadget, const char16_t* text) {
  if (text == nullptr || text[0] == 0) {
    SetWindowTextW(ControlOf(gadget), u"");
    GadgetIsValid(gadget)->kindWords[kEmptyLineWord] = 0;
    return;
  }
  Send(gadget, WM_HSCROLL, SB_LEFT);
  SetWindowTextW(ControlOf(gadget), text);
}

int64_t EditorAddItem(int64_t gadget, int64_t position, const char16_t* text, int64_t) {
  GadgetRecord* record = GadgetIsValid(gadget);
  std::u16string item = text ? text : u"";
  bool empty = IsEmpty(gadget);
  WithSelectionHidden(gadget, [&] {
    if (position >= 0 && position < LineCount(gadget) && !empty) {
      int64_t at = LineStart(gadget, position);
      Replace(gadget, at, at, item + u"\r");
      return;
    }
    if (empty && item.empty() && record->kindWords[kEmptyLineWord] == 0) {
      record->kindWords[kEmptyLineWord] = 1;
      return;
    }
    if (record->kindWords[kEmptyLineWord] == 1) {
      record->kindWords[kEmptyLineWord] = 2;
      item.insert(0, u"\r");
    } else if (!empty) {
      item.insert(0, u"\r");
    }
    Replace(gadget, kTextEnd, kTextEnd, item);
  });
  return 1;
}

int64_t EditorCountItems(int64_t gadget) {
  return IsEmpty(gadget) && GadgetIsValid(gadget)->kindWords[kEmptyLineWord] == 0 ? 0 : LineCount(gadget);
}

bool IsLine(int64_t gadget, int64_t line) { return line >= 0 && line < EditorCountItems(gadget); }

std::u16string LineText(int64_t gadget, int64_t line) {
  int64_t start = LineStart(gadget, line);
  int64_t length = static_cast<int64_t>(Send(gadget, EM_LINELENGTH, static_cast<WPARAM>(start)));
  std::u16string buffer(static_cast<size_t>(length + 2), u'\0');
  if (buffer.size() <= 0xFFFF) {
    // The buffer's first word tells the control how much room there is.
    buffer[0] = static_cast<char16_t>(buffer.size());
    LRESULT copied = Send(gadget, EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<size_t>(std::max<LRESULT>(0, copied)));
  } else {
    // A line longer than that word can say is read as a selection.
    CHARRANGE kept{};
    Send(gadget, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    WithSelectionHidden(gadget, [&] {
      Send(gadget, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
      buffer.resize(static_cast<size_t>(std::max<LRESULT>(0, Send(gadget, EM_GETSELTEXT, 0, reinterpret_cast<LPARAM>(buffer.data())))));
      Send(gadget, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&kept));
    });
  }
  if (!buffer.empty() && buffer.back() == u'\r') buffer.pop_back();
  return buffer;
}

char16_t* EditorGetItemText(int64_t gadget, int64_t line, int64_t start) {
  std::u16string text = IsLine(gadget, line) ? LineText(gadget, line) : std::u16string();
  char16_t* out = StrTempReserve(static_cast<int64_t>(text.size()), start);
  if (out == nullptr) return nullptr;
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = 0;
  return out;
}

void EditorSetItemText(int64_t gadget, int64_t line, const char16_t* text) {
  if (!IsLine(gadget, line)) return;
  int64_t start = LineStart(gadget, line);
  int64_t length = static_cast<int64_t>(Send(gadget, EM_LINELENGTH, static_cast<WPARAM>(start)));
  WithSelectionHidden(gadget, [&] { Replace(gadget, start, start + length, text ? text : u""); });
}

void EditorRemoveItem(int64_t gadget, int64_t line) {
  if (!IsLine(gadget, line)) return;
  int64_t start = LineStart(gadget, line);
  int64_t next = line + 1 < LineCount(gadget) ? LineStart(gadget, line + 1) : kTextEnd;
  WithSelectionHidden(gadget, [&] { Replace(gadget, start, next, u""); });
  if (IsEmpty(gadget)) GadgetIsValid(gadget)->kindWords[kEmptyLineWord] = 0;
}

void EditorClearItems(int64_t gadget) { EditorSetText(gadget, nullptr); }

int64_t EditorGetAttribute(int64_t gadget, int64_t attribute) {
  if (attribute == CV_Editor_ReadOnly) return (Send(gadget, EM_GETOPTIONS) & ECO_READONLY) ? 1 : 0;
  if (attribute == CV_Editor_WordWrap) return GetPropW(ControlOf(gadget), kWordWrapProperty) ? 1 : 0;
  return 0;
}

void EditorSetAttribute(int64_t gadget, int64_t attribute, int64_t value) {
  HWND control = ControlOf(gadget);
  if (attribute == CV_Editor_ReadOnly) {
    Send(gadget, EM_SETOPTIONS, value ? ECOOP_OR : ECOOP_AND, value ? ECO_READONLY : ~static_cast<LPARAM>(ECO_READONLY));
  } else if (attribute == CV_Editor_WordWrap) {
    if (value) SetPropW(control, kWordWrapProperty, reinterpret_cast<HANDLE>(1));
    else RemovePropW(control, kWordWrapProperty);
    // A target line width of 0 wraps at the window; 1 keeps each paragraph on one line.
    Send(gadget, EM_SETTARGETDEVICE, 0, value ? 0 : 1);
  }
}

void EditorSetColour(int64_t gadget, int64_t which, int64_t colour) {
  GadgetRecord* record = GadgetIsValid(gadget);
  if (which == 1) {
    record->kindWords[kFrontWord] = colour;
    CHARFORMATW format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.dwEffects = colour == -1 ? CFE_AUTOCOLOR : 0;
    format.crTextColor = static_cast<COLORREF>(colour & 0xFFFFFF);
    Send(gadget, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    Send(gadget, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  } else if (which == 2) {
    record->kindWords[kBackWord] = colour;
    Send(gadget, EM_SETBKGNDCOLOR, colour == -1 ? 1 : 0, static_cast<LPARAM>(colour & 0xFFFFFF));
  }
}

int64_t EditorGetColour(int64_t gadget, int64_t which) {
  GadgetRecord* record = GadgetIsValid(gadget);
  return which == 1 ? record->kindWords[kFrontWord] : which == 2 ? record->kindWords[kBackWord] : 0;
}

int64_t EditorGetFont(int64_t gadget) { return GadgetIsValid(gadget)->kindWords[kFontWord]; }

void EditorSetFont(int64_t gadget, int64_t font) {
  HFONT chosen = font == -1 ? static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT))
                            : reinterpret_cast<HFONT>(static_cast<uintptr_t>(font));
  GadgetIsValid(gadget)->kindWords[kFontWord] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(chosen));
  Send(gadget, WM_SETFONT, reinterpret_cast<WPARAM>(chosen), TRUE);
}

// Room for the scroll bar and two lines of text.
void EditorRequiredSize(int64_t gadget, int64_t* width, int64_t* height) {
  SIZE text = GadgetMeasureString(ControlOf(gadget), u"Hg", DT_SINGLELINE | DT_NOPREFIX);
  *width = platform::RichEditScrollBarWidth() + 2 * GetSystemMetrics(SM_CXEDGE) + 2 * text.cx;
  *height = 2 * text.cy + 2 * GetSystemMetrics(SM_CYEDGE);
}

GadgetKindTable* EditorKind() {
  static GadgetKindTable table = [] {
    GadgetKindTable kind{};
    kind.kind = GADGET_KIND_EDITOR;
    kind.size = sizeof(GadgetKindTable);
    kind.messageHandler = EditorMessage;
    kind.free = EditorFree;
    kind.getText = EditorGetText;
    kind.setText = EditorSetText;
    kind.addItem = EditorAddItem;
    kind.removeItem = EditorRemoveItem;
    kind.clearItems = EditorClearItems;
    kind.countItems = EditorCountItems;
    kind.getItemText = EditorGetItemText;
    kind.setItemText = EditorSetItemText;
    kind.getAttribute = EditorGetAttribute;
    kind.setAttribute = EditorSetAttribute;
    kind.setColor = EditorSetColour;
    kind.getColor = EditorGetColour;
    kind.getFont = EditorGetFont;
    kind.setFont = EditorSetFont;
    kind.requiredSize = EditorRequiredSize;
    return kind;
  }();
  return &table;
}

}  // namespace

int64_t GadgetEditorCreate(int64_t gadget, int64_t x, int64_t y, int64_t width, int64_t height, int64_t flags) {
  GadgetKindTable* kind = EditorKind();
  EventSuppressChanges();
  DWORD style = static_cast<DWORD>(flags) | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | ES_MULTILINE |
                ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | ES_WANTRETURN;
  DWORD exStyle = GadgetVisualStyles() ? 0 : WS_EX_CLIENTEDGE;
  HWND control;
  GadgetRecord* record = GadgetCreateControl(gadget, exStyle, RICHEDIT_CLASSW, u"", style, x, y, width, height, &control);
  int64_t result = 0;
  if (record != nullptr) {
    record->kindWords[kEmptyLineWord] = 0;
    record->kindWords[kBackWord] = record->kindWords[kFrontWord] = -1;
    record->kindWords[kFontWord] = static_cast<int64_t>(reinterpret_cast<uintptr_t>(g_gadgetState->currentFont));
    SendMessageW(control, EM_EXLIMITTEXT, 0, 0);
    SendMessageW(control, EM_SETEVENTMASK, 0, ENM_CHANGE);
    result = GadgetRegister(gadget, record, control, kind);
    if (flags & CV_Editor_WordWrap) EditorSetAttribute(gadget == CV_Any ? result : gadget, CV_Editor_WordWrap, 1);
  }
  EventAllowChanges();
  return result;
}
