// The hyperlink and image kinds: hover colour with its timer, clicks only on release, the
// underline; images sized to their picture, blended through alpha, and reporting clicks,
// double clicks and drags. Colours are read back from the window's backing bitmap.
#include <chrono>
#include <thread>
#include <vector>

#include "gadget_fixture.h"
#include "image/image.h"
#include "text.h"
#include "testing.h"

namespace {

class PictureTest : public GadgetFixture {
 protected:
  void SetUp() override {
    GadgetFixture::SetUp();
    DrawingBlendInit();
  }
  POINT ScreenPoint(int64_t gadget, int x, int y) {
    POINT point{x, y};
    ClientToScreen(Control(gadget), &point);
    return point;
  }
  // How many pixels of a window area are (nearly) the colour, given as 0xRRGGBB.
  int CountColour(RECT area, uint32_t colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y) {
      for (int x = area.left; x < area.right; ++x) {
        uint32_t value = Pixel(x, y);
        int distance = 0;
        for (int shift = 0; shift < 24; shift += 8) distance += std::abs(static_cast<int>((value >> shift) & 0xFF) - static_cast<int>((colour >> shift) & 0xFF));
        count += distance < 60;
      }
    }
    return count;
  }
  // A 32-bit top-down section filled with one BGRA value.
  HBITMAP Section(int width, int height, uint32_t bgra) {
    BITMAPINFO info{};
    info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* pixels = static_cast<uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) pixels[i] = bgra;
    return bitmap;
  }
};

TEST_F(PictureTest, HyperlinkReportsAClickOnlyOnRelease) {
  ASSERT_NE(GadgetHyperLinkCreate(1, 10, 10, 150, 20, u"example.org", 0x0000FF), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_HYPERLINK);
  EXPECT_TRUE(IsWindowVisible(Control(1)));
  POINT point = ScreenPoint(1, 5, 5);
  platform::InputPointerMove(point.x, point.y);
  platform::InputButton(platform::MouseButton::Left, true);
  EXPECT_TRUE(GadgetEvents().empty());
  platform::InputButton(platform::MouseButton::Left, false);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 1);
  EXPECT_EQ(events[0].type, ET_LEFT_CLICK);
}

TEST_F(PictureTest, HyperlinkHoverColourGoesWhenThePointerLeaves) {
  GadgetHyperLinkCreate(1, 10, 10, 150, 24, u"WWWWWW", 0x0000FF, CV_HyperLink_Underline);  // hover: red
  EXPECT_EQ(GadgetGetColor(1, 1), 0);  // black text until told otherwise
  EXPECT_EQ(GadgetGetColor(1, 2), -1);
  RECT area{10, 10, 160, 34};
  EXPECT_EQ(CountColour(area, 0xFF0000), 0);
  int black = CountColour(area, 0x000000);
  EXPECT_GT(black, 20);
  POINT point = ScreenPoint(1, 5, 5);
  platform::InputPointerMove(point.x, point.y);
  EXPECT_GT(CountColour(area, 0xFF0000), 20);
  platform::InputPointerMove(point.x + 300, point.y + 200);
  // The hover ends when the 30 ms timer next looks, whenever the loop gets there.
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  GadgetEvents();
  EXPECT_EQ(CountColour(area, 0xFF0000), 0);
  EXPECT_EQ(CountColour(area, 0x000000), black);
  // The underline runs under the text, at the text's height.
  EXPECT_EQ(Pixel(11, 10 + GadgetGetHeight(1, 1) - 4), 0x000000u);
}

