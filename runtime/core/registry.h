// The object registry every library keeps its objects in: numbered slots chosen by the program,
// and automatic objects (number CV_Any) whose id is the address of their body. An object exists
// while the first 8 bytes of its body are non-zero.
#pragma once

#include <cstdint>

using ObjectFreeRoutine = void (*)(int64_t id);

struct AutomaticLink;
struct AutomaticIndex;

struct ObjectRegistry {
  int32_t objectSize;
  int32_t growthStep;
  int64_t capacity;
  void** slots;
  AutomaticLink* automaticList;  // the newest automatic object
  ObjectFreeRoutine freeRoutine;
  int64_t iterationSlot;
  AutomaticLink* iterationNode;
  // Lookup of automatic ids in constant time, so that a made-up id is refused without a list walk.
  AutomaticIndex* automaticIndex;
};

// The highest object number a registry accepts; larger numbers are refused with none instead
// of growing the slot array to an absurd size.
constexpr int64_t kObjectNumberMax = (int64_t{1} << 24) - 1;

ObjectRegistry* ObjectRegistryCreate(int64_t objectSize, int64_t growthStep, ObjectFreeRoutine freeRoutine);
void ObjectRegistryCreateOnce(ObjectRegistry** variable, int64_t objectSize, int64_t growthStep,
                              ObjectFreeRoutine freeRoutine);
// Frees the registry's own storage (slots, bodies, automatic blocks) without calling the free
// routine; for libraries whose shutdown has already freed every object.
void ObjectRegistryDestroy(ObjectRegistry* registry);

void* ObjectNew(ObjectRegistry* registry, int64_t number);
void* ObjectGet(ObjectRegistry* registry, int64_t id);
void* ObjectIsValid(ObjectRegistry* registry, int64_t id);
void ObjectRelease(ObjectRegistry* registry, int64_t id);
void ObjectFreeAll(ObjectRegistry* registry);

void ObjectIterReset(ObjectRegistry* registry);
// The next existing object's body with its number or id in *id, or none when done.
void* ObjectIterNext(ObjectRegistry* registry, int64_t* id);
