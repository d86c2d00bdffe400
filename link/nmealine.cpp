#include "link/nmealine.h"

#include <cstring>

namespace nmea {

namespace {

// The characters that end, cut or are left out of a line; everything else is stored as it comes.
// All of them sort before '%', which letters, digits and commas do not: one comparison passes
// those.
bool Special(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u <= '$' && (u == '\r' || u == '\n' || u == '$' || u == '!' || u == '\0');
}

// Stores characters one after the other; once a line reaches the last position, every further
// character overwrites that position.
void Store(char (&buffer)[kLineBufferSize], std::int32_t& index, const char* chars,
           std::size_t count) {
  if (count == 0) return;
  if (index > kLastLinePosition) index = kLastLinePosition;
  const auto room = static_cast<std::size_t>(kLastLinePosition - index);
  if (count <= room) {
    std::memcpy(buffer + index, chars, count);
    index += static_cast<std::int32_t>(count);
    return;
  }
  std::memcpy(buffer + index, chars, room);
  buffer[kLastLinePosition] = chars[count - 1];
  index = kLastLinePosition + 1;
}

}  // namespace

void AssembleLines(char (&buffer)[kLineBufferSize], std::int32_t& index, const char* chars,
                   std::size_t count, const std::function<void(TLineEnd)>& onLine) {
  const auto finish = [&](TLineEnd how) {
    buffer[index] = '\0';
    onLine(how);
    index = 0;
  };
  const char* run = chars;  // the characters not yet stored
  const char* const end = chars + count;
  for (const char* p = chars; p < end; ++p) {
    if (!Special(*p)) continue;
    Store(buffer, index, run, static_cast<std::size_t>(p - run));
    run = p + 1;
    switch (*p) {
      case '$':
      case '!':
        if (index > 1 || (index == 1 && buffer[0] != '\n')) finish(TLineEnd::kCut);
        Store(buffer, index, p, 1);
        break;
      case '\n':
        Store(buffer, index, p, 1);
        if (index > 1) finish(TLineEnd::kEnded);  // else the lead-in of the next line
        break;
      case '\r':
        Store(buffer, index, p, 1);
        finish(TLineEnd::kEnded);
        break;
      default:  // NUL
        break;
    }
  }
  Store(buffer, index, run, static_cast<std::size_t>(end - run));
}

const char* SentenceStart(const char* line) {
  return std::strpbrk(line, "$!");
}

}  // namespace nmea
