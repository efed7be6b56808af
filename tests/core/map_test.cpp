// Maps: the text hash and bucket choice, case-insensitive keys, always-new and replace modes,
// iteration and deleting during it, the default element of integer maps, copying and clearing.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "runtime_fixture.h"
#include "string_state.h"
#include "testing.h"

namespace {

class MapTest : public CoreRuntimeTest {};

struct Binding {
  int64_t value;
  char16_t* label;
};
const int64_t kBindingDescriptor[] = {8, kDescEnd};

int64_t& ValueOf(void* element) { return static_cast<Binding*>(element)->value; }

TEST_F(MapTest, TheKeyAbLandsInBucket65Of1024) {
  Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, 1024);
  void* element = MapAdd(map, u"ab", kMapAlwaysNew);
  ASSERT_NE(element, nullptr);
  // 97 * 65599 + 98 = 6363201 = 6213 * 1024 + 65
  EXPECT_EQ(MapEntryData(map->buckets[65]), element);
  EXPECT_EQ(map->iterationBucket, 65);
  MapFree(map);
}

TEST_F(MapTest, EightBitKeysHashBytesFrom0x80AsNegative) {
  Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, 1024);
  void* element = MapAdd(map, "\xE9", kMapAlwaysNew);
  EXPECT_EQ(MapEntryData(map->buckets[1001]), element);  // (2^32 - 23) mod 1024
  void* ab = MapAdd(map, "ab", kMapAlwaysNew);
  EXPECT_EQ(MapEntryData(map->buckets[65]), ab);
  EXPECT_EQ(MapFind(map, "\xE9"), element);
  MapFree(map);
}

TEST_F(MapTest, CaseInsensitiveMapsFindKeysWhateverTheirCase) {
  Map* wide = MapCreate(8, kTypeQuad, nullptr, nullptr, 1024, kMapNoCase);
  ValueOf(MapAdd(wide, u"ok", kMapAlwaysNew)) = 1;
  void* found = MapFind(wide, u"OK");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(ValueOf(found), 1);
  EXPECT_EQ(MapFind(wide, u"\u00D6K"), nullptr);  // only ASCII letters fold
  Map* bytes = MapCreate(8, kTypeQuad, nullptr, nullptr, 64, kMapNoCase);
  ValueOf(MapAdd(bytes, "Close", kMapAlwaysNew)) = 2;
  EXPECT_EQ(ValueOf(MapFind(bytes, "cLOSE")), 2);
  Map* exact = MapCreate(8, kTypeQuad, nullptr, nullptr, 1024);
  MapAdd(exact, u"ok", kMapAlwaysNew);
  EXPECT_EQ(MapFind(exact, u"OK"), nullptr);
  EXPECT_NE(MapFind(exact, u"ok"), nullptr);
  MapFree(wide);
  MapFree(bytes);
  MapFree(exact);
}

TEST_F(MapTest, AlwaysNewShadowsTheOlderEntryUntilTheNewerIsDeleted) {
  Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, 16);
  ValueOf(MapAdd(map, u"key", kMapAlwaysNew)) = 1;
  ValueOf(MapAdd(map, u"key", kMapAlwaysNew)) = 2;
  EXPECT_EQ(MapSize(map), 2);
  EXPECT_EQ(ValueOf(MapFind(map, u"key")), 2);
  MapDeleteCurrent(map);
  EXPECT_EQ(MapSize(map), 1);
  ASSERT_NE(MapFind(map, u"key"), nullptr);
  EXPECT_EQ(ValueOf(MapFind(map, u"key")), 1);
  MapDeleteCurrent(map);
  EXPECT_EQ(MapFind(map, u"key"), nullptr);
  EXPECT_EQ(MapSize(map), 0);
  MapFree(map);
}

