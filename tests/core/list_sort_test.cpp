// Sorting lists: stability, both directions, every element type, unordered floats, ranges and
// fields of structured elements, and the chain and current element after a sort.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "runtime_fixture.h"

namespace {

class ListSortTest : public CoreRuntimeTest {
 protected:
  void TearDown() override {
    for (List* list : lists_) ListFree(list);
    CoreRuntimeTest::TearDown();
  }
  List* NewList(int64_t elementSize, const int64_t* descriptor, int64_t type) {
    lists_.push_back(ListCreate(elementSize, nullptr, descriptor, type));
    return lists_.back();
  }
  List* StringList(std::initializer_list<const char16_t*> texts) {
    List* list = NewList(8, kStringElement, kTypeString);
    for (const char16_t* text : texts) {
      if (text) StrAssign(static_cast<char16_t**>(ListAdd(list)), text);
      else ListAdd(list);  // a missing string
    }
    return list;
  }
  template <class Value>
  List* NumberList(int64_t type, std::initializer_list<Value> values) {
    List* list = NewList(sizeof(Value), nullptr, type);
    for (Value value : values) std::memcpy(ListAdd(list), &value, sizeof value);
    return list;
  }

  static constexpr int64_t kStringElement[] = {0, kDescEnd};
  std::vector<List*> lists_;
};

std::vector<std::u16string> Texts(List* list) {
  std::vector<std::u16string> texts;
  for (ListNode* node = list->first; node; node = node->next) texts.push_back(Text(*static_cast<char16_t**>(ListNodeData(node))));
  return texts;
}

template <class Value>
std::vector<Value> Numbers(List* list) {
  std::vector<Value> values;
  for (ListNode* node = list->first; node; node = node->next) {
    Value value;
    std::memcpy(&value, ListNodeData(node), sizeof value);
    values.push_back(value);
  }
  return values;
}

// Both links agree, first and last are the chain's ends, and the count matches.
void ExpectSoundChain(List* list) {
  int64_t count = 0;
  ListNode* previous = nullptr;
  for (ListNode* node = list->first; node; previous = node, node = node->next, ++count) {
    ASSERT_EQ(node->previous, previous);
  }
  EXPECT_EQ(list->last, previous);
  EXPECT_EQ(count, list->count);
}

TEST_F(ListSortTest, CaseInsensitiveSortKeepsEqualKeysInOrder) {
  List* list = StringList({u"b", u"A", u"a", u"B"});
  ListSort(list, kSortNoCase);
  EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"A", u"a", u"b", u"B"}));
  ExpectSoundChain(list);
}

TEST_F(ListSortTest, PlainStringSortComparesCodeUnits) {
  List* list = StringList({u"b", u"A", u"a", u"B"});
  ListSort(list, 0);
  EXPECT_EQ(Texts(list), (std::vector<std::u16string>{u"A", u"B", u"a", u"b"}));
  List* units = StringList({u"\uFFFF", u"abc", u"ab", nullptr, u"\U0001F600", u"\uE000", u""});
  ListSort(units, 0);
  // A missing string is the empty text; a prefix comes first; units compare unsigned.
  EXPECT_EQ(Texts(units), (std::vector<std::u16string>{u"", u"", u"ab", u"abc", u"\U0001F600", u"\uE000", u"\uFFFF"}));
  ListSort(units, kSortDescending);
  EXPECT_EQ(Texts(units), (std::vector<std::u16string>{u"\uFFFF", u"\uE000", u"\U0001F600", u"abc", u"ab", u"", u""}));
}

TEST_F(ListSortTest, DescendingSortIsStableToo) {
  List* list = NumberList<int32_t>(kTypeLong, {3, -1, 3, 2});
  ListNode* firstThree = list->first;
  ListSort(list, kSortDescending);
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{3, 3, 2, -1}));
  EXPECT_EQ(list->first, firstThree);  // nodes are relinked, not copied
  ExpectSoundChain(list);
}

TEST_F(ListSortTest, EmptyAndSingleElementListsStayAsTheyAre) {
  List* empty = NumberList<int32_t>(kTypeLong, {});
  ListSort(empty, 0);
  EXPECT_EQ(empty->first, nullptr);
  EXPECT_EQ(empty->last, nullptr);
  List* one = NumberList<int32_t>(kTypeLong, {7});
  ListNode* node = one->first;
  ListSort(one, kSortDescending);
  EXPECT_EQ(one->first, node);
  EXPECT_EQ(one->last, node);
  ExpectSoundChain(one);
}

