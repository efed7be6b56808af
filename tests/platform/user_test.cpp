// The window layer of the platform: classes, the creation and destruction sequence, messages
// sent, posted and generated, input routing, focus, capture, accelerators, geometry and painting
// into the backing bitmap. Everything runs headless, driven by injected input.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include "gdi.h"
#include "input.h"
#include "kernel.h"
#include "user.h"
#include "testing.h"

namespace {

// How long a test waits for another thread before it counts the awaited thing as lost.
constexpr DWORD kDeadlineMs = 10000;

struct Logged {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Logged> g_log;
std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> g_hook;  // a test's own handling, before the default

LRESULT CALLBACK_Recording(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_log.push_back({window, message, wParam, lParam});
  if (g_hook) {
    LRESULT result = g_hook(window, message, wParam, lParam);
    if (result != 0x7FFF) return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

constexpr LRESULT kDefault = 0x7FFF;  // what a hook returns to let the default run

class UserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InputFreezeClock(true);  // timers and input times move only as the test says
    g_log.clear();
    g_hook = nullptr;
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = CALLBACK_Recording;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = u"TestClass";
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
    windowClass.style = 0;
    windowClass.lpszClassName = u"PlainClass";
    ASSERT_NE(RegisterClassExW(&windowClass), 0);
  }
  void TearDown() override {
    for (HWND window : created_) {
      if (IsWindow(window)) DestroyWindow(window);
    }
    platform::PumpMessages();
    g_hook = nullptr;
    EXPECT_TRUE(UnregisterClassW(u"TestClass", nullptr));
    EXPECT_TRUE(UnregisterClassW(u"PlainClass", nullptr));
    ReleaseCapture();
    platform::InputFreezeClock(false);
    ClipCursor(nullptr);
  }

  HWND TopLevel(int x = 100, int y = 100, int width = 400, int height = 300, DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE) {
    HWND window = CreateWindowExW(0, u"TestClass", u"Top", style, x, y, width, height, nullptr, nullptr, nullptr, nullptr);
    created_.push_back(window);
    return window;
  }
  HWND Child(HWND parent, int id, int x, int y, int width, int height, DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP,
             LPCWSTR className = u"TestClass") {
    return CreateWindowExW(0, className, u"", style, x, y, width, height, parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(id)),
                           nullptr, nullptr);
  }
  std::vector<UINT> MessagesOf(HWND window) {
    std::vector<UINT> messages;
    for (const Logged& entry : g_log) {
      if (entry.window == window) messages.push_back(entry.message);
    }
    return messages;
  }
  std::vector<Logged> Only(UINT message) {
    std::vector<Logged> found;
    std::copy_if(g_log.begin(), g_log.end(), std::back_inserter(found), [&](const Logged& e) { return e.message == message; });
    return found;
  }
  POINT ScreenOf(HWND window, int x, int y) {
    POINT point{x, y};
    ClientToScreen(window, &point);
    return point;
  }

  std::vector<HWND> created_;
};

TEST_F(UserTest, CreationSendsNcCreateCreateSizeAndMoveInThatOrder) {
  HWND window = TopLevel(10, 10, 200, 100, WS_OVERLAPPEDWINDOW);
  std::vector<UINT> messages = MessagesOf(window);
  std::vector<UINT> expected{WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE};
  ASSERT_GE(messages.size(), 4u);
  EXPECT_EQ(std::vector<UINT>(messages.begin(), messages.begin() + 4), expected);
  EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(UserTest, DestructionGoesParentFirstForDestroyAndChildrenFirstForNcDestroy) {
  HWND top = TopLevel();
  HWND child = Child(top, 1, 0, 0, 10, 10);
  HWND grandchild = Child(child, 2, 0, 0, 5, 5);
  g_log.clear();
  EXPECT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> order;
  for (const Logged& entry : g_log) {
    if (entry.message == WM_DESTROY || entry.message == WM_NCDESTROY) order.emplace_back(entry.window, entry.message);
  }
  std::vector<std::pair<HWND, UINT>> expected{{top, WM_DESTROY},        {child, WM_DESTROY},  {grandchild, WM_DESTROY},
                                              {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(child));
  EXPECT_FALSE(IsWindow(grandchild));
}

TEST_F(UserTest, RefusingNcCreateOrCreateFailsTheCreation) {
  g_hook = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_CREATE ? -1 : kDefault; };
  EXPECT_EQ(TopLevel(), nullptr);
  g_hook = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT { return message == WM_NCCREATE ? FALSE : kDefault; };
  EXPECT_EQ(TopLevel(), nullptr);
  EXPECT_EQ(CreateWindowExW(0, u"NoSuchClass", nullptr, 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowExW(0, u"TestClass", nullptr, WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

LRESULT Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WNDPROC g_previous = nullptr;
LRESULT Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER + 1) return 42;
  return CallWindowProcW(g_previous, window, message, wParam, lParam);
}

TEST_F(UserTest, SubclassingThroughTheWindowProcedureSlot) {
  HWND window = TopLevel();
  g_previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Subclass)));
  EXPECT_EQ(g_previous, &CALLBACK_Recording);
  EXPECT_EQ(SendMessageW(window, WM_USER + 1, 0, 0), 42);
  g_log.clear();
  SendMessageW(window, WM_USER + 2, 5, 6);
  ASSERT_EQ(g_log.size(), 1u);  // passed on to the original procedure
  EXPECT_EQ(g_log[0].wParam, 5u);
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(&Subclass));
}

