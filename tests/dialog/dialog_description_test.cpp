// Descriptions read into dialogs: finding the window, names, flags, option groups, event
// procedures from the runtime name table, the errors an open reports, and bad input of every
// kind ending in a defined result.
#include "dialog_fixture.h"

namespace {

using DescriptionTest = DialogTest;

int g_presses = 0;
int64_t g_dialogToFree = 0;
void CountPress() { ++g_presses; }
void FreeEveryDialog() { DialogFree(CV_Any); }
void FreeTheDialog() {
  ++g_presses;
  DialogFree(g_dialogToFree);
}

void Click(HWND control) {
  RECT r;
  GetWindowRect(control, &r);
  platform::InputClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  platform::PumpMessages();
}
HWND ControlOf(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }

TEST_F(DescriptionTest, DialogsRootsOpenTheWindowAskedForOrTheFirst) {
  const std::u16string xml = u"<dialogs><window name='One' text='first'><button name='x'/></window>"
                             u"<window name='Two' text='second'><button name='y'/></window></dialogs>";
  ASSERT_EQ(Open(xml, u"two"), 1);
  EXPECT_NE(Gadget(u"y"), -1);
  EXPECT_EQ(Gadget(u"x"), -1);
  ASSERT_EQ(Open(xml, u""), 1);
  EXPECT_NE(Gadget(u"x"), -1);
  EXPECT_EQ(Open(xml, u"Three"), 0);
  EXPECT_EQ(Error(), u"Dialog window not found");
  EXPECT_EQ(Open(u"<window><button/></window>", u"About"), 0);  // a window without a name
  EXPECT_EQ(Error(), u"Dialog window not found");
}

TEST_F(DescriptionTest, NamesAreFoundWithoutCaseAndTheFirstOfTwoWins) {
  ASSERT_EQ(Open(u"<window><vbox name='column'><button name='OkAy' id='7'/><text name='okay'/></vbox></window>"), 1);
  EXPECT_EQ(Gadget(u"okay"), 7);
  EXPECT_EQ(Gadget(u"OKAY"), 7);
  EXPECT_EQ(Gadget(u"column"), -1);  // a layout element has no gadget
  EXPECT_EQ(Gadget(u"missing"), -1);
  EXPECT_EQ(Gadget(u""), -1);
  EXPECT_EQ(DialogFindGadget(12345, u"okay"), -1);
}

TEST_F(DescriptionTest, FlagExpressionsIgnoreSpacesAndCase) {
  ASSERT_EQ(Open(u"<window flags=' #cv_window_screencentered '><button name='t' "
                 u"flags='#CV_Button_Toggle | #cv_button_DEFAULT\t'/></window>"),
            1);
  int64_t window = DialogWindowNumber(dialog_);
  EXPECT_NEAR(WindowGetX(window, 0), (GetSystemMetrics(SM_CXSCREEN) - WindowGetWidth(window, 0)) / 2, 1);
  Click(ControlOf(Gadget(u"t")));
  EXPECT_EQ(GadgetGetState(Gadget(u"t")), 1);  // a toggle stays down
  EXPECT_TRUE(IsWindowVisible(WindowOf()));
}

TEST_F(DescriptionTest, OptionsOfOneGroupFormOneRadioGroupAcrossOtherGadgets) {
  ASSERT_EQ(Open(u"<window><vbox><option name='a' group='g' text='A'/><button text='between' disabled='yes'/>"
                 u"<option name='b' group='g' text='B'/><option name='c' text='C'/>"
                 u"<option name='d' group='h' text='D'/></vbox></window>"),
            1);
  for (const char16_t* name : {u"a", u"c", u"d", u"b"}) Click(ControlOf(Gadget(name)));
  EXPECT_EQ(GadgetGetState(Gadget(u"a")), 0);
  EXPECT_EQ(GadgetGetState(Gadget(u"b")), 1);
  EXPECT_EQ(GadgetGetState(Gadget(u"c")), 1);
  EXPECT_EQ(GadgetGetState(Gadget(u"d")), 1);
  EXPECT_LT(Rect(u"a").top, Rect(u"b").top);  // grouped options keep their place in the layout
}

TEST_F(DescriptionTest, DeclaredNamesGiveNumbersSizesAndProcedures) {
  RuntimeNameDeclareConstant(u"#OkayId", 42);
  RuntimeNameDeclareConstant(u"ButtonWidth", 123);
  RuntimeNameDeclareConstant(u"TallFlag", 0);
  RuntimeNameDeclareProcedure(u"OnPress", CountPress);
  ASSERT_EQ(Open(u"<window margin='0'><hbox expand='no' flags='#TallFlag'><button name='ok' id='#OkayId' "
                 u"width='ButtonWidth' onevent='onpress'/><spin name='s' min='#CV_Window_Tool' max='9' value='6' "
                 u"onchange='OnPress'/></hbox></window>"),
            1);
  EXPECT_EQ(Gadget(u"ok"), 42);
  EXPECT_EQ(Width(Rect(u"ok")), 123);
  EXPECT_EQ(GadgetGetState(Gadget(u"s")), 6);
  g_presses = 0;
  Click(ControlOf(42));
  EXPECT_EQ(g_presses, 1);
}

struct ErrorCase {
  const char16_t* xml;
  const char16_t* error;
};

class DescriptionErrorTest : public DialogTest, public ::testing::WithParamInterface<ErrorCase> {};

TEST_P(DescriptionErrorTest, TheFirstErrorFailsTheOpenAndLeavesNoWindow) {
  int64_t windowsBefore = WindowIsValid(77) ? 1 : 0;
  EXPECT_EQ(Open(GetParam().xml), 0);
  EXPECT_EQ(Error(), GetParam().error);
  EXPECT_EQ(DialogWindowNumber(dialog_), -1);
  EXPECT_EQ(WindowIsValid(77) ? 1 : 0, windowsBefore);
  EXPECT_EQ(DialogIsValid(dialog_), 1);  // the dialog stays, empty, for another open
}

INSTANTIATE_TEST_SUITE_P(
    Errors, DescriptionErrorTest,
    ::testing::Values(
        ErrorCase{u"<window id='77'><text flags='#CV_Button_Toggle'/><text flags='#Nope'/></window>",
                  u"'#CV_Button_Toggle' flag is not supported for the following gadget: text"},
        ErrorCase{u"<window id='77'><Button onChange='x'/></window>",
                  u"'onChange' is not supported for the following gadget: Button"},
        ErrorCase{u"<window id='77'><button onevent='Missing'/></window>", u"'Missing' is not a runtime procedure."},
        ErrorCase{u"<window id='77'><button id='#Unknown'/></window>",
                  u"'#Unknown' constant is not found or not declared as runtime."},
        ErrorCase{u"<window id='77' flags='#CV_Window_Tool|#CV_Text_Center'/>",
                  u"'#CV_Text_Center' flag is not supported for the following gadget: window"},
        ErrorCase{u"<window id='77'><vbox><calendar/></vbox></window>",
                  u"'calendar' gadget is not available in this runtime."},
        ErrorCase{u"<window id='77'><scrollarea><button/></scrollarea></window>",
                  u"'scrollarea' gadget is not available in this runtime."},
        ErrorCase{u"<window id='77'><tab text='Page'/></window>", u"'tab' gadget is not available in this runtime."},
        ErrorCase{u"<window id='77'><gridbox columns='16'/></window>",
                  u"'gridbox' asks for 16 columns; a grid has room for 15."},
        ErrorCase{u"<window id='77'><gridbox columns='1'><button/><button rowspan='70'/></gridbox></window>",
                  u"'gridbox' needs more than 70 rows; a grid has room for 70."},
        ErrorCase{u"<window id='77'><button id='-5'/></window>", u"'button' gadget could not be created."}));

std::u16string Repeat(const std::u16string& part, int times) {
  std::u16string out;
  for (int i = 0; i < times; ++i) out += part;
  return out;
}

TEST_F(DescriptionTest, OverLimitDescriptionsAreRefusedWithAClearText) {
  EXPECT_EQ(Open(u"<window><hbox>" + Repeat(u"<empty/>", 100) + u"</hbox></window>"), 1);
  EXPECT_EQ(Open(u"<window><hbox>" + Repeat(u"<empty/>", 101) + u"</hbox></window>"), 0);
  EXPECT_EQ(Error(), u"'hbox' holds more than 100 children; a box, multibox or panel has room for 100.");
  EXPECT_EQ(Open(u"<window><gridbox columns='15'>" + Repeat(u"<empty/>", 15 * 70) + u"</gridbox></window>"), 1);
  EXPECT_EQ(Open(u"<window><gridbox columns='15'>" + Repeat(u"<empty/>", 15 * 70 + 1) + u"</gridbox></window>"), 0);
  EXPECT_EQ(Error(), u"'gridbox' needs more than 70 rows; a grid has room for 70.");
  // Nesting that would exhaust the stack is refused before it gets there.
  EXPECT_EQ(Open(u"<window>" + Repeat(u"<vbox>", 10000) + u"<button/>" + Repeat(u"</vbox>", 10000) + u"</window>"),
            0);
  EXPECT_EQ(Error(), u"Dialog elements are nested deeper than 200 levels.");
  EXPECT_EQ(Open(u"<window>" + Repeat(u"<container>", 150) + u"<button name='deep'/>" +
                 Repeat(u"</container>", 150) + u"</window>"),
            1);
  EXPECT_NE(Gadget(u"deep"), -1);
}

TEST_F(DescriptionTest, UnknownPartsAreSkippedAndMalformedNumbersReadForgivingly) {
  ASSERT_EQ(Open(u"<window margin='0' colour='red'><!-- note --><hbox expand='no' spacing='x'>"
                 u"<wibble><button name='lost'/></wibble><button name='a' width=' 61px' height='abc' bogus='1'/>"
                 u"<button name='b' width='+62'/><button name='c' width='-1'/>"
                 u"<button name='inside'><button name='nested'/></button></hbox></window>"),
            1);
  EXPECT_EQ(Gadget(u"lost"), -1);
  EXPECT_EQ(Gadget(u"nested"), -1);  // a gadget holds no children
  EXPECT_EQ(Width(Rect(u"a")), 61);
  EXPECT_EQ(Height(Rect(u"a")), 24);
  EXPECT_EQ(Rect(u"b").left, 61);  // spacing 'x' reads as 0
  EXPECT_EQ(Width(Rect(u"b")), 62);
}

TEST_F(DescriptionTest, AHugeAttributeOpensAWindowOfBoundedSize) {
  std::u16string huge(1 << 20, u'W');
  ASSERT_EQ(Open(u"<window><vbox><text name='t' text='" + huge + u"'/><button name='b' text='" + huge +
                 u"' width='99999999999'/></vbox></window>"),
            1);
  EXPECT_LE(InnerWidth(), 8192);
  EXPECT_EQ(Open(u"<window><text flags='#" + huge + u"'/></window>"), 1);  // too long a name ends the flags
  EXPECT_EQ(Open(u"<window><button onevent='" + huge + u"'/></window>"), 0);
  EXPECT_EQ(Error().size(), 511u);  // the error text is cut to its buffer
}

TEST_F(DescriptionTest, AnEventProcedureMayFreeItsOwnDialog) {
  RuntimeNameDeclareProcedure(u"FreeIt", FreeTheDialog);
  ASSERT_EQ(Open(u"<window><button name='close' onevent='FreeIt'/></window>"), 1);
  g_dialogToFree = dialog_;
  int64_t window = DialogWindowNumber(dialog_);
  g_presses = 0;
  Click(ControlOf(Gadget(u"close")));
  EXPECT_EQ(g_presses, 1);
  EXPECT_EQ(DialogIsValid(dialog_), 0);
  EXPECT_EQ(WindowIsValid(window), nullptr);
  // A container reports its resizing while the layout runs: the free waits for the layout, and
  // the open that set it off reports failure.
  RuntimeNameDeclareProcedure(u"FreeAll", FreeEveryDialog);
  EXPECT_EQ(Open(u"<window><container onevent='FreeAll'><button/></container></window>"), 0);
  EXPECT_EQ(DialogIsValid(dialog_), 0);
  EXPECT_EQ(DialogFree(dialog_), 0);
}

TEST_F(DescriptionTest, AWindowTheProgramClosedIsLeftAloneWhenAnotherTakesItsNumber) {
  ASSERT_EQ(Open(u"<window id='9'><button/></window>"), 1);
  WindowClose(9);
  ASSERT_NE(WindowOpen(9, 0, 0, 100, 100, u"other"), 0);
  EXPECT_EQ(DialogRefresh(dialog_), 0);
  EXPECT_EQ(DialogFree(dialog_), 1);
  EXPECT_NE(WindowIsValid(9), nullptr);
  // A second dialog taking the first one's window number keeps its own resizing.
  int64_t first = (Open(u"<window id='9'><button/></window>"), dialog_);
  ASSERT_EQ(Open(u"<window id='9' margin='0' flags='#CV_Window_SizeGadget'><button name='b'/></window>"), 1);
  EXPECT_EQ(DialogFree(first), 1);
  platform::InputResize(WindowOf(), 400, 300);
  EXPECT_EQ(Width(Rect(u"b")), InnerWidth());
}

TEST_F(DescriptionTest, RefreshGrowsTheWindowForNewContentAndFreeAllClosesEveryWindow) {
  ASSERT_EQ(Open(u"<window margin='0'><text name='t' text='x'/></window>"), 1);
  int64_t first = dialog_;
  int64_t width = InnerWidth();
  GadgetSetText(Gadget(u"t"), u"a considerably longer text than before");
  EXPECT_EQ(DialogRefresh(dialog_), 1);
  EXPECT_GT(InnerWidth(), width);
  ASSERT_EQ(Open(u"<window><button/></window>"), 1);
  int64_t windows[] = {DialogWindowNumber(first), DialogWindowNumber(dialog_)};
  EXPECT_EQ(DialogFree(CV_Any), 1);
  for (int64_t window : windows) EXPECT_EQ(WindowIsValid(window), nullptr);
  EXPECT_EQ(DialogIsValid(first), 0);
  EXPECT_EQ(DialogRefresh(first), 0);
  EXPECT_EQ(DialogOpenXml(first, 0, u""), 0);
}

}  // namespace
