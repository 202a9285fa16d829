// Dense matrix and vector core: construction, shape and row operations,
// labels, arithmetic and norms, checked against plain reference loops on
// std::vector.
#include "vela/linalg/VelaMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

namespace {

using Elements = std::vector<double>;

Elements Contents(const VelaMatrix& m) { return Elements(m.GetBuffer(), m.GetBuffer() + m.GetSize()); }

VelaMatrix RandomMatrix(int rows, int cols, std::mt19937_64& rng) {
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  VelaMatrix m(rows, cols, 0.0);
  for (int k = 0; k < m.GetSize(); ++k) m.GetBuffer()[k] = value(rng);
  return m;
}

// The order every product promises: C(i, j) = ((0 + a(i,0) b(0,j)) + a(i,1) b(1,j)) + ...
Elements ReferenceProduct(const VelaMatrix& a, const VelaMatrix& b) {
  const int m = a.GetNbOfRow(), n = a.GetNbOfCol(), p = b.GetNbOfCol();
  Elements c(static_cast<std::size_t>(m) * p, 0.0);
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < n; ++k)
      for (int j = 0; j < p; ++j) c[i * p + j] += a(i, k) * b(k, j);
  return c;
}

// Bit-for-bit equality, so that a changed summation order fails.
void ExpectSameBits(const Elements& expected, const VelaMatrix& actual) {
  ASSERT_EQ(static_cast<int>(expected.size()), actual.GetSize());
  for (int k = 0; k < actual.GetSize(); ++k) {
    std::uint64_t e, a;
    std::memcpy(&e, &expected[k], sizeof e);
    std::memcpy(&a, &actual.GetBuffer()[k], sizeof a);
    ASSERT_EQ(e, a) << "element " << k << ": " << expected[k] << " vs " << actual.GetBuffer()[k];
  }
}

bool IsInline(const VelaMatrix& m) {
  const char* object = reinterpret_cast<const char*>(&m);
  const char* buffer = reinterpret_cast<const char*>(m.GetBuffer());
  return buffer >= object && buffer < object + sizeof(VelaMatrix);
}

// ---- Construction and shape ----------------------------------------------------

TEST(VelaMatrix, ConstructorsGiveTheirShapes) {
  const VelaMatrix identity(3);
  EXPECT_EQ(Contents(identity), (Elements{1, 0, 0, 0, 1, 0, 0, 0, 1}));
  EXPECT_EQ(VelaMatrix(0).GetSize(), 0);
  EXPECT_EQ(VelaMatrix(-2).GetNbOfRow(), 0);
  const VelaMatrix filled(2, 3, 0);  // a literal 0 is the value, not a pointer
  EXPECT_EQ(Contents(filled), Elements(6, 0.0));
  const double values[] = {1, 2, 3, 4, 5, 6};
  const VelaMatrix copied(3, 2, values);
  EXPECT_EQ(copied(2, 1), 6.0);
  EXPECT_EQ(Contents(VelaMatrix(2, 2, nullptr)), Elements(4, 0.0));
  const VelaMatrix negative(-1, 4, 1.0);
  EXPECT_EQ(negative.GetNbOfRow(), 0);
  EXPECT_EQ(negative.GetNbOfCol(), 4);

  const VelaVector empty;
  EXPECT_EQ(empty.GetNbOfRow(), 1);
  EXPECT_EQ(empty.GetNbOfCol(), 0);
  EXPECT_EQ(Contents(VelaVector(3, 1.5)), Elements(3, 1.5));
  EXPECT_EQ(Contents(VelaVector(2, values)), (Elements{1, 2}));
  EXPECT_EQ(Contents(VelaVector(2, nullptr)), (Elements{0, 0}));
}

TEST(VelaMatrix, SetIdentityReshapesOnlyForPositiveN) {
  VelaMatrix m(2, 3, 7.0);
  m.SetIdentity(0);
  EXPECT_EQ(m.GetNbOfRow(), 2);
  EXPECT_EQ(Contents(m), Elements(6, 7.0));
  m.SetIdentity(2);
  EXPECT_EQ(Contents(m), (Elements{1, 0, 0, 1}));
  VelaMatrix square(2, 2, 5.0);
  square.SetIdentity(-1);
  EXPECT_EQ(Contents(square), (Elements{1, 0, 0, 1}));
}