TEST_F(UserTest, PropertiesLongsAndTextBelongToTheWindow) {
  HWND window = TopLevel();
  EXPECT_TRUE(SetPropW(window, u"CV_WindowID", reinterpret_cast<HANDLE>(1)));
  EXPECT_EQ(GetPropW(window, u"cv_windowid"), reinterpret_cast<HANDLE>(1));  // names ignore case
  EXPECT_EQ(RemovePropW(window, u"CV_WindowID"), reinterpret_cast<HANDLE>(1));
  EXPECT_EQ(GetPropW(window, u"CV_WindowID"), nullptr);
  SetWindowLongPtrW(window, 0, 1234);
  EXPECT_EQ(GetWindowLongPtrW(window, 0), 1234);
  EXPECT_EQ(GetWindowLongPtrW(window, 8), 0);  // past the extra bytes
  SetWindowLongPtrW(window, GWLP_USERDATA, 77);
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), 77);
  EXPECT_TRUE(SetWindowTextW(window, u"Hello"));
  WCHAR buffer[4];
  EXPECT_EQ(GetWindowTextW(window, buffer, 4), 3);
  EXPECT_EQ(std::u16string(buffer), u"Hel");
  EXPECT_EQ(GetWindowTextLengthW(window), 5);
  WCHAR name[32];
  EXPECT_EQ(GetClassNameW(window, name, 32), 9);
  EXPECT_EQ(std::u16string(name), u"TestClass");
}

TEST_F(UserTest, UnknownAndDestroyedHandlesAreRefused) {
  HWND window = TopLevel();
  DestroyWindow(window);
  HWND madeUp = reinterpret_cast<HWND>(0x1234);
  for (HWND handle : {window, madeUp}) {
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(SendMessageW(handle, WM_USER, 0, 0), 0);
    EXPECT_FALSE(PostMessageW(handle, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(handle));
    EXPECT_FALSE(SetPropW(handle, u"x", nullptr));
    EXPECT_EQ(GetParent(handle), nullptr);
    RECT rect;
    EXPECT_FALSE(GetWindowRect(handle, &rect));
    EXPECT_FALSE(ShowWindow(handle, SW_SHOW));
    EXPECT_EQ(SetFocus(handle), nullptr);
    EXPECT_FALSE(InvalidateRect(handle, nullptr, TRUE));
    EXPECT_EQ(GetDC(handle), nullptr);
  }
}

TEST_F(UserTest, AProcedureMayDestroyItsOwnWindowWhileHandlingAMessage) {
  HWND window = TopLevel();
  HWND child = Child(window, 3, 0, 0, 20, 20);
  g_hook = [](HWND hwnd, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message == WM_USER) {
      DestroyWindow(hwnd);
      DestroyWindow(hwnd);  // again, from inside: refused quietly
      SendMessageW(hwnd, WM_USER + 5, 0, 0);
      return 9;
    }
    return kDefault;
  };
  EXPECT_EQ(SendMessageW(window, WM_USER, 0, 0), 9);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(IsWindow(child));
  PostMessageW(nullptr, WM_USER + 9, 0, 0);
  EXPECT_EQ(platform::PumpMessages(), 1);  // the thread message still arrives
}

