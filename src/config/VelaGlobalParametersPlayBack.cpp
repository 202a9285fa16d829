// VelaGlobalParameters: access to the playback hook.
#include "vela/config/VelaGlobalParameters.h"
#include "vela/operator/VelaUnderPlayBack.h"

VelaUnderPlayBack* VelaGlobalParameters::IsUnderPlayBack() {
  return VelaUnderPlayBack::GetSingleton(0);
}
