// Stampwork's entry point: with arguments the batch mode, without the desktop program. An
// interrupt or termination signal (Ctrl+C in the terminal that started it) asks the desktop
// program's main window to close, so the program still ends through its end sequence and keeps
// its settings; in the batch mode it stops the series after the frames in flight. A second
// signal ends the batch mode at once, and the desktop program after a short grace, in which the
// end sequence usually finishes on its own; but never while the settings are being written.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "batch.h"
#include "corvid.h"
#include "gtk_backend.h"
#include "stampwork.h"

namespace {

// How long a repeated stop request leaves the desktop program's end sequence to finish before
// the process ends without it. Tools such as timeout and many service managers send their stop
// signal twice in quick succession, well before an ordinary end sequence is through.
constexpr DWORD kRepeatedStopGraceMs = 5000;

std::atomic<bool> g_stopBatch{false};

void ForwardStopSignals(sigset_t signals, bool batch) {
  int received = 0;
  sigwait(&signals, &received);
  if (batch) {
    g_stopBatch = true;
  } else {
    // A requester open on the desktop (the start-up asks for a picture) would hold the close
    // event back until a person answers it.
    platform::DesktopBackendRefuseRequesters();
    // The event queue may not be up yet when the signal comes: try until it takes the event.
    while (!EventPostThread(EC_CLOSE_WINDOW, 0, 0, 0)) Sleep(50);
  }
  sigwait(&signals, &received);
  if (batch) _exit(128 + received);  // the batch mode writes no settings
  // The main thread ends the process itself when its end sequence is done; this one only steps
  // in when that does not come, and lets a settings write-out that is under way finish first.
  Sleep(kRepeatedStopGraceMs);
  StampworkHoldSettingsWrite();
  _exit(128 + received);
}

}  // namespace

int main(int argc, char** argv) {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  // Blocked here, before any other thread exists, so that only the forwarding thread takes them.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  const bool batch = BatchRequested(argc, argv);
  std::thread(ForwardStopSignals, signals, batch).detach();
  if (batch) {
    // A file size limit then fails the write (and is reported) instead of killing the program.
    signal(SIGXFSZ, SIG_IGN);
    return BatchMain(argc, argv, g_stopBatch);
  }
  // Without a desktop the windows would live in memory only, and the program would wait for a
  // close box nobody can see.
  if (!platform::DesktopBackendInstall()) {
    fputs("stampwork: no desktop display to open its window on (DISPLAY or WAYLAND_DISPLAY); without one, "
          "make a label series with: stampwork --batch PICTURE (see stampwork --help)\n",
          stderr);
    return 2;
  }
  StampworkMain();
}
