#include "link/comport.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

#include "platform/rtl/thread.h"
#include "platform/serial/device.h"
#include "platform/serial/fakedevice.h"
#include "platform/serial/names.h"
#include "tests/platform/serial/pty.h"

namespace {

using Clock = std::chrono::steady_clock;

// The test's main thread plays the GUI thread: it runs the calls that the port's event thread
// hands over. What escapes them is what the application's exception handler would show.
struct Gui {
  std::vector<std::string> shown;

  void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
  }
  bool PumpUntil(const std::function<bool()>& done, int ms = 10000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (Clock::now() > end) return false;
      try {
        rtl::CheckSynchronize(5);
      } catch (const std::exception& e) {
        shown.push_back(e.what());
      }
    }
    return true;
  }
};

rtl::TNotifyEvent Notify(const void* key, std::function<void(rtl::TObject*)> f) {
  return rtl::TNotifyEvent(key, std::move(f));
}

// The instrument port of the communications form, as the form sets it up.
void SetUpAsInstrumentPort(TComPort& port, const std::string& device) {
  port.SetDeviceName(device);
  port.SetBaudRate(br4800);
  port.SetDataBits(db8);
  port.FlowControl().SetDTR(dcDisable);
  port.FlowControl().SetRTS(rcDisable);
  port.FlowControl().SetXOnXOff(xcDisable);
}

class PtyPort : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pty.ok());
    SetUpAsInstrumentPort(port, pty.path());
  }
  // Threads stopped inside their own calls are joined by the GUI thread afterwards.
  void TearDown() override { gui.PumpFor(20); }
  // A receive handler that reads what is waiting, as the decoder does.
  void CollectOnRxChar() {
    port.SetOnRxChar(Notify(this, [this](rtl::TObject* sender) {
      EXPECT_EQ(sender, &port);
      EXPECT_TRUE(rtl::IsMainThread());
      int count = port.InputCount();
      for (int i = 0; i < count; ++i) received += port.ReadChar();
    }));
  }

  PtyPair pty;
  TComPort port{nullptr};
  Gui gui;
  std::string received;
};

TEST_F(PtyPort, FarEndSeesARaw4800Line8N1) {
  port.Open();
  termios t{};
  ASSERT_EQ(tcgetattr(pty.master(), &t), 0);
  EXPECT_EQ(cfgetospeed(&t), B4800);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(t.c_cflag & (PARENB | CSTOPB | CRTSCTS));
  EXPECT_FALSE(t.c_iflag & (IXON | IXOFF | ICRNL | IGNCR | INLCR));
  EXPECT_FALSE(t.c_lflag & (ICANON | ECHO | ISIG));
  EXPECT_FALSE(t.c_oflag & OPOST);
}

TEST_F(PtyPort, CharactersReachOnRxCharOnTheGuiThreadInOrderWithCrIntact) {
  CollectOnRxChar();
  port.Open();
  std::string sent;
  for (int i = 0; i < 40; ++i) {
    const std::string line = "\n$IIVHW,,,,," + std::to_string(i) + ".4,N,,*00\r";
    pty.Send(line);
    sent += line;
    if (i % 7 == 0) gui.PumpFor(2);
  }
  EXPECT_TRUE(gui.PumpUntil([&] { return received.size() >= sent.size(); }));
  EXPECT_EQ(received, sent);
  EXPECT_TRUE(gui.shown.empty());
}

TEST_F(PtyPort, OpenAndCloseAreIdempotent) {
  int opens = 0, closes = 0;
  port.SetAfterOpen(Notify(&opens, [&](rtl::TObject*) { ++opens; }));
  port.SetAfterClose(Notify(&closes, [&](rtl::TObject*) { ++closes; }));
  port.Close();
  port.Open();
  port.Open();
  port.SetActive(true);
  EXPECT_TRUE(port.Active());
  EXPECT_EQ(opens, 1);
  port.SetDeviceName(pty.path());  // the same name on an open port is no change
  port.Close();
  port.Close();
  port.SetActive(false);
  EXPECT_FALSE(port.Active());
  EXPECT_EQ(closes, 1);
  port.Open();  // the device is free again
  EXPECT_EQ(opens, 2);
}

