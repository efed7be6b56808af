// The display backend contract, seen from a backend: a recording backend installed in place of
// the headless one hears each window change once, exactly the painted rectangles, real cursor
// changes and modality, and is where a waiting message loop sleeps until work arrives.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "backend.h"
#include "dialogs.h"
#include "input.h"
#include "kernel.h"
#include "testing.h"
#include "user.h"

namespace {

// Keeps the headless behaviour (screen, choosers, waiting) and writes down what it is told.
class RecordingBackend : public platform::HeadlessBackend {
 public:
  void WindowShown(HWND window, bool shown) override { Note(window, shown ? "shown" : "hidden"); }
  void WindowMoved(HWND window, const RECT& frame) override {
    Note(window, "moved " + std::to_string(frame.left) + "," + std::to_string(frame.top));
  }
  void WindowTitleChanged(HWND window, const std::u16string& title) override {
    Note(window, "title " + std::string(title.begin(), title.end()));
  }
  void WindowDestroyed(HWND window) override { Note(window, "destroyed"); }
  void WindowEnabled(HWND window, bool enabled) override { Note(window, enabled ? "enabled" : "disabled"); }
  void Present(HWND window, const RECT& area) override {
    Note(window, "present");
    {
      std::lock_guard<std::mutex> guard(lock_);
      presents.push_back(area);
    }
    if (onPresent) onPresent(window);  // a backend that repaints from inside a present
  }
  void CursorChanged(HCURSOR cursor) override {
    Note(nullptr, "cursor");
    std::lock_guard<std::mutex> guard(lock_);
    cursors.push_back(cursor);
  }
  void Wait(ULONGLONG deadline) override {
    waits.fetch_add(1);
    if (deadline != ~0ull) timedWaits.fetch_add(1);
    HeadlessBackend::Wait(deadline);
  }

  std::vector<std::string> For(HWND window) {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<std::string> out;
    for (const auto& [about, what] : events_) {
      if (about == window) out.push_back(what);
    }
    return out;
  }
  void Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    events_.clear();
    presents.clear();
    cursors.clear();
  }

  std::vector<RECT> presents;
  std::vector<HCURSOR> cursors;
  std::function<void(HWND)> onPresent;
  std::atomic<int> waits{0};
  std::atomic<int> timedWaits{0};
  std::atomic<int> lockedCallbacks{0};

 private:
  void Note(HWND window, std::string what) {
    if (platform::testing::UserLockHeld()) lockedCallbacks.fetch_add(1);
    std::lock_guard<std::mutex> guard(lock_);
    events_.emplace_back(window, std::move(what));
  }
  std::mutex lock_;
  std::vector<std::pair<HWND, std::string>> events_;
};

LRESULT CALLBACK_Plain(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

// Runs work on this thread; a lost wake must fail the test, not hang it, so past the deadline a
// watchdog ends the process loudly.
template <class F>
void WithinSeconds(int seconds, F work) {
  std::mutex lock;
  std::condition_variable finished;
  bool done = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> guard(lock);
    if (!finished.wait_for(guard, std::chrono::seconds(seconds), [&] { return done; })) {
      std::fprintf(stderr, "deadline passed: the work never finished\n");
      std::_Exit(1);
    }
  });
  work();
  {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
  }
  finished.notify_all();
  watchdog.join();
}

class DisplayBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = CALLBACK_Plain;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = u"BackendTestClass";
    RegisterClassExW(&windowClass);
    platform::DisplayInstall(&backend_);
  }
  void TearDown() override {
    for (HWND window : windows_) {
      if (IsWindow(window)) DestroyWindow(window);
    }
    platform::PumpMessages();
    platform::DisplayInstall(nullptr);
    EXPECT_EQ(backend_.lockedCallbacks.load(), 0) << "a backend callback ran with the platform's lock held";
  }
  HWND TopLevel(DWORD style = WS_OVERLAPPEDWINDOW) {
    HWND window = CreateWindowExW(0, u"BackendTestClass", u"Top", style, 100, 50, 300, 200, nullptr, nullptr, nullptr, nullptr);
    windows_.push_back(window);
    return window;
  }

  RecordingBackend backend_;
  std::vector<HWND> windows_;
};

