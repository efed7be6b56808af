// The message queue: sent messages (with cross-thread sends marshalled to the owning thread),
// posted and input messages, the WM_PAINT and WM_TIMER messages made when nothing else waits,
// retrieval, translation of keys into characters, dispatch, registered messages and
// accelerator tables. Each thread that owns windows has its own queue.
#include <algorithm>
#include <chrono>
#include <unordered_map>

#include "clock.h"
#include "kernel.h"
#include "user_internal.h"

namespace platform {

// A message sent from another thread. Its result and `done` are guarded by the sender's queue
// lock; the sender waits on its own queue, so it can run what is sent to it meanwhile.
struct SentMessage {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  std::shared_ptr<ThreadQueue> sender;
  LRESULT result = 0;
  bool done = false;
};

namespace {

struct Timer {
  HWND window;
  UINT_PTR id;
  UINT elapse;
  ULONGLONG due;
  TIMERPROC callback;
};

// Never destroyed: another thread may still post while static destructors run at exit.
struct Queues {
  std::mutex lock;
  std::unordered_map<DWORD, std::shared_ptr<ThreadQueue>> byThread;
};
Queues& AllQueues() {
  static Queues* queues = new Queues;
  return *queues;
}
thread_local std::vector<Timer> t_timers;
thread_local UINT_PTR t_nextTimerId = 0x7FF0;

std::mutex g_registeredLock;
std::unordered_map<std::u16string, UINT> g_registered;

struct AcceleratorTable {
  std::vector<ACCEL> entries;
};
std::mutex g_acceleratorsLock;
std::unordered_map<uintptr_t, std::shared_ptr<AcceleratorTable>> g_accelerators;
uintptr_t g_nextAccelerator = 0x30000;

bool Matches(const MSG& message, HWND window, UINT first, UINT last) {
  if (window && message.hwnd != window && !IsChild(window, message.hwnd)) return false;
  if (first == 0 && last == 0) return true;
  return message.message >= first && message.message <= last;
}

// Runs the messages other threads sent to this one; their senders are waiting.
void RunSentMessages(ThreadQueue& queue) {
  while (true) {
    std::shared_ptr<SentMessage> sent;
    {
      std::lock_guard<std::mutex> guard(queue.lock);
      if (queue.sent.empty()) return;
      sent = queue.sent.front();
      queue.sent.pop_front();
    }
    LRESULT result = 0;
    if (auto window = WindowFind(sent->window)) result = CallProcedure(window, sent->message, sent->wParam, sent->lParam);
    {
      std::lock_guard<std::mutex> guard(sent->sender->lock);
      sent->result = result;
      sent->done = true;
    }
    sent->sender->wake.notify_all();
  }
}

bool TakeTimer(HWND window, UINT first, UINT last, MSG* out) {
  if (!(first == 0 && last == 0) && (WM_TIMER < first || WM_TIMER > last)) return false;
  ULONGLONG now = GetTickCount64();
  for (Timer& timer : t_timers) {
    if (timer.due > now) continue;
    if (window && timer.window != window && !IsChild(window, timer.window)) continue;
    timer.due = now + timer.elapse;
    *out = MSG{timer.window, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.callback), static_cast<DWORD>(now), {}};
    GetCursorPos(&out->pt);
    return true;
  }
  return false;
}

ULONGLONG NextTimerDue() {
  ULONGLONG due = ~0ull;
  for (const Timer& timer : t_timers) due = std::min(due, timer.due);
  return due;
}

}  // namespace

std::shared_ptr<ThreadQueue> QueueOf(DWORD thread) {
  Queues& queues = AllQueues();
  std::lock_guard<std::mutex> guard(queues.lock);
  auto& queue = queues.byThread[thread];
  if (!queue) queue = std::make_shared<ThreadQueue>();
  return queue;
}

