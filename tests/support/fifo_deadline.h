// Runs something that is given a FIFO's name, with a deadline: if it is still waiting when the
// deadline passes (in an open that waits for the FIFO's other end, or in a read), the test
// opens that other end itself to release it, so a fault fails the test instead of hanging it.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

// True when `use` returned within the deadline; false when it had to be released.
template <typename Use>
bool ReturnsWithoutWaitingOnFifo(const std::string& fifo, Use use,
                                 std::chrono::milliseconds deadline = std::chrono::milliseconds(3000)) {
  std::packaged_task<void()> task(use);
  std::future<void> done = task.get_future();
  std::thread worker(std::move(task));
  bool inTime = done.wait_for(deadline) == std::future_status::ready;
  // A writer that was let in would be killed by the closing reader; it gets an error instead.
  auto* previous = ::signal(SIGPIPE, SIG_IGN);
  for (int tries = 0; tries < 200 && done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready; ++tries) {
    // Both ends at once: releases a reader and a writer waiting in their open; closing again
    // ends a waiting read with the end of the file.
    int both = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK);
    if (both >= 0) ::close(both);
  }
  // Something that not even that releases is left behind; the test has failed either way.
  if (done.wait_for(std::chrono::seconds(0)) == std::future_status::ready) worker.join();
  else worker.detach();
  ::signal(SIGPIPE, previous);
  return inTime;
}
