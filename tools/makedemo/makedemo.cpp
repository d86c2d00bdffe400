// makedemo <nmea.log> <PERFORMANCE.DBF> <demonstration.lg>: records a sailing log as the program
// would have recorded it live. The NMEA lines go through the communications form's decoder, paced
// by the times of their GLL fixes; for every second of the log the main tick and the target tick
// run once, on a virtual clock standing at that second, and the main tick appends its record.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/mainform.h"
#include "app/polar.h"
#include "app/winmain.h"
#include "link/comsettings.h"
#include "platform/rtl/datetime.h"
#include "platform/vcl/application.h"
#include "platform/vcl/dialogs.h"
#include "platform/win/system.h"

namespace fs = std::filesystem;

namespace {

// 2026-01-01 00:00:00 UTC.
constexpr const char* kSourceDateEpoch = "1767225600";
// The day the records are stamped with; a log table keeps only the time of day.
const rtl::TDateTime kDay = rtl::EncodeDate(2000, 1, 1);

// Seconds since midnight of a GLL line's UTC field (hhmmss), or -1.
int GllSeconds(const std::string& line) {
  if (line.size() < 7 || line.compare(3, 3, "GLL") != 0) return -1;
  size_t p = 0;
  for (int comma = 0; comma < 5; ++comma) {
    p = line.find(',', p);
    if (p == std::string::npos) return -1;
    ++p;
  }
  if (p + 6 > line.size()) return -1;
  int v[3];
  for (int i = 0; i < 3; ++i) {
    const char a = line[p + 2 * i], b = line[p + 2 * i + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
    v[i] = (a - '0') * 10 + (b - '0');
  }
  return v[0] * 3600 + v[1] * 60 + v[2];
}

int Run(const std::string& logFile, const std::string& polar, const std::string& out) {
  std::ifstream in(logFile, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + logFile);
  const fs::path polarPath = fs::absolute(polar);
  const fs::path outPath = fs::absolute(out);

  // The program's files live in its working directory: a scratch one.
  char pattern[] = "/tmp/makedemo-XXXXXX";
  if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("no scratch directory");
  const fs::path work = pattern;
  const fs::path old = fs::current_path();
  fs::current_path(work);
  fs::copy_file(polarPath, "PERFORMANCE.DBF");
  // The main window starts only with its world layer: the one shipped beside the polar table.
  fs::create_symlink(polarPath.parent_path() / "world.lyr", "world.lyr");

  // The table's header carries its creation time: a fixed one, so that two runs agree.
  ::setenv("SOURCE_DATE_EPOCH", kSourceDateEpoch, 0);
  int records = 0;
  {
    auto clock = std::make_shared<win::VirtualClock>();
    win::Config config;
    config.clock = clock;
    win::SystemScope system(config);
    vcl::SetDialogResponder([](const vcl::TDialogRequest&) { return vcl::TDialogAnswer{}; });
    vcl::TApplication app;
    CreateForms(app);
    if (Form1->fExitCode != 0)
      throw std::runtime_error("the program did not start in " + work.string());
    Polardata->ReadPolars();
    int second = 0;
    Form1->fNow = [&second] { return kDay + static_cast<double>(second) / rtl::SecsPerDay; };
    // No instrument port: nothing is sent back.
    Form1->fNetworkInput = 1;
    Form1->Table3->Close();
    Form1->Table3->SetTableName("demonstration.lg");
    TForm1::DefineLogFields(*Form1->Table3);
    Form1->Table3->CreateTable();
    Form1->Table3->Open();
    Form1->fRecording = 1;

    int last = -1;
    // A line starts after the line feed of the one before: so does the first.
    comms->ReceiveChars("\n", 1);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string sentence = line + "\r\n";
      comms->ReceiveChars(sentence.data(), sentence.size());
      const int t = GllSeconds(line);
      if (t < 0) continue;
      // Every second up to this fix, each with what had arrived by then.
      for (int s = last < 0 || t <= last ? t : last + 1; s <= t; ++s) {
        second = s;
        clock->Advance(1000);
        Form1->Timer1Timer(nullptr);
        Form1->Timer3Timer(nullptr);
        ++records;
      }
      last = t;
    }
    Form1->Table3->Close();
    vcl::SetDialogResponder(nullptr);
  }
  fs::current_path(old);
  fs::copy_file(work / "demonstration.lg", outPath, fs::copy_options::overwrite_existing);
  fs::remove_all(work);
  std::printf("makedemo: %d records\n", records);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: makedemo <nmea.log> <PERFORMANCE.DBF> <demonstration.lg>\n");
    return 2;
  }
  try {
    return Run(argv[1], argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "makedemo: %s\n", e.what());
    return 1;
  }
}
