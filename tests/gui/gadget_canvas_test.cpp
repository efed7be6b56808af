// The canvas kind driven by injected input: the order of mouse, wheel, key and focus events and
// what their attributes say, capture and the cursor clip on drags past the edge, drawing through
// the canvas output (read from the canvas bitmap and from what the window shows), resizing,
// freeing under an open drawing, and GDI objects given back.
#include <algorithm>
#include <cstring>
#include <vector>

#include "gadget_fixture.h"
#include "gui/gadget_canvas.h"
#include "image/drawing.h"
#include "testing.h"

namespace {

using platform::MouseButton;

// One canvas event as the loop saw it, with the attributes read right after it.
struct Seen {
  int64_t type;
  int64_t x;
  int64_t y;
  int64_t buttons;
  int64_t modifiers;
  int64_t wheel;
  int64_t key;
  int64_t input;
};

class CanvasTest : public GadgetFixture {
 protected:
  void SetUp() override {
    GadgetFixture::SetUp();
    DrawingInit();
    WindowActivate(0);
    DrainEvents();
  }
  POINT At(int64_t gadget, int x, int y) {
    POINT point{x, y};
    ClientToScreen(Control(gadget), &point);
    return point;
  }
  void MoveTo(int64_t gadget, int x, int y) {
    POINT point = At(gadget, x, y);
    platform::InputPointerMove(point.x, point.y);
  }
  std::vector<Seen> Events(int64_t gadget, bool withMoves = true) {
    std::vector<Seen> seen;
    for (int guard = 0; guard < 10000; ++guard) {
      int64_t code = WindowPollEvent();
      if (code == 0) break;
      if (code != EC_GADGET || EventSourceGadget() != gadget) continue;
      if (!withMoves && EventGetType() == ET_MOUSE_MOVE) continue;
      seen.push_back({EventGetType(), GadgetGetAttribute(gadget, CA_MOUSE_X), GadgetGetAttribute(gadget, CA_MOUSE_Y),
                      GadgetGetAttribute(gadget, CA_BUTTONS), GadgetGetAttribute(gadget, CA_MODIFIERS),
                      GadgetGetAttribute(gadget, CA_WHEEL_DELTA), GadgetGetAttribute(gadget, CA_KEY),
                      GadgetGetAttribute(gadget, CA_INPUT)});
    }
    return seen;
  }
  static std::vector<int64_t> Types(const std::vector<Seen>& seen) {
    std::vector<int64_t> types;
    for (const Seen& event : seen) types.push_back(event.type);
    return types;
  }
  // The canvas bitmap's pixel at (x, y) from the top, as 0xRRGGBB.
  uint32_t CanvasPixel(int64_t gadget, int x, int y) {
    DIBSECTION section{};
    HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(GadgetGetAttribute(gadget, CA_IMAGE)));
    if (GetObjectW(bitmap, sizeof section, &section) != sizeof section) return 0xDEADBEEF;
    const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) +
                      static_cast<ptrdiff_t>(section.dsBm.bmHeight - 1 - y) * section.dsBm.bmWidthBytes;
    return static_cast<uint32_t>(row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16));
  }
  SIZE BitmapSize(int64_t gadget) {
    BITMAP bitmap{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(GadgetGetAttribute(gadget, CA_IMAGE))), sizeof bitmap,
               &bitmap);
    return SIZE{bitmap.bmWidth, bitmap.bmHeight};
  }
  // Window 0's pixel as it is now, without letting any message run first.
  uint32_t ShownPixel(int x, int y) {
    DIBSECTION section{};
    if (GetObjectW(platform::WindowBacking(Window(0)), sizeof section, &section) != sizeof section) return 0xDEADBEEF;
    const auto* row = static_cast<const uint8_t*>(section.dsBm.bmBits) + static_cast<ptrdiff_t>(y) * section.dsBm.bmWidthBytes;
    return static_cast<uint32_t>(row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16));
  }
  // Draws a box in a colour (0xRRGGBB) through the canvas output.
  void DrawBoxOn(int64_t gadget, int x, int y, int width, int height, uint32_t rgb) {
    ASSERT_NE(DrawingBegin(GadgetCanvasOutput(gadget)), 0);
    DrawBox(x, y, width, height, ColorRGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
    DrawingEnd();
  }
  void TearDown() override {
    for (UINT key : {VK_SHIFT, VK_MENU, VK_CONTROL}) platform::InputKey(key, false);
    for (MouseButton button : {MouseButton::Left, MouseButton::Right, MouseButton::Middle}) platform::InputButton(button, false);
    platform::PumpMessages();
    GadgetFixture::TearDown();
  }
};