TEST_F(MapTest, ReplaceModeReusesTheEntryWithAFreshElement) {
  Map* map = MapCreate(sizeof(Binding), kTypeQuad, kBindingDescriptor, nullptr, 16);
  int64_t strings = platform::testing::HeapBlockCount(g_strings.heap);
  auto* first = static_cast<Binding*>(MapAdd(map, u"k", kMapReplace));  // absent: added
  first->value = 5;
  StrAssign(&first->label, u"old label");
  auto* again = static_cast<Binding*>(MapAdd(map, u"k", kMapReplace));
  EXPECT_EQ(again, first);
  EXPECT_EQ(again->value, 0);
  EXPECT_EQ(again->label, nullptr);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), strings);  // the old label was freed
  EXPECT_EQ(MapSize(map), 1);
  MapFree(map);
}

TEST_F(MapTest, IntGetOfAnAbsentKeyHandsOutTheDefaultElement) {
  Map* map = MapCreateIntKeyed(16, nullptr, nullptr, 256);
  *static_cast<int64_t*>(MapIntAdd(map, 7, kMapAlwaysNew)) = 70;
  EXPECT_EQ(*static_cast<int64_t*>(MapIntGet(map, 7)), 70);
  EXPECT_NE(map->current, nullptr);
  auto* absent = static_cast<int64_t*>(MapIntGet(map, 8));
  ASSERT_NE(absent, nullptr);
  EXPECT_EQ(absent[0], 0);
  EXPECT_EQ(absent[1], 0);
  EXPECT_EQ(map->current, nullptr);
  EXPECT_EQ(MapSize(map), 1);
  absent[0] = 99;  // writing into it adds nothing
  EXPECT_EQ(MapIntFind(map, 8), nullptr);
  EXPECT_EQ(MapSize(map), 1);
  EXPECT_EQ(MapNext(map), nullptr);  // after a failed lookup there is nothing to continue
  MapFree(map);
}

TEST_F(MapTest, IntDeleteRemovesOnlyThatKey) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, 4);
  for (int64_t key : {1, 5, 9, 2}) *static_cast<int64_t*>(MapIntAdd(map, key, kMapAlwaysNew)) = key * 10;
  MapIntDelete(map, 5);  // the middle of chain 1: 9, 5, 1
  MapIntDelete(map, 42);
  EXPECT_EQ(MapSize(map), 3);
  EXPECT_EQ(MapIntFind(map, 5), nullptr);
  EXPECT_EQ(*static_cast<int64_t*>(MapIntFind(map, 1)), 10);
  EXPECT_EQ(*static_cast<int64_t*>(MapIntFind(map, 9)), 90);
  MapIntDelete(map, 9);  // a chain head
  EXPECT_EQ(*static_cast<int64_t*>(MapIntFind(map, 1)), 10);
  MapFree(map);
}

TEST_F(MapTest, IterationGoesBucketByBucketNewestFirst) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, 4);
  for (int64_t key : {1, 5, 2, 9, 4}) MapIntAdd(map, key, kMapAlwaysNew);
  std::vector<int64_t> keys;
  MapReset(map);
  while (MapNext(map)) keys.push_back(MapCurrentIntKey(map));
  EXPECT_EQ(keys, (std::vector<int64_t>{4, 9, 5, 1, 2}));
  EXPECT_EQ(MapNext(map), nullptr);  // past the end it stays there
  MapReset(map);
  EXPECT_NE(MapNext(map), nullptr);
  EXPECT_EQ(MapCurrentIntKey(map), 4);
  MapFree(map);
}

TEST_F(MapTest, DeletingAfterEveryStepEmptiesTheMap) {
  Map* map = MapCreate(sizeof(Binding), kTypeQuad, kBindingDescriptor, nullptr, 8);
  int64_t strings = platform::testing::HeapBlockCount(g_strings.heap);
  for (int i = 0; i < 100; ++i) {
    std::u16string key = u"key" + std::u16string(1, static_cast<char16_t>(u'A' + i % 26)) + std::u16string(i / 26 + 1, u'x');
    StrAssign(&static_cast<Binding*>(MapAdd(map, key.c_str(), kMapAlwaysNew))->label, u"label");
  }
  int visited = 0;
  MapReset(map);
  while (MapNext(map)) {
    ++visited;
    MapDeleteCurrent(map);
  }
  EXPECT_EQ(visited, 100);
  EXPECT_EQ(MapSize(map), 0);
  for (int32_t bucket = 0; bucket < map->bucketCount; ++bucket) EXPECT_EQ(map->buckets[bucket], nullptr);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), strings);
  MapFree(map);
}

