/// \file
/// \brief VelaAutoConstrainingParameters, the process-wide configuration of automatic constraint creation.
/// \ingroup config
#ifndef VELA_CONFIG_VELAAUTOCONSTRAININGPARAMETERS_H
#define VELA_CONFIG_VELAAUTOCONSTRAININGPARAMETERS_H

#include "vela/foundation/VelaExport.h"

/// \addtogroup config
/// @{

/// The constraint types the auto-constraining modules can create. Every
/// per-type table is indexed by these values.
///
/// The enumerators are named after the constraint types (Distance = 1 to
/// Symmetry = 15), and the same names make up the environment keys.
enum class VelaACType : int {
  Distance = 1,
  Angle = 2,
  Parallelism = 3,
  Perpendicularity = 4,
  Coincidence = 5,
  Tangency = 6,
  Antitangency = 7,
  Radius = 8,
  MajorRadius = 9,
  MinorRadius = 10,
  ApexAngle = 11,
  Concentricity = 12,
  Coaxiality = 13,
  MidPoint = 14,
  Symmetry = 15,
};

/// The process-wide configuration of automatic
/// constraint creation.
///
/// The solver's auto-constraining modules ask it whether the mode is on, which
/// of the fifteen constraint types (VelaACType) they may create, the weight of
/// each type and how far each type propagates. One instance per process comes
/// from GetAutoConstrainingParameters(); it is read once from the environment
/// (through VelaGetEnv / VelaGetEnvI, so custom entries count) and then changed
/// only through the setters.
///
/// Environment keys (values compared exactly; "true" or "1" are not "TRUE"):
/// \code{.unparsed}
///   "VelAutoConstraining"            "TRUE" turns the mode on
///   "VelaACP<Type>"                  "TRUE" lets that type be created
///   "VelaACPDefaultPropag"           default propagation length (atoi)
///   "VelaACP<Type>Propag"            that type's propagation length (atoi)
/// \endcode
/// with `<Type>` the enumerator name (Distance, Angle, ..., Symmetry). Length
/// keys that are unset or empty leave the length alone; a set value is cut to
/// its low 16 bits (70000 gives 4464). Weights never come from the
/// environment.
///
/// Choices made for this implementation:
/// - VelaACType is a scoped enumeration, so the short type names (Angle,
///   Radius, ...) do not collide with the solver's own names; a value outside
///   1..15 is obtained with static_cast and is handled by every accessor.
/// - Used-type flags are stored as bool: SetConstraint with any non-zero value
///   makes GetConstraint return 1.
///
/// Not thread-safe: the instance is created unsynchronised on first use and
/// is never locked.
class VELA_API VelaAutoConstrainingParameters {
 public:
  /// Number of constraint types; valid VelaACType values are 1..kTypeCount.
  static constexpr int kTypeCount = 15;

  /// Which types may be created. flags[t - 1] belongs to type t.
  struct VELA_API UsedConstraintTypes {
    /// Every type unused.
    UsedConstraintTypes();
    /// Copies the flags.
    UsedConstraintTypes(const UsedConstraintTypes&) = default;
    /// Copies the flags.
    UsedConstraintTypes(UsedConstraintTypes&&) = default;
    /// Copies the flags.
    UsedConstraintTypes& operator=(const UsedConstraintTypes&) = default;
    /// Copies the flags.
    UsedConstraintTypes& operator=(UsedConstraintTypes&&) = default;

    /// Assigns every flag from its "VelaACP<Type>" key: true exactly when the
    /// value is "TRUE", so an unset key clears a flag set before.
    void InitializeWithEnv();

    /// Whether each type may be created; flags[t - 1] belongs to type t.
    bool flags[kTypeCount];
  };

  /// Relative weight of each type. values[t - 1] belongs to type t.
  struct VELA_API ConstraintWeight {
    /// Every weight 1.0.
    ConstraintWeight();
    /// Copies the weights.
    ConstraintWeight(const ConstraintWeight&) = default;
    /// Copies the weights.
    ConstraintWeight(ConstraintWeight&&) = default;
    /// Copies the weights.
    ConstraintWeight& operator=(const ConstraintWeight&) = default;
    /// Copies the weights.
    ConstraintWeight& operator=(ConstraintWeight&&) = default;

