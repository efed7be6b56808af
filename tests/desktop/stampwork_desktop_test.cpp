// Stampwork as a person uses it, on a private X server: the picture typed into the desktop's
// file chooser at start and again after Load Image, a click on the preview, Create; the files
// are those that the same actions write without a desktop. And the display going away: the
// program ends through its end sequence and keeps its settings.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "app_state.h"
#include "fresh_directory.h"
#include "input.h"
#include "kernel.h"
#include "main_window.h"
#include "stampwork.h"
#include "testing.h"
#include "xvfb_session.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string kTicket = std::string(STAMPWORK_SOURCE_DIR) + "/samples/ticket.png";
const std::string kFirst = std::string(STAMPWORK_TESTDATA) + "/pngsuite/basn2c08.png";
// The main window's places a person clicks, in its client area: Load Image, the preview (at
// (270, 10), as large as the picture) and Create, at the bottom of the 520 pixels the window
// keeps for a picture as small as the ticket.
constexpr int kLoadImage[] = {135, 20};
constexpr int kOnPreview[] = {270 + 100, 10 + 60};
constexpr int kCreate[] = {120, 500};

void Copy(const std::string& from, const std::string& to) { fs::copy_file(from, to, fs::copy_options::overwrite_existing); }

std::string Contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

// The files a series wrote into a folder, by name (the pictures themselves left out).
std::map<std::string, std::string> Series(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name != "ticket.png" && name != "first.png") files[name] = Contents(entry.path());
  }
  return files;
}

// Types a path into the chooser that has the keyboard, the way a person does it: when the
// chooser's completion list took the Return, Return once more.
bool AnswerChooser(const std::string& path) {
  if (!WaitForFocusName("Stampwork") || !XdoTool({"type", "--delay", "10", path})) return false;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::this_thread::sleep_for(300ms);
    if (!XdoTool({"key", "Return"})) return false;
    for (int tenth = 0; tenth < 20; ++tenth) {
      std::this_thread::sleep_for(100ms);
      const CommandResult focus = RunCommand({"xdotool", "getwindowfocus", "getwindowname"});
      if (focus.output != "Stampwork\n") return true;
    }
  }
  return false;
}

bool ClickInWindow(const std::string& id, const int (&at)[2]) {
  return XdoTool({"mousemove", "--window", id, std::to_string(at[0]), std::to_string(at[1])}) && XdoTool({"click", "1"});
}

// The main window once it has the keyboard, as its X id; when it does not come, the screen is
// kept for a person to look at.
std::string MainWindow() {
  if (!WaitForFocusName("Stampwerk")) {
    Screenshot screen;
    if (CaptureWindow(0, &screen)) screen.SavePng(std::string(STAMPWORK_SCREENSHOTS) + "/stampwork_no_main_window.png");
    return "";
  }
  const CommandResult focus = RunCommand({"xdotool", "getwindowfocus"});
  return focus.output.substr(0, focus.output.find('\n'));
}

