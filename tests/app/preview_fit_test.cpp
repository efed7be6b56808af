// The main window on screens too small for the picture: the window stays inside the work area,
// the preview shows the picture scaled down with its proportions, and clicks and colour picks
// on the scaled preview reach the picture's own pixels.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app_state.h"
#include "fresh_directory.h"
#include "input.h"
#include "main_window.h"
#include "stampwork.h"
#include "testing.h"

namespace {

// The picture's colour at (x, y): red across, green down, so every place has its own colour.
int64_t PictureColour(int64_t x, int64_t y, int64_t width, int64_t height) {
  const int64_t red = x * 255 / width, green = y * 255 / height, blue = 77;
  return blue << 16 | green << 8 | red;
}

struct Screen {
  int width, height;
};

class PreviewFitTest : public ::testing::Test {
 protected:
  void TearDown() override { Stop(); }
  void Stop() {
    if (!started_) return;
    started_ = false;
    StampworkShutdown();
    platform::testing::DialogsReset();
    platform::testing::ScreenSet(platform::ScreenInfo{});
  }
  // Starts the program on a screen and chooses a picture of the given size with "Load Image".
  void Start(Screen screen, int width, int height) {
    platform::testing::ScreenSet(platform::ScreenInfo{screen.width, screen.height, 96, 32});
    platform::testing::DialogsReset();
    StampworkStart();
    started_ = true;
    const int stride = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> picture(static_cast<size_t>(stride) * height);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int64_t colour = PictureColour(x, y, width, height);
        uint8_t* pixel = &picture[static_cast<size_t>(y) * stride + static_cast<size_t>(x) * 3];
        pixel[0] = colour >> 16 & 0xFF, pixel[1] = colour >> 8 & 0xFF, pixel[2] = colour & 0xFF;  // B, G, R
      }
    }
    ASSERT_NE(ImageEncode(here_.Path("back.bmp").c_str(), picture.data(), ImageFormatTag("BMP"), width, height,
                          stride, 24, 0, 7, 24), 0);
    platform::testing::DialogAnswer answer;
    answer.paths = {here_.Path("back.bmp")};
    platform::testing::DialogsQueueFileAnswer(answer);
    RECT button;
    GetWindowRect(Handle(g_gadgets.btnLoadImage), &button);
    platform::InputClick(button.left + 5, button.top + 5);
    RunEvents();
    ASSERT_EQ(g_app.BackWidth, width);
  }
  static HWND Handle(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }
  static void RunEvents() {
    for (int guard = 0; guard < 10000; ++guard) {
      const int64_t code = WindowPollEvent();
      if (code == 0) break;
      MainWindowHandleEvent(code);
    }
    platform::PumpMessages();
  }
  // A point of the preview in screen coordinates.
  static POINT OnCanvas(int64_t x, int64_t y) {
    RECT canvas;
    GetWindowRect(Handle(g_gadgets.cnvPreview), &canvas);
    return POINT{canvas.left + static_cast<LONG>(x), canvas.top + static_cast<LONG>(y)};
  }
  InFreshDirectory here_;
  bool started_ = false;
};

