// The image library brought up on top of the core runtime, with a GDI leak check: every test
// must leave as many live GDI objects (DCs, bitmaps, brushes, fonts, icons) as it found.
#pragma once

#include "gdi_helpers.h"
#include "runtime_fixture.h"
#include "testing.h"

class ImageRuntimeTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    gdiObjectsAtStart_ = platform::testing::GdiObjectCount();
    DrawingBlendInit();
    ImageInit();
  }
  void TearDown() override {
    ImageShutdown();
    DrawingShutdown();
    EXPECT_EQ(platform::testing::GdiObjectCount(), gdiObjectsAtStart_) << "GDI objects leaked";
    CoreRuntimeTest::TearDown();
  }

 private:
  int64_t gdiObjectsAtStart_ = 0;
};

