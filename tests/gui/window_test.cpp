// Windows of the runtime: opening with its flags, sizes, positions, closing, and the events the
// shared window procedure makes of what the user does, driven by injected input.
#include <algorithm>
#include <vector>

#include "gui_fixture.h"

namespace {

class WindowTest : public GuiTest {
 protected:
  HWND Handle(int64_t number) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(number))); }
  int64_t Count(const std::vector<int64_t>& codes, int64_t code) { return std::count(codes.begin(), codes.end(), code); }
};

TEST_F(WindowTest, InnerSizeIsWhatWasAskedFor) {
  ASSERT_NE(WindowOpen(0, 100, 100, 400, 300, u"Main"), 0);
  EXPECT_EQ(WindowGetWidth(0, 1), 400);
  EXPECT_EQ(WindowGetHeight(0, 1), 300);
  EXPECT_GT(WindowGetWidth(0, 0), 400);
  EXPECT_GT(WindowGetHeight(0, 0), 300 + 20);
  WCHAR title[16];
  GetWindowTextW(Handle(0), title, 16);
  EXPECT_EQ(std::u16string(title), u"Main");
  EXPECT_EQ(GetPropW(Handle(0), u"CV_WindowID"), reinterpret_cast<HANDLE>(1));
}

TEST_F(WindowTest, CentringAloneGetsATitleBarAndBorderlessGetsNone) {
  WindowOpen(1, 0, 0, 200, 100, u"", CV_Window_ScreenCentered);
  LONG_PTR style = GetWindowLongPtrW(Handle(1), GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, static_cast<LONG_PTR>(WS_CAPTION));
  // Centred on the 1920 x 1080 screen.
  EXPECT_EQ(WindowGetX(1, 0), (1920 - WindowGetWidth(1, 0)) / 2);
  EXPECT_EQ(WindowGetY(1, 0), (1080 - WindowGetHeight(1, 0)) / 2);
  WindowOpen(2, 0, 0, 200, 100, u"", CV_Window_BorderLess);
  EXPECT_EQ(GetWindowLongPtrW(Handle(2), GWL_STYLE) & WS_CAPTION, 0);
  EXPECT_EQ(WindowGetWidth(2, 0), 200);
}

TEST_F(WindowTest, CentringOnAParentKeepsTheWindowOnScreen) {
  WindowOpen(0, 100, 100, 600, 400, u"Parent", CV_Window_SystemMenu);
  WindowOpen(1, 0, 0, 200, 100, u"Child", CV_Window_WindowCentered, WindowHandle(0));
  RECT parent, child;
  GetWindowRect(Handle(0), &parent);
  GetWindowRect(Handle(1), &child);
  EXPECT_EQ(child.left, parent.left + ((parent.right - parent.left) - (child.right - child.left)) / 2);
  EXPECT_EQ(child.top, parent.top + ((parent.bottom - parent.top) - (child.bottom - child.top)) / 2);
  WindowResize(0, 0, 0, 100, 50);  // now smaller than the child: raised to 0, never negative
  WindowCenter(1, CV_Window_WindowCentered, WindowHandle(0));
  GetWindowRect(Handle(1), &child);
  EXPECT_EQ(child.left, 0);
  EXPECT_EQ(child.top, 0);
  EXPECT_EQ(WindowCenter(9, CV_Window_ScreenCentered), 0);
}

