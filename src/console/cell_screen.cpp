// Terminal output played onto a grid of console cells; see cell_screen.h.
#include "console/cell_screen.h"

#include <algorithm>

#include "base/palette.h"
#include "console/frame_encoder.h"

namespace glimmer {
namespace {

// The console colour of an ANSI number: swapping red and blue back is the same swap.
int consoleOfAnsi(int ansi) { return ansiColorOf(ansi); }

// The console colour nearest to r, g, b (squared distance; the first of equals).
int nearestConsoleColour(int red, int green, int blue) {
  int best = 0;
  long bestDistance = -1;
  for (int colour = 0; colour < 16; ++colour) {
    const long dr = red - kConsolePalette[colour][0];
    const long dg = green - kConsolePalette[colour][1];
    const long db = blue - kConsolePalette[colour][2];
    const long distance = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || distance < bestDistance) {
      best = colour;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace

CellScreen::CellScreen(int columns, int rows)
    : cells_(new ScreenCell[static_cast<std::size_t>(std::max(columns, 1)) * std::max(rows, 1)]),
      columns_(std::max(columns, 1)),
      rows_(std::max(rows, 1)) {
  clear();
  changed_ = {0, 0, 0, 0};
}

void CellScreen::mark(int column, int row) {
  if (changed_.right <= changed_.left) {
    changed_ = {column, row, column + 1, row + 1};
    return;
  }
  changed_.left = std::min(changed_.left, column);
  changed_.top = std::min(changed_.top, row);
  changed_.right = std::max(changed_.right, column + 1);
  changed_.bottom = std::max(changed_.bottom, row + 1);
}

CellRect CellScreen::takeChanged() {
  const CellRect changed = changed_;
  changed_ = {0, 0, 0, 0};
  return changed;
}

void CellScreen::clear() {
  const std::size_t count = static_cast<std::size_t>(columns_) * rows_;
  for (std::size_t index = 0; index < count; ++index) cells_[index] = {u' ', attribute_};
  changed_ = {0, 0, columns_, rows_};
}

void CellScreen::put(char32_t character) {
  if (character == U'\r') {
    column_ = 0;
    return;
  }
  if (character == U'\n') {
    if (row_ < rows_ - 1) ++row_;
    return;
  }
  if (character < 0x20 || character == 0x7F) return;
  if (row_ < rows_ && column_ < columns_) {
    // Characters outside the 16-bit range do not occur in code page 437; they show as '?'.
    const char16_t shown = character > 0xFFFF ? u'?' : static_cast<char16_t>(character);
    cells_[static_cast<std::size_t>(row_) * columns_ + column_] = {shown, attribute_};
    mark(column_, row_);
  }
  if (column_ < columns_ - 1) ++column_;
}

void CellScreen::selectGraphics() {
  if (parameterCount_ == 0) {
    attribute_ = kDefaultAttribute;
    return;
  }
  for (int index = 0; index < parameterCount_; ++index) {
    const int value = parameters_[index];
    if (value == 0) {
      attribute_ = kDefaultAttribute;
    } else if (value >= 30 && value <= 37) {
      attribute_ = static_cast<std::uint16_t>((attribute_ & 0xF0) | consoleOfAnsi(value - 30));
    } else if (value >= 90 && value <= 97) {
      attribute_ = static_cast<std::uint16_t>((attribute_ & 0xF0) | (consoleOfAnsi(value - 90) | 8));
    } else if (value == 39) {
      attribute_ = static_cast<std::uint16_t>((attribute_ & 0xF0) | (kDefaultAttribute & 0x0F));
    } else if (value >= 40 && value <= 47) {
      attribute_ = static_cast<std::uint16_t>((attribute_ & 0x0F) | consoleOfAnsi(value - 40) << 4);
    } else if (value >= 100 && value <= 107) {
      attribute_ = static_cast<std::uint16_t>((attribute_ & 0x0F) | (consoleOfAnsi(value - 100) | 8) << 4);
    } else if (value == 49) {
      attribute_ = static_cast<std::uint16_t>((attribute_ & 0x0F) | (kDefaultAttribute & 0xF0));
    } else if ((value == 38 || value == 48) && index + 4 < parameterCount_ && parameters_[index + 1] == 2) {
      const int colour = nearestConsoleColour(parameters_[index + 2], parameters_[index + 3], parameters_[index + 4]);
      attribute_ = value == 38 ? static_cast<std::uint16_t>((attribute_ & 0xF0) | colour)
                               : static_cast<std::uint16_t>((attribute_ & 0x0F) | colour << 4);
      index += 4;
    }
  }
}

void CellScreen::runCsi(char final) {
  if (privateSequence_) return;  // modes: screen, cursor, wrapping, synchronized output
  const int first = parameterCount_ > 0 ? parameters_[0] : 0;
  switch (final) {
    case 'H': {
      const int row = first > 0 ? first : 1;
      const int column = parameterCount_ > 1 && parameters_[1] > 0 ? parameters_[1] : 1;
      row_ = std::min(row, rows_) - 1;
      column_ = std::min(column, columns_) - 1;
      break;
    }
    case 'C':
      column_ = std::min(column_ + (first > 0 ? first : 1), columns_ - 1);
      break;
    case 'J':
      if (first == 2) clear();
      break;
    case 'm':
      selectGraphics();
      break;
    default:
      break;  // window operations (titles, sizes) and anything else: not for the cells
  }
}

void CellScreen::feed(const char* bytes, std::size_t size) {
  for (std::size_t index = 0; index < size; ++index) {
    const auto byte = static_cast<unsigned char>(bytes[index]);
    switch (state_) {
      case State::Text:
        if (pendingBytes_ > 0) {
          if ((byte & 0xC0) == 0x80) {
            pending_ = pending_ << 6 | (byte & 0x3F);
            if (--pendingBytes_ == 0) put(pending_);
            continue;
          }
          pendingBytes_ = 0;  // a broken character is dropped; this byte starts afresh
          put(U'?');
        }
        if (byte == 0x1B) {
          state_ = State::Escape;
        } else if (byte < 0x80) {
          put(byte);
        } else if ((byte & 0xE0) == 0xC0) {
          pending_ = byte & 0x1F;
          pendingBytes_ = 1;
        } else if ((byte & 0xF0) == 0xE0) {
          pending_ = byte & 0x0F;
          pendingBytes_ = 2;
        } else if ((byte & 0xF8) == 0xF0) {
          pending_ = byte & 0x07;
          pendingBytes_ = 3;
        } else {
          put(U'?');
        }
        break;
      case State::Escape:
        if (byte == '[') {
          state_ = State::Csi;
          parameterCount_ = 0;
          privateSequence_ = false;
          parameters_[0] = 0;
        } else if (byte == ']') {
          state_ = State::Osc;
        } else {
          state_ = State::Text;  // two-byte sequences are not used
        }
        break;
      case State::Csi:
        if (byte >= '0' && byte <= '9') {
          if (parameterCount_ == 0) parameterCount_ = 1;
          int& value = parameters_[parameterCount_ - 1];
          if (value < 100000) value = value * 10 + (byte - '0');
        } else if (byte == ';') {
          if (parameterCount_ == 0) parameterCount_ = 1;
          if (parameterCount_ < kMaxParameters) parameters_[parameterCount_++] = 0;
        } else if (byte == '?' || byte == '>' || byte == '=' || byte == '<') {
          privateSequence_ = true;
        } else if (byte >= 0x40 && byte <= 0x7E) {
          runCsi(static_cast<char>(byte));
          state_ = State::Text;
        }
        break;
      case State::Osc:
        if (byte == 0x07) {
          state_ = State::Text;
        } else if (byte == 0x1B) {
          state_ = State::OscEscape;
        }
        break;
      case State::OscEscape:
        state_ = byte == '\\' ? State::Text : State::Osc;
        break;
    }
  }
}

}  // namespace glimmer
