#include "vela/operator/VelaUnderPlayBack.h"

#include <cstdlib>

#include "platform/PlatformLibrary.h"
#include "vela/config/VelaGlobalParameters.h"

namespace {

constexpr const char* kLibraryName = "VelaUnderPlayBack";
constexpr const char* kEnvironmentKey = "PlayBack_zip";

}  // namespace

VelaUnderPlayBack* VelaUnderPlayBack::_Singleton = nullptr;
unsigned char VelaUnderPlayBack::_DynamicLoadingHasBeenTried = 0;
unsigned char VelaUnderPlayBack::_EnvironmentHasBeenChecked = 0;

VelaUnderPlayBack::VelaUnderPlayBack() {
  if (_Singleton == nullptr) _Singleton = this;
}

VelaUnderPlayBack::VelaUnderPlayBack(const VelaUnderPlayBack&) {
  if (_Singleton == nullptr) _Singleton = this;
}

VelaUnderPlayBack& VelaUnderPlayBack::operator=(const VelaUnderPlayBack&) { return *this; }

VelaUnderPlayBack::~VelaUnderPlayBack() {
  if (_Singleton == this) _Singleton = nullptr;
}

VelaUnderPlayBack* VelaUnderPlayBack::GetSingleton(unsigned char force) {
  if (_Singleton != nullptr) return _Singleton;
  if (!force || _DynamicLoadingHasBeenTried) {
    if (_EnvironmentHasBeenChecked) return _Singleton;
    _EnvironmentHasBeenChecked = 1;
    if (std::getenv(kEnvironmentKey) == nullptr) return nullptr;
  }
  _DynamicLoadingHasBeenTried = 1;
  if (!vela::platform::LoadSharedLibrary(kLibraryName)) {
    if (VelaStream* trace = GetGlobalParameters().GetTraceStream()) {
      *trace << "<** VelaUnderPlayBack" << velendl;
    }
  }
  // Set when the library constructed its hook while it was being loaded.
  return _Singleton;
}
