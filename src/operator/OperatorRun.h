// The state of one VelaOperator::Run() while its steps execute.
//
// Run() is a fixed sequence of steps, each decided by the configuration
// read at the moment of the call:
//   decide the modes (run count, measure, replay mode, playback hook, trace
//   level, run number); build the base file name; pick the status stream;
//   write the input (replay file, playback capture phase 0); check the
//   input; run the work (nesting, measure, interrupt); write the output
//   (replay file, capture phase 1, close the replay file); check the
//   output; charge the lost time; end the check report (times, time table,
//   close); restore the trace level.
// The order is visible in the check report, the trace and the replay file,
// so it does not change.
// The values one step decides and a later step needs live here, so that
// the steps can be separate functions split by concern: replay, playback
// and nesting in VelaOperatorRun.cpp; check, status and time-table output
// in VelaOperatorChecks.cpp.
#ifndef VELA_SRC_OPERATOR_OPERATORRUN_H
#define VELA_SRC_OPERATOR_OPERATORRUN_H

#include <memory>

#include "vela/config/VelaGlobalParameters.h"
#include "vela/operator/VelaOperator.h"
#include "vela/streams/VelaStream.h"

class VelaUnderPlayBack;

namespace vela::detail {

struct OperatorRun {
  OperatorRun(VelaOperator& iOperator, VelaGlobalParameters& iParameters);
  OperatorRun(const OperatorRun&) = delete;
  OperatorRun& operator=(const OperatorRun&) = delete;

  // The whole protocol; returns the run's result.
  int Execute();

  // ---- Replay and nesting (VelaOperatorRun.cpp) ----
  void DecideModes();    // counters, measure, replay mode, hook, trace, run number
  void BuildBaseName();  // replay file name, also the stem of the check file
  void WriteInputs();    // replay input and playback phase 0
  void RunWork();        // nesting, measure and the interruptible work
  void WriteOutputs();   // replay output, playback phase 1; closes the replay
  // A trace line "-- <what> for <short name> (<run number>)" + tail.
  void TraceLine(const char* iWhat, const char* iTail);
  void TraceResult(const char* iWhat, const VelaString& iVerdict);

  // ---- Check, status and time output (VelaOperatorChecks.cpp) ----
  void CheckInputStep();   // opens the top-level report, CI lines, indents
  void CheckOutputStep();  // unindents, RO and CO lines
  void FinishCheck();      // times and time table; closes the top-level report
  // The status lines of one check: title, "   CheckUp(<what>) : " verdict,
  // "succeeded." and an empty line.
  void StatusLines(const char* iTitle, const char* iWhat, const char* iVerdict);

  VelaOperator& op;
  VelaGlobalParameters& gp;
  VelaStream* trace;  // may be null: then nothing is traced
  VelaString shortName;
  bool parallel = false;

  bool measure = false;
  long startClock = 0;  // VelaClock() when the run started
  int replayMode = 0;   // bit value 1: input, 2: output

  // Present only for a top-level run whose hook is active.
  VelaUnderPlayBack* hook = nullptr;
  std::unique_ptr<VelaStream> memory;

  int savedTraceLevel = 0;
  bool traceOn = false;
  int runNumber = 0;
  VelaString baseName;  // replay file name, also the stem of the ".cio" file

  VelaStream* status = nullptr;  // owned by the configuration
  std::unique_ptr<VelaStream> replay;
  VelaStream* check = nullptr;  // owned by the configuration

  // Measurement of the work, in VelaClock ticks.
  long overhead = 0;     // bookkeeping before the work started
  long workClock = 0;    // VelaClock() right before RunOperator
  long afterClock = 0;   // VelaClock() right after RunOperator
  long spentBefore = 0;  // global spent time before RunOperator
  long lostBefore = 0;   // global lost time before RunOperator
  long cpu = 0;          // own time of the work, nested operators excluded
  long timeBefore = 0;   // the operator's time before this run

  int result = 4;
};

}  // namespace vela::detail

#endif  // VELA_SRC_OPERATOR_OPERATORRUN_H
