// Synchronisation and per-thread state: critical sections (recursive, as on Windows),
// thread-local storage slots, run-once initialisation and the interlocked operations.
#include <sys/syscall.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "kernel.h"

void InitializeCriticalSection(CRITICAL_SECTION* section) {
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  pthread_mutex_init(&section->mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
}

void EnterCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_lock(&section->mutex); }
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) { return pthread_mutex_trylock(&section->mutex) == 0; }
void LeaveCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_unlock(&section->mutex); }
void DeleteCriticalSection(CRITICAL_SECTION* section) { pthread_mutex_destroy(&section->mutex); }

namespace {

constexpr DWORD kTlsSlots = 1088;  // what Windows offers a process
std::mutex g_tlsLock;
std::array<bool, kTlsSlots> g_tlsUsed{};
thread_local std::array<void*, kTlsSlots> t_tlsValues{};

std::mutex g_onceLock;
std::condition_variable g_onceDone;

// INIT_ONCE states kept in its pointer: 0 = not run, 1 = running, 2 = done.
constexpr uintptr_t kOnceRunning = 1;
constexpr uintptr_t kOnceDone = 2;

}  // namespace

DWORD TlsAlloc() {
  std::lock_guard<std::mutex> guard(g_tlsLock);
  for (DWORD i = 0; i < kTlsSlots; ++i) {
    if (!g_tlsUsed[i]) {
      g_tlsUsed[i] = true;
      t_tlsValues[i] = nullptr;
      return i;
    }
  }
  return TLS_OUT_OF_INDEXES;
}

BOOL TlsFree(DWORD index) {
  std::lock_guard<std::mutex> guard(g_tlsLock);
  if (index >= kTlsSlots || !g_tlsUsed[index]) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  g_tlsUsed[index] = false;
  return TRUE;
}

LPVOID TlsGetValue(DWORD index) {
  if (index >= kTlsSlots) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return t_tlsValues[index];
}

BOOL TlsSetValue(DWORD index, LPVOID value) {
  if (index >= kTlsSlots) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  t_tlsValues[index] = value;
  return TRUE;
}

BOOL InitOnceExecuteOnce(INIT_ONCE* initOnce, PINIT_ONCE_FN initFn, void* parameter, void** context) {
  if (initOnce == nullptr || initFn == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto* state = reinterpret_cast<std::atomic<uintptr_t>*>(&initOnce->Ptr);
  static_assert(sizeof(std::atomic<uintptr_t>) == sizeof(void*));
  uintptr_t seen = state->load(std::memory_order_acquire);
  if (seen == kOnceDone) return TRUE;
  {
    std::unique_lock<std::mutex> lock(g_onceLock);
    while (true) {
      seen = state->load(std::memory_order_acquire);
      if (seen == kOnceDone) return TRUE;
      if (seen == 0) break;
      g_onceDone.wait(lock);
    }
    state->store(kOnceRunning, std::memory_order_release);
  }
  BOOL ok = initFn(initOnce, parameter, context);
  {
    std::lock_guard<std::mutex> lock(g_onceLock);
    // A failed routine leaves the control word ready for another attempt, as on Windows.
    state->store(ok ? kOnceDone : 0, std::memory_order_release);
  }
  g_onceDone.notify_all();
  return ok;
}

LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand) {
  return __sync_val_compare_and_swap(destination, comparand, exchange);
}
LONG InterlockedIncrement(volatile LONG* value) { return __sync_add_and_fetch(value, 1); }
LONG InterlockedDecrement(volatile LONG* value) { return __sync_sub_and_fetch(value, 1); }

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::syscall(SYS_gettid)); }
