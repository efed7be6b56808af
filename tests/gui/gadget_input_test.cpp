// The input gadgets driven by injected input: what the user's edits report, what programmatic
// changes keep quiet, and each kind's state, text, attributes, colours and sizes.
#include <string>
#include <vector>

#include "controls/controls.h"
#include "gadget_fixture.h"
#include "gui/gadget_input.h"
#include "input.h"
#include "testing.h"
#include "text.h"

namespace {

class InputGadgetTest : public GadgetFixture {
 protected:
  std::u16string Text(int64_t gadget) {
    const char16_t* text = GadgetGetText(gadget, 0);
    return text ? text : u"";
  }
  int Count(const std::vector<GadgetEvent>& events, int64_t gadget, int64_t type) {
    int count = 0;
    for (const GadgetEvent& event : events) count += event.gadget == gadget && event.type == type;
    return count;
  }
  void Focus(int64_t gadget) {
    SetFocus(Control(gadget));
    GadgetEvents();
  }
};

// ---- string ----

TEST_F(InputGadgetTest, StringReportsEachEditButNotSetText) {
  ASSERT_NE(GadgetStringCreate(1, 10, 10, 150, 22, u"start"), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_STRING);
  EXPECT_EQ(Text(1), u"start");
  Focus(1);
  platform::InputKeyPress(VK_END);
  platform::InputText(u"ed");
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 2);
  EXPECT_EQ(Text(1), u"started");
  EXPECT_EQ(GadgetSetText(1, u"programmatic"), 1);
  EXPECT_EQ(Text(1), u"programmatic");
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 0);
  EXPECT_EQ(Count(events, 1, 1024), 0);
}

TEST_F(InputGadgetTest, StringTakesADesktopsComposedCharacterOnce) {
  GadgetStringCreate(1, 10, 10, 150, 22, u"");
  Focus(1);
  // A dead key, then the letter, each saying its text comes separately, then the text itself.
  for (UINT key : {0xDEu, static_cast<UINT>('E')}) platform::InputKeyEvent(platform::KeyEvent{key, 0, true, false, true});
  platform::InputText(u"\u00E9");
  for (UINT key : {0xDEu, static_cast<UINT>('E')}) platform::InputKeyEvent(platform::KeyEvent{key, 0, false, false, true});
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Text(1), u"\u00E9");
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 1);
}

TEST_F(InputGadgetTest, StringReportsFocusBothWays) {
  GadgetStringCreate(1, 10, 10, 150, 22, u"");
  GadgetStringCreate(2, 10, 40, 150, 22, u"");
  SetFocus(Control(1));
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_FOCUS), 1);
  EXPECT_EQ(Count(events, 1, 256), 1);  // the edit's own set-focus notification
  SetFocus(Control(2));
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_LOST_FOCUS), 1);
  EXPECT_EQ(Count(events, 1, 512), 1);
  EXPECT_EQ(Count(events, 2, ET_FOCUS), 1);
}