TEST(StampworkOnTheDesktop, TheWholeJobWritesTheFilesThatTheSameActionsWriteHeadless) {
  XvfbSession& server = XvfbSession::Shared();
  ASSERT_TRUE(server.Running()) << server.Error();
  InFreshDirectory here;
  for (const char* folder : {"desktop", "desktop-pictures", "headless", "headless-pictures"}) fs::create_directory(here.PathOf(folder));
  for (const char* folder : {"desktop-pictures", "headless-pictures"}) {
    Copy(kFirst, here.PathOf(std::string(folder) + "/first.png"));
    Copy(kTicket, here.PathOf(std::string(folder) + "/ticket.png"));
  }
  const std::string pictures = here.PathOf("desktop-pictures");

  {
    ChildProcess program({STAMPWORK_EXE}, here.PathOf("desktop"));
    ASSERT_TRUE(program.Started());
    ASSERT_TRUE(AnswerChooser(pictures + "/first.png"));
    std::string id = MainWindow();
    ASSERT_FALSE(id.empty());
    ASSERT_TRUE(ClickInWindow(id, kLoadImage));
    ASSERT_TRUE(AnswerChooser(pictures + "/ticket.png"));
    ASSERT_EQ(MainWindow(), id);
    std::this_thread::sleep_for(300ms);  // the window takes the ticket's size
    ASSERT_TRUE(ClickInWindow(id, kOnPreview));
    std::this_thread::sleep_for(300ms);
    Screenshot shot;
    std::string error;
    ASSERT_TRUE(CaptureWindow(std::stoul(id), &shot, &error)) << error;
    shot.SavePng(std::string(STAMPWORK_SCREENSHOTS) + "/stampwork_main_window.png");
    ASSERT_TRUE(ClickInWindow(id, kCreate));
    // 50 numbers and the closing image, every one whole under its own name.
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    size_t written = 0;
    while (std::chrono::steady_clock::now() < deadline) {
      std::map<std::string, std::string> files = Series(pictures);
      written = files.size();
      bool whole = written == 51;
      for (const auto& [name, content] : files) whole = whole && name.find(".part~") == std::string::npos;
      if (whole) break;
      std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(written, 51u);
    std::this_thread::sleep_for(500ms);
    kill(program.Pid(), SIGTERM);
    EXPECT_EQ(program.Wait(20s), 0) << program.Output();
  }

  // The same actions without a desktop, in this process.
  ASSERT_EQ(chdir(here.PathOf("headless").c_str()), 0);
  const std::string same = here.PathOf("headless-pictures");
  platform::testing::DialogAnswer first, ticket;
  first.paths = {platform::Utf8ToUtf16((same + "/first.png").c_str())};
  ticket.paths = {platform::Utf8ToUtf16((same + "/ticket.png").c_str())};
  platform::testing::DialogsQueueFileAnswer(first);
  platform::testing::DialogsQueueFileAnswer(ticket);
  StampworkStart();
  const HWND main = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)));
  auto click = [&](const int (&at)[2]) {
    POINT point{at[0], at[1]};
    ClientToScreen(main, &point);
    platform::InputClick(point.x, point.y);
    for (int guard = 0; guard < 10000; ++guard) {
      const int64_t code = WindowPollEvent();
      if (code == 0) break;
      MainWindowHandleEvent(code);
    }
  };
  click(kLoadImage);
  click(kOnPreview);
  click(kCreate);
  StampworkShutdown();

  const std::map<std::string, std::string> desktop = Series(pictures), headless = Series(same);
  ASSERT_EQ(desktop.size(), headless.size());
  for (const auto& [name, content] : headless) {
    auto it = desktop.find(name);
    ASSERT_NE(it, desktop.end()) << name;
    EXPECT_TRUE(it->second == content) << name << " differs";
  }
}

TEST(StampworkOnTheDesktop, WhenTheDisplayGoesAwayTheProgramEndsAndKeepsItsSettings) {
  InFreshDirectory here;
  Copy(kTicket, here.PathOf("ticket.png"));
  auto server = std::make_unique<XvfbSession>();
  ASSERT_TRUE(server->Running()) << server->Error();
  ChildProcess program({STAMPWORK_EXE}, here.PathOf(""));
  ASSERT_TRUE(program.Started());
  ASSERT_TRUE(AnswerChooser(here.PathOf("ticket.png")));
  const std::string id = MainWindow();
  ASSERT_FALSE(id.empty());
  ASSERT_TRUE(ClickInWindow(id, kOnPreview));
  std::this_thread::sleep_for(500ms);
  server.reset();  // the X server ends
  EXPECT_EQ(program.Wait(20s), 0) << program.Output();
  const std::string settings = here.Read("Stampwork.ini");
  EXPECT_NE(settings.find("xText = 100\r\n"), std::string::npos) << settings;
  EXPECT_NE(settings.find("yText = 60\r\n"), std::string::npos);
}

}  // namespace
