// lognmea RECORDING [SKIP]: a recording written back as the instruments would have sent it, for
// feeding the program a real yacht's log through a port. One block a second on standard output,
// records SKIP on from the first: RMC (position, speed and course over ground), VHW (heading and
// speed through the water), MWV (apparent wind), DBT (depth), each block ending in an empty line.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/replay.h"
#include "platform/db/table.h"

namespace {

std::string Sentence(const std::string& body) {
  unsigned sum = 0;
  for (unsigned char c : body) sum ^= c;
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return "$" + body + tail;
}

std::string Format(const char* fmt, auto... args) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

double Angle(double a) {
  return std::fmod(std::fmod(a, 360) + 360, 360);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: lognmea RECORDING [SKIP]\n");
    return 2;
  }
  const long skip = argc > 2 ? std::atol(argv[2]) : 0;
  db::TTable table(nullptr);
  table.SetTableType(db::ttParadox);
  table.SetTableName(argv[1]);
  table.Open();
  const std::vector<TLogRecord> records = ReadLogRecords(table);
  for (size_t i = size_t(std::max(0L, skip)); i < records.size(); ++i) {
    const TLogRecord& r = records[i];
    auto v = [&](TLogValue k) { return r.Values[k]; };
    const int t = r.Timestamp % 86400;
    const double lat = v(lvLatitude), lon = v(lvLongitude);
    // Apparent wind angle from the bow, 0..360 clockwise.
    std::string block =
        Sentence(Format("GPRMC,%02d%02d%02d,A,%09.4f,%c,%010.4f,%c,%.1f,%.1f,061226,,", t / 3600,
                        t / 60 % 60, t % 60, std::fabs(lat), lat < 0 ? 'S' : 'N', std::fabs(lon),
                        lon < 0 ? 'W' : 'E', v(lvSpeedOverGround), Angle(v(lvCourseOverGround)))) +
        Sentence(Format("IIVHW,%.1f,T,,M,%.1f,N,,K", Angle(v(lvHeading)), v(lvSpeedThroughWater))) +
        Sentence(Format("IIMWV,%.1f,R,%.1f,N,A", Angle(v(lvApparentWindAngle)),
                        v(lvApparentWindSpeed))) +
        Sentence(Format("SDDBT,,f,%.1f,M,,F", v(lvDepth)));
    std::fputs(block.c_str(), stdout);
    std::fputs("\n", stdout);
  }
  return 0;
}
