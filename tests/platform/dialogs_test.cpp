// The common file and colour choosers: what they read from the request, how they write the
// answer (single path, multi-selection layout, too small a buffer), and their modality.
#include <gtest/gtest.h>

#include <string>

#include "dialogs.h"
#include "input.h"
#include "testing.h"

namespace {

platform::testing::DialogAnswer FileAnswer(std::vector<std::u16string> paths, DWORD filterIndex = 0) {
  platform::testing::DialogAnswer answer;
  answer.paths = std::move(paths);
  answer.filterIndex = filterIndex;
  return answer;
}

class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override { platform::testing::DialogsReset(); }
  void TearDown() override { platform::testing::DialogsReset(); }

  OPENFILENAMEW Request(WCHAR* buffer, DWORD chars) {
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.lpstrFile = buffer;
    request.nMaxFile = chars;
    return request;
  }
};

TEST_F(DialogsTest, FileChooserSeesFiltersTitleFolderNameAndFlags) {
  WCHAR buffer[260] = u"last.ini";
  OPENFILENAMEW request = Request(buffer, 260);
  request.lpstrFilter = u"Settings\0*.ini\0all\0*.*\0\0";
  request.nFilterIndex = 2;
  request.lpstrTitle = u"Load settings";
  request.lpstrInitialDir = u"C:\\data";
  request.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
  EXPECT_FALSE(GetOpenFileNameW(&request));  // nothing scripted: a cancel
  EXPECT_EQ(CommDlgExtendedError(), 0u);
  platform::FileDialogRequest seen = platform::testing::DialogsLastFileRequest();
  EXPECT_FALSE(seen.save);
  EXPECT_EQ(seen.title, u"Load settings");
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(seen.filters[0], (std::pair<std::u16string, std::u16string>{u"Settings", u"*.ini"}));
  EXPECT_EQ(seen.filters[1], (std::pair<std::u16string, std::u16string>{u"all", u"*.*"}));
  EXPECT_EQ(seen.filterIndex, 2u);
  EXPECT_EQ(seen.initialDirectory, u"C:\\data");
  EXPECT_EQ(seen.initialFile, u"last.ini");
  EXPECT_EQ(seen.flags, OFN_EXPLORER | OFN_HIDEREADONLY);
  EXPECT_EQ(seen.bufferChars, 260u);

  request.lpstrFilter = u"Odd\0";  // a description without patterns ends the list
  GetSaveFileNameW(&request);
  EXPECT_TRUE(platform::testing::DialogsLastFileRequest().save);
  EXPECT_TRUE(platform::testing::DialogsLastFileRequest().filters.empty());
  EXPECT_EQ(platform::testing::DialogsFileRequestCount(), 2);
}

TEST_F(DialogsTest, SingleChoiceIsAFullPathWithNameAndExtensionOffsets) {
  WCHAR buffer[260] = {};
  OPENFILENAMEW request = Request(buffer, 260);
  request.lpstrFilter = u"Settings\0*.ini\0all\0*.*\0\0";
  request.nFilterIndex = 1;
  platform::testing::DialogsQueueFileAnswer(FileAnswer({u"/home/user/labels.ini"}, 2));
  ASSERT_TRUE(GetOpenFileNameW(&request));
  EXPECT_EQ(std::u16string(buffer), u"/home/user/labels.ini");
  EXPECT_EQ(request.nFileOffset, 11);
  EXPECT_EQ(request.nFileExtension, 18);
  EXPECT_EQ(request.nFilterIndex, 2u);  // the filter the user left selected
}

TEST_F(DialogsTest, MultiSelectionWritesFolderThenNamesWithDoubleNulEnd) {
  WCHAR buffer[100];
  std::fill(buffer, buffer + 100, u'#');
  OPENFILENAMEW request = Request(buffer, 100);
  request.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER;
  platform::testing::DialogsQueueFileAnswer(FileAnswer({u"/pics/a.png", u"/pics/b.jpg"}));
  ASSERT_TRUE(GetOpenFileNameW(&request));
  std::u16string written(buffer, 19);
  EXPECT_EQ(written, std::u16string(u"/pics\0a.png\0b.jpg\0\0", 19));
  EXPECT_EQ(buffer[19], u'#');  // nothing written past the list's end
  EXPECT_EQ(request.nFileOffset, 6);

  // One file in a multi-selection comes back as a plain full path.
  platform::testing::DialogsQueueFileAnswer(FileAnswer({u"/pics/a.png"}));
  ASSERT_TRUE(GetOpenFileNameW(&request));
  EXPECT_EQ(std::u16string(buffer), u"/pics/a.png");
}