TEST_F(CanvasTest, CreationGivesAWhiteBitmapTheSizeOfTheInside) {
  int64_t number = GadgetCanvasCreate(CV_Any, 10, 10, 100, 50, CV_Canvas_Border);
  ASSERT_NE(number, 0);
  EXPECT_EQ(GadgetKind(number), GADGET_KIND_CANVAS);
  SIZE size = BitmapSize(number);
  EXPECT_EQ(size.cx, 96);
  EXPECT_EQ(size.cy, 46);
  EXPECT_EQ(CanvasPixel(number, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(CanvasPixel(number, 95, 45), 0xFFFFFFu);
  int64_t handle = GadgetCanvasCreate(2, 120, 10, 0, 0);
  EXPECT_EQ(handle, GadgetHandle(2));
  size = BitmapSize(2);
  EXPECT_EQ(size.cx, 1);  // never smaller than one pixel
  EXPECT_EQ(size.cy, 1);
  EXPECT_EQ(GadgetGetState(2), 0);  // state and text mean nothing on a canvas
  EXPECT_EQ(GadgetSetState(2, 5), 0);
}

TEST_F(CanvasTest, CreationWithoutAGadgetListFails) {
  WindowClose(0);
  GadgetListUse(nullptr);
  int64_t before = platform::testing::GdiObjectCount();
  EXPECT_EQ(GadgetCanvasCreate(1, 0, 0, 50, 50), 0);
  EXPECT_EQ(GadgetIsValid(1), nullptr);
  EXPECT_EQ(platform::testing::GdiObjectCount(), before);
}

TEST_F(CanvasTest, PointerEntersMovesAndLeaves) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 5, 6);
  std::vector<Seen> seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_ENTER});
  EXPECT_EQ(seen[0].x, 5);
  EXPECT_EQ(seen[0].y, 6);
  MoveTo(1, 30, 20);
  seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_MOVE});
  EXPECT_EQ(seen[0].x, 30);
  EXPECT_EQ(seen[0].y, 20);
  MoveTo(1, 200, 200);
  EXPECT_EQ(Types(Events(1)), std::vector<int64_t>{ET_MOUSE_LEAVE});
  MoveTo(1, 7, 7);
  EXPECT_EQ(Types(Events(1)), std::vector<int64_t>{ET_MOUSE_ENTER});
}

TEST_F(CanvasTest, MovesBetweenTwoPollsMergeKeepingTheFirstPosition) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 5, 5);
  Events(1);
  MoveTo(1, 10, 11);
  MoveTo(1, 20, 21);
  MoveTo(1, 30, 31);
  platform::PumpMessages();  // all three reach the queue before the loop looks
  std::vector<Seen> seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_MOVE});
  EXPECT_EQ(seen[0].x, 10);
  EXPECT_EQ(seen[0].y, 11);
}

TEST_F(CanvasTest, LeftClickReportsDownUpClickInOrder) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 40, 20);
  Events(1);
  platform::InputButton(MouseButton::Left, true);
  platform::InputButton(MouseButton::Left, false);
  std::vector<Seen> seen = Events(1);
  ASSERT_EQ(Types(seen), (std::vector<int64_t>{ET_LEFT_BUTTON_DOWN, ET_LEFT_BUTTON_UP, ET_LEFT_CLICK}));
  EXPECT_EQ(seen[0].buttons, 1);
  EXPECT_EQ(seen[1].buttons, 0);
  EXPECT_EQ(seen[0].x, 40);
  EXPECT_EQ(seen[0].y, 20);
  EXPECT_EQ(GetCapture(), nullptr);  // the capture ends with the last button
}

