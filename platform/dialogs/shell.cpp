// ShellExecuteExW on Linux: a program file runs through CreateProcessW with the parameters as its
// command line; a web address or an existing document goes to the display backend's opener. Each
// request and what it ran are recorded, so a caller's intent can be checked without a desktop.
#include "shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "backend.h"
#include "dialogs_records.h"

namespace {

struct ShellState {
  std::mutex lock;
  platform::testing::ShellRequest last;
  int64_t count = 0;
};

ShellState& State() {
  static ShellState state;
  return state;
}

std::u16string Text(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

// "scheme:" of two or more letters, digits, "+", "-" or "." after a letter, as in http: or
// mailto:. One letter is a drive, not a scheme.
bool IsAddress(const std::u16string& file) {
  size_t colon = file.find(u':');
  if (colon == std::u16string::npos || colon < 2) return false;
  auto letter = [](char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); };
  if (!letter(file[0])) return false;
  for (size_t i = 1; i < colon; ++i) {
    char16_t c = file[i];
    if (!letter(c) && !(c >= u'0' && c <= u'9') && c != u'+' && c != u'-' && c != u'.') return false;
  }
  return true;
}

int ShellError(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return SE_ERR_FNF;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return SE_ERR_PNF;
    case ERROR_NOT_ENOUGH_MEMORY: return SE_ERR_OOM;
    case ERROR_NO_ASSOCIATION: return SE_ERR_NOASSOC;
    default: return SE_ERR_ACCESSDENIED;
  }
}

// The file as the shell sees it: relative names are taken in the given directory.
std::string Located(const std::u16string& file, const std::u16string& directory) {
  std::string path = platform::Utf16ToUtf8(file.c_str());
  if (!path.empty() && path[0] != '/' && !directory.empty()) path = platform::Utf16ToUtf8(directory.c_str()) + "/" + path;
  return path;
}

}  // namespace

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
  if (info == nullptr || info->cbSize != sizeof(SHELLEXECUTEINFOW)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  info->hProcess = nullptr;
  platform::testing::ShellRequest request;
  request.verb = Text(info->lpVerb);
  request.file = Text(info->lpFile);
  request.parameters = Text(info->lpParameters);
  request.directory = Text(info->lpDirectory);
  request.show = info->nShow;
  request.mask = info->fMask;
  DWORD error = ERROR_SUCCESS;
  HANDLE process = nullptr;
  if (request.file.empty()) {
    error = ERROR_FILE_NOT_FOUND;
  } else if (!request.verb.empty() && request.verb != u"open") {
    // Only opening is known here; other verbs have no handler on this desktop.
    error = ERROR_NO_ASSOCIATION;
  } else {
    std::string path = Located(request.file, request.directory);
    struct stat status {};
    bool exists = !IsAddress(request.file) && ::stat(path.c_str(), &status) == 0;
    if (exists && S_ISREG(status.st_mode) && ::access(path.c_str(), X_OK) == 0) {
      std::u16string commandLine = platform::CommandLineQuoted(platform::Utf8ToUtf16(path.c_str()));
      if (!request.parameters.empty()) commandLine += u" " + request.parameters;
      STARTUPINFOW startup{};
      startup.cb = sizeof startup;
      startup.dwFlags = STARTF_USESHOWWINDOW;
      startup.wShowWindow = static_cast<WORD>(info->nShow);
      PROCESS_INFORMATION started{};
      std::u16string line = commandLine;
      LPCWSTR directory = request.directory.empty() ? nullptr : request.directory.c_str();
      if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, directory,
                         &startup, &started)) {
        CloseHandle(started.hThread);
        process = started.hProcess;
        request.ran = commandLine;
      } else {
        error = GetLastError();
      }
    } else if (exists || IsAddress(request.file)) {
      // Documents and addresses are the desktop's business: its opener knows the user's choice.
      error = platform::Display().OpenDocument(exists ? platform::Utf8ToUtf16(path.c_str()) : request.file,
                                               request.directory, info->nShow, &process, &request.ran);
    } else {
      error = ERROR_FILE_NOT_FOUND;
    }
  }
  {
    std::lock_guard<std::mutex> guard(State().lock);
    State().last = request;
    ++State().count;
  }
  if (error != ERROR_SUCCESS) {
    info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(ShellError(error)));
    SetLastError(error);
    return FALSE;
  }
  info->hInstApp = reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(42));
  if (info->fMask & SEE_MASK_NOCLOSEPROCESS) info->hProcess = process;
  else CloseHandle(process);
  return TRUE;
}

HINSTANCE ShellExecuteW(HWND window, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory,
                        int showCommand) {
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.hwnd = window;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = directory;
  info.nShow = showCommand;
  ShellExecuteExW(&info);
  return info.hInstApp;
}

namespace platform::testing {

ShellRequest ShellLastRequest() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().last;
}

int64_t ShellRequestCount() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().count;
}

void ShellResetRecord() {
  std::lock_guard<std::mutex> guard(State().lock);
  State().last = ShellRequest{};
  State().count = 0;
}

}  // namespace platform::testing