TEST_F(DialogsTest, TooSmallBufferFailsWithTheNeededSize) {
  WCHAR buffer[8] = {};
  OPENFILENAMEW request = Request(buffer, 8);
  platform::testing::DialogsQueueFileAnswer(FileAnswer({u"/a/long/path.txt"}));
  EXPECT_FALSE(GetOpenFileNameW(&request));
  EXPECT_EQ(CommDlgExtendedError(), FNERR_BUFFERTOOSMALL);
  EXPECT_EQ(buffer[0], 17);  // sixteen characters and the terminator
}

TEST_F(DialogsTest, MalformedRequestsFailWithTheirReason) {
  WCHAR buffer[10] = {};
  OPENFILENAMEW request = Request(buffer, 10);
  request.lStructSize = 12;
  EXPECT_FALSE(GetOpenFileNameW(&request));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_STRUCTSIZE);
  EXPECT_FALSE(GetOpenFileNameW(nullptr));
  request = Request(nullptr, 10);
  EXPECT_FALSE(GetSaveFileNameW(&request));
  EXPECT_EQ(CommDlgExtendedError(), CDERR_INITIALIZATION);
  CHOOSECOLORW colour{};
  colour.lStructSize = sizeof colour;
  EXPECT_FALSE(ChooseColorW(&colour));  // no custom colour array
  EXPECT_EQ(CommDlgExtendedError(), CDERR_INITIALIZATION);
  EXPECT_EQ(platform::testing::DialogsFileRequestCount(), 0);  // none reached a chooser
}

TEST_F(DialogsTest, ColourChooserStartsWithTheColourAndKeepsCustomColours) {
  COLORREF custom[16] = {0x123456};
  CHOOSECOLORW request{};
  request.lStructSize = sizeof request;
  request.rgbResult = 0xFF0000FF;
  request.lpCustColors = custom;
  request.Flags = CC_RGBINIT;
  platform::testing::DialogAnswer answer;
  answer.colour = 0x00FF00;
  answer.setsCustom = true;
  answer.custom[5] = 0xABCDEF;
  platform::testing::DialogsQueueColorAnswer(answer);
  ASSERT_TRUE(ChooseColorW(&request));
  EXPECT_EQ(request.rgbResult, 0x00FF00u);
  EXPECT_EQ(custom[5], 0xABCDEFu);
  platform::ColorDialogRequest seen = platform::testing::DialogsLastColorRequest();
  EXPECT_EQ(seen.initial, 0x0000FFu);  // 24 bits of the start colour
  EXPECT_EQ(seen.custom[0], 0x123456u);

  // A cancel leaves the result alone but keeps custom colours the user defined.
  answer.colour = -1;
  answer.custom[6] = 0x111111;
  platform::testing::DialogsQueueColorAnswer(answer);
  EXPECT_FALSE(ChooseColorW(&request));
  EXPECT_EQ(request.rgbResult, 0x00FF00u);
  EXPECT_EQ(custom[6], 0x111111u);
}

LRESULT CALLBACK_Plain(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(DialogsTest, OwnerTakesNoInputWhileTheChooserIsOpen) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = CALLBACK_Plain;
  windowClass.lpszClassName = u"DialogOwner";
  RegisterClassExW(&windowClass);
  HWND owner = CreateWindowExW(0, u"DialogOwner", u"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                               nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  bool enabledWhileOpen = true;
  platform::testing::DialogAnswer answer;
  answer.colour = 5;
  answer.whileOpen = [&] { enabledWhileOpen = IsWindowEnabled(owner); };
  platform::testing::DialogsQueueColorAnswer(answer);
  COLORREF custom[16] = {};
  CHOOSECOLORW request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = owner;
  request.lpCustColors = custom;
  EXPECT_TRUE(ChooseColorW(&request));
  EXPECT_FALSE(enabledWhileOpen);
  EXPECT_TRUE(IsWindowEnabled(owner));
  DestroyWindow(owner);
  UnregisterClassW(u"DialogOwner", nullptr);
}

TEST(Com, StartsOncePerThreadAndCountsFurtherStarts) {
  int dummy = 0;
  EXPECT_EQ(CoInitialize(&dummy), E_INVALIDARG);
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);  // already started on this thread
  CoUninitialize();
  CoUninitialize();
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  CoUninitialize();
}

}  // namespace
