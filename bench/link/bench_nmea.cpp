// Decoding a few megabytes of instrument traffic: a boat's NMEA mix with GPS satellites and AIS.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"
#include "platform/win/system.h"

namespace {

std::string Sentence(const char* start, const std::string& body) {
  int sum = 0;
  for (char c : body) sum ^= static_cast<unsigned char>(c);
  char tail[8];
  std::snprintf(tail, sizeof tail, "*%02X\r\n", sum);
  return start + body + tail;
}

std::string Format(const char* fmt, double a, double b = 0, double c = 0) {
  char text[160];
  std::snprintf(text, sizeof text, fmt, a, b, c);
  return text;
}

const std::string& Traffic() {
  static const std::string traffic = [] {
    std::mt19937 rng(42);
    std::uniform_real_distribution<double> u(0, 1);
    std::string s = "\n";
    while (s.size() < 4 * 1024 * 1024) {
      const double t = u(rng);
      s += Sentence("$", Format("IIMWV,%.1f,R,%.1f,N,A", 360 * t, 25 * u(rng)));
      s += Sentence("$", Format("IIVHW,,T,%.1f,M,%.2f,N,%.2f,K", 360 * t, 8 * u(rng), 15 * t));
      s += Sentence("$", Format("HCHDG,%.1f,,,2.1,E", 360 * u(rng)));
      s += Sentence("$", Format("IIDBT,%.1f,f,%.2f,M,,F", 30 * t, 10 * t));
      s += Sentence("$", Format("IIVPW,%.2f,N,,", 6 * u(rng) - 3));
      s += Sentence("$", Format("GPRMC,123519,A,%09.4f,N,%010.4f,W,%.1f,054.7,230394,003.1,W",
                                4807.038 + t, 1131.0 + u(rng), 7 * t));
      s += Sentence("$", Format("GPGGA,123519,%09.4f,N,%010.4f,E,1,08,0.9,545.4,M,46.9,M,,",
                                4807.038 + t, 1131.0 + u(rng)));
      s += Sentence("$", Format("GPVTG,%.1f,T,034.4,M,%.1f,N,010.2,K", 360 * t, 7 * u(rng)));
      s += Sentence("$", "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
      s += Sentence("$", "GPGSV,2,1,08,01,40,083,46,02,17,308,41,12,07,344,39,14,22,228,45");
      s += Sentence("!", "AIVDM,1,1,,B,177KQJ5000G?tO`K>RA1wUbN0TKH,0");
    }
    return s;
  }();
  return traffic;
}

// The port hands over whatever has arrived: pieces of the given size.
void BM_DecodeTraffic(benchmark::State& state) {
  const std::string& traffic = Traffic();
  const auto piece = static_cast<std::size_t>(state.range(0));
  win::SystemScope windows;  // the form's controls and timer
  auto decoder = std::make_unique<Tcomms>(nullptr);
  for (auto _ : state) {
    for (std::size_t pos = 0; pos < traffic.size(); pos += piece) {
      decoder->ReceiveChars(traffic.data() + pos, std::min(piece, traffic.size() - pos));
    }
    benchmark::DoNotOptimize(decoder->fSpeedThroughWater);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * traffic.size()));
}
BENCHMARK(BM_DecodeTraffic)->Arg(1)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond);

// The whole read path: the port's queue count, block reads from the line, the decoder; with a
// second argument of 1 through the receive lamp in front of it, as the port delivers.
void BM_DecodeThroughThePort(benchmark::State& state) {
  const std::string& traffic = Traffic();
  const auto piece = static_cast<std::size_t>(state.range(0));
  auto line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake scoped("BENCHNMEA", line);
  win::SystemScope windows;
  auto decoder = std::make_unique<Tcomms>(nullptr);
  const rtl::TNotifyEvent lamp = decoder->ComPort1->OnRxChar();
  const bool throughLamp = state.range(1) == 1;
  decoder->ComPort1->SetOnRxChar(nullptr);  // called here rather than from the event thread
  decoder->ComPort1->SetDeviceName("BENCHNMEA");
  decoder->ComPort1->Open();
  for (auto _ : state) {
    for (std::size_t pos = 0; pos < traffic.size(); pos += piece) {
      line->Feed(std::string_view(traffic).substr(pos, piece));
      if (throughLamp)
        lamp(decoder->ComPort1);
      else
        decoder->ComPort1RxChar(decoder->ComPort1);
    }
    benchmark::DoNotOptimize(decoder->fSpeedThroughWater);
  }
  decoder->ComPort1->Close();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * traffic.size()));
}
BENCHMARK(BM_DecodeThroughThePort)
    ->ArgsProduct({{64, 1024, 4096}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
