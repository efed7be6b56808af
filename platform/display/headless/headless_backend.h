// The headless display backend, the default and the one tests run on: it shows nothing, sleeps on
// a condition variable in Wait, answers the choosers from answers a test or script queued (else
// cancels, which is all a machine without a display can honestly do), keeps the clipboard in
// the process and hands documents to an opener program (xdg-open unless a test names another).
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "backend.h"

namespace platform {

class HeadlessBackend : public DisplayBackend {
 public:
  ScreenInfo Screen() override;
  bool FileChooser(const FileDialogRequest& request, std::vector<std::u16string>* paths, DWORD* filterIndex) override;
  bool ColourChooser(const ColorDialogRequest& request, COLORREF* chosen, COLORREF* custom) override;
  DWORD OpenDocument(const std::u16string& target, const std::u16string& directory, int show, HANDLE* process,
                     std::u16string* ran) override;
  bool ClipboardSetText(const std::u16string& text) override;
  bool ClipboardGetText(std::u16string* text) override;
  void Wait(ULONGLONG deadline) override;
  void Wake() override;
};

// The process's one headless backend (never destroyed, so Wake stays safe during shutdown).
HeadlessBackend& Headless();

}  // namespace platform

namespace platform::testing {

// An answer for the next chooser the headless backend shows. An empty path list cancels a file
// chooser; `colour` < 0 cancels a colour chooser. `filterIndex` (1-based, 0 = keep) is the
// filter the user left selected. `whileOpen` runs while the chooser is open, before it answers,
// so that a test can look at the program's windows in that moment.
struct DialogAnswer {
  std::vector<std::u16string> paths;
  DWORD filterIndex = 0;
  int64_t colour = -1;
  COLORREF custom[16] = {};
  bool setsCustom = false;
  std::function<void()> whileOpen;
};
void DialogsQueueFileAnswer(DialogAnswer answer);
void DialogsQueueColorAnswer(DialogAnswer answer);
void DialogsDropAnswers();

// The headless screen; values below 1 leave the current ones; an empty work area stands for the
// screen less a 40-pixel panel along the bottom, an empty desktop for the screen alone.
void ScreenSet(const ScreenInfo& screen);

// The program that opens documents and addresses; null or empty restores xdg-open. Tests point
// it at a script of their own so that nothing reaches the user's desktop.
void ShellSetOpener(const char16_t* program);

}  // namespace platform::testing