TEST_F(CanvasTest, ReleasingOutsideGivesNoClick) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 40, 20);
  platform::InputButton(MouseButton::Left, true);
  Events(1);
  EXPECT_EQ(GetCapture(), Control(1));
  MoveTo(1, 150, 20);
  platform::InputButton(MouseButton::Left, false);
  std::vector<int64_t> types = Types(Events(1));
  ASSERT_FALSE(types.empty());
  EXPECT_EQ(types.back(), ET_LEFT_BUTTON_UP);
  EXPECT_EQ(std::count(types.begin(), types.end(), ET_LEFT_CLICK), 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CanvasTest, DoubleClicksAddTheirTypeAfterTheSecondDown) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 40, 20);
  Events(1);
  POINT point = At(1, 40, 20);
  platform::InputDoubleClick(point.x, point.y);
  EXPECT_EQ(Types(Events(1, false)), (std::vector<int64_t>{ET_LEFT_BUTTON_DOWN, ET_LEFT_BUTTON_UP, ET_LEFT_CLICK,
                                                    ET_LEFT_BUTTON_DOWN, ET_LEFT_DOUBLE_CLICK, ET_LEFT_BUTTON_UP,
                                                    ET_LEFT_CLICK}));
  platform::InputAdvanceClock(2000);
  platform::InputDoubleClick(point.x, point.y, MouseButton::Right);
  EXPECT_EQ(Types(Events(1, false)), (std::vector<int64_t>{ET_RIGHT_BUTTON_DOWN, ET_RIGHT_BUTTON_UP, ET_RIGHT_CLICK,
                                                    ET_RIGHT_BUTTON_DOWN, ET_RIGHT_DOUBLE_CLICK, ET_RIGHT_BUTTON_UP,
                                                    ET_RIGHT_CLICK}));
  platform::InputAdvanceClock(2000);
  platform::InputDoubleClick(point.x, point.y, MouseButton::Middle);  // a middle double click has no type of its own
  EXPECT_EQ(Types(Events(1, false)), (std::vector<int64_t>{ET_MIDDLE_BUTTON_DOWN, ET_MIDDLE_BUTTON_UP,
                                                    ET_MIDDLE_BUTTON_DOWN, ET_MIDDLE_BUTTON_UP}));
}

TEST_F(CanvasTest, ModifiersAndButtonsAreThoseHeldAtTheEvent) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 40, 20);
  platform::InputKey(VK_SHIFT, true);
  platform::InputButton(MouseButton::Left, true);
  std::vector<Seen> seen = Events(1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().type, ET_LEFT_BUTTON_DOWN);
  EXPECT_EQ(seen.back().modifiers, 1);
  EXPECT_EQ(seen.back().buttons, 1);
  platform::InputKey(VK_SHIFT, false);
  platform::InputKey(VK_CONTROL, true);
  platform::InputButton(MouseButton::Right, true);  // a second button: no new capture, both reported
  seen = Events(1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().type, ET_RIGHT_BUTTON_DOWN);
  EXPECT_EQ(seen.back().modifiers, 4);
  EXPECT_EQ(seen.back().buttons, 3);
  platform::InputButton(MouseButton::Left, false);
  EXPECT_EQ(GetCapture(), Control(1));  // the right button is still held
  platform::InputKey(VK_CONTROL, false);
  platform::InputKey(VK_MENU, true);
  platform::InputButton(MouseButton::Right, false);
  seen = Events(1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back().type, ET_RIGHT_CLICK);
  EXPECT_EQ(seen.back().modifiers, 2);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(CanvasTest, EventAttributesBelongToTheCurrentCanvasEventOnly) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  GadgetCanvasCreate(2, 150, 10, 100, 50);
  MoveTo(1, 40, 20);
  int64_t code = 0;
  for (int guard = 0; guard < 100 && code != EC_GADGET; ++guard) code = WindowPollEvent();
  ASSERT_EQ(code, EC_GADGET);
  EXPECT_EQ(GadgetGetAttribute(1, CA_MOUSE_X), 40);
  EXPECT_EQ(GadgetGetAttribute(2, CA_MOUSE_X), 0);  // not this canvas's event
  EventPost(EC_MENU, 1, 0, 0);
  for (int guard = 0; guard < 100 && code != EC_MENU; ++guard) code = WindowPollEvent();
  ASSERT_EQ(code, EC_MENU);
  EXPECT_EQ(EventSourceGadget(), 1);
  EXPECT_EQ(GadgetGetAttribute(1, CA_MOUSE_X), 0);  // same object number, not a gadget event
  EXPECT_EQ(GadgetGetAttribute(1, CA_MOUSE_Y), 0);
  EXPECT_EQ(GadgetGetAttribute(1, 99), 0);
  EXPECT_EQ(GadgetGetAttribute(7, CA_MOUSE_X), 0);
}

