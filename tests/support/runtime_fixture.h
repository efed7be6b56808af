// Test fixtures that bring up the parts of the runtime a test needs and take them down again,
// so that every test starts from empty heaps.
#pragma once

#include <gtest/gtest.h>

#include "corvid.h"

// The main heap and the string heap, as the program's start-up creates them first.
class CoreRuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MainHeapCreate();
    StringHeapInit();
  }
  void TearDown() override {
    StringHeapShutdown();
    MainHeapDestroy();
  }
};

// Builds a std::u16string from a runtime string (null = empty), for readable expectations.
inline std::u16string Text(const char16_t* text) { return text ? std::u16string(text) : std::u16string(); }