TEST_F(InputGadgetTest, StringFlagsBecomeEditStyles) {
  GadgetStringCreate(1, 10, 10, 150, 22, u"", CV_String_Numeric | CV_String_UpperCase);
  GadgetStringCreate(2, 10, 40, 150, 22, u"", CV_String_BorderLess | CV_String_ReadOnly);
  EXPECT_TRUE(GetWindowLongPtrW(Control(1), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_FALSE(GetWindowLongPtrW(Control(2), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_TRUE(GetWindowLongPtrW(Control(1), GWL_STYLE) & ES_AUTOHSCROLL);
  Focus(1);
  platform::InputText(u"4x2");
  GadgetEvents();
  EXPECT_EQ(Text(1), u"42");
  Focus(2);
  platform::InputText(u"no");
  EXPECT_TRUE(GadgetEvents().empty());
  EXPECT_EQ(Text(2), u"");
}

TEST_F(InputGadgetTest, StringMaximumLengthIsAtLeastOne) {
  GadgetStringCreate(1, 10, 10, 150, 22, u"");
  EXPECT_EQ(GadgetSetAttribute(1, 1, 4), 1);
  EXPECT_EQ(GadgetGetAttribute(1, 1), 4);
  Focus(1);
  platform::InputText(u"123456");
  GadgetEvents();
  EXPECT_EQ(Text(1), u"1234");
  GadgetSetAttribute(1, 1, 0);
  EXPECT_EQ(GadgetGetAttribute(1, 1), 1);
  GadgetSetAttribute(1, 1, -5);
  EXPECT_EQ(GadgetGetAttribute(1, 1), 1);
  EXPECT_EQ(GadgetGetAttribute(1, 2), 0);  // no other attributes
  EXPECT_EQ(GadgetGetAttribute(99, 1), 0);
}

TEST_F(InputGadgetTest, StringPaintsInItsColoursAndTheWindowColourByDefault) {
  GadgetStringCreate(1, 10, 10, 150, 22, u"");
  GadgetStringCreate(2, 10, 40, 150, 22, u"", CV_String_ReadOnly);
  EXPECT_EQ(GadgetGetColor(1, 2), -1);
  EXPECT_EQ(Pixel(100, 20), GetSysColor(COLOR_WINDOW) & 0xFFFFFF);
  EXPECT_EQ(Pixel(100, 50), GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
  GadgetSetColor(1, 2, 0x00FF00);
  GadgetSetColor(2, 2, 0x0000FF);
  EXPECT_EQ(GadgetGetColor(1, 2), 0x00FF00);
  uint32_t green = Pixel(100, 20);
  EXPECT_EQ(green, 0x00FF00u);
  EXPECT_EQ(Pixel(100, 50), 0xFF0000u);  // colour values are 0xBBGGRR
  GadgetDisable(2, 1);                    // disabled: the system's look again
  EXPECT_EQ(Pixel(100, 50), GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
}

TEST_F(InputGadgetTest, StringRequiredSize) {
  GadgetStringCreate(1, 10, 10, 150, 22, u"a rather long text");
  EXPECT_EQ(GadgetGetWidth(1, 1), 2 * GetSystemMetrics(SM_CXEDGE));
  EXPECT_GE(GadgetGetHeight(1, 1), 20);
  EXPECT_EQ(GadgetGetHeight(1), 22);
}

}  // namespace

// ---- track bar ----

namespace {

class TrackBarGadgetTest : public InputGadgetTest {
 protected:
  LRESULT Position(int64_t gadget) { return SendMessageW(Control(gadget), TBM_GETPOS, 0, 0); }
};

TEST_F(TrackBarGadgetTest, KeysAndMouseMoveItAndEachMoveIsAnEvent) {
  ASSERT_NE(GadgetTrackBarCreate(1, 10, 10, 208, 30, 0, 100), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_TRACKBAR);
  EXPECT_EQ(GadgetGetState(1), 0);
  Focus(1);
  platform::InputKeyPress(VK_RIGHT);
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, 0), 2);  // the step and the end of the move
  EXPECT_EQ(GadgetGetState(1), 1);
  RECT frame;
  GetWindowRect(Control(1), &frame);
  platform::InputClick(frame.right - 3, (frame.top + frame.bottom) / 2);
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, 0), 2);
  EXPECT_EQ(GadgetGetState(1), 21);
  EXPECT_EQ(GadgetSetState(1, 40), 1);
  EXPECT_EQ(GadgetGetState(1), 40);
  EXPECT_TRUE(GadgetEvents().empty());
}

TEST_F(TrackBarGadgetTest, VerticalBarsShowTheMaximumAtTheTop) {
  GadgetTrackBarCreate(1, 10, 10, 30, 200, 0, 10, CV_TrackBar_Vertical);
  EXPECT_EQ(GadgetGetState(1), 0);
  EXPECT_EQ(Position(1), 10);  // state 0 sits at the bottom
  GadgetSetState(1, 3);
  EXPECT_EQ(Position(1), 7);
  EXPECT_EQ(GadgetGetState(1), 3);
  Focus(1);
  platform::InputKeyPress(VK_UP);  // the thumb goes up: the value grows
  GadgetEvents();
  EXPECT_EQ(GadgetGetState(1), 4);
}

TEST_F(TrackBarGadgetTest, RangeAttributesKeepTheValueWhereTheyAllowIt) {
  GadgetTrackBarCreate(1, 10, 10, 208, 30, -5, 50);
  EXPECT_EQ(GadgetGetAttribute(1, 1), 0);  // negative ends are raised to 0
  EXPECT_EQ(GadgetGetAttribute(1, 2), 50);
  GadgetSetState(1, 30);
  GadgetSetAttribute(1, 2, 80);
  EXPECT_EQ(GadgetGetState(1), 30);
  GadgetSetAttribute(1, 2, 20);
  EXPECT_EQ(GadgetGetState(1), 20);
  GadgetSetAttribute(1, 1, 10);
  EXPECT_EQ(GadgetGetAttribute(1, 1), 10);
  EXPECT_EQ(GadgetGetAttribute(1, 3), 0);

  GadgetTrackBarCreate(2, 10, 50, 30, 200, 0, 10, CV_TrackBar_Vertical);
  GadgetSetState(2, 8);
  GadgetSetAttribute(2, 2, 20);  // the mirror moves with the range; the value does not
  EXPECT_EQ(GadgetGetState(2), 8);
  EXPECT_EQ(Position(2), 12);
  EXPECT_TRUE(GadgetEvents().empty());
}

}  // namespace

// ---- spin ----

namespace {

class SpinGadgetTest : public InputGadgetTest {
 protected:
  HWND Arrows(int64_t gadget) {
    HWND upDown = GetWindow(Control(gadget), GW_HWNDPREV);
    char16_t name[32];
    GetClassNameW(upDown, name, 32);
    return std::u16string(name) == UPDOWN_CLASSW ? upDown : nullptr;
  }
  void ClickArrow(int64_t gadget, bool up) {
    RECT frame;
    GetWindowRect(Arrows(gadget), &frame);
    platform::InputClick((frame.left + frame.right) / 2, up ? frame.top + 3 : frame.bottom - 3);
  }
};

TEST_F(SpinGadgetTest, ArrowsReportSpinUpAndDownAndMoveTheStateByOne) {
  ASSERT_NE(GadgetSpinCreate(1, 10, 10, 80, 22, 1, 99, CV_Spin_Numeric), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_SPIN);
  ASSERT_NE(Arrows(1), nullptr);
  EXPECT_EQ(GadgetGetState(1), 1);
  ClickArrow(1, true);
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_SPIN_UP), 1);
  EXPECT_EQ(GadgetGetState(1), 2);
  EXPECT_EQ(Text(1), u"2");  // numeric spins write the position into the edit
  ClickArrow(1, false);
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_SPIN_DOWN), 1);
  EXPECT_EQ(Count(events, 1, ET_SPIN_UP), 0);
  EXPECT_EQ(GadgetGetState(1), 1);
  // The edit's arrow keys press the arrows too.
  Focus(1);
  platform::InputKeyPress(VK_UP);
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_SPIN_UP), 1);
  EXPECT_EQ(GadgetGetState(1), 2);
}

