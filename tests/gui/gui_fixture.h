// Brings up the libraries windows and events need, and takes them down after each test.
#pragma once

#include <gtest/gtest.h>

#include "corvid.h"
#include "gui/event_queue.h"
#include "gui/gadget.h"
#include "gui/window.h"
#include "input.h"

class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::InputFreezeClock(true);  // timers and input times move only as the test says
    MainHeapCreate();
    StringHeapInit();
    ListInit();
    MapInit();
    EventQueueInit();
    WindowInit();
    GadgetInit();
  }
  void TearDown() override {
    GadgetShutdown();
    WindowShutdown();
    EventQueueShutdown();
    platform::PumpMessages();
    StringHeapShutdown();
    MainHeapDestroy();
    platform::InputFreezeClock(false);
  }

  // Takes every event the loop produces right now, as the program's loop would.
  std::vector<int64_t> DrainEvents() {
    std::vector<int64_t> codes;
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      if (code >= 13100 && code <= 13120) codes.push_back(code);
    }
    return codes;
  }
};
