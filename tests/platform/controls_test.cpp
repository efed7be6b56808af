// The platform's standard controls: "Button" in its push, check, three-state, radio and
// push-like forms and "Static" with its alignment and mouse behaviour, driven by messages and
// injected input, with what they paint read back from the window's backing bitmap.
#include <gtest/gtest.h>

#include <vector>

#include "controls/controls.h"
#include "display/display.h"
#include "input.h"
#include "text.h"

namespace {

struct Notification {
  HWND control;
  WORD code;
};

std::vector<Notification> g_notifications;
HBRUSH g_staticBrush = nullptr;  // what the parent answers to WM_CTLCOLORSTATIC, when set
COLORREF g_staticText = 0;

LRESULT ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) {
    g_notifications.push_back({reinterpret_cast<HWND>(lParam), HIWORD(wParam)});
    return 0;
  }
  if (message == WM_CTLCOLORSTATIC && g_staticBrush) {
    SetTextColor(reinterpret_cast<HDC>(wParam), g_staticText);
    return reinterpret_cast<LRESULT>(g_staticBrush);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    g_notifications.clear();
    g_staticBrush = nullptr;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ParentProcedure;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = u"ControlsParent";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    parent_ = CreateWindowExW(0, u"ControlsParent", u"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                              nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    DestroyWindow(parent_);
    platform::PumpMessages();
    UnregisterClassW(u"ControlsParent", nullptr);
  }
  HWND Control(const char16_t* className, DWORD style, int id, int x, int y, int width = 100, int height = 24,
               const char16_t* text = u"Label") {
    return CreateWindowExW(0, className, text, style | WS_CHILD | WS_VISIBLE, x, y, width, height, parent_,
                           reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)), nullptr, nullptr);
  }
  POINT Centre(HWND control) {
    RECT frame;
    GetWindowRect(control, &frame);
    return POINT{(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2};
  }
  int ClicksFrom(HWND control, WORD code = BN_CLICKED) {
    int count = 0;
    for (const Notification& entry : g_notifications) count += entry.control == control && entry.code == code;
    return count;
  }
  HWND parent_ = nullptr;
};

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

}  // namespace
