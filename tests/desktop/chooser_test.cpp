// The desktop's file and colour choosers answered the way a person does: keys typed into the
// real dialog on a private X server, from a second thread while the chooser runs modal here.
#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "desktop_fixture.h"
#include "dialogs.h"
#include "gtk_choosers.h"
#include "gdi.h"
#include "kernel.h"
#include "temp_folder.h"

namespace {

using namespace std::chrono_literals;
using platform::gtk::ChoosersCancel;

// Runs `modal` here while `drive` types from another thread. A chooser still open after the
// deadline is cancelled and `overran` set, so a lost key fails the test instead of hanging it.
bool RunDriven(const std::function<bool()>& modal, const std::function<void()>& drive, bool* overran,
               std::chrono::milliseconds deadline = 20s) {
  *overran = false;
  guint timer = g_timeout_add(
      static_cast<guint>(deadline.count()),
      [](gpointer late) -> gboolean {
        *static_cast<bool*>(late) = true;
        ChoosersCancel();
        return G_SOURCE_REMOVE;
      },
      overran);
  std::thread driver(drive);
  bool answer = modal();
  // The closed dialog leaves the server before anything else looks for the focused window.
  gdk_display_sync(gdk_display_get_default());
  if (!*overran) g_source_remove(timer);
  driver.join();
  return answer;
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

class FileChooser : public DesktopTest {
 protected:
  void SetUp() override {
    DesktopTest::SetUp();
    for (const char* name : {"PHOTO.JPG", "b.png", "notes.txt"}) Touch(folder.Path(name));
    request.filters = {{u"Pics", u"*.jpg;*.png"}, {u"all", u"*.*"}};
    request.initialDirectory = platform::Utf8ToUtf16(folder.path().c_str());
    request.bufferChars = 4096;
  }

  bool Run(const std::function<void()>& drive) {
    return RunDriven([&] { return platform::gtk::FileChooserRun(nullptr, request, &paths, &filterIndex); }, drive,
                     &overran);
  }

  TempFolder folder;
  platform::FileDialogRequest request;
  std::vector<std::u16string> paths;
  DWORD filterIndex = 0;
  bool overran = false;
};

// Counts the GTK windows mapped so far (counted on the GTK thread, read by the typing one).
std::atomic<int> g_windowsMapped{0};

gboolean CountMapped(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  if (GTK_IS_WINDOW(g_value_get_object(&values[0]))) ++g_windowsMapped;
  return TRUE;
}

// Waits until a window opens over the chooser (GTK's question whether to replace a file, which
// has no title to look for).
bool WaitForAnotherWindow(int mappedBefore) {
  auto end = std::chrono::steady_clock::now() + 10s;
  while (g_windowsMapped <= mappedBefore) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

// The keys a person presses once the chooser has the keyboard: "key:NAME" presses a key, "wait"
// waits for a window over the chooser, "focus:TITLE" for the keyboard to be back at the window
// TITLE, anything else is typed.
std::function<void()> Keys(const char* title, std::vector<std::string> typed) {
  static gulong hook = g_signal_add_emission_hook(g_signal_lookup("map", GTK_TYPE_WIDGET), 0, CountMapped, nullptr, nullptr);
  (void)hook;
  return [title, typed] {
    ASSERT_TRUE(WaitForFocusName(title)) << title << " never had the keyboard";
    int mapped = g_windowsMapped;
    for (const std::string& step : typed) {
      if (step.rfind("focus:", 0) == 0) {
        ASSERT_TRUE(WaitForFocusName(step.substr(6))) << step;
      } else if (step == "wait") {
        ASSERT_TRUE(WaitForAnotherWindow(mapped)) << "nothing opened over the chooser";
      } else if (step.rfind("key:", 0) == 0) {
        ASSERT_TRUE(XdoTool({"key", step.substr(4)})) << step;
      } else {
        ASSERT_TRUE(XdoTool({"type", "--delay", "20", step})) << step;
      }
    }
  };
}

std::vector<std::string> Names(const std::vector<std::u16string>& paths) {
  std::vector<std::string> names;
  for (const auto& path : paths) names.push_back(std::filesystem::path(platform::Utf16ToUtf8(path.c_str())).filename());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FileChooser, ATypedPathIsChosenWithTheFilterLeftAsItWas) {
  request.filterIndex = 2;
  EXPECT_TRUE(Run(Keys("Open", {folder.Path("notes.txt"), "key:Return"})));
  EXPECT_FALSE(overran);
  ASSERT_EQ(paths.size(), 1u);
  EXPECT_EQ(platform::Utf16ToUtf8(paths[0].c_str()), folder.Path("notes.txt"));
  EXPECT_EQ(filterIndex, 2u);
}

// The list shows what the first filter matches whatever the letter case: selecting everything
// takes both pictures and leaves the text file out.
TEST_F(FileChooser, FiltersIgnoreLetterCaseAndSelectAllTakesEveryFileShown) {
  request.flags = OFN_ALLOWMULTISELECT;
  EXPECT_TRUE(Run(Keys("Open", {"key:ctrl+a", "key:Return"})));
  EXPECT_FALSE(overran);
  EXPECT_EQ(Names(paths), (std::vector<std::string>{"PHOTO.JPG", "b.png"}));
  EXPECT_EQ(filterIndex, 1u);
}

// Names the program could not use are refused with a message, and the chooser stays open (the
// first Escape closes the message, the second the chooser); a missing file in an existing folder
// may still be named.
TEST_F(FileChooser, NamesTheProgramCannotUseAreRefused) {
  Touch(folder.path() + "/caf\xE9.png");  // Latin-1 bytes, no UTF-8
  struct Case {
    DWORD flags;
    std::string typed;  // empty: select every file shown
    bool accepted;
  } cases[] = {
      {OFN_ALLOWMULTISELECT, "", false},
      {OFN_FILEMUSTEXIST, folder.Path("missing.png"), false},
      {OFN_PATHMUSTEXIST, folder.Path("nowhere/missing.png"), false},
      {OFN_PATHMUSTEXIST, folder.Path("missing.png"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    request.flags = c.flags;
    std::vector<std::string> keys{c.typed.empty() ? "key:ctrl+a" : c.typed, "key:Return"};
    if (!c.accepted) keys.insert(keys.end(), {"wait", "key:Escape", "focus:Open", "key:Escape"});
    EXPECT_EQ(Run(Keys("Open", keys)), c.accepted);
    EXPECT_FALSE(overran);
    EXPECT_EQ(paths.size(), c.accepted ? 1u : 0u);
  }
}

TEST_F(FileChooser, SavesUnderTheInitialNameAskingBeforeReplacingAFile) {
  struct Case {
    const char* initial;
    DWORD flags;
    std::vector<std::string> keys;
    const char* chosen;  // null: cancelled
  } cases[] = {
      {"new.png", OFN_OVERWRITEPROMPT, {"key:Return"}, "new.png"},
      {"notes.txt", OFN_OVERWRITEPROMPT, {"key:Return", "wait", "key:Return"}, "notes.txt"},
      // Escape answers the question, the second one the chooser.
      {"notes.txt", OFN_OVERWRITEPROMPT, {"key:Return", "wait", "key:Escape", "key:Escape"}, nullptr},
      {"notes.txt", 0, {"key:Return"}, "notes.txt"},
      {"/sub/later.png", 0, {"key:Return"}, "sub/later.png"},
  };
  std::filesystem::create_directory(folder.Path("sub"));
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.initial) + " with " + std::to_string(c.keys.size()) + " keys");
    request.save = true;
    request.flags = c.flags;
    std::string initial = c.initial[0] == '/' ? folder.path() + c.initial : c.initial;
    request.initialFile = platform::Utf8ToUtf16(initial.c_str());
    paths.clear();
    EXPECT_EQ(Run(Keys("Save As", c.keys)), c.chosen != nullptr);
    EXPECT_FALSE(overran);
    if (c.chosen == nullptr) {
      EXPECT_TRUE(paths.empty());
    } else {
      ASSERT_EQ(paths.size(), 1u);
      EXPECT_EQ(platform::Utf16ToUtf8(paths[0].c_str()), folder.Path(c.chosen));
    }
  }
}

// The display going away ends a chooser, even while it asks whether to replace a file.
TEST_F(FileChooser, ChoosersCancelEndsTheChooserAndItsQuestion) {
  request.save = true;
  request.flags = OFN_OVERWRITEPROMPT;
  request.initialFile = u"notes.txt";
  std::atomic<bool> cancelled{false};
  EXPECT_FALSE(Run([&] {
    Keys("Save As", {"key:Return", "wait"})();
    g_idle_add(
        [](gpointer flag) -> gboolean {
          ChoosersCancel();
          static_cast<std::atomic<bool>*>(flag)->store(true);
          return G_SOURCE_REMOVE;
        },
        &cancelled);
  }));
  EXPECT_FALSE(overran);
  EXPECT_TRUE(cancelled);
  Settle();
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* at = toplevels; at != nullptr; at = at->next) {
    EXPECT_FALSE(gtk_widget_get_visible(GTK_WIDGET(at->data))) << G_OBJECT_TYPE_NAME(at->data) << " left open";
  }
  g_list_free(toplevels);
}

TEST_F(DesktopTest, TheColourChooserStartsAtTheInitialColour) {
  struct Case {
    const char* key;
    bool accepted;
  } cases[] = {{"Return", true}, {"Escape", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    platform::ColorDialogRequest request;
    request.initial = RGB(0x99, 0x66, 0x33);
    COLORREF chosen = 0;
    bool overran = false;
    bool accepted = RunDriven([&] { return platform::gtk::ColourChooserRun(nullptr, request, &chosen); },
                              Keys("Colour", {std::string("key:") + c.key}), &overran);
    EXPECT_FALSE(overran);
    EXPECT_EQ(accepted, c.accepted);
    if (c.accepted) {
      EXPECT_EQ(chosen, request.initial);
    }
  }
}

}  // namespace