TEST_F(MapTest, DeletingSomeEntriesDuringIterationVisitsEveryEntryOnce) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, 7);
  for (int64_t key = 0; key < 200; ++key) MapIntAdd(map, key, kMapAlwaysNew);
  std::multiset<int64_t> visited;
  MapReset(map);
  while (MapNext(map)) {
    int64_t key = MapCurrentIntKey(map);
    visited.insert(key);
    if (key % 3 != 1) MapDeleteCurrent(map);
  }
  EXPECT_EQ(visited.size(), 200u);
  for (int64_t key = 0; key < 200; ++key) {
    EXPECT_EQ(visited.count(key), 1u) << key;
    EXPECT_EQ(MapIntFind(map, key) != nullptr, key % 3 == 1) << key;
  }
  EXPECT_EQ(MapSize(map), 67);
  MapFree(map);
}

TEST_F(MapTest, DeletingAFoundEntryLetsTheWalkContinueBehindIt) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, 1);  // one chain: 3, 2, 1
  for (int64_t key : {1, 2, 3}) MapIntAdd(map, key, kMapAlwaysNew);
  ASSERT_NE(MapIntFind(map, 2), nullptr);
  MapDeleteCurrent(map);
  EXPECT_EQ(MapCurrentIntKey(map), 3);  // the entry before the deleted one is current
  ASSERT_NE(MapNext(map), nullptr);
  EXPECT_EQ(MapCurrentIntKey(map), 1);
  MapFree(map);
}

TEST_F(MapTest, DeletesInARowWalkBackThroughTheChain) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, 1);  // one chain: 4, 3, 2, 1
  for (int64_t key : {1, 2, 3, 4}) MapIntAdd(map, key, kMapAlwaysNew);
  ASSERT_NE(MapIntFind(map, 2), nullptr);
  MapDeleteCurrent(map);
  EXPECT_EQ(MapCurrentIntKey(map), 3);
  MapDeleteCurrent(map);  // the entry before 3 is found by walking the chain
  EXPECT_EQ(MapCurrentIntKey(map), 4);
  MapDeleteCurrent(map);  // 4 heads the chain
  EXPECT_EQ(map->current, nullptr);
  EXPECT_EQ(MapDeleteCurrent(map), nullptr);
  EXPECT_EQ(MapSize(map), 1);
  ASSERT_NE(MapIntFind(map, 1), nullptr);
  EXPECT_EQ(map->buckets[0]->next, nullptr);
  MapFree(map);
}

TEST_F(MapTest, AFailedLookupLeavesTheWalkAlone) {
  Map* map = MapCreateIntKeyed(8, nullptr, nullptr, 1);
  for (int64_t key : {1, 2, 3}) MapIntAdd(map, key, kMapAlwaysNew);
  MapReset(map);
  MapNext(map);
  MapNext(map);  // on 2, after 3
  EXPECT_EQ(MapIntFind(map, 99), nullptr);
  EXPECT_EQ(MapCurrentIntKey(map), 2);
  MapDeleteCurrent(map);  // still unlinks the right entry
  EXPECT_EQ(MapIntFind(map, 2), nullptr);
  EXPECT_NE(MapIntFind(map, 3), nullptr);
  EXPECT_NE(MapIntFind(map, 1), nullptr);
  EXPECT_EQ(MapSize(map), 2);
  MapFree(map);
}

