// Reference counting and the default answers of the external objects.
#include "vela/external/VelaExternalObject.h"

#include <cstdio>
#include <initializer_list>

namespace {

// The misuse reports go straight to the process's standard output: the host
// sees them even when the library's trace stream is switched off.
void Report(const char* message) {
  std::fputs(message, stdout);
  std::fflush(stdout);
}

}  // namespace

void VelaExternalObject::Release() {
  if (refCount_ < 1) Report("Negative ref counter in VelaExternalObject. Is there a leak ?\n");
  const int before = refCount_--;
  // Only the holder that brings the count from 1 to 0 destroys; a misused
  // count (already 0 or negative) never reaches this again, so the object
  // cannot be destroyed twice through Release.
  if (before == 1) delete this;
}

VelaExternalObject::~VelaExternalObject() {
  if (refCount_ != 0) Report("You cannot delete an external object, please use 'Release'.\n");
}

double VelaExternalShape::GetShapePrecision() { return 0.0; }

void VelaExternalShape::GetBoundingSphere(double& a, double& b, double& c, double& d) {
  a = 1.0;
  b = 0.0;
  c = 0.0;
  d = 0.0;
}

VelaExternalShape::~VelaExternalShape() = default;

unsigned char VelaExternalCollisionDetection::GetArealCollision(int /*index*/, double& r1,
                                                                double& r2, double& r3, double& r4,
                                                                double& r5, double& r6, double& r7,
                                                                double& r8, double& r9,
                                                                double& r10, double& r11,
                                                                double& r12) {
  for (double* r : {&r1, &r2, &r3, &r4, &r5, &r6, &r7, &r8, &r9, &r10, &r11, &r12}) *r = 0.0;
  return 0;
}

void VelaExternalCollisionDetection::GetWarning(int /*index*/, int& /*i1*/, int& /*i2*/,
                                                int& /*i3*/, int& /*i4*/, double& /*d1*/,
                                                double& /*d2*/, double& /*d3*/, double& /*d4*/,
                                                double& /*d5*/, double& /*d6*/, double& /*d7*/) {}

VelaExternalCollisionDetection::~VelaExternalCollisionDetection() = default;