void TimersForgetWindow(HWND window) {
  t_timers.erase(std::remove_if(t_timers.begin(), t_timers.end(), [&](const Timer& t) { return t.window == window; }), t_timers.end());
}

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam, POINT point, DWORD time) {
  auto record = WindowFind(window);
  if (!record) return;
  auto queue = QueueOf(record->thread);
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->posted.push_back(MSG{window, message, wParam, lParam, time, point});
  }
  Backend().Wake();
}

}  // namespace platform

using platform::WindowFind;

LRESULT SendMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  auto window = WindowFind(handle);
  if (!window) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window->thread == GetCurrentThreadId()) return platform::CallProcedure(window, message, wParam, lParam);
  // Another thread's window: its own thread runs the procedure while this one waits. Waiting,
  // this thread still runs what other threads send to it, so two threads sending to each other
  // both finish.
  auto queue = platform::QueueOf(window->thread);
  auto own = platform::QueueOf(GetCurrentThreadId());
  auto sent = std::make_shared<platform::SentMessage>();
  sent->window = handle;
  sent->message = message;
  sent->wParam = wParam;
  sent->lParam = lParam;
  sent->sender = own;
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->sent.push_back(sent);
  }
  queue->wake.notify_all();  // the receiver may itself be waiting in a send
  platform::Backend().Wake();
  std::unique_lock<std::mutex> lock(own->lock);
  while (!sent->done) {
    if (!own->sent.empty()) {
      lock.unlock();
      platform::RunSentMessages(*own);
      lock.lock();
      continue;
    }
    own->wake.wait(lock);
  }
  return sent->result;
}

BOOL PostMessageW(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD thread = GetCurrentThreadId();
  if (handle) {
    auto window = WindowFind(handle);
    if (!window) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return FALSE;
    }
    thread = window->thread;
  }
  auto queue = platform::QueueOf(thread);
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    MSG posted{handle, message, wParam, lParam, GetTickCount(), {}};
    GetCursorPos(&posted.pt);
    queue->posted.push_back(posted);
  }
  platform::Backend().Wake();
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  auto queue = platform::QueueOf(GetCurrentThreadId());
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->quit = true;
    queue->quitCode = exitCode;
  }
  platform::Backend().Wake();
}

BOOL PeekMessageW(MSG* message, HWND window, UINT first, UINT last, UINT removeFlags) {
  if (message == nullptr) return FALSE;
  platform::Backend().Pump();
  auto queue = platform::QueueOf(GetCurrentThreadId());
  platform::RunSentMessages(*queue);
  bool remove = removeFlags & PM_REMOVE;
  {
    std::lock_guard<std::mutex> guard(queue->lock);
    for (auto it = queue->posted.begin(); it != queue->posted.end();) {
      if (it->hwnd && !WindowFind(it->hwnd)) {
        it = queue->posted.erase(it);  // its window is gone: nobody can take it
        continue;
      }
      if (!platform::Matches(*it, window, first, last)) {
        ++it;
        continue;
      }
      *message = *it;
      if (remove) {
        queue->posted.erase(it);
        queue->last = *message;
        platform::InputMessageTaken(*message);
      }
      return TRUE;
    }
    if (queue->quit && (first == 0 || (WM_QUIT >= first && WM_QUIT <= last))) {
      *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(queue->quitCode), 0, GetTickCount(), {}};
      if (remove) queue->quit = false;
      return TRUE;
    }
  }
  if ((first == 0 && last == 0) || (WM_PAINT >= first && WM_PAINT <= last)) {
    MSG paint;
    if (platform::PaintTakePending(GetCurrentThreadId(), &paint) && (!window || paint.hwnd == window || IsChild(window, paint.hwnd))) {
      *message = paint;
      if (remove) queue->last = paint;
      return TRUE;
    }
  }
  if (platform::TakeTimer(window, first, last, message)) {
    if (remove) queue->last = *message;
    return TRUE;
  }
  return FALSE;
}

