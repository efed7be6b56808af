// The message window: a small window that tells the user something (a series that could not be
// written, and why) and waits for OK, Enter, Escape or its close box.
#pragma once

#include <string>

// Shows `text` (lines apart at "\n") over the main window and waits until the user closes it.
// Returns false when the main window was closed meanwhile (the program is to end).
bool MessageWindowShow(const std::u16string& text);
// The text of the last message shown, for tests.
const std::u16string& MessageWindowLastText();
// Makes messages close at once after they are shown, for tests and runs without a user.
void MessageWindowCloseAtOnce(bool atOnce);
