// The step-length rule of the interior-point method: the largest fraction of
// a direction that keeps an iterate non-negative.
#include "vela/optim/VelaOptimUtilities.h"

void VelaOptimUtilities::computeMaxStep(const VelaVector& iV, const VelaVector& iDv, double& ioAlpha) {
  // Entries that do not decrease (or decrease by less than 1e-15) never
  // block: dividing by such a tiny component would give a meaningless ratio.
  const int n = iV.GetSize() < iDv.GetSize() ? iV.GetSize() : iDv.GetSize();
  for (int i = 0; i < n; ++i) {
    if (iDv[i] < -1e-15) {
      const double t = -iV[i] / iDv[i];
      if (ioAlpha > t) ioAlpha = t;
    }
  }
}