TEST_F(PreviewFitTest, TheWindowFitsTheWorkAreaAndThePreviewKeepsThePicturesProportions) {
  struct Case {
    Screen screen;
    int width, height;
  };
  for (const Case& c : {Case{{1920, 1080}, 1920, 1080}, Case{{800, 600}, 1920, 1080}, Case{{1920, 1080}, 32767, 16},
                        Case{{800, 600}, 1, 1}, Case{{800, 600}, 640, 480}, Case{{1920, 1080}, 640, 480}}) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " on " << c.screen.width << " x "
                                      << c.screen.height);
    Start(c.screen, c.width, c.height);
    RECT window;
    GetWindowRect(reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))), &window);
    EXPECT_GE(window.left, 0);
    EXPECT_GE(window.top, 0);
    EXPECT_LE(window.right, GetSystemMetrics(SM_CXMAXIMIZED));
    EXPECT_LE(window.bottom, GetSystemMetrics(SM_CYMAXIMIZED));
    const int64_t shownWidth = GadgetGetWidth(g_gadgets.cnvPreview), shownHeight = GadgetGetHeight(g_gadgets.cnvPreview);
    EXPECT_LE(shownWidth, c.width);
    EXPECT_LE(shownHeight, c.height);
    EXPECT_GE(shownHeight, 1);
    // The proportions hold to within a pixel of the scaled side.
    EXPECT_LE(std::llabs(shownWidth * c.height - shownHeight * c.width), std::max<int64_t>(c.width, c.height));
    // Create and "?" stay inside the window.
    RECT create;
    GetWindowRect(Handle(g_gadgets.btnAbout), &create);
    EXPECT_LE(create.bottom, window.bottom);
    Stop();
  }
}

TEST_F(PreviewFitTest, ClicksAndColourPicksOnAScaledPreviewReachThePicturesPixels) {
  Start({1280, 720}, 1920, 1080);
  const int64_t shownWidth = GadgetGetWidth(g_gadgets.cnvPreview), shownHeight = GadgetGetHeight(g_gadgets.cnvPreview);
  ASSERT_LT(shownWidth, 1920);
  // The preview shows the whole picture: its far corner has the picture's far corner colour.
  ASSERT_TRUE(DrawingBegin(GadgetCanvasOutput(g_gadgets.cnvPreview)));
  const int64_t corner = DrawPointRead(shownWidth - 1, shownHeight - 1);
  DrawingEnd();
  const int64_t expected = PictureColour(1919, 1079, 1920, 1080);
  for (int shift : {0, 8, 16}) EXPECT_NEAR(corner >> shift & 0xFF, expected >> shift & 0xFF, 6) << shift;

  const POINT anchor = OnCanvas(shownWidth / 4, shownHeight / 3);
  platform::InputClick(anchor.x, anchor.y);
  RunEvents();
  EXPECT_NEAR(g_app.xText, (shownWidth / 4 + 0.5) * 1920 / shownWidth, 1);
  EXPECT_NEAR(g_app.yText, (shownHeight / 3 + 0.5) * 1080 / shownHeight, 1);

  // A pick far from the label reads the picture's colour at the picture pixel under the pointer.
  const int64_t pickX = shownWidth * 9 / 10, pickY = shownHeight * 9 / 10;
  const POINT pick = OnCanvas(pickX, pickY);
  platform::InputKey(VK_SHIFT, true);
  platform::InputClick(pick.x, pick.y);
  platform::InputKey(VK_SHIFT, false);
  RunEvents();
  const int64_t x = (2 * pickX + 1) * 1920 / (2 * shownWidth), y = (2 * pickY + 1) * 1080 / (2 * shownHeight);
  EXPECT_EQ(g_app.cText, PictureColour(x, y, 1920, 1080));

  // For people to look at: the window with its scaled preview and the label where it was placed.
  DIBSECTION section{};
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)));
  ASSERT_EQ(GetObjectW(platform::WindowBacking(window), sizeof section, &section), static_cast<int>(sizeof section));
  const std::string path = std::string(STAMPWORK_SCREENSHOTS) + "/main_window_scaled_preview.png";
  const auto* bits = static_cast<const uint32_t*>(section.dsBm.bmBits);
  std::vector<uint32_t> opaque(bits, bits + static_cast<size_t>(section.dsBm.bmWidthBytes / 4) * section.dsBm.bmHeight);
  for (uint32_t& pixel : opaque) pixel |= 0xFF000000u;  // the backing's alpha means nothing
  EXPECT_NE(ImageEncode(std::u16string(path.begin(), path.end()).c_str(), opaque.data(), kImageFormatPng,
                        section.dsBm.bmWidth, section.dsBm.bmHeight, section.dsBm.bmWidthBytes, 32, 0, 7, 24), 0);
}

}  // namespace
