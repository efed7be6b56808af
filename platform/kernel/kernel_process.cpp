// The process side of the kernel layer: the last-error value, time, sleeping, module handles,
// run-time library loading and process exit. Libraries are not loaded from disk: LoadLibraryW
// answers from the platform's table of the modules it provides (modules.cpp).
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <mutex>
#include <string>

#include "kernel.h"
#include "modules.h"

namespace {

thread_local DWORD t_lastError = 0;
HINSTANCE__ g_programModule{};

void FillSystemTime(SYSTEMTIME* out, bool local) {
  if (out == nullptr) return;
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  time_t seconds = now.tv_sec;
  struct tm fields {};
  if (local) localtime_r(&seconds, &fields);
  else gmtime_r(&seconds, &fields);
  out->wYear = static_cast<WORD>(fields.tm_year + 1900);
  out->wMonth = static_cast<WORD>(fields.tm_mon + 1);
  out->wDayOfWeek = static_cast<WORD>(fields.tm_wday);
  out->wDay = static_cast<WORD>(fields.tm_mday);
  out->wHour = static_cast<WORD>(fields.tm_hour);
  out->wMinute = static_cast<WORD>(fields.tm_min);
  out->wSecond = static_cast<WORD>(fields.tm_sec);
  out->wMilliseconds = static_cast<WORD>(now.tv_nsec / 1000000);
}

// The table's key for a module name: lower case, folders dropped, ".dll" added when absent.
std::string ModuleKey(const std::string& name) {
  std::string key = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (key.find('.') == std::string::npos) key += ".dll";
  return key;
}

std::mutex g_moduleLock;

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD error) { t_lastError = error; }

void GetLocalTime(SYSTEMTIME* time) { FillSystemTime(time, true); }
void GetSystemTime(SYSTEMTIME* time) { FillSystemTime(time, false); }

ULONGLONG GetTickCount64() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<ULONGLONG>(now.tv_sec) * 1000 + static_cast<ULONGLONG>(now.tv_nsec / 1000000);
}
DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  struct timespec delay {static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&delay, &delay) != 0) {
  }
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
  if (moduleName == nullptr) return &g_programModule;
  std::lock_guard<std::mutex> guard(g_moduleLock);
  platform::Module* module = platform::ModuleFind(ModuleKey(platform::Utf16ToUtf8(moduleName)));
  if (module == nullptr || module->references == 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<HMODULE>(module);
}

HMODULE LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::lock_guard<std::mutex> guard(g_moduleLock);
  platform::Module* module = platform::ModuleFind(ModuleKey(fileName));
  if (module == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  ++module->references;
  return reinterpret_cast<HMODULE>(module);
}

HMODULE LoadLibraryW(LPCWSTR fileName) {
  if (fileName == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return LoadLibraryA(platform::Utf16ToUtf8(fileName).c_str());
}

FARPROC GetProcAddress(HMODULE handle, LPCSTR procName) {
  std::lock_guard<std::mutex> guard(g_moduleLock);
  platform::Module* module = platform::ModuleFromHandle(handle);
  if (module == nullptr || procName == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  for (const platform::ModuleProcedure* entry = module->procedures; entry && entry->name; ++entry) {
    if (std::string(entry->name) == procName) return entry->address;
  }
  SetLastError(ERROR_PROC_NOT_FOUND);
  return nullptr;
}

BOOL FreeLibrary(HMODULE handle) {
  std::lock_guard<std::mutex> guard(g_moduleLock);
  platform::Module* module = platform::ModuleFromHandle(handle);
  if (module == nullptr || module->references == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  --module->references;
  return TRUE;
}

void ExitProcess(UINT exitCode) {
  std::fflush(nullptr);
  std::exit(static_cast<int>(exitCode));
}
