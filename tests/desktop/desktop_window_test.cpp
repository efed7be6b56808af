// The desktop backend end to end on a private X server: a window with a button, a string gadget
// and a canvas, driven by real pointer and key input (xdotool), reports the gadget events that
// the same input injected headless gives, and the screen shows its backing bitmap pixel for
// pixel. A close from the desktop while a requester is open, a 1 x 1 size, a burst of wheel
// steps and text from a layout without Latin letters each have a defined outcome.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "corvid.h"
#include "gtk_backend.h"
#include "gui_fixture.h"
#include "input.h"
#include "testing.h"
#include "xvfb_session.h"

namespace {

using namespace std::chrono_literals;

// One gadget event as the loop saw it, with the canvas's attributes read right after it.
struct Seen {
  int64_t gadget, type, x, y, buttons, modifiers, wheel;
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& seen, std::ostream* out) {
  *out << "{gadget " << seen.gadget << ", type " << seen.type << ", " << seen.x << "," << seen.y << ", buttons "
       << seen.buttons << ", modifiers " << seen.modifiers << ", wheel " << seen.wheel << "}";
}

constexpr int64_t kButton = 1, kString = 2, kCanvas = 3;
constexpr char16_t kTitle[] = u"Desktop events";

class DesktopWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    XvfbSession& server = XvfbSession::Shared();
    ASSERT_TRUE(server.Running()) << server.Error();
    ASSERT_TRUE(platform::DesktopBackendInstall());
    GuiTest::SetUp();
    platform::InputFreezeClock(false);  // the desktop's events come in real time
    DrawingInit();
  }
  void TearDown() override {
    platform::PumpMessages();
    DrawingShutdown();
    GuiTest::TearDown();
  }

  // Window 0 with its three gadgets; the canvas shows a pattern of its own.
  static void OpenWindow(int64_t flags = CV_Window_SystemMenu) {
    ASSERT_NE(WindowOpen(0, 200, 150, 420, 260, kTitle, flags), 0);
    ASSERT_NE(GadgetButtonCreate(kButton, 10, 10, 120, 24, u"Press"), 0);
    ASSERT_NE(GadgetStringCreate(kString, 10, 50, 160, 22, u""), 0);
    ASSERT_NE(GadgetCanvasCreate(kCanvas, 200, 10, 200, 200), 0);
    ASSERT_NE(DrawingBegin(GadgetCanvasOutput(kCanvas)), 0);
    for (int band = 0; band < 8; ++band) DrawBox(0, band * 25, 200, 25, ColorRGB(band * 30, 255 - band * 30, 90));
    DrawingEnd();
    WindowActivate(0);
  }

  static HWND Handle(int64_t gadget) { return reinterpret_cast<HWND>(static_cast<uintptr_t>(GadgetHandle(gadget))); }

  // Gadget events the loop produces, until `busy` says the input is all sent and the loop has
  // been quiet for a moment; a deadline ends it in any case.
  static std::vector<Seen> Collect(const std::function<bool()>& busy, std::chrono::milliseconds quiet = 400ms) {
    std::vector<Seen> seen;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    auto lastEvent = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < deadline) {
      const int64_t code = WindowWaitEvent(20);
      const auto now = std::chrono::steady_clock::now();
      if (code != 0) lastEvent = now;
      if (code == EC_GADGET) {
        const int64_t gadget = EventSourceGadget();
        const bool canvas = gadget == kCanvas;
        Seen event{gadget, EventGetType(), 0, 0, 0, 0, 0};
        if (canvas) {
          event.x = GadgetGetAttribute(kCanvas, CA_MOUSE_X);
          event.y = GadgetGetAttribute(kCanvas, CA_MOUSE_Y);
          event.buttons = GadgetGetAttribute(kCanvas, CA_BUTTONS);
          event.modifiers = GadgetGetAttribute(kCanvas, CA_MODIFIERS);
          event.wheel = GadgetGetAttribute(kCanvas, CA_WHEEL_DELTA);
        }
        // The desktop may report a position twice (on entering, say); one report is one event.
        if (seen.empty() || !(seen.back() == event) || event.type != ET_MOUSE_MOVE) seen.push_back(event);
      }
      if (!busy() && now - lastEvent > quiet) break;
    }
    return seen;
  }

  // Runs the steps on a thread of their own (each waits for its command), while this thread
  // runs the loop, as the program does while a person acts.
  static std::vector<Seen> WhileActing(const std::vector<std::vector<std::string>>& steps) {
    std::atomic<bool> acting{true};
    std::atomic<bool> failed{false};
    std::thread actor([&] {
      for (const auto& step : steps) {
        if (!XdoTool(step)) failed = true;
        std::this_thread::sleep_for(150ms);  // a hand's pace: the loop takes each event before the next
      }
      acting = false;
    });
    std::vector<Seen> seen = Collect([&] { return acting.load(); });
    actor.join();
    EXPECT_FALSE(failed.load()) << "an xdotool step failed";
    return seen;
  }

  // The window's X id, found by its title.
  static std::string WindowId(const std::string& title = "Desktop events") {
    const CommandResult found = RunCommand({"xdotool", "search", "--name", "^" + title + "$"});
    return found.output.substr(0, found.output.find('\n'));
  }
};