TEST_F(MapTest, CopyDuplicatesElementsAndKeepsShadowing) {
  Map* source = MapCreate(sizeof(Binding), kTypeQuad, kBindingDescriptor, nullptr, 32);
  Map* target = nullptr;
  MapCreate(sizeof(Binding), kTypeQuad, kBindingDescriptor, &target, 5);
  auto* older = static_cast<Binding*>(MapAdd(source, u"dup", kMapAlwaysNew));
  older->value = 1;
  auto* newer = static_cast<Binding*>(MapAdd(source, u"dup", kMapAlwaysNew));
  newer->value = 2;
  StrAssign(&newer->label, u"newest");
  ValueOf(MapAdd(source, u"other", kMapAlwaysNew)) = 3;
  MapAdd(target, u"stale", kMapAlwaysNew);
  MapReset(source);
  MapNext(source);
  MapEntry* sourceCurrent = source->current;

  EXPECT_EQ(MapCopy(source, target, 1), 1);
  EXPECT_EQ(MapSize(target), 3);
  EXPECT_EQ(MapFind(target, u"stale"), nullptr);
  auto* copied = static_cast<Binding*>(MapFind(target, u"dup"));
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->value, 2);  // the newer entry still shadows the older one
  EXPECT_NE(copied->label, newer->label);
  EXPECT_EQ(Text(copied->label), u"newest");
  StrAssign(&newer->label, u"changed");
  EXPECT_EQ(Text(copied->label), u"newest");
  EXPECT_EQ(ValueOf(MapFind(target, u"other")), 3);
  EXPECT_EQ(source->current, sourceCurrent);  // the source's walk is where it was

  EXPECT_EQ(MapCopy(source, target, 0), 1);  // without clearing: added on top
  EXPECT_EQ(MapSize(target), 6);
  MapFree(source);
  MapFree(target);
  EXPECT_EQ(target, nullptr);
}

TEST_F(MapTest, CopyRefusesMissingAndMismatchedMaps) {
  Map* text = MapCreate(8, kTypeQuad, nullptr, nullptr, 8);
  Map* number = MapCreateIntKeyed(8, nullptr, nullptr, 8);
  Map* wider = MapCreate(16, kTypeQuad, nullptr, nullptr, 8);
  MapAdd(text, u"a", kMapAlwaysNew);
  Map* bytes = MapCreate(8, kTypeQuad, nullptr, nullptr, 8);
  MapAdd(bytes, "b", kMapAlwaysNew);
  EXPECT_EQ(MapCopy(nullptr, text, 0), 0);
  EXPECT_EQ(MapCopy(text, nullptr, 0), 0);
  EXPECT_EQ(MapCopy(text, number, 0), 0);
  EXPECT_EQ(MapCopy(text, wider, 0), 0);
  EXPECT_EQ(MapCopy(bytes, text, 0), 0);  // 8-bit keys into a map of UTF-16 keys
  EXPECT_EQ(MapSize(number) + MapSize(wider), 0);
  EXPECT_EQ(MapSize(text), 1);
  Map* copy = MapCreate(8, kTypeQuad, nullptr, nullptr, 3);
  EXPECT_EQ(MapCopy(bytes, copy, 0), 1);
  EXPECT_NE(MapFind(copy, "b"), nullptr);
  for (Map* map : {text, number, wider, bytes, copy}) MapFree(map);
}

TEST_F(MapTest, ClearFreesKeysAndElementsAndTheMapCanBeRefilled) {
  int64_t mainBlocks = platform::testing::HeapBlockCount(MainHeap());
  Map* map = MapCreate(sizeof(Binding), kTypeQuad, kBindingDescriptor, nullptr, 16);
  for (int i = 0; i < 300; ++i) {
    std::u16string key(static_cast<size_t>(i % 40 + 1), static_cast<char16_t>(u'a' + i % 26));
    StrAssign(&static_cast<Binding*>(MapAdd(map, key.c_str(), kMapAlwaysNew))->label, key.c_str());
  }
  MapClear(map);
  EXPECT_EQ(MapSize(map), 0);
  EXPECT_EQ(MapNext(map), nullptr);
  MapAdd(map, u"again", kMapAlwaysNew);
  EXPECT_NE(MapFind(map, u"again"), nullptr);
  MapFree(map);
  EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), mainBlocks);
}

