// Requester and program-runner start-up; they arrive with the requester library.
// Until then these routines have nothing to set up or free.
#include "requester.h"

void ProcessInit() {}
void RequesterInit() {}