// Where a client point of window 0 is on the platform's screen.
POINT ScreenPoint(int x, int y) {
  POINT point{x, y};
  ClientToScreen(reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0))), &point);
  return point;
}

TEST_F(DesktopWindowTest, PointerWheelAndKeysArriveAsTheyDoHeadlessAndTheScreenShowsTheBackingBitmap) {
  OpenWindow();
  Collect([] { return false; });
  const std::string id = WindowId();
  ASSERT_FALSE(id.empty());
  // Over the canvas, a click, two wheel notches; into the string gadget, a click and a text with
  // a capital; the button pressed.
  const std::vector<Seen> desktop = WhileActing({
      {"mousemove", "--window", id, "260", "60"},
      {"click", "1"},
      {"mousemove", "--window", id, "300", "120"},
      {"click", "4"},
      {"click", "4"},
      {"mousemove", "--window", id, "40", "60"},
      {"click", "1"},
      {"type", "--delay", "30", "Ab1"},
      {"mousemove", "--window", id, "50", "20"},
      {"click", "1"},
  });
  std::u16string typed = GadgetGetText(kString, 0) ? GadgetGetText(kString, 0) : u"";
  EXPECT_EQ(typed, u"Ab1");

  // What the screen shows is the backing bitmap, pixel for pixel.
  platform::PumpMessages();
  Collect([] { return false; }, 200ms);
  Screenshot shot;
  std::string error;
  ASSERT_TRUE(CaptureWindow(std::stoul(id), &shot, &error)) << error;
  DIBSECTION backing{};
  ASSERT_EQ(GetObjectW(platform::WindowBacking(reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)))),
                       sizeof backing, &backing),
            static_cast<int>(sizeof backing));
  ASSERT_EQ(shot.width, backing.dsBm.bmWidth);
  ASSERT_EQ(shot.height, backing.dsBm.bmHeight);
  int differing = 0;
  for (int y = 0; y < shot.height; ++y) {
    const auto* row = static_cast<const uint32_t*>(backing.dsBm.bmBits) + static_cast<size_t>(y) * backing.dsBm.bmWidth;
    for (int x = 0; x < shot.width; ++x) differing += (row[x] & 0xFFFFFF) != shot.At(x, y);
  }
  EXPECT_EQ(differing, 0);
  shot.SavePng(std::string(STAMPWORK_SCREENSHOTS) + "/desktop_window.png");
  WindowClose(0);
  platform::PumpMessages();

  // The same input, injected into the platform without a desktop.
  platform::DisplayInstall(&platform::Headless());
  OpenWindow();
  Collect([] { return false; });
  // A click where the pointer is, as xdotool's: no move of its own.
  auto click = [] {
    platform::InputButton(platform::MouseButton::Left, true);
    platform::InputButton(platform::MouseButton::Left, false);
  };
  auto move = [](int x, int y) {
    const POINT at = ScreenPoint(x, y);
    platform::InputPointerMove(at.x, at.y);
  };
  std::vector<Seen> headless;
  auto take = [&] {
    for (const Seen& event : Collect([] { return false; }, 50ms)) headless.push_back(event);
  };
  move(260, 60), take();
  click(), take();
  move(300, 120), take();
  platform::InputWheel(WHEEL_DELTA), take();
  platform::InputWheel(WHEEL_DELTA), take();
  move(40, 60), take();
  click(), take();
  platform::InputKey(VK_SHIFT, true);
  platform::InputKeyPress('A');
  platform::InputKey(VK_SHIFT, false);
  platform::InputKeyPress('B');
  platform::InputKeyPress('1');
  take();
  move(50, 20), take();
  click(), take();
  EXPECT_EQ(desktop, headless);
}

