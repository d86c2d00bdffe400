#pragma once
// What the output writer of the communications form reads of the main window: its computed
// members under their own names. The main window hands them over through Tcomms::fOutputValues;
// until it does, every value stays at its start value.
#include <string>

struct TOutputValues {
  float fPerformance = 0;
  float fTargetSpeed = 0;
  float fCourseOverGround = 0;
  float fHeading = 0;
  float fSpeedOverGround = 0;
  float fSpeedThroughWater = 0;
  float fTrueWindSpeed = 0;
  float fTrueWindAngle = 0;
  float fVMG = 0;
  float fGeoWindAngle = 0;
  float fDepth = 0;
  float fBearingToWaypoint = 0;
  float fDistanceToWaypoint = 0;
  float fDistanceToLayline = 0;
  float fCurrentDrift = 0;
  float fCurrentSet = 0;
  float fTwsCorrection = 0;
  float fTwaCorrectionApplied = 0;
  // The main window's time-to-layline label ("mm:ss"); empty while it shows none (not sent).
  std::string TimeToLayline;
};

// The finished form of an output sentence: "*", the XOR of every character after the first as two
// upper-case hexadecimal digits, and CR LF.
std::string NmeaSentence(const std::string& text);