TEST_F(UserTest, SendMessageIsReentrant) {
  HWND window = TopLevel();
  g_hook = [](HWND hwnd, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
    if (message == WM_USER) return wParam == 0 ? 0 : 1 + SendMessageW(hwnd, WM_USER, wParam - 1, 0);
    return kDefault;
  };
  EXPECT_EQ(SendMessageW(window, WM_USER, 50, 0), 50);
}

TEST_F(UserTest, PostedMessagesArriveInOrderAndMessagesForDeadWindowsAreDropped) {
  HWND a = TopLevel();
  HWND b = TopLevel();
  platform::PumpMessages();
  g_log.clear();
  PostMessageW(a, WM_USER + 1, 1, 0);
  PostMessageW(b, WM_USER + 1, 2, 0);
  PostMessageW(a, WM_USER + 1, 3, 0);
  PostMessageW(b, WM_USER + 1, 4, 0);
  DestroyWindow(b);
  g_log.clear();
  platform::PumpMessages();
  std::vector<WPARAM> order;
  for (const Logged& entry : Only(WM_USER + 1)) order.push_back(entry.wParam);
  EXPECT_EQ(order, (std::vector<WPARAM>{1, 3}));
}

TEST_F(UserTest, PaintComesOnlyWhenNothingElseWaitsAndOnlyForInvalidWindows) {
  HWND a = TopLevel();
  HWND b = TopLevel(600, 100);
  platform::PumpMessages();  // the first paints
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  RECT part{0, 0, 10, 10};
  InvalidateRect(a, &part, FALSE);
  PostMessageW(b, WM_USER, 0, 0);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_USER));  // posted first
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
  EXPECT_EQ(message.hwnd, a);
  DispatchMessageW(&message);  // the default procedure validates
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  ShowWindow(b, SW_HIDE);
  InvalidateRect(b, nullptr, TRUE);
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));  // hidden windows do not paint
}

TEST_F(UserTest, TimersFireFromTheLoopUntilKilled) {
  HWND window = TopLevel();
  platform::PumpMessages();
  EXPECT_EQ(SetTimer(window, 7, 400, nullptr), 7u);
  const ULONGLONG set = GetTickCount64();
  platform::InputAdvanceClock(399);
  EXPECT_EQ(platform::PumpMessages(), 0);  // not due yet, however long the machine took
  platform::InputAdvanceClock(1);
  g_log.clear();
  EXPECT_EQ(platform::PumpMessages(), 1);
  EXPECT_EQ(Only(WM_TIMER).size(), 1u);
  MSG message;
  ASSERT_TRUE(GetMessageW(&message, nullptr, 0, 0));  // waits for the next tick: the clock goes to it
  EXPECT_EQ(message.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(message.wParam, 7u);
  EXPECT_EQ(message.time, static_cast<DWORD>(set + 800));
  EXPECT_EQ(GetTickCount64(), set + 800);
  // Input is stamped by the same clock.
  POINT inside{10, 10};
  ClientToScreen(window, &inside);
  platform::InputPointerMove(inside.x, inside.y);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_MOUSEMOVE, WM_MOUSEMOVE, PM_REMOVE));
  EXPECT_EQ(message.time, static_cast<DWORD>(set + 800));
  EXPECT_TRUE(KillTimer(window, 7));
  EXPECT_FALSE(KillTimer(window, 7));
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 40, QS_ALLINPUT), WAIT_TIMEOUT);
  EXPECT_EQ(GetTickCount64(), set + 840);  // a wait that times out has taken its time
}

TEST_F(UserTest, WaitingWakesForAMessagePostedByAnotherThread) {
  HWND window = TopLevel();
  platform::PumpMessages();
  std::thread poster([window] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (int i = 0; i < 1000; ++i) PostMessageW(window, WM_USER, static_cast<WPARAM>(i), 0);
  });
  EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, kDeadlineMs, QS_ALLINPUT), WAIT_OBJECT_0);
  poster.join();
  g_log.clear();
  platform::PumpMessages();
  auto got = Only(WM_USER);
  ASSERT_EQ(got.size(), 1000u);
  for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i].wParam, i);
}