TEST_F(PictureTest, HyperlinkBackColourAndFont) {
  GadgetHyperLinkCreate(1, 10, 10, 150, 24, u"link", 0x0000FF);
  GadgetSetColor(1, 2, 0x00FF00);
  EXPECT_EQ(Pixel(140, 20), 0x00FF00u);
  int64_t before = GadgetGetHeight(1, 1);
  HFONT large = CreateFontW(-30, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  SendMessageW(Control(1), WM_SETFONT, reinterpret_cast<WPARAM>(large), TRUE);
  EXPECT_EQ(SendMessageW(Control(1), WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(large));
  EXPECT_GT(GadgetGetHeight(1, 1), before + 10);
  GadgetFree(1);
  DeleteObject(large);
}

TEST_F(PictureTest, ImageTakesThePictureSizeAndPaintsIt) {
  HBITMAP picture = Section(40, 30, 0xFFFF0000);  // opaque red (A, R, G, B from the top byte down)
  ASSERT_NE(GadgetImageCreate(1, 10, 10, 5, 5, static_cast<int64_t>(reinterpret_cast<uintptr_t>(picture))), 0);
  EXPECT_EQ(GadgetGetWidth(1), 40);
  EXPECT_EQ(GadgetGetHeight(1), 30);
  EXPECT_EQ(GadgetGetWidth(1, 1), 40);
  EXPECT_EQ(GadgetGetState(1), static_cast<int64_t>(reinterpret_cast<uintptr_t>(picture)));
  EXPECT_EQ(Pixel(30, 30), 0xFF0000u);
  GadgetImageCreate(2, 100, 10, 5, 5, static_cast<int64_t>(reinterpret_cast<uintptr_t>(picture)), CV_Image_Border);
  EXPECT_EQ(GadgetGetWidth(2), 44);
  HBITMAP other = Section(20, 20, 0xFF00FF00);
  GadgetSetState(1, static_cast<int64_t>(reinterpret_cast<uintptr_t>(other)));
  EXPECT_EQ(GadgetGetWidth(1), 20);
  EXPECT_EQ(Pixel(20, 20), 0x00FF00u);
  EXPECT_EQ(Pixel(45, 35), 0xF0F0F0u);  // the old area is the window's again
  EXPECT_TRUE(GadgetEvents().empty());
  GadgetFree(-1);
  DeleteObject(picture);
  DeleteObject(other);
}

TEST_F(PictureTest, ImageBlendsItsAlphaOverTheBackground) {
  Pixel(0, 0);  // the first paint makes the system colour brushes it uses
  int64_t objectsBefore = platform::testing::GdiObjectCount();
  HBITMAP half = Section(20, 20, 0x80FF0000);  // red at half coverage, straight alpha
  GadgetImageCreate(1, 10, 10, 20, 20, static_cast<int64_t>(reinterpret_cast<uintptr_t>(half)));
  uint32_t blended = Pixel(15, 15);
  EXPECT_NEAR(static_cast<int>(blended >> 16), (255 * 128 + 0xF0 * 127) / 255, 3);
  EXPECT_NEAR(static_cast<int>(blended & 0xFF), (0xF0 * 127) / 255, 3);
  GadgetFree(1);
  DeleteObject(half);
  EXPECT_EQ(platform::testing::GdiObjectCount(), objectsBefore);  // the blending copy went with the gadget
}

TEST_F(PictureTest, ImageReportsClicksDoubleClicksAndDrags) {
  HBITMAP picture = Section(60, 60, 0xFF808080);
  GadgetImageCreate(1, 10, 10, 60, 60, static_cast<int64_t>(reinterpret_cast<uintptr_t>(picture)));
  POINT point = ScreenPoint(1, 20, 20);
  platform::InputClick(point.x, point.y);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, ET_LEFT_CLICK);
  platform::InputAdvanceClock(1000);
  platform::InputDoubleClick(point.x, point.y);
  events = GadgetEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, ET_LEFT_CLICK);
  EXPECT_EQ(events[1].type, ET_LEFT_DOUBLE_CLICK);
  platform::InputAdvanceClock(1000);
  platform::InputClick(point.x, point.y, platform::MouseButton::Right);
  events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, ET_RIGHT_CLICK);
  platform::InputAdvanceClock(1000);
  platform::InputDoubleClick(point.x, point.y, platform::MouseButton::Right);
  events = GadgetEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].type, ET_RIGHT_CLICK);
  EXPECT_EQ(events[1].type, ET_RIGHT_DOUBLE_CLICK);
  platform::InputAdvanceClock(1000);
  platform::InputPointerMove(point.x, point.y);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::InputPointerMove(point.x + 1, point.y);  // within the drag distance
  platform::InputPointerMove(point.x + 20, point.y + 20);
  platform::InputButton(platform::MouseButton::Left, false);
  events = GadgetEvents();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[1].type, ET_DRAG_START);
  EXPECT_EQ(GetCapture(), nullptr);
  GadgetFree(1);
  DeleteObject(picture);
}

}  // namespace
