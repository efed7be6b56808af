// What the requester files share: the owner a requester is shown for and the disabling of the
// calling thread's windows around it.
#pragma once

#include "user.h"

// The foreground window when it belongs to this process, else none.
HWND RequesterOwner();
// Disables the calling thread's visible top-level windows (the foreground one is left to the
// dialog, which disables its owner) and takes them out of the topmost band.
void ModalWindowsEnter();
// Drops the kept answers of the file requester without freeing them: at a new start the main
// heap they lived in is gone.
void RequesterFilesForget();
// Undoes ModalWindowsEnter for the calling thread's windows.
void ModalWindowsLeave();
