// The values that break naive numerical code, and a driver that puts each
// of them in each numerical input of an entry point in turn.
#ifndef VELA_TESTS_SUPPORT_BADNUMBERS_H
#define VELA_TESTS_SUPPORT_BADNUMBERS_H

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "vela/linalg/VelaMatrix.h"

namespace vela::test {

using In = std::vector<double>;
using Lim = std::numeric_limits<double>;
// NaN, infinities, signed zeros, the smallest denormal, the largest magnitude.
inline const double kBad[8] = {Lim::quiet_NaN(), Lim::infinity(), -Lim::infinity(), 0.0,
                               -0.0,             Lim::denorm_min(), Lim::max(),     -Lim::max()};

// An entry point: its inputs as one list of numbers, and the check of its
// outcome on such a list.
struct EntryPoint {
  const char* name;
  In base;
  std::function<void(const In&)> check;
};

// Runs e.check with every bad value in every slot of e.base.
inline void Sweep(const EntryPoint& e) {
  for (size_t slot = 0; slot < e.base.size(); ++slot)
    for (double bad : kBad) {
      In in = e.base;
      in[slot] = bad;
      SCOPED_TRACE(std::string(e.name) + ": slot " + std::to_string(slot) + " = " + std::to_string(bad));
      e.check(in);
    }
}

inline bool Finite(const double* p, size_t n) { return std::all_of(p, p + n, [](double x) { return std::isfinite(x); }); }
inline bool NoNaN(const double* p, size_t n) { return std::none_of(p, p + n, [](double x) { return std::isnan(x); }); }
// Every |p[k]| below 1e150, so that squares stay finite.
inline bool Moderate(const double* p, size_t n) {
  return std::all_of(p, p + n, [](double x) { return std::fabs(x) < 1e150; });
}
inline bool Finite(const VelaMatrix& m) { return Finite(m.GetBuffer(), m.GetSize()); }
inline bool NoNaN(const VelaMatrix& m) { return NoNaN(m.GetBuffer(), m.GetSize()); }
// Equal as IEEE results: the same value and sign, or both NaN.
inline bool Same(double a, double b) { return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b)); }
// The parts one after the other: one input list for several operands.
inline In Cat(std::initializer_list<In> parts) {
  In all;
  for (const In& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}
inline bool InRangeOrNaN(double x, double lo, double hi) { return std::isnan(x) || (lo <= x && x <= hi); }

}  // namespace vela::test

#endif  // VELA_TESTS_SUPPORT_BADNUMBERS_H
