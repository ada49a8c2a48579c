// Messages to the user and the one way the process ends early.
//
// While the show owns the screen (alternate screen, raw mode), anything written to standard output
// or standard error would land on a screen that disappears at exit. Messages are therefore held
// back while output is deferred and written, in order, once the terminal has been restored.
#pragma once

namespace glimmer {

// Writes the message and a line end to standard output and flushes it (deferred while the show
// owns the screen).
void printLine(const char* message);

// Writes text exactly as given to standard error (deferred while the show owns the screen).
void printError(const char* text);

// Holds back (true) or writes at once (false) the messages above. Turning deferral off does not
// flush; call flushDeferredOutput for that.
void deferOutput(bool on);

// Writes every held-back message, in the order printed, to its stream. Safe to call repeatedly.
void flushDeferredOutput();

// The function that puts the terminal back as it was; endProcess calls it. Null clears it.
void setRestoreHook(void (*hook)());

// Ends the process with the status: restores the terminal through the hook, flushes the held-back
// messages, then exits. Used where a failure must end the program at once (the mesh reader).
[[noreturn]] void endProcess(int status);

}  // namespace glimmer
