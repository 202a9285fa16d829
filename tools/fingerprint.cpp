// Prints a digest of a fixed set of the library's computations, one line
// per computation: its name and a 64-bit hash of the bit patterns of every
// double it produced. Builds that compute the same bits print the same
// lines, so comparing the output of two builds (compilers, optimisation
// levels, sanitizers) shows whether the library's numbers depend on how it
// was compiled.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "vela/VelaUtilities.h"

namespace {

class Digest {
 public:
  void Add(double v) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int byte = 0; byte < 8; ++byte) {
      hash_ ^= (bits >> (8 * byte)) & 0xFFu;
      hash_ *= 0x100000001B3ull;  // 64-bit FNV-1a
    }
  }
  void Add(const double* v, int n) {
    for (int i = 0; i < n; ++i) Add(v[i]);
  }
  void Add(const VelaMatrix& m) { Add(m.GetBuffer(), m.GetSize()); }
  void Add(int v) { Add(static_cast<double>(v)); }
  std::uint64_t Value() const { return hash_; }

 private:
  std::uint64_t hash_ = 0xCBF29CE484222325ull;
};

// A fixed pseudo-random sequence in [-1, 1): the same on every platform.
class Sequence {
 public:
  double Next() {
    state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(state_ >> 11) * 0x1.0p-52 - 1.0;
  }
  VelaMatrix Matrix(int rows, int cols) {
    VelaMatrix m(rows, cols, 0.0);
    for (int k = 0; k < rows * cols; ++k) m.GetBuffer()[k] = Next();
    return m;
  }
  VelaVector Vector(int n) {
    VelaVector v(n, 0.0);
    for (int k = 0; k < n; ++k) v[k] = Next();
    return v;
  }

 private:
  std::uint64_t state_ = 20261206u;
};

VelaSymmetricMatrix SymmetricFrom(const VelaMatrix& m, double diagonalShift) {
  const int n = m.GetNbOfRow();
  VelaSymmetricMatrix s(n, nullptr);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j <= i; ++j) s(i, j) = m(i, j) + m(j, i) + (i == j ? diagonalShift : 0.0);
  }
  return s;
}

void Products(Digest& d, Sequence& seq) {
  for (int n : {3, 6, 37, 150}) {
    const VelaMatrix a = seq.Matrix(n, n + 1);
    const VelaMatrix b = seq.Matrix(n + 1, n);
    d.Add(a * b);
    d.Add(a * seq.Vector(n + 1));
  }
}

void Symmetric(Digest& d, Sequence& seq) {
  for (int n : {3, 6, 40}) {
    VelaSymmetricMatrix indefinite = SymmetricFrom(seq.Matrix(n, n), 0.0);
    const VelaVector b = seq.Vector(n);
    VelaVector x;
    d.Add(indefinite.SolveLDLt(0, b, x));
    d.Add(x);
    const VelaSymmetricMatrix definite = SymmetricFrom(seq.Matrix(n, n), 2.0 * n);
    std::vector<double> y(n);
    d.Add(definite.SolveCholesky(b.GetBuffer(), y.data(), nullptr, 0.0));
    d.Add(y.data(), n);
  }
}

void Orthogonal(Digest& d, Sequence& seq) {
  for (int n : {3, 7, 60}) {
    const VelaMatrix a = seq.Matrix(n + 2, n);
    VelaMatrix inverse;
    d.Add(a.InverseQR(inverse));
    d.Add(inverse);
    VelaMatrix u, v;
    std::vector<double> s(n);
    d.Add(a.FactorisationSVD(u, s.data(), v));
    d.Add(u);
    d.Add(s.data(), n);
    d.Add(v);
  }
}

void Elimination(Digest& d, Sequence& seq) {
  for (int n : {4, 30, 120}) {
    VelaMatrix a = seq.Matrix(n, n + n / 2);
    for (int j = 0; j < a.GetNbOfCol(); ++j) a(n - 1, j) = a(0, j) + a(1, j);  // rank n - 1
    const VelaVector b = a * seq.Vector(a.GetNbOfCol());
    VelaVector x(a.GetNbOfCol(), 0.0);
    VelaMatrix kernel;
    a.SolveGaussJordan(0, b.GetBuffer(), x.GetBuffer(), 1, &kernel, nullptr, 1e-12);
    d.Add(x);
    d.Add(kernel);
    for (int parallel = 0; parallel < 2; ++parallel) {
      VelaSparseMatrix sparse(n, a.GetNbOfCol(), a.GetBuffer());
      VelaVector y(a.GetNbOfCol(), 0.0);
      VelaMatrix k;
      if (parallel == 0) {
        sparse.SolveGaussJordan(0, b.GetBuffer(), y.GetBuffer(), &k, 1e-12);
      } else {
        sparse.ParallelSolveGaussJordan(0, b.GetBuffer(), y.GetBuffer(), &k, 1e-12);
      }
      d.Add(y);
      d.Add(k);
    }
    int rank = 0;
    VelaMatrix range, nullSpace;
    d.Add(a.FindNullSpace(rank, range, nullSpace));
    d.Add(rank);
    d.Add(range);
    d.Add(nullSpace);
    VelaMatrix echelon = a;
    d.Add(echelon.PerformGaussElimination(1e-12, 0));
    d.Add(echelon);
  }
}