TEST(VelaMatrix, ResizeKeepsLinearPositionsAndZeroesNewElements) {
  const double values[] = {1, 2, 3, 4, 5, 6};
  VelaMatrix m(2, 3, values);
  m.Resize(3, 2);
  EXPECT_EQ(Contents(m), (Elements{1, 2, 3, 4, 5, 6}));
  m.Resize(1, 2);
  m.Resize(2, 3);  // elements dropped by shrinking come back as zeros
  EXPECT_EQ(Contents(m), (Elements{1, 2, 0, 0, 0, 0}));
  m.Resize(-1, 3);
  EXPECT_EQ(m.GetSize(), 0);
}

TEST(VelaMatrix, RowOperations) {
  VelaMatrix m(3, 2, 1.0);
  const double row[] = {8, 9};
  const double rows[] = {4, 5, 6, 7};
  m.SetRow(2, row);
  m.ZeroRow(0);
  EXPECT_EQ(Contents(m), (Elements{0, 0, 1, 1, 8, 9}));
  m.SetRows(1, 2, rows);
  EXPECT_EQ(Contents(m), (Elements{0, 0, 4, 5, 6, 7}));
  m.ZeroRows(1, 2);
  EXPECT_EQ(Contents(m), Elements(6, 0.0));
  m.AppendRow(row);
  m.AppendRows(2, rows);
  EXPECT_EQ(m.GetNbOfRow(), 6);
  EXPECT_EQ(Contents(m), (Elements{0, 0, 0, 0, 0, 0, 8, 9, 4, 5, 6, 7}));
}

TEST(VelaMatrix, AppendMatrixRows) {
  const double values[] = {1, 2, 3, 4};
  const VelaMatrix block(2, 2, values);
  VelaMatrix noColumns;
  noColumns.AppendRows(block);  // takes the block's column count first
  EXPECT_EQ(Contents(noColumns), (Elements{1, 2, 3, 4}));
  VelaMatrix twoEmptyRows(2, 0, 0.0);
  twoEmptyRows.AppendRows(block);
  EXPECT_EQ(Contents(twoEmptyRows), (Elements{0, 0, 0, 0, 1, 2, 3, 4}));

  VelaMatrix wide(1, 3, 9.0);
  wide.AppendRows(block);  // column counts differ: nothing
  EXPECT_EQ(Contents(wide), Elements(3, 9.0));

  VelaMatrix self(block);
  self.AppendRows(self);
  EXPECT_EQ(Contents(self), (Elements{1, 2, 3, 4, 1, 2, 3, 4}));
  // A full heap block: appending one of its own rows reallocates (and frees)
  // the storage the row is read from.
  VelaMatrix growing(7, 6, 1.0);
  growing(6, 5) = 2.0;
  growing.AppendRow(growing.GetRow(6));
  EXPECT_EQ(growing.GetNbOfRow(), 8);
  EXPECT_EQ(growing(7, 5), 2.0);
  EXPECT_EQ(growing(7, 0), 1.0);
}

TEST(VelaMatrix, SubMatrixTakesColumnIndexFirst) {
  const double values[] = {0, 1, 2, 10, 11, 12, 20, 21, 22};
  VelaMatrix m(3, 3, values);
  const VelaMatrix sub = m.GetSubMatrix(1, 0, 2, 2);
  EXPECT_EQ(sub.GetNbOfRow(), 2);
  EXPECT_EQ(Contents(sub), (Elements{1, 2, 11, 12}));

  const VelaMatrix block(2, 2, -1.0);
  EXPECT_EQ(m.SetSubMatrix(2, 0, block), 0);  // would reach column 3
  EXPECT_EQ(m.SetSubMatrix(0, 2, block), 0);  // would reach row 3
  EXPECT_EQ(Contents(m), Elements(values, values + 9));
  EXPECT_EQ(m.SetSubMatrix(1, 1, block), 1);
  EXPECT_EQ(Contents(m), (Elements{0, 1, 2, 10, -1, -1, 20, -1, -1}));
}

