// Dense matrix and vector core: shapes and row operations as a table, index models for sub-matrices,
// transposition and vector growth, labels, inline storage, and products bit for bit against the plain loop.
#include "vela/linalg/VelaMatrix.h"

#include "linalg/LinalgTesting.h"

namespace {

using namespace vela::test;

template <class T, class F>
T Do(T m, F f) { return f(m), m; }

bool IsInline(const VelaMatrix& m) {
  const char *object = reinterpret_cast<const char*>(&m), *buffer = reinterpret_cast<const char*>(m.GetBuffer());
  return buffer >= object && buffer < object + sizeof(VelaMatrix);
}

// C(i, j) = ((0 + a(i,0) b(0,j)) + a(i,1) b(1,j)) + ..., the order every product promises.
Vec ReferenceProduct(const VelaMatrix& a, const VelaMatrix& b) {
  const int m = a.GetNbOfRow(), n = a.GetNbOfCol(), p = b.GetNbOfCol();
  Vec c(static_cast<std::size_t>(m) * p, 0.0);
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < n; ++k)
      for (int j = 0; j < p; ++j) c[i * p + j] += a(i, k) * b(k, j);
  return c;
}

TEST(VelaMatrix, ShapesRowOperationsAndArithmetic) {
  const Vec six = {1, 2, 3, 4, 5, 6}, nine = {0, 1, 2, 10, 11, 12, 20, 21, 22}, four = {1, 2, 3, 4};
  const VelaMatrix A = M(2, 2, four), B = M(2, 2, {10, 20, 30, 40}), block(2, 2, -1.0);
  VelaVector acc = V({1, 2, 3});
  acc.Add(2.0, &six[3]), acc.Add(5.0, nullptr), acc -= &six[0], acc += four.data(), acc += V({1, 1, 1});
  acc -= V({2, 2, 2}), acc *= 0.5;
  const struct { VelaMatrix m; int rows, cols; Vec v; } cases[] = {
      {VelaMatrix(3), 3, 3, {1, 0, 0, 0, 1, 0, 0, 0, 1}}, {VelaMatrix(-2), 0, 0, {}},
      {VelaMatrix(2, 3, 0), 2, 3, Vec(6, 0.0)}, {VelaMatrix(2, 2, nullptr), 2, 2, Vec(4, 0.0)},  // 0 is a value
      {M(3, 2, six), 3, 2, six}, {VelaMatrix(-1, 4, 1.0), 0, 4, {}}, {VelaVector(), 1, 0, {}},
      {VelaVector(3, 1.5), 1, 3, Vec(3, 1.5)}, {VelaVector(2, nullptr), 1, 2, {0, 0}},
      {Do(VelaMatrix(2, 3, 7.0), [](auto& m) { m.SetIdentity(0); }), 2, 3, Vec(6, 7.0)},  // not square
      {Do(VelaMatrix(2, 3, 7.0), [](auto& m) { m.SetIdentity(2); }), 2, 2, {1, 0, 0, 1}},
      {Do(VelaMatrix(2, 2, 5.0), [](auto& m) { m.SetIdentity(-1); }), 2, 2, {1, 0, 0, 1}},
      {Do(M(2, 3, six), [](auto& m) { m.Resize(3, 2); }), 3, 2, six},  // linear positions kept
      {Do(M(2, 3, six), [](auto& m) { m.Resize(1, 2), m.Resize(2, 3); }), 2, 3, {1, 2, 0, 0, 0, 0}},
      {Do(M(2, 3, six), [](auto& m) { m.Resize(-1, 3); }), 0, 3, {}},
      {Do(VelaMatrix(3, 2, 1.0), [&](auto& m) { m.SetRow(2, &six[4]), m.ZeroRow(0); }), 3, 2, {0, 0, 1, 1, 5, 6}},
      {Do(VelaMatrix(3, 2, 1.0), [&](auto& m) { m.SetRows(1, 2, six.data()), m.ZeroRows(0, 2); }), 3, 2,
       {0, 0, 0, 0, 3, 4}},
      {Do(VelaMatrix(1, 2, 0.0), [&](auto& m) { m.AppendRow(&six[4]), m.AppendRows(2, six.data()); }), 4, 2,
       {0, 0, 5, 6, 1, 2, 3, 4}},
      {Do(VelaMatrix(), [&](auto& m) { m.AppendRows(A); }), 2, 2, four},  // takes A's column count
      {Do(VelaMatrix(2, 0, 0.0), [&](auto& m) { m.AppendRows(A); }), 4, 2, {0, 0, 0, 0, 1, 2, 3, 4}},
      {Do(VelaMatrix(1, 3, 9.0), [&](auto& m) { m.AppendRows(A); }), 1, 3, Vec(3, 9.0)},  // mismatch
      {Do(A, [](auto& m) { m.AppendRows(m); }), 4, 2, {1, 2, 3, 4, 1, 2, 3, 4}},
      {M(3, 3, nine).GetSubMatrix(1, 0, 2, 2), 2, 2, {1, 2, 11, 12}},  // the column index first
      {Do(M(3, 3, nine), [&](auto& m) { EXPECT_EQ(m.SetSubMatrix(2, 0, block) + m.SetSubMatrix(0, 2, block), 0); }),
       3, 3, nine},
      {Do(M(3, 3, nine), [&](auto& m) { EXPECT_EQ(m.SetSubMatrix(1, 1, block), 1); }), 3, 3,
       {0, 1, 2, 10, -1, -1, 20, -1, -1}},
      {VelaMatrix::MergeMatrix(M(2, 3, six), M(2, 1, {7, 8}), 0), 2, 4, {1, 2, 3, 7, 4, 5, 6, 8}},
      {VelaMatrix::MergeMatrix(M(2, 3, six), M(2, 1, {7, 8}), 1), 0, 0, {}},
      {VelaMatrix::MergeMatrix(M(2, 3, six), VelaMatrix(1, 3, 9.0), 1), 3, 3, {1, 2, 3, 4, 5, 6, 9, 9, 9}},
      {Do(V(four), [](auto& m) { m.Transpose(); }), 4, 1, four},  // a vector only swaps its counts
      {A + B, 2, 2, {11, 22, 33, 44}}, {B - A, 2, 2, {9, 18, 27, 36}}, {2.0 * A, 2, 2, {2, 4, 6, 8}},
      {A * 0.5, 2, 2, {0.5, 1, 1.5, 2}}, {A + VelaMatrix(4, 1, 1.0), 2, 2, four},  // other shape: nothing
      {Do(A, [](auto& m) { m += VelaMatrix(1, 4, 1.0), m -= VelaMatrix(2, 3, 1.0), m *= 3.0; }), 2, 2,
       {3, 6, 9, 12}},
      {Do(M(3, 2, {3, 4, 1e-12, 0, -7, 1}), [](auto& m) { m.Normalize(1e-9); }), 3, 2,
       {0.6, 0.8, 0, 0, -7 / std::sqrt(50.0), 1 / std::sqrt(50.0)}},
      {VelaMatrix(3, 2, 1.0).MultiplyVectorLeft(VelaVector(2, 1.0)), 1, 2, {0, 0}},  // length mismatch
      {VelaMatrix(0, 2, 0.0).MultiplyVectorLeft(VelaVector()), 1, 2, {0, 0}},
      {VelaMatrix(2, 0, 0.0) * VelaMatrix(0, 3, 0.0), 2, 3, Vec(6, 0.0)},
      {Do(VelaMatrix(3, 0, 0.0), [](auto& m) { m.MultiplyLeft(VelaMatrix(2, 3, 1.0)); }), 2, 0, {}},
      {V({1, 2, 3}) + V({4, 5, 6, 100}), 1, 3, {5, 7, 9}}, {V({1, 2, 3}) - V({4, 5, 6}), 1, 3, {-3, -3, -3}},
      {V({1, 2, 3}) * 2.0, 1, 3, {2, 4, 6}}, {VelaVector(3, 1.0).GramProduct(), 1, 1, {3}},
      {acc, 1, 3, {4, 5.5, 7}},
      {Do(V({1, 2}), [](auto& v) { v.Insert(1, 5), v.Append(7), v.Insert(0, 0), v.Insert(5, 9), v.Resize(7); }),
       1, 7, {0, 1, 5, 2, 7, 9, 0}},
      {Do(VelaVector(36, 1.0), [](auto& v) { v.Append(2), v.Insert(0, 3), v[1] = 4, v.Resize(3); }),
       1, 3, {3, 4, 1}},  // past the inline 36 elements
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.m.GetNbOfRow(), c.rows) << "case " << &c - cases;
    EXPECT_EQ(c.m.GetNbOfCol(), c.cols) << "case " << &c - cases;
    EXPECT_EQ(Values(c.m), c.v) << "case " << &c - cases;
  }
  // A full heap block appending one of its own rows reallocates the storage the row is read from.
  VelaMatrix growing(7, 6, 1.0);
  growing(6, 5) = 2.0;
  growing.AppendRow(growing.GetRow(6));
  EXPECT_EQ(std::make_pair(growing(7, 5), growing(7, 0)), std::make_pair(2.0, 1.0));
  const VelaVector v = V({1, 2, 3}), nanFirst = V({std::nan(""), 2});
  EXPECT_EQ(v * V({4, 5, 6, 100}) + VelaVector::ScalarProduct(2, &six[0], &six[3]), 32.0 + 14.0);
  EXPECT_EQ(std::vector<int>({v > 1.0, v > 1.5, VelaVector() > 1e300, nanFirst > 2.0}), std::vector<int>({1, 0, 1, 1}));
}