TEST_F(UserTest, SendingFromAnotherThreadRunsOnTheOwningThread) {
  HWND window = TopLevel();
  DWORD owner = GetCurrentThreadId();
  DWORD ranOn = 0;
  g_hook = [&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message == WM_USER + 3) {
      ranOn = GetCurrentThreadId();
      return 11;
    }
    return kDefault;
  };
  // The sender's state outlives the test if the message is never run: its thread is then left
  // waiting, and the test fails instead of waiting with it.
  auto result = std::make_shared<std::atomic<LRESULT>>(0);
  std::thread sender([window, result] { *result = SendMessageW(window, WM_USER + 3, 0, 0); });
  MSG message;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
  while (*result == 0 && std::chrono::steady_clock::now() < deadline) {
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  if (*result == 0) {
    sender.detach();
    FAIL() << "the sent message was not run within the deadline";
  }
  sender.join();
  EXPECT_EQ(*result, 11);
  EXPECT_EQ(ranOn, owner);
}

TEST_F(UserTest, FrameAndClientRectanglesAgreeForEveryStyle) {
  const DWORD styles[] = {WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, WS_OVERLAPPEDWINDOW, WS_POPUP,
                          WS_CAPTION | WS_THICKFRAME, WS_POPUP | WS_BORDER, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX};
  const DWORD exStyles[] = {0, WS_EX_TOOLWINDOW, WS_EX_CLIENTEDGE};
  for (DWORD style : styles) {
    for (DWORD exStyle : exStyles) {
      RECT rect{0, 0, 400, 300};
      AdjustWindowRectEx(&rect, style, FALSE, exStyle);
      HWND window = CreateWindowExW(exStyle, u"TestClass", u"", style, 50, 60, rect.right - rect.left, rect.bottom - rect.top,
                                    nullptr, nullptr, nullptr, nullptr);
      ASSERT_NE(window, nullptr);
      RECT client, frame;
      GetClientRect(window, &client);
      GetWindowRect(window, &frame);
      EXPECT_EQ(client.right, 400) << std::hex << style << " " << exStyle;
      EXPECT_EQ(client.bottom, 300) << std::hex << style << " " << exStyle;
      POINT origin{0, 0};
      ClientToScreen(window, &origin);
      EXPECT_EQ(origin.x, 50 - rect.left);
      EXPECT_EQ(origin.y, 60 - rect.top);
      EXPECT_EQ(frame.left, 50);
      DestroyWindow(window);
    }
  }
  RECT captioned{0, 0, 100, 100};
  AdjustWindowRectEx(&captioned, WS_CAPTION, FALSE, 0);
  EXPECT_EQ(captioned.top, -(GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CXFIXEDFRAME)));
  RECT bare{0, 0, 100, 100};
  AdjustWindowRectEx(&bare, WS_POPUP, FALSE, 0);
  EXPECT_EQ(bare.top, 0);
}

TEST_F(UserTest, ChildCoordinatesMapThroughTheirParents) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 30, 40, 100, 100, WS_CHILD | WS_VISIBLE | WS_BORDER);
  POINT point{0, 0};
  ClientToScreen(child, &point);
  EXPECT_EQ(point.x, 100 + 30 + 1);
  EXPECT_EQ(point.y, 100 + 40 + 1);
  POINT back = point;
  ScreenToClient(top, &back);
  EXPECT_EQ(back.x, 31);
  POINT mapped{5, 5};
  MapWindowPoints(child, top, &mapped, 1);
  EXPECT_EQ(mapped.x, 36);
  EXPECT_TRUE(IsChild(top, child));
  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetAncestor(child, GA_ROOT), top);
  EXPECT_EQ(GetDlgItem(top, 1), child);
}

TEST_F(UserTest, ChildrenEnumerateInCreationOrder) {
  HWND top = TopLevel();
  HWND a = Child(top, 1, 0, 0, 5, 5);
  HWND b = Child(top, 2, 0, 0, 5, 5);
  HWND inner = Child(a, 3, 0, 0, 2, 2);
  std::vector<HWND> seen;
  EnumChildWindows(
      top, [](HWND window, LPARAM param) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&seen));
  EXPECT_EQ(seen, (std::vector<HWND>{a, inner, b}));
  EXPECT_EQ(GetWindow(top, GW_CHILD), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  EXPECT_EQ(GetWindow(b, GW_HWNDNEXT), nullptr);
}

