// The platform's "msctls_trackbar32" control: range and position messages, the thumb moved by
// keys, the wheel, clicks on the channel and dragging, and the scroll messages its parent gets.
#include <vector>

#include "controls_fixture.h"

namespace {

struct Scroll {
  UINT message;
  WORD code;
  WORD position;
};

std::vector<Scroll> g_scrolls;

LRESULT ScrollParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL || message == WM_VSCROLL) {
    g_scrolls.push_back({message, LOWORD(wParam), HIWORD(wParam)});
    return 0;
  }
  return ParentProcedure(window, message, wParam, lParam);
}

class TrackBarTest : public ControlsTest {
 protected:
  void SetUp() override {
    ControlsTest::SetUp();
    g_scrolls.clear();
    SetWindowLongPtrW(parent_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ScrollParentProcedure));
  }
  HWND Track(DWORD style = 0, int width = 208, int height = 30) {
    HWND track = Control(TRACKBAR_CLASSW, style | WS_TABSTOP, 9, 10, 10, width, height, u"");
    SendMessageW(track, TBM_SETRANGE, TRUE, MAKELONG(0, 100));
    return track;
  }
  LRESULT Position(HWND track) { return SendMessageW(track, TBM_GETPOS, 0, 0); }
  void Key(UINT key) {
    platform::InputKeyPress(key);
    platform::PumpMessages();
  }
  std::vector<WORD> Codes() {
    std::vector<WORD> codes;
    for (const Scroll& scroll : g_scrolls) codes.push_back(scroll.code);
    return codes;
  }
};

TEST_F(TrackBarTest, PositionsStayInTheRange) {
  HWND track = Track();
  EXPECT_EQ(SendMessageW(track, TBM_GETRANGEMIN, 0, 0), 0);
  EXPECT_EQ(SendMessageW(track, TBM_GETRANGEMAX, 0, 0), 100);
  SendMessageW(track, TBM_SETPOS, TRUE, 150);
  EXPECT_EQ(Position(track), 100);
  SendMessageW(track, TBM_SETPOS, TRUE, -3);
  EXPECT_EQ(Position(track), 0);
  SendMessageW(track, TBM_SETPOS, TRUE, 70);
  SendMessageW(track, TBM_SETRANGEMAX, TRUE, 50);
  EXPECT_EQ(Position(track), 50);
  // A minimum beyond the maximum leaves only the minimum.
  SendMessageW(track, TBM_SETRANGEMIN, TRUE, 60);
  SendMessageW(track, TBM_SETPOS, TRUE, 55);
  EXPECT_EQ(Position(track), 60);
  EXPECT_TRUE(g_scrolls.empty());  // programmatic moves are not reported
}

TEST_F(TrackBarTest, KeysMoveByLinesPagesAndToTheEnds) {
  HWND track = Track();
  SetFocus(track);
  Key(VK_RIGHT);
  Key(VK_DOWN);
  EXPECT_EQ(Position(track), 2);
  Key(VK_NEXT);
  EXPECT_EQ(Position(track), 22);  // a page is a fifth of the range
  Key(VK_LEFT);
  EXPECT_EQ(Position(track), 21);
  Key(VK_END);
  EXPECT_EQ(Position(track), 100);
  Key(VK_HOME);
  EXPECT_EQ(Position(track), 0);
  Key(VK_UP);  // at the minimum already: reported, no move
  EXPECT_EQ(Position(track), 0);
  std::vector<WORD> expected{TB_LINEDOWN, TB_ENDTRACK, TB_LINEDOWN, TB_ENDTRACK, TB_PAGEDOWN, TB_ENDTRACK,
                             TB_LINEUP,   TB_ENDTRACK, TB_BOTTOM,   TB_ENDTRACK, TB_TOP,      TB_ENDTRACK,
                             TB_LINEUP,   TB_ENDTRACK};
  EXPECT_EQ(Codes(), expected);
  EXPECT_EQ(g_scrolls[0].message, static_cast<UINT>(WM_HSCROLL));
}

