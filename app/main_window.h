// The main window with its gadgets, and the event loop that runs the program.
#pragma once

void MainWindowBuild();
// Takes events until the main window is closed, then ends the program through the end sequence.
void EventLoopRun();