TEST(VelaMatrix, SubMatricesMatchIndexModel) {
  std::mt19937_64 rng(11);
  for (int trial = 0; trial < 200; ++trial) {
    std::uniform_int_distribution<int> dim(1, 9);
    const int rows = dim(rng), cols = dim(rng);
    VelaMatrix m = RandomMatrix(rows, cols, rng);
    const Elements before = Contents(m);
    std::uniform_int_distribution<int> r0(0, rows - 1), c0(0, cols - 1);
    const int fr = r0(rng), fc = c0(rng);
    std::uniform_int_distribution<int> nr(0, rows - fr), nc(0, cols - fc);
    const int br = nr(rng), bc = nc(rng);
    const VelaMatrix sub = m.GetSubMatrix(fc, fr, bc, br);
    ASSERT_EQ(sub.GetNbOfRow(), br);
    ASSERT_EQ(sub.GetNbOfCol(), bc);
    for (int i = 0; i < br; ++i)
      for (int j = 0; j < bc; ++j) ASSERT_EQ(sub(i, j), before[(fr + i) * cols + fc + j]);

    const VelaMatrix block = RandomMatrix(dim(rng) % 4, dim(rng) % 4, rng);
    const bool fits = fc + block.GetNbOfCol() <= cols && fr + block.GetNbOfRow() <= rows;
    ASSERT_EQ(m.SetSubMatrix(fc, fr, block), fits ? 1 : 0);
    for (int i = 0; i < rows; ++i)
      for (int j = 0; j < cols; ++j) {
        const bool inside = fits && i >= fr && i < fr + block.GetNbOfRow() && j >= fc && j < fc + block.GetNbOfCol();
        ASSERT_EQ(m(i, j), inside ? block(i - fr, j - fc) : before[i * cols + j]);
      }
  }
}

TEST(VelaMatrix, MergeByRowsAndByColumns) {
  const double a[] = {1, 2, 3, 4, 5, 6};
  const double b[] = {7, 8};
  const VelaMatrix A(2, 3, a), B(2, 1, b);
  const VelaMatrix byCols = VelaMatrix::MergeMatrix(A, B, 0);
  EXPECT_EQ(byCols.GetNbOfCol(), 4);
  EXPECT_EQ(Contents(byCols), (Elements{1, 2, 3, 7, 4, 5, 6, 8}));
  const VelaMatrix mismatch = VelaMatrix::MergeMatrix(A, B, 1);
  EXPECT_EQ(mismatch.GetNbOfRow(), 0);
  EXPECT_EQ(mismatch.GetNbOfCol(), 0);
  const VelaMatrix byRows = VelaMatrix::MergeMatrix(A, VelaMatrix(1, 3, 9.0), 1);
  EXPECT_EQ(Contents(byRows), (Elements{1, 2, 3, 4, 5, 6, 9, 9, 9}));
  EXPECT_EQ(byRows.GetNbOfRow(), 3);
}

// ---- Transpose --------------------------------------------------------------------

TEST(VelaMatrix, TransposeOfVectorOnlySwapsCounts) {
  const double values[] = {1, 2, 3, 4};
  VelaVector v(4, values);
  v.Transpose();
  EXPECT_EQ(v.GetNbOfRow(), 4);
  EXPECT_EQ(v.GetNbOfCol(), 1);
  EXPECT_EQ(Contents(v), (Elements{1, 2, 3, 4}));
}

TEST(VelaMatrix, TransposeMatchesIndexModel) {
  std::mt19937_64 rng(3);
  const int shapes[][2] = {{2, 3}, {3, 3}, {1, 1}, {6, 6}, {4, 9}, {9, 4}, {7, 2}, {5, 8}, {37, 13}, {40, 40}, {0, 5}, {17, 17}, {37, 37}};
  for (const auto& shape : shapes) {
    VelaMatrix m = RandomMatrix(shape[0], shape[1], rng);
    const VelaMatrix before(m);
    const bool wasInline = IsInline(m);
    m.Transpose();
    ASSERT_EQ(m.GetNbOfRow(), shape[1]);
    ASSERT_EQ(m.GetNbOfCol(), shape[0]);
    for (int i = 0; i < shape[1]; ++i)
      for (int j = 0; j < shape[0]; ++j) ASSERT_EQ(m(i, j), before(j, i)) << shape[0] << "x" << shape[1];
    EXPECT_EQ(IsInline(m), wasInline) << shape[0] << "x" << shape[1];
  }
}

// ---- Labels ---------------------------------------------------------------------

