// What the choosers and the shell record of the requests they were given, for tests to check a
// program's intent without a desktop. Reached by tests through platform/testing.h.
#pragma once

#include <string>

#include "backend.h"

namespace platform::testing {

// What the shell was last asked, and the command line it ran for it (empty when nothing could be
// started).
struct ShellRequest {
  std::u16string verb;
  std::u16string file;
  std::u16string parameters;
  std::u16string directory;
  int show = 0;
  ULONG mask = 0;
  std::u16string ran;
};
ShellRequest ShellLastRequest();
int64_t ShellRequestCount();
void ShellResetRecord();

// The last request each kind of chooser received, and how many it received so far.
FileDialogRequest DialogsLastFileRequest();
ColorDialogRequest DialogsLastColorRequest();
int64_t DialogsFileRequestCount();
int64_t DialogsColorRequestCount();
// Drops the recorded requests and the headless backend's queued answers.
void DialogsReset();

}  // namespace platform::testing
