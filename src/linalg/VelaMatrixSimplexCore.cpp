// Simplex maximisation of c.x over A x = b, x >= 0 (A: m x n, m <= n) by a
// revised simplex method with an explicit basis inverse, and its phase one.
//
// Start. The elimination runs on a sparse copy S of A and a copy b' of b.
// The variables that are non-zero in the start point become the first
// basic columns, each eliminated below the diagonal with the row of largest
// magnitude as pivot (partial pivoting, first maximum, above the
// tolerance); the basis is then completed row by row from the largest entry
// of the row (full columns exchanged); a row without an entry above the
// tolerance is redundant and moved below the last kept row:
//
//     | 1 * * | * * * |   rows 0 .. m'-1: unit upper triangular basis U
//     | 0 1 * | * * * |
//     | 0 0 1 | * * * |
//     |-------+-------|
//     | 0 0 0 | ~ ~ ~ |   redundant rows (entries not above the tolerance),
//                         ignored from then on
//
// Binv = U⁻¹ by back substitution, then S is transposed: row j of S is the
// transformed column of the variable at position j (positions 0 .. m'-1 are
// basic), and Binv (S row j) is that variable's column in the simplex
// tableau. The iterations read the non-zero entries of those rows from a
// compressed copy kept by variable, so that a row moves with its variable
// when two positions trade places, without being copied.
//
// Iteration: the entering position is the first one with the largest
// reduced cost d(j) = cP(j) - sum over k of (Binv row k . S row j) cP(k)
// strictly above the tolerance; the leaving row is the first with the
// smallest ratio (Binv row k . b') / w(k) among the rows with w(k) =
// Binv row k . S row e above the tolerance; xB is moved by that step (a
// step that rounding makes negative counts as 0, values that it makes
// negative become 0.0), and Binv gets the
// elementary row operations of the pivot on w. The loop stops at
// optimality, at an unbounded column, or as soon as the objective reaches
// the target.
//
// Exactness. Every dot product is summed in increasing index order from
// 0.0, so skipping its zero terms changes no bit: a sum that starts at +0.0
// is never -0.0, and adding ±0.0 to it changes nothing (for finite terms;
// non-finite input is refused). The products Binv v run over the columns
// of Binv (stored transposed, so that each column is contiguous) and the
// back substitution over the rows of U, so that many independent sums
// advance together and vectorise without reordering any of them.
//
// Pricing. Evaluating every reduced cost in the order above costs m'² per
// column. Instead every column first gets an estimate through the dual
// vector y = cBᵀ Binv together with a bound on the rounding of both ways
// of summing (below); only the columns whose interval can still hold the
// largest value above the tolerance are evaluated exactly, in position
// order. The exact evaluation decides, so the entering variable is
// bit-for-bit the one the full evaluation would choose; usually one column
// is evaluated, and its tableau column is the one the ratio test needs.
//
// Cycling. The largest-reduced-cost rule can cycle on degenerate problems.
// The whole order of the variables (which fixes every later choice) is
// hashed after each pivot; when an order comes back, the rule has cycled
// and from then on the entering variable is the one of smallest index with
// a reduced cost above the tolerance, and the leaving row the one of
// smallest ratio whose basic variable has the smallest index (ratio
// numerators within their rounding bound of 0 count as 0, so that
// degenerate rows tie as they should). That rule cannot cycle; should
// rounding still bring a basis back under it, the call fails instead of
// looping.
//
// Phase one. Artificial variables a >= 0 turn A x = b into [A | D] (x, a) =
// b with D(i, i) the sign of b(i), feasible at (0, |b|); maximising -sum(a)
// from there ends with every a at 0.0 exactly when a feasible basis of A
// was reached (see the header for the retry on independent rows).
#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <unordered_set>
#include <vector>

#include "vela/foundation/VelaConstants.h"
#include "linalg/SimplexCore.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/linalg/VelaSparseMatrix.h"

