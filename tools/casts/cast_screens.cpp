// cast_screens: replays two recordings (asciicasts) through libvterm side by side and checks that
// after every event both screens show the same thing, cell by cell as a person sees it (a solid
// colour however it is spelt, an upper half block also as the lower one with its colours swapped).
// For changes of the encoder that must not change what is seen:
//
//   cast_screens A.cast B.cast
//
// Prints the events compared and the bytes of each, or the first event and cell that differ;
// exits 0 when every screen is the same, 1 when one differs, 2 on a file it cannot read.
#include <vterm.h>

#include <cstdio>
#include <memory>
#include <string>

#include "cast_reader.h"
#include "support/seen_cells.h"

namespace glimmer {
namespace {

class Screen {
 public:
  Screen(int columns, int rows) : terminal_(vterm_new(rows, columns)) {
    vterm_set_utf8(terminal_, 1);
    screen_ = vterm_obtain_screen(terminal_);
    vterm_screen_enable_altscreen(screen_, 1);
    vterm_screen_reset(screen_, 1);
  }
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;
  ~Screen() { vterm_free(terminal_); }

  void feed(const std::string& bytes) { vterm_input_write(terminal_, bytes.data(), bytes.size()); }
  testing::SeenCell seen(int column, int row) const { return testing::seenOnScreen(screen_, column, row); }

 private:
  VTerm* terminal_;
  VTermScreen* screen_;
};

int run(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: cast_screens A.cast B.cast\n");
    return 2;
  }
  CastReader a(argv[1]);
  CastReader b(argv[2]);
  for (const CastReader* reader : {&a, &b}) {
    if (!reader->ok()) {
      std::fprintf(stderr, "cast_screens: %s: %s\n", reader == &a ? argv[1] : argv[2], reader->error().c_str());
      return 2;
    }
  }
  if (a.width() != b.width() || a.height() != b.height()) {
    std::printf("the casts differ in size: %dx%d and %dx%d\n", a.width(), a.height(), b.width(), b.height());
    return 1;
  }
  Screen screenA(a.width(), a.height());
  Screen screenB(b.width(), b.height());
  std::string bytesA;
  std::string bytesB;
  long events = 0;
  double totalA = 0;
  double totalB = 0;
  for (;;) {
    const bool moreA = a.next(bytesA);
    const bool moreB = b.next(bytesB);
    if (!a.error().empty() || !b.error().empty()) {
      std::fprintf(stderr, "cast_screens: %s\n", (!a.error().empty() ? a : b).error().c_str());
      return 2;
    }
    if (moreA != moreB) {
      std::printf("%s ends after %ld events, the other goes on\n", moreA ? argv[2] : argv[1], events);
      return 1;
    }
    if (!moreA) break;
    screenA.feed(bytesA);
    screenB.feed(bytesB);
    totalA += static_cast<double>(bytesA.size());
    totalB += static_cast<double>(bytesB.size());
    for (int row = 0; row < a.height(); ++row) {
      for (int column = 0; column < a.width(); ++column) {
        const testing::SeenCell seenA = screenA.seen(column, row);
        const testing::SeenCell seenB = screenB.seen(column, row);
        if (!(seenA == seenB)) {
          std::printf("event %ld differs at column %d, row %d: U+%04X %06X/%06X against U+%04X %06X/%06X\n", events,
                      column, row, static_cast<unsigned>(seenA.glyph), seenA.first, seenA.second,
                      static_cast<unsigned>(seenB.glyph), seenB.first, seenB.second);
          return 1;
        }
      }
    }
    ++events;
  }
  std::printf("%ld events, every screen the same; bytes per event %.0f and %.0f (%.3f)\n", events,
              events > 0 ? totalA / events : 0.0, events > 0 ? totalB / events : 0.0,
              totalA > 0 ? totalB / totalA : 0.0);
  return 0;
}

}  // namespace
}  // namespace glimmer

int main(int argc, char** argv) { return glimmer::run(argc, argv); }
