// The gadget core with the button, checkbox, option and text kinds: numbers and automatic ids,
// re-creation, the generic operations and their fallbacks, change suppression, option groups,
// colours with the shared brush cache and required sizes, driven by injected input.
#include <vector>

#include "controls/controls.h"
#include "gadget_fixture.h"
#include "text.h"

namespace {

class GadgetTest : public GadgetFixture {
 protected:
  void Click(int64_t gadget) {
    RECT frame;
    GetWindowRect(Control(gadget), &frame);
    platform::InputClick((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
  }
};

TEST_F(GadgetTest, ButtonClickArrivesAsLeftClickOfTheGadget) {
  ASSERT_NE(GadgetButtonCreate(1, 10, 10, 100, 25, u"Go"), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_BUTTON);
  EXPECT_EQ(GetWindowLongPtrW(Control(1), GWLP_ID), 1);
  EXPECT_EQ(GetPropW(Control(1), u"CV_ID"), reinterpret_cast<HANDLE>(1));
  Click(1);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 1);
  EXPECT_EQ(events[0].type, ET_LEFT_CLICK);
  EXPECT_EQ(EventGetWindow(), 0);
}

int g_boundCalls = 0;

TEST_F(GadgetTest, BoundCallbacksRunWhenTheClickIsPosted) {
  g_boundCalls = 0;
  GadgetButtonCreate(1, 10, 10, 100, 25, u"Go");
  GadgetButtonCreate(2, 10, 50, 100, 25, u"Other");
  ASSERT_EQ(GadgetBindEvent(1, [] { ++g_boundCalls; }), 1);
  EXPECT_EQ(GadgetBindEvent(9, [] { ++g_boundCalls; }), 0);
  Click(2);
  GadgetEvents();
  EXPECT_EQ(g_boundCalls, 0);
  Click(1);
  platform::PumpMessages();
  EXPECT_EQ(g_boundCalls, 1);  // before the loop reads the event
  GadgetEvents();
}

TEST_F(GadgetTest, SpaceOnTheFocusedButtonClicksIt) {
  GadgetButtonCreate(1, 10, 10, 100, 25, u"Go");
  GadgetCheckBoxCreate(2, 10, 50, 100, 25, u"Box");
  SetFocus(Control(2));
  platform::InputKeyPress(VK_SPACE);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 2);
  EXPECT_EQ(GadgetGetState(2), 1);
  // Tab moves on to the button, in creation order from the last one.
  platform::InputKeyPress(VK_TAB);
  GadgetEvents();
  EXPECT_EQ(GetFocus(), Control(1));
  platform::InputKeyPress(VK_SPACE);
  events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 1);
}

TEST_F(GadgetTest, CreationReturnsTheHandleOrTheAutomaticNumber) {
  int64_t handle = GadgetButtonCreate(3, 0, 0, 50, 20, u"A");
  EXPECT_EQ(handle, GadgetHandle(3));
  int64_t automatic = GadgetButtonCreate(CV_Any, 0, 30, 50, 20, u"B");
  ASSERT_NE(automatic, 0);
  EXPECT_NE(GadgetIsValid(automatic), nullptr);
  EXPECT_EQ(GetWindowLongPtrW(Control(automatic), GWLP_ID), automatic);
  Click(automatic);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, automatic);
  EXPECT_EQ(GadgetFree(automatic), 1);
  EXPECT_EQ(GadgetIsValid(automatic), nullptr);
  EXPECT_EQ(GadgetButtonCreate(-5, 0, 0, 10, 10, u""), 0);
}

TEST_F(GadgetTest, CreatingANumberTwiceDestroysTheFirstControlAndItsEvents) {
  GadgetButtonCreate(5, 10, 10, 100, 25, u"First");
  GadgetButtonCreate(6, 150, 10, 100, 25, u"Other");
  HWND first = Control(5);
  Click(5);
  Click(6);
  platform::PumpMessages();  // both clicks wait in the event queue
  GadgetButtonCreate(5, 10, 50, 100, 25, u"Second");
  EXPECT_FALSE(IsWindow(first));
  EXPECT_NE(Control(5), first);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 6);
  EXPECT_EQ(GadgetGetY(5), 50);
}

TEST_F(GadgetTest, NoGadgetListMeansNoGadgetAndNothingChanged) {
  WindowClose(0);
  EXPECT_EQ(GadgetButtonCreate(1, 0, 0, 10, 10, u"x"), 0);
  EXPECT_EQ(GadgetIsValid(1), nullptr);
}