TEST_F(SpinGadgetTest, TypingReportsAChangeAndProgrammaticChangesStayQuiet) {
  GadgetSpinCreate(1, 10, 10, 80, 22, 0, 50);
  Focus(1);
  platform::InputText(u"7");
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 1);
  EXPECT_EQ(events.size(), 1u);  // the other notifications are consumed
  EXPECT_EQ(GadgetSetText(1, u"12"), 1);
  EXPECT_EQ(Text(1), u"12");
  EXPECT_TRUE(GadgetEvents().empty());
  GadgetSetState(1, 30);
  EXPECT_EQ(GadgetGetState(1), 30);
  EXPECT_TRUE(GadgetEvents().empty());
}

TEST_F(SpinGadgetTest, RangeAttributesKeepTheOtherEnd) {
  GadgetSpinCreate(1, 10, 10, 80, 22, 1, 99);
  EXPECT_EQ(GadgetGetAttribute(1, 1), 1);
  EXPECT_EQ(GadgetGetAttribute(1, 2), 99);
  GadgetSetAttribute(1, 1, -10);
  EXPECT_EQ(GadgetGetAttribute(1, 1), -10);
  EXPECT_EQ(GadgetGetAttribute(1, 2), 99);
  GadgetSetAttribute(1, 2, 5);
  EXPECT_EQ(GadgetGetAttribute(1, 1), -10);
  EXPECT_EQ(GadgetGetAttribute(1, 2), 5);
  EXPECT_EQ(GadgetGetAttribute(1, 3), 0);
}

