// Signal lamps on ports over fake lines, on the virtual clock.
#include "link/comsignal.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "link/comsettings.h"
#include "platform/serial/fakedevice.h"
#include "platform/vcl/extctrls.h"
#include "tests/platform/vcl/vcltest.h"

namespace {

class Lamp : public vcltest::VclTest {
 protected:
  void SetUp() override {
    VclTest::SetUp();
    owner = std::make_unique<rtl::TComponent>(nullptr);
    port = new TComPort(owner.get());
    port->SetDeviceName("LAMPLINE");
    shape = new vcl::TShape(owner.get());
    lamp = new TComSignal(owner.get());
    lamp->SetControl(shape);
    lamp->SetColorOff(gdi::clBlack);  // recolours the control
    lamp->SetColorOn(gdi::clRed);
    lamp->OnSignal =
        rtl::TNotifyEvent(this, [this](rtl::TObject*) { changes.push_back(lamp->SignalValue()); });
  }
  void TearDown() override {
    owner.reset();
    VclTest::TearDown();
  }

  // The port's receive event as its event thread delivers it.
  void Receive() { port->OnRxChar()(port); }

  // Real time for the port's event thread, the GUI thread's part done here.
  bool PumpUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      rtl::CheckSynchronize(5);
    }
    return true;
  }

  std::shared_ptr<serial::FakeLine> line = std::make_shared<serial::FakeLine>();
  serial::ScopedFake fake{"LAMPLINE", line};
  std::unique_ptr<rtl::TComponent> owner;
  TComPort* port;
  vcl::TShape* shape;
  TComSignal* lamp;
  std::vector<bool> changes;
};

// An application handler that notes what the lamp showed when it ran.
struct Recorder {
  TComSignal* lamp;
  std::vector<bool> seen;
  void Handler(rtl::TObject* Sender) {
    seen.push_back(lamp->SignalValue());
    EXPECT_NE(Sender, nullptr);
  }
};

TEST_F(Lamp, HookRunsBeforeTheHandlerBehindItAndDelayBridgesCloseEvents) {
  Recorder app{lamp, {}};
  port->SetOnRxChar(rtl::MakeEvent(&app, &Recorder::Handler));
  lamp->SetSignal(siRxChar);
  lamp->SetComPort(port);
  // The hook went in through the port's setter: the receive event stays in the port's mask.
  EXPECT_EQ(port->EventMask(), 0x1u);
  EXPECT_EQ(shape->Brush()->Color(), gdi::clBlack);

  Receive();
  EXPECT_EQ(app.seen, std::vector<bool>{true});  // lit before the handler ran
  EXPECT_EQ(shape->Brush()->Color(), gdi::clRed);
  // Events 90 ms apart, closer than the 100 ms delay: lit throughout, one change.
  for (int i = 0; i < 5; ++i) {
    Advance(90);
    EXPECT_TRUE(lamp->SignalValue());
    Receive();
  }
  EXPECT_EQ(changes, std::vector<bool>{true});
  EXPECT_EQ(app.seen.size(), 6u);
  Advance(90);
  EXPECT_TRUE(lamp->SignalValue());
  Advance(20);  // 110 ms after the last event
  EXPECT_FALSE(lamp->SignalValue());
  EXPECT_EQ(shape->Brush()->Color(), gdi::clBlack);
  EXPECT_EQ((changes), (std::vector<bool>{true, false}));
}

TEST_F(Lamp, DecoderOfTheFormRunsBehindTheReceiveLampOnTheEventThread) {
  auto form = std::make_unique<Tcomms>(nullptr);
  form->fDebugView = 1;
  serial::ScopedFake in("LAMPIN", line);
  form->ComPort1->SetDeviceName("LAMPIN");
  form->ComPort1->Open();
  line->Feed("\n$IIDBT,,f,7.5,M,,F*13\r\n");
  ASSERT_TRUE(PumpUntil([&] { return form->fDepth != 0; }));
  EXPECT_FLOAT_EQ(form->fDepth, 7.5f);
  EXPECT_TRUE(form->ComSignal1->SignalValue());
  EXPECT_EQ(form->Shape1->Brush()->Color(), gdi::clRed);
  EXPECT_EQ(form->Shape3->Brush()->Color(), gdi::clRed);  // the debugging page's Rx lamp
  Advance(150);
  EXPECT_FALSE(form->ComSignal1->SignalValue());
  EXPECT_EQ(form->Shape1->Brush()->Color(), gdi::clBlack);
  EXPECT_EQ(form->Shape3->Brush()->Color(), gdi::clBlack);
  form->ComPort1->Close();
}

TEST_F(Lamp, SignalMovesNoHookUntilThePortIsSetAgain) {
  Recorder app{lamp, {}};
  const auto appHandler = rtl::MakeEvent(&app, &Recorder::Handler);
  port->SetOnRxChar(appHandler);
  lamp->SetSignal(siRxChar);
  lamp->SetComPort(port);
  lamp->SetSignal(siBreak);
  EXPECT_FALSE(port->OnBreak());
  EXPECT_FALSE(port->OnRxChar() == appHandler);
  Receive();  // still the receive lamp
  EXPECT_TRUE(lamp->SignalValue());
  EXPECT_EQ(app.seen.size(), 1u);

  lamp->SetComPort(nullptr);
  EXPECT_TRUE(port->OnRxChar() == appHandler);
  EXPECT_FALSE(port->AfterOpen());
  EXPECT_EQ(port->EventMask(), 0x1u);
  lamp->SetComPort(port);
  EXPECT_TRUE(port->OnRxChar() == appHandler);
  EXPECT_TRUE(port->OnBreak());
  EXPECT_EQ(port->EventMask(), 0x41u);  // receive and break
}

