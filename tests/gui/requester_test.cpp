// The file and colour requesters: what they hand the dialog, what they return on the temporary
// string stack, the multi-selection walk, the process-wide custom colours, and the program's
// windows being out of reach while a requester is open.
#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include "dialogs.h"
#include "gui/requester.h"
#include "gui_fixture.h"
#include "kernel.h"
#include "testing.h"

namespace {

const char16_t* kSettings = u"Settings|*.ini|all|*.*";
const char16_t* kPictures = u"Pics|*.jpg;*.png;*.tga;*.tif;*.bmp|all|*.*";

platform::testing::DialogAnswer Files(std::vector<std::u16string> paths, DWORD filterIndex = 0) {
  platform::testing::DialogAnswer answer;
  answer.paths = std::move(paths);
  answer.filterIndex = filterIndex;
  return answer;
}

platform::testing::DialogAnswer Colour(int64_t colour) {
  platform::testing::DialogAnswer answer;
  answer.colour = colour;
  return answer;
}

class RequesterTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    RequesterInit();
    platform::testing::DialogsReset();
  }
  void TearDown() override {
    StrTempTruncate(0);
    while (RequesterNextFile(0)[0] != 0) {
    }
    platform::testing::DialogsReset();
    GuiTest::TearDown();
  }

  // Runs a requester at the current stack position and checks that its text lies there.
  template <class Call>
  std::u16string AtStart(Call call) {
    int64_t start = StrTempPosition();
    const char16_t* result = call(start);
    EXPECT_EQ(result, StrTempAt(start));
    std::u16string text(result);
    StrTempTruncate(start);
    return text;
  }

  std::u16string Open(const char16_t* defaultFile, const char16_t* pattern = kSettings, int64_t position = 0,
                      int64_t flags = 0) {
    return AtStart([&](int64_t start) { return RequesterOpenFile(u"Load", defaultFile, pattern, position, flags, start); });
  }
  std::u16string Next() {
    return AtStart([](int64_t start) { return RequesterNextFile(start); });
  }
};

TEST_F(RequesterTest, DefaultFileSplitsIntoFolderAndPreselectedName) {
  EXPECT_EQ(AtStart([](int64_t start) { return RequesterOpenFile(u"Load settings", u"C:\\data\\last.ini", kSettings, 1, 0, start); }),
            u"");
  platform::FileDialogRequest seen = platform::testing::DialogsLastFileRequest();
  EXPECT_EQ(seen.title, u"Load settings");
  EXPECT_EQ(seen.initialDirectory, u"C:\\data");
  EXPECT_EQ(seen.initialFile, u"last.ini");
  ASSERT_EQ(seen.filters.size(), 2u);
  EXPECT_EQ(seen.filters[0].first, u"Settings");
  EXPECT_EQ(seen.filters[0].second, u"*.ini");
  EXPECT_EQ(seen.filters[1].first, u"all");
  EXPECT_EQ(seen.filters[1].second, u"*.*");
  EXPECT_EQ(seen.filterIndex, 2u);  // position 1: the second pair
  EXPECT_EQ(seen.flags, OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR);
  EXPECT_EQ(seen.bufferChars, 260u);
  EXPECT_FALSE(seen.save);

  Open(u"/home/user/labels.ini", kPictures);
  seen = platform::testing::DialogsLastFileRequest();
  EXPECT_EQ(seen.initialDirectory, u"/home/user");
  EXPECT_EQ(seen.initialFile, u"labels.ini");
  EXPECT_EQ(seen.filters[0].second, u"*.jpg;*.png;*.tga;*.tif;*.bmp");
  EXPECT_EQ(seen.filterIndex, 1u);

  Open(u"/top.ini");  // a file right under the root opens in the root
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialDirectory, u"/");
  Open(u"plain.ini", u"");
  seen = platform::testing::DialogsLastFileRequest();
  EXPECT_EQ(seen.initialDirectory, u"");
  EXPECT_EQ(seen.initialFile, u"plain.ini");
  EXPECT_TRUE(seen.filters.empty());
  Open(nullptr, nullptr, -5);
  seen = platform::testing::DialogsLastFileRequest();
  EXPECT_EQ(seen.initialFile, u"");
  EXPECT_EQ(seen.filterIndex, 0u);
}