TEST_F(SpinGadgetTest, ThePairIsPlacedTogetherAndFollowsTheEdit) {
  GadgetSpinCreate(1, 10, 10, 80, 40, 0, 10);
  HWND arrows = Arrows(1);
  RECT edit = GadgetFrameInParent(Control(1)), upDown = GadgetFrameInParent(arrows);
  EXPECT_EQ(upDown.right, 90);
  EXPECT_EQ(upDown.right - upDown.left, 20);  // half the height, at least 18
  EXPECT_EQ(edit.left, 10);
  EXPECT_GT(edit.right, upDown.left);        // the borders overlap
  EXPECT_EQ(GadgetGetWidth(1), 80);
  GadgetResize(1, 20, CV_Keep, CV_Keep, 22);
  upDown = GadgetFrameInParent(arrows);
  EXPECT_EQ(GadgetGetX(1), 20);
  EXPECT_EQ(upDown.right - upDown.left, 18);
  EXPECT_EQ(upDown.right, 100);  // the kept width is the pair's
  GadgetDisable(1, 1);
  EXPECT_FALSE(IsWindowEnabled(arrows));
  GadgetDisable(1, 0);
  EXPECT_TRUE(IsWindowEnabled(arrows));
  GadgetHide(1, 1);
  EXPECT_FALSE(IsWindowVisible(arrows));
  GadgetFree(1);
  EXPECT_FALSE(IsWindow(arrows));
}

TEST_F(SpinGadgetTest, ReadOnlySpinsStayReadable) {
  GadgetSpinCreate(1, 10, 10, 80, 22, 0, 10, CV_Spin_ReadOnly);
  Focus(1);
  platform::InputText(u"5");
  GadgetEvents();
  EXPECT_EQ(Text(1), u"");
  EXPECT_EQ(Pixel(30, 20), GetSysColor(COLOR_BTNHIGHLIGHT) & 0xFFFFFF);
  EXPECT_EQ(GadgetGetWidth(1, 1), 2 * GetSystemMetrics(SM_CXEDGE) + 50);
}

}  // namespace

// ---- combo box ----

