// The batch mode: arguments, the checks that give each problem its own message and exit code
// before anything is written, the frames of a range or of a list file (one label per line), and
// a progress line on a terminal. The settings come from --settings, else from Stampwork.ini in
// the current directory when there is one, as the desktop program reads it; the batch mode never
// writes a settings file.
#include "batch.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "app_state.h"
#include "kernel.h"
#include "label.h"
#include "series.h"
#include "settings.h"
#include "stampwork.h"

namespace {

constexpr const char* kUsage =
    "Usage: stampwork --batch PICTURE [--settings FILE.ini] [--out DIR] [--from A] [--to B]\n"
    "                 [--jobs N] [--list FILE]\n"
    "       stampwork              (the desktop program)\n"
    "\n"
    "Writes the label series of PICTURE as PNG files, as Create does in the desktop program.\n"
    "\n"
    "  --settings FILE  the settings (default: Stampwork.ini in the current directory, if any)\n"
    "  --out DIR        the folder for the files (default: the picture's folder; made if missing)\n"
    "  --from A         the first number (default: the settings' RangeStart)\n"
    "  --to B           the last number (default: RangeStop); the closing image is written only\n"
    "                   when the run ends at RangeStop\n"
    "  --jobs N         encoder threads, 1 to 64 (default: one per core)\n"
    "  --list FILE      one label per line (UTF-8) instead of numbers; line N is written as\n"
    "                   file number N; --from/--to then choose lines; no closing image\n"
    "  --help           this text\n"
    "\n"
    "Exit codes: 0 done, 2 bad arguments, 3 picture unreadable, 4 settings unreadable,\n"
    "5 output folder unwritable, 6 a file could not be written, 7 list file unreadable,\n"
    "130 stopped (Ctrl+C); files written before a stop or failure are whole and kept.\n";

// Lines longer than this are no labels: the list is refused.
constexpr size_t kMaxLineBytes = 4096;

struct Arguments {
  std::string picture, settings, out, list;
  std::optional<int64_t> from, to;
  int jobs = 0;
  bool help = false;
};

int Fail(int code, const std::string& message) {
  std::fprintf(stderr, "stampwork: %s\n", message.c_str());
  return code;
}

bool ParseInteger(const char* text, int64_t* value) {
  if (text == nullptr || *text == 0) return false;
  errno = 0;
  char* end = nullptr;
  const long long parsed = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != 0) return false;
  *value = parsed;
  return true;
}

// Reads the arguments after the program name; an empty result means they were fine.
std::string Parse(int argc, char** argv, Arguments* args) {
  for (int i = 1; i < argc; ++i) {
    const std::string option = argv[i];
    if (option == "--help" || option == "-h") {
      args->help = true;
      continue;
    }
    if (i + 1 >= argc) return option.rfind("--", 0) == 0 ? option + " needs a value" : "unexpected argument " + option;
    const char* value = argv[++i];
    int64_t number = 0;
    if (option == "--batch") {
      args->picture = value;
    } else if (option == "--settings") {
      args->settings = value;
    } else if (option == "--out") {
      args->out = value;
    } else if (option == "--list") {
      args->list = value;
    } else if (option == "--from" || option == "--to") {
      if (!ParseInteger(value, &number)) return option + " needs a whole number, not \"" + value + "\"";
      (option == "--from" ? args->from : args->to) = number;
    } else if (option == "--jobs") {
      if (!ParseInteger(value, &number) || number < 1 || number > 64) return "--jobs needs a number from 1 to 64";
      args->jobs = static_cast<int>(number);
    } else {
      return "unknown option " + option;
    }
  }
  if (!args->help && args->picture.empty()) return "--batch needs a picture";
  return "";
}

// Why a file cannot be read, or empty when it can: it must be a regular file (a FIFO would block
// the open for ever) that this process may read.
std::string Unreadable(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::strerror(errno);
  if (!S_ISREG(info.st_mode)) return "not a regular file";
  if (::access(path.c_str(), R_OK) != 0) return std::strerror(errno);
  return "";
}

std::u16string Utf16(const std::string& text) { return platform::Utf8ToUtf16(text.c_str()); }

// The picture's folder, "." for a bare name.
std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Makes the output folder when it is missing (with its parents); why it cannot be written into,
// or empty.
std::string PrepareFolder(const std::string& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) {
    for (size_t at = folder.find('/', 1); ; at = folder.find('/', at + 1)) {
      const std::string part = folder.substr(0, at);
      if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return std::strerror(errno);
      if (at == std::string::npos) break;
    }
    if (::stat(folder.c_str(), &info) != 0) return std::strerror(errno);
  }
  if (!S_ISDIR(info.st_mode)) return "not a folder";
  if (::access(folder.c_str(), W_OK | X_OK) != 0) return std::strerror(errno);
  return "";
}