TEST(VelaMatrix, CopyDropsLabelsAssignmentKeepsThem) {
  const VelaString rowNames[] = {"r0", "r1"};
  const VelaString colNames[] = {"c0", "c1", "c2"};
  VelaMatrix labelled(2, 3, 1.0);
  labelled.SetNames(rowNames, colNames);
  ASSERT_NE(labelled.GetRowNames(), rowNames);  // copied, not borrowed
  EXPECT_EQ(labelled.GetColumnNames()[2], VelaString("c2"));

  const VelaMatrix copy(labelled);
  EXPECT_EQ(copy.GetRowNames(), nullptr);
  EXPECT_EQ(copy.GetColumnNames(), nullptr);

  VelaMatrix assigned(5, 5, 0.0);
  assigned = labelled;
  ASSERT_NE(assigned.GetRowNames(), nullptr);
  EXPECT_NE(assigned.GetRowNames(), labelled.GetRowNames());
  EXPECT_EQ(assigned.GetRowNames()[1], VelaString("r1"));
  EXPECT_EQ(assigned.GetColumnNames()[0], VelaString("c0"));
  EXPECT_EQ(assigned.GetNbOfCol(), 3);

  assigned = copy;  // a source without labels removes them
  EXPECT_EQ(assigned.GetRowNames(), nullptr);

  labelled.SetNames(nullptr, labelled.GetColumnNames());  // own array as argument
  EXPECT_EQ(labelled.GetRowNames(), nullptr);
  EXPECT_EQ(labelled.GetColumnNames()[1], VelaString("c1"));

  VelaMatrix moveAssigned;
  moveAssigned = std::move(labelled);  // assignment hands the labels over
  EXPECT_EQ(moveAssigned.GetColumnNames()[1], VelaString("c1"));
  const VelaMatrix moved(std::move(moveAssigned));  // construction drops them
  EXPECT_EQ(moved.GetColumnNames(), nullptr);
  EXPECT_EQ(moved.GetNbOfCol(), 3);
  // NOLINTNEXTLINE(bugprone-use-after-move): the moved-from state is documented
  EXPECT_EQ(moveAssigned.GetSize(), 0);
  EXPECT_EQ(moveAssigned.GetColumnNames(), nullptr);

  VelaVector v(2, 0.0), w(2, 1.0);
  v.SetNames(nullptr, rowNames);
  w = v;
  EXPECT_EQ(w.GetColumnNames()[0], VelaString("r0"));
  EXPECT_EQ(VelaVector(w).GetColumnNames(), nullptr);
  EXPECT_EQ((w + v).GetColumnNames(), nullptr);
}

TEST(VelaMatrix, LabelsSurviveReshapingWithoutOverruns) {
  const VelaString names[] = {"a", "b"};
  VelaMatrix m(2, 2, 1.0);
  m.SetNames(names, names);
  m.Resize(9, 9);
  VelaMatrix copy;
  copy = m;  // copies the two labels it has, never nine
  EXPECT_EQ(copy.GetRowNames()[1], VelaString("b"));
  m.Transpose();
  EXPECT_EQ(m.GetRowNames()[0], VelaString("a"));
}

// ---- Inline capacity ------------------------------------------------------------

TEST(VelaMatrix, SmallMatricesStayInline) {
  std::mt19937_64 rng(5);
  VelaMatrix a = RandomMatrix(6, 6, rng);
  const VelaMatrix b = RandomMatrix(6, 6, rng);
  EXPECT_TRUE(IsInline(a));
  const VelaMatrix product = a * b;
  EXPECT_TRUE(IsInline(product));
  a.MultiplyLeft(b);
  EXPECT_TRUE(IsInline(a));
  a.Transpose();
  EXPECT_TRUE(IsInline(a));
  VelaMatrix wide = RandomMatrix(4, 9, rng);
  wide.Transpose();
  EXPECT_TRUE(IsInline(wide));
  EXPECT_TRUE(IsInline(a + b));
  VelaVector v(36, 1.0);
  EXPECT_TRUE(IsInline(v));
  v.Append(2.0);
  EXPECT_FALSE(IsInline(v));
  EXPECT_FALSE(IsInline(VelaMatrix(6, 7, 0.0)));
}

// ---- Products ---------------------------------------------------------------------

