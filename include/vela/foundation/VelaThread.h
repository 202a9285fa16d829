/// \file
/// \ingroup foundation
/// \brief VelaThread and VelaThreadManager: a minimal thread facility.
///
///
/// A VelaThread describes one unit of work, a function and its argument.
/// VelaThreadManager starts a batch of them, either waiting for all
/// (MultiRun) or handing their handles back to the caller (ParallelRun), and
/// lets a running thread find its ordinal (its position in the batch). The
/// threads of a batch are created suspended, their identifiers are written
/// into the process-wide ordinal table, and only then are they started, so a
/// thread may ask for its ordinal from its first instruction.
///
/// Not thread-safe: batches must not be started from several threads at
/// once, and a thread's ordinal refers to the most recent batch.
#ifndef VELA_FOUNDATION_VELATHREAD_H
#define VELA_FOUNDATION_VELATHREAD_H

#include "vela/foundation/VelaExport.h"

/// \addtogroup foundation
/// @{

/// One unit of work for VelaThreadManager: a function and its argument, with
/// an identifier of the caller's choosing.
class VELA_API VelaThread {
 public:
  /// Id -1, no function, no data.
  VelaThread();
  /// Id iId, no function, no data.
  explicit VelaThread(int iId);
  /// Same id, function and data (the data are shared, not copied).
  VelaThread(const VelaThread& other);
  /// Takes the other's id, function and data (the data are shared, not
  /// copied).
  VelaThread& operator=(const VelaThread& other);
  /// Clears the data pointer (the data are not owned).
  virtual ~VelaThread();

  /// Sets the body. The manager reads the body and its argument on the
  /// starting thread, when it creates the thread; the body runs as
  /// iFunction(data).
  virtual void SetThreadFunction(unsigned int (*iFunction)(void*));
  /// The body; null until set.
  virtual unsigned int (*GetThreadFunction())(void*);
  /// Sets the body's argument (not owned).
  virtual void SetThreadData(void* iData);
  /// The body's argument; null until set.
  virtual void* GetThreadData();

  /// The caller-chosen identifier; -1 when not given.
  int GetId() { return id_; }
  /// Sets the caller-chosen identifier.
  void SetId(int iId) { id_ = iId; }

 private:
  int id_;                                   // caller-chosen; -1 when not given
  unsigned int (*function_)(void*);          // the thread body; null until set
  void* data_;                               // the body's argument; not owned
};

/// Starts batches of VelaThread objects and tells a running thread its
/// ordinal, its position in the batch.
class VELA_API VelaThreadManager {
 public:
  /// Processors the system reports (at least 1).
  static int GetProcessorsNumber();
  /// The calling thread's system identifier (the kernel's thread id, as
  /// debuggers and process tables show it). The system may give it again to
  /// a thread created after this one has ended.
  static unsigned int GetThreadId();
  /// The index of the calling thread's identifier in the ordinal table
  /// (searched from entry 0), or -1. Inside a batch it is the thread's
  /// position in that batch; entries past the latest batch keep the
  /// identifiers of older, larger batches. O(256).
  static int GetThreadOrdinalId();
  /// Runs the n threads and waits for all of them: creates them suspended,
  /// writes their identifiers into entries 0 .. n-1 of the ordinal table,
  /// starts them in array order, waits for all and closes their handles.
  /// 0 on success; 1 when iThreads is null, n is not in 1 .. 256, an entry
  /// is null or has no function, a thread cannot be created, or the wait
  /// fails. On every failure but the wait no function of the batch runs:
  /// the threads already created are closed before they are started, and
  /// the ordinal table is left as it was.
  ///
  /// Where this facility was first written, one wait covered at most 64
  /// threads, so MultiRun took at most 64; here MultiRun and ParallelRun both
  /// take up to 256, the size of the ordinal table.
  static int MultiRun(VelaThread** iThreads, int n);
  /// Starts the n threads as MultiRun does and returns at once, without
  /// waiting: 0 on success, 1 on failure (as MultiRun, and when oHandles is
  /// null), starting nothing then and leaving oHandles untouched. On success
  /// oHandles (n entries) receives the handles: the caller waits for them
  /// with WaitForThreads and must release them with CloseThreadHandles.
  static int ParallelRun(VelaThread** iThreads, int n, void** oHandles);
  /// Waits, with no time limit, until the n threads of handles that
  /// ParallelRun returned have ended. 0 when all have ended; 1, without
  /// waiting, when iHandles is null, n < 1 or an entry is null. Waiting again
  /// for ended threads returns 0 at once. A thread must not wait for itself
  /// (1), and two threads must not wait for the same handle at once.
  static int WaitForThreads(void** iHandles, int n);
  /// Releases the n handles that ParallelRun returned and sets them to null
  /// (null entries are passed over). A thread still running is not stopped:
  /// it goes on, detached, to the end of its function, and its resources are
  /// freed when it ends. Every handle must be closed exactly once, waited for
  /// or not.
  static void CloseThreadHandles(void** ioHandles, int n);
};

/// @}

#endif  // VELA_FOUNDATION_VELATHREAD_H
