// The two-thread Gauss-Jordan solve: the caller's thread (the main
// participant) and one worker reduce the matrix in lock-step.
//
// Every step is two exchanges of the manual-reset events go and done:
//
//   main                                  worker
//   flag = 0, set go ------------------>  reset go
//   search rows row+1, row+3, ...         search rows row, row+2, ...
//   wait done, reset done  <------------  set done
//   choose the pivot, move it to
//   (row, col), scale its row;
//   flag = 1 (0: column below iTol)
//   set go ---------------------------->  reset go
//   eliminate rows h .. rows-1            eliminate rows 0 .. h-1 (flag 1)
//   wait done, reset done  <------------  set done
//   next step                             wait go; go on while the loop
//                                         condition holds
//
// with h = ceil(rows / 2). Each participant makes the step's column
// exchange in its own rows as it eliminates them (the pivot row and the
// pivot's old row are exchanged beforehand). During a search both only read
// the matrix; during an elimination they write disjoint row ranges and both
// read the pivot row, which neither writes. Everything the main participant
// writes between two exchanges (counters, flag, the step record, matrix,
// right-hand side, row hints) is published by its set of go and read by the
// worker after its wait returns, and the worker's results come back the
// same way through done: the events order every access, so only the
// early-stop flag, which both update during a search, is atomic.
//
// Pivot search of one participant (ParallelFindPivot): its first candidate
// is the element in the pivot column of its first row; a flagged element
// replaces the candidate when strictly larger (not by the serial search's
// relative factor, so the two solves may pick different pivots among
// near-equal ones and agree to rounding). The search ends after a row whose
// best exceeds E = sqrt(1.01); below level 0x2C00000 already at such an
// element, adding the row-pair number ((r - offset) / 2 + 1, offset 0 for
// the worker and 1 for the main participant) to the flag. After each row a
// participant stops when the flag is set and not above its own current
// row-pair number: the other one has found a good pivot in an earlier or
// the same pair of rows.
//
// Choice: with the flag set, the worker's pivot unless the main one exceeds
// E, and of two above E the one in the earlier row (main's on equal rows);
// otherwise the larger magnitude, the earlier row on a tie. A chosen
// magnitude below iTol zeroes the rest of the column and moves to the next
// column without a pivot: after the first such column every later one is
// below iTol too, so the rank and the span of the kernel come out as in the
// serial solve; kernel rows may come in another order.
#include <atomic>
#include <cmath>
#include <numeric>
#include <utility>

#include "linalg/SparseMatrixKernels.h"
#include "platform/PlatformThread.h"
#include "vela/foundation/VelaThread.h"
#include "vela/linalg/VelaSparseMatrix.h"

namespace {

namespace platform = vela::platform;
using vela::detail::kSparseEarlyAccept;

// Process-wide state of the two-thread solve; one solve at a time uses it
// (gBusy). The counters and the step record are written by the main
// participant only while the worker waits for go.
int gRow = 0;  // the pivot-row counter
int gCol = 0;  // the pivot-column counter
// During a search: the sum of the row-pair numbers at which a participant
// stopped early (atomic additions from both). During an elimination
// exchange: 1 when the worker eliminates, 0 when it only answers.
std::atomic<int> gFlag{0};
platform::Event* gGo = nullptr;
platform::Event* gDone = nullptr;
// The current elimination step (pivot pattern, pending column exchange,
// row hints), set up by the main participant before it sets go.
vela::detail::EliminationStep gStep{};
// Set while a two-thread solve runs.
std::atomic<bool> gBusy{false};
// The processor the main participant ran on when it started the worker: the
// worker keeps off it, so that the two spin-waiting participants run side by
// side rather than taking turns on one processor.
int gMainProcessor = -1;

unsigned int SolveThreadBody(void* iData) {
  REFThreadData* data = static_cast<REFThreadData*>(iData);
  if (data == nullptr || data->matrix == nullptr) return 1;
  platform::AvoidProcessor(gMainProcessor);
  return static_cast<unsigned int>(data->matrix->SolveGaussJordanThread(*data));
}

bool IsWorker(const REFThreadData& iData) { return iData.thread != nullptr && iData.thread->GetId() == 0; }

// True when the step takes the worker's pivot (see the choice above).
bool TakeWorkerPivot(const REFThreadData& iMain, const REFThreadData& iWorker, int iFlag) {
  if (iFlag != 0) {
    if (!(iMain.pivotValue > kSparseEarlyAccept)) return true;
    if (iWorker.pivotValue > kSparseEarlyAccept) return iWorker.pivotRow < iMain.pivotRow;
    return false;
  }
  if (iWorker.pivotValue > iMain.pivotValue) return true;
  if (iMain.pivotValue > iWorker.pivotValue) return false;
  return iWorker.pivotRow < iMain.pivotRow;
}

// Holds the process-wide solve for one call and owns its two events; both
// are released, and the solve freed, when the call returns. The worker must
// have ended by then.
class SolveSession {
 public:
  SolveSession() : owner_(!gBusy.exchange(true, std::memory_order_acquire)) {
    if (!owner_) return;
    gGo = platform::CreateEvent();
    gDone = platform::CreateEvent();
  }
  ~SolveSession() {
    if (!owner_) return;
    if (gGo) platform::CloseEvent(gGo);
    if (gDone) platform::CloseEvent(gDone);
    gGo = gDone = nullptr;
    gBusy.store(false, std::memory_order_release);
  }
  SolveSession(const SolveSession&) = delete;
  SolveSession& operator=(const SolveSession&) = delete;

