#include "platform/rtl/thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <memory>

#include "platform/rtl/exceptions.h"

namespace rtl {

namespace {

const std::thread::id gMainThread = std::this_thread::get_id();
thread_local TThread* tCurrent = nullptr;

struct Call {
  std::function<void()> method;
  TThread* thread = nullptr;
  bool waited = false;  // Synchronize (true) or Queue (false)
  bool done = false;
  bool cancelled = false;
  std::exception_ptr error;
};

// One lock and one condition for the queue, the calls' completion and threads finishing: every
// waiter re-checks its own condition.
struct SyncQueue {
  std::mutex lock;
  std::condition_variable changed;
  std::deque<std::shared_ptr<Call>> calls;
  std::function<void()> wake;
};

// Never destroyed: a worker may still wait in it while the process exits, and destroying a
// condition variable that a thread waits on blocks the exit for ever.
SyncQueue& TheQueue() {
  static SyncQueue& q = *new SyncQueue;
  return q;
}

void CancelLocked(SyncQueue& q, TThread* thread) {
  std::erase_if(q.calls, [&](const std::shared_ptr<Call>& c) {
    if (c->thread != thread) return false;
    c->cancelled = true;
    c->done = true;
    return true;
  });
  q.changed.notify_all();
}

// Adds a call; false when the thread is terminated and the call was not queued.
bool Enqueue(const std::shared_ptr<Call>& call, bool evenIfTerminated) {
  SyncQueue& q = TheQueue();
  std::function<void()> wake;
  {
    std::lock_guard g(q.lock);
    if (call->thread && call->thread->Terminated() && !evenIfTerminated) return false;
    q.calls.push_back(call);
    wake = q.wake;
  }
  q.changed.notify_all();
  if (wake) wake();
  return true;
}

// Runs the first queued call, if any, with the lock released meanwhile.
bool RunOne(std::unique_lock<std::mutex>& held) {
  SyncQueue& q = TheQueue();
  if (q.calls.empty()) return false;
  std::shared_ptr<Call> call = q.calls.front();
  q.calls.pop_front();
  held.unlock();
  std::exception_ptr error;
  try {
    call->method();
  } catch (...) {
    error = std::current_exception();
  }
  held.lock();
  call->done = true;
  // Only a waiting caller takes the exception; a queued call's stays on this thread alone (the
  // call itself may be freed by the thread that queued it).
  if (call->waited) call->error = error;
  q.changed.notify_all();
  if (error && !call->waited) {
    held.unlock();
    std::rethrow_exception(error);  // nobody waits for a queued call: the main thread hears it
  }
  return true;
}

bool SynchronizeImpl(TThread* thread, std::function<void()> method, bool evenIfTerminated) {
  if (IsMainThread()) {
    method();
    return true;
  }
  auto call = std::make_shared<Call>();
  call->method = std::move(method);
  call->thread = thread;
  call->waited = true;
  if (!Enqueue(call, evenIfTerminated)) return false;
  SyncQueue& q = TheQueue();
  std::unique_lock held(q.lock);
  q.changed.wait(held, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
  return !call->cancelled;
}

int NiceValue(TThreadPriority p) {
  static constexpr int kNice[] = {19, 10, 5, 0, -5, -10, -15};
  return kNice[p];
}

}  // namespace

std::thread::id MainThreadID() {
  return gMainThread;
}
bool IsMainThread() {
  return std::this_thread::get_id() == gMainThread;
}

TThread::TThread() = default;

TThread::~TThread() {
  {
    std::lock_guard g(TheQueue().lock);
    destroying_ = true;
  }
  if (started_ && !finished_) {
    Terminate();
    WaitFor();
  }
  std::lock_guard g(startLock_);
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) {
      thread_.detach();  // deleted from its own Execute or OnTerminate
    } else {
      thread_.join();
    }
  }
}

