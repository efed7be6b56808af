// The private X server of the desktop tests, the commands that drive it, and the reader of its
// screenshots (see xvfb_session.h).
#include "xvfb_session.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <png.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point end) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// Ends a child: asked first, then killed; always reaped.
int StopChild(pid_t pid, std::chrono::milliseconds grace) {
  int status = 0;
  if (waitpid(pid, &status, WNOHANG) == pid) return status;
  kill(pid, SIGTERM);
  Clock::time_point end = Clock::now() + grace;
  while (Clock::now() < end) {
    if (waitpid(pid, &status, WNOHANG) == pid) return status;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return status;
}

std::vector<char*> ArgvOf(const std::vector<std::string>& argv) {
  std::vector<char*> out;
  for (const std::string& arg : argv) out.push_back(const_cast<char*>(arg.c_str()));
  out.push_back(nullptr);
  return out;
}

// A pipe whose ends are closed in every child but the one they are handed to.
struct Pipe {
  int read = -1, write = -1;
  Pipe() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) == 0) {
      read = ends[0];
      write = ends[1];
    }
  }
  ~Pipe() {
    CloseRead();
    CloseWrite();
  }
  void CloseRead() {
    if (read >= 0) close(read);
    read = -1;
  }
  void CloseWrite() {
    if (write >= 0) close(write);
    write = -1;
  }
  bool Ok() const { return read >= 0; }
};

}  // namespace

// ---- commands ----

