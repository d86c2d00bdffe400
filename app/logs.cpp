// The text log "corvatalen.txt" and the per-recording log tables "<date>_<n>.lg".
#include <cmath>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

#include "app/mainform.h"
#include "platform/rtl/datetime.h"
#include "platform/rtl/files.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/dialogs.h"

namespace {

// Days from 1 January of year 1 (day 1) to the date-time epoch 30 December 1899.
constexpr int kDateDelta = 693594;

// A field of the text log line: a value that is not a number (no wind known) leaves it empty, so
// the line keeps its fields and a reader cannot take it for a calm.
std::string LogField(const char* format, float v) {
  if (!std::isfinite(v)) return ";";
  char text[64];
  std::snprintf(text, sizeof text, format, static_cast<double>(v));
  return std::string(";") + text;
}

}  // namespace

void TForm1::DefineLogFields(db::TTable& Table) {
  auto& defs = Table.FieldDefs();
  defs.Clear();
  defs.Add("Id", db::ftAutoInc);
  defs.Add("datum", db::ftDateTime);
  defs.Add("Timestamp", db::ftInteger);
  for (const char* name :
       {"Lat", "Lon", "speedog", "courseog", "Speed", "Heading", "awa", "aws", "twa", "tws", "VMG",
        "Performance", "TargetSpeed", "GeoWindAngle", "Depth"})
    defs.Add(name, db::ftFloat);
}

std::string TForm1::RecordingName(rtl::TDateTime now) const {
  return RecordingName(now, fRecordCounter);
}

std::string TForm1::RecordingName(rtl::TDateTime now, std::int32_t counter) const {
  std::string name = rtl::DateToStr(now) + "_" + rtl::IntToStr(counter);
  for (char& c : name)
    if (c == '-' || c == '/') c = '_';
  return name;
}

std::string TForm1::UnusedRecordingName(bool take) {
  // A name whose video exists is taken too: the capture button may have recorded under it. The
  // table opens a file of its name in any case ("..._1.LG" copied from another computer), so a
  // name is taken in any case too: a new recording must never go on in an old one.
  const auto taken = [](const std::string& file) {
    return rtl::FileExists(rtl::ResolveFileName(file));
  };
  std::int32_t counter = fRecordCounter;
  std::string name;
  do {
    ++counter;
    name = RecordingName(fNow(), counter);
  } while (taken(name + ".lg") || taken(name + ".avi"));
  if (take) fRecordCounter = counter;
  return name;
}

void TForm1::SpeedButton30Click(rtl::TObject*) {
  if (fRecording == 0 && fReplayMode != 0) {
    // A replay runs no live tick, so nothing would be recorded, and the log table is the
    // replayed file: recording is for live data only.
    SpeedButton30->SetDown(false);
    ShowBox("Recording works on live data only. Leave the replay through Comms first.", "Message",
            vcl::MB_OK);
    return;
  }
  fRecording = fRecording == 1 ? 0 : 1;
  if (fRecording == 0) {
    SpeedButton30->SetDown(false);
    cap->StopCapture();
    BitBtn3->SetCaption("Capture");
    SetCaption("Corvatalen");
    return;
  }
  const std::string name = UnusedRecordingName();
  SpeedButton30->SetDown(true);
  cap->SetCaptureFileName(name + ".avi");
  BitBtn3->SetCaption("Stop");
  try {
    Table3->Close();
    Table3->SetTableName(name + ".lg");
    DefineLogFields(*Table3);
    if (!Table3->Exists()) Table3->CreateTable();
    Table3->Open();
  } catch (const std::exception&) {
    // Without a table every tick would fail again: recording stays off.
    fRecording = 0;
    SpeedButton30->SetDown(false);
    BitBtn3->SetCaption("Capture");
    SetCaption("Corvatalen");
    throw;
  }
  SetCaption("Corvatalen - Recording");
  cap->StartCapture(false);
  // Without a camera the recording has no video: the capture button has nothing to stop.
  if (!cap->Capturing()) BitBtn3->SetCaption("Capture");
}

