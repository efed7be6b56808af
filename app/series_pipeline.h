// The encoders of a series: drawn frames are handed to worker threads that encode each as PNG
// while the next frame is drawn. Files appear in the order of the series, each whole: a frame is
// written under a temporary name and renamed into place once every frame before it is in place.
// At most `slots` frames are in flight (drawn and waiting, being encoded, or waiting for their
// turn), so memory stays at `slots` frames whatever the length of the series.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// The pixels of a drawn frame: 24-bit rows, bottom-up as sections usually are.
struct FramePixels {
  const uint8_t* bits = nullptr;
  int64_t width = 0;
  int64_t height = 0;
  int64_t stride = 0;
  bool bottomUp = false;
};

class SeriesPipeline {
 public:
  // Starts `workers` encoder threads (at least 1) with `slots` frames in flight (at least 1).
  SeriesPipeline(int workers, int slots);
  // Lets the frames in flight finish, then ends the threads.
  ~SeriesPipeline();
  SeriesPipeline(const SeriesPipeline&) = delete;
  SeriesPipeline& operator=(const SeriesPipeline&) = delete;

  // Waits for a free slot, calling `idle` on this thread every few milliseconds meanwhile.
  // Returns the slot, or -1 once a frame failed or `idle` answered false.
  int Acquire(const std::function<bool()>& idle);
  // Hands the frame drawn in `slot` to the encoders, to be written as `file` (UTF-8). Its pixels
  // must stay as they are until the slot is handed out again.
  void Submit(int slot, const FramePixels& pixels, const std::string& file);
  // Waits until every frame handed over is in place or dropped, calling `idle` meanwhile.
  void Finish(const std::function<void()>& idle);

  // Files in place so far, in the series' order.
  uint64_t Written() const;
  // After a failure: the file that could not be written and why; the frames after it are dropped.
  bool Failed() const;
  std::string FailedFile() const;
  std::string FailureReason() const;

 private:
  struct Frame {
    uint64_t sequence;
    int slot;
    FramePixels pixels;
    std::string file;
  };
  struct Result {
    int slot;
    bool encoded;
    std::string file;
    std::string reason;
  };

  void Work();
  void Encode(const Frame& frame);
  // Renames finished frames into place in order; the lock is held.
  void CommitInOrder();
  void Fail(const std::string& file, const std::string& reason);

  mutable std::mutex lock_;
  std::condition_variable work_;     // a frame to encode, or the end
  std::condition_variable settled_;  // a slot came free or a frame was put in place
  std::deque<Frame> queue_;
  std::map<uint64_t, Result> done_;  // encoded (or failed) frames waiting for their turn
  std::vector<int> freeSlots_;
  uint64_t submitted_ = 0;
  uint64_t committed_ = 0;  // frames settled, in order
  uint64_t written_ = 0;
  bool failed_ = false;
  bool ending_ = false;
  std::string failedFile_, reason_;
  std::vector<std::thread> workers_;
};

// The name a frame is written under until it is whole.
std::string SeriesPartialName(const std::string& file);