TEST_F(Lamp, HandlerReplacedBySomeoneElseSurvivesRestoreEvents) {
  Recorder first{lamp, {}}, second{lamp, {}};
  port->SetOnRxChar(rtl::MakeEvent(&first, &Recorder::Handler));
  lamp->SetSignal(siRxChar);
  lamp->SetComPort(port);
  const auto other = rtl::MakeEvent(&second, &Recorder::Handler);
  port->SetOnRxChar(other);
  lamp->RestoreEvents();
  EXPECT_TRUE(port->OnRxChar() == other);
  EXPECT_FALSE(port->AfterOpen());  // the lamp's own, put back to what it was
  EXPECT_FALSE(port->AfterClose());
  // Forgotten: a second restore changes nothing, and the port can be hooked afresh.
  lamp->RestoreEvents();
  EXPECT_TRUE(port->OnRxChar() == other);
  lamp->RetrieveEvents();
  Receive();
  EXPECT_EQ(second.seen, std::vector<bool>{true});
  EXPECT_TRUE(first.seen.empty());
}

TEST_F(Lamp, ModemLampsFollowTheLinesOfTheFake) {
  lamp->SetSignal(siCTS);
  lamp->SetComPort(port);
  line->SetModem(serial::msCTSOn);
  port->Open();  // the lamp's AfterOpen reads the lines
  EXPECT_TRUE(lamp->SignalValue());
  line->SetModem(0);
  ASSERT_TRUE(PumpUntil([&] { return !lamp->SignalValue(); }));
  line->SetModem(serial::msCTSOn | serial::msDSROn);
  ASSERT_TRUE(PumpUntil([&] { return lamp->SignalValue(); }));
  EXPECT_EQ(shape->Brush()->Color(), gdi::clRed);
  Advance(500);  // a modem lamp has no delay: it shows the line
  EXPECT_TRUE(lamp->SignalValue());
  port->Close();
  EXPECT_FALSE(lamp->SignalValue());
  EXPECT_EQ((changes), (std::vector<bool>{true, false, true, false}));
}

// A form built in code hooks the port when ComPort is set and again at Loaded; the second hook
// must not take the lamp's own handler for the previous one.
TEST_F(Lamp, HookingAHookedPortDoesNothing) {
  Recorder app{lamp, {}};
  port->SetOnRxChar(rtl::MakeEvent(&app, &Recorder::Handler));
  lamp->SetSignal(siRxChar);
  lamp->SetComPort(port);
  lamp->Loaded();
  lamp->RetrieveEvents();
  Receive();
  EXPECT_EQ(app.seen, std::vector<bool>{true});
  lamp->SetComPort(nullptr);
  EXPECT_TRUE(port->OnRxChar() == rtl::MakeEvent(&app, &Recorder::Handler));

  // The communications form as the program makes it, finished by AfterConstruction.
  auto form = std::make_unique<Tcomms>(nullptr);
  form->AfterConstruction();
  form->fDebugView = 1;
  serial::ScopedFake in("LAMPIN", line);
  form->ComPort1->SetDeviceName("LAMPIN");
  form->ComPort1->Open();
  line->Feed("\n$IIDBT,,f,7.5,M,,F*13\r\n");
  ASSERT_TRUE(PumpUntil([&] { return form->Memo2->Lines()->Count() == 1; }));
  EXPECT_FLOAT_EQ(form->fDepth, 7.5f);
  form->ComPort1->Close();
}

TEST_F(Lamp, PortDestroyedFirstLeavesTheLampWithoutAPort) {
  lamp->SetSignal(siTxChar);
  lamp->SetComPort(port);
  delete port;  // the lamp hears of it; its handlers go with the port
  EXPECT_EQ(lamp->ComPort(), nullptr);
  lamp->RestoreEvents();
  delete lamp;  // restores nothing into the freed port (the sanitizers would say)
  delete shape;
}

TEST_F(Lamp, TransmitLampLightsForAWriteAndGoesOutAfterOneThatRaised) {
  lamp->SetSignal(siTxChar);
  lamp->SetComPort(port);
  EXPECT_EQ(port->EventMask(), 0u);  // the write hooks are no line events
  port->Open();
  port->WriteString("$IIXDR*00\r\n");
  EXPECT_TRUE(lamp->SignalValue());
  EXPECT_FALSE(port->Writing());
  Advance(150);
  EXPECT_FALSE(lamp->SignalValue());

  line->FailNext("write", EIO);
  EXPECT_THROW(port->WriteString("$IIXDR*00\r\n"), EComError);
  EXPECT_TRUE(lamp->SignalValue());
  Advance(150);
  EXPECT_FALSE(lamp->SignalValue());
  // The next write lights it again.
  port->WriteString("$IIXDR*00\r\n");
  EXPECT_TRUE(lamp->SignalValue());
  const std::string written = line->TakeWritten();
  EXPECT_EQ(written.substr(written.size() - 11), "$IIXDR*00\r\n");
  port->Close();
}

}  // namespace
