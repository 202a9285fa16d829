/// \file
/// \ingroup foundation
/// Environment lookup with a process-local layer of custom variables.
///
/// The solver reads its configuration from environment variables. Beside the
/// process environment the library keeps a table of custom variables that a
/// host can set without touching the process environment; the process
/// environment always wins. The table lists its entries newest first and is
/// freed by VelaFlushEnv.
///
/// Not thread-safe: the custom table is process-wide and unlocked.
#ifndef VELA_FOUNDATION_VELAENVIRONMENT_H
#define VELA_FOUNDATION_VELAENVIRONMENT_H

#include "vela/foundation/VelaExport.h"
#include "vela/foundation/VelaString.h"

/// \addtogroup foundation
/// @{

class VelaStream;

/// The process environment's value of `name` when it has one (possibly
/// empty); otherwise the newest custom entry's value; otherwise "".
VELA_API VelaString VelaGetEnv(const VelaString& name);
/// atof of VelaGetEnv(name); 0.0 when that is empty. A number beyond the
/// double range reads as an infinity of its sign.
VELA_API double VelaGetEnvF(const VelaString& name);
/// atoi of VelaGetEnv(name): leading white space, an optional sign, decimal
/// digits up to the first other character; 0 when that is empty or holds no
/// number. A number beyond the range of int (32 bits, as on the solver's
/// original platform) reads as the nearest limit, 2147483647 or -2147483648,
/// the way that platform's atoi answered, where standard C leaves atoi
/// undefined.
VELA_API int VelaGetEnvI(const VelaString& name);

/// Sets a custom variable: replaces the value of an entry of that name or
/// adds a new entry at the head of the table. Does nothing when name or value
/// is empty or when the process environment has `name`. The process
/// environment itself is never changed.
VELA_API void VelaSetEnv(const VelaString& name, const VelaString& value);
/// Removes the custom entry of that name; an unknown name is ignored.
VELA_API void VelaUnsetEnv(const VelaString& name);
/// Removes and frees every custom entry.
VELA_API void VelaFlushEnv();

/// Lists the custom entries, newest first:
///   "Used custom environment:" / " name = value" per entry / an empty line.
/// Writes nothing when there are none.
VELA_API void VelaPrintEnv(VelaStream& s);
/// The environment section of a replay file:
///   "#!ENVIRONMENT" / "" / "name=value;" per entry / "".
/// Writes nothing when there are no custom entries.
VELA_API void VelaPrintEnvSection(VelaStream& s);

/// @}

#endif  // VELA_FOUNDATION_VELAENVIRONMENT_H