TEST(VelaMatrix, ProductIsBitExactWithPlainLoop) {
  // Shapes that cross every blocking boundary of the product kernel, odd
  // widths included, so any reordering of the per-element sum shows.
  std::mt19937_64 rng(2024);
  const int shapes[][3] = {{1, 1, 1}, {7, 7, 7},    {37, 41, 43}, {130, 129, 131}, {3, 130, 5},
                           {130, 3, 1}, {1, 300, 2}, {2, 5, 300},  {64, 256, 67},   {6, 6, 6},
                           {100, 300, 50}, {20, 130, 530}, {101, 520, 7}};
  for (const auto& s : shapes) {
    const VelaMatrix a = RandomMatrix(s[0], s[1], rng);
    const VelaMatrix b = RandomMatrix(s[1], s[2], rng);
    SCOPED_TRACE(testing::Message() << s[0] << "x" << s[1] << " * " << s[1] << "x" << s[2]);
    ExpectSameBits(ReferenceProduct(a, b), a * b);
    VelaMatrix left(b);
    left.MultiplyLeft(a);
    ExpectSameBits(ReferenceProduct(a, b), left);
  }
}

TEST(VelaMatrix, ProductKeepsSignedZerosAndNonFiniteValues) {
  const double inf = std::numeric_limits<double>::infinity();
  const double a[] = {-0.0, 1.0, inf, 0.0};
  const double b[] = {1.0, -0.0, 0.0, 1.0};
  const VelaMatrix A(2, 2, a), B(2, 2, b);
  ExpectSameBits(ReferenceProduct(A, B), A * B);
  const VelaMatrix product = A * B;
  EXPECT_TRUE(std::isnan(product(1, 1)));  // inf * -0 + 0 * 1
}

TEST(VelaMatrix, MultiplyLeftByItselfAndEmptyShapes) {
  std::mt19937_64 rng(8);
  for (int n : {2, 6, 7, 20}) {
    VelaMatrix m = RandomMatrix(n, n, rng);
    const Elements expected = ReferenceProduct(m, m);
    m.MultiplyLeft(m);
    ExpectSameBits(expected, m);
  }
  VelaMatrix tall(3, 0, 0.0);
  tall.MultiplyLeft(VelaMatrix(2, 3, 1.0));
  EXPECT_EQ(tall.GetNbOfRow(), 2);
  EXPECT_EQ(tall.GetNbOfCol(), 0);
  const VelaMatrix zeroInner = VelaMatrix(2, 0, 0.0) * VelaMatrix(0, 3, 0.0);
  EXPECT_EQ(Contents(zeroInner), Elements(6, 0.0));
}

TEST(VelaMatrix, MatrixVectorProductsMatchReference) {
  std::mt19937_64 rng(17);
  for (int rows : {1, 3, 6, 37, 100}) {
    for (int cols : {1, 2, 7, 64}) {
      const VelaMatrix a = RandomMatrix(rows, cols, rng);
      const VelaMatrix x = RandomMatrix(1, cols, rng);
      const VelaMatrix y = RandomMatrix(1, rows, rng);
      const VelaVector xv(cols, static_cast<const double*>(x.GetBuffer()));
      const VelaVector yv(rows, static_cast<const double*>(y.GetBuffer()));
      VelaMatrix column(x);
      column.Transpose();
      ExpectSameBits(ReferenceProduct(a, column), a * xv);
      ExpectSameBits(ReferenceProduct(a, column), a * static_cast<const double*>(x.GetBuffer()));
      ExpectSameBits(ReferenceProduct(y, a), a.MultiplyVectorLeft(yv));
      // A vector times a matrix is the 1 x n matrix product of the base.
      ExpectSameBits(ReferenceProduct(y, a), yv * a);
    }
  }
  const VelaMatrix a(3, 2, 1.0);
  EXPECT_EQ(Contents(a.MultiplyVectorLeft(VelaVector(2, 1.0))), Elements(2, 0.0));
  EXPECT_EQ(Contents(VelaMatrix(0, 2, 0.0).MultiplyVectorLeft(VelaVector())), Elements(2, 0.0));
}

// ---- Element-wise arithmetic and norms ---------------------------------------------

TEST(VelaMatrix, ElementWiseArithmeticIgnoresMismatchedShapes) {
  const double a[] = {1, 2, 3, 4};
  const double b[] = {10, 20, 30, 40};
  const VelaMatrix A(2, 2, a), B(2, 2, b);
  EXPECT_EQ(Contents(A + B), (Elements{11, 22, 33, 44}));
  EXPECT_EQ(Contents(B - A), (Elements{9, 18, 27, 36}));
  EXPECT_EQ(Contents(2.0 * A), (Elements{2, 4, 6, 8}));
  EXPECT_EQ(Contents(A * 0.5), (Elements{0.5, 1, 1.5, 2}));
  VelaMatrix C(A);
  C += VelaMatrix(1, 4, 1.0);  // same size, other shape: nothing
  C -= VelaMatrix(2, 3, 1.0);
  EXPECT_EQ(Contents(C), Elements(a, a + 4));
  EXPECT_EQ(Contents(A + VelaMatrix(4, 1, 1.0)), Elements(a, a + 4));
}

