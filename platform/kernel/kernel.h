// The kernel part of the platform layer: heaps, files, critical sections, thread-local storage,
// run-once initialisation, code pages, time, modules and the process. Each call keeps the name,
// arguments and result convention of its Windows counterpart, with the behaviour the runtime
// relies on; file names are UTF-16 Linux paths, converted to UTF-8 at this boundary.
#pragma once

#include <pthread.h>

#include <cstdio>
#include <string>

#include "windows_types.h"

// ---- errors ----
#define ERROR_SUCCESS 0
#define ERROR_FILE_NOT_FOUND 2
#define ERROR_PATH_NOT_FOUND 3
#define ERROR_ACCESS_DENIED 5
#define ERROR_INVALID_HANDLE 6
#define ERROR_NOT_ENOUGH_MEMORY 8
#define ERROR_WRITE_FAULT 29
#define ERROR_READ_FAULT 30
#define ERROR_SHARING_VIOLATION 32
#define ERROR_HANDLE_DISK_FULL 39
#define ERROR_FILE_EXISTS 80
#define ERROR_INVALID_PARAMETER 87
#define ERROR_DISK_FULL 112
#define ERROR_INSUFFICIENT_BUFFER 122
#define ERROR_MOD_NOT_FOUND 126
#define ERROR_PROC_NOT_FOUND 127
#define ERROR_ALREADY_EXISTS 183
#define ERROR_NO_UNICODE_TRANSLATION 1113
#define ERROR_NO_ASSOCIATION 1155
#define ERROR_INVALID_WINDOW_HANDLE 1400
#define ERROR_TLW_WITH_WSCHILD 1406
#define ERROR_CANNOT_FIND_WND_CLASS 1407
#define ERROR_CLASS_ALREADY_EXISTS 1410
#define ERROR_CLASS_DOES_NOT_EXIST 1411
#define ERROR_CLASS_HAS_WINDOWS 1412
#define ERROR_INVALID_INDEX 1413

DWORD GetLastError();
void SetLastError(DWORD error);

// ---- heaps ----
#define HEAP_NO_SERIALIZE 0x00000001
#define HEAP_GENERATE_EXCEPTIONS 0x00000004
#define HEAP_ZERO_MEMORY 0x00000008
#define HEAP_REALLOC_IN_PLACE_ONLY 0x00000010

HANDLE HeapCreate(DWORD options, SIZE_T initialSize, SIZE_T maximumSize);
BOOL HeapDestroy(HANDLE heap);
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID block, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID block);
SIZE_T HeapSize(HANDLE heap, DWORD flags, LPCVOID block);
HANDLE GetProcessHeap();

// Global memory: only fixed blocks (the handle is the block's address), from the process heap.
#define GMEM_FIXED 0x0000
#define GMEM_ZEROINIT 0x0040
#define GPTR (GMEM_FIXED | GMEM_ZEROINIT)
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Null on success, the block itself when the process heap refuses it.
HGLOBAL GlobalFree(HGLOBAL block);

// ---- files ----
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
#define FILE_FLAG_WRITE_THROUGH 0x80000000u
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define INVALID_SET_FILE_POINTER 0xFFFFFFFFu
#define INVALID_FILE_SIZE 0xFFFFFFFFu
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_WRITE_THROUGH 0x00000008
#define REPLACEFILE_WRITE_THROUGH 0x00000001
#define FILE_NAME_NORMALIZED 0x0

union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
};

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead, void* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPointer, DWORD moveMethod);
BOOL SetEndOfFile(HANDLE file);
DWORD GetFileSize(HANDLE file, DWORD* fileSizeHigh);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL FlushFileBuffers(HANDLE file);
BOOL CloseHandle(HANDLE object);
BOOL DeleteFileW(LPCWSTR fileName);
BOOL MoveFileExW(LPCWSTR existingName, LPCWSTR newName, DWORD flags);
// Puts the replacement file in the place of an existing file, which must exist, be writable and
// be open nowhere without FILE_SHARE_DELETE. The replacement takes on the replaced file's
// permissions and, where the process may set it, its owner, so that the file keeps the identity
// the user gave it. No backup file is made: a backup name is refused as an invalid parameter.
BOOL ReplaceFileW(LPCWSTR replacedName, LPCWSTR replacementName, LPCWSTR backupName, DWORD flags, void* exclude,
                  void* reserved);