TEST_F(DesktopWindowTest, ACloseFromTheDesktopWaitsForTheOpenRequesterAndThenArrives) {
  OpenWindow();
  Collect([] { return false; });
  const std::string id = WindowId();
  ASSERT_FALSE(id.empty());
  std::atomic<bool> closed{false};
  std::thread desktop([&] {
    if (!WaitForFocusName("Pick a file")) return;
    // The window manager's close request for window 0, then the requester cancelled.
    if (!RequestClose(std::stoul(id))) return;
    std::this_thread::sleep_for(300ms);
    closed = true;
    XdoTool({"key", "Escape"});
  });
  const char16_t* chosen = RequesterOpenFile(u"Pick a file", u"", u"all|*.*", 0, 0, 0);
  desktop.join();
  ASSERT_TRUE(closed.load()) << "the requester never took the keyboard";
  EXPECT_TRUE(chosen == nullptr || chosen[0] == 0);
  // The close comes after the requester, once: the window is still there until the program says.
  EXPECT_NE(WindowIsValid(0), nullptr);
  int closes = 0;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline && closes == 0) {
    if (WindowWaitEvent(50) == EC_CLOSE_WINDOW) ++closes;
  }
  EXPECT_EQ(closes, 1);
}

TEST_F(DesktopWindowTest, ATinySizeABurstOfWheelStepsAndTextWithoutLatinLettersHaveDefinedResults) {
  OpenWindow(CV_Window_SystemMenu | CV_Window_SizeGadget);
  Collect([] { return false; });
  const std::string id = WindowId();
  ASSERT_FALSE(id.empty());
  const HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(0)));

  // 1 x 1 on the desktop: the program takes the smallest size it allows, and the desktop follows.
  ASSERT_TRUE(XdoTool({"windowsize", id, "1", "1"}));
  RECT client{};
  std::string shown;
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (std::chrono::steady_clock::now() < deadline) {
    Collect([] { return false; }, 200ms);
    GetClientRect(window, &client);
    shown = RunCommand({"xdotool", "getwindowgeometry", id}).output;
    if (shown.find("Geometry: " + std::to_string(client.right) + "x" + std::to_string(client.bottom)) != std::string::npos) break;
  }
  EXPECT_GT(client.right, 1);
  EXPECT_GT(client.bottom, 1);
  EXPECT_NE(shown.find("Geometry: " + std::to_string(client.right) + "x" + std::to_string(client.bottom)), std::string::npos)
      << shown;

  // Back to a usable size; 200 wheel steps in a burst over the canvas all arrive, none twice.
  WindowResize(0, CV_Keep, CV_Keep, 420, 260);
  const std::vector<Seen> wheel = WhileActing({
      {"mousemove", "--window", id, "300", "100"},
      {"click", "--repeat", "200", "--delay", "1", "5"},
  });
  int64_t steps = 0;
  for (const Seen& event : wheel) {
    if (event.gadget == kCanvas && event.type == ET_MOUSE_WHEEL) steps += event.wheel;
  }
  EXPECT_EQ(steps, -200);

  // Letters of a layout without Latin ones reach the string gadget as text.
  WhileActing({{"mousemove", "--window", id, "40", "60"}, {"click", "1"}, {"type", "--delay", "30", "жЖ ✓"}});
  const char16_t* text = GadgetGetText(kString, 0);
  EXPECT_EQ(std::u16string(text ? text : u""), u"жЖ ✓");
}

}  // namespace
