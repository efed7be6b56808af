// Sorting 100,000 random strings without regard to case: ListSort (a merge sort that relinks
// list nodes) against std::stable_sort of a std::vector<std::u16string> holding the same
// strings with the same comparison (_wcsicmp). Both start from the same random order each time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "charcase.h"
#include "corvid.h"
#include "ratio_reporter.h"

namespace {

constexpr int kCount = 100000;
const int64_t kStringElement[] = {0, kDescEnd};

// Font-name-like strings of 4 to 24 letters of mixed case, some sharing prefixes.
std::vector<std::u16string> RandomStrings() {
  std::mt19937 random(2016);
  std::vector<std::u16string> strings;
  strings.reserve(kCount);
  for (int i = 0; i < kCount; ++i) {
    std::u16string text;
    size_t length = 4 + random() % 21;
    for (size_t j = 0; j < length; ++j) {
      char16_t letter = static_cast<char16_t>(u'a' + random() % 26);
      text += (random() % 3 == 0) ? static_cast<char16_t>(letter - 32) : letter;
    }
    if (i % 4 == 0 && !strings.empty()) text = strings[random() % strings.size()].substr(0, 3) + text;
    strings.push_back(text);
  }
  return strings;
}

const std::vector<std::u16string>& Strings() {
  static const std::vector<std::u16string> strings = RandomStrings();
  return strings;
}

void ListSortNoCase(benchmark::State& state) {
  List* list = ListCreate(8, nullptr, kStringElement, kTypeString);
  std::vector<ListNode*> original;
  for (const std::u16string& text : Strings()) {
    StrAssign(static_cast<char16_t**>(ListAdd(list)), text.c_str());
    original.push_back(list->last);
  }
  for (auto _ : state) {
    state.PauseTiming();
    // Back to the random order: relink the nodes as they were added.
    for (size_t i = 0; i < original.size(); ++i) {
      original[i]->previous = i ? original[i - 1] : nullptr;
      original[i]->next = i + 1 < original.size() ? original[i + 1] : nullptr;
    }
    list->first = original.front();
    list->last = original.back();
    state.ResumeTiming();
    ListSort(list, kSortNoCase);
    benchmark::DoNotOptimize(list->first);
  }
  ListFree(list);
}

void StdStableSortNoCase(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::u16string> strings = Strings();
    state.ResumeTiming();
    std::stable_sort(strings.begin(), strings.end(),
                     [](const std::u16string& a, const std::u16string& b) { return _wcsicmp(a.c_str(), b.c_str()) < 0; });
    benchmark::DoNotOptimize(strings.data());
  }
}

BENCHMARK(ListSortNoCase)->Unit(benchmark::kMillisecond);
BENCHMARK(StdStableSortNoCase)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  MainHeapCreate();
  StringHeapInit();
  int result = RunWithRatios(argc, argv, {{"ListSortNoCase", "StdStableSortNoCase"}});
  StringHeapShutdown();
  MainHeapDestroy();
  return result;
}
