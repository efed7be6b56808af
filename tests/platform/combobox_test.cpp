// The platform's "ComboBox" control: the item list and its messages, the closed box's height,
// the drop-down list opened and chosen from by mouse and keys, and the editable field's
// notifications turned into the combo's own.
#include <string>

#include "controls_fixture.h"

namespace {

class ComboBoxTest : public ControlsTest {
 protected:
  HWND Combo(DWORD style = CBS_DROPDOWNLIST, int height = 200) {
    HWND combo = Control(u"ComboBox", style | WS_TABSTOP, 20, 10, 10, 150, height, u"");
    for (const char16_t* item : {u"one", u"two", u"three"}) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    return combo;
  }
  std::u16string Item(HWND combo, int index) {
    char16_t buffer[64] = u"?";
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }
  std::u16string Text(HWND control) {
    char16_t buffer[64];
    GetWindowTextW(control, buffer, 64);
    return buffer;
  }
  void Key(UINT key) {
    platform::InputKeyPress(key);
    platform::PumpMessages();
  }
};

TEST_F(ComboBoxTest, ItemsAreInsertedDeletedAndFound) {
  HWND combo = Combo();
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessageW(combo, CB_INSERTSTRING, 1, reinterpret_cast<LPARAM>(u"one and a half")), 1);
  EXPECT_EQ(SendMessageW(combo, CB_INSERTSTRING, 9, reinterpret_cast<LPARAM>(u"far")), CB_ERR);
  EXPECT_EQ(Item(combo, 1), u"one and a half");
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXTLEN, 1, 0), 14);
  EXPECT_EQ(SendMessageW(combo, CB_GETLBTEXT, 7, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"THREE")), 3);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(u"thr")), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_FINDSTRINGEXACT, 0, reinterpret_cast<LPARAM>(u"one")), 0);  // wraps round
  SendMessageW(combo, CB_SETITEMDATA, 2, 77);
  SendMessageW(combo, CB_SETCURSEL, 2, 0);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), 3);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);  // the selection moves with its item
  EXPECT_EQ(SendMessageW(combo, CB_GETITEMDATA, 1, 0), 77);
  EXPECT_EQ(Text(combo), u"two");
  EXPECT_EQ(SendMessageW(combo, CB_SETCURSEL, 5, 0), CB_ERR);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 0);
  EXPECT_EQ(SendMessageW(combo, CB_DELETESTRING, 0, 0), CB_ERR);
  EXPECT_TRUE(g_notifications.empty());  // nothing of this is the user's doing
}

TEST_F(ComboBoxTest, TheWindowIsTheClosedBoxOfTheFieldHeight) {
  HWND combo = Combo(CBS_DROPDOWNLIST, 300);
  RECT frame;
  GetWindowRect(combo, &frame);
  int field = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
  int overhead = (frame.bottom - frame.top) - field;
  EXPECT_LT(frame.bottom - frame.top, 300);
  SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 30);
  GetWindowRect(combo, &frame);
  EXPECT_EQ(frame.bottom - frame.top, 30 + overhead);
  MoveWindow(combo, 10, 10, 150, 400, TRUE);
  GetWindowRect(combo, &frame);
  EXPECT_EQ(frame.bottom - frame.top, 30 + overhead);
  EXPECT_EQ(SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), 0), CB_ERR);
}

TEST_F(ComboBoxTest, ClickOpensTheListAndAClickOnAnItemChoosesIt) {
  HWND combo = Combo();
  RECT frame;
  GetWindowRect(combo, &frame);
  platform::InputClick(frame.left + 20, (frame.top + frame.bottom) / 2);
  platform::PumpMessages();
  EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(ClicksFrom(combo, CBN_DROPDOWN), 1);
  EXPECT_EQ(GetFocus(), combo);
  int line = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
  platform::InputClick(frame.left + 20, frame.bottom + 1 + line + line / 2);
  platform::PumpMessages();
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(ClicksFrom(combo, CBN_SELCHANGE), 1);
  EXPECT_EQ(ClicksFrom(combo, CBN_CLOSEUP), 1);
  // A click elsewhere closes the list without a choice.
  platform::InputClick(frame.left + 20, (frame.top + frame.bottom) / 2);
  platform::PumpMessages();  // input goes where the mouse is held at the time it is made
  EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  platform::InputClick(frame.right + 100, frame.top);
  platform::PumpMessages();
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ComboBoxTest, KeysMoveTheSelectionAndWorkTheList) {
  HWND combo = Combo();
  SetFocus(combo);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 1);
  Key(VK_END);
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 2);
  Key(VK_DOWN);  // at the last item: no change, no notification
  EXPECT_EQ(ClicksFrom(combo, CBN_SELCHANGE), 3);
  Key(VK_F4);
  EXPECT_TRUE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  Key(VK_HOME);
  Key(VK_F4);  // closing with F4 takes the marked item
  EXPECT_FALSE(SendMessageW(combo, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 0);
  EXPECT_EQ(ClicksFrom(combo, CBN_SELCHANGE), 4);
}

TEST_F(ComboBoxTest, TheEditableFieldReportsAsTheCombo) {
  HWND combo = Combo(CBS_DROPDOWN | CBS_AUTOHSCROLL);
  HWND field = GetWindow(combo, GW_CHILD);
  ASSERT_NE(field, nullptr);
  SetFocus(combo);
  platform::PumpMessages();
  EXPECT_EQ(GetFocus(), field);
  EXPECT_EQ(ClicksFrom(combo, CBN_SETFOCUS), 1);
  platform::InputText(u"tw");
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(combo, CBN_EDITCHANGE), 2);
  EXPECT_EQ(Text(combo), u"tw");
  SendMessageW(combo, CB_SETCURSEL, 2, 0);  // a selection shows in the field without an edit
  EXPECT_EQ(Text(combo), u"three");
  EXPECT_EQ(ClicksFrom(combo, CBN_EDITCHANGE), 2);
  SetWindowTextW(combo, u"typed");
  EXPECT_EQ(Text(field), u"typed");
  SetFocus(parent_);
  platform::PumpMessages();
  EXPECT_EQ(ClicksFrom(combo, CBN_KILLFOCUS), 1);
}

}  // namespace