TEST_F(PtyPort, SecondOpenOfTheSameDeviceFails) {
  port.Open();
  TComPort other(nullptr);
  other.SetDeviceName(pty.path());
  try {
    other.Open();
    FAIL() << "opened twice";
  } catch (const EComError& e) {
    EXPECT_EQ(e.WinCode, EBUSY);
    EXPECT_FALSE(e.Message().empty());
  }
  EXPECT_FALSE(other.Active());
}

TEST_F(PtyPort, FarEndClosingWhileDataFlowsGivesOneErrorAndClosesThePort) {
  CollectOnRxChar();
  int reported = 0;
  port.SetOnError(rtl::Event<void(rtl::TObject*, const EComError&, TComAction&)>(
      &reported, [&](rtl::TObject*, const EComError&, TComAction&) { ++reported; }));
  port.Open();
  // Idle, nothing waiting is nothing read, and a waited read waits for what comes: no loss.
  char buffer[8];
  EXPECT_EQ(port.Read(buffer, sizeof buffer, false), 0);
  std::thread far([&] {
    for (const char* part : {"x", "$GP", "GLL\r"}) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      pty.Send(part);
    }
  });
  EXPECT_EQ(port.ReadChar(), 'x');
  EXPECT_EQ(port.ReadLine(), "$GPGLL\r");
  far.join();
  std::atomic<bool> stop{false};
  std::thread writer([&] {
    while (!stop) {
      pty.Send("$GPGLL,4916.45,N,12311.12,W*00\r\n");
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  gui.PumpUntil([&] { return received.size() > 200; });
  stop = true;
  writer.join();
  pty.CloseMaster();
  // The error reaches the GUI after the close, once the event thread runs again.
  EXPECT_TRUE(gui.PumpUntil([&] { return !port.Active() && !gui.shown.empty(); }));
  gui.PumpFor(150);  // no error storm afterwards
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(gui.shown.size(), 1u);
}

// The cable goes while a handler reads: its read fails, and the failed wait that follows closes
// the port without a second message.
TEST_F(PtyPort, FarEndClosingDuringAHandlersReadGivesOneErrorAndClosesThePort) {
  // The box names the port as the user chose it and the device it stood for.
  serial::SetComDevices(std::vector<std::string>{pty.path()});
  port.SetDeviceName("COM1");
  int reported = 0;
  port.SetOnError(rtl::Event<void(rtl::TObject*, const EComError&, TComAction&)>(
      &reported, [&](rtl::TObject*, const EComError&, TComAction&) { ++reported; }));
  port.SetOnRxChar(Notify(this, [this](rtl::TObject*) {
    pty.CloseMaster();
    for (int i = 0; i < 1000; ++i) received += port.ReadChar();
  }));
  port.Open();
  pty.Send("$GPGLL,4916.45,N,12311.12,W*00\r\n");
  EXPECT_TRUE(gui.PumpUntil([&] { return !port.Active() && !gui.shown.empty(); }));
  gui.PumpFor(150);
  EXPECT_EQ(reported, 1);
  ASSERT_EQ(gui.shown.size(), 1u);
  EXPECT_EQ(gui.shown[0], "The connection to COM1 (" + pty.path() +
                              ") was lost. Check the cable, then press OK in Comms.");
  serial::SetComDevices(std::nullopt);
}

TEST_F(PtyPort, CloseInsideOnRxCharDoesNotDeadlockAndFreesTheDevice) {
  int calls = 0;
  port.SetOnRxChar(Notify(this, [&](rtl::TObject*) {
    ++calls;
    port.Close();
  }));
  port.Open();
  pty.Send("abc");
  EXPECT_TRUE(gui.PumpUntil([&] { return calls > 0 && !port.Active(); }));
  gui.PumpFor(20);
  EXPECT_EQ(calls, 1);
  port.Open();  // closed for real: the device can be opened again
  EXPECT_TRUE(port.Active());
}

TEST_F(PtyPort, PortFreedInsideItsOwnHandler) {
  auto* owned = new TComPort(nullptr);
  SetUpAsInstrumentPort(*owned, pty.path());
  bool freed = false;
  owned->SetOnRxChar(Notify(&freed, [&](rtl::TObject* sender) {
    delete static_cast<TComPort*>(sender);
    freed = true;
  }));
  owned->Open();
  pty.Send("x");
  EXPECT_TRUE(gui.PumpUntil([&] { return freed; }));
  gui.PumpFor(20);
  port.Open();
  EXPECT_TRUE(port.Active());
}

TEST_F(PtyPort, WritesReachTheFarEndUnchanged) {
  port.Open();
  port.WriteString("$PTAK,FFD1, 98*5B\r\n");
  EXPECT_EQ(pty.Receive(19), "$PTAK,FFD1, 98*5B\r\n");
}

TEST_F(PtyPort, FullLineDropsWholeWritesAndFinishesTheCutOneByItself) {
  port.SetOnRxChar(Notify(this, [](rtl::TObject*) {}));  // an event thread is running
  port.Open();
  std::string accepted;
  for (int i = 0; i < 100000; ++i) {
    const std::string sentence = "$PX," + std::string(90, static_cast<char>('a' + i % 26)) + "\r\n";
    if (port.Write(sentence.data(), static_cast<int>(sentence.size()), false) == 0) break;
    accepted += sentence;
  }
  ASSERT_LT(accepted.size(), 100000u * 96) << "the far end never filled up";
  // The far end reads; nobody writes any more: the cut write is finished from the event thread.
  EXPECT_EQ(pty.Receive(accepted.size(), 5000), accepted);
}

// ---- over the scriptable line ----

class FakePort : public ::testing::Test {
 protected:
  FakePort() : scoped("COM9", line) { port.SetDeviceName("COM9"); }
  void TearDown() override { gui.PumpFor(20); }

  std::shared_ptr<serial::FakeLine> line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake scoped;
  TComPort port{nullptr};
  Gui gui;
};

TEST_F(FakePort, OneWaitWithSeveralEventsCallsHandlersInTheFixedOrder) {
  std::vector<std::string> order;
  port.SetOnTxEmpty(Notify(&order, [&](rtl::TObject*) { order.push_back("tx"); }));
  port.SetOnRxChar(Notify(&port, [&](rtl::TObject*) { order.push_back("rx"); }));
  port.SetOnCTSChange(Notify(this, [&](rtl::TObject*) { order.push_back("cts"); }));
  port.SetOnBreak(Notify(&gui, [&](rtl::TObject*) { order.push_back("break"); }));
  port.Open();
  line->Signal(serial::evTxEmpty | serial::evRxChar | serial::evCTS | serial::evBreak);
  EXPECT_TRUE(gui.PumpUntil([&] { return order.size() == 4; }));
  EXPECT_EQ(order, (std::vector<std::string>{"break", "cts", "rx", "tx"}));
}

TEST_F(FakePort, HandlersDecideWhichEventsAreWaitedFor) {
  int rx = 0;
  port.Open();
  line->Feed("a");  // nobody listens
  auto handler = Notify(&rx, [&](rtl::TObject*) {
    ++rx;
    port.ReadString();
  });
  port.SetOnRxChar(handler);  // starts the event thread
  line->Feed("b");
  EXPECT_TRUE(gui.PumpUntil([&] { return rx == 1; }));
  EXPECT_EQ(port.OnRxChar(), handler);
  port.SetOnRxChar(nullptr);  // stops it
  line->Feed("c");
  gui.PumpFor(30);
  EXPECT_EQ(rx, 1);
}

TEST_F(FakePort, DefaultSettingsLeaveTheDevicesOwnAndOthersAreApplied) {
  serial::LineSettings before;
  before.baud = 1234;
  before.dataBits = 7;
  before.parity = serial::Parity::Odd;
  before.stopBits = serial::StopBits::Two;
  {
    int err = 0;
    auto d = serial::Open("COM9", err);
    ASSERT_EQ(d->SetSettings(before), 0);
  }
  port.Open();
  EXPECT_EQ(line->Settings().baud, 1234);
  EXPECT_EQ(line->Settings().dataBits, 7);
  EXPECT_EQ(line->Settings().parity, serial::Parity::Odd);
  EXPECT_EQ(line->Settings().stopBits, serial::StopBits::Two);
  port.SetBaudRate(brCustom);
  port.SetCustomBaudRate(31250);
  port.SetParity(paSpace);
  port.SetStopBits(sb1_5);  // accepted, not on Linux
  port.FlowControl().SetRTS(rcHandshake);
  port.FlowControl().SetDTR(dcEnable);
  port.FlowControl().SetXOnXOff(xcInput);
  port.Characters().SetXOn('Q');
  EXPECT_EQ(port.StopBits(), sb1_5);
  auto s = line->Settings();
  EXPECT_EQ(s.baud, 31250);
  EXPECT_EQ(s.parity, serial::Parity::Space);
  EXPECT_EQ(s.stopBits, serial::StopBits::Two);
  EXPECT_TRUE(s.rtsCts);
  EXPECT_TRUE(s.xonInput);
  EXPECT_FALSE(s.xonOutput);
  EXPECT_EQ(s.xonChar, 'Q');
  EXPECT_EQ(line->Lines(), serial::lineDTR);
  port.SetBaudRate(br4800);
  EXPECT_EQ(line->Settings().baud, 4800);
}

TEST_F(FakePort, OnErrorSeesFailuresAndCanAbortThemSilently) {
  TComAction choice = caFail;
  int codeSeen = -1;
  port.SetOnError(rtl::Event<void(rtl::TObject*, const EComError&, TComAction&)>(
      &choice, [&](rtl::TObject*, const EComError& e, TComAction& action) {
        codeSeen = e.WinCode;
        action = choice;
      }));
  line->FailNext("open", EACCES);
  EXPECT_THROW(port.Open(), EComError);
  EXPECT_EQ(codeSeen, EACCES);
  choice = caAbort;
  line->FailNext("settings", EIO);
  EXPECT_THROW(port.Open(), rtl::EAbort);
  EXPECT_FALSE(port.Active());
  EXPECT_FALSE(line->IsOpen());
}

TEST_F(FakePort, ComponentErrorsCarryTheirMessages) {
  auto message = [](const std::function<void()>& f) {
    try {
      f();
    } catch (const EComError& e) {
      EXPECT_EQ(e.WinCode, 0);
      return e.Message();
    }
    return std::string("no error");
  };
  const std::string closed = "Can't perform this operation on a closed port";
  char c;
  EXPECT_EQ(message([&] { port.Read(&c, 1, true); }), closed);
  EXPECT_EQ(message([&] { port.WriteString("x"); }), closed);
  EXPECT_EQ(message([&] { port.SetDTR(); }), closed);
  EXPECT_EQ(message([&] { port.ModemStatus(); }), closed);
  EXPECT_EQ(message([&] { port.TransmitChar('x'); }), closed);
  port.Open();
  const std::string open = "Can't perform this operation on an open port";
  EXPECT_EQ(message([&] { port.SetDeviceName("COM8"); }), open);
  EXPECT_EQ(message([&] { port.SetSynchronizeEvents(false); }), open);
  EXPECT_EQ(message([&] { port.SetPriorityClass(pcHigh); }), open);
  port.Timeouts().SetReadConstant(20);
  line->Feed("a");
  char two[2];
  EXPECT_EQ(message([&] { port.Read(two, 2, true); }), "Timeout");
}

TEST_F(FakePort, ActiveSetWhileLoadingOpensOnlyWhenLoaded) {
  port.Loading();
  port.SetActive(true);
  EXPECT_FALSE(port.Active());
  port.Loaded();
  EXPECT_TRUE(port.Active());
}

TEST_F(FakePort, ReadsByLineWordAndString) {
  port.Open();
  line->Feed("$A,1\r$B\r\x34\x12\x78\x56\x34\x12rest");
  EXPECT_EQ(port.ReadLine(), "$A,1\r");
  EXPECT_EQ(port.ReadUntil('\r'), "$B\r");
  EXPECT_EQ(port.ReadWord(), 0x1234);
  EXPECT_EQ(port.ReadDWord(), 0x12345678u);
  EXPECT_EQ(port.InputCount(), 4);
  EXPECT_EQ(port.ReadString(), "rest");
  port.Timeouts().SetReadInterval(-1);  // with no total: return at once with what is there
  char buffer[8];
  EXPECT_EQ(port.Read(buffer, 8, false), 0);
  EXPECT_THROW(port.ReadChar(), EComError) << "a waited read short of its count: Timeout";
}

TEST_F(FakePort, BusyLineDropsWholeWritesOnly) {
  port.Open();
  line->SetOutputCapacity(50);
  const std::string a = "$IIMTW,92.3,C*1F\r\n";      // 18 bytes
  const std::string b = "$PSILTBS,6.1,N*2C\r\n";     // 19
  const std::string c = "$PSILCD1,92.3,0.0*3B\r\n";  // 22: only 13 fit
  port.WriteString(a);
  port.WriteString(b);
  port.WriteString(c);
  EXPECT_EQ(port.OutputCount(), 59);
  port.WriteString(a);  // the line is still busy with c: dropped whole
  line->Transmit(30);
  port.WriteString(b);  // c's end goes first, then b
  EXPECT_EQ(line->TakeWritten(), a + b + c + b);
}

TEST_F(FakePort, EndOfACutWriteFollowsWhenTheLineHasRoom) {
  port.SetOnRxChar(Notify(this, [](rtl::TObject*) {}));
  port.Open();
  line->SetOutputCapacity(10);
  port.WriteString("$IIMTW,92.3,C*1F\r\n");
  EXPECT_EQ(line->TakeWritten(), "$IIMTW,92.");
  line->Transmit(10);  // no further write from us
  std::string rest;
  for (int i = 0; i < 400 && rest.size() < 8; ++i) {
    rest += line->TakeWritten();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_EQ(rest, "3,C*1F\r\n");
  EXPECT_EQ(port.OutputCount(), 8);  // queued at the far end, nothing left with us
}

TEST_F(FakePort, WaitingWriteCompletesThroughShortTransfers) {
  port.Open();
  line->SetOutputCapacity(4);
  const std::string sent = "0123456789ABCDEF";
  std::string received;
  std::thread far([&] {
    // The line sends until everything has come through, as a real one drains: a transmit that
    // finds nothing queued (the writer not yet back) frees nothing, so a fixed count of them
    // could leave the write waiting forever.
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (received.size() < sent.size() && Clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      received += line->TakeWritten();
      line->Transmit(4);
    }
    if (received.size() < sent.size()) line->Hangup();  // a stuck write fails, not hangs
  });
  int accepted = 0;
  EXPECT_NO_THROW(accepted = port.Write(sent.data(), 16, true));
  far.join();
  EXPECT_EQ(accepted, 16);
  EXPECT_EQ(received, sent);
}

TEST_F(FakePort, HandlerExceptionIsShownAndDeliveryGoesOn) {
  int calls = 0;
  port.SetOnRxChar(Notify(&calls, [&](rtl::TObject*) {
    port.ReadString();
    if (++calls == 1) throw rtl::Exception("handler failed");
  }));
  port.Open();
  line->Feed("1");
  EXPECT_TRUE(gui.PumpUntil([&] { return calls == 1 && !gui.shown.empty(); }));
  line->Feed("2");
  EXPECT_TRUE(gui.PumpUntil([&] { return calls == 2; }));
  EXPECT_EQ(gui.shown, std::vector<std::string>{"handler failed"});
  EXPECT_TRUE(port.Active());
}

TEST_F(FakePort, FailedWaitIsReportedOnceAndClosesThePort) {
  int closes = 0;
  port.SetAfterClose(Notify(&closes, [&](rtl::TObject*) { ++closes; }));
  port.SetOnRxChar(Notify(&port, [](rtl::TObject*) {}));
  port.Open();
  line->FailNext("wait", ENODEV);
  EXPECT_TRUE(gui.PumpUntil([&] { return !port.Active() && !gui.shown.empty(); }));
  gui.PumpFor(30);
  EXPECT_EQ(closes, 1);
  ASSERT_EQ(gui.shown.size(), 1u);
  EXPECT_FALSE(line->IsOpen());
}

TEST_F(FakePort, LineLostUnderAReadingHandlerIsReportedOnceAndClosesThePort) {
  // The cable goes between the wait that saw characters and the handler's read: the read fails,
  // and then the next wait fails with the same loss.
  int reported = 0, closes = 0;
  port.SetOnError(rtl::Event<void(rtl::TObject*, const EComError&, TComAction&)>(
      &reported, [&](rtl::TObject*, const EComError&, TComAction&) { ++reported; }));
  port.SetAfterClose(Notify(&closes, [&](rtl::TObject*) { ++closes; }));
  port.SetOnRxChar(Notify(&port, [&](rtl::TObject*) {
    line->Hangup();
    port.ReadString();
  }));
  port.Open();
  line->Feed("$GPGLL");
  EXPECT_TRUE(gui.PumpUntil([&] { return !port.Active() && !gui.shown.empty(); }));
  gui.PumpFor(30);
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(gui.shown, std::vector<std::string>{
                         "The connection to COM9 was lost. Check the cable, then press OK in Comms."});
  EXPECT_EQ(closes, 1);
  EXPECT_FALSE(line->IsOpen());
}

TEST_F(FakePort, ModemLinesAndLineErrors) {
  int cts = 0;
  TLineErrors seen;
  port.SetOnCTSChange(Notify(&cts, [&](rtl::TObject*) { ++cts; }));
  port.SetOnLineError(rtl::Event<void(rtl::TObject*, TLineErrors)>(
      &seen, [&](rtl::TObject*, TLineErrors e) { seen = e; }));
  port.Open();
  line->SetModem(serial::msCTSOn | serial::msRLSDOn);
  EXPECT_TRUE(gui.PumpUntil([&] { return cts == 1; }));
  EXPECT_EQ(port.ModemStatus(), (TModemStatus{msCTS, msRLSD}));
  line->InjectLineError(serial::ceFrame | serial::ceOverrun);
  EXPECT_TRUE(gui.PumpUntil([&] { return !seen.Empty(); }));
  EXPECT_EQ(seen, (TLineErrors{leFrame, leOverrun}));
  port.SetBreak();
  EXPECT_TRUE(line->BreakOn());
  port.ClearBreak();
  port.SetRTS();
  port.ClearDTR();
  EXPECT_EQ(line->Lines(), serial::lineRTS);
  port.SetXOff();
  EXPECT_TRUE(line->OutputSuspended());
}

TEST_F(FakePort, EventsOnTheEventThreadWhenNotSynchronized) {
  port.SetSynchronizeEvents(false);
  std::atomic<int> calls{0};
  std::atomic<bool> onMain{true};
  port.SetOnRxChar(Notify(&calls, [&](rtl::TObject*) {
    onMain = rtl::IsMainThread();
    ++calls;
    port.Close();  // moved to the GUI thread
  }));
  port.Open();
  line->Feed("x");
  EXPECT_TRUE(gui.PumpUntil([&] { return !port.Active(); }));
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(onMain);
}

}  // namespace

namespace {

TEST(ComDevices, PortNamesOfTheMachineThenTheirPaths) {
  const auto devices = serial::ComDevices();
  rtl::TStringList all, com;
  EnumDevices(all);
  EnumComDevices(com);
  ASSERT_EQ(com.Count(), static_cast<int>(devices.size()));
  ASSERT_EQ(all.Count(), 2 * com.Count());
  for (int i = 0; i < com.Count(); ++i) {
    EXPECT_EQ(com[i], "COM" + std::to_string(i + 1));
    EXPECT_EQ(all[i], com[i]);
    EXPECT_EQ(all[com.Count() + i], devices[static_cast<std::size_t>(i)]);
  }
}

}  // namespace
