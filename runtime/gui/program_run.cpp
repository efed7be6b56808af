// The program runner: ProgramRun starts a program as a new process, or hands a document or web
// address to the shell when no program of that name can start, and keeps a record of a program
// the caller wants to talk to (its process, its pipes). The record list is guarded, since
// programs may be started and freed from several threads.
#include <string>

#include "core/constants.h"
#include "core/library_state.h"
#include "core/registry.h"
#include "core/string_runtime.h"
#include "kernel.h"
#include "requester.h"
#include "shell.h"

namespace {

struct ProgramRecord {
  HANDLE process;       // first: the record exists while it is set
  int64_t processId;    // -1 when the shell started it
  HANDLE outputRead;    // our ends of the pipes, null without them
  HANDLE inputWrite;
  HANDLE errorRead;
  int64_t flags;
};

ObjectRegistry* g_programs = nullptr;
CRITICAL_SECTION g_programLock;
INIT_ONCE g_programLockOnce = INIT_ONCE_STATIC_INIT;

void CreateProgramLock() { InitializeCriticalSection(&g_programLock); }

void CloseIfOpen(HANDLE* handle) {
  if (*handle != nullptr) CloseHandle(*handle);
  *handle = nullptr;
}

void CloseRecord(ProgramRecord* record) {
  CloseIfOpen(&record->outputRead);
  CloseIfOpen(&record->inputWrite);
  CloseIfOpen(&record->errorRead);
  CloseIfOpen(&record->process);
}

// Called by the registry for each record it frees, with the lock held by the caller.
void ProgramRecordFree(int64_t id) {
  auto* record = static_cast<ProgramRecord*>(ObjectIsValid(g_programs, id));
  if (record == nullptr) return;
  CloseRecord(record);
  ObjectRelease(g_programs, id);
}

template <class Body>
int64_t WithRecord(int64_t program, Body body, int64_t missing) {
  if (g_programs == nullptr) return missing;
  EnterCriticalSection(&g_programLock);
  auto* record = static_cast<ProgramRecord*>(ObjectGet(g_programs, program));
  int64_t result = record ? body(record) : missing;
  LeaveCriticalSection(&g_programLock);
  return result;
}

// The pipes a run asks for; our ends and the child's ends.
struct Pipes {
  HANDLE outputRead = nullptr, outputWrite = nullptr;
  HANDLE inputRead = nullptr, inputWrite = nullptr;
  HANDLE errorRead = nullptr, errorWrite = nullptr;

  void CloseChildEnds() {
    CloseIfOpen(&outputWrite);
    CloseIfOpen(&inputRead);
    CloseIfOpen(&errorWrite);
  }
  void CloseOurEnds() {
    CloseIfOpen(&outputRead);
    CloseIfOpen(&inputWrite);
    CloseIfOpen(&errorRead);
  }
};

// Creates the pipes the flags ask for and points the child's standard handles at them. A
// standard handle left null is the caller's own. False when a pipe cannot be made.
bool PreparePipes(int64_t flags, int64_t sender, Pipes* pipes, STARTUPINFOW* startup) {
  startup->dwFlags |= STARTF_USESTDHANDLES;
  if ((flags & CV_Program_Read) && !CreatePipe(&pipes->outputRead, &pipes->outputWrite, nullptr, 0)) return false;
  if ((flags & CV_Program_Error) && !CreatePipe(&pipes->errorRead, &pipes->errorWrite, nullptr, 0)) return false;
  if (flags & CV_Program_Connect) {
    // The sender's output feeds this program's input; the sender keeps its own end.
    startup->hStdInput = nullptr;
    WithRecord(sender, [&](ProgramRecord* from) { startup->hStdInput = from->outputRead; return int64_t{0}; }, 0);
  } else {
    if ((flags & CV_Program_Write) && !CreatePipe(&pipes->inputRead, &pipes->inputWrite, nullptr, 0)) return false;
    startup->hStdInput = pipes->inputRead;
  }
  startup->hStdOutput = pipes->outputWrite;
  startup->hStdError = pipes->errorWrite;
  return true;
}

// Waits when asked, then keeps a record or lets the process go.
int64_t Started(HANDLE process, int64_t processId, int64_t flags, Pipes* pipes) {
  if ((flags & CV_Program_Wait) && process != nullptr) WaitForSingleObject(process, INFINITE);
  if (!(flags & CV_Program_Open) || process == nullptr || g_programs == nullptr) {
    if (process != nullptr) CloseHandle(process);
    pipes->CloseOurEnds();
    return 1;
  }
  EnterCriticalSection(&g_programLock);
  auto* record = static_cast<ProgramRecord*>(ObjectNew(g_programs, CV_Any));
  if (record != nullptr) {
    *record = ProgramRecord{process, processId, pipes->outputRead, pipes->inputWrite, pipes->errorRead, flags};
  }
  LeaveCriticalSection(&g_programLock);
  if (record == nullptr) {
    // Started, but there is no room to keep it: the caller learns it started.
    CloseHandle(process);
    pipes->CloseOurEnds();
    return 1;
  }
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(record));
}

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