void TThread::Start() {
  std::lock_guard g(startLock_);
  if (started_.exchange(true)) return;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    started_ = false;
    throw EThread("Can't create thread");
  }
}

void TThread::Run() {
  { std::lock_guard g(startLock_); }  // thread_ is assigned
  tCurrent = this;
  tid_ = static_cast<int>(::syscall(SYS_gettid));
  ApplyPriority();
  try {
    Execute();
  } catch (...) {
    fatalException_ = std::current_exception();
  }
  try {
    DoTerminate();
  } catch (...) {
    if (!fatalException_) fatalException_ = std::current_exception();
  }
  const bool selfDelete = freeOnTerminate_;
  if (selfDelete) {
    finished_ = true;
    delete this;
    return;
  }
  SyncQueue& q = TheQueue();
  {
    std::lock_guard g(q.lock);
    finished_ = true;
  }
  q.changed.notify_all();  // `this` may be gone once the lock is released: touch nothing after
}

void TThread::DoTerminate() {
  TNotifyEvent handler;
  {
    std::lock_guard g(TheQueue().lock);
    if (destroying_ || !OnTerminate) return;
    handler = OnTerminate;
  }
  SynchronizeImpl(
      this, [&] { handler(this); }, true);
}

void TThread::Terminate() {
  SyncQueue& q = TheQueue();
  std::lock_guard g(q.lock);
  terminated_ = true;
  CancelLocked(q, this);
}

int TThread::WaitFor() {
  if (!started_) return returnValue_;  // never ran: nothing to wait for
  if (std::this_thread::get_id() == thread_.get_id()) {
    // A thread freeing itself at its end passes here from its destructors.
    if (finished_) return returnValue_;
    throw EThread("A thread cannot wait for itself");
  }
  SyncQueue& q = TheQueue();
  std::unique_lock held(q.lock);
  if (IsMainThread()) {
    while (!finished_) {
      q.changed.wait(held, [&] { return finished_ || !q.calls.empty(); });
      if (!finished_) RunOne(held);
    }
  } else {
    q.changed.wait(held, [&] { return finished_.load(); });
  }
  held.unlock();
  std::lock_guard g(startLock_);
  if (thread_.joinable()) thread_.join();
  return returnValue_;
}

void TThread::SetPriority(TThreadPriority Value) {
  priority_ = Value;
  if (tid_) ApplyPriority();
}

void TThread::ApplyPriority() {
  // Fails without permission when raising; the thread then runs at normal priority.
  (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(tid_.load()), NiceValue(priority_));
}

bool TThread::Synchronize(TThread* Thread, std::function<void()> Method) {
  return SynchronizeImpl(Thread, std::move(Method), false);
}

void TThread::Queue(TThread* Thread, std::function<void()> Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  auto call = std::make_shared<Call>();
  call->method = std::move(Method);
  call->thread = Thread;
  Enqueue(call, false);
}

void TThread::RemoveQueuedEvents(TThread* Thread) {
  SyncQueue& q = TheQueue();
  std::lock_guard g(q.lock);
  CancelLocked(q, Thread);
}

TThread* TThread::CurrentThread() {
  return tCurrent;
}

bool CheckSynchronize(int TimeoutMs) {
  if (!IsMainThread()) return false;
  SyncQueue& q = TheQueue();
  std::unique_lock held(q.lock);
  if (q.calls.empty() && TimeoutMs > 0) {
    q.changed.wait_for(held, std::chrono::milliseconds(TimeoutMs),
                       [&] { return !q.calls.empty(); });
  }
  // Only the calls queued by now: workers that keep queuing must not hold the main thread here.
  size_t count = q.calls.size();
  bool ran = false;
  while (count-- > 0 && RunOne(held)) ran = true;
  return ran;
}

void SetWakeMainThread(std::function<void()> Wake) {
  std::lock_guard g(TheQueue().lock);
  TheQueue().wake = std::move(Wake);
}

void Sleep(int Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

}  // namespace rtl