// UTF-8 to UTF-16 where every byte that is not part of a well-formed character (and every NUL,
// which would end the text) becomes U+FFFD: a list from anywhere gives labels, never a crash.
std::u16string DecodeLine(const std::string& line) {
  std::u16string text;
  const auto* p = reinterpret_cast<const unsigned char*>(line.data());
  const size_t n = line.size();
  for (size_t i = 0; i < n;) {
    const unsigned char c = p[i];
    uint32_t code = 0xFFFD;
    size_t length = 1;
    if (c >= 0x01 && c < 0x80) {
      code = c;
    } else if (c >= 0xC2 && c < 0xF5) {
      const size_t need = c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
      uint32_t value = c & (0x7F >> need);
      size_t k = 1;
      for (; k < need && i + k < n && (p[i + k] & 0xC0) == 0x80; ++k) value = value << 6 | (p[i + k] & 0x3F);
      const bool whole = k == need && !(need == 3 && (value < 0x800 || (value >= 0xD800 && value < 0xE000))) &&
                         !(need == 4 && (value < 0x10000 || value > 0x10FFFF));
      if (whole) code = value;
      length = whole ? need : std::max<size_t>(k, 1);
    }
    if (code >= 0x10000) {
      text += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
    } else {
      text += static_cast<char16_t>(code);
    }
    i += length;
  }
  return text;
}

// The frames of a list file: line N (from 1) drawn as it stands, written as file number N.
class ListFrames : public SeriesFrames {
 public:
  ListFrames(const std::u16string& base, int64_t first, int64_t last) : base_(base), first_(first), last_(last) {}
  ~ListFrames() override {
    if (file_) std::fclose(file_);
  }

  // Opens the list and counts its lines; why it cannot be used, or empty.
  std::string Open(const std::string& path) {
    const std::string unreadable = Unreadable(path);
    if (!unreadable.empty()) return unreadable;
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) return std::strerror(errno);
    std::string line;
    while (ReadLine(&line)) {
      if (line.size() > kMaxLineBytes) return "line " + std::to_string(lines_ + 1) + " is longer than " + std::to_string(kMaxLineBytes) + " bytes";
      ++lines_;
    }
    if (std::ferror(file_)) return std::strerror(errno);
    std::rewind(file_);
    if (first_ < 1) first_ = 1;
    if (last_ > lines_) last_ = lines_;
    return "";
  }

  uint64_t Count() const override { return first_ > last_ ? 0 : static_cast<uint64_t>(last_ - first_) + 1; }
  std::string Check() const override {
    return Count() > kMaxSeriesFrames ? "the list has more than " + std::to_string(kMaxSeriesFrames) + " lines" : "";
  }
  bool Next(RString& label, std::string& file) override {
    std::string line;
    while (read_ < last_) {
      if (!ReadLine(&line)) return false;
      if (++read_ < first_) continue;
      label = DecodeLine(line).c_str();
      file = platform::Utf16ToUtf8(SeriesNumberFile(base_, read_).c_str());
      return true;
    }
    return false;
  }

 private:
  // The next line without its end (LF or CR LF). A line past the limit is read only that far
  // (it refuses the list), so a file without line ends is refused at once and costs no memory.
  bool ReadLine(std::string* line) {
    line->clear();
    int c;
    bool any = false;
    while (line->size() <= kMaxLineBytes && (c = getc_unlocked(file_)) != EOF) {
      any = true;
      if (c == '\n') break;
      line->push_back(static_cast<char>(c));
    }
    if (!line->empty() && line->back() == '\r' && line->size() <= kMaxLineBytes) line->pop_back();
    return any;
  }

  std::u16string base_;
  int64_t first_, last_;
  std::FILE* file_ = nullptr;
  int64_t lines_ = 0;
  int64_t read_ = 0;
};

