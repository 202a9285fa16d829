// VelaOperator::Run(): the protocol's replay, playback, nesting and trace
// steps. The check, status and time-table output is in
// VelaOperatorChecks.cpp.
#include <new>

#include "operator/OperatorRun.h"
#include "vela/foundation/VelaClock.h"
#include "vela/foundation/VelaConstants.h"
#include "vela/operator/VelaUnderPlayBack.h"

namespace vela::detail {

namespace {

// The replay method that records every operator, nested ones included.
const char* const kFullMethod = "FULL";

}  // namespace

OperatorRun::OperatorRun(VelaOperator& iOperator, VelaGlobalParameters& iParameters)
    : op(iOperator),
      gp(iParameters),
      trace(iParameters.GetTraceStream()),
      shortName(iOperator.GetOperatorShortName()),
      parallel(iParameters.GetParallelMode() != 0) {}

int OperatorRun::Execute() {
  DecideModes();
  if (replayMode != 0 || gp.GetCheckMode()) BuildBaseName();
  // Only a top-level run reports its status.
  if (gp.GetGenerateStatus() && gp.GetNestingLevel() == 0) status = gp.GetStatusStream();
  WriteInputs();
  if (gp.GetCheckMode() && !parallel) CheckInputStep();
  RunWork();
  WriteOutputs();
  if (check) CheckOutputStep();
  // The bookkeeping around the work is lost time.
  if (measure) {
    gp.SetLostTime(gp.GetLostTime() + overhead + (VelaClock() - afterClock));
    op.GetOperatorInfo().calls += 1;
  }
  if (check) FinishCheck();
  if (!parallel) gp.SetTraceLevel(savedTraceLevel);
  return result;
}

void OperatorRun::DecideModes() {
  const int nesting = gp.GetNestingLevel();
  if (!parallel && nesting == 0) gp.SetRunCount(0);

  measure = gp.IsMeasureTime() != 0;
  if (measure) startClock = VelaClock();

  if (!parallel && op.FilterReplay(gp.GetReplaySolverModeMask()) == 0) {
    replayMode = gp.GetReplayMode();
  }
  const VelaString& method = gp.GetReplayMethod();
  // Nested operators are recorded only under a replay method.
  if (nesting > 0 && method.isEmpty()) replayMode = 0;

  if (nesting == 0) {
    VelaUnderPlayBack* candidate = gp.IsUnderPlayBack();
    if (candidate && candidate->IsActive()) {
      hook = candidate;
      memory.reset(new (std::nothrow) VelaStream());
    }
  }

  if (!parallel) {
    savedTraceLevel = gp.GetTraceLevel();
    gp.ResetTraceLevel();
    traceOn = gp.GetTraceLevel() != 0;
    // A replay method naming another operator silences this one's traces.
    if (!method.isEmpty() && method != kFullMethod && method != shortName) gp.SetTraceLevel(0);
  }

  runNumber = parallel ? 0 : gp.IncRunCount();
}

void OperatorRun::BuildBaseName() {
  const char* extension = op.GetOperatorInfo().extension;
  if (extension) gp.SetReplaySuffix(extension);
  VelaString tag;
  if (gp.GetNestingLevel() > 0 && !gp.GetReplayMethod().isEmpty()) {
    tag = VelaString(".") + FillString(VelaString(runNumber), 4, '0') + "." + shortName;
  }
  gp.GenerateNextReplayName(tag);
  baseName = gp.GetReplayFullName() + tag;
  if (extension) gp.SetReplaySuffix(chReplayExt);
}

void OperatorRun::WriteInputs() {
  const VelaString& method = gp.GetReplayMethod();
  const bool writeReplay = replayMode != 0 &&
                           (method.isEmpty() || method == kFullMethod || method == shortName);
  if (writeReplay) {
    // A file that cannot be created leaves the stream failed: writes are dropped.
    replay.reset(new (std::nothrow) VelaStream(baseName, VelaStream::FILE_STREAM, 0));
    if (replay && (replayMode & 1)) {
      op.WriteInput(*replay);
      replay->Flush();
    }
  }
  if (hook && memory) {
    op.WriteInput(*memory);
    memory->Flush();
    hook->Capture(0, &op, memory.get());
    memory.reset(new (std::nothrow) VelaStream());
  }
}

void OperatorRun::RunWork() {
  if (!parallel) {
    if (traceOn) TraceLine("RO", "):");
    gp.SetNestingLevel(gp.GetNestingLevel() + 1);
  }
  // What this run adds to the operator's time goes into its time table.
  timeBefore = op.GetTime();
  // The clock readings split the run into disjoint intervals (bookkeeping
  // before, the operator's own measure, the work, bookkeeping after), so that
  // an enclosing run never subtracts one tick twice and its times stay >= 0.
  if (measure) {
    overhead = VelaClock() - startClock;
    op.BeginMeasureTime();
    workClock = VelaClock();
    spentBefore = gp.GetSpentTime();
    lostBefore = gp.GetLostTime();
  }

  result = 4;
  if (!op.interrupt_ || op.interrupt_->IsInterrupted() == 0) result = op.RunOperator();

  if (measure) {
    op.EndMeasureTime();
    afterClock = VelaClock();
    // Nested runs added their own time and bookkeeping meanwhile.
    cpu = (afterClock - workClock) - (gp.GetSpentTime() - spentBefore) -
          (gp.GetLostTime() - lostBefore);
    gp.SetSpentTime(gp.GetSpentTime() + cpu);
    if (status) {
      *status << "RunOperator :" << velendl << "   CPUTime        : " << static_cast<double>(cpu)
              << velendl << "succeeded." << velendl << velendl;
    }
  }
  if (!parallel) {
    gp.SetNestingLevel(gp.GetNestingLevel() - 1);
    if (traceOn) TraceResult("RO", VelaString(result));
  }
}

void OperatorRun::WriteOutputs() {
  if ((replayMode & 2) && replay) {
    op.WriteOutput(*replay);
    replay->Flush();
  }
  if (hook && memory) {
    op.WriteOutput(*memory);
    memory->Flush();
    hook->Capture(1, &op, memory.get());
  }
  memory.reset();
  replay.reset();  // the replay file is complete
}

void OperatorRun::TraceLine(const char* iWhat, const char* iTail) {
  if (!trace) return;
  *trace << "-- " << iWhat << " for " << shortName << " (" << runNumber << iTail << velendl;
}

void OperatorRun::TraceResult(const char* iWhat, const VelaString& iVerdict) {
  if (!trace) return;
  *trace << "-- " << iWhat << " for " << shortName << " (" << runNumber << ") returned "
         << iVerdict << velendl;
}

}  // namespace vela::detail

int VelaOperator::Run() {
  vela::detail::OperatorRun run(*this, GetGlobalParameters());
  return run.Execute();
}