TEST_F(CanvasTest, BoundCallbackReadsTheAttributesOfItsEvent) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  static int64_t seenX = -1;
  seenX = -1;
  GadgetBindEvent(1, [] { seenX = GadgetGetAttribute(1, CA_MOUSE_X); }, ET_MOUSE_ENTER);
  MoveTo(1, 33, 20);
  platform::PumpMessages();
  EXPECT_EQ(seenX, 33);
}

TEST_F(CanvasTest, WheelStepsCountWholeNotches) {
  GadgetCanvasCreate(1, 10, 10, 100, 50, CV_Canvas_Keyboard);
  POINT point = At(1, 40, 20);
  platform::InputClick(point.x, point.y);
  Events(1);
  ASSERT_EQ(GetFocus(), Control(1));  // a click gives a keyboard canvas the focus
  platform::InputWheel(60);
  EXPECT_TRUE(Events(1).empty());
  platform::InputWheel(60);
  std::vector<Seen> seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_WHEEL});
  EXPECT_EQ(seen[0].wheel, 1);
  platform::InputWheel(-240);
  seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_WHEEL});
  EXPECT_EQ(seen[0].wheel, -2);
  platform::InputWheel(-100);  // the remainder counts toward zero: -100 is no notch yet
  EXPECT_TRUE(Events(1).empty());
  platform::InputWheel(130);  // 30 left over: still none
  EXPECT_TRUE(Events(1).empty());
  platform::InputWheel(90);
  seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_WHEEL});
  EXPECT_EQ(seen[0].wheel, 1);
}

TEST_F(CanvasTest, KeyboardCanvasTakesTheFocusAndReportsKeys) {
  GadgetCanvasCreate(1, 10, 10, 100, 50, CV_Canvas_Keyboard);
  GadgetCanvasCreate(2, 150, 10, 100, 50);
  POINT point = At(2, 10, 10);
  platform::InputClick(point.x, point.y);
  EXPECT_NE(GetFocus(), Control(2));  // without the flag a click gives no focus
  Events(2);
  EXPECT_EQ(GadgetActivate(1), 1);
  EXPECT_EQ(Types(Events(1)), std::vector<int64_t>{ET_FOCUS});
  platform::InputKeyPress('A');  // the loop translates the key into its character
  platform::InputText(u"\t");  // below 32: no input event
  std::vector<Seen> seen = Events(1);
  ASSERT_EQ(Types(seen), (std::vector<int64_t>{ET_KEY_DOWN, ET_INPUT, ET_KEY_UP}));
  EXPECT_EQ(seen[0].key, 'A');
  EXPECT_EQ(seen[1].input, 'a');
  EXPECT_EQ(seen[1].key, 0);
  EXPECT_EQ(seen[2].key, 'A');
  SetFocus(Control(2));
  EXPECT_EQ(Types(Events(1)), std::vector<int64_t>{ET_LOST_FOCUS});
  GadgetActivate(2);  // no keyboard flag: the focus stays where it is
  EXPECT_EQ(GetFocus(), Control(2));
  EXPECT_TRUE(Events(2).empty());
}

