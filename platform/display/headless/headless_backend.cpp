// The headless backend: the screen a test sets (1920 x 1080 at 96 dots per inch unless told
// otherwise), queued chooser answers, an in-process clipboard, the opener program, and a wait on
// a condition variable that a wake from any thread ends.
#include "headless/headless_backend.h"

#include "kernel.h"

namespace platform {
namespace {

struct HeadlessState {
  std::mutex lock;
  std::condition_variable woken;
  uint64_t wakes = 0;  // how many Wake calls so far
  ScreenInfo screen;
  std::deque<testing::DialogAnswer> fileAnswers;
  std::deque<testing::DialogAnswer> colorAnswers;
  std::u16string clipboard;
  bool clipboardHasText = false;
  std::u16string opener = u"xdg-open";
};

// Never destroyed: threads may still wake or wait while static destructors run.
HeadlessState& State() {
  static HeadlessState* state = new HeadlessState;
  return *state;
}

// The wakes this thread has seen: a wake that came while it was not waiting still ends its next
// wait, so a message posted between a look at the queue and the wait is never slept through.
thread_local uint64_t t_seenWakes = 0;

bool TakeAnswer(std::deque<testing::DialogAnswer>& answers, testing::DialogAnswer* answer) {
  std::lock_guard<std::mutex> guard(State().lock);
  if (answers.empty()) return false;
  *answer = std::move(answers.front());
  answers.pop_front();
  return true;
}

}  // namespace

HeadlessBackend& Headless() {
  static HeadlessBackend* backend = new HeadlessBackend;
  return *backend;
}

ScreenInfo HeadlessBackend::Screen() {
  std::lock_guard<std::mutex> guard(State().lock);
  ScreenInfo screen = State().screen;
  // Without a work area of its own the screen has a 40-pixel panel along the bottom.
  const RECT& area = screen.workArea;
  if (area.right <= area.left || area.bottom <= area.top) screen.workArea = RECT{0, 0, screen.width, screen.height - 40};
  const RECT& desktop = screen.desktop;
  if (desktop.right <= desktop.left || desktop.bottom <= desktop.top) screen.desktop = RECT{0, 0, screen.width, screen.height};
  return screen;
}

bool HeadlessBackend::FileChooser(const FileDialogRequest&, std::vector<std::u16string>* paths, DWORD* filterIndex) {
  testing::DialogAnswer answer;
  if (!TakeAnswer(State().fileAnswers, &answer)) return false;
  if (answer.whileOpen) answer.whileOpen();
  *paths = answer.paths;
  *filterIndex = answer.filterIndex;
  return !paths->empty();
}

bool HeadlessBackend::ColourChooser(const ColorDialogRequest&, COLORREF* chosen, COLORREF* custom) {
  testing::DialogAnswer answer;
  if (!TakeAnswer(State().colorAnswers, &answer)) return false;
  if (answer.whileOpen) answer.whileOpen();
  if (answer.setsCustom) std::copy(answer.custom, answer.custom + 16, custom);
  if (answer.colour < 0) return false;
  *chosen = static_cast<COLORREF>(answer.colour);
  return true;
}

DWORD HeadlessBackend::OpenDocument(const std::u16string& target, const std::u16string& directory, int show,
                                    HANDLE* process, std::u16string* ran) {
  std::u16string opener;
  {
    std::lock_guard<std::mutex> guard(State().lock);
    opener = State().opener;
  }
  std::u16string commandLine = CommandLineQuoted(opener) + u" " + CommandLineQuoted(target);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(show);
  PROCESS_INFORMATION started{};
  std::u16string line = commandLine;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      directory.empty() ? nullptr : directory.c_str(), &startup, &started)) {
    DWORD error = GetLastError();
    // A missing opener means nothing on this desktop is associated with the document.
    return error == ERROR_FILE_NOT_FOUND ? static_cast<DWORD>(ERROR_NO_ASSOCIATION) : error;
  }
  CloseHandle(started.hThread);
  *process = started.hProcess;
  *ran = commandLine;
  return ERROR_SUCCESS;
}

bool HeadlessBackend::ClipboardSetText(const std::u16string& text) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().clipboard = text;
  State().clipboardHasText = true;
  return true;
}

bool HeadlessBackend::ClipboardGetText(std::u16string* text) {
  std::lock_guard<std::mutex> guard(State().lock);
  if (!State().clipboardHasText) return false;
  *text = State().clipboard;
  return true;
}

void HeadlessBackend::Wait(ULONGLONG deadline) {
  HeadlessState& state = State();
  std::unique_lock<std::mutex> lock(state.lock);
  auto woken = [&] { return state.wakes != t_seenWakes; };
  if (deadline == ~0ull) {
    state.woken.wait(lock, woken);
  } else {
    ULONGLONG now = GetTickCount64();
    if (deadline > now) state.woken.wait_for(lock, std::chrono::milliseconds(deadline - now), woken);
  }
  t_seenWakes = state.wakes;
}

void HeadlessBackend::Wake() {
  HeadlessState& state = State();
  {
    std::lock_guard<std::mutex> guard(state.lock);
    ++state.wakes;
  }
  state.woken.notify_all();
}

}  // namespace platform

namespace platform::testing {

void DialogsQueueFileAnswer(DialogAnswer answer) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().fileAnswers.push_back(std::move(answer));
}

void DialogsQueueColorAnswer(DialogAnswer answer) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().colorAnswers.push_back(std::move(answer));
}

void DialogsDropAnswers() {
  std::lock_guard<std::mutex> guard(State().lock);
  State().fileAnswers.clear();
  State().colorAnswers.clear();
}

void ScreenSet(const ScreenInfo& screen) {
  std::lock_guard<std::mutex> guard(State().lock);
  ScreenInfo& current = State().screen;
  if (screen.width > 0) current.width = screen.width;
  if (screen.height > 0) current.height = screen.height;
  if (screen.dpi > 0) current.dpi = screen.dpi;
  if (screen.bitsPixel > 0) current.bitsPixel = screen.bitsPixel;
  if (screen.scale > 0) current.scale = screen.scale;
  current.workArea = screen.workArea;
  current.desktop = screen.desktop;
}

void ShellSetOpener(const char16_t* program) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().opener = (program && program[0]) ? program : u"xdg-open";
}

}  // namespace platform::testing
