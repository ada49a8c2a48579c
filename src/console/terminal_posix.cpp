// The real terminal: VT/xterm sequences on standard output, raw keys from /dev/tty.
// Calls: isatty, open, termios (tcgetattr/tcsetattr), ioctl(TIOCGWINSZ), poll, read, write, clock_gettime,
// sigaction, sigprocmask, raise, nanosleep.
//
// LIMITATIONS
// - A terminal reports key presses, not key state: a key "is down" when its byte arrived since the
//   previous query. Auto-repeat makes a held key arrive again and again, which is what the show needs.
// - A lone ESC byte cannot be told from the start of an escape sequence at once; it counts as Escape
//   only when nothing follows within 20 ms.
// - Resizing the window is a request (CSI 8;rows;cols t) that most terminals ignore.
// - The title is saved and restored with XTWINOPS 22/23, which not every terminal keeps.
// - The palette is set with OSC 4 and put back from what the terminal reported (OSC 4 with "?");
//   entries it did not report are reset with OSC 104, which gives its configured colours, not
//   colours a user may have set at login. A terminal that ignores OSC 4 keeps its own colours.
// - Questions are answered on the keyboard side, mixed with the keys, at whatever time the
//   terminal (or the link to it) takes; every byte read passes the answer reader first. An answer
//   whose first byte (ESC) is followed by a pause longer than the lone-Escape wait cannot be told
//   from the Escape key. At the end, answers still outstanding are waited for (up to a second after
//   the questions) so they do not reach the shell; a terminal that answers nothing at all costs
//   that second once, when the show ends right after starting.
// - Waits use poll(2) on /dev/tty, which Linux and the BSDs support on terminals; macOS's poll
//   refuses terminal devices (POLLNVAL), so a macOS build would wait with select(2) in the same
//   places.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include "base/report.h"
#include "console/display_answers.h"
#include "console/key_decoder.h"
#include "console/terminal_posix.h"
#include "console/write_all.h"