TEST_F(GadgetTest, UnknownGadgetsGiveZeroEverywhere) {
  EXPECT_EQ(GadgetGetState(42), 0);
  EXPECT_EQ(GadgetSetState(42, 1), 0);
  EXPECT_EQ(GadgetSetText(42, u"x"), 0);
  EXPECT_EQ(GadgetResize(42, 1, 2, 3, 4), 0);
  EXPECT_EQ(GadgetGetColor(42, 1), 0);
  EXPECT_EQ(GadgetGetWidth(42, 1), 0);
  EXPECT_EQ(GadgetHide(42, 1), 0);
  EXPECT_EQ(GadgetFree(42), 0);
  EXPECT_EQ(GadgetKind(42), 0);
  EXPECT_EQ(GadgetListOpen(42), 0);
  EXPECT_EQ(GadgetIsValid(static_cast<int64_t>(0x7FFF12345678)), nullptr);
  EXPECT_EQ(StrLen(GadgetGetText(42, StrTempPosition())), 0);
}

TEST_F(GadgetTest, KindsWithoutAnOperationFallBack) {
  GadgetButtonCreate(1, 0, 0, 80, 24, u"Plain");
  EXPECT_EQ(GadgetGetColor(1, 1), -1);  // buttons take no colours
  EXPECT_EQ(GadgetSetColor(1, 1, 0xFF), 0);
  EXPECT_EQ(GadgetAddItem(1, -1, u"item"), 0);
  EXPECT_EQ(GadgetGetAttribute(1, 0), 0);
  EXPECT_EQ(GadgetCountItems(1), 0);
  GadgetSetText(1, u"Renamed");
  EXPECT_EQ(RString(GadgetGetText(1, StrTempPosition())), RString(u"Renamed"));
}

TEST_F(GadgetTest, ProgrammaticChangesProduceNoEvents) {
  GadgetOptionCreate(1, 0, 0, 80, 20, u"a");
  GadgetOptionCreate(2, 0, 20, 80, 20, u"b");
  GadgetSetState(2, 1);
  GadgetSetText(1, u"c");
  EXPECT_TRUE(GadgetEvents().empty());
  EXPECT_EQ(GadgetGetState(2), 1);
  Click(1);  // the user's change is reported
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 1);
  EXPECT_EQ(GadgetGetState(2), 0);
}

TEST_F(GadgetTest, OptionsInARowFormOneGroup) {
  GadgetOptionCreate(1, 0, 0, 80, 20, u"a");
  GadgetOptionCreate(2, 0, 20, 80, 20, u"b");
  GadgetOptionCreate(3, 0, 40, 80, 20, u"c");
  GadgetSetState(1, 1);
  GadgetSetState(2, 1);
  GadgetSetState(3, 1);
  EXPECT_EQ(GadgetGetState(1), 0);
  EXPECT_EQ(GadgetGetState(2), 0);
  EXPECT_EQ(GadgetGetState(3), 1);
  GadgetSetState(3, 0);
  EXPECT_EQ(GadgetGetState(3), 0);
}

TEST_F(GadgetTest, AnyOtherGadgetBetweenOptionsStartsANewGroup) {
  GadgetOptionCreate(1, 0, 0, 80, 20, u"a");
  GadgetOptionCreate(2, 0, 20, 80, 20, u"b");
  GadgetTextCreate(3, 0, 40, 80, 20, u"--");
  GadgetOptionCreate(4, 0, 60, 80, 20, u"c");
  GadgetOptionCreate(5, 0, 80, 80, 20, u"d");
  EXPECT_TRUE(GetWindowLongPtrW(Control(4), GWL_STYLE) & WS_GROUP);
  EXPECT_FALSE(GetWindowLongPtrW(Control(5), GWL_STYLE) & WS_GROUP);
  GadgetSetState(2, 1);
  GadgetSetState(5, 1);
  EXPECT_EQ(GadgetGetState(2), 1);
  Click(4);
  GadgetEvents();
  EXPECT_EQ(GadgetGetState(4), 1);
  EXPECT_EQ(GadgetGetState(5), 0);
  EXPECT_EQ(GadgetGetState(2), 1);
  // A new window's list starts a new group too.
  GadgetOptionCreate(6, 0, 100, 80, 20, u"e");
  WindowOpen(1, 0, 0, 200, 200, u"Second");
  GadgetOptionCreate(7, 0, 0, 80, 20, u"f");
  EXPECT_TRUE(GetWindowLongPtrW(Control(7), GWL_STYLE) & WS_GROUP);
}