TEST_F(RequesterTest, NamesThatCannotBeFileNamesAreNotPreselected) {
  Open(u"a:b");
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialFile, u"");
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialDirectory, u"");
  Open(u"C:\\data\\bad\tname.ini");
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialFile, u"");
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialDirectory, u"C:\\data");
  Open(u"C:\\data\\");
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialFile, u"");
  // A name longer than the buffer is cut to what it holds.
  std::u16string longName(400, u'n');
  Open(longName.c_str());
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().initialFile, std::u16string(259, u'n'));

  EXPECT_EQ(FileNameIsValid(u"labels 01.png"), 1);
  for (const char16_t* bad : {u"", u"a\"b", u"a*b", u"a/b", u"a:b", u"a<b", u"a>b", u"a?b", u"a\\b", u"a|b", u"\x1f"}) {
    EXPECT_EQ(FileNameIsValid(bad), 0) << "bad name #" << std::u16string(bad).size();
  }
  EXPECT_EQ(FileNameIsValid(nullptr), 0);
}

TEST_F(RequesterTest, ChosenPathComesBackAndCancelGivesEmpty) {
  platform::testing::DialogsQueueFileAnswer(Files({u"/home/user/series.ini"}, 2));
  EXPECT_EQ(Open(u"last.ini"), u"/home/user/series.ini");
  EXPECT_EQ(RequesterSelectedPattern(), 1);

  platform::testing::DialogsQueueFileAnswer(Files({}));
  EXPECT_EQ(Open(u"last.ini"), u"");
  EXPECT_EQ(RequesterSelectedPattern(), -1);

  // The result is built at the offset given, behind text already on the stack.
  StrTempAppend(u"prefix ");
  platform::testing::DialogsQueueFileAnswer(Files({u"/tmp/x.ini"}));
  EXPECT_EQ(Open(u""), u"/tmp/x.ini");
  EXPECT_EQ(std::u16string(StrTempAt(0)), u"prefix ");

  // A path the 260-character buffer cannot hold is reported like a cancel.
  platform::testing::DialogsQueueFileAnswer(Files({u"/" + std::u16string(300, u'p')}));
  EXPECT_EQ(Open(u""), u"");
}

TEST_F(RequesterTest, SaveRequesterUsesTheSaveDialog) {
  platform::testing::DialogsQueueFileAnswer(Files({u"/out/new.ini"}));
  EXPECT_EQ(AtStart([](int64_t start) { return RequesterSaveFile(u"Save settings", u"Stampwork.ini", kSettings, 0, start); }),
            u"/out/new.ini");
  platform::FileDialogRequest seen = platform::testing::DialogsLastFileRequest();
  EXPECT_TRUE(seen.save);
  EXPECT_EQ(seen.title, u"Save settings");
  EXPECT_EQ(seen.initialFile, u"Stampwork.ini");
  EXPECT_EQ(seen.flags & OFN_ALLOWMULTISELECT, 0u);
}

TEST_F(RequesterTest, MultiSelectionIsReadOneNameAtATime) {
  platform::testing::DialogsQueueFileAnswer(Files({u"/pics/a.png", u"/pics/b.jpg", u"/pics/c d.tif"}));
  EXPECT_EQ(Open(u"", kPictures, 0, CV_Requester_MultiSelection), u"/pics/a.png");
  platform::FileDialogRequest seen = platform::testing::DialogsLastFileRequest();
  EXPECT_NE(seen.flags & OFN_ALLOWMULTISELECT, 0u);
  EXPECT_EQ(seen.bufferChars, 512000u);
  // A save requester in between leaves the selection alone.
  platform::testing::DialogsQueueFileAnswer(Files({}));
  AtStart([](int64_t start) { return RequesterSaveFile(u"", u"", kSettings, 0, start); });
  EXPECT_EQ(Next(), u"/pics/b.jpg");
  EXPECT_EQ(Next(), u"/pics/c d.tif");
  EXPECT_EQ(Next(), u"");
  EXPECT_EQ(Next(), u"");

  // One file chosen: it is the whole answer.
  platform::testing::DialogsQueueFileAnswer(Files({u"/pics/only.png"}));
  EXPECT_EQ(Open(u"", kPictures, 0, CV_Requester_MultiSelection), u"/pics/only.png");
  EXPECT_EQ(Next(), u"");

  // A new open requester drops what was left of the previous selection.
  platform::testing::DialogsQueueFileAnswer(Files({u"/a/1", u"/a/2"}));
  EXPECT_EQ(Open(u"", kPictures, 0, CV_Requester_MultiSelection), u"/a/1");
  Open(u"");
  EXPECT_EQ(Next(), u"");
  EXPECT_EQ(Next(), u"");  // nothing chosen at all
}

