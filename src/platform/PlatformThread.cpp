#include "platform/PlatformThread.h"

#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>

// A suspended thread is an operating-system thread that, before anything
// else, reports its kernel identifier to its creator and waits at its gate. The gate is part of a start record that the
// handle and the thread share: the thread holds it to its end, so a thread
// detached by CloseThread never touches freed memory, and the record goes
// with whichever of the two lets go last.

namespace vela::platform {
namespace {

// The kernel's identifier of the calling thread, read once per thread.
unsigned int KernelThreadId() {
  thread_local const unsigned int id = static_cast<unsigned int>(syscall(SYS_gettid));
  return id;
}

enum class Gate { kSuspended, kResumed, kClosed };

struct StartRecord {
  StartRecord(ThreadBody iBody, void* iArgument) : body(iBody), argument(iArgument) {}

  const ThreadBody body;
  void* const argument;
  std::mutex mutex;
  std::condition_variable changed;  // the id reported, or the gate opened
  unsigned int id = 0;              // guarded by mutex; 0 until the thread reports it
  Gate gate = Gate::kSuspended;     // guarded by mutex
};

// The thread reports its identifier, then waits at its gate.
void RunThread(const std::shared_ptr<StartRecord>& start) {
  {
    std::unique_lock<std::mutex> lock(start->mutex);
    start->id = KernelThreadId();
    start->changed.notify_all();
    start->changed.wait(lock, [&start] { return start->gate != Gate::kSuspended; });
    if (start->gate == Gate::kClosed) return;
  }
  start->body(start->argument);
}

// The identifier the new thread reports as soon as it exists.
unsigned int AwaitIdentifier(StartRecord& start) {
  std::unique_lock<std::mutex> lock(start.mutex);
  start.changed.wait(lock, [&start] { return start.id != 0; });
  return start.id;
}

void OpenGate(StartRecord& start, Gate gate) {
  std::lock_guard<std::mutex> lock(start.mutex);
  start.gate = gate;
  start.changed.notify_all();
}

bool Join(std::thread& thread) {
  try {
    thread.join();
    return true;
  } catch (...) {  // a thread joining itself
    return false;
  }
}

}  // namespace

struct Thread {
  std::shared_ptr<StartRecord> start;
  std::thread thread;  // joinable until waited for, or until closed
  bool resumed = false;
};

Thread* CreateSuspendedThread(ThreadBody body, void* argument, unsigned int& oId) {
  if (body == nullptr) return nullptr;
  std::unique_ptr<Thread> handle(new (std::nothrow) Thread);
  if (handle == nullptr) return nullptr;
  try {
    handle->start = std::make_shared<StartRecord>(body, argument);
    handle->thread = std::thread(RunThread, handle->start);
  } catch (...) {  // out of memory, or of threads
    return nullptr;
  }
  oId = AwaitIdentifier(*handle->start);
  return handle.release();
}

void ResumeThread(Thread* thread) {
  if (thread == nullptr || thread->resumed) return;
  thread->resumed = true;
  OpenGate(*thread->start, Gate::kResumed);
}

bool WaitForThreads(Thread* const* threads, int n) {
  if (threads == nullptr || n < 0) return false;
  for (int i = 0; i < n; ++i) {
    if (threads[i] == nullptr || !threads[i]->resumed) return false;
  }
  bool ended = true;
  for (int i = 0; i < n; ++i) {
    if (threads[i]->thread.joinable() && !Join(threads[i]->thread)) ended = false;
  }
  return ended;
}

void CloseThread(Thread* thread) {
  if (thread == nullptr) return;
  if (thread->thread.joinable()) {
    if (!thread->resumed) OpenGate(*thread->start, Gate::kClosed);
    // A thread that was never resumed ends at its gate, so joining it is
    // quick; a running one is left to finish on its own.
    if (thread->resumed || !Join(thread->thread)) thread->thread.detach();
  }
  delete thread;
}

unsigned int CurrentThreadId() { return KernelThreadId(); }

int ProcessorCount() {
  long count = static_cast<long>(std::thread::hardware_concurrency());
  if (count <= 0) count = sysconf(_SC_NPROCESSORS_ONLN);
  return count > 0 ? static_cast<int>(count) : 1;
}

int CurrentProcessor() { return sched_getcpu(); }

void AvoidProcessor(int processor) {
  if (processor < 0 || processor >= CPU_SETSIZE) return;
  cpu_set_t allowed;
  CPU_ZERO(&allowed);
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return;
  if (!CPU_ISSET(processor, &allowed) || CPU_COUNT(&allowed) < 2) return;
  CPU_CLR(processor, &allowed);
  sched_setaffinity(0, sizeof allowed, &allowed);
}

}  // namespace vela::platform
