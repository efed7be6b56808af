// The runtime's start-up and shutdown order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvid.h"

namespace {

std::vector<std::string> Names(const RuntimeRoutine* table, int64_t count) {
  std::vector<std::string> names;
  for (int64_t i = 0; i < count; ++i) names.push_back(table[i].name);
  return names;
}

TEST(StartupOrder, LibrariesStartInTheirFixedOrder) {
  int64_t count = 0;
  const RuntimeRoutine* table = RuntimeStartupTable(&count);
  EXPECT_EQ(Names(table, count),
            (std::vector<std::string>{"StringHeapInit", "FontInit", "VectorDrawingInit", "MemoryHeapInit",
                                      "CodecInit", "BmpCodecInit", "DrawingBlendInit", "ImageInit", "DrawingInit",
                                      "ArrayInit", "ListInit", "MapInit", "XmlInit", "EventQueueInit", "WindowInit",
                                      "GadgetInit", "RuntimeNameTableInit", "DialogInit", "FileInit", "PrefInit",
                                      "ProcessInit", "RequesterInit", "PngDecoderInit", "PngEncoderInit",
                                      "JpegDecoderInit", "TiffDecoderInit", "TgaDecoderInit"}));
  EXPECT_EQ(table[0].routine, &StringHeapInit);
  EXPECT_EQ(table[3].routine, &MemoryHeapInit);
  for (int64_t i = 0; i < count; ++i) EXPECT_NE(table[i].routine, nullptr) << table[i].name;
}

TEST(StartupOrder, LibrariesShutDownInTheirFixedOrder) {
  int64_t count = 0;
  const RuntimeRoutine* table = RuntimeShutdownTable(&count);
  EXPECT_EQ(Names(table, count),
            (std::vector<std::string>{"PrefShutdown", "FileShutdown", "DialogShutdown", "GadgetShutdown",
                                      "WindowShutdown", "EventQueueShutdown", "XmlShutdown", "ImageShutdown",
                                      "DrawingShutdown", "VectorDrawingShutdown", "FontShutdown", "FontEnd",
                                      "MemoryShutdown"}));
  EXPECT_EQ(table[count - 1].routine, &MemoryShutdown);
}

TEST(StartupOrder, StartAndEndLeaveNothingBehind) {
  for (int round = 0; round < 2; ++round) {  // a second start works from a clean slate
    EXPECT_NE(ProgramStart(), nullptr);
    ASSERT_NE(MainHeap(), nullptr);
    EXPECT_NE(MemoryAlloc(8), nullptr);  // the memory heap is up
    RString text = u"strings work";
    EXPECT_EQ(text, u"strings work");
    text = nullptr;
    ProgramEnd();
    EXPECT_EQ(MemoryAlloc(8), nullptr);  // the memory heap is gone
    StringHeapShutdown();
    MainHeapDestroy();
    EXPECT_EQ(MainHeap(), nullptr);
  }
}

}  // namespace
