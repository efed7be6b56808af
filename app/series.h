// The series: the names of its files, the frames of a range of numbers (and the closing image),
// and the run that draws frame after frame through the label renderer and hands each to the
// encoders. The desktop program's Create and the batch mode both run it, so they write the same
// files byte for byte.
#pragma once

#include <cstdint>
#include <string>

#include "app_state.h"
#include "corvid.h"

// More frames than this are not made in one run (a range of 2^62 labels would run for ever):
// a longer series is made in parts, with ranges that follow each other.
constexpr uint64_t kMaxSeriesFrames = 100000000;

// The stem of every file of a series: the picture's path without its extension but with the
// dot, or, with an output folder, the picture's file name so cut inside that folder.
std::u16string SeriesBaseName(const char16_t* backFile, const std::u16string& outputFolder = u"");
// The file of a number: the stem, the number with at least five digits ("-" and at least five
// for a negative number), ".png". More digits when the number has more, so no file of a long
// series overwrites another.
std::u16string SeriesNumberFile(const std::u16string& base, int64_t number);
// The closing image's file: the stem, the last text and ".png". Separators in the text are
// replaced by "_", so the name never leaves the stem's folder.
std::u16string SeriesClosingFile(const std::u16string& base, const char16_t* lastText);

// Where the frames of a series come from.
class SeriesFrames {
 public:
  virtual ~SeriesFrames() = default;
  // How many frames there are (at most kMaxSeriesFrames when Check passed).
  virtual uint64_t Count() const = 0;
  // Why the series cannot be made (empty when it can): too long, a name taken twice ...
  virtual std::string Check() const = 0;
  // The next frame: the label as drawn and the file (UTF-8). False after the last.
  virtual bool Next(RString& label, std::string& file) = 0;
};

// The numbers first ... last, each decorated as the settings say, then, when `closing`, the
// image with the settings' last text. A range with first = last + 1 has only the closing image;
// one starting further on has nothing.
class RangeFrames : public SeriesFrames {
 public:
  RangeFrames(const AppState& settings, const std::u16string& base, int64_t first, int64_t last, bool closing);
  uint64_t Count() const override;
  std::string Check() const override;
  bool Next(RString& label, std::string& file) override;

 private:
  const AppState& settings_;
  std::u16string base_;
  int64_t first_, last_;
  bool closing_;
  uint64_t numbers_;  // count of numbers, held at UINT64_MAX
  uint64_t given_ = 0;
};

// What a run of the series watches and tells.
class SeriesWatcher {
 public:
  virtual ~SeriesWatcher() = default;
  // Asked between frames and while waiting for the encoders: false stops the series (the frames
  // in flight are still written).
  virtual bool KeepGoing() = 0;
  // Files in place so far of the total.
  virtual void Progress(uint64_t written, uint64_t total) = 0;
  // A frame was drawn into `image` and is about to be written.
  virtual void Drawn(int64_t image) { (void)image; }
};

struct SeriesOutcome {
  uint64_t written = 0;
  uint64_t total = 0;
  bool stopped = false;  // the watcher stopped it
  bool failed = false;   // a file could not be written: `file` and `reason` say which and why
  std::string file;
  std::string reason;
};

// Draws every frame with the settings and the font with handle `fontHandle` and writes it
// through `workers` encoder threads, with at most 2 x workers frames in flight.
SeriesOutcome SeriesRun(const AppState& settings, int64_t fontHandle, SeriesFrames& frames, int workers,
                        SeriesWatcher& watcher);
// The number of encoder threads a series uses by default: one per core.
int SeriesDefaultWorkers();
