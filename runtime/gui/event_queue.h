// The event queue: runtime events queued by window procedures and gadget kinds, the current
// event the program reads, callbacks bound to event keys that run at the moment an event is
// posted, and posting from other threads through a hidden window.
#pragma once

#include <cstdint>

#include "gui_constants.h"

using EventCallback = void (*)();
using EventDataFree = void (*)(void* data);

void EventQueueInit();
void EventQueueShutdown();

// Queues an event (unless changes are being suppressed and `force` is clear) and runs the
// callbacks bound to it. -1 stands for "no number" in object and window.
void EventPost(int64_t code, int64_t object, int64_t window, int64_t type, void* data = nullptr,
               EventDataFree dataFree = nullptr, bool force = false);
// Removes queued events that match; -1 matches anything.
void EventPurge(int64_t code, int64_t object, int64_t window, int64_t type);
// Makes the oldest queued event the current one; returns its code, 0 when none was queued.
int64_t EventNext();

// The code of the current event, 0 when none.
int64_t EventGetCode();
int64_t EventGetWindow();
int64_t EventSourceGadget();
int64_t EventGetType();
// Sets the current event's code to 0, for operations that ran the message loop themselves and
// leave no event of their own behind.
void EventClearCode();
void* EventGetData();

int64_t EventBind(int64_t code, EventCallback callback, int64_t window = -1, int64_t object = -1, int64_t type = -1);
int64_t EventUnbind(int64_t code, EventCallback callback, int64_t window = -1, int64_t object = -1, int64_t type = -1);
// Drops every binding made for a window (when the window closes).
void EventUnbindWindow(int64_t window);

// The change-suppression counter: raised around changes the program makes to gadgets, so
// that they produce no events.
void EventSuppressChanges();
void EventAllowChanges();

// Posts an event from any thread: it reaches the queue through the hidden window, on the
// thread that owns the windows. Returns 1 when it was sent on its way.
int64_t EventPostThread(int64_t code, int64_t object, int64_t window, int64_t type, void* data = nullptr);

// How many events wait in the queue; for tests and diagnostics.
int64_t EventQueueLength();
