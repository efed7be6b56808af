// What the requester files share: the owner a requester is shown for and the disabling of the
// calling thread's windows around it.
#pragma once

#include "user.h"

// The foreground window when it belongs to this process, else none.
HWND RequesterOwner();
// Disables the calling thread's visible top-level windows (the foreground one is left to the
// dialog, which disables its owner) and takes them out of the topmost band.
void ModalWindowsEnter();
// Undoes ModalWindowsEnter for the calling thread's windows.
void ModalWindowsLeave();
// Forgets the file requester's result buffers without freeing them: at start-up they went
// with the main heap of a runtime that ran before in this process.
void RequesterFileForget();
