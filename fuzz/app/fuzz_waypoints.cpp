// Arbitrary bytes as a waypoint file: every waypoint taken holds a finite latitude within 90
// degrees, a finite longitude within 180 and a name that fits its field.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/waypointimport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == '\n')
      lines.emplace_back();
    else
      lines.back().push_back(static_cast<char>(data[i]));
  }
  constexpr size_t kWidth = 20;
  const TWaypointImport got = ParseWaypointLines(lines, kWidth);
  for (const TWaypointLine& w : got.Waypoints) {
    if (!std::isfinite(w.Lat) || !std::isfinite(w.Lon)) std::abort();
    if (std::fabs(w.Lat) > 90 || std::fabs(w.Lon) > 180) std::abort();
    if (w.Name.empty() || w.Name.size() > kWidth) std::abort();
  }
  const size_t body = lines.size() > kFirstWaypointLine ? lines.size() - kFirstWaypointLine : 0;
  if (got.Waypoints.size() + static_cast<size_t>(got.Skipped) > body) std::abort();
  return 0;
}