TEST_F(UserTest, ClicksGoToTheDeepestEnabledChildAndActivateTheWindow) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 10, 10, 100, 50);
  HWND disabled = Child(top, 2, 200, 10, 100, 50, WS_CHILD | WS_VISIBLE | WS_DISABLED);
  HWND other = TopLevel(600, 100, 200, 200, WS_POPUP | WS_VISIBLE);
  EXPECT_EQ(GetActiveWindow(), other);
  platform::PumpMessages();
  g_log.clear();
  POINT at = ScreenOf(child, 5, 6);
  platform::InputClick(at.x, at.y);
  platform::PumpMessages();
  EXPECT_EQ(GetActiveWindow(), top);
  auto downs = Only(WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].window, child);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lParam), 6);
  EXPECT_EQ(downs[0].wParam & MK_LBUTTON, static_cast<WPARAM>(MK_LBUTTON));
  g_log.clear();
  POINT onDisabled = ScreenOf(disabled, 5, 5);
  platform::InputClick(onDisabled.x, onDisabled.y);
  platform::PumpMessages();
  ASSERT_EQ(Only(WM_LBUTTONUP).size(), 1u);
  EXPECT_EQ(Only(WM_LBUTTONUP)[0].window, top);  // the disabled child lets the click through
}

TEST_F(UserTest, DoubleClicksNeedTheClassStyleTheTimeAndTheDistance) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND plain = Child(top, 1, 200, 0, 100, 100, WS_CHILD | WS_VISIBLE, u"PlainClass");
  POINT at = ScreenOf(top, 50, 50);
  auto countDouble = [&] {
    platform::PumpMessages();
    size_t count = Only(WM_LBUTTONDBLCLK).size();
    g_log.clear();
    return count;
  };
  platform::InputDoubleClick(at.x, at.y);
  EXPECT_EQ(countDouble(), 1u);
  platform::InputClick(at.x, at.y);
  platform::InputAdvanceClock(GetDoubleClickTime() + 1);
  platform::InputClick(at.x, at.y);
  EXPECT_EQ(countDouble(), 0u);  // too slow
  platform::InputAdvanceClock(GetDoubleClickTime() + 1);
  platform::InputClick(at.x, at.y);
  platform::InputClick(at.x + 3, at.y);
  EXPECT_EQ(countDouble(), 0u);  // too far
  platform::InputAdvanceClock(GetDoubleClickTime() + 1);
  platform::InputClick(at.x, at.y);
  platform::InputClick(at.x + 2, at.y - 2);
  EXPECT_EQ(countDouble(), 1u);  // within the double-click rectangle
  POINT onPlain = ScreenOf(plain, 5, 5);
  platform::InputDoubleClick(onPlain.x, onPlain.y);
  EXPECT_EQ(countDouble(), 0u);  // the class does not ask for double clicks
}

TEST_F(UserTest, CaptureRoutesADragThatLeavesTheWindow) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 10, 10, 50, 50);
  g_hook = [](HWND window, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message == WM_LBUTTONDOWN) SetCapture(window);
    if (message == WM_LBUTTONUP) ReleaseCapture();
    return kDefault;
  };
  POINT start = ScreenOf(child, 10, 10);
  platform::InputPointerMove(start.x, start.y);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::PumpMessages();
  EXPECT_EQ(GetCapture(), child);
  g_log.clear();
  platform::InputPointerMove(start.x + 300, start.y + 100);  // far outside the child
  platform::InputButton(platform::MouseButton::Left, false);
  platform::PumpMessages();
  auto moves = Only(WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].window, child);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lParam), 310);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].lParam), 110);
  ASSERT_EQ(Only(WM_LBUTTONUP).size(), 1u);
  EXPECT_EQ(Only(WM_LBUTTONUP)[0].window, child);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Only(WM_CAPTURECHANGED).size(), 1u);
}

TEST_F(UserTest, ThePointerReachesEveryMonitorAndStopsAtTheDesktopsEdge) {
  // A second monitor left of the main one and a taller one to its right.
  platform::ScreenInfo screen;
  screen.desktop = RECT{-1024, 0, 1920 + 1280, 1440};
  platform::testing::ScreenSet(screen);
  EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -1024);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 1024 + 1920 + 1280);
  HWND left = TopLevel(-900, 100, 300, 200, WS_POPUP | WS_VISIBLE);
  platform::InputPointerMove(-800, 150);
  POINT at{};
  GetCursorPos(&at);
  EXPECT_EQ(at.x, -800);
  EXPECT_EQ(WindowFromPoint(at), left);
  platform::InputPointerMove(5000, 2000);
  GetCursorPos(&at);
  EXPECT_EQ(at.x, 1920 + 1280 - 1);
  EXPECT_EQ(at.y, 1439);
  platform::testing::ScreenSet(platform::ScreenInfo{});
}

