// The event queue, its current event, bindings and cross-thread posting. Queue nodes come from
// an element pool; bindings live in an 8-bit text-keyed map under "code:window:object:type"
// with -1 for "any"; other threads hand events over as heap records through a registered
// message to a hidden window, so the queue itself is touched by the owning thread only.
#include "event_queue.h"

#include <cstdio>
#include <mutex>
#include <utility>
#include <vector>

#include "core/heap.h"
#include "core/library_state.h"
#include "core/map.h"
#include "core/pool.h"
#include "kernel.h"
#include "user.h"

namespace {

struct EventNode {
  EventNode* next;
  int32_t code;
  int32_t postFlags;  // bit 0: posted with force
  int64_t object;
  int64_t window;
  int64_t type;
  void* data;
  EventDataFree dataFree;
};

struct EventState {
  ElementPool* pool;
  EventNode* head;
  EventNode* tail;
  uint32_t suppression;
  int32_t code;
  int64_t window;
  int64_t object;
  int64_t type;
  void* data;
  EventDataFree dataFree;
};

struct CallbackNode {
  CallbackNode* next;
  EventCallback callback;
};

struct Binding {
  CallbackNode* callbacks;
  int64_t window;
};

// What another thread hands over; the receiver frees it.
struct PostRecord {
  void* reserved;
  int32_t code;
  int64_t object;
  int64_t window;
  int64_t type;
  void* data;
};

EventState* g_events = nullptr;
Map* g_bindings = nullptr;
// Other threads read these at any moment, start-up and shutdown included: they are published
// and withdrawn under the posting lock, which a post holds from its look to its PostMessageW.
HWND g_hiddenWindow = nullptr;
UINT g_postMessage = 0;

std::mutex& PostingLock() {
  static std::mutex* lock = new std::mutex;  // never destroyed: a late post still finds it
  return *lock;
}

void BindingKey(char (&key)[96], int64_t code, int64_t window, int64_t object, int64_t type) {
  std::snprintf(key, sizeof key, "%d:%lld:%lld:%lld", static_cast<int>(code), static_cast<long long>(window),
                static_cast<long long>(object), static_cast<long long>(type));
}

// The callbacks bound to one key, most recently bound first, appended to `out`.
void CollectCallbacks(int64_t code, int64_t window, int64_t object, int64_t type, std::vector<EventCallback>& out) {
  char key[96];
  BindingKey(key, code, window, object, type);
  auto* binding = static_cast<Binding*>(MapFind(g_bindings, key));
  if (binding == nullptr) return;
  for (CallbackNode* node = binding->callbacks; node; node = node->next) out.push_back(node->callback);
}

bool Matches(const EventNode& node, int64_t code, int64_t object, int64_t window, int64_t type) {
  return (code == -1 || node.code == code) && (object == -1 || node.object == object) &&
         (window == -1 || node.window == window) && (type == -1 || node.type == type);
}

LRESULT HiddenWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_postMessage != 0 && message == g_postMessage && lParam != 0) {
    auto* record = reinterpret_cast<PostRecord*>(lParam);
    EventPost(record->code, record->object, record->window, record->type, record->data, nullptr, true);
    HeapFree(MainHeap(), 0, record);
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void FreeBindingCallbacks(Binding* binding) {
  for (CallbackNode* node = binding->callbacks; node;) {
    CallbackNode* next = node->next;
    MainHeapFree(node);
    node = next;
  }
  binding->callbacks = nullptr;
}

}  // namespace

void EventQueueInit() {
  if (g_events) return;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_DBLCLKS;
  windowClass.lpfnWndProc = HiddenWindowProcedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<uintptr_t>(COLOR_BTNFACE + 1));
  windowClass.lpszClassName = u"PostEventClass";
  RegisterClassExW(&windowClass);
  HWND hidden = CreateWindowExW(0, u"PostEventClass", u"", WS_CAPTION, 0, 0, 1, 1, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  UINT postMessage = RegisterWindowMessageW(u"CV_PostEventMessage");
  {
    std::lock_guard<std::mutex> guard(PostingLock());
    g_hiddenWindow = hidden;
    g_postMessage = postMessage;
  }
  g_events = static_cast<EventState*>(LibraryStateNew(sizeof(EventState), nullptr, nullptr));
  if (g_events) {
    g_events->pool = PoolCreate(sizeof(EventNode), 32, 4096, 0);
    g_events->window = -1;
    g_events->object = -1;
    g_events->type = -1;
  }
  MapCreate(sizeof(Binding), 0, nullptr, &g_bindings, 1024);
}

