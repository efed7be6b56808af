// The series: file names (numbers of at least five digits, a closing name that stays in its
// folder), the frames of a range, and the run that draws each frame into one of a few frame
// images and hands it to the encoder threads. Drawing stays on the calling thread, which owns the
// runtime's unlocked state (registries, drawing context, strings); the encoders only read the
// frame's pixels until the pipeline gives the frame's slot back.
#include "series.h"

#include <algorithm>
#include <thread>
#include <vector>

#include "kernel.h"
#include "label.h"
#include "series_pipeline.h"

namespace {

constexpr int kMaxWorkers = 64;
constexpr size_t kMinimumDigits = 5;

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

std::u16string Digits(int64_t number) {
  const uint64_t magnitude = number < 0 ? 0 - static_cast<uint64_t>(number) : static_cast<uint64_t>(number);
  const std::string decimal = std::to_string(magnitude);
  std::u16string digits(decimal.begin(), decimal.end());
  if (digits.size() < kMinimumDigits) digits.insert(0, kMinimumDigits - digits.size(), u'0');
  return number < 0 ? u"-" + digits : digits;
}

std::u16string ClosingText(const char16_t* lastText) {
  std::u16string text = lastText ? lastText : u"";
  std::replace_if(text.begin(), text.end(), IsSeparator, u'_');
  return text;
}

// The number a closing text names as a numbered file would, if it is one.
bool NumberNamed(const std::u16string& text, int64_t* number) {
  std::string ascii(text.begin(), text.end());
  if (ascii.empty() || ascii.size() > 21) return false;
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(ascii.c_str(), &end, 10);
  if (errno != 0 || end == nullptr || *end != 0 || Digits(value) != text) return false;
  *number = value;
  return true;
}

std::string Utf8(const std::u16string& text) { return platform::Utf16ToUtf8(text.c_str()); }

bool PixelsOf(int64_t image, FramePixels* pixels) {
  DIBSECTION section{};
  HGDIOBJ bitmap = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(ImageHandle(image)));
  if (GetObjectW(bitmap, sizeof section, &section) != static_cast<int>(sizeof section) || section.dsBm.bmBits == nullptr)
    return false;
  *pixels = FramePixels{static_cast<const uint8_t*>(section.dsBm.bmBits), section.dsBm.bmWidth, section.dsBm.bmHeight,
                        section.dsBm.bmWidthBytes, section.dsBmih.biHeight > 0};
  return true;
}

}  // namespace

std::u16string SeriesBaseName(const char16_t* backFile, const std::u16string& outputFolder) {
  std::u16string stem = backFile ? backFile : u"";
  {
    StrExpr extension;
    extension.Call(PathExtension, backFile);
    stem.resize(stem.size() - std::min(stem.size(), std::u16string(extension.Text()).size()));
  }
  if (outputFolder.empty()) return stem;
  const size_t slash = stem.find_last_of(u"/\\");
  std::u16string folder = outputFolder;
  if (!IsSeparator(folder.back())) folder += u'/';
  return folder + (slash == std::u16string::npos ? stem : stem.substr(slash + 1));
}

std::u16string SeriesNumberFile(const std::u16string& base, int64_t number) { return base + Digits(number) + u".png"; }

std::u16string SeriesClosingFile(const std::u16string& base, const char16_t* lastText) {
  return base + ClosingText(lastText) + u".png";
}

RangeFrames::RangeFrames(const AppState& settings, const std::u16string& base, int64_t first, int64_t last, bool closing)
    : settings_(settings), base_(base), first_(first), last_(last),
      // A range that starts beyond the number after its end makes nothing, not even the closing image.
      closing_(closing && (first <= last || first == last + 1)) {
  const uint64_t span = static_cast<uint64_t>(last) - static_cast<uint64_t>(first);
  numbers_ = first > last ? 0 : (span == UINT64_MAX ? UINT64_MAX : span + 1);
}

