/// \file
/// \brief VelaOperator, the base of every solver operation, with its interrupt probe and time guard.
/// \ingroup operator
#ifndef VELA_OPERATOR_VELAOPERATOR_H
#define VELA_OPERATOR_VELAOPERATOR_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// \addtogroup operator
/// @{

class VelaStream;

namespace vela::detail {
struct OperatorRun;
}

/// The host's interrupt probe, asked once before each RunOperator().
class VELA_API VelaInterruptInterface {
 public:
  /// Non-zero when the run must not start; Run then returns 4.
  virtual unsigned char IsInterrupted() = 0;

 protected:
  /// Only derived classes construct a probe.
  VelaInterruptInterface() = default;
  /// Copies nothing: the interface has no state.
  VelaInterruptInterface(const VelaInterruptInterface&) = default;
  /// Copies nothing: the interface has no state.
  VelaInterruptInterface& operator=(const VelaInterruptInterface&) = default;
  /// Protected and non-virtual: the host owns its probe and never deletes it
  /// through this interface.
  ~VelaInterruptInterface() = default;
};

/// The base of every solver operation and its run protocol.
///
/// A solver operation derives from VelaOperator, implements RunOperator()
/// and is executed through the non-virtual Run(). Run wraps the work with
/// the services the whole solver shares, each switched on by the process
/// configuration at the moment of the call: the replay file (input and
/// output sections), the check report (CheckInput / CheckOutput verdicts,
/// indented by nesting), the status report, trace lines, playback capture
/// through the VelaUnderPlayBack hook, interruption, nesting bookkeeping and
/// time measurement with a time table per operator type (OperatorInfo).
///
/// Replay files are named by the configuration; a nested operator recorded
/// under a replay method gets its own file, named after its parent's with
/// ".<run number, 4 digits>.<short name>" appended. Check reports go to the
/// top-level run's file name + ".cio".
///
/// Choices made for this implementation:
/// - BeginMeasureTime / EndMeasureTime are const, so that AutoMeasureTime can
///   hold a const operator; the time and the measure start values are
///   therefore mutable.
/// - The operator's time and the totals are `long`, 64 bits here: they do not
///   wrap after about 6 hours of measured time as a 32-bit `long` did.
/// - VelaInterruptInterface has a protected non-virtual destructor: the host
///   owns its probe, and IsInterrupted() stays its first virtual operation.
/// - A replay file that cannot be created is simply not written: the run
///   goes on and returns the operator's result.
/// - The time table at the end of a measured check report charges the
///   top-level operator with the time of this run only, not with the whole
///   time its object has accumulated: earlier runs' time went into earlier
///   tables, and this table counts only this run's call. Adding the object's
///   whole time made a second run of the same object report both runs
///   against one call.
///
/// Not thread-safe: Run updates process-wide counters, the trace level, the
/// check indentation and the time totals without locks. Runs with a non-zero
/// ParallelMode leave those counters alone (except the time totals).
class VELA_API VelaOperator {
 public:
  /// One registry entry per operator type, created by the type's first
  /// GetOperatorInfo() call and kept for the process. The time table sums
  /// the measured runs of the type here; printing it empties time and calls.
  class VELA_API OperatorInfo {
   public:
    /// Time and calls 0; pushes the entry at the head of the registry.
    OperatorInfo(const VelaString& iName, const VelaString& iId, const char* iExtension);
    /// Copies every member (the link too); the copy is not registered.
    OperatorInfo(const OperatorInfo&) = default;
    /// Copies every member (the link too); registers nothing.
    OperatorInfo& operator=(const OperatorInfo&) = default;

    VelaString name;        ///< the operator's full name
    VelaString id;          ///< the short name shown in the time table
    const char* extension;  ///< replay file suffix of the type; null: the default
    OperatorInfo* next;     ///< registry link, toward older entries
    long time;              ///< measured own time of the type, in VelaClock ticks
    long calls;             ///< measured runs of the type
  };

  /// Pushes an existing entry at the head of the registry; null is ignored.
  static void AddNewOperator(OperatorInfo* iInfo);

  /// Interrupt null, time 0, level 0xFFFFFFFF; sets the rounding mode from
  /// the configuration.
  VelaOperator();
  /// Copies the interrupt probe, the time and the level.
  VelaOperator(const VelaOperator&) = default;
  /// Copies the interrupt probe, the time and the level.
  VelaOperator& operator=(const VelaOperator&) = default;
  /// Destroys the operator; the interrupt probe is not owned.
  virtual ~VelaOperator();

  /// Does nothing here; operators read their own environment keys.
  virtual void InitWithEnv();
  /// The probe asked before the work starts; null: never interrupted.
  virtual void SetInterrupt(VelaInterruptInterface* iInterrupt);
  /// The operator's work; its result is Run()'s result.
  virtual int RunOperator() = 0;

