// The test playback plug-in (libVelaUnderPlayBack.so): loading it constructs
// the hook below, which registers itself and writes "load" on standard error.
#include <cstdio>

#include "vela/operator/VelaUnderPlayBack.h"

namespace {

struct Hook final : VelaUnderPlayBack {
  Hook() { std::fputs("load\n", stderr); }
  unsigned char IsActive() override { return 1; }
  void Capture(int, VelaOperator*, VelaStream*) override {}
  unsigned char Open(const VelaString&) override { return 1; }
  void Close() override {}
} theHook;  // constructed while the plug-in is loaded: the registration

}  // namespace
