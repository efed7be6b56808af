// Requester start-up, the owner a requester is shown for, and the modal window list: while a
// requester is open the calling thread's other windows are disabled and out of the topmost band,
// so the program's loop cannot react to them and the dialog can come in front.
#include "requester.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "controls/controls.h"
#include "dialogs.h"
#include "kernel.h"
#include "requester_internal.h"

namespace {

struct ModalRecord {
  DWORD thread;
  HWND window;
  bool wasTopmost;
  bool disabledByUs;
};

// Process-wide, since requesters on several threads each keep their own windows' records here.
std::mutex g_modalLock;
std::vector<ModalRecord>& ModalList() {
  static std::vector<ModalRecord> list;
  return list;
}

struct EnterContext {
  DWORD thread;
  HWND foreground;
  std::vector<ModalRecord>* added;
};

BOOL CALLBACK_CollectThreadWindow(HWND window, LPARAM param) {
  auto* context = reinterpret_cast<EnterContext*>(param);
  if (GetWindowThreadProcessId(window, nullptr) != context->thread || !IsWindowVisible(window)) return TRUE;
  ModalRecord record{context->thread, window, false, false};
  record.wasTopmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (window != context->foreground && IsWindowEnabled(window)) {
    EnableWindow(window, FALSE);
    record.disabledByUs = true;
  }
  context->added->push_back(record);
  return TRUE;
}

}  // namespace

void RequesterInit() {
  RequesterFilesForget();
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), 0xB48};
  InitCommonControlsEx(&controls);
  CoInitialize(nullptr);
}

HWND RequesterOwner() {
  HWND foreground = GetForegroundWindow();
  DWORD process = 0;
  if (foreground == nullptr || GetWindowThreadProcessId(foreground, &process) == 0) return nullptr;
  return process == GetCurrentProcessId() ? foreground : nullptr;
}

void ModalWindowsEnter() {
  std::vector<ModalRecord> added;
  EnterContext context{GetCurrentThreadId(), GetForegroundWindow(), &added};
  EnumWindows(CALLBACK_CollectThreadWindow, reinterpret_cast<LPARAM>(&context));
  for (const ModalRecord& record : added) {
    if (record.wasTopmost) SetWindowPos(record.window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
  std::lock_guard<std::mutex> guard(g_modalLock);
  ModalList().insert(ModalList().end(), added.begin(), added.end());
}

void ModalWindowsLeave() {
  DWORD thread = GetCurrentThreadId();
  std::vector<ModalRecord> mine;
  {
    std::lock_guard<std::mutex> guard(g_modalLock);
    auto& list = ModalList();
    auto split = std::stable_partition(list.begin(), list.end(), [thread](const ModalRecord& r) { return r.thread != thread; });
    mine.assign(split, list.end());
    list.erase(split, list.end());
  }
  for (const ModalRecord& record : mine) {
    if (!IsWindow(record.window)) continue;  // closed while the requester was open
    if (record.disabledByUs) EnableWindow(record.window, TRUE);
    if (record.wasTopmost) SetWindowPos(record.window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}