TEST(VelaMatrix, NormsAndNormalize) {
  const double values[] = {3, 4, 1e-12, 0, -7, 1};
  VelaMatrix m(3, 2, values);
  EXPECT_EQ(m.GetNorm2(0), 5.0);
  EXPECT_EQ(m.GetNormInf(2), 7.0);
  EXPECT_EQ(m.GetNormInf(-1), 7.0);
  EXPECT_DOUBLE_EQ(m.GetNorm2(-1), std::sqrt(9 + 16 + 1e-24 + 49 + 1));
  EXPECT_EQ(VelaMatrix::NormInf(0, values), 0.0);
  EXPECT_EQ(VelaMatrix::Norm2(0, values), 0.0);
  m.Normalize(1e-9);
  EXPECT_EQ(m(0, 0), 0.6);
  EXPECT_EQ(m(0, 1), 0.8);
  EXPECT_EQ(m(1, 0), 0.0);
  EXPECT_EQ(m(1, 1), 0.0);
  EXPECT_EQ(m(2, 0), -7 / std::sqrt(50.0));
}

TEST(VelaVector, ArithmeticAndComparison) {
  const double a[] = {1, 2, 3};
  const double b[] = {4, 5, 6, 100};
  VelaVector v(3, a);
  const VelaVector w(4, b);  // longer operands are read over v's length
  EXPECT_EQ(v * w, 32.0);
  EXPECT_EQ(Contents(v + w), (Elements{5, 7, 9}));
  EXPECT_EQ(Contents(v - w), (Elements{-3, -3, -3}));
  EXPECT_EQ(Contents(v * 2.0), (Elements{2, 4, 6}));
  v.Add(2.0, b);
  EXPECT_EQ(Contents(v), (Elements{9, 12, 15}));
  v.Add(5.0, nullptr);
  v -= b;
  v += a;
  v *= 0.5;
  EXPECT_EQ(Contents(v), (Elements{3, 4.5, 6}));
  EXPECT_EQ(VelaVector::ScalarProduct(2, a, b), 14.0);

  const VelaMatrix gram = VelaVector(3, 1.0).GramProduct();
  EXPECT_EQ(gram.GetNbOfRow(), 1);
  EXPECT_EQ(Contents(gram), Elements{3.0});

  EXPECT_EQ(VelaVector(3, a) > 1.0, 1);
  EXPECT_EQ(VelaVector(3, a) > 1.5, 0);
  EXPECT_EQ(VelaVector() > 1e300, 1);
  const double withNan[] = {std::nan(""), 2.0};
  EXPECT_EQ(VelaVector(2, withNan) > 2.0, 1);
}

TEST(VelaVector, AppendInsertResizeMatchStdVector) {
  std::mt19937_64 rng(99);
  VelaVector v;
  Elements model;
  std::uniform_int_distribution<int> op(0, 9);
  for (int step = 0; step < 400; ++step) {
    const double x = static_cast<double>(step);
    switch (op(rng)) {
      case 0:
      case 1:
      case 2:
      case 3:
        v.Append(x);
        model.push_back(x);
        break;
      case 4:
      case 5:
      case 6: {
        const int at = std::uniform_int_distribution<int>(0, static_cast<int>(model.size()))(rng);
        v.Insert(at, x);
        model.insert(model.begin() + at, x);
        break;
      }
      case 7: {
        const int n = std::uniform_int_distribution<int>(0, static_cast<int>(model.size()) + 3)(rng);
        v.Resize(n);
        model.resize(static_cast<std::size_t>(n), 0.0);
        break;
      }
      default:
        if (!model.empty()) {
          const int at = std::uniform_int_distribution<int>(0, static_cast<int>(model.size()) - 1)(rng);
          v[at] = -x;
          model[at] = -x;
        }
        break;
    }
    ASSERT_EQ(v.GetNbOfRow(), 1);
    ASSERT_EQ(Contents(v), model) << "step " << step;
  }
}

}  // namespace
