// The encoders of a series: a queue of drawn frames, worker threads that encode them with the
// PNG encoder into temporary files, and the in-order step that renames each finished file into
// place. The workers touch nothing of the runtime but the encoder (whose heap is locked): the
// frames' images, the registries and the drawing stay with the thread that draws.
#include "series_pipeline.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "corvid.h"
#include "kernel.h"

namespace {

constexpr auto kIdleInterval = std::chrono::milliseconds(15);

std::string Reason(int error) {
  return error != 0 ? std::strerror(error) : "the picture could not be encoded";
}

}  // namespace

std::string SeriesPartialName(const std::string& file) { return file + ".part~"; }

SeriesPipeline::SeriesPipeline(int workers, int slots) {
  if (workers < 1) workers = 1;
  if (slots < 1) slots = 1;
  for (int i = slots - 1; i >= 0; --i) freeSlots_.push_back(i);
  for (int i = 0; i < workers; ++i) workers_.emplace_back([this] { Work(); });
}

SeriesPipeline::~SeriesPipeline() {
  Finish([] {});
  {
    std::lock_guard<std::mutex> hold(lock_);
    ending_ = true;
  }
  work_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

int SeriesPipeline::Acquire(const std::function<bool()>& idle) {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    if (failed_) return -1;
    if (!freeSlots_.empty()) {
      const int slot = freeSlots_.back();
      freeSlots_.pop_back();
      return slot;
    }
    if (settled_.wait_for(hold, kIdleInterval) == std::cv_status::timeout) {
      hold.unlock();
      const bool go_on = idle();
      hold.lock();
      if (!go_on) return -1;
    }
  }
}

void SeriesPipeline::Submit(int slot, const FramePixels& pixels, const std::string& file) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(Frame{submitted_++, slot, pixels, file});
  }
  work_.notify_one();
}

void SeriesPipeline::Finish(const std::function<void()>& idle) {
  std::unique_lock<std::mutex> hold(lock_);
  while (committed_ < submitted_) {
    if (settled_.wait_for(hold, kIdleInterval) == std::cv_status::timeout) {
      hold.unlock();
      idle();
      hold.lock();
    }
  }
}

uint64_t SeriesPipeline::Written() const {
  std::lock_guard<std::mutex> hold(lock_);
  return written_;
}

bool SeriesPipeline::Failed() const {
  std::lock_guard<std::mutex> hold(lock_);
  return failed_;
}

std::string SeriesPipeline::FailedFile() const {
  std::lock_guard<std::mutex> hold(lock_);
  return failedFile_;
}

std::string SeriesPipeline::FailureReason() const {
  std::lock_guard<std::mutex> hold(lock_);
  return reason_;
}

void SeriesPipeline::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    work_.wait(hold, [this] { return ending_ || !queue_.empty(); });
    if (queue_.empty()) return;
    Frame frame = std::move(queue_.front());
    queue_.pop_front();
    if (failed_) {
      // After a failure nothing more is written; the frame only gives its slot back.
      done_[frame.sequence] = Result{frame.slot, false, frame.file, ""};
    } else {
      hold.unlock();
      Encode(frame);
      hold.lock();
    }
    CommitInOrder();
  }
}

void SeriesPipeline::Encode(const Frame& frame) {
  const std::string partial = SeriesPartialName(frame.file);
  const std::u16string name = platform::Utf8ToUtf16(partial.c_str());
  const FramePixels& p = frame.pixels;
  errno = 0;
  // The default options and depth of a saved picture: 24-bit RGB at level 9 without filters.
  const bool encoded = ImageEncode(name.c_str(), p.bits, kImageFormatPng, p.width, p.height, p.stride, 24,
                                   p.bottomUp ? 2 : 0, 7, -1) != 0;
  const int error = errno;
  if (!encoded) std::remove(partial.c_str());  // the encoder removes what it wrote; a stray part may remain
  std::lock_guard<std::mutex> hold(lock_);
  done_[frame.sequence] = Result{frame.slot, encoded, frame.file, encoded ? "" : Reason(error)};
}

void SeriesPipeline::CommitInOrder() {
  for (auto next = done_.find(committed_); next != done_.end(); next = done_.find(committed_)) {
    Result& result = next->second;
    const std::string partial = SeriesPartialName(result.file);
    if (failed_) {
      if (result.encoded) std::remove(partial.c_str());
    } else if (!result.encoded) {
      Fail(result.file, result.reason);
    } else if (std::rename(partial.c_str(), result.file.c_str()) != 0) {
      const int error = errno;
      std::remove(partial.c_str());
      Fail(result.file, Reason(error));
    } else {
      ++written_;
    }
    freeSlots_.push_back(result.slot);
    done_.erase(next);
    ++committed_;
  }
  settled_.notify_all();
}

void SeriesPipeline::Fail(const std::string& file, const std::string& reason) {
  failed_ = true;
  failedFile_ = file;
  reason_ = reason;
}
