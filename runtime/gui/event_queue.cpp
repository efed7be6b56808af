// Window and event-queue start-up and shutdown; windows arrive with the window platform.
// Until then these routines have nothing to set up or free.
#include "event_queue.h"

void EventQueueInit() {}
void EventQueueShutdown() {}
void WindowInit() {}
void WindowShutdown() {}