TEST_F(CanvasTest, ClipMouseKeepsARightDragInsideTheCanvas) {
  GadgetCanvasCreate(1, 10, 10, 100, 50, CV_Canvas_ClipMouse);
  MoveTo(1, 50, 25);
  platform::InputButton(MouseButton::Right, true);
  Events(1);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 1);
  MoveTo(1, 300, -80);  // far past the right and top edges
  std::vector<Seen> seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_MOVE});
  EXPECT_EQ(seen[0].x, 99);
  EXPECT_EQ(seen[0].y, 0);
  EXPECT_EQ(seen[0].buttons, 2);
  MoveTo(1, -40, 400);
  seen = Events(1);
  ASSERT_EQ(Types(seen), std::vector<int64_t>{ET_MOUSE_MOVE});
  EXPECT_EQ(seen[0].x, 0);
  EXPECT_EQ(seen[0].y, 49);
  platform::InputButton(MouseButton::Right, false);
  EXPECT_EQ(Types(Events(1)), (std::vector<int64_t>{ET_RIGHT_BUTTON_UP, ET_RIGHT_CLICK}));  // released on the edge, inside
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 0);
  EXPECT_EQ(GetCapture(), nullptr);
  MoveTo(1, 300, 300);  // the pointer is free again
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, At(1, 300, 300).x);
}

TEST_F(CanvasTest, WithoutClipADragPastTheEdgeReportsOutsidePositions) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  MoveTo(1, 50, 25);
  platform::InputButton(MouseButton::Right, true);
  Events(1);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 0);
  EXPECT_EQ(GetCapture(), Control(1));
  MoveTo(1, 130, -20);
  std::vector<Seen> seen = Events(1);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen[0].type, ET_MOUSE_MOVE);  // the capture keeps the moves coming
  EXPECT_EQ(seen[0].x, 130);
  EXPECT_EQ(seen[0].y, -20);
  platform::InputButton(MouseButton::Right, false);
  std::vector<int64_t> types = Types(Events(1));
  EXPECT_EQ(std::count(types.begin(), types.end(), ET_RIGHT_BUTTON_UP), 1);
  EXPECT_EQ(std::count(types.begin(), types.end(), ET_RIGHT_CLICK), 0);
}

TEST_F(CanvasTest, ClipAttributeConfinesAndReleases) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  GadgetCanvasCreate(2, 150, 10, 100, 50);
  EXPECT_EQ(GadgetSetAttribute(1, CA_CLIP, 1), 1);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 1);
  EXPECT_EQ(GetCapture(), Control(1));
  MoveTo(1, 500, 500);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, At(1, 99, 0).x);
  EXPECT_EQ(cursor.y, At(1, 0, 49).y);
  GadgetSetAttribute(2, CA_CLIP, 0);  // not the holder: nothing changes
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 1);
  GadgetSetAttribute(1, CA_CLIP, 0);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 0);
  EXPECT_EQ(GetCapture(), nullptr);
  GadgetSetAttribute(1, CA_CLIP, 1);
  GadgetDisable(1, 1);  // disabling lets go of the clip
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 0);
  GadgetSetAttribute(2, CA_CLIP, 1);
  GadgetFree(2);  // so does freeing
  MoveTo(1, 500, 500);
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, At(1, 500, 500).x);
}

TEST_F(CanvasTest, LosingTheCaptureMidDragFreesTheCursor) {
  GadgetCanvasCreate(1, 10, 10, 100, 50, CV_Canvas_ClipMouse);
  GadgetCanvasCreate(2, 150, 10, 100, 50);
  MoveTo(1, 50, 25);
  platform::InputButton(MouseButton::Left, true);
  Events(1);
  ASSERT_EQ(GadgetGetAttribute(1, CA_CLIP), 1);
  SetCapture(Control(2));
  EXPECT_EQ(GadgetGetAttribute(1, CA_CLIP), 0);
  MoveTo(1, 400, 25);
  POINT cursor{};
  GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, At(1, 400, 25).x);
  ReleaseCapture();
}