namespace {

class ComboGadgetTest : public InputGadgetTest {
 protected:
  int64_t Fonts(int64_t gadget, std::initializer_list<const char16_t*> items) {
    for (const char16_t* item : items) GadgetAddItem(gadget, -1, item);
    return GadgetCountItems(gadget);
  }
  RECT Frame(int64_t gadget) {
    RECT frame;
    GetWindowRect(Control(gadget), &frame);
    return frame;
  }
  bool Dropped(int64_t gadget) { return SendMessageW(Control(gadget), CB_GETDROPPEDSTATE, 0, 0) != 0; }
};

TEST_F(ComboGadgetTest, ClosedBoxKeepsTheAskedHeightAlsoAfterResize) {
  ASSERT_NE(GadgetComboCreate(1, 10, 10, 150, 21), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_COMBOBOX);
  EXPECT_EQ(Frame(1).bottom - Frame(1).top, 21);
  Fonts(1, {u"Arial", u"Courier"});
  GadgetSetState(1, 1);
  GadgetResize(1, CV_Keep, CV_Keep, 200, 30);
  EXPECT_EQ(Frame(1).bottom - Frame(1).top, 30);
  EXPECT_EQ(Frame(1).right - Frame(1).left, 200);
  EXPECT_EQ(GadgetGetState(1), 1);  // a resize keeps the selection
  GadgetResize(1, 5, CV_Keep, CV_Keep, CV_Keep);
  EXPECT_EQ(Frame(1).bottom - Frame(1).top, 30);
  EXPECT_EQ(GadgetGetX(1), 5);
  GadgetSetFont(1, -1);
  EXPECT_EQ(Frame(1).bottom - Frame(1).top, 30);
}

TEST_F(ComboGadgetTest, ExtendedBoxesShowItemImagesAndFreeThem) {
  // A plain box shown and freed first: what it leaves for later paints is no image's doing.
  GadgetComboCreate(2, 10, 10, 150, 24);
  Pixel(0, 0);
  GadgetFree(2);
  platform::PumpMessages();
  int64_t objects = platform::testing::GdiObjectCount();
  // A 16 x 16 opaque red picture, freed by the test once the box has its copy.
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 16, 16, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP red = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  for (int i = 0; i < 256; ++i) static_cast<uint32_t*>(bits)[i] = 0xFFFF0000u;
  ASSERT_NE(GadgetComboCreate(1, 10, 10, 150, 24, CV_ComboBox_Image), 0);
  EXPECT_EQ(GadgetAddItem(1, -1, u"Red", static_cast<int64_t>(reinterpret_cast<uintptr_t>(red))), 1);
  EXPECT_EQ(GadgetAddItem(1, -1, u"Plain"), 1);
  DeleteObject(red);
  EXPECT_EQ(GadgetCountItems(1), 2);
  EXPECT_EQ(Frame(1).bottom - Frame(1).top, 24);
  GadgetSetState(1, 0);
  EXPECT_EQ(Text(1), u"Red");
  EXPECT_EQ(Pixel(10 + 3 + 2 + 8, 10 + 12), 0xFF0000u);  // the picture before the text
  GadgetSetItemText(1, 0, u"Crimson");
  EXPECT_EQ(GadgetGetState(1), 0);
  EXPECT_EQ(Text(1), u"Crimson");
  EXPECT_EQ(Pixel(10 + 3 + 2 + 8, 10 + 12), 0xFF0000u);
  GadgetClearItems(1);
  EXPECT_EQ(GadgetCountItems(1), 0);
  GadgetFree(1);
  platform::PumpMessages();
  EXPECT_EQ(platform::testing::GdiObjectCount(), objects);
}

TEST_F(ComboGadgetTest, ChoosingByClickReportsAChangeAndSetStateDoesNot) {
  GadgetComboCreate(1, 10, 10, 150, 21);
  Fonts(1, {u"Arial", u"Courier", u"Times"});
  EXPECT_EQ(GadgetGetState(1), -1);
  EXPECT_EQ(GadgetSetState(1, 0), 1);
  EXPECT_TRUE(GadgetEvents().empty());
  RECT frame = Frame(1);
  platform::InputClick(frame.right - 5, (frame.top + frame.bottom) / 2);
  platform::PumpMessages();
  ASSERT_TRUE(Dropped(1));
  RECT listFrame{frame.left, frame.bottom, frame.right, frame.bottom};  // the list drops below the box
  int itemHeight = static_cast<int>(SendMessageW(Control(1), CB_GETITEMHEIGHT, 0, 0));
  platform::InputClick(listFrame.left + 10, listFrame.top + 1 + 2 * itemHeight + itemHeight / 2);  // "Times"
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 1);
  EXPECT_EQ(GadgetGetState(1), 2);
  EXPECT_EQ(Text(1), u"Times");
  EXPECT_FALSE(Dropped(1));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboGadgetTest, KeysChooseOnTheClosedBoxAndInTheOpenList) {
  GadgetComboCreate(1, 10, 10, 150, 21);
  Fonts(1, {u"top-left", u"top", u"top-right"});
  Focus(1);
  platform::InputKeyPress(VK_DOWN);
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 1);
  EXPECT_EQ(GadgetGetState(1), 0);
  EXPECT_EQ(Count(events, 1, ET_FOCUS), 0);  // focus is reported for editable boxes only
  platform::InputKey(VK_MENU, true);
  platform::InputKeyPress(VK_DOWN);
  platform::InputKey(VK_MENU, false);
  platform::PumpMessages();
  ASSERT_TRUE(Dropped(1));
  platform::InputKeyPress(VK_DOWN);
  platform::InputKeyPress(VK_DOWN);
  platform::PumpMessages();
  EXPECT_EQ(GadgetGetState(1), 0);  // moving in the open list only marks
  platform::InputKeyPress(VK_RETURN);
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 1);
  EXPECT_EQ(GadgetGetState(1), 2);
  EXPECT_FALSE(Dropped(1));
  platform::InputKeyPress(VK_F4);
  platform::InputKeyPress(VK_UP);
  platform::InputKeyPress(VK_ESCAPE);  // Escape leaves the choice as it was
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 0);
  EXPECT_EQ(GadgetGetState(1), 2);
}

