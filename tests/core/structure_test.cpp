// Dynamic members: arrays, lists and maps inside the elements of lists and maps are created with
// the element, freed with it and deep-copied with it, through the hooks the libraries install.
#include <gtest/gtest.h>

#include <string>

#include "runtime_fixture.h"
#include "string_state.h"
#include "testing.h"

namespace {

class StructureTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    ArrayInit();
    ListInit();
    MapInit();
  }
};

const int64_t kStringElement[] = {0, kDescEnd};

// A window record: a title, a list of strings, an integer-keyed map of tags, an array of three
// strings, and a nested structure holding another string.
struct Inner {
  int64_t id;
  char16_t* note;
};
const int64_t kInnerDescriptor[] = {8, kDescEnd};

struct Window {
  char16_t* title;
  ListVariable items;
  Map* tags;
  char16_t** names;  // array data
  Inner inner;
  Inner pair[2];
};

const int64_t* WindowDescriptor() {
  static const int64_t descriptor[] = {
      offsetof(Window, title),
      kDescList, offsetof(Window, items), 8, DescriptorRef(kStringElement), kTypeString,
      kDescIntMap, offsetof(Window, tags), 8, 0, 64,
      kDescArray, offsetof(Window, names), 8, 3, DescriptorRef(kStringElement), kTypeString,
      kDescNested, offsetof(Window, inner), DescriptorRef(kInnerDescriptor),
      kDescStaticArray, offsetof(Window, pair), 2, sizeof(Inner), DescriptorRef(kInnerDescriptor),
      kDescEnd};
  return descriptor;
}

void Fill(Window* window, const char16_t* title) {
  StrAssign(&window->title, title);
  StrAssign(static_cast<char16_t**>(ListAdd(window->items.list)), u"first item");
  StrAssign(static_cast<char16_t**>(ListAdd(window->items.list)), u"second item");
  *static_cast<int64_t*>(MapIntAdd(window->tags, 42, kMapAlwaysNew)) = 4242;
  StrAssign(&window->names[2], u"third name");
  StrAssign(&window->inner.note, u"inner note");
  StrAssign(&window->pair[1].note, u"pair note");
}

TEST_F(StructureTest, DescriptorsKnowWhetherTheyHoldDynamicMembers) {
  EXPECT_TRUE(StructureHasDynamicMembers(WindowDescriptor()));
  EXPECT_FALSE(StructureHasDynamicMembers(kStringElement));
  EXPECT_FALSE(StructureHasDynamicMembers(nullptr));
  static const int64_t deep[] = {kDescNested, 0, DescriptorRef(WindowDescriptor()), kDescEnd};
  EXPECT_TRUE(StructureHasDynamicMembers(deep));
  static const int64_t unknown[] = {0, -99, kDescList, 8, 8, 0, kTypeQuad, kDescEnd};
  EXPECT_FALSE(StructureHasDynamicMembers(unknown));  // an unknown code ends the descriptor
}

TEST_F(StructureTest, ListElementsCreateAndFreeTheirMembers) {
  int64_t mainBlocks = platform::testing::HeapBlockCount(MainHeap());
  int64_t strings = platform::testing::HeapBlockCount(g_strings.heap);
  List* windows = ListCreate(sizeof(Window), nullptr, WindowDescriptor(), 0);
  EXPECT_EQ(windows->hasDynamicMembers, 1);
  auto* window = static_cast<Window*>(ListAdd(windows));
  ASSERT_NE(window->items.list, nullptr);
  EXPECT_EQ(window->items.list->variable, &window->items);
  ASSERT_NE(window->tags, nullptr);
  EXPECT_NE(window->tags->flags & kMapIntKeys, 0);
  EXPECT_EQ(window->tags->bucketCount, 64);
  ASSERT_NE(window->names, nullptr);
  EXPECT_EQ(ArraySize(window->names), 3);
  Fill(window, u"Main");
  ListFree(windows);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), strings);
  EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), mainBlocks);
}

