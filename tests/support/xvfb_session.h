// What the desktop tests drive a real X display with: a private Xvfb server on a display number
// the server picks itself (parallel test runs never meet), with the process's environment
// pointed at it while it runs; commands (xdotool, xwd, the program) run with a deadline; and
// screenshots read from xwd's output into 32-bit pixels, to compare with a backing bitmap.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// ---- commands ----

struct CommandResult {
  int exitCode = -1;      // the exit status; -1 when it did not exit by itself (or did not start)
  bool timedOut = false;  // killed at the deadline
  std::string output;     // standard output, as bytes
  std::string errors;     // standard error
};

// Runs argv[0] (looked up on PATH) with the rest as its arguments, standard input empty; killed
// when it has not ended by the deadline.
CommandResult RunCommand(const std::vector<std::string>& argv,
                         std::chrono::milliseconds deadline = std::chrono::seconds(10));

// A program started in the background, such as the program under test while xdotool drives it,
// with standard input empty and its output (standard output and error together) kept in a file.
// Ended (asked, then killed) at destruction when still running.
class ChildProcess {
 public:
  explicit ChildProcess(const std::vector<std::string>& argv, const std::string& workingDirectory = "");
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  int Pid() const { return pid_; }
  // Waits for it to end: its exit code; 128 + the signal when a signal ended it; -1 when it is
  // still running at the deadline (it is left running) or never started.
  int Wait(std::chrono::milliseconds deadline);
  std::string Output() const;  // what it has written so far

 private:
  int pid_ = -1;
  int status_ = -1;
  std::string outputPath_;
};

// `xdotool ARGS...`; true when it exited with 0. Plain `key`/`type` go to the window with the
// input focus as real key presses (--window would send synthetic events, which GTK ignores).
bool XdoTool(const std::vector<std::string>& args, std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Waits until the window holding the input focus has the name `name` (its title); false at the
// deadline.
bool WaitForFocusName(const std::string& name, std::chrono::milliseconds deadline = std::chrono::seconds(10));

// Waits until a window whose name (title) matches the regular expression `pattern` is mapped;
// false at the deadline. A GTK window without a title is named after the program.
bool WaitForWindow(const std::string& pattern, std::chrono::milliseconds deadline = std::chrono::seconds(10));

// The window manager's close request for an X window (WM_DELETE_WINDOW), as a close box or a
// desktop's "close window" sends it; true when it was sent.
bool RequestClose(unsigned long window);

// ---- the server ----

class XvfbSession {
 public:
  struct Options {
    std::string screen = "1280x1024x24";  // WIDTHxHEIGHTxDEPTH
    std::chrono::milliseconds startDeadline{15000};
  };

  // Starts the server and points the environment at it: DISPLAY; no WAYLAND_DISPLAY and
  // GDK_BACKEND=x11, so GTK takes this server; no accessibility bus, settings in memory, local
  // files only, and configuration, data and cache folders of the session's own, so that nothing
  // the tests do reaches the user's desktop settings or waits for a session bus.
  XvfbSession() : XvfbSession(Options{}) {}
  explicit XvfbSession(const Options& options);
  // Stops the server and gives the environment back as it was.
  ~XvfbSession();
  XvfbSession(const XvfbSession&) = delete;
  XvfbSession& operator=(const XvfbSession&) = delete;

  // One session for the whole test process, started at the first call and stopped at its end
  // (GTK opens its display once per process, so every test in it shares the server).
  static XvfbSession& Shared();

  bool Running() const { return pid_ > 0 && holder_ != nullptr; }
  const std::string& Error() const { return error_; }  // why it is not running
  const std::string& Display() const { return display_; }  // ":N"
  const std::string& Folder() const { return folder_; }    // the session's own folder

 private:
  void Stop();
  void SetEnvironment(const char* name, const char* value);  // null: unset

  int pid_ = -1;
  void* holder_ = nullptr;  // the session's own connection (an Xlib Display*)
  std::string display_;
  std::string folder_;
  std::string error_;
  std::vector<std::pair<std::string, std::pair<bool, std::string>>> savedEnvironment_;
};

// ---- screenshots ----

struct Screenshot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // top-down rows, each pixel 0x00RRGGBB

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  bool SavePng(const std::string& path) const;
};

// Reads an X window dump (xwd's format: a big-endian header, then a 24- or 32-bit TrueColor
// ZPixmap in either byte order). False, with the reason, for anything else or a short dump.
bool ParseXwd(std::string_view bytes, Screenshot* shot, std::string* error = nullptr);

// The pixels the screen shows for `window` (an X window id; 0: the whole screen), through xwd.
bool CaptureWindow(unsigned long window, Screenshot* shot, std::string* error = nullptr);