TEST_F(ListSortTest, EveryIntegerTypeSortsByItsOwnSignedness) {
  EXPECT_EQ((Numbers<int8_t>([&] { List* l = NumberList<int8_t>(kTypeByte, {5, -128, 127, 0}); ListSort(l, 0); return l; }())),
            (std::vector<int8_t>{-128, 0, 5, 127}));
  EXPECT_EQ((Numbers<uint8_t>([&] { List* l = NumberList<uint8_t>(kTypeAscii, {200, 5, 128, 0}); ListSort(l, 0); return l; }())),
            (std::vector<uint8_t>{0, 5, 128, 200}));
  EXPECT_EQ((Numbers<int16_t>([&] { List* l = NumberList<int16_t>(kTypeWord, {-2, 300, -32768}); ListSort(l, 0); return l; }())),
            (std::vector<int16_t>{-32768, -2, 300}));
  for (int64_t type : {kTypeCharacter, kTypeUnicode}) {
    List* l = NumberList<uint16_t>(type, {0xFFFF, u'a', 0x8000});
    ListSort(l, 0);
    EXPECT_EQ(Numbers<uint16_t>(l), (std::vector<uint16_t>{u'a', 0x8000, 0xFFFF})) << type;
  }
  EXPECT_EQ((Numbers<int32_t>([&] { List* l = NumberList<int32_t>(kTypeLong, {INT32_MAX, INT32_MIN, 0}); ListSort(l, kSortDescending); return l; }())),
            (std::vector<int32_t>{INT32_MAX, 0, INT32_MIN}));
  for (int64_t type : {kTypeQuad, kTypeInteger}) {
    List* l = NumberList<int64_t>(type, {INT64_MAX, -1, INT64_MIN, int64_t{1} << 40});
    ListSort(l, 0);
    EXPECT_EQ(Numbers<int64_t>(l), (std::vector<int64_t>{INT64_MIN, -1, int64_t{1} << 40, INT64_MAX})) << type;
  }
}

TEST_F(ListSortTest, FloatsSortWithInfinitiesAndKeepEqualZerosInOrder) {
  const double inf = std::numeric_limits<double>::infinity();
  List* doubles = NumberList<double>(kTypeDouble, {2.5, -inf, 0.0, -0.0, inf, -3.25});
  ListSort(doubles, 0);
  std::vector<double> sorted = Numbers<double>(doubles);
  EXPECT_EQ(sorted, (std::vector<double>{-inf, -3.25, 0.0, -0.0, 2.5, inf}));
  EXPECT_FALSE(std::signbit(sorted[2]));  // +0 was first and stays first
  List* floats = NumberList<float>(kTypeFloat, {1.5f, -2.0f, 1e30f});
  ListSort(floats, kSortDescending);
  EXPECT_EQ(Numbers<float>(floats), (std::vector<float>{1e30f, 1.5f, -2.0f}));
}

TEST_F(ListSortTest, NaNIsNeverOutOfOrderSoItSplitsTheRunsAroundIt) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // Halves [3, 1] and [NaN, 2, 0] sort to [1, 3] and [NaN, 0, 2]; merging never moves an
  // element past the NaN, which compares false with everything.
  List* list = NumberList<double>(kTypeDouble, {3, 1, nan, 2, 0});
  ListSort(list, 0);
  std::vector<double> sorted = Numbers<double>(list);
  ASSERT_EQ(sorted.size(), 5u);
  EXPECT_EQ(sorted[0], 1);
  EXPECT_EQ(sorted[1], 3);
  EXPECT_TRUE(std::isnan(sorted[2]));
  EXPECT_EQ(sorted[3], 0);
  EXPECT_EQ(sorted[4], 2);
  ExpectSoundChain(list);
  List* allNan = NumberList<float>(kTypeFloat, {std::nanf(""), std::nanf(""), std::nanf("")});
  ListNode* first = allNan->first;
  ListSort(allNan, kSortDescending);
  EXPECT_EQ(allNan->first, first);
}

TEST_F(ListSortTest, ALargeSortMatchesAStableReference) {
  struct Record {
    int32_t key;
    int32_t sequence;
  };
  List* list = NewList(sizeof(Record), nullptr, kTypeLong);
  std::vector<Record> reference;
  std::mt19937 random(7);
  for (int32_t i = 0; i < 5000; ++i) {
    Record record{static_cast<int32_t>(random() % 50) - 25, i};
    *static_cast<Record*>(ListAdd(list)) = record;
    reference.push_back(record);
  }
  ListSort(list, kSortDescending);  // by the key, the element's first 32 bits
  std::stable_sort(reference.begin(), reference.end(), [](const Record& a, const Record& b) { return a.key > b.key; });
  size_t i = 0;
  for (ListNode* node = list->first; node; node = node->next, ++i) {
    auto* record = static_cast<Record*>(ListNodeData(node));
    ASSERT_EQ(record->key, reference[i].key) << i;
    ASSERT_EQ(record->sequence, reference[i].sequence) << i;
  }
  ExpectSoundChain(list);
}