namespace {

// The phase one's pivot and reduced-cost tolerance.
constexpr double kPhaseOneTol = 1e-10;
// A start point is feasible when every row holds to this fraction of the
// magnitudes it sums (|b(i)| + sum of |A(i, j) x(j)|).
constexpr double kFeasibleRelTol = 1e-9;

std::size_t Idx(int i) { return static_cast<std::size_t>(i); }

bool AllFinite(const double* v, int n) {
  for (int i = 0; i < n; ++i)
    if (!std::isfinite(v[i])) return false;
  return true;
}

bool IsFeasibleStart(const VelaMatrix& iA, const double* iX, const double* iB) {
  const int m = iA.GetNbOfRow(), n = iA.GetNbOfCol();
  for (int j = 0; j < n; ++j)
    if (iX[j] < 0.0) return false;
  for (int i = 0; i < m; ++i) {
    const double* row = iA.GetRow(i);
    double sum = 0.0, scale = std::fabs(iB[i]);
    for (int j = 0; j < n; ++j) {
      const double p = row[j] * iX[j];
      sum += p;
      scale += std::fabs(p);
    }
    if (!(std::fabs(sum - iB[i]) <= kFeasibleRelTol * scale)) return false;
  }
  return true;
}

// The positions 0 .. count-1 themselves, or a list of them.
struct Contiguous {
  int operator[](int p) const { return p; }
};

// sum over p of a[p] * b[at[p]] and of |a[p] * c[at[p]]|, in four partial
// sums each: the order serves only estimates.
template <class Positions>
void EstimateDots(int count, const double* a, Positions at, const double* b, const double* c, double& oSum,
                  double& oAbs) {
  double s[4] = {0.0, 0.0, 0.0, 0.0}, t[4] = {0.0, 0.0, 0.0, 0.0};
  int p = 0;
  for (; p + 4 <= count; p += 4)
    for (int q = 0; q < 4; ++q) {
      s[q] += a[p + q] * b[at[p + q]];
      t[q] += std::fabs(a[p + q] * c[at[p + q]]);
    }
  for (; p < count; ++p) {
    s[0] += a[p] * b[at[p]];
    t[0] += std::fabs(a[p] * c[at[p]]);
  }
  oSum = (s[0] + s[1]) + (s[2] + s[3]);
  oAbs = (t[0] + t[1]) + (t[2] + t[3]);
}

std::uint64_t Mix(std::uint64_t v) {
  v += 0x9E3779B97F4A7C15ULL;
  v = (v ^ (v >> 30)) * 0xBF58476D1CE4E5B9ULL;
  v = (v ^ (v >> 27)) * 0x94D049BB133111EBULL;
  return v ^ (v >> 31);
}
// Hash terms of "variable v at position p" and "variable v is basic".
std::uint64_t OrderKey(int p, int v) {
  return Mix((static_cast<std::uint64_t>(p) << 32) | static_cast<std::uint32_t>(v));
}
std::uint64_t BasisKey(int v) { return Mix(0xFFFFFFFF00000000ULL | static_cast<std::uint32_t>(v)); }

class Simplex {
 public:
  Simplex(const VelaMatrix& iA, const double* iB, double iTol);
  // Basis from the start point: false when it has more non-zero entries
  // than rows or their columns are dependent.
  bool BuildBasis(const double* iX);
  // The rows of A kept as independent, in their original order.
  std::vector<int> KeptRows() const;
  // Binv and the iteration data, after BuildBasis.
  void Prepare(const double* iX, const double* iC);
  // Iterates to optimality or the target; false when unbounded (or when
  // rounding makes even the anti-cycling rule revisit a basis).
  bool Iterate(double iTarget);
  void Solution(double* oX) const;

  int iterations = 0;
  int blandIterations = 0;

 private:
  // Elimination (S is m x n).
  int PivotRowInColumn(int k) const;
  int PivotColumnInRow(int k) const;
  void MoveColumn(int from, int to);
  void EliminateBelow(int k);
  void DropRow(int k);
  void InvertBasis();
  // Iteration (S is n x m).
  void CompressRows();
  const double* InverseColumn(int i) const { return binvT_.data() + Idx(i) * Idx(mr_); }
  void ApplyInverse(const double* v, double* oW) const;
  void ApplyInverseToRow(int j, double* oW) const;
  double ExactReducedCost(int j, double* oW) const;
  void EstimateReducedCosts();
  bool MayEnter(int j) const;
  int EnterLargest();
  int EnterSmallestIndex();
  int LeaveFirstMinimum(double& oStep);
  int LeaveSmallestIndex(double& oStep);
  void Pivot(int l, int e, double step);
  double Objective() const;

