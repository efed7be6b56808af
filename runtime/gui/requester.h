// Requesters and the program runner.
#pragma once

void ProcessInit();
void RequesterInit();
