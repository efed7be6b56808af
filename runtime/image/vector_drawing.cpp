// The vector drawing library: its state block is set up at start-up and needs no shutdown
// work. No drawing goes through it.
#include "vector_drawing.h"

#include "library_state.h"

namespace {

struct VectorDrawingState {
  int64_t started;
};

void* g_vectorDrawingState = nullptr;

void MarkStarted(void* state) { static_cast<VectorDrawingState*>(state)->started = 1; }

}  // namespace

void VectorDrawingInit() {
  if (g_vectorDrawingState == nullptr) g_vectorDrawingState = LibraryStateNew(sizeof(VectorDrawingState), MarkStarted, nullptr);
}

// The state block goes with the main heap; forget it so that a new start makes a new one.
void VectorDrawingShutdown() { g_vectorDrawingState = nullptr; }
