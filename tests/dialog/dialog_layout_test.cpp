// The layout engine as a person sees it: where boxes, grids and single-child elements put their
// gadgets, how the window sizes itself to its content and lays out again when resized.
#include "dialog_fixture.h"

namespace {

using LayoutTest = DialogTest;

int g_framePresses = 0;

// Three buttons of 60, 60 and 90 pixels in an hbox of 300.
struct HBoxCase {
  const char16_t* attributes;
  int lefts[3];
  int widths[3];
};

class HBoxTest : public DialogTest, public ::testing::WithParamInterface<HBoxCase> {};

TEST_P(HBoxTest, SharesTheWidthByItsExpandMode) {
  std::u16string xml = u"<window margin='0'><hbox " + std::u16string(GetParam().attributes) +
                       u"><button name='a' text='A' width='60'/><button name='b' text='B' width='60'/>"
                       u"<button name='c' text='C' width='90'/></hbox></window>";
  ASSERT_EQ(Open(xml, u"", 300), 1) << std::string(Error().begin(), Error().end());
  const char16_t* names[] = {u"a", u"b", u"c"};
  for (int i = 0; i < 3; ++i) {
    RECT r = Rect(names[i]);
    EXPECT_EQ(r.left, GetParam().lefts[i]) << i;
    EXPECT_EQ(Width(r), GetParam().widths[i]) << i;
    EXPECT_EQ(Height(r), InnerHeight());
  }
}

INSTANTIATE_TEST_SUITE_P(Modes, HBoxTest,
                         ::testing::Values(HBoxCase{u"", {0, 91, 182}, {86, 86, 116}},
                                           HBoxCase{u"expand='no' align='right'", {80, 145, 210}, {60, 60, 90}},
                                           HBoxCase{u"expand='No' align='center'", {40, 105, 170}, {60, 60, 90}},
                                           HBoxCase{u"expand='EQUAL'", {0, 101, 202}, {96, 96, 96}},
                                           HBoxCase{u"expand='item:2'", {0, 65, 210}, {60, 140, 90}}));

TEST_F(LayoutTest, AVBoxGivenTooLittleHeightShrinksEveryChildInProportion) {
  ASSERT_EQ(Open(u"<window margin='0' flags='#CV_Window_SizeGadget'><vbox spacing='0'>"
                 u"<button name='a' height='40'/><button name='b' height='60'/><button name='c' height='100'/>"
                 u"</vbox></window>"),
            1);
  EXPECT_EQ(InnerHeight(), 200);
  int frame = static_cast<int>(WindowGetHeight(DialogWindowNumber(dialog_), 0) - InnerHeight());
  platform::InputResize(WindowOf(), static_cast<int>(WindowGetWidth(DialogWindowNumber(dialog_), 0)), 100 + frame);
  ASSERT_EQ(InnerHeight(), 100);
  EXPECT_EQ(Height(Rect(u"a")), 20);
  EXPECT_EQ(Rect(u"b").top, 20);
  EXPECT_EQ(Height(Rect(u"b")), 30);
  EXPECT_EQ(Height(Rect(u"c")), 50);
}

TEST_F(LayoutTest, FoldedChildrenTakeNoRoomAndStillCountForTheExpandItem) {
  ASSERT_EQ(Open(u"<window margin='0'><hbox expand='item:3'><button name='a' width='60'/>"
                 u"<singlebox folded='yes'><button name='hidden' width='80'/></singlebox>"
                 u"<button name='c' width='60'/><button name='d' folded='YES' width='70'/></hbox></window>",
                 u"", 300),
            1);
  EXPECT_EQ(Rect(u"a").left, 0);
  EXPECT_EQ(Width(Rect(u"a")), 60);
  EXPECT_EQ(Rect(u"c").left, 65);  // no room and no spacing for the folded ones
  EXPECT_EQ(Rect(u"c").right, 300);
  EXPECT_EQ(Width(Rect(u"d")), 0);
}

TEST_F(LayoutTest, AGridOfThreeColumnsFillsTwoRowsWithSixChildren) {
  ASSERT_EQ(Open(u"<window margin='0'><gridbox columns='3'><button name='a' width='50'/><button name='b' width='50'/>"
                 u"<button name='c' width='50'/><button name='d' width='50'/><button name='e' width='50'/>"
                 u"<button name='f' width='50'/></gridbox></window>"),
            1);
  RECT a = Rect(u"a"), c = Rect(u"c"), d = Rect(u"d"), f = Rect(u"f");
  EXPECT_EQ(d.left, a.left);
  EXPECT_EQ(d.top, a.bottom + 5);
  EXPECT_EQ(f.right, c.right);
  EXPECT_EQ(InnerWidth(), 3 * 50 + 2 * 5);
  EXPECT_EQ(InnerHeight(), 2 * 24 + 5);
}

TEST_F(LayoutTest, AGridCutsColumnSpansAndSkipsCellsCoveredByRowSpans) {
  ASSERT_EQ(Open(u"<window margin='0'><gridbox columns='3' colexpand='no'>"
                 u"<button name='a' width='50' rowspan='2'/><button name='b' width='50' colspan='5'/>"
                 u"<button name='c' width='50'/><button name='d' width='50'/><button name='e' width='50'/>"
                 u"</gridbox></window>"),
            1);
  RECT a = Rect(u"a"), b = Rect(u"b"), c = Rect(u"c"), d = Rect(u"d"), e = Rect(u"e");
  EXPECT_EQ(Width(b), 50 + 5 + 50);  // two columns were left
  EXPECT_EQ(Height(a), 24 + 5 + 24);
  EXPECT_EQ(c.left, b.left);         // the cell below a is covered: c goes beside it
  EXPECT_EQ(c.top, b.bottom + 5);
  EXPECT_EQ(d.left, c.right + 5);
  EXPECT_EQ(e.left, a.left);
  EXPECT_EQ(e.top, a.bottom + 5);
}

TEST_F(LayoutTest, ASingleboxPlacesItsChildByMarginExpandAndAlign) {
  struct Case {
    const char16_t* attributes;
    RECT expected;
  } cases[] = {
      {u"margin='0' expand='no' align='center'", {120, 88, 180, 112}},
      {u"margin='0' expand='no' align='bottom right'", {240, 176, 300, 200}},
      {u"margin='0' expand='no' align='right'", {240, 0, 300, 24}},
      {u"margin='top:3 LEFT:7'", {7, 3, 300, 200}},
      {u"margin='vertical:4 left:2 horizontal:6'", {6, 4, 294, 196}},
      {u"margin='12' expand='horizontal'", {12, 12, 288, 36}},
      {u"margin='0' expandwidth='100' expand='yes' align='center'", {100, 0, 200, 200}},
  };
  for (const Case& c : cases) {
    std::u16string xml = u"<window margin='0'><singlebox " + std::u16string(c.attributes) +
                         u"><button name='b' width='60'/></singlebox></window>";
    ASSERT_EQ(Open(xml, u"", 300, 200), 1);
    RECT r = Rect(u"b");
    EXPECT_EQ(r.left, c.expected.left) << std::string(xml.begin(), xml.end());
    EXPECT_EQ(r.top, c.expected.top);
    EXPECT_EQ(r.right, c.expected.right);
    EXPECT_EQ(r.bottom, c.expected.bottom);
    DialogFree(dialog_);
  }
}

TEST_F(LayoutTest, TheWindowGrowsToItsContentAndKeepsItsMinimumWhenResized) {
  ASSERT_EQ(Open(u"<window margin='0' minwidth='auto' flags='#CV_Window_SizeGadget'>"
                 u"<button name='b' width='320' height='200'/></window>",
                 u"", 300, 100),
            1);
  EXPECT_EQ(InnerWidth(), 320);
  EXPECT_EQ(InnerHeight(), 200);
  platform::InputResize(WindowOf(), 100, 100);
  EXPECT_EQ(InnerWidth(), 320);
  EXPECT_LT(InnerHeight(), 200);  // no minimum height was asked for
  EXPECT_EQ(Height(Rect(u"b")), InnerHeight());
}

TEST_F(LayoutTest, ResizingTheWindowLaysItOutAgainAndBack) {
  ASSERT_EQ(Open(u"<window flags='#CV_Window_SizeGadget'><hbox><button name='a' width='60'/>"
                 u"<button name='b' width='60'/></hbox></window>"),
            1);
  RECT before = Rect(u"b");
  int outerWidth = static_cast<int>(WindowGetWidth(DialogWindowNumber(dialog_), 0));
  int outerHeight = static_cast<int>(WindowGetHeight(DialogWindowNumber(dialog_), 0));
  platform::InputResize(WindowOf(), outerWidth + 100, outerHeight + 40);
  EXPECT_EQ(Width(Rect(u"b")), Width(before) + 50);
  EXPECT_EQ(Height(Rect(u"b")), Height(before) + 40);
  platform::InputResize(WindowOf(), outerWidth, outerHeight);
  RECT after = Rect(u"b");
  EXPECT_TRUE(EqualRect(&before, &after));
}

TEST_F(LayoutTest, TextSitsTwoPixelsLowerInATallerRowUnlessBordered) {
  ASSERT_EQ(Open(u"<window margin='0'><hbox expand='no'><button name='b' text='Go'/><text name='t' text='Label'/>"
                 u"<text name='framed' text='Box' flags='#CV_Text_Border'/></hbox></window>"),
            1);
  ASSERT_EQ(Height(Rect(u"b")), 24);
  ASSERT_LE(GadgetGetHeight(Gadget(u"t"), 1), 22);
  EXPECT_EQ(Rect(u"t").top, 2);
  EXPECT_EQ(Height(Rect(u"t")), 22);
  EXPECT_EQ(Rect(u"framed").top, 0);
  EXPECT_EQ(Height(Rect(u"framed")), 24);
}

TEST_F(LayoutTest, SlidersNeedRoomForTheirThumbAndCanvasesTheirGivenSize) {
  ASSERT_EQ(Open(u"<window margin='0'><vbox expand='no' spacing='0'><trackbar name='h' width='80'/>"
                 u"<canvas name='c' width='50' height='40'/><hbox expand='no'><trackbar name='v' "
                 u"flags='#CV_TrackBar_Vertical' height='70'/><trackbar name='flat' height='-1'/></hbox></vbox></window>"),
            1);
  EXPECT_EQ(Height(Rect(u"h")), 30);
  EXPECT_EQ(Height(Rect(u"c")), 40);
  EXPECT_EQ(Width(Rect(u"v")), 30);
  EXPECT_EQ(Height(Rect(u"v")), 70);
  EXPECT_EQ(InnerHeight(), 30 + 40 + 70);
}

TEST_F(LayoutTest, InvisibleElementsAreHiddenButKeepTheirPlace) {
  ASSERT_EQ(Open(u"<window margin='0'><hbox expand='no'><button name='a' width='60'/>"
                 u"<button name='b' width='60' invisible='yes'/><button name='c' width='60' disabled='Yes'/></hbox>"
                 u"</window>"),
            1);
  HWND b = reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(Gadget(u"b"))));
  HWND c = reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(Gadget(u"c"))));
  EXPECT_FALSE(IsWindowVisible(b));
  EXPECT_TRUE(IsWindowVisible(c));
  EXPECT_FALSE(IsWindowEnabled(c));
  EXPECT_EQ(Rect(u"c").left, 130);
}