void TForm1::AppendTextLogLine() {
  // One reading of the clock for the whole line, so that it cannot straddle midnight.
  const rtl::TDateTime now = fNow();
  fLogSeconds = static_cast<int>(rtl::MilliSecondOfTheDay(now) / 1000);
  // The day as the date text reads it: the text rounds to the millisecond, so the last half
  // millisecond before midnight is already the next day.
  int year = 0, month = 0, dayOfMonth = 0;
  rtl::DecodeDate(now, year, month, dayOfMonth);
  const int day = static_cast<int>(rtl::EncodeDate(year, month, dayOfMonth)) + kDateDelta;
  std::string line = rtl::DateToStr(now) + " " + rtl::TimeToStr(now) + ";" +
                     std::to_string(fLogSeconds) + ";" + std::to_string(day);
  const std::pair<const char*, float> fields[] = {
      {"%2.1f", fSpeedOverGround},   {"%3.0f", fCourseOverGround},
      {"%2.1f", fApparentWindAngle}, {"%2.1f", fApparentWindSpeed},
      {"%2.1f", fTrueWindAngle},     {"%2.1f", fTrueWindSpeed},
      {"%2.1f", fPerformance},       {"%2.1f", fTargetSpeed},
      {"%3.1f", fGeoWindAngle},      {"%2.1f", fVMG}};
  for (const auto& [format, value] : fields) line += LogField(format, value);
  fTextLog.Append(line + "\n", now);
}

void TForm1::NoteInTextLog(const std::string& message) {
  const rtl::TDateTime now = fNow();
  fTextLog.Append(rtl::DateToStr(now) + " " + rtl::TimeToStr(now) + ";" + message + "\n", now);
}

void TForm1::AppendLogRecord() {
  if (!Table3->Active()) return;
  const std::pair<const char*, float> values[] = {{"speedog", fSpeedOverGround},
                                                  {"courseog", fCourseOverGround},
                                                  {"tws", fTrueWindSpeed},
                                                  {"twa", fTrueWindAngle},
                                                  {"GeoWindAngle", fGeoWindAngle},
                                                  {"awa", fApparentWindAngle},
                                                  {"aws", fApparentWindSpeed},
                                                  {"VMG", fVMG},
                                                  {"Performance", fPerformance},
                                                  {"TargetSpeed", fTargetSpeed},
                                                  {"Depth", fDepth},
                                                  {"Heading", fHeading},
                                                  {"Speed", fSpeedThroughWater}};
  try {
    Table3->Append();
    Table3->FieldByName("Timestamp")->SetAsInteger(fLogSeconds);
    // A value that is not a number (no wind known) leaves its field empty, as a position before
    // the first fix.
    for (const auto& [field, value] : values)
      if (std::isfinite(value)) Table3->FieldByName(field)->SetAsFloat(value);
    // Before the first fix the position is left empty: 0,0 would replay as a place.
    if (fPositionKnown) {
      Table3->FieldByName("Lat")->SetAsFloat(fLatitude);
      Table3->FieldByName("Lon")->SetAsFloat(fLongitude);
    }
    Table3->Post();
    Table3->FlushBuffers();
  } catch (const std::exception& e) {
    // The failed record is dropped, so that the next second's is written on its own (a record
    // left in insert mode would be posted again, and fail again, before every new one).
    try {
      Table3->Cancel();
    } catch (const std::exception&) {
    }
    if (fLogRecordReported) return;
    fLogRecordReported = true;
    TellOnce("Cannot write the recording " + Table3->TableName() + ": " + e.what() +
                 ". The program carries on and tries again every second.",
             "Error", vcl::MB_OK | vcl::MB_ICONEXCLAMATION);
    return;
  }
  fLogRecordReported = false;  // it works again: a later failure is told again
}