TEST_F(MapTest, CreatingIntoAVariableFreesTheMapAlreadyThere) {
  int64_t mainBlocks = platform::testing::HeapBlockCount(MainHeap());
  Map* variable = nullptr;
  Map* first = MapCreate(8, kTypeQuad, nullptr, &variable, 1024);
  MapAdd(first, u"x", kMapAlwaysNew);
  Map* second = MapCreate(8, kTypeQuad, nullptr, &variable, 1024);
  EXPECT_EQ(variable, second);
  MapFree(second);
  EXPECT_EQ(variable, nullptr);
  EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), mainBlocks);
}

TEST_F(MapTest, KeysAndArgumentsOutOfTheOrdinary) {
  Map* text = MapCreate(8, kTypeQuad, nullptr, nullptr, 0);  // at least one bucket
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->bucketCount, 1);
  ValueOf(MapAdd(text, static_cast<const char16_t*>(nullptr), kMapAlwaysNew)) = 4;
  EXPECT_EQ(ValueOf(MapFind(text, u"")), 4);  // a missing key is the empty text
  EXPECT_EQ(Text(MapCurrentKey(text)), u"");
  EXPECT_EQ(MapIntAdd(text, 1, kMapAlwaysNew), nullptr);  // wrong kind of key
  Map* numbers = MapCreateIntKeyed(8, nullptr, nullptr, 16);
  EXPECT_EQ(MapIntAdd(numbers, -5, kMapAlwaysNew), nullptr);
  EXPECT_EQ(MapIntFind(numbers, -5), nullptr);
  EXPECT_EQ(MapFind(numbers, u"a"), nullptr);
  EXPECT_EQ(MapCurrentKey(numbers), nullptr);
  EXPECT_NE(MapIntAdd(numbers, INT64_MAX, kMapAlwaysNew), nullptr);
  EXPECT_NE(MapIntFind(numbers, INT64_MAX), nullptr);
  EXPECT_EQ(MapCreate(-1, 0, nullptr, nullptr, 16), nullptr);
  EXPECT_EQ(MapCreate(8, 0, nullptr, nullptr, INT64_MAX), nullptr);
  MapFree(text);
  MapFree(numbers);

  MapFree(nullptr);
  MapClear(nullptr);
  MapReset(nullptr);
  EXPECT_EQ(MapNext(nullptr), nullptr);
  EXPECT_EQ(MapDeleteCurrent(nullptr), nullptr);
  EXPECT_EQ(MapFind(nullptr, u"a"), nullptr);
  EXPECT_EQ(MapFind(nullptr, "a"), nullptr);
  EXPECT_EQ(MapAdd(nullptr, u"a", 0), nullptr);
  EXPECT_EQ(MapFindOrAdd(nullptr, "a"), nullptr);
  EXPECT_EQ(MapIntGet(nullptr, 1), nullptr);
  MapIntDelete(nullptr, 1);
  EXPECT_EQ(MapSize(nullptr), 0);
}

TEST_F(MapTest, FindOrAddAddsOnlyOnce) {
  Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, 1024);
  void* first = MapFindOrAdd(map, "WM_CLOSE");
  EXPECT_EQ(MapFindOrAdd(map, "WM_CLOSE"), first);
  EXPECT_EQ(MapSize(map), 1);
  EXPECT_STREQ(MapCurrentByteKey(map), "WM_CLOSE");
  MapFree(map);
}

TEST_F(MapTest, AddsReturnNoneWhenMemoryRunsOut) {
  Map* map = MapCreate(8, kTypeQuad, nullptr, nullptr, 16);
  MapAdd(map, u"first", kMapAlwaysNew);
  platform::testing::HeapFailAfter(1);  // the key's copy
  EXPECT_EQ(MapAdd(map, u"second", kMapAlwaysNew), nullptr);
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(MapSize(map), 1);
  EXPECT_EQ(MapFind(map, u"second"), nullptr);
  MapFree(map);
}

}  // namespace
