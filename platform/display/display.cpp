// Which display backend is in use: the headless one until a desktop backend installs itself.
#include <atomic>

#include "backend.h"
#include "headless/headless_backend.h"

namespace platform {
namespace {

std::atomic<DisplayBackend*> g_display{nullptr};

}  // namespace

DisplayBackend& Display() {
  DisplayBackend* installed = g_display.load(std::memory_order_acquire);
  return installed ? *installed : Headless();
}

void DisplayInstall(DisplayBackend* backend) { g_display.store(backend, std::memory_order_release); }

ScreenInfo Screen() { return Display().Screen(); }

}  // namespace platform