// Random sub-matrices and blocks against index arithmetic on the values before; transposes, inline storage.
TEST(VelaMatrix, SubMatricesAndTranspositionMatchIndexModels) {
  TestRng rng{11};
  for (int trial = 0; trial < 200; ++trial) {
    const int rows = 1 + rng.Below(9), cols = 1 + rng.Below(9), fr = rng.Below(rows), fc = rng.Below(cols);
    const int br = rng.Below(rows - fr + 1), bc = rng.Below(cols - fc + 1);
    VelaMatrix m = Random(rows, cols, rng);
    const VelaMatrix before = m, sub = m.GetSubMatrix(fc, fr, bc, br), block = Random(rng.Below(4), rng.Below(4), rng);
    ASSERT_EQ(std::make_pair(sub.GetNbOfRow(), sub.GetNbOfCol()), std::make_pair(br, bc));
    for (int i = 0; i < br; ++i)
      for (int j = 0; j < bc; ++j) ASSERT_EQ(sub(i, j), before(fr + i, fc + j));
    const bool fits = fc + block.GetNbOfCol() <= cols && fr + block.GetNbOfRow() <= rows;
    ASSERT_EQ(m.SetSubMatrix(fc, fr, block), fits ? 1 : 0);
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) {
        const bool inside = fits && i >= fr && i < fr + block.GetNbOfRow() && j >= fc && j < fc + block.GetNbOfCol();
        ASSERT_EQ(m(i, j), inside ? block(i - fr, j - fc) : before(i, j));
      }
  }
  for (auto [rows, cols] : {std::pair{2, 3}, {3, 3}, {1, 1}, {6, 6}, {4, 9}, {9, 4}, {37, 13}, {40, 40}, {0, 5}}) {
    const VelaMatrix before = Random(rows, cols, rng);
    VelaMatrix m = before;
    m.Transpose();
    ASSERT_EQ(std::make_pair(m.GetNbOfRow(), m.GetNbOfCol()), std::make_pair(cols, rows));
    for (int i = 0; i < cols; ++i)
      for (int j = 0; j < rows; ++j) ASSERT_EQ(m(i, j), before(j, i)) << rows << "x" << cols;
    EXPECT_EQ(IsInline(m), IsInline(before)) << rows << "x" << cols;
  }
  VelaMatrix six = Random(6, 6, rng), grown(six);  // up to 36 elements never allocate
  six.MultiplyLeft(grown), grown.AppendRow(six.GetRow(0));
  EXPECT_TRUE(IsInline(six) && IsInline(six * six) && IsInline(six + six) && !IsInline(grown));
}

