// The vector drawing library's start-up and shutdown. The library keeps a state block; nothing
// in the program draws through it.
#pragma once

void VectorDrawingInit();
void VectorDrawingShutdown();
