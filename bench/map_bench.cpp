// Map insertion and lookup of 100,000 integer and text keys in maps of 1024 buckets (the size the
// libraries use; chains of about 100 entries, by design) and of 65536 buckets, against
// std::unordered_map with the same keys. Times are per operation.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "corvid.h"
#include "ratio_reporter.h"

namespace {

constexpr int kCount = 100000;

const std::vector<int64_t>& IntKeys() {
  static const std::vector<int64_t> keys = [] {
    std::vector<int64_t> result;
    uint64_t state = 88172645463325252u;
    for (int i = 0; i < kCount; ++i) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      result.push_back(static_cast<int64_t>(state >> 20));  // object-id-like, never negative
    }
    return result;
  }();
  return keys;
}

const std::vector<std::u16string>& TextKeys() {
  static const std::vector<std::u16string> keys = [] {
    std::vector<std::u16string> result;
    for (int64_t key : IntKeys()) {
      std::string text = "gadget_" + std::to_string(key % 1000003) + "_event";
      result.emplace_back(text.begin(), text.end());
    }
    return result;
  }();
  return keys;
}

void CountOps(benchmark::State& state) { state.counters["ops"] = kCount; }

void MapIntInsert(benchmark::State& state) {
  for (auto _ : state) {
    Map* map = MapCreateIntKeyed(8, nullptr, nullptr, state.range(0));
    for (int64_t key : IntKeys()) *static_cast<int64_t*>(MapIntAdd(map, key, kMapAlwaysNew)) = key;
    state.PauseTiming();
    MapFree(map);
    state.ResumeTiming();
  }
  CountOps(state);
}

void MapIntLookup(benchmark::State& state) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, state.range(0));
  for (int64_t key : IntKeys()) MapIntAdd(map, key, kMapAlwaysNew);
  for (auto _ : state) {
    for (int64_t key : IntKeys()) benchmark::DoNotOptimize(MapIntFind(map, key));
  }
  MapFree(map);
  CountOps(state);
}

void MapTextInsert(benchmark::State& state) {
  for (auto _ : state) {
    Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, state.range(0));
    for (const std::u16string& key : TextKeys()) MapAdd(map, key.c_str(), kMapAlwaysNew);
    state.PauseTiming();
    MapFree(map);
    state.ResumeTiming();
  }
  CountOps(state);
}

void MapTextLookup(benchmark::State& state) {
  Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, state.range(0));
  for (const std::u16string& key : TextKeys()) MapAdd(map, key.c_str(), kMapAlwaysNew);
  for (auto _ : state) {
    for (const std::u16string& key : TextKeys()) benchmark::DoNotOptimize(MapFind(map, key.c_str()));
  }
  MapFree(map);
  CountOps(state);
}

void StdIntInsert(benchmark::State& state) {
  for (auto _ : state) {
    std::unordered_map<int64_t, int64_t> map;
    for (int64_t key : IntKeys()) map[key] = key;
    state.PauseTiming();
    map.clear();
    state.ResumeTiming();
  }
  CountOps(state);
}

void StdIntLookup(benchmark::State& state) {
  std::unordered_map<int64_t, int64_t> map;
  for (int64_t key : IntKeys()) map[key] = key;
  for (auto _ : state) {
    for (int64_t key : IntKeys()) benchmark::DoNotOptimize(map.find(key));
  }
  CountOps(state);
}

void StdTextInsert(benchmark::State& state) {
  for (auto _ : state) {
    std::unordered_map<std::u16string, int64_t> map;
    for (const std::u16string& key : TextKeys()) map[key] = 0;
    state.PauseTiming();
    map.clear();
    state.ResumeTiming();
  }
  CountOps(state);
}

void StdTextLookup(benchmark::State& state) {
  std::unordered_map<std::u16string, int64_t> map;
  for (const std::u16string& key : TextKeys()) map[key] = 0;
  for (auto _ : state) {
    for (const std::u16string& key : TextKeys()) benchmark::DoNotOptimize(map.find(key));
  }
  CountOps(state);
}

BENCHMARK(MapIntInsert)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(MapIntLookup)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(MapTextInsert)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(MapTextLookup)->Arg(1024)->Arg(65536)->Unit(benchmark::kMillisecond);
BENCHMARK(StdIntInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(StdIntLookup)->Unit(benchmark::kMillisecond);
BENCHMARK(StdTextInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(StdTextLookup)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  MainHeapCreate();
  StringHeapInit();
  int result = RunWithRatios(argc, argv,
                             {{"MapIntInsert/1024", "StdIntInsert"},
                              {"MapIntInsert/65536", "StdIntInsert"},
                              {"MapIntLookup/1024", "StdIntLookup"},
                              {"MapIntLookup/65536", "StdIntLookup"},
                              {"MapTextInsert/1024", "StdTextInsert"},
                              {"MapTextInsert/65536", "StdTextInsert"},
                              {"MapTextLookup/1024", "StdTextLookup"},
                              {"MapTextLookup/65536", "StdTextLookup"}});
  StringHeapShutdown();
  MainHeapDestroy();
  return result;
}