void Transformations(Digest& d, Sequence& seq) {
  for (int round = 0; round < 8; ++round) {
    double p[6];
    for (double& v : p) v = 2.0 * seq.Next();
    VelaTransformation t;
    t.SetExponentialParameters(p);
    VelaTransformation u;
    for (double& v : p) v = seq.Next();
    u.SetExponentialParameters(p);
    t.Multiply(u, 1);
    VelaTransformation inverse;
    t.Inverse(inverse);
    t.Pow(0.37);
    double coefficients[3][3];
    double translation[3];
    for (const VelaTransformation* x : {&t, &inverse}) {
      x->GetCoef(coefficients, translation);
      d.Add(&coefficients[0][0], 9);
      d.Add(translation, 3);
    }
    double q[6];
    t.GetExponentialParameters(q);
    d.Add(q, 6);
  }
}

// A small convex QP (bounds, one inequality row) from a feasible start.
void QuadraticProgram(Digest& d, Sequence& seq) {
  const int n = 6;
  const VelaSymmetricMatrix H = SymmetricFrom(seq.Matrix(n, n), 2.0 * n);
  const VelaVector c = seq.Vector(n);
  VelaMatrix A(2, n, 0.0);
  for (int j = 0; j < n; ++j) {
    A(0, j) = 1.0;
    A(1, j) = seq.Next();
  }
  VelaVector b(2, 0.0);
  b[1] = 0.5;
  VelaBoolArray hasLower(n, 1), hasUpper(n, 1);
  VelaVector lower(n, -1.0), upper(n, 1.0);
  VelaVector x(n, 0.0), lambda;
  d.Add(VelaOptimUtilities::ActiveSetMethod(0, H, c, A, b, 1, hasLower, lower, hasUpper, upper, x, lambda, 1e-12,
                                            1e-9));
  d.Add(x);
  d.Add(lambda);
}

// A small LP with one equality and inequality rows, by the interior-point
// method.
void LinearProgram(Digest& d, Sequence& seq) {
  const int n = 5;
  VelaMatrix A = seq.Matrix(3, n);
  for (int j = 0; j < n; ++j) A(0, j) = 1.0;
  VelaVector b(3, 1.0);
  b[0] = 2.0;
  VelaVector c = seq.Vector(n);
  VelaVector x, lambda;
  d.Add(VelaOptimUtilities::InteriorPoint_Mehrotra(0, c, A, b, 1, x, lambda, 1e-12, 1e-10));
  d.Add(x);
  d.Add(lambda);
}

// A random standard-form LP: phase one, then the maximisation.
void Simplex(Digest& d, Sequence& seq) {
  const int m = 8, n = 16;
  VelaMatrix A = seq.Matrix(m, n);
  for (int j = 0; j < n; ++j) A(0, j) = 1.0;  // bounds the feasible set
  VelaVector start(n, 0.0);
  for (int j = 0; j < n; ++j) start[j] = 1.0 + seq.Next();
  const VelaVector b = A * start;
  VelaVector c = seq.Vector(n);
  VelaVector x;
  d.Add(A.InitializeSimplexStartPoint(x, b, 1e-10));
  d.Add(x);
  d.Add(A.SimplexMaximisation(x, c, b, 1e300, 1e-10));
  d.Add(x);
}

struct Computation {
  const char* name;
  std::function<void(Digest&, Sequence&)> run;
};

}  // namespace

int main() {
  const Computation computations[] = {
      {"products", Products},       {"symmetric", Symmetric},
      {"orthogonal", Orthogonal},   {"elimination", Elimination},
      {"transformations", Transformations},
      {"quadratic", QuadraticProgram},
      {"linear", LinearProgram},
      {"simplex", Simplex},
  };
  for (const Computation& c : computations) {
    Digest digest;
    Sequence sequence;
    c.run(digest, sequence);
    std::printf("%-16s %016llx\n", c.name, static_cast<unsigned long long>(digest.Value()));
  }
  return 0;
}
