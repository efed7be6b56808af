// The platform's single-line "Edit" control: typing, editing keys, the selection by keys,
// messages and mouse, the styles that filter input, the length limit and the notifications
// its parent gets.
#include <string>

#include "controls_fixture.h"

namespace {

class EditTest : public ControlsTest {
 protected:
  HWND Edit(DWORD style = ES_AUTOHSCROLL, const char16_t* text = u"", int width = 150) {
    HWND edit = Control(u"Edit", style, 5, 10, 10, width, 24, text);
    SetFocus(edit);
    platform::PumpMessages();
    g_notifications.clear();
    return edit;
  }
  std::u16string Text(HWND edit) {
    char16_t buffer[256];
    GetWindowTextW(edit, buffer, 256);
    return buffer;
  }
  std::pair<DWORD, DWORD> Selection(HWND edit) {
    DWORD start = 99, end = 99;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return {start, end};
  }
  void Type(const char16_t* text) {
    platform::InputText(text);
    platform::PumpMessages();
  }
  void Key(UINT key) {
    platform::InputKeyPress(key);
    platform::PumpMessages();
  }
  void ShiftKey(UINT key) {
    platform::InputKey(VK_SHIFT, true);
    Key(key);
    platform::InputKey(VK_SHIFT, false);
    platform::PumpMessages();
  }
};

TEST_F(EditTest, TypingInsertsAtTheCaretAndNotifiesEachChange) {
  HWND edit = Edit();
  Type(u"abd");
  Key(VK_LEFT);
  Type(u"c");
  EXPECT_EQ(Text(edit), u"abcd");
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{3}, DWORD{3}));
  EXPECT_EQ(ClicksFrom(edit, EN_CHANGE), 4);
  EXPECT_EQ(ClicksFrom(edit, EN_UPDATE), 4);
  EXPECT_TRUE(SendMessageW(edit, EM_GETMODIFY, 0, 0));
}

TEST_F(EditTest, BackspaceDeleteHomeAndEnd) {
  HWND edit = Edit(ES_AUTOHSCROLL, u"hello");
  Key(VK_END);
  Key(VK_BACK);
  EXPECT_EQ(Text(edit), u"hell");
  Key(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(Text(edit), u"ell");
  Key(VK_BACK);  // nothing before the caret: no change, no notification
  Key(VK_END);
  Key(VK_DELETE);
  EXPECT_EQ(Text(edit), u"ell");
  EXPECT_EQ(ClicksFrom(edit, EN_CHANGE), 2);
}

TEST_F(EditTest, ShiftExtendsTheSelectionAndTypingReplacesIt) {
  HWND edit = Edit(ES_AUTOHSCROLL, u"one two");
  Key(VK_END);
  ShiftKey(VK_LEFT);
  ShiftKey(VK_LEFT);
  ShiftKey(VK_LEFT);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{4}, DWORD{7}));
  Type(u"2");
  EXPECT_EQ(Text(edit), u"one 2");
  ShiftKey(VK_HOME);
  Key(VK_DELETE);
  EXPECT_EQ(Text(edit), u"");
}

TEST_F(EditTest, SetTextResetsTheCaretAndSetSelClampsToTheText) {
  HWND edit = Edit();
  SetWindowTextW(edit, u"abcdef");
  EXPECT_EQ(Text(edit), u"abcdef");
  EXPECT_EQ(GetWindowTextLengthW(edit), 6);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{0}));
  EXPECT_FALSE(SendMessageW(edit, EM_GETMODIFY, 0, 0));
  SendMessageW(edit, EM_SETSEL, 2, 100);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{2}, DWORD{6}));
  SendMessageW(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{6}));
  SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(-1), 0);  // deselect, caret stays
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{6}, DWORD{6}));
  SendMessageW(edit, EM_SETSEL, 1, 3);
  SendMessageW(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u"XY\r\nignored"));
  EXPECT_EQ(Text(edit), u"aXYdef");
  // A short buffer gets the start of the text, terminated.
  char16_t small[4];
  EXPECT_EQ(GetWindowTextW(edit, small, 4), 3);
  EXPECT_EQ(std::u16string(small), u"aXY");
}

TEST_F(EditTest, NumberReadOnlyAndCaseStylesFilterInput) {
  HWND number = Edit(ES_NUMBER);
  Type(u"1a2-3");
  EXPECT_EQ(Text(number), u"123");
  HWND upper = Edit(ES_UPPERCASE);
  Type(u"straße é");
  EXPECT_EQ(Text(upper), u"STRAßE É");
  HWND lower = Edit(ES_LOWERCASE);
  Type(u"MiXed Ä");
  EXPECT_EQ(Text(lower), u"mixed ä");
  HWND readOnly = Edit(ES_READONLY, u"fixed");
  Type(u"x");
  Key(VK_BACK);
  Key(VK_DELETE);
  EXPECT_EQ(Text(readOnly), u"fixed");
  EXPECT_EQ(ClicksFrom(readOnly, EN_CHANGE), 0);
  SendMessageW(readOnly, EM_SETREADONLY, FALSE, 0);
  Type(u"!");
  EXPECT_EQ(Text(readOnly), u"!fixed");
}