void EventQueueShutdown() {
  HWND hidden = nullptr;
  UINT postMessage = 0;
  {
    // From here on no other thread can post; what was posted and not yet taken is freed.
    std::lock_guard<std::mutex> guard(PostingLock());
    std::swap(hidden, g_hiddenWindow);
    std::swap(postMessage, g_postMessage);
  }
  if (hidden) {
    MSG message;
    while (PeekMessageW(&message, hidden, postMessage, postMessage, PM_REMOVE)) {
      if (message.lParam) HeapFree(MainHeap(), 0, reinterpret_cast<void*>(message.lParam));
    }
    DestroyWindow(hidden);
  }
  UnregisterClassW(u"PostEventClass", GetModuleHandleW(nullptr));
  if (g_events) {
    // Data still held by queued events and by the current event is released with them.
    for (EventNode* node = g_events->head; node; node = node->next) {
      if (node->data && node->dataFree) node->dataFree(node->data);
    }
    if (g_events->data && g_events->dataFree) g_events->dataFree(g_events->data);
    PoolRelease(g_events->pool);
    g_events = nullptr;  // the state block goes with the main heap
  }
  if (g_bindings) {
    MapReset(g_bindings);
    while (auto* binding = static_cast<Binding*>(MapNext(g_bindings))) FreeBindingCallbacks(binding);
    MapFree(g_bindings);
    g_bindings = nullptr;
  }
}

void EventPost(int64_t code, int64_t object, int64_t window, int64_t type, void* data, EventDataFree dataFree, bool force) {
  if (g_events == nullptr) {
    if (data && dataFree) dataFree(data);
    return;
  }
  std::vector<EventCallback> callbacks;
  bool merged = false;
  {
    if (!force && g_events->suppression != 0) return;
    EventNode* tail = g_events->tail;
    merged = tail && code <= 65535 && tail->code == code && tail->object == object && tail->window == window && tail->type == type;
    if (!merged) {
      auto* node = static_cast<EventNode*>(PoolAllocZeroed(g_events->pool));
      if (node == nullptr) {
        if (data && dataFree) dataFree(data);
        return;
      }
      *node = EventNode{nullptr, static_cast<int32_t>(code), force ? 1 : 0, object, window, type, data, dataFree};
      if (tail) tail->next = node;
      else g_events->head = node;
      g_events->tail = node;
    }
  }
  // The callbacks bound when the event was posted run, even if one of them changes the bindings.
  CollectCallbacks(code, window, object, type, callbacks);
  CollectCallbacks(code, window, object, -1, callbacks);
  CollectCallbacks(code, window, -1, -1, callbacks);
  CollectCallbacks(code, -1, -1, -1, callbacks);
  CollectCallbacks(code, -1, object, type, callbacks);
  if (!callbacks.empty()) {
    EventState saved = *g_events;
    g_events->code = static_cast<int32_t>(code);
    g_events->window = window;
    g_events->object = object;
    g_events->type = type;
    g_events->data = data;
    g_events->dataFree = dataFree;
    for (EventCallback callback : callbacks) callback();
    if (g_events) {
      g_events->code = saved.code;
      g_events->window = saved.window;
      g_events->object = saved.object;
      g_events->type = saved.type;
      g_events->data = saved.data;
      g_events->dataFree = saved.dataFree;
    }
  }
  // A merged event keeps the data of the one already queued; this one's data is done with.
  if (merged && data && dataFree) dataFree(data);
}

void EventPurge(int64_t code, int64_t object, int64_t window, int64_t type) {
  if (g_events == nullptr) return;
  EventNode* previous = nullptr;
  for (EventNode* node = g_events->head; node;) {
    EventNode* next = node->next;
    if (Matches(*node, code, object, window, type)) {
      if (previous) previous->next = next;
      else g_events->head = next;
      if (g_events->tail == node) g_events->tail = previous;
      // Nobody will take this event: its data is released now instead of leaking.
      if (node->data && node->dataFree) node->dataFree(node->data);
      PoolFree(g_events->pool, node);
    } else {
      previous = node;
    }
    node = next;
  }
}

