// Fonts and text drawing: the font registry and its start-up and shutdown.
#pragma once

void FontInit();
void FontShutdown();
void FontEnd();
