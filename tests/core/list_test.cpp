// Lists: the current element as the program walks it, inserting after it, clearing and freeing
// with the strings the elements own, and calls on missing lists.
#include <gtest/gtest.h>

#include <vector>

#include "runtime_fixture.h"
#include "string_state.h"
#include "testing.h"

namespace {

class ListTest : public CoreRuntimeTest {};

const int64_t kStringElement[] = {0, kDescEnd};

std::vector<int32_t> Values(List* list) {
  std::vector<int32_t> values;
  ListReset(list);
  while (auto* value = static_cast<int32_t*>(ListNext(list))) values.push_back(*value);
  return values;
}

void Add(List* list, int32_t value) { *static_cast<int32_t*>(ListAdd(list)) = value; }

TEST_F(ListTest, CreateStoresTheRecordInTheVariable) {
  ListVariable variable{};
  List* list = ListCreate(4, &variable, nullptr, kTypeLong);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(variable.list, list);
  EXPECT_EQ(variable.current, nullptr);
  EXPECT_EQ(list->nodeSize, 4 + 16);
  EXPECT_EQ(list->beforeFirst, 1);
  EXPECT_EQ(ListSize(list), 0);
  ListFree(list);
  EXPECT_EQ(variable.list, nullptr);
  EXPECT_EQ(variable.current, nullptr);
}

TEST_F(ListTest, WalkingFromAResetVisitsEveryElementThenStaysOnTheLast) {
  ListVariable variable{};
  List* list = ListCreate(4, &variable, nullptr, kTypeLong);
  for (int32_t value : {10, 20, 30}) Add(list, value);
  ListReset(list);
  EXPECT_EQ(variable.current, nullptr);
  auto* first = static_cast<int32_t*>(ListNext(list));
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(*first, 10);
  EXPECT_EQ(variable.current, first);
  EXPECT_EQ(list->index, 0);
  ListNext(list);
  auto* last = static_cast<int32_t*>(ListNext(list));
  EXPECT_EQ(*last, 30);
  EXPECT_EQ(list->index, 2);
  EXPECT_EQ(ListNext(list), nullptr);
  EXPECT_EQ(variable.current, last);  // the current element stays the last
  EXPECT_EQ(list->index, 2);
  EXPECT_EQ(ListNext(list), nullptr);
  ListFree(list);
}

TEST_F(ListTest, AddInsertsAfterTheCurrentElementOrInFrontAfterAReset) {
  List* list = ListCreate(4, nullptr, nullptr, kTypeLong);
  Add(list, 1);
  Add(list, 3);
  EXPECT_EQ(Values(list), (std::vector<int32_t>{1, 3}));
  ListReset(list);
  Add(list, 0);  // a fresh reset: in front
  EXPECT_EQ(list->index, 0);
  ListNext(list);  // now on 1
  Add(list, 2);
  EXPECT_EQ(list->index, 2);
  EXPECT_EQ(Values(list), (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(*static_cast<int32_t*>(ListNodeData(list->last)), 3);
  // The chain is sound both ways.
  std::vector<int32_t> backwards;
  for (ListNode* node = list->last; node; node = node->previous) backwards.push_back(*static_cast<int32_t*>(ListNodeData(node)));
  EXPECT_EQ(backwards, (std::vector<int32_t>{3, 2, 1, 0}));
  ListFree(list);
}

TEST_F(ListTest, NewElementsAreZeroedEvenWhenTheirNodeIsReused) {
  List* list = ListCreate(24, nullptr, nullptr, kTypeQuad);
  auto* element = static_cast<int64_t*>(ListAdd(list));
  element[0] = element[1] = element[2] = -1;
  ListClear(list);
  element = static_cast<int64_t*>(ListAdd(list));
  EXPECT_EQ(element[0], 0);
  EXPECT_EQ(element[1], 0);
  EXPECT_EQ(element[2], 0);
  ListFree(list);
}

TEST_F(ListTest, ClearFreesTheElementsStringsAndStartsOver) {
  ListVariable variable{};
  List* list = ListCreate(8, &variable, kStringElement, kTypeString);
  int64_t before = platform::testing::HeapBlockCount(g_strings.heap);
  for (const char16_t* name : {u"Arial", u"Courier New", u"DejaVu Sans"}) {
    StrAssign(static_cast<char16_t**>(ListAdd(list)), name);
  }
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), before + 3);
  ListClear(list);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), before);
  EXPECT_EQ(ListSize(list), 0);
  EXPECT_EQ(list->first, nullptr);
  EXPECT_EQ(list->last, nullptr);
  EXPECT_EQ(variable.current, nullptr);
  EXPECT_EQ(ListNext(list), nullptr);
  StrAssign(static_cast<char16_t**>(ListAdd(list)), u"again");
  EXPECT_EQ(ListSize(list), 1);
  ListFree(list);
  EXPECT_EQ(platform::testing::HeapBlockCount(g_strings.heap), before);
}

TEST_F(ListTest, FreeingReturnsEveryBlockOfTheMainHeap) {
  int64_t before = platform::testing::HeapBlockCount(MainHeap());
  List* owned = ListCreate(8, nullptr, kStringElement, kTypeString);  // allocates its own variable
  ListVariable variable{};
  List* other = ListCreate(8, &variable, kStringElement, kTypeString);
  for (int i = 0; i < 1000; ++i) {
    StrAssign(static_cast<char16_t**>(ListAdd(owned)), u"x");
    StrAssign(static_cast<char16_t**>(ListAdd(other)), u"y");
  }
  EXPECT_TRUE(ExtraBlockAttach(&owned->extraBlocks, 64) != nullptr);
  ListFree(owned);
  ListFree(other);
  EXPECT_EQ(platform::testing::HeapBlockCount(MainHeap()), before);
}

TEST_F(ListTest, MissingListsAndBadSizesAreHarmless) {
  EXPECT_EQ(ListCreate(-1, nullptr, nullptr, kTypeLong), nullptr);
  EXPECT_EQ(ListCreate(int64_t{1} << 40, nullptr, nullptr, kTypeLong), nullptr);
  ListFree(nullptr);
  ListClear(nullptr);
  ListReset(nullptr);
  EXPECT_EQ(ListNext(nullptr), nullptr);
  EXPECT_EQ(ListAdd(nullptr), nullptr);
  EXPECT_EQ(ListSize(nullptr), 0);
  ListSort(nullptr, 0);
  ListSortRange(nullptr, 0, 0, 1);
  ListSortStructured(nullptr, 0, 0, kTypeLong, -1, 0);
}

TEST_F(ListTest, AddReturnsNoneWhenThePoolCannotSupplyANode) {
  List* list = ListCreate(4, nullptr, nullptr, kTypeLong);
  platform::testing::HeapFailAfter(1, 2);  // the block and the one-element fallback both fail
  EXPECT_EQ(ListAdd(list), nullptr);
  platform::testing::HeapFailAfter(0);
  EXPECT_EQ(ListSize(list), 0);
  EXPECT_NE(ListAdd(list), nullptr);
  ListFree(list);
}

}  // namespace