namespace glimmer {
namespace {

// Every escape sequence this backend writes.
constexpr const char kEnterScreen[] = "\x1b[?1049h\x1b[0m\x1b[2J\x1b[?7l";
constexpr const char kLeaveScreen[] = "\x1b[0m\x1b[?7h\x1b[2J\x1b[?1049l";
constexpr const char kSaveTitle[] = "\x1b[22;0t";
constexpr const char kSetTitleStart[] = "\x1b]2;";
constexpr const char kSetTitleEnd[] = "\x07";
constexpr const char kRestoreTitle[] = "\x1b[23;0t";
constexpr const char kHideCursor[] = "\x1b[?25l";
constexpr const char kShowCursor[] = "\x1b[?25h";
constexpr const char kRequestSizeFormat[] = "\x1b[8;%d;%dt";

constexpr int kLoneEscapeWaitMs = 20;
constexpr int kLastAnswersWaitMs = 1000;  // at the restore, counted from the questions
constexpr std::size_t kKeyBytesRoom = 512;

// What has been changed, kept where the signal handlers can reach it.
volatile sig_atomic_t inputChanged = 0;
volatile sig_atomic_t screenEntered = 0;
volatile sig_atomic_t titleSet = 0;
volatile sig_atomic_t cursorHidden = 0;
volatile sig_atomic_t paletteSet = 0;
volatile sig_atomic_t resized = 0;
volatile sig_atomic_t writingFrame = 0;   // a frame's bytes are on their way out
volatile sig_atomic_t pendingSignal = 0;  // an ending signal that waits for the frame to finish
int keyboardFd = -1;
termios originalMode;
termios rawMode;
char titleSequence[160];  // the title as set, for putting it back after a stop
std::size_t titleLength = 0;
// The show's palette, and what puts the terminal's back: 16 entries of at most 32 bytes each.
constexpr std::size_t kPaletteEntryRoom = 32;
char paletteSequence[16 * kPaletteEntryRoom];
std::size_t paletteLength = 0;
char paletteRestoreSequence[16 * kPaletteEntryRoom];
std::size_t paletteRestoreLength = 0;

constexpr std::size_t lengthOf(const char* text) { return std::char_traits<char>::length(text); }
const std::size_t kShowCursorLength = lengthOf(kShowCursor);
const std::size_t kHideCursorLength = lengthOf(kHideCursor);
const std::size_t kLeaveScreenLength = lengthOf(kLeaveScreen);
const std::size_t kEnterScreenLength = lengthOf(kEnterScreen);
const std::size_t kRestoreTitleLength = lengthOf(kRestoreTitle);

// A change to what the terminal shows: the bytes that put it back and the bytes that make it
// again (after a stop). Undone in this order, made again in the reverse.
struct OutputChange {
  volatile sig_atomic_t* made;
  const char* undo;
  const std::size_t* undoLength;
  const char* redo;
  const std::size_t* redoLength;
};
const OutputChange kOutputChanges[] = {
    {&paletteSet, paletteRestoreSequence, &paletteRestoreLength, paletteSequence, &paletteLength},
    {&cursorHidden, kShowCursor, &kShowCursorLength, kHideCursor, &kHideCursorLength},
    {&screenEntered, kLeaveScreen, &kLeaveScreenLength, kEnterScreen, &kEnterScreenLength},
    {&titleSet, kRestoreTitle, &kRestoreTitleLength, titleSequence, &titleLength},
};
constexpr int kOutputChangeCount = sizeof kOutputChanges / sizeof kOutputChanges[0];

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL};
struct sigaction previousActions[sizeof kEndingSignals / sizeof kEndingSignals[0]];
struct sigaction previousWinch;
struct sigaction previousPipe;
struct sigaction previousStop;
bool handlersInstalled = false;

void writeRaw(const char* text, std::size_t length) {
  // Async-signal-safe; errors are of no use here.
  while (length > 0) {
    ssize_t written = ::write(STDOUT_FILENO, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

// Undoes what was changed, in reverse. Async-signal-safe: plain writes and tcsetattr.
void undoChanges() {
  for (const OutputChange& change : kOutputChanges) {
    if (*change.made == 0) continue;
    writeRaw(change.undo, *change.undoLength);
    *change.made = 0;
  }
  if (inputChanged) {
    ::tcsetattr(keyboardFd, TCSANOW, &originalMode);
    inputChanged = 0;
  }
}

// Takes the signal's default action now (ending or stopping the process). Async-signal-safe.
void raiseWithDefaultAction(int signalNumber) {
  ::signal(signalNumber, SIG_DFL);
  sigset_t unblocked;
  sigemptyset(&unblocked);
  sigaddset(&unblocked, signalNumber);
  ::sigprocmask(SIG_UNBLOCK, &unblocked, nullptr);
  ::raise(signalNumber);
}

// Undoes the changes and ends the process by the signal itself, so the parent sees how it ended
// (its shell reports 128 + the signal number) and a crash still leaves its core dump.
[[noreturn]] void endBySignal(int signalNumber) {
  undoChanges();
  raiseWithDefaultAction(signalNumber);
  ::_exit(128 + signalNumber);
}

void onEndingSignal(int signalNumber) {
  // An interrupt that comes while a frame is being written waits until the frame is out, so no
  // escape sequence is cut in half; a second one, for a terminal that stopped reading, does not.
  bool interrupt =
      signalNumber == SIGINT || signalNumber == SIGTERM || signalNumber == SIGHUP || signalNumber == SIGQUIT;
  if (interrupt && writingFrame != 0 && pendingSignal == 0) {
    pendingSignal = signalNumber;
    return;
  }
  endBySignal(signalNumber);
}

void onWindowChange(int) { resized = 1; }

// Ctrl-Z: the terminal goes back to how the shell wants it while the show is stopped, and is
// taken again when it continues; the next frame is then drawn whole.
void onStop(int) {
  const sig_atomic_t hadInput = inputChanged;
  sig_atomic_t had[kOutputChangeCount];
  for (int index = 0; index < kOutputChangeCount; ++index) had[index] = *kOutputChanges[index].made;
  undoChanges();
  raiseWithDefaultAction(SIGTSTP);
  // Continued.
  struct sigaction again;
  std::memset(&again, 0, sizeof again);
  sigemptyset(&again.sa_mask);
  again.sa_handler = onStop;
  sigaction(SIGTSTP, &again, nullptr);
  if (hadInput) {
    ::tcsetattr(keyboardFd, TCSANOW, &rawMode);
    inputChanged = 1;
  }
  for (int index = kOutputChangeCount - 1; index >= 0; --index) {
    const OutputChange& change = kOutputChanges[index];
    if (had[index] == 0) continue;
    writeRaw(change.redo, *change.redoLength);
    *change.made = 1;
  }
  resized = 1;
}

void installHandlers() {
  struct sigaction action;
  std::memset(&action, 0, sizeof action);
  sigemptyset(&action.sa_mask);
  action.sa_handler = onEndingSignal;
  for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i) {
    sigaction(kEndingSignals[i], &action, &previousActions[i]);
  }
  action.sa_handler = onStop;
  sigaction(SIGTSTP, &action, &previousStop);
  action.sa_handler = onWindowChange;
  action.sa_flags = SA_RESTART;
  sigaction(SIGWINCH, &action, &previousWinch);
  action.sa_handler = SIG_IGN;  // a closed terminal shows up as EPIPE from write
  sigaction(SIGPIPE, &action, &previousPipe);
  handlersInstalled = true;
}

void removeHandlers() {
  if (!handlersInstalled) return;
  for (std::size_t i = 0; i < sizeof kEndingSignals / sizeof kEndingSignals[0]; ++i) {
    sigaction(kEndingSignals[i], &previousActions[i], nullptr);
  }
  sigaction(SIGWINCH, &previousWinch, nullptr);
  sigaction(SIGPIPE, &previousPipe, nullptr);
  sigaction(SIGTSTP, &previousStop, nullptr);
  handlersInstalled = false;
}

void restoreForExit() { undoChanges(); }

class PosixTerminal final : public Terminal {
 public:
  PosixTerminal() { keyBytes_.reserve(kKeyBytesRoom); }
  ~PosixTerminal() override { restore(); }

  bool open() override {
    if (::isatty(STDOUT_FILENO) == 0) return false;
    keyboardFd = ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (keyboardFd < 0) return false;
    if (::tcgetattr(keyboardFd, &originalMode) != 0) {
      ::close(keyboardFd);
      keyboardFd = -1;
      return false;
    }
    installHandlers();
    setRestoreHook(restoreForExit);
    termios& raw = rawMode;
    raw = originalMode;
    // Raw input without echo; signals (Ctrl-C) stay on so the user can always interrupt.
    raw.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    raw.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    raw.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | IEXTEN);
    raw.c_cflag |= CS8;
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    inputChanged = 1;
    ::tcsetattr(keyboardFd, TCSANOW, &raw);
    opened_ = true;
    return true;
  }

  void size(int& columns, int& rows) override {
    winsize window{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) != 0) {
      columns = 0;
      rows = 0;
      return;
    }
    columns = window.ws_col;
    rows = window.ws_row;
  }

  void requestSize(int columns, int rows) override {
    char sequence[32];
    int length = std::snprintf(sequence, sizeof sequence, kRequestSizeFormat, rows, columns);
    write(sequence, static_cast<std::size_t>(length));
  }

  bool beginScreen() override {
    screenEntered = 1;
    return write(kEnterScreen, sizeof kEnterScreen - 1);
  }

  bool setTitle(const char* title) override {
    // One write, so the title's sequence is never cut apart; kept for setting it again after a stop.
    int length =
        std::snprintf(titleSequence, sizeof titleSequence, "%s%s%s%s", kSaveTitle, kSetTitleStart, title, kSetTitleEnd);
    if (length < 0 || length >= static_cast<int>(sizeof titleSequence)) return false;
    titleLength = static_cast<std::size_t>(length);
    titleSet = 1;
    return write(titleSequence, titleLength);
  }

  bool hideCursor() override {
    cursorHidden = 1;
    return write(kHideCursor, sizeof kHideCursor - 1);
  }

  void ask(const DisplayQuestions& questions) override {
    const std::string text = questionsFor(questions);
    if (!write(text.data(), text.size())) return;
    askedAt_ = nowMs();
    asked_ = true;
  }

  const DisplayAnswers& answers() override {
    readAnswers(0);
    merged_ = answers_;
    // Many terminals fill the window size's pixel fields instead of answering CSI 16 t.
    winsize window{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &window) == 0) {
      cellSizeFrom(merged_, window.ws_col, window.ws_row, window.ws_xpixel, window.ws_ypixel);
    }
    return merged_;
  }

