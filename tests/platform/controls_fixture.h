// What the platform control tests share: a parent window that records the WM_COMMAND
// notifications of its controls and may answer WM_CTLCOLORSTATIC, and helpers to make controls
// and find where to click them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/controls.h"
#include "input.h"
#include "text.h"
#include "testing.h"


struct Notification {
  HWND control;
  WORD code;
};

inline std::vector<Notification> g_notifications;
inline HBRUSH g_staticBrush = nullptr;  // what the parent answers to WM_CTLCOLORSTATIC, when set
inline COLORREF g_staticText = 0;

inline LRESULT ParentProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
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
