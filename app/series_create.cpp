// Create in the desktop program: the series runs on this (the user interface) thread, which
// keeps answering the window between frames: Escape or the close box stop the series, the title
// says how far it is ("Stampwork – 12 / 50"), and the preview shows the frame last handed to the
// encoders, four times a second, since showing every frame would cost a repaint per file.
#include "series_create.h"

#include <chrono>
#include <string>

#include "app_state.h"
#include "kernel.h"
#include "label.h"
#include "main_window.h"
#include "message_window.h"
#include "series.h"
#include "user.h"

namespace {

constexpr int64_t kMainWindow = 0;
constexpr auto kPreviewInterval = std::chrono::milliseconds(250);

HWND MainWindow() { return reinterpret_cast<HWND>(static_cast<uintptr_t>(WindowHandle(kMainWindow))); }

class CreateWatcher : public SeriesWatcher {
 public:
  bool KeepGoing() override {
    for (int64_t code; (code = WindowPollEvent()) != 0;) {
      if (code == EC_CLOSE_WINDOW && EventGetWindow() == kMainWindow) {
        closed_ = stop_ = true;
      } else if (code == WM_KEYDOWN && WindowEventWParam() == VK_ESCAPE) {
        stop_ = true;
      } else if (code == EC_GADGET && EventSourceGadget() == g_gadgets.cnvPreview && EventGetType() == ET_KEY_DOWN &&
                 GadgetGetAttribute(g_gadgets.cnvPreview, CA_KEY) == VK_ESCAPE) {
        stop_ = true;
      }
      // Everything else waits for the series to end: clicks and edits made meanwhile change nothing.
    }
    return !stop_;
  }

  void Progress(uint64_t written, uint64_t total) override {
    if (written == shown_ && shownOnce_) return;
    shown_ = written;
    shownOnce_ = true;
    const std::string title = "Stampwork \u2013 " + std::to_string(written) + " / " + std::to_string(total);
    SetWindowTextW(MainWindow(), platform::Utf8ToUtf16(title.c_str()).c_str());
  }

  void Drawn(int64_t image) override {
    const auto now = std::chrono::steady_clock::now();
    if (previewed_ && now - lastPreview_ < kPreviewInterval) return;
    previewed_ = true;
    lastPreview_ = now;
    if (DrawingBegin(GadgetCanvasOutput(g_gadgets.cnvPreview))) {
      // The canvas may show the picture scaled down to fit the screen.
      DrawImageSized(ImageHandle(image), 0, 0, GadgetGetWidth(g_gadgets.cnvPreview), GadgetGetHeight(g_gadgets.cnvPreview));
      DrawingEnd();
    }
  }

  bool closed() const { return closed_; }

 private:
  bool stop_ = false, closed_ = false;
  uint64_t shown_ = 0;
  bool shownOnce_ = false;
  bool previewed_ = false;
  std::chrono::steady_clock::time_point lastPreview_;
};

std::u16string FailureText(const SeriesOutcome& outcome) {
  std::string text;
  if (outcome.file.empty()) {
    text = "The series was not made:\n" + outcome.reason + ".";
  } else {
    text = "The file\n" + outcome.file + "\ncould not be written: " + outcome.reason + ".\nThe series was stopped after " +
           std::to_string(outcome.written) + " of " + std::to_string(outcome.total) +
           " files; the files written are kept.";
  }
  return platform::Utf8ToUtf16(text.c_str());
}

}  // namespace

bool SeriesCreate() {
  RangeFrames frames(g_app, SeriesBaseName(g_app.BackFile.get()), g_app.RangeStart, g_app.RangeStop, true);
  const int64_t font = LabelFontLoad(g_app);
  CreateWatcher watcher;
  const SeriesOutcome outcome = SeriesRun(g_app, FontHandle(font), frames, SeriesDefaultWorkers(), watcher);
  if (font) FontFree(font);
  SetWindowTextW(MainWindow(), kMainWindowTitle);
  LabelInvalidate();  // the canvas shows a frame of the series, not the example
  bool open = !watcher.closed();
  if (outcome.failed && open) open = MessageWindowShow(FailureText(outcome));
  return open;
}
