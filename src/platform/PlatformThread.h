// Platform layer: threads that start suspended, and manual-reset events.
//
// A thread is created suspended: it exists, and its identifier is known,
// before it runs a single instruction of its body; ResumeThread lets it
// run. This lets a batch of threads be created, their identifiers be
// published, and only then all of them be started. An event is a
// manual-reset event: once set it stays set, releasing every waiter, until
// it is reset.
//
// Handles are owned by the caller: every created thread must end up closed
// with CloseThread (after a wait, or not), every event with CloseEvent. A
// handle is used by one thread at a time; an event is shared by any number.
//
// The events are defined in this header, in standard C++ only, so that the
// tests can drive them directly: the shared library exports nothing of its
// platform layer.
#ifndef VELA_SRC_PLATFORM_PLATFORMTHREAD_H
#define VELA_SRC_PLATFORM_PLATFORMTHREAD_H

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace vela::platform {

// The body of a thread: runs once on its argument; the value it returns is
// the thread's exit code.
using ThreadBody = unsigned int (*)(void*);

struct Thread;  // opaque

// Creates a thread that will run body(argument) once resumed, and reports
// its identifier (the value CurrentThreadId returns inside it), which the
// new thread hands over before it waits to be resumed. Returns null (oId
// untouched) when the thread cannot be created.
Thread* CreateSuspendedThread(ThreadBody body, void* argument, unsigned int& oId);
// Lets a suspended thread run its body; nothing for a running or ended one.
void ResumeThread(Thread* thread);
// Waits, with no time limit, until every one of the n threads has ended.
// Returns false, without waiting for any, when threads or one of the
// handles is null or a thread was never resumed (it could never end), and
// false when a wait fails (a thread waiting for itself). Waiting again for
// an ended thread returns at once.
bool WaitForThreads(Thread* const* threads, int n);
// Releases the handle (nothing for null). A thread that was never resumed
// ends without running its body; a running one goes on, detached, to the
// end of its body, and frees what it holds when it ends.
void CloseThread(Thread* thread);

// The calling thread's system identifier: the kernel's thread id (the one
// debuggers and the process tables show). The kernel may give it again to a
// later thread once this one has ended.
unsigned int CurrentThreadId();
// Processors the system reports (at least 1).
int ProcessorCount();
// The processor the calling thread runs on at this moment, or -1 when the
// system does not tell.
int CurrentProcessor();
// Keeps the calling thread off one processor from now on, so that two
// threads handing work back and forth do not take turns on one processor
// while another idles. Nothing when the processor is unknown (negative) or
// when it is the only one the thread may run on.
void AvoidProcessor(int processor);

// ---------------------------------------------------------------------------
// Manual-reset events
// ---------------------------------------------------------------------------

// The state counts transitions: it is even while the event is not set, odd
// while it is, and every SetEvent on an unset event and every ResetEvent on
// a set one adds 1. A waiter that finds it even returns as soon as it
// differs from what it found: a SetEvent has happened since, and releases
// the waiter even if a ResetEvent followed at once.
//
// A waiter first spins on the state for a bounded number of rounds, then
// sleeps on the condition variable. Two threads handing work back and forth
// many times a millisecond (the parallel elimination: four hand-offs per
// pivot step) would otherwise pay a sleep and a wake-up, tens of
// microseconds on a virtual machine, on every exchange.
//
// Memory order: SetEvent publishes everything its caller wrote before it to
// every waiter it releases (its update releases, the waiters' loads
// acquire; ResetEvent is a read-modify-write too, so a waiter that reads its
// value still synchronises with the SetEvent before it). Sleeping cannot miss a wake-up: a sleeper counts itself in
// `sleepers` and then reads the state, a setter updates the state and then
// reads `sleepers`, all sequentially consistent, so at least one of the two
// sees the other; when the setter sees a sleeper it notifies under the
// mutex, which the sleeper holds from its last read of the state until it
// is asleep.
//
// An event fills cache lines of its own: a spinning waiter reads the state
// line over and over, and a write by another thread to anything sharing it
// (the other event of a pair, say) would take it away each time.
struct alignas(64) Event {
  std::atomic<unsigned int> state{0};
  std::atomic<int> sleepers{0};  // waiters in the sleeping phase
  alignas(64) std::mutex mutex;
  std::condition_variable wake;
};

// Helpers of the inline event functions below.

// Rounds of the spin, each one load and one pause: about 5 microseconds
// where a pause takes 40 ns (recent x86 cores), under one where it is a few
// cycles. A sleep and a wake-up cost more than the whole spin.
constexpr int kEventSpinRounds = 2048;

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#elif defined(__aarch64__) || defined(__arm__)
  __asm__ __volatile__("yield");
#endif
}

// Spinning only helps when the setter can run meanwhile on another processor.
inline bool EventSpinHelps() {
  static const bool kHelps = std::thread::hardware_concurrency() > 1;
  return kHelps;
}

// Adds 1 to the state when its parity is `from` (0 unset, 1 set).
inline void StepEventState(Event& event, unsigned int from) {
  unsigned int state = event.state.load(std::memory_order_relaxed);
  while ((state & 1u) == from &&
         !event.state.compare_exchange_weak(state, state + 1, std::memory_order_seq_cst,
                                            std::memory_order_relaxed)) {
  }
}

// A new manual-reset event, not set; null on failure.
inline Event* CreateEvent() { return new (std::nothrow) Event; }

// Sets the event: every waiter returns, and so does every later one until
// ResetEvent. Nothing for null.
inline void SetEvent(Event* event) {
  if (event == nullptr) return;
  StepEventState(*event, 0);
  if (event->sleepers.load(std::memory_order_seq_cst) == 0) return;
  std::lock_guard<std::mutex> lock(event->mutex);
  event->wake.notify_all();
}

// Clears the event; waiters that SetEvent released stay released.
inline void ResetEvent(Event* event) {
  if (event != nullptr) StepEventState(*event, 1);
}

// Returns once the event is set (at once for null).
inline void WaitForEvent(Event* event) {
  if (event == nullptr) return;
  const unsigned int unset = event->state.load(std::memory_order_acquire);
  if ((unset & 1u) != 0) return;
  if (EventSpinHelps()) {
    for (int round = 0; round < kEventSpinRounds; ++round) {
      if (event->state.load(std::memory_order_acquire) != unset) return;
      CpuRelax();
    }
  }
  std::unique_lock<std::mutex> lock(event->mutex);
  event->sleepers.fetch_add(1, std::memory_order_seq_cst);
  while (event->state.load(std::memory_order_seq_cst) == unset) event->wake.wait(lock);
  event->sleepers.fetch_sub(1, std::memory_order_relaxed);
}

// Releases the event (nothing for null). No thread may be waiting for it.
inline void CloseEvent(Event* event) { delete event; }

}  // namespace vela::platform

#endif  // VELA_SRC_PLATFORM_PLATFORMTHREAD_H