uint64_t RangeFrames::Count() const {
  return numbers_ == UINT64_MAX ? UINT64_MAX : numbers_ + (closing_ ? 1 : 0);
}

std::string RangeFrames::Check() const {
  if (Count() > kMaxSeriesFrames) {
    return "the series has " + (numbers_ == UINT64_MAX ? std::string("more than 18446744073709551615")
                                                       : std::to_string(Count())) +
           " images; at most " + std::to_string(kMaxSeriesFrames) + " are made in one run";
  }
  int64_t named = 0;
  const std::u16string text = ClosingText(settings_.LastText.get());
  if (closing_ && numbers_ > 0 && NumberNamed(text, &named) && named >= first_ && named <= last_) {
    return "the closing image would be written as " + Utf8(SeriesClosingFile(base_, settings_.LastText.get())) +
           ", which is image " + std::to_string(named) + " of this series";
  }
  return "";
}

bool RangeFrames::Next(RString& label, std::string& file) {
  if (given_ < numbers_) {
    const int64_t number = static_cast<int64_t>(static_cast<uint64_t>(first_) + given_++);
    RString text;
    StrExpr().Call(StrFromInt, number).StoreInto(text);
    label = LabelCompose(text.get(), 0, settings_);
    file = Utf8(SeriesNumberFile(base_, number));
    return true;
  }
  if (!closing_) return false;
  closing_ = false;
  label = LabelCompose(settings_.LastText.get(), 1, settings_);
  file = Utf8(SeriesClosingFile(base_, settings_.LastText.get()));
  return true;
}

int SeriesDefaultWorkers() {
  return static_cast<int>(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, kMaxWorkers));
}

SeriesOutcome SeriesRun(const AppState& settings, int64_t fontHandle, SeriesFrames& frames, int workers,
                        SeriesWatcher& watcher) {
  SeriesOutcome outcome;
  outcome.total = frames.Count();
  outcome.reason = frames.Check();
  if (outcome.reason.empty() && (settings.BackWidth < 1 || settings.BackHeight < 1)) outcome.reason = "there is no picture to draw on";
  if (!outcome.reason.empty()) {
    outcome.failed = true;
    return outcome;
  }
  workers = std::clamp(workers, 1, kMaxWorkers);
  std::vector<int64_t> images(static_cast<size_t>(2 * workers), 0);
  {
    SeriesPipeline pipeline(workers, 2 * workers);
    const auto progress = [&] { watcher.Progress(pipeline.Written(), outcome.total); };
    RString label;
    std::string file;
    for (;;) {
      if (!watcher.KeepGoing()) {
        outcome.stopped = true;
        break;
      }
      const int slot = pipeline.Acquire([&] {
        progress();
        return watcher.KeepGoing();
      });
      if (slot < 0) {
        outcome.stopped = !pipeline.Failed();
        break;
      }
      if (!frames.Next(label, file)) break;
      int64_t& image = images[static_cast<size_t>(slot)];
      if (image == 0) image = LabelFrameImage(settings.BackWidth, settings.BackHeight);
      FramePixels pixels;
      if (image == 0 || !LabelRender(ImageOutput(image), settings, label.c_str(), fontHandle) || !PixelsOf(image, &pixels)) {
        outcome.failed = true;
        outcome.file = file;
        outcome.reason = "there is not enough memory to draw it";
        break;
      }
      watcher.Drawn(image);
      pipeline.Submit(slot, pixels, file);
      progress();
    }
    pipeline.Finish([&] {
      progress();
      watcher.KeepGoing();  // keeps answering the user; the frames in flight are finished anyway
    });
    outcome.written = pipeline.Written();
    if (pipeline.Failed()) {
      outcome.failed = true;
      outcome.file = pipeline.FailedFile();
      outcome.reason = pipeline.FailureReason();
    }
  }
  for (int64_t image : images) {
    if (image) ImageFree(image);
  }
  watcher.Progress(outcome.written, outcome.total);
  return outcome;
}