TEST_F(RequesterTest, MultiSelectionFolderKeepsItsSeparatorStyle) {
  platform::testing::DialogsQueueFileAnswer(Files({u"C:\\pics\\a.png", u"C:\\pics\\b.png"}));
  EXPECT_EQ(Open(u"", kPictures, 0, CV_Requester_MultiSelection), u"C:\\pics\\a.png");
  EXPECT_EQ(Next(), u"C:\\pics\\b.png");
  // Files in the root: the folder already ends with its separator.
  platform::testing::DialogsQueueFileAnswer(Files({u"/a.png", u"/b.png"}));
  EXPECT_EQ(Open(u"", kPictures, 0, CV_Requester_MultiSelection), u"/a.png");
  EXPECT_EQ(Next(), u"/b.png");
  EXPECT_EQ(Next(), u"");
}

TEST_F(RequesterTest, MultiSelectionKeepsPathsLongerThanASinglePath) {
  // Folder and name together may exceed what one path holds; they come back whole.
  std::u16string folder = u"/" + std::u16string(250, u'f');
  platform::testing::DialogsQueueFileAnswer(Files({folder + u"/first-name.png", folder + u"/second-name.png"}));
  EXPECT_EQ(Open(u"", kPictures, 0, CV_Requester_MultiSelection), folder + u"/first-name.png");
  EXPECT_EQ(Next(), folder + u"/second-name.png");
}

TEST_F(RequesterTest, OutOfMemoryGivesEmptyWithoutADialog) {
  platform::testing::HeapFailAfter(1);
  EXPECT_EQ(Open(u"C:\\data\\last.ini"), u"");
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(platform::testing::DialogsFileRequestCount(), 0);
  platform::testing::HeapFailAfter(3);  // the folder copy fails
  EXPECT_EQ(Open(u"C:\\data\\last.ini"), u"");
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(platform::testing::DialogsFileRequestCount(), 0);
}

TEST_F(RequesterTest, ColourStartsWithTheGivenOneAndCancelGivesMinusOne) {
  EXPECT_EQ(RequesterColor(-1), -1);  // nothing answers: cancelled
  platform::ColorDialogRequest seen = platform::testing::DialogsLastColorRequest();
  EXPECT_EQ(seen.initial, 0u);  // black
  EXPECT_EQ(seen.custom[0], 0u);
  EXPECT_EQ(seen.flags & CC_RGBINIT, CC_RGBINIT);

  platform::testing::DialogsQueueColorAnswer(Colour(0x336699));
  EXPECT_EQ(RequesterColor(0xFF102030), 0x336699);
  EXPECT_EQ(platform::testing::DialogsLastColorRequest().initial, 0x102030u);
}

TEST_F(RequesterTest, CustomColoursLastForTheProcess) {
  platform::testing::DialogAnswer answer = Colour(0x0000FF);
  answer.setsCustom = true;
  answer.custom[3] = 0x00AA00;
  platform::testing::DialogsQueueColorAnswer(answer);
  EXPECT_EQ(RequesterColor(0x111111), 0x0000FF);
  EXPECT_EQ(RequesterColor(0x222222), -1);
  platform::ColorDialogRequest seen = platform::testing::DialogsLastColorRequest();
  EXPECT_EQ(seen.custom[3], 0x00AA00u);
  EXPECT_EQ(seen.custom[0], 0x222222u);  // entry 0 is the colour the requester starts with
}

