// The object registry: slot numbers, automatic ids, growth, reuse, release, iteration and the
// refusal of numbers and ids that name nothing.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "runtime_fixture.h"
#include "testing.h"

namespace {

struct Thing {
  int64_t handle;  // non-zero while the thing exists
  int64_t payload;
};

ObjectRegistry* g_registry = nullptr;
std::vector<int64_t> g_freed;

// A library's free routine: releases one object, or all of them for -1.
void FreeThing(int64_t id) {
  if (id == -1) {
    ObjectFreeAll(g_registry);
    return;
  }
  if (ObjectGet(g_registry, id) == nullptr) return;
  g_freed.push_back(id);
  ObjectRelease(g_registry, id);
}

Thing* NewThing(int64_t number, int64_t payload) {
  auto* thing = static_cast<Thing*>(ObjectNew(g_registry, number));
  if (thing) {
    thing->handle = 1;
    thing->payload = payload;
  }
  return thing;
}

int64_t IdOf(Thing* thing) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(thing)); }

class RegistryTest : public CoreRuntimeTest {
 protected:
  void SetUp() override {
    CoreRuntimeTest::SetUp();
    g_freed.clear();
    g_registry = ObjectRegistryCreate(sizeof(Thing), 16, FreeThing);
    ASSERT_NE(g_registry, nullptr);
  }
};

TEST_F(RegistryTest, GrowsOnlyPastItsCapacityByTheGrowthStep) {
  EXPECT_EQ(g_registry->capacity, 16);
  NewThing(5, 0);
  EXPECT_EQ(g_registry->capacity, 16);
  NewThing(40, 0);
  EXPECT_EQ(g_registry->capacity, 56);
  EXPECT_NE(ObjectGet(g_registry, 5), nullptr);  // growth keeps the objects there were
}

TEST_F(RegistryTest, TakingANumberAgainFreesTheOldObjectAndReusesItsBody) {
  Thing* first = NewThing(7, 111);
  Thing* second = NewThing(7, 222);
  EXPECT_EQ(first, second);
  EXPECT_EQ(g_freed, std::vector<int64_t>{7});
  EXPECT_EQ(second->payload, 222);
}

TEST_F(RegistryTest, ReleasedNumbersYieldNoneUntilCreatedAgain) {
  Thing* thing = NewThing(3, 1);
  FreeThing(3);
  EXPECT_EQ(ObjectGet(g_registry, 3), nullptr);
  EXPECT_EQ(ObjectIsValid(g_registry, 3), nullptr);
  EXPECT_EQ(NewThing(3, 2), thing);  // the zeroed body is reused
  EXPECT_EQ(static_cast<Thing*>(ObjectGet(g_registry, 3))->payload, 2);
}

TEST_F(RegistryTest, AutomaticIdsAreDistinctAndNeverSlotNumbers) {
  Thing* older = NewThing(CV_Any, 1);
  Thing* newer = NewThing(CV_Any, 2);
  ASSERT_NE(older, nullptr);
  ASSERT_NE(newer, nullptr);
  EXPECT_NE(older, newer);
  for (Thing* thing : {older, newer}) {
    EXPECT_FALSE(IdOf(thing) >= 0 && IdOf(thing) < g_registry->capacity);
    EXPECT_EQ(ObjectGet(g_registry, IdOf(thing)), thing);
  }
  FreeThing(IdOf(newer));
  EXPECT_EQ(ObjectIsValid(g_registry, IdOf(newer)), nullptr);
  EXPECT_EQ(ObjectGet(g_registry, IdOf(older)), older);
}

TEST_F(RegistryTest, MadeUpIdsAndBadNumbersYieldNone) {
  Thing* thing = NewThing(CV_Any, 1);
  EXPECT_EQ(ObjectGet(g_registry, IdOf(thing) + 8), nullptr);  // inside a live body, not its id
  EXPECT_EQ(ObjectGet(g_registry, 0x7FFFFFFF0000), nullptr);
  EXPECT_EQ(ObjectGet(g_registry, -5), nullptr);
  EXPECT_EQ(ObjectGet(g_registry, 15), nullptr);  // an empty slot
  EXPECT_EQ(ObjectNew(g_registry, -5), nullptr);
  int64_t capacity = g_registry->capacity;
  EXPECT_EQ(ObjectNew(g_registry, int64_t{1} << 40), nullptr);  // no terabyte slot array
  EXPECT_EQ(g_registry->capacity, capacity);
  EXPECT_EQ(ObjectGet(nullptr, 1), nullptr);
  ObjectRelease(g_registry, 0x1234);  // nothing to release: no effect
  EXPECT_EQ(ObjectGet(g_registry, IdOf(thing)), thing);
}

