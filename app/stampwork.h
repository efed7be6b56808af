// Stampwork's main procedure and end sequence.
#pragma once

// The whole program: start-up, the event loop and the end sequence. Never returns.
[[noreturn]] void StampworkMain();
// Start-up steps 1 to 10: the runtime, the defaults, the About fields, the background, the main
// window, the default settings file and the first preview.
void StampworkStart();
// The runtime started in its order, the settings at their defaults, the font list made: what the
// desktop program and the batch mode both start with.
void StampworkRuntimeStart();
// The runtime shut down in its order, the string and main heaps destroyed; nothing is saved.
void StampworkRuntimeEnd();
// The end sequence without leaving the process: settings saved, runtime shut down, string and
// main heaps destroyed.
void StampworkShutdown();
// The end sequence: StampworkShutdown, then the process exits with code 0.
[[noreturn]] void ProgramEndSequence();

// Waits for a settings write-out under way to finish and keeps any other from starting: the
// last step of a thread that is about to end the process without the end sequence, so that the
// settings file is never cut short.
void StampworkHoldSettingsWrite();