TEST_F(ComboGadgetTest, SetTextOnAListSelectsOnlyAMatchingItem) {
  GadgetComboCreate(1, 10, 10, 150, 21);
  Fonts(1, {u"Arial", u"Courier"});
  GadgetSetText(1, u"Courier");
  EXPECT_EQ(GadgetGetState(1), 1);
  GadgetSetText(1, u"Helvetica");
  EXPECT_EQ(GadgetGetState(1), 1);
  EXPECT_EQ(Text(1), u"Courier");
  GadgetSetText(1, u"");
  EXPECT_EQ(GadgetGetState(1), -1);
  EXPECT_EQ(Text(1), u"");
  EXPECT_TRUE(GadgetEvents().empty());
}

TEST_F(ComboGadgetTest, EditableBoxesReportTypingAndFocusAndTellWhereTheTextCameFrom) {
  GadgetComboCreate(1, 10, 10, 150, 21, CV_ComboBox_Editable);
  GadgetComboCreate(2, 10, 40, 150, 21);
  Fonts(1, {u"10", u"12", u"14"});
  HWND field = GetWindow(Control(1), GW_CHILD);
  ASSERT_NE(field, nullptr);
  EXPECT_TRUE(GetWindowLongPtrW(field, GWL_STYLE) & WS_TABSTOP);
  SetFocus(Control(1));
  std::vector<GadgetEvent> events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_FOCUS), 1);
  EXPECT_EQ(GetFocus(), field);
  platform::InputText(u"13");
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 2);
  EXPECT_EQ(Text(1), u"13");
  platform::InputKeyPress(VK_DOWN);  // the field lends its arrow keys to the list
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 1);
  EXPECT_EQ(Text(1), u"10");
  GadgetSetText(1, u"free text");
  EXPECT_EQ(Text(1), u"free text");
  SetFocus(Control(2));
  events = GadgetEvents();
  EXPECT_EQ(Count(events, 1, ET_LOST_FOCUS), 1);
  EXPECT_EQ(Count(events, 1, ET_CHANGE), 0);
}

TEST_F(ComboGadgetTest, ItemsTextsAndDataFollowTheirPlaces) {
  GadgetComboCreate(1, 10, 10, 150, 21, CV_ComboBox_UpperCase);
  EXPECT_EQ(Fonts(1, {u"b", u"c"}), 2);
  EXPECT_EQ(GadgetAddItem(1, 0, u"a"), 1);
  EXPECT_EQ(GadgetAddItem(1, -2, u"never"), 0);
  EXPECT_EQ(GadgetAddItem(1, 9, u"never"), 0);
  EXPECT_EQ(GadgetCountItems(1), 3);
  EXPECT_EQ(std::u16string(GadgetGetItemText(1, 0, 0)), u"A");
  EXPECT_EQ(std::u16string(GadgetGetItemText(1, 7, 0)), u"");
  GadgetSetItemData(1, 1, 4242);
  GadgetSetState(1, 1);
  GadgetSetItemText(1, 1, u"bee");
  EXPECT_EQ(std::u16string(GadgetGetItemText(1, 1, 0)), u"BEE");
  EXPECT_EQ(GadgetGetItemData(1, 1), 4242);
  EXPECT_EQ(GadgetGetState(1), 1);
  EXPECT_EQ(GadgetGetItemData(1, 5), 0);
  GadgetRemoveItem(1, 0);
  EXPECT_EQ(GadgetGetState(1), 0);
  EXPECT_EQ(GadgetGetItemData(1, 0), 4242);
  GadgetClearItems(1);
  EXPECT_EQ(GadgetCountItems(1), 0);
  EXPECT_EQ(GadgetGetState(1), -1);
  EXPECT_TRUE(GadgetEvents().empty());
  EXPECT_EQ(GadgetGetHeight(1, 1), GadgetGetWidth(1, 1));
  EXPECT_GE(GadgetGetHeight(1, 1), 21);
}

}  // namespace