  void awaitAnswers(int milliseconds) override { readAnswers(milliseconds); }

  bool setPalette(const std::int32_t (*colours)[3], const DisplayAnswers& previous) override {
    paletteLength = 0;
    for (int entry = 0; entry < 16; ++entry) {
      paletteLength += paletteEntry(paletteSequence + paletteLength, entry, colours[entry]);
    }
    DisplayAnswers known = answers_;
    for (int entry = 0; entry < 16; ++entry) {
      if (!previous.paletteKnown[entry]) continue;
      known.paletteKnown[entry] = true;
      for (int channel = 0; channel < 3; ++channel) known.palette[entry][channel] = previous.palette[entry][channel];
    }
    setPaletteRestore(known);
    paletteSet = 1;
    return write(paletteSequence, paletteLength);
  }

  bool write(const char* bytes, std::size_t size) override {
    writingFrame = 1;
    bool written = writeAll(STDOUT_FILENO, bytes, size);
    writingFrame = 0;
    if (pendingSignal != 0) endBySignal(pendingSignal);
    return written;
  }

  bool keyPressed(Key key) override {
    readKeys();
    return keys_.take(key);
  }

  void sleepMs(int milliseconds) override {
    timespec wait{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR) {
    }
  }

  void waitForInput(int milliseconds) override {
    if (keyboardFd < 0 || milliseconds <= 0) return;
    pollfd waiting{keyboardFd, POLLIN, 0};
    ::poll(&waiting, 1, milliseconds);  // EINTR (a signal) ends the wait early, as it should
  }

