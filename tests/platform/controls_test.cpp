// The platform's standard controls: "Button" in its push, check, three-state, radio and
// push-like forms and "Static" with its alignment and mouse behaviour, driven by messages and
// injected input, with what they paint read back from the window's backing bitmap.
#include <gtest/gtest.h>

#include <vector>

#include "controls_fixture.h"

namespace {

TEST_F(ControlsTest, ClassNamesIgnoreCase) {
  EXPECT_NE(Control(u"STATIC", 0, 1, 0, 0), nullptr);
  EXPECT_NE(Control(u"button", 0, 2, 0, 30), nullptr);
  WCHAR name[16];
  GetClassNameW(Control(u"BUTTON", 0, 3, 0, 60), name, 16);
  EXPECT_EQ(std::u16string(name), u"Button");
  EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

TEST_F(ControlsTest, PushButtonNotifiesOnReleaseOverIt) {
  HWND button = Control(u"Button", BS_PUSHBUTTON, 7, 10, 10);
  POINT centre = Centre(button);
  platform::InputClick(centre.x, centre.y);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(button), 1);
  EXPECT_EQ(GetFocus(), button);
  // Pressed over it, released elsewhere: no click, and the button is no longer shown pushed.
  platform::InputPointerMove(centre.x, centre.y);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::PumpMessages();
  EXPECT_TRUE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
  platform::InputPointerMove(centre.x + 200, centre.y + 100);
  platform::InputButton(platform::MouseButton::Left, false);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(button), 1);
  EXPECT_FALSE(SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ControlsTest, SpaceClicksTheFocusedButtonAndDisabledOnesIgnoreBmClick) {
  HWND button = Control(u"Button", BS_PUSHBUTTON, 7, 10, 10);
  SetFocus(button);
  platform::InputKeyPress(VK_SPACE);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(button), 1);
  EnableWindow(button, FALSE);
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(ClicksFrom(button), 1);
}

