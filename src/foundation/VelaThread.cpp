#include "vela/foundation/VelaThread.h"

#include <array>
#include <atomic>
#include <cstdint>

#include "platform/PlatformThread.h"

namespace {

namespace platform = vela::platform;

constexpr int kOrdinalTableSize = 256;

// Entry i holds the identifier of the i-th thread of the latest batch that
// had more than i threads; 0 (no thread's identifier) until then. A batch
// writes its entries before it resumes any of its threads, and resuming
// passes through the thread's gate mutex, so a thread of the batch reads
// its own entry even with relaxed loads. The entries are atomic because
// threads of older batches may still be reading while a new batch writes.
std::atomic<std::uint32_t> gOrdinals[kOrdinalTableSize] = {};

bool IsBatchSize(VelaThread** iThreads, int n) {
  return iThreads != nullptr && n >= 1 && n <= kOrdinalTableSize;
}

// The threads of one batch. Whatever the batch still holds when it goes out
// of scope is closed: threads never resumed end without running their body.
class Batch {
 public:
  Batch() = default;
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  ~Batch() {
    for (int i = 0; i < count_; ++i) platform::CloseThread(threads_[i]);
  }

  // Creates the n threads suspended, in order; false, with the batch
  // holding the threads created so far, at the first entry that is null,
  // has no function, or whose thread cannot be created.
  bool Create(VelaThread** iThreads, int n) {
    for (; count_ < n; ++count_) {
      VelaThread* work = iThreads[count_];
      if (work == nullptr) return false;
      platform::Thread* thread = platform::CreateSuspendedThread(
          work->GetThreadFunction(), work->GetThreadData(), ids_[count_]);
      if (thread == nullptr) return false;
      threads_[count_] = thread;
    }
    return true;
  }

  // Publishes the identifiers, then lets the threads run in order.
  void Start() {
    for (int i = 0; i < count_; ++i) gOrdinals[i].store(ids_[i], std::memory_order_relaxed);
    for (int i = 0; i < count_; ++i) platform::ResumeThread(threads_[i]);
  }

  bool Wait() { return platform::WaitForThreads(threads_.data(), count_); }

  // Hands the handles over to the caller, who closes them.
  void Release(void** oHandles) {
    for (int i = 0; i < count_; ++i) oHandles[i] = threads_[i];
    count_ = 0;
  }

 private:
  std::array<platform::Thread*, kOrdinalTableSize> threads_{};
  std::array<unsigned int, kOrdinalTableSize> ids_{};
  int count_ = 0;
};

}  // namespace

VelaThread::VelaThread() : VelaThread(-1) {}

VelaThread::VelaThread(int iId) : id_(iId), function_(nullptr), data_(nullptr) {}

VelaThread::VelaThread(const VelaThread& other) = default;

VelaThread& VelaThread::operator=(const VelaThread& other) = default;

VelaThread::~VelaThread() { data_ = nullptr; }

void VelaThread::SetThreadFunction(unsigned int (*iFunction)(void*)) { function_ = iFunction; }

unsigned int (*VelaThread::GetThreadFunction())(void*) { return function_; }

void VelaThread::SetThreadData(void* iData) { data_ = iData; }

void* VelaThread::GetThreadData() { return data_; }

int VelaThreadManager::GetProcessorsNumber() { return platform::ProcessorCount(); }

unsigned int VelaThreadManager::GetThreadId() { return platform::CurrentThreadId(); }

int VelaThreadManager::GetThreadOrdinalId() {
  const std::uint32_t id = platform::CurrentThreadId();
  for (int i = 0; i < kOrdinalTableSize; ++i) {
    if (gOrdinals[i].load(std::memory_order_relaxed) == id) return i;
  }
  return -1;
}

int VelaThreadManager::MultiRun(VelaThread** iThreads, int n) {
  if (!IsBatchSize(iThreads, n)) return 1;
  Batch batch;
  if (!batch.Create(iThreads, n)) return 1;
  batch.Start();
  return batch.Wait() ? 0 : 1;
}

int VelaThreadManager::ParallelRun(VelaThread** iThreads, int n, void** oHandles) {
  if (oHandles == nullptr || !IsBatchSize(iThreads, n)) return 1;
  Batch batch;
  if (!batch.Create(iThreads, n)) return 1;
  batch.Start();
  batch.Release(oHandles);
  return 0;
}

int VelaThreadManager::WaitForThreads(void** iHandles, int n) {
  if (iHandles == nullptr || n < 1) return 1;
  for (int i = 0; i < n; ++i) {
    if (iHandles[i] == nullptr) return 1;
  }
  for (int i = 0; i < n; ++i) {
    platform::Thread* thread = static_cast<platform::Thread*>(iHandles[i]);
    if (!platform::WaitForThreads(&thread, 1)) return 1;
  }
  return 0;
}

void VelaThreadManager::CloseThreadHandles(void** ioHandles, int n) {
  if (ioHandles == nullptr) return;
  for (int i = 0; i < n; ++i) {
    platform::CloseThread(static_cast<platform::Thread*>(ioHandles[i]));
    ioHandles[i] = nullptr;
  }
}
