// Messages to the user and the one way the process ends early.
//
// Every message goes to standard error, one line each, prefixed with the program's name
// ("glimmerfolding: cannot write show.cast: No space left on device"), so standard output carries
// only what the program makes: the show, the help and the version.
//
// While the show owns the screen (alternate screen, raw mode), anything written would land on a
// screen that disappears at exit. Messages are therefore held back while output is deferred and
// written, in order, once the terminal has been restored.
#pragma once

namespace glimmer {

// The name messages begin with.
inline constexpr const char* kProgramName = "glimmerfolding";

// Writes "glimmerfolding: ", the message and a line end to standard error and flushes it
// (deferred while the show owns the screen). A progress line on display is ended first.
void printLine(const char* message);

// The same for a message that holds its own line end.
void printError(const char* text);

// Writes the line that follows the message of a usage error, "Try 'glimmerfolding --help'.", as
// it stands (no prefix), to standard error (deferred as the messages are).
void printUsageHint();

// Writes text on standard error's current line, over what the last call wrote there ("\r" first):
// a progress line that the next message, or endProgressLine, moves past. Not deferred; nothing is
// held back for it.
void showProgressLine(const char* text);

// Ends the progress line with a line end, if one is on display.
void endProgressLine();

// Holds back (true) or writes at once (false) the messages above. Turning deferral off does not
// flush; call flushDeferredOutput for that.
void deferOutput(bool on);

// Writes every held-back message, in the order printed. Safe to call repeatedly.
void flushDeferredOutput();

// The function that puts the terminal back as it was; endProcess calls it. Null clears it.
void setRestoreHook(void (*hook)());

// Ends the process with the status: restores the terminal through the hook, flushes the held-back
// messages, then exits. Used where a failure must end the program at once (the mesh reader).
[[noreturn]] void endProcess(int status);

}  // namespace glimmer