TEST_F(CanvasTest, CursorAttributes) {
  GadgetCanvasCreate(1, 10, 10, 100, 50);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CURSOR), 0);
  MoveTo(1, 20, 20);
  platform::PumpMessages();
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
  GadgetSetAttribute(1, CA_CURSOR, 1);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CURSOR), 1);
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_CROSS));  // shown at once: the mouse is inside
  GadgetSetAttribute(1, CA_CURSOR, 12);
  GadgetSetAttribute(1, CA_CURSOR, -3);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CURSOR), 1);
  GadgetSetAttribute(1, CA_CURSOR, 11);
  EXPECT_EQ(GetCursor(), nullptr);  // "no cursor"
  EXPECT_EQ(GadgetGetAttribute(1, CA_CUSTOM_CURSOR), 0);
  HCURSOR custom = LoadCursorW(nullptr, IDC_HAND);
  GadgetSetAttribute(1, CA_CUSTOM_CURSOR, static_cast<int64_t>(reinterpret_cast<uintptr_t>(custom)));
  EXPECT_EQ(GadgetGetAttribute(1, CA_CURSOR), -1);
  EXPECT_EQ(GadgetGetAttribute(1, CA_CUSTOM_CURSOR), static_cast<int64_t>(reinterpret_cast<uintptr_t>(custom)));
  EXPECT_EQ(GetCursor(), custom);
  GadgetSetAttribute(1, CA_CUSTOM_CURSOR, 0);  // ignored
  EXPECT_EQ(GetCursor(), custom);
  MoveTo(1, 300, 300);
  platform::PumpMessages();
  GadgetSetAttribute(1, CA_CURSOR, 2);
  EXPECT_EQ(GetCursor(), custom);  // outside: stored, not shown
  EXPECT_EQ(GadgetGetAttribute(1, CA_CURSOR), 2);
}

TEST_F(CanvasTest, DrawingEndsWithTheCanvasShowingThePicture) {
  GadgetCanvasCreate(1, 10, 10, 100, 50, CV_Canvas_Border);
  platform::PumpMessages();
  RECT client{};
  GetClientRect(Control(1), &client);
  POINT origin{0, 0};
  MapWindowPoints(Control(1), Window(0), &origin, 1);
  EXPECT_EQ(ShownPixel(origin.x + 5, origin.y + 5), 0xFFFFFFu);
  DrawBoxOn(1, 2, 3, 10, 8, 0xFF0000);
  EXPECT_EQ(CanvasPixel(1, 2, 3), 0xFF0000u);
  EXPECT_EQ(CanvasPixel(1, 11, 10), 0xFF0000u);
  EXPECT_EQ(CanvasPixel(1, 12, 10), 0xFFFFFFu);
  EXPECT_EQ(CanvasPixel(1, 1, 3), 0xFFFFFFu);
  // No message has run: ending the drawing itself put the picture on screen.
  EXPECT_EQ(ShownPixel(origin.x + 2, origin.y + 3), 0xFF0000u);
  EXPECT_EQ(ShownPixel(origin.x + 12, origin.y + 3), 0xFFFFFFu);
  EXPECT_EQ(Pixel(origin.x + 5, origin.y + 5), 0xFF0000u);  // and a later full paint agrees
  EXPECT_EQ(GdiGetBatchLimit(), 20u);  // the batch limit is back
}

TEST_F(CanvasTest, OutputStateWhileDrawing) {
  GadgetCanvasCreate(1, 10, 10, 40, 30);
  int64_t output = GadgetCanvasOutput(1);
  ASSERT_NE(output, 0);
  int64_t dc = DrawingBegin(output);
  EXPECT_NE(dc, 0);
  EXPECT_EQ(GetObjectType(reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(dc))), static_cast<DWORD>(OBJ_MEMDC));
  EXPECT_EQ(GdiGetBatchLimit(), 1u);
  EXPECT_EQ(DrawingBufferPitch(), 120);
  DrawPlot(39, 29, ColorRGB(0, 0, 255));
  EXPECT_EQ(DrawPointRead(39, 29), 0xFF0000);  // B << 16
  DrawingEnd();
  EXPECT_EQ(CanvasPixel(1, 39, 29), 0x0000FFu);
  EXPECT_EQ(GdiGetBatchLimit(), 20u);
}