TEST_F(DisplayBackendTest, ShowsMovesTitlesAndDestructionAreReportedOnceEach) {
  HWND window = TopLevel();
  HWND child = CreateWindowExW(0, u"BackendTestClass", u"Child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window, nullptr,
                               nullptr, nullptr);
  ShowWindow(window, SW_SHOW);
  ShowWindow(window, SW_SHOW);
  SetWindowPos(window, nullptr, 120, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowPos(window, nullptr, 120, 70, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  SetWindowTextW(window, u"Labels");
  SetWindowTextW(window, u"Labels");
  SetWindowTextW(child, u"not a title");
  SetWindowPos(child, nullptr, 5, 5, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  DestroyWindow(window);
  std::vector<std::string> expected{"shown", "moved 120,70", "title Labels", "hidden", "destroyed"};
  std::vector<std::string> seen;
  for (const std::string& event : backend_.For(window)) {
    if (event != "present") seen.push_back(event);
  }
  EXPECT_EQ(seen, expected);
  EXPECT_TRUE(backend_.For(child).empty()) << "only top-level windows reach the backend";
}

TEST_F(DisplayBackendTest, PresentsCoverThePaintedRectanglesAndNothingElse) {
  HWND window = TopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND child = CreateWindowExW(0, u"BackendTestClass", u"", WS_CHILD | WS_VISIBLE, 40, 30, 100, 60, window, nullptr,
                               nullptr, nullptr);
  platform::PumpMessages();
  struct Case {
    HWND target;
    RECT invalid;   // in the target's client coordinates
    RECT expected;  // in the top-level window's backing bitmap
  };
  for (const Case& c : {Case{window, {10, 10, 30, 25}, {10, 10, 30, 25}},
                        Case{child, {5, 5, 20, 15}, {45, 35, 60, 45}},
                        Case{child, {80, 50, 400, 400}, {120, 80, 140, 90}}}) {
    backend_.Clear();
    InvalidateRect(c.target, &c.invalid, FALSE);
    UpdateWindow(c.target);
    ASSERT_EQ(backend_.presents.size(), 1u);
    EXPECT_TRUE(EqualRect(&backend_.presents[0], &c.expected))
        << backend_.presents[0].left << "," << backend_.presents[0].top << "," << backend_.presents[0].right << ","
        << backend_.presents[0].bottom;
  }
  backend_.Clear();
  platform::PumpMessages();
  EXPECT_TRUE(backend_.presents.empty()) << "nothing painted, nothing presented";
}

TEST_F(DisplayBackendTest, APresentThatRepaintsAndADestroyFromACallbackAreSafe) {
  HWND window = TopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  platform::PumpMessages();
  int repaints = 0;
  backend_.onPresent = [&](HWND shown) {
    if (repaints++ < 3) {
      InvalidateRect(shown, nullptr, FALSE);
      UpdateWindow(shown);
    } else if (IsWindow(shown)) {
      DestroyWindow(shown);
    }
  };
  InvalidateRect(window, nullptr, FALSE);
  UpdateWindow(window);
  backend_.onPresent = nullptr;
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(backend_.For(window).back(), "destroyed");
  platform::InputClick(150, 100);  // input for a window that is gone
  platform::PumpMessages();
}

TEST_F(DisplayBackendTest, OnlyRealCursorChangesAreReported) {
  HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
  HCURSOR cross = LoadCursorW(nullptr, IDC_CROSS);
  SetCursor(arrow);
  backend_.Clear();
  SetCursor(arrow);
  SetCursor(cross);
  SetCursor(cross);
  SetCursor(arrow);
  EXPECT_EQ(backend_.cursors, (std::vector<HCURSOR>{cross, arrow}));
}

TEST_F(DisplayBackendTest, ARequesterDisablesItsOwnerWhileOpen) {
  HWND owner = TopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  std::vector<std::string> whileOpen;
  platform::testing::DialogAnswer answer;
  answer.paths = {u"/tmp/a.png"};
  answer.whileOpen = [&] { whileOpen = backend_.For(owner); };
  platform::testing::DialogsQueueFileAnswer(answer);
  backend_.Clear();
  WCHAR name[260] = {};
  OPENFILENAMEW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpstrFile = name;
  request.nMaxFile = 260;
  EXPECT_TRUE(GetOpenFileNameW(&request));
  EXPECT_NE(std::find(whileOpen.begin(), whileOpen.end(), "disabled"), whileOpen.end());
  EXPECT_EQ(backend_.For(owner).back(), "enabled");
  platform::testing::DialogsReset();
}

TEST_F(DisplayBackendTest, APostFromAnotherThreadWakesALoopWaitingInTheBackend) {
  HWND window = TopLevel();
  platform::PumpMessages();
  WithinSeconds(10, [&] {
    std::thread poster([&] {
      // Only once the loop sleeps in the backend.
      while (backend_.waits.load() == 0) std::this_thread::yield();
      PostMessageW(window, WM_USER + 7, 42, 0);
    });
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) && message.message != WM_USER + 7) DispatchMessageW(&message);
    poster.join();
    EXPECT_EQ(message.wParam, 42u);
  });
  // Wakes from threads that end at once reach nobody and harm nothing.
  for (int i = 0; i < 20; ++i) std::thread([] { platform::Display().Wake(); }).detach();
}

TEST_F(DisplayBackendTest, ATimerFiresThroughTheWaitsDeadline) {
  HWND window = TopLevel();
  platform::PumpMessages();
  ULONGLONG start = GetTickCount64();
  SetTimer(window, 5, 30, nullptr);
  WithinSeconds(10, [&] {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) && message.message != WM_TIMER) DispatchMessageW(&message);
    EXPECT_EQ(message.wParam, 5u);
  });
  KillTimer(window, 5);
  EXPECT_GE(GetTickCount64() - start, 25u);
  EXPECT_GE(backend_.timedWaits.load(), 1) << "the loop slept until the timer was due";
}

