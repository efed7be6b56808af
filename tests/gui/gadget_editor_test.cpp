// The editor gadget driven by injected input: its lines as items, word wrap at the window width,
// scrolling by wheel, keys and scroll bar, selection by mouse and keys, the clipboard, read-only
// mode and the events user edits raise.
#include <string>
#include <vector>

#include "controls/rich_edit.h"
#include "backend.h"
#include "gadget_fixture.h"
#include "gui/gadget_input.h"

namespace {

class EditorGadgetTest : public GadgetFixture {
 protected:
  std::u16string Text(int64_t gadget) {
    const char16_t* text = GadgetGetText(gadget, 0);
    return text ? text : u"";
  }
  std::u16string Line(int64_t gadget, int64_t line) {
    const char16_t* text = GadgetGetItemText(gadget, line, 0);
    return text ? text : u"";
  }
  LRESULT Send(int64_t gadget, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    return SendMessageW(Control(gadget), message, wParam, lParam);
  }
  POINT Screen(int64_t gadget, int x, int y) {
    POINT at{x, y};
    ClientToScreen(Control(gadget), &at);
    return at;
  }
  std::pair<LONG, LONG> Selection(int64_t gadget) {
    CHARRANGE range{};
    Send(gadget, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return {range.cpMin, range.cpMax};
  }
  void ControlKey(UINT key) {
    platform::InputKey(VK_CONTROL, true);
    platform::InputKeyPress(key);
    platform::InputKey(VK_CONTROL, false);
    platform::PumpMessages();
  }
  static std::u16string Paragraphs(int count) {
    std::u16string text;
    for (int i = 0; i < count; ++i) text += u"line " + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + u"\r\n";
    return text;
  }
};

TEST_F(EditorGadgetTest, LinesAreItemsAndAnEmptyFirstLineIsKept) {
  ASSERT_NE(GadgetEditorCreate(1, 10, 10, 200, 120), 0);
  EXPECT_EQ(GadgetKind(1), GADGET_KIND_EDITOR);
  EXPECT_EQ(GadgetCountItems(1), 0);
  GadgetAddItem(1, -1, u"");
  EXPECT_EQ(GadgetCountItems(1), 1);
  GadgetAddItem(1, -1, u"b");
  EXPECT_EQ(GadgetCountItems(1), 2);
  EXPECT_EQ(Line(1, 0), u"");
  EXPECT_EQ(Line(1, 1), u"b");
  GadgetAddItem(1, 1, u"a");  // before line 1
  GadgetAddItem(1, 99, u"c");  // past the end: appended
  EXPECT_EQ(Text(1), u"\r\na\r\nb\r\nc");
  GadgetSetItemText(1, 2, u"B!");
  GadgetRemoveItem(1, 0);
  EXPECT_EQ(Text(1), u"a\r\nB!\r\nc");
  EXPECT_EQ(Line(1, 7), u"");
  for (int i = 0; i < 3; ++i) GadgetRemoveItem(1, 0);
  EXPECT_EQ(GadgetCountItems(1), 0);
  EXPECT_TRUE(GadgetEvents().empty());  // the program's own edits raise nothing
}

TEST_F(EditorGadgetTest, WordWrapFollowsTheWidthAndTheAttribute) {
  ASSERT_NE(GadgetEditorCreate(1, 10, 10, 120, 200, CV_Editor_WordWrap), 0);
  EXPECT_EQ(GadgetGetAttribute(1, CV_Editor_WordWrap), 1);
  GadgetSetText(1, u"one two three four five six seven eight nine ten eleven twelve\r\nend");
  int64_t narrow = GadgetCountItems(1);
  EXPECT_GT(narrow, 3);
  // Every wrapped line but the paragraph's last fits and breaks after a space.
  for (int64_t line = 0; line + 2 < narrow; ++line) EXPECT_EQ(Line(1, line).back(), u' ') << line;
  GadgetResize(1, CV_Keep, CV_Keep, 360, CV_Keep);
  int64_t wide = GadgetCountItems(1);
  EXPECT_LT(wide, narrow);
  GadgetSetAttribute(1, CV_Editor_WordWrap, 0);
  EXPECT_EQ(GadgetGetAttribute(1, CV_Editor_WordWrap), 0);
  EXPECT_EQ(GadgetCountItems(1), 2);
  EXPECT_EQ(Line(1, 1), u"end");
}

TEST_F(EditorGadgetTest, WheelKeysAndScrollBarScroll) {
  ASSERT_NE(GadgetEditorCreate(1, 10, 10, 200, 120), 0);
  GadgetSetText(1, Paragraphs(100).c_str());
  EXPECT_EQ(Send(1, EM_GETFIRSTVISIBLELINE), 0);
  SetFocus(Control(1));
  POINT middle = Screen(1, 60, 50);
  platform::InputPointerMove(middle.x, middle.y);
  platform::InputWheel(-WHEEL_DELTA);
  platform::PumpMessages();
  EXPECT_EQ(Send(1, EM_GETFIRSTVISIBLELINE), 3);
  platform::InputWheel(WHEEL_DELTA * 5);
  platform::PumpMessages();
  EXPECT_EQ(Send(1, EM_GETFIRSTVISIBLELINE), 0);

  // The lower arrow of the bar, then the track under the thumb.
  RECT client;
  GetClientRect(Control(1), &client);
  int bar = client.right - platform::RichEditScrollBarWidth() / 2;
  POINT arrow = Screen(1, bar, client.bottom - 3);
  platform::InputClick(arrow.x, arrow.y);
  platform::PumpMessages();
  EXPECT_EQ(Send(1, EM_GETFIRSTVISIBLELINE), 1);
  POINT track = Screen(1, bar, client.bottom - platform::RichEditScrollBarWidth() - 4);
  platform::InputClick(track.x, track.y);
  platform::PumpMessages();
  EXPECT_GT(Send(1, EM_GETFIRSTVISIBLELINE), 3);

  // The keys move the caret, and the view follows it to the end and back.
  ControlKey(VK_END);
  EXPECT_GT(Send(1, EM_GETFIRSTVISIBLELINE), 90);
  platform::InputKeyPress(VK_PRIOR);
  platform::PumpMessages();
  EXPECT_LT(Send(1, EM_GETFIRSTVISIBLELINE), 95);
  ControlKey(VK_HOME);
  EXPECT_EQ(Send(1, EM_GETFIRSTVISIBLELINE), 0);
}

TEST_F(EditorGadgetTest, MouseAndKeysSelectAndCopyReachesTheClipboard) {
  ASSERT_NE(GadgetEditorCreate(1, 10, 10, 300, 120, CV_Editor_ReadOnly), 0);
  GadgetSetText(1, u"alpha beta\r\ngamma delta");
  // A drag from the left of the first line to the far right of the second.
  POINT from = Screen(1, 3, 6), to = Screen(1, 280, 22);
  platform::InputPointerMove(from.x, from.y);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::InputPointerMove(to.x, to.y);
  platform::InputButton(platform::MouseButton::Left, false);
  platform::PumpMessages();
  EXPECT_EQ(Selection(1), (std::pair<LONG, LONG>{0, 22}));
  ControlKey('C');
  std::u16string copied;
  ASSERT_TRUE(platform::Display().ClipboardGetText(&copied));
  EXPECT_EQ(copied, u"alpha beta\r\ngamma delta");

  // Shift with the arrows narrows it again; read-only, typing and cutting change nothing.
  platform::InputKey(VK_SHIFT, true);
  platform::InputKeyPress(VK_UP);
  platform::InputKeyPress(VK_LEFT);
  platform::InputKey(VK_SHIFT, false);
  platform::PumpMessages();
  EXPECT_EQ(Selection(1).first, 0);
  EXPECT_LT(Selection(1).second, 11);
  platform::InputText(u"xyz");
  ControlKey('X');
  platform::PumpMessages();
  EXPECT_EQ(Text(1), u"alpha beta\r\ngamma delta");
  EXPECT_EQ(GadgetGetAttribute(1, CV_Editor_ReadOnly), 1);
  for (const GadgetEvent& event : GadgetEvents()) EXPECT_NE(event.type, ET_CHANGE);
}

TEST_F(EditorGadgetTest, TypingAndPastingChangeTheTextAndReportIt) {
  ASSERT_NE(GadgetEditorCreate(1, 10, 10, 300, 120), 0);
  GadgetSetText(1, u"start");
  SetFocus(Control(1));
  GadgetEvents();
  ControlKey(VK_END);
  // Events of one kind in a row merge in the queue: each step is read before the next.
  int changes = 0;
  auto countChanges = [&] {
    for (const GadgetEvent& event : GadgetEvents()) changes += event.gadget == 1 && event.type == ET_CHANGE;
  };
  platform::InputKeyPress(VK_RETURN);
  countChanges();
  for (const char16_t* letter : {u"n", u"e", u"x", u"t"}) {
    platform::InputText(letter);
    countChanges();
  }
  EXPECT_EQ(Text(1), u"start\r\nnext");
  platform::Display().ClipboardSetText(u"A\r\nB");
  ControlKey('V');
  countChanges();
  EXPECT_EQ(Text(1), u"start\r\nnextA\r\nB");
  EXPECT_EQ(GadgetCountItems(1), 3);
  EXPECT_EQ(changes, 6);  // the return, four letters and the paste
  GadgetSetAttribute(1, CV_Editor_ReadOnly, 1);
  platform::InputText(u"z");
  platform::PumpMessages();
  EXPECT_EQ(Text(1), u"start\r\nnextA\r\nB");
}

TEST_F(EditorGadgetTest, ColoursAndFontAreKeptAndPainted) {
  ASSERT_NE(GadgetEditorCreate(1, 10, 10, 200, 100), 0);
  EXPECT_EQ(GadgetGetColor(1, 2), -1);
  GadgetSetColor(1, 2, 0x00FF00);
  GadgetSetColor(1, 1, 0x0000FF);
  EXPECT_EQ(GadgetGetColor(1, 2), 0x00FF00);
  EXPECT_EQ(GadgetGetColor(1, 1), 0x0000FF);
  EXPECT_EQ(Pixel(10 + 100, 10 + 80), 0x00FF00u);
  GadgetSetFont(1, -1);
  EXPECT_EQ(GadgetGetFont(1), static_cast<int64_t>(reinterpret_cast<uintptr_t>(GetStockObject(DEFAULT_GUI_FONT))));
}

}  // namespace
