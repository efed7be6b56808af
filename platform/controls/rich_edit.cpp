// The multi-line "RichEdit20W" control: a text of paragraphs laid out in visual lines (wrapped
// at the window width or not at all), scrolled by its own vertical scroll bar, the wheel and the
// keys, with a caret and a selection moved by mouse and keys, the clipboard keys, read-only
// mode, one background and one text colour. The layout keeps the start of every visual line;
// an edit lays out again only the paragraphs it touched, so long texts stay quick to type in.
#include "rich_edit.h"

#include <algorithm>
#include <string>
#include <vector>

#include "backend.h"
#include "text.h"

namespace {

using platform::NotifyParent;

constexpr int kMargin = 2;        // pixels between the frame and the text
constexpr int kWheelLines = 3;    // lines one wheel notch scrolls
constexpr char16_t kBreak = u'\r';
constexpr char16_t kCopy = 0x03, kCut = 0x18, kPaste = 0x16, kSelectAll = 0x01;

struct RichState {
  std::u16string text;             // paragraphs separated by one CR
  std::vector<size_t> lines{0};    // start of each visual line; never empty
  std::vector<int16_t> widths;     // character widths in the current font, -1 = not measured
  HFONT widthsFont = nullptr;
  int lineHeight = 0;
  size_t anchor = 0, caret = 0;
  size_t firstLine = 0;            // the visual line at the top
  int scrollX = 0;                 // pixels scrolled to the left when lines do not wrap
  int goalX = -1;                  // the x that Up and Down keep, -1 = the caret's own
  bool wrap = false;
  int wrapWidth = 0;               // the width the layout was made for
  size_t limit = 0x7FFFFFFE;
  DWORD eventMask = 0;
  COLORREF background = CLR_INVALID_COLOUR;
  COLORREF textColour = CLR_INVALID_COLOUR;
  bool hideSelection = false;
  bool tracking = false;           // the left button drags the selection
  bool thumbTracking = false;      // the left button drags the scroll bar's thumb
  int thumbGrab = 0;
  static constexpr COLORREF CLR_INVALID_COLOUR = 0xFFFFFFFF;
};

DWORD StyleOf(HWND edit) { return static_cast<DWORD>(GetWindowLongPtrW(edit, GWL_STYLE)); }
bool CanEdit(HWND edit) { return !(StyleOf(edit) & ES_READONLY); }
bool HasBar(HWND edit) { return StyleOf(edit) & WS_VSCROLL; }
size_t SelStart(const RichState& s) { return std::min(s.anchor, s.caret); }
size_t SelEnd(const RichState& s) { return std::max(s.anchor, s.caret); }

HFONT FontOf(HWND edit) {
  auto font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
  return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

RECT ClientOf(HWND edit) {
  RECT client;
  GetClientRect(edit, &client);
  return client;
}

// The rectangle the text is laid out in: inside the frame, left of the scroll bar.
RECT TextArea(HWND edit) {
  RECT r = ClientOf(edit);
  r.left += kMargin;
  r.top += kMargin;
  r.right -= kMargin + (HasBar(edit) ? platform::RichEditScrollBarWidth() : 0);
  r.bottom -= kMargin;
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Measures characters once per font: the layout asks for millions of widths on long texts.
void MeasureFont(HWND edit, RichState& s) {
  HFONT font = FontOf(edit);
  if (font == s.widthsFont && !s.widths.empty()) return;
  s.widthsFont = font;
  s.widths.assign(0x10000, -1);
  HDC dc = GetDC(edit);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32W(dc, u"Hg", 2, &size);
  s.lineHeight = std::max<int>(1, size.cy);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
}

int CharWidth(HWND edit, RichState& s, size_t at) {
  char16_t unit = s.text[at];
  if (unit == kBreak || (unit >= 0xDC00 && unit <= 0xDFFF)) return 0;  // a pair is measured at its first half
  if (unit == u'\t') unit = u' ';
  bool pair = unit >= 0xD800 && unit <= 0xDBFF && at + 1 < s.text.size();
  int16_t& cached = s.widths[unit];
  if (cached >= 0 && !pair) return s.text[at] == u'\t' ? cached * 4 : cached;
  HDC dc = GetDC(edit);
  HGDIOBJ old = SelectObject(dc, s.widthsFont);
  SIZE size{};
  GetTextExtentPoint32W(dc, s.text.data() + at, pair ? 2 : 1, &size);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  if (pair) return size.cx;
  cached = static_cast<int16_t>(std::clamp<LONG>(size.cx, 0, 0x7FFF));
  return s.text[at] == u'\t' ? cached * 4 : cached;
}

size_t ParagraphEnd(const RichState& s, size_t from) {
  size_t end = s.text.find(kBreak, from);
  return end == std::u16string::npos ? s.text.size() : end;
}

size_t ParagraphStart(const RichState& s, size_t at) {
  if (at == 0) return 0;
  size_t before = s.text.rfind(kBreak, at - 1);
  return before == std::u16string::npos ? 0 : before + 1;
}

// Lays out the paragraphs from `from` up to and including the one that ends at or after `to`,
// appending their line starts. Words move to the next line whole; a word longer than the line
// is cut; spaces at a break hang past the edge.
void WrapRange(HWND edit, RichState& s, size_t from, size_t to, std::vector<size_t>& out) {
  size_t start = from;
  while (true) {
    size_t end = ParagraphEnd(s, start);
    out.push_back(start);
    if (s.wrap && s.wrapWidth > 0) {
      size_t lineStart = start, lastBreak = std::u16string::npos;
      int x = 0;
      for (size_t i = start; i < end; ++i) {
        char16_t unit = s.text[i];
        int w = CharWidth(edit, s, i);
        if (unit != u' ' && x + w > s.wrapWidth && i > lineStart) {
          size_t breakAt = lastBreak != std::u16string::npos && lastBreak > lineStart ? lastBreak : i;
          if (breakAt > lineStart && s.text[breakAt] >= 0xDC00 && s.text[breakAt] <= 0xDFFF) --breakAt;
          out.push_back(breakAt);
          lineStart = breakAt;
          lastBreak = std::u16string::npos;
          x = 0;
          for (size_t j = breakAt; j < i; ++j) x += CharWidth(edit, s, j);
        }
        x += w;
        if (unit == u' ' || unit == u'\t' || unit == u'-') lastBreak = i + 1;
      }
    }
    if (end >= s.text.size() || end >= to) break;
    start = end + 1;
  }
}

void LayoutAll(HWND edit, RichState& s) {
  MeasureFont(edit, s);
  RECT area = TextArea(edit);
  s.wrapWidth = area.right - area.left;
  s.lines.clear();
  WrapRange(edit, s, 0, s.text.size(), s.lines);
}

size_t LineOf(const RichState& s, size_t at) {
  auto it = std::upper_bound(s.lines.begin(), s.lines.end(), at);
  return static_cast<size_t>(it - s.lines.begin()) - 1;
}

size_t LineEnd(const RichState& s, size_t line) {
  if (line + 1 < s.lines.size()) {
    size_t next = s.lines[line + 1];
    return next > 0 && s.text[next - 1] == kBreak ? next - 1 : next;
  }
  return s.text.size();
}

int VisibleLines(HWND edit, const RichState& s) {
  RECT area = TextArea(edit);
  return std::max(1, static_cast<int>(area.bottom - area.top) / std::max(1, s.lineHeight));
}

size_t MaxFirstLine(HWND edit, const RichState& s) {
  size_t visible = static_cast<size_t>(VisibleLines(edit, s));
  return s.lines.size() > visible ? s.lines.size() - visible : 0;
}

void Notify(HWND edit, const RichState& s, WORD code, DWORD mask) {
  if (s.eventMask & mask) NotifyParent(edit, code);
}

void ScrollTo(HWND edit, RichState& s, long long line) {
  size_t target = static_cast<size_t>(std::clamp<long long>(line, 0, static_cast<long long>(MaxFirstLine(edit, s))));
  if (target == s.firstLine) return;
  s.firstLine = target;
  InvalidateRect(edit, nullptr, FALSE);
}

int XInLine(HWND edit, RichState& s, size_t line, size_t at) {
  int x = 0;
  for (size_t i = s.lines[line]; i < at && i < s.text.size(); ++i) x += CharWidth(edit, s, i);
  return x;
}

// The character boundary of a line nearest to x (in layout coordinates).
size_t PositionInLine(HWND edit, RichState& s, size_t line, int x) {
  size_t end = LineEnd(s, line);
  int left = 0;
  for (size_t i = s.lines[line]; i < end; ++i) {
    int w = CharWidth(edit, s, i);
    if (w == 0) continue;
    if (x < left + w / 2) return i;
    left += w;
  }
  return end;
}

void ScrollToCaret(HWND edit, RichState& s) {
  size_t line = LineOf(s, s.caret);
  size_t visible = static_cast<size_t>(VisibleLines(edit, s));
  if (line < s.firstLine) ScrollTo(edit, s, static_cast<long long>(line));
  else if (line >= s.firstLine + visible) ScrollTo(edit, s, static_cast<long long>(line + 1 - visible));
  if (!s.wrap) {
    RECT area = TextArea(edit);
    int x = XInLine(edit, s, line, s.caret), width = area.right - area.left;
    int scroll = s.scrollX;
    if (x < scroll) scroll = std::max(0, x - width / 3);
    else if (x >= scroll + width) scroll = x - width + width / 3;
    if (scroll != s.scrollX) {
      s.scrollX = scroll;
      InvalidateRect(edit, nullptr, FALSE);
    }
  }
}

void Select(HWND edit, RichState& s, size_t anchor, size_t caret, bool keepGoal = false) {
  s.anchor = std::min(anchor, s.text.size());
  s.caret = std::min(caret, s.text.size());
  if (!keepGoal) s.goalX = -1;
  ScrollToCaret(edit, s);
  InvalidateRect(edit, nullptr, FALSE);
}

// Line breaks of any kind become the control's single CR.
std::u16string Normalised(const char16_t* text, size_t count) {
  std::u16string out;
  out.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    if (text[i] == u'\r') {
      out.push_back(kBreak);
      if (i + 1 < count && text[i + 1] == u'\n') ++i;
    } else if (text[i] == u'\n') {
      out.push_back(kBreak);
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

// Replaces [start, end) with `insert` and lays out again only the paragraphs it touched.
void Replace(HWND edit, RichState& s, size_t start, size_t end, std::u16string insert, bool notify) {
  size_t room = s.limit - std::min(s.limit, s.text.size() - (end - start));
  if (insert.size() > room) insert.resize(room);
  if (insert.empty() && start == end) return;
  MeasureFont(edit, s);
  size_t paragraph = ParagraphStart(s, start);
  size_t oldEnd = ParagraphEnd(s, end);
  size_t firstLine = LineOf(s, paragraph);
  size_t lastLine = LineOf(s, oldEnd);  // the last line of the paragraph holding `end`
  s.text.replace(start, end - start, insert);
  long long delta = static_cast<long long>(insert.size()) - static_cast<long long>(end - start);
  std::vector<size_t> fresh;
  WrapRange(edit, s, paragraph, static_cast<size_t>(static_cast<long long>(oldEnd) + delta), fresh);
  for (size_t i = lastLine + 1; i < s.lines.size(); ++i) s.lines[i] = static_cast<size_t>(static_cast<long long>(s.lines[i]) + delta);
  s.lines.erase(s.lines.begin() + static_cast<ptrdiff_t>(firstLine), s.lines.begin() + static_cast<ptrdiff_t>(lastLine + 1));
  s.lines.insert(s.lines.begin() + static_cast<ptrdiff_t>(firstLine), fresh.begin(), fresh.end());
  s.firstLine = std::min(s.firstLine, MaxFirstLine(edit, s));
  Select(edit, s, start + insert.size(), start + insert.size());
  if (notify) {
    Notify(edit, s, EN_UPDATE, ENM_UPDATE);
    Notify(edit, s, EN_CHANGE, ENM_CHANGE);
  }
}

void ReplaceSelection(HWND edit, RichState& s, const std::u16string& insert, bool notify) {
  Replace(edit, s, SelStart(s), SelEnd(s), insert, notify);
}

void SetWholeText(HWND edit, RichState& s, const char16_t* text) {
  s.text = text ? Normalised(text, std::char_traits<char16_t>::length(text)) : std::u16string();
  if (s.text.size() > s.limit) s.text.resize(s.limit);
  s.anchor = s.caret = 0;
  s.firstLine = 0;
  s.scrollX = 0;
  s.goalX = -1;
  LayoutAll(edit, s);
  InvalidateRect(edit, nullptr, FALSE);
}

// The text with CR LF line ends, as programs read it.
std::u16string Exported(const RichState& s, size_t from, size_t to) {
  std::u16string out;
  out.reserve(to - from);
  for (size_t i = from; i < to; ++i) {
    if (s.text[i] == kBreak) out += u"\r\n";
    else out.push_back(s.text[i]);
  }
  return out;
}

void ClipboardKey(HWND edit, RichState& s, char16_t unit) {
  size_t start = SelStart(s), end = SelEnd(s);
  if ((unit == kCopy || unit == kCut) && end > start) {
    platform::Display().ClipboardSetText(Exported(s, start, end));
    if (unit == kCut && CanEdit(edit)) ReplaceSelection(edit, s, std::u16string(), true);
  } else if (unit == kPaste && CanEdit(edit)) {
    std::u16string text;
    if (platform::Display().ClipboardGetText(&text)) ReplaceSelection(edit, s, Normalised(text.data(), text.size()), true);
  }
}

void TypeCharacter(HWND edit, RichState& s, char16_t unit) {
  if (unit == kCopy || unit == kCut || unit == kPaste) return ClipboardKey(edit, s, unit);
  if (unit == kSelectAll) return Select(edit, s, 0, s.text.size());
  if (!CanEdit(edit)) return;
  if (unit == VK_BACK) {
    if (s.anchor == s.caret) {
      if (s.caret == 0) return;
      s.anchor = s.caret - 1;
      if (s.anchor > 0 && s.text[s.anchor] >= 0xDC00 && s.text[s.anchor] <= 0xDFFF) --s.anchor;
    }
    return ReplaceSelection(edit, s, std::u16string(), true);
  }
  if (unit == u'\r' || unit == u'\n') return ReplaceSelection(edit, s, std::u16string(1, kBreak), true);
  if ((unit < 0x20 && unit != u'\t') || unit == 0x7F) return;
  ReplaceSelection(edit, s, std::u16string(1, unit), true);
}

size_t WordStart(const RichState& s, size_t at) {
  while (at > 0 && s.text[at - 1] != u' ' && s.text[at - 1] != kBreak) --at;
  return at;
}
size_t WordEnd(const RichState& s, size_t at) {
  while (at < s.text.size() && s.text[at] != u' ' && s.text[at] != kBreak) ++at;
  return at;
}

// Cursor and editing keys; Shift extends the selection, Ctrl moves by word or to the ends.
bool KeyDown(HWND edit, RichState& s, WPARAM key) {
  bool extend = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0;
  size_t caret = s.caret, line = LineOf(s, s.caret);
  bool vertical = false;
  auto toLine = [&](long long target) {
    size_t to = static_cast<size_t>(std::clamp<long long>(target, 0, static_cast<long long>(s.lines.size()) - 1));
    if (s.goalX < 0) s.goalX = XInLine(edit, s, line, s.caret);
    caret = PositionInLine(edit, s, to, s.goalX);
    vertical = true;
  };
  long long page = VisibleLines(edit, s);
  switch (key) {
    case VK_LEFT:
      if (!extend && s.anchor != s.caret) caret = SelStart(s);
      else if (caret > 0) caret = control ? WordStart(s, caret - 1) : caret - 1;
      break;
    case VK_RIGHT:
      if (!extend && s.anchor != s.caret) caret = SelEnd(s);
      else if (caret < s.text.size()) caret = control ? WordEnd(s, caret + 1) : caret + 1;
      break;
    case VK_UP: toLine(static_cast<long long>(line) - 1); break;
    case VK_DOWN: toLine(static_cast<long long>(line) + 1); break;
    case VK_PRIOR:
      ScrollTo(edit, s, static_cast<long long>(s.firstLine) - page);
      toLine(static_cast<long long>(line) - page);
      break;
    case VK_NEXT:
      ScrollTo(edit, s, static_cast<long long>(s.firstLine) + page);
      toLine(static_cast<long long>(line) + page);
      break;
    case VK_HOME: caret = control ? 0 : s.lines[line]; break;
    case VK_END: caret = control ? s.text.size() : LineEnd(s, line); break;
    case VK_DELETE:
      if (!CanEdit(edit)) return true;
      if (s.anchor == s.caret) {
        if (s.caret >= s.text.size()) return true;
        s.anchor = s.caret + 1;
      }
      ReplaceSelection(edit, s, std::u16string(), true);
      return true;
    default: return false;
  }
  Select(edit, s, extend ? s.anchor : caret, caret, vertical);
  return true;
}

// ---- the scroll bar the control draws at its right edge ----

struct BarParts {
  RECT bar, up, down, thumb;
  bool active;  // the text is longer than the window
};

BarParts Bar(HWND edit, const RichState& s) {
  RECT client = ClientOf(edit);
  int width = platform::RichEditScrollBarWidth();
  BarParts parts{};
  parts.bar = RECT{client.right - width, client.top, client.right, client.bottom};
  int arrow = std::min(width, static_cast<int>(client.bottom - client.top) / 2);
  parts.up = RECT{parts.bar.left, client.top, client.right, client.top + arrow};
  parts.down = RECT{parts.bar.left, client.bottom - arrow, client.right, client.bottom};
  size_t visible = static_cast<size_t>(VisibleLines(edit, s));
  parts.active = s.lines.size() > visible;
  int track = std::max(0, static_cast<int>(parts.down.top - parts.up.bottom));
  if (parts.active && track > 0) {
    int length = std::max(8, static_cast<int>(static_cast<long long>(track) * static_cast<long long>(visible) /
                                                static_cast<long long>(s.lines.size())));
    length = std::min(length, track);
    size_t range = MaxFirstLine(edit, s);
    int top = parts.up.bottom + static_cast<int>(static_cast<long long>(track - length) *
                                                 static_cast<long long>(s.firstLine) /
                                                 static_cast<long long>(std::max<size_t>(1, range)));
    parts.thumb = RECT{parts.bar.left + 1, top, parts.bar.right - 1, top + length};
  }
  return parts;
}

void PaintBar(HDC dc, const BarParts& parts) {
  platform::Fill(dc, parts.bar.left, parts.bar.top, parts.bar.right, parts.bar.bottom, COLOR_SCROLLBAR);
  for (const RECT& arrow : {parts.up, parts.down}) {
    platform::Fill(dc, arrow.left, arrow.top, arrow.right, arrow.bottom, COLOR_BTNFACE);
    platform::Frame(dc, arrow, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
    // A small triangle pointing away from the track.
    bool up = arrow.top == parts.up.top && arrow.bottom == parts.up.bottom;
    int cx = (arrow.left + arrow.right) / 2, cy = (arrow.top + arrow.bottom) / 2;
    HBRUSH ink = GetSysColorBrush(parts.active ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    for (int row = 0; row < 4; ++row) {
      int y = up ? cy - 2 + row : cy + 1 - row;
      RECT span{cx - row, y, cx + row + 1, y + 1};
      FillRect(dc, &span, ink);
    }
  }
  if (parts.active) {
    platform::Fill(dc, parts.thumb.left, parts.thumb.top, parts.thumb.right, parts.thumb.bottom, COLOR_BTNFACE);
    platform::Frame(dc, parts.thumb, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW);
  }
}

void VerticalScroll(HWND edit, RichState& s, int code, int position) {
  long long first = static_cast<long long>(s.firstLine), page = VisibleLines(edit, s);
  switch (code) {
    case SB_LINEUP: ScrollTo(edit, s, first - 1); break;
    case SB_LINEDOWN: ScrollTo(edit, s, first + 1); break;
    case SB_PAGEUP: ScrollTo(edit, s, first - page); break;
    case SB_PAGEDOWN: ScrollTo(edit, s, first + page); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: ScrollTo(edit, s, position); break;
    case SB_TOP: ScrollTo(edit, s, 0); break;
    case SB_BOTTOM: ScrollTo(edit, s, static_cast<long long>(s.lines.size())); break;
    default: return;
  }
  Notify(edit, s, EN_VSCROLL, ENM_SCROLL);
}

// The thumb's top at `y` as a first visible line.
long long LineAtThumb(HWND edit, const RichState& s, int y) {
  BarParts parts = Bar(edit, s);
  int track = parts.down.top - parts.up.bottom, length = parts.thumb.bottom - parts.thumb.top;
  if (track <= length) return 0;
  return static_cast<long long>(y - parts.up.bottom) * static_cast<long long>(MaxFirstLine(edit, s)) / (track - length);
}

bool BarClick(HWND edit, RichState& s, POINT at) {
  if (!HasBar(edit)) return false;
  BarParts parts = Bar(edit, s);
  if (!PtInRect(&parts.bar, at)) return false;
  if (!parts.active) return true;
  if (PtInRect(&parts.up, at)) VerticalScroll(edit, s, SB_LINEUP, 0);
  else if (PtInRect(&parts.down, at)) VerticalScroll(edit, s, SB_LINEDOWN, 0);
  else if (at.y < parts.thumb.top) VerticalScroll(edit, s, SB_PAGEUP, 0);
  else if (at.y >= parts.thumb.bottom) VerticalScroll(edit, s, SB_PAGEDOWN, 0);
  else {
    s.thumbTracking = true;
    s.thumbGrab = at.y - parts.thumb.top;
    SetCapture(edit);
  }
  return true;
}

// The character at a client point; lines above or below the window scroll into view.
size_t PositionAt(HWND edit, RichState& s, POINT at) {
  RECT area = TextArea(edit);
  long long row = at.y < area.top ? -1 : (at.y - area.top) / std::max(1, s.lineHeight);
  long long line = std::clamp<long long>(static_cast<long long>(s.firstLine) + row, 0,
                                         static_cast<long long>(s.lines.size()) - 1);
  return PositionInLine(edit, s, static_cast<size_t>(line), at.x - area.left + s.scrollX);
}

void Paint(HWND edit, RichState& s) {
  PAINTSTRUCT paint;
  HGDIOBJ oldFont;
  HDC dc = platform::BeginControlPaint(edit, &paint, &oldFont);
  if (dc == nullptr) return;
  MeasureFont(edit, s);
  RECT client = ClientOf(edit);
  COLORREF back = s.background == RichState::CLR_INVALID_COLOUR ? GetSysColor(COLOR_WINDOW) : s.background;
  HBRUSH backBrush = CreateSolidBrush(back);
  FillRect(dc, &client, backBrush);
  DeleteObject(backBrush);
  bool enabled = IsWindowEnabled(edit);
  COLORREF ink = !enabled ? GetSysColor(COLOR_GRAYTEXT)
                          : s.textColour == RichState::CLR_INVALID_COLOUR ? GetSysColor(COLOR_WINDOWTEXT) : s.textColour;
  RECT area = TextArea(edit);
  SetBkMode(dc, TRANSPARENT);
  bool focused = GetFocus() == edit;
  bool showSelection = !s.hideSelection && (focused || (StyleOf(edit) & ES_NOHIDESEL));
  size_t selStart = SelStart(s), selEnd = SelEnd(s);
  int visible = VisibleLines(edit, s) + 1;
  std::u16string shown;
  for (int row = 0; row < visible; ++row) {
    size_t line = s.firstLine + static_cast<size_t>(row);
    if (line >= s.lines.size()) break;
    size_t from = s.lines[line], to = LineEnd(s, line);
    int top = area.top + row * s.lineHeight;
    if (top >= area.bottom) break;
    int x = area.left - s.scrollX;
    if (showSelection && selStart < selEnd && selStart <= to && selEnd > from) {
      size_t a = std::max(selStart, from), b = std::min(selEnd, to);
      int left = x + XInLine(edit, s, line, a), right = x + XInLine(edit, s, line, b);
      if (selEnd > to) right += 4;  // the line break is selected too
      RECT band{std::max<LONG>(left, area.left), top, std::min<LONG>(right, area.right),
                std::min<LONG>(top + s.lineHeight, area.bottom)};
      FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    // Drawn in runs of selected and unselected characters, tabs as their width of blank.
    size_t i = from;
    while (i < to) {
      bool selected = showSelection && i >= selStart && i < selEnd;
      size_t j = i;
      while (j < to && (showSelection && j >= selStart && j < selEnd) == selected && s.text[j] != u'\t') ++j;
      // Characters scrolled out at the left are left out; the rectangle clips the right and
      // the bottom.
      size_t first = i;
      int left = x + XInLine(edit, s, line, i);
      while (first < j && left < area.left) left += CharWidth(edit, s, first++);
      if (j > first && left < area.right) {
        shown.assign(s.text, first, j - first);
        SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ink);
        RECT box{left, top, area.right, std::min<LONG>(top + s.lineHeight, area.bottom)};
        DrawTextW(dc, shown.c_str(), static_cast<int>(shown.size()), &box, DT_NOPREFIX | DT_SINGLELINE);
      }
      if (j < to && s.text[j] == u'\t') ++j;
      i = j;
    }
    if (focused && selStart == selEnd && s.caret >= from && s.caret <= to && LineOf(s, s.caret) == line) {
      int cx = x + XInLine(edit, s, line, s.caret);
      RECT caret{cx, top, cx + 1, std::min<LONG>(top + s.lineHeight, area.bottom)};
      HBRUSH caretBrush = CreateSolidBrush(ink);
      FillRect(dc, &caret, caretBrush);
      DeleteObject(caretBrush);
    }
  }
  if (HasBar(edit)) PaintBar(dc, Bar(edit, s));
  RECT frame{client.left, client.top, client.right, client.bottom};
  platform::Frame(dc, frame, COLOR_BTNSHADOW, COLOR_BTNSHADOW);
  platform::EndControlPaint(edit, &paint, oldFont);
}

void Created(RichState& s, const CREATESTRUCTW* create) {
  if (create && create->lpszName) s.text = Normalised(create->lpszName, std::char_traits<char16_t>::length(create->lpszName));
  s.wrap = create && !(create->style & (WS_HSCROLL | ES_AUTOHSCROLL));
}

LRESULT Message(HWND edit, RichState& s, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: LayoutAll(edit, s); break;
    case WM_GETDLGCODE: return DLGC_WANTCHARS | DLGC_WANTARROWS | DLGC_HASSETSEL;
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(s.text.size() + static_cast<size_t>(std::count(s.text.begin(), s.text.end(), kBreak)));
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<char16_t*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      std::u16string text = Exported(s, 0, s.text.size());
      size_t count = std::min(text.size(), static_cast<size_t>(wParam) - 1);
      std::copy_n(text.data(), count, out);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case WM_SETTEXT:
      SetWholeText(edit, s, reinterpret_cast<const char16_t*>(lParam));
      Notify(edit, s, EN_UPDATE, ENM_UPDATE);
      Notify(edit, s, EN_CHANGE, ENM_CHANGE);
      return TRUE;
    case WM_CHAR: TypeCharacter(edit, s, static_cast<char16_t>(wParam)); return 0;
    case WM_KEYDOWN:
      if (KeyDown(edit, s, wParam)) return 0;
      break;
    case WM_MOUSEWHEEL: {
      int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      ScrollTo(edit, s, static_cast<long long>(s.firstLine) - static_cast<long long>(notches) * kWheelLines);
      return 0;
    }
    case WM_VSCROLL: VerticalScroll(edit, s, LOWORD(wParam), static_cast<short>(HIWORD(wParam))); return 0;
    case WM_HSCROLL: {
      RECT area = TextArea(edit);
      int page = area.right - area.left, step = std::max(1, s.lineHeight);
      int code = LOWORD(wParam);
      int scroll = code == SB_LINELEFT ? s.scrollX - step : code == SB_LINERIGHT ? s.scrollX + step
                   : code == SB_PAGELEFT ? s.scrollX - page : code == SB_PAGERIGHT ? s.scrollX + page
                   : code == SB_LEFT ? 0 : s.scrollX;
      if (!s.wrap) s.scrollX = std::max(0, scroll);
      InvalidateRect(edit, nullptr, FALSE);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != edit) SetFocus(edit);
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (BarClick(edit, s, at)) return 0;
      size_t position = PositionAt(edit, s, at);
      if (message == WM_LBUTTONDBLCLK) {
        Select(edit, s, WordStart(s, position), WordEnd(s, position));
        return 0;
      }
      Select(edit, s, (wParam & MK_SHIFT) ? s.anchor : position, position);
      s.tracking = true;
      SetCapture(edit);
      return 0;
    }
    case WM_MOUSEMOVE: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      if (s.thumbTracking) VerticalScroll(edit, s, SB_THUMBTRACK, static_cast<int>(LineAtThumb(edit, s, at.y - s.thumbGrab)));
      else if (s.tracking) Select(edit, s, s.anchor, PositionAt(edit, s, at));
      return 0;
    }
    case WM_LBUTTONUP:
      if ((s.tracking || s.thumbTracking) && GetCapture() == edit) ReleaseCapture();
      s.tracking = s.thumbTracking = false;
      return 0;
    case WM_CAPTURECHANGED: s.tracking = s.thumbTracking = false; return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateRect(edit, nullptr, FALSE);
      NotifyParent(edit, message == WM_SETFOCUS ? EN_SETFOCUS : EN_KILLFOCUS);
      return 0;
    case WM_SIZE: {
      RECT area = TextArea(edit);
      if (s.wrap && area.right - area.left != s.wrapWidth) LayoutAll(edit, s);
      s.firstLine = std::min(s.firstLine, MaxFirstLine(edit, s));
      InvalidateRect(edit, nullptr, FALSE);
      break;
    }
    case WM_SETFONT: {
      LRESULT result = DefWindowProcW(edit, message, wParam, lParam);
      LayoutAll(edit, s);
      s.firstLine = std::min(s.firstLine, MaxFirstLine(edit, s));
      InvalidateRect(edit, nullptr, FALSE);
      return result;
    }
    case WM_ENABLE: InvalidateRect(edit, nullptr, FALSE); break;
    case EM_GETSEL: {
      auto start = static_cast<DWORD>(SelStart(s)), end = static_cast<DWORD>(SelEnd(s));
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
      return static_cast<LRESULT>(MAKELONG(std::min<DWORD>(start, 0xFFFF), std::min<DWORD>(end, 0xFFFF)));
    }
    case EM_EXGETSEL: {
      if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
        range->cpMin = static_cast<LONG>(SelStart(s));
        range->cpMax = static_cast<LONG>(SelEnd(s));
      }
      return 0;
    }
    case EM_SETSEL:
    case EM_EXSETSEL: {
      long long start = static_cast<int32_t>(wParam), end = static_cast<int32_t>(lParam);
      if (message == EM_EXSETSEL) {
        auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (range == nullptr) return 0;
        start = range->cpMin;
        end = range->cpMax;
      }
      if (start == -1) {
        Select(edit, s, s.caret, s.caret);
        return static_cast<LRESULT>(s.caret);
      }
      size_t size = s.text.size();
      size_t from = std::min<size_t>(static_cast<size_t>(std::max<long long>(start, 0)), size);
      size_t to = end < 0 ? size : std::min<size_t>(static_cast<size_t>(end), size);
      Select(edit, s, from, to);
      return static_cast<LRESULT>(SelEnd(s));
    }
    case EM_REPLACESEL: {
      auto* text = reinterpret_cast<const char16_t*>(lParam);
      ReplaceSelection(edit, s, text ? Normalised(text, std::char_traits<char16_t>::length(text)) : std::u16string(), true);
      return 0;
    }
    case EM_GETLINECOUNT: return static_cast<LRESULT>(s.lines.size());
    case EM_LINEINDEX: {
      long long line = static_cast<int32_t>(wParam);
      if (line < 0) line = static_cast<long long>(LineOf(s, s.caret));
      return line < static_cast<long long>(s.lines.size()) ? static_cast<LRESULT>(s.lines[static_cast<size_t>(line)]) : -1;
    }
    case EM_LINELENGTH: {
      long long at = static_cast<int32_t>(wParam);
      size_t line = at < 0 ? LineOf(s, s.caret) : LineOf(s, std::min<size_t>(static_cast<size_t>(at), s.text.size()));
      return static_cast<LRESULT>(LineEnd(s, line) - s.lines[line]);
    }
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
      long long at = static_cast<int32_t>(message == EM_EXLINEFROMCHAR ? lParam : static_cast<LPARAM>(wParam));
      return static_cast<LRESULT>(LineOf(s, at < 0 ? s.caret : std::min<size_t>(static_cast<size_t>(at), s.text.size())));
    }
    case EM_GETLINE: {
      // The buffer's first word holds its size in characters; the line comes back with its CR.
      auto* out = reinterpret_cast<char16_t*>(lParam);
      size_t line = static_cast<size_t>(wParam);
      if (out == nullptr || line >= s.lines.size()) return 0;
      size_t room = out[0];
      size_t from = s.lines[line], to = line + 1 < s.lines.size() ? s.lines[line + 1] : s.text.size();
      size_t count = std::min(room, to - from);
      std::copy_n(s.text.data() + from, count, out);
      return static_cast<LRESULT>(count);
    }
    case EM_GETSELTEXT: {
      auto* out = reinterpret_cast<char16_t*>(lParam);
      if (out == nullptr) return 0;
      size_t count = SelEnd(s) - SelStart(s);
      std::copy_n(s.text.data() + SelStart(s), count, out);
      out[count] = 0;
      return static_cast<LRESULT>(count);
    }
    case EM_GETFIRSTVISIBLELINE: return static_cast<LRESULT>(s.firstLine);
    case EM_LINESCROLL: ScrollTo(edit, s, static_cast<long long>(s.firstLine) + static_cast<int32_t>(lParam)); return TRUE;
    case EM_SCROLL: {
      size_t before = s.firstLine;
      VerticalScroll(edit, s, static_cast<int>(wParam), 0);
      return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(s.firstLine - before), 1));
    }
    case EM_SCROLLCARET: ScrollToCaret(edit, s); return 0;
    case EM_EXLIMITTEXT:
    case EM_SETLIMITTEXT:
      s.limit = lParam <= 0 ? 0x7FFFFFFE : static_cast<size_t>(lParam);
      if (message == EM_SETLIMITTEXT) s.limit = wParam == 0 ? 0x7FFFFFFE : static_cast<size_t>(wParam);
      return 0;
    case EM_GETLIMITTEXT: return static_cast<LRESULT>(s.limit);
    case EM_SETEVENTMASK: {
      DWORD previous = s.eventMask;
      s.eventMask = static_cast<DWORD>(lParam);
      return previous;
    }
    case EM_GETEVENTMASK: return s.eventMask;
    case EM_SETREADONLY: {
      LONG_PTR style = GetWindowLongPtrW(edit, GWL_STYLE);
      SetWindowLongPtrW(edit, GWL_STYLE, wParam ? style | ES_READONLY : style & ~static_cast<LONG_PTR>(ES_READONLY));
      InvalidateRect(edit, nullptr, FALSE);
      return TRUE;
    }
    case EM_GETOPTIONS: return (StyleOf(edit) & ES_READONLY) ? ECO_READONLY : 0;
    case EM_SETOPTIONS: {
      DWORD options = static_cast<DWORD>(lParam) & ECO_READONLY, now = (StyleOf(edit) & ES_READONLY) ? ECO_READONLY : 0;
      DWORD result = wParam == ECOOP_SET ? options : wParam == ECOOP_OR ? now | options
                     : wParam == ECOOP_AND ? now & options : wParam == ECOOP_XOR ? now ^ options : now;
      SendMessageW(edit, EM_SETREADONLY, result != 0, 0);
      return result;
    }
    case EM_SETBKGNDCOLOR: {
      COLORREF previous = s.background == RichState::CLR_INVALID_COLOUR ? GetSysColor(COLOR_WINDOW) : s.background;
      s.background = wParam ? RichState::CLR_INVALID_COLOUR : static_cast<COLORREF>(lParam);
      InvalidateRect(edit, nullptr, FALSE);
      return previous;
    }
    case EM_SETCHARFORMAT: {
      auto* format = reinterpret_cast<const CHARFORMATW*>(lParam);
      if (format == nullptr || format->cbSize < sizeof(CHARFORMATW)) return 0;
      if (format->dwMask & CFM_COLOR) {
        s.textColour = (format->dwEffects & CFE_AUTOCOLOR) ? RichState::CLR_INVALID_COLOUR : format->crTextColor;
      }
      InvalidateRect(edit, nullptr, FALSE);
      return 1;
    }
    case EM_GETCHARFORMAT: {
      auto* format = reinterpret_cast<CHARFORMATW*>(lParam);
      if (format == nullptr || format->cbSize < sizeof(CHARFORMATW)) return 0;
      format->dwMask = CFM_COLOR;
      format->dwEffects = s.textColour == RichState::CLR_INVALID_COLOUR ? CFE_AUTOCOLOR : 0;
      format->crTextColor = s.textColour == RichState::CLR_INVALID_COLOUR ? GetSysColor(COLOR_WINDOWTEXT) : s.textColour;
      return CFM_COLOR;
    }
    case EM_SETTARGETDEVICE: {
      // A line width of 0 wraps at the window; any other width here means one line per paragraph.
      bool wrap = lParam == 0;
      if (wrap != s.wrap) {
        s.wrap = wrap;
        s.scrollX = 0;
        LayoutAll(edit, s);
        s.firstLine = std::min(s.firstLine, MaxFirstLine(edit, s));
        ScrollToCaret(edit, s);
        InvalidateRect(edit, nullptr, FALSE);
      }
      return TRUE;
    }
    case EM_HIDESELECTION:
      s.hideSelection = wParam != 0;
      InvalidateRect(edit, nullptr, FALSE);
      return 0;
    case EM_CANUNDO: return FALSE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(edit, s); return 0;
    default: break;
  }
  return DefWindowProcW(edit, message, wParam, lParam);
}

}  // namespace

namespace platform {

int RichEditScrollBarWidth() { return GetSystemMetrics(SM_CXVSCROLL); }

LRESULT RichEditProcedure(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  return StatefulProcedure<RichState, Message, Created>(control, message, wParam, lParam);
}

}  // namespace platform