TEST_F(RegistryTest, ABodyWhoseFirstFieldIsZeroCountsAsAbsent) {
  Thing* thing = NewThing(2, 5);
  thing->handle = 0;
  EXPECT_EQ(ObjectGet(g_registry, 2), nullptr);
  Thing* automatic = NewThing(CV_Any, 5);
  automatic->handle = 0;
  EXPECT_EQ(ObjectGet(g_registry, IdOf(automatic)), nullptr);
}

TEST_F(RegistryTest, IterationVisitsSlotsAscendingThenAutomaticObjectsOldestFirst) {
  Thing* a = NewThing(CV_Any, 1);
  NewThing(9, 0);
  Thing* b = NewThing(CV_Any, 2);
  NewThing(2, 0);
  NewThing(4, 0)->handle = 0;  // allocated but not existing
  std::vector<int64_t> seen;
  ObjectIterReset(g_registry);
  int64_t id;
  while (ObjectIterNext(g_registry, &id)) seen.push_back(id);
  EXPECT_EQ(seen, (std::vector<int64_t>{2, 9, IdOf(a), IdOf(b)}));
}

TEST_F(RegistryTest, FreeAllCallsTheFreeRoutineForEveryObject) {
  Thing* a = NewThing(CV_Any, 1);
  Thing* b = NewThing(CV_Any, 2);
  NewThing(1, 0);
  NewThing(20, 0);
  FreeThing(-1);
  // Slots in ascending order, then the newest automatic object again and again.
  EXPECT_EQ(g_freed, (std::vector<int64_t>{1, 20, IdOf(b), IdOf(a)}));
  EXPECT_EQ(g_registry->automaticList, nullptr);
  ObjectIterReset(g_registry);
  EXPECT_EQ(ObjectIterNext(g_registry, nullptr), nullptr);
}

TEST_F(RegistryTest, AllocationFailureLeavesTheRegistryAsItWas) {
  platform::testing::HeapFailAfter(1);
  EXPECT_EQ(ObjectNew(g_registry, 100), nullptr);
  EXPECT_EQ(g_registry->capacity, 16);
  platform::testing::HeapFailAfter(1);
  EXPECT_EQ(ObjectNew(g_registry, 3), nullptr);
  EXPECT_EQ(ObjectGet(g_registry, 3), nullptr);
  platform::testing::HeapFailAfter(2);  // the index has room; the object block fails
  Thing* survivor = NewThing(CV_Any, 1);
  platform::testing::HeapFailAfter(0);
  EXPECT_NE(NewThing(3, 1), nullptr);
  (void)survivor;
}

TEST_F(RegistryTest, ThousandsOfAutomaticObjectsStayFindableThroughReleases) {
  std::vector<Thing*> things;
  for (int i = 0; i < 5000; ++i) things.push_back(NewThing(CV_Any, i));
  for (int i = 0; i < 5000; i += 2) FreeThing(IdOf(things[i]));
  for (int i = 0; i < 5000; ++i) {
    void* found = ObjectGet(g_registry, IdOf(things[i]));
    if (i % 2) ASSERT_EQ(found, things[i]) << i;
    else ASSERT_EQ(found, nullptr) << i;
  }
}

TEST_F(RegistryTest, CreateOnceCreatesOnlyWhenTheVariableIsEmpty) {
  ObjectRegistry* variable = nullptr;
  ObjectRegistryCreateOnce(&variable, 16, 4, nullptr);
  ASSERT_NE(variable, nullptr);
  ObjectRegistry* first = variable;
  ObjectRegistryCreateOnce(&variable, 16, 4, nullptr);
  EXPECT_EQ(variable, first);
  EXPECT_EQ(variable->capacity, 4);
}

}  // namespace