TEST_F(RequesterTest, ProgramWindowsAreOutOfReachWhileARequesterIsOpen) {
  ASSERT_NE(WindowOpen(1, 10, 10, 300, 200, u"main"), 0);
  ASSERT_NE(WindowOpen(2, 400, 10, 200, 200, u"tool", CV_Window_SystemMenu | CV_Window_NoActivate), 0);
  ASSERT_NE(WindowOpen(3, 400, 300, 200, 200, u"pinned", CV_Window_SystemMenu | CV_Window_NoActivate), 0);
  ASSERT_NE(WindowOpen(4, 10, 300, 200, 100, u"hidden", CV_Window_SystemMenu | CV_Window_Invisible), 0);
  ASSERT_NE(WindowOpen(5, 10, 500, 200, 100, u"off", CV_Window_SystemMenu | CV_Window_NoActivate), 0);
  HWND main = reinterpret_cast<HWND>(WindowHandle(1));
  HWND tool = reinterpret_cast<HWND>(WindowHandle(2));
  HWND pinned = reinterpret_cast<HWND>(WindowHandle(3));
  HWND hidden = reinterpret_cast<HWND>(WindowHandle(4));
  HWND off = reinterpret_cast<HWND>(WindowHandle(5));
  WindowActivate(1);
  SetWindowPos(pinned, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EnableWindow(off, FALSE);
  platform::PumpMessages();
  DrainEvents();
  int clickX = static_cast<int>(WindowGetX(1) + 50), clickY = static_cast<int>(WindowGetY(1) + 50);

  bool anyEnabled = true, pinnedTopmost = true, hiddenEnabled = false;
  platform::testing::DialogAnswer answer = Files({u"/x.ini"});
  answer.whileOpen = [&] {
    anyEnabled = IsWindowEnabled(main) || IsWindowEnabled(tool) || IsWindowEnabled(pinned);
    pinnedTopmost = GetWindowLongW(pinned, GWL_EXSTYLE) & WS_EX_TOPMOST;
    hiddenEnabled = IsWindowEnabled(hidden);
    platform::InputClick(clickX, clickY);
  };
  platform::testing::DialogsQueueFileAnswer(answer);
  EXPECT_EQ(Open(u""), u"/x.ini");
  EXPECT_EQ(platform::testing::DialogsLastFileRequest().owner, main);
  EXPECT_FALSE(anyEnabled);
  EXPECT_FALSE(pinnedTopmost);
  EXPECT_TRUE(hiddenEnabled);  // only visible windows are taken out of reach
  std::vector<int64_t> events = DrainEvents();
  EXPECT_EQ(std::count(events.begin(), events.end(), EC_LEFT_CLICK), 0);

  EXPECT_TRUE(IsWindowEnabled(main));
  EXPECT_TRUE(IsWindowEnabled(tool));
  EXPECT_TRUE(IsWindowEnabled(pinned));
  EXPECT_FALSE(IsWindowEnabled(off));  // disabled before, by someone else: stays so
  EXPECT_TRUE(GetWindowLongW(pinned, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // The colour requester does the same, and afterwards clicks arrive again.
  answer = Colour(7);
  answer.whileOpen = [&] { anyEnabled = IsWindowEnabled(main) || IsWindowEnabled(tool); };
  platform::testing::DialogsQueueColorAnswer(answer);
  EXPECT_EQ(RequesterColor(0), 7);
  EXPECT_FALSE(anyEnabled);
  platform::InputClick(clickX, clickY);
  events = DrainEvents();
  EXPECT_EQ(std::count(events.begin(), events.end(), EC_LEFT_CLICK), 1);
}

LRESULT CALLBACK_PlainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(RequesterTest, RequesterOnAnotherThreadLeavesThisThreadsWindowsAlone) {
  ASSERT_NE(WindowOpen(1, 10, 10, 300, 200, u"main"), 0);
  HWND main = reinterpret_cast<HWND>(WindowHandle(1));
  WindowActivate(1);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = CALLBACK_PlainWindow;
  windowClass.lpszClassName = u"WorkerWindow";
  ASSERT_NE(RegisterClassExW(&windowClass), 0);
  bool mainEnabled = false, workerEnabled = true, workerAfter = false;
  int64_t chosen = 0;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    HWND own = CreateWindowExW(0, u"WorkerWindow", u"worker", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                               nullptr, nullptr, nullptr);
    SetActiveWindow(own);  // the worker's window is in front: the requester is shown for it
    platform::testing::DialogAnswer answer = Colour(0x445566);
    answer.whileOpen = [&] {
      mainEnabled = IsWindowEnabled(main);
      workerEnabled = IsWindowEnabled(own);
    };
    platform::testing::DialogsQueueColorAnswer(answer);
    chosen = RequesterColor(0);
    workerAfter = IsWindowEnabled(own);
    DestroyWindow(own);
    done = true;
  });
  // This thread keeps taking its messages, as its event loop would, so that activation
  // messages sent to its window from the worker are answered.
  while (!done) {
    platform::PumpMessages();
    Sleep(1);
  }
  worker.join();
  UnregisterClassW(u"WorkerWindow", nullptr);
  EXPECT_EQ(chosen, 0x445566);
  EXPECT_TRUE(mainEnabled);  // another thread's requester does not reach this thread's windows
  EXPECT_FALSE(workerEnabled);
  EXPECT_TRUE(workerAfter);
}

}  // namespace
