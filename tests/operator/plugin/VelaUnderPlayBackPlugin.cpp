// The test playback plug-in (libVelaUnderPlayBack.so): loading it constructs
// the hook below, which registers itself, and appends "load" to the file
// VELA_TEST_PLAYBACK_LOG names.
#include <cstdlib>
#include <fstream>

#include "vela/operator/VelaUnderPlayBack.h"

namespace {

struct Hook final : VelaUnderPlayBack {
  Hook() {
    if (const char* path = std::getenv("VELA_TEST_PLAYBACK_LOG")) std::ofstream(path, std::ios::app) << "load\n";
  }
  unsigned char IsActive() override { return 1; }
  void Capture(int, VelaOperator*, VelaStream*) override {}
  unsigned char Open(const VelaString&) override { return 1; }
  void Close() override {}
} theHook;  // constructed while the plug-in is loaded: the registration

}  // namespace