// Stops on request; on a terminal, a progress line with the count, the rate and the time left.
class BatchWatcher : public SeriesWatcher {
 public:
  explicit BatchWatcher(const std::atomic<bool>& stop) : stop_(stop), terminal_(::isatty(STDERR_FILENO) == 1) {}
  ~BatchWatcher() override {
    if (shown_) std::fputc('\n', stderr);
  }
  bool KeepGoing() override { return !stop_.load(); }
  void Progress(uint64_t written, uint64_t total) override {
    if (!terminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (shown_ && written != total && now - last_ < std::chrono::milliseconds(250)) return;
    last_ = now;
    shown_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = seconds > 0 ? static_cast<double>(written) / seconds : 0;
    const double left = rate > 0 ? static_cast<double>(total - written) / rate : 0;
    std::fprintf(stderr, "\r%" PRIu64 " / %" PRIu64 " files, %.1f files/s, %.0f s left   ", written, total, rate, left);
    std::fflush(stderr);
  }

 private:
  const std::atomic<bool>& stop_;
  bool terminal_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now(), last_;
};

int Run(const Arguments& args, const std::atomic<bool>& stop) {
  std::string problem = Unreadable(args.picture);
  if (!problem.empty()) return Fail(kBatchPictureUnreadable, "cannot read the picture " + args.picture + ": " + problem);
  if (!BackgroundLoadFile(Utf16(args.picture).c_str()))
    return Fail(kBatchPictureUnreadable, args.picture + " is not a picture Stampwork can read");
  g_app.xText = g_app.BackWidth / 2;
  g_app.yText = g_app.BackHeight / 2;

  const std::string settings = args.settings.empty() ? "Stampwork.ini" : args.settings;
  problem = Unreadable(settings);
  if (!args.settings.empty() && !problem.empty())
    return Fail(kBatchSettingsUnreadable, "cannot read the settings " + settings + ": " + problem);
  if (problem.empty() && !SettingsRead(Utf16(settings).c_str()))
    return Fail(kBatchSettingsUnreadable, "cannot read the settings " + settings);

  const std::string folder = args.out.empty() ? FolderOf(args.picture) : args.out;
  problem = PrepareFolder(folder);
  if (!problem.empty()) return Fail(kBatchOutputUnwritable, "cannot write into the folder " + folder + ": " + problem);
  const std::u16string base = SeriesBaseName(g_app.BackFile.get(), args.out.empty() ? u"" : Utf16(args.out));

  std::optional<RangeFrames> range;
  std::optional<ListFrames> list;
  SeriesFrames* frames = nullptr;
  if (!args.list.empty()) {
    list.emplace(base, args.from.value_or(1), args.to.value_or(INT64_MAX));
    problem = list->Open(args.list);
    if (!problem.empty()) return Fail(kBatchListUnreadable, "cannot use the list " + args.list + ": " + problem);
    frames = &*list;
  } else {
    const int64_t last = args.to.value_or(g_app.RangeStop);
    range.emplace(g_app, base, args.from.value_or(g_app.RangeStart), last, last == g_app.RangeStop);
    frames = &*range;
  }
  problem = frames->Check();
  if (!problem.empty()) return Fail(kBatchBadArguments, "the series cannot be made: " + problem);

  const int64_t font = LabelFontLoad(g_app);
  SeriesOutcome outcome;
  {
    BatchWatcher watcher(stop);
    outcome = SeriesRun(g_app, FontHandle(font), *frames, args.jobs > 0 ? args.jobs : SeriesDefaultWorkers(), watcher);
  }
  if (font) FontFree(font);
  if (outcome.failed) {
    if (outcome.file.empty()) return Fail(kBatchBadArguments, "the series cannot be made: " + outcome.reason);
    return Fail(kBatchWriteFailed, "cannot write " + outcome.file + ": " + outcome.reason + "; stopped after " +
                                       std::to_string(outcome.written) + " of " + std::to_string(outcome.total) + " files");
  }
  if (outcome.stopped) {
    return Fail(kBatchStopped, "stopped after " + std::to_string(outcome.written) + " of " +
                                   std::to_string(outcome.total) + " files, all of them whole, in " + folder);
  }
  std::printf("stampwork: wrote %" PRIu64 " files to %s\n", outcome.written, folder.c_str());
  return kBatchDone;
}

}  // namespace

bool BatchRequested(int argc, char**) { return argc > 1; }

int BatchMain(int argc, char** argv, const std::atomic<bool>& stop) {
  Arguments args;
  const std::string problem = Parse(argc, argv, &args);
  if (args.help && problem.empty()) {
    std::fputs(kUsage, stdout);
    return kBatchDone;
  }
  if (!problem.empty()) {
    std::fprintf(stderr, "stampwork: %s\n\n%s", problem.c_str(), kUsage);
    return kBatchBadArguments;
  }
  StampworkRuntimeStart();
  const int code = Run(args, stop);
  StampworkRuntimeEnd();
  return code;
}