TEST_F(GadgetTest, CheckBoxStatesAndTheThreeStateCycle) {
  GadgetCheckBoxCreate(1, 0, 0, 100, 20, u"two");
  GadgetCheckBoxCreate(2, 0, 30, 100, 20, u"three", CV_CheckBox_ThreeState);
  GadgetSetState(1, -1);
  EXPECT_EQ(GadgetGetState(1), 1);  // no indeterminate state for a plain box
  GadgetSetState(2, -1);
  EXPECT_EQ(GadgetGetState(2), -1);
  Click(2);
  EXPECT_EQ(GadgetEvents().size(), 1u);
  EXPECT_EQ(GadgetGetState(2), 1);
  Click(2);
  GadgetEvents();
  EXPECT_EQ(GadgetGetState(2), 0);
  Click(1);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].type, 0);
  EXPECT_EQ(GadgetGetState(1), 0);
}

TEST_F(GadgetTest, GadgetZeroReachesItsKindHandlerAndForeignControlsDoNot) {
  GadgetCheckBoxCreate(0, 0, 0, 100, 20, u"zero", CV_CheckBox_ThreeState);
  Click(0);
  std::vector<GadgetEvent> events = GadgetEvents();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].gadget, 0);
  EXPECT_EQ(GadgetGetState(0), 1);  // the three-state handler moved it on
  // A control the runtime did not make, with id 0 too, is not taken for gadget 0.
  HWND foreign = CreateWindowExW(0, u"Button", u"foreign", WS_CHILD | WS_VISIBLE | BS_3STATE, 0, 40, 100, 20,
                                 Window(0), nullptr, nullptr, nullptr);
  SendMessageW(foreign, BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(foreign, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(GadgetGetState(0), 1);
  GadgetEvents();
}

TEST_F(GadgetTest, ToggleButtonsKeepTheirState) {
  GadgetButtonCreate(1, 0, 0, 100, 24, u"Toggle", CV_Button_Toggle);
  GadgetButtonCreate(2, 0, 30, 100, 24, u"Push");
  Click(1);
  EXPECT_EQ(GadgetEvents().size(), 1u);
  EXPECT_EQ(GadgetGetState(1), 1);
  GadgetSetState(1, 7);
  EXPECT_EQ(GadgetGetState(1), 1);
  GadgetSetState(1, 0);
  EXPECT_EQ(GadgetGetState(1), 0);
  GadgetSetState(2, 1);
  EXPECT_EQ(GadgetGetState(2), 0);
}

TEST_F(GadgetTest, DisabledAndHiddenGadgetsTakeNoClicks) {
  GadgetButtonCreate(1, 10, 10, 100, 25, u"Go");
  GadgetDisable(1, 1);
  EXPECT_FALSE(IsWindowEnabled(Control(1)));
  Click(1);
  EXPECT_TRUE(GadgetEvents().empty());
  GadgetDisable(1, 0);
  GadgetHide(1, 1);
  EXPECT_FALSE(IsWindowVisible(Control(1)));
  Click(1);
  EXPECT_TRUE(GadgetEvents().empty());
  GadgetHide(1, 0);
  Click(1);
  EXPECT_EQ(GadgetEvents().size(), 1u);
}

TEST_F(GadgetTest, ResizeKeepsWhatIsMarkedKept) {
  GadgetButtonCreate(1, 10, 20, 100, 25, u"Go");
  GadgetResize(1, CV_Keep, CV_Keep, CV_Keep, CV_Keep);
  EXPECT_EQ(GadgetGetX(1), 10);
  EXPECT_EQ(GadgetGetY(1), 20);
  EXPECT_EQ(GadgetGetWidth(1), 100);
  EXPECT_EQ(GadgetGetHeight(1), 25);
  GadgetResize(1, CV_Keep, 40, 150, CV_Keep);
  EXPECT_EQ(GadgetGetX(1), 10);
  EXPECT_EQ(GadgetGetY(1), 40);
  EXPECT_EQ(GadgetGetWidth(1), 150);
  EXPECT_EQ(GadgetGetHeight(1), 25);
}

TEST_F(GadgetTest, TextColoursComeFromTheSharedBrushCache) {
  int64_t brushesBefore = GadgetBrushCount();
  GadgetTextCreate(1, 0, 0, 100, 20, u"one");
  GadgetTextCreate(2, 0, 30, 100, 20, u"two");
  EXPECT_EQ(GadgetGetColor(1, 1), -1);
  EXPECT_EQ(GadgetGetColor(1, 2), -1);
  EXPECT_EQ(GadgetGetColor(1, 3), -1);
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)));
  HDC dc = CreateCompatibleDC(nullptr);
  // Without colours the window's default answers.
  EXPECT_EQ(SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(1))),
            reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
  GadgetSetColor(1, 2, 0x00FF00);
  GadgetSetColor(2, 2, 0x00FF00);
  GadgetSetColor(2, 1, 0x0000FF);
  EXPECT_EQ(GadgetBrushCount(), brushesBefore + 1);
  EXPECT_EQ(GadgetGetColor(1, 2), 0x00FF00);
  EXPECT_EQ(GadgetGetColor(2, 1), 0x0000FF);
  LRESULT brush = SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(2)));
  EXPECT_EQ(GetTextColor(dc), 0x0000FFu);
  EXPECT_EQ(GetBkColor(dc), 0x00FF00u);
  EXPECT_EQ(brush, SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(1))));
  // A front colour alone keeps the button face behind it.
  GadgetSetColor(2, 2, -1);
  EXPECT_EQ(SendMessageW(window, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(Control(2))),
            reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE)));
  DeleteDC(dc);
  GadgetFree(1);
  EXPECT_EQ(GadgetBrushCount(), brushesBefore);
}

