// Child processes and anonymous pipes: CreateProcessW over posix_spawn, process handles that can
// be waited on and asked for their exit code, and pipe ends that are ordinary file handles. A
// child whose handle is closed while it still runs is reaped in the background, so no process
// entry is left behind for the life of the program.
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kernel.h"
#include "kernel_handles.h"

extern char** environ;

namespace platform {
namespace {

struct Process : KernelObject {
  pid_t pid = -1;
  std::mutex lock;
  bool reaped = false;
  DWORD exitCode = STILL_ACTIVE;

  // Collects the child's end once; `block` waits for it. True when it has ended.
  bool Reap(bool block) {
    std::lock_guard<std::mutex> guard(lock);
    if (reaped) return true;
    int status = 0;
    pid_t got;
    do {
      got = ::waitpid(pid, &status, block ? 0 : WNOHANG);
    } while (got < 0 && errno == EINTR);
    if (got == 0) return false;
    reaped = true;
    if (got < 0) exitCode = 1;  // someone else collected it: the code is lost
    else if (WIFEXITED(status)) exitCode = static_cast<DWORD>(WEXITSTATUS(status));
    else exitCode = static_cast<DWORD>(128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0));
    return true;
  }

  ~Process() override {
    if (pid > 0 && !Reap(false)) {
      pid_t child = pid;
      std::thread([child] {
        int status;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
      }).detach();
    }
  }
};

// The primary thread of a child stands for the child itself here.
struct ProcessThread : KernelObject {
  std::shared_ptr<Process> process;
};

std::shared_ptr<Process> ProcessOf(HANDLE handle) {
  auto object = KernelHandleGet(handle);
  if (auto process = std::dynamic_pointer_cast<Process>(object)) return process;
  if (auto thread = std::dynamic_pointer_cast<ProcessThread>(object)) return thread->process;
  return nullptr;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Splits a command line as Windows programs split theirs. The first word ends at the closing
// quote or the first blank, without escapes; the others follow the quote and backslash rules.
std::vector<std::u16string> SplitCommandLine(const char16_t* line) {
  std::vector<std::u16string> words;
  if (line == nullptr) return words;
  const char16_t* at = line;
  while (IsBlank(*at)) ++at;
  if (*at == 0) return words;
  std::u16string first;
  if (*at == u'"') {
    ++at;
    while (*at && *at != u'"') first.push_back(*at++);
    if (*at == u'"') ++at;
  } else {
    while (*at && !IsBlank(*at)) first.push_back(*at++);
  }
  words.push_back(first);
  for (;;) {
    while (IsBlank(*at)) ++at;
    if (*at == 0) break;
    std::u16string word;
    bool quoted = false;
    while (*at && (quoted || !IsBlank(*at))) {
      if (*at == u'\\') {
        size_t backslashes = 0;
        while (*at == u'\\') {
          ++backslashes;
          ++at;
        }
        if (*at == u'"') {
          word.append(backslashes / 2, u'\\');
          if (backslashes % 2) word.push_back(*at++);
        } else {
          word.append(backslashes, u'\\');
        }
      } else if (*at == u'"') {
        ++at;
        if (quoted && *at == u'"') word.push_back(*at++);  // "" inside quotes is one quote
        else quoted = !quoted;
      } else {
        word.push_back(*at++);
      }
    }
    words.push_back(word);
  }
  return words;
}

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// The program file a name stands for: the name itself when it holds a folder, else the first
// executable of that name on the search path. Empty when there is none.
std::string ResolveProgram(const std::string& name) {
  if (name.empty()) return {};
  if (name.find('/') != std::string::npos) return name;
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t from = 0;
  while (from <= folders.size()) {
    size_t end = folders.find(':', from);
    if (end == std::string::npos) end = folders.size();
    // An empty entry means the current directory.
    std::string candidate = end > from ? folders.substr(from, end - from) : std::string(1, '.');
    candidate += '/';
    candidate += name;
    if (IsExecutableFile(candidate)) return candidate;
    from = end + 1;
  }
  return {};
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_ACCESS_DENIED;
  }
}

// A Windows environment block: "name=value" texts, each NUL-terminated, then a final NUL.
std::vector<std::string> ReadEnvironment(LPVOID block, bool unicode) {
  std::vector<std::string> entries;
  if (unicode) {
    const char16_t* at = static_cast<const char16_t*>(block);
    while (*at) {
      std::u16string entry(at);
      at += entry.size() + 1;
      entries.push_back(Utf16ToUtf8(entry.c_str()));
    }
  } else {
    const char* at = static_cast<const char*>(block);
    while (*at) {
      std::string entry(at);
      at += entry.size() + 1;
      entries.push_back(entry);
    }
  }
  return entries;
}

}  // namespace
}  // namespace platform