  bool takeResize() override {
    if (resized == 0) return false;
    resized = 0;
    return true;
  }

  void restore() override {
    if (!opened_) return;
    // Answers still on their way would reach the shell, echoed: they are read here first.
    if (asked_ && !answers_.complete) readAnswers(static_cast<int>(askedAt_ + kLastAnswersWaitMs - nowMs()));
    undoChanges();
    removeHandlers();
    setRestoreHook(nullptr);
    if (keyboardFd >= 0) {
      ::close(keyboardFd);
      keyboardFd = -1;
    }
    opened_ = false;
  }

 private:
  // Feeds every byte that has arrived to the decoder (through the answer reader); while it may be
  // in the middle of an escape sequence, waits up to 20 ms for the rest.
  void readKeys() {
    for (;;) {
      ssize_t got = ::read(keyboardFd, buffer_, sizeof buffer_);
      if (got > 0) {
        takeInput(buffer_, static_cast<std::size_t>(got));
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      // Nothing waiting (raw input without a minimum reads 0 bytes then, or EAGAIN).
      if (!waitingForMore()) return;
      pollfd waiting{keyboardFd, POLLIN, 0};
      if (::poll(&waiting, 1, kLoneEscapeWaitMs) <= 0 || (waiting.revents & POLLIN) == 0) {
        inputQuiet();  // quiet, or the terminal hung up: nothing more will come
        return;
      }
    }
  }

  // Bytes from the keyboard side: answers to the answers, keys to the key decoder. Answers that
  // change how the show is laid out or written count as a resize; palette entries that come after
  // the show's palette was set improve what puts it back.
  void takeInput(const char* bytes, std::size_t size) {
    const DisplayAnswers before = answers_;
    keyBytes_.clear();
    reader_.feed(bytes, size, answers_, keyBytes_);
    if (!keyBytes_.empty()) keys_.feed(keyBytes_.data(), keyBytes_.size());
    if (answers_.complete != before.complete || answers_.synchronizedOutput != before.synchronizedOutput ||
        answers_.cellWidth != before.cellWidth || answers_.cellHeight != before.cellHeight ||
        answers_.textAreaWidth != before.textAreaWidth || answers_.textAreaHeight != before.textAreaHeight) {
      resized = 1;
    }
    if (paletteSet != 0 && std::memcmp(before.paletteKnown, answers_.paletteKnown, sizeof before.paletteKnown) != 0) {
      setPaletteRestore(answers_);
    }
  }

  // True while the last bytes may be the start of a key's escape sequence.
  bool waitingForMore() const { return reader_.holdsEscape() || keys_.waitingForMore(); }

  void inputQuiet() {
    keyBytes_.clear();
    reader_.quiet(keyBytes_);
    if (!keyBytes_.empty()) keys_.feed(keyBytes_.data(), keyBytes_.size());
    keys_.quiet();
  }

  // Reads what has arrived, and then waits up to the given milliseconds for the answers' end
  // marker, reading as it comes.
  void readAnswers(int milliseconds) {
    if (keyboardFd < 0) return;
    const long end = nowMs() + (milliseconds > 0 ? milliseconds : 0);
    for (;;) {
      const ssize_t got = ::read(keyboardFd, buffer_, sizeof buffer_);
      if (got > 0) {
        takeInput(buffer_, static_cast<std::size_t>(got));
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (!asked_ || answers_.complete) return;
      const long left = end - nowMs();
      if (left <= 0) return;
      pollfd waiting{keyboardFd, POLLIN, 0};
      const int ready = ::poll(&waiting, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0 || (waiting.revents & POLLIN) == 0) return;  // the time is up, or a hang-up
    }
  }

  // What the restore writes for the palette: the entries known put back as they were, the others
  // reset to the terminal's own. Built aside and put in place with signals held, as the signal
  // handlers write it.
  static void setPaletteRestore(const DisplayAnswers& known) {
    char sequence[sizeof paletteRestoreSequence];
    std::size_t length = 0;
    for (int entry = 0; entry < 16; ++entry) {
      if (known.paletteKnown[entry]) {
        length += paletteEntry(sequence + length, entry, known.palette[entry]);
      } else {
        length +=
            static_cast<std::size_t>(std::snprintf(sequence + length, kPaletteEntryRoom, "\x1b]104;%d\x07", entry));
      }
    }
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    ::sigprocmask(SIG_BLOCK, &all, &previous);
    std::memcpy(paletteRestoreSequence, sequence, length);
    paletteRestoreLength = length;
    ::sigprocmask(SIG_SETMASK, &previous, nullptr);
  }

  static long nowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
  }

  // OSC 4 for one entry, at most 32 bytes; returns its length.
  static std::size_t paletteEntry(char* at, int entry, const std::int32_t* colour) {
    const int length = std::snprintf(at, kPaletteEntryRoom, "\x1b]4;%d;rgb:%02x/%02x/%02x\x07", entry,
                                     static_cast<unsigned>(colour[0] & 255), static_cast<unsigned>(colour[1] & 255),
                                     static_cast<unsigned>(colour[2] & 255));
    return static_cast<std::size_t>(length);
  }

  bool opened_ = false;
  KeyDecoder keys_;
  AnswerReader reader_;
  DisplayAnswers answers_;  // as the terminal answered
  DisplayAnswers merged_;   // with what the window size tells, for answers()
  std::string keyBytes_;    // the key bytes of one read, reserved once
  bool asked_ = false;
  long askedAt_ = 0;
  char buffer_[256];
};

}  // namespace

std::unique_ptr<Terminal> makePosixTerminal() { return std::make_unique<PosixTerminal>(); }
std::unique_ptr<Terminal> makeSystemTerminal() { return makePosixTerminal(); }

}  // namespace glimmer
