#pragma once
// Threads, critical sections and the synchronize queue that runs calls of worker threads on the
// main (GUI) thread.
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"

namespace rtl {

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The thread that started the program.
std::thread::id MainThreadID();
bool IsMainThread();

// A worker thread. Execute cannot run before the derived object is complete, so a thread is
// created suspended and runs from Start() on (call it after construction, or last in the
// constructor of a final class).
//
// A derived class whose Execute uses its own members stops the thread in its destructor
// (Terminate(); WaitFor();) - ~TThread does so too, but only after the derived part is gone.
class TThread : public TObject {
 public:
  TThread();
  ~TThread() override;

  void Start();
  void Resume() { Start(); }

  // Asks Execute to end (it polls Terminated()) and cancels a Synchronize of this thread that is
  // waiting for the main thread; from then on its Synchronize calls return false at once.
  void Terminate();
  bool Terminated() const { return terminated_.load(); }
  bool Finished() const { return finished_.load(); }
  // Waits for the end of Execute and returns ReturnValue. On the main thread the synchronize queue
  // is served meanwhile, so a worker blocked in Synchronize cannot deadlock the wait. Returns at
  // once for a thread never started; raises EThread when a running thread waits for itself.
  int WaitFor();

  // The thread deletes itself after Execute and OnTerminate; nobody may WaitFor or delete it.
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool Value) { freeOnTerminate_ = Value; }
  // Best effort: lowering works everywhere, raising needs the system's permission.
  TThreadPriority Priority() const { return priority_; }
  void SetPriority(TThreadPriority Value);
  int ReturnValue() const { return returnValue_.load(); }
  // An exception that escaped Execute.
  std::exception_ptr FatalException() const { return fatalException_; }

  // Runs on the main thread, with this thread as Sender, after Execute (unless the thread is
  // being destroyed by its owner).
  TNotifyEvent OnTerminate;

  // Runs Method on the main thread and waits for it (at once when called on the main thread).
  // Returns false when the call was cancelled instead of run; an exception of Method is raised
  // again here.
  bool Synchronize(std::function<void()> Method) { return Synchronize(this, std::move(Method)); }
  static bool Synchronize(TThread* Thread, std::function<void()> Method);
  // Queues Method for the main thread without waiting (runs at once on the main thread).
  static void Queue(TThread* Thread, std::function<void()> Method);
  // Cancels every call of Thread still waiting in the queue.
  static void RemoveQueuedEvents(TThread* Thread);
  // The TThread running the caller, nullptr on other threads.
  static TThread* CurrentThread();

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  void SetReturnValue(int Value) { returnValue_ = Value; }

 private:
  void Run();
  void ApplyPriority();

  std::thread thread_;
  std::mutex startLock_;
  std::atomic<bool> started_{false};
  std::atomic<bool> terminated_{false};
  std::atomic<bool> finished_{false};
  std::atomic<int> returnValue_{0};
  std::atomic<int> tid_{0};
  std::atomic<bool> freeOnTerminate_{false};
  std::atomic<TThreadPriority> priority_{tpNormal};
  bool destroying_ = false;  // guarded by the synchronize queue's lock
  std::exception_ptr fatalException_;
};

// Runs calls queued by workers; the GUI loop calls it on the main thread. Waits up to TimeoutMs for
// a call to arrive when none is queued. Returns true when it ran at least one call. Does nothing
// on other threads.
bool CheckSynchronize(int TimeoutMs = 0);
// Called (from the queueing thread) whenever a call is queued, so that the window system can wake
// its wait; an empty function removes it.
void SetWakeMainThread(std::function<void()> Wake);

void Sleep(int Milliseconds);

// A recursive lock. Usable with std::lock_guard; TCriticalSection::Guard is one.
class TCriticalSection : public TObject {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  void Acquire() { Enter(); }
  void Release() { Leave(); }
  bool TryEnter() { return mutex_.try_lock(); }
  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }
  using Guard = std::lock_guard<TCriticalSection>;

 private:
  std::recursive_mutex mutex_;
};

}  // namespace rtl
