#include "platform/rtl/thread.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <stdexcept>

#include "platform/rtl/exceptions.h"

using namespace rtl;
using namespace std::chrono_literals;

namespace {

// Runs a function as Execute; stops itself in its destructor as derived threads must.
class TLambdaThread final : public TThread {
 public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> body, bool start = true)
      : body_(std::move(body)) {
    if (start) Start();
  }
  ~TLambdaThread() override {
    Terminate();
    WaitFor();
    if (destroyed) *destroyed = true;
  }
  using TThread::SetReturnValue;
  std::atomic<bool>* destroyed = nullptr;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TLambdaThread&)> body_;
};

// Serves the synchronize queue until pred holds (or a generous limit passes).
template <typename Pred>
bool ServeUntil(Pred pred) {
  const auto limit = std::chrono::steady_clock::now() + 10s;
  while (!pred()) {
    if (std::chrono::steady_clock::now() > limit) return false;
    CheckSynchronize(5);
  }
  return true;
}

// Tells when a call has been queued (through the window-system wake hook).
class QueuedSignal {
 public:
  QueuedSignal() {
    SetWakeMainThread([this] { ++count; });
  }
  ~QueuedSignal() { SetWakeMainThread({}); }
  bool WaitForCall() {
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (count == 0) {
      if (std::chrono::steady_clock::now() > limit) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  std::atomic<int> count{0};
};

}  // namespace

TEST(Synchronize, WorkerCallRunsOnTheMainThreadWhenItChecks) {
  ASSERT_TRUE(IsMainThread());
  std::atomic<bool> ranOnMain{false};
  std::atomic<bool> returned{false};
  std::atomic<bool> result{false};
  TLambdaThread t([&](TLambdaThread& self) {
    EXPECT_FALSE(IsMainThread());
    EXPECT_EQ(TThread::CurrentThread(), &self);
    result = self.Synchronize([&] { ranOnMain = IsMainThread(); });
    returned = true;
  });
  EXPECT_TRUE(ServeUntil([&] { return returned.load(); }));
  EXPECT_TRUE(ranOnMain);
  EXPECT_TRUE(result);
}

TEST(Synchronize, FromTheMainThreadRunsAtOnce) {
  bool ran = false;
  EXPECT_TRUE(TThread::Synchronize(nullptr, [&] { ran = true; }));
  EXPECT_TRUE(ran);
  EXPECT_FALSE(CheckSynchronize(0));
}

TEST(Synchronize, TerminatingCancelsAPendingCallSoTheWaitEnds) {
  QueuedSignal queued;
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  TLambdaThread t([&](TLambdaThread& self) {
    result = self.Synchronize([&] { ran = true; }) ? 1 : 0;
    // Later calls of a terminated thread are refused too.
    if (self.Synchronize([&] { ran = true; })) result = 2;
  });
  ASSERT_TRUE(queued.WaitForCall());
  t.Terminate();  // the main thread never serves the queue here
  t.WaitFor();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
  EXPECT_FALSE(CheckSynchronize(0));
}

// As a library's fatal error does, exit() while a worker waits for the main thread.
TEST(Synchronize, AnExitWhileAWorkerWaitsForTheMainThreadEnds) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::alarm(10);  // a hung exit is ended by the alarm, which fails the test
        QueuedSignal queued;
        [[maybe_unused]] static TLambdaThread* worker =
            new TLambdaThread([](TLambdaThread& self) { self.Synchronize([] {}); });
        if (queued.WaitForCall()) std::this_thread::sleep_for(100ms);  // in its wait by now
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(Synchronize, WaitForOnTheMainThreadServesTheQueue) {
  std::atomic<int> value{0};
  TLambdaThread t([&](TLambdaThread& self) {
    self.Synchronize([&] { value = 42; });
    self.SetReturnValue(value);
  });
  EXPECT_EQ(t.WaitFor(), 42);
  EXPECT_TRUE(t.Finished());
}

TEST(Synchronize, RemoveQueuedEventsCancels) {
  QueuedSignal queued;
  std::atomic<bool> ran{false};
  std::atomic<int> result{-1};
  std::atomic<bool> done{false};
  std::thread plain([&] {
    result = TThread::Synchronize(nullptr, [&] { ran = true; }) ? 1 : 0;
    done = true;
  });
  ASSERT_TRUE(queued.WaitForCall());
  TThread::RemoveQueuedEvents(nullptr);
  plain.join();
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(ran);
}

TEST(Synchronize, ExceptionsReachTheWorker) {
  std::atomic<bool> caught{false};
  TLambdaThread t([&](TLambdaThread& self) {
    try {
      self.Synchronize([] { throw EConvertError("bad"); });
    } catch (const EConvertError&) {
      caught = true;
    }
  });
  t.WaitFor();
  EXPECT_TRUE(caught);
}

TEST(Synchronize, QueuedCallsRunLaterWithoutWaiting) {
  std::atomic<int> order{0};
  int seen = -1;
  TLambdaThread t([&](TLambdaThread& self) {
    TThread::Queue(&self, [&] { seen = order.load(); });
    order = 1;
  });
  while (!t.Finished()) std::this_thread::sleep_for(1ms);  // the worker did not wait for the call
  EXPECT_EQ(seen, -1);
  EXPECT_TRUE(CheckSynchronize(0));
  EXPECT_EQ(seen, 1);
}

TEST(Thread, FreeOnTerminateRunsOnTerminateOnTheMainThreadThenDeletesItself) {
  std::atomic<bool> destroyed{false};
  bool terminatedOnMain = false;
  TObject* sender = nullptr;
  auto* t = new TLambdaThread([](TLambdaThread&) {}, false);
  t->destroyed = &destroyed;  // its destructor's WaitFor runs on the thread itself
  t->SetFreeOnTerminate(true);
  struct Listener {
    void Done(TObject* s) {
      *flag = IsMainThread();
      *who = s;
    }
    bool* flag;
    TObject** who;
  } listener{&terminatedOnMain, &sender};
  t->OnTerminate = MakeEvent(&listener, &Listener::Done);
  TThread* expected = t;
  t->Start();
  EXPECT_TRUE(ServeUntil([&] { return destroyed.load(); }));
  EXPECT_TRUE(terminatedOnMain);
  EXPECT_EQ(sender, expected);
}

TEST(Thread, DestroyingARunningThreadStopsIt) {
  std::atomic<int> loops{0};
  {
    TLambdaThread t([&](TLambdaThread& self) {
      while (!self.Terminated()) {
        ++loops;
        std::this_thread::sleep_for(1ms);
      }
    });
    t.SetPriority(tpLower);
    EXPECT_EQ(t.Priority(), tpLower);
    while (loops == 0) std::this_thread::sleep_for(1ms);
  }
  EXPECT_GT(loops, 0);
}

TEST(Thread, WaitingForAThreadNeverStartedReturnsAtOnce) {
  TLambdaThread t([](TLambdaThread&) {}, false);
  EXPECT_EQ(t.WaitFor(), 0);
  std::atomic<bool> raised{false};
  TLambdaThread self([&](TLambdaThread& me) {
    try {
      me.WaitFor();
    } catch (const EThread&) {
      raised = true;
    }
  });
  self.WaitFor();
  EXPECT_TRUE(raised);
}

TEST(Thread, ExceptionsOfExecuteAreKept) {
  TLambdaThread t([](TLambdaThread&) { throw std::runtime_error("boom"); });
  t.WaitFor();
  EXPECT_TRUE(t.FatalException() != nullptr);
}

TEST(CriticalSection, SerialisesAndIsRecursive) {
  TCriticalSection cs;
  int counter = 0;
  auto work = [&] {
    for (int i = 0; i < 1000; ++i) {
      TCriticalSection::Guard g(cs);
      cs.Enter();  // recursive
      ++counter;
      cs.Leave();
    }
  };
  std::thread a(work);
  std::thread b(work);
  a.join();
  b.join();
  EXPECT_EQ(counter, 2000);
  EXPECT_TRUE(cs.TryEnter());
  cs.Leave();
}
