// ObjectGet must cost the same whatever the number of live objects: one bounds check and one
// array read for slot numbers, one hash probe for automatic ids. Compares 10 against 10,000
// live automatic objects; the ns per lookup should be flat between the two.
#include <benchmark/benchmark.h>

#include <vector>

#include "corvid.h"

namespace {

struct Body {
  int64_t handle;
};

struct Fixture {
  ObjectRegistry* registry;
  std::vector<int64_t> automaticIds;
  explicit Fixture(int64_t liveObjects) {
    MainHeapCreate();
    registry = ObjectRegistryCreate(sizeof(Body), 16, nullptr);
    for (int64_t i = 0; i < liveObjects; ++i) {
      static_cast<Body*>(ObjectNew(registry, i % 256))->handle = 1;
      auto* body = static_cast<Body*>(ObjectNew(registry, CV_Any));
      body->handle = 1;
      automaticIds.push_back(static_cast<int64_t>(reinterpret_cast<uintptr_t>(body)));
    }
  }
  ~Fixture() { MainHeapDestroy(); }
};

void SlotLookup(benchmark::State& state) {
  Fixture fixture(state.range(0));
  int64_t number = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ObjectGet(fixture.registry, number));
    number = (number + 1) & 255;
  }
}

void AutomaticLookup(benchmark::State& state) {
  Fixture fixture(state.range(0));
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ObjectGet(fixture.registry, fixture.automaticIds[i]));
    if (++i == fixture.automaticIds.size()) i = 0;
  }
}

void UnknownIdLookup(benchmark::State& state) {
  Fixture fixture(state.range(0));
  int64_t id = 0x100000000;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ObjectGet(fixture.registry, id));
    id += 16;
  }
}

BENCHMARK(SlotLookup)->Arg(10)->Arg(10000);
BENCHMARK(AutomaticLookup)->Arg(10)->Arg(10000);
BENCHMARK(UnknownIdLookup)->Arg(10)->Arg(10000);

}  // namespace

BENCHMARK_MAIN();
