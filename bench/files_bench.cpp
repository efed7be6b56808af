// Costs of the file and preference libraries against the bare system calls beneath them:
//  - small FileRead calls against ReadFile calls of the same size (the buffer should make them
//    several times cheaper);
//  - saving the application's fourteen settings (PrefCreate, writes, PrefClose, with its
//    flushed write-out beside the file and the rename) against writing the same bytes with
//    CreateFileW/WriteFile, once without and once with FlushFileBuffers;
//  - loading them (PrefOpen, fourteen reads, PrefClose) against reading the file's bytes.
// The ratios are printed after the table.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "corvid.h"

namespace {

std::string g_dir;

std::u16string Name(const std::string& file) { return platform::Utf8ToUtf16((g_dir + "/" + file).c_str()); }

struct Runtime {
  Runtime() {
    MainHeapCreate();
    StringHeapInit();
    FileInit();
    PrefInit();
  }
  ~Runtime() {
    PrefShutdown();
    FileShutdown();
    StringHeapShutdown();
    MainHeapDestroy();
  }
};

constexpr int64_t kReadFileSize = 4 << 20;
constexpr int64_t kSmallRead = 100;

void MakeReadFile() {
  std::ofstream out(g_dir + "/data.bin", std::ios::binary);
  std::string block(4096, 'x');
  for (int64_t i = 0; i < kReadFileSize; i += 4096) out << block;
}

void FileReadSmall(benchmark::State& state) {
  Runtime runtime;
  char chunk[kSmallRead];
  for (auto _ : state) {
    FileOpenRead(1, Name("data.bin").c_str());
    while (FileRead(1, chunk, kSmallRead) == kSmallRead) benchmark::DoNotOptimize(chunk);
    FileClose(1);
  }
  state.SetBytesProcessed(state.iterations() * kReadFileSize);
}

void SystemReadSmall(benchmark::State& state) {
  char chunk[kSmallRead];
  for (auto _ : state) {
    HANDLE file = CreateFileW(Name("data.bin").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    while (ReadFile(file, chunk, kSmallRead, &got, nullptr) && got == kSmallRead) benchmark::DoNotOptimize(chunk);
    CloseHandle(file);
  }
  state.SetBytesProcessed(state.iterations() * kReadFileSize);
}

void WriteSettings() {
  PrefWriteInt(u"xText", 320);
  PrefWriteInt(u"yText", 240);
  PrefWriteInt(u"cText", 8355711);
  PrefWriteInt(u"bText", 268435455);
  PrefWriteString(u"FontName", u"Arial");
  PrefWriteInt(u"FontSize", 80);
  PrefWriteString(u"PreText", u"No. ");
  PrefWriteString(u"SufText", u"");
  PrefWriteInt(u"Border", 2);
  PrefWriteInt(u"RangeStart", 1);
  PrefWriteInt(u"RangeStop", 50);
  PrefWriteInt(u"zero", 3);
  PrefWriteInt(u"Anchor", 4);
  PrefWriteString(u"LastText", u"End");
}

void SettingsSave(benchmark::State& state) {
  Runtime runtime;
  for (auto _ : state) {
    PrefCreate(Name("save.ini").c_str(), 0);
    WriteSettings();
    PrefClose();
  }
}

std::string SettingsBytes() {
  std::ifstream in(g_dir + "/save.ini", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PlainWrite(benchmark::State& state, bool flushed) {
  std::string bytes = SettingsBytes();
  for (auto _ : state) {
    HANDLE file = CreateFileW(Name("plain.ini").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD put = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr);
    if (flushed) FlushFileBuffers(file);
    CloseHandle(file);
  }
}
void PlainWriteUnflushed(benchmark::State& state) { PlainWrite(state, false); }
void PlainWriteFlushed(benchmark::State& state) { PlainWrite(state, true); }

void SettingsLoad(benchmark::State& state) {
  Runtime runtime;
  const char16_t* keys[] = {u"xText", u"yText", u"cText", u"bText", u"FontSize", u"Border", u"RangeStart",
                            u"RangeStop", u"zero", u"Anchor"};
  const char16_t* texts[] = {u"FontName", u"PreText", u"SufText", u"LastText"};
  for (auto _ : state) {
    PrefOpen(Name("save.ini").c_str(), 0);
    for (const char16_t* key : keys) benchmark::DoNotOptimize(PrefReadInt(key, 0));
    for (const char16_t* key : texts) {
      int64_t start = StrTempPosition();
      benchmark::DoNotOptimize(PrefReadString(key, nullptr, start));
      StrTempTruncate(start);
    }
    PrefClose();
  }
}

void PlainRead(benchmark::State& state) {
  char buffer[1024];
  for (auto _ : state) {
    HANDLE file = CreateFileW(Name("save.ini").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    benchmark::DoNotOptimize(buffer);
    CloseHandle(file);
  }
}

BENCHMARK(FileReadSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(SystemReadSmall)->Unit(benchmark::kMillisecond);
BENCHMARK(SettingsSave)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainWriteUnflushed)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainWriteFlushed)->Unit(benchmark::kMicrosecond);
BENCHMARK(SettingsLoad)->Unit(benchmark::kMicrosecond);
BENCHMARK(PlainRead)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's real time per iteration, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) times[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  char pattern[] = "/tmp/files-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  g_dir = pattern;
  MakeReadFile();
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto ratio = [&](const char* a, const char* b) {
    if (reporter.times.count(a) && reporter.times.count(b) && reporter.times[b] > 0) {
      std::printf("%-20s / %-20s = %.2f\n", a, b, reporter.times[a] / reporter.times[b]);
    }
  };
  ratio("FileReadSmall", "SystemReadSmall");
  ratio("SettingsSave", "PlainWriteUnflushed");
  ratio("SettingsSave", "PlainWriteFlushed");
  ratio("SettingsLoad", "PlainRead");
  std::error_code ignored;
  std::filesystem::remove_all(g_dir, ignored);
  return 0;
}