TEST_F(ListSortTest, RangeSortTouchesOnlyItsPositions) {
  List* list = NumberList<int32_t>(kTypeLong, {5, 4, 3, 2, 1});
  ListSortRange(list, 0, 1, 3);
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{5, 2, 3, 4, 1}));
  ExpectSoundChain(list);
  ListSortRange(list, 0, 0, 4);
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{1, 2, 3, 4, 5}));
  ListSortRange(list, kSortDescending, 3, 4);  // up to the last node
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{1, 2, 3, 5, 4}));
  ExpectSoundChain(list);
}

TEST_F(ListSortTest, RangesThatDoNotExistChangeNothing) {
  List* list = NumberList<int32_t>(kTypeLong, {3, 2, 1});
  ListSortRange(list, 0, 1, 3);
  ListSortRange(list, 0, -1, 2);
  ListSortRange(list, 0, 2, 0);
  ListSortRange(list, 0, INT64_MIN, INT64_MAX);
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{3, 2, 1}));
}

TEST_F(ListSortTest, TheCurrentNodeStaysTheSameAndItsIndexFollowsIt) {
  ListVariable variable{};
  List* list = ListCreate(4, &variable, nullptr, kTypeLong);
  lists_.push_back(list);
  for (int32_t value : {30, 10, 20}) *static_cast<int32_t*>(ListAdd(list)) = value;
  ListReset(list);
  auto* current = static_cast<int32_t*>(ListNext(list));  // 30
  ListSort(list, 0);
  EXPECT_EQ(variable.current, current);
  EXPECT_EQ(list->index, 2);
  EXPECT_EQ(list->beforeFirst, 1);
  EXPECT_EQ(ListNext(list), nullptr);  // 30 is last now
  ListReset(list);
  EXPECT_EQ(*static_cast<int32_t*>(ListNext(list)), 10);
}

struct Font {
  int32_t size;
  int32_t pad;
  double weight;
  char16_t* name;
};
constexpr int64_t kFontDescriptor[] = {offsetof(Font, name), kDescEnd};

TEST_F(ListSortTest, StructuredSortUsesTheNamedField) {
  List* list = NewList(sizeof(Font), kFontDescriptor, 0);
  struct Row {
    int32_t size;
    double weight;
    const char16_t* name;
  };
  for (const Row& row : {Row{12, 0.5, u"delta"}, Row{8, 2.0, u"Alpha"}, Row{12, -1.0, u"charlie"}, Row{10, 2.0, u"Bravo"}}) {
    auto* font = static_cast<Font*>(ListAdd(list));
    font->size = row.size;
    font->weight = row.weight;
    StrAssign(&font->name, row.name);
  }
  auto names = [&] {
    std::vector<std::u16string> result;
    for (ListNode* node = list->first; node; node = node->next) result.push_back(Text(static_cast<Font*>(ListNodeData(node))->name));
    return result;
  };
  ListSortStructured(list, kSortNoCase, offsetof(Font, name), kTypeString, -1, 0);
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Alpha", u"Bravo", u"charlie", u"delta"}));
  ListSortStructured(list, kSortDescending, offsetof(Font, weight), kTypeDouble, -1, -1);
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Alpha", u"Bravo", u"delta", u"charlie"}));
  ListSortStructured(list, 0, offsetof(Font, size), kTypeLong, 1, 3);
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Alpha", u"Bravo", u"delta", u"charlie"}));
  ListSortStructured(list, 0, offsetof(Font, size), kTypeLong, 0, 3);
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"Alpha", u"Bravo", u"delta", u"charlie"}));
  ListSortStructured(list, kSortDescending, offsetof(Font, size), kTypeLong, -1, 0);
  EXPECT_EQ(names(), (std::vector<std::u16string>{u"delta", u"charlie", u"Bravo", u"Alpha"}));
  ExpectSoundChain(list);
}

TEST_F(ListSortTest, StructuredSortRefusesFieldsOutsideTheElementAndUnknownTypes) {
  List* list = NumberList<int32_t>(kTypeLong, {2, 1});
  ListSortStructured(list, 0, 1, kTypeLong, -1, 0);    // 4 bytes at offset 1 overrun the element
  ListSortStructured(list, 0, -8, kTypeLong, -1, 0);
  ListSortStructured(list, 0, 0, kTypeDouble, -1, 0);  // 8 bytes in a 4-byte element
  ListSortStructured(list, 0, 0, 99, -1, 0);
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{2, 1}));
  ListSortStructured(list, 0, 0, -1, -1, 0);  // -1: the list's own type
  EXPECT_EQ(Numbers<int32_t>(list), (std::vector<int32_t>{1, 2}));
  List* untyped = NumberList<int32_t>(77, {2, 1});
  ListSort(untyped, 0);
  EXPECT_EQ(Numbers<int32_t>(untyped), (std::vector<int32_t>{2, 1}));
}

}  // namespace