// The folder a file lies in, when the text before its last separator names an existing one.
// A web address has separators too but no such folder.
std::u16string FileFolder(const char16_t* file) {
  int64_t cut = StrLen(file);
  while (cut > 0 && !IsSeparator(file[cut - 1])) --cut;
  if (cut == 0) return {};
  std::u16string folder(file, cut > 1 ? cut - 1 : 1);
  DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
  return folder;
}

}  // namespace

void ProcessInit() {
  InitOnce(&g_programLockOnce, CreateProgramLock);
  g_programs = ObjectRegistryCreate(sizeof(ProgramRecord), 4, ProgramRecordFree);
}

void ProcessShutdown() {
  if (g_programs == nullptr) return;
  ProgramFree(CV_Any);
  ObjectRegistryDestroy(g_programs);
  g_programs = nullptr;
}

int64_t ProgramRun(const char16_t* file, const char16_t* parameters, const char16_t* directory, int64_t flags,
                   int64_t sender) {
  if (file == nullptr || file[0] == 0) return 0;
  // The program's name in quotes, so that a path with spaces stays one word.
  std::u16string commandLine = file[0] == u'"' ? std::u16string(file) : u"\"" + std::u16string(file) + u"\"";
  if (parameters != nullptr && parameters[0] != 0) commandLine += u" " + std::u16string(parameters);
  bool hidden = flags & CV_Program_Hide;
  WORD show = hidden ? SW_HIDE : SW_SHOWNORMAL;
  const char16_t* workingDirectory = (directory != nullptr && directory[0] != 0) ? directory : nullptr;
  bool piped = flags & (CV_Program_Read | CV_Program_Write | CV_Program_Error | CV_Program_Connect);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show;
  Pipes pipes;
  if (piped && !PreparePipes(flags, sender, &pipes, &startup)) {
    pipes.CloseChildEnds();
    pipes.CloseOurEnds();
    return 0;
  }
  DWORD creation = NORMAL_PRIORITY_CLASS | (hidden ? CREATE_NEW_CONSOLE : 0);
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, creation, nullptr, workingDirectory,
                     &startup, &started)) {
    CloseHandle(started.hThread);
    pipes.CloseChildEnds();
    return Started(started.hProcess, started.dwProcessId, flags, &pipes);
  }
  pipes.CloseChildEnds();
  pipes.CloseOurEnds();
  if (piped) return 0;  // the shell cannot connect pipes

  // No program of that name: a document or a web address, which the shell opens.
  std::u16string folder = workingDirectory ? std::u16string(workingDirectory) : FileFolder(file);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
  info.lpFile = file;
  info.lpParameters = (parameters != nullptr && parameters[0] != 0) ? parameters : nullptr;
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = show;
  if (!ShellExecuteExW(&info)) return 0;
  Pipes none;
  return Started(info.hProcess, -1, flags, &none);
}

void ProgramFree(int64_t program) {
  if (g_programs == nullptr) return;
  EnterCriticalSection(&g_programLock);
  if (program == CV_Any) ObjectFreeAll(g_programs);
  else ProgramRecordFree(program);
  LeaveCriticalSection(&g_programLock);
}

int64_t ProgramId(int64_t program) {
  return WithRecord(program, [](ProgramRecord* record) { return record->processId; }, 0);
}

int64_t ProgramWait(int64_t program, int64_t milliseconds) {
  // The handle is taken under the lock and waited on outside it, so others can use the list.
  HANDLE process = nullptr;
  WithRecord(program, [&](ProgramRecord* record) { process = record->process; return int64_t{0}; }, 0);
  if (process == nullptr) return 0;
  DWORD limit = (milliseconds < 0 || milliseconds >= INFINITE) ? INFINITE : static_cast<DWORD>(milliseconds);
  return WaitForSingleObject(process, limit) == WAIT_OBJECT_0 ? 1 : 0;
}

int64_t ProgramExitCode(int64_t program) {
  return WithRecord(program, [](ProgramRecord* record) -> int64_t {
    DWORD code = 0;
    if (!GetExitCodeProcess(record->process, &code) || code == STILL_ACTIVE) return -1;
    return code;
  }, -1);
}

int64_t ProgramRead(int64_t program, void* buffer, int64_t bytes, int64_t error) {
  if (buffer == nullptr || bytes <= 0) return 0;
  HANDLE pipe = nullptr;
  WithRecord(program, [&](ProgramRecord* record) { pipe = error ? record->errorRead : record->outputRead; return int64_t{0}; }, 0);
  if (pipe == nullptr) return 0;
  DWORD read = 0;
  ReadFile(pipe, buffer, static_cast<DWORD>(std::min<int64_t>(bytes, 0x7FFFFFFF)), &read, nullptr);
  return read;
}

int64_t ProgramWrite(int64_t program, const void* buffer, int64_t bytes) {
  if (buffer == nullptr || bytes <= 0) return 0;
  HANDLE pipe = nullptr;
  WithRecord(program, [&](ProgramRecord* record) { pipe = record->inputWrite; return int64_t{0}; }, 0);
  if (pipe == nullptr) return 0;
  DWORD written = 0;
  WriteFile(pipe, buffer, static_cast<DWORD>(std::min<int64_t>(bytes, 0x7FFFFFFF)), &written, nullptr);
  return written;
}

void ProgramCloseInput(int64_t program) {
  WithRecord(program, [](ProgramRecord* record) { CloseIfOpen(&record->inputWrite); return int64_t{0}; }, 0);
}