CommandResult RunCommand(const std::vector<std::string>& argv, std::chrono::milliseconds deadline) {
  CommandResult result;
  if (argv.empty()) return result;
  Pipe out, err;
  if (!out.Ok() || !err.Ok()) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write, 1);
  posix_spawn_file_actions_adddup2(&actions, err.write, 2);
  std::vector<char*> args = ArgvOf(argv);
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  out.CloseWrite();
  err.CloseWrite();
  if (spawned != 0) {
    result.errors = argv[0] + ": " + std::strerror(spawned);
    return result;
  }
  Clock::time_point end = Clock::now() + deadline;
  pollfd fds[2] = {{out.read, POLLIN, 0}, {err.read, POLLIN, 0}};
  std::string* into[2] = {&result.output, &result.errors};
  int open = 2;
  while (open > 0) {
    int left = MillisecondsLeft(end);
    if (left == 0) {
      result.timedOut = true;
      break;
    }
    if (poll(fds, 2, left) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
      if (got > 0) {
        into[i]->append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = StopChild(pid, result.timedOut ? std::chrono::milliseconds(0) : std::chrono::milliseconds(2000));
  if (!result.timedOut && WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  return result;
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& workingDirectory) {
  // mkstemp fills in the six trailing letters.
  std::string pattern = "/tmp/stampwork-child-" + std::string(6, 'X');
  int output = mkstemp(pattern.data());
  if (output < 0 || argv.empty()) return;
  outputPath_ = pattern;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, output, 1);
  posix_spawn_file_actions_adddup2(&actions, output, 2);
  posix_spawn_file_actions_addclose(&actions, output);
  if (!workingDirectory.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
  std::vector<char*> args = ArgvOf(argv);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  close(output);
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && status_ < 0) StopChild(pid_, std::chrono::milliseconds(3000));
  if (!outputPath_.empty()) unlink(outputPath_.c_str());
}

int ChildProcess::Wait(std::chrono::milliseconds deadline) {
  if (pid_ <= 0) return -1;
  Clock::time_point end = Clock::now() + deadline;
  while (status_ < 0) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (Clock::now() >= end) {
      return -1;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  return status_;
}

std::string ChildProcess::Output() const {
  std::ifstream in(outputPath_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

bool XdoTool(const std::vector<std::string>& args, std::chrono::milliseconds deadline) {
  std::vector<std::string> argv{"xdotool"};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunCommand(argv, deadline).exitCode == 0;
}

bool WaitForFocusName(const std::string& name, std::chrono::milliseconds deadline) {
  Clock::time_point end = Clock::now() + deadline;
  do {
    CommandResult focused = RunCommand({"xdotool", "getwindowfocus", "getwindowname"}, std::chrono::seconds(5));
    if (focused.exitCode == 0 && focused.output == name + "\n") return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (Clock::now() < end);
  return false;
}

bool WaitForWindow(const std::string& pattern, std::chrono::milliseconds deadline) {
  Clock::time_point end = Clock::now() + deadline;
  do {
    CommandResult found = RunCommand({"xdotool", "search", "--onlyvisible", "--name", pattern}, std::chrono::seconds(5));
    if (found.exitCode == 0 && !found.output.empty()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  } while (Clock::now() < end);
  return false;
}

// ---- the server ----

XvfbSession::XvfbSession(const Options& options) {
  std::string pattern = "/tmp/stampwork-xvfb-" + std::string(6, 'X');  // mkdtemp fills them in
  if (mkdtemp(pattern.data()) == nullptr) {
    error_ = "no session folder";
    return;
  }
  folder_ = pattern;
  // The server writes its display number to this pipe once it takes connections.
  Pipe number;
  if (!number.Ok()) {
    error_ = "no pipe";
    return;
  }
  constexpr int kNumberFd = 3;
  std::string log = folder_ + "/xvfb.log";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  // A dup2 onto itself would leave close-on-exec set: the write end always moves to a new number.
  int writeEnd = number.write == kNumberFd ? fcntl(number.write, F_DUPFD_CLOEXEC, 10) : number.write;
  posix_spawn_file_actions_adddup2(&actions, writeEnd, kNumberFd);
  // -terminate: the server ends when its last client leaves, and the session holds a connection
  // until it stops, so a test process that dies takes its server along.
  std::vector<std::string> argv{"Xvfb",       "-displayfd", std::to_string(kNumberFd), "-screen", "0", options.screen,
                                "-nolisten", "tcp",        "-terminate"};
  std::vector<char*> args = ArgvOf(argv);
  pid_t pid = -1;
  int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (writeEnd != number.write) close(writeEnd);
  number.CloseWrite();
  if (spawned != 0) {
    error_ = std::string("Xvfb: ") + std::strerror(spawned);
    return;
  }
  pid_ = pid;

  Clock::time_point end = Clock::now() + options.startDeadline;
  std::string digits;
  while (digits.find('\n') == std::string::npos) {
    pollfd fd{number.read, POLLIN, 0};
    int left = MillisecondsLeft(end);
    if (left == 0 || poll(&fd, 1, left) <= 0) break;
    char buffer[32];
    ssize_t got = read(number.read, buffer, sizeof buffer);
    if (got <= 0) break;
    digits.append(buffer, static_cast<size_t>(got));
  }
  if (digits.find('\n') == std::string::npos) {
    error_ = "Xvfb gave no display number in time: " + std::string(std::istreambuf_iterator<char>(std::ifstream(log).rdbuf()), {});
    Stop();
    return;
  }
  display_ = ":" + digits.substr(0, digits.find('\n'));
  holder_ = XOpenDisplay(display_.c_str());
  if (holder_ == nullptr) {
    error_ = "cannot connect to Xvfb on " + display_;
    Stop();
    return;
  }

  std::string config = folder_ + "/config", data = folder_ + "/data", cache = folder_ + "/cache";
  SetEnvironment("DISPLAY", display_.c_str());
  SetEnvironment("WAYLAND_DISPLAY", nullptr);
  SetEnvironment("GDK_BACKEND", "x11");
  SetEnvironment("NO_AT_BRIDGE", "1");
  SetEnvironment("GSETTINGS_BACKEND", "memory");
  SetEnvironment("GIO_USE_VFS", "local");
  SetEnvironment("GIO_USE_VOLUME_MONITOR", "unix");
  SetEnvironment("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder_ + "/no-bus").c_str());
  SetEnvironment("XDG_CONFIG_HOME", config.c_str());
  SetEnvironment("XDG_DATA_HOME", data.c_str());
  SetEnvironment("XDG_CACHE_HOME", cache.c_str());
}

XvfbSession::~XvfbSession() { Stop(); }

bool RequestClose(unsigned long window) {
  ::Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display, window, False, NoEventMask, &close) != 0;
  XCloseDisplay(display);
  return sent;
}

XvfbSession& XvfbSession::Shared() {
  static XvfbSession session;
  return session;
}

void XvfbSession::SetEnvironment(const char* name, const char* value) {
  const char* before = getenv(name);
  savedEnvironment_.push_back({name, {before != nullptr, before ? before : ""}});
  if (value != nullptr) setenv(name, value, 1);
  else unsetenv(name);
}

void XvfbSession::Stop() {
  for (auto at = savedEnvironment_.rbegin(); at != savedEnvironment_.rend(); ++at) {
    if (at->second.first) setenv(at->first.c_str(), at->second.second.c_str(), 1);
    else unsetenv(at->first.c_str());
  }
  savedEnvironment_.clear();
  if (holder_ != nullptr) XCloseDisplay(static_cast<::Display*>(holder_));
  holder_ = nullptr;
  if (pid_ > 0) StopChild(pid_, std::chrono::milliseconds(3000));
  pid_ = -1;
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  folder_.clear();
}

// ---- screenshots ----

namespace {

// The header of an X window dump: 25 big-endian 32-bit fields, in this order.
enum XwdField {
  kHeaderSize, kFileVersion, kPixmapFormat, kPixmapDepth, kPixmapWidth, kPixmapHeight, kXOffset, kByteOrder,
  kBitmapUnit, kBitmapBitOrder, kBitmapPad, kBitsPerPixel, kBytesPerLine, kVisualClass, kRedMask, kGreenMask,
  kBlueMask, kBitsPerRgb, kColormapEntries, kColorCount, kWindowWidth, kWindowHeight, kWindowX, kWindowY,
  kBorderWidth, kFieldCount
};
constexpr uint32_t kZPixmap = 2, kTrueColor = 4, kDirectColor = 5, kMsbFirst = 1;
constexpr size_t kColorEntrySize = 12;

uint32_t BigEndian32(const unsigned char* at) {
  return uint32_t{at[0]} << 24 | uint32_t{at[1]} << 16 | uint32_t{at[2]} << 8 | at[3];
}

// A channel's value under `mask`, widened to 8 bits.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = __builtin_ctz(mask);
  uint32_t value = (pixel & mask) >> shift, top = mask >> shift;
  return top == 255 ? value : (value * 255 + top / 2) / top;
}

bool Fail(std::string* error, const std::string& why) {
  if (error) *error = why;
  return false;
}

}  // namespace

bool ParseXwd(std::string_view bytes, Screenshot* shot, std::string* error) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  if (bytes.size() < kFieldCount * 4) return Fail(error, "short header");
  uint32_t field[kFieldCount];
  for (int i = 0; i < kFieldCount; ++i) field[i] = BigEndian32(data + 4 * i);
  if (field[kFileVersion] != 7 || field[kHeaderSize] < kFieldCount * 4) return Fail(error, "not an X window dump");
  if (field[kPixmapFormat] != kZPixmap || (field[kVisualClass] != kTrueColor && field[kVisualClass] != kDirectColor))
    return Fail(error, "not a true-colour ZPixmap");
  uint32_t bits = field[kBitsPerPixel];
  if (bits != 24 && bits != 32) return Fail(error, "unsupported pixel size " + std::to_string(bits));
  uint64_t width = field[kPixmapWidth], height = field[kPixmapHeight], stride = field[kBytesPerLine];
  if (width == 0 || height == 0 || width > 32768 || height > 32768 || stride < width * (bits / 8))
    return Fail(error, "bad dimensions");
  uint64_t start = uint64_t{field[kHeaderSize]} + uint64_t{field[kColorCount]} * kColorEntrySize;
  if (start + stride * height > bytes.size()) return Fail(error, "short pixel data");

  bool msbFirst = field[kByteOrder] == kMsbFirst;
  size_t size = bits / 8;
  shot->width = static_cast<int>(width);
  shot->height = static_cast<int>(height);
  shot->pixels.assign(width * height, 0);
  for (uint64_t y = 0; y < height; ++y) {
    const unsigned char* row = data + start + y * stride;
    for (uint64_t x = 0; x < width; ++x) {
      const unsigned char* at = row + x * size;
      uint32_t pixel = 0;
      for (size_t b = 0; b < size; ++b) pixel |= uint32_t{at[msbFirst ? b : size - 1 - b]} << (8 * (size - 1 - b));
      shot->pixels[y * width + x] = Channel(pixel, field[kRedMask]) << 16 | Channel(pixel, field[kGreenMask]) << 8 |
                                    Channel(pixel, field[kBlueMask]);
    }
  }
  return true;
}

bool CaptureWindow(unsigned long window, Screenshot* shot, std::string* error) {
  std::vector<std::string> argv{"xwd", "-silent"};
  if (window == 0) {
    argv.push_back("-root");
  } else {
    argv.push_back("-id");
    argv.push_back(std::to_string(window));
  }
  CommandResult dump = RunCommand(argv, std::chrono::seconds(20));
  if (dump.exitCode != 0) return Fail(error, "xwd failed: " + dump.errors);
  return ParseXwd(dump.output, shot, error);
}

bool Screenshot::SavePng(const std::string& path) const {
  if (width <= 0 || height <= 0) return false;
  std::unique_ptr<FILE, int (*)(FILE*)> file(fopen(path.c_str(), "wb"), fclose);
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint32_t pixel = At(x, y);
      row[x * 3] = static_cast<unsigned char>(pixel >> 16);
      row[x * 3 + 1] = static_cast<unsigned char>(pixel >> 8);
      row[x * 3 + 2] = static_cast<unsigned char>(pixel);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}
