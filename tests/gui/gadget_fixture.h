// What the gadget tests share: a window to put gadgets in, a gadget's control, the gadget
// events the loop produces, and the window's painted pixels.
#pragma once

#include <vector>

#include "input.h"
#include "gui/gadget_internal.h"
#include "gui_fixture.h"
#include "testing.h"

struct GadgetEvent {
  int64_t gadget;
  int64_t type;
};

class GadgetFixture : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_NE(WindowOpen(0, 100, 100, 400, 300, u"Gadgets"), 0);
  }
  HWND Control(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }
  HWND Window(int64_t number) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(number))); }
  // Every gadget event the loop produces now, in order.
  std::vector<GadgetEvent> GadgetEvents() {
    std::vector<GadgetEvent> events;
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      if (code == EC_GADGET) events.push_back({EventSourceGadget(), EventGetType()});
    }
    return events;
  }
  // Window 0's pixel at a client point once everything is painted, as 0xRRGGBB.
  uint32_t Pixel(int x, int y) {
    platform::PumpMessages();
    DIBSECTION section{};
    if (GetObjectW(platform::WindowBacking(Window(0)), sizeof section, &section) != sizeof section) return 0xDEADBEEF;
    const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes;
    return static_cast<uint32_t>(row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16));
  }
};
