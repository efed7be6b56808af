// File library start-up and shutdown; files arrive with the file library.
// Until then these routines have nothing to set up or free.
#include "file.h"

void FileInit() {}
void FileShutdown() {}
