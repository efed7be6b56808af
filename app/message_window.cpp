// The message window: one text gadget per line and an OK button, in window 2 centred over the
// main window, with its own small event loop. Events of the main window meanwhile are dropped,
// except its close box, which closes the message and is passed on.
#include "message_window.h"

#include <algorithm>
#include <vector>

#include "corvid.h"
#include "text.h"
#include "user.h"

namespace {

constexpr int64_t kMessageWindow = 2;
constexpr int64_t kMainWindow = 0;
constexpr int64_t kLineHeight = 20;

std::u16string g_lastText;
bool g_closeAtOnce = false;

std::vector<std::u16string> Lines(const std::u16string& text) {
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find(u'\n', start)) != std::u16string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  lines.push_back(text.substr(start));
  return lines;
}

}  // namespace

bool MessageWindowShow(const std::u16string& text) {
  g_lastText = text;
  const std::vector<std::u16string> lines = Lines(text);
  // As wide as the longest line in the gadgets' font (a file name is read whole), within reason.
  int64_t longest = 0;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  for (const std::u16string& line : lines) {
    SIZE size{};
    GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(std::min<size_t>(line.size(), 4096)), &size);
    longest = std::max<int64_t>(longest, size.cx);
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  const int64_t width = std::clamp<int64_t>(longest + 30, 300, 1200);
  const int64_t height = static_cast<int64_t>(lines.size()) * kLineHeight + 60;
  if (!WindowOpen(kMessageWindow, 0, 0, width, height, u"Stampwork", CV_Window_SystemMenu | CV_Window_WindowCentered,
                  WindowHandle(kMainWindow))) {
    return true;
  }
  for (size_t i = 0; i < lines.size(); ++i)
    GadgetTextCreate(CV_Any, 10, 10 + static_cast<int64_t>(i) * kLineHeight, width - 20, kLineHeight, lines[i].c_str());
  const int64_t ok = GadgetButtonCreate(CV_Any, width - 90, height - 35, 80, 25, u"OK");
  bool mainClosed = false;
  bool done = g_closeAtOnce;
  while (!done) {
    const int64_t code = WindowWaitEvent();
    if (code == EC_CLOSE_WINDOW) {
      mainClosed = EventGetWindow() == kMainWindow;
      done = mainClosed || EventGetWindow() == kMessageWindow;
    } else if (code == EC_GADGET) {
      done = EventSourceGadget() == ok;
    } else if (code == WM_KEYDOWN) {
      done = WindowEventWParam() == VK_ESCAPE || WindowEventWParam() == VK_RETURN;
    }
  }
  WindowClose(kMessageWindow);
  return !mainClosed;
}

const std::u16string& MessageWindowLastText() { return g_lastText; }

void MessageWindowCloseAtOnce(bool atOnce) { g_closeAtOnce = atOnce; }