  int m_, n_, mr_;
  double tol_;
  VelaSparseMatrix s_;
  std::vector<int> perm_;
  std::vector<int> rowOrigin_;  // the row of A at each row of S
  std::vector<double> bp_;      // b', transformed with the rows of S
  std::vector<double> binvT_;   // Binv transposed: binvT_[i * m' + k] = Binv(k, i)
  std::vector<double> xB_, cP_;
  // The non-zero entries i < m' of the rows of S, by variable (a row
  // follows its variable from position to position): variable v has
  // rowIndex_ / rowValue_ [rowStart_[v], rowStart_[v + 1]), i increasing.
  std::vector<int> rowStart_, rowIndex_;
  std::vector<double> rowValue_;
  std::vector<double> w_, wTry_, num_, y_, z_, upper_, lower_;
  std::vector<int> order_, costed_;
  std::uint64_t orderHash_ = 0, basisHash_ = 0;
};

Simplex::Simplex(const VelaMatrix& iA, const double* iB, double iTol)
    : m_(iA.GetNbOfRow()),
      n_(iA.GetNbOfCol()),
      mr_(iA.GetNbOfRow()),
      tol_(iTol),
      s_(iA.GetNbOfRow(), iA.GetNbOfCol(), iA.GetBuffer()),
      perm_(Idx(n_)),
      rowOrigin_(Idx(m_)),
      bp_(iB, iB + m_) {
  for (int j = 0; j < n_; ++j) perm_[Idx(j)] = j;
  for (int i = 0; i < m_; ++i) rowOrigin_[Idx(i)] = i;
}

// Row i >= k of largest |S(i, k)| above the tolerance (first maximum), or -1.
int Simplex::PivotRowInColumn(int k) const {
  int best = -1;
  double size = tol_;
  for (int i = k; i < mr_; ++i) {
    const double a = std::fabs(s_(i, k));
    if (a > size) size = a, best = i;
  }
  return best;
}

// Column j >= k of largest |S(k, j)| above the tolerance (first maximum), or -1.
int Simplex::PivotColumnInRow(int k) const {
  const double* row = s_.GetRow(k);
  int best = -1;
  double size = tol_;
  for (int j = k; j < n_; ++j) {
    const double a = std::fabs(row[j]);
    if (a > size) size = a, best = j;
  }
  return best;
}

void Simplex::MoveColumn(int from, int to) {
  if (from == to) return;
  s_.SwapCols(from, to);
  std::swap(perm_[Idx(from)], perm_[Idx(to)]);
}

// Row k is scaled to a unit pivot (set exactly) and subtracted from the rows
// below that have an entry in column k.
void Simplex::EliminateBelow(int k) {
  const double inv = 1.0 / s_(k, k);
  s_(k, k) = 1.0;
  s_.MultRow(k, inv, k + 1);
  bp_[Idx(k)] = bp_[Idx(k)] * inv;
  for (int r = k + 1; r < mr_; ++r) {
    if (!s_.IsNonZero(r, k)) continue;
    const double f = s_(r, k);
    if (f == 0.0) continue;
    s_(r, k) = 0.0;
    s_.SetToZero(r, k);
    s_.SubtractRowByFactor(r, k, k, f);
    bp_[Idx(r)] = bp_[Idx(r)] - f * bp_[Idx(k)];
  }
}

// Row k has nothing above the tolerance left: it trades places with the
// last kept row and is dropped with its b'.
void Simplex::DropRow(int k) {
  const int last = mr_ - 1;
  if (k != last) s_.SwapRows(k, last, k);
  bp_[Idx(k)] = bp_[Idx(last)];
  std::swap(rowOrigin_[Idx(k)], rowOrigin_[Idx(last)]);
  mr_ = last;
}

// Binv = U⁻¹ by back substitution: x(i, c) = (δ(i, c) - sum over j = i+1
// .. c of U(i, j) x(j, c)) / U(i, i), and x(i, c) = 0 for i > c. Rows are
// computed from the last one up; within a row the sums of all columns
// advance together, each over j in increasing order (a zero U(i, j) adds
// nothing and is skipped). O(m'³ / 6).
void Simplex::InvertBasis() {
  const std::size_t mr = Idx(mr_);
  std::vector<double> x(mr * mr, 0.0), sum(mr);
  for (int i = mr_ - 1; i >= 0; --i) {
    const double* u = s_.GetRow(i);
    std::fill(sum.begin() + i, sum.end(), 0.0);
    for (int j = i + 1; j < mr_; ++j) {
      const double uij = u[j];
      if (uij == 0.0) continue;
      const double* xj = x.data() + Idx(j) * mr;
      for (int c = j; c < mr_; ++c) sum[Idx(c)] += uij * xj[c];
    }
    double* xi = x.data() + Idx(i) * mr;
    for (int c = i; c < mr_; ++c) xi[c] = ((c == i ? 1.0 : 0.0) - sum[Idx(c)]) / u[i];
  }
  binvT_.resize(mr * mr);
  for (std::size_t i = 0; i < mr; ++i)
    for (std::size_t c = 0; c < mr; ++c) binvT_[c * mr + i] = x[i * mr + c];
}

bool Simplex::BuildBasis(const double* iX) {
  int k = 0;
  for (int j = 0; j < n_; ++j) {
    if (iX[perm_[Idx(j)]] == 0.0) continue;
    if (k == m_) return false;
    MoveColumn(j, k);
    const int p = PivotRowInColumn(k);
    if (p < 0) return false;
    if (p != k) {
      s_.SwapRows(k, p, k);
      std::swap(bp_[Idx(k)], bp_[Idx(p)]);
      std::swap(rowOrigin_[Idx(k)], rowOrigin_[Idx(p)]);
    }
    EliminateBelow(k);
    ++k;
  }
  while (k < mr_) {
    const int c = PivotColumnInRow(k);
    if (c < 0) {
      DropRow(k);
      continue;
    }
    MoveColumn(c, k);
    EliminateBelow(k);
    ++k;
  }
  return true;
}

std::vector<int> Simplex::KeptRows() const {
  std::vector<int> rows(rowOrigin_.begin(), rowOrigin_.begin() + mr_);
  std::sort(rows.begin(), rows.end());
  return rows;
}

void Simplex::Prepare(const double* iX, const double* iC) {
  InvertBasis();
  xB_.assign(Idx(n_), 0.0);
  cP_.resize(Idx(n_));
  for (int j = 0; j < n_; ++j) {
    if (j < mr_) xB_[Idx(j)] = iX[perm_[Idx(j)]];
    cP_[Idx(j)] = iC[perm_[Idx(j)]];
    orderHash_ += OrderKey(j, perm_[Idx(j)]);
    if (j < mr_) basisHash_ += BasisKey(perm_[Idx(j)]);
  }
  s_.Transpose();
  s_.Init();
  CompressRows();
  for (std::vector<double>* v : {&w_, &wTry_, &num_, &y_, &z_}) v->resize(Idx(mr_));
  upper_.resize(Idx(n_));
  lower_.resize(Idx(n_));
}

void Simplex::CompressRows() {
  rowStart_.assign(Idx(n_) + 1, 0);
  rowIndex_.clear();
  rowValue_.clear();
  std::vector<int> rowOf(Idx(n_));
  for (int j = 0; j < n_; ++j) rowOf[Idx(perm_[Idx(j)])] = j;
  for (int v = 0; v < n_; ++v) {
    const double* row = s_.GetRow(rowOf[Idx(v)]);
    for (int i = 0; i < mr_; ++i)
      if (row[i] != 0.0) rowIndex_.push_back(i), rowValue_.push_back(row[i]);
    rowStart_[Idx(v) + 1] = static_cast<int>(rowIndex_.size());
  }
}

// oW = Binv v over the kept rows, each oW(k) summed over i in increasing
// order; zero entries of v add nothing and are skipped.
void Simplex::ApplyInverse(const double* v, double* oW) const {
  std::fill(oW, oW + mr_, 0.0);
  for (int i = 0; i < mr_; ++i) {
    const double vi = v[i];
    if (vi == 0.0) continue;
    const double* col = InverseColumn(i);
    for (int k = 0; k < mr_; ++k) oW[k] += col[k] * vi;
  }
}

// ApplyInverse on S row j, from its non-zero entries.
void Simplex::ApplyInverseToRow(int j, double* oW) const {
  std::fill(oW, oW + mr_, 0.0);
  const int v = perm_[Idx(j)];
  for (int p = rowStart_[Idx(v)]; p < rowStart_[Idx(v) + 1]; ++p) {
    const double sij = rowValue_[Idx(p)];
    const double* col = InverseColumn(rowIndex_[Idx(p)]);
    for (int k = 0; k < mr_; ++k) oW[k] += col[k] * sij;
  }
}

// d(j) in the stated order; oW receives the tableau column Binv (S row j).
double Simplex::ExactReducedCost(int j, double* oW) const {
  ApplyInverseToRow(j, oW);
  double sum = 0.0;
  for (int k = 0; k < mr_; ++k) sum += oW[k] * cP_[Idx(k)];
  return cP_[Idx(j)] - sum;
}

// For each non-basic position j an interval [lower_, upper_] that holds the
// exactly ordered d(j): the estimate cP(j) - y . (S row j) plus or minus a
// bound on the rounding of both summations. Each of the two differs from
// the true value by at most gamma(2m'+2) M(j), M(j) = |cP(j)| + sum over i
// of z(i) |S(j, i)| with z(i) = sum over k of |cP(k) Binv(k, i)|, so they
// differ from each other by at most twice that; the half-width below is
// four times more again, plus an allowance for underflow.
void Simplex::EstimateReducedCosts() {
  // y and z over the basic positions with a cost, all of them or a list.
  costed_.clear();
  for (int k = 0; k < mr_; ++k)
    if (cP_[Idx(k)] != 0.0) costed_.push_back(k);
  const int count = static_cast<int>(costed_.size());
  for (int k = 0; k < count; ++k) wTry_[Idx(k)] = cP_[Idx(costed_[Idx(k)])];
  for (int i = 0; i < mr_; ++i) {
    const double* col = InverseColumn(i);
    if (count == mr_)
      EstimateDots(count, wTry_.data(), Contiguous(), col, col, y_[Idx(i)], z_[Idx(i)]);
    else
      EstimateDots(count, wTry_.data(), costed_.data(), col, col, y_[Idx(i)], z_[Idx(i)]);
  }
  const double rel = (8.0 * mr_ + 16.0) * DBL_EPSILON;
  const double abs = (4.0 * mr_ * mr_ + 16.0) * std::numeric_limits<double>::denorm_min();
  for (int j = mr_; j < n_; ++j) {
    const int v = perm_[Idx(j)], first = rowStart_[Idx(v)];
    double s = 0.0, a = 0.0;
    EstimateDots(rowStart_[Idx(v) + 1] - first, rowValue_.data() + first, rowIndex_.data() + first, y_.data(),
                 z_.data(), s, a);
    const double estimate = cP_[Idx(j)] - s;
    const double bound = rel * (std::fabs(cP_[Idx(j)]) + a) + abs;
    upper_[Idx(j)] = estimate + bound;
    lower_[Idx(j)] = estimate - bound;
  }
}

// Whether position j may have d(j) above the tolerance (true on NaN).
bool Simplex::MayEnter(int j) const { return !(upper_[Idx(j)] <= tol_); }

int Simplex::EnterLargest() {
  EstimateReducedCosts();
  double floor = -std::numeric_limits<double>::infinity();
  for (int j = mr_; j < n_; ++j) floor = std::max(floor, lower_[Idx(j)]);
  int best = -1;
  double bestD = tol_;
  for (int j = mr_; j < n_; ++j) {
    if (!MayEnter(j) || upper_[Idx(j)] < floor) continue;
    const double d = ExactReducedCost(j, wTry_.data());
    if (d > bestD) {
      bestD = d;
      best = j;
      w_.swap(wTry_);
    }
  }
  return best;
}

int Simplex::EnterSmallestIndex() {
  EstimateReducedCosts();
  order_.clear();
  for (int j = mr_; j < n_; ++j)
    if (MayEnter(j)) order_.push_back(j);
  std::sort(order_.begin(), order_.end(), [this](int a, int b) { return perm_[Idx(a)] < perm_[Idx(b)]; });
  for (int j : order_)
    if (ExactReducedCost(j, w_.data()) > tol_) return j;
  return -1;
}

int Simplex::LeaveFirstMinimum(double& oStep) {
  ApplyInverse(bp_.data(), num_.data());
  int l = -1;
  double tMin = VeladoubleMax;
  for (int k = 0; k < mr_; ++k) {
    if (!(w_[Idx(k)] > tol_)) continue;
    const double t = num_[Idx(k)] / w_[Idx(k)];
    if (t < tMin) tMin = t, l = k;
  }
  oStep = tMin;
  return l;
}

int Simplex::LeaveSmallestIndex(double& oStep) {
  ApplyInverse(bp_.data(), num_.data());
  // z_ receives each numerator's rounding bound: gamma(m') sum of |Binv(k, i) b'(i)|.
  std::fill(z_.begin(), z_.end(), 0.0);
  for (int i = 0; i < mr_; ++i) {
    const double* col = InverseColumn(i);
    for (int k = 0; k < mr_; ++k) z_[Idx(k)] += std::fabs(col[k] * bp_[Idx(i)]);
  }
  const double rel = (4.0 * mr_ + 8.0) * DBL_EPSILON;
  int l = -1;
  double tMin = VeladoubleMax;
  for (int k = 0; k < mr_; ++k) {
    if (!(w_[Idx(k)] > tol_)) continue;
    const double n = std::fabs(num_[Idx(k)]) <= rel * z_[Idx(k)] ? 0.0 : num_[Idx(k)];
    const double t = n / w_[Idx(k)];
    if (t < tMin || (t == tMin && l >= 0 && perm_[Idx(k)] < perm_[Idx(l)])) tMin = t, l = k;
  }
  oStep = tMin;
  return l;
}

// Row l leaves, position e enters with the tableau column w_. A step that
// rounding made negative is a degenerate one.
void Simplex::Pivot(int l, int e, double step) {
  const double t = step < 0.0 ? 0.0 : step;
  for (int k = 0; k < mr_; ++k) {
    const double v = xB_[Idx(k)] - t * w_[Idx(k)];
    xB_[Idx(k)] = v < 0.0 ? 0.0 : v;
  }
  xB_[Idx(l)] = t;
  const int vl = perm_[Idx(l)], ve = perm_[Idx(e)];
  orderHash_ += OrderKey(l, ve) + OrderKey(e, vl) - OrderKey(l, vl) - OrderKey(e, ve);
  basisHash_ += BasisKey(ve) - BasisKey(vl);
  std::swap(cP_[Idx(l)], cP_[Idx(e)]);
  std::swap(perm_[Idx(l)], perm_[Idx(e)]);  // the rows of S follow (rowStart_)
  // Binv row r -= (w(r) / w(l)) Binv row l for r != l, then Binv row l /= w(l).
  const double wl = w_[Idx(l)];
  for (int k = 0; k < mr_; ++k) wTry_[Idx(k)] = w_[Idx(k)] / wl;
  for (int i = 0; i < mr_; ++i) {
    double* col = binvT_.data() + Idx(i) * Idx(mr_);
    const double g = col[l];
    if (g == 0.0) continue;  // nothing to subtract, and 0 / w(l) is 0
    for (int k = 0; k < mr_; ++k) col[k] = col[k] - wTry_[Idx(k)] * g;
    col[l] = g / wl;
  }
}

// xB . cP; the non-basic positions hold 0.0 and add nothing.
double Simplex::Objective() const {
  double sum = 0.0;
  for (int k = 0; k < mr_; ++k) sum += xB_[Idx(k)] * cP_[Idx(k)];
  return sum;
}

bool Simplex::Iterate(double iTarget) {
  bool bland = false;
  std::unordered_set<std::uint64_t> seen{orderHash_};
  for (;;) {
    const int e = bland ? EnterSmallestIndex() : EnterLargest();
    if (e < 0) return true;
    double step = 0.0;
    const int l = bland ? LeaveSmallestIndex(step) : LeaveFirstMinimum(step);
    if (l < 0) return false;
    Pivot(l, e, step);
    ++iterations;
    if (bland) ++blandIterations;
    if (Objective() >= iTarget) return true;
    if (bland) {
      if (!seen.insert(basisHash_).second) return false;
    } else if (!seen.insert(orderHash_).second) {
      bland = true;
      seen = {basisHash_};
    }
  }
}

void Simplex::Solution(double* oX) const {
  for (int j = 0; j < n_; ++j) oX[perm_[Idx(j)]] = xB_[Idx(j)];
}

void Report(int* oCount, int value) {
  if (oCount) *oCount = value;
}

// Phase one on the rows `rows` of A (r of them): maximise minus the sum of
// the artificial variables, -sum of x(n + i), over [A_rows | D], D(i, i) =
// the sign of b(i), from the point (0, |b_rows|), with target iTarget and
// tolerance kPhaseOneTol. Rows whose b is 0 get a zero artificial column.
// Success when every artificial value ends at exactly 0.0 and the first n
// entries, which oX receives, satisfy every row of A x = b as a start point
// must; iterations are added to ioIterations.
bool PhaseOne(const VelaMatrix& iA, const VelaVector& iB, const std::vector<int>& rows, double iTarget, VelaVector& oX,
              int& ioIterations) {
  const int r = static_cast<int>(rows.size()), n = iA.GetNbOfCol();
  VelaMatrix phase(r, n + r, 0.0);
  VelaVector x(n + r, 0.0), cost(n + r, 0.0), b(r, 0.0);
  for (int i = 0; i < r; ++i) {
    const int row = rows[Idx(i)];
    std::copy(iA.GetRow(row), iA.GetRow(row) + n, phase.GetRow(i));
    b[i] = iB[row];
    phase(i, n + i) = b[i] > 0.0 ? 1.0 : (b[i] < 0.0 ? -1.0 : 0.0);
    x[n + i] = std::fabs(b[i]);
    cost[n + i] = -1.0;
  }
  int iterations = 0;
  const unsigned char solved =
      vela::detail::SimplexMaximise(phase, x, cost, b, iTarget, kPhaseOneTol, &iterations, nullptr);
  ioIterations += iterations;
  if (!solved) return false;
  for (int i = 0; i < r; ++i)
    if (x[n + i] != 0.0) return false;
  x.Resize(n);
  if (!IsFeasibleStart(iA, x.GetBuffer(), iB.GetBuffer())) return false;
  oX = x;
  return true;
}

}  // namespace

