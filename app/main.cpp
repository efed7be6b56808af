// Stampwork's entry point. An interrupt or termination signal (Ctrl+C in the terminal that
// started it) asks the main window to close, so the program still ends through its end
// sequence and keeps its settings; a second signal ends it at once.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "corvid.h"
#include "stampwork.h"

namespace {

void ForwardStopSignals(sigset_t signals) {
  int received = 0;
  sigwait(&signals, &received);
  // The event queue may not be up yet when the signal comes: try until it takes the event.
  while (!EventPostThread(EC_CLOSE_WINDOW, 0, 0, 0)) Sleep(50);
  sigwait(&signals, &received);
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
