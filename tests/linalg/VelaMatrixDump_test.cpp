// The texts of the matrices, byte for byte: the script-syntax dumps of the dense, sparse, symmetric and
// triangular matrices, the bracketed dump, and the size messages, each as a whole text.
#include <sstream>

#include "linalg/LinalgTesting.h"
#include "vela/linalg/VelaLowerTriangularMatrix.h"
#include "vela/linalg/VelaSparseMatrix.h"
#include "vela/linalg/VelaSymmetricMatrix.h"
#include "vela/streams/VelaStream.h"

namespace {

using namespace vela::test;

std::string Memory(const std::function<void(VelaStream*)>& write) {
  VelaStream stream;
  write(&stream);
  return static_cast<std::stringstream*>(stream.GetStream())->str();
}

TEST(VelaMatrixDump, TextsByteForByte) {
  const double v[] = {1.0, -2.5, 0.0, 12.25}, third[] = {1.0, 0.1, 1.0 / 3.0, -2.0}, packed[] = {1, 2, 3, 4, 0.1, -6.5};
  const VelaMatrix a(2, 3, 1.0);
  const VelaSymmetricMatrix s(3, packed), s2(2, packed);
  const auto mismatches = [&] {
    const VelaMatrix product = a * a;  // the zero matrix of the left shape
    EXPECT_EQ(std::make_pair(product.GetNbOfRow() * 10 + product.GetNbOfCol(), product.GetNormInf(-1)),
              std::make_pair(23, 0.0));
    VelaMatrix right(4, 1, 2.0);
    right.MultiplyLeft(a);  // the argument is the left operand; this stays as it was
    EXPECT_EQ(Values(right), Vec(4, 2.0));
    const VelaMatrix sm = s2 * VelaMatrix(3, 2, 1.0);
    const VelaVector sv = s2 * VelaVector(3, 1.0);
    EXPECT_TRUE(sm.GetSize() == 4 && sv.GetSize() == 2 && sm.GetNorm2(-1) + sv.GetNorm2(-1) == 0.0);  // zeros
    VelaSymmetricMatrix(2, VelaMatrix(3, 3, 1.0));
  };
  const std::pair<std::string, std::string> cases[] = {
      {Memory([&](VelaStream* out) {
         VelaMatrix(2, 2, v).Write("A", out), VelaMatrix(1, 3, v).Write(nullptr, out);
         VelaMatrix(0, 3, 0.0).Write("", out), VelaMatrix(2, 0, 0.0).Write("E", out), VelaVector().Write("v", out);
         VelaMatrix(2, 2, v).Write("A", nullptr);
       }),
       "A := matrix(2, 2, [\n[1.0000, -2.500],\n[0.0000, 12.250]]);\n := matrix(1, 3, [\n[1.0000, -2.500, 0.0000]]);\n"
       " := matrix(0, 3, []);\nE := matrix(2, 0, [\n[],\n[]]);\nv := matrix(1, 0, [\n[]]);\n"},
      {TraceText(0, [&] { VelaVector(2, v).Write("x"); }), "x := matrix(1, 2, [\n[1.0000, -2.500]]);\n"},
      {Memory([&](VelaStream* out) {
         *out << velsetprecision(2);  // overridden before every value
         VelaMatrix(2, 2, third).ScilabDump("M", out), VelaVector(3, v).ScilabDump("v", out);
         VelaMatrix(0, 3, 0.0).ScilabDump("none", out), VelaMatrix(3, 0, 0.0).ScilabDump("none", out);
         VelaMatrix(2, 2, v).ScilabDump("M", nullptr), s.ScilabDump("S", out);
       }),
       "M = [ 1 ,0.1 ;\n0.333333333333333 ,-2 ];\nv = [ 1 ,-2.5 ,0 ];\nS = [ 1 ,2 ,4 ;\n2 ,3 ,0.1 ;\n4 ,0.1 ,-6.5 ];\n"},
      {TraceText(0, [&] {
         VelaSparseMatrix(2, 2, v).Write("A"), VelaSparseMatrix(0, 3, nullptr).Write("E");
       }),
       "A := matrix(2, 2, [\n[ 1.0000, -2.500],\n[ 0.0000, 12.250] ]);\nE := matrix(0, 3, []);\n"},
      {TraceText(0, [&] {  // the stream's own double output at precision 18
         s.Write("S"), VelaSymmetricMatrix().Write("E"), VelaLowerTriangularMatrix(2, &packed[3]).Write("L");
         VelaLowerTriangularMatrix().Write("E");
       }),
       "S := matrix(3, 3, [\n[ 1],\n[ 2, 3],\n[ 4, 0.100000000000000006, -6.5] ]);\n"
       "L := matrix(2, 2, [\n[ 4],\n[ 0.100000000000000006, -6.5] ]);\n"},
      {TraceText(0, mismatches), ""},  // the size messages only from trace level 1
      {TraceText(1, mismatches),
       "ERR: matrices size does not match (2x3) * (2x3)\nERR: matrices size does not match (2x3) * (4x1)\n"
       " Dimension does not match for VelaSymmetricMatrix*VelaMatrix\n"
       " Dimension does not match for VelaSymmetricMatrix*VelaVector\n"
       "Dimension does not match for VelaSymmetricMatrix(int iOrder, const VelaMatrix& iMat)\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.first, c.second) << "case " << &c - cases;
}

}  // namespace