TEST_F(CanvasTest, OutputRefusesWhatIsNotACanvas) {
  GadgetButtonCreate(1, 10, 10, 80, 24, u"Go");
  EXPECT_EQ(GadgetCanvasOutput(1), 0);
  EXPECT_EQ(GadgetCanvasOutput(2), 0);
  EXPECT_EQ(GadgetCanvasOutput(-5), 0);
  EXPECT_EQ(DrawingBegin(GadgetCanvasOutput(2)), 0);
}

TEST_F(CanvasTest, ResizeKeepsThePictureAtTheTopLeft) {
  GadgetCanvasCreate(1, 10, 10, 60, 40);
  DrawBoxOn(1, 0, 0, 60, 40, 0x00FF00);
  DrawBoxOn(1, 50, 30, 10, 10, 0x0000FF);
  GadgetResize(1, CV_Keep, CV_Keep, 100, 80);
  SIZE size = BitmapSize(1);
  EXPECT_EQ(size.cx, 100);
  EXPECT_EQ(size.cy, 80);
  EXPECT_EQ(CanvasPixel(1, 0, 0), 0x00FF00u);
  EXPECT_EQ(CanvasPixel(1, 55, 35), 0x0000FFu);
  EXPECT_EQ(CanvasPixel(1, 60, 10), 0xFFFFFFu);  // new areas are white
  EXPECT_EQ(CanvasPixel(1, 10, 40), 0xFFFFFFu);
  EXPECT_EQ(Pixel(10 + 55, 10 + 35), 0x0000FFu);
  EXPECT_EQ(Pixel(10 + 70, 10 + 10), 0xFFFFFFu);
  GadgetResize(1, CV_Keep, CV_Keep, 52, 32);  // smaller: the top-left part stays
  EXPECT_EQ(BitmapSize(1).cx, 52);
  EXPECT_EQ(CanvasPixel(1, 51, 31), 0x0000FFu);
  EXPECT_EQ(CanvasPixel(1, 49, 29), 0x00FF00u);
  EXPECT_EQ(GadgetGetX(1), 10);
}

TEST_F(CanvasTest, PrintMessagesPaintIntoTheGivenDeviceContext) {
  GadgetCanvasCreate(1, 10, 10, 8, 6);
  DrawBoxOn(1, 0, 0, 8, 6, 0x204060);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 8, -6, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(target, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, target);
  for (UINT message : {WM_PRINTCLIENT, WM_PRINT, WM_ERASEBKGND}) {
    std::memset(bits, 0, 8 * 6 * 4);
    LRESULT result = SendMessageW(Control(1), message, reinterpret_cast<WPARAM>(dc), 0);
    EXPECT_EQ(result, message == WM_ERASEBKGND ? 1 : 0);  // the background counts as erased
    GdiFlush();
    EXPECT_EQ(static_cast<uint32_t*>(bits)[0] & 0xFFFFFF, 0x204060u) << message;
    EXPECT_EQ(static_cast<uint32_t*>(bits)[8 * 6 - 1] & 0xFFFFFF, 0x204060u) << message;
  }
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(target);
}

TEST_F(CanvasTest, ImageAttributeCopiesABitmapIn) {
  GadgetCanvasCreate(1, 10, 10, 60, 40);
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 4, -3, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP picture = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(picture, nullptr);
  for (int i = 0; i < 12; ++i) static_cast<uint32_t*>(bits)[i] = 0x00123456;
  GadgetSetAttribute(1, CA_IMAGE, static_cast<int64_t>(reinterpret_cast<uintptr_t>(picture)));
  EXPECT_EQ(CanvasPixel(1, 0, 0), 0x123456u);
  EXPECT_EQ(CanvasPixel(1, 3, 2), 0x123456u);
  EXPECT_EQ(CanvasPixel(1, 4, 2), 0xFFFFFFu);
  EXPECT_EQ(ShownPixel(10 + 3, 10 + 2), 0x123456u);
  int64_t bitmap = GadgetGetAttribute(1, CA_IMAGE);
  GadgetSetAttribute(1, CA_IMAGE, 0);  // ignored
  GadgetSetAttribute(1, CA_IMAGE, 12345);  // not a bitmap: ignored
  EXPECT_EQ(GadgetGetAttribute(1, CA_IMAGE), bitmap);
  EXPECT_EQ(CanvasPixel(1, 0, 0), 0x123456u);
  DeleteObject(picture);
}

