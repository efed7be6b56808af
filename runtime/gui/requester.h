// Requesters and the program runner: the open-file, save-file and colour choosers as single
// calls returning a path or a colour, and ProgramRun, which starts a program or lets the shell
// open a document or web address.
#pragma once

#include <cstdint>

void RequesterInit();
void ProcessInit();
// Frees every program record and the program registry.
void ProcessShutdown();

// Chosen path, or the empty string on cancel. Flags bit 0 asks for a multi-selection, whose
// further paths RequesterNextFile gives. `patternPosition` is the 0-based filter shown first.
const char16_t* RequesterOpenFile(const char16_t* title, const char16_t* defaultFile, const char16_t* pattern,
                                  int64_t patternPosition, int64_t flags, int64_t start);
const char16_t* RequesterSaveFile(const char16_t* title, const char16_t* defaultFile, const char16_t* pattern,
                                  int64_t patternPosition, int64_t start);
const char16_t* RequesterNextFile(int64_t start);
// The 0-based position of the filter the user left selected in the last file requester that
// was not cancelled, -1 when there is none.
int64_t RequesterSelectedPattern();
// 1 when the text can be a file name: not empty, no control character, none of " * / : < > ? \ |.
int64_t FileNameIsValid(const char16_t* name);

// The chosen colour (red in the low byte), or -1 on cancel. -1 as the initial colour is black.
int64_t RequesterColor(int64_t initialColor);

constexpr int64_t CV_Requester_MultiSelection = 1;

constexpr int64_t CV_Program_Wait = 1;
constexpr int64_t CV_Program_Hide = 2;
constexpr int64_t CV_Program_Open = 4;
constexpr int64_t CV_Program_Read = 8;
constexpr int64_t CV_Program_Write = 16;
constexpr int64_t CV_Program_Error = 32;
constexpr int64_t CV_Program_Connect = 64;

// Starts `file` (a program, document or web address). With CV_Program_Open the result is the
// program's record; otherwise 1 when started, 0 when neither the program start nor the shell
// could do it. `sender` is the record whose output CV_Program_Connect takes as standard input.
int64_t ProgramRun(const char16_t* file, const char16_t* parameters = nullptr, const char16_t* directory = nullptr,
                   int64_t flags = 0, int64_t sender = 0);
// Frees a program record (closing its handles; the program itself runs on); -1 frees all.
void ProgramFree(int64_t program);
// The process id, -1 for a program the shell started, 0 for an unknown record.
int64_t ProgramId(int64_t program);
// Waits up to `milliseconds` (-1 = without limit) for the program's end: 1 ended, 0 not.
int64_t ProgramWait(int64_t program, int64_t milliseconds);
// The exit code of an ended program; -1 while it runs or for an unknown record.
int64_t ProgramExitCode(int64_t program);
// Reads the piped standard output (CV_Program_Read) or standard error (error = 1) until
// `bytes` arrived or the stream ended; the count read, 0 without such a pipe.
int64_t ProgramRead(int64_t program, void* buffer, int64_t bytes, int64_t error = 0);
// Writes to the piped standard input (CV_Program_Write); the count written.
int64_t ProgramWrite(int64_t program, const void* buffer, int64_t bytes);
// Closes the piped standard input, so the program sees its end.
void ProgramCloseInput(int64_t program);