  // False when another solve holds the state.
  bool Owner() const { return owner_; }
  bool Ready() const { return owner_ && gGo && gDone; }

 private:
  bool owner_;
};

}  // namespace

int VelaSparseMatrix::ParallelFindPivot(REFThreadData& ioData) const {
  const int rows = GetNbOfRow(), cols = GetNbOfCol();
  const int row = *ioData.currentRow, col = *ioData.currentCol;
  const int offset = IsWorker(ioData) ? 0 : 1;
  const int first = row + offset;
  ioData.pivotRow = first;
  ioData.pivotCol = col;
  ioData.pivotValue = 0.0;
  if (first >= rows) return 0;
  const bool stopOnElement = ioData.level < vela::detail::kSparseNewPivotLevel;
  int pivotRow = first, pivotCol = col;
  double best = std::fabs(GetElement(first, col));
  bool stopped = stopOnElement && best > kSparseEarlyAccept;
  int r = first;
  for (; r < rows && !stopped; r += 2) {
    const double* v = GetRow(r);
    const unsigned char* m = MaskRow(r);
    for (int c = vela::detail::FirstAbove(v, col, cols, best); c < cols;
         c = vela::detail::FirstAbove(v, c + 1, cols, best)) {
      if (!m[c]) continue;
      best = std::fabs(v[c]);
      pivotRow = r;
      pivotCol = c;
      if (stopOnElement && best > kSparseEarlyAccept) {
        stopped = true;
        break;
      }
    }
    if (stopped || best > kSparseEarlyAccept) break;
    const int flag = gFlag.load(std::memory_order_relaxed);
    if (flag != 0 && flag <= (r - offset) / 2 + 1) break;
  }
  // r is the row of the early stop. The flag orders nothing else: the
  // results themselves travel through the done event.
  if (stopped) gFlag.fetch_add((r - offset) / 2 + 1, std::memory_order_relaxed);
  ioData.pivotRow = pivotRow;
  ioData.pivotCol = pivotCol;
  ioData.pivotValue = best;
  return 0;
}

int VelaSparseMatrix::ParallelSubtractRows(REFThreadData& ioData) {
  const int rows = GetNbOfRow(), half = (rows + 1) / 2;
  const bool worker = IsWorker(ioData);
  vela::detail::EliminateColumn(gStep, worker ? 0 : half, worker ? half : rows);
  return 0;
}

int VelaSparseMatrix::SolveGaussJordanThread(REFThreadData& ioData) {
  if (VelaThreadManager::GetThreadOrdinalId() != 0) return 1;
  if (gGo == nullptr || gDone == nullptr) return 0;  // no solve to take part in
  const int rows = GetNbOfRow(), cols = GetNbOfCol();
  const int* row = ioData.currentRow;
  const int* col = ioData.currentCol;
  platform::WaitForEvent(gGo);
  while (*row < rows && *col < cols && *col < rows) {
    platform::ResetEvent(gGo);
    ParallelFindPivot(ioData);
    platform::SetEvent(gDone);
    platform::WaitForEvent(gGo);
    platform::ResetEvent(gGo);
    if (gFlag.load(std::memory_order_relaxed) == 1) ParallelSubtractRows(ioData);
    platform::SetEvent(gDone);
    platform::WaitForEvent(gGo);
  }
  return 0;
}

