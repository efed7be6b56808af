// Stampwork's entry point. An interrupt or termination signal (Ctrl+C in the terminal that
// started it) asks the main window to close, so the program still ends through its end
// sequence and keeps its settings. A second signal ends it after a short grace, in which the
// end sequence usually finishes on its own; but never while the settings are being written.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "corvid.h"
#include "stampwork.h"

namespace {

// How long a repeated stop request leaves the end sequence to finish before the process ends
// without it. Tools such as timeout and many service managers send their stop signal twice in
// quick succession, well before an ordinary end sequence is through.
constexpr DWORD kRepeatedStopGraceMs = 5000;

void ForwardStopSignals(sigset_t signals) {
  int received = 0;
  sigwait(&signals, &received);
  // The event queue may not be up yet when the signal comes: try until it takes the event.
  while (!EventPostThread(EC_CLOSE_WINDOW, 0, 0, 0)) Sleep(50);
  sigwait(&signals, &received);
  // The main thread ends the process itself when its end sequence is done; this one only steps
  // in when that does not come, and lets a settings write-out that is under way finish first.
  Sleep(kRepeatedStopGraceMs);
  StampworkHoldSettingsWrite();
  _exit(128 + received);
}

}  // namespace

int main() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  // Blocked here, before any other thread exists, so that only the forwarding thread takes them.
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread(ForwardStopSignals, signals).detach();
  StampworkMain();
}