TEST_F(GadgetTest, TextPaintsInItsColours) {
  GadgetTextCreate(1, 10, 10, 120, 30, u"WWWW");
  EXPECT_EQ(Pixel(12, 12), 0xF0F0F0u);  // the button face by default
  GadgetSetColor(1, 2, 0x00FFFF);        // yellow: red and green
  GadgetSetColor(1, 1, 0xFF0000);        // blue text
  EXPECT_EQ(Pixel(125, 35), 0xFFFF00u);
  int blue = 0;
  for (int y = 10; y < 40; ++y) {
    for (int x = 10; x < 130; ++x) {
      uint32_t value = Pixel(x, y);
      blue += (value & 0xFF) > 0xC0 && (value >> 16) < 0x80;  // text edges are blended into the back
    }
  }
  EXPECT_GT(blue, 10);
}

TEST_F(GadgetTest, BorderedTextGetsTheClientEdge) {
  GadgetTextCreate(1, 0, 0, 100, 20, u"framed", CV_Text_Border | CV_Text_Right);
  EXPECT_TRUE(GetWindowLongPtrW(Control(1), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(GetWindowLongPtrW(Control(1), GWL_STYLE) & SS_TYPEMASK, SS_RIGHT);
  GadgetTextCreate(2, 0, 30, 100, 20, u"framed");
  EXPECT_EQ(GadgetGetWidth(1, 1) - GadgetGetWidth(2, 1), 2 * GetSystemMetrics(SM_CXEDGE) - 2);
}

TEST_F(GadgetTest, RequiredSizesFollowTextAndFont) {
  GadgetButtonCreate(1, 0, 0, 10, 10, u"A much longer caption");
  GadgetButtonCreate(2, 0, 30, 10, 10, u"Hi");
  EXPECT_GT(GadgetGetWidth(1, 1), GadgetGetWidth(2, 1));
  EXPECT_EQ(GadgetGetWidth(2, 0), 10);
  HFONT small = CreateFontW(-6, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  GadgetSetFont(2, static_cast<int64_t>(reinterpret_cast<uintptr_t>(small)));
  EXPECT_EQ(GadgetGetHeight(2, 1), 24);
  HFONT large = CreateFontW(-40, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, u"Arial");
  GadgetSetFont(2, static_cast<int64_t>(reinterpret_cast<uintptr_t>(large)));
  EXPECT_GT(GadgetGetHeight(2, 1), 40);
  GadgetCheckBoxCreate(3, 0, 60, 10, 10, u"");
  EXPECT_EQ(GadgetGetHeight(3, 1), 20);
  EXPECT_EQ(GadgetGetWidth(3, 1), 20);
  GadgetTextCreate(4, 0, 90, 10, 10, u"one\ntwo");
  GadgetTextCreate(5, 0, 120, 10, 10, u"one");
  EXPECT_GT(GadgetGetHeight(4, 1), GadgetGetHeight(5, 1) + 5);
  GadgetSetFont(2, -1);
  GadgetFree(-1);
  DeleteObject(small);
  DeleteObject(large);
}

TEST_F(GadgetTest, ClosingTheWindowFreesItsGadgets) {
  GadgetButtonCreate(1, 0, 0, 10, 10, u"a");
  GadgetTextCreate(CV_Any, 0, 20, 10, 10, u"b");
  WindowClose(0);
  EXPECT_EQ(GadgetIsValid(1), nullptr);
  EXPECT_EQ(GadgetListCurrent(), nullptr);
}

}  // namespace
