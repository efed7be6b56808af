// The main window and the event loop. Without windows there is nothing to open and no event to
// wait for, so the loop returns at once and the program ends.
#include "main_window.h"

void MainWindowBuild() {}
void EventLoopRun() {}