namespace {

// Sleeps in the display backend until this thread's queue may have something: input, a posted
// or sent message (each wakes the backend), the next timer, or the deadline (~0 = none).
// On a frozen clock a timer that comes first is waited for by moving the clock to it, at once;
// the deadline itself is waited for in real time, so other threads can still post, and a wait
// that ran its full time then moves the clock on.
void WaitForWork(ULONGLONG deadline) {
  const ULONGLONG timer = platform::NextTimerDue();
  const ULONGLONG due = std::min(deadline, timer);
  if (due == ~0ull || !platform::ClockFrozen()) {
    platform::Backend().Wait(due);
    return;
  }
  const ULONGLONG now = GetTickCount64();
  if (due <= now) return;
  if (timer <= deadline) {
    platform::ClockAdvance(timer - now);
    return;
  }
  const auto started = std::chrono::steady_clock::now();
  platform::Backend().Wait(due);
  if (std::chrono::steady_clock::now() - started >= std::chrono::milliseconds(due - now)) {
    platform::ClockAdvance(due - now);
  }
}

}  // namespace

BOOL GetMessageW(MSG* message, HWND window, UINT first, UINT last) {
  if (message == nullptr) return -1;
  while (!PeekMessageW(message, window, first, last, PM_REMOVE)) WaitForWork(~0ull);
  return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage() {
  MSG probe;
  while (!PeekMessageW(&probe, nullptr, 0, 0, PM_NOREMOVE)) WaitForWork(~0ull);
  return TRUE;
}

DWORD MsgWaitForMultipleObjects(DWORD count, const HANDLE*, BOOL, DWORD milliseconds, DWORD) {
  if (count != 0) {
    SetLastError(ERROR_INVALID_PARAMETER);  // only the message queue can be waited for here
    return WAIT_FAILED;
  }
  ULONGLONG deadline = milliseconds == INFINITE ? ~0ull : GetTickCount64() + milliseconds;
  MSG probe;
  while (true) {
    if (PeekMessageW(&probe, nullptr, 0, 0, PM_NOREMOVE)) return WAIT_OBJECT_0 + count;
    if (GetTickCount64() >= deadline) return WAIT_TIMEOUT;
    WaitForWork(deadline);
  }
}

BOOL TranslateMessage(const MSG* message) {
  if (message == nullptr || (message->message != WM_KEYDOWN && message->message != WM_SYSKEYDOWN)) return FALSE;
  // A key whose characters the desktop delivers as text (an input method, a dead key, compose)
  // makes none here, or each character would arrive twice.
  if (message->lParam & platform::kKeyTextFollows) return FALSE;
  char16_t character = platform::UsKeyboardCharacter(static_cast<UINT>(message->wParam), GetKeyState(VK_SHIFT) < 0,
                                                    GetKeyState(VK_CONTROL) < 0);
  if (character && WindowFind(message->hwnd)) {
    // The character comes next, ahead of any input queued behind its key.
    auto queue = platform::QueueOf(WindowFind(message->hwnd)->thread);
    std::lock_guard<std::mutex> guard(queue->lock);
    queue->posted.push_front(MSG{message->hwnd, static_cast<UINT>(message->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR), character,
                                 message->lParam, message->time, message->pt});
  }
  return TRUE;
}

LRESULT DispatchMessageW(const MSG* message) {
  if (message == nullptr) return 0;
  if (message->message == WM_TIMER && message->lParam) {
    auto callback = reinterpret_cast<TIMERPROC>(message->lParam);
    callback(message->hwnd, WM_TIMER, message->wParam, message->time);
    return 0;
  }
  auto window = WindowFind(message->hwnd);
  if (!window) return 0;
  return platform::CallProcedure(window, message->message, message->wParam, message->lParam);
}

UINT RegisterWindowMessageW(LPCWSTR name) {
  if (name == nullptr || name[0] == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string key;
  for (; *name; ++name) key += (*name >= u'A' && *name <= u'Z') ? static_cast<char16_t>(*name + 32) : *name;
  std::lock_guard<std::mutex> guard(platform::g_registeredLock);
  auto it = platform::g_registered.find(key);
  if (it != platform::g_registered.end()) return it->second;
  UINT id = static_cast<UINT>(0xC000 + platform::g_registered.size());
  if (id > 0xFFFF) return 0;
  platform::g_registered[key] = id;
  return id;
}

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC callback) {
  if (window && !WindowFind(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window == nullptr) id = ++platform::t_nextTimerId;
  elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);  // the smallest period Windows grants
  ULONGLONG due = GetTickCount64() + elapse;
  for (auto& timer : platform::t_timers) {
    if (timer.window == window && timer.id == id) {
      timer = platform::Timer{window, id, elapse, due, callback};
      return window ? 1 : id;
    }
  }
  platform::t_timers.push_back(platform::Timer{window, id, elapse, due, callback});
  return window ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND window, UINT_PTR id) {
  auto& timers = platform::t_timers;
  auto at = std::find_if(timers.begin(), timers.end(), [&](const platform::Timer& t) { return t.window == window && t.id == id; });
  if (at == timers.end()) return FALSE;
  timers.erase(at);
  // A WM_TIMER already queued for it would be harmless; none is queued, they are made on demand.
  return TRUE;
}

HACCEL CreateAcceleratorTableW(const ACCEL* entries, int count) {
  if (entries == nullptr || count <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto table = std::make_shared<platform::AcceleratorTable>();
  table->entries.assign(entries, entries + count);
  std::lock_guard<std::mutex> guard(platform::g_acceleratorsLock);
  platform::g_nextAccelerator += 4;
  platform::g_accelerators[platform::g_nextAccelerator] = table;
  return reinterpret_cast<HACCEL>(platform::g_nextAccelerator);
}

BOOL DestroyAcceleratorTable(HACCEL handle) {
  std::lock_guard<std::mutex> guard(platform::g_acceleratorsLock);
  return platform::g_accelerators.erase(reinterpret_cast<uintptr_t>(handle)) ? TRUE : FALSE;
}

int TranslateAcceleratorW(HWND window, HACCEL handle, const MSG* message) {
  if (message == nullptr || !WindowFind(window)) return 0;
  std::shared_ptr<platform::AcceleratorTable> table;
  {
    std::lock_guard<std::mutex> guard(platform::g_acceleratorsLock);
    auto it = platform::g_accelerators.find(reinterpret_cast<uintptr_t>(handle));
    if (it == platform::g_accelerators.end()) return 0;
    table = it->second;
  }
  bool keyDown = message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN;
  bool character = message->message == WM_CHAR || message->message == WM_SYSCHAR;
  if (!keyDown && !character) return 0;
  bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  for (const ACCEL& entry : table->entries) {
    bool virtualKey = entry.fVirt & FVIRTKEY;
    if (virtualKey != keyDown || entry.key != message->wParam) continue;
    if (virtualKey && (((entry.fVirt & FSHIFT) != 0) != shift || ((entry.fVirt & FCONTROL) != 0) != control ||
                       ((entry.fVirt & FALT) != 0) != alt)) {
      continue;
    }
    SendMessageW(window, WM_COMMAND, MAKEWPARAM(entry.cmd, 1), 0);
    return 1;
  }
  return 0;
}

DWORD GetMessagePos() {
  auto queue = platform::QueueOf(GetCurrentThreadId());
  std::lock_guard<std::mutex> guard(queue->lock);
  return static_cast<DWORD>(MAKELONG(static_cast<WORD>(queue->last.pt.x), static_cast<WORD>(queue->last.pt.y)));
}

LONG GetMessageTime() {
  auto queue = platform::QueueOf(GetCurrentThreadId());
  std::lock_guard<std::mutex> guard(queue->lock);
  return static_cast<LONG>(queue->last.time);
}
