// vela_example_config: configure the solver before it reads its
// configuration, then read the values back.
//
// The configuration is read once, on the first GetGlobalParameters() call,
// from the process environment and, under it, the library's custom
// environment (VelaSetEnv). Keys must therefore be in place before that
// first call; afterwards only the Set methods, or an explicit re-read,
// change the values.

#include <cstdlib>
#include <iostream>

#include "vela/VelaUtilities.h"

namespace {

const char* OnOff(unsigned char flag) { return flag ? "on" : "off"; }

void PrintValues(VelaStream& out, VelaGlobalParameters& parameters) {
  out << "precision:         " << parameters.GetPrecision() << velendl;
  out << "pivot search:      " << (parameters.GetREFOrder() == VelaREFOrder_COLUMNS ? "COLUMNS" : "ROWS")
      << velendl;
  out << "replay mode:       " << parameters.GetReplayMode() << velendl;
  out << "scale factor:      " << parameters.GetScaleFactor() << velendl;
  out << "parallel mode:     " << static_cast<int>(parameters.GetParallelMode()) << velendl;
  out << "UseGS, UseGD:      " << OnOff(parameters.IsUseGS()) << ", " << OnOff(parameters.IsUseGD()) << velendl;
  out << "level:             " << parameters.GetVelOpenConfigurationLevel() << velendl;
  out << "next replay file:  " << parameters.GetReplayFullName() << velendl;
}

}  // namespace

int main() {
  VelaStream out(&std::cout);

  // [guide:config-keys]
  setenv("VelaPrecision", "6", 1);        // the process environment
  setenv("VelaScaleFactor", "2", 1);
  VelaSetEnv("VelaScaleFactor", "5");     // ignored: the process environment wins
  VelaSetEnv("VelaREFOrder", "COLUMNS");  // the custom environment
  VelaSetEnv("VelaReplayMode", "3");
  VelaSetEnv("VelaReplayPrefix", "bracket_");
  VelaSetEnv("VelaParallelMode", "9");    // out of range (below 8): ignored
  VelaSetEnv("VelaUseGS", "false");       // switches take TRUE or FALSE only: stays on
  VelaSetEnv("VelaUseGD", "FALSE");

  VelaGlobalParameters& parameters = GetGlobalParameters();  // reads the keys now
  // [guide:config-keys]

  out << "-- custom environment" << velendl;
  VelaPrintEnv(out);
  out << "-- values read" << velendl;
  PrintValues(out, parameters);

  // [guide:config-save]
  parameters.Save();
  parameters.SetPrecision(2);
  parameters.SetReplayMode(0);
  const int changed = parameters.GetPrecision();
  parameters.Restore();  // back to the saved values
  // [guide:config-save]
  out << "-- Save, Set, Restore" << velendl;
  out << "precision while changed: " << changed << ", after Restore: " << parameters.GetPrecision() << velendl;

  // A key added later is seen only when the environment is read again.
  // [guide:config-reread]
  VelaSetEnv("VelaLevel", "500");
  parameters.Initialize();     // the built-in defaults
  parameters.InitializeEnv();  // then the environment, custom entries included
  // [guide:config-reread]
  out << "-- read again" << velendl;
  out << "level: " << parameters.GetVelOpenConfigurationLevel() << velendl;

  VelaFlushEnv();  // frees the custom entries
  return 0;
}
