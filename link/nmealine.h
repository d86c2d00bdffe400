// NMEA 0183 lines out of a port's byte stream, as the decoder and the port wizard read them.
//
// CR, LF and CR LF each end a line: instruments end theirs with CR LF, software sources and
// multiplexers often with LF alone. An LF that arrives on an empty line (the second half of a
// CR LF) is kept as the first character of the next one, so that the lines laid end to end are
// the stream as it came. A '$' or '!' after anything but that LF starts a new sentence: noise
// that cut a sentence short must not let the next one finish it, so what was held before it is
// handed over as cut off. NUL bytes are padding and are left out. Characters past
// kLastLinePosition of a line keep overwriting that position.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace nmea {

inline constexpr int kLineBufferSize = 2048;
inline constexpr int kLastLinePosition = 1000;

enum class TLineEnd {
  kEnded,  // by CR or LF, which it holds last
  kCut,    // by the start of the next sentence; it is no whole sentence
};

// Adds count characters to the line being assembled in buffer (index is the next position), and
// calls onLine for every line they end or cut, with the line NUL-terminated in buffer; index is
// 0 again after each.
void AssembleLines(char (&buffer)[kLineBufferSize], std::int32_t& index, const char* chars,
                   std::size_t count, const std::function<void(TLineEnd)>& onLine);

// The sentence of a line: its '$' or '!', or null when the line holds none.
const char* SentenceStart(const char* line);

}  // namespace nmea