TEST_F(UserTest, TheWheelGoesToTheWindowUnderThePointerAndUpToItsParent) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND a = Child(top, 1, 0, 0, 50, 50);
  HWND b = Child(top, 2, 100, 0, 50, 50);
  SetFocus(a);
  EXPECT_EQ(GetFocus(), a);
  POINT overB = ScreenOf(b, 5, 5);
  platform::InputPointerMove(overB.x, overB.y);
  g_log.clear();
  platform::InputWheel(-WHEEL_DELTA);
  platform::PumpMessages();
  auto wheels = Only(WM_MOUSEWHEEL);
  ASSERT_EQ(wheels.size(), 2u);  // the window under the pointer, then its parent through the default
  EXPECT_EQ(wheels[0].window, b);
  EXPECT_EQ(wheels[1].window, top);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(wheels[0].wParam), -WHEEL_DELTA);
  // Away from the program's windows the focus window takes it.
  platform::InputPointerMove(1000, 900);
  g_log.clear();
  platform::InputWheel(WHEEL_DELTA);
  platform::PumpMessages();
  wheels = Only(WM_MOUSEWHEEL);
  ASSERT_FALSE(wheels.empty());
  EXPECT_EQ(wheels[0].window, a);
}

TEST_F(UserTest, FocusChangesSendKillAndSetFocus) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND a = Child(top, 1, 0, 0, 50, 50);
  HWND b = Child(top, 2, 100, 0, 50, 50);
  SetFocus(a);
  g_log.clear();
  EXPECT_EQ(SetFocus(b), a);
  ASSERT_EQ(Only(WM_KILLFOCUS).size(), 1u);
  EXPECT_EQ(Only(WM_KILLFOCUS)[0].window, a);
  ASSERT_EQ(Only(WM_SETFOCUS).size(), 1u);
  EXPECT_EQ(Only(WM_SETFOCUS)[0].window, b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), top);  // a focused window that goes away hands the focus to its parent
}

TEST_F(UserTest, KeysGoToTheFocusAndTranslateIntoCharacters) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND edit = Child(top, 1, 0, 0, 50, 50);
  SetFocus(edit);
  g_log.clear();
  platform::InputKey(VK_SHIFT, true);
  platform::InputKeyPress('A');
  platform::InputKey(VK_SHIFT, false);
  platform::InputKeyPress('1');
  platform::InputText(u"\u00e9");
  platform::PumpMessages();
  std::u16string typed;
  for (const Logged& entry : Only(WM_CHAR)) typed += static_cast<char16_t>(entry.wParam);
  EXPECT_EQ(typed, u"A1\u00e9");  // a key's character comes right after it, ahead of later input
  EXPECT_EQ(Only(WM_KEYDOWN).front().window, edit);
  EXPECT_EQ(GetKeyState(VK_SHIFT), 0);
}

TEST_F(UserTest, TabAcceleratorsBecomeCommands) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  ACCEL entries[] = {{FVIRTKEY | FNOINVERT, VK_TAB, 64001}, {FVIRTKEY | FNOINVERT | FSHIFT, VK_TAB, 64002}};
  HACCEL table = CreateAcceleratorTableW(entries, 2);
  ASSERT_NE(table, nullptr);
  std::vector<WORD> commands;
  g_hook = [&](HWND, UINT message, WPARAM wParam, LPARAM) -> LRESULT {
    if (message == WM_COMMAND) commands.push_back(LOWORD(wParam));
    return kDefault;
  };
  auto loop = [&] {
    MSG message;
    for (int guard = 0; guard < 10000 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE); ++guard) {
      if (!TranslateAcceleratorW(top, table, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
  };
  platform::InputKeyPress(VK_TAB);
  platform::InputKey(VK_SHIFT, true);
  platform::InputKeyPress(VK_TAB);
  platform::InputKey(VK_SHIFT, false);
  platform::InputKey(VK_CONTROL, true);
  platform::InputKeyPress(VK_TAB);  // Ctrl+Tab matches neither entry
  platform::InputKey(VK_CONTROL, false);
  loop();
  EXPECT_EQ(commands, (std::vector<WORD>{64001, 64002}));
  EXPECT_TRUE(DestroyAcceleratorTable(table));
  EXPECT_FALSE(DestroyAcceleratorTable(table));
}

TEST_F(UserTest, TheCloseBoxAndAltF4AskTheWindowToClose) {
  HWND top = TopLevel();
  int closes = 0;
  g_hook = [&](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message == WM_CLOSE) {
      ++closes;
      return 0;  // kept open
    }
    return kDefault;
  };
  platform::InputCloseRequest(top);
  platform::InputCloseRequest(top);
  platform::InputKey(VK_MENU, true);
  platform::InputKeyPress(VK_F4);
  platform::InputKey(VK_MENU, false);
  platform::PumpMessages();
  EXPECT_EQ(closes, 3);
  EXPECT_TRUE(IsWindow(top));
  g_hook = nullptr;
  platform::InputCloseRequest(top);
  platform::PumpMessages();
  EXPECT_FALSE(IsWindow(top));  // the default closes by destroying
}

