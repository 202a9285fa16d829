/// \file
/// \brief VelaUnderPlayBack, the hook of the optional playback library.
/// \ingroup operator
#ifndef VELA_OPERATOR_VELAUNDERPLAYBACK_H
#define VELA_OPERATOR_VELAUNDERPLAYBACK_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// \addtogroup operator
/// @{

class VelaOperator;
class VelaStream;

/// The hook through which an optional playback library
/// watches every top-level operator run.
///
/// The playback library is shipped separately and the solver never links
/// against it. It is the shared library named "VelaUnderPlayBack"
/// (libVelaUnderPlayBack.so here, found by the platform's normal search
/// order), and it registers its hook simply by constructing an object of a
/// class derived from VelaUnderPlayBack while it is being loaded: the first
/// such object becomes the process-wide singleton. The operator protocol
/// asks IsActive() once at the start of each top-level run and, when the
/// hook is active, hands it the run's input (phase 0) and output (phase 1)
/// serialised exactly as the replay file holds them.
///
/// The library is looked for only when the process environment has
/// "PlayBack_zip" (consulted once per process) or when a caller forces the
/// search, and a failed attempt is not repeated: the library is loaded at
/// most twice, once forced and once because of the variable.
///
/// Choices made for this implementation:
/// - A copy constructed from a hook registers itself like any other new
///   object (only when no hook is registered yet), so that its destructor,
///   which empties the slot when it holds the registered hook, stays
///   symmetrical. Copy assignment changes no registration.
/// - The loaded library is never unloaded: its hook lives until the process
///   ends.
///
/// Not thread-safe: the slot and the flags are plain process-wide values;
/// the first call may come from any thread, but not from two at once.
class VELA_API VelaUnderPlayBack {
 public:
  /// Non-zero when the hook wants the current top-level run. Asked once at
  /// the start of each top-level run.
  virtual unsigned char IsActive() = 0;
  /// Phase 0 after the input was written to `iData`, phase 1 after the
  /// output. `iData` is an in-memory stream holding exactly what
  /// iOperator->WriteInput or WriteOutput wrote; it lives only for the call.
  virtual void Capture(int iPhase, VelaOperator* iOperator, VelaStream* iData) = 0;
  /// Starts a capture session into the named archive; non-zero on success.
  /// Never called by this library: the host drives sessions.
  virtual unsigned char Open(const VelaString& iArchive) = 0;
  /// Ends the capture session. Never called by this library.
  virtual void Close() = 0;

  /// Empties the slot when this object is the registered hook. Not virtual:
  /// hooks are not destroyed through this interface.
  ~VelaUnderPlayBack();
  /// Registers the copy when no hook is registered yet.
  VelaUnderPlayBack(const VelaUnderPlayBack& other);
  /// Changes no registration.
  VelaUnderPlayBack& operator=(const VelaUnderPlayBack& other);

  /// The registered hook. Without one: when `force` is non-zero and no load
  /// was tried yet, loads the library; otherwise, the first time only, loads
  /// it when the process environment has "PlayBack_zip". A failed load
  /// writes "<** VelaUnderPlayBack" and an end of line on the trace stream.
  /// Returns the hook the loaded library registered, or null.
  static VelaUnderPlayBack* GetSingleton(unsigned char force);

 protected:
  /// Becomes the registered hook when none is registered yet; a second
  /// object does not replace the first.
  VelaUnderPlayBack();

 private:
  static VelaUnderPlayBack* _Singleton;  // the registered hook or null
  // Set once the library load has been attempted (successfully or not).
  static unsigned char _DynamicLoadingHasBeenTried;
  // Set once "PlayBack_zip" has been consulted.
  static unsigned char _EnvironmentHasBeenChecked;
};

/// @}

#endif  // VELA_OPERATOR_VELAUNDERPLAYBACK_H