TEST_F(TrackBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  HWND track = Track();
  RECT thumb;
  SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  POINT grab{(thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2};
  ClientToScreen(track, &grab);
  platform::InputPointerMove(grab.x, grab.y);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::InputPointerMove(grab.x + 96, grab.y);  // the travel is 192 pixels for 100 steps
  platform::InputButton(platform::MouseButton::Left, false);
  platform::PumpMessages();
  EXPECT_EQ(Position(track), 50);
  EXPECT_EQ(GetFocus(), track);
  ASSERT_EQ(g_scrolls.size(), 3u);
  EXPECT_EQ(g_scrolls[0].code, TB_THUMBTRACK);
  EXPECT_EQ(g_scrolls[0].position, 50);
  EXPECT_EQ(g_scrolls[1].code, TB_THUMBPOSITION);
  EXPECT_EQ(g_scrolls[2].code, TB_ENDTRACK);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(TrackBarTest, ClicksOnTheChannelPageTowardThem) {
  HWND track = Track();
  SendMessageW(track, TBM_SETPOS, TRUE, 50);
  RECT frame;
  GetWindowRect(track, &frame);
  int y = (frame.top + frame.bottom) / 2;
  platform::InputClick(frame.right - 3, y);
  platform::PumpMessages();
  EXPECT_EQ(Position(track), 70);
  platform::InputClick(frame.left + 3, y);
  platform::PumpMessages();
  EXPECT_EQ(Position(track), 50);
  std::vector<WORD> expected{TB_PAGEDOWN, TB_ENDTRACK, TB_PAGEUP, TB_ENDTRACK};
  EXPECT_EQ(Codes(), expected);
}

TEST_F(TrackBarTest, VerticalBarsReportVScrollAndTheWheelMovesByLines) {
  HWND track = Track(TBS_VERT, 30, 208);
  SetFocus(track);
  platform::InputWheel(-2 * WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(Position(track), 2);
  ASSERT_FALSE(g_scrolls.empty());
  EXPECT_EQ(g_scrolls[0].message, static_cast<UINT>(WM_VSCROLL));
  RECT thumb;
  SendMessageW(track, TBM_SETPOS, TRUE, 100);
  SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  EXPECT_GT(thumb.top, 150);  // the maximum is at the bottom of the control
}

TEST_F(TrackBarTest, TicksArePaintedOnlyWithAutoTicks) {
  HWND plain = Track(0, 208, 40);
  HWND ticked = Control(TRACKBAR_CLASSW, TBS_AUTOTICKS, 10, 10, 60, 208, 40, u"");
  SendMessageW(ticked, TBM_SETRANGE, TRUE, MAKELONG(0, 4));
  SendMessageW(plain, TBM_SETRANGE, TRUE, MAKELONG(0, 4));
  platform::PumpMessages();
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(platform::WindowBacking(parent_), sizeof section, &section), static_cast<int>(sizeof section));
  auto pixel = [&](HWND control, int x, int y) {
    POINT point{x, y};
    MapWindowPoints(control, parent_, &point, 1);  // the backing holds the parent's client area
    const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(point.y) * section.dsBm.bmWidthBytes;
    return static_cast<uint32_t>(row[point.x * 4] | (row[point.x * 4 + 1] << 8) | (row[point.x * 4 + 2] << 16));
  };
  RECT thumb;
  SendMessageW(ticked, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
  // The tick of the maximum, just below the thumb's extent at the right end of the travel.
  int tickX = 208 - 8, tickY = thumb.bottom + 2;
  EXPECT_EQ(pixel(ticked, tickX, tickY), GetSysColor(COLOR_WINDOWTEXT) & 0xFFFFFF);
  EXPECT_NE(pixel(plain, tickX, tickY), GetSysColor(COLOR_WINDOWTEXT) & 0xFFFFFF);
}

}  // namespace
