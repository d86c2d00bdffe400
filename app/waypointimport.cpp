#include "app/waypointimport.h"

#include <cmath>
#include <optional>
#include <string_view>

#include "platform/rtl/sysutils.h"

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::vector<std::string_view> Words(std::string_view line) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && IsSpace(line[i])) ++i;
    const size_t start = i;
    while (i < line.size() && !IsSpace(line[i])) ++i;
    if (i > start) out.push_back(line.substr(start, i - start));
  }
  return out;
}

std::optional<double> Degrees(std::string_view word, double limit) {
  double v = 0;
  if (!rtl::TryStrToFloat(word, v) || !std::isfinite(v) || std::fabs(v) > limit)
    return std::nullopt;
  return v;
}

}  // namespace

TWaypointImport ParseWaypointLines(const std::vector<std::string>& lines, size_t nameWidth) {
  TWaypointImport out;
  for (size_t i = kFirstWaypointLine; i < lines.size(); ++i) {
    const auto words = Words(lines[i]);
    if (words.empty()) continue;  // a blank line holds nothing to lose
    std::optional<double> lat, lon;
    if (words.size() >= 4) {
      lat = Degrees(words[2], 90);
      lon = Degrees(words[3], 180);
    }
    if (!lat || !lon) {
      ++out.Skipped;
      continue;
    }
    out.Waypoints.push_back({std::string(words[1].substr(0, nameWidth)), *lat, *lon});
  }
  return out;
}
