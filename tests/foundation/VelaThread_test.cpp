// Thread batches and the manual-reset events of the platform layer. Nothing sleeps or measures time: a thread that
// must not run yet waits on an event, so a broken hand-off shows as a wrong count, a sanitizer report or a hang.
#include "vela/foundation/VelaThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <vector>

#include "platform/PlatformThread.h"

namespace {

namespace platform = vela::platform;
using Manager = VelaThreadManager;

// n threads (body on data, or else Probe on the thread itself) as MultiRun and ParallelRun take them.
struct Batch {
  struct Slot : VelaThread { Batch* batch = nullptr; std::atomic<int> ordinal{-2}; };
  explicit Batch(int n, platform::Event* gate = nullptr, unsigned int (*body)(void*) = Probe, void* data = nullptr)
      : gate(gate), work(n), entries(n) {
    for (int i = 0; i < n; ++i) {
      work[i].batch = this;
      work[i].SetThreadFunction(body);
      work[i].SetThreadData(data ? data : &work[i]);
      entries[i] = &work[i];
    }
  }
  static unsigned int Probe(void* data) {  // waits for the gate (none: at once), records its ordinal, counts its run
    Slot& slot = *static_cast<Slot*>(data);
    platform::WaitForEvent(slot.batch->gate);
    slot.ordinal = Manager::GetThreadOrdinalId();
    ++slot.batch->runs;
    return 0;
  }
  // MultiRun, or ParallelRun then a wait for the threads (unless not to wait) and the closing of their handles.
  int Run(bool parallel, bool wait = true) {
    const int n = static_cast<int>(entries.size());
    std::vector<void*> handles(n, nullptr);
    if (!parallel) return Manager::MultiRun(entries.data(), n);
    if (Manager::ParallelRun(entries.data(), n, handles.data()) != 0) return 1;
    const int result = wait ? Manager::WaitForThreads(handles.data(), n) : 0;
    Manager::CloseThreadHandles(handles.data(), n);
    return result;
  }
  platform::Event* gate;
  std::atomic<int> runs{0};
  std::vector<Slot> work;
  std::vector<VelaThread*> entries;
};

int ProcessThreadCount() {  // the Threads line of /proc/self/status
  std::ifstream status("/proc/self/status");
  for (std::string word; status >> word;) if (word == "Threads:" && status >> word) return std::stoi(word);
  return -1;
}

TEST(VelaThread, OrdinalIsThePositionInTheBatch) {
  for (const bool parallel : {false, true})
    for (const int n : {1, 3, 64, 256}) {
      Batch batch(n);
      ASSERT_EQ(batch.Run(parallel), 0);
      for (int i = 0; i < n; ++i) ASSERT_EQ(batch.work[i].ordinal, i) << "n " << n << " parallel " << parallel;
      EXPECT_EQ(Manager::GetThreadOrdinalId(), -1);  // the caller is not in the batch
    }
}

// No threads, no array, no handle array, or an entry without its function: nothing runs.
TEST(VelaThread, RejectedBatchRunsNothing) {
  Batch batch(3);
  VelaThread** all = batch.entries.data();
  void* handles[3] = {&batch, &batch, &batch};
  EXPECT_EQ(Manager::MultiRun(all, 0) + Manager::MultiRun(nullptr, 3) + Manager::ParallelRun(all, 3, nullptr), 3);
  batch.work[2].SetThreadFunction(nullptr);  // the first two threads are created, then never resumed
  EXPECT_EQ(Manager::MultiRun(all, 3) + Manager::ParallelRun(all, 3, handles), 2);
  EXPECT_EQ(batch.runs, 0);
  for (void* handle : handles) EXPECT_EQ(handle, &batch);  // untouched
}

// A thousand batches, each ending one of four ways: waited for by MultiRun, waited for and then closed, closed
// while its thread waits for an event that is set only once ParallelRun has returned (it then ends on its own),
// or, failing, closed unresumed.
TEST(VelaThread, ThousandBatchesLeaveNoThreadBehind) {
  static Batch blocked(1, platform::CreateEvent());  // detached threads use it and its event to their end
  Batch counting(2), rejected(3);
  rejected.work[2].SetThreadFunction(nullptr);
  ASSERT_EQ(counting.Run(false), 0);  // a sanitizer's runtime may start a helper thread with the first thread
  const int startThreads = ProcessThreadCount();
  for (int round = 0; round < 250; ++round) {
    ASSERT_EQ(counting.Run(false) + counting.Run(true) + blocked.Run(true, false) + rejected.Run(false), 1);
    platform::SetEvent(blocked.gate);  // frees the detached thread, now or later
    platform::ResetEvent(blocked.gate);
  }
  platform::SetEvent(blocked.gate);
  for (int spin = 0; spin < 100000 && ProcessThreadCount() > startThreads; ++spin) continue;  // detached threads end
  EXPECT_EQ(ProcessThreadCount(), startThreads);
  EXPECT_EQ(counting.runs + rejected.runs + blocked.runs, 2 + 250 * 5);
}

// The two threads of a batch (sides 0 and 1) take turns on a plain counter, handing over with two events, and
// check the count they find: an event still set after a reset lets one side run ahead; a race shows in TSan.
struct PingPong {
  static constexpr int kRounds = 10000;
  platform::Event* turn[2] = {platform::CreateEvent(), platform::CreateEvent()};
  long counter = 0;
  std::atomic<int> sides{0}, mismatches{0};
  static unsigned int Play(void* data) {
    PingPong& game = *static_cast<PingPong*>(data);
    const int side = game.sides++;
    for (int round = 0; round < kRounds; ++round) {
      if (side == 1 || round > 0) platform::WaitForEvent(game.turn[side]);
      platform::ResetEvent(game.turn[side]);
      if (game.counter++ != 2L * round + side) ++game.mismatches;
      platform::SetEvent(game.turn[1 - side]);
    }
    return 0;
  }
};

TEST(VelaThreadEvent, PingPongKeepsStrictTurns) {
  PingPong game;
  ASSERT_EQ(Batch(2, nullptr, PingPong::Play, &game).Run(false), 0);
  EXPECT_EQ(game.mismatches, 0);
  for (platform::Event* event : game.turn) platform::CloseEvent(event);
}

}  // namespace
