// Texts of the dense matrix: the script-syntax dump, the bracketed dump and
// the size message of the products, each compared as a whole text.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>

#include "support/InternalMode.h"
#include "vela/config/VelaGlobalParameters.h"
#include "vela/linalg/VelaMatrix.h"
#include "vela/streams/VelaStream.h"

namespace {

std::string Text(VelaStream& s) { return static_cast<std::stringstream*>(s.GetStream())->str(); }

// Sends std::cout (where the trace stream writes) into a buffer while alive.
class CapturedTrace {
 public:
  CapturedTrace() : previous_(std::cout.rdbuf(buffer_.rdbuf())) {}
  ~CapturedTrace() { std::cout.rdbuf(previous_); }
  std::string Text() const { return buffer_.str(); }

 private:
  std::stringstream buffer_;
  std::streambuf* previous_;
};

// Pins the working precision the fixed-size numbers follow.
class ScopedPrecision {
 public:
  explicit ScopedPrecision(int p) : saved_(GetGlobalParameters().GetPrecision()) {
    GetGlobalParameters().SetPrecision(p);
  }
  ~ScopedPrecision() { GetGlobalParameters().SetPrecision(saved_); }

 private:
  int saved_;
};

const double kValues[] = {1.0, -2.5, 0.0, 12.25};

TEST(VelaMatrixDump, WriteUsesScriptSyntax) {
  ScopedPrecision precision(3);
  VelaStream out;
  VelaMatrix(2, 2, kValues).Write("A", &out);
  VelaMatrix(1, 3, kValues).Write(nullptr, &out);
  VelaMatrix(0, 3, 0.0).Write("", &out);
  VelaMatrix(2, 0, 0.0).Write("E", &out);
  VelaVector().Write("v", &out);
  EXPECT_EQ(Text(out),
            "A := matrix(2, 2, [\n"
            "[1.0000, -2.500],\n"
            "[0.0000, 12.250]]);\n"
            " := matrix(1, 3, [\n"
            "[1.0000, -2.500, 0.0000]]);\n"
            " := matrix(0, 3, []);\n"
            "E := matrix(2, 0, [\n"
            "[],\n"
            "[]]);\n"
            "v := matrix(1, 0, [\n"
            "[]]);\n");
  VelaMatrix(2, 2, kValues).Write("A", nullptr);  // nothing, and no crash
}

TEST(VelaMatrixDump, WriteWithoutStreamGoesToTrace) {
  ScopedPrecision precision(3);
  CapturedTrace trace;
  VelaVector(2, kValues).Write("x");
  EXPECT_EQ(trace.Text(), "x := matrix(1, 2, [\n[1.0000, -2.500]]);\n");
}

TEST(VelaMatrixDump, ScilabDumpSetsPrecisionPerValue) {
  const double values[] = {1.0, 0.1, 1.0 / 3.0, -2.0};
  VelaStream out;
  out << velsetprecision(2);  // overridden before every value
  VelaMatrix(2, 2, values).ScilabDump("M", &out);
  VelaVector(3, kValues).ScilabDump("v", &out);
  VelaMatrix(0, 3, 0.0).ScilabDump("none", &out);
  VelaMatrix(3, 0, 0.0).ScilabDump("none", &out);
  EXPECT_EQ(Text(out),
            "M = [ 1 ,0.1 ;\n"
            "0.333333333333333 ,-2 ];\n"
            "v = [ 1 ,-2.5 ,0 ];\n");
  VelaMatrix(2, 2, values).ScilabDump("M", nullptr);
}

TEST(VelaMatrixDump, SizeMessageOnlyFromTraceLevelOne) {
  vela::test::ScopedInternalMode internal;
  ASSERT_TRUE(internal.IsOpen());
  const VelaMatrix a(2, 3, 1.0);
  const VelaMatrix b(2, 3, 1.0);
  {
    GetGlobalParameters().SetTraceLevel(0);
    CapturedTrace trace;
    const VelaMatrix product = a * b;
    EXPECT_EQ(trace.Text(), "");
    EXPECT_EQ(product.GetNbOfRow(), 2);
    EXPECT_EQ(product.GetNbOfCol(), 3);
  }
  GetGlobalParameters().SetTraceLevel(1);
  CapturedTrace trace;
  const VelaMatrix product = a * b;
  EXPECT_EQ(product.GetNbOfRow(), 2);
  EXPECT_EQ(product.GetNbOfCol(), 3);
  EXPECT_EQ(product.GetNormInf(-1), 0.0);

  // For MultiplyLeft the argument is the left operand; this stays as it was.
  VelaMatrix right(4, 1, 2.0);
  right.MultiplyLeft(a);
  EXPECT_EQ(right.GetNbOfRow(), 4);
  EXPECT_EQ(right.GetNormInf(-1), 2.0);
  EXPECT_EQ(trace.Text(),
            "ERR: matrices size does not match (2x3) * (2x3)\n"
            "ERR: matrices size does not match (2x3) * (4x1)\n");
}

}  // namespace