TEST_F(EditTest, TheLimitCutsTypedAndPastedTextAndReportsMaxText) {
  HWND edit = Edit();
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 0x7FFE);
  SendMessageW(edit, EM_SETLIMITTEXT, 3, 0);
  Type(u"abcd");
  EXPECT_EQ(Text(edit), u"abc");
  EXPECT_EQ(ClicksFrom(edit, EN_MAXTEXT), 1);
  SendMessageW(edit, EM_SETSEL, 1, 2);
  SendMessageW(edit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(u"XYZ"));
  EXPECT_EQ(Text(edit), u"aXc");
  SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);  // 0: as much as a single line may hold
  EXPECT_GT(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 0x7FFE);
}

TEST_F(EditTest, FocusChangesNotifyTheParent) {
  HWND first = Edit();
  HWND second = Control(u"Edit", 0, 6, 10, 50, 100, 24, u"");
  SetFocus(second);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(first, EN_KILLFOCUS), 1);
  EXPECT_EQ(ClicksFrom(second, EN_SETFOCUS), 1);
  EXPECT_EQ(SendMessageW(first, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, DLGC_WANTCHARS);
}

TEST_F(EditTest, ClickingPlacesTheCaretAndDraggingSelects) {
  HWND edit = Edit(ES_AUTOHSCROLL, u"abcdefgh");
  SetFocus(parent_);
  RECT frame;
  GetWindowRect(edit, &frame);
  int y = (frame.top + frame.bottom) / 2;
  platform::InputClick(frame.right - 2, y);  // past the text: caret at its end
  platform::PumpMessages();
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{8}, DWORD{8}));
  platform::InputPointerMove(frame.left + 1, y);
  platform::InputButton(platform::MouseButton::Left, true);
  platform::InputPointerMove(frame.right - 2, y);
  platform::InputButton(platform::MouseButton::Left, false);
  platform::PumpMessages();
  EXPECT_EQ(Selection(edit), std::make_pair(DWORD{0}, DWORD{8}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EditTest, LongTextScrollsToKeepTheCaretVisible) {
  HWND edit = Edit(ES_AUTOHSCROLL, u"", 40);
  Type(u"a long line that does not fit");
  EXPECT_GT(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
  Key(VK_HOME);
  EXPECT_EQ(SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(EditTest, PasswordCharacterFollowsTheStyle) {
  HWND edit = Edit(ES_PASSWORD, u"secret");
  EXPECT_EQ(SendMessageW(edit, EM_GETPASSWORDCHAR, 0, 0), u'*');
  EXPECT_EQ(Text(edit), u"secret");
  SendMessageW(edit, EM_SETPASSWORDCHAR, 0, 0);
  EXPECT_FALSE(GetWindowLongPtrW(edit, GWL_STYLE) & ES_PASSWORD);
}

}  // namespace

namespace {

// Keys as a desktop with an input method delivers them: printable keys carry `textFollows` and
// their characters come as text; editing and control keys carry none and make their own.
class DesktopKeysTest : public EditTest {
 protected:
  void DesktopKey(UINT key, bool textFollows, bool down) {
    platform::InputKeyEvent(platform::KeyEvent{key, 0x26, down, false, textFollows});
  }
  void Press(UINT key, bool textFollows = false) {
    DesktopKey(key, textFollows, true);
    DesktopKey(key, textFollows, false);
    platform::PumpMessages();
  }
  void Control(UINT key) {
    DesktopKey(VK_CONTROL, false, true);
    Press(key);
    DesktopKey(VK_CONTROL, false, false);
    platform::PumpMessages();
  }
};

TEST_F(DesktopKeysTest, ADeadKeyThenALetterGiveOneComposedCharacter) {
  HWND edit = Edit();
  Press(0xDE, true);  // the acute dead key: no text yet
  DesktopKey('E', true, true);
  platform::InputText(u"\u00E9");
  DesktopKey('E', true, false);
  platform::PumpMessages();
  EXPECT_EQ(Text(edit), u"\u00E9");
}

TEST_F(DesktopKeysTest, EditingAndClipboardKeysKeepWorkingBesideText) {
  HWND edit = Edit();
  Press('A', true);
  platform::InputText(u"ab");
  platform::PumpMessages();
  Press(VK_LEFT);
  Press(VK_BACK);
  EXPECT_EQ(Text(edit), u"b");
  Control('A');
  Control('C');
  Press(VK_END);
  Control('V');
  Control('V');
  EXPECT_EQ(Text(edit), u"bbb");
  Control('A');
  Control('X');
  EXPECT_EQ(Text(edit), u"");
  Control('V');
  EXPECT_EQ(Text(edit), u"bbb");
}

TEST_F(DesktopKeysTest, TabStillMakesItsCharacterAndARepeatIsMarked) {
  HWND edit = Edit();
  std::vector<MSG> seen;
  DesktopKey(VK_TAB, false, true);
  platform::InputKeyEvent(platform::KeyEvent{VK_TAB, 0x0F, true, true, false});
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    if (message.hwnd == edit) seen.push_back(message);
  }
  DesktopKey(VK_TAB, false, false);
  platform::PumpMessages();
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_CHAR));
  EXPECT_EQ(seen[1].wParam, static_cast<WPARAM>(u'\t'));
  EXPECT_EQ((seen[2].lParam >> 16) & 0xFF, 0x0F);
  EXPECT_TRUE(seen[2].lParam & (1 << 30)) << "a repeat says the key was down before";
}

}  // namespace