TEST_F(StructureTest, MapCopyDeepCopiesMembers) {
  int64_t strings = platform::testing::HeapBlockCount(g_strings.heap);
  Map* source = MapCreate(sizeof(Window), 0, WindowDescriptor(), nullptr, 16);
  Map* target = MapCreate(sizeof(Window), 0, WindowDescriptor(), nullptr, 16);
  Fill(static_cast<Window*>(MapAdd(source, u"main", kMapAlwaysNew)), u"Main window");
  ASSERT_EQ(MapCopy(source, target, 0), 1);
  auto* original = static_cast<Window*>(MapFind(source, u"main"));
  auto* copy = static_cast<Window*>(MapFind(target, u"main"));
  ASSERT_NE(copy, nullptr);
  EXPECT_NE(copy->items.list, original->items.list);
  EXPECT_EQ(copy->items.list->variable, &copy->items);
  EXPECT_EQ(ListSize(copy->items.list), 2);
  ListReset(copy->items.list);
  EXPECT_EQ(Text(*static_cast<char16_t**>(ListNext(copy->items.list))), u"first item");
  EXPECT_EQ(Text(*static_cast<char16_t**>(ListNext(copy->items.list))), u"second item");
  EXPECT_NE(copy->tags, original->tags);
  EXPECT_EQ(*static_cast<int64_t*>(MapIntFind(copy->tags, 42)), 4242);
  EXPECT_NE(copy->names, original->names);
  EXPECT_EQ(Text(copy->names[2]), u"third name");
  EXPECT_NE(copy->names[2], original->names[2]);
  EXPECT_EQ(Text(copy->title), u"Main window");
  EXPECT_EQ(Text(copy->inner.note), u"inner note");
  EXPECT_EQ(Text(copy->pair[1].note), u"pair note");
  EXPECT_NE(copy->pair[1].note, original->pair[1].note);
  MapFree(source);  // the copy must not depend on anything the source owned
  EXPECT_EQ(Text(copy->names[2]), u"third name");
  EXPECT_EQ(ListSize(copy->items.list), 2);
  MapFree(target);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), strings);
}

TEST_F(StructureTest, TheDefaultElementsMembersAreCreatedOnceAndFreedWithTheMap) {
  int64_t mainBlocks = platform::testing::HeapBlockCount(MainHeap());
  Map* map = MapCreateIntKeyed(sizeof(Window), WindowDescriptor(), nullptr, 8);
  auto* absent = static_cast<Window*>(MapIntGet(map, 3));
  ASSERT_NE(absent->items.list, nullptr);
  List* list = absent->items.list;
  EXPECT_NE(map->flags & kMapDefaultCreated, 0);
  EXPECT_EQ(static_cast<Window*>(MapIntGet(map, 4))->items.list, list);
  MapFree(map);
  EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), mainBlocks);
}

TEST_F(StructureTest, ReplacingAMapElementRecreatesItsMembers) {
  int64_t strings = platform::testing::HeapBlockCount(g_strings.heap);
  Map* map = MapCreate(sizeof(Window), 0, WindowDescriptor(), nullptr, 8);
  Fill(static_cast<Window*>(MapAdd(map, "w", kMapAlwaysNew)), u"One");
  auto* replaced = static_cast<Window*>(MapAdd(map, "w", kMapReplace));
  EXPECT_EQ(replaced->title, nullptr);
  EXPECT_EQ(ListSize(replaced->items.list), 0);
  EXPECT_EQ(MapSize(replaced->tags), 0);
  EXPECT_EQ(replaced->names[2], nullptr);
  MapFree(map);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), strings);
}

TEST_F(StructureTest, ArraysStandAlone) {
  auto* numbers = static_cast<int64_t*>(ArrayCreate(8, 4, nullptr, kTypeQuad));
  ASSERT_NE(numbers, nullptr);
  numbers[3] = 9;
  auto* copy = static_cast<int64_t*>(ArrayCopy(numbers));
  EXPECT_EQ(copy[3], 9);
  EXPECT_EQ(ArraySize(copy), 4);
  ArrayFree(numbers);
  ArrayFree(copy);
  EXPECT_EQ(ArrayCreate(-1, 4, nullptr, 0), nullptr);
  EXPECT_EQ(ArrayCreate(8, -1, nullptr, 0), nullptr);
  EXPECT_EQ(ArrayCreate(1 << 20, int64_t{1} << 40, nullptr, 0), nullptr);
  EXPECT_EQ(ArraySize(nullptr), 0);
  EXPECT_EQ(ArrayCopy(nullptr), nullptr);
  ArrayFree(nullptr);
}

}  // namespace