TEST_F(LayoutTest, ContainersPlaceTheirChildInsideTheirBorder) {
  ASSERT_EQ(Open(u"<window margin='0'><container name='box' margin='0' flags='#CV_Container_Double'>"
                 u"<button name='b' width='100' height='50'/></container></window>"),
            1);
  RECT box = Rect(u"box"), b = Rect(u"b");
  EXPECT_GT(b.left, box.left);
  EXPECT_EQ(b.right - b.left, 100);
  EXPECT_EQ(box.right - b.right, b.left - box.left);  // the border is the same on both sides
  EXPECT_EQ(box.bottom - b.bottom, b.top - box.top);
}

TEST_F(LayoutTest, AFrameHoldsItsChildUnderItsCaptionAndLetsThePointerThrough) {
  RuntimeNameDeclareProcedure(u"Pressed", [] { ++g_framePresses; });
  ASSERT_EQ(Open(u"<window margin='6'><frame name='f' text='Options' margin='3'><vbox><checkbox name='c' text='One'/>"
                 u"<button name='b' text='Press' onevent='pressed'/></vbox></frame></window>",
                 u"", 200),
            1);
  EXPECT_EQ(GadgetKind(Gadget(u"f")), GADGET_KIND_FRAME);
  RECT f = Rect(u"f"), c = Rect(u"c"), b = Rect(u"b");
  EXPECT_EQ(c.left, f.left + 4 + 3);
  EXPECT_GE(c.top, f.top + 10 + 3);
  EXPECT_EQ(b.right, f.right - 4 - 3);
  EXPECT_EQ(b.bottom, f.bottom - 4 - 3);
  SavePicture(u"frame_dialog.png");
  GetWindowRect(reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(Gadget(u"b")))), &b);
  g_framePresses = 0;
  platform::InputClick(b.left + 5, b.top + 5);
  platform::PumpMessages();
  EXPECT_EQ(g_framePresses, 1);
}

}  // namespace
