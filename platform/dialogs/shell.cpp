// ShellExecuteExW on Linux: a program file runs through CreateProcessW with the parameters as its
// command line; a web address or an existing document is handed to the desktop's opener. Each
// request and what it ran are recorded, so a caller's intent can be checked without a desktop.
#include "shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

namespace {

struct ShellState {
  std::mutex lock;
  platform::ShellRequest last;
  int64_t count = 0;
  std::u16string opener = u"xdg-open";
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

// Quotes a word for a command line so that it splits back into exactly that word.
std::u16string Quoted(const std::u16string& word) {
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
  platform::ShellRequest request;
  request.verb = Text(info->lpVerb);
  request.file = Text(info->lpFile);
  request.parameters = Text(info->lpParameters);
  request.directory = Text(info->lpDirectory);
  request.show = info->nShow;
  request.mask = info->fMask;
  std::u16string opener;
  {
    std::lock_guard<std::mutex> guard(State().lock);
    opener = State().opener;
  }

  DWORD error = ERROR_SUCCESS;
  std::u16string commandLine;
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
      commandLine = Quoted(platform::Utf8ToUtf16(path.c_str()));
      if (!request.parameters.empty()) commandLine += u" " + request.parameters;
    } else if (exists || IsAddress(request.file)) {
      commandLine = Quoted(opener) + u" " + Quoted(exists ? platform::Utf8ToUtf16(path.c_str()) : request.file);
    } else {
      error = ERROR_FILE_NOT_FOUND;
    }
  }

  HANDLE process = nullptr;
  if (error == ERROR_SUCCESS) {
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
      // A missing opener means nothing on this desktop is associated with the file.
      if (error == ERROR_FILE_NOT_FOUND && commandLine.rfind(Quoted(opener), 0) == 0) error = ERROR_NO_ASSOCIATION;
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

namespace platform {

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

void ShellSetOpener(const char16_t* program) {
  std::lock_guard<std::mutex> guard(State().lock);
  State().opener = (program && program[0]) ? program : u"xdg-open";
}

}  // namespace platform
