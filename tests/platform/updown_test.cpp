// The platform's "msctls_updown32" control: range and position, the arrows pressed by mouse,
// by held buttons and by the buddy's arrow keys, the buddy's text as the position, and the
// parent's say over each step through UDN_DELTAPOS.
#include <string>
#include <vector>

#include "controls_fixture.h"

namespace {

struct Step {
  int position;
  int delta;
};

std::vector<Step> g_steps;
std::vector<WORD> g_scrollCodes;
int g_refuse = 0;       // nonzero: the parent refuses the steps
int g_deltaFactor = 1;  // the parent multiplies the proposed delta by this

LRESULT UpDownParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY) {
    auto* change = reinterpret_cast<NMUPDOWN*>(lParam);
    if (change->hdr.code != UDN_DELTAPOS) return 0;
    g_steps.push_back({change->iPos, change->iDelta});
    change->iDelta *= g_deltaFactor;
    return g_refuse;
  }
  if (message == WM_VSCROLL || message == WM_HSCROLL) {
    g_scrollCodes.push_back(LOWORD(wParam));
    return 0;
  }
  return ParentProcedure(window, message, wParam, lParam);
}

class UpDownTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    g_steps.clear();
    g_scrollCodes.clear();
    g_refuse = 0;
    g_deltaFactor = 1;
    SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UpDownParentProcedure));
  }
  HWND UpDown(DWORD style, int minimum, int maximum) {
    HWND upDown = Control(UPDOWN_CLASSW, style, 11, 120, 10, 18, 24, u"");
    SendMessageW(upDown, UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    return upDown;
  }
  int Position(HWND upDown) { return static_cast<int>(SendMessageW(upDown, UDM_GETPOS32, 0, 0)); }
  void ClickArrow(HWND upDown, bool up) {
    RECT frame;
    GetWindowRect(upDown, &frame);
    platform::InputClick((frame.left + frame.right) / 2, up ? frame.top + 4 : frame.bottom - 4);
    platform::PumpMessages();
  }
  std::u16string Text(HWND control) {
    char16_t buffer[64];
    GetWindowTextW(control, buffer, 64);
    return buffer;
  }
};

TEST_F(UpDownTest, ArrowsStepWithinTheRangeAndAskTheParentFirst) {
  HWND upDown = UpDown(0, 1, 3);
  EXPECT_EQ(Position(upDown), 1);
  ClickArrow(upDown, true);
  ClickArrow(upDown, true);
  ClickArrow(upDown, true);  // at the maximum: asked, but stays
  EXPECT_EQ(Position(upDown), 3);
  ASSERT_EQ(g_steps.size(), 3u);
  EXPECT_EQ(g_steps[0].position, 1);
  EXPECT_EQ(g_steps[0].delta, 1);
  ClickArrow(upDown, false);
  EXPECT_EQ(Position(upDown), 2);
  EXPECT_EQ(g_steps.back().delta, -1);
  std::vector<WORD> firstClick{SB_THUMBPOSITION, SB_ENDSCROLL};
  EXPECT_EQ(std::vector<WORD>(g_scrollCodes.begin(), g_scrollCodes.begin() + 2), firstClick);
}

TEST_F(UpDownTest, TheParentCanRefuseOrChangeAStep) {
  HWND upDown = UpDown(0, 0, 100);
  g_refuse = 1;
  ClickArrow(upDown, true);
  EXPECT_EQ(Position(upDown), 0);
  g_refuse = 0;
  g_deltaFactor = 5;
  ClickArrow(upDown, true);
  EXPECT_EQ(Position(upDown), 5);
}

TEST_F(UpDownTest, ReversedRangesWrapAndPositionsAreClamped) {
  HWND upDown = UpDown(UDS_WRAP, 10, 0);  // up goes toward the maximum, here downward
  SendMessageW(upDown, UDM_SETPOS32, 0, 10);
  ClickArrow(upDown, true);
  EXPECT_EQ(Position(upDown), 9);
  SendMessageW(upDown, UDM_SETPOS32, 0, 0);
  ClickArrow(upDown, true);  // past the end: wraps round
  EXPECT_EQ(Position(upDown), 10);
  EXPECT_EQ(SendMessageW(upDown, UDM_SETPOS32, 0, 500), 10);
  EXPECT_EQ(Position(upDown), 10);
  int minimum = -1, maximum = -1;
  SendMessageW(upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&minimum), reinterpret_cast<LPARAM>(&maximum));
  EXPECT_EQ(minimum, 10);
  EXPECT_EQ(maximum, 0);
}

TEST_F(UpDownTest, TheBuddyCarriesThePositionAndLendsItsArrowKeys) {
  HWND edit = Control(u"Edit", 0, 12, 10, 10, 100, 24, u"");
  HWND upDown = UpDown(UDS_SETBUDDYINT | UDS_ARROWKEYS, 0, 5000);
  SendMessageW(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  EXPECT_EQ(reinterpret_cast<HWND>(SendMessageW(upDown, UDM_GETBUDDY, 0, 0)), edit);
  SendMessageW(upDown, UDM_SETPOS32, 0, 1234);
  EXPECT_EQ(Text(edit), u"1,234");  // thousands separators unless UDS_NOTHOUSANDS
  SetWindowTextW(edit, u"2,000");
  EXPECT_EQ(Position(upDown), 2000);
  SetFocus(edit);
  platform::InputKeyPress(VK_UP);
  platform::PumpMessages();
  EXPECT_EQ(Text(edit), u"2,001");
  SetWindowTextW(edit, u"not a number");
  BOOL error = FALSE;
  EXPECT_EQ(SendMessageW(upDown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)), 2001);
  EXPECT_TRUE(error);
  DestroyWindow(upDown);
  platform::InputKeyPress(VK_UP);  // the edit goes on without its arrows
  platform::PumpMessages();
  EXPECT_EQ(Text(edit), u"not a number");
}

TEST_F(UpDownTest, AHeldArrowRepeats) {
  HWND upDown = UpDown(0, 0, 100);
  RECT frame;
  GetWindowRect(upDown, &frame);
  platform::InputPointerMove((frame.left + frame.right) / 2, frame.top + 4);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::PumpMessages();
  EXPECT_EQ(Position(upDown), 1);
  // The repeat timer's ticks (sent here rather than waited for) step while the arrow is held.
  SendMessageW(upDown, WM_TIMER, 1, 0);
  SendMessageW(upDown, WM_TIMER, 1, 0);
  EXPECT_EQ(Position(upDown), 3);
  platform::InputButton(platform::MouseButton::Left, false);
  platform::PumpMessages();
  SendMessageW(upDown, WM_TIMER, 1, 0);
  EXPECT_EQ(Position(upDown), 3);
  EXPECT_EQ(g_scrollCodes.back(), SB_ENDSCROLL);
}

}  // namespace