    /// The weight of each type; values[t - 1] belongs to type t.
    double values[kTypeCount];
  };

  /// Propagation lengths. lengths[0] is the default length; lengths[t]
  /// belongs to type t (so this table has one more entry than the others).
  struct VELA_API ACPropagationLength {
    /// All sixteen lengths v.
    explicit ACPropagationLength(short v);
    /// Copies the lengths.
    ACPropagationLength(const ACPropagationLength&) = default;
    /// Copies the lengths.
    ACPropagationLength(ACPropagationLength&&) = default;
    /// Copies the lengths.
    ACPropagationLength& operator=(const ACPropagationLength&) = default;
    /// Copies the lengths.
    ACPropagationLength& operator=(ACPropagationLength&&) = default;

    /// Applies "VelaACPDefaultPropag" to the default, then each
    /// "VelaACP<Type>Propag" key in type order. A key whose value is unset or
    /// empty leaves its length unchanged; otherwise the length becomes the
    /// key's atoi value cut to 16 bits.
    void InitializeWithEnv();

    /// The default length (lengths[0]) and the length of each type t
    /// (lengths[t]).
    short lengths[kTypeCount + 1];
  };

  /// Mode off, no type used, weights 1.0, every propagation length 1. The
  /// environment is not read: that is InitializeWithEnv's job.
  VelaAutoConstrainingParameters();
  /// Copies every setting.
  VelaAutoConstrainingParameters(const VelaAutoConstrainingParameters&) = default;
  /// Copies every setting.
  VelaAutoConstrainingParameters(VelaAutoConstrainingParameters&&) = default;
  /// Copies every setting.
  VelaAutoConstrainingParameters& operator=(const VelaAutoConstrainingParameters&) = default;
  /// Copies every setting.
  VelaAutoConstrainingParameters& operator=(VelaAutoConstrainingParameters&&) = default;

  /// Reads the environment: the mode flag from "VelAutoConstraining" (on only
  /// for "TRUE"), then every used-type flag, then the propagation lengths (see
  /// the records' InitializeWithEnv). Flags are always overwritten; lengths
  /// only by keys with a value; weights are untouched.
  void InitializeWithEnv();

  /// 1 when automatic constraint creation is on, else 0.
  unsigned char IsActivated() const { return activated_; }
  /// Turns the mode on (non-zero) or off (0).
  void SetUseAutoContrainingMode(unsigned char iOn) { activated_ = iOn != 0 ? 1 : 0; }

  /// 1 when the type may be created, else 0; 0 for a type outside 1..15.
  unsigned char GetConstraint(VelaACType iType) const;
  /// Marks the type used (non-zero) or unused (0); ignores a type outside 1..15.
  void SetConstraint(VelaACType iType, unsigned char iUsed);

  /// The type's weight; -1.0 for a type outside 1..15.
  double GetWeight(VelaACType iType) const;
  /// Sets the type's weight; ignores a type outside 1..15.
  void SetWeight(VelaACType iType, double iWeight);

  /// The type's propagation length; -1 for a type outside 1..15.
  short GetPropagLength(VelaACType iType) const;
  /// Sets the type's propagation length; ignores a type outside 1..15.
  void SetPropagLength(VelaACType iType, short iLength);
  /// The default propagation length.
  short GetDefaultPropagLength() const { return propagation_.lengths[0]; }
  /// Sets the default propagation length.
  void SetDefaultPropagLength(short iLength) { propagation_.lengths[0] = iLength; }

 private:
  unsigned char activated_;           // 0 or 1
  UsedConstraintTypes used_;
  ConstraintWeight weights_;
  ACPropagationLength propagation_;
};

/// The process's instance. The first call creates it and runs
/// InitializeWithEnv() once; later calls return the same object unchanged, so
/// environment changes made after it are not seen unless the caller runs
/// InitializeWithEnv() again.
VELA_API VelaAutoConstrainingParameters& GetAutoConstrainingParameters();

/// @}

#endif  // VELA_CONFIG_VELAAUTOCONSTRAININGPARAMETERS_H
