#include "link/comthread.h"

#include <exception>
#include <memory>

#include "link/comport.h"
#include "platform/serial/device.h"

TComThread::TComThread(TCustomComPort* port, serial::Device* device)
    : port_(port), device_(device) {}

TComThread::~TComThread() {
  Terminate();
  WaitFor();
}

bool TComThread::OnGuiThread(const std::function<void()>& call) {
  // What the call raises stays on the GUI thread: it is kept there and raised again there, from
  // the queue, for the application's exception handler. This thread only carries the holder, so
  // the exception is never shared between threads.
  auto failure = std::make_shared<std::exception_ptr>();
  bool failed = false;
  const bool ran = Synchronize([this, &call, &failure, &failed] {
    if (Terminated()) return;  // the port closed while this call waited
    inGuiCall_ = true;
    try {
      call();
    } catch (...) {
      *failure = std::current_exception();
      failed = true;
    }
    inGuiCall_ = false;
  });
  if (failed) {
    rtl::TThread::Queue(nullptr, [failure] {
      std::exception_ptr error = std::move(*failure);
      std::rethrow_exception(error);
    });
  }
  return ran;
}

void TComThread::Execute() {
  while (!Terminated()) {
    uint32_t events = 0;
    const int err = device_->WaitEvent(events);
    if (Terminated()) break;
    try {
      if (err) {
        OnGuiThread([this, err] { port_->ReportWaitError(err); });
        break;
      }
      if (events & serial::evWritable) {
        bool empty = false;
        port_->FlushPendingQuietly(empty);  // a failure shows at the next write
        events &= ~serial::evWritable;
      }
      if (events == 0) continue;  // woken for a mask change
      if (port_->SynchronizeEvents())
        OnGuiThread([this, events] { Deliver(events); });
      else
        Deliver(events);
    } catch (...) {
      // A handler run on this thread failed: the application's exception handler shows it (the
      // GUI loop hears queued calls' exceptions), and the thread goes on.
      rtl::TThread::Queue(nullptr,
                          [error = std::current_exception()] { std::rethrow_exception(error); });
    }
  }
  if (reap_) rtl::TThread::Queue(nullptr, [this] { delete this; });
}

void TComThread::Deliver(uint32_t events) {
  TCustomComPort* port = port_;
  // A handler may close or even free the port: nothing of it is touched once we are terminated.
  auto fire = [&](uint32_t bit, const rtl::TNotifyEvent& handler) {
    if (Terminated() || !(events & bit) || !handler) return;
    rtl::TNotifyEvent call = handler;
    call(port);
  };
  fire(serial::evBreak, port->fOnBreak);
  fire(serial::evCTS, port->fOnCTSChange);
  fire(serial::evDSR, port->fOnDSRChange);
  if (!Terminated() && (events & serial::evError) && port->fOnLineError) port->CheckLineErrors();
  fire(serial::evEvent1, port->fOnEvent1);
  fire(serial::evEvent2, port->fOnEvent2);
  fire(serial::evPrinterError, port->fOnPrinterError);
  fire(serial::evRing, port->fOnRing);
  fire(serial::evRLSD, port->fOnRLSDChange);
  fire(serial::evRx80Full, port->fOnRx80PercFull);
  fire(serial::evRxChar, port->fOnRxChar);
  fire(serial::evRxFlag, port->fOnRxFlag);
  fire(serial::evTxEmpty, port->fOnTxEmpty);
}
