// Waypoint files: from the thirteenth line on, one waypoint a line as two words and two numbers
// (latitude, longitude in degrees), separated by white space; the second word is the name.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct TWaypointLine {
  std::string Name;
  double Lat = 0;
  double Lon = 0;
};

struct TWaypointImport {
  std::vector<TWaypointLine> Waypoints;
  // Lines from the thirteenth on that hold something but no waypoint.
  int Skipped = 0;
};

// The first line of waypoints (0-based): what comes before is the file's heading.
inline constexpr size_t kFirstWaypointLine = 12;

// Names are cut to `nameWidth` characters; a line is a waypoint only when its two numbers are
// whole numbers of text, finite, the latitude within 90 degrees and the longitude within 180.
TWaypointImport ParseWaypointLines(const std::vector<std::string>& lines, size_t nameWidth);