// ---- programmatic changes ----

namespace {

// Every change the program makes to an input gadget, from its creation on, stays unreported:
// only the user's own edits are events.
struct QuietChange {
  const char* name;
  void (*make)();    // creates gadget 1 of the kind
  void (*change)();  // changes it from code
};

void MakeString() { GadgetStringCreate(1, 10, 10, 150, 22, u"start", CV_String_Numeric); }
void MakeNumericSpin() { GadgetSpinCreate(1, 10, 10, 80, 22, 0, 99999, CV_Spin_Numeric); }
void MakePlainSpin() { GadgetSpinCreate(1, 10, 10, 80, 22, 5, 10); }
void MakeTrackBar() { GadgetTrackBarCreate(1, 10, 10, 200, 30, 8, 200); }
void MakeListCombo() {
  GadgetComboCreate(1, 10, 10, 150, 21);
  GadgetAddItem(1, -1, u"a");
  GadgetAddItem(1, -1, u"b");
}
void MakeEditableCombo() {
  GadgetComboCreate(1, 10, 10, 150, 21, CV_ComboBox_Editable);
  GadgetAddItem(1, -1, u"a");
}

const QuietChange kQuietChanges[] = {
    {"StringText", MakeString, [] { GadgetSetText(1, u"42"); }},
    {"SpinBelowItsRange", MakeNumericSpin, [] { GadgetSetState(1, -5); }},
    {"SpinAboveItsRange", MakeNumericSpin, [] { GadgetSetState(1, 123456); }},
    {"SpinText", MakeNumericSpin, [] { GadgetSetText(1, u"17"); }},
    {"SpinRangeAcrossItsValue", MakeNumericSpin, [] {
       GadgetSetState(1, 50);
       GadgetSetAttribute(1, 2, 20);
       GadgetSetAttribute(1, 1, 30);
     }},
    {"PlainSpinState", MakePlainSpin, [] { GadgetSetState(1, 0); }},
    {"TrackBarBeyondItsRange", MakeTrackBar, [] {
       GadgetSetState(1, 500);
       GadgetSetAttribute(1, 2, 100);
     }},
    {"ComboSelection", MakeListCombo, [] {
       GadgetSetState(1, 1);
       GadgetSetText(1, u"a");
       GadgetSetItemText(1, 0, u"c");
       GadgetRemoveItem(1, 0);
       GadgetClearItems(1);
     }},
    {"EditableComboText", MakeEditableCombo, [] {
       GadgetSetText(1, u"typed by code");
       GadgetSetState(1, 0);
     }},
};

void PrintTo(const QuietChange& change, std::ostream* out) { *out << change.name; }

class QuietChangeTest : public InputGadgetTest, public ::testing::WithParamInterface<QuietChange> {};

TEST_P(QuietChangeTest, RaisesNoEvent) {
  GetParam().make();
  EXPECT_TRUE(GadgetEvents().empty()) << "after the creation";
  GetParam().change();
  EXPECT_TRUE(GadgetEvents().empty()) << "after the change";
}

INSTANTIATE_TEST_SUITE_P(InputGadgets, QuietChangeTest, ::testing::ValuesIn(kQuietChanges),
                         [](const ::testing::TestParamInfo<QuietChange>& info) { return info.param.name; });

}  // namespace
