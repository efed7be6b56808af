// The platform's module table. A library the runtime looks for at run time is present exactly
// when it has an entry here, with the procedures listed. It names procedures of every area, so it
// sits above them all rather than in the kernel that answers LoadLibraryW from it.
#include "modules.h"

#include "gdi.h"
#include "kernel.h"
#include "user.h"
#include "visual_styles.h"

namespace platform {
namespace {

template <class F>
FARPROC Proc(F* function) {
  return reinterpret_cast<FARPROC>(function);
}

const ModuleProcedure kKernel32[] = {
    {"InitOnceExecuteOnce", Proc(&InitOnceExecuteOnce)},
    {nullptr, nullptr},
};

const ModuleProcedure kMsimg32[] = {
    {"AlphaBlend", Proc(&AlphaBlend)},
    {nullptr, nullptr},
};

const ModuleProcedure kComctl32[] = {
    {"DllGetVersion", Proc(&CommonControlsDllGetVersion)},
    {nullptr, nullptr},
};

const ModuleProcedure kUxtheme[] = {
    {"IsAppThemed", Proc(&IsAppThemed)},
    {nullptr, nullptr},
};

const ModuleProcedure kDwmapi[] = {
    {"DwmIsCompositionEnabled", Proc(&DwmIsCompositionEnabled)},
    {nullptr, nullptr},
};

Module g_modules[] = {
    {"kernel32.dll", kKernel32, 1},
    {"msimg32.dll", kMsimg32, 0},
    {"comctl32.dll", kComctl32, 0},
    {"uxtheme.dll", kUxtheme, 0},
    {"dwmapi.dll", kDwmapi, 0},
};

}  // namespace

Module* ModuleFind(const std::string& key) {
  for (Module& module : g_modules) {
    if (key == module.key) return &module;
  }
  return nullptr;
}

Module* ModuleFromHandle(HMODULE handle) {
  for (Module& module : g_modules) {
    if (reinterpret_cast<HMODULE>(&module) == handle) return &module;
  }
  return nullptr;
}

}  // namespace platform