namespace vela::detail {

unsigned char SimplexMaximise(const VelaMatrix& iA, VelaVector& ioX, const VelaVector& iC, const VelaVector& iB,
                              double iTarget, double iTol, int* oIterations, int* oBlandIterations) {
  Report(oIterations, 0);
  Report(oBlandIterations, 0);
  const int m = iA.GetNbOfRow(), n = iA.GetNbOfCol();
  if (m < 1 || m > n || ioX.GetSize() != n || iC.GetSize() != n || iB.GetSize() != m) return 0;
  if (!(iTol >= 0.0) || !AllFinite(iA.GetBuffer(), m * n) || !AllFinite(iB.GetBuffer(), m) ||
      !AllFinite(iC.GetBuffer(), n) || !AllFinite(ioX.GetBuffer(), n))
    return 0;
  if (!IsFeasibleStart(iA, ioX.GetBuffer(), iB.GetBuffer())) return 0;
  Simplex simplex(iA, iB.GetBuffer(), iTol);
  if (!simplex.BuildBasis(ioX.GetBuffer())) return 0;
  simplex.Prepare(ioX.GetBuffer(), iC.GetBuffer());
  const bool solved = simplex.Iterate(iTarget);
  Report(oIterations, simplex.iterations);
  Report(oBlandIterations, simplex.blandIterations);
  if (!solved) return 0;
  simplex.Solution(ioX.GetBuffer());
  return 1;
}

// Phase one: the first attempt runs on every row; when it fails and A has
// rows that the elimination finds redundant, a second one runs on the
// independent rows alone (see PhaseOne).
unsigned char SimplexStartPoint(const VelaMatrix& iA, VelaVector& oX, const VelaVector& iB, double iTol,
                                int* oIterations) {
  Report(oIterations, 0);
  const int m = iA.GetNbOfRow(), n = iA.GetNbOfCol();
  if (m < 1 || n < 1 || iB.GetSize() != m) return 0;
  if (!AllFinite(iA.GetBuffer(), m * n) || !AllFinite(iB.GetBuffer(), m)) return 0;
  std::vector<int> rows(Idx(m));
  for (int i = 0; i < m; ++i) rows[Idx(i)] = i;
  int iterations = 0;
  VelaVector x;
  bool found = PhaseOne(iA, iB, rows, iTol, x, iterations);
  if (!found) {
    Simplex probe(iA, iB.GetBuffer(), kPhaseOneTol);
    probe.BuildBasis(std::vector<double>(Idx(n), 0.0).data());
    const std::vector<int> kept = probe.KeptRows();
    if (!kept.empty() && kept.size() < rows.size()) found = PhaseOne(iA, iB, kept, iTol, x, iterations);
  }
  Report(oIterations, iterations);
  if (!found) return 0;
  oX = x;
  return 1;
}

}  // namespace vela::detail
