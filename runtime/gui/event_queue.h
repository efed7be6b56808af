// Windows and the event queue.
#pragma once

void EventQueueInit();
void EventQueueShutdown();
void WindowInit();
void WindowShutdown();