int64_t EventNext() {
  if (g_events == nullptr) return 0;
  g_events->code = 0;
  if (g_events->data && g_events->dataFree) g_events->dataFree(g_events->data);
  g_events->data = nullptr;
  g_events->dataFree = nullptr;
  g_events->type = -1;
  EventNode* node = g_events->head;
  if (node == nullptr) return 0;
  g_events->code = node->code;
  g_events->object = node->object;
  g_events->window = node->window;
  g_events->type = node->type;
  g_events->data = node->data;
  g_events->dataFree = node->dataFree;
  g_events->head = node->next;
  if (g_events->tail == node) g_events->tail = nullptr;
  PoolFree(g_events->pool, node);
  return g_events->code;
}

int64_t EventGetCode() { return g_events ? g_events->code : 0; }
int64_t EventGetWindow() { return g_events ? g_events->window : -1; }
int64_t EventSourceGadget() { return g_events ? g_events->object : -1; }
int64_t EventGetType() { return g_events ? g_events->type : -1; }
void EventClearCode() {
  if (g_events) g_events->code = 0;
}
void* EventGetData() { return g_events ? g_events->data : nullptr; }

int64_t EventBind(int64_t code, EventCallback callback, int64_t window, int64_t object, int64_t type) {
  if (g_bindings == nullptr || callback == nullptr) return 0;
  char key[96];
  BindingKey(key, code, window, object, type);
  auto* binding = static_cast<Binding*>(MapFind(g_bindings, key));
  if (binding == nullptr) {
    binding = static_cast<Binding*>(MapAdd(g_bindings, key, kMapReplace));
    if (binding == nullptr) return 0;
    binding->callbacks = nullptr;
    binding->window = window;
  }
  auto* node = static_cast<CallbackNode*>(MainHeapAlloc(sizeof(CallbackNode)));
  if (node == nullptr) return 0;
  node->callback = callback;
  node->next = binding->callbacks;
  binding->callbacks = node;
  return 1;
}

int64_t EventUnbind(int64_t code, EventCallback callback, int64_t window, int64_t object, int64_t type) {
  if (g_bindings == nullptr) return 0;
  char key[96];
  BindingKey(key, code, window, object, type);
  auto* binding = static_cast<Binding*>(MapFind(g_bindings, key));
  if (binding == nullptr) return 0;
  for (CallbackNode** link = &binding->callbacks; *link; link = &(*link)->next) {
    if ((*link)->callback == callback) {
      CallbackNode* node = *link;
      *link = node->next;
      MainHeapFree(node);
      if (binding->callbacks == nullptr && MapFind(g_bindings, key)) MapDeleteCurrent(g_bindings);
      return 1;
    }
  }
  return 0;
}

void EventUnbindWindow(int64_t window) {
  if (g_bindings == nullptr) return;
  MapReset(g_bindings);
  while (auto* binding = static_cast<Binding*>(MapNext(g_bindings))) {
    if (binding->window != window) continue;
    FreeBindingCallbacks(binding);
    MapDeleteCurrent(g_bindings);
  }
}

void EventSuppressChanges() {
  if (g_events) ++g_events->suppression;
}

void EventAllowChanges() {
  if (g_events && g_events->suppression > 0) --g_events->suppression;
}

int64_t EventPostThread(int64_t code, int64_t object, int64_t window, int64_t type, void* data) {
  std::lock_guard<std::mutex> guard(PostingLock());
  if (g_hiddenWindow == nullptr || g_postMessage == 0) return 0;
  auto* record = static_cast<PostRecord*>(HeapAlloc(MainHeap(), HEAP_ZERO_MEMORY, sizeof(PostRecord)));
  if (record == nullptr) return 0;
  *record = PostRecord{nullptr, static_cast<int32_t>(code), object, window, type, data};
  if (!PostMessageW(g_hiddenWindow, g_postMessage, 0, reinterpret_cast<LPARAM>(record))) {
    HeapFree(MainHeap(), 0, record);
    return 0;
  }
  return 1;
}

int64_t EventQueueLength() {
  if (g_events == nullptr) return 0;
  int64_t count = 0;
  for (EventNode* node = g_events->head; node; node = node->next) ++count;
  return count;
}
