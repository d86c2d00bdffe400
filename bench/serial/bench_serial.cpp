// The serial hot paths: characters from the line to the receive handler on the GUI thread (event
// thread, handover, one ReadChar per byte as the decoder reads), and one refresh of the output.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <string>

#include "link/comport.h"
#include "link/comsettings.h"
#include "platform/rtl/thread.h"
#include "platform/serial/fakedevice.h"
#include "platform/win/system.h"

namespace {

struct Pty {
  Pty() {
    char name[128];
    int slave = -1;
    openpty(&master, &slave, name, nullptr, nullptr);
    close(slave);
    path = name;
  }
  ~Pty() { close(master); }
  int master = -1;
  std::string path;
};

const std::string kLine = "\n$IIVHW,,,,,5.4,N,,*00\r";

// Bytes sent by the far end until the receive handler has read them all.
void BM_ReceiveThroughHandover(benchmark::State& state) {
  Pty pty;
  TComPort port(nullptr);
  port.SetDeviceName(pty.path);
  port.SetBaudRate(br4800);
  std::size_t received = 0;
  port.SetOnRxChar(rtl::TNotifyEvent(&received, [&](rtl::TObject*) {
    const int count = port.InputCount();
    for (int i = 0; i < count; ++i) port.ReadChar();
    received += static_cast<std::size_t>(count);
  }));
  port.Open();
  std::string block;
  while (block.size() < 2048) block += kLine;
  for (auto _ : state) {
    received = 0;
    if (write(pty.master, block.data(), block.size()) < 0) state.SkipWithError("write");
    while (received < block.size()) rtl::CheckSynchronize(100);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * block.size()));
}
BENCHMARK(BM_ReceiveThroughHandover)->UseRealTime();

// One character from the far end to the handler: the latency of the event thread's handover.
void BM_OneCharacterLatency(benchmark::State& state) {
  Pty pty;
  TComPort port(nullptr);
  port.SetDeviceName(pty.path);
  int got = 0;
  port.SetOnRxChar(rtl::TNotifyEvent(&got, [&](rtl::TObject*) {
    const int count = port.InputCount();
    for (int i = 0; i < count; ++i) port.ReadChar();
    got += count;
  }));
  port.Open();
  for (auto _ : state) {
    got = 0;
    if (write(pty.master, "$", 1) < 0) state.SkipWithError("write");
    while (got == 0) rtl::CheckSynchronize(100);
  }
}
BENCHMARK(BM_OneCharacterLatency)->UseRealTime();

// One display refresh of output: the built-in templates, wind corrections and four pages.
void BM_SendNmeaOutput(benchmark::State& state) {
  auto line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake("COM1", line);
  win::SystemScope windows;  // the form's controls and timer
  Tcomms comms(nullptr);
  comms.fOutputValues = [] {
    TOutputValues v;
    v.fPerformance = 97.6f;
    v.fTargetSpeed = 6.2f;
    v.fGeoWindAngle = 245.2f;
    return v;
  };
  for (vcl::TCheckBox* box :
       {comms.CheckBox1, comms.CheckBox2, comms.CheckBox3, comms.CheckBox4, comms.CheckBox5})
    box->SetChecked(true);
  comms.ComPort1->Open();
  std::size_t bytes = 0;
  for (auto _ : state) {
    comms.SendNmeaOutput();
    bytes += line->TakeWritten().size();
  }
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_SendNmeaOutput);

}  // namespace