TEST_F(CanvasTest, FocusRectangleShowsWhileFocused) {
  GadgetCanvasCreate(1, 10, 10, 60, 40, CV_Canvas_Keyboard | CV_Canvas_DrawFocus);
  GadgetCanvasCreate(2, 100, 10, 60, 40, CV_Canvas_Keyboard);
  EXPECT_EQ(Pixel(10 + 2, 10 + 2), 0xFFFFFFu);
  GadgetActivate(1);
  EXPECT_EQ(Pixel(10 + 2, 10 + 2), 0x000000u);  // dotted: every other pixel inverted
  EXPECT_EQ(Pixel(10 + 3, 10 + 2), 0xFFFFFFu);
  EXPECT_EQ(Pixel(10 + 57, 10 + 37), 0x000000u);
  EXPECT_EQ(Pixel(10 + 1, 10 + 1), 0xFFFFFFu);
  EXPECT_EQ(Pixel(10 + 20, 10 + 20), 0xFFFFFFu);
  EXPECT_EQ(CanvasPixel(1, 2, 2), 0xFFFFFFu);  // the picture itself is untouched
  GadgetActivate(2);
  EXPECT_EQ(Pixel(10 + 2, 10 + 2), 0xFFFFFFu);
  GadgetActivate(1);
  DrawBoxOn(1, 0, 0, 60, 40, 0x000000);  // the frame shows on a dark picture as well
  EXPECT_EQ(Pixel(10 + 2, 10 + 2), 0xFFFFFFu);
  EXPECT_EQ(Pixel(10 + 3, 10 + 2), 0x000000u);
}

TEST_F(CanvasTest, FreeingTheCanvasUnderAnOpenDrawingIsSafe) {
  int64_t before = platform::testing::GdiObjectCount();
  GadgetCanvasCreate(1, 10, 10, 60, 40);
  ASSERT_NE(DrawingBegin(GadgetCanvasOutput(1)), 0);
  DrawBox(0, 0, 10, 10, ColorRGB(255, 0, 0));
  GadgetResize(1, CV_Keep, CV_Keep, 80, 50);  // the drawing keeps its bitmap until it ends
  DrawBox(10, 10, 10, 10, ColorRGB(0, 255, 0));
  DrawingEnd();
  EXPECT_EQ(CanvasPixel(1, 0, 0), 0xFF0000u);  // drawn before the resize
  ASSERT_NE(DrawingBegin(GadgetCanvasOutput(1)), 0);
  GadgetFree(1);
  DrawBox(0, 0, 10, 10, ColorRGB(255, 0, 0));
  DrawingEnd();  // nothing left to repaint
  EXPECT_EQ(GadgetIsValid(1), nullptr);
  platform::PumpMessages();
  EXPECT_EQ(platform::testing::GdiObjectCount(), before);
}

TEST_F(CanvasTest, NoGdiObjectsAreLeftBehind) {
  int64_t before = platform::testing::GdiObjectCount();
  for (int round = 0; round < 3; ++round) {
    GadgetCanvasCreate(1, 10, 10, 60, 40, CV_Canvas_Border | CV_Canvas_Keyboard | CV_Canvas_DrawFocus);
    GadgetActivate(1);
    DrawBoxOn(1, 0, 0, 20, 20, 0x336699);
    GadgetResize(1, 0, 0, 90, 70);
    platform::PumpMessages();
    int64_t output = GadgetCanvasOutput(1);  // made and never begun: freed by the next one
    ASSERT_NE(output, 0);
    DrawBoxOn(1, 0, 0, 5, 5, 0x000000);
    GadgetFree(1);
  }
  platform::PumpMessages();
  EXPECT_EQ(platform::testing::GdiObjectCount(), before);
  EXPECT_EQ(GdiGetBatchLimit(), 20u);
}

}  // namespace
