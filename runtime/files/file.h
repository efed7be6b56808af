// Sequential files.
#pragma once

void FileInit();
void FileShutdown();