TEST_F(WindowTest, ToolWindowsLoseTheirBoxesAndInvisibleOnesStayHidden) {
  WindowOpen(3, 10, 10, 100, 100, u"", CV_Window_Tool | CV_Window_MinimizeGadget | CV_Window_Invisible);
  LONG_PTR style = GetWindowLongPtrW(Handle(3), GWL_STYLE);
  EXPECT_EQ(style & WS_MINIMIZEBOX, 0);
  EXPECT_EQ(style & WS_CAPTION, static_cast<LONG_PTR>(WS_CAPTION));
  EXPECT_TRUE(GetWindowLongPtrW(Handle(3), GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(Handle(3)));
  WindowHide(3, 0);
  EXPECT_TRUE(IsWindowVisible(Handle(3)));
  WindowHide(3, 1);
  EXPECT_FALSE(IsWindowVisible(Handle(3)));
}

TEST_F(WindowTest, SizableWindowsAreShiftedByTheFrameCorrection) {
  EXPECT_EQ(WindowFrameCorrection(), 5);  // composition is on
  WindowOpen(0, 100, 50, 300, 200, u"", CV_Window_SizeGadget);
  RECT frame;
  GetWindowRect(Handle(0), &frame);
  EXPECT_EQ(frame.left, 95);
  EXPECT_EQ(WindowGetX(0, 0), 100);  // reported where the program put it
  EXPECT_EQ(WindowGetY(0, 0), 50);
  POINT origin{0, 0};
  ClientToScreen(Handle(0), &origin);
  EXPECT_EQ(WindowGetX(0, 1), origin.x);
}

TEST_F(WindowTest, AutomaticNumbersAndReusedNumbers) {
  int64_t automatic = WindowOpen(CV_Any, 0, 0, 50, 50, u"");
  ASSERT_NE(automatic, 0);
  EXPECT_NE(WindowIsValid(automatic), nullptr);
  EXPECT_EQ(GetPropW(Handle(automatic), u"CV_WindowID"), reinterpret_cast<HANDLE>(static_cast<uintptr_t>(automatic + 1)));
  int64_t first = WindowOpen(5, 0, 0, 50, 50, u"first");
  HWND firstHandle = reinterpret_cast<HWND>(static_cast<uintptr_t>(first));
  WindowOpen(5, 0, 0, 60, 60, u"second");  // the old window 5 is closed first
  EXPECT_FALSE(IsWindow(firstHandle));
  EXPECT_EQ(WindowGetWidth(5, 1), 60);
  WindowClose(automatic);
  EXPECT_EQ(WindowIsValid(automatic), nullptr);
}

TEST_F(WindowTest, UnknownWindowsAnswerZero) {
  EXPECT_EQ(WindowGetWidth(42, 1), 0);
  EXPECT_EQ(WindowGetX(42, 0), 0);
  EXPECT_EQ(WindowResize(42, 1, 2, 3, 4), 0);
  EXPECT_EQ(WindowHandle(-7), 0);
  EXPECT_EQ(WindowActivate(0x7FFFFFFF0000), 0);
  EXPECT_EQ(WindowOpen(-3, 0, 0, 10, 10, u""), 0);
  WindowClose(42);
  WindowClose(123456789);
}

TEST_F(WindowTest, ResizeTakesInnerSizesAndKeepsWhatIsKept) {
  WindowOpen(0, 100, 100, 400, 300, u"", CV_Window_SystemMenu);
  WindowResize(0, CV_Keep, CV_Keep, 500, CV_Keep);
  EXPECT_EQ(WindowGetWidth(0, 1), 500);
  EXPECT_EQ(WindowGetHeight(0, 1), 300);
  EXPECT_EQ(WindowGetX(0, 0), 100);
  WindowResize(0, 10, 20, CV_Keep, 100);
  EXPECT_EQ(WindowGetX(0, 0), 10);
  EXPECT_EQ(WindowGetY(0, 0), 20);
  EXPECT_EQ(WindowGetHeight(0, 1), 100);
}

TEST_F(WindowTest, ClickingTheCloseBoxRepeatedlyPostsEachTimeAndKeepsTheWindow) {
  WindowOpen(0, 0, 0, 100, 100, u"");
  DrainEvents();
  for (int i = 0; i < 3; ++i) platform::InputCloseRequest(Handle(0));
  std::vector<int64_t> codes = DrainEvents();
  EXPECT_EQ(Count(codes, EC_CLOSE_WINDOW), 3);
  EXPECT_TRUE(IsWindow(Handle(0)));
  EXPECT_NE(WindowIsValid(0), nullptr);
}

TEST_F(WindowTest, TheCloseEventNamesTheWindow) {
  WindowOpen(7, 0, 0, 100, 100, u"");
  DrainEvents();
  platform::InputCloseRequest(Handle(7));
  int64_t code = 0;
  for (int i = 0; i < 10 && code != EC_CLOSE_WINDOW; ++i) code = WindowPollEvent();
  EXPECT_EQ(code, EC_CLOSE_WINDOW);
  EXPECT_EQ(EventGetWindow(), 7);
  EXPECT_EQ(EventSourceGadget(), 7);
  EXPECT_EQ(EventGetType(), 0);
}

TEST_F(WindowTest, PollingWithNothingPendingReturnsZeroAndTypeMinusOne) {
  WindowOpen(0, 0, 0, 100, 100, u"");
  DrainEvents();
  EXPECT_EQ(WindowPollEvent(), 0);
  EXPECT_EQ(EventGetType(), -1);
}

TEST_F(WindowTest, AUserResizeLeavesOneSizeEventAndRespectsTheBounds) {
  WindowOpen(0, 0, 0, 400, 300, u"", CV_Window_SizeGadget);
  WindowSetBounds(0, 300, 200, 0, 0);
  DrainEvents();
  platform::InputResize(Handle(0), 350, 250);
  platform::InputResize(Handle(0), 100, 100);  // held at the minimum track size
  std::vector<int64_t> codes = DrainEvents();
  EXPECT_EQ(Count(codes, EC_SIZE_WINDOW), 1);
  EXPECT_EQ(WindowGetWidth(0, 0), 300);
  EXPECT_EQ(WindowGetHeight(0, 0), 200);
}

TEST_F(WindowTest, MaximisingAndRestoringReportTheirEvents) {
  WindowOpen(0, 0, 0, 400, 300, u"", CV_Window_MaximizeGadget | CV_Window_SizeGadget);
  DrainEvents();
  ShowWindow(Handle(0), SW_MAXIMIZE);
  std::vector<int64_t> codes = DrainEvents();
  EXPECT_EQ(Count(codes, EC_MAXIMIZE), 1);
  EXPECT_GE(Count(codes, EC_SIZE_WINDOW), 1);
  ShowWindow(Handle(0), SW_RESTORE);
  codes = DrainEvents();
  EXPECT_EQ(Count(codes, EC_RESTORE), 1);
  EXPECT_EQ(WindowGetWidth(0, 1), 400);
}

TEST_F(WindowTest, ActivationMovesBetweenWindowsAndRestoresTheFocusedControl) {
  WindowOpen(0, 0, 0, 300, 300, u"");
  HWND control = CreateWindowExW(0, u"PostEventClass", u"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10, 10, 50, 20, Handle(0),
                                 reinterpret_cast<HMENU>(1), nullptr, nullptr);
  SetFocus(control);
  WindowOpen(1, 400, 0, 300, 300, u"");
  EXPECT_EQ(GetActiveWindow(), Handle(1));
  std::vector<int64_t> codes = DrainEvents();
  EXPECT_GE(Count(codes, EC_DEACTIVATE), 1);
  WindowActivate(0);
  EXPECT_EQ(GetFocus(), control);
  codes = DrainEvents();
  EXPECT_GE(Count(codes, EC_ACTIVATE), 1);
}

TEST_F(WindowTest, TabAndShiftTabMoveOverEnabledVisibleTabStopsAndWrap) {
  WindowOpen(0, 0, 0, 300, 300, u"");
  auto make = [&](int id, DWORD style) {
    return CreateWindowExW(0, u"PostEventClass", u"", WS_CHILD | style, 0, id * 20, 50, 20, Handle(0),
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  };
  HWND a = make(1, WS_VISIBLE | WS_TABSTOP);
  make(2, WS_VISIBLE);                             // no tab stop
  HWND c = make(3, WS_VISIBLE | WS_TABSTOP);
  make(4, WS_VISIBLE | WS_TABSTOP | WS_DISABLED);  // disabled
  make(5, WS_TABSTOP);                             // hidden
  HWND f = make(6, WS_VISIBLE | WS_TABSTOP);
  WindowActivate(0);
  SetFocus(a);
  auto tab = [&](bool shift) {
    if (shift) platform::InputKey(VK_SHIFT, true);
    platform::InputKeyPress(VK_TAB);
    if (shift) platform::InputKey(VK_SHIFT, false);
    DrainEvents();
    return GetFocus();
  };
  EXPECT_EQ(tab(false), c);
  EXPECT_EQ(tab(false), f);
  EXPECT_EQ(tab(false), a);  // wraps
  EXPECT_EQ(tab(true), f);   // backwards wraps too
  EXPECT_EQ(tab(true), c);
}

TEST_F(WindowTest, ClosingAWindowDropsItsEventsAndBindings) {
  WindowOpen(0, 0, 0, 100, 100, u"");
  WindowOpen(1, 200, 0, 100, 100, u"");
  DrainEvents();
  static int calls = 0;
  calls = 0;
  EventBind(EC_CLOSE_WINDOW, [] { ++calls; }, 1);
  EventPost(EC_GADGET, 3, 1, 0);
  EventPost(EC_GADGET, 4, 0, 0);
  WindowClose(1);
  EventPost(EC_CLOSE_WINDOW, 1, 1, 0);  // a late event for the closed window: no callback
  EXPECT_EQ(calls, 0);
  std::vector<int64_t> sources;
  for (int64_t code = WindowPollEvent(), guard = 0; code != 0 && guard < 10000; code = WindowPollEvent(), ++guard) {
    if (code == EC_GADGET) sources.push_back(EventGetWindow());
  }
  EXPECT_EQ(sources, std::vector<int64_t>{0});
}

TEST_F(WindowTest, ADestroyedWindowAnswersNothing) {
  WindowOpen(0, 0, 0, 100, 100, u"");
  HWND handle = Handle(0);
  DestroyWindow(handle);  // behind the runtime's back
  EXPECT_EQ(WindowGetWidth(0, 1), 0);
  WindowClose(0);
  EXPECT_EQ(WindowIsValid(0), nullptr);
}

}  // namespace