 protected:
  /// Non-zero keeps this operator out of replay files for the given
  /// ReplaySolverModeMask. 0 here.
  virtual unsigned char FilterReplay(int iMask) const;

 public:
  /// Written into the input header of the replay file. 0 here.
  virtual int GetVersionOfStream() const;
  /// Report on the input into the check stream; 1 means OK. Returns 1 here
  /// and writes nothing.
  virtual unsigned char CheckInput(VelaStream& iStream) const;
  /// Report on the output into the check stream; 1 means OK. Returns 1 here
  /// and writes nothing.
  virtual unsigned char CheckOutput(VelaStream& iStream) const;
  /// The input header (name, stream version, level, custom environment);
  /// derived classes call it and then write their input.
  virtual void WriteInput(VelaStream& iStream) const;
  /// The output separator line "#=======Output======="; derived classes call
  /// it and then write their output.
  virtual void WriteOutput(VelaStream& iStream) const;
  /// Full name ("VelaGraphSolver").
  virtual VelaString GetOperatorName() const = 0;
  /// Short name ("GrS").
  virtual VelaString GetOperatorShortName() const = 0;
  /// Level in the high 16 bits, HF level in the low 16 bits.
  virtual void SetVelLevel(unsigned int iLevel);
  /// Destroys the object (the deriving module knows how it was allocated).
  virtual void Remove() = 0;

 protected:
  /// The type's registry entry (usually a function-local static).
  virtual OperatorInfo& GetOperatorInfo() = 0;

 public:
  /// The whole protocol: records, checks, traces, measures and runs
  /// RunOperator() as the configuration asks. Returns RunOperator()'s
  /// result, or 4 when the interrupt probe stopped the run; reports no
  /// failure of its own. A top-level run opens and closes its check report
  /// itself; the status report goes to the configuration's status stream
  /// when the host opened one (OpenStatusStream).
  int Run();

  /// Measurement of this operator's own time: time spent in nested measured
  /// operators and in bookkeeping (lost time) is not counted.
  void BeginMeasureTime() const;
  /// Ends the measurement that BeginMeasureTime started and adds the own
  /// time to the operator's time and to _sTotal.
  void EndMeasureTime() const;
  /// Adds the own time to the type's entry, unless ParallelMode is on.
  void FixTime();

  /// The operator's measured own time, in VelaClock ticks.
  long GetTime() const { return time_; }
  /// Sets the operator's measured own time, in VelaClock ticks.
  void SetTime(long iTime) { time_ = iTime; }
  /// Level in the high 16 bits, HF level in the low 16 bits.
  unsigned int GetVelLevel() const { return level_; }

  /// The time table of every registered type: the heading
  /// "Id  Call      Time      %%" (both percent signs are part of it), one
  /// line per type (calls, seconds, share of the total, each after its run
  /// of blanks, unaligned; the id alone for a type without calls), then the
  /// run count and the total seconds. Leaves the stream in fixed notation.
  /// Empties the time and calls of every entry. Nothing for a null stream.
  static void PrintElapsedTimes(VelaStream* iStream);

  /// Head of the registry of operator types, newest first.
  static OperatorInfo* _pFirst;
  /// Own time of all measured operators, in ticks.
  static long _sTotal;

 private:
  friend struct vela::detail::OperatorRun;

  VelaInterruptInterface* interrupt_ = nullptr;

 protected:
  /// Free for derived protocols; the base never reads it.
  unsigned char flag_ = 0;

 private:
  mutable long time_ = 0;
  // VelaClock(), _sTotal and the global lost time when the measure started.
  mutable long startClock_ = 0;
  mutable long startTotal_ = 0;
  mutable long startLost_ = 0;
  unsigned int level_ = 0xFFFFFFFFu;
};

/// Measures an operator's own time for the lifetime of the guard when
/// MeasureTime is on and the operator is not null (the switch is read at
/// both ends). Not copy-constructible: two guards would measure twice.
class VELA_API AutoMeasureTime {
 public:
  /// Begins the measurement of iOperator when MeasureTime is on and
  /// iOperator is not null.
  explicit AutoMeasureTime(const VelaOperator* iOperator);
  /// Ends the measurement when MeasureTime is on and the operator is not
  /// null.
  ~AutoMeasureTime();
  /// Not copy-constructible: two guards would measure twice.
  AutoMeasureTime(const AutoMeasureTime&) = delete;
  /// Takes the other guard's operator; measures nothing by itself.
  AutoMeasureTime& operator=(const AutoMeasureTime& iOther) {
    operator_ = iOther.operator_;
    return *this;
  }

 private:
  const VelaOperator* operator_;
};

/// @}

#endif  // VELA_OPERATOR_VELAOPERATOR_H