TEST_F(DisplayBackendTest, TwoThreadsSendingToEachOtherBothFinish) {
  HWND mine = TopLevel();
  static HWND s_mine = nullptr;
  s_mine = mine;
  std::promise<HWND> theirsMade;
  std::atomic<bool> stop{false};
  std::thread other([&] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpszClassName = u"BackendEchoClass";
    windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
      // Asked by the first thread, it asks that thread back before it answers.
      if (message == WM_USER + 1) return SendMessageW(s_mine, WM_USER + 2, wParam, 0) + 1;
      return DefWindowProcW(window, message, wParam, lParam);
    };
    RegisterClassExW(&windowClass);
    HWND theirs = CreateWindowExW(0, u"BackendEchoClass", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    theirsMade.set_value(theirs);
    MSG message;
    while (!stop.load()) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    DestroyWindow(theirs);
  });
  HWND theirs = theirsMade.get_future().get();
  SetWindowLongPtrW(mine, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(+[](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_USER + 2) return static_cast<LRESULT>(wParam) * 10;
    return DefWindowProcW(window, message, wParam, lParam);
  }));
  LRESULT result = 0;
  WithinSeconds(10, [&] { result = SendMessageW(theirs, WM_USER + 1, 4, 0); });
  stop = true;
  platform::Display().Wake();
  other.join();
  EXPECT_EQ(result, 41);
}

TEST_F(DisplayBackendTest, TheWindowManagersActivationEntersAsInput) {
  HWND first = TopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  HWND second = TopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  platform::InputWindowActivated(first, true);
  EXPECT_EQ(GetActiveWindow(), first);
  EXPECT_EQ(GetFocus(), first);
  platform::InputWindowActivated(second, false);  // not the active one: nothing changes
  EXPECT_EQ(GetActiveWindow(), first);
  platform::InputWindowActivated(first, false);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EnableWindow(second, FALSE);
  platform::InputWindowActivated(second, true);  // a modal owner stays inactive
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(DisplayBackendTest, InputFromAThreadThatDoesNotOwnTheWindowIsRefused) {
  HWND window = TopLevel(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SetActiveWindow(window);
  platform::PumpMessages();
  EXPECT_DEBUG_DEATH(std::thread([] { platform::InputKey('A', true); }).join(), "thread that owns");
  MSG message;
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_KEYDOWN, WM_KEYUP, PM_REMOVE));
}

}  // namespace
