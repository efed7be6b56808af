// The start-up and shutdown tables and the routines that run them.
#include "startup.h"

#include "corvid.h"

namespace {

const RuntimeRoutine kStartup[] = {
    {"StringHeapInit", StringHeapInit},
    {"FontInit", FontInit},
    {"VectorDrawingInit", VectorDrawingInit},
    {"MemoryHeapInit", MemoryHeapInit},
    {"CodecInit", CodecInit},
    {"BmpCodecInit", BmpCodecInit},
    {"DrawingBlendInit", DrawingBlendInit},
    {"ImageInit", ImageInit},
    {"DrawingInit", DrawingInit},
    {"ArrayInit", ArrayInit},
    {"ListInit", ListInit},
    {"MapInit", MapInit},
    {"XmlInit", XmlInit},
    {"EventQueueInit", EventQueueInit},
    {"WindowInit", WindowInit},
    {"GadgetInit", GadgetInit},
    {"RuntimeNameTableInit", RuntimeNameTableInit},
    {"DialogInit", DialogInit},
    {"FileInit", FileInit},
    {"PrefInit", PrefInit},
    {"ProcessInit", ProcessInit},
    {"RequesterInit", RequesterInit},
    {"PngDecoderInit", PngDecoderInit},
    {"PngEncoderInit", PngEncoderInit},
    {"JpegDecoderInit", JpegDecoderInit},
    {"TiffDecoderInit", TiffDecoderInit},
    {"TgaDecoderInit", TgaDecoderInit},
};

const RuntimeRoutine kShutdown[] = {
    {"PrefShutdown", PrefShutdown},
    {"FileShutdown", FileShutdown},
    {"DialogShutdown", DialogShutdown},
    {"GadgetShutdown", GadgetShutdown},
    {"WindowShutdown", WindowShutdown},
    {"EventQueueShutdown", EventQueueShutdown},
    {"XmlShutdown", XmlShutdown},
    {"ImageShutdown", ImageShutdown},
    {"DrawingShutdown", DrawingShutdown},
    {"VectorDrawingShutdown", VectorDrawingShutdown},
    {"FontShutdown", FontShutdown},
    {"FontEnd", FontEnd},
    {"MemoryShutdown", MemoryShutdown},
};

HMODULE g_module = nullptr;

}  // namespace

const RuntimeRoutine* RuntimeStartupTable(int64_t* count) {
  if (count) *count = static_cast<int64_t>(sizeof kStartup / sizeof kStartup[0]);
  return kStartup;
}

const RuntimeRoutine* RuntimeShutdownTable(int64_t* count) {
  if (count) *count = static_cast<int64_t>(sizeof kShutdown / sizeof kShutdown[0]);
  return kShutdown;
}

HMODULE ProgramStart() {
  g_module = GetModuleHandleW(nullptr);
  MainHeapCreate();
  for (const RuntimeRoutine& entry : kStartup) entry.routine();
  return g_module;
}

void ProgramEnd() {
  for (const RuntimeRoutine& entry : kShutdown) entry.routine();
}

HMODULE ProgramModule() { return g_module; }