TEST(VelaMatrix, CopyDropsLabelsAssignmentKeepsThem) {
  const VelaString rowNames[] = {"r0", "r1"}, colNames[] = {"c0", "c1", "c2"};
  VelaMatrix labelled(2, 3, 1.0), assigned(5, 5, 0.0), moveAssigned;
  labelled.SetNames(rowNames, colNames);
  ASSERT_NE(labelled.GetRowNames(), rowNames);  // copied, not borrowed
  const VelaMatrix copy(labelled);
  EXPECT_TRUE(copy.GetRowNames() == nullptr && copy.GetColumnNames() == nullptr);
  assigned = labelled;
  ASSERT_TRUE(assigned.GetRowNames() != nullptr && assigned.GetRowNames() != labelled.GetRowNames());
  EXPECT_EQ(assigned.GetRowNames()[1] + assigned.GetColumnNames()[2], VelaString("r1c2"));
  assigned = copy;  // a source without labels removes them
  labelled.SetNames(nullptr, labelled.GetColumnNames());  // its own array as the argument
  EXPECT_TRUE(assigned.GetRowNames() == nullptr && labelled.GetRowNames() == nullptr);
  moveAssigned = std::move(labelled);  // assignment hands the labels over, construction drops them
  EXPECT_EQ(moveAssigned.GetColumnNames()[1], VelaString("c1"));
  EXPECT_EQ(VelaMatrix(std::move(moveAssigned)).GetColumnNames(), nullptr);
  VelaVector v(2, 0.0), w(2, 1.0);
  v.SetNames(nullptr, rowNames);
  w = v;
  EXPECT_EQ(w.GetColumnNames()[0], VelaString("r0"));
  EXPECT_TRUE(VelaVector(w).GetColumnNames() == nullptr && (w + v).GetColumnNames() == nullptr);
}