void VelaSparseMatrix::ParallelMainLoop(REFThreadData& ioMain, const REFThreadData& iWorker, int* ioPerm, int* iScratch,
                                        unsigned char* ioFullRows, double iTol) {
  const int rows = GetNbOfRow(), cols = GetNbOfCol();
  double* rhs = ioMain.rhs;
  while (gRow < rows && gCol < cols && gCol < rows) {
    const int row = gRow, col = gCol;
    gFlag.store(0, std::memory_order_relaxed);
    platform::SetEvent(gGo);
    ParallelFindPivot(ioMain);
    platform::WaitForEvent(gDone);
    platform::ResetEvent(gDone);

    const REFThreadData& chosen =
        TakeWorkerPivot(ioMain, iWorker, gFlag.load(std::memory_order_relaxed)) ? iWorker : ioMain;
    const int pivotRow = chosen.pivotRow, pivotCol = chosen.pivotCol;
    std::swap(ioPerm[col], ioPerm[pivotCol]);
    const bool eliminate = !(chosen.pivotValue < iTol);
    if (eliminate) {
      // The other rows exchange the columns as they are eliminated.
      gStep = vela::detail::PreparePivot(GetBuffer(), mask_.begin(), cols, row, col, pivotRow, pivotCol, rhs,
                                         ioFullRows, iScratch);
    } else {
      SwapCols(col, pivotCol);
      ClearCol(col, row);
    }
    gFlag.store(eliminate ? 1 : 0, std::memory_order_relaxed);
    platform::SetEvent(gGo);
    if (eliminate) ParallelSubtractRows(ioMain);
    platform::WaitForEvent(gDone);
    platform::ResetEvent(gDone);
    if (eliminate) ++gRow;
    ++gCol;
  }
}

void VelaSparseMatrix::ParallelSolveGaussJordan(unsigned int iLevel, const double* iB, double* oX, VelaMatrix* oKernel,
                                                double iTol) {
  const int rows = GetNbOfRow(), cols = GetNbOfCol();
  if (rows == 0 || cols == 0) return;
  SolveSession session;
  if (!session.Owner()) {
    SolveGaussJordan(iLevel, iB, oX, oKernel, iTol);
    return;
  }
  if (!session.Ready()) return;
  SyncMask();
  VelSTLVector<double, 32> w = iB ? VelSTLVector<double, 32>(iB, iB + rows) : VelSTLVector<double, 32>();
  double* rhs = iB ? w.begin() : nullptr;
  VelSTLVector<int, 32> perm(cols, 0), scratch(cols, 0);
  std::iota(perm.begin(), perm.end(), 0);
  VelSTLVector<unsigned char, 32> fullRows(rows, 0);
  vela::detail::FullRowHints(mask_.begin(), rows, cols, fullRows.begin());

  VelaThread threads[2] = {VelaThread(0), VelaThread(1)};
  REFThreadData records[2];
  for (int i = 0; i < 2; ++i) {
    records[i] = REFThreadData{iLevel, this, &threads[i], &gRow, &gCol, 0, 0, rhs, 0.0};
    threads[i].SetThreadFunction(SolveThreadBody);
    threads[i].SetThreadData(&records[i]);
  }
  gRow = 0;
  gCol = 0;
  gFlag.store(0, std::memory_order_relaxed);
  gMainProcessor = platform::CurrentProcessor();
  VelaThread* worker[1] = {&threads[0]};
  void* handle[1] = {nullptr};
  if (VelaThreadManager::ParallelRun(worker, 1, handle) != 0) return;

  ParallelMainLoop(records[1], records[0], perm.begin(), scratch.begin(), fullRows.begin(), iTol);
  platform::SetEvent(gGo);  // the worker finds the loop over and returns
  VelaThreadManager::WaitForThreads(handle, 1);
  VelaThreadManager::CloseThreadHandles(handle, 1);
  gStep = vela::detail::EliminationStep{};

  const int rank = vela::detail::LeadingDiagonalFlags(*this);
  vela::detail::WriteGaussJordanOutputs(*this, rank, perm.begin(), rhs, oX, oKernel);
}
