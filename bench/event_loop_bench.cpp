// An idle message loop must cost nothing: it sleeps in the display backend's Wait and wakes only
// for work. Compared against a polling loop (PeekMessageW and Sleep(1), what a loop without a
// wait would do) over the same idle 100 ms. Real time is the same by design; what compares is
// the CPU column (what the idle period cost) and the `wakes` counter (how often the loop came
// back to look). A second pair takes 50 messages posted 2 ms apart by another thread: one wake
// per message (fewer when several wait together) is the target, against a wake per millisecond.
#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "backend.h"
#include "headless/headless_backend.h"
#include "kernel.h"
#include "user.h"

namespace {

// The headless backend, counting how often a waiting thread came back out of Wait.
class CountingBackend : public platform::HeadlessBackend {
 public:
  void Wait(ULONGLONG deadline) override {
    HeadlessBackend::Wait(deadline);
    wakes.fetch_add(1, std::memory_order_relaxed);
  }
  std::atomic<int64_t> wakes{0};
};

CountingBackend g_backend;

LRESULT CALLBACK_Plain(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = CALLBACK_Plain;
    windowClass.lpszClassName = u"IdleBenchClass";
    RegisterClassExW(&windowClass);
    registered = true;
  }
  return CreateWindowExW(0, u"IdleBenchClass", u"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

void IdleWait(benchmark::State& state) {
  platform::DisplayInstall(&g_backend);
  HWND window = MakeWindow();
  int64_t wakes = 0;
  for (auto _ : state) {
    int64_t before = g_backend.wakes.load();
    benchmark::DoNotOptimize(MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT));
    wakes += g_backend.wakes.load() - before;
  }
  state.counters["wakes"] = benchmark::Counter(static_cast<double>(wakes), benchmark::Counter::kAvgIterations);
  DestroyWindow(window);
  platform::DisplayInstall(nullptr);
}
BENCHMARK(IdleWait)->Unit(benchmark::kMillisecond)->Iterations(10);

void IdlePolling(benchmark::State& state) {
  HWND window = MakeWindow();
  int64_t wakes = 0;
  for (auto _ : state) {
    ULONGLONG end = GetTickCount64() + 100;
    MSG message;
    while (GetTickCount64() < end) {
      benchmark::DoNotOptimize(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
      Sleep(1);
      ++wakes;
    }
  }
  state.counters["wakes"] = benchmark::Counter(static_cast<double>(wakes), benchmark::Counter::kAvgIterations);
  DestroyWindow(window);
}
BENCHMARK(IdlePolling)->Unit(benchmark::kMillisecond)->Iterations(10);

// 50 messages posted 2 ms apart by another thread; the loop takes each with GetMessageW.
constexpr int kPosts = 50;

void WakesForPosts(benchmark::State& state) {
  platform::DisplayInstall(&g_backend);
  HWND window = MakeWindow();
  int64_t wakes = 0;
  for (auto _ : state) {
    int64_t before = g_backend.wakes.load();
    std::thread poster([window] {
      for (int i = 0; i < kPosts; ++i) {
        Sleep(2);
        PostMessageW(window, WM_USER, 0, 0);
      }
    });
    MSG message;
    for (int taken = 0; taken < kPosts && GetMessageW(&message, nullptr, 0, 0);) {
      if (message.message == WM_USER) ++taken;
      DispatchMessageW(&message);
    }
    poster.join();
    wakes += g_backend.wakes.load() - before;
  }
  state.counters["wakes"] = benchmark::Counter(static_cast<double>(wakes), benchmark::Counter::kAvgIterations);
  DestroyWindow(window);
  platform::DisplayInstall(nullptr);
}
BENCHMARK(WakesForPosts)->Unit(benchmark::kMillisecond)->Iterations(10);

void PollsForPosts(benchmark::State& state) {
  HWND window = MakeWindow();
  int64_t wakes = 0;
  for (auto _ : state) {
    std::thread poster([window] {
      for (int i = 0; i < kPosts; ++i) {
        Sleep(2);
        PostMessageW(window, WM_USER, 0, 0);
      }
    });
    MSG message;
    for (int taken = 0; taken < kPosts;) {
      if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_USER) ++taken;
        DispatchMessageW(&message);
      } else {
        Sleep(1);
      }
      ++wakes;
    }
    poster.join();
  }
  state.counters["wakes"] = benchmark::Counter(static_cast<double>(wakes), benchmark::Counter::kAvgIterations);
  DestroyWindow(window);
}
BENCHMARK(PollsForPosts)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