TEST_F(UserTest, AUserResizeRespectsTheTrackLimitsAndReportsTheNewSize) {
  HWND top = TopLevel(0, 0, 400, 300);
  g_hook = [](HWND, UINT message, WPARAM, LPARAM lParam) -> LRESULT {
    if (message == WM_GETMINMAXINFO) {
      reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{300, 200};
      return 0;
    }
    return kDefault;
  };
  g_log.clear();
  platform::InputResize(top, 100, 500);
  RECT frame;
  GetWindowRect(top, &frame);
  EXPECT_EQ(frame.right - frame.left, 300);
  EXPECT_EQ(frame.bottom - frame.top, 500);
  auto sizes = Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(LOWORD(sizes[0].lParam), client.right);
  EXPECT_EQ(HIWORD(sizes[0].lParam), client.bottom);
}

TEST_F(UserTest, MouseLeaveFollowsTracking) {
  HWND top = TopLevel(100, 100, 400, 300, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 0, 0, 50, 50);
  POINT inside = ScreenOf(child, 5, 5);
  platform::InputPointerMove(inside.x, inside.y);
  TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, child, 0};
  EXPECT_TRUE(TrackMouseEvent(&track));
  g_log.clear();
  platform::InputPointerMove(inside.x + 10, inside.y);
  platform::InputPointerMove(inside.x + 200, inside.y);
  platform::InputPointerMove(inside.x + 210, inside.y);
  platform::PumpMessages();
  ASSERT_EQ(Only(WM_MOUSELEAVE).size(), 1u);
  EXPECT_EQ(Only(WM_MOUSELEAVE)[0].window, child);
}

TEST_F(UserTest, AChildPaintedAtItsPositionShowsInTheBackingBitmap) {
  HWND top = TopLevel(100, 100, 200, 100, WS_POPUP | WS_VISIBLE);
  HWND child = Child(top, 1, 20, 30, 40, 10);
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  g_hook = [&](HWND window, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message == WM_PAINT && window == child) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT everything{-100, -100, 1000, 1000};  // clipped to the child's client area
      FillRect(dc, &everything, red);
      EndPaint(window, &paint);
      return 0;
    }
    return kDefault;
  };
  InvalidateRect(top, nullptr, TRUE);
  platform::PumpMessages();
  HBITMAP backing = platform::WindowBacking(top);
  ASSERT_NE(backing, nullptr);
  DIBSECTION section{};
  ASSERT_EQ(GetObjectW(backing, sizeof section, &section), static_cast<int>(sizeof section));
  auto pixel = [&](int x, int y) {
    const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes;
    return static_cast<uint32_t>(row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16));
  };
  EXPECT_EQ(pixel(20, 30), 0xFF0000u);  // B, G, R read as 0xRRGGBB
  EXPECT_EQ(pixel(59, 39), 0xFF0000u);
  EXPECT_EQ(pixel(19, 30), 0xF0F0F0u);  // the parent's class brush around it
  EXPECT_EQ(pixel(60, 39), 0xF0F0F0u);
  EXPECT_EQ(pixel(20, 40), 0xF0F0F0u);
  g_hook = nullptr;
  DeleteObject(red);
}

TEST_F(UserTest, TopmostBandIsKeptInTheExtendedStyle) {
  HWND window = TopLevel();
  HWND child = Child(window, 1, 0, 0, 10, 10);
  const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
  EXPECT_TRUE(SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, keep));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep | SWP_NOZORDER));  // z-order untouched
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_TRUE(SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, keep));
  EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(child, HWND_TOPMOST, 0, 0, 0, 0, keep);  // only top-level windows have the band
  EXPECT_FALSE(GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

}  // namespace