// Shapes that cross every blocking boundary of the product kernels, odd widths included, so that any
// reordering of an element's sum shows; MultiplyLeft also by the matrix itself.
TEST(VelaMatrix, ProductsAreBitExactWithThePlainLoop) {
  TestRng rng{2024};
  const int shapes[][3] = {{1, 1, 1},     {7, 7, 7},   {37, 41, 43}, {130, 129, 131}, {3, 130, 5},
                           {130, 3, 1},   {1, 300, 2}, {2, 5, 300},  {64, 256, 67},   {6, 6, 6},
                           {100, 300, 50}, {20, 130, 530}, {101, 520, 7}};
  for (const auto& s : shapes) {
    const VelaMatrix a = Random(s[0], s[1], rng), b = Random(s[1], s[2], rng);
    VelaMatrix left(b), self = Random(s[0], s[0], rng);
    left.MultiplyLeft(a);
    const Vec square = ReferenceProduct(self, self);
    self.MultiplyLeft(self);
    SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << " * " << s[1] << "x" << s[2]);
    EXPECT_TRUE(Bits(ReferenceProduct(a, b), Values(a * b)) && Bits(ReferenceProduct(a, b), Values(left)));
    EXPECT_TRUE(Bits(square, Values(self)));
  }
  for (int rows : {1, 3, 6, 37, 100})
    for (int cols : {1, 2, 7, 64}) {
      const VelaMatrix a = Random(rows, cols, rng), x = Random(1, cols, rng), y = Random(1, rows, rng);
      const VelaVector xv(cols, x.GetBuffer()), yv(rows, y.GetBuffer());
      const Vec ax = ReferenceProduct(a, Transposed(x)), ya = ReferenceProduct(y, a);
      EXPECT_TRUE(Bits(ax, Values(a * xv)) && Bits(ax, Values(a * static_cast<const double*>(x.GetBuffer()))));
      EXPECT_TRUE(Bits(ya, Values(a.MultiplyVectorLeft(yv))) && Bits(ya, Values(yv * a))) << rows << "x" << cols;
    }
}

}  // namespace