TEST_F(ControlsTest, CheckBoxesFollowTheirType) {
  HWND automatic = Control(u"Button", BS_AUTOCHECKBOX, 1, 0, 0);
  HWND threeState = Control(u"Button", BS_AUTO3STATE, 2, 0, 30);
  HWND manual = Control(u"Button", BS_CHECKBOX, 3, 0, 60);
  SendMessageW(automatic, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(automatic, BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(automatic, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(automatic, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(threeState, BM_CLICK, 0, 0);
  SendMessageW(threeState, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(threeState, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  SendMessageW(threeState, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(threeState, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  // A plain check box only reports; the indeterminate state is for three-state boxes alone.
  SendMessageW(manual, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(manual, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  SendMessageW(manual, BM_SETCHECK, BST_INDETERMINATE, 0);
  EXPECT_EQ(SendMessageW(manual, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ClicksFrom(manual), 1);
  // Push buttons keep no check state.
  HWND push = Control(u"Button", BS_PUSHBUTTON, 4, 0, 90);
  SendMessageW(push, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(SendMessageW(push, BM_GETCHECK, 0, 0), BST_UNCHECKED);
}

TEST_F(ControlsTest, AutomaticRadioButtonsKeepOneCheckedPerGroup) {
  HWND a = Control(u"Button", BS_AUTORADIOBUTTON | WS_GROUP, 1, 0, 0);
  HWND b = Control(u"Button", BS_AUTORADIOBUTTON, 2, 0, 30);
  HWND c = Control(u"Button", BS_AUTORADIOBUTTON | WS_GROUP, 3, 0, 60);
  SendMessageW(a, BM_CLICK, 0, 0);
  SendMessageW(c, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_CHECKED);
  POINT centre = Centre(b);
  platform::InputClick(centre.x, centre.y);
  platform::PumpMessages();
  EXPECT_EQ(SendMessageW(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageW(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(c, BM_GETCHECK, 0, 0), BST_CHECKED);  // its own group
}

TEST_F(ControlsTest, StaticLetsTheMouseThroughUnlessItNotifies) {
  HWND plain = Control(u"Static", SS_LEFT, 1, 0, 0);
  HWND notifying = Control(u"Static", SS_NOTIFY, 2, 0, 40);
  POINT centre = Centre(plain);
  EXPECT_EQ(SendMessageW(plain, WM_NCHITTEST, 0, MAKELPARAM(centre.x, centre.y)), HTTRANSPARENT);
  EXPECT_EQ(WindowFromPoint(centre), parent_);
  platform::InputClick(centre.x, centre.y);
  centre = Centre(notifying);
  platform::InputClick(centre.x, centre.y);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(plain, STN_CLICKED), 0);
  EXPECT_EQ(ClicksFrom(notifying, STN_CLICKED), 1);
  platform::InputDoubleClick(centre.x, centre.y);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(notifying, STN_DBLCLK), 1);
}

TEST_F(ControlsTest, StaticPaintsInTheColoursItsParentChooses) {
  g_staticBrush = CreateSolidBrush(RGB(0, 0, 255));
  g_staticText = RGB(255, 0, 0);
  Control(u"Static", SS_CENTER, 1, 10, 10, 120, 30, u"WWWW");
  UpdateWindow(parent_);
  platform::PumpMessages();
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(platform::WindowBacking(parent_), sizeof section, &section), static_cast<int>(sizeof section));
  auto pixel = [&](int x, int y) {
    const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes;
    return static_cast<uint32_t>(row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16));
  };
  EXPECT_EQ(pixel(11, 11), 0x0000FFu);  // the parent's brush fills it
  EXPECT_EQ(pixel(9, 11), 0xF0F0F0u);   // the parent's own background outside
  int reddish = 0, leftHalf = 0;
  for (int y = 10; y < 40; ++y) {
    for (int x = 10; x < 130; ++x) {
      uint32_t value = pixel(x, y);
      if ((value >> 16) > 0x80 && (value & 0xFF) < 0x80) {
        ++reddish;
        if (x < 40) ++leftHalf;
      }
    }
  }
  EXPECT_GT(reddish, 20);  // the text in the parent's text colour
  EXPECT_EQ(leftHalf, 0);  // and centred
  DestroyWindow(parent_);
  DeleteObject(g_staticBrush);
  g_staticBrush = nullptr;
}

TEST_F(ControlsTest, MarksAreGreyedWhenDisabledAndTheFocusIsADottedRectangle) {
  HWND enabled = Control(u"Button", BS_AUTOCHECKBOX, 1, 10, 10, 120, 20);
  HWND disabled = Control(u"Button", BS_AUTOCHECKBOX | WS_DISABLED, 2, 10, 40, 120, 20);
  HWND push = Control(u"Button", BS_PUSHBUTTON, 3, 10, 70, 120, 24);
  for (HWND box : {enabled, disabled}) SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
  SetFocus(push);
  platform::PumpMessages();
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(platform::WindowBacking(parent_), sizeof section, &section), static_cast<int>(sizeof section));
  auto count = [&](int left, int top, int right, int bottom, int colour) {
    COLORREF c = GetSysColor(colour);
    const uint32_t wanted = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    int n = 0;
    for (int y = top; y < bottom; ++y) {
      const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(section.dsBm.bmBits) +
                                                          static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes);
      for (int x = left; x < right; ++x) n += (row[x] & 0xFFFFFF) == wanted;
    }
    return n;
  };
  // The tick (within the box, left of the label) is black, or grey on a disabled box.
  EXPECT_GE(count(10, 10, 23, 30, COLOR_WINDOWTEXT), 15);
  EXPECT_EQ(count(10, 40, 23, 60, COLOR_WINDOWTEXT), 0);
  EXPECT_GE(count(10, 40, 23, 60, COLOR_GRAYTEXT), 15);
  // The focused button's inner rectangle inverts every other pixel of the face along its top.
  const int face = count(13, 73, 127, 74, COLOR_BTNFACE);
  EXPECT_GE(face, 50);
  EXPECT_LE(face, 60);
}

}  // namespace