// The absolute path of the file an open handle names, with every symbolic link resolved; the
// count of characters written, or, when the buffer is too small, the count needed including the
// terminator. Paths are plain absolute Linux paths (no "\\?\" prefix).
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR path, DWORD pathChars, DWORD flags);
DWORD GetFileAttributesW(LPCWSTR fileName);
FILE* _wfopen(const WCHAR* fileName, const WCHAR* mode);

// ---- critical sections, thread-local storage, run-once ----
struct CRITICAL_SECTION {
  pthread_mutex_t mutex;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

#define TLS_OUT_OF_INDEXES 0xFFFFFFFFu
#define TLS_MINIMUM_AVAILABLE 64
DWORD TlsAlloc();
BOOL TlsFree(DWORD index);
LPVOID TlsGetValue(DWORD index);
BOOL TlsSetValue(DWORD index, LPVOID value);

union INIT_ONCE {
  void* Ptr;
};
#define INIT_ONCE_STATIC_INIT {nullptr}
typedef BOOL (*PINIT_ONCE_FN)(INIT_ONCE* initOnce, void* parameter, void** context);
BOOL InitOnceExecuteOnce(INIT_ONCE* initOnce, PINIT_ONCE_FN initFn, void* parameter, void** context);

LONG InterlockedCompareExchange(volatile LONG* destination, LONG exchange, LONG comparand);
LONG InterlockedIncrement(volatile LONG* value);
LONG InterlockedDecrement(volatile LONG* value);

DWORD GetCurrentThreadId();

// ---- code pages ----
#define CP_ACP 0
#define CP_UTF8 65001
#define CP_WINDOWS_1252 1252
#define CP_ISO_8859_1 28591
#define MB_ERR_INVALID_CHARS 0x00000008

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int byteCount, LPWSTR out, int outChars);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR text, int charCount, LPSTR out, int outBytes,
                        LPCSTR defaultChar, BOOL* usedDefaultChar);

// ---- time ----
struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};
void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
DWORD GetTickCount();
ULONGLONG GetTickCount64();
void Sleep(DWORD milliseconds);

// ---- modules and the process ----
HMODULE GetModuleHandleW(LPCWSTR moduleName);
HMODULE LoadLibraryW(LPCWSTR fileName);
HMODULE LoadLibraryA(LPCSTR fileName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);
[[noreturn]] void ExitProcess(UINT exitCode);

// ---- child processes and pipes ----
#define ERROR_BAD_EXE_FORMAT 193
#define ERROR_DIRECTORY 267
#define CREATE_NEW_CONSOLE 0x00000010u
#define NORMAL_PRIORITY_CLASS 0x00000020u
#define CREATE_UNICODE_ENVIRONMENT 0x00000400u
#define CREATE_NO_WINDOW 0x08000000u
#define STARTF_USESHOWWINDOW 0x00000001u
#define STARTF_USESTDHANDLES 0x00000100u
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define STILL_ACTIVE 259u
#define HANDLE_FLAG_INHERIT 0x00000001u

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};

struct STARTUPINFOW {
  DWORD cb;
  LPWSTR lpReserved;
  LPWSTR lpDesktop;
  LPWSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  BYTE* lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

// Starts a program. The command line is split the way Windows programs split theirs (quotes
// group, backslashes escape quotes); without an application name its first word names the
// program, looked up on the search path when it holds no folder. With STARTF_USESTDHANDLES the
// given handles become the child's standard handles; a null one leaves the caller's own.
// Windows and consoles have no meaning for a Linux child: show state and console flags are
// accepted and do nothing. The thread handle stands for the child as a whole.
BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCWSTR currentDirectory, STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation);
// Waits for a process handle to end; WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
DWORD GetProcessId(HANDLE process);
BOOL TerminateProcess(HANDLE process, UINT exitCode);
// An anonymous pipe: bytes written to the write end are read from the read end.
BOOL CreatePipe(HANDLE* readPipe, HANDLE* writePipe, SECURITY_ATTRIBUTES* attributes, DWORD size);
BOOL SetHandleInformation(HANDLE object, DWORD mask, DWORD flags);

// ---- helpers of the platform layer itself (not Windows calls) ----
namespace platform {

// UTF-16 (null-terminated when length < 0) to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(const char16_t* text, ptrdiff_t length = -1);
// UTF-8 to UTF-16; invalid sequences become U+FFFD.
std::u16string Utf8ToUtf16(const char* text, ptrdiff_t length = -1);
// A word quoted for a command line so that CreateProcessW's splitting gives back exactly it.
std::u16string CommandLineQuoted(const std::u16string& word);

}  // namespace platform
