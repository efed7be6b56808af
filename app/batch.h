// The batch mode: the series of a picture made on the command line, without any window, through
// the same rendering and encoders as Create.
#pragma once

#include <atomic>

// Exit codes of the batch mode.
constexpr int kBatchDone = 0;
constexpr int kBatchBadArguments = 2;      // unknown option, bad number, a series that cannot be made
constexpr int kBatchPictureUnreadable = 3;  // missing, not a file, unreadable or not a picture
constexpr int kBatchSettingsUnreadable = 4;
constexpr int kBatchOutputUnwritable = 5;   // the output folder is a file, cannot be made or written
constexpr int kBatchWriteFailed = 6;        // a file of the series could not be written (disk full ...)
constexpr int kBatchListUnreadable = 7;     // the list file is missing, unreadable or has an overlong line
constexpr int kBatchStopped = 130;          // stopped by Ctrl+C (or a termination signal)

// Whether the command line asks for the batch mode (or its help) rather than the desktop program.
bool BatchRequested(int argc, char** argv);
// Runs the batch mode and returns its exit code. Setting `stop` stops the series after the
// frames in flight.
int BatchMain(int argc, char** argv, const std::atomic<bool>& stop);