using platform::Process;
using platform::ProcessOf;

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*,
                    BOOL, DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                    STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation) {
  if (processInformation == nullptr || startupInfo == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<std::u16string> words = platform::SplitCommandLine(commandLine);
  std::string programName =
      applicationName ? platform::Utf16ToUtf8(applicationName) : (words.empty() ? "" : platform::Utf16ToUtf8(words[0].c_str()));
  if (words.empty()) words.push_back(applicationName ? applicationName : u"");
  std::string program = platform::ResolveProgram(programName);
  if (program.empty()) {
    SetLastError(programName.empty() ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  std::string directory;
  if (currentDirectory != nullptr && currentDirectory[0] != 0) {
    directory = platform::Utf16ToUtf8(currentDirectory);
    struct stat info {};
    if (::stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
      SetLastError(ERROR_DIRECTORY);
      return FALSE;
    }
  }
  int standard[3] = {-1, -1, -1};
  if (startupInfo->dwFlags & STARTF_USESTDHANDLES) {
    HANDLE given[3] = {startupInfo->hStdInput, startupInfo->hStdOutput, startupInfo->hStdError};
    for (int i = 0; i < 3; ++i) {
      if (given[i] == nullptr) continue;
      standard[i] = platform::FileDescriptor(given[i]);
      if (standard[i] < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
      }
    }
  }

  std::vector<std::string> arguments;
  for (const std::u16string& word : words) arguments.push_back(platform::Utf16ToUtf8(word.c_str()));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<std::string> environmentEntries;
  std::vector<char*> envp;
  if (environment != nullptr) {
    environmentEntries = platform::ReadEnvironment(environment, creationFlags & CREATE_UNICODE_ENVIRONMENT);
    for (std::string& entry : environmentEntries) envp.push_back(entry.data());
    envp.push_back(nullptr);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int i = 0; i < 3; ++i) {
    if (standard[i] >= 0) posix_spawn_file_actions_adddup2(&actions, standard[i], i);
  }
  if (!directory.empty()) posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
  pid_t pid = -1;
  int error = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(),
                          environment != nullptr ? envp.data() : environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) {
    SetLastError(platform::ErrorFromErrno(error));
    return FALSE;
  }
  auto process = std::make_shared<Process>();
  process->pid = pid;
  auto thread = std::make_shared<platform::ProcessThread>();
  thread->process = process;
  processInformation->hProcess = platform::KernelHandleNew(process);
  processInformation->hThread = platform::KernelHandleNew(thread);
  processInformation->dwProcessId = static_cast<DWORD>(pid);
  processInformation->dwThreadId = static_cast<DWORD>(pid);
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  auto process = ProcessOf(handle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  if (milliseconds == INFINITE) {
    process->Reap(true);
    return WAIT_OBJECT_0;
  }
  ULONGLONG deadline = GetTickCount64() + milliseconds;
  DWORD pause = 1;
  while (!process->Reap(false)) {
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return WAIT_TIMEOUT;
    Sleep(static_cast<DWORD>(std::min<ULONGLONG>(pause, deadline - now)));
    pause = std::min<DWORD>(pause * 2, 20);
  }
  return WAIT_OBJECT_0;
}

BOOL GetExitCodeProcess(HANDLE handle, DWORD* exitCode) {
  auto process = ProcessOf(handle);
  if (!process || exitCode == nullptr) {
    SetLastError(process ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  process->Reap(false);
  std::lock_guard<std::mutex> guard(process->lock);
  *exitCode = process->exitCode;
  return TRUE;
}

DWORD GetProcessId(HANDLE handle) {
  auto process = ProcessOf(handle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<DWORD>(process->pid);
}

BOOL TerminateProcess(HANDLE handle, UINT exitCode) {
  auto process = ProcessOf(handle);
  if (!process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard<std::mutex> guard(process->lock);
    if (process->reaped) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    ::kill(process->pid, SIGKILL);
  }
  process->Reap(true);
  std::lock_guard<std::mutex> guard(process->lock);
  process->exitCode = exitCode;
  return TRUE;
}

BOOL CreatePipe(HANDLE* readPipe, HANDLE* writePipe, SECURITY_ATTRIBUTES*, DWORD) {
  if (readPipe == nullptr || writePipe == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // Both ends close on exec: a child receives a pipe end only as one of its standard handles,
  // so no other child keeps a write end open and readers see the end of the data.
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    SetLastError(platform::ErrorFromErrno(errno));
    return FALSE;
  }
  *readPipe = platform::FileHandleFromDescriptor(fds[0]);
  *writePipe = platform::FileHandleFromDescriptor(fds[1]);
  return TRUE;
}

BOOL SetHandleInformation(HANDLE object, DWORD, DWORD) {
  // Inheritance is decided per child by its standard handles; the flag itself changes nothing.
  if (!platform::KernelHandleGet(object)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace platform {

// Quotes a word for a command line so that it splits back into exactly that word.
std::u16string CommandLineQuoted(const std::u16string& word) {
  std::u16string out = u"\"";
  size_t backslashes = 0;
  for (char16_t c : word) {
    if (c == u'\\') {
      ++backslashes;
      continue;
    }
    if (c == u'"') out.append(backslashes * 2 + 1, u'\\');
    else out.append(backslashes, u'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, u'\\');
  out.push_back(u'"');
  return out;
}

}  // namespace platform
